#include "platform/X11Connection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kp::x11 {

std::optional<Display> openDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return std::nullopt;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return std::nullopt;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return std::nullopt;
    }
    return Display{c, it.data->root};
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name, bool onlyIfExists) {
    const auto cookie = xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

std::vector<uint32_t> cardinals(xcb_get_property_reply_t* reply) {
    std::vector<uint32_t> out;
    if (!reply || reply->format != 32) return out;
    const int n = xcb_get_property_value_length(reply) / 4;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    out.assign(data, data + std::max(n, 0));
    return out;
}

std::vector<xcb_window_t> windowList(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom, std::size_t limit,
                                     bool* present) {
    std::vector<xcb_window_t> out;
    if (atom == XCB_ATOM_NONE || limit == 0) return out;
    const auto length = static_cast<uint32_t>(std::min<std::size_t>(limit, UINT32_MAX / 4));
    auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_ATOM_WINDOW, 0, length), nullptr);
    if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32 && reply->bytes_after > 0) {
        // Longer than wanted: its end, read again (it may have changed in between).
        const uint64_t total = (uint64_t(xcb_get_property_value_length(reply)) + reply->bytes_after) / 4;
        std::free(reply);
        reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_ATOM_WINDOW, uint32_t(total - length), length),
                                       nullptr);
    }
    if (reply && reply->type == XCB_ATOM_WINDOW) {
        if (present) *present = true;
        const auto values = cardinals(reply);
        const std::size_t skip = values.size() > limit ? values.size() - limit : 0;
        out.assign(values.begin() + static_cast<std::ptrdiff_t>(skip), values.end());
    }
    std::free(reply);
    return out;
}

bool askToActivate(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, uint32_t time) {
    const xcb_atom_t atom = internAtom(c, "_NET_ACTIVE_WINDOW", true);
    if (atom == XCB_ATOM_NONE) return false;
    askManager(c, root, window, atom, {2, time});
    return true;
}

void askManager(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                std::initializer_list<uint32_t> data) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = type;
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 5), e.data.data32);
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(c);
}

QString wmClassName(xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    const char* data = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    const int firstEnd = static_cast<int>(strnlen(data, static_cast<std::size_t>(std::max(length, 0))));
    if (firstEnd + 1 >= length) return {};
    const char* second = data + firstEnd + 1;
    return QString::fromUtf8(second,
                             static_cast<qsizetype>(strnlen(second, static_cast<std::size_t>(length - firstEnd - 1))));
}

}  // namespace kp::x11
