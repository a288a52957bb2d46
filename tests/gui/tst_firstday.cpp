// What a bench user meets on the first day, through the real widgets on the simulated board,
// each case on a fresh start: windows that come back, a sweep that goes on under a pop-up, a
// panel that keeps its shape, the port dialog where the plot is, the Port label's pop-up and
// the Simulator menu; the self-test's report of the shifts the simulator was set to, a log of
// the channels chosen in "Datalog Setup"; and the command-line program giving the same numbers
// for the same settings; the adapters' selection dialog and debug console over a simulated
// adapter. What the handlers decide is checked in the core tests.
#include "analysis/FFT.h"
#include "analysis/Statistics.h"
#include "app/Forms.h"
#include "commands/SelfTest.h"
#include "interfaces/UsbDebug.h"
#include "interfaces/UsbSelect.h"
#include "platform/PortIo.h"
#include "platform/SimulatorControl.h"
#include "sensors/Acquisition.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/ScriptedEzUsb.h"

#include <QClipboard>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProcess>
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

    void closedPlotWindowComesBackWithTheNextDrawing();
    void popUpDuringARunLeavesItRunning();
    void panelKeepsItsShapeAndCaptionsFit();
    void portDialogOpensOnThePlotAndTakesHexAddresses();
    void simulatorMenuSetsTheSignal();
    void selfTestShowsTheSimulatorsShifts();
    void logOfThreeChannelsAndTheTemperature();
    void theCommandLineGivesTheWindowsNumbers();
    void usbSelectionIsAnsweredByMouseOrKeys();
    void usbConsoleSendsWordsAndBits();
    // Last: closing the main window ends the program, and with it every loop to come.
    void closingMidPassLeavesWholeLines();

private:
    QWidget* PlotFrame() const { return Window(FormId::frmData); }
    // A quiet board: no sine, no noise.
    void Start(const char* device, int interfaceCode = 1) {
        QVERIFY(gui_->StartSimulated(device, 2048, interfaceCode));
        Simulator()->SetAmplitude(0);
        Simulator()->SetNoise({});
    }
    // The lines of a log in the test's folder; none unless it ends with a whole line.
    QStringList LogLines(const char* name) const {
        QFile file(gui_->dir.filePath(name));
        const QString text = file.open(QIODevice::ReadOnly) ? file.readAll() : QString();
        return text.endsWith("\r\n") ? text.chopped(2).split("\r\n") : QStringList();
    }
    // The windows started on the settings the program is given, as they read them.
    void StartAsTheCommandLine() {
        QVERIFY(gui_->StartSimulated("KXS306", 1024));
        QVERIFY(QFile::copy(gui_->dir.filePath("QueltoEval.cfg"), gui_->dir.filePath("cli.cfg")));
    }
    // Runs the program in the fixture's folder with the same configuration and no part
    // noise, as the windows have in a test; its output, and its exit code in exitCode_.
    QByteArray Cli(const QStringList& args) {
        QProcess cli;
        cli.setWorkingDirectory(gui_->dir.path());
        cli.start(QStringLiteral(QUELTO_CLI_PATH),
                  args + QString("--simulate --config cli.cfg -q --sim-density 0 --sim-bias 0 "
                                 "--sim-rrw 0")
                             .split(' '));
        cli.waitForFinished(60000);
        if ((exitCode_ = cli.exitCode()) != 0) {
            qWarning("%s", cli.readAllStandardError().constData());
        }
        return cli.readAllStandardOutput();
    }

    // No program started: the adapters' dialogs on their own, over a scripted adapter driver.
    ScriptedEzUsbDriver& PlugInAdapters() {
        usb_ = std::make_unique<ScriptedEzUsbDriver>();
        usb_->sensor.SetModel("KXS306");
        return *usb_;
    }
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
    int exitCode_ = -1;
};

void FirstDayTest::closedPlotWindowComesBackWithTheNextDrawing() {
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

void FirstDayTest::popUpDuringARunLeavesItRunning() {
    QVERIFY(gui_->StartSimulated("KXS306", 256));
    Control<QAction>("mnuKxs306")->trigger();
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    int32_t whenOpened = 0;
    bool grew = false;
    QTimer::singleShot(100, [&] {
        // The midscale commands, offered by the "Average" title.
        QTest::mouseClick(Find<QLabel>(PlotFrame(), "lblShowAverage"), Qt::RightButton);
        whenOpened = App().SamplesTaken;
    });
    QTimer::singleShot(400, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        grew = popup != nullptr && App().SamplesTaken != whenOpened;
        if (popup != nullptr) {
            popup->close();
        }
        Control<QPushButton>("cmdStop")->click();
    });
    QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    QVERIFY(grew);
}

void FirstDayTest::panelKeepsItsShapeAndCaptionsFit() {
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
        QVERIFY2(header->width() >= header->fontMetrics().horizontalAdvance(header->text()), name);
    }
    frmUSBdebug_cmdExit_Click();
}

void FirstDayTest::portDialogOpensOnThePlotAndTakesHexAddresses() {
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
    QVERIFY(Control<QAction>("mnuPort")->isChecked());
    QCOMPARE(OpenPortBase(), uint16_t{0x3BC});
    QVERIFY(gui_->messages.empty());

    // Shown again, it is refilled from the address (upper case); Esc changes nothing.
    WithNextModal([](QDialog* dialog) {
        QCOMPARE(Find<QLineEdit>(dialog, "txtUser")->text(), QString("3BC"));
        Find<QLineEdit>(dialog, "txtUser")->setText("278");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Control<QAction>("mnuPort")->trigger();
    QCOMPARE(App().PortAddress, int16_t{0x3BC});
    QVERIFY(!App().frmPort.form.visible);

    // The Port label offers the common addresses.
    QVERIFY(PickFromPopupOf(Control<QLabel>("lblPort"), "mnuPort278"));
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("278"));
    QCOMPARE(OpenPortBase(), uint16_t{0x278});
}

void FirstDayTest::simulatorMenuSetsTheSignal() {
    QVERIFY(gui_->StartSimulated("KXS306", 256));
    QVERIFY(Control<QMenu>("mnuSim")->menuAction()->isVisible());
    QVERIFY(Control<QAction>("mnuSimUse")->isChecked());
    Control<QAction>("mnuSimUse")->trigger();
    QVERIFY(!Control<QAction>("mnuSimUse")->isChecked());
    QCOMPARE(SimulatedBoards().sensor.Model(), std::string("None"));
}

void FirstDayTest::selfTestShowsTheSimulatorsShifts() {
    // Report lines and values, in the channel's units, for a shift of 0.1 of full scale (20
    // deg/s on the KXS305, on either interface). The gyroscope's negative line steps down as
    // far; the accelerometer powered down reads 0; the KXS305 at rest reads 0.
    for (auto [device, interfaceCode, shiftLine, shift, otherLine, other] :
         {std::tuple{"KXS306", 1, 3, 409.6 / 10.2375, 4, -409.6 / 10.2375},
          {"KXS201", 1, 4, 409.6 / 820, 5, -2048.0 / 820},
          {"KXS305", 1, 3, 20.0, 2, 0.0},
          {"KXS305", 2, 3, 20.0, 5, 0.0}}) {
        cleanup();
        init();
        Start(device, interfaceCode);
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
        const QString report = QString::fromStdString(SelfTestReport());
        QCOMPARE(copied, report);
        const QStringList lines = report.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        const auto value = [&](int line) { return lines[line].section('\t', 1, 1).toDouble(); };
        QVERIFY(qAbs(value(shiftLine) - shift) < 0.02 * qAbs(shift));
        QVERIFY(qAbs(value(otherLine) - other) < 0.02 * qAbs(shift));
        // The positive line goes on after the 512th sample, and is on again after the test
        // as its box was ticked.
        const auto& s = App().Samples;
        QVERIFY(qAbs(s[512] - s[511] - shift) < 0.05 * shift);
        QVERIFY(App().SelfTestPosBit > 0);
    }
}

void FirstDayTest::logOfThreeChannelsAndTheTemperature() {
    Start("KXS306");
    Choose(Control<QComboBox>("DatalogLengthCBX"), "256");
    WithNextModal([](QDialog* dialog) {
        QVERIFY(!Find<QCheckBox>(dialog, "chkInput1")->isVisible());
        QCOMPARE(Find<QCheckBox>(dialog, "chkInput2")->text(), QString("Ain1"));
        for (const char* box : {"chkInput2", "chkInput3", "chkLogTemp"}) {
            Find<QCheckBox>(dialog, box)->click();
        }
        Find<QPushButton>(dialog, "cmdOK")->click();
    });
    Control<QPushButton>("cmdSetupDlog")->click();
    Control<QPushButton>("cmdLogData")->click();

    const QString path = gui_->dir.filePath("KXS306_1.txt");
    QVERIFY(MainWindow()->statusBar()->currentMessage().contains(path));
    const QStringList lines = LogLines("KXS306_1.txt");
    QCOMPARE(lines.size(), 6 + 256);
    QVERIFY(lines[0].startsWith("KXS306\tDate\t"));
    QCOMPARE(lines.mid(1, 5),
             QStringList({"Temperature\t25  dgrC", "Num Samples\t256", "Loop Delay\t0 mS",
                          "\tGyro\tAin1\tAin2\tTemp", "Sample\tDgr/S\tVolts\tVolts\tDgrC"}));
    QCOMPARE(lines[6].split('\t').size(), 5); // the values are the core tests'
    // Another model takes the choice back to its first channel without the temperature: the
    // dialog shows it, and the log writes it even without the dialog's OK.
    WithNextModal([](QDialog* dialog) { dialog->reject(); });
    Control<QAction>("mnuKxs201")->trigger();
    Control<QPushButton>("cmdSetupDlog")->click();
    const auto& f = App().frmLogSetup;
    QVERIFY(f.chkInput[0].value && !f.chkInput[2].value && !f.chkLogTemp.value);
    Control<QPushButton>("cmdLogData")->click();
    QCOMPARE(LogLines("KXS201_1.txt").mid(4, 2), QStringList({"\tX accel", "Sample\tG\t"}));
}

void FirstDayTest::closingMidPassLeavesWholeLines() {
    Start("KXS306");
    Choose(Control<QComboBox>("DatalogLengthCBX"), "32768");
    // Closing the window ends the run and the program, the file closed, the settings saved.
    QTimer::singleShot(300, [this] { MainWindow()->close(); });
    Control<QPushButton>("cmdLogData")->click();
    QVERIFY(gui_->ui->EndRequested());
    const QStringList lines = LogLines("KXS306_1.txt");
    QVERIFY(lines.size() > 6 && lines.size() < 6 + 32768);
    for (int k = 6; k < lines.size(); ++k) {
        QCOMPARE(lines[k].section('\t', 0, 0).toInt(), k - 5);
        QVERIFY(!lines[k].section('\t', 1).isEmpty());
    }
    QFile config(gui_->dir.filePath("QueltoEval.cfg"));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QVERIFY(config.readAll().contains("Plot Samples =  32768"));
}

void FirstDayTest::theCommandLineGivesTheWindowsNumbers() {
    StartAsTheCommandLine();
    // The first sweep of what the program wrote.
    auto sweep = [this](const char* command) {
        return QJsonDocument::fromJson(Cli({command, "--format", "json"}))
            .object()["sweeps"]
            .toArray()
            .first()
            .toObject();
    };
    Control<QAction>("mnuFFTon")->trigger();
    SimulatedBoards().sensor.Restart();
    Control<QPushButton>("cmdSingleSweep")->click();
    const auto& acq = Acquisition();
    QCOMPARE(acq.SamplesTaken, 1024);
    const QJsonObject only = sweep("sweep");
    const QJsonArray codes = only["code"].toArray();
    const QJsonArray values = only["value"].toArray();
    QCOMPARE(codes.size(), 1024);
    for (int k = 0; k < 1024; ++k) {
        QCOMPARE(codes[k].toInt(), acq.RawCodes[static_cast<size_t>(k + 1)]);
        QCOMPARE(static_cast<float>(values[k].toDouble()), acq.Samples[static_cast<size_t>(k)]);
    }
    const QJsonObject stats = only["statistics"].toObject();
    const auto& s = Statistics();
    for (const auto& [key, value] : {std::pair{"min", s.StatMin},
                                     {"max", s.StatMax},
                                     {"mean", s.StatMean},
                                     {"ac_rms", s.StatRms},
                                     {"temperature_c", acq.Temperature}}) {
        QCOMPARE(static_cast<float>(stats[key].toDouble()), value);
    }
    const QJsonObject spectrum = sweep("spectrum");
    const QJsonObject peak = spectrum["peak"].toObject();
    QCOMPARE(peak["bin"].toInt(), Spectrum().FftPeakIndex);
    QCOMPARE(static_cast<float>(peak["magnitude"].toDouble()), Spectrum().FftPeakValue);
    QCOMPARE(spectrum["magnitude"].toArray().size(), qsizetype(Spectrum().FftData.size()));

    // The log file, byte for byte past the first line, which carries the date and time.
    Control<QAction>("mnuFFToff")->trigger();
    SimulatedBoards().sensor.Restart();
    Control<QPushButton>("cmdLogData")->click();
    Cli({"log", "--file", "cli"});
    QCOMPARE(exitCode_, 0);
    auto body = [this](const char* name) {
        QFile file(gui_->dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        return file.readAll().split('\n').mid(1);
    };
    const auto gui = body("KXS306_1.txt");
    QCOMPARE(gui.size(), 5 + 1024 + 1);
    QCOMPARE(body("cli_1.txt"), gui);
}

// One adapter, at 2, is offered and chosen. Whoever only looked keeps the interface they
// had: the close box and Esc choose nothing; Enter is OK.
void FirstDayTest::usbSelectionIsAnsweredByMouseOrKeys() {
    ScriptedEzUsbDriver& usb = PlugInAdapters();
    usb.Attach(2);
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

void FirstDayTest::usbConsoleSendsWordsAndBits() {
    SimUsbAdapter& adapter = PlugInAdapters().Attach(0);
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

QTEST_MAIN(FirstDayTest)
#include "tst_firstday.moc"
