// The Analysis menu's windows on the simulated gyroscope: a sweep gives a density and an
// Allan curve with their figures, a segment longer than the record gives a message and no
// curve, and Export CSV writes the curve.
#include "app/Hardware.h"
#include "app/Startup.h"
#include "platform/SimulatorControl.h"
#include "plots/frmNoiseAnalysis.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/FakeClock.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

class NoiseAnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void windowsPlotTheSweepAndExportIt();

private:
    // Points drawn in the window's chart, over all its series.
    static int Points(const QWidget* window) {
        int points = 0;
        for (auto* series : Find<QChartView>(window, "chart")->chart()->series()) {
            points += static_cast<int>(qobject_cast<QXYSeries*>(series)->count());
        }
        return points;
    }

    FakeClock clock_{1e-9};
};

void NoiseAnalysisTest::windowsPlotTheSweepAndExportIt() {
    GuiFixture gui;
    QVERIFY(gui.StartSimulated("KXS306", 2048));
    Simulator()->UseTypicalNoise();
    Find<QPushButton>(gui.MainWindow(), "cmdSingleSweep")->click();

    const struct {
        const char* action;
        FormId form;
        const char* figure;
    } windows[] = {{"mnuNoiseDensity", FormId::frmNoise, "White-noise floor"},
                   {"mnuAllan", FormId::frmAllan, "Angle random walk"}};
    for (const auto& w : windows) {
        gui.MainWindow()->findChild<QAction*>(w.action)->trigger();
        QWidget* window = gui.ui->Window(w.form);
        QVERIFY(window != nullptr && window->isVisible());
        QVERIFY(Points(window) > 10);
        QVERIFY(Find<QLabel>(window, "lblFigures")->text().contains(w.figure));
        QVERIFY(Find<QLabel>(window, "lblMessage")->text().isEmpty());
        // Refreshes during a sweep leave the drawn chart alone: redrawing it at each one
        // slowed the sweeps tenfold.
        const auto* picture = Find<QLabel>(window, "picture");
        const qint64 drawn = picture->pixmap().cacheKey();
        QVERIFY(!picture->pixmap().isNull());
        for (int i = 0; i < 5; ++i) {
            gui.ui->Refresh();
        }
        QCOMPARE(picture->pixmap().cacheKey(), drawn);
    }

    const QString csv = gui.dir.filePath("allan.csv");
    NoiseWindowView::askPath = [csv](QWidget*, bool, const QString&) { return csv; };
    QWidget* allan = gui.ui->Window(FormId::frmAllan);
    Find<QPushButton>(allan, "cmdExportCsv")->click();
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString(written.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 5 && lines[0].startsWith("tau_s,"));

    // A segment longer than the 2048-sample record: said in the window, nothing drawn.
    QWidget* density = gui.ui->Window(FormId::frmNoise);
    auto* segment = Find<QComboBox>(density, "cboSegment");
    segment->setCurrentText("65536");
    emit segment->activated(segment->currentIndex());
    QVERIFY(Find<QLabel>(density, "lblMessage")->text().contains("shorter than one segment"));
    QCOMPARE(Points(density), 0);
    QVERIFY(Find<QLabel>(density, "lblFigures")->text().isEmpty());
    RemoveHardware();
}

QTEST_MAIN(NoiseAnalysisTest)
#include "tst_noiseanalysis.moc"
