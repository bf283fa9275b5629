#pragma once
// The rooms' small shapes, the furniture pieces several rooms share, and the little drawing kit
// every furniture piece is built with.
//
// Drawing contract for every furniture piece (RoomShapes.h, Bedroom*, Living*, Fireplace*,
// Kitchen*, CareRoom*):
//   - Units are room points before the furniture scale; x right, y DOWN, angles in degrees,
//     positive clockwise.
//   - draw<Piece>(QPainter& p, QPointF at, double scale, ...): `at` is the piece's ANCHOR in the
//     painter's current coordinates and `scale` multiplies the piece about that anchor.
//       * floor pieces: `at` is the bottom centre of the piece's own frame (it stands on at.y);
//         in a room pass (x, floorLine - d) and scale kFurnitureScale (floorAnchor()).
//       * wall pieces: `at` is the centre of the piece's own frame (the Part's stated point).
//   - A piece leaves the painter as it found it (transform, opacity, pen, brush, clip).
//   - Every piece is a closed function of its arguments (t = the frame time in seconds since the
//     reference date); fixed shapes are built once and kept, so a frame only fills paths.
#include <QBrush>
#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

#include <vector>

class QPainter;

namespace kp {

// Every furniture piece is drawn 1.3 times its nominal size.
inline constexpr double kFurnitureScale = 1.3;

// Anchor of a floor piece standing at x whose feet are `drop` points below the floor line (the
// 300 x 200 frame centred at (x, floorLine - 100 + drop), scaled about its bottom centre).
inline QPointF floorAnchor(double x, double floorLine, double drop = 0) { return {x, floorLine + drop}; }

// The hit rectangle of a piece framed w x h (its own frame) placed at `at` with `scale`:
// bottom-anchored for floor pieces, centred for wall pieces.
inline QRectF floorHitRect(QPointF at, double scale, double w, double h) {
    return {at.x() - w * scale / 2, at.y() - h * scale, w * scale, h * scale};
}
inline QRectF wallHitRect(QPointF at, double scale, double w, double h) {
    return {at.x() - w * scale / 2, at.y() - h * scale / 2, w * scale, h * scale};
}

// ---- Shapes (each answers its outline in a rectangle) ----
QPainterPath shelfBracketPath(const QRectF& r);
QPainterPath lampShadePath(const QRectF& r);  // trapezoid, 3 points narrower each side at the top
QPainterPath flameShapePath(const QRectF& r);  // a drop bulging 15 % of the width past both sides
QPainterPath trianglePath(const QRectF& r);    // apex at the top middle

// Rounded rectangles with continuous (smoothed) corners; radii are clamped to half the shorter side.
void addContinuousRoundedRect(QPainterPath& path, const QRectF& r, double radius);
void addContinuousRoundedRect(QPainterPath& path, const QRectF& r, double topLeft, double topRight,
                              double bottomRight, double bottomLeft);
QPainterPath roundedRectPath(const QRectF& r, double radius);
QPainterPath roundedRectPath(const QRectF& r, double topLeft, double topRight, double bottomRight,
                             double bottomLeft);
QPainterPath capsulePath(const QRectF& r);
QPainterPath ellipsePath(const QRectF& r);
QPainterPath rectPath(const QRectF& r);
// Text as a path `size` points high in the heavy rounded face, centred on the origin.
QPainterPath captionPath(const QString& text, double size);

// Frames of a child in a stack. With the origin at the stack's bottom centre: a w x h child
// aligned to the bottom and then offset by (dx, dy). With the origin at the stack's centre: a
// centred child. With the origin at the top centre: a child aligned to the top.
inline QRectF bottomRect(double w, double h, double dx = 0, double dy = 0) { return {dx - w / 2, dy - h, w, h}; }
inline QRectF centreRect(double w, double h, double dx = 0, double dy = 0) { return {dx - w / 2, dy - h / 2, w, h}; }
inline QRectF topRect(double w, double h, double dx = 0, double dy = 0) { return {dx - w / 2, dy, w, h}; }

// "#RRGGBB" at an opacity.
QColor hexColor(const char* hex, double opacity = 1.0);

// A fixed list of filled or stroked paths, built once and painted in order.
class ShapeList {
public:
    ShapeList& fill(const QPainterPath& path, const QBrush& brush);
    ShapeList& fill(const QPainterPath& path, const char* hex, double opacity = 1.0);
    ShapeList& stroke(const QPainterPath& path, const QPen& pen);
    ShapeList& stroke(const QPainterPath& path, const char* hex, double width, double opacity = 1.0);
    void paint(QPainter& p) const;
    // The same from a picture kept at the device's scale, laid on whole device pixels: for lists
    // that live as long as the program and are drawn again every frame around moving pieces.
    void paintKept(QPainter& p) const;
    bool isEmpty() const { return items_.empty(); }

private:
    struct Item {
        QPainterPath path;
        QBrush brush;
        QPen pen;
        bool stroked = false;
    };
    std::vector<Item> items_;
};

// Saves the painter and moves its origin to `at`, scaled by `scale`; restores on leaving.
class PieceFrame {
public:
    PieceFrame(QPainter& p, QPointF at, double scale);
    ~PieceFrame();
    PieceFrame(const PieceFrame&) = delete;
    PieceFrame& operator=(const PieceFrame&) = delete;

private:
    QPainter& p_;
};

// ---- Shared furniture pieces ----

// Small landscape in a frame, 34 x 26; `at` is its centre.
void drawFramedLandscape(QPainter& p, QPointF at, double scale);

// Pot (16 x 12) with four swaying leaves; `at` is the pot's bottom centre. The leaves reach about
// 30 points above the floor.
void drawPottedPlant(QPainter& p, QPointF at, double scale, double t);
// Leaf i's turn in degrees about its bottom edge at time t.
double plantLeafAngle(int i, double t);

// Two legs legWidth x legHeight at both ends of a row rowWidth wide; `at` is the row's bottom centre.
void drawLegPair(QPainter& p, QPointF at, double scale, const QColor& colour, double legWidth,
                 double legHeight, double rowWidth);

// A jar: lid 8 x 2.5 over a 10 x height glass body; `at` is the body's bottom centre.
// Its full height is height + 2.5.
void drawJar(QPainter& p, QPointF at, double scale, const QColor& lid, const QColor& contents,
             double height);

// The jar's fixed shapes with the origin at its body's bottom centre (cached by callers that draw
// jars every frame).
ShapeList jarShapes(const char* lidHex, const char* contentsHex, double height);

}  // namespace kp
