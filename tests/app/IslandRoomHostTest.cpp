// The open island hosts the room: it comes on screen with the open island, takes clicks through
// the panel, and leaves the screen when the island closes. (That it is drawn there, the end-to-end
// island script checks on a real display.)
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
#include "support/AppDelegateSetup.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <memory>
#include <optional>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct RoomHost : test::AppIslandTest {
    int roomsMade = 0;

    void SetUp() override {
        IslandNeighbours neighbours;
        neighbours.makeRoom = [this] {
            ++roomsMade;
            return makeRoomContent(state, [] {});
        };
        startIsland(true, std::move(neighbours));
    }

    IslandPanel& panel() { return *island->panel(); }
    IslandRoomView* room() { return roomViewOf(panel().room()); }

    void open() {
        hub.post(note::openRoom, IslandRoomKind::bedroom);
        ASSERT_EQ(island->machine().state(), State::home);
        panel().finishMoving();
    }
    std::optional<QPointF> tabFor(IslandRoomKind kind) {
        QImage image(panel().size(), QImage::Format_ARGB32_Premultiplied);
        panel().render(&image);  // lays out the hotspots
        const RoomHotspots& spots = room()->hotspots();
        for (int i = 0; i < spots.size(); ++i) {
            if (spots[i].action == RoomAction::tab(kind)) return panel().contentRect().topLeft() + spots[i].area.center();
        }
        return std::nullopt;
    }
};

TEST_F(RoomHost, TheRoomIsMadeOnceShowsWhileOpenAndTakesTabClicksThroughThePanel) {
    EXPECT_EQ(roomsMade, 0) << "a closed island has no room";
    open();
    ASSERT_NE(room(), nullptr);
    EXPECT_TRUE(room()->isOnScreen());
    EXPECT_EQ(panel().content(), panel().room());
    ASSERT_EQ(state.roomKind(), IslandRoomKind::bedroom);
    for (IslandRoomKind kind : {IslandRoomKind::kitchen, IslandRoomKind::garden}) {
        const auto tab = tabFor(kind);
        ASSERT_TRUE(tab.has_value());
        QTest::mouseClick(&panel(), Qt::LeftButton, {}, tab->toPoint());
        EXPECT_EQ(state.roomKind(), kind);
        EXPECT_EQ(island->machine().state(), State::home) << "a tab click keeps the island open";
    }

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

}  // namespace
