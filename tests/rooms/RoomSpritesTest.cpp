// Where the room's moving pieces lie, which of them changed, and drawing only what meets the damage.
#include "rooms/RoomSprites.h"

#include "scenery/HolidayDecor.h"
#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"
#include "scenery/WindowViews.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <QPainter>

#include <gtest/gtest.h>

namespace kp {
namespace {

// The pieces of one frame that fills `rect` (points) with `colour` at device scale 2, beside a
// still bar along the top.
std::vector<RoomSprites::Piece> frame(RoomSprites& sprites, const QRectF& rect, const QColor& colour) {
    QPainter& p = sprites.gather(2, QSize(400, 200));
    {
        const scenery::StillDrawing still;
        p.fillRect(QRectF(0, 0, 200, 4), Qt::gray);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(rect);
    return sprites.endGather();
}

TEST(RoomSprites, OnlyWhatChangedIsDamageWhereItIsAndWhereItWas) {
    RoomSprites sprites;
    const auto first = frame(sprites, QRectF(10, 10, 20, 10), Qt::red);
    // One piece, in device pixels with a pixel's margin; the still bar is no piece.
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].rect.contains(QRect(20, 20, 40, 20)));
    EXPECT_FALSE(first[0].rect.intersects(QRect(0, 0, 400, 8)));
    EXPECT_LE(first[0].rect.width(), 44);

    // The same drawing again: nothing to do.
    EXPECT_TRUE(RoomSprites::damage(frame(sprites, QRectF(10, 10, 20, 10), Qt::red), first).isEmpty());
    // Another colour in the same place: that place.
    const QRegion recoloured = RoomSprites::damage(frame(sprites, QRectF(10, 10, 20, 10), Qt::blue), first);
    EXPECT_TRUE(recoloured.contains(QRect(20, 20, 40, 20)));
    // Moved: where it is and where it was, and nothing between.
    const QRegion moved = RoomSprites::damage(frame(sprites, QRectF(100, 10, 20, 10), Qt::red), first);
    EXPECT_TRUE(moved.contains(QRect(20, 20, 40, 20)));
    EXPECT_TRUE(moved.contains(QRect(200, 20, 40, 20)));
    EXPECT_FALSE(moved.intersects(QRect(100, 20, 60, 20)));
}

TEST(RoomSprites, AShapeThatStaysIsNotDamageForANeighbourThatChanges) {
    RoomSprites sprites;
    const auto two = [&](const QColor& lamp) {
        QPainter& p = sprites.gather(2, QSize(400, 200));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        p.drawRect(QRectF(10, 10, 40, 10));  // a long still shape
        p.setBrush(lamp);
        p.drawRect(QRectF(50, 10, 10, 10));  // touching it, changing colour
        return sprites.endGather();
    };
    const auto first = two(Qt::blue);
    EXPECT_TRUE(RoomSprites::damage(two(Qt::blue), first).isEmpty());
    const QRegion damage = RoomSprites::damage(two(Qt::green), first);
    EXPECT_TRUE(damage.contains(QRect(100, 20, 20, 20)));
    EXPECT_FALSE(damage.intersects(QRect(20, 20, 70, 20)));
    // Gone: where it was.
    EXPECT_TRUE(RoomSprites::damage({}, first).contains(QRect(20, 20, 100, 20)));
}

TEST(RoomSprites, ChangesFarApartAreDrawnAgainWithoutTheStillRoomBetweenThem) {
    RoomSprites sprites;
    // Twenty-four small lights over the room, six along and four down, each 6 points square.
    const auto lights = [&](const QColor& colour) {
        QPainter& p = sprites.gather(2, QSize(1280, 320));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 4; ++j) p.drawRect(QRectF(10 + 100 * i, 10 + 40 * j, 6, 6));
        return sprites.endGather();
    };
    const auto first = lights(Qt::red);
    const QRegion damage = RoomSprites::damage(lights(Qt::yellow), first);
    for (const RoomSprites::Piece& piece : first) EXPECT_TRUE(damage.contains(piece.rect));
    // Some still wall around and between the lights of a column may be drawn again, never the
    // room between two columns.
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(damage.intersects(QRect(45 + 200 * i, 0, 150, 320))) << i;
}

TEST(RoomSprites, APieceOverTwoChangingBandsDoesNotJoinThemAndAllBetween) {
    // A garland's band and a lawn's band across the room change every frame, and a light that
    // reaches over both.
    const auto frame = [](std::uint64_t digest) {
        return std::vector<RoomSprites::Piece>{{QRect(0, 0, 1280, 40), digest},
                                               {QRect(0, 200, 1280, 40), digest},
                                               {QRect(600, 20, 34, 200), digest}};
    };
    const QRegion damage = RoomSprites::damage(frame(2), frame(1));
    EXPECT_TRUE(damage.contains(QRect(0, 0, 1280, 40)));
    EXPECT_TRUE(damage.contains(QRect(0, 200, 1280, 40)));
    EXPECT_TRUE(damage.contains(QRect(600, 20, 34, 200)));
    // The wall between the bands, away from the light, is not drawn again.
    EXPECT_FALSE(damage.intersects(QRect(0, 60, 560, 120)));
    EXPECT_FALSE(damage.intersects(QRect(680, 60, 600, 120)));
    // Its rectangles never overlap: each is drawn within alone.
    int area = 0;
    for (const QRect& r : damage) area += r.width() * r.height();
    EXPECT_EQ(area, 2 * 1280 * 40 + 34 * 160);
}

TEST(RoomSprites, AKeptPictureIsToldByItsKeyWithoutBeingDrawn) {
    RoomSprites sprites;
    int drawn = 0;
    const auto frame = [&](std::uint64_t key) {
        QPainter& p = sprites.gather(2, QSize(400, 200));
        scenery::drawSprite(p, key, QRectF(10, 10, 20, 10), [&](QPainter& q) {
            ++drawn;
            q.fillRect(QRectF(10, 10, 20, 10), Qt::red);
        });
        return sprites.endGather();
    };
    const auto first = frame(0x7E57000000000001ull);
    EXPECT_EQ(drawn, 0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].rect.contains(QRect(20, 20, 40, 20)));
    EXPECT_LE(first[0].rect.width(), 44);
    EXPECT_TRUE(RoomSprites::damage(frame(0x7E57000000000001ull), first).isEmpty());
    EXPECT_TRUE(RoomSprites::damage(frame(0x7E57000000000002ull), first).contains(QRect(20, 20, 40, 20)));
}

TEST(RoomSprites, APieceThatTurnsIsDrawnOnceAndLaidTurned) {
    // A flame swaying by a different angle every frame, in pieces drawn at a scale of their own.
    for (const double scale : {0.9, 1.1, 2.2}) {
        QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
        int drawn = 0;
        for (int frame = 0; frame < 60; ++frame) {
            QPainter p(&img);
            p.scale(scale, scale);
            p.translate(50, 50);
            p.rotate(6 * std::sin(0.05 * frame));
            scenery::drawSprite(p, 0x7E57F1A000000000ull, QRectF(-4, -10, 8, 11), [&](QPainter& q) {
                ++drawn;
                q.fillRect(QRectF(-3, -9, 6, 9), Qt::red);
            });
        }
        EXPECT_EQ(drawn, 1) << scale;
    }
}

TEST(RoomSprites, ABandOfPicturesIsDamageOnlyWhereOneOfThemChanged) {
    RoomSprites sprites;
    scenery::StripPicture strip;
    QImage dot(8, 8, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::red);
    double stamp = 0;
    // Ten dots along a band, laid as one picture; the sixth fades by `fade`.
    const auto band = [&](double fade) {
        QPainter& p = sprites.gather(2, QSize(400, 200));
        if (strip.prepare(p, 1, QRectF(0, 0, 200, 10), ++stamp)) {
            if (strip.due())
                for (int i = 0; i < 10; ++i) strip.blend(dot, QPoint(i * 40, 0), i == 5 ? fade : 1.0);
            strip.lay(p);
        }
        return sprites.endGather();
    };
    const auto first = band(1);
    EXPECT_TRUE(RoomSprites::damage(band(1), first).isEmpty());
    const QRegion faded = RoomSprites::damage(band(0.5), first);
    EXPECT_TRUE(faded.contains(QRect(200, 0, 8, 8)));
    EXPECT_FALSE(faded.intersects(QRect(0, 0, 180, 20)));
    EXPECT_FALSE(faded.intersects(QRect(230, 0, 170, 20)));
}

TEST(RoomSprites, ABaublesTwinkleIsDrawnAgainOverTheBaubleAloneNotItsHook) {
    RoomSprites sprites;
    // A garland 300 points wide at ratio 2: its first bauble hangs at (3.7, 34.6), and at this time
    // its sway is at its widest (it stands still) while its twinkle dims a step within 0.01 s.
    const double widest = 3.14159265358979323846 / 3.2;
    const auto at = [&](double t) {
        QPainter& p = sprites.gather(2, QSize(600, 200));
        HolidayGarland{Holiday::christmas, 34, 6, 1, t, false, false}.paint(p, QRectF(0, 0, 300, 100));
        return sprites.endGather();
    };
    const auto before = at(widest);
    const QRegion first = RoomSprites::damage(at(widest + 0.01), before) & QRect(0, 0, 16, 200);
    ASSERT_FALSE(first.isEmpty()) << "the first bauble twinkled";
    // From a point and a half below the hook, where the bauble starts; the hook and the rope stand.
    EXPECT_GE(first.boundingRect().top(), 70);
    EXPECT_LE(first.boundingRect().bottom(), 2 * (34.6 + 10.5) + 1);
}

TEST(RoomSprites, ADimmedGarlandIsDrawnAgainWhereItsBaublesChangedNotOverTheWholeRoom) {
    RoomSprites sprites;
    // The garland dimmed while the cat sleeps the night, at ratio 2 in a room 300 x 100 points.
    const auto at = [&](double t) {
        QPainter& p = sprites.gather(2, QSize(600, 200));
        HolidayGarland{Holiday::christmas, 34, 6, 1, t, true, false}.paint(p, QRectF(0, 0, 300, 100));
        return sprites.endGather();
    };
    const auto before = at(100);
    const QRegion damage = RoomSprites::damage(at(100 + 1.0 / 60), before);
    ASSERT_FALSE(damage.isEmpty()) << "its baubles twinkle";
    // Within the garland's band, from its hooks to its lowest bauble; the room above and below stands.
    EXPECT_GE(damage.boundingRect().top(), 2 * 34 - 4);
    EXPECT_LE(damage.boundingRect().bottom(), 2 * (34 + 6 + 12));
    long long area = 0;
    for (const QRect& r : damage) area += static_cast<long long>(r.width()) * r.height();
    EXPECT_LT(area, 600 * 200 / 4);

    // Drawn again within a part of the room, it looks there as drawn whole.
    const auto drawn = [&](const QRegion& where) {
        QImage img(600, 200, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor(60, 50, 70));
        QPainter target(&img);
        target.setClipRegion(where);
        QPainter& p = sprites.filter(target, where, 2, img.size());
        HolidayGarland{Holiday::christmas, 34, 6, 1, 100, true, false}.paint(p, QRectF(0, 0, 300, 100));
        sprites.endFilter();
        target.end();
        return img;
    };
    const QRect part(150, 60, 120, 50);
    const QImage whole = drawn(QRegion(0, 0, 600, 200));
    // Drawn within other parts first, which leave the layer holding the garland elsewhere; then
    // within the part and a corner far from the garland, each shown alone.
    drawn(QRegion(100, 50, 300, 40) + QRegion(0, 0, 40, 40));
    const QRect corner(560, 180, 30, 15);
    const QImage within = drawn(QRegion(part) + QRegion(corner));
    int worst = 0, inked = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x) {
            const QRgb a = whole.pixel(x, y), b = within.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            inked += a != QColor(60, 50, 70).rgb();
        }
    EXPECT_LE(worst, 1);
    EXPECT_GT(inked, 500);  // the garland shows there, faded over the wall
    for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
            ASSERT_EQ(within.pixel(x, y), QColor(60, 50, 70).rgb()) << "the garland reaches no lower corner";
    for (const QPoint outside : {QPoint(50, 70), QPoint(300, 150), QPoint(550, 100)})
        EXPECT_EQ(within.pixel(outside), QColor(60, 50, 70).rgb()) << "nothing is laid outside what is shown";
}

TEST(RoomSprites, ABandRefreshedWhereOnePictureChangedIsPutAgainOnlyThereAsIfRebuiltWhole) {
    RoomSprites sprites;
    int drawn = 0;
    // A band of twelve overlapping discs at scale 2, the sixth faded by `fade`, drawn through the
    // filter over a wall within `damage`.
    const auto frame = [&](scenery::StripPicture& strip, QImage& img, const QRegion& damage, double stamp, double fade) {
        QPainter target(&img);
        target.setClipRegion(damage);
        target.fillRect(img.rect(), QColor(230, 210, 180));
        QPainter& p = sprites.filter(target, damage, 2, img.size());
        ASSERT_TRUE(strip.prepare(p, 1, QRectF(5, 10, 100, 15), stamp));
        if (strip.due())
            for (int i = 0; i < 12; ++i)
                strip.blendKept(0x7E57B00000000000ull + i, 2, QRectF(0, 0, 10, 10), QPoint(i * 14, 3),
                                i == 5 ? fade : 0.4 + 0.05 * i, [&, i](QPainter& q) {
                                    ++drawn;
                                    q.setPen(Qt::NoPen);
                                    q.setBrush(QColor::fromHsv(i * 30, 200, 220, 180));
                                    q.drawEllipse(QRectF(0, 0, 10, 10));
                                });
        strip.lay(p);
        sprites.endFilter();
    };
    QImage shown(400, 200, QImage::Format_ARGB32_Premultiplied), whole = shown, again = shown;
    const QRegion all(shown.rect());
    scenery::StripPicture strip, fresh;
    frame(strip, shown, all, 1, 1.0);
    // The sixth disc (device pixels 80..100 across) fades: only it and the two it overlaps are put.
    scenery::dropSprites();
    drawn = 0;
    frame(strip, shown, QRegion(80, 23, 20, 20), 2, 0.5);
    EXPECT_EQ(drawn, 3);
    frame(fresh, whole, all, 2, 0.5);
    EXPECT_EQ(shown, whole);
    // The same frame drawn whole after it puts the whole band together.
    frame(strip, again, all, 2, 0.5);
    EXPECT_EQ(again, whole);
}

TEST(RoomSprites, AWindowsSlowSwayAndDriftAreDrawnAgainOnlyOnceTheyMoveAVisibleStep) {
    RoomSprites sprites;
    // A cloudy window: its four clouds drift and its curtains sway, each by a small part of a pixel
    // a frame: most frames leave it alone.
    const auto window = [&](double t) {
        QPainter& p = sprites.gather(1, QSize(200, 100));
        PlainWindowView{{SkyTime::day, SkyWeather::cloudy}, t}.paint(p, QRectF(20, 20, 76, 52));
        return sprites.endGather();
    };
    const double t0 = 820000000;
    int unchanged = 0;
    auto last = window(t0);
    for (int i = 1; i <= 60; ++i) {
        auto now = window(t0 + i / 60.0);
        if (RoomSprites::damage(now, last).isEmpty()) ++unchanged;
        last = now;
    }
    EXPECT_GT(unchanged, 30);
    // Far enough apart, they have moved.
    const auto later = window(t0 + 3);
    EXPECT_FALSE(RoomSprites::damage(later, window(t0)).isEmpty());
}

// A label is told by its letters, its last ones included: with letters of one width only a change
// of letter can tell two drawings apart.
TEST(RoomSprites, ALabelIsDrawnAgainWhereALetterChangedAndNotWhenItStays) {
    RoomSprites sprites;
    const auto label = [&](const QString& text) {
        QPainter& p = sprites.gather(2, QSize(400, 200));
        p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
        p.setPen(Qt::white);
        p.drawText(QPointF(20, 40), text);
        return sprites.endGather();
    };
    for (const QString& text : {QStringLiteral("Mochi"), QStringLiteral("Mochi naps")}) {
        const auto first = label(text);
        ASSERT_EQ(first.size(), 1u) << text.toStdString();
        EXPECT_TRUE(RoomSprites::damage(label(text), first).isEmpty()) << text.toStdString();
        for (qsizetype i : {qsizetype(0), text.size() - 1}) {
            QString other = text;
            other[i] = u'x';
            const auto changed = label(other);
            ASSERT_EQ(changed.size(), 1u);
            EXPECT_EQ(changed[0].rect, first[0].rect) << "letters of one width";
            EXPECT_TRUE(RoomSprites::damage(changed, first).contains(first[0].rect)) << other.toStdString();
        }
    }
}

TEST(RoomSprites, TheFilterDrawsOnlyTheShapesThatMeetTheDamage) {
    RoomSprites sprites;
    QImage img(400, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter target(&img);
        const QRegion damage(QRect(0, 0, 100, 200));
        target.setClipRegion(damage);
        QPainter& p = sprites.filter(target, damage, 2, img.size());
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        p.drawRect(QRectF(10, 10, 20, 20));    // inside the damage
        p.drawRect(QRectF(40, 10, 40, 20));    // across its edge: drawn up to it
        p.setBrush(Qt::blue);
        p.drawEllipse(QRectF(120, 10, 20, 20));  // outside it: dropped
        p.save();
        p.setClipRect(QRectF(10, 50, 5, 5));
        p.drawRect(QRectF(0, 40, 40, 40));     // its own clip kept within the damage
        p.restore();
        sprites.endFilter();
    }
    EXPECT_EQ(img.pixelColor(40, 40), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(95, 40), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(105, 40), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(260, 40), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(25, 105), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(5, 105), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(25, 125), QColor(Qt::white));
}

}  // namespace
}  // namespace kp
