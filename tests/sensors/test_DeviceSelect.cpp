#include "app/Analyzer.h"
#include "interfaces/UsbSpiDrivers.h"
#include "sensors/DeviceSelect.h"
#include "tests/support/FakeFrontend.h"
#include "tests/support/ScriptedEzUsb.h"

#include "tests/support/AppStateTest.h"

#include <gtest/gtest.h>

namespace {

class DeviceSelectTest : public AppStateTest {
protected:
    FakeFrontend ui;
};

float Convert(int code, int ch) {
    const auto& app = App();
    return (static_cast<float>(code) - static_cast<float>(app.ChannelOffset[ch])) *
           app.ChannelScale[ch];
}

} // namespace

TEST_F(DeviceSelectTest, CatalogueValuesAndConversions) {
    mnuKxs306_Click();
    EXPECT_FLOAT_EQ(Convert(2048, 0), 0.0f);
    EXPECT_FLOAT_EQ(App().ChannelScale[2], 5.0f / 4095);
    mnuKXS305_Click();
    EXPECT_FLOAT_EQ(Convert(8191, 0), 0.0f);
    EXPECT_EQ(App().ChannelUnits[0], "Dgr/S");
    mnuKxs307_Click();
    EXPECT_FLOAT_EQ(Convert(4095, 2), 5.0f);
    mnuKxs202_Click();
    EXPECT_FLOAT_EQ(App().ChannelScale[1], 0.00390625f);
    EXPECT_EQ(App().ChannelName[1], "Y accel");
}

TEST_F(DeviceSelectTest, SelectionSetsMenusBoxesAndTheFirstChannel) {
    auto& m = App().mdiAnalyzer;
    mnuKxs201_Click();
    EXPECT_EQ(App().DeviceName, "KXS201");
    EXPECT_TRUE(m.mnuKxs201.checked);
    EXPECT_EQ(m.txtDevice.text, "KXS201");
    EXPECT_EQ(m.txtDlogFile.text, "KXS201");
    EXPECT_EQ(App().ChannelTitle, "KXS201 X Accel Channel - (G)");
    EXPECT_EQ(App().frmData.form.caption, "Time Data -- KXS201 X Accel Channel - (G)");
    EXPECT_TRUE(m.optAdcIn[0].value);
    EXPECT_TRUE(m.optAdcIn[1].visible);
    EXPECT_FALSE(m.optAdcIn[2].visible);
    EXPECT_EQ(m.ckSelfTestPos.caption, "Self Test");
    EXPECT_FALSE(m.ckSelfTestNeg.visible);
    EXPECT_EQ(App().SpiStaticBits, 104);
    EXPECT_EQ(App().ValueDecimals, 3);

    optAdcIn_Click(1);
    EXPECT_EQ(App().ChannelTitle, "KXS201 Y Accel Channel - (G)");

    // Switching to a gyroscope keeps channel 1's accelerometer entries and hides its button.
    mnuKxs306_Click();
    EXPECT_FALSE(m.mnuKxs201.checked);
    EXPECT_TRUE(m.mnuKxs306.checked);
    EXPECT_EQ(App().ChannelName[1], "Y accel");
    EXPECT_EQ(App().ChannelUnits[1], "G");
    EXPECT_EQ(App().ChannelOffset[1], 2048);
    EXPECT_FALSE(m.optAdcIn[1].visible);
    EXPECT_EQ(m.ckSelfTestPos.caption, "Self Test +");
    EXPECT_FALSE(m.ChkPowerdown.visible);
    EXPECT_EQ(App().SpiStaticBits, 96);
    EXPECT_EQ(App().ChannelTitle, "KXS306 Gryo Channel - (Degrees/second)");
    EXPECT_EQ(App().frmData.lblTest[1].caption, "Self Test +");
}

TEST_F(DeviceSelectTest, ChannelTitlesKeepTheirOwnSpellingAndGapsKeepTheOldTitle) {
    EXPECT_STREQ(ChannelTitleFor("KXS305", 0), "KXS305 Gryo Channel - (Degrees/second)");
    EXPECT_STREQ(ChannelTitleFor("KXS307", 0), "KXS307 Gyro Channel - (Degrees/second)");
    EXPECT_STREQ(ChannelTitleFor("KXS305", 2), "KXS305 Ain1 Channel - (LSB)");
    EXPECT_STREQ(ChannelTitleFor("KXS306", 3), "KXS306 Ain2 Channel - (Volts)");
    EXPECT_STREQ(ChannelTitleFor("KXS202", 5), "Invalid Selection");
    EXPECT_EQ(ChannelTitleFor("KXS201", 2), nullptr);
    EXPECT_EQ(ChannelTitleFor("KXS306", 1), nullptr);
    EXPECT_EQ(ChannelTitleFor("None", 0), nullptr);
}

TEST_F(DeviceSelectTest, ChannelSwitchesBuildTheLoggingChoice) {
    mnuKxs306_Click();
    optAdcIn_Click(2);
    optAdcIn_Click(3);
    const auto& chosen = App().ChannelChosen;
    EXPECT_TRUE(chosen[0]);
    EXPECT_TRUE(chosen[2]);
    EXPECT_FALSE(chosen[3]);

    // A new model while channel 2 is selected: back to channel 0, with 2 still chosen.
    optAdcIn_Click(2);
    mnuKxs307_Click();
    EXPECT_EQ(App().ChannelIndex, 0);
    EXPECT_TRUE(chosen[0]);
    EXPECT_TRUE(chosen[2]);
    EXPECT_FALSE(chosen[3]);
}

TEST_F(DeviceSelectTest, DeviceLabelRightClickPopsTheMenuAndRewritesTheBox) {
    App().DeviceName = "KXS202";
    App().mdiAnalyzer.txtDevice.text = "edited";
    lblDevice_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(ui.popups.empty());
    EXPECT_EQ(App().mdiAnalyzer.txtDevice.text, "KXS202");

    ui.OnPopup(PopupMenu::Device, [] { mnuKxs307_Click(); });
    lblDevice_MouseDown(2, 0, 0, 0);
    EXPECT_EQ(ui.popups, std::vector<PopupMenu>{PopupMenu::Device});
    EXPECT_EQ(App().mdiAnalyzer.txtDevice.text, "KXS307");
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
    EXPECT_EQ(m.ckSelfTestNeg.value, 1);
    EXPECT_EQ(m.ckSelfTestPos.value, 0);
    EXPECT_EQ(adapter.StaticBits(), 104);
    EXPECT_EQ(app.SamplesTaken, 0);
    EXPECT_EQ(app.frmData.lblMin.caption, "0");

    mnuKxs306_Click();
    EXPECT_EQ(m.ckSelfTestNeg.value, 0);
    EXPECT_EQ(adapter.StaticBits(), 96);
    EXPECT_EQ(app.PowerDown, 4);
    EXPECT_EQ(m.ChkPowerdown.value, 1);

    // A channel click starts a new trace and, with the spectrum on, retitles the spectrum.
    EXPECT_FLOAT_EQ(app.PlotX, 1);
    app.FftOn = true;
    optAdcIn_Click(3);
    EXPECT_EQ(app.frmFFT.form.caption, "Freq Data -- KXS306 Ain2 Channel - (Volts)");
}
