// The windows on a real X display under a window manager (openbox) as the user sizes them:
// whatever the main window goes through, the plot windows fill the area they were given and
// the screen shows what they hold, with nothing unpainted or stale. A run of the self-test
// after a shorter sweep draws the whole test.
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/VirtualDisplay.h"

#include <QMdiArea>
#include <QScreen>

#include <cstdlib>

namespace {

// Where a failure leaves its pictures: the folder the test was started in.
QString failures;

} // namespace

class GeometryTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->StartSimulated("KXS201", 2048));
        QCursor::setPos(0, 0); // no hover highlight anywhere
        Sweep();
    }
    void cleanupTestCase() { gui_.reset(); }
    void plotWindowsShowWhatTheyHoldAtEverySize() {
        QMainWindow* main = MainWindow();
        main->resize(1300, 800);
        QCOMPARE(Wrong("a resize"), QString());
        main->showMaximized();
        QVERIFY(QTest::qWaitFor([main] { return main->isMaximized(); }, 3000));
        QCOMPARE(Wrong("maximising"), QString());
        main->showNormal();
        QVERIFY(QTest::qWaitFor([main] { return !main->isMaximized(); }, 3000));
        QCOMPARE(Wrong("restoring"), QString());
        main->resize(main->size() + QSize(300, 150));
        QCOMPARE(Wrong("growing"), QString());
        main->resize(main->size() - QSize(300, 150));
        QCOMPARE(Wrong("shrinking"), QString());

        Control<QAction>("mnuFFTon")->trigger();
        QCOMPARE(Wrong("FFT On"), QString());
        Control<QAction>("mnuFFToff")->trigger();
        QCOMPARE(Wrong("FFT Off"), QString());
        Control<QAction>("mnuFFTon")->trigger();
        Sweep();
        main->showMaximized();
        QVERIFY(QTest::qWaitFor([main] { return main->isMaximized(); }, 3000));
        QCOMPARE(Wrong("maximising with the spectrum"), QString());
        Window(FormId::frmFFT)->close();
        QCOMPARE(Wrong("closing the spectrum"), QString());
        main->showNormal();
    }
    void aSelfTestAfterAShorterSweepIsDrawnWhole() {
        Choose(Control<QComboBox>("DatalogLengthCBX"), "256");
        Sweep();
        Choose(Control<QComboBox>("DatalogLengthCBX"), "2048");
        // The test's labels appear under the plot as it starts, which makes the plot smaller.
        Control<QAction>("mnuTest")->trigger();
        QCOMPARE(App().PlotIndex, 2047);
        // Its first sample started the trace from past the edge, which reads the temperature.
        QCOMPARE(Find<QLabel>(View(FormId::frmData), "lblTemp")->text(), QString("25.00"));
        QVERIFY(gui_->messages.size() == 1 &&
                gui_->messages[0].text.find("Self Test") != std::string::npos);
        // The trace runs across the plot, and the self-test quarter stands above the first.
        const QImage plot = Find<QWidget>(View(FormId::frmData), "pic1")->grab().toImage();
        auto traceTop = [&plot](int quarter) {
            for (int y = 0; y < plot.height(); ++y) {
                for (int x = plot.width() * quarter / 4 + 10;
                     x < plot.width() * (quarter + 1) / 4 - 10; ++x) {
                    if (plot.pixel(x, y) == qRgb(0, 0, 128)) {
                        return y;
                    }
                }
            }
            return plot.height();
        };
        QVERIFY(traceTop(3) < plot.height());
        QVERIFY(traceTop(1) + 20 < traceTop(0));
        QCOMPARE(Wrong("a self-test"), QString());
    }

private:
    QWidget* View(FormId form) const {
        QWidget* frame = Window(form);
        return frame != nullptr
                   ? frame->findChild<QWidget*>(form == FormId::frmData ? "frmData" : "frmFFT")
                   : nullptr;
    }
    // Empty when the area is covered by the plot windows and each shows on the screen what it
    // draws; else what is wrong.
    QString Wrong(const QString& after) const {
        // Let the window manager, the layouts and the repaints settle.
        QTest::qWait(500);
        QRegion covered;
        for (FormId form : {FormId::frmData, FormId::frmFFT}) {
            QWidget* view = View(form);
            if (view == nullptr || !view->isVisible()) {
                continue;
            }
            covered += Window(form)->geometry();
            // What the view's area of the screen shows, as the X server has it.
            const QPoint at = view->mapToGlobal(QPoint());
            const QImage shown = QGuiApplication::primaryScreen()
                                     ->grabWindow(0, at.x(), at.y(), view->width(), view->height())
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
            const QImage drawn = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
            if (drawn != shown) {
                drawn.save(failures + "/geometry-drawn.png");
                shown.save(failures + "/geometry-shown.png");
                return QStringLiteral("after %1 %2 shows other than it draws (geometry-*.png)")
                    .arg(after, view->objectName());
            }
        }
        const QRect area = Control<QMdiArea>("mdiArea")->viewport()->rect();
        if (covered != QRegion(area)) {
            QGuiApplication::primaryScreen()->grabWindow(0).save(failures + "/geometry-screen.png");
            return QStringLiteral("after %1 the plot windows leave part of the area empty")
                .arg(after);
        }
        return {};
    }
    void Sweep() {
        QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
        QVERIFY(gui_->messages.empty());
    }

    FakeClock clock_{1e-9};
};

// The test brings its own display and window manager, whatever platform the environment asks
// for.
int main(int argc, char** argv) {
    VirtualDisplay display;
    if (!display.Start(true, "1600x1000")) {
        std::fprintf(stderr, "tst_geometry: Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    failures = QDir::currentPath();
    GeometryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_geometry.moc"
