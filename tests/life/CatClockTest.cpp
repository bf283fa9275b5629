// The cat's own time on its own, under a wall clock that is set, sleeps, or starts ahead or behind.
#include "life/CatClock.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kp;

TEST(CatClock, LivesTheMachinesSecondsAndNoSpanOfTheWallClockTwice) {
    constexpr double kDay = 86400, t0 = 8e8;
    ManualClock wall(t0);
    CatClock running(wall);
    wall.sleep(600);
    wall.setNow(wall.now() - kDay / 3);
    wall.advance(5);
    wall.setNow(wall.now() + 365 * kDay);
    EXPECT_DOUBLE_EQ(running.now(), t0 + 605) << "the sleep lived, the clock's steps not";

    // Starts alternating a clock 8 h ahead and the true one, 20 s each: the 8 h are lived once.
    double saved = t0, lived = 0;
    for (int k = 0; k < 6; ++k) {
        wall.setNow(t0 + 20 * k + (k % 2 ? 0 : kDay / 3));
        CatClock cat(wall);
        cat.resumeAt(saved);
        const double by = cat.towardWall();
        lived += std::max(by, 0.0);  // time away
        cat.moveBy(by);
        wall.advance(20);
        saved = cat.now();
    }
    EXPECT_DOUBLE_EQ(lived, kDay / 3);
    // A clock two days or more behind the cat is come back to.
    for (const double behind : {2 * kDay - 1, 2 * kDay, 365 * kDay}) {
        CatClock cat(wall);
        cat.resumeAt(wall.now() + behind);
        EXPECT_DOUBLE_EQ(cat.towardWall(), behind < 2 * kDay ? 0 : -behind) << behind;
    }
}
