// A record run through the session in fast time: paced on the grid, missed deadlines counted
// when a read delay outlasts the period, the file read back as written, stopped runs whole,
// refusals before the run; and the record as the log "Log Data" writes.
#include "tests/support/AppStateTest.h"
#include "tests/support/LongRun.h"
#include "tests/support/TempDir.h"

#include <quelto/Record.h>
#include <quelto/Session.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class RecordTest : public AppStateTest {
protected:
    static quelto::Options FastGyro(double pace, double delay = 0) {
        quelto::Options o;
        o.simulate = true;
        o.simulate_model = "KXS306";
        o.fast_time = true;
        o.pace_hz = pace;
        o.read_delay = delay;
        return o;
    }
    TempWorkDir dir;
};

} // namespace

TEST_F(RecordTest, PacedRunsKeepTheGridAndCountWhatTheyMiss) {
    const struct {
        double pace, delayMs;
        int64_t missed; // of 50
    } cases[] = {{1000, 0, 0}, {6600, 0, 0}, {1000, 2, 49}, {0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pace);
        quelto::Session session(FastGyro(c.pace, c.delayMs));
        quelto::RecordOptions options;
        options.samples = 50;
        const auto run = session.record("r.qrec", options);
        EXPECT_EQ(run.samples, 50);
        EXPECT_EQ(run.deadlines_missed, c.missed);
        quelto::RecordFile file("r.qrec");
        EXPECT_EQ(file.info().rate_hz, c.pace);
        EXPECT_EQ(file.info().model, "KXS306");
        quelto::RecordSamples s;
        ASSERT_TRUE(file.next(s));
        EXPECT_FALSE(file.next(s));
        EXPECT_EQ(file.error(), "");
        ASSERT_EQ(s.times.size(), 50u);
        const double period = c.pace > 0 ? 1 / c.pace : 1 / run.board_rate_hz;
        if (c.delayMs > 0) {
            // Each sample late by the read delay, taken at once.
            EXPECT_GT(s.times[49], 49 * c.delayMs / 1000);
            EXPECT_LT(s.times[49], 49 * (c.delayMs / 1000 + 1 / run.board_rate_hz));
        } else {
            EXPECT_NEAR(s.times[49], 49 * period, c.pace > 0 ? 1e-7 : period);
        }
        EXPECT_NEAR(run.seconds, s.times[49], 1e-6);
    }
}

TEST_F(RecordTest, RefusesBeforeTheRunAndAStopLeavesTheFileWhole) {
    quelto::Options real = FastGyro(0);
    real.simulate = false;
    EXPECT_THROW(quelto::Session{real}, quelto::Error);
    EXPECT_THROW(quelto::Session{FastGyro(7000)}, quelto::Error);
    {
        quelto::Session session(FastGyro(1000));
        std::filesystem::create_directory("folder");
        EXPECT_THROW(session.record("folder"), quelto::Error);
    }
    int64_t seen = 0;
    quelto::Hooks hooks;
    hooks.stop_requested = [&seen] { return seen >= 3 * 4096; };
    quelto::Session session(FastGyro(1000), hooks);
    quelto::RecordOptions options;
    options.block = [&seen](std::span<const float> v) { seen += static_cast<int64_t>(v.size()); };
    const auto run = session.record("stopped.qrec", options);
    EXPECT_TRUE(run.stopped);
    quelto::RecordFile file("stopped.qrec");
    quelto::RecordSamples s;
    while (file.next(s)) {
    }
    EXPECT_EQ(file.error(), "");
    EXPECT_EQ(file.samples_read(), run.samples);
    EXPECT_GE(run.samples, 3 * 4096);
}

TEST_F(RecordTest, ConvertsToTheLogThatLogDataWrites) {
    {
        quelto::Session session(FastGyro(500));
        quelto::RecordOptions options;
        options.channels = {0, 2};
        options.seconds = 0.01;
        session.record("two.qrec", options);
    }
    std::string log;
    EXPECT_EQ(quelto::record_to_log("two.qrec", [&log](std::string_view t) { log += t; }), "");
    std::istringstream lines(log);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) {
        all.push_back(line);
    }
    ASSERT_EQ(all.size(), 6u + 5u);
    EXPECT_EQ(all[0].rfind("KXS306\tDate\t", 0), 0u);
    EXPECT_EQ(all[2], "Num Samples\t5\r");
    EXPECT_EQ(all[4], "\tGyro\tAin1\r");
    EXPECT_EQ(all[6].rfind("1\t", 0), 0u);
    EXPECT_EQ(all[10].rfind("5\t", 0), 0u);
    EXPECT_THROW(quelto::record_to_log("nothing", [](std::string_view) {}), quelto::Error);
}

// The long run's path, short enough for every build: the white noise is there in minutes.
TEST_F(RecordTest, TwoMinutesInFastTimeGiveThePartsWhiteNoise) {
    const LongRunFigures f = RunLongRecord(120, "two.qrec");
    EXPECT_EQ(f.run.samples, 120 * 6600);
    EXPECT_EQ(f.run.deadlines_missed, 0);
    EXPECT_LE(double(f.fileBytes) / double(f.run.samples), 10.0);
    EXPECT_LT(RelativeError(f.allan.whiteNoise, kPartWhiteNoise), 0.10);
}
