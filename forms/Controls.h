// Plain-data models of window controls. The core reads and writes these; a Qt view,
// when it exists, shows them and writes user edits back.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Label {
    Label() = default;
    explicit Label(std::string caption, std::string toolTip = {})
        : caption(std::move(caption)), toolTip(std::move(toolTip)) {}
    std::string caption;
    std::string toolTip;
    bool visible = true;
    int32_t left = 0;
    int32_t top = 0;
};

struct Button {
    explicit Button(std::string caption = {}) : caption(std::move(caption)) {}
    std::string caption;
    bool enabled = true;
    bool visible = true;
};

struct TextBox {
    explicit TextBox(std::string text = {}) : text(std::move(text)) {}
    std::string text;
    std::string toolTip;
    bool enabled = true;
    bool visible = true;
};

struct Frame {
    explicit Frame(std::string caption = {}, bool enabled = true)
        : caption(std::move(caption)), enabled(enabled) {}
    std::string caption;
    bool enabled = true; // a disabled frame disables what it holds
    bool visible = true;
};

// value is 0 (cleared) or 1 (ticked), as the handlers test "any non-zero value".
struct CheckBox {
    explicit CheckBox(std::string caption = {}) : caption(std::move(caption)) {}
    std::string caption;
    int16_t value = 0;
    bool enabled = true;
    bool visible = true;
    int32_t top = 0;
};

struct OptionButton {
    explicit OptionButton(std::string caption = {}) : caption(std::move(caption)) {}
    std::string caption;
    bool value = false;
    bool enabled = true;
    bool visible = true;
    int32_t top = 0;
};

struct ComboBox {
    explicit ComboBox(std::vector<std::string> items = {}) : items(std::move(items)) {}
    std::vector<std::string> items;
    std::string text;
    bool enabled = true;
};

struct MenuItem {
    explicit MenuItem(std::string caption = {}, bool checked = false, bool visible = true)
        : caption(std::move(caption)), checked(checked), visible(visible) {}
    std::string caption;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
};

enum class WindowState { Normal, Minimized, Maximized };

struct FormGeometry {
    explicit FormGeometry(std::string caption = {}) : caption(std::move(caption)) {}
    std::string caption;
    bool loaded = false; // its Load has run; windows are hidden, never unloaded
    bool visible = false;
    WindowState state = WindowState::Normal;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Setting a box or an option from code runs its click handler when the value changes,
// as a click would.
void SetCheckValue(CheckBox& box, int16_t value, void (*click)());
void SetOptionValue(OptionButton* group, int count, int16_t index, void (*click)(int16_t));
