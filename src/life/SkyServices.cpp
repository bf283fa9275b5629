#include "life/SkyServices.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrlQuery>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace kp {

UnavailableSystemWeather& UnavailableSystemWeather::shared() {
    static UnavailableSystemWeather service;
    return service;
}

SkyWeather skyWeatherFromCondition(const QString& condition) {
    struct Entry {
        std::string_view name;
        SkyWeather weather;
    };
    static constexpr std::array<Entry, 25> table{{
        {"clear", SkyWeather::clear},
        {"mostlyClear", SkyWeather::clear},
        {"hot", SkyWeather::clear},
        {"frigid", SkyWeather::clear},
        {"drizzle", SkyWeather::rain},
        {"rain", SkyWeather::rain},
        {"heavyRain", SkyWeather::rain},
        {"sunShowers", SkyWeather::rain},
        {"freezingDrizzle", SkyWeather::rain},
        {"freezingRain", SkyWeather::rain},
        {"flurries", SkyWeather::snow},
        {"sunFlurries", SkyWeather::snow},
        {"snow", SkyWeather::snow},
        {"heavySnow", SkyWeather::snow},
        {"blowingSnow", SkyWeather::snow},
        {"blizzard", SkyWeather::snow},
        {"sleet", SkyWeather::snow},
        {"hail", SkyWeather::snow},
        {"wintryMix", SkyWeather::snow},
        {"thunderstorms", SkyWeather::storm},
        {"isolatedThunderstorms", SkyWeather::storm},
        {"scatteredThunderstorms", SkyWeather::storm},
        {"strongStorms", SkyWeather::storm},
        {"tropicalStorm", SkyWeather::storm},
        {"hurricane", SkyWeather::storm},
    }};
    const QByteArray name = condition.toLatin1();
    const std::string_view key(name.constData(), std::size_t(name.size()));
    for (const Entry& e : table)
        if (e.name == key) return e.weather;
    return SkyWeather::cloudy;
}

SkyWeather skyWeatherFromWmo(int code) {
    if (code == 0 || code == 1) return SkyWeather::clear;
    if ((code >= 51 && code <= 67) || (code >= 80 && code <= 82)) return SkyWeather::rain;
    if ((code >= 71 && code <= 77) || code == 85 || code == 86) return SkyWeather::snow;
    if (code >= 95 && code <= 99) return SkyWeather::storm;
    return SkyWeather::cloudy;
}

SkyCoordinate roundedCoordinate(SkyCoordinate at) {
    // std::round takes halves away from zero; adding 0.0 turns a rounded -0 into 0.
    return {std::round(at.latitude * 10.0) / 10.0 + 0.0, std::round(at.longitude * 10.0) / 10.0 + 0.0};
}

QString formatCoordinate(double degrees) {
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), degrees, std::chars_format::fixed);
    if (res.ec != std::errc()) return {};
    QString out = QString::fromLatin1(buf.data(), qsizetype(res.ptr - buf.data()));
    if (!out.contains(QLatin1Char('.'))) out += QStringLiteral(".0");
    return out;
}

std::optional<QUrl> openMeteoRequest(SkyCoordinate rounded) {
    if (!std::isfinite(rounded.latitude) || !std::isfinite(rounded.longitude)) return std::nullopt;
    QString base = qEnvironmentVariable(kOpenMeteoUrlVariable);
    if (base.isEmpty()) base = QStringLiteral("https://api.open-meteo.com");
    QUrl url(base, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) return std::nullopt;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    url.setPath(path + QStringLiteral("/v1/forecast"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("latitude"), formatCoordinate(rounded.latitude));
    query.addQueryItem(QStringLiteral("longitude"), formatCoordinate(rounded.longitude));
    query.addQueryItem(QStringLiteral("current"), QStringLiteral("weather_code"));
    url.setQuery(query);
    url.setFragment({});
    if (!url.isValid()) return std::nullopt;
    return url;
}

std::optional<int> parseOpenMeteo(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonValue current = doc.object().value(QLatin1String("current"));
    if (!current.isObject()) return std::nullopt;
    const QJsonValue code = current.toObject().value(QLatin1String("weather_code"));
    if (!code.isDouble()) return std::nullopt;
    const double v = code.toDouble();
    // Only a whole number that fits counts as an integer code.
    if (!std::isfinite(v) || v != std::trunc(v) || v < double(std::numeric_limits<int>::min()) ||
        v > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(v);
}

}  // namespace kp
