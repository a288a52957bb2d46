#include "gui/QtControls.h"

#include "gui/QtCanvas.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

void SyncVisible(QWidget* widget, bool visible) {
    if (widget->isHidden() == visible) {
        widget->setVisible(visible);
    }
}

void SyncEnabled(QWidget* widget, bool enabled) {
    if (widget->isEnabled() != enabled) {
        widget->setEnabled(enabled);
    }
}

void SyncCaption(QAbstractButton* widget, const std::string& caption) {
    const QString text = ToQt(caption);
    if (widget->text() != text) {
        widget->setText(text);
        widget->setAccessibleName(text);
    }
}

MouseLabel* NewAxisLabel(QWidget* parent) {
    auto* label = new MouseLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

void SyncLabel(QLabel* widget, const Label& model) {
    const QString text = ToQt(model.caption);
    if (widget->text() != text) {
        widget->setText(text);
        widget->setAccessibleName(text);
    }
    const QString tip = ToQt(model.toolTip);
    if (widget->toolTip() != tip) {
        widget->setToolTip(tip);
    }
    SyncVisible(widget, model.visible);
}

void SyncButton(QAbstractButton* widget, const Button& model) {
    const QSignalBlocker block(widget);
    SyncCaption(widget, model.caption);
    SyncEnabled(widget, model.enabled);
    SyncVisible(widget, model.visible);
}

void SyncTextBox(QLineEdit* widget, const TextBox& model) {
    const QSignalBlocker block(widget);
    const QString text = ToQt(model.text);
    if (widget->text() != text) {
        widget->setText(text);
    }
    // A box without one from the core keeps the view's own.
    const QString tip = ToQt(model.toolTip);
    if (!tip.isEmpty() && widget->toolTip() != tip) {
        widget->setToolTip(tip);
    }
    SyncEnabled(widget, model.enabled);
    SyncVisible(widget, model.visible);
}

void SyncCheckBox(QCheckBox* widget, const CheckBox& model) {
    const QSignalBlocker block(widget);
    SyncCaption(widget, model.caption);
    if (widget->isChecked() != (model.value != 0)) {
        widget->setChecked(model.value != 0);
    }
    SyncEnabled(widget, model.enabled);
    SyncVisible(widget, model.visible);
}

void SyncOption(QRadioButton* widget, const OptionButton& model) {
    const QSignalBlocker block(widget);
    SyncCaption(widget, model.caption);
    if (widget->isChecked() != model.value) {
        // An option group may have none chosen, which an exclusive group would refuse.
        const bool exclusive = widget->autoExclusive();
        widget->setAutoExclusive(false);
        widget->setChecked(model.value);
        widget->setAutoExclusive(exclusive);
    }
    SyncEnabled(widget, model.enabled);
    SyncVisible(widget, model.visible);
}

void SyncComboBox(QComboBox* widget, const ComboBox& model) {
    const QSignalBlocker block(widget);
    bool same = widget->count() == static_cast<int>(model.items.size());
    for (int i = 0; same && i < widget->count(); ++i) {
        same = widget->itemText(i) == ToQt(model.items[i]);
    }
    if (!same) {
        widget->clear();
        for (const auto& item : model.items) {
            widget->addItem(ToQt(item));
        }
    }
    const int index = widget->findText(ToQt(model.text));
    if (widget->currentIndex() != index) {
        widget->setCurrentIndex(index);
    }
    SyncEnabled(widget, model.enabled);
}

void SyncFrame(QGroupBox* widget, const Frame& model) {
    const QString title = ToQt(model.caption);
    if (widget->title() != title) {
        widget->setTitle(title);
        widget->setAccessibleName(title);
    }
    SyncEnabled(widget, model.enabled);
    SyncVisible(widget, model.visible);
}

void SyncMenuItem(QAction* action, const MenuItem& model) {
    action->setText(ToQt(model.caption));
    // Only a ticked item shows a tick box, so plain commands look like commands.
    action->setCheckable(model.checked);
    action->setChecked(model.checked);
    action->setEnabled(model.enabled);
    action->setVisible(model.visible);
}

MouseDown ToMouseDown(const QMouseEvent* event) {
    MouseDown down;
    switch (event->button()) {
    case Qt::LeftButton:
        down.button = 1;
        break;
    case Qt::RightButton:
        down.button = 2;
        break;
    case Qt::MiddleButton:
        down.button = 4;
        break;
    default:
        break;
    }
    const auto mods = event->modifiers();
    down.shift = static_cast<int16_t>((mods & Qt::ShiftModifier ? 1 : 0) |
                                      (mods & Qt::ControlModifier ? 2 : 0) |
                                      (mods & Qt::AltModifier ? 4 : 0));
    down.x = static_cast<float>(event->position().x() * kTwipsPerPixel);
    down.y = static_cast<float>(event->position().y() * kTwipsPerPixel);
    return down;
}

void MouseLabel::mousePressEvent(QMouseEvent* event) {
    if (!onMouseDown) {
        QLabel::mousePressEvent(event);
        return;
    }
    onMouseDown(ToMouseDown(event));
}

QVBoxLayout* NewYAxis(QWidget* parent, std::array<MouseLabel*, 9>& labels) {
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    for (int i = 8; i >= 0; --i) {
        labels[i] = NewAxisLabel(parent);
        labels[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        column->addWidget(labels[i]);
        if (i > 0) {
            column->addStretch(1);
        }
    }
    return column;
}

QHBoxLayout* NewXAxis(QWidget* parent, std::array<MouseLabel*, 5>& labels) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (int i = 0; i < 5; ++i) {
        labels[i] = NewAxisLabel(parent);
        row->addWidget(labels[i]);
        if (i < 4) {
            row->addStretch(1);
        }
    }
    return row;
}

QHBoxLayout* NewQuarterCaptions(QWidget* parent, std::array<MouseLabel*, 4>& labels) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (auto& label : labels) {
        label = NewAxisLabel(parent);
        label->setAlignment(Qt::AlignCenter);
        row->addWidget(label, 1);
    }
    return row;
}

QGroupBox* NewReadoutFrame(QWidget* parent, const char* name,
                           const std::vector<std::pair<const char*, const char*>>& names,
                           std::vector<std::pair<MouseLabel*, MouseLabel*>>& labels) {
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(name);
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    const int valueWidth = frame->fontMetrics().horizontalAdvance(QStringLiteral("-00000.000")) + 8;
    int row = 0;
    for (const auto& [titleName, valueName] : names) {
        auto* title = NewAxisLabel(frame);
        title->setObjectName(titleName);
        auto* value = NewAxisLabel(frame);
        value->setObjectName(valueName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // A fixed size keeps a new value from laying the whole window out again, and an opaque
        // one from repainting the frame around it: a sweep changes these many times a second.
        value->setText(QStringLiteral("0"));
        value->setFixedSize(valueWidth, value->sizeHint().height());
        value->setAutoFillBackground(true);
        grid->addWidget(title, row, 0);
        grid->addWidget(value, row, 1);
        labels.emplace_back(title, value);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return frame;
}

void ShowReadOnly(QLineEdit* box) {
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
}

int TitleWidth(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    constexpr int kButtonsAndIcon = 120;
    return QFontMetrics(font).horizontalAdvance(title) + kButtonsAndIcon;
}
