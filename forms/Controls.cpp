#include "forms/Controls.h"

void SetCheckValue(CheckBox& box, int16_t value, void (*click)()) {
    if (box.value == value) {
        return;
    }
    box.value = value;
    if (click != nullptr) {
        click();
    }
}

void SetOptionValue(OptionButton* group, int count, int16_t index, void (*click)(int16_t)) {
    if (index < 0 || index >= count || group[index].value) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        group[i].value = i == index;
    }
    if (click != nullptr) {
        click(index);
    }
}
