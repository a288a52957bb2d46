// The self-test and a log through the real windows on the simulated board: the report shows
// the shifts the simulator was set to, and a log of three channels with the temperature,
// chosen in the "Datalog Setup" dialog, reads back as the simulator produced it.
#include "app/TextFormat.h"
#include "commands/SelfTest.h"
#include "platform/SimulatorControl.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>

class SelfTestLogTest : public GuiTest {
    Q_OBJECT

private slots:
    void init() { gui_ = std::make_unique<GuiFixture>(); }
    void cleanup() { gui_.reset(); }
    void selfTestShowsTheSimulatorsShifts();
    void logOfThreeChannelsAndTheTemperature();
    void closingMidPassLeavesWholeLines();

private:
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

    FakeClock clock_{1e-9};
};

void SelfTestLogTest::selfTestShowsTheSimulatorsShifts() {
    // Report lines and values, in the channel's units, for a shift of 0.1 of full scale (20
    // deg/s on the KXS305, on either interface). The gyroscope's negative line steps down as
    // far; the accelerometer powered down reads 0; the KXS305 at rest reads 0.
    struct Row {
        const char* device;
        int interfaceCode;
        int shiftLine;
        double shift;
        int otherLine;
        double other;
    };
    for (const Row& row : {Row{"KXS306", 1, 3, 409.6 / 10.2375, 4, -409.6 / 10.2375},
                           Row{"KXS201", 1, 4, 409.6 / 820, 5, -2048.0 / 820},
                           Row{"KXS305", 1, 3, 20, 2, 0}, Row{"KXS305", 2, 3, 20, 5, 0}}) {
        cleanup();
        init();
        Start(row.device, row.interfaceCode);
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
        QVERIFY(qAbs(value(row.shiftLine) - row.shift) < 0.02 * qAbs(row.shift));
        QVERIFY(qAbs(value(row.otherLine) - row.other) < 0.02 * qAbs(row.shift));
        // The positive line goes on after the 512th sample, and is on again after the test
        // as its box was ticked.
        const auto& s = App().Samples;
        QVERIFY(qAbs(s[512] - s[511] - row.shift) < 0.05 * row.shift);
        QVERIFY(App().SelfTestPosBit > 0);
    }
}

void SelfTestLogTest::logOfThreeChannelsAndTheTemperature() {
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
    // The sweep's rate, the inputs resting at a quarter and three quarters of 5 V, the board
    // at 25 degrees; the log's writing is checked in the core tests.
    for (int k : {1, 256}) {
        const QStringList fields = lines[5 + k].split('\t');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], QString::number(k));
        QCOMPARE(fields[1].toStdString(), GeneralText(App().Samples[static_cast<size_t>(k - 1)]));
        QVERIFY(qAbs(fields[2].toDouble() - 1.25) < 0.01 &&
                qAbs(fields[3].toDouble() - 3.75) < 0.01);
        QCOMPARE(fields[4], QString("25"));
    }
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

void SelfTestLogTest::closingMidPassLeavesWholeLines() {
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

QTEST_MAIN(SelfTestLogTest)
#include "tst_selftestlog.moc"
