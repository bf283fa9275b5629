#pragma once
// Small painting helpers shared by the holiday decorations and the shop art (not for other callers).
#include "platform/Color.h"
#include "scenery/Sprites.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>

#include <cstdint>
#include <functional>

namespace kp::props {

using scenery::drawSprite;

inline QColor hex(const char* s) { return colorFromHex(s); }

inline QColor faded(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha < 0 ? 0 : (alpha > 1 ? 1 : alpha)));
    return c;
}

inline void fillEllipse(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(r);
}

inline void fillRect(QPainter& p, const QRectF& r, const QColor& c) { p.fillRect(r, c); }

inline void fillPath(QPainter& p, const QPainterPath& path, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

inline void strokePath(QPainter& p, const QPainterPath& path, const QColor& c, double width,
                       Qt::PenCapStyle cap = Qt::FlatCap, Qt::PenJoinStyle join = Qt::MiterJoin) {
    QPen pen(c, width, Qt::SolidLine, cap, join);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

inline void strokeLine(QPainter& p, QPointF a, QPointF b, const QColor& c, double width,
                       Qt::PenCapStyle cap = Qt::FlatCap) {
    p.setPen(QPen(c, width, Qt::SolidLine, cap));
    p.drawLine(a, b);
}

// A path kept between frames and cleared on each use, so building it costs no allocation once
// warm. Slots let a drawing hold a few at once. One thread at a time.
QPainterPath& scratchPath(int slot = 0);

// A soft glow behind a shape whose bounds are `bounds`: `color` at `opacity`, spreading about
// `radius` points beyond the shape (what a shadow filter of that radius gives a small shape).
void drawGlow(QPainter& p, const QRectF& bounds, const QColor& color, double opacity, double radius);

// Draws a still piece of art from an image rendered once at the painter's resolution (for art
// whose antialiased strokes cost more than a blit). `key` names the art; `bounds` is the area it
// paints, in the painter's current units. Rotated or sheared painters draw directly.
void drawCachedArt(QPainter& p, int key, const QRectF& bounds, const std::function<void(QPainter&)>& draw);

// Paints `draw` as one layer shown at `opacity`, so overlapping shapes fade together instead of
// building up. `reach` (the painter's units), when known, bounds what `draw` paints. Uses a buffer
// kept between frames. One thread at a time.
void paintAsLayer(QPainter& p, double opacity, const std::function<void(QPainter&)>& draw, const QRectF& reach = {});

}  // namespace kp::props
