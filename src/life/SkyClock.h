#pragma once
// The sky by the clock: time of day, the snow days before the year's end and the storm's lightning.
// Dates are seconds since 2001-01-01 UTC, read in the local calendar and time zone.
// Pure and allocation-free: the room asks for them every frame.
#include "core/SkyTypes.h"

namespace kp {

// The time of day of the local clock hour at `at`.
SkyTime skyTime(double at);

// True from 15 to 29 December (local calendar).
bool isSnowSeason(double at);

// Brightness 0...1 of the lightning over a stormy sky at `t` seconds of a drawing clock:
// one double flash somewhere in each 9 s period.
double lightningFlash(double t);

}  // namespace kp
