// The command-line program and the windows give the same numbers for the same settings:
// a sweep's samples and statistics, the spectrum's peak, and the log file. Both start the
// simulated board's signal from its seed.
#include "analysis/FFT.h"
#include "analysis/Statistics.h"
#include "sensors/Acquisition.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

class CliTest : public GuiTest {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { gui_.reset(); }
    void sweepAndSpectrumMatchTheWindows();
    void logFileMatchesTheWindowsByteForByte();

private:
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

    int exitCode_ = -1;
};

void CliTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    QVERIFY(gui_->StartSimulated("KXS306", 1024));
    // The program's own settings, as the windows read them.
    QVERIFY(QFile::copy(gui_->dir.filePath("QueltoEval.cfg"), gui_->dir.filePath("cli.cfg")));
}

void CliTest::sweepAndSpectrumMatchTheWindows() {
    Control<QAction>("mnuFFTon")->trigger();
    SimulatedBoards().sensor.Restart();
    Control<QPushButton>("cmdSingleSweep")->click();
    const auto& acq = Acquisition();
    QCOMPARE(acq.SamplesTaken, 1024);

    const QJsonObject sweep = QJsonDocument::fromJson(Cli({"sweep", "--format", "json"})).object();
    const QJsonObject only = sweep["sweeps"].toArray().first().toObject();
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

    const QJsonObject spectrum = QJsonDocument::fromJson(Cli({"spectrum", "--format", "json"}))
                                     .object()["sweeps"]
                                     .toArray()
                                     .first()
                                     .toObject();
    const QJsonObject peak = spectrum["peak"].toObject();
    QCOMPARE(peak["bin"].toInt(), Spectrum().FftPeakIndex);
    QCOMPARE(static_cast<float>(peak["magnitude"].toDouble()), Spectrum().FftPeakValue);
    QCOMPARE(spectrum["magnitude"].toArray().size(), qsizetype(Spectrum().FftData.size()));
}

void CliTest::logFileMatchesTheWindowsByteForByte() {
    Control<QAction>("mnuFFToff")->trigger();
    SimulatedBoards().sensor.Restart();
    Control<QPushButton>("cmdLogData")->click();
    Cli({"log", "--file", "cli"});
    QCOMPARE(exitCode_, 0);

    // Past the first line, which carries the date and time.
    auto body = [this](const char* name) {
        QFile file(gui_->dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        return file.readAll().split('\n').mid(1);
    };
    const auto gui = body("KXS306_1.txt");
    QCOMPARE(gui.size(), 5 + 1024 + 1);
    QCOMPARE(body("cli_1.txt"), gui);
}

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
