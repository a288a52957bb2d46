#include "gui/QtReportBox.h"

#include "gui/QtControls.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kTabColumns = 8;

QString WithCrLf(QString text) { return text.replace('\n', QStringLiteral("\r\n")); }

} // namespace

ReportText::ReportText(const std::string& text, QWidget* parent)
    : QPlainTextEdit(parent), text_(QString::fromStdString(text)) {
    setObjectName(QStringLiteral("reportText"));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(kTabColumns * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setPlainText(QString(text_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // Large enough for the whole report, with a character to spare on each side.
    int columns = 0;
    for (const QString& line : toPlainText().split('\n')) {
        int column = 0;
        for (const QChar c : line) {
            column = c == '\t' ? (column / kTabColumns + 1) * kTabColumns : column + 1;
        }
        columns = std::max(columns, column);
    }
    const int frame = 2 * (frameWidth() + static_cast<int>(document()->documentMargin()));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedSize((columns + 2) * fontMetrics().horizontalAdvance(QLatin1Char(' ')) + frame,
                 (blockCount() + 1) * fontMetrics().lineSpacing() + frame);
}

// The report's line ends are CR LF, as its text is.
QMimeData* ReportText::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(WithCrLf(textCursor().selection().toPlainText()));
    return data;
}

// As in a message box, Ctrl+C with nothing selected copies the whole report.
void ReportText::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) && !textCursor().hasSelection()) {
        QGuiApplication::clipboard()->setText(text_);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

ReportBox::ReportBox(const std::string& text, const std::string& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("reportBox"));
    setWindowTitle(QString::fromStdString(title));
    auto* report = new ReportText(text, this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* column = new QVBoxLayout(this);
    column->addWidget(report);
    column->addWidget(buttons);
    column->addSpacerItem(new QSpacerItem(TitleWidth(windowTitle()), 0));
    column->setSizeConstraint(QLayout::SetFixedSize);
    report->setFocus();
}
