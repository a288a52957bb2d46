// A port backend for tests: records every register access in order (and, with its clock,
// every busy-wait between them), answers reads with a fixed byte or from a board behind
// it, and installs itself for its lifetime.
#pragma once

#include "platform/PortIo.h"
#include "tests/support/FakeClock.h"

#include <cstdint>
#include <string>
#include <vector>

struct PortEvent {
    enum Kind { Write, Read, Wait } kind;
    PortRegister reg = PortRegister::Data;
    int value = 0; // byte written or read; iterations spun for a wait
};

class PortRecorder : public PortBackend {
public:
    // With a board, accesses reach it and status reads give its answers.
    explicit PortRecorder(PortBackend* board = nullptr) : board_(board) {
        InstallPortBackend(this);
    }
    ~PortRecorder() override {
        if (InstalledPortBackend() == this) {
            InstallPortBackend(nullptr);
        }
    }

    bool Open(uint16_t base, std::string& reason) override {
        opened.push_back(base);
        if (!openSucceeds) {
            reason = openFailure;
            return false;
        }
        return board_ == nullptr || board_->Open(base, reason);
    }
    void Close() override {
        ++closes;
        if (board_ != nullptr) {
            board_->Close();
        }
    }
    void Write(PortRegister reg, uint8_t value) override {
        log.push_back({PortEvent::Write, reg, value});
        if (board_ != nullptr) {
            board_->Write(reg, value);
        }
    }
    uint8_t Read(PortRegister reg) override {
        const uint8_t value = board_ != nullptr ? board_->Read(reg) : statusValue;
        log.push_back({PortEvent::Read, reg, value});
        return value;
    }

    // The bytes written to the data register, in order.
    std::vector<int> DataWrites() const {
        std::vector<int> writes;
        for (const auto& e : log) {
            if (e.kind == PortEvent::Write && e.reg == PortRegister::Data) {
                writes.push_back(e.value);
            }
        }
        return writes;
    }

    std::vector<PortEvent> log;
    uint8_t statusValue = 0xFF; // read from any register when there is no board
    bool openSucceeds = true;
    std::string openFailure = "Permission denied";
    std::vector<uint16_t> opened;
    int closes = 0;

private:
    PortBackend* board_;
};

// A fake clock whose busy-waits also go into a recorder's log, so tests see where the
// transfers wait between port accesses.
class PortClock : public FakeClock {
public:
    explicit PortClock(PortRecorder& recorder) : recorder_(recorder) {}
    void Spin(int32_t iterations) override {
        FakeClock::Spin(iterations);
        recorder_.log.push_back({PortEvent::Wait, PortRegister::Data, iterations});
    }

private:
    PortRecorder& recorder_;
};
