// The parallel port dialog, the Port label's pop-up and the Simulator menu, driven through
// the real widgets with the simulated board behind the port.
#include "app/Hardware.h"
#include "app/Startup.h"
#include "platform/PortIo.h"
#include "simulator/SimBoards.h"
#include "tests/gui/GuiTestHelpers.h"

class PortDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typedAddressChoosesTheParallelPort();
    void closingTheDialogChangesNothing();
    void portLabelOffersCommonAddresses();
    void simulatorMenuSetsTheSignal();

private:
    QMainWindow* MainWindow() const { return gui_->MainWindow(); }
    template <class T> T* Control(const char* name) const { return Find<T>(MainWindow(), name); }

    FakeClock clock_{1e-9};
    std::unique_ptr<GuiFixture> gui_;
};

void PortDialogTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    CommandLine commandLine;
    commandLine.simulate = true;
    InstallHardware(commandLine);
    ::Main("KXS306");
    QVERIFY(QTest::qWaitForWindowExposed(MainWindow()));
    gui_->messages.clear();
}

void PortDialogTest::cleanupTestCase() {
    gui_.reset();
    RemoveHardware();
    SimulatedBoards().Detach();
}

void PortDialogTest::typedAddressChoosesTheParallelPort() {
    WithNextModal([this](QDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Parallel Port Setup"));
        QCOMPARE(Find<QLabel>(dialog, "Label1")->text(), QString("Port Address (Hex)"));
        auto* box = Find<QLineEdit>(dialog, "txtUser");
        QCOMPARE(box->text(), QString("378")); // no address saved yet: the usual first port
        box->selectAll();
        // Only hexadecimal digits, at most four.
        QTest::keyClicks(box, "3g8bcd");
        QCOMPARE(box->text(), QString("38bc"));
        box->selectAll();
        QTest::keyClicks(box, "3bc");
        QTest::mouseClick(Find<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    Control<QAction>("mnuPort")->trigger();

    // What OK decides is checked in the core tests; here, that it is wired and shown.
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("3BC"));
    QVERIFY(Control<QAction>("mnuPort")->isChecked());
    QCOMPARE(OpenPortBase(), uint16_t{0x3BC});
    QVERIFY(gui_->messages.empty());
}

void PortDialogTest::closingTheDialogChangesNothing() {
    WithNextModal([this](QDialog* dialog) {
        // Shown again, it is refilled from the address (upper case).
        QCOMPARE(Find<QLineEdit>(dialog, "txtUser")->text(), QString("3BC"));
        Find<QLineEdit>(dialog, "txtUser")->setText("278");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Control<QAction>("mnuPort")->trigger();
    QCOMPARE(App().PortAddress, int16_t{0x3BC});
    QVERIFY(!App().frmPort.form.visible);
}

void PortDialogTest::portLabelOffersCommonAddresses() {
    QVERIFY(PickFromPopupOf(Control<QLabel>("lblPort"), "mnuPort278"));
    QCOMPARE(Control<QLineEdit>("txtPort")->text(), QString("278"));
    QCOMPARE(OpenPortBase(), uint16_t{0x278});
}

void PortDialogTest::simulatorMenuSetsTheSignal() {
    QVERIFY(Control<QMenu>("mnuSim")->menuAction()->isVisible());
    QVERIFY(Control<QAction>("mnuSimUse")->isChecked());
    gui_->ui->SetInputSink([](const std::string&) -> std::optional<std::string> { return "0.75"; });
    Control<QAction>("mnuSimMax")->trigger();
    QCOMPARE(SimulatedBoards().sensor.Signal().amplitude, 0.75);

    Control<QAction>("mnuSimUse")->trigger();
    QVERIFY(!Control<QAction>("mnuSimUse")->isChecked());
    QCOMPARE(SimulatedBoards().sensor.Model(), std::string("None"));
}

QTEST_MAIN(PortDialogTest)
#include "tst_portdialog.moc"
