// Time of day and snow days, and the forecast service's words.
#include "life/SkyClock.h"
#include "life/SkyServices.h"
#include "platform/Dates.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

namespace kp {
namespace {

TEST(SkyClock, TheLocalClockGivesTheTimeOfDayAndTheSnowDaysInWinterAndSummerTime) {
    // A zone with summer time, so the local calendar is really used.
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    const auto local = [](int mo, int d, int h, int mi) {
        return referenceFromDate(QDateTime(QDate(2026, mo, d), QTime(h, mi)));
    };
    for (int month : {1, 7}) {
        EXPECT_EQ(skyTime(local(month, 10, 4, 59)), SkyTime::night) << month;
        EXPECT_EQ(skyTime(local(month, 10, 5, 0)), SkyTime::morning) << month;
        EXPECT_EQ(skyTime(local(month, 10, 19, 59)), SkyTime::sunset) << month;
        EXPECT_EQ(skyTime(local(month, 10, 20, 0)), SkyTime::night) << month;
    }
    EXPECT_FALSE(isSnowSeason(local(12, 14, 23, 59)));
    EXPECT_TRUE(isSnowSeason(local(12, 15, 0, 0)));
    EXPECT_TRUE(isSnowSeason(local(12, 29, 23, 59)));
    EXPECT_FALSE(isSnowSeason(local(12, 30, 0, 0)));
}

TEST(SkyWords, TheForecastIsAskedAtATenthOfADegreeAndOnlyAWholeCodeIsAnAnswer) {
    qputenv(kOpenMeteoUrlVariable, "http://127.0.0.1:8123/");
    auto url = openMeteoRequest(roundedCoordinate({48.86, -0.05}));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(), "http://127.0.0.1:8123/v1/forecast?latitude=48.9&longitude=-0.1&current=weather_code");
    qunsetenv(kOpenMeteoUrlVariable);

    EXPECT_EQ(parseOpenMeteo(R"({"current":{"time":"2026-12-06T18:00","weather_code":61}})"), 61);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"weather_code":3.0}})"), 3);
    for (const char* wrong : {R"({"current":{"weather_code":"61"}})", R"({"current":{"weather_code":2.5}})",
                              R"({"current":[61]})", "<html>502 Bad Gateway</html>"})
        EXPECT_EQ(parseOpenMeteo(wrong), std::nullopt) << wrong;
    // Qt's reader refuses a reply nested past its own bound before it runs out of stack.
    const int deep = 1'000'000;
    EXPECT_EQ(parseOpenMeteo("{\"current\":" + QByteArray(deep, '[') + QByteArray(deep, ']') + "}"), std::nullopt);
}

// One double flash per 9 s period: full for 0.08 s from its start (both ends open), dark for
// 0.08 s, then 60% for 0.08 s. The start is 6 s times a fraction fixed for the period.
TEST(SkyClock, LightningFlashesTwiceFromEachPeriodsOwnStart) {
    struct Period {
        double start;
        const char* which;
    };
    const Period periods[] = {
        {0.0, "k = 0 starts at 0 exactly"},
        {14.53014233889553, "k = 1"},
        {18.343309016141575, "k = 2"},
        {-3.46985766110447, "k = -1: floor goes down for negative times"},
    };
    struct Offset {
        double d, value;
    };
    const Offset offsets[] = {{-0.001, 0}, {0.0, 0}, {0.001, 1}, {0.05, 1}, {0.079, 1}, {0.081, 0}, {0.1, 0},
                              {0.159, 0}, {0.161, 0.6}, {0.2, 0.6}, {0.239, 0.6}, {0.241, 0}, {1.0, 0}};
    for (const Period& p : periods)
        for (const Offset& o : offsets) {
            if (p.start == 0.0 && o.d < 0) continue;  // that is the end of the period before
            EXPECT_DOUBLE_EQ(lightningFlash(p.start + o.d), o.value) << p.which << " at +" << o.d;
        }
    // All four bounds are strict (the first period starts at 0 exactly).
    for (const auto& [t, value] : {std::pair{0.08, 0.0}, std::pair{0.16, 0.0}, std::pair{0.24, 0.0}})
        EXPECT_DOUBLE_EQ(lightningFlash(t), value) << t;
    // Nothing else lights a period: 0.16 s of its 9 s are lit.
    for (int k = -3; k < 40; ++k) {
        int lit = 0;
        for (int i = 0; i < 9000; ++i) lit += lightningFlash(9.0 * k + i / 1000.0) > 0;
        EXPECT_NEAR(lit, 160, 2) << "period " << k;
    }
}

TEST(SkyWords, WeatherCodesAndConditionNamesMapOntoTheFiveSkiesAtEveryBoundary) {
    const std::pair<std::vector<int>, SkyWeather> codes[] = {
        {{0, 1}, SkyWeather::clear},
        {{-1, 2, 3, 45, 48, 50, 68, 70, 78, 79, 83, 84, 87, 94, 100, 1000}, SkyWeather::cloudy},
        {{51, 61, 67, 80, 82}, SkyWeather::rain},
        {{71, 77, 85, 86}, SkyWeather::snow},
        {{95, 99}, SkyWeather::storm},
    };
    for (const auto& [list, weather] : codes)
        for (int code : list) EXPECT_EQ(skyWeatherFromWmo(code), weather) << code;

    const std::pair<std::vector<const char*>, SkyWeather> names[] = {
        {{"clear", "mostlyClear", "hot", "frigid"}, SkyWeather::clear},
        {{"drizzle", "rain", "heavyRain", "sunShowers", "freezingDrizzle", "freezingRain"}, SkyWeather::rain},
        {{"flurries", "sunFlurries", "snow", "heavySnow", "blowingSnow", "blizzard", "sleet", "hail", "wintryMix"},
         SkyWeather::snow},
        {{"thunderstorms", "isolatedThunderstorms", "scatteredThunderstorms", "strongStorms", "tropicalStorm",
          "hurricane"},
         SkyWeather::storm},
        {{"cloudy", "mostlyCloudy", "foggy", "windy", "Clear", "", "rain "}, SkyWeather::cloudy},
    };
    for (const auto& [list, weather] : names)
        for (const char* name : list) EXPECT_EQ(skyWeatherFromCondition(QString::fromLatin1(name)), weather) << name;
}

}  // namespace
}  // namespace kp
