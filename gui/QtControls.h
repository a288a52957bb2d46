// Shared pieces of the Qt views: showing a control model on its widget, and labels that
// report mouse presses the way the handlers expect them.
#pragma once

#include "forms/Controls.h"

#include <QLabel>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QMouseEvent;
class QRadioButton;
class QVBoxLayout;
class QWidget;

inline QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// Wide enough that a window manager shows the whole title beside its buttons.
int TitleWidth(const QString& title);

// Each writes only what differs, with the widget's signals blocked, so a sync is cheap and
// never looks like a user edit.
void SyncLabel(QLabel* widget, const Label& model);
void SyncButton(QAbstractButton* widget, const Button& model);
void SyncTextBox(QLineEdit* widget, const TextBox& model);
void SyncCheckBox(QCheckBox* widget, const CheckBox& model);
void SyncOption(QRadioButton* widget, const OptionButton& model);
void SyncComboBox(QComboBox* widget, const ComboBox& model);
void SyncFrame(QGroupBox* widget, const Frame& model);
void SyncMenuItem(QAction* action, const MenuItem& model);

// A box that only shows what the program chose: read-only, out of the Tab order, and drawn
// on the window's colour as read-only fields are.
void ShowReadOnly(QLineEdit* box);

// A mouse press as the handlers take it: button 1 left, 2 right, 4 middle; shift 1 Shift,
// 2 Ctrl, 4 Alt; position in twips inside the control.
struct MouseDown {
    int16_t button = 0;
    int16_t shift = 0;
    float x = 0;
    float y = 0;
};

MouseDown ToMouseDown(const QMouseEvent* event);

class MouseLabel final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void(const MouseDown&)> onMouseDown;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The value labels of a plot's vertical axis, the top one (index 8) first, spread over the
// plot's height.
QVBoxLayout* NewYAxis(QWidget* parent, std::array<MouseLabel*, 9>& labels);
// The five labels under a plot at 0, 1/4, 1/2, 3/4 and the full width.
QHBoxLayout* NewXAxis(QWidget* parent, std::array<MouseLabel*, 5>& labels);
// The four quarter captions under a plot.
QHBoxLayout* NewQuarterCaptions(QWidget* parent, std::array<MouseLabel*, 4>& labels);
// A frame of readouts, each row a title label and a value label; labels are (title, value)
// pairs created in that order as the frame's children.
QGroupBox* NewReadoutFrame(QWidget* parent, const char* name,
                           const std::vector<std::pair<const char*, const char*>>& names,
                           std::vector<std::pair<MouseLabel*, MouseLabel*>>& labels);
