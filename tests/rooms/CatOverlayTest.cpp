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

    // A heart rises as it lives.
    const auto heartY = [&](double age) {
        return reactionBubble(reaction(PetReaction::Kind::heart, t - age), t, 640, 1, 100).centre.y();
    };
    EXPECT_LT(heartY(0.9), heartY(0.2));
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
