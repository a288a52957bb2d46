#include "simulator/SimBoards.h"

namespace {

void ApplyModel(SimBoardsState& boards) {
    if (!boards.plugged) {
        boards.sensor.SetModel("None");
    } else if (!boards.modelFixed) {
        boards.sensor.SetModel(boards.followedModel);
    } else {
        boards.sensor.SetModel(boards.fixedModel);
    }
}

} // namespace

void SimBoardsState::Attach(const std::string& fixed) {
    attached = true;
    modelFixed = !fixed.empty();
    fixedModel = fixed;
    ApplyModel(*this);
}

void SimBoardsState::Detach() {
    attached = modelFixed = false;
    plugged = true;
    fixedModel.clear();
    followedModel = "None";
    sensor.SetSignal(SimSignal{});
    port.SetAccessLatency(0);
    usb.Reset();
    ApplyModel(*this);
}

SimBoardsState& SimulatedBoards() {
    static SimBoardsState boards;
    return boards;
}

void SimulatedBoardFollows(const std::string& deviceName) {
    auto& boards = SimulatedBoards();
    boards.followedModel = deviceName;
    if (boards.attached) {
        ApplyModel(boards);
    }
}

void PlugSimulatedBoard(bool plugged) {
    auto& boards = SimulatedBoards();
    boards.plugged = plugged;
    ApplyModel(boards);
}

void SimulatedSweepLength(int32_t samples) {
    auto& sensor = SimulatedBoards().sensor;
    if (samples > 0 && samples != sensor.Signal().samplesPerSweep) {
        SimSignal signal = sensor.Signal();
        signal.samplesPerSweep = samples;
        sensor.SetSignal(signal);
    }
}
