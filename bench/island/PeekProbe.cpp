// Measures how soon the hidden island peeks once the pointer reaches it, as a person's hand would
// bring it there: real input through the XTEST extension (so the server's idle time and its alarms
// see it), a quick move from a resting place to the top centre, and the island window's map seen
// on the root. After an idle stretch it also measures what the app cost while it waited.
//
// island_peek_probe --mode idle|work --tries N --idle SECONDS [--pid APP] [--ref-pid OTHER]
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

struct Display {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    int width = 0, height = 0;
    xcb_atom_t netName = 0;
    xcb_window_t island = 0;  // learnt at its first map
    bool islandMapped = false;
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
}

std::string nameOf(Display& d, xcb_window_t w) {
    for (xcb_atom_t property : {d.netName, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        auto* reply = xcb_get_property_reply(d.c, xcb_get_property(d.c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
        std::string name;
        if (reply) name.assign(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
        std::free(reply);
        if (!name.empty()) return name;
    }
    return {};
}

// Reads what has come; the time of the island's map, if it came now.
std::optional<Clock::time_point> readEvents(Display& d) {
    std::optional<Clock::time_point> mapped;
    while (xcb_generic_event_t* e = xcb_poll_for_event(d.c)) {
        const auto now = Clock::now();
        const int type = e->response_type & ~0x80;
        if (type == XCB_MAP_NOTIFY) {
            const xcb_window_t w = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
            if (!d.island && nameOf(d, w) == "Kettlepaw Island") d.island = w;
            if (w == d.island) {
                d.islandMapped = true;
                mapped = now;
            }
        } else if (type == XCB_UNMAP_NOTIFY && reinterpret_cast<xcb_unmap_notify_event_t*>(e)->window == d.island) {
            d.islandMapped = false;
        }
        std::free(e);
    }
    return mapped;
}

// Waits for events up to `timeout` seconds; the island's map time if it came.
std::optional<Clock::time_point> waitEvents(Display& d, double timeout) {
    pollfd p{xcb_get_file_descriptor(d.c), POLLIN, 0};
    if (auto m = readEvents(d)) return m;
    if (::poll(&p, 1, std::max(0, int(timeout * 1000))) > 0) return readEvents(d);
    return std::nullopt;
}

void motion(Display& d, int x, int y) {
    xcb_test_fake_input(d.c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, d.root, int16_t(x), int16_t(y), 0);
    xcb_flush(d.c);
}

void key(Display& d, uint8_t code) {
    xcb_test_fake_input(d.c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, d.root, 0, 0, 0);
    xcb_test_fake_input(d.c, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, d.root, 0, 0, 0);
    xcb_flush(d.c);
}

// A process's CPU seconds and its threads' voluntary switches (its wake-ups).
struct Cost {
    double cpu = 0;
    long long wakes = 0;
};
std::optional<Cost> costOf(int pid) {
    if (pid <= 0) return std::nullopt;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return std::nullopt;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string f;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i)
        if (i == 14 || i == 15) ticks += std::stod(f);
    Cost cost{ticks / double(sysconf(_SC_CLK_TCK)), 0};
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* t = readdir(dir)) {
            if (t->d_name[0] == '.') continue;
            std::ifstream status(tasks + "/" + t->d_name + "/status");
            while (std::getline(status, line))
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0) cost.wakes += std::stoll(line.substr(24));
        }
        closedir(dir);
    }
    return cost;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = "work";
    int tries = 20, pid = 0, refPid = 0;
    double idle = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i], v = argv[i + 1];
        if (a == "--mode") mode = v;
        else if (a == "--tries") tries = std::stoi(v);
        else if (a == "--idle") idle = std::stod(v);
        else if (a == "--pid") pid = std::stoi(v);
        else if (a == "--ref-pid") refPid = std::stoi(v);
    }
    Display d;
    d.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(d.c)) {
        std::fprintf(stderr, "peek-probe: no display\n");
        return 1;
    }
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(d.c, &xcb_test_id);
    if (!xtest || !xtest->present) {
        std::fprintf(stderr, "peek-probe: the server has no XTEST\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(d.c)).data;
    d.root = screen->root;
    d.width = screen->width_in_pixels;
    d.height = screen->height_in_pixels;
    d.netName = atom(d.c, "_NET_WM_NAME");
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(d.c, d.root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(d.c);
    // The island as it is now: it has no frame of its own, so it is one of the root's children.
    if (auto* tree = xcb_query_tree_reply(d.c, xcb_query_tree(d.c, d.root), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !d.island; ++i) {
            if (nameOf(d, children[i]) != "Kettlepaw Island") continue;
            d.island = children[i];
            auto* attributes = xcb_get_window_attributes_reply(d.c, xcb_get_window_attributes(d.c, d.island), nullptr);
            d.islandMapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
            std::free(attributes);
        }
        std::free(tree);
    }
    if (!d.island) {
        std::fprintf(stderr, "peek-probe: no island window on the display\n");
        return 1;
    }

    // The hidden island's hover zone: the 184 x 32 notch at the top centre, 16 wider a side and 8 deeper.
    const int zoneLeft = d.width / 2 - 92 - 16, zoneRight = d.width / 2 + 92 + 16, zoneBottom = 32 + 8;
    const auto inZone = [&](int x, int y) { return x >= zoneLeft && x < zoneRight && y >= 0 && y < zoneBottom; };
    // Where a hand rests between tries: around the lower middle of the screen, a different place each time.
    const std::vector<std::pair<double, double>> rests = {{0.3, 0.7}, {0.55, 0.5}, {0.8, 0.8}, {0.15, 0.35}, {0.65, 0.9}};
    const uint8_t shift = 50;  // Shift_L on the server's usual keymap: typed without writing anything

    std::vector<double> delays;
    Cost app{}, ref{};
    double measured = 0;
    int missed = 0;
    for (int n = 0; n < tries; ++n) {
        const auto [rx, ry] = rests[n % rests.size()];
        const int x0 = int(rx * d.width), y0 = int(ry * d.height);
        motion(d, x0, y0);
        // The island hidden again (it was out from the last try, or the greeting).
        for (auto until = Clock::now() + std::chrono::seconds(90); Clock::now() < until;) {
            waitEvents(d, 0.05);
            if (d.island && !d.islandMapped) break;
        }
        if (mode == "idle") {
            // No input at all; the cost counts once the app and the reference have settled.
            const double settle = std::min(8.0, idle / 4);
            std::this_thread::sleep_for(std::chrono::duration<double>(settle));
            const auto a0 = costOf(pid), r0 = costOf(refPid);
            const auto t0 = Clock::now();
            std::this_thread::sleep_for(std::chrono::duration<double>(idle - settle));
            const auto a1 = costOf(pid), r1 = costOf(refPid);
            if (a0 && a1) {
                measured += seconds(t0, Clock::now());
                app.cpu += a1->cpu - a0->cpu;
                app.wakes += a1->wakes - a0->wakes;
                if (r0 && r1) {
                    ref.cpu += r1->cpu - r0->cpu;
                    ref.wakes += r1->wakes - r0->wakes;
                }
            }
        } else {
            // Work: typing, and the hand on the pointer nudging it, for three seconds.
            for (int i = 0; i < 60; ++i) {
                if (i % 3 == 0) key(d, shift);
                motion(d, x0 + (i % 5) * 3, y0 + (i % 4) * 2);
                waitEvents(d, 0.05);
            }
        }
        // A quick move to the top centre: 0.4 s, slow to start, fastest midway, slow to land,
        // as a 250 Hz mouse reports it.
        const int x1 = d.width / 2 + (n % 7 - 3) * 10, y1 = 12;
        const double length = 0.4, step = 0.004;
        std::optional<Clock::time_point> reached, mapped;
        const auto start = Clock::now();
        for (int i = 0;; ++i) {
            const double u = std::min(1.0, i * step / length);
            const double s = u * u * u * (10 - 15 * u + 6 * u * u);
            const int x = int(std::lround(x0 + (x1 - x0) * s)), y = int(std::lround(y0 + (y1 - y0) * s));
            const auto sent = Clock::now();
            motion(d, x, y);
            if (!reached && inZone(x, y)) reached = sent;
            if (u >= 1) break;
            const auto next = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>((i + 1) * step));
            while (!mapped && Clock::now() < next) mapped = waitEvents(d, seconds(Clock::now(), next));
            if (Clock::now() < next) std::this_thread::sleep_until(next);
        }
        for (auto until = Clock::now() + std::chrono::seconds(5); !mapped && Clock::now() < until;)
            mapped = waitEvents(d, 0.1);
        if (!mapped || !reached) {
            ++missed;
            std::printf("peek-probe %s: try %d: no peek\n", mode.c_str(), n + 1);
            continue;
        }
        const double ms = 1000 * seconds(*reached, *mapped);
        delays.push_back(ms);
        std::printf("peek-probe %s: try %d: %.1f ms\n", mode.c_str(), n + 1, ms);
        std::fflush(stdout);
    }
    motion(d, d.width / 2, d.height - 40);
    xcb_flush(d.c);
    const char* after = mode == "idle" ? "after an idle stretch" : "during work";
    if (!delays.empty())
        std::printf("peek delay %s: median %.1f ms, worst %.1f ms over %zu tries (%.0f s idle before each)\n", after,
                    median(delays), *std::max_element(delays.begin(), delays.end()), delays.size(), mode == "idle" ? idle : 0.0);
    if (measured > 0) {
        std::printf("rest cost (island hidden, pointer away, no input) over %.0f s: app %.3f%% of a core, %.2f wake-ups a second\n",
                    measured, 100 * app.cpu / measured, double(app.wakes) / measured);
        if (refPid > 0)
            std::printf("rest cost of oneko over the same stretches: %.3f%% of a core, %.2f wake-ups a second\n",
                        100 * ref.cpu / measured, double(ref.wakes) / measured);
    }
    xcb_disconnect(d.c);
    return missed ? 1 : 0;
}
