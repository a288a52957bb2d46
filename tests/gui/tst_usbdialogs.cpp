// The adapter selection dialog and the debug console through their real widgets, over a
// simulated adapter: the wiring, the boxes' limits, closing, and a live Loop. What the
// handlers decide is checked in the core tests.
#include "interfaces/UsbSelect.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/ScriptedEzUsb.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class UsbDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        gui_ = std::make_unique<GuiFixture>(false);
        ui_ = gui_->ui.get();
        usb_ = std::make_unique<ScriptedEzUsbDriver>();
        usb_->sensor.SetModel("KXS306");
    }
    void cleanup() {
        gui_.reset();
        usb_.reset();
    }

    void oneAdapterAt2IsChosenAndOkMakesItTheInterface();
    void closeBoxAndEscapeCancelEnterChooses();
    void debugConsoleSendsWordsAndBits();

private:
    template <class T> T* Control(FormId form, const QByteArray& name) const {
        return Find<T>(ui_->Window(form), name.constData());
    }
    // Runs action on the dialog once it is up, queued behind its activation (a fresh search).
    void WhenShown(FormId form, std::function<void()> action) {
        WhenOpen<QWidget>(
            [this, form]() -> QWidget* {
                QWidget* window = ui_->Window(form);
                return window != nullptr && window->isVisible() ? window : nullptr;
            },
            [action](QWidget* window) {
                QTimer::singleShot(0, window, [action, window] {
                    action();
                    // A failed check returned early: don't leave the dialog waiting.
                    window->hide();
                });
            });
    }
    void Click(FormId form, const QByteArray& name) {
        QTest::mouseClick(Control<QAbstractButton>(form, name), Qt::LeftButton);
    }
    QString Type(FormId form, const QByteArray& name, const QString& text) {
        auto* box = Control<QLineEdit>(form, name);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
        return box->text();
    }

    std::unique_ptr<ScriptedEzUsbDriver> usb_;
    std::unique_ptr<GuiFixture> gui_;
    QtFrontend* ui_ = nullptr;
};

void UsbDialogsTest::oneAdapterAt2IsChosenAndOkMakesItTheInterface() {
    usb_->Attach(2);
    bool checked = false;
    WhenShown(FormId::frmUSBselect, [&] {
        const auto f = FormId::frmUSBselect;
        for (int n = 0; n < 5; ++n) {
            const QByteArray name = "optUsbPort" + QByteArray::number(n);
            QCOMPARE(Control<QRadioButton>(f, name)->isEnabled(), n == 2 || n == 4);
            QCOMPARE(Control<QRadioButton>(f, name)->isChecked(), n == 2);
        }
        QCOMPARE(Control<QLineEdit>(f, "txtDescript02")->text(), QString("Quelto"));
        checked = true;
        Click(f, "cmdOK");
    });
    mnuUSB_Click();
    QVERIFY(checked);
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-2"));
    QVERIFY(gui_->messages.empty());
}

// Whoever only looked keeps the interface they had: the close box and Esc choose nothing,
// Enter is OK, and "None" with OK leaves no interface.
void UsbDialogsTest::closeBoxAndEscapeCancelEnterChooses() {
    usb_->Attach(1);
    App().InterfaceCode = 1;
    App().mdiAnalyzer.txtInterface.text = "Parallel";
    WhenShown(FormId::frmUSBselect, [&] { ui_->Window(FormId::frmUSBselect)->close(); });
    mnuUSB_Click();
    WhenShown(FormId::frmUSBselect,
              [&] { QTest::keyClick(ui_->Window(FormId::frmUSBselect), Qt::Key_Escape); });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{1});
    QCOMPARE(App().mdiAnalyzer.txtInterface.text, std::string("Parallel"));
    QVERIFY(!App().CurrentAdapter.Present);

    WhenShown(FormId::frmUSBselect, [&] {
        QWidget* dialog = ui_->Window(FormId::frmUSBselect);
        QVERIFY(qobject_cast<QRadioButton*>(dialog->focusWidget()) != nullptr);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-1"));

    WhenShown(FormId::frmUSBselect, [&] {
        Click(FormId::frmUSBselect, "optUsbPort4");
        Click(FormId::frmUSBselect, "cmdOK");
    });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{0});
}

void UsbDialogsTest::debugConsoleSendsWordsAndBits() {
    SimUsbAdapter& adapter = usb_->Attach(0);
    App().SpiStaticBits = 0x28;
    bool consoleDone = false;
    WhenShown(FormId::frmUSBselect, [&] {
        WhenShown(FormId::frmUSBdebug, [&] {
            const auto d = FormId::frmUSBdebug;
            // The bits went to the adapter and read back as 0x28: CS2 and CS4. Flipping every
            // box sets CS3 and CS5.
            for (int b = 2; b <= 5; ++b) {
                const QByteArray box = "chkStaticBits" + QByteArray::number(b);
                QCOMPARE(Control<QCheckBox>(d, box)->isChecked(), b == 2 || b == 4);
                Click(d, box);
            }
            Click(d, "cmdSetSpiBits");
            QCOMPARE(adapter.StaticBits(), uint8_t{0x50});

            // The word and count boxes refuse what does not fit.
            QCOMPARE(Type(d, "txtWriteSpi1", "83105"), QString("8310"));
            QCOMPARE(Type(d, "txtWriteSpi2", "87x10"), QString("8710"));
            QCOMPARE(Type(d, "txtNumWords", "300"), QString("30"));
            Type(d, "txtNumWords", "2");
            Click(d, "cmdWriteSpi");
            QCOMPARE(App().SpiWriteWords[2], 0x8710);
            // The gyroscope's rate, around midscale.
            const int rate = Control<QLineEdit>(d, "txtReadSpi2")->text().toInt(nullptr, 16);
            QVERIFY(rate > 1500 && rate < 2600);

            Type(d, "txtLoopDelay", "2.5");
            QTest::keyClick(Control<QLineEdit>(d, "txtLoopDelay"), Qt::Key_Return);
            QCOMPARE(adapter.WordDelay(), uint8_t{2});

            // Stop is clicked while the loop lets events run.
            bool sawStop = false;
            QTimer::singleShot(0, [&] {
                sawStop = Control<QPushButton>(d, "cmdLoop")->text() == "Stop";
                Click(d, "cmdLoop");
            });
            Click(d, "cmdLoop");
            QVERIFY(sawStop);
            QCOMPARE(Control<QPushButton>(d, "cmdLoop")->text(), QString("Loop"));
            consoleDone = true;
            Click(d, "cmdExit");
        });
        Click(FormId::frmUSBselect, "cmdDebugUsb");
        Click(FormId::frmUSBselect, "cmdOK");
    });
    mnuUSB_Click();
    QVERIFY(consoleDone);
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QVERIFY(gui_->messages.empty());
}

QTEST_MAIN(UsbDialogsTest)
#include "tst_usbdialogs.moc"
