// Clicks on the cat, asking or not, pick-up and throw.
#include "DesktopPlanWorld.h"

#include "desktop/RoamPanel.h"

#include <gtest/gtest.h>

using namespace kp;
using Pose = DesktopCat::Pose;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;

namespace {

struct DesktopPointer : ::testing::Test {
    test::DesktopPlanWorld w;
    DesktopCat* cat = nullptr;
    void SetUp() override {
        cat = &w.make();
        w.standOn(ground::floor, 700);
        w.sounds.clear();
    }
    double now() const { return w.clock.now(); }
};

TEST_F(DesktopPointer, ClickWhileAskingOpensTheRoomOfTheNeedWithoutPetting) {
    cat->asking = PetNeed::hungry;
    const double happiness = w.life->happiness();
    cat->pet();
    EXPECT_FALSE(cat->asking);
    EXPECT_TRUE(cat->breakOver);
    EXPECT_DOUBLE_EQ(cat->lovedUntil, now() + 1.2);
    ASSERT_EQ(w.rooms.size(), 1u);
    EXPECT_EQ(std::any_cast<IslandRoomKind>(w.rooms.front()), IslandRoomKind::kitchen);
    ASSERT_EQ(cat->pops.size(), 1u);
    EXPECT_EQ(cat->pops.front().kind, DesktopCat::Pop::Kind::heart);
    EXPECT_EQ(w.sounds, std::vector<PetSound>{PetSound::trill});
    EXPECT_EQ(w.life->happiness(), happiness);

    cat->asking = PetNeed::dirty;
    cat->pet();
    EXPECT_EQ(std::any_cast<IslandRoomKind>(w.rooms.back()), IslandRoomKind::care);
}

TEST_F(DesktopPointer, PickUpDropsTheCarriedGiftAndTheThrowIsClamped) {
    cat->gift = DesktopCat::Gift{QPointF(1, 1), ground::floor, true, std::nullopt};
    cat->plan = {Step::sit(3)};
    cat->peekLine = 400;
    cat->peekDepth = 0.4;
    cat->pickUp();
    EXPECT_TRUE(cat->isDragged);
    EXPECT_FALSE(cat->gift);
    EXPECT_TRUE(cat->plan.empty());
    EXPECT_FALSE(cat->peekLine);
    EXPECT_EQ(cat->peekDepth, 0);
    EXPECT_DOUBLE_EQ(cat->surprisedUntil, now() + 1.2);
    EXPECT_EQ(w.sounds, std::vector<PetSound>{PetSound::mew});

    // 300 points to the right in 0.1 s: 3000 points/s, clamped to 900.
    const double t = now();
    cat->dragHistory = {{t - 0.1, QPointF(100, 300)}, {t - 0.05, QPointF(250, 290)}, {t, QPointF(400, 280)}};
    cat->drop();
    EXPECT_FALSE(cat->isDragged);
    EXPECT_TRUE(cat->falling);
    EXPECT_EQ(cat->pose, Pose::air);
    EXPECT_DOUBLE_EQ(cat->vx, 900);
    EXPECT_NEAR(cat->vy, -200, 1e-2);

    // One sample, or one timestamp: straight down from rest.
    cat->pickUp();
    cat->dragHistory = {{t, QPointF(100, 300)}, {t, QPointF(300, 300)}};
    cat->drop();
    EXPECT_EQ(cat->vx, 0);
    EXPECT_EQ(cat->vy, 0);
    cat->drop();  // not held: nothing
    EXPECT_TRUE(cat->falling);
}

TEST_F(DesktopPointer, ClickOnTheCatPetsItAndADragPicksItUpAndThrowsIt) {
    CatCatcher hand(CatchTarget::of(*cat));
    const QPointF on = cat->hitRect().center();
    hand.press(on);
    hand.drag(on + QPointF(1, 1));
    hand.release();
    EXPECT_FALSE(cat->isDragged);
    ASSERT_FALSE(cat->pops.empty()) << "a petted cat shows hearts";
    EXPECT_EQ(cat->pops.front().kind, DesktopCat::Pop::Kind::heart);

    hand.press(on);
    hand.drag(on + QPointF(0, -40));
    EXPECT_TRUE(cat->isDragged);
    hand.release();
    EXPECT_FALSE(cat->isDragged);
    EXPECT_TRUE(cat->falling);
}

}  // namespace
