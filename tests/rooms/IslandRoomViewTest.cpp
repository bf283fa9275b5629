// The room view on a scratch world: watching the cat, the layers a person sees, the furniture
// buttons and what pressing them does, the storm's startle, and a picture of every room.
#include "IslandRoomViewWorld.h"

#include "core/Notifications.h"
#include "life/SkyClock.h"
#include "platform/Color.h"
#include "platform/Spring.h"
#include "rooms/BedroomFurniture.h"
#include "rooms/RoomBackdrop.h"
#include "rooms/RoomButtons.h"
#include "rooms/RoomCards.h"
#include "rooms/RoomCat.h"
#include "rooms/RoomKinds.h"
#include "rooms/TopBar.h"
#include "rooms/LivingFurniture.h"
#include "rooms/RoomKinds.h"
#include "rooms/RoomShapes.h"
#include "rooms/RoomShapesScenery.h"
#include "scenery/CoinIcon.h"
#include "scenery/HolidayProp.h"
#include "scenery/PoolPaint.h"
#include "scenery/TomatoClock.h"

#include <gtest/gtest.h>

#include <functional>


#include <string>

using namespace kp;
using namespace kp::test;

namespace {

struct IslandRoomViewTest : ::testing::Test {
    RoomWorld w;

    // Presses and releases at the middle of a hotspot; false when there is none.
    bool click(RoomAction action) {
        const RoomHotspot* s = w.spot(action);
        if (!s) return false;
        const QPointF at = s->area.center();
        w.view->mousePress(at);
        w.view->mouseRelease(at);
        return true;
    }
};

constexpr IslandRoomKind kRooms[] = {IslandRoomKind::bedroom, IslandRoomKind::living, IslandRoomKind::kitchen,
                                     IslandRoomKind::care, IslandRoomKind::garden};

}  // namespace

TEST_F(IslandRoomViewTest, AppearingWatchesTheCatAndFollowsTheRoomOnView) {
    w.show(IslandRoomKind::bedroom);
    w.state->setRoomKind(IslandRoomKind::kitchen);
    w.view->roomDidAppear();
    EXPECT_TRUE(w.life().isWatched());
    ASSERT_TRUE(w.life().nextMeow().has_value());
    EXPECT_NEAR(*w.life().nextMeow(), w.now() + 0.7, 1e-6);
    EXPECT_EQ(w.life().viewRoom(), IslandRoomKind::kitchen);
    EXPECT_TRUE(w.view->isOnScreen());

    // Appearing again while watched keeps the meow where it was.
    const double meow = *w.life().nextMeow();
    w.cat.clock.advance(0.3);
    w.view->roomDidAppear();
    EXPECT_DOUBLE_EQ(*w.life().nextMeow(), meow);

    w.view->roomDidDisappear();
    EXPECT_FALSE(w.life().isWatched());
    EXPECT_FALSE(w.life().nextMeow().has_value());
    EXPECT_FALSE(w.view->isOnScreen());
}

TEST_F(IslandRoomViewTest, NightSleepDarkensOnlyTheBedroomAndFadesAway) {
    w.show(IslandRoomKind::bedroom);
    w.life().setSleeping(true);
    PetLifeTestAccess::setNightSleepUntil(w.life(), w.now() + 3600);
    ASSERT_TRUE(w.life().isNightSleeping());
    // A bare stretch of wall between the scratching post and the window.
    const QPoint wall(440, 100);
    QImage night = w.render();
    EXPECT_TRUE(w.view->frame().showsNightSleep);
    EXPECT_TRUE(w.view->plan().topBarOverTint);
    EXPECT_LT(night.pixelColor(wall).lightness(), 70);

    // Switching to the kitchen shows it untinted at once: the same wall spot and the top bar
    // look as they do once any fade would be long over.
    w.state->setRoomKind(IslandRoomKind::kitchen);
    const QImage kitchen = w.render();
    w.cat.clock.advance(5);
    const QImage later = w.render();
    EXPECT_FALSE(w.view->frame().showsNightSleep);
    for (const QPoint at : {wall, QPoint(320, 60), QPoint(600, 21), QPoint(540, 21)})
        EXPECT_LE(colourDistance(kitchen.pixelColor(at), later.pixelColor(at)), 6) << at.x() << "," << at.y();

    // Back in the bedroom the sleep shows dark at once; woken, the tint eases out over 2.2 s.
    w.state->setRoomKind(IslandRoomKind::bedroom);
    QImage img(640, 160, QImage::Format_ARGB32_Premultiplied);
    auto frameAt = [&](double t) {
        QPainter p(&img);
        w.view->paint(p, QRectF(0, 0, 640, 160), t);
    };
    frameAt(w.now());
    EXPECT_LT(img.pixelColor(wall).lightness(), 70);
    w.life().setSleeping(false);
    frameAt(w.now() + 0.01);
    const int early = img.pixelColor(wall).lightness();
    frameAt(w.now() + 3);
    const int late = img.pixelColor(wall).lightness();
    EXPECT_GT(late, early + 60);
    EXPECT_GT(late, 150);
}

TEST_F(IslandRoomViewTest, ABoughtOrPutAwayPieceShowsWithinASecond) {
    // The walls and still pieces are kept as an image: a rug laid down or put away still shows.
    w.wallet->setEnabled(true);
    w.wallet->reward(10000, w.now());
    w.show(IslandRoomKind::bedroom);
    w.view->roomDidAppear();
    const QPoint rug(int(0.44 * 640), int(room::floorLine(160)) + 4);
    const QColor bare = w.render().pixelColor(rug);

    ASSERT_TRUE(w.wallet->buy(ShopItem::rug));
    w.cat.clock.advance(1.01);
    const QColor laid = w.render().pixelColor(rug);
    EXPECT_NE(laid, bare) << "the rug is seen";

    w.wallet->toggleStored(ShopItem::rug);
    w.cat.clock.advance(1.01);
    EXPECT_EQ(w.render().pixelColor(rug), bare) << "put away, it is gone";
}

TEST_F(IslandRoomViewTest, AClosedIslandShowsBareWallsWithoutFurniture) {
    w.show(IslandRoomKind::kitchen);
    w.view->setIslandHeight(36);
    const QImage closed = w.render();
    EXPECT_DOUBLE_EQ(w.view->frame().opening, 0);
    // Between the wall's top and the floor every column shows only the wall gradient.
    const QColor top = colorFromHex(roomPalette(IslandRoomKind::kitchen).wallTop);
    const QColor floor = colorFromHex(roomPalette(IslandRoomKind::kitchen).floor);
    int off = 0;
    for (int x = 5; x < 640; x += 10) {
        if (colourDistance(closed.pixelColor(x, 40), top) > 12) ++off;
        if (colourDistance(closed.pixelColor(x, 150), floor) > 2) ++off;
    }
    EXPECT_EQ(off, 0);

    w.view->setIslandHeight(160);
    const QImage open = w.render();
    int changed = 0;
    for (int x = 5; x < 640; x += 10)
        if (colourDistance(open.pixelColor(x, 100), closed.pixelColor(x, 100)) > 20) ++changed;
    EXPECT_GT(changed, 10);  // furniture stands in the open kitchen
}

TEST_F(IslandRoomViewTest, NothingIsDrawnOutsideTheRoom) {
    w.show(IslandRoomKind::garden);
    w.look = {SkyTime::day, SkyWeather::storm};
    QImage img(800, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        w.view->paint(p, QRectF(80, 70, 640, 160), w.now());
    }
    for (int y = 0; y < 300; y += 3)
        for (int x = 0; x < 800; x += 3) {
            const bool inside = x >= 80 && x < 720 && y >= 70 && y < 230;
            if (!inside) {
                ASSERT_EQ(qAlpha(img.pixel(x, y)), 0) << x << "," << y;
            }
        }
    EXPECT_EQ(qAlpha(img.pixel(400, 150)), 255);
}

TEST_F(IslandRoomViewTest, EveryRoomHasItsButtons) {
    const std::pair<IslandRoomKind, std::vector<PetErrand>> rooms[] = {
        {IslandRoomKind::bedroom, {PetErrand::window, PetErrand::sleep, PetErrand::scratch}},
        {IslandRoomKind::living, {PetErrand::watchTV, PetErrand::lounge, PetErrand::play}},
        {IslandRoomKind::kitchen, {PetErrand::eat, PetErrand::drink}},
        {IslandRoomKind::care, {PetErrand::medicine}},
        {IslandRoomKind::garden, {PetErrand::shelter}},
    };
    for (const auto& [room, errands] : rooms) {
        w.show(room);
        w.render();
        for (PetErrand e : errands) {
            const RoomHotspot* s = w.spot(RoomAction::errand(e));
            ASSERT_NE(s, nullptr) << int(room) << " " << int(e);
            EXPECT_TRUE(s->enabled);
            EXPECT_TRUE(QRectF(0, 0, 640, 160).intersects(s->area));
        }
    }
    w.show(IslandRoomKind::care);
    w.render();
    EXPECT_NE(w.spot({RoomActionKind::cleanLitter, 0}), nullptr);
}

TEST_F(IslandRoomViewTest, ADeadCatTakesNoErrandsButTheLitterBoxStaysUsable) {
    w.show(IslandRoomKind::care);
    PetLifeProbe::die(w.life());
    w.render();
    const RoomHotspot* medicine = w.spot(RoomAction::errand(PetErrand::medicine));
    ASSERT_NE(medicine, nullptr);
    EXPECT_FALSE(medicine->enabled);
    EXPECT_FALSE(w.view->isActionableAt(medicine->area.center()));
    EXPECT_TRUE(w.view->mousePress(medicine->area.center()));  // swallowed, nothing happens
    w.view->mouseRelease(medicine->area.center());
    EXPECT_FALSE(w.life().errand().has_value());
    const RoomHotspot* litter = w.spot({RoomActionKind::cleanLitter, 0});
    ASSERT_NE(litter, nullptr);
    EXPECT_TRUE(litter->enabled);
}

TEST_F(IslandRoomViewTest, AButtonActsOnAReleaseOverIt) {
    w.show(IslandRoomKind::kitchen);
    w.render();
    const RoomHotspot* food = w.spot(RoomAction::errand(PetErrand::eat));
    ASSERT_NE(food, nullptr);
    const QRectF area = food->area;
    EXPECT_TRUE(w.view->mousePress(area.center()));
    w.view->mouseRelease(area.topLeft() - QPointF(30, 30));
    EXPECT_FALSE(w.life().errand().has_value());
    // Each button sends its own errand; the litter box cleans itself.
    ASSERT_TRUE(click(RoomAction::errand(PetErrand::drink)));
    EXPECT_EQ(w.life().errand(), PetErrand::drink);
    w.show(IslandRoomKind::care);
    w.life().setPoops(3);
    w.render();
    ASSERT_TRUE(click({RoomActionKind::cleanLitter, 0}));
    EXPECT_EQ(w.life().poops(), 0);
}

TEST_F(IslandRoomViewTest, OpeningTheWardrobeMarksGiftsSeenBeforeTheSettingsOpen) {
    std::vector<std::string> opened;
    int unseenWhenOpened = -1;
    Subscription sub(w.hub, note::openFullSettings, [&](const std::any& object) {
        if (const auto* tab = notificationObject<std::string>(object)) opened.push_back(*tab);
        unseenWhenOpened = w.closet->unseenCount();
    });
    w.view->perform({RoomActionKind::openWardrobe, 0});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "wardrobe");
    EXPECT_EQ(unseenWhenOpened, 0);
}

TEST_F(IslandRoomViewTest, TheNightstandClockStartsFocusOrBreakByPhase) {
    w.wallet->setEnabled(true);
    EXPECT_EQ(w.pomodoro->phase(), Pomodoro::Phase::idle);
    w.view->clockAction();
    EXPECT_EQ(w.pomodoro->phase(), Pomodoro::Phase::focus);
    w.view->clockAction();  // a running round is left alone
    EXPECT_EQ(w.pomodoro->phase(), Pomodoro::Phase::focus);
}

TEST_F(IslandRoomViewTest, AStormFlashStartlesTheCatOncePerPeriod) {
    w.show(IslandRoomKind::living);
    w.look = {SkyTime::day, SkyWeather::storm};
    // Find the first flash after the clock's time.
    double t = std::floor(w.now() / 9) * 9 + 9;
    const double end = t + 9;
    while (t < end && lightningFlash(t) <= 0.5) t += 0.01;
    ASSERT_LT(t, end);
    QImage img(640, 160, QImage::Format_ARGB32_Premultiplied);
    auto frameAt = [&](double at) {
        QPainter p(&img);
        w.view->paint(p, QRectF(0, 0, 640, 160), at);
    };
    frameAt(t - 1);
    const int before = w.life().lastStartle();
    frameAt(t);
    EXPECT_EQ(w.life().lastStartle(), int(std::floor(t / 9)));
    EXPECT_NE(w.life().lastStartle(), before);
}

// Every room at a device pixel ratio of 2 is a full, opaque, many-coloured picture.
TEST_F(IslandRoomViewTest, RendersEveryRoomAsAPicture) {
    w.wallet->setEnabled(true);
    w.view->roomDidAppear();
    const std::pair<IslandRoomKind, SkyLook> shots[] = {
        {IslandRoomKind::bedroom, {SkyTime::day, SkyWeather::clear}},
        {IslandRoomKind::living, {SkyTime::afternoon, SkyWeather::cloudy}},
        {IslandRoomKind::kitchen, {SkyTime::morning, SkyWeather::rain}},
        {IslandRoomKind::care, {SkyTime::sunset, SkyWeather::clear}},
        {IslandRoomKind::garden, {SkyTime::day, SkyWeather::snow}},
    };
    for (const auto& [room, look] : shots) {
        w.show(room);
        w.look = look;
        QImage img(1280, 320, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(2);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            w.view->paint(p, QRectF(0, 0, 640, 160), w.now());
        }
        EXPECT_EQ(qAlpha(img.pixel(2, 2)), 255) << roomKindRaw(room);
        EXPECT_EQ(qAlpha(img.pixel(1277, 317)), 255) << roomKindRaw(room);
        QSet<QRgb> colours;
        for (int y = 0; y < 320; y += 4)
            for (int x = 0; x < 1280; x += 4) colours.insert(img.pixel(x, y) & 0xF0F0F0);
        EXPECT_GT(colours.size(), 12) << roomKindRaw(room);
    }
}

TEST_F(IslandRoomViewTest, BirthdaysOutrankTheHolidaySeason) {
    w.show(IslandRoomKind::living);
    w.cat.clock.setNow(localMoment(2026, 12, 20, 15));
    PetLifeTestAccess::setBirth(w.life(), localMoment(2026, 6, 1, 9));
    w.render();
    EXPECT_EQ(w.view->frame().holiday, Holiday::christmas);
    // One month old today: the birthday's decorations, though Christmas is in season.
    PetLifeTestAccess::setBirth(w.life(), localMoment(2026, 11, 20, 9));
    w.render();
    EXPECT_EQ(w.view->frame().holiday, Holiday::birthday);
    EXPECT_TRUE(w.view->plan().holiday);
    // Out of any season and no birthday: no decorations.
    w.cat.clock.setNow(localMoment(2026, 9, 9, 15));
    PetLifeTestAccess::setBirth(w.life(), localMoment(2026, 6, 1, 9));
    w.render();
    EXPECT_FALSE(w.view->frame().holiday.has_value());
    EXPECT_FALSE(w.view->plan().holiday);
}

// The five rooms in a holiday season, for a person to look at the decorations' places.
TEST_F(IslandRoomViewTest, EveryRoomIsDecoratedInTheSeason) {
    w.wallet->setEnabled(true);
    for (double when : {localMoment(2026, 12, 20, 15), localMoment(2026, 10, 30, 15)}) {
        w.cat.clock.setNow(when);
        PetLifeTestAccess::setBirth(w.life(), localMoment(2026, 6, 2, 9));
        for (IslandRoomKind room : kRooms) {
            w.show(room);
            w.render();
            EXPECT_TRUE(w.view->frame().holiday.has_value()) << roomKindRaw(room);
        }
    }
}

TEST_F(IslandRoomViewTest, TheHolidayPropStandsInSightAndTheWindowShowsItsSky) {
    // Christmas Day at noon in the living room: the decorations hang behind the furniture and the
    // tree stands where nothing hides it.
    w.cat.clock.setNow(localMoment(2026, 12, 25, 12));
    w.show(IslandRoomKind::living);
    PetLifeTestAccess::setOut(w.life(), true);
    const QImage img = w.render();
    ASSERT_EQ(w.view->frame().holiday, Holiday::christmas);
    const double t = w.view->frame().t;
    // The window's centre shows the window as it is drawn alone.
    QImage alone(640, 160, QImage::Format_ARGB32_Premultiplied);
    alone.fill(Qt::transparent);
    {
        QPainter p(&alone);
        p.setRenderHint(QPainter::Antialiasing, true);
        SceneryPieces().plainWindow(p, kLivingWindowCentre, kFurnitureScale, w.look, t);
    }
    const QPoint centre = kLivingWindowCentre.toPoint();
    EXPECT_LE(colourDistance(img.pixelColor(centre), alone.pixelColor(centre)), 6);
    // The tree's top rows show as the tree alone draws them.
    QImage tree(640, 160, QImage::Format_ARGB32_Premultiplied);
    tree.fill(Qt::transparent);
    {
        QPainter p(&tree);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setTransform(room::standAt(640 * holidayPropShare(IslandRoomKind::living), w.view->frame().floorLine,
                                     HolidayProp::kSize));
        HolidayProp{Holiday::christmas, t, false}.paint(p);
    }
    int top = 160;
    for (int y = 0; y < 160 && top == 160; ++y)
        for (int x = 0; x < 640; ++x)
            if (qAlpha(tree.pixel(x, y)) == 255) top = y;
    ASSERT_LT(top, 100);
    int solid = 0, seen = 0;
    for (int y = top; y < top + 12; ++y)
        for (int x = 0; x < 640; ++x) {
            if (qAlpha(tree.pixel(x, y)) < 255) continue;
            ++solid;
            if (colourDistance(img.pixelColor(x, y), tree.pixelColor(x, y)) <= 6) ++seen;
        }
    EXPECT_GT(solid, 20);
    EXPECT_EQ(seen, solid);
}

TEST_F(IslandRoomViewTest, TheBarsIconsStandOutDayAndNight) {
    // The strongest contrast inside each icon's frame against the frame's corner, where only
    // what is behind the icon shows: 3:1 or better.
    auto iconContrast = [&](const QImage& img, const QRectF& frame) {
        const QColor behind = img.pixelColor(frame.topLeft().toPoint());
        double best = 1;
        for (int y = int(frame.top()); y < int(frame.bottom()); ++y)
            for (int x = int(frame.left()); x < int(frame.right()); ++x)
                best = std::max(best, chrome::contrastRatio(img.pixelColor(x, y), behind));
        return best;
    };
    const TopBar::Layout l = TopBar::layout(640, w.state->notchWidth, w.wallet->enabled());
    // The cat asleep for the night in the bedroom; the garden under a night sky; a day kitchen.
    w.show(IslandRoomKind::bedroom);
    w.life().setSleeping(true);
    PetLifeTestAccess::setNightSleepUntil(w.life(), w.now() + 3600);
    QImage img = w.render();
    EXPECT_GE(iconContrast(img, l.gear), 3);
    EXPECT_GE(iconContrast(img, l.album), 3);
    w.life().setSleeping(false);
    w.look = {SkyTime::night, SkyWeather::clear};
    w.show(IslandRoomKind::garden);
    img = w.render();
    EXPECT_GE(iconContrast(img, l.gear), 3);
    w.look = {SkyTime::day, SkyWeather::clear};
    w.show(IslandRoomKind::care);
    img = w.render();
    EXPECT_GE(iconContrast(img, l.gear), 3);
    EXPECT_GE(iconContrast(img, l.album), 3);
}

TEST_F(IslandRoomViewTest, ACatUpOnTheFridgeIsDrawnOverTheBar) {
    w.show(IslandRoomKind::kitchen);
    w.render();
    const double floorY = w.view->catLayer()->state().y;
    PetLifeTestAccess::setHighSpot(w.life(), PetErrand::fridgeTop, w.now());
    w.life().setPose(PetPose::lookout);
    QImage img;
    for (double s = 0; s < 3; s += 1.0 / 30) {
        w.cat.clock.advance(1.0 / 30);
        img = w.render();
    }
    const RoomCatState& c = w.view->catLayer()->state();
    const TopBar::Layout l = TopBar::layout(640, w.state->notchWidth, w.wallet->enabled());
    // The cat is up by the bar (it stood well below it)...
    ASSERT_LT(c.y - 40, l.pill.bottom());
    ASSERT_GT(floorY - 40, l.pill.bottom());
    ASSERT_LT(std::abs(c.x - l.nameColumn.center().x()), 80);
    // ...and its orange fur shows over the name and status column.
    int fur = 0;
    for (int y = int(l.nameColumn.top()); y < int(l.nameColumn.bottom()); ++y)
        for (int x = int(l.nameColumn.left()); x < int(l.nameColumn.right()); ++x) {
            const QColor px = img.pixelColor(x, y);
            if (px.hslSaturation() > 90 && px.hslHue() >= 15 && px.hslHue() <= 45) ++fur;
        }
    EXPECT_GT(fur, 20);
}

TEST_F(IslandRoomViewTest, ACatMovingOverTheBarPutsTheBarBackWithoutDrawingItAgain) {
    // The cat up on the fridge lies over the bar frame after frame at two pixels a point: the bar
    // is drawn once (from the pool, whichever way frames go) and put back where the cat group is
    // laid again, so frames painted over the last are the frame painted whole.
    w.wallet->setEnabled(true);
    w.show(IslandRoomKind::kitchen);
    PetLifeTestAccess::setHighSpot(w.life(), PetErrand::fridgeTop, w.now());
    w.life().setPose(PetPose::lookout);
    for (int i = 0; i < 90; ++i) {
        w.cat.clock.advance(1.0 / 30);
        w.render();
    }
    scenery::FrameWay& way = scenery::roomFrameWay();
    way.retry();
    for (int i = 0; i < 2 * scenery::FrameWay::kTried; ++i) way.add(way.handOff() ? 1e-3 : 1e-4);
    ASSERT_FALSE(way.handOff());
    const auto blank = [] {
        QImage img(1280, 320, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(2);
        img.fill(Qt::transparent);
        return img;
    };
    QImage kept = blank();
    double t = w.now();
    const std::uint64_t before = scenery::handOffsMade();
    {
        QPainter p(&kept);
        w.view->paint(p, QRectF(0, 0, 640, 160), t);
    }
    const TopBar::Layout l = TopBar::layout(640, w.state->notchWidth, true);
    const QRect pill = QRectF(l.pill.topLeft() * 2, l.pill.size() * 2).toAlignedRect();
    int overBar = 0;
    for (int i = 1; i <= 90; ++i) {
        w.cat.clock.advance(1.0 / 60);
        t = w.now();
        {
            QPainter p(&kept);
            w.view->paintChanges(p, QRectF(0, 0, 640, 160), t, QRegion());
        }
        if (w.view->catLayer()->area().intersects(pill)) ++overBar;
        if (i % 30) continue;
        // Drawn whole at the same moment (the next frame is then drawn whole too).
        QImage whole = blank();
        {
            QPainter p(&whole);
            w.view->paint(p, QRectF(0, 0, 640, 160), t);
        }
        int off = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                if (kept.pixel(x, y) != whole.pixel(x, y)) ++off;
        ASSERT_EQ(off, 0) << "frame " << i;
    }
    EXPECT_GT(overBar, 60) << "the cat lay over the bar";
    // Its pill's and row's images and its picture, each made once in a hand-off.
    EXPECT_EQ(scenery::handOffsMade() - before, 3u) << "the bar, the same all along, was drawn once";
    way.retry();
}

TEST_F(IslandRoomViewTest, TheIntroCardLeavesTheNightstandClockInSight) {
    // Each step of the intro shows over the bedroom; the tomato clock it talks about stays seen.
    w.cat.store->set(QStringLiteral("onboardedV1"), true);
    w.wallet->setEnabled(true);
    w.pomodoro->startIntro();
    w.show(IslandRoomKind::bedroom);
    const QRect clock = wallHitRect(bedroomClockCentre(640, w.view->frame().floorLine), kBedroomClockScale,
                                    TomatoClock::kSize.width(), TomatoClock::kSize.height())
                            .toAlignedRect();
    for (int step = 0; step < 3; ++step) {
        w.render();
        w.cat.scheduler.advance(1.5);
        const QImage img = w.render();
        const NotchCard* card = w.view->cards()->noteCard();
        ASSERT_NE(card, nullptr);
        const QRectF box = card->frame(w.view->cards()->noteCardCentre());
        EXPECT_LT(img.pixelColor(box.center().toPoint() + QPoint(0, int(box.height() / 2) - 4)).lightness(), 60);
        EXPECT_LE(box.right(), 640);
        int tomato = 0;
        for (int y = clock.top(); y <= clock.bottom(); ++y)
            for (int x = clock.left(); x <= clock.right(); ++x) {
                const QColor px = img.pixelColor(x, y);
                if (px.hslSaturation() > 120 && px.lightness() > 70 && (px.hslHue() < 15 || px.hslHue() > 345)) ++tomato;
            }
        EXPECT_GT(tomato, 60) << "step " << step;
        w.pomodoro->advanceIntro();
    }
}

// A frame at the device pixel ratio of 2 (1280 x 320 pixels), or another.
QImage frameAt(IslandRoomView& view, double t, int ratio = 2) {
    QImage img(640 * ratio, 160 * ratio, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    view.paint(p, QRectF(0, 0, 640, 160), t);
    return img;
}

// Pixels (device) inside `area` (points) that differ between two frames.
int changedPixels(const QImage& a, const QImage& b, const QRectF& area) {
    const QRect px = QRectF(area.topLeft() * 2, area.size() * 2).toAlignedRect() & a.rect();
    int changed = 0;
    for (int y = px.top(); y <= px.bottom(); ++y)
        for (int x = px.left(); x <= px.right(); ++x)
            if (colourDistance(a.pixelColor(x, y), b.pixelColor(x, y)) > 6) ++changed;
    return changed;
}

TEST_F(IslandRoomViewTest, WhatMovesMovesAtTheDisplaysRate) {
    // Two frames a display frame apart, early in a tenth of a second.
    const double t = std::floor(w.now() * 10) / 10 + 0.02;
    // The care room's heart monitor draws its trace on.
    w.show(IslandRoomKind::care);
    frameAt(*w.view, t - 1.0 / 60);
    QImage a = frameAt(*w.view, t);
    QImage b = frameAt(*w.view, t + 1.0 / 60);
    EXPECT_GT(changedPixels(a, b, QRectF(0.555 * 640 - 30, 52 - 22, 60, 44)), 4);
    // The bedroom's tomato clock rattles while it rings.
    w.wallet->setEnabled(true);
    w.pomodoro->startFocus();
    w.cat.clock.advance(4 * 3600);
    w.scheduler.advance(4 * 3600);
    ASSERT_EQ(w.pomodoro->phase(), Pomodoro::Phase::focusDone);
    w.show(IslandRoomKind::bedroom);
    const double u = std::floor(w.now() * 10) / 10 + 0.02;
    frameAt(*w.view, u - 1.0 / 60);
    a = frameAt(*w.view, u);
    b = frameAt(*w.view, u + 1.0 / 60);
    const QRectF clock = wallHitRect(bedroomClockCentre(640, w.view->frame().floorLine), kBedroomClockScale,
                                     TomatoClock::kSize.width(), TomatoClock::kSize.height());
    EXPECT_GT(changedPixels(a, b, clock.adjusted(-4, -4, 4, 4)), 4);
}

TEST_F(IslandRoomViewTest, FramesAtOnePixelAPointAreDrawnInPlace) {
    // A hand-off to a pool thread costs two thread switches a frame: never worth it at one pixel a
    // point. At two, a room just shown tries the hand-off first, once a frame, the evening's lights
    // drawn in the scene's hand-off; the bar, and its pill's and row's images, each in one of its
    // own when first drawn. (The cat is out: it hands off its own.)
    double t = w.now();
    for (SkyLook look : {SkyLook{SkyTime::day, SkyWeather::clear}, SkyLook{SkyTime::night, SkyWeather::clear}}) {
        w.look = look;
        w.show(IslandRoomKind::garden);
        PetLifeTestAccess::setOut(w.life(), true);
        for (double ratio : {1.0, 2.0}) {
            const std::uint64_t before = scenery::handOffsMade();
            for (int i = 0; i < 10; ++i, t += 1.0 / 60) {
                QImage img(int(640 * ratio), int(160 * ratio), QImage::Format_ARGB32_Premultiplied);
                img.setDevicePixelRatio(ratio);
                img.fill(Qt::transparent);
                QPainter p(&img);
                w.view->paint(p, QRectF(0, 0, 640, 160), t);
            }
            if (ratio < 2) {
                EXPECT_EQ(scenery::handOffsMade(), before);
            } else {
                EXPECT_GE(scenery::handOffsMade(), before + 12);
                EXPECT_LE(scenery::handOffsMade(), before + 13);
            }
        }
    }
}

TEST_F(IslandRoomViewTest, AFrameDrawnPieceByPieceIsTheWholeFrame) {
    // Frame after frame only what moves is drawn again; the last frame looks exactly as a view
    // that draws it whole for the first time. (The cat is out: its own motion has a history.)
    w.wallet->setEnabled(true);
    PetLifeTestAccess::setOut(w.life(), true);
    IslandRoomView fresh(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store, w.cat.clock, w.scheduler, w.hub);
    fresh.setLookSource([this] { return w.look; });
    // An ordinary day, and Christmas with its garlands, wreath, mobiles and tree.
    for (double day : {w.now(), localMoment(2026, 12, 25, 12)})
    for (IslandRoomKind room : kRooms) {
        for (SkyLook look : {SkyLook{SkyTime::day, SkyWeather::clear}, SkyLook{SkyTime::night, SkyWeather::storm}}) {
            w.look = look;
            w.show(room);
            PetLifeTestAccess::setOut(w.life(), true);
            double t = day;
            QImage last;
            for (int i = 0; i < 40; ++i, t += 1.0 / 60) last = frameAt(*w.view, t);
            t -= 1.0 / 60;
            const QImage whole = frameAt(fresh, t);
            EXPECT_EQ(changedPixels(last, whole, QRectF(0, 0, 640, 160)), 0)
                << roomKindRaw(room) << (look.time == SkyTime::night ? " at night" : " by day") << " " << day;
        }
    }
}

TEST_F(IslandRoomViewTest, AFrameWhereNothingMovedPaintsNothingNotEvenWhereTheCatIs) {
    // The same moment painted twice, with the cat at home: the second time nothing changed, so
    // nothing is laid again, the cat's place included.
    w.wallet->setEnabled(true);
    for (IslandRoomKind room : {IslandRoomKind::kitchen, IslandRoomKind::bedroom}) {
        w.show(room);
        QImage kept(640, 160, QImage::Format_ARGB32_Premultiplied);
        kept.fill(Qt::transparent);
        const double t = w.now();
        std::optional<QRegion> painted;
        for (double at : {t, t + 1.0 / 60, t + 1.0 / 60}) {
            QPainter p(&kept);
            painted = w.view->paintChanges(p, QRectF(0, 0, 640, 160), at, QRegion());
        }
        ASSERT_TRUE(w.life().isVisible()) << roomKindRaw(room);
        ASSERT_TRUE(painted.has_value()) << roomKindRaw(room);
        EXPECT_TRUE(painted->isEmpty()) << roomKindRaw(room) << ": " << painted->boundingRect().width() << "x"
                                        << painted->boundingRect().height();
    }
}

TEST_F(IslandRoomViewTest, ACardAskedForWhileTheRoomPaintsOnlyItsChangesComesUp) {
    // The room open and painted over its last frame; then the intro starts: within a second its
    // card is on view, drawn dark over the room, and the frame is painted whole while it shows.
    w.cat.store->set(QStringLiteral("onboardedV1"), true);
    w.wallet->setEnabled(true);
    w.show(IslandRoomKind::bedroom);
    QImage kept(640, 160, QImage::Format_ARGB32_Premultiplied);
    kept.fill(Qt::transparent);
    double t = w.now();
    const auto frame = [&] {
        t += 1.0 / 60;
        QPainter p(&kept);
        return w.view->paintChanges(p, QRectF(0, 0, 640, 160), t, QRegion());
    };
    frame();
    ASSERT_TRUE(frame().has_value()) << "painted only where it changes";
    w.pomodoro->startIntro();
    for (int i = 0; i < 60; ++i) {
        frame();
        w.cat.scheduler.advance(1.0 / 60);
    }
    const NotchCard* card = w.view->cards()->noteCard();
    ASSERT_NE(card, nullptr) << "the intro's card is taken up";
    const QRectF box = card->frame(w.view->cards()->noteCardCentre());
    EXPECT_LT(kept.pixelColor(box.center().toPoint() + QPoint(0, int(box.height() / 2) - 4)).lightness(), 60);
    EXPECT_FALSE(frame().has_value());
}

// The garden on a fine night, painted whole and then over 30 frames, each over the last, as the
// island paints them, and the last frame's look.
struct NightGarden {
    QImage kept;
    RoomFrame f;
};
NightGarden paintNightGarden(RoomWorld& w) {
    w.look = {SkyTime::night, SkyWeather::clear};
    w.cat.clock.setNow(localMoment(2026, 9, 9, 22));
    PetLifeTestAccess::setOut(w.life(), true);
    w.show(IslandRoomKind::garden);
    QImage kept = frameAt(*w.view, w.now());
    double t = w.now();
    for (int i = 0; i < 30; ++i) {
        t += 1.0 / 60;
        QPainter p(&kept);
        w.view->paintChanges(p, QRectF(0, 0, 640, 160), t, QRegion());
    }
    EXPECT_EQ(w.view->frame().t, t);
    return {kept, w.view->frame()};
}

// The garden's backdrop alone at `f`, with `over` drawn on it.
QImage bareGarden(const RoomFrame& f, const std::function<void(QPainter&)>& over) {
    QImage bare(1280, 320, QImage::Format_ARGB32_Premultiplied);
    bare.setDevicePixelRatio(2);
    bare.fill(Qt::transparent);
    QPainter p(&bare);
    p.setRenderHint(QPainter::Antialiasing, true);
    RoomBackdrop().paintGarden(p, f);
    over(p);
    return bare;
}

TEST_F(IslandRoomViewTest, OnAFineNightTheGardenLiesUnderTheEveningsTintWhereverItIsPaintedAgain) {
    // The lawn at the foot of the garden shows the backdrop with the evening's weather, tint and
    // lights, drawn over it.
    const NightGarden g = paintNightGarden(w);
    const QImage bare = bareGarden(g.f, [&](QPainter& p) { RoomBackdrop().paintGardenWeather(p, g.f); });
    int off = 0, total = 0;
    for (int y = 300; y < 312; ++y)
        for (int x = 40; x < 1240; ++x, ++total)
            if (colourDistance(g.kept.pixelColor(x, y), bare.pixelColor(x, y)) > 2) ++off;
    EXPECT_LT(off, total / 100) << off << " of " << total;
}

TEST_F(IslandRoomViewTest, OnAFineNightTheFirefliesShineOverTheGardenPaintedAgain) {
    // Where the lights brighten the tinted backdrop, the garden painted over the last frame shows
    // them (bar where the house stands over the backdrop).
    const NightGarden g = paintNightGarden(w);
    const QImage lit = bareGarden(g.f, [&](QPainter& p) { RoomBackdrop().paintGardenWeather(p, g.f); });
    const QImage tinted = bareGarden(g.f, [&](QPainter& p) {
        p.fillRect(QRectF(0, 0, g.f.width, g.f.height), RoomBackdrop::gardenTint(g.f));
    });
    int lights = 0, shown = 0;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 1280; ++x) {
            if (colourDistance(lit.pixelColor(x, y), tinted.pixelColor(x, y)) < 40) continue;
            ++lights;
            shown += colourDistance(g.kept.pixelColor(x, y), lit.pixelColor(x, y)) <= 8;
        }
    ASSERT_GT(lights, 50) << "a few fireflies";
    EXPECT_GT(shown, lights * 7 / 10) << shown << " of " << lights;
}

TEST_F(IslandRoomViewTest, AFramePaintedOverTheLastOneIsTheWholeFrame) {
    // Each frame painted over the last on a kept image, only where the room says it changes (and
    // over a strip the host asks for, with something of its own painted there), is the frame
    // painted whole: in every room with the cat at home, by day and by the night's tint, on an
    // ordinary day and at Christmas. Nothing changes outside where it says, and that is not the
    // whole room.
    w.wallet->setEnabled(true);
    IslandRoomView twin(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store, w.cat.clock, w.scheduler, w.hub);
    twin.setLookSource([this] { return w.look; });
    int unseen = 0;
    w.view->setAlbumUnseenSource([&] { return unseen; });
    twin.setAlbumUnseenSource([&] { return unseen; });
    const QRect strip(0, 314, 1280, 6);
    // The room tabs' upper half, in pixels (below them hang the room's own moving pieces).
    const QRectF zone = room::rightZone(640, w.state->notchWidth);
    const QRect tabs = QRectF(zone.topLeft() * 2, QSizeF(zone.width() * 2, zone.height())).toAlignedRect();
    const QPoint dot = (AlbumButton::badgeRect(TopBar::layout(640, w.state->notchWidth, true).album).center() * 2).toPoint();
    for (SkyTime time : {SkyTime::day, SkyTime::night})
        for (double day : {w.now(), localMoment(2026, 12, 25, 12)})
            for (IslandRoomKind room : kRooms)
            for (SkyWeather weather : {SkyWeather::clear, SkyWeather::rain, SkyWeather::snow}) {
                // The garden shows its weather; the other rooms only through their windows.
                if (weather != SkyWeather::clear && room != IslandRoomKind::garden) continue;
                w.look = SkyLook{time, weather};
                w.show(room);
                const bool tinted = time == SkyTime::night && room == IslandRoomKind::bedroom;
                w.life().setSleeping(tinted);
                PetLifeTestAccess::setNightSleepUntil(w.life(), tinted ? std::optional(day + 3600) : std::nullopt);
                ASSERT_EQ(w.life().isNightSleeping(), tinted);
                QImage kept(1280, 320, QImage::Format_ARGB32_Premultiplied);
                kept.setDevicePixelRatio(2);
                kept.fill(Qt::transparent);
                double t = day;
                unseen = 0;
                {
                    QPainter p(&kept);
                    w.view->paint(p, QRectF(0, 0, 640, 160), t);
                }
                frameAt(twin, t);
                int known = 0, barLeftAlone = 0;
                double smallest = 1;
                for (int i = 0; i < 40; ++i) {
                    t += 1.0 / 60;
                    // A keepsake comes: the bar changes once and stands again.
                    unseen = i >= 20;
                    const QImage last = kept;
                    std::optional<QRegion> painted;
                    {
                        QPainter p(&kept);
                        painted = w.view->paintChanges(p, QRectF(0, 0, 640, 160), t, QRegion(strip));
                        p.fillRect(QRectF(0, 157, 100 + i, 3), QColor(255, 255, 255, 90));
                    }
                    const QImage whole = frameAt(twin, t);
                    QPainter q(const_cast<QImage*>(&whole));
                    q.fillRect(QRectF(0, 157, 100 + i, 3), QColor(255, 255, 255, 90));
                    q.end();
                    int off = 0;
                    // The stored words first: equal exactly where the colours are, and most are.
                    for (int y = 0; y < whole.height(); ++y) {
                        const auto* keptRow = reinterpret_cast<const QRgb*>(kept.constScanLine(y));
                        const auto* wholeRow = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
                        const auto* lastRow = reinterpret_cast<const QRgb*>(last.constScanLine(y));
                        for (int x = 0; x < whole.width(); ++x) {
                            if (keptRow[x] != wholeRow[x]) {
                                const QRgb a = kept.pixel(x, y), b = whole.pixel(x, y);
                                if (colourDistance(QColor(a), QColor(b)) > 2 || std::abs(qAlpha(a) - qAlpha(b)) > 2) ++off;
                            }
                            if (painted && keptRow[x] != lastRow[x]) {
                                ASSERT_TRUE(painted->contains(QPoint(x, y)))
                                    << roomKindRaw(room) << " " << day << " frame " << i << " at " << x << "," << y;
                            }
                        }
                    }
                    ASSERT_EQ(off, 0) << roomKindRaw(room) << (time == SkyTime::night ? " at night " : " by day ") << day
                                      << " frame " << i;
                    // Both painted the album's dot once it was asked for (the twin keeps its layers too);
                    // the garden's evening weather lies over it.
                    if ((i == 10 || i == 30) && !(room == IslandRoomKind::garden && time == SkyTime::night)) {
                        EXPECT_EQ(colourDistance(kept.pixelColor(dot), colorFromHex("#F28AA0")) < 40, i == 30)
                            << roomKindRaw(room) << " frame " << i << " " << kept.pixelColor(dot).name().toStdString();
                    }
                    // And what it offers to clicks is the same.
                    const RoomHotspots &mine = w.view->hotspots(), &theirs = twin.hotspots();
                    ASSERT_EQ(mine.size(), theirs.size()) << roomKindRaw(room) << " frame " << i;
                    for (int h = 0; h < mine.size(); ++h) {
                        ASSERT_EQ(mine[h].area, theirs[h].area) << roomKindRaw(room) << " frame " << i;
                        ASSERT_EQ(mine[h].action, theirs[h].action) << roomKindRaw(room) << " frame " << i;
                    }
                    if (!painted) continue;
                    ++known;
                    // The bar, standing still, is not painted again.
                    if (!painted->intersects(tabs)) ++barLeftAlone;
                    long inside = 0;
                    for (const QRect& r : *painted) inside += long(r.width()) * r.height();
                    smallest = std::min(smallest, double(inside) / (1280 * 320));
                }
                // Rain and snow fall over all of the garden; the evening's tint stays, a fine day's
                // weather is a few leaves.
                if (weather != SkyWeather::clear) continue;
                EXPECT_GT(known, 25) << roomKindRaw(room) << ": most frames are painted where they change";
                EXPECT_LT(smallest, 0.85) << roomKindRaw(room) << ": and that is not the whole room";
                // (The garden's clouds drift behind the bar.)
                if (room != IslandRoomKind::garden) {
                    EXPECT_GT(barLeftAlone, 20) << roomKindRaw(room) << (tinted ? " under the night's tint" : "")
                                                << ": nor the bar, which stands still";
                }
            }
}

TEST_F(IslandRoomViewTest, ATabClickChangesTheRoomWithTheTabsSpring) {
    // The bedroom, then a click on the kitchen's tab: a tenth of a second later the room is
    // neither the bedroom nor the kitchen alone, and once the spring has settled it is the kitchen.
    PetLifeTestAccess::setOut(w.life(), true);
    w.show(IslandRoomKind::bedroom);
    PetLifeTestAccess::setOut(w.life(), true);
    IslandRoomView alone(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store, w.cat.clock, w.scheduler, w.hub);
    alone.setLookSource([this] { return w.look; });
    const double t = w.now();
    frameAt(*w.view, t);
    const QImage bedroom = frameAt(alone, t + 0.1);
    w.view->perform(RoomAction::tab(IslandRoomKind::kitchen));
    ASSERT_EQ(w.state->roomKind(), IslandRoomKind::kitchen);
    const QImage kitchen = frameAt(alone, t + 0.1);
    const QImage mid = frameAt(*w.view, t + 0.1);
    // Below the bar, whose tabs spring on their own.
    const QRectF room(0, 40, 640, 120);
    const int total = changedPixels(bedroom, kitchen, room);
    ASSERT_GT(total, 10000);
    EXPECT_GT(changedPixels(mid, bedroom, room), total / 4);
    EXPECT_GT(changedPixels(mid, kitchen, room), total / 4);
    EXPECT_EQ(changedPixels(frameAt(*w.view, t + 1.5), frameAt(alone, t + 1.5), room), 0);
    // The tab of the room on view changes nothing.
    w.view->perform(RoomAction::tab(IslandRoomKind::kitchen));
    EXPECT_EQ(changedPixels(frameAt(*w.view, t + 1.6), frameAt(alone, t + 1.6), room), 0);
}

namespace {

// Device pixels below the bar where `mid` is not `before` blended with `after` by `shown`.
int offTheBlend(const QImage& mid, const QImage& before, const QImage& after, double shown) {
    int off = 0;
    for (int y = 40 * int(mid.devicePixelRatio()); y < mid.height(); ++y)
        for (int x = 0; x < mid.width(); ++x) {
            const QRgb a = before.pixel(x, y), b = after.pixel(x, y), m = mid.pixel(x, y);
            for (int at : {0, 8, 16}) {
                const auto c = [at](QRgb px) { return int(px >> at & 0xff); };
                if (std::abs(shown * c(a) + (1 - shown) * c(b) - c(m)) > 3) ++off;
            }
        }
    return off;
}

const double shownAfter50ms = 1 - springProgress(0.05, IslandRoomView::changeResponse, IslandRoomView::changeDamping);

}  // namespace

TEST_F(IslandRoomViewTest, ARoomLeftByATabFadesOutAsItWasLastShown) {
    // The cat in its night sleep in the bedroom, or awake in the garden on a fine night; the
    // living room's tab; 50 ms later, below the bar, the last frame (tint, weather and cat)
    // blended by the spring with the living room then. By the window nothing is lighter than both.
    for (int ratio : {1, 2})
        for (const bool bedroom : {true, false}) {
            RoomWorld v;
            v.look = {SkyTime::night, SkyWeather::clear};
            v.show(bedroom ? IslandRoomKind::bedroom : IslandRoomKind::garden);
            v.life().setSleeping(bedroom);
            PetLifeTestAccess::setNightSleepUntil(v.life(), bedroom ? std::optional(v.now() + 3600) : std::nullopt);
            IslandRoomView alone(*v.state, *v.closet, *v.pomodoro, *v.wallet, *v.cat.store, v.cat.clock, v.scheduler, v.hub);
            alone.setLookSource([&v] { return v.look; });
            const double t = v.now();
            const QImage before = frameAt(*v.view, t, ratio);
            const QPointF tab = v.spot(RoomAction::tab(IslandRoomKind::living))->area.center();
            v.view->mousePress(tab);
            v.view->mouseRelease(tab);
            const QImage after = frameAt(alone, t + 0.05, ratio), mid = frameAt(*v.view, t + 0.05, ratio);
            EXPECT_EQ(offTheBlend(mid, before, after, shownAfter50ms), 0) << (bedroom ? "bedroom" : "garden") << " at " << ratio << "x";
            const QPoint by = QPointF(0.67 * 640 * ratio, 60 * ratio).toPoint();
            EXPECT_LE(mid.pixelColor(by).lightness(),
                      std::max(before.pixelColor(by).lightness(), after.pixelColor(by).lightness()) + 2)
                << (bedroom ? "bedroom" : "garden") << " at " << ratio << "x: " << mid.pixelColor(by).name().toStdString();
            const QImage settled = frameAt(alone, t + 1.5);
            EXPECT_EQ(offTheBlend(frameAt(*v.view, t + 1.5), settled, settled, 1), 0);
        }
}

TEST_F(IslandRoomViewTest, ATabClickedWhileTheRoomsFadeFadesFromWhatWasShown) {
    w.show(IslandRoomKind::bedroom);
    const double t = w.now();
    frameAt(*w.view, t);
    w.view->perform(RoomAction::tab(IslandRoomKind::living));
    w.cat.clock.advance(0.1);
    const QImage shown = frameAt(*w.view, t + 0.1);
    w.view->perform(RoomAction::tab(IslandRoomKind::kitchen));
    EXPECT_EQ(offTheBlend(frameAt(*w.view, t + 0.1), shown, shown, 1), 0);
}

TEST_F(IslandRoomViewTest, TheBarTakesNoClickUntilAFrameShowsItAgain) {
    // A tab clicked unseen would change the room with nothing shown to fade from.
    w.show(IslandRoomKind::bedroom);
    const double t = w.now();
    frameAt(*w.view, t);
    const QPointF tab = w.spot(RoomAction::tab(IslandRoomKind::living))->area.center();
    w.view->roomDidDisappear();
    w.view->roomDidAppear();
    EXPECT_FALSE(w.view->mousePress(tab));
    EXPECT_EQ(w.state->roomKind(), IslandRoomKind::bedroom);
    const QImage bedroom = frameAt(*w.view, t);
    ASSERT_TRUE(w.view->mousePress(tab));
    w.view->mouseRelease(tab);
    EXPECT_GT(offTheBlend(frameAt(*w.view, t + 0.05), bedroom, bedroom, 1), 10000) << "the fade is under way";
    w.view->roomDidDisappear();
}

TEST_F(IslandRoomViewTest, ACoinGainShowsWholeUnderTheBarInEveryRoomAndLeavesNothing) {
    // Coins paid while the room is open: in every room, a frame grabbed while the "+25" hangs
    // under the bar's coin shows it as it looks drawn alone over that room, all of it, whether
    // painted whole or over the last frame; once it has left, the frames are as if it never came.
    w.wallet->setEnabled(true);
    const TopBar::Layout l = TopBar::layout(640, w.state->notchWidth, true);
    ASSERT_TRUE(l.coin.has_value());
    const QRectF label = CoinButton::gainRect(*l.coin, 25);
    const QRectF around = label.adjusted(-6, -6, 6, 6);
    // How many device pixels of the label's place differ from `expected`, and the lowest row
    // (in points) where `shown` differs from `bare` (the label's ink as shown).
    const auto compare = [&](const QImage& shown, const QImage& expected, const QImage& bare) {
        int off = 0, lowest = -1;
        const QRect px = QRectF(around.topLeft() * 2, around.size() * 2).toAlignedRect();
        for (int y = px.top(); y <= px.bottom(); ++y)
            for (int x = px.left(); x <= px.right(); ++x) {
                if (colourDistance(shown.pixelColor(x, y), expected.pixelColor(x, y)) > 12) ++off;
                if (colourDistance(shown.pixelColor(x, y), bare.pixelColor(x, y)) > 6) lowest = y / 2;
            }
        return std::pair{off, lowest};
    };
    const auto fresh = [&] {
        auto v = std::make_unique<IslandRoomView>(*w.state, *w.closet, *w.pomodoro, *w.wallet, *w.cat.store,
                                                  w.cat.clock, w.scheduler, w.hub);
        v->setLookSource([this] { return w.look; });
        return v;
    };
    for (IslandRoomKind room : kRooms) {
        w.show(room);
        PetLifeTestAccess::setOut(w.life(), true);  // a room that holds still but for the label
        QImage kept(1280, 320, QImage::Format_ARGB32_Premultiplied);
        kept.setDevicePixelRatio(2);
        kept.fill(Qt::transparent);
        {
            QPainter p(&kept);
            w.view->paint(p, QRectF(0, 0, 640, 160), w.now());
        }
        w.wallet->gain(25, w.now());
        for (int i = 1; i <= 90; ++i) {
            w.cat.scheduler.advance(1.0 / 30);
            w.scheduler.advance(1.0 / 30);
            const double t = w.now();
            {
                QPainter p(&kept);
                w.view->paintChanges(p, QRectF(0, 0, 640, 160), t, QRegion());
            }
            if (i != 30 && i != 90) continue;
            // A view made now shows no label: its coin was not there when the coins came.
            const QImage bare = frameAt(*fresh(), t);
            QImage expected = bare;
            if (i == 30) {
                QPainter q(&expected);
                CoinGainLabel{25, CoinButton::gainSize}.paint(q, label);
            }
            const auto [off, lowest] = compare(kept, expected, bare);
            EXPECT_EQ(off, 0) << roomKindRaw(room) << (i == 30 ? " a second into the gain" : " after it")
                              << ": lowest row of the label shown " << lowest << ", its place " << label.top()
                              << "..." << label.bottom();
            if (i == 30) {
                EXPECT_GT(lowest, label.center().y()) << roomKindRaw(room);
                const auto [wholeOff, wholeLowest] = compare(frameAt(*w.view, t), expected, bare);
                EXPECT_EQ(wholeOff, 0) << roomKindRaw(room) << " painted whole: lowest row " << wholeLowest;
            }
        }
        PetLifeTestAccess::setOut(w.life(), false);
    }
}
