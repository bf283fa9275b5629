#include "onboarding/OnboardKit.h"

#include "platform/Color.h"
#include "platform/Symbols.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace kp::onboard {
namespace {

// Drawn by hand where a glyph would read poorly at a few points.
QPainterPath heart() {
    QPainterPath p;
    p.moveTo(0, 0.42);
    p.cubicTo(-0.2, 0.26, -0.5, 0.06, -0.5, -0.18);
    p.cubicTo(-0.5, -0.42, -0.2, -0.5, 0, -0.26);
    p.cubicTo(0.2, -0.5, 0.5, -0.42, 0.5, -0.18);
    p.cubicTo(0.5, 0.06, 0.2, 0.26, 0, 0.42);
    p.closeSubpath();
    return p;
}

QPainterPath sparkles() {
    QPainterPath p = sparklePath({-0.1, 0.08}, 0.4);
    p.addPath(sparklePath({0.3, -0.28}, 0.2));
    p.addPath(sparklePath({0.3, 0.36}, 0.13));
    return p;
}

// A cat's head with its two pointed ears, in one piece: the icon font has no cat.
// Built at a hundred units, as joining shapes flattens their curves to whole units.
QPainterPath catHead() {
    QPainterPath head;
    head.addEllipse(QPointF(0, 12), 46, 36);
    QPainterPath ears;
    for (const double side : {-1.0, 1.0}) {
        ears.moveTo(side * 44, 2);
        ears.lineTo(side * 38, -50);
        ears.lineTo(side * 6, -18);
        ears.closeSubpath();
    }
    return head.united(ears).simplified();
}

QPainterPath arrowUp() {
    QPainterPath p;
    p.moveTo(0, -0.5);
    p.lineTo(0.42, -0.06);
    p.lineTo(0.13, -0.06);
    p.lineTo(0.13, 0.5);
    p.lineTo(-0.13, 0.5);
    p.lineTo(-0.13, -0.06);
    p.lineTo(-0.42, -0.06);
    p.closeSubpath();
    return p;
}

QPainterPath fork() {
    // Fork and knife side by side.
    QPainterPath p;
    p.addRoundedRect(QRectF(-0.36, -0.5, 0.08, 0.36), 0.04, 0.04);
    p.addRoundedRect(QRectF(-0.24, -0.5, 0.08, 0.36), 0.04, 0.04);
    p.addRoundedRect(QRectF(-0.12, -0.5, 0.08, 0.36), 0.04, 0.04);
    p.addRoundedRect(QRectF(-0.36, -0.2, 0.32, 0.12), 0.06, 0.06);
    p.addRoundedRect(QRectF(-0.25, -0.15, 0.1, 0.65), 0.05, 0.05);
    QPainterPath knife;
    knife.moveTo(0.18, 0.5);
    knife.lineTo(0.18, -0.02);
    knife.cubicTo(0.12, -0.1, 0.12, -0.42, 0.3, -0.5);
    knife.lineTo(0.3, 0.5);
    knife.closeSubpath();
    p.addPath(knife);
    return p.simplified();
}

QPainterPath build(Symbol s) {
    switch (s) {
        case Symbol::forkKnife: return fittedSymbol(fork());
        case Symbol::heart: return fittedSymbol(heart());
        case Symbol::bolt: return fittedSymbol(boltPath());
        case Symbol::cross: return fittedSymbol(medicalCrossPath(0.07));
        case Symbol::sparkles: return fittedSymbol(sparkles());
        case Symbol::arrowUp: return fittedSymbol(arrowUp());
        case Symbol::locationFill: return fittedSymbol(iconGlyphPath(QStringLiteral("near_me")));
        case Symbol::locationCircle: return fittedSymbol(iconGlyphPath(QStringLiteral("my_location")));
        case Symbol::alertCircle: return fittedSymbol(iconGlyphPath(QStringLiteral("error")));
        case Symbol::checkCircle: return fittedSymbol(iconGlyphPath(QStringLiteral("check_circle")));
        case Symbol::phone: return fittedSymbol(iconGlyphPath(QStringLiteral("smartphone")));
        case Symbol::pawprint: return fittedSymbol(iconGlyphPath(QStringLiteral("pets")));
        case Symbol::catFace: return fittedSymbol(catHead());
    }
    return fittedSymbol({});
}

}  // namespace

QFont roundedFont(double size, QFont::Weight weight) {
    QFont f;
    f.setFamilies({QStringLiteral("Nunito"), QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    // The fallback faces have no semibold or medium: bold and regular read closest.
    if (weight == QFont::DemiBold) weight = QFont::Bold;
    if (weight == QFont::Medium) weight = QFont::Normal;
    f.setWeight(weight);
    return f;
}

FittedText fitText(const QString& text, const QFont& base, const QRectF& area, double minPixels) {
    const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
    QFont font = base;
    const int largest = base.pixelSize() > 0 ? base.pixelSize() : int(std::lround(base.pointSizeF()));
    const int smallest = std::max(1, int(std::lround(minPixels)));
    for (int px = largest; px >= smallest; --px) {
        font.setPixelSize(px);
        const QFontMetricsF fm(font);
        const QRectF used = fm.boundingRect(QRectF(0, 0, area.width(), 1e6), flags, text);
        if (used.height() <= area.height() + 0.5 && used.width() <= area.width() + 0.5)
            return {font, text, QRectF(area.topLeft(), QSizeF(area.width(), used.height()))};
    }
    // Still too long at the smallest size: as many whole lines as fit, the last one cut.
    const QFontMetricsF fm(font);
    const double line = std::max(fm.height(), fm.lineSpacing());
    const int lines = std::max(1, int(area.height() / line));
    const double limit = fm.height() + (lines - 1) * fm.lineSpacing() + 0.5;
    const QChar ellipsis(0x2026);
    QString shown = text;
    while (shown.size() > 1 && fm.boundingRect(QRectF(0, 0, area.width(), 1e6), flags, shown).height() > limit) {
        const QString body = shown.endsWith(ellipsis) ? shown.chopped(1) : shown;
        const qsizetype cut = body.lastIndexOf(QLatin1Char(' '));
        shown = (cut > 0 ? body.left(cut) : body.chopped(1)) + ellipsis;
    }
    return {font, shown, QRectF(area.topLeft(), QSizeF(area.width(), limit)), false};
}

QString withArticle(const QString& noun) {
    const QString lower = noun.trimmed().toLower();
    if (lower.isEmpty()) return noun;
    // Spelled with a vowel but said with a consonant, and the other way round.
    static const char* const saidWithConsonant[] = {"uni", "use", "usu", "eu", "one", "once"};
    static const char* const saidWithVowel[] = {"hour", "honest", "honour", "honor", "heir"};
    bool vowel = QStringLiteral("aeiou").contains(lower.front());
    for (const char* p : saidWithConsonant)
        if (lower.startsWith(QLatin1String(p))) vowel = false;
    for (const char* p : saidWithVowel)
        if (lower.startsWith(QLatin1String(p))) vowel = true;
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + noun;
}

QFont serifItalic(double size) {
    QFont f;
    f.setFamilies({QStringLiteral("P052"), QStringLiteral("C059"), QStringLiteral("DejaVu Serif")});
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    f.setItalic(true);
    return f;
}

QColor hex(const char* rgb, double opacity) { return withAlpha(colorFromHex(rgb), opacity); }

QColor withAlpha(QColor c, double opacity) {
    c.setAlphaF(static_cast<float>(c.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return c;
}

QColor blend(const QColor& a, const QColor& b, double amount) {
    const double k = std::clamp(amount, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * k),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * k),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * k));
}

const QPainterPath& symbolPath(Symbol symbol) {
    static const std::array<QPainterPath, 13> paths = [] {
        std::array<QPainterPath, 13> out;
        for (int i = 0; i < 13; ++i) out[std::size_t(i)] = build(static_cast<Symbol>(i));
        return out;
    }();
    return paths[static_cast<std::size_t>(symbol)];
}

void paintSymbol(QPainter& p, Symbol symbol, QPointF centre, double size, const QColor& color) {
    paintSymbolPath(p, symbolPath(symbol), centre, size, color);
}

}  // namespace kp::onboard
