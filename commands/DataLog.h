// Data logging: the channels chosen for the log and where it goes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct DataLogState {
    std::array<bool, 5> ChannelChosen{true, false, false, false, false};
    bool LogTemperature = false;
    bool LogPlotData = true;
    std::string LogFileName;
    int16_t ChosenChannelCount = 1;
    std::array<int16_t, 5> ChosenChannelList{}; // used from index 1
};
DataLogState& DataLog();
