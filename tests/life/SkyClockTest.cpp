// Time of day and snow days, and the forecast service's words.
#include "life/SkyClock.h"
#include "life/SkyServices.h"
#include "platform/Dates.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <cstdlib>
#include <ctime>

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
}

}  // namespace
}  // namespace kp
