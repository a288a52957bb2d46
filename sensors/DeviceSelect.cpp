#include "sensors/DeviceSelect.h"

#include "analysis/Statistics.h"
#include "app/Analyzer.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "plots/PlotSetup.h"
#include "sensors/ControlLines.h"
#include "simulator/SimBoards.h"

#include <array>
#include <initializer_list>
#include <string>

namespace {

struct ChannelEntry {
    int channel;
    const char* name;
    const char* units;
    double scale;
    int32_t offset;
};

void WriteChannel(const ChannelEntry& e) {
    auto& app = App();
    app.ChannelOffset[e.channel] = e.offset;
    app.ChannelScale[e.channel] = static_cast<float>(e.scale);
    app.ChannelName[e.channel] = e.name;
    app.ChannelUnits[e.channel] = e.units;
}

void CheckModelMenu(const std::string& name) {
    auto& m = App().mdiAnalyzer;
    m.mnuKxs201.checked = name == "KXS201";
    m.mnuKxs202.checked = name == "KXS202";
    m.mnuKXS305.checked = name == "KXS305";
    m.mnuKxs306.checked = name == "KXS306";
    m.mnuKxs307.checked = name == "KXS307";
}

void SelectModel(const char* name, std::initializer_list<ChannelEntry> rows, void (*setup)()) {
    auto& app = App();
    app.DeviceName = name;
    SimulatedBoardFollows(app.DeviceName);
    CheckModelMenu(app.DeviceName);
    for (const auto& row : rows) {
        WriteChannel(row);
    }
    app.mdiAnalyzer.txtDevice.text = app.DeviceName;
    setup();
}

void SetLogFileFields() {
    auto& app = App();
    app.mdiAnalyzer.txtDlogFile.text = app.DeviceName;
    app.mdiAnalyzer.txtFileIndex.text = "1";
}

void SetLoggingChoice() {
    auto& app = App();
    app.ChannelChosen[0] = true;
    app.ChannelChosen[1] = app.ChannelChosen[2] = app.ChannelChosen[3] = false;
    app.LogTemperature = false;
}

// Step 8 of both set-ups: channel 0, shown selected.
void SelectFirstChannel() {
    auto& m = App().mdiAnalyzer;
    optAdcIn_Click(0);
    for (size_t i = 0; i < m.optAdcIn.size(); ++i) {
        m.optAdcIn[i].value = i == 0;
    }
}

void ClearSampleReadouts() {
    App().SamplesTaken = 0;
    ClearReadouts();
}

// The boxes' click handlers are not wired yet: the lines are set here directly, so the boxes
// only show them.
void SetSelfTestLines(int16_t negative, int16_t positive) {
    auto& m = App().mdiAnalyzer;
    SetSelfTestNeg(negative);
    SetCheckValue(m.ckSelfTestNeg, negative, nullptr);
    SetSelfTestPos(positive);
    SetCheckValue(m.ckSelfTestPos, positive, nullptr);
}

void RedrawTimePlot() {
    ApplyTimeYScale();
    DrawTimeGrid();
}

void SetTestLabels(const char* a, const char* b, const char* c, const char* d) {
    auto& t = App().frmData.lblTest;
    t[0].caption = a;
    t[1].caption = b;
    t[2].caption = c;
    t[3].caption = d;
}

} // namespace

void mnuKxs201_Click() {
    SelectModel("KXS201",
                {{0, "X accel", "G", 1.0 / 820, 2048}, {1, "Y accel", "G", 1.0 / 820, 2048}},
                SetupForAccel);
}

void mnuKxs202_Click() {
    SelectModel("KXS202",
                {{0, "X accel", "G", 1.0 / 256, 2048}, {1, "Y accel", "G", 1.0 / 256, 2048}},
                SetupForAccel);
}

void mnuKXS305_Click() {
    SelectModel("KXS305",
                {{0, "Gyro", "Dgr/S", 1.0 / 81.92, 8191},
                 {2, "Ain1", "Volts", 5.0 / 16383, 0},
                 {3, "Ain2", "Volts", 5.0 / 16383, 0}},
                SetupForGyro);
}

void mnuKxs306_Click() {
    SelectModel("KXS306",
                {{0, "Gyro", "Dgr/S", 1.0 / 10.2375, 2048},
                 {2, "Ain1", "Volts", 5.0 / 4095, 0},
                 {3, "Ain2", "Volts", 5.0 / 4095, 0}},
                SetupForGyro);
}

void mnuKxs307_Click() {
    SelectModel("KXS307",
                {{0, "Gyro", "Dgr/S", 1.0 / 4.095, 2048},
                 {2, "Ain1", "Volts", 5.0 / 4095, 0},
                 {3, "Ain2", "Volts", 5.0 / 4095, 0}},
                SetupForGyro);
}

void SetupForAccel() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.SpiInputPolarity = true;
    app.SpiChannel = 1;
    app.SpiStaticBits = 104;
    app.SpiWordDelay = 10;
    SetLogFileFields();

    m.optAdcIn[0].caption = "X accel";
    m.optAdcIn[1].caption = "Y accel";
    m.optAdcIn[0].visible = m.optAdcIn[1].visible = true;
    m.optAdcIn[2].visible = m.optAdcIn[3].visible = false;
    m.optAdcIn[0].top = 400;
    m.optAdcIn[1].top = 800;

    m.ckSelfTestPos.caption = "Self Test";
    m.ckSelfTestPos.visible = true;
    m.ckSelfTestPos.top = m.optAdcIn[1].top;
    m.ckSelfTestNeg.visible = false;
    m.ChkPowerdown.caption = "Powerdown";
    m.ChkPowerdown.visible = true;
    m.ChkPowerdown.top = m.optAdcIn[0].top;

    SetLoggingChoice();
    SetTestLabels("X Accel", "Self Test", "Powerdown", "Y Accel");
    ClearSampleReadouts();
    SelectFirstChannel();
    SetSelfTestLines(1, 0);
    app.MidscaleCode = 2048;
    app.PlotIndex = 0;
    app.YScaleDivisor = 1;
    app.ValueDecimals = 3;
    RedrawTimePlot();
}

void SetupForGyro() {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    app.SpiInputPolarity = false;
    app.SpiChannel = 1;
    app.SpiStaticBits = 96;
    app.SpiWordDelay = 10;
    SetLogFileFields();

    m.optAdcIn[0].caption = "Gyro";
    m.optAdcIn[2].caption = "Ain1";
    m.optAdcIn[3].caption = "Ain2";
    for (auto& opt : m.optAdcIn) {
        opt.visible = true;
    }
    m.optAdcIn[1].visible = false;
    m.optAdcIn[0].top = 320;
    m.optAdcIn[2].top = 640;
    m.optAdcIn[3].top = 960;

    m.ckSelfTestNeg.caption = "Self Test -";
    m.ckSelfTestPos.caption = "Self Test +";
    m.ckSelfTestNeg.visible = m.ckSelfTestPos.visible = true;
    m.ChkPowerdown.visible = false;
    m.ckSelfTestNeg.top = 800;
    m.ckSelfTestPos.top = 480;

    SetLoggingChoice();
    SetTestLabels("Gyro", "Self Test +", "Self Test -", "Gyro");
    ClearSampleReadouts();
    SelectFirstChannel();
    SetSelfTestLines(0, 0);
    app.MidscaleCode = 2048;
    app.PlotIndex = 0;
    app.YScaleDivisor = 1;
    app.ValueDecimals = 2;
    RedrawTimePlot();
}

const char* ChannelTitleFor(const std::string& deviceName, int16_t channel) {
    struct Titles {
        const char* device;
        std::array<const char*, 4> byChannel;
    };
    static const Titles table[] = {
        {"KXS201",
         {"KXS201 X Accel Channel - (G)", "KXS201 Y Accel Channel - (G)", nullptr, nullptr}},
        {"KXS202",
         {"KXS202 X Accel Channel - (G)", "KXS202 Y Accel Channel - (G)", nullptr, nullptr}},
        {"KXS305",
         {"KXS305 Gryo Channel - (Degrees/second)", nullptr, "KXS305 Ain1 Channel - (LSB)",
          "KXS305 Ain2 Channel - (LSB)"}},
        {"KXS306",
         {"KXS306 Gryo Channel - (Degrees/second)", nullptr, "KXS306 Ain1 Channel - (Volts)",
          "KXS306 Ain2 Channel - (Volts)"}},
        {"KXS307",
         {"KXS307 Gyro Channel - (Degrees/second)", nullptr, "KXS307 Ain1 Channel - (Volts)",
          "KXS307 Ain2 Channel - (Volts)"}},
    };
    for (const auto& row : table) {
        if (deviceName == row.device) {
            return channel >= 0 && channel <= 3 ? row.byChannel[channel] : "Invalid Selection";
        }
    }
    return nullptr;
}

void optAdcIn_Click(int16_t Index) {
    auto& app = App();
    if (app.ChannelIndex >= 0 && app.ChannelIndex < int16_t(app.ChannelChosen.size())) {
        app.ChannelChosen[app.ChannelIndex] = true;
    }
    app.ChannelIndex = Index;
    if (const char* title = ChannelTitleFor(app.DeviceName, Index)) {
        app.ChannelTitle = title;
    }
    app.frmData.form.caption = "Time Data -- " + app.ChannelTitle;
    ApplyTimeYScale();
    // Past the right edge, so that the next sample starts a new trace.
    const Canvas* plot = app.frmData.pic1;
    app.PlotX = (plot != nullptr ? plot->Width() : 0.0f) + 1;
    app.PlotIndex = 0;
    if (app.FftOn) {
        if (app.frmFFT.pic1 != nullptr) {
            app.frmFFT.pic1->Clear();
        }
        app.frmFFT.form.caption = "Freq Data -- " + app.ChannelTitle;
    }
}

void lblDevice_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::Device);
    }
    App().mdiAnalyzer.txtDevice.text = App().DeviceName;
}
