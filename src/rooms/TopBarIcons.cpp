#include "rooms/TopBarIcons.h"

#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QPainter>

#include <array>
#include <cmath>

namespace kp {
namespace {

// The Material Design icon font draws most symbols; glyphs come from its ligature names.
constexpr const char* kIconFont = "Material Icons";
constexpr int kGlyphPixels = 96;

QPainterPath glyph(const char* ligature) {
    QFont font(QString::fromLatin1(kIconFont));
    font.setPixelSize(kGlyphPixels);
    if (QFontInfo(font).family() != QLatin1String(kIconFont)) return {};
    QPainterPath path;
    path.addText(0, 0, font, QString::fromLatin1(ligature));
    return path;
}

// A plain rounded dot, for when the icon font is missing.
QPainterPath dot() {
    QPainterPath path;
    path.addEllipse(QPointF(0, 0), 0.5, 0.5);
    return path;
}

// A fish seen from the side, nose to the right.
QPainterPath fish() {
    QPainterPath body;
    body.moveTo(0.56, 0);
    body.cubicTo(0.44, -0.34, -0.08, -0.42, -0.3, -0.04);
    body.lineTo(-0.58, -0.3);
    body.lineTo(-0.5, 0);
    body.lineTo(-0.58, 0.3);
    body.lineTo(-0.3, 0.04);
    body.cubicTo(-0.08, 0.42, 0.44, 0.34, 0.56, 0);
    body.closeSubpath();
    QPainterPath eye;
    eye.addEllipse(QPointF(0.3, -0.06), 0.065, 0.065);
    return body.subtracted(eye);
}

// A lightning bolt, broad enough to read at a few points.
QPainterPath bolt() {
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

// A thick plus with softened ends, the medical cross.
QPainterPath cross() {
    QPainterPath a;
    a.addRoundedRect(QRectF(-0.17, -0.5, 0.34, 1.0), 0.06, 0.06);
    QPainterPath b;
    b.addRoundedRect(QRectF(-0.5, -0.17, 1.0, 0.34), 0.06, 0.06);
    return a.united(b).simplified();
}

// Scales a glyph so that its larger side is `extent`, centred on the origin.
QPainterPath normalised(const QPainterPath& path, double extent) {
    if (path.isEmpty()) return dot();
    const QRectF r = path.boundingRect();
    const double side = std::max(r.width(), r.height());
    if (side <= 0) return dot();
    QTransform m;
    m.scale(extent / side, extent / side);
    m.translate(-r.center().x(), -r.center().y());
    return m.map(path);
}

QPainterPath build(ChromeIcon icon) {
    // Extents roughly as a symbol of a 1-point font stands: about 0.9 of the size.
    switch (icon) {
    case ChromeIcon::fish: return fish();
    case ChromeIcon::cross: return normalised(cross(), 0.86);
    case ChromeIcon::heart: return normalised(glyph("favorite"), 0.9);
    case ChromeIcon::bolt: return bolt();
    case ChromeIcon::bed: return normalised(glyph("king_bed"), 1.05);
    case ChromeIcon::sofa: return normalised(glyph("weekend"), 1.05);
    case ChromeIcon::forkKnife: return normalised(glyph("restaurant"), 0.95);
    case ChromeIcon::medKit: return normalised(glyph("medical_services"), 0.95);
    case ChromeIcon::leaf: return normalised(glyph("eco"), 0.9);
    case ChromeIcon::gear: return normalised(glyph("settings"), 1.0);
    case ChromeIcon::book: return normalised(glyph("book"), 1.0);
    }
    return dot();
}

}  // namespace

const QPainterPath& chromeIconPath(ChromeIcon icon) {
    static const std::array<QPainterPath, chromeIconCount> paths = [] {
        std::array<QPainterPath, chromeIconCount> all;
        for (int i = 0; i < chromeIconCount; ++i) all[static_cast<std::size_t>(i)] = build(static_cast<ChromeIcon>(i));
        return all;
    }();
    return paths[static_cast<std::size_t>(icon)];
}

void paintChromeIcon(QPainter& p, ChromeIcon icon, QPointF centre, double size, const QColor& color) {
    p.save();
    p.translate(centre);
    p.scale(size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(chromeIconPath(icon));
    p.restore();
}

}  // namespace kp
