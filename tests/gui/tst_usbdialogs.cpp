// The adapter selection dialog and the debug console as a user drives them, over a
// simulated adapter.
#include "app/Analyzer.h"
#include "app/QtFrontend.h"
#include "interfaces/UsbSelect.h"
#include "simulator/SimUsbAdapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class UsbDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneAdapterAt2IsChosenAndOkMakesItTheInterface();
    void noneAndOkLeaveNoInterface();
    void closeBoxActsAsOk();
    void debugConsoleSendsWordsAndBits();

private:
    template <class T> T* Control(FormId form, const char* name) const {
        QWidget* window = ui_->Window(form);
        T* widget = window != nullptr ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    // Runs action once the dialog is up and its activation (a fresh search) has run.
    void WhenShown(FormId form, std::function<void()> action) {
        auto poll = std::make_shared<std::function<void()>>();
        *poll = [this, form, action, poll] {
            QWidget* window = ui_->Window(form);
            if (window == nullptr || !window->isVisible()) {
                QTimer::singleShot(5, *poll);
                return;
            }
            // The activation is queued behind the showing.
            QTest::qWait(20);
            action();
            // A failed check returned early: don't leave the dialog waiting.
            if (window->isVisible()) {
                window->hide();
            }
            *poll = nullptr;
        };
        QTimer::singleShot(0, *poll);
    }
    void Click(FormId form, const char* name) {
        QTest::mouseClick(Control<QAbstractButton>(form, name), Qt::LeftButton);
    }
    void Type(FormId form, const char* name, const QString& text) {
        auto* box = Control<QLineEdit>(form, name);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    std::unique_ptr<QtFrontend> ui_;
    std::vector<std::string> messages_;
    SimSensor sensor_;
    std::unique_ptr<SimEzUsbDriver> driver_;
};

void UsbDialogsTest::init() {
    ResetAppState();
    messages_.clear();
    sensor_.SetModel("KXS306");
    driver_ = std::make_unique<SimEzUsbDriver>(sensor_);
    InstallEzUsbDriver(driver_.get());
    ui_ = std::make_unique<QtFrontend>();
    InstallFrontend(ui_.get());
    ui_->SetMessageSink(
        [this](const std::string& text, const std::string&) { messages_.push_back(text); });
}

void UsbDialogsTest::cleanup() {
    ui_.reset();
    InstallEzUsbDriver(nullptr);
    driver_.reset();
    ResetAppState();
}

void UsbDialogsTest::oneAdapterAt2IsChosenAndOkMakesItTheInterface() {
    driver_->Plug(2);
    bool checked = false;
    WhenShown(FormId::frmUSBselect, [&] {
        const auto f = FormId::frmUSBselect;
        QCOMPARE(ui_->Window(f)->windowTitle(), QString("USB SPI Card Selection"));
        for (int n = 0; n < 5; ++n) {
            const QByteArray name = "optUsbPort" + QByteArray::number(n);
            QCOMPARE(Control<QRadioButton>(f, name)->isEnabled(), n == 2 || n == 4);
            QCOMPARE(Control<QRadioButton>(f, name)->isChecked(), n == 2);
        }
        QCOMPARE(Control<QRadioButton>(f, "optUsbPort4")->text(), QString("None"));
        QCOMPARE(Control<QLineEdit>(f, "txtDescript02")->text(), QString("Quelto"));
        QCOMPARE(Control<QLineEdit>(f, "txtDriverRev2")->text(), QString("1.2"));
        QCOMPARE(Control<QLineEdit>(f, "txtSpeed2")->text(), QString("2.0"));
        QCOMPARE(Control<QLineEdit>(f, "txtSpeed0")->text(), QString());
        checked = true;
        Click(f, "cmdOK");
    });
    mnuUSB_Click();
    QVERIFY(checked);
    QVERIFY(!ui_->Window(FormId::frmUSBselect)->isVisible());
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QCOMPARE(App().mdiAnalyzer.txtInterface.text, std::string("USB"));
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-2"));
    QVERIFY(App().mdiAnalyzer.mnuUSB.checked);
    QVERIFY(messages_.empty());
}

void UsbDialogsTest::noneAndOkLeaveNoInterface() {
    driver_->Plug(0);
    WhenShown(FormId::frmUSBselect, [&] {
        Click(FormId::frmUSBselect, "optUsbPort4");
        Click(FormId::frmUSBselect, "cmdOK");
    });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{0});
    QCOMPARE(App().mdiAnalyzer.txtInterface.text, std::string("NONE"));
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("NONE"));
    QVERIFY(!App().mdiAnalyzer.mnuUSB.checked);
    QVERIFY(!App().mdiAnalyzer.mnuPort.checked);
}

void UsbDialogsTest::closeBoxActsAsOk() {
    driver_->Plug(1);
    WhenShown(FormId::frmUSBselect, [&] { ui_->Window(FormId::frmUSBselect)->close(); });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-1"));

    // Escape too.
    WhenShown(FormId::frmUSBselect,
              [&] { QTest::keyClick(ui_->Window(FormId::frmUSBselect), Qt::Key_Escape); });
    mnuUSB_Click();
    QVERIFY(!ui_->Window(FormId::frmUSBselect)->isVisible());
    QCOMPARE(App().InterfaceCode, int16_t{2});
}

void UsbDialogsTest::debugConsoleSendsWordsAndBits() {
    SimUsbAdapter& adapter = driver_->Plug(0);
    App().SpiStaticBits = 0x28;
    App().SpiWordDelay = 10;
    App().SpiChannel = 1;
    bool consoleDone = false;
    WhenShown(FormId::frmUSBselect, [&] {
        WhenShown(FormId::frmUSBdebug, [&] {
            const auto d = FormId::frmUSBdebug;
            QCOMPARE(ui_->Window(d)->windowTitle(), QString("USB SPI Card Setup"));
            QVERIFY(Control<QWidget>(d, "frameManual")->isEnabled());
            QCOMPARE(Control<QLineEdit>(d, "txtUsbPort0")->text(), QString("FIFO4 - 0"));
            // The bits went to the adapter and read back as 0x28: CS2 and CS4.
            QVERIFY(Control<QCheckBox>(d, "chkStaticBits2")->isChecked());
            QVERIFY(!Control<QCheckBox>(d, "chkStaticBits3")->isChecked());
            QVERIFY(Control<QCheckBox>(d, "chkStaticBits4")->isChecked());
            QVERIFY(!Control<QCheckBox>(d, "chkStaticBits5")->isChecked());
            QCOMPARE(Control<QLineEdit>(d, "txtLoopDelay")->text(), QString("10"));

            for (const char* box :
                 {"chkStaticBits2", "chkStaticBits3", "chkStaticBits4", "chkStaticBits5"}) {
                Click(d, box);
            }
            Click(d, "cmdSetSpiBits");
            QCOMPARE(adapter.StaticBits(), uint8_t{0x50});

            // The boxes refuse what does not fit.
            Type(d, "txtWriteSpi1", "83105");
            QCOMPARE(Control<QLineEdit>(d, "txtWriteSpi1")->text(), QString("8310"));
            Type(d, "txtWriteSpi2", "87x10");
            QCOMPARE(Control<QLineEdit>(d, "txtWriteSpi2")->text(), QString("8710"));
            Type(d, "txtNumWords", "300");
            QCOMPARE(Control<QLineEdit>(d, "txtNumWords")->text(), QString("30"));
            Type(d, "txtNumWords", "2");
            Click(d, "cmdPolarity");
            QCOMPARE(Control<QPushButton>(d, "cmdPolarity")->text(), QString("Pos"));
            Click(d, "cmdWriteSpi");
            QCOMPARE(App().SpiWriteWords[1], 0x8310);
            QCOMPARE(App().SpiWriteWords[2], 0x8710);
            QVERIFY(!Control<QLineEdit>(d, "txtReadSpi1")->text().isEmpty());
            const int rate = Control<QLineEdit>(d, "txtReadSpi2")->text().toInt(nullptr, 16);
            QVERIFY(rate > 1500 && rate < 2600);
            QCOMPARE(Control<QLineEdit>(d, "txtWriteSpi3")->text(), QString());

            // Enter in the delay box sends the delay.
            Type(d, "txtLoopDelay", "2.5");
            QTest::keyClick(Control<QLineEdit>(d, "txtLoopDelay"), Qt::Key_Return);
            QCOMPARE(adapter.WordDelay(), uint8_t{2});
            QCOMPARE(Control<QLineEdit>(d, "txtLoopDelay")->text(), QString("2"));

            // Loop until Stop, which is clicked while the loop runs.
            int stopsSeen = 0;
            QTimer::singleShot(30, [&] {
                stopsSeen += Control<QPushButton>(d, "cmdLoop")->text() == "Stop" ? 1 : 0;
                Click(d, "cmdLoop");
            });
            Click(d, "cmdLoop");
            QCOMPARE(stopsSeen, 1);
            QCOMPARE(Control<QPushButton>(d, "cmdLoop")->text(), QString("Loop"));
            QVERIFY(App().StopRequested);

            // "None" disables the two frames.
            Click(d, "optUsbPort4");
            QVERIFY(!Control<QWidget>(d, "frameManual")->isEnabled());
            QVERIFY(!Control<QWidget>(d, "frameSPIsetup")->isEnabled());
            consoleDone = true;
            Click(d, "cmdExit");
        });
        Click(FormId::frmUSBselect, "cmdDebugUsb");
        // Back in front, the selection searched again and chose the adapter again.
        QVERIFY(Control<QRadioButton>(FormId::frmUSBselect, "optUsbPort0")->isChecked());
        Click(FormId::frmUSBselect, "cmdOK");
    });
    mnuUSB_Click();
    QVERIFY(consoleDone);
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QVERIFY(messages_.empty());
}

QTEST_MAIN(UsbDialogsTest)
#include "tst_usbdialogs.moc"
