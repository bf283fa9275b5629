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
    // Lit part of the moon; where the crescent is cut away the sky shows as it does at that
    // height elsewhere (no disc of another colour sits there).
    EXPECT_TRUE(near(at(img, 135, 30), colorFromHex("#F4EDC8"), 3));
    EXPECT_TRUE(near(at(img, 153, 20), at(img, 80, 20), 3));
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

namespace kp {
namespace {

TEST(SkyViewDrawing, AWideSkysCloudIsSizedByItsHeightAndKeepsItsRoundTop) {
    // A garden-wide sky at 3x, the clear day's one cloud in the middle, a fifth of the width at
    // most: its big puff (0.12 of the cloud's width left of its centre, radius 0.21) rounds over
    // the top as a circle does, within the sprite's placement on the pixel grid.
    const double w = 640, h = 126, scale = 3;
    const double time = (w / 2 + 20) / (w + 40) / 0.012;
    const QImage img = testing::renderScene(int(w * scale), int(h * scale), [&](QPainter& p) {
        p.scale(scale, scale);
        SkyView{{SkyTime::day, SkyWeather::clear}, time, false, true}.paint(p, QRectF(0, 0, w, h));
    });
    const double cw = 0.34 * 1.6 * h;
    const double r = 0.21 * cw;
    const double px = w / 2 - 0.12 * cw;
    // Where a column turns from sky to cloud, in device pixels from the top.
    auto edgeAt = [&](double x, double near) {
        const int column = int(x * scale);
        const int sky = img.pixelColor(column, int(near - 8)).red(), cloud = img.pixelColor(column, int(near + 8)).red();
        const double half = (sky + cloud) / 2.0;
        for (int y = int(near - 8); y < int(near + 8); ++y) {
            const double a = img.pixelColor(column, y).red(), b = img.pixelColor(column, y + 1).red();
            if ((a - half) * (b - half) <= 0 && a != b) return y + 0.5 + (half - a) / (b - a);
        }
        return -1.0;
    };
    // The puff's top, found down the column through its centre, well below the sky's edge.
    double top = -1;
    for (int y = 0; y < int(h * scale) && top < 0; ++y)
        if (img.pixelColor(int(px * scale), y).red() > img.pixelColor(int(px * scale), 0).red() + 40) top = y;
    ASSERT_GT(top, 2);
    // Across its middle the cloud is a fifth of the sky's width at most.
    int wide = 0;
    const int row = int(top + 0.25 * cw * scale);
    for (int x = 0; x < img.width(); ++x)
        if (img.pixelColor(x, row).red() > img.pixelColor(0, row).red() + 40) ++wide;
    EXPECT_GT(wide, 0.1 * w * scale);
    EXPECT_LT(wide, 0.2 * w * scale);
    top = edgeAt(px, top);
    for (double dx = -0.7 * r; dx <= 0.7 * r; dx += 0.1 * r) {
        const double expected = top + (r - std::sqrt(r * r - dx * dx)) * scale;
        EXPECT_NEAR(edgeAt(px + dx, expected), expected, 0.75) << dx;
    }
}

TEST(SkyViewDrawing, AWindowsCloudsStandAtTheirShareOfItsHeight) {
    // A cloudy window pane 52 x 36 at 4x, at the moment cloud 0 crosses its middle: the cloud's
    // centre line is 0.14 of the height down, its big puff rounding just under the top edge, and
    // twice the pane shows the same picture twice the size.
    const double time = 0.5 / 0.012;
    for (const double size : {1.0, 2.0}) {
        const double w = 52 * size, h = 36 * size, scale = 4 / size;
        const QImage img = renderScene(int(w * scale), int(h * scale), [&](QPainter& p) {
            p.scale(scale, scale);
            SkyView{{SkyTime::day, SkyWeather::cloudy}, time, false, true}.paint(p, QRectF(0, 0, w, h));
        });
        const double cw = 0.34 * w, y = 0.14 * h;
        // Down the big puff's centre column: cloud from its top to the capsule's foot, sky below.
        const int column = int((w / 2 - 0.12 * cw) * scale);
        const QColor sky = img.pixelColor(column, int((y + 0.22 * cw + 3 * size) * scale));
        auto isCloud = [&](double yy) { return img.pixelColor(column, int(yy * scale)).lightness() > sky.lightness() + 25; };
        EXPECT_TRUE(isCloud(y - 0.04 * cw - 0.15 * cw)) << size;  // inside the puff, near its top
        EXPECT_TRUE(isCloud(y)) << size;
        EXPECT_TRUE(isCloud(y + 0.2 * cw)) << size;                // the capsule's lower part
        EXPECT_FALSE(isCloud(y + 0.22 * cw + 2 * size)) << size;   // below it, the sky
        // The capsule's ends are round: the corners of its box show the sky.
        for (const double dx : {-0.47 * cw, 0.47 * cw})
            for (const double dy : {-0.07 * cw, 0.19 * cw}) {
                const QColor corner = img.pixelColor(int((w / 2 + dx) * scale), int((y + dy) * scale));
                EXPECT_LT(corner.lightness(), sky.lightness() + 25) << size << " " << dx << " " << dy;
            }
    }
}

TEST(SkyViewDrawing, SnowFallsFromAboveTheTopToBelowTheBottomOfAPane) {
    // A window pane 52 x 36 at 2x over a few seconds: flakes cross its top rows and its bottom rows.
    const SkyLook snow{SkyTime::day, SkyWeather::snow};
    const int w = 52, h = 36;
    bool top = false, bottom = false;
    for (double t = 0; t < 5; t += 1) {
        const auto pane = [&](bool flakes) {
            return renderScene(2 * w, 2 * h, [&](QPainter& p) {
                p.scale(2, 2);
                SkyView{snow, t, false, flakes}.paint(p, QRectF(0, 0, w, h));
            });
        };
        const QImage with = pane(true), without = pane(false);
        top = top || testing::differIn(with, without, QRect(0, 0, 2 * w, 4), 8);
        bottom = bottom || testing::differIn(with, without, QRect(0, 2 * h - 4, 2 * w, 4), 8);
    }
    EXPECT_TRUE(top);
    EXPECT_TRUE(bottom);
}

// Separate cloud shapes in a sky: blobs of the cloud's tint laid over the sky's gradient at the
// cloud's opacity, four-connected, a few pixels at least.
int cloudShapes(const QImage& img, SkyLook look) {
    const auto [top, bottom] = SkyView::skyColors(look);
    const QColor tint = SkyView::cloudTint(look.time, look.weather);
    const double alpha = look.weather == SkyWeather::clear ? 0.85 : 0.92;
    const int w = img.width(), h = img.height();
    std::vector<char> cloud(std::size_t(w * h), 0);
    for (int y = 0; y < h; ++y) {
        const double f = (y + 0.5) / h;
        const auto sky = [&](int a, int b) { return a + (b - a) * f; };
        const auto mix = [&](int a, int b, int c) { return alpha * c + (1 - alpha) * sky(a, b); };
        const QColor bg = QColor::fromRgbF(float(sky(top.red(), bottom.red()) / 255),
                                           float(sky(top.green(), bottom.green()) / 255),
                                           float(sky(top.blue(), bottom.blue()) / 255));
        const QColor want = QColor::fromRgbF(float(mix(top.red(), bottom.red(), tint.red()) / 255),
                                             float(mix(top.green(), bottom.green(), tint.green()) / 255),
                                             float(mix(top.blue(), bottom.blue(), tint.blue()) / 255));
        // As loose as the cloud's contrast with the sky allows, so the bare sky never counts.
        const int tolerance = std::min(20, std::max({std::abs(want.red() - bg.red()), std::abs(want.green() - bg.green()),
                                                     std::abs(want.blue() - bg.blue())}) * 2 / 5);
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));  // opaque: no unpremultiplying
        for (int x = 0; x < w; ++x)
            cloud[std::size_t(y * w + x)] = std::abs(qRed(line[x]) - want.red()) <= tolerance &&
                                            std::abs(qGreen(line[x]) - want.green()) <= tolerance &&
                                            std::abs(qBlue(line[x]) - want.blue()) <= tolerance;
    }
    int shapes = 0;
    std::vector<int> stack;
    for (int start = 0; start < w * h; ++start) {
        if (!cloud[std::size_t(start)]) continue;
        int size = 0;
        stack = {start};
        cloud[std::size_t(start)] = 0;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            ++size;
            const int x = i % w, y = i / w;
            for (const int j : {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1, y + 1 < h ? i + w : -1})
                if (j >= 0 && cloud[std::size_t(j)]) {
                    cloud[std::size_t(j)] = 0;
                    stack.push_back(j);
                }
        }
        shapes += size >= 6;
    }
    return shapes;
}

TEST(SkyViewDrawing, CloudsByWeather) {
    // A window's sky and a garden-wide one as the clouds drift: never more clouds than the weather
    // has, and all of them apart at some moment. Storms are seen between flashes.
    const std::pair<SkyLook, int> skies[] = {
        {{SkyTime::day, SkyWeather::clear}, 1},  {{SkyTime::night, SkyWeather::clear}, 0},
        {{SkyTime::day, SkyWeather::cloudy}, 4}, {{SkyTime::morning, SkyWeather::rain}, 4},
        {{SkyTime::day, SkyWeather::snow}, 3},   {{SkyTime::afternoon, SkyWeather::storm}, 5},
    };
    for (const QSize size : {QSize(200, 100), QSize(640, 126)})
        for (const auto& [look, count] : skies) {
            int most = 0;
            for (double t = 0; t < 1500; t += 11) {
                if (lightningFlash(t) > 0) continue;
                const int shapes = cloudShapes(sky(look, t, false, false, size.width(), size.height()), look);
                EXPECT_LE(shapes, count) << int(look.weather) << " at " << t;
                most = std::max(most, shapes);
            }
            // A window's clouds are sized by its width: a storm's five always overlap somewhere
            // there, so they are seen apart in the wide sky only.
            const bool allApart = count < 5 || size.width() > 3 * size.height();
            EXPECT_EQ(most, allApart ? count : count - 1) << int(look.weather) << " " << size.width();
        }
}

}  // namespace
}  // namespace kp
