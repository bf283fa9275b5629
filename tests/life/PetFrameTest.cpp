#include "PetProbe.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

// Draws `seconds` of frames at 60 a second from the clock's current moment, moving the clock.
void drawFor(CatWorld& w, PetLife& cat, double seconds) {
    for (int i = 0; i < int(seconds * 60 + 0.5); ++i) {
        w.clock.advance(1.0 / 60);
        cat.frame(w.clock.now());
    }
}

}  // namespace

TEST(PetBodyFrame, AStartleJumpsUnlessLyingButAFussShakesAnyway) {
    CatWorld w;
    auto cat = w.make();
    P::setStartledUntil(*cat, w.clock.now() + 10);
    drawFor(w, *cat, 0.5);
    EXPECT_LT(cat->springs().y, -5);
    CatWorld l;
    auto lying = l.make();
    lying->setSleeping(true);
    P::setStartledUntil(*lying, l.clock.now() + 10);
    drawFor(l, *lying, 0.5);
    EXPECT_GT(lying->springs().y, 3) << "lying low, no jump";
    P::setFussUntil(*lying, l.clock.now() + 10);
    drawFor(l, *lying, 0.5);
    EXPECT_NEAR(lying->springs().squash, 0.88, 0.02);
}

TEST(PetBodyFrame, TailBedAndBowlFollowWhatTheCatDoes) {
    CatWorld w;
    auto cat = w.make();
    P::setZooming(*cat, true);
    cat->setPose(PetPose::walking);
    drawFor(w, *cat, 1);
    double highest = -100;
    for (int i = 0; i < 60; ++i) {
        drawFor(w, *cat, 1.0 / 60);
        highest = std::max(highest, cat->springs().tail);
    }
    EXPECT_LT(highest, -5) << "zooming, the tail streams behind";
    EXPECT_LT(cat->springs().sit, 0.1) << "running, not sitting";
    EXPECT_LT(cat->springs().stretch, 0.1);
    P::setZooming(*cat, false);

    cat->setSleeping(true);
    P::setPlace(*cat, 0.135, false);
    drawFor(w, *cat, 1);
    EXPECT_GT(cat->springs().bed, 0.9);
    cat->setSleeping(false);
    A::setRoom(*cat, IslandRoomKind::kitchen);
    cat->setPose(PetPose::eating);
    drawFor(w, *cat, 2);
    EXPECT_LT(cat->springs().bed, 0.05);
    EXPECT_GT(cat->springs().dip, 0.9) << "the head dips to the bowl";
}

TEST(PetBodyFrame, AStretchReachesOutThenLetsGoAndAWalkingCatNeitherSitsNorStretches) {
    CatWorld w;
    auto cat = w.make();
    P::setBeat(*cat, PetBeat::nap(w.clock.now()), w.clock.now());
    cat->motionStep();
    ASSERT_EQ(cat->pose(), PetPose::stretching);
    drawFor(w, *cat, 1.2);
    EXPECT_GT(cat->springs().stretch, 0.8) << "front paws out";
    drawFor(w, *cat, 0.5);
    EXPECT_LT(cat->springs().stretch, 0.5) << "and drawn back before the stretch ends";

    CatWorld s;
    auto walker = s.make();
    P::setPlace(*walker, 0.2);
    P::setBeat(*walker, PetBeat::walk(0.8), s.clock.now());
    double sit = 0, stretch = 0;
    for (int i = 0; i < 90; ++i) {
        s.clock.advance(1.0 / 30);
        walker->motionStep();
        walker->frame(s.clock.now());
        if (i >= 30) sit = std::max(sit, walker->springs().sit), stretch = std::max(stretch, walker->springs().stretch);
    }
    ASSERT_TRUE(walker->isStepping());
    EXPECT_LT(sit, 0.1);
    EXPECT_LT(stretch, 0.1);
}

TEST(PetBodyFrame, AtTheBowlsTheCatCrouchesAndIsNeverDrawnTallerThanItStands) {
    for (const PetPose pose : {PetPose::eating, PetPose::drinking}) {
        CatWorld w;
        auto cat = w.make();
        A::setRoom(*cat, IslandRoomKind::kitchen);
        cat->setPose(pose);
        drawFor(w, *cat, 1);
        double lowest = 2, highest = 0;
        for (int i = 0; i < 120; ++i) {
            drawFor(w, *cat, 1.0 / 60);
            lowest = std::min(lowest, cat->springs().squash);
            highest = std::max(highest, cat->springs().squash);
        }
        EXPECT_LE(highest, 1.0) << int(pose);
        EXPECT_GE(lowest, 0.95) << int(pose) << ": a crouch, not flattened";
    }
}
