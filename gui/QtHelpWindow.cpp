#include "gui/QtHelpWindow.h"

#include "platform/Frontend.h"

#include <QHBoxLayout>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr QSize kDesignedSize(760, 640);

QToolButton* NewButton(QWidget* parent, const char* name, const QString& text,
                       QStyle::StandardPixmap icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QString::fromUtf8(kAppTitle) + QStringLiteral(" Help"));
    resize(kDesignedSize);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);

    auto* back = NewButton(this, "helpBack", QStringLiteral("Back"), QStyle::SP_ArrowBack);
    auto* forward =
        NewButton(this, "helpForward", QStringLiteral("Forward"), QStyle::SP_ArrowForward);
    auto* home = NewButton(this, "helpHome", QStringLiteral("Contents"), QStyle::SP_DirHomeIcon);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(home);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addLayout(buttons);
    column->addWidget(browser_, 1);

    // Closed as a dialog is: it is only hidden, and comes back where it was.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
}

void HelpWindow::Open(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    browser_->clearHistory();
}

// The first showing: as designed where the screen's free area allows, frame included, over
// the middle of the main window. The window manager frames this window as it framed that one.
void HelpWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_) {
        return;
    }
    placed_ = true;
    const QWidget* main = parentWidget();
    const QScreen* screen = main != nullptr ? main->screen() : this->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect free = screen->availableGeometry();
    const QSize frame = main != nullptr ? main->frameGeometry().size() - main->size() : QSize();
    const QSize size = kDesignedSize.boundedTo(free.size() - frame);
    QRect outer(QPoint(), size + frame);
    outer.moveCenter(main != nullptr ? main->frameGeometry().center() : free.center());
    outer.moveLeft(std::clamp(outer.left(), free.left(), free.right() + 1 - outer.width()));
    outer.moveTop(std::clamp(outer.top(), free.top(), free.bottom() + 1 - outer.height()));
    resize(size);
    move(outer.topLeft());
}
