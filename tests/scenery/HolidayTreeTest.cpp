// The Christmas tree in a room's frame: how it looks, and what a frame of it costs the room.
#include "platform/Color.h"
#include "platform/EnumNames.h"
#include "scenery/HolidayPropParts.h"
#include "scenery/HolidayProp.h"
#include "scenery/Sprites.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

namespace kp {
namespace {

using scenery::drawSprite;

// The room places the prop 1.3 times its size, off the pixel grid.
void place(QPainter& p, double ratio) {
    p.scale(ratio, ratio);
    p.translate(30.37, 8.81);
    p.scale(1.3, 1.3);
}

// The tree as each of its pieces laid on its own: the fir, the nine lights at their step of
// 0.5 + 0.5 sin(2.1 i + 2.4 t) in 32 steps, the star with the gifts.
void treePieces(QPainter& p, double t) {
    static const char* const colours[] = {"#FFD27A", "#F07A93", "#8FC5F0", "#FFE9A8"};
    static const QPointF lights[] = {{-10, -10}, {-3, -8}, {5, -9},   {12, -11}, {-7, -19},
                                     {1, -20},   {8, -21}, {-4, -29}, {4, -30}};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(22, 52);
    drawSprite(p, 0x7E570001, QRectF(-18, -48, 36, 48), [](QPainter& q) { props::drawFir(q); });
    for (int i = 0; i < 9; ++i) {
        const int level = static_cast<int>(std::lround((std::sin(2.1 * i + 2.4 * t) + 1) / 2 * 31));
        p.save();
        p.translate(lights[i]);
        drawSprite(p, 0x7E570100ull + static_cast<std::uint64_t>(i % 4 * 32 + level), QRectF(-6, -6, 12, 12), [&](QPainter& q) {
            props::drawTreeLight(q, QPointF(0, 0), colorFromHex(colours[i % 4]), level / 31.0);
        });
        p.restore();
    }
    drawSprite(p, 0x7E570002, QRectF(-22, -54, 44, 54), [](QPainter& q) {
        props::drawTreeStar(q);
        props::drawGiftBox(q, QRectF(-20, -8, 10, 8), colorFromHex("#D9454F"), colorFromHex("#F2C14E"));
        props::drawGiftBox(q, QRectF(9, -6, 9, 6), colorFromHex("#5E9BD6"), colorFromHex("#F7F4F0"));
    });
    p.restore();
}

QImage frame(double ratio, QColor wall, const std::function<void(QPainter&)>& draw) {
    QImage img(int(120 * ratio), int(90 * ratio), QImage::Format_ARGB32_Premultiplied);
    img.fill(wall);
    QPainter p(&img);
    place(p, ratio);
    draw(p);
    return img;
}

int largestDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb u = a.pixel(x, y), v = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(u) - qRed(v)), std::abs(qGreen(u) - qGreen(v)),
                             std::abs(qBlue(u) - qBlue(v)), std::abs(qAlpha(u) - qAlpha(v))});
        }
    return most;
}

TEST(ChristmasTree, LooksAsItsPiecesLaidOneByOneAndTwinkles) {
    // At both device scales, on a wall and on nothing, frame after frame at the display's rate
    // (only the lights that stepped put together again), at a clock's reading of any size.
    for (const double ratio : {1.0, 2.0})
        for (int k = 0; k < 40; ++k) {
            const double t = (k < 20 ? 5 : 820000000.25) + k / 60.0;
            const QColor wall = k % 2 ? QColor(Qt::transparent) : QColor("#E9DCCB");
            const QImage tree = frame(ratio, wall, [&](QPainter& p) { HolidayProp{Holiday::christmas, t, false}.paint(p); });
            const QImage pieces = frame(ratio, wall, [&](QPainter& p) { treePieces(p, t); });
            ASSERT_LE(largestDifference(tree, pieces), 2) << ratio << " " << k;
        }
    // The top light (4, -30) glows brighter and dimmer as time goes on.
    const auto light = [](double t) {
        const QImage img = frame(1, Qt::transparent, [&](QPainter& p) { HolidayProp{Holiday::christmas, t, false}.paint(p); });
        return qGray(img.pixel(int(30.37 + 1.3 * 26), int(8.81 + 1.3 * 22)));
    };
    EXPECT_GT(std::abs(light(0.2) - light(0.9)), 20);
}

// A room's device: it gathers where its pieces lie, or hands on what meets its rectangles.
class Room : public scenery::SpriteGatherer, QPaintEngine {
public:
    Room() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool gathers() const override { return gathering; }
    void gatherShape(const QRectF& rect, std::uint64_t digest) override { told.push_back({rect, digest}); }
    const std::vector<QRect>* filterRects() const override { return gathering ? nullptr : &shown; }
    QPaintEngine* paintEngine() const override { return const_cast<Room*>(this); }
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return 300;
        case PdmHeight: return 200;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 96;
        }
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++laid; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { ++laid; }
    void drawPath(const QPainterPath&) override { ++shapes; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++shapes; }
    void drawRects(const QRectF*, int) override { ++shapes; }
    void drawEllipse(const QRectF&) override { ++shapes; }
    void drawLines(const QLineF*, int) override { ++shapes; }

    struct Told {
        QRectF rect;
        std::uint64_t digest;
    };
    bool gathering = true;
    std::vector<QRect> shown;
    std::vector<Told> told;
    int laid = 0, shapes = 0;
};

TEST(ChristmasTree, AFrameTellsTheStillTreeOnceAndLaysOnePicture) {
    scenery::dropSprites();
    Room room;
    QPainter p(&room);
    place(p, 1);
    const auto gather = [&](double t) {
        room.gathering = true;
        room.told.clear();
        HolidayProp{Holiday::christmas, t, false}.paint(p);
        return room.told;
    };
    // The still fir, star and gifts are one piece, each light another.
    const std::vector<Room::Told> first = gather(0.5);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(room.laid + room.shapes, 0);
    // A moment later only the lights that stepped are told otherwise.
    const std::vector<Room::Told> later = gather(0.5 + 1 / 60.0);
    ASSERT_EQ(later.size(), 10u);
    int changed = 0;
    for (std::size_t i = 0; i < later.size(); ++i) changed += later[i].digest != first[i].digest;
    EXPECT_GE(changed, 1);
    EXPECT_LE(changed, 8);
    EXPECT_EQ(later[0].digest, first[0].digest);
    // Each light is told where all of its glow lies: the tree drawn alone has no ink outside the
    // still tree's piece and, between two moments, changes only within lights told otherwise.
    const QImage before = frame(1, Qt::transparent, [](QPainter& q) { HolidayProp{Holiday::christmas, 0.5, false}.paint(q); });
    const QImage after = frame(1, Qt::transparent, [](QPainter& q) { HolidayProp{Holiday::christmas, 0.5 + 1 / 60.0, false}.paint(q); });
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const QPointF at(x + 0.5, y + 0.5);
            if (qAlpha(after.pixel(x, y)) != 0) {
                EXPECT_TRUE(first[0].rect.contains(at)) << x << " " << y;
            }
            if (before.pixel(x, y) == after.pixel(x, y)) continue;
            bool told = false;
            for (std::size_t i = 1; i < later.size(); ++i)
                told = told || (later[i].digest != first[i].digest && later[i].rect.contains(at) && first[i].rect.contains(at));
            EXPECT_TRUE(told) << x << " " << y;
        }

    // Drawn again within one rectangle over the whole tree: one picture laid, no shape drawn.
    room.gathering = false;
    room.shown = {QRect(0, 0, 300, 200)};
    HolidayProp{Holiday::christmas, 0.5 + 1 / 60.0, false}.paint(p);
    EXPECT_EQ(room.laid, 1);
    EXPECT_EQ(room.shapes, 0);
}

TEST(HolidayPropPictures, EveryPropLooksAsItsShapesDrawnStraight) {
    // Kept pictures laid on their part of a pixel, the flickers in steps too small to tell apart:
    // at both device scales, by day and by night, at moments through each motion. (The tree's
    // pieces lie on whole device pixels, as they always did: see ChristmasTree.)
    for (const Holiday h : allCases<Holiday>()) {
        if (h == Holiday::christmas) continue;
        for (const double ratio : {1.0, 2.0})
            for (const bool dark : {false, true})
                for (const double t : {0.0, 0.41, 1.93, 820000000.25}) {
                    const auto at = [&](bool kept) {
                        return frame(ratio, QColor("#E9DCCB"), [&](QPainter& p) {
                            p.setRenderHint(QPainter::Antialiasing, true);
                            p.translate(22, 52);
                            (kept ? HolidayProp::drawLocal : HolidayProp::drawShapes)(p, h, dark, t);
                        });
                    };
                    EXPECT_LE(largestDifference(at(true), at(false)), 3) << rawValue(h) << " " << ratio << " " << dark << " " << t;
                }
    }
}

TEST(HolidayPropPictures, StillPartsAndFlickersAreLaidAsPictures) {
    // Drawn again where everything is seen: what stands still, what only flickers and what only
    // rises and falls is laid from kept pictures, so a frame draws no shape but the bonfire's tongues.
    for (const Holiday h : allCases<Holiday>()) {
        scenery::dropSprites();
        Room room;
        QPainter p(&room);
        place(p, 1);
        room.gathering = false;
        room.shown = {QRect(0, 0, 300, 200)};
        for (const double t : {0.5, 0.52}) HolidayProp{h, t, true}.paint(p);
        const bool allKept = h != Holiday::festaJunina;
        if (allKept) {
            EXPECT_EQ(room.shapes, 0) << rawValue(h);
        }
        EXPECT_GE(room.laid, 2) << rawValue(h);
    }
}

}  // namespace
}  // namespace kp
