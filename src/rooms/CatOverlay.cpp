#include "rooms/CatOverlay.h"

#include "cat/HeartPath.h"
#include "cat/art/CatParts.h"
#include "platform/Color.h"
#include "scenery/CatHouseArt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kp {

namespace {

const QColor& ink() {
    static const QColor c = colorFromHex("#F7F4F0");
    return c;
}

QColor withAlpha(QColor c, double a) {
    c.setAlphaF(static_cast<float>(std::clamp(a, 0.0, 1.0) * c.alphaF()));
    return c;
}

// A disc as drawn at one device size and quarter-pixel phase: a crumb, a speck or a puff falls
// through the same few again and again, and one small path fill costs far more than laying it.
struct KeptDisc {
    std::uint64_t key = 0;
    QImage image;
    int reach = 0;  // pixels from the image's corner to the disc's whole-pixel centre
};

const KeptDisc& keptDisc(double diameter, QPointF phase, QRgb color) {
    static std::vector<KeptDisc> kept;
    const std::uint64_t key = Fingerprint().add(diameter).add(phase).addBits(color).value();
    for (const KeptDisc& k : kept)
        if (k.key == key) return k;
    // A few dozen looks at most: once full, start over.
    if (kept.size() >= 256) kept.clear();
    KeptDisc k{key, {}, static_cast<int>(std::ceil(diameter / 2)) + 2};
    k.image = QImage(2 * k.reach + 2, 2 * k.reach + 2, QImage::Format_ARGB32_Premultiplied);
    k.image.fill(Qt::transparent);
    QPainter q(&k.image);
    q.setRenderHint(QPainter::Antialiasing, true);
    q.setPen(Qt::NoPen);
    q.setBrush(QColor::fromRgba(color));
    q.drawEllipse(QPointF(k.reach, k.reach) + phase, diameter / 2, diameter / 2);
    q.end();
    kept.push_back(std::move(k));
    return kept.back();
}

void fillCircle(QPainter& p, const OverlayParticle& part, const QColor& color) {
    const double o = part.opacity * p.opacity();
    if (o <= 0) return;
    const QTransform& dt = p.deviceTransform();
    if (dt.type() <= QTransform::TxScale && std::abs(dt.m11() - dt.m22()) < 1e-9 && dt.m11() > 0) {
        // Laid down from a kept picture within an eighth of a device pixel of where it falls.
        const QPointF at = dt.map(part.centre);
        const QPoint whole(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
        const QPointF phase(std::round((at.x() - whole.x()) * 4) / 4, std::round((at.y() - whole.y()) * 4) / 4);
        const KeptDisc& disc = keptDisc(std::round(part.diameter * dt.m11() * 8) / 8, phase, color.rgba());
        const QRect pixels(whole - QPoint(disc.reach, disc.reach), disc.image.size());
        p.save();
        p.setOpacity(o);
        p.drawImage(dt.inverted().mapRect(QRectF(pixels)), disc.image);
        p.restore();
        return;
    }
    const double keep = p.opacity();
    p.setOpacity(1);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(color, o));
    const double r = part.diameter / 2;
    p.drawEllipse(part.centre, r, r);
    p.setOpacity(keep);
}

struct CachedText {
    QString text;
    double size = 0;
    int weight = 0;
    QPainterPath path;
    // The same, one piece per letter, and each letter grown by a thin band (the shadow with its
    // small blur). Small fills keep the raster engine on its quick path; one fill of a whole
    // word with a translucent colour hands its many spans to worker threads and costs far more.
    static constexpr int maxPieces = 8;
    std::array<QPainterPath, maxPieces> pieces;
    std::array<QPainterPath, maxPieces> shadows;
    int count = 0;
};

void fillPieces(QPainter& p, const std::array<QPainterPath, CachedText::maxPieces>& pieces, int count) {
    for (int i = 0; i < count; ++i) p.drawPath(pieces[static_cast<std::size_t>(i)]);
}

// Text with a soft outline-coloured shadow below it, as the words and letters are drawn. The
// opacity goes into the colours: a painter opacity below 1 makes path fills many times slower.
void paintShadowedText(QPainter& p, const CachedText& text, const QColor& shadow, double shadowAlpha, double opacity) {
    p.setPen(Qt::NoPen);
    p.save();
    p.translate(0, 0.5);
    p.setBrush(withAlpha(shadow, shadowAlpha * opacity));
    fillPieces(p, text.shadows, text.count);
    p.restore();
    p.setBrush(withAlpha(ink(), opacity));
    fillPieces(p, text.pieces, text.count);
}

// The painter's opacity, taken over by the caller's colours for the drawing that follows.
double takeOpacity(QPainter& p, double extra) {
    const double o = p.opacity() * extra;
    p.setOpacity(1);
    return o;
}

const CachedText& cachedText(QStringView text, double size, int weight);

QFont roundedHeavyFont(double size, int weight) {
    QFont f(QStringLiteral("Nunito"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));  // sizes are in points = pixels at scale 1
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

}  // namespace

double overlayFrac(double v) { return v - std::trunc(v); }

const QPainterPath& overlayTextPath(QStringView text, double size, int weight) {
    return cachedText(text, size, weight).path;
}

namespace {

const CachedText& cachedText(QStringView text, double size, int weight) {
    static std::array<CachedText, 40> cache;
    static std::size_t used = 0, next = 0;
    for (std::size_t i = 0; i < used; ++i) {
        const CachedText& c = cache[i];
        if (c.size == size && c.weight == weight && c.text == text) return c;
    }
    CachedText& slot = cache[next];
    next = (next + 1) % cache.size();
    used = std::min(used + 1, cache.size());
    slot.text = text.toString();
    slot.size = size;
    slot.weight = weight;
    const QFont font = roundedHeavyFont(size, weight);
    QPainterPath path;
    path.addText(0, 0, font, slot.text);
    const QRectF b = path.boundingRect();
    // Centre horizontally on the ink, vertically on the font's cap height so "?" and "z" line up.
    const QPointF shift(-b.center().x(), size * 0.36);
    path.translate(shift);
    slot.path = path;
    QPainterPathStroker band;
    band.setWidth(1.6);
    band.setJoinStyle(Qt::RoundJoin);
    band.setCapStyle(Qt::RoundCap);
    auto grown = [&band](const QPainterPath& g) { return band.createStroke(g).united(g).simplified(); };
    if (slot.text.size() <= CachedText::maxPieces) {
        const QFontMetricsF metrics(font);
        double x = 0;
        slot.count = 0;
        for (const QChar c : std::as_const(slot.text)) {
            QPainterPath g;
            g.addText(x, 0, font, QString(c));
            x += metrics.horizontalAdvance(c);
            g.translate(shift);
            slot.pieces[static_cast<std::size_t>(slot.count)] = g;
            slot.shadows[static_cast<std::size_t>(slot.count)] = grown(g);
            ++slot.count;
        }
    } else {
        slot.pieces[0] = path;
        slot.shadows[0] = grown(path);
        slot.count = 1;
    }
    return slot;
}

// A word or letter as last drawn at one size, turn and device scale: its pixels, and where its
// top-left pixel lies from the pixel of its centre.
struct KeptText {
    std::uint64_t key = 0;  // the word, its size, weight, shadow, turn, scale and device scale
    QImage image;
    QPoint offset;
    std::uint64_t used = 0;  // when last laid down
};

// The words and letters rise, turn and grow every frame, but through the same few looks again and
// again: each look is drawn once at the device's scale and laid down on whole pixels, faded by the
// painter (many translucent path fills a frame cost far more). Turns are kept in half degrees and
// sizes in 1/64, a few hundredths of a point at the letters' size.
void paintKeptText(QPainter& p, QPointF centre, double rotation, double scale, const CachedText& text,
                   const QColor& shadow, double shadowAlpha, double opacity) {
    if (opacity <= 0) return;
    const QTransform& dt = p.deviceTransform();
    if (dt.type() > QTransform::TxScale || std::abs(dt.m11() - dt.m22()) > 1e-9) {
        // Turned or stretched: drawn as it is.
        p.save();
        p.setOpacity(1);  // in the colours
        p.translate(centre);
        p.rotate(rotation);
        p.scale(scale, scale);
        paintShadowedText(p, text, shadow, shadowAlpha, opacity);
        p.restore();
        return;
    }
    rotation = std::round(rotation * 2) / 2;
    scale = std::round(scale * 64) / 64;
    const double device = dt.m11();
    // In no order: finding one moves none; the longest unused go first.
    static std::vector<KeptText> kept;
    static qsizetype bytes = 0;
    static std::uint64_t uses = 0;
    constexpr qsizetype keptBytes = 1024 * 1024;
    Fingerprint look;
    look.add(text.text).add(text.size).add(double(text.weight)).addBits(shadow.rgba()).add(shadowAlpha);
    look.add(rotation).add(scale).add(device);
    const std::uint64_t key = look.value();
    auto found = std::find_if(kept.begin(), kept.end(), [key](const KeptText& k) { return k.key == key; });
    if (found == kept.end()) {
        KeptText k{key, {}, {}, 0};
        QTransform m;
        m.scale(device, device);
        m.rotate(rotation);
        m.scale(scale, scale);
        // The shadow's band and its half-point drop, and a pixel for the edges.
        const QRectF ink = text.path.boundingRect().adjusted(-1, -1, 1, 1.5);
        const QRect box = m.mapRect(ink).toAlignedRect().adjusted(-1, -1, 1, 1);
        k.offset = box.topLeft();
        k.image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
        k.image.fill(Qt::transparent);
        {
            QPainter q(&k.image);
            q.setRenderHint(QPainter::Antialiasing, true);
            q.translate(-box.topLeft());
            q.setTransform(m, true);
            paintShadowedText(q, text, shadow, shadowAlpha, 1);
        }
        bytes += k.image.sizeInBytes();
        while (bytes > keptBytes && !kept.empty()) {
            auto oldest = std::min_element(kept.begin(), kept.end(),
                                           [](const KeptText& a, const KeptText& b) { return a.used < b.used; });
            bytes -= oldest->image.sizeInBytes();
            if (oldest != kept.end() - 1) *oldest = std::move(kept.back());
            kept.pop_back();
        }
        kept.push_back(std::move(k));
        found = kept.end() - 1;
    }
    found->used = ++uses;
    // On whole device pixels, in the painter's own coordinates.
    const QPointF at = dt.map(centre);
    const QRect pixels(QPoint(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y()))) +
                           found->offset,
                       found->image.size());
    p.save();
    p.setOpacity(opacity);
    p.drawImage(dt.inverted().mapRect(QRectF(pixels)), found->image);
    p.restore();
}

}  // namespace

void paintButterfly(QPainter& p, double t) {
    static const QColor left = colorFromHex("#F7D774"), right = colorFromHex("#F0A0B0"),
                        body = colorFromHex("#5C4636");
    p.save();
    p.setPen(Qt::NoPen);
    p.save();
    p.scale(0.3 + 0.7 * std::abs(std::sin(18 * t)), 1);
    p.setBrush(left);
    p.drawEllipse(QRectF(-5, -3, 5, 6));
    p.setBrush(right);
    p.drawEllipse(QRectF(0, -3, 5, 6));
    p.restore();
    p.setBrush(body);
    p.drawRoundedRect(QRectF(-0.6, -2.5, 1.2, 5), 0.6, 0.6);
    p.restore();
}

void paintSnowPlay(QPainter& p, double t) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const double d = i % 2 == 0 ? 3 : 2.2;
        const double ph = overlayFrac(0.45 * t + 0.21 * i);
        const double fade = ph < 0.85 ? 1 : (1 - ph) / 0.15;
        p.setBrush(QColor::fromRgbF(1, 1, 1, static_cast<float>(0.95 * fade)));
        p.drawEllipse(QPointF(7 * i - 14 + 4 * std::sin(2 * t + i), -22 + 36 * ph), d / 2, d / 2);
    }
    const double q = overlayFrac(0.9 * t);
    p.setBrush(QColor::fromRgbF(1, 1, 1, static_cast<float>(0.7 * (1 - q))));
    p.drawEllipse(QPointF(-6, 22 - 4 * q), (8 + 12 * q) / 2, (3 + 4 * q) / 2);
    p.restore();
}

void paintTears(QPainter& p, double d) {
    static const QColor tear = withAlpha(colorFromHex("#7EB6E0"), 0.9);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(tear);
    // Two 3-wide drops with 10 points between them: centres 6.5 either side.
    p.drawEllipse(QPointF(-6.5, d), 1.5, 2.5);
    p.drawEllipse(QPointF(6.5, -d), 1.5, 2.5);
    p.restore();
}

OverlayParticle dustPuff(int i, double t, double x0, double f, double y0) {
    const double ph = overlayFrac(3 * t + 0.25 * i);
    return {{x0 - f * (14 + 22 * ph), y0 - 4 * ph}, 4 + 6 * ph, 1 - ph};
}

OverlayParticle dirtSpeck(int i, double t, double x0, double d, double y0) {
    const double ph = overlayFrac(2.2 * t + 0.27 * i);
    return {{x0 + d * (4 + i + 12 * ph), y0 - 12 * ph + 16 * ph * ph}, 2.2, 1 - ph};
}

OverlayParticle crumb(int i, double t, double x0, double f, double y0) {
    const double ph = overlayFrac(1.6 * t + 0.37 * i);
    return {{x0 + f * (6 + 4 * i + 6 * ph), y0 + 4 - 10 * ph + 14 * ph * ph}, 2.5, 1 - ph};
}

void paintDustPuff(QPainter& p, int i, double t, double x0, double f, double y0) {
    fillCircle(p, dustPuff(i, t, x0, f, y0), QColor::fromRgbF(1, 1, 1, 0.55f));
}

void paintDirtSpeck(QPainter& p, int i, double t, double x0, double d, double y0) {
    static const QColor c = colorFromHex("#D8CBB4");
    fillCircle(p, dirtSpeck(i, t, x0, d, y0), c);
}

void paintCrumb(QPainter& p, int i, double t, double x0, double f, double y0) {
    static const QColor c = colorFromHex("#C98A4B");
    fillCircle(p, crumb(i, t, x0, f, y0), c);
}

OverlayText wordPuff(int i, int count, double t, double period, double x0, double f, double y0) {
    OverlayText w;
    if (count <= 0 || period <= 0) return w;
    const double u = std::fmod(t + period * i / count, period) / period;
    const double fade = 1 - std::max(0.0, (u - 0.55) / 0.45);
    w.scale = u < 0.2 ? 0.8 + 0.3 * u / 0.2 : 1.1;
    w.opacity = (u < 0.15 ? u / 0.15 : 1.0) * fade;
    w.centre = {x0 + f * (12 * i - 4), y0 - 14 - 12 * u};
    return w;
}

void paintWordPuff(QPainter& p, int i, double t, double period, std::span<const QStringView> words,
                   const QColor& outline, double x0, double f, double y0) {
    if (i < 0 || i >= static_cast<int>(words.size())) return;
    const OverlayText w = wordPuff(i, static_cast<int>(words.size()), t, period, x0, f, y0);
    if (w.opacity <= 0) return;
    paintKeptText(p, w.centre, 0, w.scale, cachedText(words[static_cast<std::size_t>(i)], 8, QFont::ExtraBold), outline,
                  0.7, p.opacity() * w.opacity);
}

OverlayText sleepLetter(int i, double t, double period, double f, double x0, double y0) {
    OverlayText z;
    if (period <= 0) return z;
    const double u = std::fmod(t + period * i / 3, period) / period;
    z.size = 7 + 6 * u;
    z.rotation = (24 * u - 12) * f;
    z.opacity = std::min(u / 0.15, 1.0) * (u >= 0.65 ? 1 - (u - 0.65) / 0.35 : 1.0);
    z.centre = {x0 + f * (6 + 16 * u) + 2.5 * std::sin(2 * M_PI * u), y0 - 10 - 24 * u};
    return z;
}

void paintSleepLetter(QPainter& p, int i, double t, double period, double f, double x0, double y0) {
    static const QColor shadow = colorFromHex("#5C6B80");
    const OverlayText z = sleepLetter(i, t, period, f, x0, y0);
    if (z.opacity <= 0) return;
    // One outline at size 10, scaled to the letter's size as it grows.
    paintKeptText(p, z.centre, z.rotation, z.size / 10, cachedText(u"z", 10, QFont::ExtraBold), shadow, 0.55,
                  p.opacity() * z.opacity);
}

QRectF boxPlayMask(const std::optional<ToyPlayPhase>& phase, double hop) {
    bool shifted = false;
    if (phase) {
        switch (phase->kind) {
        case ToyPlayPhase::Kind::waiting: break;
        case ToyPlayPhase::Kind::jumpingIn: shifted = phase->progress >= 0.5; break;
        case ToyPlayPhase::Kind::inside: shifted = true; break;
        case ToyPlayPhase::Kind::jumpingOut: shifted = phase->progress <= 0.5; break;
        }
    }
    const double up = shifted ? 185 + hop : 0;
    return {-200, -200 - up, 400, 400};
}

std::optional<QPainterPath> houseDoorMask(bool peeking, const QRectF& door) {
    if (!peeking) return std::nullopt;
    return archPath(door);
}

double reactionLifetime(PetReaction::Kind kind) {
    switch (kind) {
    case PetReaction::Kind::heart:
    case PetReaction::Kind::grumble: return 1.4;
    case PetReaction::Kind::meow: return 1.9;
    case PetReaction::Kind::note: return 2.6;
    }
    return 1.4;
}

OverlayBubble reactionBubble(const PetReaction& r, double t, double width, double s, double lineY) {
    OverlayBubble b;
    const double a = t - r.born;
    const double life = reactionLifetime(r.kind);
    if (a < 0 || a >= life) return b;
    const double u = a / life;
    b.visible = true;
    b.scale = std::min(a / 0.18, 1.0) * (1 + 0.25 * std::max(0.0, 1 - a / 0.3));
    b.opacity = std::min(u / 0.12, 1.0) * (1 - std::max(0.0, (u - 0.6) / 0.4));
    if (r.kind == PetReaction::Kind::meow || r.kind == PetReaction::Kind::note)
        b.centre = {width * r.place + 30 * r.facing * s, lineY - 8 - 8 * u};
    else
        b.centre = {width * r.place + 14 * r.facing * s + r.dx + 3 * std::sin(6 * a + r.dx), lineY - 6 - 34 * u};
    return b;
}

namespace {

// The anger mark: four bent strokes around a centre, their bends towards it.
void paintGrumble(QPainter& p, double o) {
    static const QPainterPath marks = [] {
        QPainterPath m;
        for (int k = 0; k < 4; ++k) {
            QTransform r;
            r.rotate(90.0 * k);
            QPainterPath one;
            one.moveTo(1.4, -4.6);
            one.quadTo(1.4, -1.4, 4.6, -1.4);
            m.addPath(r.map(one));
        }
        return m;
    }();
    static const QColor red = colorFromHex("#E5484D");
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(red, o), 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(marks);
}

void paintWordBubble(QPainter& p, QStringView words, double o) {
    static const QColor fill = ink(), dark = colorFromHex("#2C2622");
    const CachedText& text = cachedText(words, 8, QFont::Bold);
    const double w = text.path.boundingRect().width() + 10;
    const double h = 14;
    const QRectF capsule(-w / 2, -h / 2, w, h);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(0.09 * o)));
    p.drawRoundedRect(capsule.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5), h / 2 + 0.5, h / 2 + 0.5);
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(0.15 * o)));
    p.drawRoundedRect(capsule.translated(0, 0.5), h / 2, h / 2);
    p.setBrush(withAlpha(fill, o));
    p.drawRoundedRect(capsule, h / 2, h / 2);
    p.setBrush(withAlpha(dark, o));
    fillPieces(p, text.pieces, text.count);
}

}  // namespace

void paintReactionBubble(QPainter& p, const PetReaction& r, double t, double width, double s, double lineY) {
    const OverlayBubble b = reactionBubble(r, t, width, s, lineY);
    if (!b.visible || b.opacity <= 0 || b.scale <= 0) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(b.centre);
    p.scale(b.scale, b.scale);
    const double o = takeOpacity(p, b.opacity);
    switch (r.kind) {
    case PetReaction::Kind::heart: {
        // The soft heart ("#FFCCD7", 9.5 wide), faded through its colour.
        static const QPainterPath heart = heartPath(QPointF(0, 0), 9.5);
        static const QColor pink = colorFromHex("#FFCCD7");
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(pink, o));
        p.drawPath(heart);
        break;
    }
    case PetReaction::Kind::grumble: paintGrumble(p, o); break;
    case PetReaction::Kind::meow: paintWordBubble(p, u"meow", o); break;
    case PetReaction::Kind::note: paintWordBubble(p, r.text, o); break;
    }
    p.restore();
}

}  // namespace kp
