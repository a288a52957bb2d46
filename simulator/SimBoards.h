// The simulated world behind both interfaces when the program runs with --simulate.
#pragma once

#include <string>

#include "simulator/SimParallelBoard.h"
#include "simulator/SimSensor.h"
#include "simulator/SimUsbAdapter.h"

struct SimBoardsState {
    SimSensor sensor;
    SimParallelBoard port{sensor};
    SimEzUsbDriver usb{sensor};
    bool attached = false;
    bool modelFixed = false; // --simulate=MODEL: the board does not follow the chosen model
    bool plugged = true;     // the engineer can pull the board to see what "no board" gives
    std::string followedModel = "None";
    std::string fixedModel;

    // Plugs the boards in; an empty model lets the board follow the model chosen in the program.
    void Attach(const std::string& fixedModel);
    // Back to nothing attached and the default signal.
    void Detach();
};

SimBoardsState& SimulatedBoards();

// The engineer plugs in the board of the model just chosen (unless a model was fixed).
void SimulatedBoardFollows(const std::string& deviceName);
// Plugs the board in or pulls it out.
void PlugSimulatedBoard(bool plugged);
// The signal's frequency is given per sweep of this many samples.
void SimulatedSweepLength(int32_t samples);
