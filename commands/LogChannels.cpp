#include "commands/LogChannels.h"

void RebuildChosenChannels() {
    auto& log = DataLog();
    log.ChosenChannelCount = 0;
    for (int16_t i = 0; i < 4; ++i) {
        if (log.ChannelChosen[static_cast<size_t>(i)]) {
            ++log.ChosenChannelCount;
            log.ChosenChannelList[static_cast<size_t>(log.ChosenChannelCount)] = i;
        }
    }
}

void LogFollowsChannel(int16_t channel) {
    auto& log = DataLog();
    if (log.ChosenChannelCount == 1 && channel >= 0 && channel < 4) {
        log.ChannelChosen.fill(false);
        log.ChannelChosen[static_cast<size_t>(channel)] = true;
        RebuildChosenChannels();
    }
}
