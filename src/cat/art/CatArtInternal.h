#pragma once
// Shared helpers of the cat drawings (not for use outside cat/art).
#include "cat/art/CatCoat.h"
#include "cat/art/CatDrawing.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace kp::art {

inline QColor rgb(unsigned v) { return QColor(QRgb(v)); }
inline QColor rgba(unsigned v, int alpha) {
    QColor c{QRgb(v)};
    c.setAlpha(alpha);
    return c;
}

inline const QColor kInk = rgb(0x2C2622);       // eyes, mouths, lids
inline const QColor kMouth = rgb(0x5C2F2F);     // open mouths
inline const QColor kTongue = rgb(0xF28AA0);
inline const QColor kCheek = rgb(0xF4A7B4);
inline const QColor kWhite = rgb(0xFFFFFF);

// Width of the rim round body shapes, in nominal units.
inline constexpr double kRim = 0.9;

inline double lerp(double a, double b, double t) { return a + (b - a) * t; }
inline QPointF lerp(QPointF a, QPointF b, double t) { return a + (b - a) * t; }
inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

inline QColor darker(const QColor& c, int factor) { return c.darker(factor); }

// The union of a path's overlapping parts. QPainterPath fills odd-even by default, which would punch a
// hole wherever two of a marking's ellipses overlap.
inline QPainterPath solid(QPainterPath path) {
    path.setFillRule(Qt::WindingFill);
    return path.simplified();
}

inline void fillEllipse(QPainter& p, QPointF c, double rx, double ry, const QColor& col) {
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawEllipse(c, rx, ry);
}

// An ellipse with a rim of `rim` units outside it.
inline void rimEllipse(QPainter& p, QPointF c, double rx, double ry, const QColor& fill, const QColor& rim,
                       double w = kRim) {
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, rx + w, ry + w);
    p.setBrush(fill);
    p.drawEllipse(c, rx, ry);
}

inline void strokeLine(QPainter& p, QPointF a, QPointF b, const QColor& col, double width) {
    QPen pen(col, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawLine(a, b);
}

inline void strokePath(QPainter& p, const QPainterPath& path, const QColor& col, double width) {
    QPen pen(col, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

inline void fillPath(QPainter& p, const QPainterPath& path, const QColor& col) {
    p.setPen(Qt::NoPen);
    p.setBrush(col);
    p.drawPath(path);
}

// A path filled with a rim drawn outside it (the rim is half of a stroke twice as wide, under the fill).
inline void rimPath(QPainter& p, const QPainterPath& path, const QColor& fill, const QColor& rim,
                    double w = kRim) {
    QPen pen(rim, 2 * w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(rim);
    p.drawPath(path);
    fillPath(p, path, fill);
}

// The rim of a shape that lives for the whole run (a cached breed shape or a function-static path):
// built once from a stroke and afterwards only filled, which is much cheaper than stroking.
const QPainterPath& rimOutline(const QPainterPath& stable, double w);
inline void rimStable(QPainter& p, const QPainterPath& stable, const QColor& fill, const QColor& rim,
                      double w = kRim) {
    fillPath(p, rimOutline(stable, w), rim);
    fillPath(p, stable, fill);
}

// The head drawing in its own 30-unit frame, centred on the origin, facing right and unmirrored.
// `fromBehind` leaves the face out. Worn pieces come from `outfit`.
struct HeadLook {
    CatExpression expression = CatExpression::content;
    std::optional<CatExpression> previous;
    double mix = 1;
    QPointF look{0, 0};
    double blink = 0;
    bool fromBehind = false;
    CatHead::Layer layer = CatHead::Layer::all;
};
void drawHead30(QPainter& p, CatBreed breed, const CatOutfit& outfit, const HeadLook& look);

// Worn pieces in head units (head frame centred, 30 units).
void drawHeadPiece(QPainter& p, CatAccessory a, const CatCoat& coat, bool fromBehind);
void drawFacePiece(QPainter& p, CatAccessory a, QPointF faceShift, const CatCoat& coat);
void drawNeckPiece(QPainter& p, CatAccessory a, bool fromBehind);
void drawExtraPiece(QPainter& p, CatAccessory a, bool fromBehind);
// Does this head piece hide the ears (so they are not drawn)?
bool headPieceHidesEars(CatAccessory a);

// Body and feet pieces in figure units. The leg piece is drawn in the leg's own frame: the leg hangs
// from (0, 0) down to the paw's sole at (0, length), `width` wide.
void drawLegPiece(QPainter& p, CatAccessory a, double length, double width);
// Sleeve of the raincoat on a leg (leg frame as above).
void drawSleeve(QPainter& p, double length, double width);
// The backpack centred on `at` (torso frame), `scale` 1 = 10 x 9 units.
void drawBackpack(QPainter& p, CatAccessory a, QPointF at, double angle, bool fromBehind);
void drawTailBow(QPainter& p, CatAccessory a, QPointF at, double angle, double scale);
QColor raincoatColor();
QColor raincoatRim();

}  // namespace kp::art
