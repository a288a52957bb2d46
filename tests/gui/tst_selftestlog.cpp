// The self-test and a log through the real windows on the simulated board: the report shows
// the shifts the simulator was set to, and a log of three channels with the temperature,
// chosen in the "Datalog Setup" dialog, reads back as the simulator produced it.
#include "app/Hardware.h"
#include "app/Startup.h"
#include "app/TextFormat.h"
#include "platform/SimulatorControl.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/FakeClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

class SelfTestLogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void selfTestShowsTheSimulatorsShifts_data();
    void selfTestShowsTheSimulatorsShifts();
    void logOfThreeChannelsAndTheTemperature();
    void stopOrClosingMidPassLeavesWholeLines();

private:
    template <class T> T* Control(const char* name) const {
        return Find<T>(gui_->MainWindow(), name);
    }
    void Start(const char* device) {
        QFile config(gui_->dir.filePath("QueltoEval.cfg"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QByteArray("Device = ") + device +
                     "\r\nInterface = 1\r\nPlot Samples = 2048\r\nPort Address = 888\r\n");
        config.close();
        InstallHardware(ParseCommandLine({"--simulate"}));
        ::Main("");
        QVERIFY(QTest::qWaitForWindowExposed(gui_->MainWindow()));
        Simulator()->SetAmplitude(0);
    }

    // The start-up calibration in milliseconds.
    FakeClock clock_{1e-9};
    std::unique_ptr<GuiFixture> gui_;
};

void SelfTestLogTest::init() { gui_ = std::make_unique<GuiFixture>(); }

void SelfTestLogTest::cleanup() {
    gui_.reset();
    RemoveHardware();
}

void SelfTestLogTest::selfTestShowsTheSimulatorsShifts_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("shiftLine");
    QTest::addColumn<double>("shift"); // in the channel's units for a shift of 0.1
    QTest::addColumn<int>("otherLine");
    QTest::addColumn<double>("other");
    // Gyroscope: the negative line steps down as far. Accelerometer: power-down reads 0.
    QTest::newRow("KXS306") << "KXS306" << 3 << 409.6 / 10.2375 << 4 << -409.6 / 10.2375;
    QTest::newRow("KXS201") << "KXS201" << 4 << 409.6 / 820 << 5 << -2048.0 / 820;
}

void SelfTestLogTest::selfTestShowsTheSimulatorsShifts() {
    QFETCH(QString, device);
    QFETCH(int, shiftLine);
    QFETCH(double, shift);
    QFETCH(int, otherLine);
    QFETCH(double, other);
    Start(device.toLatin1().constData());
    Simulator()->SetSelfTestShift(0.1);
    // The report comes while the test still holds the acquisition: nothing else may start.
    bool greyed = false; // and the windows are up to date
    gui_->ui->SetMessageSink([&](const std::string& text, const std::string&) {
        gui_->messages.push_back({text, {}, true});
        // The windows behind the box show the run's end: its period, and the labels.
        const QWidget* data = gui_->ui->Window(FormId::frmData);
        greyed = Find<QLabel>(data, "lblTsample")->text().contains('.') &&
                 Find<QLabel>(data, "lblTest3")->isVisible() &&
                 !Control<QPushButton>("cmdLogData")->isEnabled() &&
                 !Control<QPushButton>("cmdSingleSweep")->isEnabled() &&
                 !Control<QAction>("mnuTest")->isEnabled();
    });
    Control<QAction>("mnuTest")->trigger();
    QCOMPARE(gui_->messages.size(), size_t(1));
    QVERIFY(greyed);
    QVERIFY(Control<QAction>("mnuTest")->isEnabled());
    const QStringList lines =
        QString::fromStdString(gui_->messages[0].text).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    const auto value = [&](int line) { return lines[line].split('\t')[1].toDouble(); };
    QVERIFY2(qAbs(value(shiftLine) - shift) < 0.02 * qAbs(shift), qPrintable(lines[shiftLine]));
    QVERIFY2(qAbs(value(otherLine) - other) < 0.02 * qAbs(other), qPrintable(lines[otherLine]));
}

void SelfTestLogTest::logOfThreeChannelsAndTheTemperature() {
    Start("KXS306");
    auto* length = Control<QComboBox>("DatalogLengthCBX");
    emit length->activated(length->findText("256"));
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
    QCOMPARE(Control<QLineEdit>("txtFileIndex")->text(), QString("2"));
    QCOMPARE(Control<QLineEdit>("txtDlogFile")->toolTip(), path);
    QVERIFY(gui_->MainWindow()->statusBar()->currentMessage().contains(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    QVERIFY(text.endsWith("\r\n"));
    const QStringList lines = text.left(text.size() - 2).split("\r\n");
    QCOMPARE(lines.size(), 6 + 256);
    QVERIFY(lines[0].startsWith("KXS306\tDate\t"));
    QCOMPARE(lines.mid(1, 5),
             QStringList({"Temperature\t25  dgrC", "Num Samples\t256", "Loop Delay\t0 mS",
                          "\tGyro\tAin1\tAin2\tTemp", "Sample\tDgr/S\tVolts\tVolts\tDgrC"}));
    // The rate at rest reads 0 deg/s, the inputs rest at a quarter and three quarters of
    // 5 V, the board at 25 degrees; noise is a few codes.
    for (int k = 1; k <= 256; ++k) {
        const QStringList fields = lines[5 + k].split('\t');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], QString::number(k));
        QCOMPARE(fields[1].toStdString(), GeneralText(App().Samples[static_cast<size_t>(k - 1)]));
        QVERIFY2(qAbs(fields[1].toDouble()) < 1.0, qPrintable(lines[5 + k]));
        QVERIFY2(qAbs(fields[2].toDouble() - 1.25) < 0.01, qPrintable(lines[5 + k]));
        QVERIFY2(qAbs(fields[3].toDouble() - 3.75) < 0.01, qPrintable(lines[5 + k]));
        QCOMPARE(fields[4], QString("25"));
    }
}

// Every line the file holds is whole, numbered on from 1; returns how many, or -1.
static int WholeLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QString text = QString::fromLatin1(file.readAll());
    if (!text.endsWith("\r\n")) {
        return -1;
    }
    const QStringList lines = text.chopped(2).split("\r\n");
    for (int k = 6; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split('\t');
        if (fields.size() != 2 || fields[0].toInt() != k - 5 || fields[1].isEmpty()) {
            return -1;
        }
    }
    return static_cast<int>(lines.size()) - 6;
}

void SelfTestLogTest::stopOrClosingMidPassLeavesWholeLines() {
    Start("KXS306");
    auto* length = Control<QComboBox>("DatalogLengthCBX");
    emit length->activated(length->findText("32768"));
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    QTimer::singleShot(300, [this] { Control<QPushButton>("cmdStop")->click(); });
    Control<QPushButton>("cmdLogData")->click();
    const int stopped = WholeLines(gui_->dir.filePath("KXS306_1.txt"));
    QVERIFY2(stopped > 0 && stopped < 32768, qPrintable(QString::number(stopped)));
    QCOMPARE(Control<QLineEdit>("txtFileIndex")->text(), QString("2"));

    // Closing the window ends the run and the program, the file closed and the settings saved.
    QTimer::singleShot(300, [this] { gui_->MainWindow()->close(); });
    Control<QPushButton>("cmdLogData")->click();
    QVERIFY(gui_->ui->EndRequested());
    const int closed = WholeLines(gui_->dir.filePath("KXS306_2.txt"));
    QVERIFY(closed > 0 && closed < 32768);
    QFile config(gui_->dir.filePath("QueltoEval.cfg"));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QVERIFY(config.readAll().contains("Plot Samples =  32768"));
}

QTEST_MAIN(SelfTestLogTest)
#include "tst_selftestlog.moc"
