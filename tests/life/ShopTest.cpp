#include <gtest/gtest.h>

#include "life/ShopItem.h"
#include "life/ShopToyPlay.h"

using namespace kp;

TEST(ToyPlay, TheBoxPlayOverFortyFiveSeconds) {
    using K = ToyPlayPhase::Kind;
    const double L = kBoxPlaySeconds;
    EXPECT_EQ(toyPlayCurve(0, L), ToyPlayPhase::waiting());
    EXPECT_EQ(toyPlayCurve(1.0, L), ToyPlayPhase::waiting());

    const ToyPlayPhase in = toyPlayCurve(1.75, L);
    EXPECT_EQ(in.kind, K::jumpingIn);
    EXPECT_NEAR(in.progress, 0.5, 1e-9);
    EXPECT_EQ(toyPlayCurve(2.0999999999999996, L).kind, K::inside);

    EXPECT_EQ(toyPlayCurve(20, L), ToyPlayPhase::inside(0.3, true));
    EXPECT_EQ(toyPlayCurve(8.6, L).kind, K::inside);
    EXPECT_DOUBLE_EQ(toyPlayCurve(8.6, L).peek, 1.0);
    EXPECT_FALSE(toyPlayCurve(8.6, L).settled);
    EXPECT_NEAR(toyPlayCurve(6.85, L).peek, 0.5, 1e-9);  // half-way up the first peek
    EXPECT_EQ(toyPlayCurve(12, L), ToyPlayPhase::inside(0, false));
    EXPECT_DOUBLE_EQ(toyPlayCurve(35, L).peek, 1.0);      // the second peek
    EXPECT_EQ(toyPlayCurve(40, L), ToyPlayPhase::inside(0, false));

    const ToyPlayPhase out = toyPlayCurve(44.65, L);
    EXPECT_EQ(out.kind, K::jumpingOut);
    EXPECT_NEAR(out.progress, 0.5, 1e-9);
    EXPECT_EQ(toyPlayCurve(46, L), ToyPlayPhase::jumpingOut(1));
    EXPECT_EQ(toyPlayCurve(1e6, L), ToyPlayPhase::jumpingOut(1));
}
