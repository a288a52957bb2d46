// The noise windows as an engineer uses them on the simulated board: numbers on the axes of a
// density within one decade, the saved picture and the exports, a log opened by a column's
// name, and the Allan curve drawn again while a collected run goes on.
#include "gui/frmNoiseAnalysis.h"
#include "platform/SimulatorControl.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QImage>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>

#include <cmath>

class NoiseWindowsTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->StartSimulated("KXS201", 8192));
        MainWindow()->resize(1200, 860);
        Simulator()->UseTypicalNoise();
        Simulator()->SetAmplitude(0); // the part's noise alone
        Control<QPushButton>("cmdSingleSweep")->click();
        Control<QAction>("mnuNoiseDensity")->trigger();
        Control<QAction>("mnuAllan")->trigger();
    }
    void cleanupTestCase() { gui_.reset(); }

    void bothAxesCarryPlainNumbersAndUnits() {
        for (FormId form : {FormId::frmNoise, FormId::frmAllan}) {
            const auto axes = Find<QChartView>(Window(form), "chart")->chart()->axes();
            QCOMPARE(axes.size(), 2);
            for (auto* axis : axes) {
                const QStringList labels = qobject_cast<QCategoryAxis*>(axis)->categoriesLabels();
                QVERIFY2(labels.size() >= 2, qPrintable(axis->titleText()));
                for (const QString& label : labels) {
                    QVERIFY2(!label.contains('e'), qPrintable(label));
                }
                QVERIFY(axis->titleText().contains(QRegularExpression("\\(.+\\)")));
            }
        }
    }
    void savedFilesAreTheWholeWindowAndGetTheirExtension() {
        QWidget* allan = View(FormId::frmAllan);
        QVERIFY(Find<QLabel>(allan, "lblTitle")->text().contains("KXS201"));
        const QString base = gui_->dir.filePath("allan");
        NoiseWindowView::askPath = [base](QWidget*, bool, const QString&) { return base; };
        const QSize shown = allan->size(); // before the window says where the file went
        Find<QPushButton>(allan, "cmdSavePng")->click();
        QCOMPARE(QImage(base + ".png").size(), shown);
        Find<QPushButton>(allan, "cmdExportCsv")->click();
        QVERIFY(QFile::exists(base + ".csv"));
        // A name the user gave an extension keeps it.
        NoiseWindowView::askPath = [base](QWidget*, bool, const QString&) { return base + ".txt"; };
        Find<QPushButton>(View(FormId::frmNoise), "cmdExportCsv")->click();
        QVERIFY(QFile::exists(base + ".txt") && !QFile::exists(base + ".txt.csv"));
    }
    void openLogOffersTheColumnsByName() {
        QFile log(gui_->dir.filePath("run.txt"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("KXS201\tDate\t07/12/26 10:00:00\r\nTemperature\t25  dgrC\r\n"
                  "\tGyro\tTemp\r\nSample\tDgr/S\tDgrC\r\n");
        for (int k = 1; k <= 4000; ++k) {
            log.write(QString("%1\t%2\t%3\r\n")
                          .arg(k)
                          .arg(std::sin(k * 1.7))
                          .arg(25 + std::cos(k * 2.3))
                          .toLatin1());
        }
        log.close();
        std::vector<std::string> prompts;
        gui_->ui->SetInputSink([&prompts](const std::string& prompt) {
            prompts.push_back(prompt);
            return std::optional<std::string>(prompts.size() == 1 ? " temp " : "250");
        });
        NoiseWindowView::askPath = [&log](QWidget*, bool, const QString&) {
            return log.fileName();
        };
        Find<QPushButton>(View(FormId::frmAllan), "cmdOpenLog")->click();
        gui_->ui->SetInputSink(nullptr);
        QCOMPARE(prompts.size(), size_t{2});
        QVERIFY(prompts[0].find("1  Gyro (Dgr/S)") != std::string::npos);
        QVERIFY(prompts[0].find("2  Temp (DgrC)") != std::string::npos);
        const QString source = Find<QLabel>(View(FormId::frmAllan), "lblSource")->text();
        QVERIFY2(source.contains("Temp (column 2)") && source.contains("4000 samples at 250 Hz"),
                 qPrintable(source));
    }
    void theAllanCurveIsDrawnAgainWhileACollectedRunGoesOn() {
        QTest::mouseClick(Find<QCheckBox>(View(FormId::frmAllan), "chkCollect"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
        const auto* picture = Find<QLabel>(View(FormId::frmAllan), "picture");
        // The pictures drawn, each with the sweeps completed when it was seen.
        std::vector<std::pair<qint64, int>> drawn;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            const qint64 key = picture->pixmap().cacheKey();
            if (drawn.empty() || drawn.back().first != key) {
                drawn.push_back({key, NoiseRecord().sweepsCollected});
            }
        });
        poll.start(10);
        QElapsedTimer run;
        run.start();
        QTimer::singleShot(4000, [this] { Control<QPushButton>("cmdStop")->click(); });
        QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
        poll.stop();
        QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
        const int sweeps = NoiseRecord().sweepsCollected;
        // Drawn within a sweep, not only as sweeps end, and not more than four times a second.
        int withinASweep = 0;
        for (size_t i = 1; i < drawn.size(); ++i) {
            withinASweep += drawn[i].second == drawn[i - 1].second && drawn[i].second > 0;
        }
        QVERIFY2(withinASweep >= 1, qPrintable(QString::number(drawn.size())));
        QVERIFY(static_cast<int>(drawn.size()) <= run.elapsed() / 250 + sweeps + 2);
    }

private:
    QWidget* View(FormId form) const {
        return Find<QWidget>(Window(form), form == FormId::frmAllan ? "frmAllan" : "frmNoise");
    }
};

QTEST_MAIN(NoiseWindowsTest)
#include "tst_noisewindows.moc"
