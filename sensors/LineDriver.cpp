#include "sensors/LineDriver.h"

#include "interfaces/Interface.h"
#include "platform/ParallelPortLines.h"
#include "platform/PortIo.h"

using namespace lines;

LineDriver::LineDriver(PortPath board) : LineDriver(board, Interface().PortAddress) {}

LineDriver::LineDriver(PortPath board, int16_t port) : board_(board), port_(port) {}

void LineDriver::Set(const BoardLines& lines) const {
    int levels = held_;
    auto drive = [&levels](bool high, int line) { levels |= high ? line : 0; };
    switch (board_) {
    case PortPath::GyroConverter:
    case PortPath::AccelConverter:
        // Chip selects are active low at the board.
        drive(!lines.select, kSelect);
        drive(lines.clock, kClock);
        drive(lines.data, kData);
        if (board_ == PortPath::AccelConverter) {
            drive(!lines.tempSelect, kTempSelect);
        }
        // Written inverted for the board's buffers; the two top bits, no line, go out as 0 to a
        // gyroscope board and as 1 to an accelerometer board.
        levels ^= board_ == PortPath::GyroConverter ? kGyroMask : kAccelMask;
        break;
    case PortPath::Multiplexed:
        drive(lines.select, kMuxConvert);
        drive(lines.clock, kMuxClock);
        drive(lines.data, kMuxData);
        drive(lines.load, kMuxLoad);
        break;
    }
    vbOut(port_, static_cast<int16_t>(levels));
}

int16_t LineDriver::DataIn() const {
    return (vbInp(static_cast<int16_t>(port_ + 1)) & kStatusData) ? 0 : 1;
}
