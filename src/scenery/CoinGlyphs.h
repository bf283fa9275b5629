#pragma once
// Small filled symbols drawn as paths in a unit box (0, 0, 1, 1), y downward: the coin's paw
// print and the wardrobe tag's gift. Built once; One thread at a time. Internal to the scenery.
#include <QPainterPath>

namespace kp::props {

const QPainterPath& pawprintGlyph();
const QPainterPath& giftGlyph();

}  // namespace kp::props
