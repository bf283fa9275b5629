#pragma once
// The heart outline shared by the cat's love eyes, heart glasses, soft hearts and props.
#include <QPainterPath>
#include <QPointF>

namespace kp {

// A closed heart centred on `center`, `width` wide and 0.9 × width high (lobes up, point down,
// y growing downward): its bounding box is (x − w/2, y − 0.45 w, w, 0.9 w).
QPainterPath heartPath(QPointF center, double width);

}  // namespace kp
