// The open island hosts the room: it comes on screen with the open island, takes clicks through
// the panel, and leaves the screen when the island closes.
#include "app/AppState.h"
#include "app/IslandContents.h"
#include "core/Notifications.h"
#include "island/IslandContent.h"
#include "island/IslandController.h"
#include "island/IslandPanel.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "rooms/IslandRoomView.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <memory>
#include <optional>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct RoomHost : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{7};
    ManualScheduler lifeScheduler;
    ManualScheduler scheduler;
    NotificationCenter hub;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TestIslandController> island;
    int roomsMade = 0;

    void SetUp() override {
        state = std::make_unique<AppState>(*store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub);
        TestIslandController::Setup setup;
        setup.store = store.store.get();
        setup.scheduler = &scheduler;
        setup.clock = &clock;
        setup.hub = &hub;
        setup.neighbours.makeRoom = [this] {
            ++roomsMade;
            return makeRoomContent(*state, [] {});
        };
        island = std::make_unique<TestIslandController>(*state, std::move(setup));
        store->set("onboardedV1", true);
        island->start();
    }

    IslandPanel& panel() { return *island->panel(); }
    IslandRoomView* room() { return roomViewOf(panel().room()); }

    void open() {
        hub.post(note::openRoom, IslandRoomKind::bedroom);
        ASSERT_EQ(island->machine().state(), State::home);
        panel().finishMoving();
    }
    // Paints the panel as the screen would show it.
    QImage frame() {
        QImage image(panel().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        panel().render(&image);
        return image;
    }
    std::optional<QPointF> tabFor(IslandRoomKind kind) {
        const RoomHotspots& spots = room()->hotspots();
        for (int i = 0; i < spots.size(); ++i) {
            if (spots[i].action == RoomAction::tab(kind)) return panel().contentRect().topLeft() + spots[i].area.center();
        }
        return std::nullopt;
    }
};

TEST_F(RoomHost, TheRoomIsMadeOnTheFirstOpeningOnlyAndIsOnScreenWhileOpen) {
    EXPECT_EQ(roomsMade, 0) << "a closed island has no room";
    open();
    ASSERT_NE(room(), nullptr);
    EXPECT_TRUE(room()->isOnScreen());
    EXPECT_EQ(panel().content(), panel().room());

    island->machine().click();  // anything that leaves the open island
    island->pointerAt({100, 700});
    scheduler.advance(60);
    ASSERT_NE(island->machine().state(), State::home);
    EXPECT_FALSE(room()->isOnScreen());
    EXPECT_EQ(panel().content(), nullptr);

    open();
    EXPECT_TRUE(room()->isOnScreen());
    EXPECT_EQ(roomsMade, 1) << "the room is kept between openings";
}

TEST_F(RoomHost, TheOpenIslandShowsTheRoomNotAnEmptyIsland) {
    open();
    const QImage image = frame();
    const QRectF r = panel().contentRect();
    // The walls: most of a band across the middle is lit, where the stand-in was black.
    int lit = 0, total = 0;
    for (int x = int(r.left()) + 20; x < int(r.right()) - 20; x += 4) {
        const QColor c = image.pixelColor(x, int(r.top() + 70));
        ++total;
        if (std::max({c.red(), c.green(), c.blue()}) > 70) ++lit;
    }
    EXPECT_GT(lit, total * 3 / 4);
    EXPECT_GT(room()->hotspots().size(), 0);
}

TEST_F(RoomHost, ARoomTabClickedThroughThePanelChangesTheRoom) {
    open();
    frame();  // lays out the hotspots
    ASSERT_EQ(state->roomKind(), IslandRoomKind::bedroom);
    const auto tab = tabFor(IslandRoomKind::kitchen);
    ASSERT_TRUE(tab.has_value());
    EXPECT_TRUE(panel().content()->isActionableAt(*tab));
    QTest::mouseClick(&panel(), Qt::LeftButton, {}, tab->toPoint());
    EXPECT_EQ(state->roomKind(), IslandRoomKind::kitchen);
    EXPECT_EQ(island->machine().state(), State::home) << "a tab click keeps the island open";

    frame();
    const auto garden = tabFor(IslandRoomKind::garden);
    ASSERT_TRUE(garden.has_value());
    QTest::mouseClick(&panel(), Qt::LeftButton, {}, garden->toPoint());
    EXPECT_EQ(state->roomKind(), IslandRoomKind::garden);
}

}  // namespace
