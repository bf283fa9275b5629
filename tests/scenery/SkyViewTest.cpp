#include "SkyTestSupport.h"

#include "life/SkyClock.h"
#include "platform/Color.h"
#include "scenery/SkyPredicates.h"
#include "scenery/SkyView.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

using testing::at;
using testing::near;
using testing::renderScene;

QImage sky(SkyLook look, double t, bool glass = false, bool precipitation = true, int w = 200, int h = 100) {
    return renderScene(w, h, [&](QPainter& p) { SkyView{look, t, glass, precipitation}.paint(p, QRectF(0, 0, w, h)); });
}

QColor expectedMix(const char* time, const char* weather) {
    const QColor a = colorFromHex(time), b = colorFromHex(weather);
    return QColor(qRound(b.red() + (a.red() - b.red()) * 0.18), qRound(b.green() + (a.green() - b.green()) * 0.18),
                  qRound(b.blue() + (a.blue() - b.blue()) * 0.18));
}

// A frame time whose storm shows the full first flash.
double flashTime() {
    for (double t = 0; t < 9; t += 0.005)
        if (lightningFlash(t) == 1.0) return t;
    return -1;
}

TEST(SkyViewColours, ClearSkiesUseTheTimePairAndCloudySkiesLeanEighteenPercentTowardIt) {
    auto clearDay = SkyView::skyColors({SkyTime::day, SkyWeather::clear});
    EXPECT_EQ(clearDay[0], colorFromHex("#7FC0EE"));
    EXPECT_EQ(clearDay[1], colorFromHex("#D4ECFA"));

    auto cloudySunset = SkyView::skyColors({SkyTime::sunset, SkyWeather::cloudy});
    EXPECT_TRUE(near(cloudySunset[0], expectedMix("#6C5B9E", "#9AA8B8"), 1));
    EXPECT_TRUE(near(cloudySunset[1], expectedMix("#F29A6A", "#D3DAE2"), 1));

    auto cloudyNight = SkyView::skyColors({SkyTime::night, SkyWeather::cloudy});
    EXPECT_TRUE(near(cloudyNight[0], expectedMix("#141D38", "#1C2236"), 1));
    EXPECT_TRUE(near(cloudyNight[1], expectedMix("#33416E", "#3A4258"), 1));

    auto stormNight = SkyView::skyColors({SkyTime::night, SkyWeather::storm});
    EXPECT_TRUE(near(stormNight[0], expectedMix("#141D38", "#0E111C"), 1));
}

TEST(SkyViewColours, CloudTintFollowsWeatherThenNight) {
    EXPECT_EQ(SkyView::cloudTint(SkyTime::day, SkyWeather::rain), colorFromHex("#8592A3"));
    EXPECT_EQ(SkyView::cloudTint(SkyTime::night, SkyWeather::storm), colorFromHex("#3A4150"));
    EXPECT_EQ(SkyView::cloudTint(SkyTime::night, SkyWeather::snow), colorFromHex("#4A5574"));
    EXPECT_EQ(SkyView::cloudTint(SkyTime::morning, SkyWeather::cloudy), QColor(Qt::white));
}

TEST(SkyViewDrawing, GradientRunsFromTopColourToBottomColour) {
    const QImage img = sky({SkyTime::day, SkyWeather::clear}, 0, false, true);
    // Bottom-left corner: no sun, cloud or star reaches it.
    EXPECT_TRUE(near(at(img, 2, 99), colorFromHex("#D4ECFA"), 4));
    EXPECT_TRUE(near(at(img, 199, 0), colorFromHex("#7FC0EE"), 4));
}

TEST(SkyViewDrawing, ClearNightShowsACrescentMoonAtFullStrength) {
    const QImage img = sky({SkyTime::night, SkyWeather::clear}, 0);
    // Lit part of the moon (left of the dark disc), and the dark disc itself.
    EXPECT_TRUE(near(at(img, 135, 30), colorFromHex("#F4EDC8"), 3));
    EXPECT_TRUE(near(at(img, 153, 20), colorFromHex("#33416E"), 3));
    // Cloudy: the moon shows at 0.45, so the lit part is dimmer.
    const QImage cloudy = sky({SkyTime::night, SkyWeather::cloudy}, 0);
    EXPECT_LT(at(cloudy, 135, 30).red(), 200);
    EXPECT_GT(at(cloudy, 135, 30).red(), at(cloudy, 20, 30).red());
}

TEST(SkyViewDrawing, RainAndStormHideTheSunAndTheMoon) {
    // At time 0 no cloud covers the day sun's centre (0.72 w, 0.22 h).
    const QColor cloudy = at(sky({SkyTime::day, SkyWeather::cloudy}, 0, false, false), 144, 22);
    const QColor rainy = at(sky({SkyTime::day, SkyWeather::rain}, 0, false, false), 144, 22);
    EXPECT_GT(cloudy.red(), cloudy.blue()) << "a cloudy day still shows a faint sun";
    EXPECT_GT(rainy.blue(), rainy.red()) << "rain shows no sun";
    const QColor stormNight = at(sky({SkyTime::night, SkyWeather::storm}, 0.5, false, false), 135, 30);
    EXPECT_LT(stormNight.red(), 60) << "a stormy night shows no moon";
}

TEST(SkyViewDrawing, PrecipitationFlagControlsRainButNotLightning) {
    const SkyLook rain{SkyTime::day, SkyWeather::rain};
    const QRect lowBand(0, 70, 200, 30);  // below every cloud
    const QImage dry = sky(rain, 100, false, false);
    const QImage wet = sky(rain, 100, false, true);
    EXPECT_TRUE(testing::differIn(dry, wet, lowBand));

    const double t = flashTime();
    ASSERT_GE(t, 0);
    const SkyLook storm{SkyTime::day, SkyWeather::storm};
    const QColor lit = at(sky(storm, t, false, false), 2, 98);
    const QColor dark = at(sky(storm, t + 0.5, false, false), 2, 98);
    EXPECT_GT(lit.red(), dark.red() + 60) << "a storm flashes even without precipitation";
}

TEST(SkyViewDrawing, BeadsOnlyOnGlassInRainOrStorm) {
    const QRect all(0, 0, 200, 100);
    for (SkyWeather w : {SkyWeather::rain, SkyWeather::storm}) {
        const SkyLook look{SkyTime::afternoon, w};
        EXPECT_TRUE(testing::differIn(sky(look, 3, false, false), sky(look, 3, true, false), all));
    }
    const SkyLook snow{SkyTime::afternoon, SkyWeather::snow};
    EXPECT_FALSE(testing::differIn(sky(snow, 3, false, true), sky(snow, 3, true, true), all));
}

TEST(SkyViewDrawing, ScalesWithTheViewAndStaysInsideItsFrame) {
    const SkyLook night{SkyTime::night, SkyWeather::clear};
    const QImage small = sky(night, 0, false, true, 200, 100);
    const QImage big = sky(night, 0, false, true, 400, 200);
    EXPECT_TRUE(near(at(small, 135, 30), at(big, 270, 60), 4));
    EXPECT_TRUE(near(at(small, 153, 20), at(big, 306, 40), 4));

    const QImage framed = renderScene(300, 200, [](QPainter& p) {
        SkyView{{SkyTime::day, SkyWeather::storm}, 12, true, true}.paint(p, QRectF(50, 40, 200, 100));
    });
    EXPECT_TRUE(testing::blankOutside(framed, QRect(50, 40, 200, 100)));
    EXPECT_EQ(qAlpha(framed.pixel(60, 130)), 255);
}

TEST(SkyPredicates, AnswerTheGardensQuestions) {
    EXPECT_FALSE(isClearDay({SkyTime::morning, SkyWeather::cloudy}));
    EXPECT_FALSE(isClearDay({SkyTime::sunset, SkyWeather::clear}));
    EXPECT_TRUE(isClearDay({SkyTime::afternoon, SkyWeather::clear}));
    EXPECT_TRUE(isFalling({SkyTime::day, SkyWeather::snow}));
    EXPECT_FALSE(isRaining({SkyTime::day, SkyWeather::snow}));
    EXPECT_TRUE(isRaining({SkyTime::night, SkyWeather::storm}));
    EXPECT_FALSE(isFalling({SkyTime::night, SkyWeather::cloudy}));
}

}  // namespace
}  // namespace kp
