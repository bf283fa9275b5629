// Time of day, snow days, lightning, labels, status sentences and the weather services' words.
#include "life/SkyClock.h"
#include "life/SkyModel.h"
#include "life/SkyServices.h"
#include "platform/Dates.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <QUrlQuery>

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace kp {
namespace {

class SkyClockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A zone with summer time, so the local calendar is really used.
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
    static double local(int y, int mo, int d, int h, int mi) {
        return referenceFromDate(QDateTime(QDate(y, mo, d), QTime(h, mi)));
    }
};

TEST_F(SkyClockTest, HoursMapOntoTimesOfDayAtTheirBoundaries) {
    const struct {
        int h, m;
        SkyTime want;
    } cases[] = {{4, 59, SkyTime::night},     {5, 0, SkyTime::morning},    {7, 59, SkyTime::morning},
                 {8, 0, SkyTime::day},        {14, 59, SkyTime::day},      {15, 0, SkyTime::afternoon},
                 {17, 59, SkyTime::afternoon}, {18, 0, SkyTime::sunset},    {19, 59, SkyTime::sunset},
                 {20, 0, SkyTime::night},     {23, 59, SkyTime::night},    {0, 0, SkyTime::night}};
    for (const auto& c : cases) {
        // Winter and summer time both follow the local clock.
        EXPECT_EQ(skyTime(local(2026, 1, 10, c.h, c.m)), c.want) << c.h << ":" << c.m;
        EXPECT_EQ(skyTime(local(2026, 7, 10, c.h, c.m)), c.want) << c.h << ":" << c.m << " summer";
    }
    EXPECT_EQ(skyTime(std::nan("")), SkyTime::night);
}

TEST_F(SkyClockTest, SnowDaysAreTheFifteenthToTheTwentyNinthOfDecember) {
    EXPECT_FALSE(isSnowSeason(local(2026, 12, 14, 23, 59)));
    EXPECT_TRUE(isSnowSeason(local(2026, 12, 15, 0, 0)));
    EXPECT_TRUE(isSnowSeason(local(2026, 12, 29, 23, 59)));
    EXPECT_FALSE(isSnowSeason(local(2026, 12, 30, 0, 0)));
    EXPECT_FALSE(isSnowSeason(local(2026, 11, 20, 12, 0)));
    EXPECT_FALSE(isSnowSeason(local(2027, 1, 20, 12, 0)));
    EXPECT_FALSE(isSnowSeason(std::nan("")));
}

TEST_F(SkyClockTest, LightningFlashesTwiceInEachNineSecondPeriod) {
    EXPECT_EQ(lightningFlash(0.0), 0.0);  // the flash of the first period starts at 0 exactly
    EXPECT_EQ(lightningFlash(0.05), 1.0);
    EXPECT_EQ(lightningFlash(0.1), 0.0);
    EXPECT_EQ(lightningFlash(0.2), 0.6);
    EXPECT_EQ(lightningFlash(0.24), 0.0);
    // Second period: the flash starts at about 14.530 s.
    EXPECT_EQ(lightningFlash(14.50), 0.0);
    EXPECT_EQ(lightningFlash(14.57), 1.0);
    EXPECT_EQ(lightningFlash(14.73), 0.6);
    EXPECT_EQ(lightningFlash(14.80), 0.0);
    // Third period: about 18.343 s.
    EXPECT_EQ(lightningFlash(18.38), 1.0);
    EXPECT_EQ(lightningFlash(18.55), 0.6);
    // Each period holds exactly one bright flash, also before the clock's origin.
    for (int k = -3; k < 6; ++k) {
        int bright = 0, dim = 0;
        for (int i = 0; i < 9000; ++i) {
            const double v = lightningFlash(9.0 * k + i * 0.001 + 0.0005);
            bright += v == 1.0;
            dim += v == 0.6;
        }
        EXPECT_NEAR(bright, 80, 1) << k;
        EXPECT_NEAR(dim, 80, 1) << k;
    }
}

TEST(SkyWords, WeatherCodesAndConditionsMapOntoFiveSkies) {
    const struct {
        int code;
        SkyWeather want;
    } codes[] = {{0, SkyWeather::clear},   {1, SkyWeather::clear},   {2, SkyWeather::cloudy},
                 {3, SkyWeather::cloudy},  {45, SkyWeather::cloudy}, {51, SkyWeather::rain},
                 {61, SkyWeather::rain},   {67, SkyWeather::rain},   {68, SkyWeather::cloudy},
                 {71, SkyWeather::snow},   {77, SkyWeather::snow},   {78, SkyWeather::cloudy},
                 {80, SkyWeather::rain},   {82, SkyWeather::rain},   {84, SkyWeather::cloudy},
                 {85, SkyWeather::snow},   {86, SkyWeather::snow},   {94, SkyWeather::cloudy},
                 {95, SkyWeather::storm},  {99, SkyWeather::storm},  {100, SkyWeather::cloudy},
                 {-1, SkyWeather::cloudy}};
    for (const auto& c : codes) EXPECT_EQ(skyWeatherFromWmo(c.code), c.want) << c.code;

    EXPECT_EQ(skyWeatherFromCondition("sunShowers"), SkyWeather::rain);
    EXPECT_EQ(skyWeatherFromCondition("hail"), SkyWeather::snow);
    EXPECT_EQ(skyWeatherFromCondition("hot"), SkyWeather::clear);
    EXPECT_EQ(skyWeatherFromCondition("hurricane"), SkyWeather::storm);
    EXPECT_EQ(skyWeatherFromCondition("smoky"), SkyWeather::cloudy);
    EXPECT_EQ(skyWeatherFromCondition("Rain"), SkyWeather::cloudy);  // names are exact
}

TEST(SkyWords, PositionsAreRoundedToATenthAndPrintedShortest) {
    EXPECT_EQ(formatCoordinate(roundedCoordinate({48.86, 2.349}).latitude), "48.9");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({-0.05, 2.349}).latitude), "-0.1");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({48.86, 2.349}).longitude), "2.3");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({5.0, 0.0}).latitude), "5.0");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({-0.04, 0.0}).latitude), "0.0");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({-33.86, 151.21}).longitude), "151.2");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({0.25, -179.96}).latitude), "0.3");
    EXPECT_EQ(formatCoordinate(roundedCoordinate({0.25, -179.96}).longitude), "-180.0");
}

TEST(SkyWords, ForecastRequestCarriesExactlyThreeQueryItems) {
    qputenv(kOpenMeteoUrlVariable, "http://127.0.0.1:8123/");
    auto url = openMeteoRequest(roundedCoordinate({48.86, -0.05}));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(), "http://127.0.0.1:8123/v1/forecast?latitude=48.9&longitude=-0.1&current=weather_code");

    qputenv(kOpenMeteoUrlVariable, "not a url");
    EXPECT_FALSE(openMeteoRequest({1, 2}));

    qunsetenv(kOpenMeteoUrlVariable);
    url = openMeteoRequest({5.0, 10.0});
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "https");
    EXPECT_EQ(url->path(), "/v1/forecast");
    EXPECT_EQ(QUrlQuery(*url).queryItemValue("latitude"), "5.0");
    EXPECT_FALSE(openMeteoRequest({std::nan(""), 1.0}));
}

TEST(SkyWords, ForecastAnswerGivesOnlyAnIntegerWeatherCode) {
    EXPECT_EQ(parseOpenMeteo(R"({"latitude":48.9,"current":{"time":"2026-12-06T18:00","weather_code":61}})"), 61);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"weather_code":3.0}})"), 3);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"weather_code":"61"}})"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"weather_code":2.5}})"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"weather_code":true}})"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(R"({"current":{"temperature_2m":4}})"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(R"({"current":[61]})"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(R"([{"current":{"weather_code":61}}])"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo("<html>502 Bad Gateway</html>"), std::nullopt);
    EXPECT_EQ(parseOpenMeteo(""), std::nullopt);
}

}  // namespace
}  // namespace kp
