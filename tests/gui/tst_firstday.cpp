// What a bench user meets on the first day, through the real widgets on the simulated board:
// windows that come back, a sweep that goes on under a pop-up, dialogs where the plot is,
// captions that fit, and a panel that keeps its shape.
#include "app/Forms.h"
#include "app/Hardware.h"
#include "app/QtCanvas.h"
#include "app/Startup.h"
#include "interfaces/UsbDebug.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

class FirstDayTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void closedPlotWindowComesBackWithTheNextDrawing();
    void popUpDuringARunLeavesItRunning();
    void panelKeepsItsShapeAndItsReadOnlyBoxesTheirPlace();
    void captionsFitAndDialogsOpenWhereThePlotIs();

private:
    template <class T> T* Control(const char* name) const { return Find<T>(Main(), name); }
    QMainWindow* Main() const { return gui_->MainWindow(); }
    QWidget* PlotFrame() const { return gui_->ui->Window(FormId::frmData); }

    std::unique_ptr<GuiFixture> gui_;
};

void FirstDayTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    QVERIFY(gui_->StartSimulated("KXS306", 256));
    QVERIFY(gui_->messages.empty());
}

void FirstDayTest::cleanupTestCase() {
    gui_.reset();
    RemoveHardware();
}

void FirstDayTest::closedPlotWindowComesBackWithTheNextDrawing() {
    struct Case {
        const char* what;
        std::function<void()> draw;
    } cases[] = {
        {"sweep", [this] { Control<QPushButton>("cmdSingleSweep")->click(); }},
        {"channel", [this] { Control<QRadioButton>("optAdcIn2")->click(); }},
        {"zoom", [this] { Control<QAction>("mnuScaleHalf")->trigger(); }},
        {"model", [this] { Control<QAction>("mnuKxs201")->trigger(); }},
    };
    for (const auto& c : cases) {
        QVERIFY2(PlotFrame()->close(), c.what);
        c.draw();
        QVERIFY2(PlotFrame()->isVisible(), c.what);
        // The plot inside the frame too, not an empty frame.
        QVERIFY2(qobject_cast<QMdiSubWindow*>(PlotFrame())->widget()->isVisible(), c.what);
    }
}

void FirstDayTest::popUpDuringARunLeavesItRunning() {
    Control<QAction>("mnuKxs306")->trigger();
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    int32_t whenOpened = 0;
    bool grew = false;
    QTimer::singleShot(100, [&] {
        // The midscale commands, offered by the "Average" title.
        QTest::mouseClick(Find<QLabel>(PlotFrame(), "lblShowAverage"), Qt::RightButton);
        whenOpened = App().SamplesTaken;
    });
    QTimer::singleShot(400, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        grew = popup != nullptr && App().SamplesTaken != whenOpened;
        if (popup != nullptr) {
            popup->close();
        }
        Control<QPushButton>("cmdStop")->click();
    });
    QTest::mouseClick(Control<QPushButton>("cmdSingleSweep"), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>("chkContinuous"), Qt::LeftButton);
    QVERIFY(grew);
}

void FirstDayTest::panelKeepsItsShapeAndItsReadOnlyBoxesTheirPlace() {
    auto* programSetup = Control<QGroupBox>("frameSetup");
    Control<QAction>("mnuKxs306")->trigger();
    QCoreApplication::processEvents();
    const QRect gyroscope = programSetup->geometry();
    const QPoint plot = PlotFrame()->pos();
    Control<QAction>("mnuKxs201")->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(programSetup->geometry(), gyroscope);
    QCOMPARE(PlotFrame()->pos(), plot);

    for (const char* name : {"txtPort", "txtInterface", "txtDevice"}) {
        auto* box = Control<QLineEdit>(name);
        QVERIFY2(box->isReadOnly() && box->focusPolicy() == Qt::NoFocus, name);
    }
    // The read delay's widest value shows whole.
    auto* delay = Control<QLineEdit>("txtLoopDelay");
    QVERIFY(delay->contentsRect().width() - 4 >=
            delay->fontMetrics().horizontalAdvance(QStringLiteral("60000.00")));
}

void FirstDayTest::captionsFitAndDialogsOpenWhereThePlotIs() {
    // A message box is at least as wide as its title.
    gui_->ui->SetMessageSink(nullptr);
    WithNextModal([](QDialog* box) {
        QFont bold = box->font();
        bold.setBold(true);
        QVERIFY(box->width() > QFontMetrics(bold).horizontalAdvance(box->windowTitle()));
        box->reject();
    });
    Ui().MsgBox("Short.");

    QPoint corner;
    WithNextModal([&corner](QDialog* dialog) {
        corner = dialog->pos();
        dialog->reject();
    });
    Control<QAction>("mnuPort")->trigger();
    QCOMPARE(corner, PlotFrame()->mapToGlobal(QPoint(0, 0)));

    // The console's column headers fit their columns.
    ShowForm(FormId::frmUSBdebug);
    for (const char* name : {"lblDescriptor0", "lblDescriptor1", "lblDevice", "lblSpeed"}) {
        auto* header = Find<QLabel>(gui_->ui->Window(FormId::frmUSBdebug), name);
        QVERIFY2(header->width() >= header->fontMetrics().horizontalAdvance(header->text()), name);
    }
    frmUSBdebug_cmdExit_Click();
}

QTEST_MAIN(FirstDayTest)
#include "tst_firstday.moc"
