#pragma once
// The four need rings of the room's status pill: how fed, happy, rested and healthy the cat is,
// each a ring gauge with its symbol, turning red once it falls below a quarter.
#include "rooms/TopBarIcons.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>

#include <array>

class QPainter;

namespace kp {

class PetLife;

namespace needbar {

inline constexpr double ringSize = 20;    // each ring's frame
inline constexpr double ringSpacing = 4;  // between rings
inline constexpr double ringStroke = 2.2;
// The stroke runs along the frame's inscribed circle, half of it outside the frame.
inline constexpr double ringRadius = ringSize / 2;
inline constexpr double symbolSize = 7;
// Below this share a ring turns to the warning red.
inline constexpr double lowShare = 0.25;
// An empty ring still shows this much arc at 12 o'clock.
inline constexpr double stubShare = 0.02;
inline constexpr int ringCount = 4;
// The row of four rings.
inline constexpr double rowWidth = ringCount * ringSize + (ringCount - 1) * ringSpacing;

}  // namespace needbar

enum class NeedKind { hunger, happiness, energy, health };

// One ring as drawn: its symbol, its own colour, and the share filled.
struct NeedRing {
    ChromeIcon icon = ChromeIcon::fish;
    QColor baseColor;
    double fraction = 0;  // 0...1

    // The colour of arc and symbol: the warning red below a quarter, else the ring's own colour.
    QColor color() const;
    // The arc drawn, never shorter than the stub.
    double arcShare() const;
};

// A stat value (nominally 0...100) as a share of the ring, clamped to 0...1.
double needFraction(double value);

// The ring for a kind with its value v already taken (for hunger: 100 - hunger).
NeedRing needRing(NeedKind kind, double value);
// The four rings of the cat, left to right.
std::array<NeedRing, needbar::ringCount> needRings(const PetLife& life);

// The filled outline of a ring's arc, centred on the origin; kept until the share changes so a
// frame fills a ready path instead of stroking one.
struct NeedArcCache {
    double share = -1;
    QPainterPath outline;
    const QPainterPath& arc(double arcShare);
};

// Draws one ring gauge centred on `centre` (20 x 20 frame).
void paintNeedRing(QPainter& p, QPointF centre, const NeedRing& ring, NeedArcCache* cache = nullptr);
// Draws the four rings in a row whose left edge is `left`, centred vertically on `midY`.
void paintNeedRings(QPainter& p, double left, double midY, const std::array<NeedRing, needbar::ringCount>& rings,
                    std::array<NeedArcCache, needbar::ringCount>* caches = nullptr);

}  // namespace kp
