// A picture laid with a tint over it in one pass: the same pixels as a copy and then a fill.
#include "scenery/PixelBlend.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <random>

namespace kp::scenery {
namespace {

// Premultiplied pixels of every kind: clear, opaque, faint and in between, each alpha with
// colours within it.
QImage anyPixels(QSize size, unsigned seed) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int kind = static_cast<int>(random() % 4);
            const int a = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<int>(random() % 256);
            const auto channel = [&] { return a == 0 ? 0 : static_cast<int>(random() % (a + 1)); };
            line[x] = qRgba(channel(), channel(), channel(), a);
        }
    }
    return image;
}

TEST(TintedLay, LaysThePictureCopiedWithTheTintFilledOverIt) {
    // Rows of every length (whole vector steps and the pixels left over), at a shift, within a
    // clip that cuts the rectangles, under tints faint and strong.
    const QImage picture = anyPixels(QSize(97, 41), 7);
    const QRegion where = QRegion(0, 0, 97, 9) + QRegion(3, 12, 1, 5) + QRegion(10, 20, 37, 21) + QRegion(60, 14, 31, 17);
    for (const QColor tint : {QColor(20, 30, 70, 150), QColor(255, 180, 90, 40), QColor(0, 0, 0, 255), QColor(9, 9, 9, 1)}) {
        QImage laid(120, 60, QImage::Format_ARGB32_Premultiplied), expected = laid.copy();
        laid.fill(qRgba(1, 2, 3, 4));
        expected.fill(qRgba(1, 2, 3, 4));
        {
            QPainter p(&laid);
            p.setClipRect(QRect(5, 3, 100, 44));
            p.translate(11, 4);
            ASSERT_TRUE(layTinted(p, picture, where, solidPixel(tint)));
        }
        {
            QPainter p(&expected);
            p.setClipRect(QRect(5, 3, 100, 44));
            p.translate(11, 4);
            for (const QRect& r : where) {
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(r.topLeft(), picture, r);
                p.setCompositionMode(QPainter::CompositionMode_SourceOver);
                p.fillRect(r, tint);
            }
        }
        int off = 0;
        for (int y = 0; y < laid.height(); ++y)
            for (int x = 0; x < laid.width(); ++x) off += laid.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(off, 0) << tint.name(QColor::HexArgb).toStdString();
    }
}

TEST(TintedLay, LeavesToThePainterWhatItCannotLayPixelForPixel) {
    const QImage picture = anyPixels(QSize(8, 8), 3);
    QImage target(16, 16, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::white);
    QPainter p(&target);
    p.translate(0.5, 0);
    EXPECT_FALSE(layTinted(p, picture, QRegion(0, 0, 8, 8), qRgba(0, 0, 0, 128)));
    p.resetTransform();
    p.scale(2, 2);
    EXPECT_FALSE(layTinted(p, picture, QRegion(0, 0, 8, 8), qRgba(0, 0, 0, 128)));
    p.resetTransform();
    p.setClipRegion(QRegion(0, 0, 4, 4) + QRegion(8, 8, 4, 4));
    EXPECT_FALSE(layTinted(p, picture, QRegion(0, 0, 8, 8), qRgba(0, 0, 0, 128)));
    p.end();
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace kp::scenery
