// A monkey at the bench: random menu items, keys, clicks, typing, resizes, closes and reopens
// of every window and dialog (help, printing to PDF, the noise windows, message boxes), with
// the simulator's faults switched on and off, on the real windows and the simulated boards.
// Built with the sanitizers it finds what ordinary use finds once in a long while.
// MONKEY_ACTIONS (default 500) and MONKEY_SEED (default 1) set the run; every action goes to
// monkey.log in the folder it was started in, so a crash's last steps can be read there.
#include "commands/Sweep.h"
#include "sensors/Acquisition.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTextBrowser>
#include <QTextStream>

#include <random>

namespace {

// Texts a hurried or careless user types into any box.
const QStringList kTyping = {"",    "0",     "2.5",   "-5",  "70000", "abc", "378",
                             "3BC", "FFFFF", "1e400", "12a", " 7 ",   "/",   "2048"};

} // namespace

class MonkeyTest : public GuiTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        log_.setFileName(QStringLiteral("monkey.log"));
        QVERIFY(log_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        gui_ = std::make_unique<GuiFixture>();
        QVERIFY(gui_->StartSimulated("KXS306", 2048));
        // Real message boxes from here on: the monkey has to answer them.
        gui_->ui->SetMessageSink({});
        random_.seed(
            static_cast<unsigned>(std::max(1, qEnvironmentVariableIntValue("MONKEY_SEED"))));
        wanted_ = qEnvironmentVariableIntValue("MONKEY_ACTIONS");
        wanted_ = wanted_ > 0 ? wanted_ : 500;
    }
    void cleanupTestCase() { gui_.reset(); }
    void aLongSessionOfRandomUse() {
        QTimer::singleShot(0, this, &MonkeyTest::Tick);
        // Generous: under the sanitizers a long sweep takes seconds.
        QVERIFY(QTest::qWaitFor([this] { return finished_; }, 100 * 1000 + wanted_ * 1000));
        Log(QStringLiteral("done"));
        QVERIFY2(!stuck_, "a hidden dialog blocks every window (see monkey.log)");
        QVERIFY(!AcquisitionRunning());
        QVERIFY(MainWindow()->isVisible());
    }

private:
    template <class T> T* Pick(const QList<T*>& from) {
        return from.isEmpty()
                   ? nullptr
                   : from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random_)];
    }
    int Roll(int sides) { return std::uniform_int_distribution<int>(0, sides - 1)(random_); }
    // The children of type T under parent a user can reach, that keep takes.
    template <class T>
    static QList<T*> Reachable(const QWidget* parent, std::function<bool(T*)> keep = nullptr) {
        QList<T*> found;
        for (T* widget : parent->findChildren<T*>()) {
            if (widget->isVisible() && widget->isEnabled() && (!keep || keep(widget))) {
                found << widget;
            }
        }
        return found;
    }
    void Log(const QString& what) {
        QTextStream(&log_) << actions_ << ' ' << what << '\n';
        log_.flush();
    }
    // Each action runs from a timer of its own, scheduled before it: an action that opens a
    // modal dialog or runs a sweep holds its timer, and the next one acts inside that loop.
    void Tick() {
        if (finished_) {
            return;
        }
        QTimer::singleShot(Roll(3), this, &MonkeyTest::Tick);
        // A hidden window that still holds the rest modal would leave the user locked out.
        if (QWidget* modal = QApplication::activeModalWidget();
            modal != nullptr && modal->isHidden()) {
            Log(QStringLiteral("a hidden %1 blocks every window")
                    .arg(modal->metaObject()->className()));
            stuck_ = true;
            finished_ = true;
            return;
        }
        if (actions_ >= wanted_) {
            // Everything open is answered and any run stopped; then the session is over.
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu->close();
            } else if (QWidget* modal = QApplication::activeModalWidget()) {
                Log(QStringLiteral("closing %1").arg(modal->metaObject()->className()));
                auto* dialog = qobject_cast<QDialog*>(modal);
                dialog != nullptr ? dialog->reject() : void(modal->close());
            } else if (AcquisitionRunning()) {
                cmdStop_Click();
            } else {
                finished_ = true;
            }
            return;
        }
        ++actions_;
        Act();
    }
    void Act() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            // An item, or Esc.
            QAction* item = Roll(3) == 0 ? nullptr : PickItem(menu->actions(), true);
            Log(QStringLiteral("pop-up %1").arg(item != nullptr ? item->objectName() : "Esc"));
            if (item != nullptr) {
                menu->setActiveAction(item);
            }
            QTest::keyClick(menu, item != nullptr ? Qt::Key_Return : Qt::Key_Escape);
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            // The window manager still sizes the main window behind a dialog.
            Roll(10) == 0 ? ResizeSomething() : AnswerModal(modal);
            return;
        }
        QMainWindow* main = MainWindow();
        const std::function<void()> actions[] = {
            [this, main] {
                const char* keys[] = {"F5", "F6", "Esc", "F1", "Alt+R", "Alt+T", "Alt+A", "Alt+I"};
                const QKeyCombination key = QKeySequence(keys[Roll(std::size(keys))])[0];
                Log(QStringLiteral("key %1").arg(QKeySequence(key).toString()));
                QTest::keyClick(main, key.key(), key.keyboardModifiers());
            },
            [this, main] { TypeSomewhere(main); },
            [this] { ResizeSomething(); },
            [this] {
                // Close a window; the commands that show them bring them back.
                QList<QWidget*> windows;
                for (FormId form :
                     {FormId::frmData, FormId::frmFFT, FormId::frmNoise, FormId::frmAllan}) {
                    windows << Window(form);
                }
                for (QWidget* top : QApplication::topLevelWidgets()) {
                    windows << (top->objectName() == QLatin1String("helpWindow") ? top : nullptr);
                }
                windows.removeIf([](QWidget* w) { return w == nullptr || !w->isVisible(); });
                if (QWidget* window = Pick(windows)) {
                    Log(QStringLiteral("close %1").arg(window->windowTitle()));
                    window->close();
                }
            },
            [this] {
                auto* lengths = Control<QComboBox>("DatalogLengthCBX");
                const QString length = lengths->itemText(Roll(lengths->count()));
                Log(QStringLiteral("samples %1").arg(length));
                Choose(lengths, length);
            },
            [this] {
                Log(QStringLiteral("plot data"));
                Control<QPushButton>("cmdSingleSweep")->click();
            },
        };
        // Menu items and clicks come three times as often as each of the rest.
        const int roll = Roll(std::size(actions) + 6);
        if (roll >= 6) {
            actions[roll - 6]();
        } else if (roll < 3) {
            // Every item of the main window's menus, the hidden pop-ups' too.
            if (QAction* item = PickItem(main->findChildren<QAction*>(), false)) {
                Log(QStringLiteral("menu %1").arg(item->objectName()));
                item->trigger();
            }
        } else {
            QList<QWidget*> tops = QApplication::topLevelWidgets();
            tops.removeIf(
                [](QWidget* top) { return !top->isVisible() || qobject_cast<QMenu*>(top); });
            ClickSomewhere(Pick(tops));
        }
    }
    // An enabled item of a menu, but the one that ends the session; from a pop-up, a visible one.
    QAction* PickItem(const QList<QAction*>& from, bool visibleOnly) {
        QList<QAction*> items;
        for (QAction* action : from) {
            if (action->isEnabled() && (action->isVisible() || !visibleOnly) &&
                action->menu() == nullptr && !action->objectName().isEmpty() &&
                action->objectName() != QLatin1String("mnuExit")) {
                items << action;
            }
        }
        return Pick(items);
    }
    void AnswerModal(QWidget* modal) {
        const QString kind = QString::fromLatin1(modal->metaObject()->className());
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            QAbstractButton* button = Pick(box->buttons());
            Log(QStringLiteral("message box: %1").arg(button != nullptr ? button->text() : "Esc"));
            button != nullptr ? button->click() : box->reject();
            return;
        }
        // The standard dialogs: a file to print to or save or read, or a typed text; OK or Cancel.
        auto* print = qobject_cast<QPrintDialog*>(modal);
        auto* files = qobject_cast<QFileDialog*>(modal);
        auto* input = qobject_cast<QInputDialog*>(modal);
        if (print != nullptr || files != nullptr || input != nullptr) {
            const char* names[] = {"monkey.csv", "monkey.png", "KXS306_1.txt", "missing.txt"};
            const QString text = input != nullptr   ? kTyping[Roll(kTyping.size())]
                                 : print != nullptr ? FileIn("monkey.pdf")
                                                    : FileIn(names[Roll(std::size(names))]);
            const bool accept = Roll(3) != 0;
            Log(QStringLiteral("%1: \"%2\" %3").arg(kind, text, accept ? "OK" : "Cancel"));
            if (auto* file =
                    print != nullptr ? print->findChild<QLineEdit*>("filename") : nullptr) {
                file->setText(text);
            }
            if (files != nullptr) {
                files->selectFile(text);
            }
            if (input != nullptr) {
                input->setTextValue(text);
            }
            auto* dialog = static_cast<QDialog*>(modal);
            accept ? dialog->accept() : dialog->reject();
            return;
        }
        // The program's own dialogs: their buttons and boxes, typing, Esc or the close box.
        switch (Roll(6)) {
        case 0:
            Log(QStringLiteral("%1: Esc").arg(kind));
            QTest::keyClick(modal, Qt::Key_Escape);
            break;
        case 1:
            Log(QStringLiteral("%1: close box").arg(kind));
            modal->close();
            break;
        case 2:
            TypeSomewhere(modal);
            break;
        default:
            if (QAbstractButton* button = Pick(Reachable<QAbstractButton>(modal))) {
                Log(QStringLiteral("%1: %2").arg(kind, button->objectName()));
                button->click();
            }
            break;
        }
    }
    void ClickSomewhere(QWidget* top) {
        if (top == nullptr) {
            return;
        }
        // Somewhere on a visible control of the window: left or right, as a user does; links in
        // the help would start a web browser.
        QWidget* target = Pick(Reachable<QWidget>(top, [](QWidget* widget) {
            return !widget->size().isEmpty() &&
                   qobject_cast<QTextBrowser*>(widget->parentWidget()) == nullptr;
        }));
        if (target == nullptr) {
            return;
        }
        const QPoint at(Roll(target->width()), Roll(target->height()));
        // "Exit" sits on the menu bar itself; it would end the session.
        if (auto* bar = qobject_cast<QMenuBar*>(target);
            bar != nullptr && bar->actionAt(at) != nullptr &&
            bar->actionAt(at)->objectName() == QLatin1String("mnuExit")) {
            return;
        }
        const bool right = Roll(2) == 0;
        Log(QString::asprintf("%s click %s %d,%d", right ? "right" : "left",
                              qPrintable(target->objectName()), at.x(), at.y()));
        QTest::mouseClick(target, right ? Qt::RightButton : Qt::LeftButton, {}, at);
    }
    void TypeSomewhere(QWidget* top) {
        QLineEdit* box =
            Pick(Reachable<QLineEdit>(top, [](QLineEdit* box) { return !box->isReadOnly(); }));
        if (box == nullptr) {
            return;
        }
        const QString text = kTyping[Roll(kTyping.size())];
        Log(QStringLiteral("type \"%1\" into %2").arg(text, box->objectName()));
        box->selectAll();
        QTest::keyClicks(box, text);
        if (Roll(2) == 0) {
            QTest::keyClick(box, Qt::Key_Return);
        }
    }
    void ResizeSomething() {
        QList<QWidget*> frames{MainWindow()};
        for (QMdiSubWindow* frame : Reachable<QMdiSubWindow>(MainWindow())) {
            frames << frame;
        }
        QWidget* window = Pick(frames);
        const int how = Roll(4);
        if (how < 2) {
            Log(QStringLiteral("%1 %2").arg(how == 0 ? "maximise" : "restore",
                                            window->windowTitle()));
            how == 0 ? window->showMaximized() : window->showNormal();
            return;
        }
        const QSize size(200 + Roll(1700), 150 + Roll(1000));
        Log(QString::asprintf("resize %s to %d x %d", qPrintable(window->windowTitle()),
                              size.width(), size.height()));
        window->resize(size);
    }
    QString FileIn(const char* name) const { return gui_->dir.filePath(QString::fromLatin1(name)); }

    FakeClock clock_{1e-9};
    std::mt19937 random_;
    int actions_ = 0;
    int wanted_ = 0;
    bool finished_ = false;
    bool stuck_ = false;
    QFile log_;
};

QTEST_MAIN(MonkeyTest)
#include "tst_monkey.moc"
