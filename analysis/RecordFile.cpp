#include "analysis/RecordFile.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr char kMagic[8] = {'Q', 'R', 'E', 'C', '\r', '\n', '\x1a', '\n'};
constexpr char kBlockMagic[4] = {'Q', 'B', 'L', 'K'};
constexpr char kEndMagic[4] = {'Q', 'E', 'N', 'D'};
constexpr size_t kEndMark = 16;
constexpr uint32_t kVersion = 1;
constexpr size_t kFixedHeader = 64;
constexpr size_t kBlockHead = 24;
constexpr uint32_t kMaxHeader = 64 * 1024;
constexpr uint32_t kMaxBlockSamples = 1u << 20;
constexpr uint16_t kMaxChannels = 16;
constexpr int32_t kMaxOffset = (1 << 23) - 1;
constexpr int32_t kMinOffset = -(1 << 23);

static_assert(std::endian::native == std::endian::little, "the file is little-endian");

template <typename T> void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

void PutText(std::string& out, const std::string& text) {
    const auto n = static_cast<uint16_t>(std::min<size_t>(text.size(), 255));
    Put(out, n);
    out.append(text.data(), n);
}

uint32_t Crc(const char* data, size_t size) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

// Whether the four bytes that end data[0, size) are the CRC of those before them.
bool CrcHolds(const char* data, size_t size) {
    uint32_t crc = 0;
    std::memcpy(&crc, data + size - 4, 4);
    return crc == Crc(data, size - 4);
}

// Reads fields from a byte range, failing (not throwing) past its end.
class Fields {
public:
    Fields(const char* data, size_t size) : data_(data), size_(size) {}
    template <typename T> bool Get(T& value) {
        if (size_ - at_ < sizeof(T)) {
            return false;
        }
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool GetText(std::string& text) {
        uint16_t n = 0;
        if (!Get(n) || n > 255 || size_ - at_ < n) {
            return false;
        }
        text.assign(data_ + at_, n);
        at_ += n;
        return true;
    }
    size_t At() const { return at_; }

private:
    const char* data_;
    size_t size_;
    size_t at_ = 0;
};

double Grid(double rate, int64_t k) { return rate > 0 ? static_cast<double>(k) / rate : 0.0; }

} // namespace

RecordWriter::RecordWriter(RecordHeader header, Sink sink)
    : header_(std::move(header)), sink_(std::move(sink)) {
    header_.blockSamples = std::clamp<uint32_t>(header_.blockSamples, 1, kMaxBlockSamples);
    const size_t n = header_.blockSamples;
    offsets_.reserve(n);
    codes_.reserve(n * header_.channels.size());
    values_.reserve(n * header_.channels.size());
}

bool RecordWriter::Fail(std::string reason) {
    if (error_.empty()) {
        error_ = std::move(reason);
    }
    return false;
}

bool RecordWriter::Begin() {
    if (header_.channels.empty() || header_.channels.size() > kMaxChannels) {
        return Fail("a record holds 1 to 16 channels");
    }
    std::string h(kMagic, sizeof kMagic);
    Put(h, kVersion);
    Put<uint32_t>(h, 0); // the length, once known
    Put(h, header_.blockSamples);
    Put(h, static_cast<uint16_t>(header_.channels.size()));
    Put<uint16_t>(h, 0);
    Put(h, header_.rateHz);
    Put(h, header_.boardRateHz);
    Put(h, header_.startUnixNs);
    Put(h, header_.temperatureC);
    Put(h, header_.readDelayMs);
    PutText(h, header_.model);
    for (const auto& ch : header_.channels) {
        Put(h, static_cast<uint16_t>(ch.number));
        PutText(h, ch.name);
        PutText(h, ch.units);
    }
    const auto length = static_cast<uint32_t>(h.size() + 4);
    std::memcpy(h.data() + 12, &length, 4);
    Put(h, Crc(h.data(), h.size()));
    return sink_(h) || Fail("the header could not be written");
}

bool RecordWriter::Add(double time, std::span<const int32_t> codes, std::span<const float> values) {
    const size_t channels = header_.channels.size();
    if (!error_.empty()) {
        return false;
    }
    if (codes.size() != channels || values.size() != channels) {
        return Fail("a sample has the wrong number of channels");
    }
    for (const int32_t code : codes) {
        if (code < 0 || code > 0xFFFF) {
            return Fail("a code of " + std::to_string(code) + " does not fit the record's 16 bits");
        }
    }
    const double fromGrid = (time - Grid(header_.rateHz, next_)) / kRecordTimeStep;
    if (!std::isfinite(fromGrid) || std::abs(fromGrid) > 9e18) {
        return Fail("a sample's time is not a number");
    }
    const auto steps = static_cast<int64_t>(std::llround(fromGrid));
    if (!offsets_.empty() && (steps - base_ > kMaxOffset || steps - base_ < kMinOffset) &&
        !Flush()) {
        return false;
    }
    if (offsets_.empty()) {
        blockFirst_ = next_;
        base_ = steps;
    }
    offsets_.push_back(static_cast<int32_t>(steps - base_));
    for (size_t c = 0; c < channels; ++c) {
        codes_.push_back(static_cast<uint16_t>(codes[c]));
        values_.push_back(values[c]);
    }
    ++next_;
    return offsets_.size() < header_.blockSamples || Flush();
}

bool RecordWriter::Flush() {
    if (!error_.empty()) {
        return false;
    }
    if (offsets_.empty()) {
        return true;
    }
    const size_t n = offsets_.size();
    const size_t channels = header_.channels.size();
    auto& b = buffer_;
    b.assign(kBlockMagic, sizeof kBlockMagic);
    Put(b, static_cast<uint32_t>(n));
    Put(b, blockFirst_);
    Put(b, base_);
    for (const int32_t offset : offsets_) {
        const auto u = static_cast<uint32_t>(offset);
        const char bytes[3] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                               static_cast<char>((u >> 16) & 0xFF)};
        b.append(bytes, 3);
    }
    // Stored channel by channel: the codes and values were gathered sample by sample.
    for (size_t c = 0; c < channels; ++c) {
        for (size_t k = 0; k < n; ++k) {
            Put(b, codes_[k * channels + c]);
        }
    }
    for (size_t c = 0; c < channels; ++c) {
        for (size_t k = 0; k < n; ++k) {
            Put(b, values_[k * channels + c]);
        }
    }
    Put(b, Crc(b.data(), b.size()));
    offsets_.clear();
    codes_.clear();
    values_.clear();
    return sink_(b) || Fail("a block could not be written");
}

bool RecordWriter::Finish() {
    if (!Flush()) {
        return false;
    }
    std::string end(kEndMagic, sizeof kEndMagic);
    Put(end, next_);
    Put(end, Crc(end.data(), end.size()));
    return sink_(end) || Fail("the record's end could not be written");
}

RecordReader::~RecordReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool RecordReader::ReadExactly(void* data, size_t size) {
    return std::fread(data, 1, size, file_) == size;
}

bool RecordReader::Open(const std::string& path) {
    if (file_ != nullptr) {
        std::fclose(std::exchange(file_, nullptr));
    }
    header_ = {};
    read_ = 0;
    ended_ = false;
    error_.clear();
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        error_ = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const auto bad = [this, &path](const std::string& why) {
        error_ = path + " is not a record file: " + why;
        return false;
    };
    std::string& h = buffer_;
    h.resize(kFixedHeader);
    if (!ReadExactly(h.data(), h.size()) || std::memcmp(h.data(), kMagic, sizeof kMagic) != 0) {
        return bad("it does not begin as one");
    }
    uint32_t version = 0;
    uint32_t length = 0;
    std::memcpy(&version, h.data() + 8, 4);
    std::memcpy(&length, h.data() + 12, 4);
    if (version != kVersion) {
        return bad("it is of version " + std::to_string(version) + "; this program reads 1");
    }
    if (length < kFixedHeader + 4 || length > kMaxHeader) {
        return bad("its header's length is out of range");
    }
    h.resize(length);
    if (!ReadExactly(h.data() + kFixedHeader, length - kFixedHeader)) {
        return bad("its header is cut short");
    }
    if (!CrcHolds(h.data(), length)) {
        return bad("its header is damaged (CRC)");
    }
    Fields f(h.data() + 16, length - 20);
    uint16_t channels = 0;
    uint16_t reserved = 0;
    auto& r = header_;
    f.Get(r.blockSamples);
    f.Get(channels);
    f.Get(reserved);
    f.Get(r.rateHz);
    f.Get(r.boardRateHz);
    f.Get(r.startUnixNs);
    f.Get(r.temperatureC);
    f.Get(r.readDelayMs);
    if (r.blockSamples == 0 || r.blockSamples > kMaxBlockSamples) {
        return bad("its block length is out of range");
    }
    if (channels == 0 || channels > kMaxChannels) {
        return bad("it holds " + std::to_string(channels) + " channels (1 to 16)");
    }
    if (!(std::isfinite(r.rateHz) && r.rateHz >= 0 && std::isfinite(r.boardRateHz) &&
          r.boardRateHz >= 0)) {
        return bad("its rate is not a number of Hz");
    }
    if (!f.GetText(r.model)) {
        return bad("its header is cut short");
    }
    for (uint16_t c = 0; c < channels; ++c) {
        RecordChannel ch;
        uint16_t number = 0;
        if (!f.Get(number) || !f.GetText(ch.name) || !f.GetText(ch.units)) {
            return bad("its header is cut short");
        }
        ch.number = number;
        r.channels.push_back(std::move(ch));
    }
    return true;
}

bool RecordReader::Next(RecordBlock& block) {
    if (file_ == nullptr || !error_.empty() || ended_) {
        return false;
    }
    const size_t channels = header_.channels.size();
    const auto cut = [this](const std::string& why) {
        error_ = "the record ends after " + std::to_string(read_) + " samples: " + why;
        return false;
    };
    std::string& b = buffer_;
    b.resize(kBlockHead);
    const size_t got = std::fread(b.data(), 1, kBlockHead, file_);
    if (got == 0 && std::feof(file_)) {
        return cut("it has no end mark, so the run was cut short (a kill or a power cut); "
                   "every whole block is read");
    }
    if (got >= kEndMark && std::memcmp(b.data(), kEndMagic, 4) == 0) {
        int64_t total = 0;
        std::memcpy(&total, b.data() + 4, 8);
        if (!CrcHolds(b.data(), kEndMark) || total != read_) {
            return cut("its end mark is damaged");
        }
        ended_ = true;
        return false;
    }
    if (got != kBlockHead) {
        return cut("its last block is cut short");
    }
    uint32_t n = 0;
    int64_t first = 0;
    int64_t base = 0;
    std::memcpy(&n, b.data() + 4, 4);
    std::memcpy(&first, b.data() + 8, 8);
    std::memcpy(&base, b.data() + 16, 8);
    if (std::memcmp(b.data(), kBlockMagic, 4) != 0 || n == 0 || n > header_.blockSamples) {
        return cut("a block is damaged");
    }
    const size_t size = kBlockHead + n * (3 + 6 * channels) + 4;
    b.resize(size);
    if (!ReadExactly(b.data() + kBlockHead, size - kBlockHead)) {
        return cut("its last block is cut short");
    }
    if (!CrcHolds(b.data(), size)) {
        return cut("a block is damaged (CRC)");
    }
    if (first != read_) {
        return cut("a block is out of order");
    }
    block.first = first;
    block.count = n;
    block.times.resize(n);
    block.codes.resize(n * channels);
    block.values.resize(n * channels);
    const char* p = b.data() + kBlockHead;
    for (uint32_t k = 0; k < n; ++k, p += 3) {
        const uint32_t u = static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8 |
                           static_cast<uint32_t>(static_cast<uint8_t>(p[2])) << 16;
        // Sign-extended from 24 bits.
        const int32_t offset = static_cast<int32_t>(u << 8) >> 8;
        block.times[k] = Grid(header_.rateHz, first + k) +
                         (static_cast<double>(base) + offset) * kRecordTimeStep;
    }
    std::memcpy(block.codes.data(), p, block.codes.size() * 2);
    p += block.codes.size() * 2;
    std::memcpy(block.values.data(), p, block.values.size() * 4);
    read_ += n;
    return true;
}

bool IsRecordFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char head[sizeof kMagic] = {};
    const bool is = std::fread(head, 1, sizeof head, file) == sizeof head &&
                    std::memcmp(head, kMagic, sizeof kMagic) == 0;
    std::fclose(file);
    return is;
}
