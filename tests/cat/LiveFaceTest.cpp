#include <gtest/gtest.h>

#include "cat/CatMotion.h"
#include "platform/Random.h"

#include <cmath>

using namespace kp;
using E = CatExpression;

TEST(LiveFaceTest, FirstFrameIsNeutral) {
    SeededRandom random(7);
    LiveFace face(random);
    const FaceFrame f = face.frame(E::happy, 300.0, 123.456);
    EXPECT_EQ(f.expression, E::happy);
    EXPECT_EQ(f.previous, std::nullopt);
    EXPECT_EQ(f.mix, 1);
    EXPECT_EQ(f.blink, 0);
    EXPECT_EQ(f.sway, 0);
}

TEST(LiveFaceTest, BlendRampsThenClearsPrevious) {
    ScriptedRandom random({0.5});  // first blink far away (t0 + 2 s)
    LiveFace face(random);
    face.frame(E::content, std::nullopt, 0);
    const FaceFrame start = face.frame(E::sad, std::nullopt, 0.05);
    EXPECT_EQ(start.expression, E::sad);
    EXPECT_EQ(start.previous, E::content);
    EXPECT_EQ(start.mix, 0);
    const FaceFrame half = face.frame(E::sad, std::nullopt, 0.05 + 0.11);
    EXPECT_EQ(half.previous, E::content);
    EXPECT_NEAR(half.mix, 0.5, 1e-9);  // smoothstep is 0.5 half way
    const FaceFrame later = face.frame(E::sad, std::nullopt, 0.05 + 0.2);
    EXPECT_GT(later.mix, 0.95);
    EXPECT_LT(later.mix, 1);
    const FaceFrame done = face.frame(E::sad, std::nullopt, 0.05 + 0.23);
    EXPECT_EQ(done.mix, 1);
    EXPECT_EQ(done.previous, std::nullopt);
    EXPECT_EQ(done.expression, E::sad);
}

TEST(LiveFaceTest, SameTimeAndExpressionGivesTheCachedFrame) {
    SeededRandom random(3);
    LiveFace face(random);
    face.frame(E::content, 100.0, 0);
    const FaceFrame a = face.frame(E::content, 140.0, 0.1);
    const double velocity = face.sway.spring.velocity;
    const FaceFrame b = face.frame(E::content, 900.0, 0.1);  // a different x does not step again
    EXPECT_EQ(a, b);
    EXPECT_EQ(face.sway.spring.velocity, velocity);
    // A new expression at the same time starts its cross-fade without stepping the sway.
    const FaceFrame c = face.frame(E::love, 900.0, 0.1);
    EXPECT_EQ(c.expression, E::love);
    EXPECT_EQ(c.previous, E::content);
    EXPECT_EQ(face.sway.spring.velocity, velocity);
}

TEST(LiveFaceTest, KickJoltsThenSettles) {
    ScriptedRandom random({0.99});
    LiveFace face(random);
    face.frame(E::content, 500.0, 0);
    face.sway.spring.velocity += 3;
    double peak = 0;
    double t = 0;
    for (int i = 1; i <= 60; ++i) {
        t = i / 60.0;
        face.frame(E::content, 500.0, t);
        peak = std::max(peak, std::abs(face.sway.spring.value));
    }
    EXPECT_GT(peak, 0.15);  // a visible turn (about 12° per unit)
    for (int i = 61; i <= 90; ++i) face.frame(E::content, 500.0, i / 60.0);
    EXPECT_LT(std::abs(face.sway.spring.value), 0.02);
    // The frame's sway is the spring plus a slow idle wobble.
    const FaceFrame f = face.frame(E::content, 500.0, 1.6);
    EXPECT_NEAR(f.sway, face.sway.spring.value + 0.05 * std::sin(0.9 * 1.6), 1e-12);
}

TEST(LiveFaceTest, SwayIsClampedAndLeansAgainstMotion) {
    ScriptedRandom random({0.99});
    LiveFace face(random);
    face.frame(E::content, 0.0, 0);
    face.sway.spring.velocity = 1e6;
    face.frame(E::content, 0.0, 1 / 60.0);
    EXPECT_EQ(face.sway.spring.value, 1.5);
    EXPECT_EQ(face.sway.spring.velocity, 0);

    LiveFace mover(random);
    double x = 0;
    mover.frame(E::content, x, 0);
    for (int i = 1; i <= 120; ++i) {
        x += 360.0 / 60;  // moving right at 360 points a second
        mover.frame(E::content, x, i / 60.0);
    }
    EXPECT_NEAR(mover.sway.spring.value, -360.0 / 900, 0.02);
    for (int i = 121; i <= 240; ++i) {
        x += 3000.0 / 60;  // far faster: the lean stops at 0.6
        mover.frame(E::content, x, i / 60.0);
    }
    EXPECT_NEAR(mover.sway.spring.value, -0.6, 0.02);

    // A non-finite kick does not poison the face.
    face.sway.spring.velocity = std::nan("");
    const FaceFrame f = face.frame(E::content, 0.0, 2 / 60.0);
    EXPECT_TRUE(std::isfinite(f.sway));
}

TEST(LiveFaceTest, BlinksFollowTheSeededTiming) {
    // First blink at t0 + U(1, 3): 0.5 gives 2.0 s. At its end: chance 0.15 fails with 0.9, and the
    // gap U(2.2, 5.5) with 0.0 gives 2.2 s.
    ScriptedRandom random({0.5, 0.9, 0.0});
    LiveFace face(random);
    face.frame(E::content, std::nullopt, 10.0);
    EXPECT_EQ(face.frame(E::content, std::nullopt, 11.99).blink, 0);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 12.04).blink, 0.5, 1e-9);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 12.08).blink, 1.0, 1e-9);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 12.12).blink, 0.5, 1e-9);
    EXPECT_EQ(face.frame(E::content, std::nullopt, 12.17).blink, 0);
    // Next blink at 12.16 + 2.2.
    EXPECT_EQ(face.frame(E::content, std::nullopt, 14.35).blink, 0);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 14.44).blink, 1.0, 1e-9);
}

TEST(LiveFaceTest, SometimesBlinksTwice) {
    // 0.1 < 0.15: a second blink 0.12 s after the first ends.
    ScriptedRandom random({0.0, 0.1, 0.9, 0.0});
    LiveFace face(random);
    face.frame(E::content, std::nullopt, 0);  // first blink at 1.0
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 1.08).blink, 1.0, 1e-9);
    EXPECT_EQ(face.frame(E::content, std::nullopt, 1.2).blink, 0);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 1.28 + 0.08).blink, 1.0, 1e-9);
}

TEST(LiveFaceTest, NeverBlinksThreeTimesRunning) {
    // Every draw is 0.1 (below 0.15), yet after the second blink (1.28...1.44) the ordinary gap
    // follows: U(2.2, 5.5) with 0.1 puts the next blink at 1.44 + 2.53.
    ScriptedRandom random({0.0, 0.1, 0.1});
    LiveFace face(random);
    face.frame(E::content, std::nullopt, 0);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 1.36).blink, 1.0, 1e-9);
    EXPECT_EQ(face.frame(E::content, std::nullopt, 1.64).blink, 0);
    EXPECT_EQ(face.frame(E::content, std::nullopt, 3.9).blink, 0);
    EXPECT_NEAR(face.frame(E::content, std::nullopt, 1.44 + 2.53 + 0.08).blink, 1.0, 1e-9);
}

TEST(LiveFaceTest, SameSeedSameFaces) {
    SeededRandom r1(42), r2(42);
    LiveFace a(r1), b(r2);
    for (int i = 0; i < 600; ++i) {
        const double t = i / 60.0;
        const E target = (i / 97) % 2 ? E::happy : E::content;
        EXPECT_EQ(a.frame(target, 3.0 * i, t), b.frame(target, 3.0 * i, t));
    }
}
