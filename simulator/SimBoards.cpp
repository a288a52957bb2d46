#include "simulator/SimBoards.h"

void SimBoardsState::Attach(const std::string& fixedModel) {
    attached = true;
    modelFixed = !fixedModel.empty();
    if (modelFixed) {
        sensor.SetModel(fixedModel);
    }
}

SimBoardsState& SimulatedBoards() {
    static SimBoardsState boards;
    return boards;
}

void SimulatedBoardFollows(const std::string& deviceName) {
    auto& boards = SimulatedBoards();
    if (boards.attached && !boards.modelFixed) {
        boards.sensor.SetModel(deviceName);
    }
}
