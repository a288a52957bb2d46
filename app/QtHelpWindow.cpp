#include "app/QtHelpWindow.h"

#include "platform/Frontend.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

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
    resize(760, 640);

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
}

void HelpWindow::Open(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    browser_->clearHistory();
}
