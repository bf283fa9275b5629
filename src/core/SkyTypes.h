#pragma once
// The world outside the cat's window: time of day and weather.
#include "platform/EnumNames.h"

#include <QString>

namespace kp {

enum class SkyTime { morning, day, afternoon, sunset, night };
enum class SkyWeather { clear, cloudy, rain, snow, storm };

template <>
struct EnumNames<SkyTime> {
    static constexpr std::array<std::string_view, 5> names{"morning", "day", "afternoon", "sunset", "night"};
};

template <>
struct EnumNames<SkyWeather> {
    static constexpr std::array<std::string_view, 5> names{"clear", "cloudy", "rain", "snow", "storm"};
};

constexpr bool isRainy(SkyWeather w) { return w == SkyWeather::rain || w == SkyWeather::storm; }

struct SkyLook {
    SkyTime time = SkyTime::day;
    SkyWeather weather = SkyWeather::clear;

    bool operator==(const SkyLook&) const = default;
    // Something comes down from the sky.
    constexpr bool isFalling() const {
        return weather == SkyWeather::rain || weather == SkyWeather::snow || weather == SkyWeather::storm;
    }
    // Only a clear morning, day or afternoon.
    constexpr bool isDaytime() const {
        return weather == SkyWeather::clear &&
               (time == SkyTime::morning || time == SkyTime::day || time == SkyTime::afternoon);
    }
    // "Morning · clear": the time capitalised, a middle dot, the weather.
    QString label() const {
        const std::string_view t = rawValue(time);
        const std::string_view w = rawValue(weather);
        QString out = QString::fromLatin1(t.data(), qsizetype(t.size()));
        if (!out.isEmpty()) out[0] = out[0].toUpper();
        out += QStringLiteral(" \u00B7 ");
        out += QLatin1String(w.data(), qsizetype(w.size()));
        return out;
    }
};

}  // namespace kp
