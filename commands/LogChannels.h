// What a log writes: the chosen channels, the temperature and the plotting, which the device
// choice resets and the channel choice follows.
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

// The list of logged channels from ChannelChosen: what the dialog ticks is what the log
// writes, whenever either changes.
void RebuildChosenChannels();
// The channel sweeps plot changed: a log of one channel follows it, one of several stays.
void LogFollowsChannel(int16_t channel);
