#include "SkyTestSupport.h"

#include "platform/Color.h"
#include "scenery/GardenBackdrop.h"
#include "scenery/GardenWeather.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyView.h"
#include "scenery/Sprites.h"
#include "scenery/WindowRain.h"

#include <QPaintEngine>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kp {
namespace {

using testing::at;
using testing::countPixels;
using testing::differIn;
using testing::near;
using testing::renderScene;

QImage weather(SkyLook look, double t, double flash, double floorLine, double k, int month, int w, int h) {
    return renderScene(w, h, [&](QPainter& p) {
        GardenWeather{look, t, flash, floorLine, k}.paintInMonth(p, QRectF(0, 0, w, h), month);
    });
}

QImage backdrop(SkyLook look, double t, double floorLine, double k, int month, int w, int h) {
    return renderScene(w, h, [&](QPainter& p) {
        GardenBackdrop{look, t, floorLine, k}.paintInMonth(p, QRectF(0, 0, w, h), month);
    });
}

// A device that only learns where the pictures laid on it lie and how each is drawn, as the room's
// gathering painter does, and where each image drawn on it lands (device pixels); every other
// shape is dropped.
class Gatherer final : public scenery::SpriteGatherer {
public:
    struct Shape {
        QRectF rect;
        std::uint64_t digest;
    };
    std::vector<Shape> shapes;
    std::vector<QRectF> images;
    std::vector<qint64> pictures;  // each image's cache key

    QPaintEngine* paintEngine() const override { return &engine_; }
    bool gathers() const override { return true; }
    void gatherShape(const QRectF& rect, std::uint64_t digest) override { shapes.push_back({rect, digest}); }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return 1600;
        case PdmHeight: return 800;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(Gatherer& g) : QPaintEngine(QPaintEngine::AllFeatures), g_(g) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& s) override {
            if (s.state() & DirtyTransform) m_ = s.transform();
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF& r, const QImage& image, const QRectF&, Qt::ImageConversionFlags) override {
            g_.images.push_back(m_.mapRect(r));
            g_.pictures.push_back(image.cacheKey());
        }
        Type type() const override { return QPaintEngine::User; }

    private:
        Gatherer& g_;
        QTransform m_;
    };
    mutable Engine engine_{*this};
};

bool isOrange(const QColor& c) {
    return c.alpha() > 100 && c.red() > 180 && c.red() > c.green() + 20 && c.green() > c.blue() + 20;
}
bool isGreen(const QColor& c) { return c.alpha() > 100 && c.green() > c.red() + 15 && c.green() > c.blue() + 15; }
bool isPink(const QColor& c) {
    return c.alpha() > 200 && c.red() > 200 && c.green() > 90 && c.green() < 150 && c.blue() > 110;
}
bool isFireflyYellow(const QColor& c) {
    return c.alpha() > 100 && c.red() > 235 && c.green() > 228 && c.blue() > 130 && c.blue() < 200;
}

// --- weather ---

TEST(GardenWeather, SplashesNeedAGroundBand) {
    const SkyLook rain{SkyTime::afternoon, SkyWeather::rain};
    const QRect farFromLeaves(400, 0, 600, 100);
    for (double t : {10.0, 10.2, 10.45}) {
        const QImage rainOnly = renderScene(1000, 100, [&](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            drawWindowRain(p, false, QSizeF(1000, 100), t, 1);
        });
        // floorLine + 2k >= h - 2k: rain but no splash.
        EXPECT_FALSE(differIn(weather(rain, t, 0, 98, 1, 6, 1000, 100), rainOnly, farFromLeaves, 12));
        EXPECT_TRUE(differIn(weather(rain, t, 0, 40, 1, 6, 1000, 100), rainOnly, farFromLeaves, 12));
    }
}

TEST(GardenWeather, FlakesFirefliesAndDropsAreLaidFromAFewKeptPicturesWhereTheyAre) {
    // Each of the 91 flakes over 640 units, each firefly's halo and light, and each rain splash's
    // two drops, is a copy of one of 32 kept pictures (two kinds, each at every quarter of a device
    // pixel's offset) laid on whole device pixels; the snow looks as the flakes drawn where they are.
    const SkyLook snow{SkyTime::day, SkyWeather::snow};
    const SkyLook rain{SkyTime::day, SkyWeather::rain};
    for (const auto& [look, count] : {std::pair{snow, 91u}, std::pair{SkyLook{SkyTime::night, SkyWeather::clear}, 14u},
                                      std::pair{rain, 0u}})
        for (const double scale : {1.0, 2.0}) {
            Gatherer g;
            {
                QPainter p(&g);
                p.scale(scale, scale);
                GardenWeather{look, 700.3, 0, 120, 1.3}.paintInMonth(p, QRectF(0, 0, 640, 160), 12);
            }
            if (count > 0) {
                ASSERT_EQ(g.images.size(), count) << scale;
            } else {
                // Of the 14 splashes, those within the first third of their cycle, each throwing
                // its two drops level with each other, one to each side.
                EXPECT_GE(g.images.size(), 2u) << scale;
                EXPECT_EQ(g.images.size() % 2, 0u) << scale;
                for (std::size_t i = 0; i + 1 < g.images.size(); i += 2) {
                    EXPECT_EQ(g.images[i].top(), g.images[i + 1].top()) << scale;
                    EXPECT_GE(g.images[i + 1].left() - g.images[i].left(), 3 * 1.3 * scale - 1) << scale;
                }
            }
            for (const QRectF& at : g.images) {
                EXPECT_DOUBLE_EQ(at.left(), std::round(at.left())) << scale;
                EXPECT_DOUBLE_EQ(at.top(), std::round(at.top())) << scale;
            }
            std::sort(g.pictures.begin(), g.pictures.end());
            EXPECT_LE(std::unique(g.pictures.begin(), g.pictures.end()) - g.pictures.begin(), 32) << scale;
        }
    const QImage laid = weather(snow, 700.3, 0, 120, 1.3, 6, 640, 160);
    const QImage drawn = renderScene(640, 160, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgbF(1, 1, 1, 0.95f));
        for (int i = 0; i < 91; ++i) {
            const double s = 0.618 * i, r = (i % 3 == 0 ? 1.5 : 1.0) * 1.3;
            p.drawEllipse(QPointF(scenery::frac(5.1 * s) * 640 + 4 * 1.3 * std::sin(6 * s + 1.1 * 700.3),
                                  scenery::frac(s + 0.16 * 700.3) * 168 - 4),
                          r, r);
        }
    });
    int off = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 640; ++x) off += std::abs(qAlpha(laid.pixel(x, y)) - qAlpha(drawn.pixel(x, y))) > 48;
    EXPECT_LT(off, 20);
    EXPECT_GT(countPixels(laid, laid.rect(), [](const QColor& c) { return c.alpha() > 200; }), 91);
}

TEST(GardenWeather, FlashWhitensAtAThirdOfItsBrightness) {
    const SkyLook cloudy{SkyTime::day, SkyWeather::cloudy};
    EXPECT_EQ(qAlpha(weather(cloudy, 3, 0, 150, 1, 6, 400, 200).pixel(390, 5)), 0);
    const QColor lit = at(weather(cloudy, 3, 1, 150, 1, 6, 400, 200), 390, 5);
    EXPECT_NEAR(lit.alpha(), 0.35 * 255, 2);
    EXPECT_EQ(lit.red(), 255);
}

TEST(GardenWeather, LeavesTurnInOctoberAndNovemberAndStayAwayInSnow) {
    const SkyLook cloudy{SkyTime::day, SkyWeather::cloudy};
    const QRect all(0, 0, 400, 200);
    for (int month : {10, 11}) {
        const QImage img = weather(cloudy, 20, 0, 150, 1.3, month, 400, 200);
        EXPECT_GT(countPixels(img, all, isOrange), 0) << month;
        EXPECT_EQ(countPixels(img, all, isGreen), 0) << month;
    }
    for (int month : {1, 6, 9, 12}) {
        const QImage img = weather(cloudy, 20, 0, 150, 1.3, month, 400, 200);
        EXPECT_EQ(countPixels(img, all, isOrange), 0) << month;
        EXPECT_GT(countPixels(img, all, isGreen), 0) << month;
    }
    const QImage snow = weather({SkyTime::day, SkyWeather::snow}, 20, 0, 150, 1.3, 10, 400, 200);
    EXPECT_EQ(countPixels(snow, all, isOrange), 0);
    EXPECT_EQ(countPixels(snow, all, isGreen), 0);
    // Rain keeps its leaves.
    const QImage rain = weather({SkyTime::day, SkyWeather::rain}, 20, 0, 150, 1.3, 11, 400, 200);
    EXPECT_GT(countPixels(rain, all, isOrange), 0);
}

TEST(GardenWeather, ButterfliesOnlyOnClearDaytime) {
    const double wingsOpen = (1.5707963 - 2.3 + 6.2831853) / 12;  // the second butterfly's wings fully out
    const QRect all(0, 0, 400, 200);
    EXPECT_GT(countPixels(weather({SkyTime::day, SkyWeather::clear}, wingsOpen, 0, 150, 1.3, 6, 400, 200), all, isPink), 0);
    EXPECT_EQ(countPixels(weather({SkyTime::sunset, SkyWeather::clear}, wingsOpen, 0, 150, 1.3, 6, 400, 200), all, isPink), 0);
    EXPECT_EQ(countPixels(weather({SkyTime::day, SkyWeather::cloudy}, wingsOpen, 0, 150, 1.3, 6, 400, 200), all, isPink), 0);
}

TEST(GardenWeather, FirefliesOnFineNightsOnly) {
    const QRect all(0, 0, 400, 200);
    for (SkyWeather w : {SkyWeather::clear, SkyWeather::cloudy})
        EXPECT_GT(countPixels(weather({SkyTime::night, w}, 4, 0, 150, 1.3, 6, 400, 200), all, isFireflyYellow), 0);
    for (SkyWeather w : {SkyWeather::rain, SkyWeather::snow, SkyWeather::storm})
        EXPECT_EQ(countPixels(weather({SkyTime::night, w}, 4, 0, 150, 1.3, 6, 400, 200), all, isFireflyYellow), 0);
}

TEST(GardenWeather, NightAndDuskTintTheGarden) {
    const QColor night = at(weather({SkyTime::night, SkyWeather::rain}, 0, 0, 150, 1, 6, 400, 200), 399, 199);
    EXPECT_GE(night.alpha(), 0.34 * 255 - 2);
    EXPECT_EQ(qAlpha(weather({SkyTime::afternoon, SkyWeather::cloudy}, 0, 0, 150, 1, 6, 400, 200).pixel(399, 199)), 0);
    const QImage framed = renderScene(440, 240, [](QPainter& p) {
        GardenWeather{{SkyTime::day, SkyWeather::clear}, 2, 1, 150, 1.3}.paintInMonth(p, QRectF(20, 20, 400, 200), 10);
    });
    EXPECT_TRUE(testing::blankOutside(framed, QRect(20, 20, 400, 200)));
}

// --- backdrop ---

TEST(GardenBackdrop, LawnFollowsTheWeather) {
    auto lawn = [](SkyWeather w) { return at(backdrop({SkyTime::day, w}, 0, 150, 1, 6, 300, 200), 285, 190); };
    const QColor dry = lawn(SkyWeather::clear);
    const QColor wet = lawn(SkyWeather::rain);
    const QColor snowy = lawn(SkyWeather::snow);
    EXPECT_GT(dry.green(), dry.red() + 30);
    EXPECT_GT(dry.green(), wet.green() + 15);
    EXPECT_GT(snowy.red(), 215);
    EXPECT_GT(snowy.blue(), 225);
}

TEST(GardenBackdrop, PuddlesInTheRainUnlessTheLawnIsTooShallow) {
    const QColor puddle = at(backdrop({SkyTime::day, SkyWeather::rain}, 0, 150, 1, 6, 300, 200), 96, 158);
    EXPECT_GT(puddle.blue(), puddle.green());
    const QColor dryLawn = at(backdrop({SkyTime::day, SkyWeather::clear}, 0, 150, 1, 6, 300, 200), 96, 158);
    EXPECT_GT(dryLawn.green(), dryLawn.blue());
    // Lawn 10 deep with k = 1: every puddle would reach h - 2k, so none is drawn.
    const QColor shallow = at(backdrop({SkyTime::day, SkyWeather::rain}, 0, 100, 1, 6, 300, 110), 96, 107);
    EXPECT_GT(shallow.green(), shallow.blue());
}

TEST(GardenBackdrop, APuddlesRippleGrowsFromItsMiddleToItsRim) {
    // The first puddle (26 x 5.2 about (96, 158)) at twice the size: a light ring in its middle as
    // a ripple starts, at half its width halfway through.
    const auto puddle = [](double t) {
        return renderScene(600, 400, [&](QPainter& p) {
            p.scale(2, 2);
            GardenBackdrop{{SkyTime::day, SkyWeather::rain}, t, 150, 1}.paintInMonth(p, QRectF(0, 0, 300, 200), 6);
        });
    };
    const QImage starting = puddle(0), halfway = puddle(0.5 / 1.3);
    const auto light = [](const QImage& img, double x) {
        int most = 0;
        for (int y = 2 * 157; y <= 2 * 159; ++y) most = std::max(most, img.pixelColor(int(2 * x), y).lightness());
        return most;
    };
    EXPECT_GT(light(starting, 96), light(halfway, 96) + 10);
    EXPECT_GT(light(halfway, 96 - 7.5), light(starting, 96 - 7.5) + 10);
}

TEST(GardenBackdrop, FlowersByIndexDimAtNightAndNeedRoom) {
    const QColor petal = colorFromHex("#F4A7B4");
    const QColor day = at(backdrop({SkyTime::day, SkyWeather::clear}, 0, 100, 1, 6, 200, 200), 35, 105);
    EXPECT_TRUE(near(day, petal, 10));
    const QColor night = at(backdrop({SkyTime::night, SkyWeather::clear}, 0, 100, 1, 6, 200, 200), 35, 105);
    EXPECT_LT(night.red(), 215);
    EXPECT_GT(night.red(), night.green());
    // Narrower than 26k: no flowers (no petal pink anywhere on the lawn).
    const QImage narrow = backdrop({SkyTime::day, SkyWeather::clear}, 0, 100, 1, 6, 25, 200);
    EXPECT_EQ(countPixels(narrow, QRect(0, 100, 25, 100), [&](const QColor& c) { return near(c, petal, 20); }), 0);
    // In snow: no flowers either.
    const QImage snow = backdrop({SkyTime::day, SkyWeather::snow}, 0, 100, 1, 6, 200, 200);
    EXPECT_EQ(countPixels(snow, QRect(0, 100, 200, 100), [&](const QColor& c) { return near(c, petal, 20); }), 0);
}

TEST(GardenBackdrop, CrownAndFenceFollowSeasonAndWeather) {
    auto crown = [](SkyWeather w, int month) {
        return at(backdrop({SkyTime::day, w}, 0, 150, 1, month, 400, 200), 48, 70);
    };
    const QColor summer = crown(SkyWeather::clear, 6);
    EXPECT_GT(summer.green(), summer.red() + 30);
    const QColor october = crown(SkyWeather::cloudy, 10);
    EXPECT_TRUE(isOrange(october));
    const QColor snowCap = crown(SkyWeather::snow, 10);
    EXPECT_GT(snowCap.red(), 230);
    EXPECT_GT(snowCap.green(), 230);

    auto picket = [](SkyWeather w) { return at(backdrop({SkyTime::day, w}, 0, 150, 1, 6, 400, 200), 82, 138); };
    EXPECT_TRUE(near(picket(SkyWeather::clear), colorFromHex("#C99A6A"), 3));
    EXPECT_TRUE(near(picket(SkyWeather::snow), colorFromHex("#C99A6A"), 3));
    EXPECT_TRUE(near(picket(SkyWeather::storm), colorFromHex("#A87F58"), 3));
}

TEST(GardenBackdrop, SnowLiesOnTheTopOfTheCrown) {
    // At the room's scale, the tree (x 48) with its crown about 30 to 130 above the ground (150):
    // white caps over the upper discs, none in the crown's lower half.
    const double k = 1.3;
    const QImage img = backdrop({SkyTime::day, SkyWeather::snow}, 0, 150, k, 1, 400, 200);
    const auto snow = [](const QColor& c) { return c.red() > 236 && c.green() > 236 && c.blue() > 236; };
    const QRect top(40, 21, 24, 6), lower(33, 60, 30, 25);
    EXPECT_GT(countPixels(img, top, snow), top.width() * top.height() * 3 / 4);
    EXPECT_EQ(countPixels(img, lower, snow), 0);
}

TEST(GardenBackdrop, TheFencesTwoRailsRunBetweenThePickets) {
    // At the room's scale, in the gap after the eleventh picket (x 80 + 14.3 n, 9.1 wide): the
    // upper rail 19k above the ground (150), the lower 8k above, the snowy hill between them.
    const double k = 1.3;
    const QImage img = backdrop({SkyTime::day, SkyWeather::snow}, 0, 150, k, 1, 400, 200);
    const double gap = 80 + 14.3 * 10 + 9.1 + 2.6;
    const QColor rail = colorFromHex("#A87A4E");
    EXPECT_TRUE(near(at(img, gap, 150 - 17.5 * k), rail, 3));
    EXPECT_TRUE(near(at(img, gap, 150 - 6.5 * k), rail, 3));
    EXPECT_FALSE(near(at(img, gap, 150 - 12 * k), rail, 40));
}

TEST(GardenBackdrop, SameSceneAtTwiceTheScaleAndWhenTurned) {
    const SkyLook look{SkyTime::day, SkyWeather::rain};
    const QImage one = backdrop(look, 0, 150, 1, 6, 400, 200);
    const QImage two = renderScene(800, 400, [&](QPainter& p) {
        p.scale(2, 2);
        GardenBackdrop{look, 0, 150, 1}.paintInMonth(p, QRectF(0, 0, 400, 200), 6);
    });
    for (const QPointF& spot : {QPointF(82, 138), QPointF(96, 158), QPointF(285, 190), QPointF(300, 125)})
        EXPECT_TRUE(near(at(one, spot.x(), spot.y()), at(two, 2 * spot.x(), 2 * spot.y()), 8)) << spot.x();
    // A painter that turns draws everything directly.
    const QImage turned = renderScene(400, 200, [&](QPainter& p) {
        p.translate(200, 100);
        p.rotate(180);
        p.translate(-200, -100);
        GardenBackdrop{look, 0, 150, 1}.paintInMonth(p, QRectF(0, 0, 400, 200), 6);
    });
    EXPECT_TRUE(near(at(turned, 399 - 82, 199 - 138), colorFromHex("#A87F58"), 3));
}

TEST(GardenBackdrop, ASwayIsDrawnAgainOnlyOnceItsFarEndMovedAQuarterOfADevicePixel) {
    // A garden of one blade (k = 1), told to a gathering painter 60 times over a second. The gust
    // moves a blade's tip at most 2.112 units a second, the wind the tree's crown 1.924; drawn in
    // steps of a quarter of a device pixel, each changes at most 4 * speed * scale + 1 times,
    // still often enough to sway every few frames, and twice as often where device pixels are
    // half as big.
    struct Changes {
        int blade = 0, tree = 0;
    };
    const auto changes = [](double scale) {
        Changes count;
        std::uint64_t blade = 0, tree = 0;
        for (int i = 0; i <= 60; ++i) {
            Gatherer g;
            {
                QPainter p(&g);
                p.scale(scale, scale);
                GardenBackdrop{{SkyTime::day, SkyWeather::clear}, i / 60.0, 40, 1}.paintInMonth(p, QRectF(0, 0, 2, 60), 6);
            }
            // Only the lawn's picture and the tree's are told: the lawn's is the shorter.
            EXPECT_EQ(g.shapes.size(), 2u);
            if (g.shapes.size() != 2) return count;
            if (g.shapes[0].rect.height() > g.shapes[1].rect.height()) std::swap(g.shapes[0], g.shapes[1]);
            EXPECT_LT(g.shapes[0].rect.height(), 20 * scale);
            if (i > 0 && g.shapes[0].digest != blade) ++count.blade;
            if (i > 0 && g.shapes[1].digest != tree) ++count.tree;
            blade = g.shapes[0].digest;
            tree = g.shapes[1].digest;
        }
        return count;
    };
    const Changes one = changes(1), two = changes(2);
    EXPECT_LE(one.blade, 4 * 2.112 + 1);
    EXPECT_GE(one.blade, 3);
    EXPECT_LE(two.blade, 4 * 2.112 * 2 + 1);
    EXPECT_GE(two.blade, one.blade + 3);
    EXPECT_LE(one.tree, 4 * 1.924 + 1);
    EXPECT_GE(one.tree, 3);
    EXPECT_LE(two.tree, 4 * 1.924 * 2 + 1);
    EXPECT_GE(two.tree, one.tree + 3);
}

TEST(GardenBackdrop, ALawnBroughtUpToDateIsTheLawnDrawnWhole) {
    // The kept lawn put in again only where blades took a step, frame after frame, and the same
    // lawn drawn whole (after a lawn at another scale), are the same pixels, whatever was drawn
    // turned in between.
    const SkyLook look{SkyTime::day, SkyWeather::clear};
    QImage kept;
    for (int i = 0; i <= 30; ++i) kept = backdrop(look, 10 + i / 60.0, 150, 1.3, 6, 400, 200);
    renderScene(800, 400, [&](QPainter& p) {
        p.scale(2, 2);
        GardenBackdrop{look, 3, 150, 1.3}.paintInMonth(p, QRectF(0, 0, 400, 200), 6);
    });
    const QImage whole = backdrop(look, 10.5, 150, 1.3, 6, 400, 200);
    EXPECT_EQ(kept, whole);
    // The same frame drawn turned at another scale in between leaves it as it was.
    renderScene(800, 400, [&](QPainter& p) {
        p.translate(800, 400);
        p.rotate(180);
        p.scale(2, 2);
        GardenBackdrop{look, 10.5, 150, 1.3}.paintInMonth(p, QRectF(0, 0, 400, 200), 6);
    });
    EXPECT_EQ(backdrop(look, 10.5, 150, 1.3, 6, 400, 200), whole);
    // And it shows blades: grass green over the hill above the lawn's edge.
    EXPECT_GT(countPixels(whole, QRect(0, 140, 400, 8), [](const QColor& c) {
                  return near(c, colorFromHex("#4E8A47"), 12);
              }),
              100);
}

TEST(GardenBackdrop, ACloudIsDrawnAgainOnlyOnceItMovedAWholeDevicePixel) {
    // A cloud's picture lands on whole device pixels whatever its place: over a second of frames
    // each of the garden's four clouds (the fastest drifts 16.32 units a second) is laid at a new
    // place at most once for each device pixel it crossed, where it lands, not four times.
    for (const double scale : {1.0, 2.0}) {
        std::vector<std::vector<QRectF>> frames;
        for (int i = 0; i <= 60; ++i) {
            Gatherer g;
            {
                QPainter p(&g);
                p.scale(scale, scale);
                p.translate(0.3, 0);
                SkyView{{SkyTime::day, SkyWeather::cloudy}, 500 + i / 60.0, false, false}.paint(p, QRectF(0, 0, 640, 160));
            }
            frames.push_back(g.images);
        }
        ASSERT_EQ(frames.front().size(), 5u);  // the sun's and four clouds'
        for (std::size_t c = 1; c < 5; ++c) {
            int moves = 0;
            for (std::size_t i = 1; i < frames.size(); ++i) {
                const QRectF& at = frames[i][c];
                EXPECT_DOUBLE_EQ(at.left(), std::round(at.left())) << scale << " cloud " << c;
                if (at != frames[i - 1][c]) ++moves;
            }
            EXPECT_LE(moves, 16.32 * scale + 1) << scale << " cloud " << c;
            EXPECT_GE(moves, 8 * scale - 1) << scale << " cloud " << c;
        }
    }
}

TEST(GardenBackdrop, TheNightSkysStarsAreKeptPicturesThatTwinkle) {
    // Seven stars, each laid from a kept picture of its dot, told apart from frame to frame by how
    // faded each is laid, then the moon's picture, which stays; the sky drawn shows them.
    std::vector<std::vector<std::uint64_t>> frames;
    for (const double t : {100.0, 100.25}) {
        Gatherer g;
        {
            QPainter p(&g);
            SkyView{{SkyTime::night, SkyWeather::clear}, t, false, false}.paint(p, QRectF(0, 0, 640, 160));
        }
        ASSERT_EQ(g.shapes.size(), 8u);
        frames.emplace_back();
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_LT(g.shapes[i].rect.width(), 8);
            frames.back().push_back(g.shapes[i].digest);
        }
        EXPECT_TRUE(g.shapes[7].rect.contains(QPointF(0.72 * 640, 0.26 * 160))) << "the moon";
        frames.back().push_back(g.shapes[7].digest);
    }
    for (std::size_t i = 0; i < 7; ++i) EXPECT_NE(frames[0][i], frames[1][i]) << i;
    EXPECT_EQ(frames[0][7], frames[1][7]) << "the moon stands still";
    const QImage sky = renderScene(640, 160, [](QPainter& p) {
        SkyView{{SkyTime::night, SkyWeather::clear}, 98.175, false, false}.paint(p, QRectF(0, 0, 640, 160));
    });
    // The first star (12%, 20%) at its brightest, 0.9 of white over the night.
    int brightest = 0;
    for (int y = 30; y < 34; ++y)
        for (int x = 75; x < 79; ++x) brightest = std::max(brightest, qGray(sky.pixel(x, y)));
    EXPECT_GT(brightest, qGray(sky.pixel(70, 32)) + 40);
}

TEST(GardenBackdrop, FillsItsFrameAndNothingElse) {
    const QImage img = renderScene(340, 240, [](QPainter& p) {
        GardenBackdrop{{SkyTime::sunset, SkyWeather::rain}, 5, 150, 1.3}.paintInMonth(p, QRectF(20, 20, 300, 200), 6);
    });
    EXPECT_TRUE(testing::blankOutside(img, QRect(20, 20, 300, 200)));
    EXPECT_EQ(qAlpha(img.pixel(25, 25)), 255);
    EXPECT_EQ(qAlpha(img.pixel(315, 215)), 255);
}

TEST(GardenBackdrop, ATinyScaleStillFillsTheFrameAndFinishes) {
    // Fence pickets, grass blades, flowers, drifts and splashes are counted by the width over their
    // spacing: at a scale near zero they must stay a bounded number.
    for (const SkyWeather sky : {SkyWeather::clear, SkyWeather::snow, SkyWeather::rain}) {
        const SkyLook look{SkyTime::day, sky};
        const QImage ground = backdrop(look, 3, 30, 1e-9, 6, 64, 40);
        EXPECT_EQ(qAlpha(ground.pixel(2, 2)), 255);
        EXPECT_EQ(qAlpha(ground.pixel(61, 37)), 255);
        const QImage over = weather(look, 3, 0, 30, 1e-9, 6, 64, 40);
        EXPECT_FALSE(over.isNull());
    }
}

}  // namespace
}  // namespace kp
