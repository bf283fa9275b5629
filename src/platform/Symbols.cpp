#include "platform/Symbols.h"

#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace kp {

namespace {

const QString& iconFamily() {
    static const QString family = QStringLiteral("Material Icons");
    return family;
}

QPainterPath unitDot() {
    QPainterPath path;
    path.addEllipse(QPointF(0, 0), 0.5, 0.5);
    return path;
}

}  // namespace

QPainterPath iconGlyphPath(const QString& ligature) {
    QFont font(iconFamily());
    font.setPixelSize(96);
    if (QFontInfo(font).family() != iconFamily()) return {};
    QPainterPath path;
    path.addText(0, 0, font, ligature);
    return path;
}

QPainterPath fittedSymbol(const QPainterPath& path, double extent) {
    if (path.isEmpty()) return unitDot();
    const QRectF r = path.boundingRect();
    const double side = std::max(r.width(), r.height());
    if (side <= 0) return unitDot();
    QTransform m;
    m.scale(extent / side, extent / side);
    m.translate(-r.center().x(), -r.center().y());
    return m.map(path);
}

QPainterPath medicalCrossPath(double cornerRadius) {
    QPainterPath a;
    a.addRoundedRect(QRectF(-0.17, -0.5, 0.34, 1.0), cornerRadius, cornerRadius);
    QPainterPath b;
    b.addRoundedRect(QRectF(-0.5, -0.17, 1.0, 0.34), cornerRadius, cornerRadius);
    return a.united(b).simplified();
}

QPainterPath boltPath() {
    QPainterPath path;
    path.moveTo(0.2, -0.55);
    path.lineTo(-0.42, 0.1);
    path.lineTo(-0.02, 0.1);
    path.lineTo(-0.2, 0.55);
    path.lineTo(0.42, -0.12);
    path.lineTo(0.02, -0.12);
    path.closeSubpath();
    return path;
}

QPainterPath sparklePath(QPointF centre, double radius, double waist) {
    const double x = centre.x(), y = centre.y(), r = radius, w = waist;
    QPainterPath path;
    path.moveTo(x, y - r);
    path.quadTo(x + w, y - w, x + r, y);
    path.quadTo(x + w, y + w, x, y + r);
    path.quadTo(x - w, y + w, x - r, y);
    path.quadTo(x - w, y - w, x, y - r);
    path.closeSubpath();
    return path;
}

void paintSymbolPath(QPainter& p, const QPainterPath& unitPath, QPointF centre, double size, const QColor& color) {
    p.save();
    p.translate(centre);
    p.scale(size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(unitPath);
    p.restore();
}

}  // namespace kp
