// The head: ears, head shape, coat markings, the face and what is worn on the head.
// Drawn in a 30-unit frame centred on the origin, facing right (features sit 0.8 forward).
#include "cat/HeartPath.h"
#include "cat/art/CatArtInternal.h"

#include <QRadialGradient>

#include <array>
#include <cmath>
#include <vector>

namespace kp {

namespace art {

namespace {

constexpr double kFacing = 0.8;  // features sit this far forward of the head's middle
constexpr double kLeastStrokePx = 1.35;  // the thinnest feature line that still reads, in pixels
const QColor kHalo = rgb(0xF7F4F0);       // the light halo round dark feature lines

struct Mark {
    QPainterPath path;
    QColor color;
    QBrush brush;  // used when it has a gradient
    QBrush smallBrush;  // the gradient for small heads
};

// Everything about a breed's head that never changes, built once.
struct HeadShapes {
    QPainterPath head;       // outline shape
    QPainterPath earBack;    // far (left) ear
    QPainterPath earFront;   // near (right) ear
    QPainterPath innerBack, innerFront;
    QColor earBackColor, earFrontColor, innerColor;
    bool folded = false;
    QPointF tipBack, tipFront;
    std::vector<Mark> marks;      // face side
    std::vector<Mark> backMarks;  // seen from behind
    QPointF headCentre;
    double rx = 13, ry = 10.5;
    double eyeY = 1.0, eyeDx = 4.9, noseY = 4.4;
};

QPainterPath ellipsePath(QPointF c, double rx, double ry) {
    QPainterPath p;
    p.addEllipse(c, rx, ry);
    return p;
}

QPainterPath mirrored(const QPainterPath& path) {
    QTransform t;
    t.scale(-1, 1);
    return t.map(path);
}

QPainterPath earPath(QPointF b1, QPointF tip, QPointF b2, double round) {
    QPainterPath p;
    p.moveTo(b1);
    p.lineTo(tip + (b1 - tip) * round);
    p.quadTo(tip, tip + (b2 - tip) * round);
    p.lineTo(b2);
    p.quadTo((b1 + b2) / 2 + QPointF(1.0, 2.0), b1);
    p.closeSubpath();
    return p;
}

QPointF scaleAbout(QPointF pt, QPointF about, double s) { return about + (pt - about) * s; }

// A tapered stripe from `from` pointing towards `to`, `w` wide at its root.
QPainterPath stripe(QPointF from, QPointF to, double w) {
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF n(-d.y() / len * w / 2, d.x() / len * w / 2);
    QPainterPath p;
    p.moveTo(from + n);
    p.quadTo(from + d * 0.6 + n * 0.8, to);
    p.quadTo(from + d * 0.6 - n * 0.8, from - n);
    p.closeSubpath();
    return p;
}

HeadShapes buildShapes(CatBreed breed) {
    const CatCoat& c = coat(breed);
    HeadShapes s;
    s.rx = 13 + c.headGrow + (c.roundFace ? 1.2 : 0);
    s.ry = 10.5 + c.headGrow * 0.7 + (c.roundFace ? 0.5 : 0);
    s.headCentre = QPointF(0, 1.5);
    s.eyeDx = c.roundFace ? 5.2 : 4.9;
    s.eyeY = c.flatFace ? 1.4 : 1.0;
    s.noseY = c.flatFace ? 4.5 : 4.6;

    QPainterPath head = ellipsePath(s.headCentre, s.rx, s.ry);
    if (c.fluffy) {
        // Scalloped cheeks and crown: small bumps along the outline.
        const bool allOver = c.flatFace;  // the persian is fluffy all round
        const int n = allOver ? 16 : 9;
        for (int i = 0; i < n; ++i) {
            double a;
            if (allOver) {
                a = 2 * M_PI * (i + 0.5) / n;
            } else {
                // lower half, cheek to cheek (y down: 0 right, pi/2 bottom)
                a = -0.15 + (M_PI + 0.3) * i / (n - 1);
            }
            if (allOver && std::sin(a) < -0.8) continue;  // keep the crown smooth under the ears
            const QPointF at(s.headCentre.x() + std::cos(a) * (s.rx - 0.6),
                             s.headCentre.y() + std::sin(a) * (s.ry - 0.6));
            head = head.united(ellipsePath(at, 2.0, 2.0));
        }
    }
    s.head = head.simplified();

    // Ears: the back ear on the left, the front ear mirrored.
    const double earScale = c.smallEars ? (c.fluffy ? 0.86 : 0.76) : 1.0;
    QPointF b1(-12.2, -1.6), tip(-10.4, -14.4), b2(-3.2, -8.6);
    if (c.roundFace) {
        b1 += QPointF(-0.6, 0.3);
        tip += QPointF(-0.9, 0.6);
    }
    const QPointF mid = (b1 + b2) / 2;
    tip = scaleAbout(tip, mid, earScale);
    b1 = scaleAbout(b1, mid, earScale);
    b2 = scaleAbout(b2, mid, earScale);
    s.tipBack = tip;
    s.tipFront = QPointF(-tip.x(), tip.y());
    if (c.foldedEars) {
        s.folded = true;
        // A folded ear: a small cap lying on the crown, its tip bent forward and down.
        QPainterPath flap;
        flap.moveTo(-12.2, -3.2);
        flap.quadTo(-12.4, -10.4, -7.8, -11.2);
        flap.quadTo(-4.4, -11.6, -3.6, -9.2);
        flap.quadTo(-5.8, -8.8, -7.2, -6.4);
        flap.quadTo(-8.2, -4.6, -9.0, -4.6);
        flap.quadTo(-10.6, -4.6, -12.2, -3.2);
        flap.closeSubpath();
        s.earBack = flap;
        s.earFront = mirrored(flap);
        // the fold's edge, with a glimpse of the inner ear under it
        QPainterPath crease;
        crease.moveTo(-11.0, -7.4);
        crease.quadTo(-9.2, -10.0, -5.0, -9.6);
        s.innerBack = crease;
        s.innerFront = mirrored(crease);
    } else {
        s.earBack = earPath(b1, tip, b2, 0.16);
        s.earFront = mirrored(s.earBack);
        const QPointF cen = (b1 + b2 + tip) / 3 + QPointF(0.3, 0.9);
        s.innerBack = earPath(scaleAbout(b1, cen, 0.55), scaleAbout(tip, cen, 0.6), scaleAbout(b2, cen, 0.55), 0.2);
        s.innerFront = mirrored(s.innerBack);
    }
    s.earBackColor = c.base;
    s.earFrontColor = c.base;
    s.innerColor = c.innerEar;
    if (c.points.isValid()) {
        s.earBackColor = c.points;
        s.earFrontColor = c.points;
    }
    if (c.patchA.isValid()) {
        s.earBackColor = c.patchA;
        s.earFrontColor = c.patchB;
        s.innerColor = c.innerEar;
    }

    auto addMark = [&](std::vector<Mark>& into, const QPainterPath& path, const QColor& col) {
        Mark m;
        m.path = solid(path).intersected(s.head).simplified();
        m.color = col;
        into.push_back(std::move(m));
    };
    const double f = kFacing;

    if (c.stripe.isValid()) {
        QPainterPath st;
        // the forehead "M"
        st.addPath(stripe(QPointF(f - 4.0, -10.5), QPointF(f - 2.6, -5.6), 1.9));
        st.addPath(stripe(QPointF(f, -11.0), QPointF(f, -4.4), 2.1));
        st.addPath(stripe(QPointF(f + 4.0, -10.5), QPointF(f + 2.6, -5.6), 1.9));
        // cheek stripes
        for (double side : {-1.0, 1.0}) {
            const double edge = side * (s.rx + 1);
            st.addPath(stripe(QPointF(edge, 2.6), QPointF(side * (s.rx - 4.6), 3.2), 1.6));
            st.addPath(stripe(QPointF(edge, 5.2), QPointF(side * (s.rx - 3.8), 5.4), 1.4));
        }
        addMark(s.marks, st, c.stripe);
        QPainterPath back;
        back.addPath(stripe(QPointF(-4.2, -11), QPointF(-3.4, -2.5), 2.2));
        back.addPath(stripe(QPointF(0, -11.5), QPointF(0, -1.0), 2.4));
        back.addPath(stripe(QPointF(4.2, -11), QPointF(3.4, -2.5), 2.2));
        back.addPath(stripe(QPointF(-s.rx - 1, 3), QPointF(-s.rx + 4, 3.6), 1.6));
        back.addPath(stripe(QPointF(s.rx + 1, 3), QPointF(s.rx - 4, 3.6), 1.6));
        addMark(s.backMarks, back, c.stripe);
    }
    if (c.patchA.isValid()) {
        QPainterPath a;  // the back ear's side of the crown, clear of the cheek
        a.addEllipse(QPointF(-8.0, -8.2), 6.4, 4.6);
        a.addEllipse(QPointF(-2.6, -9.8), 4.4, 3.0);
        addMark(s.marks, a, c.patchA);
        QPainterPath b;
        b.addEllipse(QPointF(f + 6.8, -1.2), 5.0, 5.4);
        b.addEllipse(QPointF(f + 9.6, -5.0), 4.0, 3.6);
        addMark(s.marks, b, c.patchB);
        addMark(s.backMarks, mirrored(solid(a)), c.patchA);
        QPainterPath bb;
        bb.addEllipse(QPointF(-9.0, -3.0), 4.6, 5.0);
        addMark(s.backMarks, bb, c.patchB);
    }
    if (c.points.isValid()) {
        // The dark mask round muzzle and eyes, soft at its edge.
        Mark m;
        m.path = s.head;
        QRadialGradient g(QPointF(f, 4.2), 9.6, QPointF(f, 4.6));
        QColor solid = c.points;
        QColor mid2 = c.points;
        mid2.setAlpha(200);
        QColor clear = c.points;
        clear.setAlpha(0);
        g.setColorAt(0.0, solid);
        g.setColorAt(0.45, solid);
        g.setColorAt(0.75, mid2);
        g.setColorAt(1.0, clear);
        m.brush = QBrush(g);
        // Small, the soft edge would run through the eyes and leave them half on pale fur:
        // the mask stays solid past them.
        QRadialGradient gs(QPointF(f, 3.4), 11.0, QPointF(f, 3.8));
        gs.setColorAt(0.0, solid);
        gs.setColorAt(0.7, solid);
        gs.setColorAt(0.88, mid2);
        gs.setColorAt(1.0, clear);
        m.smallBrush = QBrush(gs);
        s.marks.push_back(m);
    }
    if (c.whiteV) {
        QPainterPath v;
        v.moveTo(f, -4.4);
        v.lineTo(f + 6.6, 13.0);
        v.lineTo(f - 6.6, 13.0);
        v.closeSubpath();
        addMark(s.marks, v, c.light);
    }
    if (c.whiteBib) {
        QPainterPath w;
        w.moveTo(f - 0.9, -3.6);
        w.quadTo(f, -4.6, f + 0.9, -3.6);
        // narrow between the eyes (shut eyes are drawn light and must stay on dark fur), wide below
        w.quadTo(f + 1.4, 2.6, f + 6.0, 6.0);
        w.lineTo(f - 6.0, 6.0);
        w.quadTo(f - 1.4, 2.6, f - 0.9, -3.6);
        w.closeSubpath();
        w.addEllipse(QPointF(f, 8.0), 7.6, 5.6);
        addMark(s.marks, w, c.light);
    }
    if (c.light.isValid() && !c.whiteBib) {
        // muzzle pads
        QPainterPath mz;
        mz.addEllipse(QPointF(f - 2.3, s.noseY + 2.0), 3.1, 2.6);
        mz.addEllipse(QPointF(f + 2.3, s.noseY + 2.0), 3.1, 2.6);
        mz.addEllipse(QPointF(f, s.noseY + 3.6), 2.6, 1.8);
        addMark(s.marks, mz, c.light);
    }
    return s;
}

const HeadShapes& shapes(CatBreed breed) {
    static const std::array<HeadShapes, 10> all = [] {
        std::array<HeadShapes, 10> a;
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = buildShapes(static_cast<CatBreed>(i));
        return a;
    }();
    return all[static_cast<std::size_t>(breed)];
}

// Fixed small paths, built once.
struct FacePaths {
    QPainterPath nose, w, smallW, smile, frown, grumpy, wavy, meow, happyEye, sleepEye, closedEye, cross, heart;
    FacePaths() {
        nose.moveTo(-1.35, -0.75);
        nose.quadTo(0, -1.15, 1.35, -0.75);
        nose.quadTo(0.5, 0.95, 0, 0.95);
        nose.quadTo(-0.5, 0.95, -1.35, -0.75);
        nose.closeSubpath();

        w.moveTo(0, 0);
        w.lineTo(0, 0.7);
        w.moveTo(-2.2, 0.5);
        w.quadTo(-1.1, 1.9, 0, 0.7);
        w.quadTo(1.1, 1.9, 2.2, 0.5);

        smallW.moveTo(-1.4, 0.7);
        smallW.quadTo(-0.7, 1.6, 0, 0.8);
        smallW.quadTo(0.7, 1.6, 1.4, 0.7);

        smile.moveTo(-2.5, 0.5);
        smile.quadTo(0, 1.1, 2.5, 0.5);
        smile.quadTo(2.0, 4.6, 0, 4.6);
        smile.quadTo(-2.0, 4.6, -2.5, 0.5);
        smile.closeSubpath();

        frown.moveTo(-1.9, 2.4);
        frown.quadTo(0, 0.6, 1.9, 2.4);

        grumpy.moveTo(-2.6, 2.4);
        grumpy.lineTo(-1.7, 1.4);
        grumpy.lineTo(1.7, 1.4);
        grumpy.lineTo(2.6, 2.4);

        wavy.moveTo(-2.6, 1.8);
        wavy.quadTo(-1.95, 0.9, -1.3, 1.8);
        wavy.quadTo(-0.65, 2.7, 0, 1.8);
        wavy.quadTo(0.65, 0.9, 1.3, 1.8);
        wavy.quadTo(1.95, 2.7, 2.6, 1.8);

        meow.moveTo(-2.4, 0.6);
        meow.quadTo(0, 0.0, 2.4, 0.6);
        meow.quadTo(1.7, 5.0, 0, 5.0);
        meow.quadTo(-1.7, 5.0, -2.4, 0.6);
        meow.closeSubpath();

        happyEye.moveTo(-2.3, 0.9);
        happyEye.quadTo(0, -2.2, 2.3, 0.9);

        sleepEye.moveTo(-2.3, -0.2);
        sleepEye.quadTo(0, 2.4, 2.3, -0.2);

        closedEye.moveTo(-2.4, 0.3);
        closedEye.quadTo(0, 1.6, 2.4, 0.3);

        cross.moveTo(-1.7, -1.7);
        cross.lineTo(1.7, 1.7);
        cross.moveTo(-1.7, 1.7);
        cross.lineTo(1.7, -1.7);

        heart = heartPath(QPointF(0, 0), 1.0);
    }
};

const FacePaths& facePaths() {
    static const FacePaths f;
    return f;
}

struct FaceCtx {
    const CatCoat* coat;
    const HeadShapes* sh;
    QPointF shift;   // features' shift (facing and look)
    QPointF pupil;   // pupils' further shift
    double blink;
    double es;       // eye scale
    QColor ink{};    // lids, shut eyes and brows of the eye being drawn
    // At small sizes hairline strokes blur into the fur: strokes keep a least width (units) and
    // the eyes' lines get a halo of the opposite lightness (invalid: none).
    double minStroke = 0;
    QColor halo{};
};

bool lightInk(const QColor& ink) { return ink.lightness() > 128; }

double luminance(const QColor& c) {
    auto lin = [](float v) { return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A feature line (lid, shut eye, cross): thick enough to read at the size drawn, with its halo.
void inkPath(QPainter& p, const FaceCtx& c, const QPainterPath& path, double width, bool haloed = true) {
    const double w = std::max(width, c.minStroke);
    if (haloed && c.halo.isValid()) {
        QColor h = c.halo;
        h.setAlpha(lightInk(c.ink) ? 150 : 190);
        strokePath(p, path, h, w + 2 * c.minStroke * 0.45);
    }
    strokePath(p, path, c.ink, w);
}

// A lid's edge: the ringed eye under it already stands out, so it takes no halo.
void lidLine(QPainter& p, const FaceCtx& c, QPointF a, QPointF b, double width) {
    QPainterPath path(a);
    path.lineTo(b);
    inkPath(p, c, path, width, false);
}

// Draws an open eye at the origin; `cover` 0...1 is how much of it the upper lid hides and
// `slant` turns the lid line (degrees).
void openEye(QPainter& p, const FaceCtx& c, double cover, double slant, double irisGrow = 1.0,
             double glint = 0.75) {
    const double rx = 2.35 * c.es * irisGrow, ry = 2.7 * c.es * irisGrow;
    // small, the ring thickens and the pupil widens so the eye keeps a dark (or light) core and edge
    const bool small = c.halo.isValid();
    const double prx = (small ? 1.95 : 1.45) * c.es, pry = (small ? 2.3 : 2.0) * c.es;
    const double rw = std::max(0.5, c.minStroke * 0.8);
    const QPointF pc = c.pupil;
    const QColor& ink = kInk;
    // Small on dark fur, a dark ring would vanish: the eye is ringed with the light ink instead.
    const QColor& ring = c.halo.isValid() && lightInk(c.ink) ? c.ink : ink;
    if (cover <= 0.001) {
        fillEllipse(p, QPointF(0, 0), rx + rw, ry + rw, ring);
        fillEllipse(p, QPointF(0, 0), rx, ry, c.coat->eye);
        fillEllipse(p, pc, prx, pry, ink);
        fillEllipse(p, pc + QPointF(-0.75, -1.0) * c.es, glint, glint, kWhite);
        fillEllipse(p, pc + QPointF(0.75, 0.95) * c.es, glint * 0.45, glint * 0.45, kWhite);
        return;
    }
    // Lidded: only the part of each ellipse below the lid line shows.
    p.save();
    p.rotate(slant);
    const double lineY = -ry + 2 * ry * cover;
    auto chord = [&](QPointF centre, double erx, double ery, const QColor& col) {
        const double dy = lineY - centre.y();
        if (dy >= ery) return;
        const double s = std::clamp(-dy / ery, -1.0, 1.0);
        const double a = std::asin(s) * 180.0 / M_PI;
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawChord(QRectF(centre.x() - erx, centre.y() - ery, 2 * erx, 2 * ery), int((180 - a) * 16),
                    int((180 + 2 * a) * 16));
    };
    chord(QPointF(0, 0), rx + rw, ry + rw, ring);
    chord(QPointF(0, 0), rx, ry, c.coat->eye);
    chord(pc + QPointF(0, 0.6), prx, pry, ink);
    const double halfW = rx * std::sqrt(std::max(0.0, 1 - (lineY / ry) * (lineY / ry)));
    // small, the lid is the feature that says "sleepy": it is drawn a little bolder than other lines
    lidLine(p, c, QPointF(-halfW - 0.5, lineY), QPointF(halfW + 0.5, lineY), std::max(0.9, c.minStroke * 1.4));
    p.restore();
}

void drawEyes(QPainter& p, CatExpression e, const FaceCtx& c) {
    const FacePaths& fp = facePaths();
    const double open = std::max(0.0, 1.0 - c.blink);
    for (int side : {-1, 1}) {
        p.save();
        p.translate(c.shift + QPointF(side * c.sh->eyeDx, c.sh->eyeY));
        p.scale(c.es, c.es);
        FaceCtx local = c;
        local.es = 1.0;
        local.pupil = c.pupil / c.es;
        local.ink = side > 0 ? c.coat->eyeInkNear : c.coat->eyeInk;
        if (c.halo.isValid()) {
            // Small, the ink is whichever of dark and light stands out more from the fur under the eye.
            const QColor& fur = side > 0 && c.coat->patchB.isValid() ? c.coat->patchB
                                : c.coat->points.isValid()             ? c.coat->points
                                                                       : c.coat->base;
            local.ink = contrast(fur, kInk) >= contrast(fur, kHalo) ? kInk : kHalo;
            local.halo = lightInk(local.ink) ? kInk : kHalo;
        }
        auto blinkable = [&](auto&& drawOpen) {
            if (open < 0.12) {
                inkPath(p, local, fp.closedEye, 0.95);
                return;
            }
            p.save();
            p.scale(1, open);
            drawOpen();
            p.restore();
        };
        auto lidded = [&](double cover, double slant) {
            const double cv = cover + (1 - cover) * c.blink;
            if (cv > 0.9) {
                inkPath(p, local, fp.closedEye, 0.95);
                return;
            }
            openEye(p, local, cv, slant);
        };
        switch (e) {
        case CatExpression::content:
        case CatExpression::meow:
            blinkable([&] { openEye(p, local, 0, 0); });
            break;
        case CatExpression::sad:
            blinkable([&] { openEye(p, local, 0, 0, 1.06, 0.95); });
            break;
        case CatExpression::happy:
        case CatExpression::eating:
            inkPath(p, local, fp.happyEye, 1.1);
            break;
        case CatExpression::asleep:
            inkPath(p, local, fp.sleepEye, 1.0);
            break;
        case CatExpression::love:
            blinkable([&] {
                p.save();
                p.scale(5.4, 5.4);
                fillPath(p, fp.heart, rgb(0xF07A93));
                p.restore();
                fillEllipse(p, QPointF(-1.1, -0.9), 0.55, 0.55, rgba(0xFFFFFF, 200));
            });
            break;
        case CatExpression::sleepy:
            lidded(0.55, 0);
            break;
        case CatExpression::sick:
            lidded(0.5, side * 6.0);
            break;
        case CatExpression::grumpy:
            lidded(0.45, -side * 14.0);
            break;
        case CatExpression::surprised:
            blinkable([&] {
                fillEllipse(p, QPointF(0, 0), 3.3, 3.3, kInk);
                fillEllipse(p, QPointF(0, 0), 2.8, 2.8, kWhite);
                fillEllipse(p, local.pupil * 0.7, 1.1, 1.15, kInk);
                fillEllipse(p, local.pupil * 0.7 + QPointF(-0.45, -0.5), 0.35, 0.35, kWhite);
            });
            break;
        case CatExpression::dead:
            inkPath(p, local, fp.cross, 0.95);
            break;
        }
        // Brows that rise towards the middle.
        if (e == CatExpression::sad) {
            const double inner = -side;  // towards the nose
            // above a pointed coat's mask the forehead is pale: brows there take the points' colour
            const QColor& brow = c.coat->points.isValid() ? c.coat->points : local.ink;
            strokeLine(p, QPointF(side * 2.2, -3.9), QPointF(inner * 1.6, -5.0), brow, 0.75);
        }
        p.restore();
    }
}

void drawMouth(QPainter& p, CatExpression e, const FaceCtx& c) {
    const FacePaths& fp = facePaths();
    const QPointF m = c.shift + QPointF(0, c.sh->noseY + 0.95);
    // An open mouth is dark; on dark fur (where the mouth lines are drawn light) it gets a light rim.
    const bool rimmed = c.coat->mouthInk.lightness() > 150;
    auto mouthPath = [&](const QPainterPath& path) {
        if (rimmed) rimPath(p, path, kMouth, c.coat->mouthInk, 0.4);
        else fillPath(p, path, kMouth);
    };
    auto mouthEllipse = [&](QPointF at, double rx, double ry) {
        if (rimmed) fillEllipse(p, at, rx + 0.4, ry + 0.4, c.coat->mouthInk);
        fillEllipse(p, at, rx, ry, kMouth);
    };
    p.save();
    p.translate(m);
    switch (e) {
    case CatExpression::content:
    case CatExpression::love:
        strokePath(p, fp.w, c.coat->mouthInk, 0.8);
        break;
    case CatExpression::asleep:
        strokeLine(p, QPointF(0, 0), QPointF(0, 0.7), c.coat->mouthInk, 0.7);
        strokePath(p, fp.smallW, c.coat->mouthInk, 0.7);
        break;
    case CatExpression::happy:
        strokeLine(p, QPointF(0, 0), QPointF(0, 0.6), c.coat->mouthInk, 0.7);
        mouthPath(fp.smile);
        fillEllipse(p, QPointF(0, 3.5), 1.4, 0.95, kTongue);
        break;
    case CatExpression::sleepy:
        strokeLine(p, QPointF(0, 0), QPointF(0, 0.7), c.coat->mouthInk, 0.7);
        strokeLine(p, QPointF(-1.1, 1.2), QPointF(1.1, 1.2), c.coat->mouthInk, 0.75);
        break;
    case CatExpression::sad:
        strokeLine(p, QPointF(0, 0), QPointF(0, 0.7), c.coat->mouthInk, 0.7);
        strokePath(p, fp.frown, c.coat->mouthInk, 0.8);
        break;
    case CatExpression::grumpy:
        strokeLine(p, QPointF(0, 0), QPointF(0, 1.4), c.coat->mouthInk, 0.7);
        strokePath(p, fp.grumpy, c.coat->mouthInk, 0.8);
        break;
    case CatExpression::sick:
        strokePath(p, fp.wavy, c.coat->mouthInk, 0.75);
        break;
    case CatExpression::surprised:
        mouthEllipse(QPointF(0, 2.2), 1.1, 1.4);
        break;
    case CatExpression::eating:
        mouthEllipse(QPointF(0, 2.0), 1.7, 1.4);
        fillEllipse(p, QPointF(0, 2.8), 1.0, 0.6, kTongue);
        break;
    case CatExpression::meow:
        mouthPath(fp.meow);
        fillEllipse(p, QPointF(0, 3.9), 1.3, 0.9, kTongue);
        break;
    case CatExpression::dead:
        strokeLine(p, QPointF(-1.8, 1.2), QPointF(1.8, 1.2), c.coat->mouthInk, 0.8);
        fillEllipse(p, QPointF(0.7, 2.0), 0.65, 0.7, kTongue);
        break;
    }
    p.restore();
}

bool eyesShut(CatExpression e) {
    return e == CatExpression::happy || e == CatExpression::eating || e == CatExpression::asleep ||
           e == CatExpression::dead;
}

double cheekStrength(CatExpression e) {
    switch (e) {
    case CatExpression::happy: return 0.55;
    case CatExpression::love: return 0.65;
    case CatExpression::eating: return 0.5;
    case CatExpression::sick:
    case CatExpression::dead:
    case CatExpression::grumpy: return 0.0;
    default: return 0.3;
    }
}

void drawFeatures(QPainter& p, CatExpression e, const FaceCtx& c, double opacity) {
    if (opacity <= 0.001) return;
    const double old = p.opacity();
    p.setOpacity(old * opacity);
    const double cheeks = cheekStrength(e);
    if (cheeks > 0) {
        QColor ck = kCheek;
        ck.setAlphaF(float(cheeks));
        for (int side : {-1, 1})
            fillEllipse(p, c.shift + QPointF(side * (c.sh->eyeDx + 2.9), c.sh->noseY + 0.4), 2.0, 1.2, ck);
    }
    if (e == CatExpression::sick) {
        fillEllipse(p, c.shift + QPointF(0, c.sh->noseY + 1.2), 7.5, 4.0, rgba(0xB9D8A8, 110));
    }
    drawEyes(p, e, c);
    drawMouth(p, e, c);
    p.setOpacity(old);
}

void drawEars(QPainter& p, const HeadShapes& s, const CatCoat& c, bool fromBehind) {
    if (s.folded) {
        rimStable(p, s.earBack, s.earBackColor, c.outline);
        rimStable(p, s.earFront, s.earFrontColor, c.outline);
        return;
    }
    rimStable(p, s.earBack, s.earBackColor.darker(108), c.outline);
    rimStable(p, s.earFront, s.earFrontColor, c.outline);
    if (!fromBehind) {
        fillPath(p, s.innerBack, s.innerColor.darker(108));
        fillPath(p, s.innerFront, s.innerColor);
    }
    if (c.earTufts) {
        for (QPointF tip : {s.tipBack, s.tipFront}) {
            const double sx = tip.x() < 0 ? -1 : 1;
            strokeLine(p, tip, tip + QPointF(sx * 0.2, -2.8), c.outline, 1.1);
            strokeLine(p, tip + QPointF(sx * -0.6, 0.4), tip + QPointF(sx * -1.4, -1.8), c.outline, 0.7);
        }
    }
}

void drawSkull(QPainter& p, const HeadShapes& s, const CatCoat& c, bool fromBehind, bool hideEars, bool small);
void drawFace(QPainter& p, const HeadShapes& s, const CatCoat& c, const CatOutfit& outfit, const HeadLook& look,
              double minStroke);

}  // namespace

void drawHead30(QPainter& p, CatBreed breed, const CatOutfit& outfit, const HeadLook& look) {
    const CatCoat& c = coat(breed);
    const HeadShapes& s = shapes(breed);
    const bool hideEars = outfit.head && headPieceHidesEars(*outfit.head);
    // Pixels per unit as drawn: below 0.9 (a head under 27 px, as on the island) the face needs help
    // to read; the room's and the desktop's heads are drawn larger and keep their fine lines.
    const QTransform& t = p.worldTransform();
    const double px = std::hypot(t.m11(), t.m12());
    const bool small = px > 1e-6 && px < 0.9;

    using Layer = CatHead::Layer;
    const bool skull = look.layer == Layer::all || look.layer == Layer::skull;
    const bool face = look.layer == Layer::all || look.layer == Layer::face;
    const bool worn = look.layer == Layer::all || look.layer == Layer::worn;
    if (skull) drawSkull(p, s, c, look.fromBehind, hideEars, small);
    if (face && !look.fromBehind) drawFace(p, s, c, outfit, look, small ? kLeastStrokePx / px : 0.0);
    if (!worn) return;
    if (outfit.neck) drawNeckPiece(p, *outfit.neck, look.fromBehind);
    if (outfit.head) drawHeadPiece(p, *outfit.head, c, look.fromBehind);
    for (CatAccessory a : outfit.extras) drawExtraPiece(p, a, look.fromBehind);
}

namespace {

void drawSkull(QPainter& p, const HeadShapes& s, const CatCoat& c, bool fromBehind, bool hideEars, bool small) {
    if (!hideEars && !s.folded) drawEars(p, s, c, fromBehind);
    // the head itself
    rimStable(p, s.head, c.base, c.outline, 1.0);
    for (const Mark& m : fromBehind ? s.backMarks : s.marks) {
        p.setPen(Qt::NoPen);
        if (m.brush.style() != Qt::NoBrush) {
            if (fromBehind) continue;
            p.setBrush(small ? m.smallBrush : m.brush);
        } else {
            p.setBrush(m.color);
        }
        p.drawPath(m.path);
    }
    if (s.folded && !hideEars) {
        // folded ears lie on the crown, over its edge
        drawEars(p, s, c, fromBehind);
        if (!fromBehind) {
            strokePath(p, s.innerBack, s.innerColor.darker(105), 1.3);
            strokePath(p, s.innerFront, s.innerColor, 1.3);
        }
        strokePath(p, s.innerBack, c.outline, 0.55);
        strokePath(p, s.innerFront, c.outline, 0.55);
    }
}

void drawFace(QPainter& p, const HeadShapes& s, const CatCoat& c, const CatOutfit& outfit, const HeadLook& look,
              double minStroke) {
    {
        const double lx = std::clamp(look.look.x(), -1.0, 1.0);
        const double ly = std::clamp(look.look.y(), -1.0, 1.0);
        FaceCtx fc{&c, &s, QPointF(kFacing + 0.8 * lx, 0.5 * ly), QPointF(1.0 * lx, 0.8 * ly),
                   std::clamp(look.blink, 0.0, 1.0), c.eyeScale};
        if (minStroke > 0) {
            fc.minStroke = minStroke;
            fc.halo = kHalo;
        }
        const double mix = std::clamp(look.mix, 0.0, 1.0);
        if (look.previous && mix < 1.0 && *look.previous != look.expression) {
            // Between an open-eyed and a shut-eyed face the open eyes close as they fade, so the
            // change reads as a slow blink rather than two faces on top of each other.
            auto blend = [&](CatExpression e, CatExpression other, double weight) {
                if (eyesShut(other) && !eyesShut(e)) {
                    FaceCtx closing = fc;
                    closing.blink = std::max(fc.blink, 1.0 - weight);
                    drawFeatures(p, e, closing, std::min(1.0, 2.0 * weight));
                } else {
                    drawFeatures(p, e, fc, weight);
                }
            };
            blend(*look.previous, look.expression, 1.0 - mix);
            blend(look.expression, *look.previous, mix);
        } else {
            drawFeatures(p, look.expression, fc, 1.0);
        }
        // nose and whiskers belong to every face
        p.save();
        p.translate(fc.shift + QPointF(0, s.noseY));
        fillPath(p, facePaths().nose, c.nose);
        p.restore();
        QPen wp(c.whisker, 0.45, Qt::SolidLine, Qt::RoundCap);
        p.setPen(wp);
        for (int side : {-1, 1}) {
            const QPointF root = fc.shift + QPointF(side * (s.eyeDx + 2.4), s.noseY + 0.9);
            // whiskers reach just past the cheek, never beyond the frame
            const double reach = std::min(s.rx + 2.2, 15.4);
            p.drawLine(root, QPointF(side * reach, s.noseY - 0.6));
            p.drawLine(root + QPointF(0, 0.7), QPointF(side * (reach - 0.2), s.noseY + 2.4));
        }
        if (outfit.face) drawFacePiece(p, *outfit.face, fc.shift + QPointF(0, s.eyeY - 1.0), c);
    }
}

}  // namespace

}  // namespace art

bool CatHead::blinkShows() const {
    auto blinks = [](CatExpression e) { return !art::eyesShut(e); };
    return blinks(expression) || (blending() && blinks(*previous));
}

void CatHead::paint(QPainter& p, const CatEnv& env) const {
    const CatBreed b = breed.value_or(env.breed);
    const CatOutfit& worn = outfit ? *outfit : env.outfit;
    // The room and the desktop flip their whole cat to face left and also pass mirrored: the
    // figure's flip has then turned the head already, and mirroring it again would make it look
    // back over its shoulder. So mirror only when the painter is not already reflected or turned
    // round.
    const QTransform& world = p.worldTransform();
    const double det = world.m11() * world.m22() - world.m12() * world.m21();
    const bool turnedAlready = det < 0 || world.m11() < 0;
    const bool drawMirror = mirrored && !turnedAlready;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double k = size / 30.0;
    p.scale(k, k);
    // Sway turns the head on screen: clockwise for a positive sway, whatever the painter's flips.
    // A jolt from a physics step that went wrong must not wipe the face out: non-finite reads as still.
    const double swayDeg = std::isfinite(sway) ? std::clamp(sway * 12.0, -20.0, 20.0) * (det < 0 ? -1.0 : 1.0) : 0.0;
    if (swayDeg != 0) {
        p.translate(0, 12);
        p.rotate(swayDeg);
        p.translate(0, -12);
    }
    if (drawMirror) p.scale(-1, 1);
    // The gaze is a direction on screen: bring it into the drawing's own axes.
    const QPointF screen = std::isfinite(look.x()) && std::isfinite(look.y()) ? look : QPointF();
    QPointF gaze = screen;
    const double len = std::hypot(screen.x(), screen.y());
    if (len > 1e-9) {
        const QTransform& t = p.worldTransform();
        const double a = t.m11(), c = t.m21(), bb = t.m12(), d = t.m22();
        const double dt = a * d - c * bb;
        if (std::abs(dt) > 1e-12) {
            const QPointF v((d * screen.x() - c * screen.y()) / dt, (-bb * screen.x() + a * screen.y()) / dt);
            const double vl = std::hypot(v.x(), v.y());
            if (vl > 1e-12) gaze = v * (len / vl);
        }
    }
    art::HeadLook hl;
    hl.expression = expression;
    hl.previous = previous;
    hl.mix = mix;
    hl.look = gaze;
    hl.blink = blink;
    hl.fromBehind = fromBehind;
    hl.layer = layer;
    art::drawHead30(p, b, worn, hl);
    p.restore();
}

}  // namespace kp
