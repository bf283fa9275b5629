// Contact sheet of the props, for a person to look at: set KP_PROPS_SHEET to a folder and run
// this test; it writes props-sheet.png there (at 4x). It checks that every holiday's prop (light
// and dark), garland, wreath and mobile paints something in its cell.
#include "scenery/CoinIcon.h"
#include "scenery/Fireworks.h"
#include "scenery/HolidayDecor.h"
#include "scenery/HolidayProp.h"
#include "scenery/ShopArt.h"
#include "scenery/TomatoClock.h"
#include "scenery/WardrobeRack.h"

#include "platform/EnumNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

namespace kp {
namespace {

TEST(HolidayPropsSheet, RendersEveryProp) {
    const double zoom = 4;
    QImage img(QSize(int(600 * zoom), int(420 * zoom)), QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor("#3A3A46"));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(zoom, zoom);

    // Row 1: the eight holiday props, light and dark.
    for (Holiday h : allCases<Holiday>()) {
        const int i = static_cast<int>(h);
        p.fillRect(QRectF(10 + 60 * i, 10, 50, 56), QColor("#EDE3D6"));
        HolidayProp{h, 1.3, false}.paint(p, QRectF(10 + 60 * i, 12, 50, 56));
        p.fillRect(QRectF(10 + 60 * i, 70, 50, 56), QColor("#2B2A3A"));
        HolidayProp{h, 1.3, true}.paint(p, QRectF(10 + 60 * i, 72, 50, 56));
    }
    // Row 2: garlands (pinned on the left half) and wreaths.
    for (Holiday h : allCases<Holiday>()) {
        const int i = static_cast<int>(h);
        p.fillRect(QRectF(10 + 60 * i, 132, 50, 110), QColor("#EDE3D6"));
        HolidayGarland g{h, 6, 4, 0.8, 0.7, false, i % 2 == 0};
        g.paint(p, QRectF(10 + 60 * i, 132, 50, 30));
        HolidayWreath{h, 0.9, 0.7, false}.paint(p, QRectF(13 + 60 * i, 160, 44, 44));
        HolidayMobiles m{h, 0, {0.2, 0.5, 0.8}, {9, 15, 7}, 0.85, 0.7, false};
        m.paint(p, QRectF(10 + 60 * i, 205, 50, 37));
    }
    // Row 3: shop icons.
    for (ShopItem item : allCases<ShopItem>()) {
        const int i = static_cast<int>(item);
        p.fillRect(QRectF(10 + 50 * i, 250, 46, 42), QColor("#1F1F1F"));
        ShopItemIcon{item, 0.3}.paint(p, QRectF(11 + 50 * i, 251, 44, 40));
    }
    // Row 4: room art, tomato clocks, coins, rack, fireworks.
    p.fillRect(QRectF(10, 300, 580, 110), QColor("#EDE3D6"));
    BoxArt{BoxArt::Part::back}.paint(p, QRectF(10, 300, 40, 24));
    BoxArt{BoxArt::Part::front}.paint(p, QRectF(10, 330, 40, 24));
    HangingPlantArt{6, 0}.paint(p, QRectF(55, 300, 30, 50));
    LaserDotArt{0.1}.paint(p, QRectF(90, 300, 8, 8));
    YarnArt{0.8}.paint(p, QRectF(90, 320, 28, 14));
    const double progress[] = {0, 0.25, 0.6, 1};
    for (int i = 0; i < 4; ++i) {
        TomatoClock{progress[i], false, i == 2, 0}.paint(p, QRectF(130 + 28 * i, 305, 22, 20));
        TomatoClock{progress[i], true, false, 0.05 + 0.1 * i}.paint(p, QRectF(130 + 28 * i, 335, 22, 20));
    }
    CoinIcon{8}.paint(p, QRectF(250, 305, 8, 8));
    CoinIcon{13}.paint(p, QRectF(262, 305, 13, 13));
    CoinIcon{30}.paint(p, QRectF(280, 305, 30, 30));
    CoinGainLabel{12, 9}.paint(p, QRectF(250, 345, 40, 14));
    CoinGainLabel{-3, 13}.paint(p, QRectF(250, 362, 60, 18));
    WardrobeRack{true, 0.4}.paint(p, QRectF(320, 310, 48, 54));
    WardrobeRack{false, 0.9}.paint(p, QRectF(375, 310, 48, 54));
    p.fillRect(QRectF(430, 300, 150, 100), QColor("#1B2340"));
    WindowFireworks{3.7}.paint(p, QRectF(430, 300, 150, 100));
    p.end();

    // Pixels of a cell (points) that differ from its plain fill.
    auto drawn = [&](const QRectF& cell, const QColor& fill) {
        int n = 0;
        const QRect px(QPoint(int(cell.left() * zoom), int(cell.top() * zoom)), QSize(int(cell.width() * zoom), int(cell.height() * zoom)));
        for (int y = px.top(); y <= px.bottom(); y += 2)
            for (int x = px.left(); x <= px.right(); x += 2) {
                const QColor c = img.pixelColor(x, y);
                if (std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) + std::abs(c.blue() - fill.blue()) > 30) ++n;
            }
        return n;
    };
    for (Holiday h : allCases<Holiday>()) {
        const int i = static_cast<int>(h);
        EXPECT_GT(drawn(QRectF(10 + 60 * i, 10, 50, 56), QColor("#EDE3D6")), 40) << i;
        EXPECT_GT(drawn(QRectF(10 + 60 * i, 70, 50, 56), QColor("#2B2A3A")), 40) << i;
        EXPECT_GT(drawn(QRectF(10 + 60 * i, 132, 50, 28), QColor("#EDE3D6")), 20) << i;
        EXPECT_GT(drawn(QRectF(13 + 60 * i, 160, 44, 44), QColor("#EDE3D6")), 20) << i;
        EXPECT_GT(drawn(QRectF(10 + 60 * i, 205, 50, 37), QColor("#EDE3D6")), 20) << i;
    }

    const QByteArray dir = qgetenv("KP_PROPS_SHEET");
    if (!dir.isEmpty()) {
        ASSERT_TRUE(img.save(QDir(QString::fromLocal8Bit(dir)).filePath("props-sheet.png")));
    }
}

}  // namespace
}  // namespace kp
