// The time-plot window's form model.
#pragma once

#include <array>

#include "forms/Controls.h"

class Canvas;

// The time-plot window.
struct FrmDataForm {
    FormGeometry form{"Time Data"};
    Canvas* pic1 = nullptr;
    std::array<Label, 9> lblYscale;
    std::array<Label, 5> lblPlotX;
    // Shown by a self-test, hidden again by the next single sweep.
    std::array<Label, 4> lblTest = [] {
        std::array<Label, 4> labels;
        for (auto& label : labels) {
            label.visible = false;
        }
        return labels;
    }();
    Frame frameStats{"Statistics"};
    Label lblTS{"Ts (mS)", "Right Click to show Sample rate"};
    Label lblTsample{"0"};
    Label Label3{"AC RMS"};
    Label lblRMS{"0"};
    Label Label2{"Temp"};
    Label lblTemp{"---  "};
    Label Label7{"Min"};
    Label lblMin{"0"};
    Label Label6{"Max"};
    Label lblMax{"0"};
    Label label5{"Pk Pk"};
    Label lblPkPk{"0"};
    Label lblShowAverage{"Average", "Right Click to Set Plot to Average"};
    Label lblAverage{"0"};
};
FrmDataForm& frmData();
