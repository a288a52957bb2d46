#include "sensors/SensorModels.h"

#include <algorithm>

namespace {

using Titles = std::array<const char*, 4>;

// Both axes at codesPerG, zero at midscale of the 12-bit converter.
constexpr SensorModel Accelerometer(const char* name, double codesPerG, Titles titles) {
    return {
        name,
        SensorKind::Accelerometer,
        {{{0, "X accel", "G", 1.0 / codesPerG, 2048}, {1, "Y accel", "G", 1.0 / codesPerG, 2048}}},
        2,
        titles,
        PortPath::AccelConverter,
        12,
        true,
        false,
        TestSwitching::PowerDownAndY};
}

// The rate at codesPerDegree per second around midscale, and two 0..5 V inputs.
constexpr SensorModel ConverterGyroscope(const char* name, double codesPerDegree, Titles titles) {
    return {name,
            SensorKind::Gyroscope,
            {{{0, "Gyro", "Dgr/S", 1.0 / codesPerDegree, 2048},
              {2, "Ain1", "Volts", 5.0 / 4095, 0},
              {3, "Ain2", "Volts", 5.0 / 4095, 0}}},
            3,
            titles,
            PortPath::GyroConverter,
            12,
            true,
            false,
            TestSwitching::SelfTestLines};
}

constexpr SensorModel kModels[] = {
    Accelerometer(
        "KXS201", 820,
        {"KXS201 X Accel Channel - (G)", "KXS201 Y Accel Channel - (G)", nullptr, nullptr}),
    Accelerometer(
        "KXS202", 256,
        {"KXS202 X Accel Channel - (G)", "KXS202 Y Accel Channel - (G)", nullptr, nullptr}),
    // The multiplexed board: a 14-bit converter, chosen from the menu only, and its own plot
    // rule.
    {"KXS305",
     SensorKind::Gyroscope,
     {{{0, "Gyro", "Dgr/S", 1.0 / 81.92, 8191},
       {2, "Ain1", "Volts", 5.0 / 16383, 0},
       {3, "Ain2", "Volts", 5.0 / 16383, 0}}},
     3,
     {"KXS305 Gryo Channel - (Degrees/second)", nullptr, "KXS305 Ain1 Channel - (LSB)",
      "KXS305 Ain2 Channel - (LSB)"},
     PortPath::Multiplexed,
     14,
     false,
     true,
     TestSwitching::SelfTestLines},
    ConverterGyroscope("KXS306", 10.2375,
                       {"KXS306 Gryo Channel - (Degrees/second)", nullptr,
                        "KXS306 Ain1 Channel - (Volts)", "KXS306 Ain2 Channel - (Volts)"}),
    ConverterGyroscope("KXS307", 4.095,
                       {"KXS307 Gyro Channel - (Degrees/second)", nullptr,
                        "KXS307 Ain1 Channel - (Volts)", "KXS307 Ain2 Channel - (Volts)"}),
};

} // namespace

std::span<const SensorModel> SensorModels() { return kModels; }

const SensorModel* FindSensorModel(std::string_view name) {
    const auto it = std::find_if(std::begin(kModels), std::end(kModels),
                                 [name](const SensorModel& m) { return name == m.name; });
    return it != std::end(kModels) ? &*it : nullptr;
}

const SensorModel* ChosenModel() { return FindSensorModel(Catalogue().DeviceName); }

float ChannelValue(int32_t code, int16_t ch) {
    const auto& c = Catalogue();
    if (ch < 0 || ch >= static_cast<int16_t>(c.ChannelScale.size())) {
        return 0.0f;
    }
    const auto index = static_cast<size_t>(ch);
    return (static_cast<float>(code) - static_cast<float>(c.ChannelOffset[index])) *
           c.ChannelScale[index];
}
