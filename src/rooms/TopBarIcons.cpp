#include "rooms/TopBarIcons.h"

#include "platform/Symbols.h"

#include <QColor>
#include <QPainter>

#include <array>
#include <cmath>

namespace kp {
namespace {

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

QPainterPath build(ChromeIcon icon) {
    // Extents roughly as a symbol of a 1-point font stands: about 0.9 of the size.
    switch (icon) {
    case ChromeIcon::fish: return fish();
    case ChromeIcon::cross: return fittedSymbol(medicalCrossPath(0.06), 0.86);
    case ChromeIcon::heart: return fittedSymbol(iconGlyphPath(QStringLiteral("favorite")), 0.9);
    case ChromeIcon::bolt: return boltPath();
    case ChromeIcon::bed: return fittedSymbol(iconGlyphPath(QStringLiteral("king_bed")), 1.05);
    case ChromeIcon::sofa: return fittedSymbol(iconGlyphPath(QStringLiteral("weekend")), 1.05);
    case ChromeIcon::forkKnife: return fittedSymbol(iconGlyphPath(QStringLiteral("restaurant")), 0.95);
    case ChromeIcon::medKit: return fittedSymbol(iconGlyphPath(QStringLiteral("medical_services")), 0.95);
    case ChromeIcon::leaf: return fittedSymbol(iconGlyphPath(QStringLiteral("eco")), 0.9);
    case ChromeIcon::gear: return fittedSymbol(iconGlyphPath(QStringLiteral("settings")), 1.0);
    case ChromeIcon::book: return fittedSymbol(iconGlyphPath(QStringLiteral("book")), 1.0);
    }
    return fittedSymbol({});
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
    paintSymbolPath(p, chromeIconPath(icon), centre, size, color);
}

}  // namespace kp
