#include "DesktopPlanWorld.h"

#include "desktop/DesktopSteps.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kp;
using namespace kp::test;
using Step = DesktopCat::Step;
using Kind = DesktopCat::Step::Kind;
using Plan = DesktopCat::Plan;

namespace {

std::map<int, double> rows(DesktopCat& cat, double now, const Ledge& ground) {
    std::map<int, double> out;
    for (const auto& c : desktopsteps::planCandidates(cat, now, ground)) out[c.row] = c.weight;
    return out;
}

// A Dock along the bottom: its ledge and range as the terrain would hold them.
void giveDock(DesktopCat& cat, double lo = 400, double hi = 1040) {
    cat.terrain.dock = DockRange{lo, hi};
    cat.terrain.ledges.push_back(Ledge{-2, 830, lo, hi});
}

}  // namespace

TEST(DesktopPlanChoiceTest, DutiesComeFirstInTheirOrder) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const Ledge floor = w.ground();
    cat.pendingBreak = true;
    cat.pendingAsk = PetNeed::hungry;
    cat.queuedTrick = DesktopCat::Trick::meow;
    cat.homeBound = true;
    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor).back().kind, Kind::intoNotch);
    EXPECT_TRUE(cat.pendingBreak);

    cat.homeBound = false;
    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::hop(-3, 720), Step::plea(150)}));
    EXPECT_FALSE(cat.pendingBreak);
    ASSERT_TRUE(cat.breakSpotPoint);
    EXPECT_EQ(*cat.breakSpotPoint, QPointF(720, 495));
    const Ledge perch = cat.terrain.ledges.back();
    EXPECT_EQ(perch.window, -3);
    EXPECT_DOUBLE_EQ(perch.y, 495);
    EXPECT_DOUBLE_EQ(perch.x0, 650);
    EXPECT_DOUBLE_EQ(perch.x1, 790);

    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::hop(-3, 720), Step::ask(120)}));
    EXPECT_EQ(cat.asking, PetNeed::hungry);
    EXPECT_FALSE(cat.pendingAsk);

    EXPECT_EQ(cat.choosePlan(w.clock.now(), floor), (Plan{Step::of(Kind::meow), Step::sit(2)}));
    EXPECT_FALSE(cat.queuedTrick);
}

TEST(DesktopPlanChoiceTest, ASleepingPetNapsOnTheDock) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    giveDock(cat);
    w.life->setSleeping(true);
    for (int i = 0; i < 20; ++i) {
        const Plan p = cat.choosePlan(w.clock.now(), w.ground());
        ASSERT_EQ(p.size(), 3u);
        EXPECT_EQ(p[0].kind, Kind::hop);
        EXPECT_EQ(p[0].ground, -2);
        EXPECT_GE(p[0].x, 400);
        EXPECT_LE(p[0].x, 1040);
        EXPECT_EQ(p[1], Step::walk(p[0].x, false));
        EXPECT_EQ(p[2], Step::of(Kind::sleep));
    }
}

TEST(DesktopPlanChoiceTest, AVeryTiredPetNapsInSixOfTenChoices) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    w.life->setEnergy(20);
    int naps = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        const Plan p = cat.choosePlan(w.clock.now(), w.ground());
        naps += p.size() == 3 && p[0].kind == Kind::hop && p[0].ground == -2 && p[2].kind == Kind::sleep;
    }
    EXPECT_NEAR(double(naps) / n, 0.6, 0.04);
}

TEST(DesktopPlanChoiceTest, ANewCatOpensOnlyTheQuickCandidates) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    giveDock(cat);
    w.life->setEnergy(90);
    const double t0 = w.clock.now();
    cat.mouse = QPointF(750, 850);
    cat.mouseMovedAt = t0;
    // Just made: follow open; meow, play, peek, gift, mug and watching work wait.
    auto r = rows(cat, t0 + 1, w.ground());
    // (The Dock, 70 above the floor, is a hop target.)
    EXPECT_EQ(r, (std::map<int, double>{{1, 4.0}, {2, 3.0}, {3, 5.0}, {7, 3.0}, {14, 1.5}, {15, 1.5}, {17, 0.35}}));
    // 26 s on, the meow; 91 s on, play (the floor is wide).
    r = rows(cat, t0 + 26, w.ground());
    EXPECT_EQ(r.count(8), 1u);
    EXPECT_EQ(r.count(9), 0u);
    r = rows(cat, t0 + 91, w.ground());
    EXPECT_DOUBLE_EQ(r[9], 1.8);
    EXPECT_EQ(r.count(1), 0u);  // the pointer has rested too long
}

TEST(DesktopPlanChoiceTest, TheHopWeighsMoreFromTheFloorAndTheDock) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 700, 600, 150));
    w.addWindow(3, QRectF(950, 600, 400, 250));
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    EXPECT_DOUBLE_EQ(rows(cat, now, w.ground())[3], 5.0);
    w.standOn(2, 600);
    EXPECT_DOUBLE_EQ(rows(cat, now, w.ground())[3], 2.5);
    // Only ledges of another ground, 90 wide or more, more than 24 above or below and at most 340
    // above count; a lone ledge just 20 higher gives no hop.
    DesktopPlanWorld v;
    v.addWindow(4, QRectF(100, 880, 600, 20));
    auto& c2 = v.make(0, 700);
    EXPECT_EQ(rows(c2, v.clock.now(), v.ground()).count(3), 0u);
}

TEST(DesktopPlanChoiceTest, MediaCandidatesExcludeEachOther) {
    DesktopPlanWorld w;
    w.addWindow(10, QRectF(100, 100, 700, 500), 111);   // front, another app
    w.addWindow(11, QRectF(850, 100, 500, 400), 222);   // the player's window
    auto& cat = w.make(0, 700);
    const double now = w.clock.now();
    w.media = MediaWatcher::Playing::music();
    auto r = rows(cat, now, w.ground());
    EXPECT_DOUBLE_EQ(r[4], 5.0);
    EXPECT_EQ(r.count(5), 0u);
    cat.lastVibe = now - 40;
    EXPECT_EQ(rows(cat, now, w.ground()).count(4), 0u);

    w.media = MediaWatcher::Playing::video(222);
    r = rows(cat, now, w.ground());
    EXPECT_DOUBLE_EQ(r[5], 9.0);
    EXPECT_EQ(r.count(4), 0u);
    // The player's own window is watched, not the frontmost one.
    for (const auto& c : desktopsteps::planCandidates(cat, now, w.ground())) {
        if (c.row != 5) continue;
        const Plan p = c.build();
        EXPECT_EQ(cat.watchWindow, 11);
        EXPECT_EQ(p.front().ground, -4);
        EXPECT_DOUBLE_EQ(cat.lastWatchVideo, now);
    }
}

TEST(DesktopPlanChoiceTest, MischiefAndTheDockGateTheirCandidates) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 600, 600, 250));
    auto& cat = w.make(2, 600);
    const double later = w.clock.now() + 1000;
    EXPECT_EQ(rows(cat, later, w.ground()).count(16), 1u);
    EXPECT_EQ(rows(cat, later, w.ground()).count(13), 0u);  // no Dock
    EXPECT_EQ(rows(cat, later, w.ground()).count(17), 0u);
    giveDock(cat);
    w.life->setEnergy(60);
    auto r = rows(cat, later, w.ground());
    EXPECT_DOUBLE_EQ(r[13], 1.2);
    EXPECT_DOUBLE_EQ(r[16], 0.6);
    EXPECT_DOUBLE_EQ(r[17], 0.35);  // no stamp yet: open on the first outing
    cat.mischief = false;
    r = rows(cat, later, w.ground());
    EXPECT_EQ(r.count(16) + r.count(17), 0u);

    // A walk 2700 s ago or less keeps the keyboard closed.
    cat.mischief = true;
    w.store->set("desktopLastKeyboard", later + 978307200.0 - 2700);
    EXPECT_EQ(rows(cat, later, w.ground()).count(17), 0u);
    w.store->set("desktopLastKeyboard", later + 978307200.0 - 2701);
    EXPECT_EQ(rows(cat, later, w.ground()).count(17), 1u);
    // A stamp a year ahead counts as a walk now: closed for 2700 s, then open again.
    w.store->set("desktopLastKeyboard", later + 978307200.0 + 365 * 86400.0);
    EXPECT_EQ(rows(cat, later, w.ground()).count(17), 0u);
    EXPECT_EQ(rows(cat, later + 2700, w.ground()).count(17), 0u);
    EXPECT_EQ(rows(cat, later + 2701, w.ground()).count(17), 1u);
}

TEST(DesktopPlanChoiceTest, TheDrawFollowsTheWeights) {
    EXPECT_EQ(desktopsteps::drawWinner({4, 3, 2}, 0), 0);
    EXPECT_EQ(desktopsteps::drawWinner({4, 3, 2}, 3.999), 0);
    EXPECT_EQ(desktopsteps::drawWinner({4, 3, 2}, 4), 1);
    EXPECT_EQ(desktopsteps::drawWinner({4, 3, 2}, 8.9), 2);
    EXPECT_EQ(desktopsteps::drawWinner({4, 3, 2}, 9), -1);

    // A draw at the very top of the range finds no winner: sit for 3 s.
    DesktopPlanWorld w;
    ScriptedRandom top({1.0});
    w.random = &top;
    auto& cat = w.make(0, 700);
    EXPECT_EQ(cat.choosePlan(w.clock.now(), w.ground()), Plan{Step::sit(3)});

    // Over many seeded draws each always-present candidate wins about its share.
    DesktopPlanWorld v;
    auto& c2 = v.make(0, 700);
    v.life->setEnergy(90);
    int grooms = 0;
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        const Plan p = c2.choosePlan(v.clock.now(), v.ground());
        grooms += p.front().kind == Kind::groom;
    }
    // Open: wander 3, groom 3, loaf 1.5, sit 1.5 (total 9).
    EXPECT_NEAR(double(grooms) / n, 3.0 / 9, 0.03);
}

// ---- Builders ----

TEST(DesktopPlanBuildersTest, TheWayHomeClimbsOneLedgeAtATime) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 200);
    // 878 below the notch, nothing to climb: run along and go straight in.
    EXPECT_EQ(cat.homePlan(w.ground()), (Plan{Step::walk(720, true), Step::of(Kind::intoNotch)}));

    DesktopPlanWorld v;
    v.addWindow(2, QRectF(100, 700, 300, 150));   // 200 up, far from the middle
    v.addWindow(3, QRectF(600, 620, 500, 230));   // 280 up, near the middle
    v.addWindow(4, QRectF(700, 500, 300, 100));   // 400 up: too high
    auto& c2 = v.make(0, 200);
    EXPECT_EQ(c2.homePlan(v.ground()), Plan{Step::hop(3, 720)});
    // On a ledge no wider than 2 x reach the walk goes to its middle.
    const Ledge narrow{-3, 100, 100, 140};
    c2.feet = QPointF(120, 100);
    EXPECT_EQ(c2.homePlan(narrow), (Plan{Step::walk(120, true), Step::of(Kind::intoNotch)}));
}

TEST(DesktopPlanBuildersTest, TheDockSpotWithoutADockIsMidScreen) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    for (int i = 0; i < 50; ++i) {
        const Plan p = cat.dockPlan(w.ground());
        ASSERT_EQ(p.size(), 2u);
        EXPECT_EQ(p[0].kind, Kind::hop);
        EXPECT_GE(p[1].x, 0.35 * 1440);
        EXPECT_LE(p[1].x, 0.65 * 1440);
    }
    giveDock(cat, 500, 900);
    const Plan onDock = cat.dockPlan(Ledge{-2, 830, 500, 900});
    ASSERT_EQ(onDock.size(), 1u);
    EXPECT_EQ(onDock[0].kind, Kind::walk);
}

TEST(DesktopPlanBuildersTest, GiftAndMugGoToTheFarEnds) {
    DesktopPlanWorld w;
    w.addWindow(2, QRectF(300, 600, 600, 250));
    auto& cat = w.make(2, 400);
    const Ledge l = w.ground();
    cat.mouse = QPointF(350, 500);
    const double now = w.clock.now();
    const Plan gift = cat.giftPlan(l);
    EXPECT_EQ(gift, (Plan{Step::walk(l.x1, true), Step::rummage(1.4), Step::of(Kind::bringGift), Step::sit(3)}));
    EXPECT_DOUBLE_EQ(cat.lastGift, now);

    const Plan mug = cat.mugPlan(l);
    ASSERT_TRUE(cat.cup);
    EXPECT_DOUBLE_EQ(cat.cup->p.x(), l.x1 - 14);
    EXPECT_DOUBLE_EQ(cat.cup->p.y(), l.y);
    EXPECT_EQ(cat.cup->window, 2);
    EXPECT_EQ(mug, (Plan{Step::walk(l.x1 - 14 - 27 * 1.45, false), Step::stare(1.5), Step::of(Kind::nudgeCup),
                         Step::watchCup(1.8), Step::sit(2.5)}));
    // From the right end the mug goes to the left end.
    cat.feet.setX(l.x1 - 10);
    cat.mugPlan(l);
    EXPECT_DOUBLE_EQ(cat.cup->p.x(), l.x0 + 14);
}

TEST(DesktopPlanBuildersTest, CandidateBuildersStampTheirCooldowns) {
    DesktopPlanWorld w;
    auto& cat = w.make(0, 700);
    const double now = w.clock.now() + 50;
    cat.vibePlan(now);
    cat.meowPlan(now);
    cat.playPlan(now);
    cat.peekPlan(w.ground(), now);
    EXPECT_DOUBLE_EQ(cat.lastVibe, now);
    EXPECT_DOUBLE_EQ(cat.lastMeow, now);
    EXPECT_DOUBLE_EQ(cat.lastPlay, now);
    EXPECT_DOUBLE_EQ(cat.lastPeek, now);
    for (int i = 0; i < 50; ++i) {
        const Plan f = cat.followPlan();
        EXPECT_GE(f[0].length, 6);
        EXPECT_LE(f[0].length, 11);
        const Plan s = cat.sitPlan();
        EXPECT_GE(s[0].length, 3);
        EXPECT_LE(s[0].length, 6);
        const Plan hop = cat.hopPlan(Ledge{5, 600, 500, 900});
        ASSERT_EQ(hop.size(), 3u);
        EXPECT_GE(hop[0].x, 500 - 1e-9);
        EXPECT_LE(hop[0].x, 900 + 1e-9);
        EXPECT_TRUE(hop[2] == Step::groom(2.4) || hop[2].kind == Kind::loaf);
    }
}
