// The main window: the control panel docked above the area where the plot windows open,
// and the menus (the hidden ones serve as pop-ups).
#pragma once

#include "forms/MainWindowForm.h"
#include "gui/FormView.h"
#include "platform/Frontend.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <vector>

class QBoxLayout;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

class MdiAnalyzerView final : public QMainWindow, public FormView {
    Q_OBJECT
public:
    MdiAnalyzerView();

    void SyncFromModel() override;

    // Puts a child view into the area; closing it hides it.
    QMdiSubWindow* AddChild(QWidget* view);
    // The area the children may occupy, in the area's coordinates.
    QRect ChildArea() const;
    // A point of the area on the screen.
    QPoint ChildAreaToGlobal(QPoint point) const;
    QMenu* PopupMenuFor(PopupMenu menu) const;

signals:
    void childAreaResized();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Get = std::function<MenuItem&()>;
    using Click = void (*)();

    void BuildPanel();
    void BuildMenus();
    // parent is the menu bar or a menu.
    QMenu* AddMenu(QWidget* parent, const char* name, MenuItem MdiAnalyzerForm::*item);
    QAction* AddItem(QWidget* parent, const char* name, MenuItem MdiAnalyzerForm::*item,
                     Click click = nullptr);
    QAction* AddItem(QWidget* parent, const char* name, Get item, Click click);
    void ArrangePartSetup();

    QMdiArea* area_ = nullptr;
    std::map<PopupMenu, QMenu*> popups_;
    std::vector<std::function<void()>> syncs_;
    // The "Part Setup" columns follow the vertical positions of their controls.
    QBoxLayout* optionColumn_ = nullptr;
    QBoxLayout* checkColumn_ = nullptr;
    std::array<QWidget*, 4> optAdcIn_{};
    std::array<QWidget*, 3> checkBoxes_{}; // ckSelfTestPos, ckSelfTestNeg, ChkPowerdown
    std::vector<QWidget*> optionOrder_;
    std::vector<QWidget*> checkOrder_;
};
