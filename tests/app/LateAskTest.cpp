// Opening windows on a real X display under the suite's window manager, as a busy app meets it.
#include "app/AppWindows.h"
#include "platform/X11Connection.h"
#include "support/AppDelegateSetup.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include <xcb/xcb.h>

using namespace kp;

namespace {

// The test's own connection, so the manager can be watched and asked without the app's event
// loop running, as when the app is starved.
struct Server {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    ~Server() { xcb_disconnect(c); }

    xcb_atom_t atom(const char* name) { return x11::internAtom(c, name); }
    // WM_STATE: 1 normal, 3 iconic, 0 none.
    uint32_t state(xcb_window_t w) {
        const xcb_atom_t a = atom("WM_STATE");
        xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, a, a, 0, 1), nullptr);
        const std::vector<uint32_t> values = x11::cardinals(r);
        std::free(r);
        return values.empty() ? 0 : values[0];
    }
    void send(xcb_window_t w, xcb_atom_t type, uint32_t d0) { x11::askManager(c, root, w, type, {d0}); }
    // Waits, without the app's loop, until `done`; false after ten seconds.
    static bool waitFor(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    // Returns once the manager has handled every request sent before: it answers a request for
    // frame extents in turn.
    bool managerCaughtUp() {
        const xcb_window_t probe = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, 0, probe, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        send(probe, atom("_NET_REQUEST_FRAME_EXTENTS"), 0);
        const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
        const bool answered = waitFor([&] {
            bool seen = false;
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                    reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == extents)
                    seen = true;
                std::free(e);
            }
            return seen;
        });
        xcb_destroy_window(c, probe);
        xcb_flush(c);
        return answered;
    }
};

struct LateAsk : test::AppDelegateTest {
    void SetUp() override { makeDelegate({}); }
};

// A busy app hears of its new window's map late: minimised by then, the window stays minimised,
// whether Settings or the Album.
TEST_F(LateAsk, AWindowMinimisedBeforeTheAppHearsItMappedStaysMinimised) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    Server server;
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> openers = {
        {"Settings", [this] {
             delegate->openSettings();
             return static_cast<QWidget*>(delegate->settingsWindow());
         }},
        {"Album", [this] {
             delegate->openAlbum();
             return static_cast<QWidget*>(delegate->albumWindow());
         }},
    };
    for (const auto& [name, open] : openers) {
        QWidget* window = open();
        const auto w = static_cast<xcb_window_t>(window->winId());
        ASSERT_TRUE(Server::waitFor([&] { return server.state(w) == 1; })) << name << ": never mapped";
        server.send(w, server.atom("WM_CHANGE_STATE"), 3);  // as a task bar minimises
        ASSERT_TRUE(Server::waitFor([&] { return server.state(w) == 3; })) << name << ": never minimised";
        // The app catches up: its map, its first picture, then the minimise.
        QTRY_VERIFY_WITH_TIMEOUT(window->isMinimized(), 10000);
        ASSERT_TRUE(server.managerCaughtUp());
        EXPECT_EQ(server.state(w), 3u) << name << " came back after it was minimised";
    }
}

}  // namespace
