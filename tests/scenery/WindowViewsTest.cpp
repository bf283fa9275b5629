#include "SkyTestSupport.h"

#include "platform/Color.h"
#include "platform/Dates.h"
#include "scenery/SkyView.h"
#include "scenery/WindowRain.h"
#include "scenery/WindowViews.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

using testing::at;
using testing::differIn;
using testing::near;
using testing::renderScene;

constexpr int kW = 100;
constexpr int kH = 60;
// fmod(t, 11) = 5.5: the bird is halfway across, its box centred at x = 50.
constexpr double kBirdTime = 11 * 100000 + 5.5;

QImage outside(SkyLook look, double t) {
    return renderScene(kW, kH, [&](QPainter& p) { WindowOutside{look, t}.paint(p, QRectF(0, 0, kW, kH)); });
}
QImage bareSky(SkyLook look, double t) {
    return renderScene(kW, kH, [&](QPainter& p) { SkyView{look, t, false, true}.paint(p, QRectF(0, 0, kW, kH)); });
}

double localReference(int year, int month, int day, int hour, int minute) {
    return referenceFromDate(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

TEST(WindowOutside, BirdFliesOnlyUnderAClearSkyOutsideTheNight) {
    const QRect flightPath(40, 8, 16, 20);
    auto birdShows = [&](SkyLook look) {
        return differIn(outside(look, kBirdTime), bareSky(look, kBirdTime), flightPath);
    };
    EXPECT_TRUE(birdShows({SkyTime::sunset, SkyWeather::clear}));
    EXPECT_TRUE(birdShows({SkyTime::morning, SkyWeather::clear}));
    EXPECT_FALSE(birdShows({SkyTime::night, SkyWeather::clear}));
    EXPECT_FALSE(birdShows({SkyTime::day, SkyWeather::cloudy}));
    EXPECT_FALSE(birdShows({SkyTime::day, SkyWeather::snow}));
}

TEST(WindowOutside, TreetopsDarkenAtNightAndCarrySnowCaps) {
    const double treeY = 0.92 * kH;
    EXPECT_TRUE(near(at(outside({SkyTime::night, SkyWeather::clear}, 0), 50, treeY), colorFromHex("#24402E"), 2));
    const QImage day = outside({SkyTime::day, SkyWeather::cloudy}, 0);
    EXPECT_TRUE(near(at(day, 50, treeY), colorFromHex("#6BAF6A"), 2));  // the middle one, even
    EXPECT_TRUE(near(at(day, 27, treeY), colorFromHex("#4E9A55"), 2));  // the second, odd

    const QImage snowy = outside({SkyTime::day, SkyWeather::snow}, 0);
    const QColor cap = at(snowy, 50, treeY - 0.39 * kH / 2 + 2.5);
    EXPECT_GT(cap.red(), 225);
    EXPECT_GT(cap.green(), 225);
}

TEST(WindowOutside, RainPutsBeadsOnTheGlassAndSnowDoesNot) {
    const QRect upper(0, 0, kW, 40);
    for (SkyWeather w : {SkyWeather::rain, SkyWeather::storm}) {
        const SkyLook look{SkyTime::day, w};
        EXPECT_TRUE(differIn(outside(look, 40), bareSky(look, 40), QRect(12, 0, 8, 40)));
    }
    const SkyLook snow{SkyTime::afternoon, SkyWeather::snow};
    EXPECT_FALSE(differIn(outside(snow, 40), bareSky(snow, 40), upper));
}

TEST(WindowOutside, FireworksOnNewYearsEveningOnly) {
    const QRect sky(0, 0, kW, 40);
    auto fireworksShow = [&](double at, SkyLook look) {
        for (double dt : {0.0, 0.4, 0.9, 1.5}) {  // some shell is always up; look at a few instants
            if (differIn(outside(look, at + dt), bareSky(look, at + dt), sky)) return true;
        }
        return false;
    };
    const SkyLook night{SkyTime::night, SkyWeather::cloudy};
    const SkyLook day{SkyTime::day, SkyWeather::cloudy};
    EXPECT_TRUE(fireworksShow(localReference(2026, 12, 31, 20, 0), night));
    EXPECT_TRUE(fireworksShow(localReference(2027, 1, 1, 2, 30), {SkyTime::sunset, SkyWeather::cloudy}));
    EXPECT_FALSE(fireworksShow(localReference(2026, 12, 31, 20, 0), day));
    EXPECT_FALSE(fireworksShow(localReference(2026, 12, 31, 17, 50), night));
    EXPECT_FALSE(fireworksShow(localReference(2027, 1, 1, 3, 5), night));
}

TEST(BedroomWindow, OpeningRaisesOnlyTheLowerSash) {
    const SkyLook look{SkyTime::day, SkyWeather::cloudy};
    auto render = [&](bool open) {
        return renderScene(200, 120, [&](QPainter& p) {
            BedroomWindowView{look, 0, open}.paint(p, QRectF(0, 0, 200, 120));
        });
    };
    const QImage closed = render(false);
    const QImage open = render(true);
    // The sash's glass dims the lower half when closed, the upper half when raised.
    EXPECT_GT(at(closed, 80, 64).lightness(), at(open, 80, 64).lightness());
    EXPECT_LT(at(closed, 80, 46).lightness(), at(open, 80, 46).lightness());
    // The sill is the same either way.
    EXPECT_EQ(at(closed, 100, 82), at(open, 100, 82));
    EXPECT_TRUE(near(at(closed, 100, 82), colorFromHex("#DCCFBF"), 2));
}

TEST(BedroomWindow, KeepsItsSizeWhateverTheSpace) {
    for (const QRectF& space : {QRectF(0, 0, 200, 120), QRectF(60, 30, 80, 60)}) {
        const QImage img = renderScene(200, 120, [&](QPainter& p) {
            BedroomWindowView{{SkyTime::day, SkyWeather::rain}, 7, true}.paint(p, space);
        });
        // 72 x 48 around the centre; curtains and rod may overhang by a few points.
        EXPECT_TRUE(testing::blankOutside(img, QRect(100 - 42, 60 - 27, 84, 54)));
        EXPECT_TRUE(near(at(img, 100, 36), colorFromHex("#6B5344"), 3));  // the rod
    }
}

TEST(PlainWindow, FramesTheSkyWithACrossAndStaysInItsBox) {
    const QImage img = renderScene(200, 120, [&](QPainter& p) {
        PlainWindowView{{SkyTime::night, SkyWeather::clear}, 3}.paint(p, QRectF(0, 0, 200, 120));
    });
    const QColor frame = colorFromHex("#E7E0D6");
    EXPECT_TRUE(near(at(img, 100, 38), frame, 2));  // top of the frame
    EXPECT_TRUE(near(at(img, 100, 50), frame, 2));  // vertical bar
    EXPECT_TRUE(near(at(img, 85, 60), frame, 2));   // horizontal bar
    EXPECT_LT(at(img, 85, 48).lightness(), 80);     // the night sky through the glass
    EXPECT_TRUE(testing::blankOutside(img, QRect(100 - 38, 60 - 26, 76, 52)));
}

TEST(WindowSashSpring, SettlesAtFirstThenSpringsTowardTheNewPosition) {
    WindowSashSpring spring;
    EXPECT_EQ(spring.lift(false, 100.0), 0.0);
    double t = 100.0;
    double peak = 0;
    double quarter = -1;
    for (int i = 1; i <= 90; ++i) {
        t += 1.0 / 60;
        const double v = spring.lift(true, t);
        peak = std::max(peak, v);
        if (i == 15) quarter = v;
    }
    EXPECT_GT(quarter, 0.3);
    EXPECT_LT(quarter, 0.98);
    EXPECT_LT(peak, 1.03);  // damping 0.8: hardly any overshoot
    EXPECT_NEAR(spring.lift(true, t), 1.0, 0.01);
    for (int i = 0; i < 60; ++i) spring.lift(true, t += 1.0 / 60);
    EXPECT_FALSE(spring.isMoving());
    EXPECT_EQ(spring.lift(true, t + 1.0 / 60), 1.0);
}

TEST(WindowRain, RainFallsSlantedDownToTheLeft) {
    // At 2x, how far a streak's ink 6 points lower lies sideways: the shift that matches the rain
    // best with itself that far down.
    for (const bool heavy : {false, true}) {
        const QImage img = renderScene(240, 160, [&](QPainter& p) {
            p.scale(2, 2);
            drawWindowRain(p, heavy, QSizeF(120, 80), 7, 1);
        });
        const int down = 12;
        int best = 0;
        long bestScore = -1;
        for (int dx = -8; dx <= 3; ++dx) {
            long score = 0;
            for (int y = 0; y + down < img.height(); ++y)
                for (int x = std::max(0, -dx); x < img.width() && x + dx < img.width(); ++x)
                    score += long(qAlpha(img.pixel(x, y))) * qAlpha(img.pixel(x + dx, y + down));
            if (score > bestScore) bestScore = score, best = dx;
        }
        EXPECT_LT(best, -1) << heavy;
    }
}

TEST(WindowRain, EveryLayerDrawsEvenOnANarrowPane) {
    const QImage img = renderScene(4, 60, [](QPainter& p) { drawWindowRain(p, false, QSizeF(4, 60), 5, 1); });
    EXPECT_GT(testing::countPixels(img, QRect(0, 0, 4, 60), [](const QColor& c) { return c.alpha() > 0; }), 0);
    const QImage none = renderScene(40, 40, [](QPainter& p) { drawWindowRain(p, true, QSizeF(0, 40), 5, 1); });
    EXPECT_TRUE(testing::blankOutside(none, QRect()));
}

}  // namespace
}  // namespace kp
