// What a bench user meets on the first day, through the real widgets on the simulated board,
// each case on a fresh start: windows that come back, a panel that keeps its shape, the port
// dialog where the plot is; the self-test's report of the shifts the simulator was set to, a
// log of the channels chosen in "Datalog Setup"; the adapters' selection dialog and debug
// console over a simulated adapter. What the handlers decide is checked in the core tests.
#include "commands/SelfTest.h"
#include "commands/UsbDebug.h"
#include "commands/UsbSelect.h"
#include "forms/Forms.h"
#include "platform/SimulatorControl.h"
#include "sensors/Acquisition.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/ScriptedEzUsb.h"

#include <QClipboard>
#include <QGroupBox>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>

class FirstDayTest : public GuiTest {
    Q_OBJECT

private slots:
    void init() { gui_ = std::make_unique<GuiFixture>(); }
    void cleanup() {
        gui_.reset();
        usb_.reset();
    }

    void closedPlotWindowComesBackWithTheNextDrawing() {
        QVERIFY(gui_->StartSimulated("KXS306", 256));
        struct Case {
            const char* what;
            std::function<void()> draw;
        } cases[] = {
            {"sweep", [this] { Control<QPushButton>("cmdSingleSweep")->click(); }},
            {"channel", [this] { Control<QRadioButton>("optAdcIn2")->click(); }},
            {"zoom", [this] { Control<QAction>("mnuScaleHalf")->trigger(); }},
            {"model", [this] { Control<QAction>("mnuKxs201")->trigger(); }},
        };
        for (const auto& c : cases) {
            QVERIFY2(PlotFrame()->close(), c.what);
            c.draw();
            QVERIFY2(PlotFrame()->isVisible(), c.what);
            // The plot inside the frame too, not an empty frame.
            QVERIFY2(qobject_cast<QMdiSubWindow*>(PlotFrame())->widget()->isVisible(), c.what);
        }
    }
    void panelKeepsItsShapeAndCaptionsFit() {
        QVERIFY(gui_->StartSimulated("KXS306", 256));
        auto* programSetup = Control<QGroupBox>("frameSetup");
        Control<QAction>("mnuKxs306")->trigger();
        QCoreApplication::processEvents();
        const QRect gyroscope = programSetup->geometry();
        const QPoint plot = PlotFrame()->pos();
        Control<QAction>("mnuKxs201")->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(programSetup->geometry(), gyroscope);
        QCOMPARE(PlotFrame()->pos(), plot);

        // The read delay's widest value shows whole, and the console's column headers fit their
        // columns.
        auto* delay = Control<QLineEdit>("txtLoopDelay");
        QVERIFY(delay->contentsRect().width() - 4 >=
                delay->fontMetrics().horizontalAdvance(QStringLiteral("60000.00")));
        ShowForm(FormId::frmUSBdebug);
        for (const char* name : {"lblDescriptor0", "lblDescriptor1", "lblDevice", "lblSpeed"}) {
            auto* header = Find<QLabel>(Window(FormId::frmUSBdebug), name);
            QVERIFY2(header->width() >= header->fontMetrics().horizontalAdvance(header->text()),
                     name);
        }
        frmUSBdebug_cmdExit_Click();
    }
    void portDialogOpensOnThePlotAndTakesHexAddresses() {
        QVERIFY(gui_->StartSimulated("KXS306", 256));
        WithNextModal([this](QDialog* dialog) {
            QCOMPARE(dialog->pos(), PlotFrame()->mapToGlobal(QPoint(0, 0)));
            auto* box = Find<QLineEdit>(dialog, "txtUser");
            QCOMPARE(box->text(), QString("378")); // the address saved
            // Only hexadecimal digits, at most four.
            QCOMPARE(TypeInto(box, "3g8bcd"), QString("38bc"));
            TypeInto(box, "3bc");
            QTest::mouseClick(Find<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        });
        Control<QAction>("mnuPort")->trigger();
        QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("3BC"));
        QVERIFY(gui_->messages.empty());

        // Esc changes nothing.
        WithNextModal([](QDialog* dialog) {
            Find<QLineEdit>(dialog, "txtUser")->setText("278");
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        Control<QAction>("mnuPort")->trigger();
        QCOMPARE(App().PortAddress, int16_t{0x3BC});
        QVERIFY(!App().frmPort.form.visible);
    }
    void selfTestShowsTheSimulatorsShifts() {
        // The report's values are the recorded runs'.
        Start("KXS306");
        Simulator()->SetSelfTestShift(0.1);
        QTest::mouseClick(Control<QCheckBox>("ckSelfTestPos"), Qt::LeftButton);
        // The report comes while the test still holds the acquisition, so nothing else may
        // start, and over windows that show the run's end: its period, and the labels; its
        // last column lines up, and Ctrl+C copies its text.
        gui_->ui->SetMessageSink(nullptr);
        bool shownOverTheEnd = false;
        QList<int> lastColumn;
        QString copied;
        WithNextModal([&](QDialog* box) {
            const QWidget* data = Window(FormId::frmData);
            shownOverTheEnd = Find<QLabel>(data, "lblTsample")->text().contains('.') &&
                              Find<QLabel>(data, "lblTest3")->isVisible() &&
                              !Control<QPushButton>("cmdLogData")->isEnabled() &&
                              !Control<QPushButton>("cmdSingleSweep")->isEnabled() &&
                              !Control<QAction>("mnuTest")->isEnabled();
            auto* text = Find<QPlainTextEdit>(box, "reportText");
            for (QTextBlock line = text->document()->begin(); line.isValid(); line = line.next()) {
                QTextCursor at(line);
                at.setPosition(line.position() + line.text().lastIndexOf('\t') + 1);
                lastColumn.push_back(text->cursorRect(at).x());
            }
            QTest::keySequence(text, QKeySequence::Copy);
            copied = QApplication::clipboard()->text();
            box->accept();
        });
        Control<QAction>("mnuTest")->trigger();
        QVERIFY(shownOverTheEnd);
        QVERIFY(Control<QAction>("mnuTest")->isEnabled());
        QCOMPARE(lastColumn.count(lastColumn[0]), 6);
        QCOMPARE(copied, QString::fromStdString(SelfTestReport()));
        // The positive line is on again after the test, as its box was ticked.
        QVERIFY(App().SelfTestPosBit > 0);
    }
    void logOfThreeChannelsAndTheTemperature() {
        Start("KXS306");
        WithNextModal([](QDialog* dialog) {
            QVERIFY(!Find<QCheckBox>(dialog, "chkInput1")->isVisible());
            QCOMPARE(Find<QCheckBox>(dialog, "chkInput2")->text(), QString("Ain1"));
            for (const char* box : {"chkInput2", "chkInput3", "chkLogTemp"}) {
                Find<QCheckBox>(dialog, box)->click();
            }
            Find<QPushButton>(dialog, "cmdOK")->click();
        });
        Control<QPushButton>("cmdSetupDlog")->click();
        const auto& chosen = App().ChannelChosen;
        QCOMPARE(std::vector<bool>(chosen.begin(), chosen.end()),
                 (std::vector<bool>{true, false, true, true, false}));
        QVERIFY(App().LogTemperature);
        Control<QPushButton>("cmdLogData")->click();
        QVERIFY(MainWindow()->statusBar()->currentMessage().contains(
            gui_->dir.filePath("KXS306_1.txt")));
        // Another model takes the choice back to its first channel without the temperature.
        WithNextModal([](QDialog* dialog) {
            QVERIFY(Find<QCheckBox>(dialog, "chkInput0")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "chkInput2")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "chkLogTemp")->isChecked());
            dialog->reject();
        });
        Control<QAction>("mnuKxs201")->trigger();
        Control<QPushButton>("cmdSetupDlog")->click();
    }

    // One adapter, at 2, with the static bits CS2 and CS4 on. Whoever only looked keeps the
    // interface they had: the close box and Esc choose nothing. The console shows the bits,
    // its boxes refuse what does not fit, and Stop ends its loop; then Enter is OK. The
    // adapters offered and what the console's commands send are the core tests'.
    void usbDialogsAnsweredByMouseOrKeys() {
        usb_ = std::make_unique<ScriptedEzUsbDriver>();
        usb_->sensor.SetModel("KXS306");
        usb_->Attach(2);
        App().SpiStaticBits = 0x28;
        App().InterfaceCode = 1;
        App().mdiAnalyzer.txtInterface.text = "Parallel";
        const auto s = FormId::frmUSBselect;
        const auto d = FormId::frmUSBdebug;
        for (bool escape : {false, true}) {
            WhenShown(s, [&](QWidget* dialog) {
                QCOMPARE(In<QLineEdit>(s, "txtDescript02")->text(), QString("Quelto"));
                escape ? QTest::keyClick(dialog, Qt::Key_Escape) : void(dialog->close());
            });
            mnuUSB_Click();
        }
        QCOMPARE(App().InterfaceCode, int16_t{1});
        QCOMPARE(App().mdiAnalyzer.txtInterface.text, std::string("Parallel"));
        QVERIFY(!App().CurrentAdapter.Present);

        bool consoleDone = false;
        WhenShown(s, [&](QWidget* dialog) {
            WhenShown(d, [&](QWidget*) {
                for (int b = 2; b <= 5; ++b) {
                    const QByteArray box = "chkStaticBits" + QByteArray::number(b);
                    QCOMPARE(In<QCheckBox>(d, box)->isChecked(), b == 2 || b == 4);
                }
                QCOMPARE(Type(d, "txtWriteSpi1", "83105"), QString("8310"));
                QCOMPARE(Type(d, "txtWriteSpi2", "87x10"), QString("8710"));
                QCOMPARE(Type(d, "txtNumWords", "300"), QString("30"));
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
            auto* chosen = qobject_cast<QRadioButton*>(dialog->focusWidget());
            QVERIFY(chosen != nullptr);
            Click(s, "cmdDebugUsb");
            QTest::keyClick(chosen, Qt::Key_Return);
        });
        mnuUSB_Click();
        QVERIFY(consoleDone);
        QCOMPARE(App().InterfaceCode, int16_t{2});
        QCOMPARE(App().mdiAnalyzer.txtPort.text, std::string("Ezusb-2"));
        QVERIFY(gui_->messages.empty());
    }

private:
    QWidget* PlotFrame() const { return Window(FormId::frmData); }
    // A quiet board: no sine, no noise.
    void Start(const char* device, int interfaceCode = 1) {
        QVERIFY(gui_->StartSimulated(device, 2048, interfaceCode));
        Simulator()->SetAmplitude(0);
        Simulator()->SetNoise({});
    }
    // No program started: the adapters' dialogs on their own, over a scripted adapter.
    template <class T> T* In(FormId form, const QByteArray& name) const {
        return Find<T>(Window(form), name.constData());
    }
    // Runs action on the dialog once it is up, queued behind its activation (a fresh search).
    void WhenShown(FormId form, std::function<void(QWidget*)> action) {
        WhenOpen<QWidget>(
            [this, form]() -> QWidget* {
                QWidget* window = Window(form);
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

    FakeClock clock_{1e-9};
    std::unique_ptr<ScriptedEzUsbDriver> usb_;
};

QTEST_MAIN(FirstDayTest)
#include "tst_firstday.moc"
