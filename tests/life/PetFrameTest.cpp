#include "PetProbe.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

// Draws `seconds` of frames at 60 a second from the clock's current moment, moving the clock.
void drawFor(CatWorld& w, PetLife& cat, double seconds) {
    const int frames = int(seconds * 60 + 0.5);
    for (int i = 0; i < frames; ++i) {
        w.clock.advance(1.0 / 60);
        cat.frame(w.clock.now());
    }
}

}  // namespace

TEST(PetBodyFrame, TheFirstFrameStepsASixtiethAndAStallAtMostAFiftieth) {
    CatWorld w;
    auto cat = w.make();  // sitting: the body settles one point down
    const double t = w.clock.now();
    cat->frame(t);
    EXPECT_NEAR(cat->springs().y, 220.0 / 3600.0, 1e-9);
    EXPECT_NEAR(cat->springs().velY, 220.0 / 60.0, 1e-9);
    EXPECT_DOUBLE_EQ(cat->springs().lastTime, t);

    CatWorld s;
    auto stalled = s.make();
    P::setSpringTime(*stalled, s.clock.now() - 2);
    stalled->frame(s.clock.now());
    EXPECT_NEAR(stalled->springs().velY, 220 * 0.05, 1e-9);
    EXPECT_NEAR(stalled->springs().y, 220 * 0.05 * 0.05, 1e-9);
}

TEST(PetBodyFrame, StartleJumpsOnlyWhenNotLyingButFussShakesAnyway) {
    CatWorld w;
    auto cat = w.make();
    P::setStartledUntil(*cat, w.clock.now() + 10);
    drawFor(w, *cat, 0.5);
    EXPECT_LT(cat->springs().y, -5);
    EXPECT_GT(cat->springs().squash, 1.08);

    CatWorld l;
    auto lying = l.make();
    lying->setSleeping(true);
    P::setStartledUntil(*lying, l.clock.now() + 10);
    drawFor(l, *lying, 0.5);
    EXPECT_GT(lying->springs().y, 3);  // lying low, no jump

    P::setFussUntil(*lying, l.clock.now() + 10);
    drawFor(l, *lying, 0.5);
    EXPECT_NEAR(lying->springs().squash, 0.88, 0.02);
    EXPECT_LT(lying->springs().y, 0);
}

TEST(PetBodyFrame, OnlyAFreshSneezeShows) {
    auto tiltAfter = [](std::optional<double> sneezeAgo) {
        CatWorld w;
        auto cat = w.make();
        if (sneezeAgo) P::setSneezedAt(*cat, w.clock.now() - *sneezeAgo);
        cat->frame(w.clock.now());
        return cat->springs().velTilt;
    };
    const double none = tiltAfter(std::nullopt);
    EXPECT_NEAR(tiltAfter(0.1), 14 * 160.0 / 60, 1e-9);  // toward a 14 tilt
    EXPECT_DOUBLE_EQ(tiltAfter(0.5), none);
    EXPECT_DOUBLE_EQ(tiltAfter(-0.2), none);  // not yet
}

TEST(PetBodyFrame, LoveBeatsThePoseButNotBellyUpOrAStartle) {
    auto squashAfter = [](PetPose pose, bool startled) {
        CatWorld w;
        auto cat = w.make();
        cat->setPose(pose);
        P::setLovedUntil(*cat, w.clock.now() + 10);
        if (startled) P::setStartledUntil(*cat, w.clock.now() + 10);
        drawFor(w, *cat, 1.5);
        return cat->springs().squash;
    };
    EXPECT_NEAR(squashAfter(PetPose::sitting, false), 1.04, 0.005);
    EXPECT_NEAR(squashAfter(PetPose::scratching, false), 1.04, 0.005);
    EXPECT_NEAR(squashAfter(PetPose::bellyUp, false), 1.0, 0.005);
    EXPECT_NEAR(squashAfter(PetPose::sitting, true), 1.12, 0.005);

    // Loved standing still it sits down; loved on the move it keeps walking tall.
    for (const bool stepping : {false, true}) {
        CatWorld w;
        auto cat = w.make();
        P::setStepping(*cat, stepping);
        P::setLovedUntil(*cat, w.clock.now() + 10);
        drawFor(w, *cat, 1.5);
        if (stepping)
            EXPECT_LT(cat->springs().sit, 0.05);
        else
            EXPECT_GT(cat->springs().sit, 0.9);
    }
}

TEST(PetBodyFrame, ZoomiesCarryTheTailLow) {
    CatWorld w;
    auto cat = w.make();
    P::setZooming(*cat, true);
    cat->setPose(PetPose::walking);
    double highest = -100;
    for (int i = 0; i < 120; ++i) {
        w.clock.advance(1.0 / 60);
        cat->frame(w.clock.now());
        if (i >= 60) highest = std::max(highest, cat->springs().tail);
    }
    EXPECT_LT(highest, -5) << "the tail streams behind, never up";
}

TEST(PetBodyFrame, TheStretchLetsGoAfterThreeQuartersOfItsBeat) {
    CatWorld w;
    auto cat = w.make();
    cat->stretchAndYawn();
    drawFor(w, *cat, 1.3);
    EXPECT_GT(cat->springs().stretch, 0.7);
    drawFor(w, *cat, 1.5);
    EXPECT_EQ(cat->pose(), PetPose::stretching);  // no motion step ran
    EXPECT_LT(cat->springs().stretch, 0.3);
}

TEST(PetBodyFrame, BedDipAndFacing) {
    CatWorld w;
    auto cat = w.make();
    cat->setSleeping(true);
    P::setPlace(*cat, 0.135, false);
    drawFor(w, *cat, 1);
    EXPECT_GT(cat->springs().bed, 0.9);
    EXPECT_NEAR(cat->springs().facing, -1, 1e-6);  // a billionth of the gap is left after a second
    EXPECT_LT(cat->springs().dip, 0.01);

    // Resting in the care room lies on the care bed; resting elsewhere does not.
    CatWorld c;
    auto care = c.make();
    A::setRoom(*care, IslandRoomKind::care);
    care->setPose(PetPose::resting);
    drawFor(c, *care, 1);
    EXPECT_GT(care->springs().bed, 0.9);
    A::setRoom(*care, IslandRoomKind::kitchen);
    drawFor(c, *care, 2);
    EXPECT_LT(care->springs().bed, 0.05);

    // The head dips to the bowl, except while fussing.
    care->setPose(PetPose::eating);
    drawFor(c, *care, 1);
    EXPECT_GT(care->springs().dip, 0.9);
    P::setFussUntil(*care, c.clock.now() + 10);
    drawFor(c, *care, 2);
    EXPECT_LT(care->springs().dip, 0.05);
}

TEST(PetBodyFrame, PlayAdvancesWithTheFrames) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.54);
    cat->send(PetErrand::play);
    cat->motionStep();
    ASSERT_EQ(cat->pose(), PetPose::playing);
    drawFor(w, *cat, 0.6);
    EXPECT_EQ(cat->playPhase(), PlayPhase::reach);
    EXPECT_GT(cat->pawReach(), 0);
    drawFor(w, *cat, 0.6);
    EXPECT_EQ(cat->playPhase(), PlayPhase::watch);
}

