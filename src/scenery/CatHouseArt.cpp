#include "scenery/CatHouseArt.h"

#include "platform/Color.h"

#include <QPainter>
#include <QPen>

namespace kp {

namespace {

constexpr double W = 56;
constexpr double H = 50;
constexpr double cx = W / 2;
const QRectF kDoor(cx - 11, 26, 22, H - 28);

struct HouseInk {
    QColor walls = colorFromHex("#C99A6A");
    QColor boards = colorFromHex("#A87A4E");
    QColor doorway = colorFromHex("#3A2A20");
    QColor roof = colorFromHex("#C46B5A");
    QColor ridge = colorFromHex("#9E4E40");
    QColor plate = colorFromHex("#E6C79A");
    QColor paw = colorFromHex("#7A5235");
    QColor posts = colorFromHex("#B5875A");
    QPainterPath boardLines, doorwayPath, roofPath, ridgePath, roofSnow;

    HouseInk() {
        for (double y = 20 + 5; y < 20 + (H - 22); y += 6) boardLines.addRect(6, y, W - 12, 0.8);

        doorwayPath.moveTo(kDoor.left(), kDoor.bottom());
        doorwayPath.lineTo(kDoor.left(), kDoor.top() + 11);
        doorwayPath.arcTo(QRectF(kDoor.center().x() - 11, kDoor.top(), 22, 22), 180, -180);
        doorwayPath.lineTo(kDoor.right(), kDoor.bottom());
        doorwayPath.closeSubpath();

        const QPointF roof[6] = {{0, 24}, {cx, 2}, {W, 24}, {W - 4, 26}, {cx, 7}, {4, 26}};
        roofPath.addPolygon(QPolygonF(std::begin(roof), std::end(roof)));
        roofPath.closeSubpath();
        ridgePath.moveTo(0, 24);
        ridgePath.lineTo(cx, 2);
        ridgePath.lineTo(W, 24);

        roofSnow.moveTo(1, 22);
        roofSnow.lineTo(cx, 0);
        roofSnow.lineTo(W - 1, 22);
        roofSnow.quadTo(0.78 * W, 9, cx, 6);
        roofSnow.quadTo(0.22 * W, 9, 1, 22);
        roofSnow.closeSubpath();
    }
};

const HouseInk& ink() {
    static const HouseInk i;
    return i;
}

void drawFront(QPainter& p, bool snowy) {
    const HouseInk& c = ink();
    p.setPen(Qt::NoPen);
    p.setBrush(c.posts);
    p.drawRoundedRect(QRectF(kDoor.left() - 3, H - 9, kDoor.width() + 6, 7), 1.5, 1.5);
    p.drawRect(QRectF(kDoor.left() - 3, kDoor.top() + 10, 3, kDoor.height() - 10));
    p.drawRect(QRectF(kDoor.right(), kDoor.top() + 10, 3, kDoor.height() - 10));
    if (snowy) {
        p.setBrush(QColor::fromRgbF(1, 1, 1, 0.95f));
        p.drawEllipse(QRectF(2, H - 6, W - 4, 6));
    }
}

}  // namespace

void CatHouseArt::paint(QPainter& p, const QRectF& rect) const {
    const HouseInk& c = ink();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.center() - QPointF(W / 2, H / 2));
    if (part == Part::whole) {
        p.setPen(Qt::NoPen);
        p.setBrush(c.walls);
        p.drawRect(QRectF(6, 20, W - 12, H - 22));
        p.setBrush(c.boards);
        p.drawPath(c.boardLines);
        p.setBrush(c.doorway);
        p.drawPath(c.doorwayPath);
        p.setBrush(c.roof);
        p.drawPath(c.roofPath);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c.ridge, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(c.ridgePath);
        p.setPen(Qt::NoPen);
        if (snowy) {
            // The cap sits above the ridge line; the ridge itself is snowed over too, a little
            // wider than its stroke so no red shows at its edges.
            p.setPen(QPen(Qt::white, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(c.ridgePath);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPath(c.roofSnow);
        }
        // Name plate with a paw print.
        p.setBrush(c.plate);
        p.setPen(QPen(c.boards, 0.6));
        p.drawRoundedRect(QRectF(cx - 6, 13.5, 12, 7), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(c.paw);
        p.drawEllipse(QRectF(cx - 1.6, 17, 3.2, 2.4));
        p.drawEllipse(QPointF(cx - 2.2, 16), 0.7, 0.7);
        p.drawEllipse(QPointF(cx, 15.3), 0.7, 0.7);
        p.drawEllipse(QPointF(cx + 2.2, 16), 0.7, 0.7);
    }
    drawFront(p, snowy);
    p.restore();
}

QPainterPath archPath(const QRectF& rect) {
    const double s = rect.width() / 56;
    QPainterPath path;
    path.moveTo(rect.left() + 17 * s, rect.top() + 48 * s);
    path.lineTo(rect.left() + 17 * s, rect.top() + 37 * s);
    const double r = 11 * s;
    path.arcTo(QRectF(rect.center().x() - r, rect.top() + 37 * s - r, 2 * r, 2 * r), 180, -180);
    path.lineTo(rect.left() + 39 * s, rect.top() + 48 * s);
    path.closeSubpath();
    return path;
}

}  // namespace kp
