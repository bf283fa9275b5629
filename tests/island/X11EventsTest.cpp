// The island's X11 helpers on a real X display, beside the toolkit's own handling of the server.
#include "island/X11Window.h"
#include "platform/X11Connection.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

namespace kp {
namespace {

// Another program on the display, on a connection of its own.
struct Program {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    ~Program() { xcb_disconnect(c); }
    QRect screenRect() const { return {0, 0, screen->width_in_pixels, screen->height_in_pixels}; }
    // A window below the top centre under `id` (a new one when none), asking to be full screen
    // before it maps or not; one that says it takes no input is never made the active window.
    xcb_window_t open(bool fullScreen, xcb_window_t id = XCB_WINDOW_NONE, bool input = true) {
        const xcb_window_t w = id ? id : xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 300, 400, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        const xcb_atom_t full = x11::internAtom(c, "_NET_WM_STATE_FULLSCREEN");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, x11::internAtom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                            fullScreen ? 1 : 0, &full);
        const uint32_t hints[9] = {1, input ? 1u : 0u};  // the input hint
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
        xcb_map_window(c, w);
        xcb_flush(c);
        return w;
    }
    // The windows a property of the root names (the manager's).
    std::vector<uint32_t> rootWindows(const char* property) {
        const xcb_atom_t atom = x11::internAtom(c, property);
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, screen->root, atom, XCB_ATOM_WINDOW, 0, 1024), nullptr);
        const std::vector<uint32_t> values = x11::cardinals(r);
        std::free(r);
        return values;
    }
    // Whether the window the pointer is over spans `area`: mapped there, above the others.
    bool overPointer(const QRect& area) {
        auto* pointer = xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr);
        const xcb_window_t child = pointer ? pointer->child : XCB_NONE;
        std::free(pointer);
        auto* g = child ? xcb_get_geometry_reply(c, xcb_get_geometry(c, child), nullptr) : nullptr;
        const bool over = g && QRect(g->x, g->y, g->width, g->height) == area;
        std::free(g);
        return over;
    }
    bool managed() { return !rootWindows("_NET_SUPPORTING_WM_CHECK").empty(); }
    bool named(xcb_window_t w) {
        const std::vector<uint32_t> active = rootWindows("_NET_ACTIVE_WINDOW");
        return !active.empty() && active[0] == w;
    }
    // Closes `w` and waits until the manager has let it go: its id may come back at once.
    void close(xcb_window_t w) {
        xcb_destroy_window(c, w);
        xcb_flush(c);
        const bool let = QTest::qWaitFor([&] {
            const std::vector<uint32_t> listed = rootWindows("_NET_CLIENT_LIST_STACKING");
            return std::find(listed.begin(), listed.end(), w) == listed.end();
        }, 10000);
        EXPECT_TRUE(let) << "the manager keeps a closed window";
    }
};

// Where the hidden island sits on the program's screen.
QRect topCentre(const QRect& screen) { return {screen.center().x() - 92, 0, 184, 32}; }

// Asking the window manager to bring a window to the front follows the server's time from then on:
// the toolkit still hears everything, so a window shown later is drawn.
TEST(X11Events, AfterAnActivationTheToolkitStillHearsTheServer) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    QWidget first;
    first.resize(120, 80);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    x11::askToActivate(&first);
    QWidget second;
    second.resize(120, 80);
    second.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&second)) << "a window shown after the activation is never drawn";
}

// A click that comes with the pointer reaches the place before the app has read any of it; the
// pointer then peeks the island, which takes the place away, before the click is read. The click
// is the place's all the same, whichever button.
TEST(X11Events, AClickThePlaceTookCountsThoughThePlaceWentBeforeItWasRead) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "no xdotool";
    std::vector<std::pair<Qt::MouseButton, QPoint>> clicks;
    x11::ClickPlace place([&](Qt::MouseButton button, QPoint at) { clicks.emplace_back(button, at); });
    Program server;
    const QRect area(300, 0, 184, 32);
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("392"), QStringLiteral("0")});
    for (const auto& [button, name] : {std::pair{Qt::RightButton, "3"}, std::pair{Qt::LeftButton, "1"}}) {
        clicks.clear();
        place.show(area);
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.overPointer(area); }, 20000)) << "button " << name << ": the place never came";
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QString::fromLatin1(name)});
        place.hide();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !clicks.empty(); }, 20000)) << "button " << name;
        if (clicks.empty()) continue;
        EXPECT_EQ(clicks.front().first, button);
        EXPECT_EQ(clicks.front().second, QPoint(392, 0));
        QTest::qWait(100);
        EXPECT_EQ(clicks.size(), 1u) << "one click, once";
    }
}

// The place taken away between the press and the release (the pointer that brought the press
// peeked the island): the release goes to whatever lies there now, yet the click is the place's.
TEST(X11Events, AClickWhosePlaceWentBeforeItsReleaseCountsOnce) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "no xdotool";
    std::vector<Qt::MouseButton> clicks;
    x11::ClickPlace place([&](Qt::MouseButton button, QPoint) { clicks.push_back(button); });
    const auto xdotool = [](QStringList args) { QProcess::execute(QStringLiteral("xdotool"), args); };
    Program server;
    const QRect area(300, 0, 184, 32);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("392"), QStringLiteral("0")});
    for (const auto& [button, name] : {std::pair{Qt::RightButton, "3"}, std::pair{Qt::LeftButton, "1"}}) {
        clicks.clear();
        place.show(area);
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.overPointer(area); }, 20000)) << "button " << name << ": the place never came";
        xdotool({QStringLiteral("mousedown"), name});
        place.hide();
        xdotool({QStringLiteral("mouseup"), name});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !clicks.empty(); }, 20000)) << "button " << name;
        QTest::qWait(100);
        EXPECT_EQ(clicks, std::vector{button}) << "one click, once";
    }
}

// The server hands a closed program's ids to the next one: a full-screen window whose id was a
// closed one's keeps the top centre, and gives it back as it closes, every time.
TEST(X11Events, AFullScreenWindowUnderAClosedOnesIdIsFollowedToo) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    Program program;
    if (!program.managed()) GTEST_SKIP() << "no window manager";
    x11::FullScreenWatch watch(nullptr);
    watch.follow(program.screenRect(), topCentre(program.screenRect()));
    const xcb_window_t id = xcb_generate_id(program.c);
    for (const int run : {1, 2, 3}) {
        program.open(true, id);
        EXPECT_TRUE(QTest::qWaitFor([&] { return watch.covered(); }, 10000)) << "run " << run << ": not covered";
        program.close(id);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watch.covered(); }, 10000)) << "run " << run << ": covered once closed";
    }
}

// What covers the top centre is the window in front there as the user sees it, whichever the
// manager names active.
TEST(X11Events, AFullScreenWindowInFrontKeepsTheTopCentreThoughAnotherIsNamedActive) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    Program program;
    if (!program.managed()) GTEST_SKIP() << "no window manager";
    x11::FullScreenWatch watch(nullptr);
    watch.follow(program.screenRect(), topCentre(program.screenRect()));
    const xcb_window_t active = program.open(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.named(active); }, 10000));
    const xcb_window_t front = program.open(true, XCB_WINDOW_NONE, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return watch.covered(); }, 10000));
    EXPECT_FALSE(program.named(front));
    program.close(front);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watch.covered(); }, 10000));
    program.close(active);
}

// Every change of the cover is told, one that comes with a new place for the island too.
TEST(X11Events, AChangeOfTheCoverThatComesWithANewPlaceIsTold) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    Program program;
    if (!program.managed()) GTEST_SKIP() << "no window manager";
    int told = 0;
    x11::FullScreenWatch watch([&] { ++told; });
    const QRect screen = program.screenRect();
    watch.follow(screen, topCentre(screen));
    const xcb_window_t front = program.open(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.covered(); }, 10000));
    // The island's screen now beside this one (a monitor plugged in): its place is free there.
    const QRect beside = screen.translated(screen.width(), 0);
    for (const QRect& now : {beside, screen}) {
        const int before = told;
        watch.follow(now, topCentre(now));
        EXPECT_TRUE(QTest::qWaitFor([&] { return told > before && watch.covered() == (now == screen); }, 10000))
            << (now == screen ? "the place moved back under the window untold" : "the place moved off the window untold");
    }
    program.close(front);
}

}  // namespace
}  // namespace kp
