#pragma once
// The holiday props' small shared drawings, in the prop's local frame (origin at the bottom
// centre, y downward). Internal to the scenery.
#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace kp::props {

// A box with a ribbon cross and a two-loop bow on top.
void drawGiftBox(QPainter& p, const QRectF& rect, const QColor& box, const QColor& ribbon);
// The carved eyes and mouth of the big pumpkin, glowing.
void drawPumpkinFace(QPainter& p, bool dark, double flicker, const QColor& color);
void drawTreeLight(QPainter& p, QPointF at, const QColor& color, double twinkle);
// The fir of the Christmas tree: its trunk and three tiers.
void drawFir(QPainter& p);
void drawTreeStar(QPainter& p);
void drawCandleFlame(QPainter& p, bool dark, double flicker);
// The bonfire's glow, and its three tongues swaying with `time`.
void drawBonfireGlow(QPainter& p, bool dark, double flicker);
void drawBonfireTongues(QPainter& p, double time, double flicker);

}  // namespace kp::props
