// The cat in the room as a person sees it: where it stands, how it turns, fades in, shows death and
// sickness, climbs, and answers a click.
#include "RoomCatWorld.h"

#include "rooms/Petting.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace kp::test {
namespace {

// Mean colour of the drawn pixels (straight alpha) in `r`.
QColor meanInk(const QImage& img, const QRect& r) {
    double red = 0, green = 0, blue = 0;
    int n = 0;
    const QRect a = r.intersected(img.rect());
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() < 250) continue;
            red += c.red();
            green += c.green();
            blue += c.blue();
            ++n;
        }
    if (n == 0) return {};
    return QColor(int(red / n), int(green / n), int(blue / n));
}

int maxAlpha(const QImage& img) {
    int m = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) m = std::max(m, qAlpha(img.pixel(x, y)));
    return m;
}

TEST(RoomCat, StandsAtItsPlaceOnTheFloor) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.3);
    w.life().setPose(PetPose::sitting);
    w.settle();
    const QImage img = w.render();
    const RoomCatState& c = w.layer->state();
    EXPECT_NEAR(c.x, 0.3 * 640, 1e-9);
    EXPECT_NEAR(c.s, 0.94, 1e-3);  // grown up, island open
    const QRect ink = inkBounds(img);
    ASSERT_FALSE(ink.isEmpty());
    // Seated on the floor line (126), all within a cat's reach of its place.
    EXPECT_NEAR(ink.bottom(), 126 + 2, 4);
    EXPECT_GT(ink.left(), 0.3 * 640 - 45);
    EXPECT_LT(ink.right(), 0.3 * 640 + 45);
    EXPECT_GT(ink.top(), 60);
}

TEST(RoomCat, NapOnTheLoungeWhateverItsPlace) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    PetLifeProbe::setPlace(w.life(), 0.8);
    w.life().setPose(PetPose::napping);
    w.settle(0.5);
    w.render();
    EXPECT_NEAR(w.layer->state().x, 0.27 * 640, 1e-9);
    EXPECT_TRUE(w.layer->state().asleep);
    EXPECT_TRUE(w.layer->state().lying);
}

TEST(RoomCat, FacingLeftMirrorsTheCat) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5, false);
    w.life().setPose(PetPose::walking);
    w.settle();
    const QImage img = w.render();
    EXPECT_LT(w.layer->state().facingWidth, -0.9);
    EXPECT_TRUE(w.layer->state().faceMirrored);
    // The head (high ink) is left of the centre.
    const double cx = w.layer->state().x;
    EXPECT_GT(inkIn(img, QRect(int(cx) - 30, 70, 28, 30)), inkIn(img, QRect(int(cx) + 2, 70, 28, 30)));
}

// The bounds of the orange cat's fur on the side it faces (its words and crumbs are no fur).
QRect frontFur(RoomCatWorld& w) {
    const QImage img = w.render();
    const RoomCatState& c = w.layer->state();
    QRect fur;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if ((x - c.x) * c.f > 0 && p.alpha() > 200 && p.red() - p.blue() > 90) fur |= QRect(x, y, 1, 1);
        }
    return fur;
}

TEST(RoomCat, EatingDipsItsHeadForwardIntoTheBowl) {
    for (const bool right : {true, false}) {
        RoomCatWorld w;
        w.show(IslandRoomKind::kitchen);
        PetLifeProbe::setPlace(w.life(), 0.5, right);
        w.life().setPose(PetPose::wander);
        w.settle();
        const QRect standing = frontFur(w);
        w.life().setPose(PetPose::eating);
        w.settle();
        const QRect eating = frontFur(w);
        // The muzzle reaches further out on the side it faces, and the head sinks below its standing height.
        const int reach = right ? eating.right() - standing.right() : standing.left() - eating.left();
        EXPECT_GE(reach, 3) << "facing right " << right;
        EXPECT_GE(eating.top() - standing.top(), 4) << "facing right " << right;
    }
}

TEST(RoomCat, FadesAndGrowsInAsTheIslandOpens) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    w.settle();
    w.render(640, 160, 0);
    EXPECT_NEAR(w.layer->state().s, 0.94 * 0.83, 1e-3);
    const QImage half = w.render(640, 160, 0.5);
    EXPECT_LT(maxAlpha(half), 140);
    EXPECT_GT(maxAlpha(half), 100);
    w.render(640, 160, 1);
    EXPECT_NEAR(w.layer->state().s, 0.94, 1e-3);
}

TEST(RoomCat, DeadCatLiesGreyWithoutButtonOrLetters) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    PetLifeProbe::die(w.life());
    w.settle();
    const QImage img = w.render();
    const RoomCatState& c = w.layer->state();
    EXPECT_TRUE(c.lying);
    EXPECT_FALSE(c.asleep);
    EXPECT_EQ(c.faceBase, CatExpression::dead);
    EXPECT_EQ(w.hot.size(), 0);
    // An orange cat drained of colour: red and blue come close together.
    const QColor mean = meanInk(img, QRect(int(c.x) - 25, 90, 50, 40));
    ASSERT_TRUE(mean.isValid());
    EXPECT_LT(mean.red() - mean.blue(), 100);
    // No letters above the head.
    EXPECT_EQ(inkIn(img, QRect(int(c.x) - 40, 0, 100, 70)), 0);
}

TEST(RoomCat, WearsTheBreedPickedInSettings) {
    RoomCatWorld w;
    w.cat.store->set("catBreed", "black");
    w.layer = std::make_unique<RoomCatLayer>(w.cat.clock, w.hub, *w.cat.store);
    w.layer->setScreenMiddle([] { return 720.0; });
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::sitting);
    w.settle();
    const QRect body(300, 80, 40, 46);
    const QColor black = meanInk(w.render(), body);
    // A new pick shows at once, in the room already open.
    w.cat.store->set("catBreed", "orange");
    const QColor orange = meanInk(w.render(), body);
    ASSERT_TRUE(black.isValid() && orange.isValid());
    EXPECT_LT(black.lightness(), 90);
    EXPECT_GT(orange.red(), orange.blue() + 60);
    EXPECT_GT(orange.lightness(), black.lightness() + 40);
}

TEST(RoomCat, SickCatIsTintedGreenWithADrop) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.settle();
    const QImage well = w.render();
    PetLifeProbe::setMood(w.life(), PetMood::sick);
    const QImage sick = w.render();

    // The orange fur turns toward green.
    const QRect body(300, 80, 40, 46);
    const QColor furWell = meanInk(well, body), furSick = meanInk(sick, body);
    ASSERT_TRUE(furWell.isValid() && furSick.isValid());
    EXPECT_GT(furSick.hslHue(), furWell.hslHue() + 15);
    EXPECT_LT(furSick.red(), furWell.red() * 0.8);

    // The drop: pale, see-through ink beside the cat where the well cat (same pose) has none.
    QRect drop;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 640; ++x) {
            const QColor c = sick.pixelColor(x, y);
            if (c.alpha() > 150 && c.alpha() < 240 && c.lightness() > 150 && qAlpha(well.pixel(x, y)) == 0)
                drop |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(drop.isEmpty());
    EXPECT_GE(drop.width() * drop.height(), 6);
    EXPECT_LE(std::max(drop.width(), drop.height()), 8);
    EXPECT_LT(std::abs(drop.center().x() - 320), 40);
    EXPECT_GT(drop.top(), 60);
    // A well cat shows nothing of the kind: no pale blue or green, see-through ink.
    int paleCool = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 640; ++x) {
            const QColor c = well.pixelColor(x, y);
            paleCool += c.alpha() > 150 && c.alpha() < 240 && c.lightness() > 150 && c.hslSaturation() > 50 &&
                        c.hslHue() >= 90 && c.hslHue() <= 220;
        }
    EXPECT_EQ(paleCool, 0);
}

// The centre of the tear-blue pixels, or none.
std::optional<QPointF> tearsAt(const QImage& img) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > 150 && c.blue() > c.red() + 50 && c.blue() > 170) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    if (n < 3) return std::nullopt;
    return QPointF(sx / n, sy / n);
}

TEST(RoomCat, CryingCatShowsTearsLowerWhenLyingDown) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    PetLifeProbe::setMood(w.life(), PetMood::crying);
    w.settle();
    const auto standing = tearsAt(w.render());
    ASSERT_TRUE(standing);
    const RoomCatState up = w.layer->state();
    // Beside the face: 14 points forward and 14 up from the group's centre, scaled.
    EXPECT_NEAR(standing->x(), up.x + 14 * up.s * up.facingWidth, 3);
    EXPECT_NEAR(standing->y(), up.y - 14 * up.s * up.squash, 3);
    w.life().setPose(PetPose::resting);
    w.settle();
    const auto lying = tearsAt(w.render());
    ASSERT_TRUE(lying);
    const RoomCatState down = w.layer->state();
    EXPECT_NEAR(lying->y(), down.y - 4 * down.s * 0.95, 3);
}

TEST(RoomCat, WatchingShowsTheBackTurningToThePointer) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.42);
    w.life().setPose(PetPose::watching);
    w.settle();
    w.render();
    EXPECT_TRUE(w.layer->state().backView);
    EXPECT_EQ(w.layer->state().backTurn, 0);  // no pointer over the room
    w.state->mousePosition = QPointF(400 + 0.9 * 640, 50);
    w.render();
    EXPECT_NEAR(*w.life().cursor(), 0.9, 1e-9);
    EXPECT_GT(w.layer->state().backTurn, 0.5);  // toward the pointer on the right
    w.state->setMode(IslandMode::compact);
    w.render();
    EXPECT_FALSE(w.life().cursor());
}

// Under a top panel the island, and the room in it, sit lower: the pointer over any part of the
// room is over it, and the pointer on the panel above is not.
TEST(RoomCat, FollowsThePointerOverTheWholeRoomBelowATopPanel) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    w.state->islandFrame = QRectF(400, 30, 640, 160);
    for (const double y : {31.0, 100.0, 170.0, 189.0}) {
        w.state->mousePosition = QPointF(400 + 0.25 * 640, y);
        w.render();
        ASSERT_TRUE(w.life().cursor()) << "over the room at y " << y;
        EXPECT_NEAR(*w.life().cursor(), 0.25, 1e-9);
    }
    for (const double y : {12.0, 195.0}) {
        w.state->mousePosition = QPointF(720, y);
        w.render();
        EXPECT_FALSE(w.life().cursor()) << "on the panel above or below the room, y " << y;
    }
}

TEST(RoomCat, ClimbsOntoTheTelevision) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::sitting);
    w.settle();
    w.render();
    const double floorY = w.layer->state().y;
    PetLifeTestAccess::setHighSpot(w.life(), PetErrand::tvTop, w.now());
    w.life().setPose(PetPose::lookout);
    w.cat.clock.advance(0.5 * 1.4);
    w.render();
    EXPECT_TRUE(w.layer->state().placement.scrabbling);
    w.settle(2);
    w.render();
    EXPECT_NEAR(w.layer->state().x, 0.82 * 640, 1e-6);
    EXPECT_NEAR(floorY - w.layer->state().y, 63.7, 3);  // springs differ a little between poses
}

TEST(RoomCat, ClingsToTheTelevisionTippedUpright) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::walking);
    w.settle();
    const QRect walking = inkBounds(w.render());
    PetLifeTestAccess::setHighSpot(w.life(), PetErrand::tvTop, w.now());
    w.life().setPose(PetPose::lookout);
    w.cat.clock.advance(0.55 * 1.4);  // clinging below the top
    const QRect clinging = inkBounds(w.render());
    ASSERT_TRUE(w.layer->state().placement.scrabbling);
    // Long along the floor while it walks; along the television's side while it clings.
    EXPECT_GT(walking.width(), walking.height());
    EXPECT_GT(clinging.height(), clinging.width());
}

TEST(RoomCat, PeeksOutOfTheGardenHouseDoor) {
    const HousePeek h = housePeek(640, 126, 1);
    // Drawn in the doorway, only what the doorway shows is left of the cat.
    RoomCatWorld w;
    RoomCatState c;
    c.width = 640;
    c.floorLine = 126;
    c.s = 0.94;
    c.x = h.cat.x();
    c.y = h.cat.y();
    c.sit = 1;
    c.headOffset = {5, -13};
    c.peek = true;
    c.houseDoor = h.door;
    QImage img(640, 160, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        w.layer->paintState(p, c, CatOutfit::empty());
    }
    const QRect ink = inkBounds(img);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(h.door.adjusted(-1, -1, 1, 1).contains(QRectF(ink)));
    EXPECT_GT(ink.height(), 10);
}

TEST(RoomCat, DrawsSharplyOnADoubleDensityScreen) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    PetLifeProbe::die(w.life());  // drawn apart, then laid down
    w.settle();
    QImage img(1280, 320, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        RoomHotspots hot;
        w.layer->paint(p, w.frame(), w.models(), hot);
    }
    img.setDevicePixelRatio(1);
    const QRect ink = inkBounds(img);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 2 * w.layer->state().x, 40);
    EXPECT_NEAR(ink.bottom(), 2 * 128, 10);
    EXPECT_GT(ink.width(), 2 * 40);
}

TEST(RoomCat, ButterflyOnlyWhileThePointerIsAway) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::batting);
    w.settle();
    // The yellow wing, ahead of the cat and above its middle.
    auto wings = [&](const QImage& img) {
        const RoomCatState& c = w.layer->state();
        int n = 0;
        const QRect around(int(c.x + 34 * c.s * c.facingWidth) - 8, int(c.y - 16 * c.s) - 10, 16, 20);
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x) {
                const QColor k = img.pixelColor(x, y);
                n += k.alpha() > 150 && k.red() > 220 && k.green() > 190 && k.blue() < 150;
            }
        return n;
    };
    EXPECT_GT(wings(w.render()), 0);
    w.state->mousePosition = QPointF(720, 40);  // over the room
    EXPECT_EQ(wings(w.render()), 0);
    w.state->mousePosition = QPointF(720, 400);  // below the island: away again, at once
    EXPECT_GT(wings(w.render()), 0);
}

TEST(RoomCat, ButterflyHoversJustAheadOfTheBattingCat) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::batting);
    w.settle();
    // Over a whole bob the yellow wings stay in sight, a few points about one spot ahead of the head.
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 24; ++i) {
        w.settle(0.1);
        const QImage img = w.render();
        const RoomCatState& c = w.layer->state();
        const QPointF spot(c.x + 34 * c.s * c.facingWidth, c.y - 16 * c.s);
        double sy = 0;
        int n = 0;
        for (int y = int(spot.y()) - 40; y <= int(spot.y()) + 40; ++y)
            for (int x = int(spot.x()) - 8; x <= int(spot.x()) + 8; ++x) {
                const QColor k = img.pixelColor(x, y);
                if (k.alpha() > 150 && k.red() > 220 && k.green() > 190 && k.blue() < 150) sy += y, ++n;
            }
        ASSERT_GT(n, 0) << "no wings at frame " << i;
        low = std::min(low, sy / n - spot.y());
        high = std::max(high, sy / n - spot.y());
    }
    EXPECT_GT(low, -8);
    EXPECT_LT(high, 8);
    EXPECT_GT(high - low, 3);  // it bobs
}

TEST(RoomCat, NotDrawnAwayFromTheRoomOnView) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::kitchen);
    EXPECT_EQ(inkBounds(w.render()), QRect());
    EXPECT_EQ(w.hot.size(), 0);
}

TEST(RoomCat, PettingTooOftenLovesThenAnnoys) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.settle();
    w.render();
    ASSERT_EQ(w.hot.size(), 1);
    EXPECT_EQ(w.hot[0].action.kind, RoomActionKind::petCat);
    EXPECT_TRUE(w.hot[0].area.contains(QPointF(w.layer->state().x, w.layer->state().y)));
    // The cat decides when petting turns into fussing; each answer gets its own emote.
    std::vector<std::string> expected;
    for (int click = 0; click < 6; ++click) {
        const PetResult r = petCat(w.life(), w.hub);
        if (r == PetResult::loved) expected.push_back("love");
        if (r == PetResult::fussed) {
            expected.push_back("annoyed");
            expected.push_back("slap");
            break;
        }
        w.cat.clock.advance(0.3);
    }
    EXPECT_EQ(w.posted.front(), "love");
    EXPECT_EQ(w.posted.back(), "slap");
    EXPECT_EQ(w.posted, expected);
}

}  // namespace
}  // namespace kp::test
