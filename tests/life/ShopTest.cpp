#include <gtest/gtest.h>

#include "life/ShopItem.h"
#include "life/ShopToyPlay.h"

using namespace kp;

TEST(ToyPlay, TheCatWaitsJumpsIntoTheBoxPeeksOutAndJumpsOutAtTheEnd) {
    using K = ToyPlayPhase::Kind;
    const double L = kBoxPlaySeconds;
    EXPECT_EQ(toyPlayCurve(1.0, L), ToyPlayPhase::waiting());
    EXPECT_EQ(toyPlayCurve(1.75, L).kind, K::jumpingIn);
    EXPECT_EQ(toyPlayCurve(12, L), ToyPlayPhase::inside(0, false));
    EXPECT_DOUBLE_EQ(toyPlayCurve(35, L).peek, 1.0);
    EXPECT_EQ(toyPlayCurve(44.65, L).kind, K::jumpingOut);
    EXPECT_EQ(toyPlayCurve(1e6, L), ToyPlayPhase::jumpingOut(1));
}
