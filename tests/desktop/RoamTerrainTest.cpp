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

TEST(RoamTerrain, FloorOnlyWithoutDockAndMenuBottomAtLeast24) {
    const Terrain t = Terrain::scan(RoamScreen{QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 796)}, {}, 3, own);
    EXPECT_DOUBLE_EQ(t.menuBottom, 24);
    EXPECT_DOUBLE_EQ(t.floorY, 796);  // a 4-point gap is no dock but still lifts the floor
    EXPECT_FALSE(t.dock.has_value());
    ASSERT_EQ(t.ledges.size(), 1u);
    EXPECT_EQ(t.ledges[0], (Ledge{ground::floor, 796, 0, 1000}));
}

TEST(RoamTerrain, EstimatedDockCountsAtLeastTwelveIconsAndIsCapped) {
    // 3 regular apps: 12 icons (the floor), 12 x 60 x 0.82 = 590.4 wide, centred.
    Terrain t = Terrain::scan(screen1440(60), {}, 3, own);
    ASSERT_TRUE(t.dock.has_value());
    EXPECT_NEAR(t.dock->hi - t.dock->lo, 590.4, 1e-9);
    EXPECT_NEAR(t.dock->lo, 720 - 295.2, 1e-9);
    EXPECT_DOUBLE_EQ(t.floorY, 840);
    ASSERT_EQ(t.ledges.size(), 3u);
    EXPECT_EQ(t.ledges[0], (Ledge{ground::floor, 899, 0, t.dock->lo}));
    EXPECT_EQ(t.ledges[1], (Ledge{ground::floor, 899, t.dock->hi, 1440}));
    EXPECT_EQ(t.ledges[2], (Ledge{ground::dock, 840, t.dock->lo, t.dock->hi}));
    // Many apps: capped at 90 % of the width.
    t = Terrain::scan(screen1440(60), {}, 40, own);
    EXPECT_NEAR(t.dock->hi - t.dock->lo, 0.9 * 1440, 1e-9);
}

TEST(RoamTerrain, DockWindowAlongTheBottomGivesItsOwnSpan) {
    WindowInfo dock = win(9, QRectF(400, 850, 640, 50));
    dock.dock = true;
    dock.layer = 1;
    const Terrain t = Terrain::scan(screen1440(0), {dock}, 3, own);
    ASSERT_TRUE(t.dock.has_value());
    EXPECT_DOUBLE_EQ(t.dock->lo, 400);
    EXPECT_DOUBLE_EQ(t.dock->hi, 1040);
    EXPECT_DOUBLE_EQ(t.floorY, 850);
    EXPECT_EQ(ledgesOf(t, ground::dock).front(), (Ledge{ground::dock, 850, 400, 1040}));
    EXPECT_TRUE(t.order.empty());  // raised windows are no ground

    // A panel along the whole bottom leaves no floor beside it.
    WindowInfo panel = win(10, QRectF(0, 870, 1440, 30));
    panel.dock = true;
    panel.layer = 1;
    const Terrain p = Terrain::scan(screen1440(30), {panel}, 3, own);
    ASSERT_EQ(p.ledges.size(), 1u);
    EXPECT_EQ(p.ledges[0], (Ledge{ground::dock, 870, 0, 1440}));
}

TEST(RoamTerrain, WindowEdgesAreCutByWindowsInFront) {
    // Front: a small window (no ledge itself) over the middle of the big one's top edge.
    const std::vector<WindowInfo> windows = {
        win(2, QRectF(500, 250, 150, 70)),   // under 160 wide: cover only
        win(1, QRectF(300, 300, 600, 400)),  // edge at y 300, cut by 500...650
    };
    const Terrain t = Terrain::scan(screen1440(), windows, 0, own);
    const auto edges = ledgesOf(t, 1);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[0], (Ledge{1, 300, 300, 500}));
    EXPECT_EQ(edges[1], (Ledge{1, 300, 650, 900}));
    EXPECT_EQ(t.order, std::vector<int>{1});
    EXPECT_EQ(t.owners.at(1), 100);
}

TEST(RoamTerrain, CoverTestIsStrictAndShortPiecesAreDropped) {
    // A cover ending exactly 2 above the edge line does not cover it.
    const Terrain notCovered =
        Terrain::scan(screen1440(), {win(2, QRectF(0, 100, 800, 198)), win(1, QRectF(300, 300, 600, 400))}, 0, own);
    ASSERT_EQ(ledgesOf(notCovered, 1).size(), 1u);
    // Left piece 69 wide is dropped, right piece 70 wide is kept.
    const Terrain cut = Terrain::scan(
        screen1440(), {win(2, QRectF(369, 200, 461, 300)), win(1, QRectF(300, 300, 600, 400))}, 0, own);
    const auto edges = ledgesOf(cut, 1);
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(edges[0], (Ledge{1, 300, 830, 900}));
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
    const Terrain t = Terrain::scan(screen1440(), windows, 0, own);
    EXPECT_EQ(t.order, (std::vector<int>{3, 4}));
    EXPECT_TRUE(ledgesOf(t, 3).empty());
    EXPECT_TRUE(ledgesOf(t, 4).empty());
    EXPECT_FALSE(t.frames.count(7));
    EXPECT_FALSE(t.frames.count(5));
    // Without the maximised window, window 4 has its whole edge even with the own window over it.
    const Terrain open = Terrain::scan(screen1440(), {windows[0], windows[3]}, 0, own);
    ASSERT_EQ(ledgesOf(open, 4).size(), 1u);
    EXPECT_EQ(ledgesOf(open, 4)[0], (Ledge{4, 500, 100, 500}));
}

TEST(RoamTerrain, EdgesNearTheTopBarOrFloorGiveNoLedgeAndScreenOffsetIsApplied) {
    const RoamScreen second{QRectF(1440, 0, 1000, 800), QRectF(1440, 30, 1000, 770)};
    const std::vector<WindowInfo> windows = {
        win(1, QRectF(1500, 90, 300, 200)),   // 30 + 60 = 90: not strictly below
        win(2, QRectF(1900, 91, 300, 200)),   // just below
        win(3, QRectF(1500, 761, 300, 90)),   // within 40 of the floor
        win(4, QRectF(0, 300, 600, 300)),     // on the other screen
    };
    const Terrain t = Terrain::scan(second, windows, 0, own);
    EXPECT_DOUBLE_EQ(t.menuBottom, 30);
    EXPECT_TRUE(ledgesOf(t, 1).empty());
    ASSERT_EQ(ledgesOf(t, 2).size(), 1u);
    EXPECT_EQ(ledgesOf(t, 2)[0], (Ledge{2, 91, 460, 760}));
    EXPECT_TRUE(ledgesOf(t, 3).empty());
    EXPECT_FALSE(t.frames.count(4));
}

TEST(RoamTerrain, WindowBoundsInDevicePixelsAreTakenToPoints) {
    // A double-density second screen whose top-left corner is at 2880 device pixels.
    const RoamScreen dense{QRectF(2880, 0, 1440, 900), QRectF(2880, 24, 1440, 876), 2};
    const Terrain t = Terrain::scan(dense, {win(1, QRectF(2880 + 400, 600, 1000, 600))}, 0, own);
    ASSERT_TRUE(t.frames.count(1));
    EXPECT_EQ(t.frames.at(1), QRectF(200, 300, 500, 300));
    EXPECT_EQ(ledgesOf(t, 1).front(), (Ledge{1, 300, 200, 700}));
}

TEST(RoamTerrain, Queries) {
    Terrain t;
    t.ledges = {
        {ground::floor, 880, 0, 1440},
        {1, 300, 100, 200},
        {1, 300, 600, 900},
        {2, 500, 100, 700},
    };
    t.order = {1, 2};
    t.owners = {{1, 50}, {2, 60}};
    // ledge(of:near:) between the pieces: the nearest middle, not the leftmost piece.
    EXPECT_EQ(*t.ledge(1, 500), (Ledge{1, 300, 600, 900}));
    EXPECT_EQ(*t.ledge(1, 420), (Ledge{1, 300, 100, 200}));
    EXPECT_EQ(*t.ledge(1, 150), (Ledge{1, 300, 100, 200}));
    EXPECT_FALSE(t.ledge(ground::dock, 10).has_value());
    // ledgeUnder: 12 inside the ends; slack lets a ledge slightly above count.
    EXPECT_EQ(*t.ledgeUnder(150, 290, 20), (Ledge{1, 300, 100, 200}));
    EXPECT_EQ(*t.ledgeUnder(195, 290, 20), (Ledge{2, 500, 100, 700}));
    EXPECT_EQ(*t.ledgeUnder(150, 320, 20), (Ledge{1, 300, 100, 200}));
    EXPECT_EQ(*t.ledgeUnder(150, 321, 20), (Ledge{2, 500, 100, 700}));
    // appLedge: the widest piece of the frontmost window of the process.
    EXPECT_EQ(*t.appLedge(50), (Ledge{1, 300, 600, 900}));
    EXPECT_FALSE(t.appLedge(99).has_value());
    // A frontmost window without a ledge: none, though another window of the app has one.
    t.order = {3, 1, 2};
    t.owners[3] = 50;
    EXPECT_FALSE(t.appLedge(50).has_value());
}
