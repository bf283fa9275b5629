// Perch climbs: the leap's four phases and their joins, the carrier's hop, coming down.
#include "rooms/Perch.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kp {
namespace {

constexpr double W = 640;
constexpr double T0 = 1000;  // the climb's start, reference seconds

PerchInputs climbing(PetErrand spot, double place = 0.5) {
    PerchInputs in;
    in.pose = PetPose::lookout;
    in.highSpot = spot;
    in.climbedAt = T0;
    in.place = place;
    return in;
}

TEST(Perch, TvLeapCrouchesJumpsClingsAndPullsUp) {
    const PerchInputs in = climbing(PetErrand::tvTop, 0.5);
    const double from = 0.5 * W, to = 0.82 * W, mid = from + (to - from) * 0.35;

    // Crouch low and tipped at the start, then in the air moving toward the set, tipped further
    // (never snapping back upright), then clinging at the spot's edge, paddling.
    PerchPlacement r = catPlacement(in, W, T0 + 0.08 * 1.4);
    EXPECT_LT(r.lift, 0);
    EXPECT_LT(r.tilt, 0);
    EXPECT_DOUBLE_EQ(*r.x, from);
    EXPECT_TRUE(r.posePaws);
    r = catPlacement(in, W, T0 + 0.28 * 1.4);
    EXPECT_GT(*r.x, from);
    EXPECT_LT(*r.x, mid);
    EXPECT_LT(r.tilt, -8);
    EXPECT_FALSE(r.posePaws);
    r = catPlacement(in, W, T0 + 0.5 * 1.4);
    EXPECT_DOUBLE_EQ(*r.x, mid);
    EXPECT_TRUE(r.scrabbling);
    // Done: on top of the television, upright, paws down, for as long as the lookout lasts.
    for (double after : {1.4, 5.0, 60.0}) {
        r = catPlacement(in, W, T0 + after);
        EXPECT_NEAR(r.lift, 63.7, 1e-9);
        EXPECT_NEAR(*r.x, to, 1e-9);
        EXPECT_NEAR(r.tilt, 0, 1e-9);
        EXPECT_FALSE(r.posePaws);
        EXPECT_FALSE(r.scrabbling);
    }
}

TEST(Perch, LeapPhasesJoinWithoutJumpsButTheCrouchsEnd) {
    for (PetErrand spot : {PetErrand::tvTop, PetErrand::fridgeTop, PetErrand::catShelf}) {
        const PerchInputs in = climbing(spot, 0.6);
        for (double edge : {0.16, 0.4, 0.72}) {
            // The cling wobbles with the wall clock; compare at a moment where sin(18 T) is 0.
            const double at = T0 + edge * 1.4;
            const PerchPlacement a = catPlacement(in, W, at - 1e-7), b = catPlacement(in, W, at + 1e-7);
            EXPECT_NEAR(*a.x, *b.x, 1e-3) << edge;
            EXPECT_NEAR(a.tilt, b.tilt, 3.01) << edge;  // the cling's wobble is 3 degrees at most
            if (edge == 0.16)
                EXPECT_NEAR(b.lift - a.lift, 2, 1e-3);  // crouch -2 up to the take-off at 0
            else
                EXPECT_NEAR(a.lift, b.lift, 1e-3) << edge;
        }
        // h - 20 at the jump's end, h - 15 at the cling's end.
        const double h = perchSpot(spot)->height;
        EXPECT_NEAR(catPlacement(in, W, T0 + 0.4 * 1.4 + 1e-9).lift, h - 20, 1e-6);
        EXPECT_NEAR(catPlacement(in, W, T0 + 0.72 * 1.4 + 1e-9).lift, h - 15, 1e-6);
    }
}

TEST(Perch, CarrierIsAHopWithoutClingOrPawOverride) {
    const PerchInputs in = climbing(PetErrand::carrierTop, 0.4);
    for (double p = 0; p <= 1.0; p += 0.05) {
        const PerchPlacement r = catPlacement(in, W, T0 + p * 0.55);
        EXPECT_FALSE(r.scrabbling);
        EXPECT_TRUE(r.posePaws);
        EXPECT_DOUBLE_EQ(r.tilt, 0);
    }
    // Half way it is 10 points above the straight rise.
    const PerchPlacement mid = catPlacement(in, W, T0 + 0.5 * 0.55);
    EXPECT_NEAR(mid.lift, 31.2 * 0.5 + 10, 1e-9);
    EXPECT_NEAR(*mid.x, (0.4 + (0.855 - 0.4) * 0.5) * W, 1e-9);
}

TEST(Perch, NoClimbWithoutALookoutOnAHighSpot) {
    PerchInputs in = climbing(PetErrand::tvTop);
    in.climbedAt.reset();
    EXPECT_EQ(catPlacement(in, W, T0 + 1), PerchPlacement{});
    in = climbing(PetErrand::tvTop);
    in.pose = PetPose::sitting;
    EXPECT_EQ(catPlacement(in, W, T0 + 1), PerchPlacement{});
    in = climbing(PetErrand::window);  // not a high spot
    EXPECT_EQ(catPlacement(in, W, T0 + 1), PerchPlacement{});
}

TEST(Perch, ComingDownLastsHalfASecond) {
    PerchInputs in;
    in.pose = PetPose::sitting;
    in.place = 0.7;
    in.cameDown = PetPerchExit{PetErrand::catShelf, T0};
    // From the shelf's edge down to its place, tipped forward on the way.
    PerchPlacement r = catPlacement(in, W, T0);
    EXPECT_NEAR(*r.x, 0.3 * W, 1e-9);
    EXPECT_GT(r.lift, 50);
    r = catPlacement(in, W, T0 + 0.25);
    EXPECT_NEAR(*r.x, 0.5 * W, 1e-9);
    EXPECT_GT(r.tilt, 5);
    EXPECT_EQ(catPlacement(in, W, T0 + 0.5), PerchPlacement{});
    EXPECT_EQ(catPlacement(in, W, T0 + 3), PerchPlacement{});

    // A climb whose start is unknown falls back to a recent descent.
    in.pose = PetPose::lookout;
    in.highSpot = PetErrand::catShelf;
    EXPECT_NEAR(catPlacement(in, W, T0 + 0.25).tilt, 14, 1e-9);
}

TEST(Perch, ClockSetBackBeforeTheClimbHoldsTheStart) {
    const PerchInputs in = climbing(PetErrand::tvTop, 0.5);
    const PerchPlacement r = catPlacement(in, W, T0 - 30);
    EXPECT_DOUBLE_EQ(r.lift, 0);
    EXPECT_DOUBLE_EQ(*r.x, 0.5 * W);
}

}  // namespace
}  // namespace kp
