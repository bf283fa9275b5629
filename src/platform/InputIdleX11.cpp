#include "platform/InputIdle.h"
#include "platform/X11Connection.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace kp {

InputIdlenessX11::InputIdlenessX11() = default;

InputIdlenessX11::~InputIdlenessX11() {
    if (connection_) xcb_disconnect(connection_);
}

InputIdlenessX11& InputIdlenessX11::shared() {
    static InputIdlenessX11 instance;
    return instance;
}

// Our own connection: the query must work whatever platform plugin Qt runs on.
void InputIdlenessX11::connect() {
    tried_ = true;
    const auto display = x11::openDisplay();
    if (!display) return;
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(display->connection, &xcb_screensaver_id);
    if (!ext || !ext->present) {
        xcb_disconnect(display->connection);
        return;
    }
    connection_ = display->connection;
    root_ = display->root;
}

double InputIdlenessX11::secondsSinceLastInput() {
    if (!tried_) connect();
    if (!connection_) return 0;
    xcb_screensaver_query_info_cookie_t cookie = xcb_screensaver_query_info(connection_, root_);
    xcb_screensaver_query_info_reply_t* reply = xcb_screensaver_query_info_reply(connection_, cookie, nullptr);
    if (!reply) {
        // The server went away; try again on a later call rather than spinning on a dead link.
        if (xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            connection_ = nullptr;
            tried_ = false;
        }
        return 0;
    }
    const double seconds = reply->ms_since_user_input / 1000.0;
    std::free(reply);
    available_ = true;
    return seconds;
}

}  // namespace kp
