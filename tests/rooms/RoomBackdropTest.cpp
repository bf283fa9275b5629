// Walls and floor, the thunder startle's edge, and the night tint's dark room with a bright window.
#include "rooms/RoomBackdrop.h"
#include "rooms/RoomKinds.h"

#include "platform/Color.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace kp;

namespace {

int distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

QImage blank(int w = 640, int h = 160) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

}  // namespace

TEST(RoomBackdrop, WallsRunFromTopToBottomColourOverAFloorBandWithADarkEdge) {
    RoomBackdrop backdrop;
    for (IslandRoomKind kind : {IslandRoomKind::bedroom, IslandRoomKind::living, IslandRoomKind::kitchen,
                                IslandRoomKind::care}) {
        RoomFrame f;
        f.kind = kind;
        QImage img = blank();
        QPainter p(&img);
        backdrop.paintWalls(p, f);
        p.end();
        const RoomPalette& pal = roomPalette(kind);
        EXPECT_LE(distance(img.pixelColor(300, 0), colorFromHex(pal.wallTop)), 3) << int(kind);
        // The gradient runs over the whole room: at y 80 it stands halfway.
        const QColor top = colorFromHex(pal.wallTop), bottom = colorFromHex(pal.wallBottom);
        const QColor half((top.red() + bottom.red()) / 2, (top.green() + bottom.green()) / 2,
                          (top.blue() + bottom.blue()) / 2);
        EXPECT_LE(distance(img.pixelColor(300, 80), half), 2) << int(kind);
        EXPECT_LE(distance(img.pixelColor(300, 150), colorFromHex(pal.floor)), 1) << int(kind);
        // The floor's top edge is darker than the floor below it.
        EXPECT_LT(img.pixelColor(300, 126).lightness(), img.pixelColor(300, 140).lightness());
        EXPECT_EQ(img.pixelColor(0, 159).alpha(), 255);
    }
}

TEST(RoomBackdrop, ThunderStartlesOncePerRisingFlashWithItsStormPeriod) {
    ThunderWatch watch;
    EXPECT_FALSE(watch.update(0, 90.0));
    EXPECT_EQ(watch.update(1.0, 95.01), 10);   // rises: period 95 / 9 = 10
    EXPECT_FALSE(watch.update(1.0, 95.03));    // still above 0.5: nothing new
    EXPECT_FALSE(watch.update(0.6, 95.2));
    EXPECT_FALSE(watch.update(0.0, 95.3));     // falls
    EXPECT_EQ(watch.update(1.0, 100.5), 11);   // the next period's flash
    EXPECT_FALSE(watch.update(0.5, 100.6));    // exactly 0.5 is not above it
    EXPECT_EQ(watch.update(0.6, 100.7), 11);   // a second rise in the period reports it again; the cat ignores repeats
}

TEST(RoomBackdrop, NightTintEasesInAndOutOverTwoSeconds) {
    NightTintFade fade;
    EXPECT_DOUBLE_EQ(fade.update(false, 100), 0);
    EXPECT_DOUBLE_EQ(fade.update(true, 100), 0);
    EXPECT_NEAR(fade.update(true, 101.1), 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(fade.update(true, 102.2), 1);
    EXPECT_DOUBLE_EQ(fade.update(true, 200), 1);
    // Turning back halfway starts from where the tint stands.
    EXPECT_DOUBLE_EQ(fade.update(false, 300), 1);
    EXPECT_NEAR(fade.update(false, 301.1), 0.5, 1e-9);
    const double mid = fade.update(true, 301.1);
    EXPECT_NEAR(mid, 0.5, 1e-9);
    EXPECT_GT(fade.update(true, 302), 0.5);
    // A room that opens on a sleeping cat shows the tint at once.
    NightTintFade fresh;
    EXPECT_DOUBLE_EQ(fresh.update(true, 5), 1);
}

TEST(RoomBackdrop, NightTintDarkensTheRoomButNotTheWindowAndPoolsMoonlight) {
    RoomBackdrop backdrop;
    RoomFrame f;
    QImage img = blank();
    img.fill(Qt::white);
    QPainter p(&img);
    backdrop.paintNightTint(p, f, 1.0);
    p.end();
    const int windowX = int(0.78 * 640);
    // The room goes dark (#05081A at 0.8 over white).
    EXPECT_LT(img.pixelColor(100, 60).lightness(), 70);
    // The window stays bright in the middle.
    EXPECT_GT(img.pixelColor(windowX, 63).lightness(), 240);
    // Moonlight on the floor below the window is lighter than the floor far from it.
    EXPECT_GT(img.pixelColor(windowX - 10, 130).blue(), img.pixelColor(60, 130).blue());
    // Nothing at zero opacity.
    QImage clear = blank();
    clear.fill(Qt::white);
    QPainter q(&clear);
    backdrop.paintNightTint(q, f, 0.0);
    q.end();
    EXPECT_EQ(clear.pixelColor(100, 60), QColor(Qt::white));
}

TEST(RoomBackdrop, StormFlashWhitensTheRoomOnlyWhileItFlashes) {
    RoomBackdrop backdrop;
    RoomFrame f;
    f.kind = IslandRoomKind::kitchen;
    QImage dark = blank(), lit = blank();
    {
        QPainter p(&dark);
        backdrop.paintWalls(p, f);
        backdrop.paintStormFlash(p, f);
    }
    f.flash = 1;
    {
        QPainter p(&lit);
        backdrop.paintWalls(p, f);
        backdrop.paintStormFlash(p, f);
    }
    EXPECT_GT(lit.pixelColor(200, 50).lightness(), dark.pixelColor(200, 50).lightness() + 5);
}
