// The overlays around the cat: particles, words, letters, masks and the reaction bubbles.
#include "rooms/CatOverlay.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace kp {
namespace {

int inked(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += qAlpha(img.pixel(x, y)) > 30;
    return n;
}

TEST(CatOverlay, WordPuffStartsInvisibleAndSmallThenRises) {
    // u = 0 at t = 0 for the first word.
    const OverlayText w0 = wordPuff(0, 2, 0.0, 0.9, 100, 1, 50);
    EXPECT_DOUBLE_EQ(w0.opacity, 0);
    EXPECT_DOUBLE_EQ(w0.scale, 0.8);
    EXPECT_DOUBLE_EQ(w0.centre.y(), 36);
    // The second word runs half a period later and sits 12 points further along the facing.
    const OverlayText w1 = wordPuff(1, 2, 0.0, 0.9, 100, -1, 50);
    EXPECT_NEAR(w1.centre.x(), 100 - 8, 1e-9);
    EXPECT_NEAR(w1.centre.y(), 50 - 14 - 6, 1e-9);
    EXPECT_DOUBLE_EQ(w1.scale, 1.1);
    EXPECT_DOUBLE_EQ(w1.opacity, 1);
    // Late in its turn it fades: u = 0.8.
    EXPECT_NEAR(wordPuff(0, 1, 0.72, 0.9, 0, 1, 0).opacity, 1 - 0.25 / 0.45, 1e-9);
}

TEST(CatOverlay, SleepLetterGrowsDriftsAndFades) {
    const OverlayText z = sleepLetter(0, 1.2, 2.4, 1, 100, 60);  // u = 0.5
    EXPECT_DOUBLE_EQ(z.size, 10);
    EXPECT_DOUBLE_EQ(z.rotation, 0);
    EXPECT_DOUBLE_EQ(z.opacity, 1);
    EXPECT_NEAR(z.centre.x(), 100 + 14 + 2.5 * std::sin(M_PI), 1e-9);
    EXPECT_DOUBLE_EQ(z.centre.y(), 60 - 10 - 12);
    EXPECT_NEAR(sleepLetter(0, 2.4 * 0.9, 2.4, -1, 0, 0).opacity, 1 - 0.25 / 0.35, 1e-9);
    EXPECT_NEAR(sleepLetter(0, 2.4 * 0.9, 2.4, -1, 0, 0).rotation, -(24 * 0.9 - 12), 1e-9);
}

TEST(CatOverlay, ParticlesStreamBehindAndArc) {
    // Dust streams out behind a cat running right, grows and fades.
    const OverlayParticle d = dustPuff(2, 0.0, 200, 1, 100);  // p = 0.5
    EXPECT_DOUBLE_EQ(d.centre.x(), 200 - 25);
    EXPECT_DOUBLE_EQ(d.centre.y(), 98);
    EXPECT_DOUBLE_EQ(d.diameter, 7);
    EXPECT_DOUBLE_EQ(d.opacity, 0.5);
    // A crumb half way flies up then falls: y0 + 4 - 5 + 3.5.
    const OverlayParticle c = crumb(0, 0.5 / 1.6, 50, -1, 20);
    EXPECT_NEAR(c.centre.y(), 22.5, 1e-9);
    EXPECT_NEAR(c.centre.x(), 50 - 9, 1e-9);
    const OverlayParticle s = dirtSpeck(1, 0.0, 0, 1, 0);  // p = 0.27
    EXPECT_NEAR(s.centre.x(), 5 + 12 * 0.27, 1e-9);
}

TEST(CatOverlay, BoxMaskHidesOnlyWhileInTheBox) {
    const QRectF open(-200, -200, 400, 400);
    EXPECT_EQ(boxPlayMask(std::nullopt, 0), open);
    EXPECT_EQ(boxPlayMask(ToyPlayPhase::waiting(), 0), open);
    EXPECT_EQ(boxPlayMask(ToyPlayPhase::jumpingIn(0.4), -19), open);
    // Shifted: the lower edge lies 15 - hop below the figure's centre.
    EXPECT_DOUBLE_EQ(boxPlayMask(ToyPlayPhase::jumpingIn(0.5), -20).bottom(), 35);
    EXPECT_DOUBLE_EQ(boxPlayMask(ToyPlayPhase::inside(0, false), 5).bottom(), 10);
    EXPECT_DOUBLE_EQ(boxPlayMask(ToyPlayPhase::jumpingOut(0.5), -20).bottom(), 35);
    EXPECT_EQ(boxPlayMask(ToyPlayPhase::jumpingOut(0.6), -19), open);
}

TEST(CatOverlay, HouseDoorMaskOnlyWhilePeeking) {
    const QRectF door(475.6, 61, 72.8, 65);
    EXPECT_FALSE(houseDoorMask(false, door));
    const auto mask = houseDoorMask(true, door);
    ASSERT_TRUE(mask);
    EXPECT_TRUE(mask->contains(QPointF(door.center().x(), door.top() + 55)));
    EXPECT_FALSE(mask->contains(QPointF(door.left() + 1, door.top() + 1)));  // above the arch's shoulder
    EXPECT_FALSE(mask->contains(QPointF(door.left() - 5, door.center().y())));
}

PetReaction reaction(PetReaction::Kind kind, double born) {
    PetReaction r;
    r.kind = kind;
    r.born = born;
    r.place = 0.5;
    r.facing = 1;
    r.text = QStringLiteral("purr");
    return r;
}

TEST(CatOverlay, ReactionBubblesLiveByKind) {
    const double t = 1000;
    const OverlayBubble note = reactionBubble(reaction(PetReaction::Kind::note, t - 2.5), t, 640, 1, 100);
    EXPECT_TRUE(note.visible);
    EXPECT_GT(note.opacity, 0);
    EXPECT_LT(note.opacity, 0.15);  // faint
    EXPECT_FALSE(reactionBubble(reaction(PetReaction::Kind::heart, t - 1.5), t, 640, 1, 100).visible);
    EXPECT_FALSE(reactionBubble(reaction(PetReaction::Kind::meow, t + 0.2), t, 640, 1, 100).visible);

    // A heart pops in with an overshoot and rises; a meow sits in front of the face.
    const OverlayBubble h = reactionBubble(reaction(PetReaction::Kind::heart, t - 0.18), t, 640, 1, 100);
    EXPECT_NEAR(h.scale, 1 + 0.25 * 0.4, 1e-9);
    EXPECT_NEAR(h.centre.y(), 100 - 6 - 34 * 0.18 / 1.4, 1e-9);
    const OverlayBubble m = reactionBubble(reaction(PetReaction::Kind::meow, t - 0.95), t, 640, 0.8, 100);
    EXPECT_NEAR(m.centre.x(), 320 + 24, 1e-9);
    EXPECT_NEAR(m.centre.y(), 100 - 8 - 4, 1e-9);
}

TEST(CatOverlay, DrawingsStayNearTheirAnchor) {
    QImage img(120, 120, QImage::Format_ARGB32_Premultiplied);
    auto draw = [&](auto fn) {
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(60, 60);
        fn(p);
    };
    // Butterfly: a yellow left wing and a pink right wing about the centre.
    draw([](QPainter& p) { paintButterfly(p, std::asin(1.0) / 18); });  // wings fully open
    const QColor left = img.pixelColor(57, 60), right = img.pixelColor(63, 60);
    EXPECT_GT(left.red(), 200);
    EXPECT_GT(left.green(), 180);
    EXPECT_GT(right.red(), 200);
    EXPECT_LT(right.green(), 190);
    EXPECT_EQ(qAlpha(img.pixel(70, 60)), 0);

    // Sleep letter and words draw something, and only near their place.
    draw([](QPainter& p) { paintSleepLetter(p, 0, 1.2, 2.4, 1, 0, 30); });
    EXPECT_GT(inked(img), 10);
    const std::array<QStringView, 2> words{u"nom", u"nom!"};
    draw([&](QPainter& p) { paintWordPuff(p, 0, 0.3, 0.9, words, QColor("#5C4636"), 0, 1, 20); });
    EXPECT_GT(inked(img), 10);

    // Each reaction kind draws.
    for (auto kind : {PetReaction::Kind::heart, PetReaction::Kind::grumble, PetReaction::Kind::meow,
                      PetReaction::Kind::note}) {
        draw([&](QPainter& p) { paintReactionBubble(p, reaction(kind, 99.5), 100, 0, 1, 10); });
        EXPECT_GT(inked(img), 20) << int(kind);
    }
}

}  // namespace
}  // namespace kp
