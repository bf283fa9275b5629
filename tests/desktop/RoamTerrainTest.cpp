// The ground the roaming cat finds on a screen: floor, dock, window edges and what covers them.
#include "desktop/DesktopTerrain.h"

#include <gtest/gtest.h>

using namespace kp;

namespace {

constexpr long long own = 4242;

RoamScreen screen1440(double dockGap = 0, double top = 24) {
    return RoamScreen{QRectF(0, 0, 1440, 900), QRectF(0, top, 1440, 900 - top - dockGap)};
}

WindowInfo win(int number, QRectF bounds, long long pid = 100) {
    WindowInfo w;
    w.number = number;
    w.bounds = bounds;
    w.pid = pid;
    return w;
}

std::vector<Ledge> ledgesOf(const Terrain& t, int window) {
    std::vector<Ledge> out;
    for (const auto& l : t.ledges)
        if (l.window == window) out.push_back(l);
    return out;
}

}  // namespace

TEST(RoamTerrain, DockWindowAlongTheBottomGivesItsOwnSpan) {
    WindowInfo dock = win(9, QRectF(400, 850, 640, 50));
    dock.dock = true;
    dock.layer = 1;
    const Terrain t = Terrain::scan(screen1440(0), {dock}, own);
    ASSERT_TRUE(t.dock.has_value());
    EXPECT_DOUBLE_EQ(t.dock->lo, 400);
    EXPECT_DOUBLE_EQ(t.dock->hi, 1040);
    EXPECT_DOUBLE_EQ(t.floorY, 850);
    EXPECT_EQ(ledgesOf(t, ground::dock).front(), (Ledge{ground::dock, 850, 400, 1040}));
    // Beside it the bare edge, where the soles stand clear of the screen's last rows.
    EXPECT_EQ(ledgesOf(t, ground::floor),
              (std::vector<Ledge>{{ground::floor, 900 - soleDepth, 0, 400}, {ground::floor, 900 - soleDepth, 1040, 1440}}));
    EXPECT_TRUE(t.order.empty());  // raised windows are no ground
}

// The bottom panels of three desktops: each lifts the whole floor to the panel's top, with no dock
// to nap on and no floor under the panel.
TEST(RoamTerrain, APanelAcrossTheBottomIsTheFloorsTop) {
    const auto floorOnly = [](const Terrain& t, double y) {
        EXPECT_FALSE(t.dock.has_value());
        EXPECT_DOUBLE_EQ(t.floorY, y);
        ASSERT_EQ(t.ledges.size(), 1u);
        EXPECT_EQ(t.ledges[0], (Ledge{ground::floor, y, 0, 1440}));
    };
    // A panel window across the screen, with the band it keeps free (the desktop's free area
    // follows it).
    WindowInfo panel = win(10, QRectF(0, 870, 1440, 30));
    panel.dock = true;
    panel.layer = 1;
    panel.strut = QRectF(0, 870, 1440, 30);
    floorOnly(Terrain::scan(screen1440(30), {panel}, own), 870);
    // A toolbar that is no window anyone lists: only the desktop's free area ends 20 above the edge.
    floorOnly(Terrain::scan(screen1440(20), {}, own), 880);
    // A bar that keeps its band free but leaves the free area whole.
    WindowInfo bar = win(11, QRectF(0, 880, 1440, 20));
    bar.dock = true;
    bar.layer = 1;
    floorOnly(Terrain::scan(screen1440(0), {bar}, own), 880);
    bar.bounds = QRectF();
    bar.strut = QRectF(0, 880, 1440, 20);
    floorOnly(Terrain::scan(screen1440(0), {bar}, own), 880);
    // A narrower band kept free is a dock of icons, with floor beside it.
    bar.strut = QRectF(500, 850, 440, 50);
    const Terrain dock = Terrain::scan(screen1440(0), {bar}, own);
    ASSERT_TRUE(dock.dock.has_value());
    EXPECT_DOUBLE_EQ(dock.dock->lo, 500);
    EXPECT_DOUBLE_EQ(dock.dock->hi, 940);
}

TEST(RoamTerrain, WindowEdgesAreCutByWindowsInFront) {
    // Front: a small window (no ledge itself) over the middle of the big one's top edge.
    const std::vector<WindowInfo> windows = {
        win(2, QRectF(500, 250, 150, 70)),   // under 160 wide: cover only
        win(1, QRectF(300, 300, 600, 400)),  // edge at y 300, cut by 500...650
    };
    const Terrain t = Terrain::scan(screen1440(), windows, own);
    const auto edges = ledgesOf(t, 1);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[0], (Ledge{1, 300, 300, 500}));
    EXPECT_EQ(edges[1], (Ledge{1, 300, 650, 900}));
    EXPECT_EQ(t.order, std::vector<int>{1});
    EXPECT_EQ(t.owners.at(1), 100);
}

TEST(RoamTerrain, MaximisedOwnAndInvisibleWindows) {
    WindowInfo faint = win(5, QRectF(100, 400, 400, 300));
    faint.alpha = 0.05;
    const std::vector<WindowInfo> windows = {
        win(7, QRectF(0, 400, 300, 300), own),  // the app's own window: neither ground nor cover
        faint,
        win(3, QRectF(0, 24, 1440, 876)),       // maximised: no ledge, listed, covers what is behind
        win(4, QRectF(100, 500, 400, 200)),
    };
    const Terrain t = Terrain::scan(screen1440(), windows, own);
    EXPECT_EQ(t.order, (std::vector<int>{3, 4}));
    EXPECT_TRUE(ledgesOf(t, 3).empty());
    EXPECT_TRUE(ledgesOf(t, 4).empty());
    EXPECT_FALSE(t.frames.count(7));
    EXPECT_FALSE(t.frames.count(5));
    // Without the maximised window, window 4 has its whole edge even with the own window over it.
    const Terrain open = Terrain::scan(screen1440(), {windows[0], windows[3]}, own);
    ASSERT_EQ(ledgesOf(open, 4).size(), 1u);
    EXPECT_EQ(ledgesOf(open, 4)[0], (Ledge{4, 500, 100, 500}));
}
