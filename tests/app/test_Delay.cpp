#include "platform/Delay.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/FakeClock.h"

using DelayTest = UiTest;

TEST_F(DelayTest, CalibrationProbesUntilTwoInARowAgree) {
    // The cost of an iteration during each probe (the last one stays), the iterations of
    // 10 us found and the probes taken. A probe the machine slowed is outvoted; 4 % is
    // agreement; probes that never agree stop at ten, with the last one's count; a clock
    // that stands still gives a count capped to 32 bits.
    struct Case {
        std::vector<double> costs;
        int32_t count;
        int probes;
    } cases[] = {{{1e-9}, 10000, 2},
                 {{1e-6}, 10, 2},
                 {{1e-9, 2e-9, 1e-9}, 10000, 4},
                 {{1e-9, 1.04e-9}, 9615, 2},
                 {{1e-9, 2e-9, 1e-9, 2e-9, 1e-9, 2e-9, 1e-9, 2e-9, 1e-9, 2e-9}, 5000, 10},
                 {{0.0}, 2147483647, 2}};
    for (const auto& c : cases) {
        FakeClock clock;
        ForgetDelayCalibration();
        int probes = 0;
        do {
            clock.secondsPerIteration = c.costs[std::min<size_t>(probes, c.costs.size() - 1)];
            ++probes;
        } while (!CalibrateDelayStep());
        EXPECT_TRUE(App().DelayLoopCount == c.count && probes == c.probes) << c.costs[0];
        // The minimum loop of 40 iterations in milliseconds.
        EXPECT_FLOAT_EQ(App().MinimumDelayMs, 40.0f / c.count * 0.01f) << c.costs[0];
    }

    // A counted wait before the calibration is done finishes it, with the busy pointer, from
    // the probe it got to; the minimum loop and a wait that ends on the clock need none.
    ResetAppState();
    FakeClock clock(1e-9);
    DelayMs(0);
    CalibrateDelayStep();
    DelayMs(1);
    EXPECT_FALSE(App().DelayCalibrated);
    DelayMs(0.05f);
    EXPECT_TRUE(App().DelayLoopCount == 10000 && App().Probes == 2);
    EXPECT_EQ(ui.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(DelayTest, WaitsRunTheRightPasses) {
    FakeClock clock;
    clock.recordSpins = true;
    UseQuickDelay();
    App().DelayLoopCount = 1000;
    // The minimum loop; at least one slice of 0.01 ms; whole slices, rounded to the nearest.
    const std::pair<float, std::vector<int32_t>> cases[] = {
        {0, {40}}, {0.004f, {1000}}, {0.054f, std::vector<int32_t>(5, 1000)}};
    for (const auto& [ms, spins] : cases) {
        clock.spins.clear();
        DelayMs(ms);
        EXPECT_EQ(clock.spins, spins) << ms;
    }
    // From 0.1 ms on the clock decides: calibrated as 10 us a pass, the loop now runs ten
    // times as fast (a machine busy during the calibration), and the wait still lasts.
    for (float ms : {0.1f, 12.0f}) {
        const double t0 = clock.now;
        DelayMs(ms);
        EXPECT_NEAR(clock.now - t0, ms / 1000.0, 5e-6) << ms;
    }
}

TEST_F(DelayTest, LoopDelayIsWaitedInChunksWithEventsBeforeEach) {
    FakeClock clock(1e-9);
    UseQuickDelay();
    App().DelayLoopCount = 10000;
    App().StopRequested = false;

    const double t0 = clock.now;
    WaitLoopDelay(25, App().StopRequested); // 2 chunks of 12.5 ms
    EXPECT_EQ(ui.doEventsCalls, 2);
    EXPECT_NEAR(clock.now - t0, 0.025, 1e-9);

    clock.recordSpins = true;
    WaitLoopDelay(0, App().StopRequested); // one pass of events and the minimum loop
    EXPECT_EQ(ui.doEventsCalls, 3);
    EXPECT_EQ(clock.spins, std::vector<int32_t>{40});

    // A stop (Stop, Exit or a signal) ends the longest wait within the chunk it came in.
    ui.AtDoEvents(5, [] { App().StopRequested = true; });
    const double t1 = clock.now;
    WaitLoopDelay(60000, App().StopRequested);
    EXPECT_EQ(ui.doEventsCalls, 5);
    EXPECT_NEAR(clock.now - t1, 0.010, 1e-9);
}
