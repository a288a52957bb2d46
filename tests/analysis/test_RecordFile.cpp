// The record file: what goes in comes out, times within a step of 100 ns; a file cut short or
// damaged anywhere gives its whole blocks before the damage and says why it stopped.
#include "analysis/RecordFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

struct Written {
    RecordHeader header;
    std::string bytes;
    std::vector<double> times;
};

// Two channels, paced at 1 kHz with jitter, one sample late by 2 s (past a block's 24-bit
// offsets, so it opens a block of its own), blocks of 5.
Written Write(int samples) {
    Written w;
    w.header.model = "KXS305";
    w.header.rateHz = 1000;
    w.header.blockSamples = 5;
    w.header.temperatureC = 24.5;
    w.header.channels = {{0, "Gyro", "Dgr/S"}, {2, "Ain1", "Volts"}};
    RecordWriter writer(w.header, [&w](std::string_view b) {
        w.bytes += b;
        return true;
    });
    EXPECT_TRUE(writer.Begin());
    for (int k = 0; k < samples; ++k) {
        const double t = k / 1000.0 + (k == 7 ? 2.0 : 1e-6 * (k % 3));
        w.times.push_back(t);
        const int32_t codes[] = {k, 0xFFFF - k};
        const float values[] = {0.5f * k, -1.0f * k};
        EXPECT_TRUE(writer.Add(t, codes, values));
    }
    EXPECT_TRUE(writer.Finish());
    return w;
}

RecordHeader OneChannel() {
    RecordHeader h;
    h.channels = {{0, "x", "g"}};
    return h;
}

// Every block the reader hands out, and why it stopped.
std::pair<std::vector<RecordBlock>, std::string> ReadAll(const std::string& bytes) {
    TempWorkDir dir;
    dir.Write("r", bytes);
    RecordReader reader;
    std::vector<RecordBlock> blocks;
    if (!reader.Open("r")) {
        return {blocks, reader.Error()};
    }
    RecordBlock block;
    while (reader.Next(block)) {
        blocks.push_back(block);
    }
    return {blocks, reader.Error()};
}

} // namespace

TEST(RecordFile, ReadsBackEverySampleAndFitsTenBytesASample) {
    const Written w = Write(23);
    const auto [blocks, error] = ReadAll(w.bytes);
    EXPECT_EQ(error, "");
    int64_t k = 0;
    for (const auto& b : blocks) {
        ASSERT_EQ(b.first, k);
        for (uint32_t i = 0; i < b.count; ++i, ++k) {
            EXPECT_NEAR(b.times[i], w.times[k], 0.6e-7);
            EXPECT_EQ(b.Codes(0)[i], k);
            EXPECT_EQ(b.Codes(1)[i], 0xFFFF - k);
            EXPECT_EQ(b.Values(1)[i], -1.0f * k);
        }
    }
    EXPECT_EQ(k, 23);
    // Samples 5..6 end early: sample 7 is a block alone, and 8 opens the next, back on the grid.
    EXPECT_EQ(blocks.size(), 6u);

    std::string one;
    RecordWriter sized(OneChannel(), [&one](std::string_view b) {
        one += b;
        return true;
    });
    sized.Begin();
    const size_t header = one.size();
    for (uint32_t k = 0; k < kRecordBlockSamples; ++k) {
        const int32_t code = 1;
        const float value = 1;
        sized.Add(k * 1e-4, {&code, 1}, {&value, 1});
    }
    EXPECT_LE(double(one.size() - header) / kRecordBlockSamples, 10.0);
}

TEST(RecordFile, StopsAtTheLastWholeBlockWhereverTheFileIsCutOrDamaged) {
    const Written w = Write(12);
    const auto [whole, none] = ReadAll(w.bytes);
    ASSERT_EQ(none, "");
    // Where each block ends in the file.
    std::vector<size_t> ends;
    {
        size_t at = w.bytes.size() - 16; // the end mark
        for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
            ends.insert(ends.begin(), at);
            at -= 24 + it->count * (3 + 6 * 2) + 4;
        }
        ends.insert(ends.begin(), at); // the header's end
    }
    for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const auto [blocks, error] = ReadAll(w.bytes.substr(0, cut));
        const size_t wholeBlocks =
            std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin() - 1;
        EXPECT_EQ(blocks.size(), cut < ends[0] ? 0 : wholeBlocks);
        EXPECT_NE(error, "");
        std::string damaged = w.bytes;
        damaged[cut] = static_cast<char>(damaged[cut] ^ 0x10);
        const auto [read, why] = ReadAll(damaged);
        EXPECT_LE(read.size(), whole.size());
        EXPECT_NE(why, "");
    }
}

TEST(RecordFile, RefusesWhatItCannotWrite) {
    std::string sunk;
    RecordWriter writer(OneChannel(), [&sunk](std::string_view b) {
        sunk += b;
        return true;
    });
    ASSERT_TRUE(writer.Begin());
    const int32_t wide = 70000;
    const float value = 0;
    EXPECT_FALSE(writer.Add(0, {&wide, 1}, {&value, 1}));
    EXPECT_NE(writer.Error().find("16 bits"), std::string::npos);
    RecordWriter none({}, [](std::string_view) { return true; });
    EXPECT_FALSE(none.Begin());
    RecordWriter full(OneChannel(), [](std::string_view) { return false; });
    EXPECT_FALSE(full.Begin());
}
