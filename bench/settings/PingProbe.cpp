// How long the app's main thread keeps its user waiting: pings the island window the way a window
// manager checks that a window still answers (_NET_WM_PING, answered from the app's event loop),
// one ping at a time, and prints
//   answered after S s      from --since (a CLOCK_REALTIME time, the app's launch) to the first answer
//   worst wait W ms         the longest wait for an answer over the next --seconds
//   median wait M ms        the middle of those waits
// ping_probe --since EPOCH_SECONDS --seconds S
#include <xcb/xcb.h>

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double now() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
}

std::string nameOf(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netName) {
    auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, w, netName, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    std::string name;
    if (reply) name.assign(static_cast<const char*>(xcb_get_property_value(reply)), size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

// The island: one of the root's children (it has no frame).
xcb_window_t findIsland(xcb_connection_t* c, xcb_window_t root, xcb_atom_t netName) {
    xcb_window_t island = 0;
    if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !island; ++i)
            if (nameOf(c, children[i], netName) == "Kettlepaw Island") island = children[i];
        std::free(tree);
    }
    return island;
}

}  // namespace

int main(int argc, char** argv) {
    double since = now(), seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--since") since = std::atof(argv[i + 1]);
        else if (a == "--seconds") seconds = std::atof(argv[i + 1]);
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "ping-probe: no display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME"), protocols = atom(c, "WM_PROTOCOLS"), ping = atom(c, "_NET_WM_PING");
    // The answer comes back on the root.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);

    xcb_window_t island = 0;
    while (!(island = findIsland(c, root, netName))) {
        if (now() - since > 120) {
            std::fprintf(stderr, "ping-probe: no island window after two minutes\n");
            return 1;
        }
        ::poll(nullptr, 0, 5);
    }

    uint32_t serial = 0;
    double started = 0, worst = 0;
    std::vector<double> waits;
    for (;;) {
        xcb_client_message_event_t m{};
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = island;
        m.type = protocols;
        m.data.data32[0] = ping;
        m.data.data32[1] = ++serial;
        m.data.data32[2] = island;
        const double sent = now();
        xcb_send_event(c, 0, island, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&m));
        xcb_flush(c);
        bool answered = false;
        while (!answered) {
            pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
            if (::poll(&p, 1, 60000) <= 0) {
                std::fprintf(stderr, "ping-probe: no answer for a minute\n");
                return 1;
            }
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const auto* r = reinterpret_cast<xcb_client_message_event_t*>(e);
                if ((e->response_type & ~0x80) == XCB_CLIENT_MESSAGE && r->data.data32[0] == ping &&
                    r->data.data32[1] == serial)
                    answered = true;
                std::free(e);
            }
            if (xcb_connection_has_error(c)) return 1;
        }
        const double back = now();
        if (!started) {
            started = back;
            std::printf("answered after %.2f s\n", started - since);
        } else {
            worst = std::max(worst, back - sent);
            waits.push_back(back - sent);
        }
        if (back - started > seconds) break;
        ::poll(nullptr, 0, 10);
    }
    std::printf("worst wait %.0f ms\n", worst * 1000);
    if (!waits.empty()) {
        std::nth_element(waits.begin(), waits.begin() + std::ptrdiff_t(waits.size() / 2), waits.end());
        std::printf("median wait %.1f ms\n", waits[waits.size() / 2] * 1000);
    }
    xcb_disconnect(c);
    return 0;
}
