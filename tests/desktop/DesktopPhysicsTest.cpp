// Hops, falls, landings, the mug and the gift, with the numbers the cat's physics promises.
#include "DesktopPhysicsWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace kp;
using Pose = DesktopCat::Pose;

namespace {

struct DesktopPhysics : ::testing::Test {
    test::DesktopRoamWorld w;
    DesktopCat* cat = nullptr;
    void SetUp() override { cat = &w.make(); }
    double now() const { return w.clock.now(); }
    // A terrain of hand-made ledges on the 1440 x 900 screen.
    void ledges(std::vector<Ledge> list, std::optional<DockRange> dock = std::nullopt) {
        cat->terrain.ledges = std::move(list);
        cat->terrain.dock = dock;
    }
};

TEST_F(DesktopPhysics, NewCatDropsFromBelowTheTopBarWithATrill) {
    EXPECT_DOUBLE_EQ(cat->sizeUnit(), 1.45);
    EXPECT_EQ(cat->feet, QPointF(720, 22));
    EXPECT_TRUE(cat->falling);
    EXPECT_EQ(cat->vy, -120);
    EXPECT_GE(std::abs(cat->vx), 60);
    EXPECT_LE(std::abs(cat->vx), 140);
    ASSERT_FALSE(w.sounds.empty());
    EXPECT_EQ(w.sounds.front(), PetSound::trill);
}

TEST_F(DesktopPhysics, FallGainsGravityUpToTerminalSpeedAndBouncesOffTheWalls) {
    ledges({{ground::floor, 5000, 0, 1440}});  // out of reach
    cat->terrain.size = QSizeF(1440, 100000);
    cat->feet = QPointF(700, 30);
    cat->startFalling();
    EXPECT_EQ(cat->pose, Pose::air);
    EXPECT_EQ(cat->vy, 0);
    for (int i = 0; i < 10; ++i) cat->updateFall(0.05, now());
    EXPECT_NEAR(cat->vy, 1150, 1e-9);
    for (int i = 0; i < 20; ++i) cat->updateFall(0.05, now());
    EXPECT_DOUBLE_EQ(cat->vy, 1800);

    // Thrown at the left wall: held 20 points inside, 40 % of the sideways speed, reversed.
    cat->feet = QPointF(25, 100);
    cat->vx = -900;
    cat->vy = 0;
    cat->updateFall(0.05, now());
    EXPECT_DOUBLE_EQ(cat->feet.x(), 20);
    EXPECT_NEAR(cat->vx, 0.4 * 900 * (1 - 0.8 * 0.05), 1e-9);
}

TEST_F(DesktopPhysics, FallLandsOnTheHigherOfTwoCrossedLedgesButNotNearItsEnd) {
    ledges({{ground::floor, 899, 0, 1440}, {7, 420, 300, 700}, {8, 400, 300, 700}});
    cat->feet = QPointF(500, 390);
    cat->vx = 0;
    cat->vy = 1800;
    cat->falling = true;
    cat->updateFall(0.05, now());  // crosses 400 and 420 in one step
    EXPECT_FALSE(cat->falling);
    EXPECT_EQ(cat->window, 8);
    EXPECT_EQ(cat->feet.y(), 400);

    // Within 4 points of the ledge's end the edge does not catch the cat.
    cat->feet = QPointF(697, 390);
    cat->window = ground::floor;
    cat->vy = 600;
    cat->falling = true;
    cat->updateFall(0.05, now());
    EXPECT_TRUE(cat->falling);
}

TEST_F(DesktopPhysics, HardLandingSquashesMoreAndJoltsTheHeadHarder) {
    const Ledge edge{3, 500, 100, 900};
    cat->facingRight = true;
    const double before = cat->face.sway.spring.velocity;
    cat->land(edge, 1800, now());
    EXPECT_DOUBLE_EQ(cat->squash, 0.72);
    EXPECT_NEAR(cat->face.sway.spring.velocity - before, 4, 1e-9);
    EXPECT_EQ(cat->pose, Pose::stand);
    EXPECT_EQ(cat->window, 3);
    EXPECT_EQ(cat->stepStarted, now());

    cat->facingRight = false;
    const double v = cat->face.sway.spring.velocity;
    cat->land(edge, 600, now());
    EXPECT_DOUBLE_EQ(cat->squash, 0.86);
    EXPECT_NEAR(cat->face.sway.spring.velocity - v, -2.5, 1e-9);
}

TEST_F(DesktopPhysics, HopTimesAndArcs) {
    ledges({{ground::floor, 899, 0, 1440}, {5, 769, 100, 1300}});
    cat->falling = false;
    cat->feet = QPointF(200, 899);
    cat->startFlight(QPointF(330, 899), ground::floor, false);
    ASSERT_TRUE(cat->flight);
    EXPECT_NEAR(cat->flight->duration, 0.48, 1e-9);
    EXPECT_DOUBLE_EQ(cat->flight->arc, 36);  // no rise
    EXPECT_TRUE(cat->facingRight);

    cat->startFlight(QPointF(200 - 1196, 899), ground::floor, false);
    EXPECT_DOUBLE_EQ(cat->flight->duration, 1.3);
    EXPECT_FALSE(cat->facingRight);

    // A hop up 130 points: arc 36 + 0.25 * 130, apex arc points above the line at mid-flight.
    cat->startFlight(QPointF(200, 769), 5, false);
    EXPECT_DOUBLE_EQ(cat->flight->arc, 36 + 0.25 * 130);
    const double start = cat->flight->start, duration = cat->flight->duration;
    cat->updateFlight(start + duration / 2);
    EXPECT_NEAR(cat->feet.y(), (899 + 769) / 2.0 - cat->flight->arc, 1e-3);
    cat->updateFlight(start + duration);
    EXPECT_FALSE(cat->flight);
    EXPECT_FALSE(cat->falling);
    EXPECT_EQ(cat->window, 5);
    EXPECT_DOUBLE_EQ(cat->squash, 0.86);
}

TEST_F(DesktopPhysics, HopWhoseWindowVanishedBecomesAFall) {
    ledges({{ground::floor, 899, 0, 1440}, {5, 600, 100, 500}});
    cat->falling = false;
    cat->feet = QPointF(200, 899);
    cat->startFlight(QPointF(300, 600), 5, false);
    const double end = cat->flight->start + cat->flight->duration;
    ledges({{ground::floor, 899, 0, 1440}, {5, 640, 100, 500}});  // the window moved 40 down
    cat->vx = 12;
    cat->updateFlight(end);
    EXPECT_FALSE(cat->flight);
    EXPECT_TRUE(cat->falling);
    EXPECT_EQ(cat->vy, 200);
    EXPECT_EQ(cat->vx, 12);
}

TEST_F(DesktopPhysics, FlightIntoTheNotchFadesOutAndCallsHomeOnce) {
    int homes = 0;
    cat->onHome = [&] { ++homes; };
    cat->falling = false;
    cat->appear = 1;
    cat->feet = QPointF(720, 400);
    cat->startFlight(QPointF(720, 10), ground::notch, true);
    ASSERT_TRUE(cat->flight);
    EXPECT_DOUBLE_EQ(cat->flight->duration, std::min(390 / 1500.0 + 0.38, 1.3));
    EXPECT_DOUBLE_EQ(cat->flight->arc, 30 + 0.08 * 390);
    const double s = cat->flight->start, d = cat->flight->duration;
    cat->updateFlight(s + 0.65 * d);
    EXPECT_NEAR(cat->appear, 1, 1e-4);
    cat->updateFlight(s + 0.825 * d);
    EXPECT_NEAR(cat->appear, 0.5, 1e-4);
    EXPECT_EQ(homes, 0);
    cat->updateFlight(s + d);
    EXPECT_EQ(homes, 1);
    EXPECT_FALSE(cat->flight);
    EXPECT_EQ(cat->appear, 0);
}

TEST_F(DesktopPhysics, ReachingTheBottomAboveTheDockLandsOnItsTopAwayFromItsEnds) {
    ledges({{ground::floor, 899, 0, 500}, {ground::floor, 899, 940, 1440}, {ground::dock, 830, 500, 940}},
           DockRange{500, 940});
    // Falling beside the Dock's left end, past its top: lands on the nearest spot 30 inside it.
    cat->feet = QPointF(505, 880);
    cat->vx = 0;
    cat->vy = 1000;
    cat->falling = true;
    cat->updateFall(0.05, now());
    EXPECT_FALSE(cat->falling);
    // At x = 505 the floor piece [0, 500] gives spot 470, the Dock 530: the Dock is nearer (25 against 35).
    EXPECT_EQ(cat->window, ground::dock);
    EXPECT_DOUBLE_EQ(cat->feet.x(), 530);
    EXPECT_DOUBLE_EQ(cat->feet.y(), 830);
}

TEST_F(DesktopPhysics, MugFallsBouncesOnceAndLiesOnItsSide) {
    ledges({{ground::floor, 899, 0, 1440}, {4, 299, 600, 900}});
    cat->cup = DesktopCat::Cup{QPointF(905, 299), 0, 0, 0, 0, false, false, 4, std::nullopt};
    w.sounds.clear();
    // Standing 5 beyond its ledge's end: stays. 7 beyond: falls.
    cat->updateCup(1 / 60.0, now());
    EXPECT_FALSE(cat->cup->falling);
    cat->cup->p.setX(907);
    double speedAtLanding = 0, bounceSpeed = 0;
    double t = now();
    for (int i = 0; i < 600 && !cat->cup->landedAt; ++i) {
        const double before = cat->cup->vy;
        const bool bounced = cat->cup->bounced;
        t += 1 / 60.0;
        cat->updateCup(1 / 60.0, t);
        if (!bounced && cat->cup->bounced) {
            speedAtLanding = std::min(before + 2300 / 60.0, 1800.0);
            bounceSpeed = cat->cup->vy;
        }
    }
    ASSERT_TRUE(cat->cup->landedAt);
    EXPECT_NEAR(speedAtLanding, 1660, 40);
    EXPECT_NEAR(bounceSpeed, -0.32 * speedAtLanding, 1e-9);
    EXPECT_NEAR(-bounceSpeed, 530, 15);
    EXPECT_EQ(w.sounds, (std::vector<PetSound>{PetSound::pop, PetSound::pop}));
    EXPECT_FALSE(cat->cup->falling);
    EXPECT_DOUBLE_EQ(cat->cup->angle, std::numbers::pi / 2);  // no spin: rests at +90°
    EXPECT_EQ(cat->cup->p.y(), 899);

    // Gone 7 s after landing, whatever its ground does.
    const double landed = *cat->cup->landedAt;
    ledges({});
    cat->updateCup(0.016, landed + 7);
    EXPECT_TRUE(cat->cup);
    cat->updateCup(0.016, landed + 7.01);
    EXPECT_FALSE(cat->cup);
}

TEST_F(DesktopPhysics, MugKnockedPastTheScreenEdgeIsGoneOnceBelowTheScreen) {
    ledges({{ground::floor, 899, 0, 1440}, {4, 299, 1300, 1440}});
    cat->cup = DesktopCat::Cup{QPointF(1436, 299), 110, 0, 0, 7, true, false, 4, std::nullopt};
    double t = now();
    double lowest = 0;
    for (int i = 0; i < 60 * 60 && cat->cup; ++i) {
        t += 1 / 60.0;
        cat->updateCup(1 / 60.0, t);
        if (cat->cup) lowest = cat->cup->p.y();
    }
    EXPECT_FALSE(cat->cup);
    EXPECT_GT(lowest, 900);
    EXPECT_LT(lowest, 1000);
}

TEST_F(DesktopPhysics, SlowMugLandingLiesStillAtOnceTurnedByItsSpin) {
    ledges({{ground::floor, 899, 0, 1440}});
    cat->cup = DesktopCat::Cup{QPointF(500, 895), 20, 300, 0, -3, true, false, 4, std::nullopt};
    cat->updateCup(0.02, now());
    ASSERT_TRUE(cat->cup->landedAt);
    EXPECT_FALSE(cat->cup->bounced);
    EXPECT_DOUBLE_EQ(cat->cup->angle, -std::numbers::pi / 2);
}

TEST_F(DesktopPhysics, GiftRidesInTheMouthAndLiesAtMost25Seconds) {
    ledges({{ground::floor, 899, 0, 1440}, {6, 500, 100, 700}});
    cat->falling = false;
    cat->pose = Pose::stand;
    cat->sit = 0;
    cat->feet = QPointF(400, 899);
    cat->facingRight = true;
    cat->gift = DesktopCat::Gift{QPointF(), ground::floor, true, std::nullopt};
    cat->updateGift(now());
    const double k = 1.45;
    QPointF h = cat->headPoint();
    EXPECT_NEAR(cat->gift->p.x(), h.x() + 9 * k, 1e-9);
    EXPECT_NEAR(cat->gift->p.y(), h.y() + 10 * k, 1e-9);
    cat->facingRight = false;
    cat->updateGift(now());
    h = cat->headPoint();
    EXPECT_NEAR(cat->gift->p.x(), h.x() - 9 * k, 1e-9);
    EXPECT_LT(cat->gift->p.x(), 400);

    // On the floor: exactly 25 s.
    const double placed = now();
    cat->gift = DesktopCat::Gift{QPointF(300, 899), ground::floor, false, placed};
    cat->updateGift(placed + 25);
    EXPECT_TRUE(cat->gift);
    cat->updateGift(placed + 25.001);
    EXPECT_FALSE(cat->gift);

    // On a window that closes at 24 s: gone at once.
    cat->gift = DesktopCat::Gift{QPointF(300, 500), 6, false, placed};
    cat->updateGift(placed + 24);
    EXPECT_TRUE(cat->gift);
    ledges({{ground::floor, 899, 0, 1440}});
    cat->updateGift(placed + 24);
    EXPECT_FALSE(cat->gift);
}

}  // namespace
