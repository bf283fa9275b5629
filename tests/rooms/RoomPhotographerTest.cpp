// The album's room photo: the cat's own room with the cat in it, taken without touching the cat,
// its springs or the live room view.
#include "IslandRoomViewWorld.h"

#include "platform/Color.h"
#include "rooms/RoomCat.h"
#include "rooms/RoomKinds.h"
#include "rooms/RoomPhotographer.h"

#include <gtest/gtest.h>

using namespace kp;
using namespace kp::test;

TEST(RoomPhotographer, APhotoShowsTheCatsRoomAndTouchesNothing) {
    RoomWorld w;
    w.show(IslandRoomKind::kitchen);
    w.look = {SkyTime::day, SkyWeather::storm};
    w.state->mousePosition = QPointF(700, 60);
    w.render();
    const int spots = w.view->hotspots().size();
    const double movedAt = w.life().cursorMovedAt();
    const auto startled = w.life().startledUntil();
    const RoomCatState seen = w.view->catLayer()->state();

    RoomPhotographer photographer(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store, w.cat.clock, w.hub);
    photographer.setLookSource([&w] { return w.look; });
    QImage photo;
    // A whole storm period of photos, so a flash's rising edge falls among them; the pointer
    // moves over the room meanwhile.
    for (double dt = 0; dt < 9; dt += 0.1) {
        w.state->mousePosition = QPointF(400 + 10 * dt, 80);
        photo = QImage(640, 160, QImage::Format_ARGB32_Premultiplied);
        photo.fill(Qt::transparent);
        QPainter p(&photo);
        photographer.paint(p, QRectF(0, 0, 640, 160), w.now() + dt);
    }
    EXPECT_EQ(w.view->hotspots().size(), spots);
    EXPECT_DOUBLE_EQ(w.life().cursorMovedAt(), movedAt);
    EXPECT_EQ(w.life().startledUntil(), startled);

    // The kitchen's wall at its top left, and the cat where the live room drew it: the same
    // room seen with the cat in another room differs there.
    EXPECT_LE(colourDistance(photo.pixelColor(4, 4), colorFromHex(roomPalette(IslandRoomKind::kitchen).wallTop)), 12);
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::bedroom);
    const QImage empty = w.render();
    int differ = 0;
    for (int dy = -12; dy <= 0; dy += 2)
        for (int dx = -10; dx <= 10; dx += 2) {
            const QPoint at(int(seen.x) + dx, int(seen.y) + dy);
            if (colourDistance(photo.pixelColor(at), empty.pixelColor(at)) > 40) ++differ;
        }
    EXPECT_GT(differ, 20);

    // Out on the desktop there is no photo to take.
    PetLifeTestAccess::setOut(w.life(), true);
    EXPECT_TRUE(photographer.photo(1).isNull());
}

TEST(RoomPhotographer, APhotoOfTheNightSleepIsDimmedLikeTheRoom) {
    RoomWorld w;
    w.show(IslandRoomKind::bedroom);
    w.life().setSleeping(true);
    PetLifeTestAccess::setNightSleepUntil(w.life(), w.now() + 3600);
    ASSERT_TRUE(w.life().isNightSleeping());
    RoomPhotographer photographer(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store, w.cat.clock, w.hub);
    photographer.setLookSource([&w] { return w.look; });
    // A bare stretch of wall between the scratching post and the window, dark as the live room.
    const QPoint wall(440, 100);
    EXPECT_LT(photographer.photo(1).pixelColor(wall).lightness(), 70);
    // Woken, the same wall shows in daylight.
    PetLifeTestAccess::setNightSleepUntil(w.life(), std::nullopt);
    w.life().setSleeping(false);
    EXPECT_GT(photographer.photo(1).pixelColor(wall).lightness(), 100);
}
