#pragma once
// The sky seen from the rooms: a gradient by time of day and weather, the sun or the moon,
// stars, drifting clouds, rain or snow, storm flashes and beads on the glass. Passive: every
// input is a field, and all motion is a function of `time`.
#include "core/SkyTypes.h"

#include <QColor>
#include <QRectF>

#include <array>

class QPainter;

namespace kp {

struct SkyView {
    SkyLook look;
    double time = 0;            // seconds since the reference date (the frame time)
    bool glass = false;         // seen through a pane: beads in the rain
    bool precipitation = true;  // rain and snow are drawn

    // Fills `rect` (clipped to it).
    void paint(QPainter& p, const QRectF& rect) const;

    // The gradient's top and bottom colours.
    static std::array<QColor, 2> skyColors(SkyLook look);
    // The weather pair moved 18% of the way toward the time pair.
    static std::array<QColor, 2> blend(const std::array<QColor, 2>& weather, const std::array<QColor, 2>& time);
    static QColor cloudTint(SkyTime time, SkyWeather weather);
};

// Water beads running down a pane; fills `rect`.
struct SkyBeads {
    double time = 0;
    void paint(QPainter& p, const QRectF& rect) const;
};

}  // namespace kp
