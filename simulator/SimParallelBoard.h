// A simulated evaluation board on the parallel port, seen from the board's side of the
// wire: it decodes the line levels written to the data register (clock edges, chip selects,
// data and self-test lines) for the board of the configured model and drives the sensor's
// data output on status bit 6.
#pragma once

#include <cstdint>

#include "platform/ConverterWords.h"
#include "platform/PortIo.h"
#include "simulator/SimSensor.h"

class SimParallelBoard : public PortBackend {
public:
    explicit SimParallelBoard(SimSensor& sensor);

    // The board answers at any address.
    bool Open(uint16_t base, std::string& reason) override;
    void Close() override;
    void Write(PortRegister reg, uint8_t value) override;
    uint8_t Read(PortRegister reg) override;

    // Time every register access takes, as on a real port (about 1 microsecond); 0 = none.
    void SetAccessLatency(double microseconds);

private:
    void Wait() const;
    void OnGyroLines(uint8_t lines);
    void OnAccelLines(uint8_t lines);
    void OnMuxLines(uint8_t lines);

    SimSensor& sensor_;
    double latencySeconds_ = 0.0;
    // A sample's time on this wire, which the sensor's noise follows (the adapter's differs).
    double accelSeconds_ = 0.0;
    double gyroSeconds_ = 0.0;
    uint8_t data_ = 0;
    uint8_t control_ = 0;
    bool output_ = false; // the sensor's data output line (status bit 6)

    // Gyroscope converter (models 4 and 5): control word in, 12-bit code out, one transfer late.
    bool gyroSelected_ = false;
    bool gyroClock_ = false;
    int gyroBits_ = 0;
    uint16_t gyroIn_ = 0;
    uint16_t gyroOut_ = 0;
    int gyroAddress_ = 0;

    // Accelerometer converter (one transfer late, like the gyroscope's) and temperature
    // sensor (models 1 and 2).
    bool accelSelected_ = false;
    bool tempSelected_ = false;
    bool accelClock_ = false;
    int accelBits_ = 0;
    uint16_t accelIn_ = 0;
    uint16_t accelOut_ = 0;
    int accelAxis_ = 0;

    // Model 3: control register and 14-bit converter.
    bool muxClock_ = false;
    bool muxLoading_ = false;
    bool muxConverting_ = false;
    uint8_t muxShift_ = 0;
    uint8_t muxRegister_ = words::kMuxRate; // no self-test
    int muxEdges_ = 0;
    int muxCode_ = 0;
};
