#include "DesktopPlanWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace kp;
using namespace kp::test;

// Whole outings through the frame tick: the plans, steps and reactions keep the cat and its props
// on the screen and their numbers bounded for an hour and, once called home, bring it into the notch.
TEST(DesktopOutingTest, SeededHourLongOutingsStayOnScreenAndEndInTheNotch) {
    for (std::uint64_t seed : {1u, 2u}) {
        DesktopPlanWorld w;
        w.seeded = SeededRandom(seed);
        w.addWindow(2, QRectF(200, 500, 600, 300), 111);
        w.addWindow(3, QRectF(700, 250, 500, 400), 222);
        w.addWindow(4, QRectF(100, 150, 400, 200), 333);
        auto& cat = w.make(0, 700);
        cat.falling = true;
        cat.mischief = true;
        int homes = 0;
        int frames = 0;
        std::set<int> kinds;
        cat.onHome = [&] { ++homes; };
        const double dt = 1.0 / 60;
        for (int i = 0; i < 60 * 3700 && homes == 0; ++i) {
            w.clock.advance(dt);
            const double now = w.clock.now();
            // The pointer wanders now and then; music plays for a while.
            if (i % 600 < 90) {
                cat.mouseMoved(QPointF(720 + 500 * std::sin(i * 0.013), 450 + 300 * std::cos(i * 0.017)));
            }
            w.media = (i / 3000) % 2 == 1 ? MediaWatcher::Playing::music() : MediaWatcher::Playing::nothing();
            if (i == 60 * 3600) cat.headHome(false);
            cat.tick(now);
            ++frames;
            if (!cat.plan.empty()) kinds.insert(int(cat.plan.front().kind));
            ASSERT_TRUE(std::isfinite(cat.feet.x()) && std::isfinite(cat.feet.y())) << seed << " " << i;
            ASSERT_GE(cat.feet.x(), -1) << seed << " " << i;
            ASSERT_LE(cat.feet.x(), 1441) << seed << " " << i;
            ASSERT_LE(cat.feet.y(), 901) << seed << " " << i;
            ASSERT_LT(cat.pops.size(), 40u);
            ASSERT_LE(cat.plan.size(), 12u);
            ASSERT_LE(cat.dragHistory.size(), 64u);
            ASSERT_LT(cat.cup ? cat.cup->p.y() : 0, 1000) << seed << " " << i;
            ASSERT_LT(cat.gift ? cat.gift->p.y() : 0, 1000) << seed << " " << i;
            ASSERT_LT(cat.toy ? cat.toy->y() : 0, 1000) << seed << " " << i;
        }
        EXPECT_EQ(homes, 1) << seed;
        // It went home only after the call, having done a variety of things before.
        EXPECT_GT(frames, 60 * 3600) << seed;
        EXPECT_GE(kinds.size(), 6u) << seed;
    }
}

// A cat called home goes straight there, ledge by ledge and into the notch, whatever goes on
// around it: a file dragged again and again, the pointer sweeping past its head, another app
// coming to the front, music or a video starting. It takes no step but the way home's and arrives
// as soon as it would have with nothing going on.
TEST(DesktopOutingTest, ACatCalledHomeGoesStraightThereWhateverGoesOnAroundIt) {
    const auto wayHome = [](bool busy, std::set<int>& kinds) {
        DesktopPlanWorld w;
        w.addWindow(2, QRectF(200, 560, 600, 300), 111);
        w.addWindow(3, QRectF(700, 300, 500, 400), 222);
        auto& cat = w.make(0, 1300);
        cat.plan = {DesktopCat::Step::groom(3)};
        cat.headHome(true);
        bool home = false;
        cat.onHome = [&home] { home = true; };
        const double from = w.clock.now();
        for (int i = 0; i < 60 * 60 && !home; ++i) {
            w.clock.advance(1.0 / 60);
            if (busy) {
                // A new drag every half second.
                if (i % 30 == 0) {
                    cat.userDragging = false;
                    cat.userStoppedDragging();
                    cat.userDragging = true;
                    cat.userStartedDragging();
                }
                // The pointer sweeps to and fro past the head, faster than the cat can bear.
                cat.mouseMoved(cat.headPoint() + QPointF(i % 2 ? 70 : -70, -20));
                if (i % 60 == 0) cat.pendingApp = DesktopCat::PendingApp{i % 120 ? 111 : 222, w.clock.now() - 1};
                const int media = (i / 90) % 3;
                w.media = media == 0 ? MediaWatcher::Playing::music()
                                     : media == 1 ? MediaWatcher::Playing::video(222) : MediaWatcher::Playing::nothing();
            }
            cat.tick(w.clock.now());
            if (!cat.plan.empty()) kinds.insert(int(cat.plan.front().kind));
        }
        EXPECT_TRUE(home) << (busy ? "with" : "without") << " distractions";
        return w.clock.now() - from;
    };
    std::set<int> calm, busy;
    const double undisturbed = wayHome(false, calm);
    const double disturbed = wayHome(true, busy);
    const std::set<int> homeSteps{int(DesktopCat::Step::Kind::walk), int(DesktopCat::Step::Kind::hop),
                                  int(DesktopCat::Step::Kind::intoNotch)};
    EXPECT_EQ(calm, homeSteps);
    EXPECT_EQ(busy, homeSteps) << "a step other than the way home's";
    EXPECT_NEAR(disturbed, undisturbed, 0.05);
}
