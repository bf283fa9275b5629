#include "platform/InputIdle.h"
#include "platform/X11Connection.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

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
    const auto now = std::chrono::steady_clock::now();
    // The answer to the question asked at the last call, when that was lately: its reply has
    // long since come, so reading it does not wait, and the thread does not sleep for it. Idle
    // then plus the time since is an upper bound, at most the time between calls too high.
    std::optional<double> seconds;
    if (pending_ && now - askedAt_ <= std::chrono::seconds(2)) seconds = answer(pending_, now - askedAt_);
    else if (pending_) answer(pending_, {});  // too old to trust: dropped
    pending_ = 0;
    if (!connection_) return 0;
    if (!seconds) seconds = answer(xcb_screensaver_query_info(connection_, root_).sequence, {});
    if (!connection_ || !seconds) return 0;
    pending_ = xcb_screensaver_query_info(connection_, root_).sequence;
    xcb_flush(connection_);
    askedAt_ = now;
    return *seconds;
}

std::optional<double> InputIdlenessX11::answer(unsigned int sequence, std::chrono::steady_clock::duration age) {
    xcb_screensaver_query_info_reply_t* reply =
        xcb_screensaver_query_info_reply(connection_, xcb_screensaver_query_info_cookie_t{sequence}, nullptr);
    if (!reply) {
        // The server went away; try again on a later call rather than spinning on a dead link.
        if (xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            connection_ = nullptr;
            tried_ = false;
        }
        return std::nullopt;
    }
    const double seconds = reply->ms_since_user_input / 1000.0 + std::chrono::duration<double>(age).count();
    std::free(reply);
    available_ = true;
    return seconds;
}

}  // namespace kp
