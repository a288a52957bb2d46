// What a bench user meets on the first day, through the real widgets on the simulated board:
// windows that come back, a sweep that goes on under a pop-up, a panel that keeps its shape,
// the port dialog where the plot is, the Port label's pop-up and the Simulator menu. What the
// handlers decide is checked in the core tests.
#include "app/Forms.h"
#include "interfaces/UsbDebug.h"
#include "platform/PortIo.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QGroupBox>
#include <QMdiSubWindow>

class FirstDayTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->StartSimulated("KXS306", 256));
        QVERIFY(gui_->messages.empty());
    }
    void cleanupTestCase() { gui_.reset(); }

    void closedPlotWindowComesBackWithTheNextDrawing();
    void popUpDuringARunLeavesItRunning();
    void panelKeepsItsShapeAndCaptionsFit();
    void portDialogOpensOnThePlotAndTakesHexAddresses();
    void simulatorMenuSetsTheSignal();

private:
    QWidget* PlotFrame() const { return Window(FormId::frmData); }
};

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

void FirstDayTest::panelKeepsItsShapeAndCaptionsFit() {
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
    // The read delay's widest value shows whole, and the console's column headers fit their
    // columns.
    auto* delay = Control<QLineEdit>("txtLoopDelay");
    QVERIFY(delay->contentsRect().width() - 4 >=
            delay->fontMetrics().horizontalAdvance(QStringLiteral("60000.00")));
    ShowForm(FormId::frmUSBdebug);
    for (const char* name : {"lblDescriptor0", "lblDescriptor1", "lblDevice", "lblSpeed"}) {
        auto* header = Find<QLabel>(Window(FormId::frmUSBdebug), name);
        QVERIFY2(header->width() >= header->fontMetrics().horizontalAdvance(header->text()), name);
    }
    frmUSBdebug_cmdExit_Click();
}

void FirstDayTest::portDialogOpensOnThePlotAndTakesHexAddresses() {
    gui_->messages.clear();
    WithNextModal([this](QDialog* dialog) {
        QCOMPARE(dialog->pos(), PlotFrame()->mapToGlobal(QPoint(0, 0)));
        QCOMPARE(dialog->windowTitle(), QString("Parallel Port Setup"));
        QCOMPARE(Find<QLabel>(dialog, "Label1")->text(), QString("Port Address (Hex)"));
        auto* box = Find<QLineEdit>(dialog, "txtUser");
        QCOMPARE(box->text(), QString("378")); // the address saved
        // Only hexadecimal digits, at most four.
        QCOMPARE(TypeInto(box, "3g8bcd"), QString("38bc"));
        TypeInto(box, "3bc");
        QTest::mouseClick(Find<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    Control<QAction>("mnuPort")->trigger();
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("3BC"));
    QVERIFY(Control<QAction>("mnuPort")->isChecked());
    QCOMPARE(OpenPortBase(), uint16_t{0x3BC});
    QVERIFY(gui_->messages.empty());

    // Shown again, it is refilled from the address (upper case); Esc changes nothing.
    WithNextModal([](QDialog* dialog) {
        QCOMPARE(Find<QLineEdit>(dialog, "txtUser")->text(), QString("3BC"));
        Find<QLineEdit>(dialog, "txtUser")->setText("278");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Control<QAction>("mnuPort")->trigger();
    QCOMPARE(App().PortAddress, int16_t{0x3BC});
    QVERIFY(!App().frmPort.form.visible);

    // The Port label offers the common addresses.
    QVERIFY(PickFromPopupOf(Control<QLabel>("lblPort"), "mnuPort278"));
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("278"));
    QCOMPARE(OpenPortBase(), uint16_t{0x278});
}

void FirstDayTest::simulatorMenuSetsTheSignal() {
    QVERIFY(Control<QMenu>("mnuSim")->menuAction()->isVisible());
    QVERIFY(Control<QAction>("mnuSimUse")->isChecked());
    gui_->ui->SetInputSink([](const std::string&) -> std::optional<std::string> { return "0.75"; });
    Control<QAction>("mnuSimMax")->trigger();
    QCOMPARE(SimulatedBoards().sensor.Signal().amplitude, 0.75);

    Control<QAction>("mnuSimUse")->trigger();
    QVERIFY(!Control<QAction>("mnuSimUse")->isChecked());
    QCOMPARE(SimulatedBoards().sensor.Model(), std::string("None"));
}

QTEST_MAIN(FirstDayTest)
#include "tst_firstday.moc"
