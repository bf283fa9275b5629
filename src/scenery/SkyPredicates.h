#pragma once
// Questions the garden and the pet ask of the sky.
#include "core/SkyTypes.h"

namespace kp {

// Rain, snow or storm.
constexpr bool isFalling(SkyLook look) { return look.isFalling(); }
// Clear, and morning, day or afternoon.
constexpr bool isClearDay(SkyLook look) {
    return look.weather == SkyWeather::clear &&
           (look.time == SkyTime::morning || look.time == SkyTime::day || look.time == SkyTime::afternoon);
}
// Rain or storm.
constexpr bool isRaining(SkyLook look) { return isRainy(look.weather); }

}  // namespace kp
