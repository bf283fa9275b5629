// Pieces drawn from kept pictures on a turned painter: kept already turned and laid straight.
#include "scenery/Sprites.h"
#include "support/HeldPool.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <thread>
#include <vector>

namespace kp::scenery {
namespace {

// A device that only notes how pictures are laid on it, and gathers when asked to.
class Recorder : public QPaintEngine {
public:
    Recorder() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyTransform) transform = state.transform();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++drawn; }
    void drawImage(const QRectF&, const QImage& image, const QRectF&, Qt::ImageConversionFlags) override {
        ++drawn;
        if (transform.isRotating()) ++turned;
        pictures.push_back(image.cacheKey());
    }
    QTransform transform;
    int drawn = 0, turned = 0;
    std::vector<qint64> pictures;
};

class Device : public SpriteGatherer {
public:
    bool gathers() const override { return gathering; }
    void gatherShape(const QRectF& deviceBounds, std::uint64_t digest) override { shapes.push_back({deviceBounds, digest}); }
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return 400;
        case PdmHeight: return 200;
        case PdmWidthMM: return 106;
        case PdmHeightMM: return 53;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return static_cast<int>(ratio);
        case PdmDevicePixelRatioScaled: return static_cast<int>(ratio * devicePixelRatioFScale());
        default: return 96;
        }
    }
    struct Shape {
        QRectF rect;
        std::uint64_t digest;
    };
    bool gathering = false;
    double ratio = 1;
    std::vector<Shape> shapes;
    mutable Recorder engine;
};

// A curtain-like piece: a rounded strip and a tie-back, turned about its top.
void piece(QPainter& q) {
    q.setPen(Qt::NoPen);
    q.setBrush(QColor(180, 60, 70));
    q.drawRoundedRect(QRectF(-3, 0, 6, 38), 2, 2);
    q.setPen(QPen(QColor(240, 220, 120), 1.2));
    q.setBrush(Qt::NoBrush);
    q.drawEllipse(QRectF(-4, 24, 8, 3));
}
const QRectF kBounds(-5, -1, 10, 42);

// Lays the piece turned by `degrees` (stepped) about (x, y), counting how often it is drawn.
void lay(QPainter& p, double x, double y, double degrees, int& draws, std::uint64_t key = 0x7E57C0) {
    p.save();
    p.translate(x, y);
    p.rotate(steppedTurn(p, degrees, 40));
    drawSprite(p, key, kBounds, [&](QPainter& q) {
        ++draws;
        piece(q);
    });
    p.restore();
}

// One frame of the room: the piece gathered, then laid.
void frame(Device& device, QPainter& p, double degrees, int& draws) {
    device.gathering = true;
    lay(p, 40.3, 20.6, degrees, draws);
    device.gathering = false;
    lay(p, 40.3, 20.6, degrees, draws);
}

TEST(InkBounds, HoldEveryPixelThatIsNotClearAndNoMore) {
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    EXPECT_TRUE(inkBounds(image).isEmpty());
    image.setPixel(5, 7, qRgba(0, 0, 0, 1));  // the faintest ink counts
    EXPECT_EQ(inkBounds(image), QRect(5, 7, 1, 1));
    image.setPixel(39, 2, qRgba(200, 0, 0, 255));
    image.setPixel(12, 29, qRgba(0, 0, 9, 9));
    EXPECT_EQ(inkBounds(image), QRect(QPoint(5, 2), QPoint(39, 29)));
}

TEST(KeptSprites, AFullKeepLetsGoOfThePicturesAskedForLongestAgoNotThoseInUse) {
    dropSprites();
    const QRectF box(0, 0, 4, 4);
    const auto keep = [&](std::uint64_t key) { keepSprite(key, 1, box, blankSprite(1, box)); };
    // A frame's pieces, asked for all along, among many a room showed once.
    for (std::uint64_t k = 0; k < 10; ++k) keep(k);
    for (std::uint64_t k = 100; k < 4300; ++k) {
        keep(k);
        if (k % 50 == 0) {
            for (std::uint64_t f = 0; f < 10; ++f) ASSERT_NE(keptSprite(f, 1, box), nullptr) << f << " at " << k;
        }
    }
    // What is in use stayed through the keep filling up; of the rest, the oldest went.
    for (std::uint64_t f = 0; f < 10; ++f) EXPECT_NE(keptSprite(f, 1, box), nullptr) << f;
    EXPECT_EQ(keptSprite(100, 1, box), nullptr);
    EXPECT_NE(keptSprite(4299, 1, box), nullptr);
    EXPECT_GE(spritesKept(), 3000u);
    EXPECT_LE(spritesKept(), 4000u);
    dropSprites();
}

TEST(TurnedSprites, AStepOfASwayIsLaidStraightFromOnePictureKeptTurned) {
    dropSprites();
    Device device;
    QPainter p(&device);
    int draws = 0;
    // The same step in three frames: laid turned the first time, then from one picture kept
    // turned, without turning it.
    for (int i = 0; i < 3; ++i) frame(device, p, 6, draws);
    EXPECT_EQ(draws, 1);
    ASSERT_EQ(device.engine.pictures.size(), 3u);
    EXPECT_EQ(device.engine.turned, 1);
    EXPECT_EQ(device.engine.pictures[1], device.engine.pictures[2]);
    EXPECT_EQ(turnedSpritesKept().first, 1u);
    // A slow sway, frame after frame: each step is laid turned only in the first frame it is
    // seen, and once the sway comes round again, never.
    const auto sway = [&] {
        const int before = device.engine.turned;
        for (int i = 0; i < 300; ++i) frame(device, p, 4 * std::sin(i / 60.0 * 0.8), draws);
        return device.engine.turned - before;
    };
    EXPECT_GT(sway(), 10);
    EXPECT_EQ(sway(), 0);
    EXPECT_GT(turnedSpritesKept().first, 10u);
    // Let go with the rest.
    dropSprites();
    EXPECT_EQ(turnedSpritesKept().first, 0u);
}

TEST(TurnedSprites, TheKeepOfTurnedPicturesStaysBoundedAndHoldsWhatIsInUse) {
    dropSprites();
    Device device;
    QPainter p(&device);
    // A large piece (some 300 KB a turned picture) in two frames at each of many turns, and one
    // turn laid in between each time.
    const auto frames = [&](double degrees, int count) {
        for (int i = 0; i < count; ++i)
            for (const bool gathering : {true, false}) {
                device.gathering = gathering;
                p.save();
                p.translate(200.5, 150);
                p.rotate(degrees);
                drawSprite(p, 0x7E57B16, QRectF(-100, -100, 200, 200), [](QPainter& q) { q.fillRect(QRectF(-99, -99, 198, 198), Qt::red); });
                p.restore();
            }
    };
    frames(1, 2);
    const qint64 inUse = device.engine.pictures.back();
    for (int i = 0; i < 100; ++i) {
        frames(2 + i * 0.5, 2);
        frames(1, 1);
        EXPECT_EQ(device.engine.pictures.back(), inUse) << "after turn " << i;
    }
    const auto [count, bytes] = turnedSpritesKept();
    EXPECT_LE(bytes, std::size_t(12) << 20);
    EXPECT_GT(bytes, std::size_t(4) << 20);
    EXPECT_LT(count, 100u);
}

TEST(TurnedSprites, ATurnedPieceIsToldToTheGathererByItsStepWithoutBeingDrawn) {
    dropSprites();
    Device device;
    device.gathering = true;
    QPainter p(&device);
    int draws = 0;
    lay(p, 40.3, 20.6, 6, draws);
    lay(p, 40.3, 20.6, 6.001, draws);  // within the same step
    lay(p, 40.3, 20.6, 7, draws);
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(device.engine.drawn, 0);
    ASSERT_EQ(device.shapes.size(), 3u);
    EXPECT_EQ(device.shapes[0].digest, device.shapes[1].digest);
    EXPECT_NE(device.shapes[1].digest, device.shapes[2].digest);
    // Where it lies: about the turning point, its far end down and to the left.
    const QRectF& at = device.shapes[0].rect;
    EXPECT_TRUE(at.contains(QPointF(40.3, 20.6)));
    EXPECT_TRUE(at.contains(QPointF(40.3 - 38 * std::sin(6 * M_PI / 180), 20.6 + 38 * std::cos(6 * M_PI / 180))));
    EXPECT_LT(at.width(), 20);
    // Elsewhere on the device, or another piece: told apart.
    lay(p, 60.3, 20.6, 6, draws);
    lay(p, 40.3, 20.6, 6, draws, 0x7E57C1);
    EXPECT_NE(device.shapes[3].digest, device.shapes[0].digest);
    EXPECT_NE(device.shapes[4].digest, device.shapes[0].digest);
}

TEST(TurnedSprites, ATurnedPictureLooksAsTheUprightOneLaidTurned) {
    // At both device scales, on and between pixels, turned either way and mirrored: the kept turned
    // picture lays the pixels the upright one laid turned gives, where the shapes drawn turned lie.
    for (const double ratio : {1.0, 2.0})
        for (const QPointF at : {QPointF(30, 10), QPointF(30.37, 10.81)})
            for (const double degrees : {-9.0, 4.0, 180.0}) {
                SCOPED_TRACE(testing::Message() << "ratio " << ratio << " at " << at.x() << "," << at.y() << " turned " << degrees);
                dropSprites();
                int draws = 0;
                const auto paint = [&](QPaintDevice& on, bool straight) {
                    QPainter p(&on);
                    p.setRenderHint(QPainter::Antialiasing, true);
                    if (degrees == 180.0) p.scale(-1, 1), p.translate(-80, 0);
                    if (straight) {
                        p.translate(at);
                        p.rotate(steppedTurn(p, degrees, 40));
                        piece(p);
                    } else {
                        lay(p, at.x(), at.y(), degrees, draws);
                    }
                };
                const auto image = [&] {
                    QImage i(int(80 * ratio), int(70 * ratio), QImage::Format_ARGB32_Premultiplied);
                    i.setDevicePixelRatio(ratio);
                    i.fill(Qt::transparent);
                    return i;
                };
                QImage turned = image(), kept = image(), drawn = image();
                paint(turned, false);
                Device device;
                device.ratio = ratio;
                device.gathering = true;
                paint(device, false);
                paint(device, false);
                paint(kept, false);
                EXPECT_EQ(turnedSpritesKept().first, 1u);
                paint(drawn, true);
                double weight[2] = {0, 0}, x[2] = {0, 0}, y[2] = {0, 0};
                int worst = 0;
                const QImage* images[2] = {&kept, &drawn};
                for (int j = 0; j < kept.height(); ++j)
                    for (int i = 0; i < kept.width(); ++i) {
                        for (int k = 0; k < 2; ++k) {
                            const int a = qAlpha(images[k]->pixel(i, j));
                            weight[k] += a;
                            x[k] += a * i;
                            y[k] += a * j;
                        }
                        const QRgb u = kept.pixel(i, j), v = turned.pixel(i, j);
                        worst = std::max({worst, std::abs(qAlpha(u) - qAlpha(v)), std::abs(qRed(u) - qRed(v)),
                                          std::abs(qGreen(u) - qGreen(v)), std::abs(qBlue(u) - qBlue(v))});
                    }
                EXPECT_LE(worst, 1);
                ASSERT_GT(weight[1], 0);
                EXPECT_NEAR(weight[0] / weight[1], 1, 0.02);
                EXPECT_NEAR(x[0] / weight[0], x[1] / weight[1], 0.1 * ratio);
                EXPECT_NEAR(y[0] / weight[0], y[1] / weight[1], 0.1 * ratio);
            }
}

TEST(TurnedSprites, APictureLaidTurnedIsFilledOnTheThreadThatDrawsIt) {
    // A fill the raster engine splits waits for the pool's threads: with the pool's one thread
    // held, a split fill would not finish until the pool is let go.
    // Some 80 rows tall, turned: antialiased, its rows' edges would make a fill of some 300 runs.
    const QRectF bounds(-20, -40, 40, 80);
    QImage upright(40, 80, QImage::Format_ARGB32_Premultiplied);
    upright.fill(Qt::transparent);
    {
        QPainter q(&upright);
        q.setRenderHint(QPainter::Antialiasing, true);
        q.setPen(Qt::NoPen);
        q.setBrush(QColor("#F06A2A"));
        q.drawEllipse(QRectF(1, 1, 38, 78));
    }
    QImage room(120, 120, QImage::Format_ARGB32_Premultiplied);
    room.fill(Qt::white);
    const bool finished = test::finishesWhileThePoolIsHeld([&] {
        QPainter p(&room);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(60, 60);
        p.rotate(7);
        laySprite(p, upright, bounds, 1);
        TurnedSprite turned;
        if (turnedSprite(p, 1, 1, bounds, turned)) keepTurned(turned, upright, bounds, 1);
    });
    dropSprites();
    EXPECT_TRUE(finished);
    // And it is laid: the middle of the room shows the piece.
    EXPECT_EQ(room.pixelColor(60, 60), QColor("#F06A2A"));
}

TEST(MovingSprites, ASmallPieceThatMovesIsDrawnOnceForEachQuarterPixelAndLaidWhereItsShapeWouldBe) {
    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(testing::Message() << "ratio " << ratio);
        dropSprites();
        int draws = 0;
        const auto dot = [&](QPainter& p, QPointF at) {
            drawMovingSprite(p, 0xD07, at, QRectF(-2, -2, 4, 4), [&](QPainter& q) {
                ++draws;
                q.setPen(Qt::NoPen);
                q.setBrush(Qt::red);
                q.drawEllipse(QPointF(0, 0), 1, 1);
            });
        };
        const auto image = [&] {
            QImage i(int(40 * ratio), int(20 * ratio), QImage::Format_ARGB32_Premultiplied);
            i.setDevicePixelRatio(ratio);
            i.fill(Qt::transparent);
            return i;
        };
        // Rising slowly over two points: a picture for each quarter of a device pixel it may stand
        // on, four in all, whichever pixel that is.
        QImage img = image();
        for (int frame = 0; frame < 120; ++frame) {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            dot(p, QPointF(10.3, 10 - frame / 60.0));
        }
        EXPECT_EQ(draws, 4);
        // Laid on a quarter pixel, it lays the pixels its shape drawn there gives; the next piece,
        // laid or drawn, lands where it is placed too, on a painter turned as on a straight one.
        const QPointF at(20 + 0.25 / ratio, 8 + 0.75 / ratio), next(30, 12), after(8, 6);
        for (const bool turned : {false, true}) {
            const auto place = [&](QPainter& p) {
                p.setRenderHint(QPainter::Antialiasing, true);
                if (turned) {
                    p.translate(40, 20);
                    p.rotate(180);
                } else {
                    p.translate(2, 1);
                }
            };
            QImage laid = image(), drawn = image();
            {
                QPainter p(&laid);
                place(p);
                dot(p, at);
                dot(p, next);
                p.setPen(Qt::NoPen);
                p.setBrush(Qt::red);
                p.drawEllipse(after, 1, 1);
            }
            {
                QPainter p(&drawn);
                place(p);
                p.setPen(Qt::NoPen);
                p.setBrush(Qt::red);
                for (const QPointF& c : {at, next, after}) p.drawEllipse(c, 1, 1);
            }
            int worst = 0;
            for (int j = 0; j < laid.height(); ++j)
                for (int i = 0; i < laid.width(); ++i)
                    worst = std::max(worst, std::abs(qAlpha(laid.pixel(i, j)) - qAlpha(drawn.pixel(i, j))));
            EXPECT_LE(worst, 1) << (turned ? "turned" : "straight");
        }
    }
}

TEST(FilteredDevices, APictureLaidOnADeviceThatFiltersChangesOnlyWhatItShowsAsLaidWhole) {
    // A picture over all of an image at ratio 2, laid from a kept picture and drawn whole, on a
    // device that shows two rectangles apart.
    const auto paint = [](QPainter& p) {
        const auto ink = [](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(QColor(200, 40, 90));
            q.drawEllipse(QRectF(5, 5, 90, 40));
        };
        drawSprite(p, 0xF11E7ED000000000ull, QRectF(0, 0, 100, 50), ink);
        QImage whole(200, 100, QImage::Format_ARGB32_Premultiplied);
        whole.fill(Qt::transparent);
        {
            QPainter q(&whole);
            q.setRenderHint(QPainter::Antialiasing, true);
            q.scale(2, 2);
            q.setPen(Qt::NoPen);
            q.setBrush(QColor(30, 90, 200, 160));
            q.drawRect(QRectF(10, 2, 80, 20));
        }
        drawShown(p, [&] { p.drawImage(QRectF(0, 0, 100, 50), whole); });
    };
    const auto image = [] {
        QImage img(200, 100, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(2);
        img.fill(QColor(250, 250, 240));
        return img;
    };
    QImage whole = image(), shown = image();
    {
        QPainter p(&whole);
        p.setRenderHint(QPainter::Antialiasing, true);
        paint(p);
    }
    const std::vector<QRect> rects{QRect(20, 10, 40, 30), QRect(130, 60, 50, 30)};
    {
        QPainter p(&shown);
        p.setRenderHint(QPainter::Antialiasing, true);
        const FilteredDevice only(&shown, rects);
        ASSERT_NE(spriteFilterRects(p), nullptr);
        EXPECT_EQ(*spriteFilterRects(p), rects);
        paint(p);
    }
    const QImage blank = image();
    int inside = 0, outside = 0, inked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool seen = rects[0].contains(x, y) || rects[1].contains(x, y);
            if (seen) {
                inside += shown.pixel(x, y) != whole.pixel(x, y);
                inked += whole.pixel(x, y) != blank.pixel(x, y);
            } else {
                outside += shown.pixel(x, y) != blank.pixel(x, y);
            }
        }
    EXPECT_GT(inked, 1500) << "both pictures reach into what is shown";
    EXPECT_EQ(inside, 0) << "within what is shown, as laid whole";
    EXPECT_EQ(outside, 0) << "nothing laid elsewhere";
    QPainter after(&shown);
    EXPECT_EQ(spriteFilterRects(after), nullptr) << "gone with the scope";
}

}  // namespace
}  // namespace kp::scenery
