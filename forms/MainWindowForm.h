// The main window's form model: its control panel and menus (the hidden menus serve as
// pop-ups).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "forms/Controls.h"

inline constexpr const char* kMainCaption = "KXS201 / 202 / 305 / 306 / 307   Evaluation - Rev 3";

struct MdiAnalyzerForm {
    FormGeometry form{kMainCaption};
    // The size of the area the plot windows share, in twips, as the window system reports it.
    int32_t ScaleWidth = 0;
    int32_t ScaleHeight = 0;

    Button cmdLogData{"Log Data"};
    Button cmdStop{""};
    Button cmdSingleSweep{"Plot Data"};

    Frame frmDataLog{"Datalog Setup"};
    Button cmdSetupDlog{"Configure"};
    TextBox txtDlogFile;
    TextBox txtFileIndex;
    Label FileNameLbL{" Output File"};

    Frame frameDataRead{"Data Setup"};
    CheckBox chkContinuous{"Continuous Loop"};
    ComboBox DatalogLengthCBX{{"256", "512", "1024", "2048", "4096", "8192", "16384", "32768"}};
    TextBox txtLoopDelay{"0.0"};
    Label DataLogLengthLBL{"Samples"};
    Label Label1{"Read Delay (mS)"};

    Frame frameADC{"Part Setup"};
    CheckBox ckSelfTestPos{"ST Pos"};
    CheckBox ckSelfTestNeg{"ST Neg"};
    std::array<OptionButton, 4> optAdcIn{OptionButton{"AIN 0"}, OptionButton{"AIN 1"},
                                         OptionButton{"AIN 2"}, OptionButton{"AIN 3"}};
    CheckBox ChkPowerdown{"Powerdown"};

    Frame frameSetup{"Program Setup"};
    TextBox txtPort;
    TextBox txtInterface;
    TextBox txtDevice;
    Label lblPort{"Port", "Right Click to change the Port"};
    Label lblInterface{"Interface", "Right Click to change the Interface"};
    Label lblDevice{"Device", "Right Click to change the device"};

    // Menus, in their order on the window. Hidden menus serve as pop-ups.
    MenuItem mnuInterface{"&Interface"};
    MenuItem mnuPort{"Parallel Port"};
    MenuItem mnuUSB{"USB"};
    MenuItem mnuSim{"Simulator", false, false};
    MenuItem mnuSimUse{"Use Simulator"};
    MenuItem mnuSimMax{"Sim Max (FS=1.0)"};
    MenuItem mnuSimFreq{"Sim Freq (cycles/sweep)"};
    MenuItem mnuSimSelfTest{"Sim Self Test Shift (FS=1.0)"};
    MenuItem mnuSimNoise{"Sim Noise Density..."};
    MenuItem mnuSimBias{"Sim Bias Instability..."};
    MenuItem mnuSimWalk{"Sim Rate Random Walk..."};
    MenuItem mnuSimSeed{"Sim Noise Seed..."};
    MenuItem mnuSimUsbPlugged{"USB Adapter Plugged In"};
    MenuItem mnuSimUsbFail{"Fail Next USB Transfers..."};
    MenuItem mnuSimUsbTimeout{"Time Out Next USB Transfers..."};
    MenuItem mnuSimUsbStall{"Stall Next USB Transfers..."};
    MenuItem mnuDevice{"&Device"};
    MenuItem mnuKxs201{"KXS201"};
    MenuItem mnuKxs202{"KXS202"};
    MenuItem mnuKXS305{"KXS305"};
    MenuItem mnuKxs306{"KXS306"};
    MenuItem mnuKxs307{"KXS307"};
    MenuItem mnuDataScale{"Plot Scaling", false, false};
    MenuItem mnuDataYScale{"Plot Y Scale"};
    MenuItem mnuScaleFull{"Full", true};
    MenuItem mnuScaleHalf{"1/2"};
    MenuItem mnuScaleQuarter{"1/4"};
    MenuItem mnuScaleEighth{"1/8"};
    MenuItem mnuScaleSixteenth{"1/16"};
    MenuItem mnuScale32{"1/32"};
    MenuItem mnuSetPlottoAvg{"Set Plot Midscale to Average"};
    MenuItem mnuResetMidScale{"Reset Midscale to 0"};
    MenuItem mnuReadTemp{"Read &Temp"};
    MenuItem mnuTest{"&Run Test"};
    MenuItem mnuFFT{"FFT"};
    MenuItem mnuFFTon{"FFT On"};
    MenuItem mnuFFToff{"FFT Off"};
    MenuItem mnuPrint{"&Print"};
    MenuItem mnuHelp{"&Help"};
    MenuItem mnuExit{"Exit"};
    MenuItem mnuEzUsb{"EzUsb", false, false};
    std::array<MenuItem, 4> mnuEzUsbN{MenuItem{"EzUsb0"}, MenuItem{"EzUsb1"}, MenuItem{"EzUsb2"},
                                      MenuItem{"EzUsb3"}};
    MenuItem mnuPortAddress{"PortAddress", false, false};
    MenuItem mnuPort378{"378"};
    MenuItem mnuPort278{"278"};
    MenuItem mnuPort3BC{"3BC"};
    MenuItem mnuSampleRate{"SampleRate", false, false};
    MenuItem mnuFrequency{"Frequency"};
    MenuItem mnuAux{"Aux", false, false};
    MenuItem mnuAux1{"Aux1"};
    MenuItem mnuAux2{"Aux2"};
    MenuItem mnuAux3{"Aux3"};
    MenuItem mnuFFTXscale{"FFT Xscale", false, false};
    MenuItem mnuFFTXfull{"Full (Nyquist)"};
    MenuItem mnuFFTXhalf{"1/2"};
    MenuItem mnuFFTXquarter{"1/4"};
    MenuItem mnuFFTXeighth{"1/8"};
    MenuItem mnuFFTX16th{"1/16"};
    MenuItem mnuFFTYscale{"FFT Yscale", false, false};
    MenuItem mnuFFTYfull{"Full"};
    MenuItem mnuFFTYhalf{"1/2"};
    MenuItem mnuFFTYQuarter{"1/4"};
    MenuItem mnuFFTYeighth{"1/8"};
    MenuItem mnuFFTY16th{"1/16"};
    MenuItem mnuFFTY32nd{"1/32"};
    MenuItem mnuFFTY100th{"1/100"};
    MenuItem mnuFFTY250th{"1/250"};
    MenuItem mnuFFTYauto{"Auto"};
    MenuItem mnuAnalysis{"&Analysis"};
    MenuItem mnuNoiseDensity{"Noise Density..."};
    MenuItem mnuAllan{"Allan Deviation..."};

    // Name of the control that should have the keyboard focus; the view moves it there.
    std::string focus;
    // What the window's status line says.
    std::string statusText;
};
MdiAnalyzerForm& mdiAnalyzer();

// How the status line's text about a board that gave no answer in a sweep begins.
inline constexpr std::string_view kSilentBoardStatus = "The board gives no answer";

// Takes back the status line's text when it is about what has just been settled (it begins
// with about); a later one about something else stays.
inline void ClearStatusAbout(std::string_view about) {
    if (mdiAnalyzer().statusText.starts_with(about)) {
        mdiAnalyzer().statusText.clear();
    }
}
