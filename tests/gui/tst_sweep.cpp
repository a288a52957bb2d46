// Sweeps from end to end as an engineer takes them: the real windows on the simulated board,
// "Plot Data" drawing across the plot at any size; the Analysis menu's windows on a noisy
// sweep; then a pop-up and Stop in a continuous run, and closing the window in the middle of
// one. The numbers, and what the spectrum window shows, are checked in the core tests.
#include "gui/frmNoiseAnalysis.h"
#include "platform/SimulatorControl.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QFile>
#include <QImage>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

class SweepTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->StartSimulated("KXS306", 2048));
        MainWindow()->resize(1100, 760);
        gui_->messages.clear();
    }
    void cleanupTestCase() { gui_.reset(); }
    void plotDataDrawsTheTraceAtAnySize() {
        // With the spectrum off, a sweep computes none.
        App().FftPeakMag = -1;
        QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
        QVERIFY(gui_->messages.empty());
        QCOMPARE(App().FftPeakMag, -1.0f);

        // The trace colour runs across the plot, also once the window was made smaller.
        QVERIFY(TraceAcrossThePlot());
        DataFrame()->resize(DataFrame()->size() - QSize(200, 100));
        QVERIFY(TraceAcrossThePlot());
        // Never so small that the labels and the statistics no longer fit.
        DataFrame()->resize(100, 50);
        QVERIFY(DataWindow()->width() >= 8360 / 15);
        QVERIFY(DataWindow()->height() >= 2800 / 15);
    }
    void analysisWindowsPlotTheSweepAndExportIt() {
        Simulator()->UseTypicalNoise();
        Control<QPushButton>("cmdSingleSweep")->click();
        // A density and an Allan curve drawn, their figures shown.
        for (auto [action, form] :
             {std::pair{"mnuNoiseDensity", FormId::frmNoise}, {"mnuAllan", FormId::frmAllan}}) {
            Control<QAction>(action)->trigger();
            QWidget* window = Window(form);
            QVERIFY(window != nullptr && window->isVisible());
            QVERIFY(Points(window) > 10);
            QVERIFY(!Find<QLabel>(window, "lblFigures")->text().isEmpty());
            QVERIFY(Find<QLabel>(window, "lblMessage")->text().isEmpty());
            // Refreshes during a sweep leave the drawn chart alone: redrawing it at each one
            // slowed the sweeps tenfold.
            const auto* picture = Find<QLabel>(window, "picture");
            const qint64 drawn = picture->pixmap().cacheKey();
            QVERIFY(!picture->pixmap().isNull());
            for (int i = 0; i < 5; ++i) {
                gui_->ui->Refresh();
            }
            QCOMPARE(picture->pixmap().cacheKey(), drawn);
        }

        const QString csv = gui_->dir.filePath("allan.csv");
        NoiseWindowView::askPath = [csv](QWidget*, bool, const QString&) { return csv; };
        Find<QPushButton>(Window(FormId::frmAllan), "cmdExportCsv")->click();
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QStringList lines = QString(written.readAll()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 5 && lines[0].startsWith("tau_s,"));

        // A segment longer than the 2048-sample record: said in the window, nothing drawn.
        QWidget* density = Window(FormId::frmNoise);
        Choose(Find<QComboBox>(density, "cboSegment"), "65536");
        QVERIFY(Find<QLabel>(density, "lblMessage")->text().contains("shorter than one segment"));
        QCOMPARE(Points(density), 0);
        QVERIFY(Find<QLabel>(density, "lblFigures")->text().isEmpty());
        Window(FormId::frmNoise)->close();
        Window(FormId::frmAllan)->close();
    }
    void aPopUpLeavesAContinuousRunGoingAndStopEndsIt() {
        QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
        int32_t whenOpened = 0;
        bool popUpShown = false;
        bool grew = false;
        bool stopWasLive = false;
        QTimer::singleShot(100, [&] {
            // The midscale commands, offered by the "Average" title.
            QTest::mouseClick(Find<QLabel>(DataFrame(), "lblShowAverage"), Qt::RightButton);
            whenOpened = App().SamplesTaken;
        });
        QTimer::singleShot(400, [&] {
            QWidget* popUp = QApplication::activePopupWidget();
            popUpShown = popUp != nullptr;
            grew = App().SamplesTaken != whenOpened;
            if (popUp != nullptr) {
                popUp->close();
            }
            stopWasLive = !Control<QPushButton>("cmdSingleSweep")->isEnabled();
            Control<QPushButton>("cmdStop")->click(); // not the mouse: the focus is left to the run
        });
        QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
        QVERIFY(popUpShown);
        QVERIFY(grew);
        QVERIFY(stopWasLive);
        QVERIFY(Control<QPushButton>("cmdSingleSweep")->isEnabled());
        QCOMPARE(MainWindow()->focusWidget(), Control<QPushButton>("cmdStop"));
        // Closing in the middle of a run ends it, and the program, with the settings saved (in the
        // program's own layout), and the plot windows hidden.
        QFile config(gui_->dir.filePath("QueltoEval.cfg"));
        QTimer::singleShot(200, [this] { MainWindow()->close(); });
        QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
        QVERIFY(gui_->ui->EndRequested());
        QVERIFY(DataFrame()->isHidden());
        QVERIFY(config.open(QIODevice::ReadOnly));
        QVERIFY(config.readAll().startsWith("Device = KXS306\r\nInterface =  1 \r\n"));
    }

private:
    // The time-plot window's frame in the main window, and the view inside it.
    QWidget* DataFrame() const { return Window(FormId::frmData); }
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
    // Points drawn in an analysis window's chart, over all its series.
    static int Points(const QWidget* window) {
        int points = 0;
        for (auto* series : Find<QChartView>(window, "chart")->chart()->series()) {
            points += static_cast<int>(qobject_cast<QXYSeries*>(series)->count());
        }
        return points;
    }

    FakeClock clock_{1e-9};
};

QTEST_MAIN(SweepTest)
#include "tst_sweep.moc"
