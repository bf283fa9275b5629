#include "rooms/RoomShapes.h"

#include "platform/Color.h"
#include "scenery/Sprites.h"

#include <QFont>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// A smoothed corner spans 1.528 r along each edge (where the curvature settles); its middle is as
// far from the corner as a circular one's, so sizes read the same.
constexpr double kSmoothSpan = 1.528;
constexpr double kCircleK = 0.5522847498;

struct Corner {
    double extent;   // how far along each edge the corner reaches
    double control;  // control points' distance from the edge points, towards the corner
};

Corner cornerFor(double radius, double limit) {
    radius = std::clamp(radius, 0.0, limit);
    const double smooth = radius * kSmoothSpan;
    if (smooth <= limit) {
        // Midpoint at 0.2929 r from both edges: (a + 3 a k') / 8 = 0.2929 r with k' the control's
        // distance from the corner as a share of a.
        const double k = (8 * 0.29289 * radius / smooth - 1) / 3;
        return {smooth, smooth * (1 - k)};
    }
    return {radius, radius * kCircleK};
}

}  // namespace

void addContinuousRoundedRect(QPainterPath& path, const QRectF& r, double tl, double tr, double br, double bl) {
    const double limit = std::min(r.width(), r.height()) / 2;
    if (limit <= 0) {
        path.addRect(r);
        return;
    }
    const Corner a = cornerFor(tl, limit), b = cornerFor(tr, limit), c = cornerFor(br, limit),
                 d = cornerFor(bl, limit);
    const double x0 = r.left(), x1 = r.right(), y0 = r.top(), y1 = r.bottom();
    path.moveTo(x0 + a.extent, y0);
    path.lineTo(x1 - b.extent, y0);
    if (b.extent > 0)
        path.cubicTo(x1 - b.extent + b.control, y0, x1, y0 + b.extent - b.control, x1, y0 + b.extent);
    path.lineTo(x1, y1 - c.extent);
    if (c.extent > 0)
        path.cubicTo(x1, y1 - c.extent + c.control, x1 - c.extent + c.control, y1, x1 - c.extent, y1);
    path.lineTo(x0 + d.extent, y1);
    if (d.extent > 0)
        path.cubicTo(x0 + d.extent - d.control, y1, x0, y1 - d.extent + d.control, x0, y1 - d.extent);
    path.lineTo(x0, y0 + a.extent);
    if (a.extent > 0)
        path.cubicTo(x0, y0 + a.extent - a.control, x0 + a.extent - a.control, y0, x0 + a.extent, y0);
    path.closeSubpath();
}

void addContinuousRoundedRect(QPainterPath& path, const QRectF& r, double radius) {
    addContinuousRoundedRect(path, r, radius, radius, radius, radius);
}

QPainterPath roundedRectPath(const QRectF& r, double radius) {
    QPainterPath path;
    addContinuousRoundedRect(path, r, radius);
    return path;
}

QPainterPath roundedRectPath(const QRectF& r, double tl, double tr, double br, double bl) {
    QPainterPath path;
    addContinuousRoundedRect(path, r, tl, tr, br, bl);
    return path;
}

QPainterPath capsulePath(const QRectF& r) {
    QPainterPath path;
    const double radius = std::min(r.width(), r.height()) / 2;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath ellipsePath(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r);
    return path;
}

QPainterPath rectPath(const QRectF& r) {
    QPainterPath path;
    path.addRect(r);
    return path;
}

QPainterPath captionPath(const QString& text, double size) {
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(40);
    font.setWeight(QFont::Black);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    QTransform m;
    const double k = size / 40.0;
    m.scale(k, k);
    m.translate(-box.center().x(), -(box.top() + box.bottom()) / 2);
    return m.map(path);
}

QPainterPath shelfBracketPath(const QRectF& r) {
    // The curve's control point is 0.3 of the rectangle's far edge, as measured from its origin.
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right(), r.top());
    path.quadTo(r.left() + 0.3 * r.width(), r.center().y(), r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

QPainterPath lampShadePath(const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left() + 3, r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

QPainterPath flameShapePath(const QRectF& r) {
    const double w = r.width(), h = r.height();
    QPainterPath path;
    path.moveTo(r.center().x(), r.top());
    path.cubicTo(r.right() + 0.15 * w, r.top() + 0.6 * h, r.right(), r.bottom(), r.center().x(), r.bottom());
    path.cubicTo(r.left(), r.bottom(), r.left() - 0.15 * w, r.top() + 0.6 * h, r.center().x(), r.top());
    path.closeSubpath();
    return path;
}

QPainterPath trianglePath(const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.center().x(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

QColor hexColor(const char* hex, double opacity) {
    QColor c = colorFromHex(hex);
    if (opacity < 1.0) c.setAlphaF(static_cast<float>(std::clamp(opacity, 0.0, 1.0)));
    return c;
}

ShapeList& ShapeList::fill(const QPainterPath& path, const QBrush& brush) {
    items_.push_back({path, brush, QPen(Qt::NoPen), false});
    return *this;
}

ShapeList& ShapeList::fill(const QPainterPath& path, const char* hex, double opacity) {
    return fill(path, QBrush(hexColor(hex, opacity)));
}

ShapeList& ShapeList::stroke(const QPainterPath& path, const QPen& pen) {
    items_.push_back({path, QBrush(Qt::NoBrush), pen, true});
    return *this;
}

ShapeList& ShapeList::stroke(const QPainterPath& path, const char* hex, double width, double opacity) {
    QPen pen(hexColor(hex, opacity), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return stroke(path, pen);
}

void ShapeList::paint(QPainter& p) const {
    for (const Item& item : items_) {
        p.setPen(item.pen);
        p.setBrush(item.brush);
        p.drawPath(item.path);
    }
}

void ShapeList::paintKept(QPainter& p) const {
    // A picture is kept at one scale: a painter stretched more one way than the other draws.
    const QTransform t = p.deviceTransform();
    if (std::abs(std::hypot(t.m11(), t.m12()) - std::hypot(t.m21(), t.m22())) > 1e-6) {
        paint(p);
        return;
    }
    QRectF bounds;
    for (const Item& item : items_) {
        const double reach = item.stroked ? item.pen.widthF() : 0;
        bounds |= item.path.controlPointRect().adjusted(-reach, -reach, reach, reach);
    }
    // Whole points, and one more for the antialiased edge, so the kept picture holds every pixel.
    bounds = bounds.toAlignedRect().adjusted(-1, -1, 1, 1);
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(this), bounds, [this](QPainter& q) { paint(q); });
}

PieceFrame::PieceFrame(QPainter& p, QPointF at, double scale) : p_(p) {
    p_.save();
    p_.translate(at);
    if (scale != 1.0) p_.scale(scale, scale);
}

PieceFrame::~PieceFrame() { p_.restore(); }

// ---- Shared pieces ----

void drawFramedLandscape(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        s.fill(roundedRectPath(centreRect(34, 26), 4), "#CDB8A0")
            .fill(roundedRectPath(centreRect(26, 18), 2), "#7EB6E0")
            .fill(ellipsePath(centreRect(6, 6, 5, -3)), "#FFF6D8")
            .fill(capsulePath(centreRect(14, 3, 0, 4)), "#3E6B58");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

double plantLeafAngle(int i, double t) { return -30 + 20 * i + 5 * std::sin(1.2 * t + 0.8 * i); }

void drawPottedPlant(QPainter& p, QPointF at, double scale, double t) {
    static const QPainterPath pot = roundedRectPath(bottomRect(16, 12), 3);
    static const QPainterPath leaf = ellipsePath(bottomRect(9, 18));  // bottom centre at origin
    static const QBrush potBrush(hexColor("#C47B5A"));
    static const QBrush leafBrushes[2] = {QBrush(hexColor("#7FBF72")), QBrush(hexColor("#4E9A55"))};
    PieceFrame frame(p, at, scale);
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&pot), QRectF(-9, -13, 18, 14), [](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(potBrush);
        q.drawPath(pot);
    });
    // Each leaf turns about its own bottom edge, 12 above the floor: from kept pictures of it
    // already turned, in steps of half a degree (far below a pixel at its size).
    p.translate(0, -12);
    for (int i = 0; i < 4; ++i) {
        const long step = std::lround(plantLeafAngle(i, t) * 2);
        const std::uint64_t key = 0x4C45414600000000ull | static_cast<std::uint64_t>(i % 2) << 16 |
                                  static_cast<std::uint64_t>((step + 1024) & 0xFFFF);
        scenery::drawSprite(p, key, QRectF(-16, -20, 32, 24), [step, i](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.rotate(step / 2.0);
            q.setBrush(leafBrushes[i % 2]);
            q.drawPath(leaf);
        });
    }
}

void drawLegPair(QPainter& p, QPointF at, double scale, const QColor& colour, double legWidth,
                 double legHeight, double rowWidth) {
    PieceFrame frame(p, at, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const double half = rowWidth / 2;
    p.drawRect(QRectF(-half, -legHeight, legWidth, legHeight));
    p.drawRect(QRectF(half - legWidth, -legHeight, legWidth, legHeight));
}

ShapeList jarShapes(const char* lidHex, const char* contentsHex, double height) {
    ShapeList s;
    const double h = height;
    s.fill(roundedRectPath(bottomRect(10, h), 2), QBrush(QColor(255, 255, 255, 115)))
        .fill(roundedRectPath(bottomRect(7, 0.65 * h, 0, -1), 1.5), contentsHex)
        .fill(capsulePath(bottomRect(1, 0.6 * h, -2.8, -0.2 * h)), QBrush(QColor(255, 255, 255, 179)))
        .fill(roundedRectPath(bottomRect(8, 2.5, 0, -h), 1), lidHex);
    return s;
}

void drawJar(QPainter& p, QPointF at, double scale, const QColor& lid, const QColor& contents, double height) {
    const QByteArray lidHex = lid.name().toLatin1(), bodyHex = contents.name().toLatin1();
    const ShapeList shapes = jarShapes(lidHex.constData(), bodyHex.constData(), height);
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

}  // namespace kp
