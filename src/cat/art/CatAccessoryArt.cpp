// The worn pieces. Head, face, neck and extra pieces are drawn in head units (the 30-unit head
// frame centred on the origin: crown at y -9, ear tips near y -14, chin at y +12); body and feet
// pieces in figure units by the body drawings.
#include "cat/HeartPath.h"
#include "cat/art/CatArtInternal.h"

#include <cmath>

namespace kp::art {

namespace {

struct Duo {
    QColor main, dark;
};


// A rounded rectangle with a rim, both filled (no stroking).
void rimRect(QPainter& p, const QRectF& r, double radius, const QColor& fill, const QColor& rim, double w) {
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawRoundedRect(r.adjusted(-w, -w, w, w), radius + w, radius + w);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A filled shape with a rim, for paths that live for the whole run.
void rimmedStable(QPainter& p, const QPainterPath& stable, const QColor& fill, const QColor& rim, double w = 0.5) {
    rimStable(p, stable, fill, rim, w);
}

// A bow: two rounded wings and a knot, centred on the origin, 8 units wide.
const QPainterPath& bowWings() {
    static const QPainterPath path = [] {
        QPainterPath w;
        w.moveTo(0, 0);
        w.cubicTo(-1.4, -3.2, -4.4, -3.0, -4.2, -0.2);
        w.cubicTo(-4.2, 2.6, -1.6, 2.8, 0, 0);
        w.cubicTo(1.6, 2.8, 4.2, 2.6, 4.2, -0.2);
        w.cubicTo(4.4, -3.0, 1.4, -3.2, 0, 0);
        w.closeSubpath();
        return w;
    }();
    return path;
}

void drawBow(QPainter& p, QPointF at, double angle, double scale, const Duo& c) {
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.scale(scale, scale);
    rimmedStable(p, bowWings(), c.main, c.dark, 0.45);
    strokeLine(p, QPointF(-2.6, -0.6), QPointF(-1.2, -0.2), c.dark, 0.4);
    strokeLine(p, QPointF(2.6, -0.6), QPointF(1.2, -0.2), c.dark, 0.4);
    rimEllipse(p, QPointF(0, 0), 1.15, 1.25, c.main.lighter(106), c.dark, 0.45);
    p.restore();
}

Duo duo(unsigned a, unsigned b) { return {rgb(a), rgb(b)}; }

// `halo`, when valid, edges the frames so dark frames still show on dark fur.
void drawGlassesFrames(QPainter& p, QPointF eyeL, QPointF eyeR, const QColor& frame, const QColor* lens,
                       const QColor& halo) {
    const double r = 3.5;
    if (lens) {
        fillEllipse(p, eyeL, r, r, *lens);
        fillEllipse(p, eyeR, r, r, *lens);
        QColor shine = kWhite;
        shine.setAlpha(150);
        for (QPointF e : {eyeL, eyeR}) strokeLine(p, e + QPointF(-1.8, -0.6), e + QPointF(-0.6, -1.9), shine, 0.6);
    } else {
        QColor glass = kWhite;
        glass.setAlpha(45);
        fillEllipse(p, eyeL, r, r, glass);
        fillEllipse(p, eyeR, r, r, glass);
    }
    const QPointF mid = (eyeL + eyeR) / 2;
    QPainterPath bridge;
    bridge.moveTo(eyeL + QPointF(r, -0.3));
    bridge.quadTo(mid + QPointF(0, -1.4), eyeR + QPointF(-r, -0.3));
    p.setBrush(Qt::NoBrush);
    for (int pass = halo.isValid() ? 0 : 1; pass < 2; ++pass) {
        QPen pen(pass == 0 ? halo : frame, pass == 0 ? 1.8 : 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.drawEllipse(eyeL, r, r);
        p.drawEllipse(eyeR, r, r);
        p.drawPath(bridge);
        p.drawLine(eyeL + QPointF(-r, -0.4), eyeL + QPointF(-r - 3.6, -1.2));
        p.drawLine(eyeR + QPointF(r, -0.4), eyeR + QPointF(r + 3.2, -1.2));
    }
}

const QPainterPath& collarBand() {
    static const QPainterPath path = [] {
        QPainterPath b;
        b.moveTo(-8.4, 10.4);
        b.quadTo(0.4, 13.4, 9.2, 10.4);
        b.lineTo(9.2, 12.8);
        b.quadTo(0.4, 15.8, -8.4, 12.8);
        b.closeSubpath();
        return b;
    }();
    return path;
}

}  // namespace

bool headPieceHidesEars(CatAccessory a) {
    switch (a) {
    case CatAccessory::beanie:
    case CatAccessory::beanieGreen:
    case CatAccessory::rainHat:
    case CatAccessory::santaHat: return true;
    default: return false;
    }
}

void drawHeadPiece(QPainter& p, CatAccessory a, const CatCoat& coat, bool fromBehind) {
    (void)coat;
    switch (a) {
    case CatAccessory::bow:
    case CatAccessory::bowBlue: {
        const Duo c = a == CatAccessory::bow ? duo(0xF07A93, 0xC94F6B) : duo(0x5E9BD6, 0x3E78B0);
        drawBow(p, QPointF(fromBehind ? -6.6 : 6.8, -9.6), fromBehind ? 18 : -18, 0.95, c);
        break;
    }
    case CatAccessory::beanie:
    case CatAccessory::beanieGreen: {
        const Duo c = a == CatAccessory::beanie ? duo(0xE36B5B, 0xB5483A) : duo(0x6BAF6A, 0x4A8A49);
        static const QPainterPath dome = [] {
            QPainterPath d;
            d.moveTo(-12.2, -2.6);
            d.cubicTo(-12.4, -17.0, 12.4, -17.0, 12.2, -2.6);
            d.closeSubpath();
            return d;
        }();
        static const QPainterPath band = [] {
            QPainterPath b;
            b.addRoundedRect(QRectF(-13.0, -5.2, 26.0, 4.2), 2.0, 2.0);
            return b;
        }();
        rimmedStable(p, dome, c.main, c.dark);
        for (double x = -8; x <= 8.1; x += 4) strokeLine(p, QPointF(x, -12.6 + std::abs(x) * 0.35), QPointF(x, -5.2), c.dark, 0.45);
        rimmedStable(p, band, c.main.darker(112), c.dark);
        for (double x = -11; x <= 11.1; x += 2.2) strokeLine(p, QPointF(x, -4.6), QPointF(x, -1.6), c.dark, 0.35);
        rimEllipse(p, QPointF(0, -14.2), 2.5, 2.3, rgb(0xF7F4F0), rgb(0xC9C0B5), 0.45);
        break;
    }
    case CatAccessory::partyHat:
    case CatAccessory::partyHatPink: {
        const bool blue = a == CatAccessory::partyHat;
        const Duo c = blue ? duo(0x7EB6E0, 0x4E86B5) : duo(0xF0A0B0, 0xC96F84);
        const QColor dots = blue ? rgb(0xF7D774) : rgb(0xFFFFFF);
        p.save();
        p.translate(0.5, -7.6);
        p.rotate(fromBehind ? -8 : 8);
        static const QPainterPath cone = [] {
            QPainterPath k;
            k.moveTo(-5.6, 0.4);
            k.lineTo(0, -15.0);
            k.lineTo(5.6, 0.4);
            k.quadTo(0, 1.8, -5.6, 0.4);
            k.closeSubpath();
            return k;
        }();
        rimmedStable(p, cone, c.main, c.dark);
        fillEllipse(p, QPointF(-1.6, -2.6), 0.9, 0.9, dots);
        fillEllipse(p, QPointF(1.8, -6.0), 0.9, 0.9, dots);
        fillEllipse(p, QPointF(-0.6, -9.4), 0.8, 0.8, dots);
        strokeLine(p, QPointF(-5.0, -0.1), QPointF(5.0, -0.1), c.dark, 0.5);
        rimEllipse(p, QPointF(0, -15.4), 1.9, 1.9, dots, c.dark, 0.4);
        p.restore();
        break;
    }
    case CatAccessory::flowerCrown: {
        static const QPainterPath band = [] {
            QPainterPath b;
            b.moveTo(-11.4, -4.6);
            b.quadTo(0, -13.0, 11.4, -4.6);
            return b;
        }();
        strokePath(p, band, rgb(0x4A8A49), 1.6);
        strokePath(p, band, rgb(0x6BAF6A), 1.0);
        const QColor cols[5] = {rgb(0xF7D774), rgb(0xF0A0B0), rgb(0xFFFFFF), rgb(0xF0A0B0), rgb(0xF7D774)};
        for (int i = 0; i < 5; ++i) {
            const double t = 0.1 + 0.2 * i;
            const QPointF at = band.pointAtPercent(t);
            const QColor& col = cols[i];
            for (int k = 0; k < 5; ++k) {
                const double ang = k * 2 * M_PI / 5 - M_PI / 2;
                fillEllipse(p, at + QPointF(std::cos(ang), std::sin(ang)) * 1.05, 1.05, 1.05, col.darker(125));
            }
            for (int k = 0; k < 5; ++k) {
                const double ang = k * 2 * M_PI / 5 - M_PI / 2;
                fillEllipse(p, at + QPointF(std::cos(ang), std::sin(ang)) * 1.0, 0.85, 0.85, col);
            }
            fillEllipse(p, at, 0.65, 0.65, i == 2 ? rgb(0xF7D774) : rgb(0xFFF6D8));
        }
        break;
    }
    case CatAccessory::topHat: {
        p.save();
        p.translate(1.0, -8.4);
        p.rotate(fromBehind ? 6 : -6);
        const QColor hat = rgb(0x2C2622), rim = rgb(0x57504A);
        static const QPainterPath crown = [] {
            QPainterPath k;
            k.addRoundedRect(QRectF(-5.4, -11.4, 10.8, 11.2), 1.2, 1.2);
            return k;
        }();
        static const QPainterPath brim = [] {
            QPainterPath k;
            k.addRoundedRect(QRectF(-9.2, -1.2, 18.4, 2.4), 1.2, 1.2);
            return k;
        }();
        rimmedStable(p, crown, hat, rim);
        p.setPen(Qt::NoPen);
        p.setBrush(rgb(0xC8503F));
        p.drawRect(QRectF(-5.4, -3.6, 10.8, 2.2));
        rimmedStable(p, brim, hat, rim);
        strokeLine(p, QPointF(-3.6, -10.2), QPointF(-3.6, -4.4), rgba(0xFFFFFF, 50), 0.8);
        p.restore();
        break;
    }
    case CatAccessory::beret:
    case CatAccessory::beretNavy: {
        const Duo c = a == CatAccessory::beret ? duo(0xC8503F, 0x92352A) : duo(0x2F3E66, 0x1D2743);
        p.save();
        p.translate(fromBehind ? -1.5 : 1.5, -8.6);
        p.rotate(fromBehind ? -12 : 12);
        static const QPainterPath cap = [] {
            QPainterPath k;
            k.moveTo(-10.4, 1.2);
            k.cubicTo(-11.6, -5.0, 10.6, -6.4, 10.8, 0.2);
            k.quadTo(0, 3.2, -10.4, 1.2);
            k.closeSubpath();
            return k;
        }();
        rimmedStable(p, cap, c.main, c.dark);
        strokeLine(p, QPointF(-0.2, -3.6), QPointF(0.4, -5.6), c.dark, 1.2);
        p.restore();
        break;
    }
    case CatAccessory::witchHat: {
        const QColor hat = rgb(0x3B2F4A), rim = rgb(0x6A5A80);
        static const QPainterPath cone = [] {
            QPainterPath k;
            k.moveTo(-6.8, -8.0);
            k.quadTo(-4.0, -18.0, 4.0, -24.0);
            k.quadTo(6.6, -22.6, 5.4, -19.8);
            k.quadTo(4.0, -15.0, 6.8, -8.0);
            k.closeSubpath();
            return k;
        }();
        static const QPainterPath brim = [] {
            QPainterPath k;
            k.addEllipse(QPointF(0, -8.0), 12.8, 2.6);
            return k;
        }();
        p.save();
        if (fromBehind) p.scale(-1, 1);
        rimmedStable(p, brim, hat, rim);
        rimmedStable(p, cone, hat, rim);
        p.setPen(Qt::NoPen);
        p.setBrush(rgb(0xE39455));
        p.drawRect(QRectF(-6.4, -11.2, 12.8, 2.0));
        fillEllipse(p, QPointF(0, -10.2), 1.0, 1.0, rgb(0xF2C14E));
        p.restore();
        break;
    }
    case CatAccessory::santaHat: {
        const QColor red = rgb(0xD9454F), dark = rgb(0xA02A33);
        static const QPainterPath cone = [] {
            QPainterPath k;
            k.moveTo(-11.6, -4.0);
            k.cubicTo(-10.0, -17.0, 6.0, -20.0, 12.4, -15.0);
            k.quadTo(6.4, -13.0, 11.6, -4.0);
            k.closeSubpath();
            return k;
        }();
        static const QPainterPath trim = [] {
            QPainterPath k;
            k.addRoundedRect(QRectF(-13.0, -6.2, 26.0, 4.6), 2.3, 2.3);
            return k;
        }();
        p.save();
        if (fromBehind) p.scale(-1, 1);
        rimmedStable(p, cone, red, dark);
        rimmedStable(p, trim, rgb(0xF7F4F0), rgb(0xC9C0B5));
        rimEllipse(p, QPointF(12.6, -14.8), 2.4, 2.4, rgb(0xF7F4F0), rgb(0xC9C0B5), 0.45);
        p.restore();
        break;
    }
    case CatAccessory::bunnyEars: {
        const QColor fur = rgb(0xF7F4F0), rim = rgb(0xBDB2A6), pink = rgb(0xF4A7B4);
        for (int side : {-1, 1}) {
            p.save();
            p.translate(side * 3.6, -16.4);
            p.rotate(side * 12);
            rimEllipse(p, QPointF(0, 0), 2.2, 6.6, fur, rim, 0.5);
            if (!fromBehind) fillEllipse(p, QPointF(0, 0.6), 1.1, 4.6, pink);
            p.restore();
        }
        static const QPainterPath band = [] {
            QPainterPath b;
            b.moveTo(-10.6, -4.4);
            b.quadTo(0, -13.2, 10.6, -4.4);
            return b;
        }();
        strokePath(p, band, rim, 2.0);
        strokePath(p, band, fur, 1.2);
        break;
    }
    case CatAccessory::partyCrown: {
        static const QPainterPath crown = [] {
            QPainterPath k;
            k.moveTo(-7.2, -7.6);
            k.lineTo(-7.6, -14.2);
            k.lineTo(-3.8, -10.6);
            k.lineTo(0, -15.4);
            k.lineTo(3.8, -10.6);
            k.lineTo(7.6, -14.2);
            k.lineTo(7.2, -7.6);
            k.quadTo(0, -6.4, -7.2, -7.6);
            k.closeSubpath();
            return k;
        }();
        rimmedStable(p, crown, rgb(0xF2C14E), rgb(0xB8892A));
        fillEllipse(p, QPointF(0, -9.4), 1.2, 1.2, rgb(0xE04F5F));
        fillEllipse(p, QPointF(-4.4, -9.0), 0.9, 0.9, rgb(0x5E9BD6));
        fillEllipse(p, QPointF(4.4, -9.0), 0.9, 0.9, rgb(0x5E9BD6));
        for (QPointF tip : {QPointF(-7.6, -14.2), QPointF(0, -15.4), QPointF(7.6, -14.2)})
            fillEllipse(p, tip, 0.8, 0.8, rgb(0xFBE3A0));
        break;
    }
    case CatAccessory::strawHat: {
        const QColor straw = rgb(0xE8C77A), rim = rgb(0xAD8B45);
        static const QPainterPath brim = [] {
            QPainterPath k;
            k.addEllipse(QPointF(0, -6.6), 14.6, 3.0);
            return k;
        }();
        static const QPainterPath crown = [] {
            QPainterPath k;
            k.moveTo(-6.4, -6.8);
            k.cubicTo(-6.8, -14.8, 6.8, -14.8, 6.4, -6.8);
            k.closeSubpath();
            return k;
        }();
        rimmedStable(p, brim, straw, rim);
        strokeLine(p, QPointF(-12.0, -6.4), QPointF(12.0, -6.4), straw.darker(112), 0.35);
        rimmedStable(p, crown, straw, rim);
        p.setPen(Qt::NoPen);
        p.setBrush(rgb(0xC8503F));
        p.drawRect(QRectF(-6.4, -9.4, 12.8, 2.0));
        break;
    }
    case CatAccessory::rainHat: {
        const QColor y = rgb(0xF2C14E), rim = rgb(0xB58A26);
        static const QPainterPath dome = [] {
            QPainterPath k;
            k.moveTo(-11.6, -2.4);
            k.cubicTo(-12.0, -16.6, 11.6, -16.6, 11.4, -3.4);
            k.closeSubpath();
            return k;
        }();
        static const QPainterPath brim = [] {
            QPainterPath k;
            k.moveTo(-15.4, 1.8);
            k.quadTo(-12.0, -4.2, 0, -4.6);
            k.quadTo(11.0, -5.4, 14.6, -6.2);
            k.quadTo(12.6, -2.6, 0, -2.2);
            k.quadTo(-10.0, -1.8, -15.4, 1.8);
            k.closeSubpath();
            return k;
        }();
        p.save();
        if (fromBehind) p.scale(-1, 1);
        rimmedStable(p, dome, y, rim);
        strokeLine(p, QPointF(0, -13.2), QPointF(0, -4.6), rim, 0.4);
        rimmedStable(p, brim, y.darker(104), rim);
        p.restore();
        break;
    }
    default:
        break;
    }
}

void drawFacePiece(QPainter& p, CatAccessory a, QPointF face, const CatCoat& coat) {
    // dark frames on dark fur get a lighter edge
    const QColor halo = coat.base.lightness() < 90 ? coat.outline.lighter(150) : QColor();
    const QPointF eyeL = face + QPointF(-4.9, 1.0), eyeR = face + QPointF(4.9, 1.0);
    switch (a) {
    case CatAccessory::glasses: drawGlassesFrames(p, eyeL, eyeR, rgb(0x2C2622), nullptr, halo); break;
    case CatAccessory::glassesPink: drawGlassesFrames(p, eyeL, eyeR, rgb(0xF07A93), nullptr, QColor()); break;
    case CatAccessory::sunglasses:
    case CatAccessory::sunglassesBlue:
    case CatAccessory::sunglassesAmber: {
        const unsigned hex = a == CatAccessory::sunglasses ? 0x2C2622 : (a == CatAccessory::sunglassesBlue ? 0x5E9BD6 : 0xE7B15A);
        QColor lens = rgb(hex);
        lens.setAlphaF(0.9f);
        drawGlassesFrames(p, eyeL, eyeR, a == CatAccessory::sunglasses ? rgb(0x1A1614) : rgb(hex).darker(150), &lens,
                          a == CatAccessory::sunglasses ? halo : QColor());
        break;
    }
    case CatAccessory::heartGlasses: {
        static const QPainterPath heart = heartPath(QPointF(0, 0), 7.6);
        QPen pen(rgb(0xA83040), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        for (QPointF e : {eyeL, eyeR}) {
            p.save();
            p.translate(e + QPointF(0, 0.3));
            QColor lens = rgb(0xE04F5F);
            lens.setAlphaF(0.92f);
            p.setPen(pen);
            p.setBrush(lens);
            p.drawPath(heart);
            strokeLine(p, QPointF(-2.2, -1.4), QPointF(-1.2, -2.2), rgba(0xFFFFFF, 160), 0.55);
            p.restore();
        }
        QPainterPath bridge;
        bridge.moveTo(eyeL + QPointF(3.4, -0.6));
        bridge.quadTo((eyeL + eyeR) / 2 + QPointF(0, -1.6), eyeR + QPointF(-3.4, -0.6));
        strokePath(p, bridge, rgb(0xA83040), 0.8);
        break;
    }
    case CatAccessory::carnivalMask:
    case CatAccessory::sleepMask: {
        const bool sleep = a == CatAccessory::sleepMask;
        static const QPainterPath mask = [] {
            QPainterPath m;
            m.moveTo(-9.6, -1.0);
            m.cubicTo(-9.4, -4.6, -3.0, -4.4, 0, -2.8);
            m.cubicTo(3.0, -4.4, 9.4, -4.6, 9.6, -1.0);
            m.cubicTo(9.8, 3.2, 4.4, 4.8, 1.6, 3.2);
            m.quadTo(0, 2.2, -1.6, 3.2);
            m.cubicTo(-4.4, 4.8, -9.8, 3.2, -9.6, -1.0);
            m.closeSubpath();
            return m;
        }();
        p.save();
        p.translate(face + QPointF(0, 1.0));
        if (sleep) {
            strokeLine(p, QPointF(-9.2, -0.8), QPointF(-13.8, -1.8), rgb(0x7A6A9A), 0.8);
            strokeLine(p, QPointF(9.2, -0.8), QPointF(13.4, -1.8), rgb(0x7A6A9A), 0.8);
            rimmedStable(p, mask, rgb(0xC9B6F0), rgb(0x7A6A9A));
            for (int side : {-1, 1}) {
                QPainterPath lash;
                lash.moveTo(side * 4.9 - 2.3, -0.2);
                lash.quadTo(side * 4.9, 2.0, side * 4.9 + 2.3, -0.2);
                strokePath(p, lash, rgb(0x7A6A9A), 0.7);
                for (int k = -1; k <= 1; ++k)
                    strokeLine(p, QPointF(side * 4.9 + k * 1.4, 1.0 - std::abs(k) * 0.3),
                               QPointF(side * 4.9 + k * 1.9, 2.2 - std::abs(k) * 0.3), rgb(0x7A6A9A), 0.5);
            }
        } else {
            QPainterPath holed = mask;
            holed.addEllipse(QPointF(-4.9, 0.0), 2.6, 2.2);
            holed.addEllipse(QPointF(4.9, 0.0), 2.6, 2.2);
            holed.setFillRule(Qt::OddEvenFill);
            QPen trim(rgb(0xF2C14E), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.setPen(trim);
            p.setBrush(rgb(0x8E5BB5));
            p.drawPath(holed);
            // a little plume on the forward side
            strokeLine(p, QPointF(8.6, -2.4), QPointF(11.0, -7.0), rgb(0xF2C14E), 0.7);
            fillEllipse(p, QPointF(11.2, -7.0), 1.2, 2.2, rgb(0xE04F5F));
        }
        p.restore();
        break;
    }
    default:
        break;
    }
}

void drawNeckPiece(QPainter& p, CatAccessory a, bool fromBehind) {
    const QPainterPath& band = collarBand();
    switch (a) {
    case CatAccessory::bellCollar:
    case CatAccessory::bellCollarBlue: {
        const Duo c = a == CatAccessory::bellCollar ? duo(0xE04F5F, 0xA8303E) : duo(0x5E9BD6, 0x3E78B0);
        rimmedStable(p, band, c.main, c.dark, 0.4);
        if (!fromBehind) {
            rimEllipse(p, QPointF(1.2, 15.4), 1.8, 1.8, rgb(0xF2C14E), rgb(0xB8892A), 0.4);
            strokeLine(p, QPointF(1.2, 15.8), QPointF(1.2, 17.0), rgb(0x8A6418), 0.45);
            fillEllipse(p, QPointF(0.6, 14.8), 0.45, 0.45, rgba(0xFFFFFF, 200));
        }
        break;
    }
    case CatAccessory::tagCollar: {
        rimmedStable(p, band, rgb(0x8B5A3C), rgb(0x5E3A24), 0.4);
        if (!fromBehind) {
            rimEllipse(p, QPointF(1.2, 15.6), 1.7, 1.7, rgb(0xF2C14E), rgb(0xB8892A), 0.4);
            fillEllipse(p, QPointF(1.2, 15.6), 0.6, 0.6, rgb(0xD9A73A));
        }
        break;
    }
    case CatAccessory::scarf:
    case CatAccessory::scarfRed: {
        const bool orange = a == CatAccessory::scarf;
        const Duo c = orange ? duo(0xE39455, 0xA8632E) : duo(0xD9454F, 0x9A2832);
        const QColor stripeCol = orange ? rgb(0xF7F4F0) : rgb(0xF2C6C9);
        static const QPainterPath wrap = [] {
            QPainterPath b;
            b.moveTo(-9.4, 9.6);
            b.quadTo(0.4, 13.2, 10.2, 9.6);
            b.lineTo(10.2, 13.4);
            b.quadTo(0.4, 17.2, -9.4, 13.4);
            b.closeSubpath();
            return b;
        }();
        static const QPainterPath tail = [] {
            QPainterPath t;
            t.moveTo(4.0, 12.6);
            t.lineTo(8.0, 12.0);
            t.lineTo(9.6, 20.0);
            t.lineTo(5.6, 20.6);
            t.closeSubpath();
            return t;
        }();
        if (!fromBehind) rimmedStable(p, tail, c.main.darker(106), c.dark);
        rimmedStable(p, wrap, c.main, c.dark);
        if (!fromBehind) {
            strokeLine(p, QPointF(5.0, 16.6), QPointF(8.9, 16.0), stripeCol, 0.8);
            strokeLine(p, QPointF(5.3, 18.4), QPointF(9.2, 17.8), stripeCol, 0.8);
            for (double x : {-5.0, -1.0, 3.0, 7.0})
                strokeLine(p, QPointF(x, 10.6 + std::abs(x - 0.4) * -0.05 + 0.9), QPointF(x, 14.2 + std::abs(x) * -0.08 + 0.6),
                           stripeCol, 0.7);
        }
        break;
    }
    case CatAccessory::bandana:
    case CatAccessory::bandanaBlue: {
        const Duo c = a == CatAccessory::bandana ? duo(0xD9454F, 0x9A2832) : duo(0x5E9BD6, 0x3E78B0);
        static const QPainterPath tri = [] {
            QPainterPath t;
            t.moveTo(-8.6, 10.2);
            t.quadTo(0.6, 13.4, 9.6, 10.2);
            t.lineTo(1.6, 20.0);
            t.closeSubpath();
            return t;
        }();
        if (fromBehind) {
            rimmedStable(p, band, c.main, c.dark, 0.4);
        } else {
            rimmedStable(p, tri, c.main, c.dark);
            for (QPointF d : {QPointF(-3.2, 13.0), QPointF(1.4, 14.2), QPointF(5.6, 13.0), QPointF(-0.4, 16.4),
                              QPointF(3.2, 17.0), QPointF(1.4, 18.6)})
                fillEllipse(p, d, 0.55, 0.55, rgb(0xFFFFFF));
        }
        break;
    }
    case CatAccessory::bowtie: {
        if (fromBehind) {
            rimmedStable(p, band, rgb(0x2C2622), rgb(0x57504A), 0.4);
            break;
        }
        static const QPainterPath tie = [] {
            QPainterPath t;
            t.moveTo(0, 0);
            t.lineTo(-4.2, -2.6);
            t.quadTo(-5.0, 0, -4.2, 2.6);
            t.closeSubpath();
            t.moveTo(0, 0);
            t.lineTo(4.2, -2.6);
            t.quadTo(5.0, 0, 4.2, 2.6);
            t.closeSubpath();
            return t;
        }();
        p.save();
        p.translate(1.2, 13.6);
        rimmedStable(p, tie, rgb(0x2C2622), rgb(0x6A625B), 0.45);
        rimEllipse(p, QPointF(0, 0), 1.2, 1.3, rgb(0x3E3631), rgb(0x6A625B), 0.45);
        p.restore();
        break;
    }
    default:
        break;
    }
}

void drawExtraPiece(QPainter& p, CatAccessory a, bool fromBehind) {
    if (a != CatAccessory::headphones) return;
    (void)fromBehind;
    static const QPainterPath band = [] {
        QPainterPath b;
        b.moveTo(-12.4, -0.6);
        b.cubicTo(-13.0, -17.8, 13.0, -17.8, 12.4, -0.6);
        return b;
    }();
    strokePath(p, band, rgb(0x39424F), 2.4);
    strokePath(p, band, rgb(0x5C6B80), 1.5);
    for (int side : {-1, 1}) {
        rimRect(p, QRectF(side * 12.6 - 2.2, -3.4, 4.4, 7.0), 1.8, rgb(0x2C2622), rgb(0x5C6B80), 0.5);
        fillEllipse(p, QPointF(side * 12.6, 0.1), 1.0, 1.6, rgb(0x7E8DA3));
    }
}

void drawLegPiece(QPainter& p, CatAccessory a, double length, double width) {
    const double hw = width / 2;
    switch (a) {
    case CatAccessory::boots:
    case CatAccessory::bootsYellow: {
        const Duo c = a == CatAccessory::boots ? duo(0xE36B5B, 0xA8483A) : duo(0xF2C14E, 0xB58A26);
        const QRectF shaft(-hw - 0.4, length - 5.2, width + 0.8, 5.2), toe(-hw - 0.4, length - 2.6, width + 2.6, 2.6);
        p.setPen(Qt::NoPen);
        p.setBrush(c.dark);
        p.drawRoundedRect(shaft.adjusted(-0.45, -0.45, 0.45, 0.45), 2.05, 2.05);
        p.drawRoundedRect(toe.adjusted(-0.45, -0.45, 0.45, 0.45), 1.75, 1.75);
        p.setBrush(c.main);
        p.drawRoundedRect(shaft, 1.6, 1.6);
        p.drawRoundedRect(toe, 1.3, 1.3);
        strokeLine(p, QPointF(-hw - 0.2, length - 0.35), QPointF(hw + 1.8, length - 0.35), c.dark, 0.6);
        strokeLine(p, QPointF(-hw - 0.2, length - 4.6), QPointF(hw + 0.2, length - 4.6), c.main.lighter(118), 0.7);
        break;
    }
    case CatAccessory::socks:
    case CatAccessory::socksBlue: {
        const bool white = a == CatAccessory::socks;
        const QColor body = white ? rgb(0xF7F4F0) : rgb(0x5E9BD6);
        const QColor stripeCol = white ? rgb(0xE36B5B) : rgb(0xF7F4F0);
        const QColor rim = white ? rgb(0xB9AEA2) : rgb(0x3E78B0);
        const QRectF leg(-hw - 0.2, length - 6.2, width + 0.4, 6.2);
        const QPointF toe(0.9, length - 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(rim);
        p.drawRoundedRect(leg.adjusted(-0.4, -0.4, 0.4, 0.4), 1.9, 1.9);
        p.drawEllipse(toe, 3.8, 2.0);
        p.setBrush(body);
        p.drawRoundedRect(leg, 1.5, 1.5);
        p.drawEllipse(toe, 3.4, 1.6);
        strokeLine(p, QPointF(-hw, length - 5.2), QPointF(hw, length - 5.2), stripeCol, 0.8);
        strokeLine(p, QPointF(-hw, length - 3.7), QPointF(hw, length - 3.7), stripeCol, 0.8);
        break;
    }
    default:
        break;
    }
}

QColor raincoatColor() { return rgb(0xF2C14E); }
QColor raincoatRim() { return rgb(0xB58A26); }

void drawSleeve(QPainter& p, double length, double width) {
    rimRect(p, QRectF(-width / 2 - 0.6, -width / 2, width + 1.2, length * 0.55 + width / 2), 2.0, raincoatColor(),
            raincoatRim(), 0.45);
    strokeLine(p, QPointF(-width / 2 - 0.4, length * 0.55 - 0.4), QPointF(width / 2 + 0.4, length * 0.55 - 0.4),
               raincoatRim(), 0.5);
}

void drawBackpack(QPainter& p, CatAccessory a, QPointF at, double angle, bool fromBehind) {
    const Duo c = a == CatAccessory::backpack ? duo(0xE7B15A, 0xA87A2E) : duo(0x6BAF6A, 0x4A8A49);
    p.save();
    p.translate(at);
    p.rotate(angle);
    static const QPainterPath bag = [] {
        QPainterPath b;
        b.addRoundedRect(QRectF(-5.2, -4.6, 10.4, 9.2), 2.8, 2.8);
        return b;
    }();
    static const QPainterPath flap = [] {
        QPainterPath f;
        f.moveTo(-5.2, -1.6);
        f.quadTo(-5.2, -4.6, -2.4, -4.6);
        f.lineTo(2.4, -4.6);
        f.quadTo(5.2, -4.6, 5.2, -1.6);
        f.lineTo(5.2, 0.4);
        f.quadTo(0, 1.6, -5.2, 0.4);
        f.closeSubpath();
        return f;
    }();
    rimmedStable(p, bag, c.main, c.dark);
    rimmedStable(p, flap, c.main.darker(110), c.dark, 0.4);
    fillEllipse(p, QPointF(0, 0.9), 0.8, 0.8, rgb(0xF7F4F0));
    if (fromBehind) {
        rimRect(p, QRectF(-3.2, 1.4, 6.4, 2.6), 1.0, c.main.darker(106), c.dark, 0.35);
    }
    p.restore();
}

void drawTailBow(QPainter& p, CatAccessory a, QPointF at, double angle, double scale) {
    const Duo c = a == CatAccessory::tailBow ? duo(0xF07A93, 0xC94F6B) : duo(0x5E9BD6, 0x3E78B0);
    drawBow(p, at, angle, scale, c);
}

}  // namespace kp::art
