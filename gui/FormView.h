// What every view is to the Qt frontend, and the hold a view puts on event processing while
// Qt is still delivering one of its events.
#pragma once

// While one lives, DoEvents does nothing: a handler run from inside a Qt event that is still
// being delivered (a resize in the middle of a layout) must not start the event loop again
// underneath it, which left windows half painted.
class EventsHeld {
public:
    EventsHeld();
    ~EventsHeld();
    EventsHeld(const EventsHeld&) = delete;
    EventsHeld& operator=(const EventsHeld&) = delete;
};

// A window that shows one form model.
class FormView {
public:
    virtual ~FormView() = default;
    // Re-reads the form model; user-edit signals are blocked meanwhile.
    virtual void SyncFromModel() = 0;
};
