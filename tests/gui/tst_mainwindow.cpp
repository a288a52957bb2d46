// The Qt views driven by the real start-up without a board, with the calibration on a fake
// clock and the configuration file in a temporary directory: the main window and its plot
// windows, printing them (into a PDF file read back with poppler's tools), the help window
// and the boxes. The screen is shorter than the help window's designed height.
#include "commands/UtilityCommands.h"
#include "forms/Forms.h"
#include "forms/TimePlotForm.h"
#include "gui/QtCanvas.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QDockWidget>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>

#include <random>

namespace {

int CountPixels(const QImage& image, std::function<bool(QRgb)> match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += match(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}
int CountPixels(const QImage& image, QColor colour) {
    return CountPixels(image, [colour](QRgb c) { return QColor(c) == colour; });
}

// Runs a poppler tool; its standard output, or a failed check when it is missing.
QString Poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning("%s failed (scripts/install-deps installs poppler-utils)", qPrintable(tool));
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

class MainWindowTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->Start(false));
    }
    void cleanupTestCase() { gui_.reset(); }

    void bringsUpTheLoadedMainWindow() {
        // No configuration: one message (the core tests' to word), during the load, before the
        // window was shown.
        QVERIFY(gui_->messages.size() == 1 && !gui_->messages[0].mainShown);
        QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("None"));

        // The timing is measured from the events once the window is up, without the busy
        // pointer.
        QVERIFY(!App().DelayCalibrated);
        QTRY_COMPARE(App().DelayLoopCount, 10000);
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // Captions come from the model; the icon button shows no text.
        QCOMPARE(Control<QGroupBox>("frameDataRead")->title(), QString("Data Setup"));
        auto* stop = Control<QPushButton>("cmdStop");
        QVERIFY(stop->text().isEmpty() && !stop->icon().isNull());
        QCOMPARE(Control<QLabel>("lblPort")->toolTip(), QString("Right Click to change the Port"));

        // The window system owns the geometry: a place asked for is carried out, the model follows
        // whatever the window gets, and nothing else written into the model moves the window.
        auto& form = App().mdiAnalyzer.form;
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
    }
    void menuBarShowsTheVisibleMenusOnly() {
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
    void deviceMenuSelectsTheModel() {
        // What the model holds per device is checked in the core tests; here, that it shows.
        Control<QAction>("mnuKxs201")->trigger();
        QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("KXS201"));
        QCOMPARE(Control<QRadioButton>("optAdcIn1")->text(), QString("Y accel"));
        QVERIFY(Control<QRadioButton>("optAdcIn2")->isHidden());

        // "Powerdown" sits beside the first channel, "Self Test" beside the second, although
        // "Self Test" comes first in the window's order.
        QCoreApplication::processEvents();
        QVERIFY(Control<QCheckBox>("ChkPowerdown")->y() < Control<QCheckBox>("ckSelfTestPos")->y());

        // The Device label's right click pops up the same menu.
        QVERIFY(PickFromPopupOf(Control<QLabel>("lblDevice"), "mnuKxs306"));
        QVERIFY(Control<QRadioButton>("optAdcIn1")->isHidden());

        // A left click pops nothing up and shows the device again.
        App().mdiAnalyzer.txtDevice.text = "stale";
        QTest::mouseClick(Control<QLabel>("lblDevice"), Qt::LeftButton);
        QCOMPARE(Control<QLineEdit>("txtDevice")->text(), QString("KXS306"));
    }
    void userEditsReachTheModel() {
        auto& m = App().mdiAnalyzer;
        TypeInto(Control<QLineEdit>("txtLoopDelay"), "2.5");
        QCOMPARE(m.txtLoopDelay.text, std::string("2.5"));

        auto* lengths = Control<QComboBox>("DatalogLengthCBX");
        lengths->setFocus();
        QTest::keyClick(lengths, Qt::Key_Down);
        // The plot's length follows at once.
        QCOMPARE(Find<QLabel>(DataWindow(), "lblPlotX4")->text(), QString("4096"));

        QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
        QCOMPARE(m.chkContinuous.value, int16_t{1});
        QTest::mouseClick(Control<QRadioButton>("optAdcIn2"), Qt::LeftButton);
        QCOMPARE(App().ChannelIndex, int16_t{2});

        // And back: the window shows what the model holds.
        m.txtPort.text = "278";
        m.optAdcIn[2].value = false; // a group with nothing chosen
        m.chkContinuous.value = 0;
        App().frmData.lblMin.caption = "-1.25";
        Ui().Refresh();
        QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("278"));
        QVERIFY(!Control<QRadioButton>("optAdcIn2")->isChecked());
        QVERIFY(!Control<QCheckBox>("chkContinuous")->isChecked());
        QCOMPARE(Find<QLabel>(DataWindow(), "lblMin")->text(), QString("-1.25"));
    }
    void plotWindowsOpenInsideTheMainWindow() {
        auto* area = Control<QMdiArea>("mdiArea");
        auto* data = DataWindow();
        QVERIFY(area->subWindowList().contains(data));
        QCOMPARE(data->geometry(), area->viewport()->rect());
        QCOMPARE(App().frmData.pic1,
                 static_cast<Canvas*>(&Find<CanvasWidget>(data, "pic1")->Canvas()));

        App().frmData.form.caption = "Time Data -- KXS306 Gyro";
        Ui().Refresh();
        QCOMPARE(data->windowTitle(), QString("Time Data -- KXS306 Gyro"));

        // Closing the spectrum window, or "FFT Off", hides it; tst_geometry checks that the
        // windows then share the area.
        for (const char* off : {"close", "mnuFFToff"}) {
            Control<QAction>("mnuFFTon")->trigger();
            auto* fft = Window(FormId::frmFFT);
            QVERIFY(fft != nullptr && fft->isVisible() && App().frmFFT.pic1 != nullptr);
            QCOMPARE(App().frmFFT.form.top, fft->y() * 15);
            off == std::string("close") ? void(fft->close()) : Control<QAction>(off)->trigger();
            QVERIFY(!fft->isVisible() && !App().frmFFT.form.visible);
            QCOMPARE(Window(FormId::frmFFT), fft);
        }
    }
    void canvasDrawsInTwips() {
        QtCanvas canvas(QSize(100, 50));
        // A pixel is 15 twips.
        const QColor red(255, 0, 0);
        canvas.Line(0, 150, 1500, 150, {255, 0, 0}, LineStyle::Solid);
        canvas.Line(0, 450, 1500, 450, {0, 0, 128}, LineStyle::Dot);
        const QImage& image = canvas.Image();
        QVERIFY(CountPixels(image, red) >= 99);
        QCOMPARE(image.pixelColor(50, 10), red);
        QCOMPARE(image.pixelColor(50, 11), QColor(Qt::white));
        const int dots = CountPixels(image, QColor(0, 0, 128));
        QVERIFY2(dots > 20 && dots < 80, qPrintable(QString::number(dots)));
        // What of each change reaches the screen is tst_geometry's, on a live trace.
        canvas.Circle(750, 375, 150, {0, 128, 0});
        QCOMPARE(image.pixelColor(50, 25), QColor(Qt::white)); // an outline, not a disc
        QVERIFY(CountPixels(image, QColor(0, 128, 0)) > 30);

        canvas.Clear();
        QCOMPARE(CountPixels(image, red), 0);
        // A new size starts clear.
        canvas.Line(0, 0, 1500, 750, {255, 0, 0}, LineStyle::Solid);
        canvas.Resize(QSize(200, 80));
        QCOMPARE(canvas.Height(), 1200.0f);
        QCOMPARE(CountPixels(canvas.Image(), red), 0);

        // A trace kept by columns paints what painting each segment whole paints: a dense walk
        // (many samples a column, steep, flat, off the top and bottom under the sample circles)
        // and a sparse one.
        std::mt19937 random(1);
        for (int samples : {6000, 40}) {
            QtCanvas columns(QSize(300, 120)), whole(QSize(300, 120));
            whole.KeepColumns(false);
            float y = 900;
            for (int k = 0; k < samples; ++k) {
                const float next = std::clamp(y + std::normal_distribution<float>(0, 150)(random),
                                              -100.0f, 1900.0f);
                for (QtCanvas* c : {&columns, &whole}) {
                    c->Line(4500.0f * k / samples, y, 4500.0f * (k + 1) / samples, next,
                            {0, 0, 128}, LineStyle::Solid);
                    c->Circle(4500.0f * (k + 1) / samples, 0, 20, {0, 0, 0});
                }
                y = next;
            }
            QCOMPARE(columns.Image(), whole.Image());
        }
    }
    void printsEachVisiblePlotWindowOnAPageOfItsOwn() {
        // The spectrum window takes half the area, which clears the time plot: then a band of
        // trace lines, wide enough to keep its colour through the page's scaling.
        ShowForm(FormId::frmFFT);
        QCoreApplication::processEvents();
        Canvas* plot = frmData().pic1;
        for (int row = 0; row < 5; ++row) {
            plot->Line(0, 900 + row * 15, plot->Width(), 900 + row * 15, {0, 0, 128});
        }
        const QString pdf = gui_->dir.filePath(QStringLiteral("plots.pdf"));
        QCOMPARE(PrintedPages(pdf), 2);

        const QString prefix = gui_->dir.filePath(QStringLiteral("page"));
        Poppler(QStringLiteral("pdftoppm"),
                {"-r", "100", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, prefix});
        const QImage page(prefix + ".png");
        // Scaling the page down may round a level off.
        const int traced = CountPixels(page, [](QRgb c) {
            return qRed(c) <= 1 && qGreen(c) <= 1 && qAbs(qBlue(c) - 128) <= 1;
        });
        QVERIFY2(traced > page.width() / 2, qPrintable(QString::number(traced)));

        HideForm(FormId::frmFFT);
        QCOMPARE(PrintedPages(pdf), 1);
        // A printer that cannot be written to is a failure, for "Error Printing" to say.
        QCOMPARE(PrintedPages(gui_->dir.filePath(QStringLiteral("missing/plots.pdf"))), -1);
    }
    void printingToAFileStartsInTheWorkingFolderThenWhereTheLastWent() {
        // No printer here: the file is the only place to print to.
        QStringList offered;
        const QString chosen = gui_->dir.filePath(QStringLiteral("chosen.pdf"));
        for (bool print : {true, false}) {
            WithNextModal([&offered, &chosen, print](QDialog* dialog) {
                auto* file = Find<QLineEdit>(dialog, "filename");
                offered << file->text();
                file->setText(chosen);
                print ? dialog->accept() : dialog->reject();
            });
            QCOMPARE(gui_->ui->PrintPlots(), print);
        }
        QCOMPARE(offered, QStringList({gui_->dir.filePath(QStringLiteral("print.pdf")), chosen}));
        QVERIFY(QFile::exists(chosen));
    }
    void helpOpensOnTheContentsAndListsEveryKey() {
        mnuHelp_Click();
        auto* browser = Find<QTextBrowser>(MainWindow(), "helpBrowser");
        QWidget* window = browser->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Getting started")));
        // Help again comes back to the same window.
        mnuHelp_Click();
        QCOMPARE(MainWindow()->findChildren<QTextBrowser*>().size(), 1);

        // Whole on the screen; Esc closes it, and help brings it back where it was.
        QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
        const QPoint at = window->pos();
        QTest::keyClick(browser, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        mnuHelp_Click();
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), at);

        // Every key the main window has is in its table on the shortcuts page: its shortcuts, its
        // menu items' keys (the plot windows' own among them) and its menu titles' Alt keys.
        QFile page(QFileInfo(QString::fromStdString(HelpLocations().back()))
                       .dir()
                       .filePath("shortcuts.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString table = QString::fromUtf8(page.readAll()).section("<h2>", 1, 1);
        QStringList keys;
        for (const QShortcut* shortcut : MainWindow()->findChildren<QShortcut*>()) {
            keys << shortcut->key().toString();
        }
        for (const QAction* action : MainWindow()->findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts()) {
                keys << key.toString();
            }
        }
        for (const QAction* menu : MainWindow()->menuBar()->actions()) {
            if (menu->isVisible() && menu->text().contains('&')) {
                keys << "Alt+" + menu->text().section('&', 1).left(1).toUpper();
            }
        }
        for (const QString& key : keys) {
            QVERIFY2(table.contains("<kbd>" + key + "</kbd>"), qPrintable(key));
        }
    }
    void boxesShowTheirWholeTitle() {
        // Room for the title in the window manager's bold font beside its buttons and icon: a
        // message box at least as wide as its title, an input box wider still.
        gui_->ui->SetMessageSink(nullptr);
        QFont bold = QApplication::font();
        bold.setBold(true);
        auto room = [&bold](std::function<void()> open) {
            int room = -1000;
            WithNextModal([&](QDialog* dialog) {
                room =
                    dialog->width() - QFontMetrics(bold).horizontalAdvance(dialog->windowTitle());
                dialog->reject();
            });
            open();
            return room;
        };
        QVERIFY(room([] { Ui().MsgBox("Short."); }) > 0);
        QVERIFY(room([] { Ui().InputBox("Transfers", "Time Out Next USB Transfers...", "3"); }) >=
                100);
    }

private:
    QWidget* DataWindow() const { return Window(FormId::frmData); }
    int PrintedPages(const QString& pdf) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        if (!gui_->ui->PrintPlotsOn(printer)) {
            return -1;
        }
        const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                               .match(Poppler(QStringLiteral("pdfinfo"), {pdf}));
        return pages.hasMatch() ? pages.captured(1).toInt() : 0;
    }

    FakeClock clock_{1e-9};
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
