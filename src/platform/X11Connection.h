#pragma once
// A connection of our own to the X server, for services that must work whatever platform plugin
// Qt runs on and must not wait on Qt's event loop.
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

namespace kp::x11 {

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;  // root window of the default screen
};

// None when $DISPLAY is unset or the server cannot be reached. The caller owns the connection
// (xcb_disconnect).
std::optional<Display> openDisplay();

// The atom of `name`; XCB_ATOM_NONE when it cannot be had (or, with `onlyIfExists`, when no client
// has made it yet).
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name, bool onlyIfExists = false);

// A property's 32-bit values; empty when it is missing or of another format.
std::vector<uint32_t> cardinals(xcb_get_property_reply_t* reply);

// The windows a property of `window` lists (_NET_CLIENT_LIST and the like), in its order; of a
// longer list, only the last `limit`: the newest clients, the front-most of a stacking. Empty when
// the property is missing or holds no windows; `present` is set when it holds windows.
std::vector<xcb_window_t> windowList(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t atom,
                                     std::size_t limit, bool* present = nullptr);

// Asks the window manager on `root` to bring `window` to the front and focus it, as a pager does
// for the user (source 2), which managers obey where they may refuse an application: the window
// comes back from the task bar or from behind a shown desktop too. `time` is the latest server time
// the sender has seen, XCB_CURRENT_TIME when none. False when no window manager takes such requests.
bool askToActivate(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, uint32_t time);
// Sends the window manager on `root` a request about `window` (a client message of `type`, 32-bit
// data), as EWMH and ICCCM requests go.
void askManager(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                std::initializer_list<uint32_t> data);

// The class half of a WM_CLASS property ("instance\0class\0"); empty when there is none.
QString wmClassName(xcb_get_property_reply_t* reply);

}  // namespace kp::x11
