#include "cat/art/CatParts.h"

#include "platform/ImageInk.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kp {

namespace {

// Drawings kept of each part at one device pixel a point: enough for a breath's every step.
constexpr qsizetype kKeptBytes = 768 * 1024;

bool wearsBow(const CatEnv& env) {
    return env.outfit.body == CatAccessory::tailBow || env.outfit.body == CatAccessory::tailBowBlue;
}

double slot(const std::optional<CatAccessory>& a) { return a ? double(*a) : -1.0; }

// The head frame (its centre at the origin) in the figure's anchor frame.
QTransform headPlace(const CatPartsLook& f) {
    QTransform m;
    m.translate(f.headCentre.x(), f.headCentre.y());
    m.rotate(f.headTilt);
    m.scale(f.headScale, f.headScale);
    return m * f.headFigure.value_or(f.figure);
}

// The head's drawing reaches at most 48 units from its centre (a tall hat).
constexpr double kHeadExtent = 48;

}  // namespace

Fingerprint& Fingerprint::add(double v) {
    if (v == 0) v = 0;  // -0 and 0 draw alike
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return addBits(bits);
}

Fingerprint& Fingerprint::add(const QTransform& m) {
    return add(m.m11()).add(m.m12()).add(m.m13()).add(m.m21()).add(m.m22()).add(m.m23()).add(m.m31()).add(m.m32()).add(m.m33());
}

Fingerprint& Fingerprint::add(const CatEnv& env) {
    const CatOutfit& o = env.outfit;
    add(double(env.breed)).add(slot(o.head)).add(slot(o.face)).add(slot(o.neck)).add(slot(o.body)).add(slot(o.feet));
    add(double(o.extras.size()));
    for (CatAccessory a : o.extras) add(double(a));
    return *this;
}

Fingerprint& Fingerprint::addBits(std::uint64_t v) {
    // A word at a time, every bit of it stirred into every bit of the sum.
    v ^= v >> 33;
    v *= 0xFF51AFD7ED558CCDULL;
    v ^= v >> 33;
    h_ = (h_ ^ v) * 0x100000001B3ULL;
    h_ ^= h_ >> 29;
    return *this;
}

Fingerprint& Fingerprint::add(const QString& text) { return addBits(qHash(text)); }

void CatParts::paintPart(QPainter& p, const CatPartsLook& f, int which) {
    p.save();
    const QTransform anchor = p.worldTransform();
    p.setTransform(which == tail || which == tailBow ? f.tailFigure.value_or(f.figure) : f.figure, true);
    if (f.back) {
        if (which == underTail) f.backView.paint(p, f.env);
        p.restore();
        return;
    }
    using Pass = CatBody::Pass;
    CatBody body = f.body;
    body.pawOnTop = true;
    switch (which) {
    case underTail: body.pass = Pass::underTail; break;
    case tail: body.pass = Pass::tail; break;
    case overTail: body.pass = Pass::overTail; break;
    case tailBow: body.pass = Pass::tailBow; break;
    case head:
    case face:
    case headWorn: {
        p.setWorldTransform(headPlace(f) * anchor);
        paintHeadLayer(p, f, which);
        p.restore();
        return;
    }
    case frontPaw:
        if (f.frontPaw) CatFrontPaw{f.body.pawAngle, f.body.pawRaise, f.body.sit, f.body.breed}.paint(p, f.env);
        p.restore();
        return;
    }
    body.paint(p, f.env);
    p.restore();
}

void CatParts::paintHeadLayer(QPainter& p, const CatPartsLook& f, int which) {
    CatHead h = f.head;
    h.layer = which == head ? CatHead::Layer::skull : which == face ? CatHead::Layer::face : CatHead::Layer::worn;
    h.paint(p, f.env);
    if (f.tongueY && which == headWorn) {
        static const QColor tongue(0xF2, 0x8A, 0xA0);
        p.setPen(Qt::NoPen);
        p.setBrush(tongue);
        p.drawRoundedRect(QRectF(1 - 2, *f.tongueY - 1.5, 4, 3), 1.5, 1.5);
    }
}

void CatParts::paintAll(QPainter& p, const CatPartsLook& look) {
    for (int i = 0; i < count; ++i) paintPart(p, look, i);
}

CatParts::Keys CatParts::keysOf(const CatPartsLook& f, std::optional<Wash> together) {
    // What every part shares: at what pixel size, in which clothes.
    Fingerprint drawn;
    drawn.add(f.dpr).add(double(f.version)).add(f.env).add(double(f.back));
    // What the body's parts share besides: where they are drawn.
    Fingerprint common = drawn;
    common.add(f.figure).add(double(f.body.lying)).add(f.body.sit);
    Keys k;
    k.box = f.figure.mapRect(f.area).toAlignedRect();
    // The body stays as it is while only the tail sways; the legs move it. The tail is drawn in the
    // body's box, wherever its own frame lies.
    Fingerprint still = common, paw = common, tailKey = drawn;
    tailKey.add(f.tailFigure.value_or(f.figure)).add(QRectF(k.box)).add(double(f.body.lying)).add(f.body.sit);
    if (f.back) {
        const CatBack& b = f.backView;
        still.add(b.tail).add(b.tilt).add(b.turn).add(b.headScale);
    } else {
        still.add(f.body.swing);
    }
    tailKey.add(f.body.tail);
    // The head's layers are drawn in device pixels about the head's centre, at the fraction of a
    // pixel it lies off the grid, and laid down on whole pixels: wherever the figure's box lies,
    // a head moved, turned and scaled alike finds the drawings it made before.
    Fingerprint headKey = drawn;
    if (!f.back) {
        const QTransform full = headPlace(f) * QTransform::fromTranslate(-k.box.left(), -k.box.top()) *
                                QTransform::fromScale(f.dpr, f.dpr);
        const double m11 = full.m11(), m12 = full.m12(), m21 = full.m21(), m22 = full.m22();
        const int reach =
            int(std::ceil(kHeadExtent * std::max(std::abs(m11) + std::abs(m21), std::abs(m12) + std::abs(m22)))) + 2;
        // The fraction of a pixel the head lies off the grid, less the rounding of its sums.
        const double x = std::floor(full.dx()), y = std::floor(full.dy());
        const double phaseX = steppedTo(full.dx() - x, 1.0 / 4096), phaseY = steppedTo(full.dy() - y, 1.0 / 4096);
        k.headFrame = QTransform(m11, m12, m21, m22, reach + phaseX, reach + phaseY);
        k.headPixels = QSize(2 * reach + 2, 2 * reach + 2);
        k.headAt = QPoint(int(x) - reach, int(y) - reach);
    }
    // The skull and what it wears stay while the face blinks, glances or changes; a blink the
    // face does not show (its eyes already shut) or a blend that is over draws nothing.
    const CatHead& h = f.head;
    headKey.add(k.headFrame).add(h.sway).add(double(h.mirrored)).add(h.size).add(double(h.fromBehind));
    Fingerprint faceKey = headKey, wornKey = headKey;
    faceKey.add(double(h.expression)).add(h.look).add(h.blinkShows() ? h.blink : 0.0);
    if (h.blending()) faceKey.add(double(*h.previous)).add(h.mix);
    wornKey.add(f.tongueY.value_or(-1e9));
    const CatOutfit& o = f.env.outfit;
    paw.add(double(f.frontPaw)).add(f.body.pawAngle).add(f.body.pawRaise);
    // The parts this look has, and the look of each.
    k.has[underTail] = true;
    k.part[underTail] = Fingerprint(still).addBits(underTail).value();
    if (!f.back) {
        k.has[tail] = k.has[overTail] = k.has[head] = true;
        k.has[face] = !h.fromBehind;
        k.has[headWorn] = o.neck || o.head || !o.extras.empty() || f.tongueY;
        k.has[frontPaw] = f.frontPaw;
        k.has[tailBow] = wearsBow(f.env);
        k.part[tail] = tailKey.value();
        k.part[overTail] = Fingerprint(still).addBits(overTail).value();
        k.part[tailBow] = Fingerprint(tailKey).addBits(tailBow).value();
        k.part[head] = Fingerprint(headKey).addBits(head).value();
        k.part[face] = Fingerprint(faceKey).addBits(face).value();
        k.part[headWorn] = Fingerprint(wornKey).addBits(headWorn).value();
        k.part[frontPaw] = paw.value();
    }
    for (int i = 0; i < count; ++i) {
        k.shape[i] = k.part[i];
        if (ofHead(i)) k.part[i] = Fingerprint().addBits(k.part[i]).add(QPointF(k.headAt)).value();
    }
    Fingerprint whole;
    whole.add(QRectF(k.box)).add(double(together.has_value()));
    if (together) whole.add(double(together->tint)).add(double(together->desaturate));
    for (int i = 0; i < count; ++i) whole.addBits(k.has[i] ? k.part[i] : 0);
    k.whole = whole.value();
    return k;
}

bool CatParts::needsDrawing(const CatPartsLook& look, std::optional<Wash> together) const {
    return needsDrawing(keysOf(look, together));
}

bool CatParts::needsDrawing(const Keys& k) const {
    if (k.whole == key_) return false;
    for (int i = 0; i < count; ++i) {
        if (k.has[i] && parts_[i].now.key != k.part[i] && !keeps(parts_[i], k.shape[i])) return true;
    }
    return false;
}

void CatParts::clear() {
    for (Slot& s : parts_) s = {};
    scratch_ = {};
    headScratch_ = {};
    together_ = {};
    togetherInk_ = {};
    key_ = 0;
}

std::uint64_t CatParts::update(const CatPartsLook& f, std::optional<Wash> together) {
    return update(f, keysOf(f, together), together);
}

std::uint64_t CatParts::update(const CatPartsLook& f, const Keys& k, std::optional<Wash> together) {
    if (k.whole == key_) return key_;
    // Every key holds the figure's transform, and so the box its drawing was made in.
    box_ = k.box;
    for (int i = 0; i < count; ++i) {
        Slot& part = parts_[i];
        part.shown = k.has[i];
        if (k.has[i] && part.now.key != k.part[i]) {
            part.now = drawing(part, f, i, k);
            part.now.key = k.part[i];
            if (ofHead(i)) part.now.ink.translate(k.headAt);
        }
    }
    if (together) {
        const QSize pixels = (QSizeF(box_.size()) * f.dpr).toSize();
        if (together_.size() != pixels) together_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        together_.setDevicePixelRatio(1);  // laid in device pixels, pixel for pixel
        together_.fill(Qt::transparent);
        togetherInk_ = QRect();
        {
            QPainter p(&together_);
            for (const Slot& part : parts_) {
                if (!part.shown || part.now.ink.isEmpty()) continue;
                p.drawImage(part.now.ink, part.now.image, QRectF(part.now.image.rect()));
                togetherInk_ |= part.now.ink;
            }
        }
        wash(together_, togetherInk_, *together);
        together_.setDevicePixelRatio(f.dpr);
    }
    key_ = k.whole;
    return key_;
}

bool CatParts::keeps(const Slot& slot, std::uint64_t key) {
    return std::any_of(slot.kept.begin(), slot.kept.end(), [key](const Kept& k) { return k.drawn.key == key; });
}

const CatParts::Drawn& CatParts::drawing(Slot& part, const CatPartsLook& f, int which, const Keys& k) {
    const std::uint64_t key = k.shape[which];
    auto kept = std::find_if(part.kept.begin(), part.kept.end(), [key](const Kept& k) { return k.drawn.key == key; });
    if (kept != part.kept.end()) {
        kept->used = ++uses_;
        return kept->drawn;
    }
    const bool ofTheHead = ofHead(which);
    QImage& scratch = ofTheHead ? headScratch_ : scratch_;
    const QSize pixels = ofTheHead ? k.headPixels : (QSizeF(box_.size()) * f.dpr).toSize();
    if (scratch.size() != pixels) scratch = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    scratch.setDevicePixelRatio(f.dpr);
    scratch.fill(Qt::transparent);
    {
        QPainter p(&scratch);
        p.setRenderHint(QPainter::Antialiasing);
        if (ofTheHead) {
            p.setWorldTransform(k.headFrame * QTransform::fromScale(1 / f.dpr, 1 / f.dpr));
            paintHeadLayer(p, f, which);
        } else {
            p.translate(-box_.topLeft());
            paintPart(p, f, which);
        }
    }
    ++drawings_;
    ++part.drawings;
    Drawn drawn{key, {}, inkBox(scratch)};
    if (!drawn.ink.isEmpty()) drawn.image = scratch.copy(drawn.ink);
    drawn.image.setDevicePixelRatio(f.dpr);
    // A few hundred kilobytes a part, as many drawings at any scale: the longest unseen go first.
    const qsizetype most = qsizetype(kKeptBytes * std::max(1.0, f.dpr * f.dpr));
    part.bytes += drawn.image.sizeInBytes();
    while (part.bytes > most && !part.kept.empty()) {
        auto oldest = std::min_element(part.kept.begin(), part.kept.end(),
                                       [](const Kept& a, const Kept& b) { return a.used < b.used; });
        part.bytes -= oldest->drawn.image.sizeInBytes();
        if (oldest != part.kept.end() - 1) *oldest = std::move(part.kept.back());
        part.kept.pop_back();
    }
    part.kept.push_back({std::move(drawn), ++uses_});
    return part.kept.back().drawn;
}

void CatParts::wash(QImage& img, const QRect& area, Wash how) {
    if (!how.tint && !how.desaturate) return;
    // Premultiplied pixels: scaling the colour channels keeps them valid.
    constexpr double tr = 0.72, tg = 0.95, tb = 0.70, sat = 0.55;
    const QRect box = area.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            if (a == 0) continue;
            double r = qRed(px), g = qGreen(px), b = qBlue(px);
            if (how.tint) {
                r *= tr;
                g *= tg;
                b *= tb;
            }
            if (how.desaturate) {
                const double lum = 0.2126 * r + 0.7152 * g + 0.0722 * b;
                r = lum + sat * (r - lum);
                g = lum + sat * (g - lum);
                b = lum + sat * (b - lum);
            }
            auto clampTo = [a](double v) { return std::clamp(static_cast<int>(v + 0.5), 0, a); };
            line[x] = qRgba(clampTo(r), clampTo(g), clampTo(b), a);
        }
    }
}

}  // namespace kp
