// Launch to main window mapped: the program on the simulated boards with a configuration
// file present, against a Qt window with nothing in it, started in turns on an X display of
// the bench's own (no window manager). A window counts as mapped when the server maps a
// top-level window carrying the started process's id.
//
//   build/bench/bench/bench_startup [launches of each, default 10]
#include "tests/support/TempDir.h"
#include "tests/support/VirtualDisplay.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Seconds = std::chrono::duration<double>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

pid_t WindowPid(xcb_connection_t* c, xcb_window_t window, xcb_atom_t pidAtom) {
    const auto cookie = xcb_get_property(c, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) {
        return -1;
    }
    return static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply.get())));
}

// Seconds from the start of args to the map of its first top-level window, or a negative
// number when none came within 20 s.
double TimeToMapped(xcb_connection_t* c, xcb_atom_t pidAtom, const std::vector<std::string>& args,
                    const std::string& display) {
    const auto t0 = testproc::Clock::now();
    pid_t pid = testproc::Spawn(args, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    double seconds = -1;
    const int fd = xcb_get_file_descriptor(c);
    while (seconds < 0 && testproc::Clock::now() - t0 < std::chrono::seconds(20)) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c),
                                                                         &std::free);
        if (!event) {
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, 100);
            continue;
        }
        if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) {
            continue;
        }
        const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
        if (!map->override_redirect && WindowPid(c, map->window, pidAtom) == pid) {
            seconds = Seconds(testproc::Clock::now() - t0).count();
        }
    }
    testproc::Kill(pid);
    return seconds;
}

struct Spread {
    double min, median, max;
};

Spread SpreadOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

} // namespace

int main(int argc, char** argv) {
    const int launches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    VirtualDisplay display;
    if (!display.Start(false)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    xcb_connection_t* c = xcb_connect(display.Name().c_str(), nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "no connection to %s\n", display.Name().c_str());
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t pidAtom = Atom(c, "_NET_WM_PID");
    xcb_flush(c);

    // The program starts in a folder of its own with its settings there.
    TempWorkDir dir;
    dir.Write("QueltoEval.cfg", "Device = KXS306\r\nInterface =  1 \r\nPlot Samples =  2048 \r\n"
                                "Port Address =  888 \r\n");
    std::vector<double> program, window;
    for (int i = 0; i < launches; ++i) {
        program.push_back(TimeToMapped(c, pidAtom, {QUELTO_PROGRAM, "--simulate"}, display.Name()));
        window.push_back(TimeToMapped(c, pidAtom, {TRIVIAL_WINDOW}, display.Name()));
        if (program.back() < 0 || window.back() < 0) {
            std::fprintf(stderr, "a window did not come up\n");
            return 1;
        }
    }
    xcb_disconnect(c);

    const Spread p = SpreadOf(program);
    const Spread w = SpreadOf(window);
    std::printf("launch to main window mapped, %d launches each (s: min median max)\n", launches);
    std::printf("  queltoeval --simulate  %.3f %.3f %.3f\n", p.min, p.median, p.max);
    std::printf("  trivial Qt window      %.3f %.3f %.3f\n", w.min, w.median, w.max);
    std::printf("  ratio of the medians   %.2f\n", p.median / w.median);
    return p.median <= 0.5 ? 0 : 2;
}
