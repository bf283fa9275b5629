// How long the X server itself keeps a client waiting: asks it the cheapest question (the input
// focus) every 10 ms for --seconds and prints "server worst wait W ms". Beside the ping probe, it
// tells a wait of the server (busy for every client) from a wait of the app's main thread.
//   server_wait --seconds S
#include <xcb/xcb.h>

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--seconds") seconds = std::atof(argv[i + 1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "server_wait: no display\n");
        return 1;
    }
    double worst = 0;
    for (const double start = now(); now() - start < seconds;) {
        const double asked = now();
        auto* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        if (!reply) return 1;
        std::free(reply);
        worst = std::max(worst, now() - asked);
        ::poll(nullptr, 0, 10);
    }
    std::printf("server worst wait %.0f ms\n", worst * 1000);
    xcb_disconnect(c);
    return 0;
}
