#include "analysis/AllanStream.h"

struct AllanStream::State {
    double period = 0;
    int64_t count = 0;
};

AllanStream::AllanStream(double samplePeriod) : s_(std::make_unique<State>()) {
    s_->period = samplePeriod;
}
AllanStream::~AllanStream() = default;
void AllanStream::Add(double) { ++s_->count; }
void AllanStream::Add(std::span<const double> y) { s_->count += static_cast<int64_t>(y.size()); }
int64_t AllanStream::Count() const { return s_->count; }
AllanResult AllanStream::Result() const {
    AllanResult r;
    r.error = "Not computed yet.";
    return r;
}
