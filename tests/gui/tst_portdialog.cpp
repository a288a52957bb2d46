// The parallel port dialog, the Port label's pop-up and the Simulator menu, driven through
// the real widgets with the simulated board behind the port.
#include "app/Analyzer.h"
#include "app/Hardware.h"
#include "app/QtFrontend.h"
#include "app/Startup.h"
#include "platform/PortIo.h"
#include "simulator/SimBoards.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/FakeClock.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

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
    template <class T> T* Find(QWidget* parent, const char* name) const {
        T* widget = parent->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QMainWindow* MainWindow() const {
        return qobject_cast<QMainWindow*>(ui_->Window(FormId::mdiAnalyzer));
    }
    QString Shown(const char* box) const { return Find<QLineEdit>(MainWindow(), box)->text(); }

    FakeClock clock_{1e-9};
    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<QtFrontend> ui_;
    std::vector<std::string> messages_;
};

void PortDialogTest::initTestCase() {
    QVERIFY(dir_.isValid());
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    ResetAppState();
    ui_ = std::make_unique<QtFrontend>();
    InstallFrontend(ui_.get());
    ui_->SetMessageSink(
        [this](const std::string& text, const std::string&) { messages_.push_back(text); });
    CommandLine commandLine;
    commandLine.simulate = true;
    InstallHardware(commandLine);
    ::Main("KXS306");
    QVERIFY(QTest::qWaitForWindowExposed(MainWindow()));
    messages_.clear();
}

void PortDialogTest::cleanupTestCase() {
    ui_.reset();
    RemoveHardware();
    SimulatedBoards().Detach();
    QDir::setCurrent(previousDir_);
    ResetAppState();
}

void PortDialogTest::typedAddressChoosesTheParallelPort() {
    WithNextModal([this](QDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Parallel Port Setup"));
        QCOMPARE(Find<QLabel>(dialog, "Label1")->text(), QString("Port Address (Hex)"));
        auto* box = Find<QLineEdit>(dialog, "txtUser");
        QCOMPARE(box->text(), QString("0"));
        box->selectAll();
        // Only hexadecimal digits, at most four.
        QTest::keyClicks(box, "3g8bcd");
        QCOMPARE(box->text(), QString("38bc"));
        box->selectAll();
        QTest::keyClicks(box, "3bc");
        QTest::mouseClick(Find<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    Find<QAction>(MainWindow(), "mnuPort")->trigger();

    QCOMPARE(App().PortAddress, int16_t{0x3BC});
    QCOMPARE(App().InterfaceCode, int16_t{1});
    QCOMPARE(Shown("txtInterface"), QString("Parallel"));
    QCOMPARE(Shown("txtPort"), QString("3BC"));
    QVERIFY(Find<QAction>(MainWindow(), "mnuPort")->isChecked());
    QVERIFY(PortIsOpen());
    QCOMPARE(OpenPortBase(), uint16_t{0x3BC});
    QVERIFY(messages_.empty());
}

void PortDialogTest::closingTheDialogChangesNothing() {
    WithNextModal([this](QDialog* dialog) {
        // Shown again, it is refilled from the address (upper case).
        QCOMPARE(Find<QLineEdit>(dialog, "txtUser")->text(), QString("3BC"));
        Find<QLineEdit>(dialog, "txtUser")->setText("278");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Find<QAction>(MainWindow(), "mnuPort")->trigger();
    QCOMPARE(App().PortAddress, int16_t{0x3BC});
    QCOMPARE(Shown("txtPort"), QString("3BC"));
    QVERIFY(!App().frmPort.form.visible);
}

void PortDialogTest::portLabelOffersCommonAddresses() {
    PickFromNextPopup("mnuPort278");
    QTest::mouseClick(Find<QLabel>(MainWindow(), "lblPort"), Qt::RightButton);
    QCOMPARE(App().PortAddress, int16_t{0x278});
    QCOMPARE(Shown("txtPort"), QString("278"));
    QCOMPARE(OpenPortBase(), uint16_t{0x278});
}

void PortDialogTest::simulatorMenuSetsTheSignal() {
    auto* sim = Find<QMenu>(MainWindow(), "mnuSim");
    QVERIFY(sim->menuAction()->isVisible());
    QVERIFY(Find<QAction>(MainWindow(), "mnuSimUse")->isChecked());
    std::vector<std::string> prompts;
    ui_->SetInputSink([&prompts](const std::string& prompt) -> std::optional<std::string> {
        prompts.push_back(prompt);
        return "0.75";
    });
    Find<QAction>(MainWindow(), "mnuSimMax")->trigger();
    QCOMPARE(prompts.size(), size_t{1});
    QCOMPARE(SimulatedBoards().sensor.Signal().amplitude, 0.75);

    Find<QAction>(MainWindow(), "mnuSimUse")->trigger();
    QVERIFY(!Find<QAction>(MainWindow(), "mnuSimUse")->isChecked());
    QCOMPARE(SimulatedBoards().sensor.Model(), std::string("None"));
}

QTEST_MAIN(PortDialogTest)
#include "tst_portdialog.moc"
