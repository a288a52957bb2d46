// The adapter selection dialog and the debug console through their real widgets, over a
// simulated adapter: the wiring, the boxes' limits, closing, and a live Loop. What the
// handlers decide is checked in the core tests.
#include "interfaces/UsbSelect.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/ScriptedEzUsb.h"

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

    void selectionDialogIsAnsweredByMouseOrKeys();
    void debugConsoleSendsWordsAndBits();

private:
    template <class T> T* In(FormId form, const QByteArray& name) const {
        return Find<T>(ui_->Window(form), name.constData());
    }
    // Runs action on the dialog once it is up, queued behind its activation (a fresh search).
    void WhenShown(FormId form, std::function<void(QWidget*)> action) {
        WhenOpen<QWidget>(
            [this, form]() -> QWidget* {
                QWidget* window = ui_->Window(form);
                return window != nullptr && window->isVisible() ? window : nullptr;
            },
            [action](QWidget* window) {
                QTimer::singleShot(0, window, [action, window] {
                    action(window);
                    // A failed check returned early: don't leave the dialog waiting.
                    window->hide();
                });
            });
    }
    void Click(FormId form, const QByteArray& name) {
        QTest::mouseClick(In<QAbstractButton>(form, name), Qt::LeftButton);
    }
    QString Type(FormId form, const QByteArray& name, const QString& text) {
        return TypeInto(In<QLineEdit>(form, name), text);
    }

    std::unique_ptr<ScriptedEzUsbDriver> usb_;
    std::unique_ptr<GuiFixture> gui_;
    QtFrontend* ui_ = nullptr;
};

// One adapter, at 2, is offered and chosen. Whoever only looked keeps the interface they
// had: the close box and Esc choose nothing; Enter is OK.
void UsbDialogsTest::selectionDialogIsAnsweredByMouseOrKeys() {
    usb_->Attach(2);
    App().InterfaceCode = 1;
    App().mdiAnalyzer.txtInterface.text = "Parallel";
    const auto f = FormId::frmUSBselect;
    bool looked = false;
    WhenShown(f, [&](QWidget* dialog) {
        for (int n = 0; n < 5; ++n) {
            const QByteArray name = "optUsbPort" + QByteArray::number(n);
            QCOMPARE(In<QRadioButton>(f, name)->isEnabled(), n == 2 || n == 4);
            QCOMPARE(In<QRadioButton>(f, name)->isChecked(), n == 2);
        }
        QCOMPARE(In<QLineEdit>(f, "txtDescript02")->text(), QString("Quelto"));
        looked = true;
        dialog->close();
    });
    mnuUSB_Click();
    WhenShown(f, [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    mnuUSB_Click();
    QVERIFY(looked);
    QCOMPARE(App().InterfaceCode, int16_t{1});
    QCOMPARE(App().mdiAnalyzer.txtInterface.text, std::string("Parallel"));
    QVERIFY(!App().CurrentAdapter.Present);

    WhenShown(f, [](QWidget* dialog) {
        QVERIFY(qobject_cast<QRadioButton*>(dialog->focusWidget()) != nullptr);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    mnuUSB_Click();
    QCOMPARE(App().InterfaceCode, int16_t{2});
    QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-2"));
    QVERIFY(gui_->messages.empty());
}

void UsbDialogsTest::debugConsoleSendsWordsAndBits() {
    SimUsbAdapter& adapter = usb_->Attach(0);
    App().SpiStaticBits = 0x28;
    bool consoleDone = false;
    WhenShown(FormId::frmUSBselect, [&](QWidget*) {
        WhenShown(FormId::frmUSBdebug, [&](QWidget*) {
            const auto d = FormId::frmUSBdebug;
            // The bits went to the adapter and read back as 0x28: CS2 and CS4. Flipping every
            // box sets CS3 and CS5.
            for (int b = 2; b <= 5; ++b) {
                const QByteArray box = "chkStaticBits" + QByteArray::number(b);
                QCOMPARE(In<QCheckBox>(d, box)->isChecked(), b == 2 || b == 4);
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

            Type(d, "txtLoopDelay", "2.5");
            QTest::keyClick(In<QLineEdit>(d, "txtLoopDelay"), Qt::Key_Return);
            QCOMPARE(adapter.WordDelay(), uint8_t{2});

            // Stop is clicked while the loop lets events run.
            bool sawStop = false;
            QTimer::singleShot(0, [&] {
                sawStop = In<QPushButton>(d, "cmdLoop")->text() == "Stop";
                Click(d, "cmdLoop");
            });
            Click(d, "cmdLoop");
            QVERIFY(sawStop);
            QCOMPARE(In<QPushButton>(d, "cmdLoop")->text(), QString("Loop"));
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
