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

TEST(CatOverlay, KeptWordsAndLettersLookAsDrawnShapeByShape) {
    // Words, letters, crumbs and puffs are laid down from kept pictures on whole pixels; a painter
    // stretched by a hair draws the same shapes straight. Both show the same ink, within a pixel of each other.
    static constexpr std::array<QStringView, 2> words{u"nom", u"nom!"};
    auto render = [](double scale, bool straight, double t) {
        QImage img(int(120 * scale), int(100 * scale), QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(scale);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        if (straight) p.scale(1, 1 + 1e-7);
        for (int i = 0; i < 3; ++i) paintSleepLetter(p, i, t, 2.4, -1, 30.3, 80.6);
        for (int i = 0; i < 2; ++i) paintWordPuff(p, i, t, 0.9, words, Qt::darkRed, 80.2, 1, 70.7);
        for (int i = 0; i < 3; ++i) paintCrumb(p, i, t, 50.3, 1, 30.6);
        for (int i = 0; i < 4; ++i) paintDustPuff(p, i, t, 60.1, -1, 40.4);
        p.end();
        img.setDevicePixelRatio(1);
        return img;
    };
    for (double scale : {1.0, 2.0}) {
        for (double t : {0.3, 1.1, 1.9}) {
            const QImage kept = render(scale, false, t), straight = render(scale, true, t);
            int ink = 0, far = 0;
            for (int y = 1; y + 1 < kept.height(); ++y)
                for (int x = 1; x + 1 < kept.width(); ++x) {
                    const QRgb a = kept.pixel(x, y);
                    if (qAlpha(a) == 0 && qAlpha(straight.pixel(x, y)) == 0) continue;
                    ++ink;
                    int best = 255;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const QRgb b = straight.pixel(x + dx, y + dy);
                            best = std::min(best, std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                                            std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))}));
                        }
                    far += best > 85;
                }
            EXPECT_GT(ink, 100 * scale * scale) << scale << " " << t;
            EXPECT_LT(far, ink / 50) << scale << " " << t;
        }
    }
}

}  // namespace
}  // namespace kp
