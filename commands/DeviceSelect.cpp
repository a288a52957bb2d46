#include "commands/DeviceSelect.h"

#include "commands/LogChannels.h"
#include "commands/SelfTest.h"
#include "commands/TimePlot.h"
#include "forms/MainWindowForm.h"
#include "forms/SpectrumForm.h"
#include "forms/TimePlotForm.h"
#include "interfaces/UsbSpiDrivers.h"
#include "platform/AdapterCommands.h"
#include "platform/Canvas.h"
#include "platform/Frontend.h"
#include "platform/Hardware.h"
#include "plots/PlotSetup.h"
#include "sensors/Acquisition.h"
#include "sensors/ControlLines.h"
#include "sensors/SensorModels.h"

#include <iterator>
#include <string>

namespace {

// The "Device" menu's items, in the order of the model table.
constexpr MenuItem MdiAnalyzerForm::*kModelItems[] = {
    &MdiAnalyzerForm::mnuKxs201, &MdiAnalyzerForm::mnuKxs202, &MdiAnalyzerForm::mnuKXS305,
    &MdiAnalyzerForm::mnuKxs306, &MdiAnalyzerForm::mnuKxs307};

void CheckModelMenu(const SensorModel& model) {
    auto& m = mdiAnalyzer();
    const auto models = SensorModels();
    for (size_t i = 0; i < models.size() && i < std::size(kModelItems); ++i) {
        (m.*kModelItems[i]).checked = &models[i] == &model;
    }
}

void WriteChannel(const ChannelRow& row) {
    auto& c = Catalogue();
    const auto ch = static_cast<size_t>(row.channel);
    c.ChannelOffset[ch] = row.offset;
    c.ChannelScale[ch] = static_cast<float>(row.scale);
    c.ChannelName[ch] = row.name;
    c.ChannelUnits[ch] = row.units;
}

void SelectNamed(const char* name) {
    if (const SensorModel* model = FindSensorModel(name)) {
        SelectModel(*model);
    }
}

void SetLogFileFields() {
    auto& m = mdiAnalyzer();
    m.txtDlogFile.text = Catalogue().DeviceName;
    m.txtFileIndex.text = "1";
}

void SetLoggingChoice() {
    auto& log = DataLog();
    log.ChannelChosen.fill(false);
    log.ChannelChosen[0] = true;
    log.LogTemperature = false;
    RebuildChosenChannels();
}

// Step 8 of both set-ups: channel 0, shown selected.
void SelectFirstChannel() {
    auto& m = mdiAnalyzer();
    optAdcIn_Click(0);
    for (size_t i = 0; i < m.optAdcIn.size(); ++i) {
        m.optAdcIn[i].value = i == 0;
    }
}

void ClearSampleReadouts() {
    Acquisition().SamplesTaken = 0;
    ClearReadouts();
}

// Ticking or clearing a box runs its click behaviour when its value changes; the lines end
// the same either way.
void SetSelfTestLines(int16_t negative, int16_t positive) {
    auto& m = mdiAnalyzer();
    SetSelfTestNeg(negative);
    SetCheckValue(m.ckSelfTestNeg, negative, ckSelfTestNeg_Click);
    SetSelfTestPos(positive);
    SetCheckValue(m.ckSelfTestPos, positive, ckSelfTestPos_Click);
}

void RedrawTimePlot() {
    ShowTimePlot();
    ApplyTimeYScale();
    DrawTimeGrid();
}

void SetTestLabels(const char* a, const char* b, const char* c, const char* d) {
    auto& t = frmData().lblTest;
    t[0].caption = a;
    t[1].caption = b;
    t[2].caption = c;
    t[3].caption = d;
}

void ResetPlotScale(int32_t decimals) {
    auto& plot = Plot();
    plot.MidscaleCode = 2048;
    plot.PlotIndex = 0;
    plot.YScaleDivisor = 1;
    plot.ValueDecimals = decimals;
    RedrawTimePlot();
}

} // namespace

void SelectModel(const SensorModel& model) {
    auto& c = Catalogue();
    c.DeviceName = model.name;
    Hardware().ModelChosen(c.DeviceName);
    CheckModelMenu(model);
    for (const auto& row : model.Rows()) {
        WriteChannel(row);
    }
    mdiAnalyzer().txtDevice.text = c.DeviceName;
    SetupForChosenModel();
}

void SetupForChosenModel() {
    const SensorModel* model = ChosenModel();
    if (model != nullptr && model->kind == SensorKind::Accelerometer) {
        SetupForAccel();
    } else {
        SetupForGyro();
    }
}

void mnuKxs201_Click() { SelectNamed("KXS201"); }

void mnuKxs202_Click() { SelectNamed("KXS202"); }

void mnuKXS305_Click() { SelectNamed("KXS305"); }

void mnuKxs306_Click() { SelectNamed("KXS306"); }

void mnuKxs307_Click() { SelectNamed("KXS307"); }

void SetupForAccel() {
    auto& usb = Usb();
    auto& m = mdiAnalyzer();
    usb.SpiInputPolarity = true;
    usb.SpiChannel = 1;
    usb.SpiStaticBits = adapter::kStaticIdle | adapter::kStaticSelfTestNeg;
    usb.SpiWordDelay = 10;
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
    ResetPlotScale(3);
}

void SetupForGyro() {
    auto& usb = Usb();
    auto& m = mdiAnalyzer();
    usb.SpiInputPolarity = false;
    usb.SpiChannel = 1;
    usb.SpiStaticBits = adapter::kStaticIdle;
    usb.SpiWordDelay = 10;
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
    ResetPlotScale(2);
}

const char* ChannelTitleFor(const std::string& deviceName, int16_t channel) {
    const SensorModel* model = FindSensorModel(deviceName);
    if (model == nullptr) {
        return nullptr;
    }
    return channel >= 0 && channel <= 3 ? model->titles[static_cast<size_t>(channel)]
                                        : "Invalid Selection";
}

void optAdcIn_Click(int16_t Index) {
    auto& acq = Acquisition();
    auto& c = Catalogue();
    LogFollowsChannel(Index);
    acq.ChannelIndex = Index;
    if (const char* title = ChannelTitleFor(c.DeviceName, Index)) {
        c.ChannelTitle = title;
    }
    frmData().form.caption = "Time Data -- " + c.ChannelTitle;
    ShowTimePlot();
    ApplyTimeYScale();
    // Past the right edge, so that the next sample starts a new trace.
    const Canvas* plot = frmData().pic1;
    Plot().PlotX = (plot != nullptr ? plot->Width() : 0.0f) + 1;
    Plot().PlotIndex = 0;
    if (Spectrum().FftOn) {
        if (frmFFT().pic1 != nullptr) {
            frmFFT().pic1->Clear();
        }
        frmFFT().form.caption = "Freq Data -- " + c.ChannelTitle;
    }
}

void lblDevice_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button == 2) {
        Ui().Popup(PopupMenu::Device);
    }
    mdiAnalyzer().txtDevice.text = Catalogue().DeviceName;
}
