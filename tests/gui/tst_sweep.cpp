// A sweep from end to end as an engineer takes it: the real windows on the simulated board,
// the model and the port chosen from the menus, "Plot Data" pressed; then Stop in a
// continuous run, and closing the window in the middle of one.
#include "app/Hardware.h"
#include "app/Startup.h"
#include "simulator/SimBoards.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QFile>
#include <QImage>

class SweepTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plotDataDrawsTheTraceAndItsStatistics();
    void stopOrClosingTheWindowEndsAContinuousRun();

private:
    QMainWindow* MainWindow() const { return gui_->MainWindow(); }
    template <class T> T* Control(const char* name) const { return Find<T>(MainWindow(), name); }
    double Readout(const char* name) const {
        return Find<QLabel>(DataWindow(), name)->text().toDouble();
    }
    // The time-plot window's frame in the main window, and the view inside it.
    QWidget* DataFrame() const { return gui_->ui->Window(FormId::frmData); }
    QWidget* DataWindow() const { return Find<QWidget>(DataFrame(), "frmData"); }
    bool TraceAcrossThePlot() const {
        const QImage image = Find<QWidget>(DataWindow(), "pic1")->grab().toImage();
        int columns = 0;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (image.pixel(x, y) == qRgb(0, 0, 128)) {
                    ++columns;
                    break;
                }
            }
        }
        return columns > image.width() * 9 / 10;
    }

    FakeClock clock_{1e-9};
    std::unique_ptr<GuiFixture> gui_;
};

void SweepTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    InstallHardware(ParseCommandLine({"--simulate"}));
    ::Main("");
    QVERIFY(QTest::qWaitForWindowExposed(MainWindow()));
    MainWindow()->resize(1100, 760);
    gui_->messages.clear();
}

void SweepTest::cleanupTestCase() {
    gui_.reset();
    RemoveHardware();
    SimulatedBoards().Detach();
}

void SweepTest::plotDataDrawsTheTraceAndItsStatistics() {
    QVERIFY(PickFromPopupOf(Control<QLabel>("lblDevice"), "mnuKxs306"));
    WithNextModal([](QDialog* dialog) {
        auto* box = Find<QLineEdit>(dialog, "txtUser");
        box->selectAll();
        QTest::keyClicks(box, "378");
        QTest::mouseClick(Find<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    Control<QAction>("mnuPort")->trigger();
    QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
    QVERIFY(gui_->messages.empty());
    QCOMPARE(App().SamplesTaken, 2048);

    // The trace colour runs across the plot, also once the window was made smaller.
    QVERIFY(TraceAcrossThePlot());
    DataFrame()->resize(DataFrame()->size() - QSize(200, 100));
    QVERIFY(TraceAcrossThePlot());
    // Never so small that the labels and the statistics no longer fit.
    DataFrame()->resize(100, 50);
    QVERIFY(DataWindow()->width() >= 8360 / 15 && DataWindow()->height() >= 2800 / 15);

    // The simulated rate is a sine of 1/4 full scale (512 codes of 0.0977 deg/s) with a
    // little noise, over whole periods.
    for (auto [name, value, within] : {std::tuple{"lblMax", 50.0, 1.0},
                                       {"lblMin", -50.0, 1.0},
                                       {"lblPkPk", 100.0, 2.0},
                                       {"lblAverage", 0.0, 0.5},
                                       {"lblRMS", 35.36, 0.5}}) {
        QVERIFY2(qAbs(Readout(name) - value) < within, name);
    }
    QVERIFY(Readout("lblTsample") > 0);
}

void SweepTest::stopOrClosingTheWindowEndsAContinuousRun() {
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    bool stopWasLive = false;
    QTimer::singleShot(300, [this, &stopWasLive] {
        stopWasLive = !Control<QPushButton>("cmdSingleSweep")->isEnabled();
        Control<QPushButton>("cmdStop")->click(); // not the mouse: the focus is left to the run
    });
    QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
    QVERIFY(stopWasLive);
    QVERIFY(Control<QPushButton>("cmdSingleSweep")->isEnabled());
    QCOMPARE(MainWindow()->focusWidget(), Control<QPushButton>("cmdStop"));

    // The model and the port chosen from the menus are on disk already. Closing in the middle
    // of a run ends it, and the program, with the settings saved, and the plot windows hidden.
    QFile config(gui_->dir.filePath("QueltoEval.cfg"));
    QVERIFY(config.exists());
    QTimer::singleShot(200, [this] { MainWindow()->close(); });
    QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
    QVERIFY(gui_->ui->EndRequested());
    QVERIFY(DataFrame()->isHidden());
    QVERIFY(config.open(QIODevice::ReadOnly));
    QVERIFY(config.readAll().startsWith("Device = KXS306\r\nInterface =  1 \r\n"));
}

QTEST_MAIN(SweepTest)
#include "tst_sweep.moc"
