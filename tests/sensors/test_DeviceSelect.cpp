#include "commands/DataLog.h"
#include "commands/DeviceSelect.h"
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/ControlLines.h"
#include "sensors/SensorModels.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/ScriptedEzUsb.h"

using DeviceSelectTest = UiTest;

// The menus, boxes and the first channel; how they show is checked on the real window.
TEST_F(DeviceSelectTest, SelectionSetsTheCatalogueBoxesAndTheFirstChannel) {
    auto& m = App().mdiAnalyzer;
    mnuKxs201_Click();
    EXPECT_EQ(App().frmData.form.caption, "Time Data -- KXS201 X Accel Channel - (G)");
    EXPECT_TRUE(m.optAdcIn[0].value);
    optAdcIn_Click(1);
    EXPECT_EQ(App().ChannelTitle, "KXS201 Y Accel Channel - (G)");

    // Switching to a gyroscope keeps channel 1's accelerometer entries.
    mnuKxs306_Click();
    EXPECT_EQ(App().ChannelUnits[0] + App().ChannelName[1] + App().ChannelUnits[1],
              "Dgr/SY accelG");
    EXPECT_FLOAT_EQ(ChannelValue(2049, 1), 1.0f / 820);
    // Model 3's inputs, which the recorded runs do not read: 0 V at code 0, 5 V at full scale.
    mnuKXS305_Click();
    EXPECT_EQ(ChannelValue(0, 2), 0.0f);
    EXPECT_FLOAT_EQ(ChannelValue(16383, 3), 5.0f);
}

TEST_F(DeviceSelectTest, ChannelSwitchesMoveASingleLoggedChannelAndTheTitle) {
    mnuKxs306_Click();
    optAdcIn_Click(2);
    optAdcIn_Click(3);
    const auto& chosen = App().ChannelChosen;
    EXPECT_EQ(std::vector<bool>(chosen.begin(), chosen.end()),
              (std::vector<bool>{false, false, false, true, false}));
    // Several logged channels stay as they were chosen.
    App().ChannelChosen[0] = true;
    RebuildChosenChannels();
    optAdcIn_Click(2);
    EXPECT_TRUE(chosen[0] && !chosen[2] && chosen[3]);

    // A new model: back to channel 0 alone, without the temperature.
    App().LogTemperature = true;
    mnuKxs307_Click();
    EXPECT_EQ(App().ChannelIndex, 0);
    EXPECT_FALSE(App().LogTemperature);
    EXPECT_EQ(std::vector<bool>(chosen.begin(), chosen.end()),
              (std::vector<bool>{true, false, false, false, false}));

    optAdcIn_Click(1);
    EXPECT_EQ(App().ChannelTitle, "KXS307 Gyro Channel - (Degrees/second)");
}

TEST_F(DeviceSelectTest, SetUpsResetLinesBoxesReadoutsAndTraceButLeavePowerDown) {
    auto& app = App();
    auto& m = app.mdiAnalyzer;
    ScriptedEzUsbDriver usb;
    const SimUsbAdapter& adapter = usb.Attach(0);
    FindUsbAdapters();
    app.InterfaceCode = 2;
    app.PowerDown = 4;
    m.ChkPowerdown.value = 1;
    m.ckSelfTestPos.value = 1;
    app.SamplesTaken = 100;
    app.frmData.lblMin.caption = "3.00";

    // An accelerometer: negative line on with its (hidden) box ticked, positive line off.
    mnuKxs201_Click();
    EXPECT_EQ(m.ckSelfTestNeg.value + 2 * m.ckSelfTestPos.value, 1);
    EXPECT_EQ(adapter.StaticBits(), 104);
    EXPECT_EQ(app.SamplesTaken, 0);
    EXPECT_EQ(app.frmData.lblMin.caption, "0");

    mnuKxs306_Click();
    EXPECT_EQ(m.ckSelfTestNeg.value, 0);
    EXPECT_EQ(adapter.StaticBits(), 96);
    EXPECT_EQ(app.PowerDown + m.ChkPowerdown.value, 5);
    SetSelfTestPos(1);
    EXPECT_EQ(adapter.StaticBits(), 96 + 16);

    // A channel click starts a new trace and, with the spectrum on, retitles the spectrum.
    EXPECT_FLOAT_EQ(app.PlotX, 1);
    app.FftOn = true;
    optAdcIn_Click(3);
    EXPECT_EQ(app.frmFFT.form.caption, "Freq Data -- KXS306 Ain2 Channel - (Volts)");
}
