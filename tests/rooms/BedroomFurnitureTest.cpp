#include "RoomShapesTestKit.h"

#include "rooms/BedroomFurniture.h"
#include "rooms/RoomShapesScenery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kp {
namespace {

using Phase = Pomodoro::Phase;

// Records which scenery the bedroom asks for, and where.
struct Recorder : RoomScenery {
    int portraits = 0, plants = 0, rugs = 0, cushions = 0, racks = 0, clocks = 0;
    bool windowOpen = false;
    double clockProgress = -1;
    bool ringing = false;
    std::vector<ShopItem> toys;
    void portrait(QPainter&, QPointF, double) override { ++portraits; }
    void hangingPlant(QPainter&, QPointF, double, double) override { ++plants; }
    void rug(QPainter&, QPointF, double) override { ++rugs; }
    void bedroomWindow(QPainter&, QPointF, double, SkyLook, double, bool open) override { windowOpen = open; }
    void wardrobeRack(QPainter&, QPointF, double, bool, double) override { ++racks; }
    void tomatoClock(QPainter&, QPointF, double, double progress, bool ring, bool, double) override {
        ++clocks;
        clockProgress = progress;
        ringing = ring;
    }
    void cushion(QPainter&, QPointF, double) override { ++cushions; }
    void toy(QPainter&, QPointF, double, ShopItem item, double) override { toys.push_back(item); }
};

BedroomState everythingOwned() {
    BedroomState s;
    s.shopOn = s.portraitShown = s.hangingPlantShown = s.rugShown = s.cushionShown = true;
    s.toys = {true, true, true, true};
    return s;
}

Recorder paintWith(const BedroomState& s, QImage* out = nullptr) {
    const RoomFrame f = test::roomFrame(100);
    QImage img = test::canvas(640, 160);
    QPainter p(&img);
    Recorder rec;
    paintBedroomFurniture(p, f, s, &rec);
    p.end();
    if (out) *out = img;
    return rec;
}

TEST(BedroomFurniture, ClockHelpTextsAndActions) {
    EXPECT_EQ(clockHelpText(Phase::idle, 0, 0), QStringLiteral("Pomodoro: 25 minutes of focus"));
    EXPECT_EQ(clockHelpText(Phase::idle, 0, std::numeric_limits<double>::quiet_NaN()),
              QStringLiteral("Pomodoro: 25 minutes of focus"));
    EXPECT_EQ(clockHelpText(Phase::focus, 12, 0), QStringLiteral("Focus: 12 min left"));
    EXPECT_EQ(clockHelpText(Phase::rest, 4, 0), QStringLiteral("Break: 4 min left"));

    EXPECT_EQ(clockTapAction(Phase::idle), ClockTap::startFocus);
    EXPECT_EQ(clockTapAction(Phase::focus), ClockTap::nothing);
    EXPECT_EQ(clockTapAction(Phase::focusDone), ClockTap::startBreak);
    EXPECT_EQ(clockTapAction(Phase::restDone), ClockTap::startFocus);

    // A finished round shows a full ring and rings.
    BedroomState s = everythingOwned();
    s.phase = Phase::focusDone;
    s.pomodoroProgress = 0.3;
    const Recorder rec = paintWith(s);
    EXPECT_EQ(rec.clocks, 1);
    EXPECT_DOUBLE_EQ(rec.clockProgress, 1);
    EXPECT_TRUE(rec.ringing);
}

TEST(BedroomFurniture, ThePortraitShowsTheCatsOwnBreed) {
    // The same wall, one portrait of an orange cat, one of a black cat: the pictures differ.
    const auto portrait = [](CatBreed breed) {
        SceneryPieces scenery;
        scenery.setSitter(breed, nullptr);
        QImage img = test::canvas(640, 160);
        QPainter p(&img);
        paintBedroomFurniture(p, test::roomFrame(100), everythingOwned(), &scenery);
        p.end();
        return img.copy(QRect(int(0.22 * 640) - 25, 58 - 25, 50, 50));
    };
    const QImage orange = portrait(CatBreed::orange), black = portrait(CatBreed::black);
    EXPECT_GT(test::countNear(orange, orange.rect(), "#E8A25A", 40), test::countNear(black, black.rect(), "#E8A25A", 40) + 20);
}

TEST(BedroomFurniture, TheHangingPlantHangsBehindTheHeadboard) {
    // Drawn by the shop's own art: where the plant and the bed's head meet, the head shows as it
    // does without the plant; left of the head, the plant shows.
    BedroomState with = everythingOwned(), without = with;
    without.hangingPlantShown = false;
    const RoomFrame f = test::roomFrame(100);
    auto paint = [&](const BedroomState& s) {
        QImage img = test::canvas(640, 160);
        QPainter p(&img);
        SceneryPieces scenery;
        paintBedroomFurniture(p, f, s, &scenery);
        return img;
    };
    const QImage a = paint(with), b = paint(without);
    int differ = 0, plant = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 640; ++x) {
            if (a.pixel(x, y) == b.pixel(x, y)) continue;
            ++plant;
            // The head's post stands from x 41 to 59 below y 80.
            if (x >= 44 && x <= 56 && y >= 84 && y <= 120) ++differ;
        }
    EXPECT_GT(plant, 100);
    EXPECT_EQ(differ, 0);
}

TEST(BedroomFurniture, ShopOffShowsNoneOfTheShopsThings) {
    BedroomState s = everythingOwned();
    s.shopOn = false;
    QImage img;
    const Recorder rec = paintWith(s, &img);
    EXPECT_EQ(rec.portraits + rec.plants + rec.rugs + rec.cushions + rec.clocks, 0);
    EXPECT_TRUE(rec.toys.empty());
    // The framed landscape hangs in the portrait's place (0.22 w, 58).
    EXPECT_TRUE(test::near(img, 0.22 * 640 - 20, 58, "#CDB8A0"));

    RoomHotspots hot;
    addBedroomHotspots(test::roomFrame(100), s, hot);
    for (int i = 0; i < hot.size(); ++i) {
        EXPECT_NE(hot[i].action.kind, RoomActionKind::clock);
        EXPECT_NE(hot[i].action.kind, RoomActionKind::playToy);
    }
}

TEST(BedroomFurniture, BookcaseGivesWayToTheWardrobe) {
    BedroomState s;
    QImage img;
    EXPECT_EQ(paintWith(s, &img).racks, 0);
    EXPECT_TRUE(test::near(img, 0.47 * 640 + 30, 126 - 10, "#4E3B2E"));  // the bookcase's side
    RoomHotspots hot;
    addBedroomHotspots(test::roomFrame(100), s, hot);
    for (int i = 0; i < hot.size(); ++i) EXPECT_NE(hot[i].action.kind, RoomActionKind::openWardrobe);

    s.wardrobeOpen = true;
    s.catDead = true;  // the wardrobe stays usable
    EXPECT_EQ(paintWith(s, &img).racks, 1);
    EXPECT_TRUE(test::isBackdrop(img, 0.47 * 640 + 30, 126 - 10));
    hot.clear();
    addBedroomHotspots(test::roomFrame(100), s, hot);
    const RoomHotspot* rack = nullptr;
    for (int i = 0; i < hot.size(); ++i)
        if (hot[i].action.kind == RoomActionKind::openWardrobe) rack = &hot[i];
    ASSERT_NE(rack, nullptr);
    EXPECT_TRUE(rack->enabled);
    EXPECT_TRUE(rack->tick);
    EXPECT_STREQ(rack->help, "Wardrobe");
}

TEST(BedroomFurniture, ToysKeepTheirPlacesAndSkipTheOneInPlay) {
    const std::set<ShopItem> owned{ShopItem::yarn, ShopItem::box, ShopItem::feather, ShopItem::laser, ShopItem::rug};
    EXPECT_EQ(shownToys(owned, ShopItem::box), (std::array<bool, 4>{true, true, false, true}));
    EXPECT_EQ(shownToys({ShopItem::laser}, std::nullopt), (std::array<bool, 4>{false, false, false, true}));

    BedroomState s = everythingOwned();
    s.toys = shownToys(owned, ShopItem::box);
    EXPECT_EQ(paintWith(s).toys, (std::vector<ShopItem>{ShopItem::yarn, ShopItem::feather, ShopItem::laser}));

    // A cat away from the room: the toys are drawn but cannot be pressed.
    s.catAway = true;
    RoomHotspots hot;
    addBedroomHotspots(test::roomFrame(100), s, hot);
    int toys = 0;
    for (int i = 0; i < hot.size(); ++i) {
        if (hot[i].action.kind != RoomActionKind::playToy) continue;
        ++toys;
        EXPECT_FALSE(hot[i].enabled);
        EXPECT_TRUE(hot[i].helpText.startsWith(QStringLiteral("Play with the ")));
    }
    EXPECT_EQ(toys, 3);

    // A dead cat: no toys at all, errand pieces and the clock disabled.
    s.catAway = false;
    s.catDead = true;
    EXPECT_TRUE(paintWith(s).toys.empty());
    hot.clear();
    addBedroomHotspots(test::roomFrame(100), s, hot);
    for (int i = 0; i < hot.size(); ++i) {
        EXPECT_NE(hot[i].action.kind, RoomActionKind::playToy);
        EXPECT_FALSE(hot[i].enabled);
    }
}

TEST(BedroomFurniture, TheNightSleepPutsTheLampOut) {
    // The night sleep puts the lamp out: no glow round the shade.
    auto glowPixels = [](bool night) {
        RoomFrame f = test::roomFrame(100);
        f.showsNightSleep = night;
        QImage img = test::canvas(640, 160);
        QPainter p(&img);
        paintBedroomFurniture(p, f, BedroomState{});
        p.end();
        const double x = 0.37 * 640 + 14;
        return test::isBackdrop(img, x, 126 - 42 * 1.3);
    };
    EXPECT_TRUE(glowPixels(true));
    EXPECT_FALSE(glowPixels(false));
}

TEST(BedroomFurniture, TheLampPulsesInStepsTooSmallToSeeSoMostFramesLeaveItAlone) {
    // At 60 frames a second the glow changes in few frames, by at most a 64th, and still pulses.
    const double t0 = 820000000;
    int changes = 0;
    double low = 1, high = 0;
    for (int i = 0; i < 240; ++i) {
        const double a = lampGlow(t0 + i / 60.0, false), b = lampGlow(t0 + (i + 1) / 60.0, false);
        if (a != b) ++changes;
        EXPECT_LE(std::abs(a - b), 1.0 / 64 + 1e-9);
        low = std::min(low, a), high = std::max(high, a);
    }
    EXPECT_LT(changes, 80);
    EXPECT_GT(high - low, 0.1);
}

TEST(BedroomFurniture, AShakenPostMovesItsColumnAndPerchWholeOverAStillBase) {
    // At twice the size, a shake of half a point is one device pixel.
    const auto post = [](double shake) {
        QImage img(240, 240, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        drawScratchingPost(p, QPointF(40, 80), 1, {shake, 0});
        return img;
    };
    const QImage still = post(0), shaken = post(0.5), back = post(-0.5);
    int columnPixels = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 1; x < 239; ++x) {
            // The pom-pom hangs from the perch's right end on its own; the base is the lowest 7 points.
            if (x >= 93 && y >= 78) continue;
            if (y >= 146) {
                EXPECT_LE(test::colourDistance(shaken.pixel(x, y), still.pixel(x, y)), 6) << x << "," << y;
                continue;
            }
            if (still.pixel(x, y) != qRgb(255, 255, 255)) ++columnPixels;
            EXPECT_LE(test::colourDistance(shaken.pixel(x + 1, y), still.pixel(x, y)), 6) << x << "," << y;
            EXPECT_LE(test::colourDistance(back.pixel(x - 1, y), still.pixel(x, y)), 6) << x << "," << y;
        }
    EXPECT_GT(columnPixels, 1000);
}

TEST(BedroomFurniture, BedAndPostAreButtonsOnTheFloor) {
    RoomHotspots hot;
    addBedroomHotspots(test::roomFrame(100), BedroomState{}, hot);
    ASSERT_EQ(hot.size(), 3);  // window, bed, scratching post
    EXPECT_EQ(hot[1].action, RoomAction::errand(PetErrand::sleep));
    EXPECT_NEAR(hot[1].area.center().x(), 128, 1e-9);
    EXPECT_NEAR(hot[1].area.bottom(), 126, 1e-9);
    EXPECT_EQ(hot[2].action, RoomAction::errand(PetErrand::scratch));
    EXPECT_NEAR(hot[2].area.center().x(), 0.64 * 640, 1e-9);
    // The bed's wood is drawn where the button is.
    QImage img;
    paintWith(BedroomState{}, &img);
    EXPECT_TRUE(test::near(img, 128 - 65 * 1.3, 126 - 20, "#7A5A44"));
}

}  // namespace
}  // namespace kp
