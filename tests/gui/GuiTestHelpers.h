// Helpers of the Qt Test programs: their common start, finding controls, and acting on
// pop-up menus and modal dialogs that open inside a call which does not return until they
// close.
#pragma once

#include "app/Analyzer.h"
#include "app/Hardware.h"
#include "app/Startup.h"
#include "gui/QtFrontend.h"
#include "simulator/SimBoards.h"
#include "tests/support/FakeClock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The named control under parent; a missing one ends the program, as no check can go on.
template <class T> T* Find(const QWidget* parent, const char* name) {
    T* widget = parent != nullptr ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (widget == nullptr) {
        qFatal("no control %s", name);
    }
    return widget;
}

// A fresh state and the real frontend, with message boxes recorded instead of shown; with
// inTempDir the working folder (where the configuration goes) is a temporary one until the
// fixture goes.
struct GuiFixture {
    struct Message {
        std::string text, title;
        bool mainShown; // whether the main window was up when it came
    };

    explicit GuiFixture(bool inTempDir = true) : previousDir(QDir::currentPath()) {
        if (inTempDir) {
            QDir::setCurrent(dir.path());
        }
        ResetAppState();
        ui = std::make_unique<QtFrontend>();
        InstallFrontend(ui.get());
        ui->SetMessageSink([this](const std::string& text, const std::string& title) {
            const QWidget* main = MainWindow();
            messages.push_back({text, title, main != nullptr && main->isVisible()});
        });
    }
    ~GuiFixture() {
        ui.reset();
        QDir::setCurrent(previousDir);
        ResetAppState();
        if (simulated) {
            RemoveHardware();
            SimulatedBoards().Detach();
        }
    }
    QMainWindow* MainWindow() const {
        return qobject_cast<QMainWindow*>(ui->Window(FormId::mdiAnalyzer));
    }
    // The program started on the simulated boards with device saved on the interface (the
    // parallel port, or 2 the USB adapter) and sweeps of samples; true when its window came up.
    bool StartSimulated(const char* device, int samples, int interfaceCode = 1) {
        QFile config(dir.filePath("QueltoEval.cfg"));
        if (!config.open(QIODevice::WriteOnly)) {
            return false;
        }
        config.write(QStringLiteral("Device = %1\r\nInterface = %3\r\nPlot Samples = %2\r\n"
                                    "Port Address = 888\r\n")
                         .arg(device)
                         .arg(samples)
                         .arg(interfaceCode)
                         .toLatin1());
        config.close();
        return Start(true);
    }
    // The program started, on the simulated boards or on none, with device on its command
    // line; true when its window came up.
    bool Start(bool simulate, const char* device = "") {
        if (simulate) {
            InstallHardware(ParseCommandLine({"--simulate"}));
            simulated = true;
        }
        ::Main(device);
        return QTest::qWaitForWindowExposed(MainWindow());
    }

    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<QtFrontend> ui;
    std::vector<Message> messages;
    bool simulated = false;
};

// What the test classes share: the fixture, and the main window's controls by name.
class GuiTest : public QObject {
protected:
    QMainWindow* MainWindow() const { return gui_->MainWindow(); }
    QWidget* Window(FormId form) const { return gui_->ui->Window(form); }
    template <class T> T* Control(const char* name) const { return Find<T>(MainWindow(), name); }

    std::unique_ptr<GuiFixture> gui_;
};

// Picks text from a list as the user does, which its handler hears of.
inline void Choose(QComboBox* list, const QString& text) {
    list->setCurrentText(text);
    emit list->activated(list->currentIndex());
}

// Replaces what box holds by typing text; what the box took.
inline QString TypeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    return box->text();
}

// Retries action every 10 ms until ready() gives a widget (for up to 3 s), then runs it once.
template <class Widget>
void WhenOpen(std::function<Widget*()> ready, std::function<void(Widget*)> action) {
    auto tries = std::make_shared<int>(0);
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [ready, action, tries, attempt] {
        Widget* widget = ready();
        if (widget == nullptr) {
            if (++*tries < 300) {
                QTimer::singleShot(10, *attempt);
            }
            return;
        }
        action(widget);
        *attempt = nullptr;
    };
    QTimer::singleShot(0, *attempt);
}

// Right-clicks control and picks an item of the pop-up menu it opens, by keyboard as a user
// would. The menu does not hold the program, so this waits until the item has run.
inline bool PickFromPopupOf(QWidget* control, const QString& actionName) {
    auto picked = std::make_shared<bool>(false);
    WhenOpen<QMenu>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                    [actionName, picked](QMenu* menu) {
                        for (QAction* action : menu->actions()) {
                            if (action->objectName() == actionName) {
                                menu->setActiveAction(action);
                            }
                        }
                        QTest::keyClick(menu, Qt::Key_Return);
                        *picked = true;
                    });
    QTest::mouseClick(control, Qt::RightButton);
    return QTest::qWaitFor([picked] { return *picked; }, 3000);
}

// Runs action on the modal dialog that is about to open.
inline void WithNextModal(std::function<void(QDialog*)> action) {
    WhenOpen<QDialog>(
        [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
        },
        std::move(action));
}
