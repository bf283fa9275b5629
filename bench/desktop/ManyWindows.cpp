// A crowded desktop for the window-list measures: makes COUNT small windows and one large one,
// prints "ready" once they are all shown and the desktop has settled (nothing changed on the root
// for two seconds), then keeps the large one moving (back and forth across the screen, a move every
// 16 ms or --interval-ms) until it is killed. None of them takes the focus, as a window manager
// would otherwise pass it from each new window to the next for minutes. SIGUSR1 opens one more
// window, as an application opening one mid-outing; SIGUSR2 closes the last one so opened.
//   many_windows --count N [--interval-ms MS] [--override-redirect] [--still]
// Managed windows are asked to move as a pager or xdotool asks (a configure request the window
// manager carries out); override-redirect ones go in no manager's list.
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

xcb_atom_t userTime = XCB_ATOM_NONE;
// Lock-free, so safe to count in a signal handler.
std::atomic<int> opens{0}, closes{0};

xcb_window_t makeWindow(xcb_connection_t* c, const xcb_screen_t* screen, int x, int y, int w, int h, bool overrideRedirect,
                        uint32_t events) {
    const xcb_window_t win = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, overrideRedirect ? 1u : 0u, events};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, int16_t(x), int16_t(y), uint16_t(w), uint16_t(h), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    // Where the program asks to be: the manager keeps it there.
    uint32_t hints[18] = {};
    hints[0] = 1 | 2 | 4 | 8;
    hints[1] = uint32_t(x);
    hints[2] = uint32_t(y);
    hints[3] = uint32_t(w);
    hints[4] = uint32_t(h);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const uint32_t wmHints[9] = {1, 0};  // input hint: no focus
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, wmHints);
    const uint32_t noUserTime = 0;  // not to be focused when shown
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, userTime, XCB_ATOM_CARDINAL, 32, 1, &noUserTime);
    const char wmClass[] = "many\0ManyWindows";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof wmClass, wmClass);
    xcb_map_window(c, win);
    return win;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 10, interval = 16;
    bool overrideRedirect = false, still = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--count" && i + 1 < argc) count = std::atoi(argv[++i]);
        else if (a == "--interval-ms" && i + 1 < argc) interval = std::max(1, std::atoi(argv[++i]));
        else if (a == "--override-redirect") overrideRedirect = true;
        else if (a == "--still") still = true;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "many_windows: no display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int width = screen->width_in_pixels, height = screen->height_in_pixels;
    {
        const char name[] = "_NET_WM_USER_TIME";
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        if (reply) userTime = reply->atom;
        std::free(reply);
    }

    // Small windows in rows below the top bar, each too small to walk on; then the large one.
    int shown = 0;
    const int columns = std::max(1, (width - 40) / 24);
    for (int i = 0; i < count; ++i) {
        const int x = 20 + (i % columns) * 24, y = 80 + ((i / columns) * 18) % std::max(1, height - 200);
        makeWindow(c, screen, x, y, 20, 14, overrideRedirect, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        if (i % 500 == 499) xcb_flush(c);
    }
    const int bigY = height / 2;
    const xcb_window_t big = makeWindow(c, screen, 100, bigY, 600, 300, overrideRedirect, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_flush(c);
    while (shown < count + 1) {
        xcb_generic_event_t* e = xcb_wait_for_event(c);
        if (!e) return 1;
        if ((e->response_type & ~0x80) == XCB_MAP_NOTIFY) ++shown;
        std::free(e);
    }
    // Settled: two seconds without a word from the root (at most ten minutes).
    const uint32_t rootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &rootEvents);
    xcb_flush(c);
    for (double quietSince = now(), began = now(); now() - quietSince < 2 && now() - began < 600;) {
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, 100);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            quietSince = now();
            std::free(e);
        }
        if (xcb_connection_has_error(c)) return 1;
    }
    const uint32_t none = 0;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &none);
    std::printf("ready\n");
    std::fflush(stdout);

    struct sigaction act{};
    act.sa_handler = [](int signal) { (signal == SIGUSR1 ? opens : closes).fetch_add(1); };
    ::sigaction(SIGUSR1, &act, nullptr);
    ::sigaction(SIGUSR2, &act, nullptr);
    std::vector<xcb_window_t> opened;
    int opensDone = 0, closesDone = 0;

    const double start = now();
    for (int frame = 0;; ++frame) {
        // Answers and events are read and dropped, so none pile up here.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) std::free(e);
        if (xcb_connection_has_error(c)) return 0;
        for (; opensDone < opens; ++opensDone) {
            const int step = int(opened.size()) % 8;
            opened.push_back(makeWindow(c, screen, 200 + 60 * step, 160 + 40 * step, 400, 240, overrideRedirect, 0));
        }
        for (; closesDone < closes; ++closesDone) {
            if (opened.empty()) continue;
            xcb_destroy_window(c, opened.back());
            opened.pop_back();
        }
        if (!still) {
            const double t = now() - start;
            const uint32_t to[] = {uint32_t(100 + (width - 800) * (0.5 - 0.5 * std::cos(t * 0.8))), uint32_t(bigY)};
            xcb_configure_window(c, big, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, to);
            xcb_flush(c);
        }
        ::poll(nullptr, 0, interval);
    }
}
