// The parallel port under the bit-banged transfers: the board's lines as one write sets them,
// put through that board's wiring on the data register, and the sensor's data output.
#pragma once

#include "sensors/SensorModels.h"

#include <cstdint>

// Every line as the protocol means it; a line the board lacks is ignored.
struct BoardLines {
    bool select = false; // the converter's chip select asserted (model 3: its converter line)
    bool clock = false;
    bool data = false;       // to the sensor
    bool tempSelect = false; // accelerometer boards: the temperature sensor's chip select
    bool load = false;       // model 3: the control register's line
};

class LineDriver {
public:
    // The board behind the chosen port, or behind the given one.
    explicit LineDriver(PortPath board);
    LineDriver(PortPath board, int16_t port);

    // Lines held at every write, as their port values (the self-test bits of the state).
    void Hold(int held) { held_ = held; }
    void Set(const BoardLines& lines) const;
    // The received bit: the sensor pulls status bit 6 low for a 1.
    int16_t DataIn() const;

private:
    PortPath board_;
    int16_t port_;
    int held_ = 0;
};
