// The overnight run proven without waiting: 8 hours of the simulated gyroscope at 6.6 kHz in
// fast time through the session, the engine, the record file and the streaming Allan
// deviation. Minutes on a release build; ctest runs it only when asked (-C long).
#include "tests/support/LongRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

TEST(LongRun, EightHoursRecoverThePartsNoise) {
    TempWorkDir dir;
    const double seconds = 8 * 3600;
    const LongRunFigures f = RunLongRecord(seconds, "night.qrec");
    const auto n = static_cast<int64_t>(std::llround(seconds * kLongRunPaceHz));
    EXPECT_EQ(f.run.samples, n);
    EXPECT_EQ(f.run.deadlines_missed, 0);
    EXPECT_LE(static_cast<double>(f.fileBytes) / static_cast<double>(n), 10.0);
    EXPECT_LT(f.peakMb, 100.0);
    ASSERT_TRUE(f.allan.error.empty()) << f.allan.error;
    EXPECT_LT(RelativeError(f.allan.whiteNoise, kPartWhiteNoise), 0.10);
    // The part's curve, sqrt(N^2/tau + (0.664 B)^2 + K^2 tau/3), where the record holds
    // hundreds of independent averages: the flicker floor is where the part says.
    for (const auto& p : f.allan.points) {
        if (p.tau >= 10 && p.tau <= 1000) {
            const double model = std::sqrt(kPartWhiteNoise * kPartWhiteNoise / p.tau +
                                           std::pow(0.664 * kPartBiasInstability, 2) +
                                           kPartRateRandomWalk * kPartRateRandomWalk * p.tau / 3);
            EXPECT_NEAR(p.deviation / model, 1.0, 0.15) << "tau " << p.tau;
        }
    }
    EXPECT_LT(RelativeError(f.allan.biasInstability, kPartBiasInstability), 0.15)
        << f.allan.biasInstabilityFit.reason;
    EXPECT_LT(RelativeError(f.allan.rateRandomWalk, kPartRateRandomWalk), 0.25)
        << f.allan.rateRandomWalkFit.reason;
    std::printf("8 h at %.0f Hz: %lld samples, %.0f s, peak %.1f MB, %.2f bytes a sample; "
                "N %.5g B %.5g K %.5g\n",
                kLongRunPaceHz, static_cast<long long>(f.run.samples), f.wallSeconds, f.peakMb,
                static_cast<double>(f.fileBytes) / static_cast<double>(n),
                f.allan.whiteNoise.value_or(NAN), f.allan.biasInstability.value_or(NAN),
                f.allan.rateRandomWalk.value_or(NAN));
}
