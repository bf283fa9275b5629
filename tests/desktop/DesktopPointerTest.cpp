// The pointer, file drags, clicks, pick-up and throw, and the requests from outside.
#include "DesktopPhysicsWorld.h"

#include <gtest/gtest.h>

using namespace kp;
using Pose = DesktopCat::Pose;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;

namespace {

struct DesktopPointer : ::testing::Test {
    test::DesktopRoamWorld w;
    DesktopCat* cat = nullptr;
    void SetUp() override {
        cat = &w.make();
        w.standOn(ground::floor, 700);
        w.sounds.clear();
    }
    double now() const { return w.clock.now(); }
};

TEST_F(DesktopPointer, SmallPointerMovesDoNotCount) {
    cat->mouseMoved(QPointF(100, 100));
    const double first = cat->mouseMovedAt;
    EXPECT_EQ(first, now());
    w.clock.advance(1);
    cat->mouseMoved(QPointF(101.5, 100));  // 1.5 points
    EXPECT_EQ(cat->mouseMovedAt, first);
    EXPECT_EQ(cat->mouse, QPointF(101.5, 100));
    cat->mouseMoved(QPointF(103, 100.9));
    EXPECT_EQ(cat->mouseMovedAt, now());
}

TEST_F(DesktopPointer, HitRectangleFollowsThePose) {
    cat->pose = Pose::sleep;
    const QRectF r = cat->hitRect();
    EXPECT_NEAR(r.width(), 78.3, 1e-9);
    EXPECT_NEAR(r.height(), 40.6, 1e-9);
    EXPECT_NEAR(cat->feet.y() - r.top(), 37.7, 1e-9);
    EXPECT_NEAR(r.center().x(), 700, 1e-9);
    cat->pose = Pose::stand;
    EXPECT_NEAR(cat->hitRect().height(), 46 * 1.45, 1e-9);
    EXPECT_NEAR(cat->feet.y() - cat->hitRect().top(), 44 * 1.45, 1e-9);
}

TEST_F(DesktopPointer, FileDragInterruptsAPeekButNotAMeow) {
    cat->plan = {Step::peek(4), Step::sit(2)};
    cat->userStartedDragging();
    EXPECT_EQ(cat->plan, (DesktopCat::Plan{Step::of(Kind::chase)}));
    EXPECT_EQ(cat->stepStarted, now());

    cat->userStoppedDragging();
    EXPECT_EQ(cat->plan, (DesktopCat::Plan{Step::of(Kind::pounce), Step::sit(2.5)}));

    cat->plan = {Step::of(Kind::meow), Step::sit(2)};
    cat->userStartedDragging();
    EXPECT_EQ(cat->plan.front().kind, Kind::meow);
    // Not chasing: the end of a drag changes nothing.
    cat->userStoppedDragging();
    EXPECT_EQ(cat->plan.size(), 2u);
}

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

TEST_F(DesktopPointer, ContentPettingSendsThreeStaggeredHeartsFromTheHead) {
    cat->plan = {Step::walk(900, false), Step::sit(3)};
    cat->pet();
    ASSERT_EQ(cat->pops.size(), 3u);
    const QPointF head = cat->headPoint();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cat->pops[i].kind, DesktopCat::Pop::Kind::heart);
        EXPECT_NEAR(cat->pops[i].born, now() + 0.18 * i, 1e-9);
        EXPECT_EQ(cat->pops[i].p, head);
        EXPECT_LE(std::abs(cat->pops[i].drift), 18);
    }
    EXPECT_NE(cat->pops[0].id, cat->pops[1].id);
    EXPECT_DOUBLE_EQ(cat->lovedUntil, now() + 1.4);
    EXPECT_EQ(w.sounds, std::vector<PetSound>{PetSound::purr});
    EXPECT_EQ(cat->plan.size(), 2u);  // an ordinary petting lets the plan go on

    // Petted twice more at once: the pet fusses at the third click.
    cat->pet();
    w.sounds.clear();
    cat->pops.clear();
    cat->pet();
    EXPECT_DOUBLE_EQ(cat->grumpyUntil, now() + 1.2);
    EXPECT_DOUBLE_EQ(cat->squash, 0.82);
    ASSERT_EQ(cat->pops.size(), 1u);
    EXPECT_EQ(cat->pops[0].text, QStringLiteral("hss!"));
    EXPECT_EQ(w.sounds, std::vector<PetSound>{PetSound::growl});
}

TEST_F(DesktopPointer, PettingDuringABreakPleaStartsTheBreakOnlyWhenFocusIsDone) {
    cat->plan = {Step::plea(8)};
    w.phase = Pomodoro::Phase::focusDone;
    cat->pet();
    EXPECT_EQ(w.breaksStarted, 1);
    EXPECT_TRUE(cat->breakOver);
    EXPECT_EQ(cat->plan, (DesktopCat::Plan{Step::loaf(2.5), Step::hop(ground::floor, 700)}));

    w.clock.advance(120);  // let the pet enjoy petting again
    cat->plan = {Step::plea(8)};
    cat->breakOver = false;
    w.phase = Pomodoro::Phase::focus;
    cat->pet();
    EXPECT_EQ(w.breaksStarted, 1);
    EXPECT_TRUE(cat->breakOver);
    EXPECT_EQ(cat->plan.front(), Step::loaf(2.5));
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

TEST_F(DesktopPointer, CallHomeKeepsOnlyTheCurrentStepOrNone) {
    cat->plan = {Step::sit(2), Step::groom(3), Step::walk(100, false)};
    cat->asking = PetNeed::sick;
    cat->headHome(false);
    EXPECT_TRUE(cat->homeBound);
    EXPECT_FALSE(cat->asking);
    EXPECT_EQ(cat->plan, (DesktopCat::Plan{Step::sit(2)}));
    cat->plan = {Step::sit(2), Step::groom(3)};
    cat->headHome(true);  // already bound: nothing changes
    EXPECT_EQ(cat->plan.size(), 2u);
}

TEST_F(DesktopPointer, InterruptibleAndRequests) {
    EXPECT_TRUE(cat->isInterruptible());
    cat->plan = {Step::of(Kind::meow)};
    EXPECT_FALSE(cat->isInterruptible());
    cat->plan = {Step::of(Kind::chase)};
    EXPECT_FALSE(cat->isInterruptible());
    cat->plan = {Step::groom(3)};
    EXPECT_TRUE(cat->isInterruptible());

    // An ask while held is dropped; a trick is kept but the plan stays.
    cat->isDragged = true;
    cat->ask(PetNeed::hungry);
    EXPECT_FALSE(cat->pendingAsk);
    cat->queue(DesktopCat::Trick::gift);
    EXPECT_EQ(cat->queuedTrick, DesktopCat::Trick::gift);
    EXPECT_EQ(cat->plan.size(), 1u);
    cat->isDragged = false;
    cat->ask(PetNeed::hungry);
    EXPECT_EQ(cat->pendingAsk, PetNeed::hungry);
    EXPECT_TRUE(cat->plan.empty());

    cat->announce();
    ASSERT_EQ(cat->pops.size(), 1u);
    const QString line = cat->pops[0].text;
    EXPECT_TRUE(line == "back to it?" || line == "ready?" || line == "one more?");
    EXPECT_DOUBLE_EQ(cat->meowUntil, now() + 1);
    EXPECT_EQ(w.sounds.back(), PetSound::meow);
}

}  // namespace
