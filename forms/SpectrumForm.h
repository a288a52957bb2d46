// The spectrum window's form model.
#pragma once

#include <array>

#include "forms/Controls.h"

class Canvas;

// The spectrum window.
struct FrmFftForm {
    FormGeometry form{"FFT Output - Peak value"};
    Canvas* pic1 = nullptr;
    std::array<Label, 9> lblYscale;
    std::array<Label, 5> lblPlotX;
    Label lblTS{"FREQ (Hz)"};
    Frame frameFreqStats{"FFT Statistics"};
    Label Label3{"Fs (Hz)"};
    Label lblFs;
    Label Label5{"Peak"};
    Label lblFftMax;
    Label Label7{"@ Freq"};
    Label lblFftMaxFreq;
    Label Label2{"Temp"};
    Label lblTemp;
};
FrmFftForm& frmFFT();
