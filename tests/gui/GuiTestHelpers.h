// Helpers of the Qt Test programs: acting on pop-up menus and modal dialogs that open inside
// a call which does not return until they close.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

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

// Picks an item of the pop-up menu that is about to open, by keyboard as a user would.
inline void PickFromNextPopup(const QString& actionName) {
    WhenOpen<QMenu>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                    [actionName](QMenu* menu) {
                        for (QAction* action : menu->actions()) {
                            if (action->objectName() == actionName) {
                                menu->setActiveAction(action);
                            }
                        }
                        QTest::keyClick(menu, Qt::Key_Return);
                    });
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
