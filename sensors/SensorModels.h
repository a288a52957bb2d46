// The sensor models as data: what each one is, how its channels convert, how a sample and
// the temperature reach the program, and what the windows call them. Handlers read the
// chosen model's record instead of comparing names. Also the catalogue's part of the
// application state: the chosen model and its channel tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class SensorKind { Accelerometer, Gyroscope };

// How a sample travels on the parallel port; on the USB adapter every accelerometer is read
// through its converter's words, and every gyroscope through the gyroscope converter's.
enum class PortPath {
    AccelConverter, // 16-bit frame, channel in bit 11, power-down in bit 8; temperature sensor
    GyroConverter,  // control word, channel in bits 11..10; temperature on channel 1
    Multiplexed,    // the model-3 multiplexer and its 14-bit converter
};

// What the self-test measurement switches at the quarter points of its sweep.
enum class TestSwitching {
    SelfTestLines, // positive line, then negative line
    PowerDownAndY, // positive line, then power-down, then channel 1
};

struct ChannelRow {
    int16_t channel;
    const char* name;
    const char* units;
    double scale;   // units per code
    int32_t offset; // code of zero
};

struct SensorModel {
    const char* name;
    SensorKind kind;
    std::array<ChannelRow, 3> rows;
    int rowCount;
    std::array<const char*, 4> titles; // of channels 0..3; nullptr where there is none
    PortPath portPath;
    // Bits of the codes the channel constants count in: the parallel port's converter's. The
    // adapter's words carry 12 bits, scaled up to these.
    int codeBits;
    bool startUpArgument; // may be named on the command line
    bool fixedRateAxis;   // the time plot labels the rate -100..100 and the inputs in codes
    TestSwitching testSwitching;

    std::span<const ChannelRow> Rows() const {
        return {rows.data(), static_cast<size_t>(rowCount)};
    }
};

// The five models, in the order of the "Device" menu.
std::span<const SensorModel> SensorModels();
// The model of this exact (case-sensitive) name, or nullptr.
const SensorModel* FindSensorModel(std::string_view name);

struct CatalogueState {
    std::string DeviceName = "None";
    std::string ChannelTitle = "None";
    std::array<float, 9> ChannelScale{1, 1, 1, 1, 1, 1, 1, 1, 0};
    std::array<int32_t, 9> ChannelOffset{};
    std::array<std::string, 9> ChannelUnits;
    std::array<std::string, 9> ChannelName;
};
CatalogueState& Catalogue();

// The chosen model's record; nullptr for "None" or a name outside the table.
const SensorModel* ChosenModel();

// A raw code of channel ch in the channel's units; 0 for a channel outside the tables.
float ChannelValue(int32_t code, int16_t ch);
