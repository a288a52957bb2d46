// The log reader on a long log (2 million samples written to a temporary file, as "Log Data"
// writes them) against a plain reader written here: the file mapped, lines and fields split in
// place, strtod on each field. Both run in every iteration, alternated; "us_per_sample" is
// ReadLogColumn's (target at most 0.15), "ratio" its time over the plain reader's.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_log &&
//   build/bench/bench/bench_log
//
// The whole program on 10 million samples: bench/log-speed.

#include "analysis/NoiseRecord.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

constexpr size_t kSamples = 2'000'000;

// Two channels as floats with 7 digits, CR LF line ends, one pass; removed at exit.
struct TempLog {
    explicit TempLog(size_t samples);
    ~TempLog() { std::filesystem::remove(path); }
    std::string path;
};

TempLog::TempLog(size_t samples)
    : path((std::filesystem::temp_directory_path() /
            ("bench_log_" + std::to_string(::getpid()) + ".txt"))
               .string()) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fputs("KXS306\tDate\t1/2/2026\r\nTemperature\t25  dgrC\r\nNum Samples\t2000000\r\n"
               "Loop Delay\t0 mS\r\n\tGyro\tAin1\r\nSample\tDgr/S\tVolts\t\r\n",
               file);
    std::mt19937_64 generator(1);
    std::normal_distribution<float> normal;
    for (size_t i = 1; i <= samples; ++i) {
        std::fprintf(file, "%zu\t%.7g\t%.7g\r\n", i, static_cast<double>(normal(generator)),
                     static_cast<double>(2.5f + 0.01f * normal(generator)));
    }
    std::fclose(file);
}

// Column 1 of the log; no checks beyond what strtod does.
std::vector<double> PlainRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    const size_t size = static_cast<size_t>(st.st_size);
    auto* data = static_cast<const char*>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    std::vector<double> values;
    values.reserve(size / 16);
    const char* p = data;
    const char* const end = data + size;
    int headerLines = 6;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        eol = eol ? eol : end;
        if (headerLines > 0) {
            --headerLines;
        } else {
            char* next = nullptr;
            std::strtod(p, &next); // the sample number
            values.push_back(std::strtod(next + 1, &next));
        }
        p = eol + 1;
    }
    ::munmap(const_cast<char*>(data), size);
    ::close(fd);
    return values;
}

double Seconds(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

void BM_ReadLogColumn(benchmark::State& state) {
    static const TempLog log(kSamples);
    const std::string& path = log.path;
    double ours = 0;
    double plain = 0;
    for (auto _ : state) {
        auto start = Steady::now();
        const auto reference = PlainRead(path);
        plain += Seconds(start);
        start = Steady::now();
        const LogColumn column = ReadLogColumn(path, 1);
        const double seconds = Seconds(start);
        ours += seconds;
        state.SetIterationTime(seconds);
        if (column.values != reference) {
            state.SkipWithError("the readers give different values");
            break;
        }
    }
    const double samples = static_cast<double>(state.iterations() * kSamples);
    state.counters["us_per_sample"] = 1e6 * ours / samples;
    state.counters["plain_us_per_sample"] = 1e6 * plain / samples;
    state.counters["ratio"] = ours / plain;
}

BENCHMARK(BM_ReadLogColumn)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
