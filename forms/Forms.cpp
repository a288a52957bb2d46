#include "forms/Forms.h"

#include <array>
#include <utility>

namespace {

constexpr size_t kForms = static_cast<size_t>(FormId::frmAllan) + 1;

std::array<FormLifecycle, kForms>& Lifecycles() {
    static std::array<FormLifecycle, kForms> table;
    return table;
}

const FormLifecycle& LifecycleOf(FormId form) { return Lifecycles()[static_cast<size_t>(form)]; }

std::function<void(const std::function<void()>&)>& ModalHold() {
    static std::function<void(const std::function<void()>&)> hold;
    return hold;
}

void Prepare(FormId form) {
    LoadForm(form);
    FormOf(form).visible = true;
    if (const auto activate = LifecycleOf(form).activate) {
        activate();
    }
}

} // namespace

void LoadForm(FormId form) {
    auto& geometry = FormOf(form);
    if (geometry.loaded) {
        return;
    }
    geometry.loaded = true;
    if (const auto load = LifecycleOf(form).load) {
        load();
    }
}

void RegisterForm(FormId form, FormLifecycle lifecycle) {
    Lifecycles()[static_cast<size_t>(form)] = lifecycle;
}

void SetModalHold(std::function<void(const std::function<void()>&)> hold) {
    ModalHold() = std::move(hold);
}

FormGeometry& FormOf(FormId form) { return LifecycleOf(form).geometry(); }

void ShowForm(FormId form) {
    Prepare(form);
    Ui().Show(form);
}

void ShowModalForm(FormId form) {
    const auto modal = [form] {
        Prepare(form);
        Ui().ShowModal(form);
    };
    if (ModalHold()) {
        ModalHold()(modal);
    } else {
        modal();
    }
    FormOf(form).visible = false;
}

void HideForm(FormId form) {
    FormOf(form).visible = false;
    Ui().Hide(form);
}

void PlaceForm(FormId form, FormPlace place) {
    if (Ui().Place(form, place)) {
        return;
    }
    auto& g = FormOf(form);
    const bool resized = (place.width > 0 && place.width != g.width) ||
                         (place.height > 0 && place.height != g.height);
    g.left = place.left;
    g.top = place.top;
    g.width = place.width > 0 ? place.width : g.width;
    g.height = place.height > 0 ? place.height : g.height;
    if (const auto resize = LifecycleOf(form).resize; resize != nullptr && resized) {
        resize();
    }
}

FormPlace WithHeight(FormId form, int32_t height) {
    const auto& g = FormOf(form);
    return {g.left, g.top, g.width, height};
}
