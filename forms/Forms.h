// Every window's lifecycle, run by the core whatever shows the window: created on first use,
// loaded once, activated at every showing, hidden rather than destroyed.
#pragma once

#include <functional>

#include "forms/Controls.h"
#include "platform/Frontend.h"

// A window's form model and the handlers its lifecycle runs; any handler may be missing.
struct FormLifecycle {
    FormGeometry& (*geometry)() = nullptr;
    void (*load)() = nullptr;
    void (*activate)() = nullptr;
    void (*resize)() = nullptr;
};
// The program registers every window once at start-up, before any is used.
void RegisterForm(FormId form, FormLifecycle lifecycle);
// How a modal dialog holds everything while it is up (a running acquisition ends); without
// one, the dialog is simply waited for.
void SetModalHold(std::function<void(const std::function<void()>&)> hold);

// The window's form model geometry (caption, visibility, position).
FormGeometry& FormOf(FormId form);

// Runs the window's Load unless it ran already; the window is not shown.
void LoadForm(FormId form);
// Runs the window's Load the first time and its Activate every time, then shows it.
void ShowForm(FormId form);
// The same for a dialog that holds the caller until it is hidden again.
void ShowModalForm(FormId form);
void HideForm(FormId form);
// Moves or sizes a form's window. The window system carries it out and reports the result
// into the form model; without windows the model takes the place at once. Either way the
// form's resize handler runs when its size changed.
void PlaceForm(FormId form, FormPlace place);
// A form's place with only its height changed.
FormPlace WithHeight(FormId form, int32_t height);
