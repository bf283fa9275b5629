#include "album/PaperPage.h"

#include "platform/Color.h"
#include "platform/Symbols.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace kp {

const QColor& pageInk() {
    static const QColor c = colorFromHex("#3B2F28");
    return c;
}

const QColor& penInk() {
    static const QColor c = colorFromHex("#1E1C1F");
    return c;
}

QPainterPath pageShape(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

ShrinkToFit ShrinkToFit::fit(QSizeF offered, double designWidth) {
    ShrinkToFit f;
    if (offered.width() <= 0 || designWidth <= 0) {
        f.scale = 0;
        f.layoutSize = QSizeF(designWidth, 0);
        return f;
    }
    f.scale = std::min(offered.width() / designWidth, 1.0);
    f.layoutSize = QSizeF(offered.width() / f.scale, offered.height() / f.scale);
    return f;
}

void ShrinkToFit::paint(QPainter& p, const QRectF& target, double designWidth,
                        const std::function<void(QPainter&, const QRectF&)>& content) {
    const ShrinkToFit f = fit(target.size(), designWidth);
    if (f.scale <= 0 || !content) return;
    p.save();
    p.translate(target.center());
    p.scale(f.scale, f.scale);
    const QRectF inner(-f.layoutSize.width() / 2, -f.layoutSize.height() / 2, f.layoutSize.width(),
                       f.layoutSize.height());
    content(p, inner);
    p.restore();
}

QPainterPath StitchLine::path(const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.center().x(), r.top() + 18);
    path.lineTo(r.center().x(), r.bottom() - 18);
    return path;
}

QRectF PaperSheet::contentRect(const QRectF& r) { return r.adjusted(30, 22, -20, -22); }

void PaperSheet::paint(QPainter& p, const QRectF& r, bool back,
                       const std::function<void(QPainter&, const QRectF&)>& content) {
    static const QColor front = colorFromHex("#FBF4E6");
    static const QColor backColor = colorFromHex("#F1E6D2");
    static const QColor stitch = [] {
        QColor c = colorFromHex("#E39455");
        c.setAlphaF(0.45f);
        return c;
    }();
    const QPainterPath shape = pageShape(r);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(shape, Qt::IntersectClip);
    p.fillPath(shape, back ? backColor : front);

    // Gutter shade along the binding.
    QLinearGradient gutter(r.left(), 0, r.left() + 26, 0);
    gutter.setColorAt(0, QColor(0, 0, 0, 41));
    gutter.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(r.left(), r.top(), 26, r.height()), gutter);

    if (!back) {
        QPen pen(stitch, 1.4, Qt::CustomDashLine, Qt::RoundCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        pen.setDashPattern({6 / 1.4, 6 / 1.4});
        pen.setDashOffset(0);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(StitchLine::path(QRectF(r.left() + 13, r.top(), 2, r.height())));
        if (content) {
            p.save();
            content(p, contentRect(r));
            p.restore();
        }
    }
    p.restore();

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 15), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pageShape(r.adjusted(0.5, 0.5, -0.5, -0.5), kPageCornerRadius - 0.5));
    p.restore();
}

// ---- handwriting ----

uint64_t textSeed(const QString& text) {
    uint64_t h = 5381;
    for (const char32_t scalar : text.toUcs4()) h = h * 33 + static_cast<uint64_t>(scalar);
    return h;
}

namespace {

struct Lcg {
    uint64_t s;
    double next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 33) / 2147483648.0;
    }
};

// True when the font database resolves `family` to itself (families may carry a foundry suffix).
bool installed(const char* family) {
    QFont f(QString::fromLatin1(family));
    f.setStyleStrategy(QFont::NoFontMerging);
    QString resolved = QFontInfo(f).family();
    if (const qsizetype bracket = resolved.indexOf(QLatin1String(" [")); bracket > 0) resolved.truncate(bracket);
    return resolved.compare(QString::fromLatin1(family), Qt::CaseInsensitive) == 0;
}

QString handFamily() {
    static const QString family = [] {
        for (const char* name : {"Bradley Hand", "BradleyHandITCTT-Bold", "Z003", "URW Chancery L"}) {
            if (installed(name)) return QString::fromLatin1(name);
        }
        return QStringLiteral("serif");
    }();
    return family;
}

}  // namespace

QFont handFont(double size) {
    QFont f(handFamily());
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    if (handFamily() == QLatin1String("Z003")) {
        // The chancery face runs small and thin beside a hand-lettering face.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(size * 1.12))));
        f.setWeight(QFont::Bold);
    } else if (handFamily() == QLatin1String("serif")) {
        f.setItalic(true);
    }
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

Handwriting handwritten(const QString& text, double size, double ink) {
    Handwriting hand;
    hand.size = size;
    if (text.isEmpty()) return hand;
    Lcg rng{textSeed(text)};
    const double phase = (rng.next() - 0.5) * 6;
    const double phase2 = 2 * phase;
    double wordInk = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int start = 0;
    int i = 0;
    while (start < text.size()) {
        int end = finder.toNextBoundary();
        if (end < 0) end = static_cast<int>(text.size());
        const QString ch = text.mid(start, end - start);
        if (i == 0 || ch == QLatin1String(" ")) wordInk = (rng.next() - 0.5) * 0.14;
        const double wobble = std::sin(i * 0.21 + phase) * 0.9 + std::sin(i * 0.57 + phase2) * 0.35;
        const double rise = (wobble + (rng.next() - 0.5) * 0.5) * size / 19.0;
        hand.letters.push_back({ch, rise, std::clamp(ink + wordInk, 0.6, 1.0)});
        start = end;
        ++i;
    }
    return hand;
}

HandBlock layoutHand(const Handwriting& hand, double maxWidth, double lineSpacing, Qt::Alignment align,
                     double scale) {
    HandBlock block;
    block.scale = scale;
    const QFontMetricsF fm(handFont(hand.size * scale));
    const double lineHeight = fm.height() + lineSpacing * scale;
    std::vector<double> advance(hand.letters.size());
    for (size_t k = 0; k < hand.letters.size(); ++k) advance[k] = fm.horizontalAdvance(hand.letters[k].text);

    // Break into lines at spaces (and at explicit newlines); a word wider than a line of its own
    // breaks where it reaches the edge.
    struct Line { size_t from, to; double width; };
    std::vector<Line> lines;
    size_t lineStart = 0;
    double x = 0;
    size_t lastSpace = SIZE_MAX;
    for (size_t k = 0; k < hand.letters.size(); ++k) {
        const QString& t = hand.letters[k].text;
        if (t == QLatin1String("\n")) {
            lines.push_back({lineStart, k, x});
            lineStart = k + 1;
            x = 0;
            lastSpace = SIZE_MAX;
            continue;
        }
        if (t == QLatin1String(" ")) lastSpace = k;
        x += advance[k];
        if (maxWidth > 0 && x > maxWidth && t != QLatin1String(" ") && k > lineStart) {
            const bool atSpace = lastSpace != SIZE_MAX && lastSpace > lineStart;
            const size_t end = atSpace ? lastSpace : k;
            double w = 0;
            for (size_t j = lineStart; j < end; ++j) w += advance[j];
            lines.push_back({lineStart, end, w});
            lineStart = atSpace ? lastSpace + 1 : k;
            x = 0;
            lastSpace = SIZE_MAX;
            k = lineStart - 1;  // the rest of the word is laid out again on the new line
        }
    }
    if (lineStart < hand.letters.size() || lines.empty()) lines.push_back({lineStart, hand.letters.size(), x});

    double widest = 0;
    for (const Line& l : lines) widest = std::max(widest, l.width);
    const double boxWidth = maxWidth > 0 ? maxWidth : widest;
    double y = fm.ascent();
    for (const Line& l : lines) {
        double left = 0;
        if (align & Qt::AlignHCenter) left = (boxWidth - l.width) / 2;
        else if (align & Qt::AlignRight) left = boxWidth - l.width;
        double cx = left;
        for (size_t k = l.from; k < l.to; ++k) {
            block.placed.push_back({static_cast<int>(k), QPointF(cx, y)});
            cx += advance[k];
        }
        y += lineHeight;
    }
    const double height = hand.letters.empty() ? 0 : lines.size() * fm.height() + (lines.size() - 1) * lineSpacing * scale;
    block.size = QSizeF(maxWidth > 0 ? boxWidth : widest, height);
    return block;
}

void drawHand(QPainter& p, const Handwriting& hand, const HandBlock& block, QPointF topLeft) {
    if (hand.letters.empty()) return;
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(handFont(hand.size * block.scale));
    QColor ink = penInk();
    for (const HandBlock::Placed& placed : block.placed) {
        const HandLetter& letter = hand.letters[static_cast<size_t>(placed.letter)];
        ink.setAlphaF(static_cast<float>(letter.opacity));
        p.setPen(ink);
        p.drawText(topLeft + placed.origin - QPointF(0, letter.rise * block.scale), letter.text);
    }
    p.restore();
}

QSizeF handLineSize(const Handwriting& hand) { return layoutHand(hand, 0).size; }

void drawHandLine(QPainter& p, const Handwriting& hand, QPointF centre, double degrees) {
    const HandBlock block = layoutHand(hand, 0);
    p.save();
    p.translate(centre);
    p.rotate(degrees);
    drawHand(p, hand, block, QPointF(-block.size.width() / 2, -block.size.height() / 2));
    p.restore();
}

QFont albumSerif(double size, QFont::Weight weight, bool italic) {
    static const QString family = [] {
        for (const char* name : {"New York", "DejaVu Serif"}) {
            if (installed(name)) return QString::fromLatin1(name);
        }
        return QStringLiteral("serif");
    }();
    QFont f(family);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    f.setWeight(weight);
    f.setItalic(italic);
    return f;
}

QFont albumRounded(double size, QFont::Weight weight, double tracking) {
    static const QString family = [] {
        for (const char* name : {"SF Pro Rounded", "URW Gothic", "DejaVu Sans"}) {
            if (installed(name)) return QString::fromLatin1(name);
        }
        return QStringLiteral("sans-serif");
    }();
    QFont f(family);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    f.setWeight(weight);
    if (tracking != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return f;
}

// ---- symbols ----

namespace {

QString ligature(const QString& name) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("pawprint.fill"), QStringLiteral("pets")},
        {QStringLiteral("pawprint"), QStringLiteral("pets")},
        {QStringLiteral("sparkles"), QStringLiteral("auto_awesome")},
        {QStringLiteral("heart"), QStringLiteral("favorite_border")},
        {QStringLiteral("star"), QStringLiteral("star_border")},
        {QStringLiteral("xmark"), QStringLiteral("close")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron_left")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron_right")},
        {QStringLiteral("books.vertical.fill"), QStringLiteral("auto_stories")},
    };
    return names.value(name);
}

// The line of a drawing in outline: a band this wide along the inside of a filled glyph's edge, as
// wide as the icon font draws the line of its own outlined icons (2 of its 24 grid units at 96
// pixels).
constexpr double kOutlineWeight = 8;

QPainterPath outlineOf(const QPainterPath& filled) {
    QPainterPathStroker stroker;
    stroker.setWidth(2 * kOutlineWeight);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(filled).intersected(filled);
}

// The glyph as a path one unit tall (the icon's em box), centred on the origin.
const QPainterPath& symbolPath(const QString& name) {
    static QHash<QString, QPainterPath> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return *it;
    const QString lig = ligature(name);
    QPainterPath path = lig.isEmpty() ? QPainterPath() : iconGlyphPath(lig);
    // The font has the paw print only filled.
    if (name == QLatin1String("pawprint") && !path.isEmpty()) path = outlineOf(path);
    if (path.isEmpty()) {
        path.addEllipse(QPointF(0, 0), 30, 30);  // a dot stands in for a missing glyph
    }
    const QRectF b = path.boundingRect();
    QTransform m;
    m.scale(1.0 / 80.0, 1.0 / 80.0);  // the icons fill 80 of the font's 96 pixels
    m.translate(-b.center().x(), -b.center().y());
    return *cache.insert(name, m.map(path));
}

}  // namespace

void drawSymbol(QPainter& p, const QString& name, QPointF centre, double size, const QColor& color) {
    const QPainterPath& path = symbolPath(name);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(centre);
    p.scale(size, size);
    p.fillPath(path, color);
    p.restore();
}

QImage desaturated(const QImage& image, double saturation) {
    if (saturation >= 1.0 || image.isNull()) return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            // Rec. 709 luminance, as the colour-matrix saturation filter uses.
            const double l = 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
            auto mix = [&](int v) { return std::clamp(static_cast<int>(std::lround(l + (v - l) * saturation)), 0, 255); };
            line[x] = qRgba(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)), qAlpha(c));
        }
    }
    return out;
}

}  // namespace kp
