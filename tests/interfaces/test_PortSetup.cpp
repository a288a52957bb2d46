#include "interfaces/PortSetup.h"
#include "interfaces/UsbSelect.h"
#include "tests/support/AppStateTest.h"
#include "tests/support/PortRecorder.h"

namespace {

class PortSetupTest : public AppStateTest {
protected:
    void SetUp() override {
        AppStateTest::SetUp();
        App().OsName = "Linux";
        App().PortAddress = 0x378;
    }
    void TearDown() override {
        ClosePort();
        AppStateTest::TearDown();
    }

    // The user types text into the dialog and presses OK (or Cancel).
    void Answer(const std::string& text, bool ok = true) {
        ui.OnModal(FormId::frmPort, [text, ok] {
            App().frmPort.txtUser.text = text;
            ok ? frmPort_cmdOK_Click() : frmPort_cmdCancel_Click();
        });
    }

    FakeFrontend ui;
    PortRecorder port;
};

} // namespace

TEST_F(PortSetupTest, AddressTextsAndWhatTheDialogShowsAfterwards) {
    const struct {
        const char* typed;
        int16_t address;
        const char* shown;
    } cases[] = {{"378", 888, "378"},      {"3bc", 956, "3BC"},  {"0378", 888, "378"},
                 {"8000", -32768, "8000"}, {"FFFF", -1, "FFFF"}, {"3G8", 0x308, "308"}};
    for (const auto& c : cases) {
        Answer(c.typed);
        mnuPort_Click();
        EXPECT_EQ(App().PortAddress, c.address) << c.typed;
        EXPECT_EQ(App().frmPort.txtUser.text + " " + App().mdiAnalyzer.txtPort.text,
                  std::string(c.shown) + " " + c.shown);
        EXPECT_EQ(App().InterfaceCode, 1);
    }
    EXPECT_TRUE(App().mdiAnalyzer.mnuPort.checked &&
                App().mdiAnalyzer.txtInterface.text == "Parallel");
    // Each new address is claimed afresh; FFFF has no room for its status and control
    // registers below the top of the I/O space, so it is refused before any backend sees it.
    EXPECT_EQ(port.opened, (std::vector<uint16_t>{0x378, 0x3BC, 0x378, 0x8000, 0x308}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The required I/O drivers could not be installed.\n"
                                   "There is no parallel port at this address.");
    EXPECT_EQ(OpenPortBase(), 0x308);
}

TEST_F(PortSetupTest, EmptyTextZeroAddressAndCancel) {
    // OK on an empty box does nothing; the dialog stays open until Cancel.
    ui.OnModal(FormId::frmPort, [this] {
        App().frmPort.txtUser.text.clear();
        frmPort_cmdOK_Click();
        EXPECT_TRUE(ui.hidden.empty());
        frmPort_cmdCancel_Click();
    });
    mnuPort_Click();
    EXPECT_EQ(App().PortAddress, 0x378);
    EXPECT_TRUE(App().InterfaceCode == 0 && port.opened.empty());

    // Address 0 means no port at all.
    Answer("0");
    mnuPort_Click();
    EXPECT_EQ(App().PortAddress, 0);
    EXPECT_EQ(App().InterfaceCode, 0);
    EXPECT_EQ(App().mdiAnalyzer.txtInterface.text + " " + App().mdiAnalyzer.txtPort.text,
              "NONE NONE");
    EXPECT_FALSE(PortIsOpen());
    EXPECT_TRUE(ui.messages.empty());

    // With the adapter in use, Cancel leaves the window showing the adapter.
    auto& m = App().mdiAnalyzer;
    App().PortAddress = 0x378;
    App().InterfaceCode = 2;
    m.txtInterface.text = "USB";
    m.txtPort.text = "Ezusb-0";
    Answer("278", false);
    mnuPort_Click();
    EXPECT_EQ(App().InterfaceCode, 2);
    EXPECT_EQ(m.txtInterface.text + " " + m.txtPort.text, "USB Ezusb-0");
    EXPECT_EQ(App().PortAddress, 0x378);
}

TEST_F(PortSetupTest, ThePortIsClaimedOnlyWhenGrantedAndWhileItIsTheInterface) {
    auto& status = App().mdiAnalyzer.statusText;
    status = "The board gives no answer: every sample of the sweep reads 0.";
    port.openSucceeds = false;
    port.openFailure = "/dev/parport0: Permission denied. Add your user to the group lp.";
    Answer("378");
    mnuPort_Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title + ": " + ui.messages[0].text,
              "Error: The required I/O drivers could not be installed.\n" + port.openFailure);
    EXPECT_FALSE(App().DriverModuleFlag);
    vbOut(0x378, 1);
    EXPECT_TRUE(port.log.empty());
    EXPECT_FALSE(status.empty());

    // Access granted on the next try, and given back while the adapter is the interface.
    port.openSucceeds = true;
    Answer("378");
    mnuPort_Click();
    EXPECT_TRUE(App().DriverModuleFlag && status.empty());
    vbOut(0x378, 1);
    EXPECT_EQ(port.DataWrites(), std::vector<int>{1});
    App().CurrentAdapter.Present = true;
    frmUSBselect_cmdOK_Click();
    EXPECT_EQ(App().InterfaceCode, 2);
    EXPECT_FALSE(PortIsOpen());
    EXPECT_EQ(port.closes, 1);
    Answer("378");
    mnuPort_Click();
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(port.opened, (std::vector<uint16_t>{0x378, 0x378, 0x378}));
}

TEST_F(PortSetupTest, PortLabelPopups) {
    lblPort_MouseDown(1, 0, 0, 0);
    EXPECT_TRUE(ui.popups.empty());

    ui.OnPopup(PopupMenu::PortAddress, [] { mnuPort3BC_Click(); });
    lblPort_MouseDown(2, 0, 10, 10);
    EXPECT_EQ(ui.popups, std::vector<PopupMenu>{PopupMenu::PortAddress});
    EXPECT_EQ(App().mdiAnalyzer.txtPort.text, "3BC");
    EXPECT_EQ(port.opened, std::vector<uint16_t>{0x3BC});

    // On USB the adapters' menu opens, with the absent ones disabled for good.
    auto& app = App();
    app.InterfaceCode = 2;
    app.UsbAdapters[1].Present = true;
    lblPort_MouseDown(2, 0, 0, 0);
    EXPECT_EQ(ui.popups.back(), PopupMenu::EzUsb);
    EXPECT_FALSE(app.mdiAnalyzer.mnuEzUsbN[0].enabled);
    EXPECT_TRUE(app.mdiAnalyzer.mnuEzUsbN[1].enabled);
    app.UsbAdapters[0].Present = true;
    lblPort_MouseDown(2, 0, 0, 0);
    EXPECT_FALSE(app.mdiAnalyzer.mnuEzUsbN[0].enabled);
}
