#include "gui/QtUsbDialog.h"
#include "platform/Frontend.h"

#include "gui/QtCanvas.h"
#include "gui/QtControls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

namespace {

// Refuses text the core says does not fit the box.
class PredicateValidator final : public QValidator {
public:
    PredicateValidator(bool (*accepts)(std::string_view), QObject* parent)
        : QValidator(parent), accepts_(accepts) {}
    State validate(QString& input, int&) const override {
        return accepts_(input.toStdString()) ? Acceptable : Invalid;
    }

private:
    bool (*accepts_)(std::string_view);
};

} // namespace

int QtUsbDialog::Pixels(int twips) const {
    return static_cast<int>(twips * spread_ / kTwipsPerPixel);
}

void QtUsbDialog::SetPlace(QWidget* widget, int left, int top, int width, int height) {
    places_.push_back({widget, {left, top, width, height}});
    widget->setGeometry(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

void QtUsbDialog::SetDialogSize(int width, int height) {
    size_ = {width, height};
    setFixedSize(Pixels(width), Pixels(height));
}

// The layout was drawn for a narrower font than ours: the whole dialog spreads until the
// widest caption for its place fits, headers and buttons alike.
void QtUsbDialog::FitToCaptions() {
    double spread = 1.0;
    for (const auto& [widget, at] : places_) {
        const QFontMetrics metrics = widget->fontMetrics();
        int needed = 0;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            needed = metrics.horizontalAdvance(label->text()) + 2;
        } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            needed = metrics.horizontalAdvance(button->text()) + 12;
        } else if (qobject_cast<const QRadioButton*>(widget) != nullptr ||
                   qobject_cast<const QCheckBox*>(widget) != nullptr) {
            needed = widget->sizeHint().width();
        }
        if (at.width > 0) {
            spread = std::max(spread, needed * double(kTwipsPerPixel) / at.width);
        }
    }
    spread_ = std::min(spread, 2.0);
    for (const auto& [widget, at] : places_) {
        widget->setGeometry(Pixels(at.left), Pixels(at.top), Pixels(at.width), Pixels(at.height));
    }
    setFixedSize(Pixels(size_.width), Pixels(size_.height));
}

QtUsbDialog::QtUsbDialog(QueryUnload queryUnload) : queryUnload_(queryUnload) {}

void QtUsbDialog::SyncFromModel() {
    for (const auto& sync : syncs_) {
        sync();
    }
}

QGroupBox* QtUsbDialog::AddFrame(QWidget* parent, const QString& name, Get<Frame> model, Place at) {
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(name);
    SetPlace(frame, at.left, at.top, at.width, at.height);
    syncs_.push_back([frame, model] { SyncFrame(frame, model()); });
    return frame;
}

QLabel* QtUsbDialog::AddLabel(QWidget* parent, const QString& name, Get<Label> model, Place at) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    SetPlace(label, at.left, at.top, at.width, at.height);
    syncs_.push_back([label, model] { SyncLabel(label, model()); });
    return label;
}

QPushButton* QtUsbDialog::AddButton(QWidget* parent, const QString& name, Get<Button> model,
                                    void (*click)(), Place at) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    // Enter belongs to the text boxes, not to a default button.
    button->setAutoDefault(false);
    SetPlace(button, at.left, at.top, at.width, at.height);
    connect(button, &QPushButton::clicked, this, [click] {
        click();
        Ui().Refresh();
    });
    syncs_.push_back([button, model] { SyncButton(button, model()); });
    return button;
}

QLineEdit* QtUsbDialog::AddTextBox(QWidget* parent, const QString& name, Get<TextBox> model,
                                   Place at, bool (*accepts)(std::string_view)) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(name);
    SetPlace(box, at.left, at.top, at.width, at.height);
    if (accepts != nullptr) {
        box->setValidator(new PredicateValidator(accepts, box));
    }
    connect(box, &QLineEdit::textEdited, this,
            [model](const QString& text) { model().text = text.toStdString(); });
    syncs_.push_back([box, model] { SyncTextBox(box, model()); });
    return box;
}

QRadioButton* QtUsbDialog::AddOption(QWidget* parent, const QString& name,
                                     Get<std::array<OptionButton, 5>> group, int index,
                                     void (*click)(int16_t), Place at) {
    auto* option = new QRadioButton(parent);
    option->setObjectName(name);
    // The model decides which one is chosen, across parents too.
    option->setAutoExclusive(false);
    SetPlace(option, at.left, at.top, at.width, at.height);
    connect(option, &QRadioButton::clicked, this, [group, index, click] {
        auto& options = group();
        SetOptionValue(options.data(), static_cast<int>(options.size()),
                       static_cast<int16_t>(index), click);
        Ui().Refresh();
    });
    syncs_.push_back(
        [option, group, index] { SyncOption(option, group()[static_cast<size_t>(index)]); });
    return option;
}

QCheckBox* QtUsbDialog::AddCheckBox(QWidget* parent, const QString& name, Get<CheckBox> model,
                                    Place at) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    SetPlace(box, at.left, at.top, at.width, at.height);
    connect(box, &QCheckBox::clicked, this, [model](bool checked) {
        SetCheckValue(model(), checked ? 1 : 0, nullptr);
        Ui().Refresh();
    });
    syncs_.push_back([box, model] { SyncCheckBox(box, model()); });
    return box;
}

bool QtUsbDialog::AskToClose() {
    int16_t cancel = 0;
    queryUnload_(cancel, 0);
    Ui().Refresh();
    return cancel != 0;
}

void QtUsbDialog::closeEvent(QCloseEvent* event) {
    if (AskToClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void QtUsbDialog::reject() {
    if (!AskToClose()) {
        QDialog::reject();
    }
}
