// The library's session beyond what the command line's recorded runs show: its errors as
// exceptions naming the parameter, one session at a time, the stop request, and a log's
// passes and lines.
#include "tests/support/AppStateTest.h"
#include "tests/support/TempDir.h"

#include <quelto/Analysis.h>
#include <quelto/Session.h>

#include "platform/Delay.h"

#include <cmath>
#include <functional>

namespace {

quelto::Options Simulated(const std::string& model, double delay = 0,
                          std::optional<double> amplitude = {}) {
    quelto::Options options;
    options.model = model;
    options.simulate = true;
    options.samples = 64;
    options.read_delay = delay;
    options.amplitude = amplitude;
    return options;
}

class SessionTest : public AppStateTest {
protected:
    TempWorkDir dir;
};

// Errors the command line shows alike or checks before: the recorded runs show the others.
TEST_F(SessionTest, ErrorsSayWhatWentWrongAndWhere) {
    const struct {
        std::function<void()> call;
        quelto::ErrorKind kind;
        const char* parameter;
        const char* reason;
    } cases[] = {
        {[] { quelto::Session(Simulated("KXS999")).sweep(); }, quelto::ErrorKind::Usage, "model",
         "give the sensor model"},
        {[] { quelto::Session(Simulated("KXS306")).sweep(0, "z"); }, quelto::ErrorKind::Usage,
         "channel", "z is not a channel"},
        {[] { quelto::Session(Simulated("KXS306")).spi({1}); }, quelto::ErrorKind::Usage,
         "interface", "USB adapter only"},
        {[] { quelto::Session(Simulated("KXS306", NAN)); }, quelto::ErrorKind::Usage, "read_delay",
         "0 to 60000"},
        {[] { quelto::Session(Simulated("KXS306", 0, INFINITY)); }, quelto::ErrorKind::Usage,
         "amplitude", "finite"},
        {[] { quelto::Session(Simulated("KXS306")).log({0}, false, 8, 1, "a/b", 1); },
         quelto::ErrorKind::Usage, "file_base", "may not contain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        try {
            c.call();
            ADD_FAILURE() << "no error";
        } catch (const quelto::Error& error) {
            EXPECT_EQ(error.kind(), c.kind);
            EXPECT_EQ(error.parameter(), c.parameter);
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
}

// A temperature needs no calibrated wait; a sweep takes one first.
TEST_F(SessionTest, TheTimingIsCalibratedWhenAWaitFirstNeedsIt) {
    quelto::Session session(Simulated("KXS306"));
    session.temperature();
    EXPECT_FALSE(DelayCalibration().DelayCalibrated);
    session.sweep(8);
    EXPECT_TRUE(DelayCalibration().DelayCalibrated);
}

TEST_F(SessionTest, OneSessionAtATime) {
    {
        quelto::Session first(Simulated("KXS306"));
        EXPECT_THROW(quelto::Session second(Simulated("KXS201")), quelto::Error);
        EXPECT_EQ(first.sweep(32, "rate").codes.size(), 32u);
    }
    quelto::Session again(Simulated("KXS201"));
    EXPECT_EQ(again.sweep(0, "y").channel.number, 1);
}

TEST_F(SessionTest, StopRequestEndsARunWithWhatItTook) {
    int samples = 0;
    quelto::Hooks hooks;
    hooks.progress = [&samples](int, int taken, int) { samples = taken; };
    hooks.stop_requested = [&samples] { return samples >= 20; };
    quelto::Session session(Simulated("KXS306"), hooks);
    const quelto::Sweep sweep = session.sweep(1000);
    EXPECT_TRUE(sweep.stopped);
    EXPECT_GE(sweep.codes.size(), 20u);
    EXPECT_LT(sweep.codes.size(), 1000u);
    // A continuous log ends at the stop too, with the lines it wrote.
    const quelto::Log log = session.log({0}, true, 64, 0, "stopped", 1);
    EXPECT_TRUE(log.stopped);
    EXPECT_EQ(log.passes, 1);
}

TEST_F(SessionTest, LogTakesItsPassesAndCountsItsLines) {
    quelto::Session session(Simulated("KXS201"));
    const quelto::Log log = session.log({0, 1}, false, 16, 3, "three", 2);
    EXPECT_EQ(log.path, (dir.path() / "three_2.txt").string());
    EXPECT_EQ(log.passes, 3);
    EXPECT_FALSE(log.stopped);
    const std::string text = dir.Read("three_2.txt");
    EXPECT_EQ(log.lines, std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(quelto::read_log(log.path, 2).values.size(), 48u);
}

} // namespace
