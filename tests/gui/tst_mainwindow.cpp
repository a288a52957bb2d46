// The Qt views driven by the real start-up, with the calibration on a fake clock and the
// configuration file in a temporary directory.
#include "app/Forms.h"
#include "app/QtCanvas.h"
#include "app/Startup.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplashScreen>

namespace {

int CountPixels(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void bringsUpTheLoadedMainWindow();
    void panelHoldsEveryControlInOrder();
    void menuBarShowsTheVisibleMenusOnly();
    void deviceMenuSelectsTheModel();
    void userEditsReachTheModel();
    void plotWindowsOpenInsideTheMainWindow();
    void canvasDrawsInTwips();
    void inputBoxesShowTheirWholeTitle();

private:
    template <class T> T* Control(const char* name) const { return Find<T>(MainWindow(), name); }
    QMainWindow* MainWindow() const { return gui_->MainWindow(); }
    QWidget* DataWindow() const { return gui_->ui->Window(FormId::frmData); }

    FakeClock clock_{1e-9};
    std::unique_ptr<GuiFixture> gui_;
};

void MainWindowTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    ::Main("");
    QVERIFY(MainWindow() != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(MainWindow()));
}

void MainWindowTest::cleanupTestCase() { gui_.reset(); }

void MainWindowTest::bringsUpTheLoadedMainWindow() {
    QVERIFY(MainWindow()->isVisible());

    // No configuration: one message, during the load, before the window was shown.
    const auto& messages = gui_->messages;
    QCOMPARE(messages.size(), size_t{1});
    QCOMPARE(messages[0].text, std::string("Please select an interface before taking data"));
    QCOMPARE(messages[0].title, std::string("Quelto Evaluation Program"));
    QVERIFY(!messages[0].mainShown);

    QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("None"));

    // The calibration's splash is gone and the pointer is back.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        QVERIFY(qobject_cast<QSplashScreen*>(top) == nullptr || !top->isVisible());
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The window system owns the geometry: a place asked for is carried out, the model follows
    // whatever the window gets, and nothing else written into the model moves the window.
    auto& form = App().mdiAnalyzer.form;
    QCOMPARE(form.height / 15,
             (QGuiApplication::primaryScreen()->geometry().height() * 15 - 500) / 15);
    PlaceForm(FormId::mdiAnalyzer, {30 * 15, 20 * 15, form.width, 500 * 15});
    QCOMPARE(MainWindow()->y(), 20);
    QCOMPARE(MainWindow()->frameGeometry().height(), 500);
    MainWindow()->resize(MainWindow()->width(), 470);
    MainWindow()->move(40, 25);
    const int outer = MainWindow()->frameGeometry().height();
    QCOMPARE(QPoint(form.left, form.top), QPoint(40 * 15, 25 * 15));
    QCOMPARE(form.height, outer * 15);
    form.height = 300 * 15;
    Ui().Refresh();
    QCOMPARE(MainWindow()->frameGeometry().height(), outer);
    // A size past the screen is cut to it.
    PlaceForm(FormId::mdiAnalyzer, {form.left, form.top, form.width, 5000 * 15});
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(MainWindow()->frameGeometry().bottom() <= screen.bottom());
}

void MainWindowTest::panelHoldsEveryControlInOrder() {
    const QStringList order = {
        "cmdLogData",       "cmdStop",       "cmdSingleSweep",   "frmDataLog",    "cmdSetupDlog",
        "txtDlogFile",      "txtFileIndex",  "FileNameLbL",      "frameDataRead", "chkContinuous",
        "DatalogLengthCBX", "txtLoopDelay",  "DataLogLengthLBL", "Label1",        "frameADC",
        "ckSelfTestPos",    "ckSelfTestNeg", "optAdcIn0",        "optAdcIn1",     "optAdcIn2",
        "optAdcIn3",        "ChkPowerdown",  "frameSetup",       "txtPort",       "txtInterface",
        "txtDevice",        "lblPort",       "lblInterface",     "lblDevice"};
    auto* panel = Control<QDockWidget>("Picture1");
    QStringList found;
    for (QWidget* widget : panel->findChildren<QWidget*>()) {
        if (order.contains(widget->objectName())) {
            found << widget->objectName();
        }
    }
    QCOMPARE(found, order);

    // Captions come from the model; the icon button shows no text.
    QCOMPARE(Control<QGroupBox>("frameDataRead")->title(), QString("Data Setup"));
    QCOMPARE(Control<QLabel>("FileNameLbL")->accessibleName(), QString(" Output File"));
    auto* stop = Control<QPushButton>("cmdStop");
    QVERIFY(stop->text().isEmpty() && !stop->icon().isNull());
    QCOMPARE(Control<QLabel>("lblPort")->toolTip(), QString("Right Click to change the Port"));
}

void MainWindowTest::menuBarShowsTheVisibleMenusOnly() {
    QStringList onBar;
    for (QAction* action : MainWindow()->menuBar()->actions()) {
        if (action->isVisible()) {
            onBar << action->text();
        }
    }
    QCOMPARE(onBar, QStringList({"&Interface", "&Device", "Read &Temp", "&Run Test", "FFT",
                                 "&Print", "&Help", "Exit", "&Analysis"}));
    // Ticks and visibility follow the models.
    auto* fftOff = Control<QAction>("mnuFFToff");
    QVERIFY(fftOff->isChecked());
    auto& m = App().mdiAnalyzer;
    m.mnuUSB.visible = false;
    m.mnuSim.visible = true;
    Ui().Refresh();
    QVERIFY(!Control<QAction>("mnuUSB")->isVisible());
    QVERIFY(Control<QMenu>("mnuSim")->menuAction()->isVisible());
    m.mnuUSB.visible = true;
    m.mnuSim.visible = false;

    // Choosing a ticked item without a handler leaves the tick to the model.
    fftOff->trigger();
    QVERIFY(fftOff->isChecked());
}

void MainWindowTest::deviceMenuSelectsTheModel() {
    // What the model holds per device is checked in the core tests; here, that it shows.
    Control<QAction>("mnuKxs201")->trigger();
    QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("KXS201"));
    QCOMPARE(Control<QRadioButton>("optAdcIn1")->text(), QString("Y accel"));
    QVERIFY(Control<QRadioButton>("optAdcIn2")->isHidden());

    // "Powerdown" sits beside the first channel, "Self Test" beside the second, although
    // "Self Test" comes first in the window's order.
    QCoreApplication::processEvents();
    auto* powerdown = Control<QCheckBox>("ChkPowerdown");
    auto* selfTest = Control<QCheckBox>("ckSelfTestPos");
    QVERIFY(powerdown->y() < selfTest->y());

    QCOMPARE(Find<QLabel>(DataWindow(), "lblTest3")->text(), QString("Y Accel"));

    // The Device label's right click pops up the same menu.
    QVERIFY(PickFromPopupOf(Control<QLabel>("lblDevice"), "mnuKxs306"));
    QVERIFY(Control<QRadioButton>("optAdcIn1")->isHidden());

    // A left click pops nothing up and shows the device again.
    App().mdiAnalyzer.txtDevice.text = "stale";
    QTest::mouseClick(Control<QLabel>("lblDevice"), Qt::LeftButton);
    QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("KXS306"));
}

void MainWindowTest::userEditsReachTheModel() {
    auto& m = App().mdiAnalyzer;
    auto* delay = Control<QLineEdit>("txtLoopDelay");
    delay->selectAll();
    QTest::keyClicks(delay, "2.5");
    QCOMPARE(m.txtLoopDelay.text, std::string("2.5"));

    auto* lengths = Control<QComboBox>("DatalogLengthCBX");
    lengths->setFocus();
    QTest::keyClick(lengths, Qt::Key_Down);
    // The plot's length follows at once.
    QCOMPARE(Find<QLabel>(DataWindow(), "lblPlotX4")->text(), QString("4096"));

    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    QCOMPARE(m.chkContinuous.value, int16_t{1});
    m.chkContinuous.value = 0;
    Ui().Refresh();

    QTest::mouseClick(Control<QRadioButton>("optAdcIn2"), Qt::LeftButton);
    QCOMPARE(App().ChannelIndex, int16_t{2});

    // And back: the window shows what the model holds.
    m.txtPort.text = "278";
    m.optAdcIn[2].value = false; // a group with nothing chosen
    m.chkContinuous.value = 1;
    App().frmData.lblMin.caption = "-1.25";
    Ui().Refresh();
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("278"));
    QVERIFY(!Control<QRadioButton>("optAdcIn2")->isChecked());
    QVERIFY(Control<QCheckBox>("chkContinuous")->isChecked());
    QCOMPARE(Find<QLabel>(DataWindow(), "lblMin")->text(), QString("-1.25"));
    m.chkContinuous.value = 0;
}

void MainWindowTest::plotWindowsOpenInsideTheMainWindow() {
    auto* area = Control<QMdiArea>("mdiArea");
    auto* data = DataWindow();
    QVERIFY(area->subWindowList().contains(data));
    QCOMPARE(data->geometry(), area->viewport()->rect());
    QCOMPARE(App().frmData.pic1, static_cast<Canvas*>(&Find<CanvasWidget>(data, "pic1")->Canvas()));

    App().frmData.form.caption = "Time Data -- KXS306 Gyro";
    Ui().Refresh();
    QCOMPARE(data->windowTitle(), QString("Time Data -- KXS306 Gyro"));

    // The spectrum window takes the lower half; closing it, or "FFT Off", hides it and gives
    // the time plot the whole area back.
    for (const char* off : {"close", "mnuFFToff"}) {
        Control<QAction>("mnuFFTon")->trigger();
        auto* fft = gui_->ui->Window(FormId::frmFFT);
        QVERIFY(fft != nullptr && fft->isVisible() && App().frmFFT.pic1 != nullptr);
        QCOMPARE(data->geometry().bottom() + 1, fft->geometry().top());
        QCOMPARE(fft->geometry().bottom(), area->viewport()->rect().bottom());
        QCOMPARE(App().frmFFT.form.top, fft->y() * 15);
        if (off == std::string("close")) {
            fft->close();
        } else {
            Control<QAction>(off)->trigger();
        }
        QVERIFY(!fft->isVisible() && !App().frmFFT.form.visible);
        QCOMPARE(gui_->ui->Window(FormId::frmFFT), fft);
        QCOMPARE(data->geometry(), area->viewport()->rect());
    }
}

void MainWindowTest::canvasDrawsInTwips() {
    QtCanvas canvas(QSize(100, 50));
    int changes = 0;
    canvas.onChanged = [&changes] { ++changes; };

    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 128);
    canvas.Line(0, 150, 1500, 150, {255, 0, 0}, LineStyle::Solid);
    canvas.Line(0, 450, 1500, 450, {0, 0, 128}, LineStyle::Dot);
    const QImage& image = canvas.Image();
    QVERIFY(CountPixels(image, red) >= 99);
    QCOMPARE(image.pixelColor(50, 10), red);
    QCOMPARE(image.pixelColor(50, 11), QColor(Qt::white));
    const int dots = CountPixels(image, blue);
    QVERIFY2(dots > 20 && dots < 80, qPrintable(QString::number(dots)));
    // One notice until the widget has taken the change, which covers both lines only.
    QCOMPARE(changes, 1);
    const QRect changed = canvas.TakeChanged();
    QVERIFY(changed.contains(QRect(0, 10, 100, 21)));
    QVERIFY(changed.height() < 30);
    QVERIFY(canvas.TakeChanged().isEmpty());

    canvas.Circle(750, 375, 150, {0, 128, 0});
    QCOMPARE(changes, 2);
    QCOMPARE(image.pixelColor(50, 25), QColor(Qt::white)); // an outline, not a disc
    QVERIFY(CountPixels(image, QColor(0, 128, 0)) > 30);

    canvas.Clear();
    QCOMPARE(CountPixels(image, red), 0);
    canvas.Line(0, 0, 1500, 750, {255, 0, 0}, LineStyle::Solid);
    canvas.Resize(QSize(200, 80));
    QCOMPARE(canvas.Height(), 1200.0f);
    QCOMPARE(CountPixels(canvas.Image(), red), 0);
}

void MainWindowTest::inputBoxesShowTheirWholeTitle() {
    // Room for the title in the window manager's bold font beside its buttons and icon.
    int width = 0;
    WithNextModal([&width](QDialog* dialog) {
        width = dialog->width();
        dialog->reject();
    });
    const std::string title = "Time Out Next USB Transfers...";
    QVERIFY(!Ui().InputBox("Transfers", title, "3"));
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY(width >= QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title)) + 100);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
