// Renders each room's furniture to PNG files for a look by eye: set KP_FURNITURE_PNG_DIR to a
// folder. Without it the case is skipped.
#include "rooms/BedroomFurniture.h"
#include "rooms/CareRoomFurniture.h"
#include "rooms/Fireplace.h"
#include "rooms/KitchenFurniture.h"
#include "rooms/LivingFurniture.h"
#include "rooms/RoomShapesScenery.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

namespace kp {
namespace {

constexpr int kZoom = 3;

RoomFrame frameAt(double t, IslandRoomKind kind) {
    RoomFrame f;
    f.t = t;
    f.kind = kind;
    f.ballX = 0.58 * f.width;
    return f;
}

// A plain wall and floor behind the furniture, painted at kZoom.
QImage roomImage(const RoomFrame& f, QPainter& p) {
    QImage img(static_cast<int>(f.width * kZoom), static_cast<int>(f.height * kZoom), QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor("#EADCCB"));
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kZoom, kZoom);
    p.fillRect(QRectF(0, f.floorLine, f.width, f.height - f.floorLine), QColor("#B89878"));
    return img;
}

void save(const QImage& img, const QString& name) {
    const QString dir = qEnvironmentVariable("KP_FURNITURE_PNG_DIR");
    QDir().mkpath(dir);
    img.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void outline(QPainter& p, const RoomHotspots& hot) {
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < hot.size(); ++i) {
        p.setPen(QPen(hot[i].enabled ? QColor(0, 160, 255, 160) : QColor(255, 0, 0, 160), 0.4));
        p.drawRect(hot[i].area);
    }
}

TEST(RoomShapesPngs, RenderRooms) {
    if (qEnvironmentVariableIsEmpty("KP_FURNITURE_PNG_DIR")) GTEST_SKIP() << "KP_FURNITURE_PNG_DIR not set";
    SceneryPieces scenery;
    const double t = 8.0e8 + 1.3;
    for (bool hits : {false, true}) {
        const QString suffix = hits ? QStringLiteral("-hits") : QString();
        {
            QPainter p;
            RoomFrame f = frameAt(t, IslandRoomKind::bedroom);
            QImage img = roomImage(f, p);
            BedroomState s;
            paintBedroomFurniture(p, f, s, &scenery);
            RoomHotspots hot;
            addBedroomHotspots(f, s, hot);
            if (hits) outline(p, hot);
            p.end();
            save(img, QStringLiteral("bedroom-plain") + suffix);
        }
        {
            QPainter p;
            RoomFrame f = frameAt(t, IslandRoomKind::bedroom);
            QImage img = roomImage(f, p);
            BedroomState s;
            s.shopOn = s.portraitShown = s.hangingPlantShown = s.rugShown = s.cushionShown = true;
            s.toys = {true, true, true, true};
            s.wardrobeOpen = s.freshGifts = true;
            s.windowOpen = true;
            s.scratching = true;
            s.phase = Pomodoro::Phase::focus;
            s.pomodoroProgress = 0.4;
            paintBedroomFurniture(p, f, s, &scenery);
            RoomHotspots hot;
            addBedroomHotspots(f, s, hot);
            if (hits) outline(p, hot);
            p.end();
            save(img, QStringLiteral("bedroom-shop") + suffix);
        }
        for (bool watching : {false, true}) {
            QPainter p;
            RoomFrame f = frameAt(t, IslandRoomKind::living);
            QImage img = roomImage(f, p);
            LivingState s;
            s.watching = watching;
            paintLivingFurniture(p, f, s, &scenery);
            RoomHotspots hot;
            addLivingHotspots(f, s, hot);
            if (hits) outline(p, hot);
            p.end();
            save(img, QStringLiteral("living-") + (watching ? QStringLiteral("tv") : QStringLiteral("off")) + suffix);
        }
        {
            QPainter p;
            RoomFrame f = frameAt(t, IslandRoomKind::kitchen);
            QImage img = roomImage(f, p);
            KitchenState s;
            s.clock = clockHands(3, 30);
            s.drinking = true;
            paintKitchenFurniture(p, f, s);
            RoomHotspots hot;
            addKitchenHotspots(f, s, hot);
            if (hits) outline(p, hot);
            p.end();
            save(img, QStringLiteral("kitchen") + suffix);
        }
        for (int poops : {0, 3}) {
            QPainter p;
            RoomFrame f = frameAt(t, IslandRoomKind::care);
            QImage img = roomImage(f, p);
            CareRoomState s;
            s.poops = poops;
            s.health = poops ? 30 : 100;
            s.loaded = poops > 0;
            NeedleSpring needle;
            paintCareRoomFurniture(p, f, s, needle, &scenery);
            RoomHotspots hot;
            addCareRoomHotspots(f, s, hot);
            if (hits) outline(p, hot);
            p.end();
            save(img, QStringLiteral("care-%1").arg(poops) + suffix);
        }
    }
}

// The animated pieces close up, each in a cell 80 x 70 points.
TEST(RoomShapesPngs, RenderPiecesCloseUp) {
    if (qEnvironmentVariableIsEmpty("KP_FURNITURE_PNG_DIR")) GTEST_SKIP() << "KP_FURNITURE_PNG_DIR not set";
    const double t = 8.0e8 + 1.3;
    constexpr int zoom = 8;
    QImage img(6 * 80 * zoom, 3 * 70 * zoom, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor("#EADCCB"));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(zoom, zoom);
    auto cell = [](int i, int row) { return QPointF(40 + 80 * i, 62 + 70 * row); };
    drawFireplace(p, cell(0, 0), 1, fireFlicker(t), t);
    drawTvStand(p, cell(1, 0), 1, true, t);
    drawTvStand(p, cell(2, 0), 1, false, t);
    drawFoodBowl(p, cell(3, 0), 1.5, 1);
    drawWaterBowl(p, cell(4, 0), 1.5, true, t);
    drawLitterBox(p, cell(5, 0), 1, 3, t);
    drawHeartMonitor(p, cell(0, 1) - QPointF(0, 20), 1, heartMonitorState(100, t));
    drawWeighScale(p, cell(1, 1), 1.5, 40);
    drawWallClock(p, cell(2, 1) - QPointF(0, 20), 2, clockHands(3, 30));
    drawStove(p, cell(3, 1), 1, t);
    drawCatCarrier(p, cell(4, 1), 1);
    drawJarShelf(p, cell(5, 1) - QPointF(0, 30), 1);
    drawSupplyShelf(p, cell(5, 1) - QPointF(0, 5), 1);
    drawBed(p, cell(0, 2) + QPointF(30, 0), 0.9);
    drawBookcase(p, cell(2, 2), 1);
    drawWallShelves(p, cell(2, 2) + QPointF(45, -40), 1.3);
    drawLamp(p, cell(3, 2), 1.3, 0.4);
    drawScratchingPost(p, cell(4, 2), 1.2, scratcherMotion(true, t));
    drawPottedPlant(p, cell(5, 2), 1.3, t);
    drawPlayBall(p, cell(1, 2) + QPointF(25, 0), 1.5, 30);
    p.end();
    save(img, QStringLiteral("pieces"));
}

}  // namespace
}  // namespace kp
