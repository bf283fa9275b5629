#include "scenery/HolidayDecor.h"

#include "cat/HeartPath.h"
#include "scenery/HolidayPaint.h"
#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"
#include "scenery/StarPath.h"

#include <QPainter>

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace kp {

using namespace props;

namespace {

constexpr double kRadToDeg = 180.0 / std::numbers::pi;

const char* const kCarnival[] = {"#F07A93", "#F2C14E", "#4FB3A9", "#8E5BC9", "#5E9BD6"};
const char* const kEaster[] = {"#F4A7B4", "#9ED6E4", "#FFE08A", "#C9B6F0", "#A8DCA0"};
const char* const kFesta[] = {"#E04F5F", "#F2C14E", "#5E9BD6", "#6FBF78", "#F07A93", "#E8873A"};
const char* const kChristmas[] = {"#D9454F", "#F2C14E", "#F7F4F0", "#5E9BD6"};
const char* const kBirthday[] = {"#F07A93", "#FFD27A", "#8FC5F0", "#8FCB8A", "#C9B6F0"};

const QPainterPath& pennantTriangle() {
    static const QPainterPath path = [] {
        QPainterPath t({-4, 0});
        t.lineTo(4, 0);
        t.lineTo(0, 8);
        t.closeSubpath();
        return t;
    }();
    return path;
}

void drawBat(QPainter& p) {
    const QColor ink = hex("#2C2230");
    strokeLine(p, {0, 0}, {0, 3}, ink, 0.5);
    static const QPainterPath wings = [] {
        QPainterPath w({0, 4});
        w.quadTo(-3, 1, -6, 2);
        w.quadTo(-6, 5, -4, 6);
        w.quadTo(-2, 5, 0, 6);
        w.quadTo(2, 5, 4, 6);
        w.quadTo(6, 5, 6, 2);
        w.quadTo(3, 1, 0, 4);
        w.closeSubpath();
        return w;
    }();
    fillPath(p, wings, ink);
    fillEllipse(p, QRectF(-1.5, 2.5, 3, 3.5), ink);
    fillEllipse(p, QRectF(-1, 3.4, 0.8, 0.8), hex("#FFD27A"));
    fillEllipse(p, QRectF(0.2, 3.4, 0.8, 0.8), hex("#FFD27A"));
}

struct WreathColours {
    const char* ring;
    const char* dashes;
    const char* bow;
};

WreathColours wreathColours(Holiday h) {
    switch (h) {
    case Holiday::newYear: return {"#B9C0CC", "#E3E7EE", "#F2C14E"};
    case Holiday::valentines: return {"#F4A7B4", "#FBD3DA", "#E04F5F"};
    case Holiday::carnival: return {"#8E5BC9", "#B892E6", "#4FB3A9"};
    case Holiday::easter: return {"#A8DCA0", "#D2EFCB", "#F4A7B4"};
    case Holiday::festaJunina: return {"#C9A055", "#E8C478", "#E04F5F"};
    case Holiday::halloween: return {"#5A3D78", "#7E5BA6", "#E8873A"};
    case Holiday::christmas: return {"#3F7A4A", "#5E9E5E", "#D9454F"};
    case Holiday::birthday: return {"#F2C14E", "#FFE08A", "#F07A93"};
    }
    return {"#3F7A4A", "#5E9E5E", "#D9454F"};
}

QPen dashedPen(const QColor& c, double width, double on, double off, Qt::PenCapStyle cap) {
    QPen pen(c, width, Qt::CustomDashLine, cap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    // Qt measures dashes in pen widths.
    pen.setDashPattern({on / width, off / width});
    pen.setDashOffset(0);
    return pen;
}

// The fir garland's rope. Antialiased stroking of a long dashed curve with round caps costs
// about a whole room frame, so the rope is rendered once at the painter's resolution and then
// drawn as an image; the last few rope shapes are kept.
struct FirRope {
    double width = -1, top = 0, sag = 0, unit = 0, margin = 0, sx = 0, sy = 0;
    QRectF bounds;
    QImage image;
};

void strokeFirRope(QPainter& p, const QPainterPath& rope, double unit) {
    QPen fir(hex("#3F7A4A"), 5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    fir.setMiterLimit(10);
    p.setPen(fir);
    p.setBrush(Qt::NoBrush);
    p.drawPath(rope);
    p.setPen(dashedPen(hex("#5E9E5E"), 3 * unit, 2 * unit, 3 * unit, Qt::RoundCap));
    p.drawPath(rope);
}

void drawFirRope(QPainter& p, const QPainterPath& rope, double width, double top, double sag, double unit,
                 double margin) {
    const QTransform t = p.deviceTransform();
    const double sx = std::hypot(t.m11(), t.m12());
    const double sy = std::hypot(t.m21(), t.m22());
    if (sx <= 0 || sy <= 0 || sx * width > 8192) {
        strokeFirRope(p, rope, unit);
        return;
    }
    static std::array<FirRope, 3> cache;
    static std::size_t next = 0;
    FirRope* hit = nullptr;
    for (FirRope& f : cache)
        if (f.width == width && f.top == top && f.sag == sag && f.unit == unit && f.margin == margin &&
            std::abs(f.sx - sx) < 1e-6 && std::abs(f.sy - sy) < 1e-6)
            hit = &f;
    if (hit == nullptr) {
        hit = &cache[next];
        next = (next + 1) % cache.size();
        const double pad = 3 * unit + 1;
        const QRectF bounds = rope.boundingRect().adjusted(-pad, -pad, pad, pad);
        QImage image(static_cast<int>(std::ceil(bounds.width() * sx)), static_cast<int>(std::ceil(bounds.height() * sy)),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing, true);
            ip.scale(sx, sy);
            ip.translate(-bounds.topLeft());
            strokeFirRope(ip, rope, unit);
        }
        *hit = FirRope{width, top, sag, unit, margin, sx, sy, bounds, std::move(image)};
    }
    const QRectF target(hit->bounds.topLeft(), QSizeF(hit->image.width() / sx, hit->image.height() / sy));
    scenery::drawShown(p, [&] { p.drawImage(target, hit->image); });
}

}  // namespace

namespace {

// The ornament `i` with the baubles' twinkle `twinkle` (-1...1) given.
void drawLitOrnament(QPainter& p, int i, Holiday holiday, double twinkle);

// After how many ornaments the colours and shapes repeat.
int ornamentPeriod(Holiday holiday) {
    switch (holiday) {
    case Holiday::christmas: return 4;
    case Holiday::newYear:
    case Holiday::valentines: return 2;
    case Holiday::festaJunina:
    case Holiday::halloween: return 6;
    default: return 5;
    }
}

// An ornament turned by `degrees` about its hook, from kept pictures of it already turned (in
// steps of half a degree, far below a pixel at its size) laid down straight: by its colour and
// shape; a bauble's twinkle is the opacity it is laid down with. `lay(key, box, opacity, draw)`
// lays each picture in turn, drawn by `draw(QPainter&)` over `box` when not kept yet.
template <typename Lay>
void ornamentPictures(int index, Holiday holiday, double time, double degrees, Lay&& lay) {
    const int i = std::max(index, 0);
    const int variant = i % ornamentPeriod(holiday);
    const long step = std::clamp(std::lround(degrees * 2), -720L, 720L);
    const double turn = step / 2.0;
    // A bauble and its glint keep within a small box; the other ornaments need the larger one.
    const QRectF box = holiday == Holiday::christmas ? QRectF(-6, -1, 12, 12) : QRectF(-12, -4, 24, 20);
    const auto key = [&](int part) {
        return 0x4F524E0000000000ull | static_cast<std::uint64_t>(holiday) << 32 | static_cast<std::uint64_t>(part) << 24 |
               static_cast<std::uint64_t>(variant) << 16 | static_cast<std::uint64_t>(step + 1024);
    };
    if (holiday != Holiday::christmas) {
        lay(key(0), box, 1.0, [&](QPainter& q) {
            q.rotate(turn);
            drawLitOrnament(q, variant, holiday, 0);
        });
        return;
    }
    // In steps of 1/64, far below what the eye tells apart on a bauble this size. The bauble, and
    // the hook with the glint, each in a box just large enough for it however far it turns: a
    // twinkle changes no pixel beyond the bauble.
    lay(key(2), QRectF(-4.5, 1.5, 9, 9), std::round(64 * (0.7 + 0.3 * std::sin(2 * time + 1.7 * i))) / 64, [&](QPainter& q) {
        q.rotate(turn);
        fillEllipse(q, QRectF(-3.5, 2.5, 7, 7), hex(kChristmas[variant]));
    });
    // The hook and the glint in one picture: the hook meets the bauble only along its rim's
    // top half-point, so laying it over the bauble looks the same.
    lay(key(3), QRectF(-3, 0, 6, 7), 1.0, [&](QPainter& q) {
        q.rotate(turn);
        q.fillRect(QRectF(-1, 1, 2, 1.5), hex("#B08A3A"));
        fillEllipse(q, QRectF(-2, 3.5, 2.2, 2), faded(Qt::white, 0.6));
    });
}

void drawOrnamentSprite(QPainter& p, int index, Holiday holiday, double time, double degrees) {
    ornamentPictures(index, holiday, time, degrees, [&p](std::uint64_t key, const QRectF& box, double opacity, auto&& draw) {
        const double was = p.opacity();
        p.setOpacity(was * opacity);
        drawSprite(p, key, box, draw);
        p.setOpacity(was);
    });
}

}  // namespace

void drawOrnament(QPainter& p, int index, Holiday holiday, double time) {
    const int i = std::max(index, 0);
    drawLitOrnament(p, i, holiday, holiday == Holiday::christmas ? std::sin(2 * time + 1.7 * i) : 0);
}

namespace {

void drawLitOrnament(QPainter& p, int i, Holiday holiday, double twinkle) {
    switch (holiday) {
    case Holiday::newYear: {
        strokeLine(p, {0, 0}, {0, 2}, hex("#B08A3A"), 0.5);
        static const QPainterPath star = starPath({0, 6}, 4);
        fillPath(p, star, hex(i % 2 == 0 ? "#F2C14E" : "#D8DDE6"));
        break;
    }
    case Holiday::valentines: {
        static const QPainterPath heart = heartPath({0, 5.5}, 8);
        fillPath(p, heart, hex(i % 2 == 0 ? "#E04F5F" : "#F4A7B4"));
        break;
    }
    case Holiday::carnival: {
        static const QPainterPath streamer = [] {
            QPainterPath s({0, 0});
            const QPointF pts[] = {{-1.65, 1.4}, {1.5, 2.8}, {-1.35, 4.2}, {1.2, 5.6},
                                   {-1.05, 7},   {0.9, 8.4}, {-0.75, 9.8}, {0.6, 11.2}};
            for (const QPointF& q : pts) s.lineTo(q);
            return s;
        }();
        strokePath(p, streamer, hex(kCarnival[i % 5]), 1, Qt::RoundCap, Qt::RoundJoin);
        fillEllipse(p, QRectF(-4, 4, 1.6, 1.6), hex(kCarnival[(i + 2) % 5]));
        fillEllipse(p, QRectF(1, 8, 1.6, 1.6), hex(kCarnival[(i + 3) % 5]));
        break;
    }
    case Holiday::easter: {
        const QRectF egg(-3.2, 1, 6.4, 8.4);
        fillEllipse(p, egg, hex(kEaster[i % 5]));
        static const QPainterPath clip = [] {
            QPainterPath c;
            c.addEllipse(QRectF(-3.2, 1, 6.4, 8.4));
            return c;
        }();
        p.save();
        p.setClipPath(clip, Qt::IntersectClip);
        p.fillRect(QRectF(-4, 4.6, 8, 1.4), faded(Qt::white, 0.8));
        p.restore();
        break;
    }
    case Holiday::festaJunina: {
        static const QPainterPath pennant = [] {
            QPainterPath f({-3.2, 0});
            f.lineTo(3.2, 0);
            f.lineTo(3.2, 8);
            f.lineTo(0, 6);
            f.lineTo(-3.2, 8);
            f.closeSubpath();
            return f;
        }();
        fillPath(p, pennant, hex(kFesta[i % 6]));
        break;
    }
    case Holiday::halloween:
        if (i % 3 == 1)
            drawBat(p);
        else
            fillPath(p, pennantTriangle(), hex(i % 2 == 0 ? "#E8873A" : "#6B4A8E"));
        break;
    case Holiday::christmas: {
        p.fillRect(QRectF(-1, 1, 2, 2), hex("#B08A3A"));
        fillEllipse(p, QRectF(-3.5, 2.5, 7, 7), faded(hex(kChristmas[i % 4]), 0.7 + 0.3 * twinkle));
        fillEllipse(p, QRectF(-2, 3.5, 2.2, 2), faded(Qt::white, 0.6));
        break;
    }
    case Holiday::birthday: fillPath(p, pennantTriangle(), hex(kBirthday[i % 5])); break;
    }
}

}  // namespace

void drawBalloonOrnament(QPainter& p, int index) {
    const QColor c = hex(kBirthday[std::max(index, 0) % 5]);
    fillEllipse(p, QRectF(-3.6, 1.5, 7.2, 8.6), c);
    fillEllipse(p, QRectF(-2.2, 2.8, 1.8, 2.4), faded(Qt::white, 0.55));
    static const QPainterPath knot = [] {
        QPainterPath k({-0.8, 0.2});
        k.lineTo(0.8, 0.2);
        k.lineTo(0, 1.8);
        k.closeSubpath();
        return k;
    }();
    fillPath(p, knot, c);
}

// ---- Garland -------------------------------------------------------------------------------

int HolidayGarland::ornamentCount(double width) const {
    const double q = width / (15 * unit);
    if (!std::isfinite(q)) return 5;  // a unit of 0 is outside the contract; keep a sane count
    const double clamped = std::clamp(q, 0.0, 1000.0);
    return std::max(static_cast<int>(clamped), 5);
}

void HolidayGarland::paint(QPainter& p, const QSizeF& size) const {
    // The rope (up to its control point), its pins and the ornaments hanging from it, with room
    // to spare: a band across the top of the room.
    const double m = std::min(pinned ? 3 * unit : -4.0, 0.0);
    const QRectF reach(m - 14 * unit - 2, top + std::min(2 * sag, 0.0) - 6 * unit - 2, size.width() - 2 * m + 28 * unit + 4,
                       std::abs(2 * sag) + 24 * unit + 4);
    paintAsLayer(p, dim ? 0.25 : 1, [&](QPainter& layer) { draw(layer, size); }, reach);
}

void HolidayGarland::draw(QPainter& p, const QSizeF& size) const {
    const double W = size.width();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double m = pinned ? 3 * unit : -4;

    QPainterPath& rope = scratchPath();
    rope.moveTo(m, top);
    rope.quadTo(W / 2, top + 2 * sag, W - m, top);
    p.setBrush(Qt::NoBrush);
    // The rope and its pins stand still: only the ornaments hanging from them move, each apart.
    std::optional<scenery::StillDrawing> still;
    still.emplace();
    if (holiday == Holiday::christmas) {
        drawFirRope(p, rope, W, top, sag, unit, m);
    } else {
        p.setPen(QPen(faded(hex("#5C4636"), 0.6), std::max(unit, 0.8), Qt::SolidLine, Qt::FlatCap));
        p.drawPath(rope);
    }

    if (pinned) {
        const double r = 2.2 * unit;
        for (const QPointF e : {QPointF(m, top), QPointF(W - m, top)}) {
            fillEllipse(p, QRectF(e.x() - r, e.y() - r, 2 * r, 2 * r), hex("#C94F6B"));
            fillEllipse(p, QRectF(e.x() - 0.4 * r, e.y() - 0.24 * r, 0.7 * r, 0.7 * r), faded(Qt::white, 0.6));
        }
    }

    still.reset();

    // The ornaments, all blended into one picture once a frame.
    static scenery::StripPicture strip;
    const int count = ornamentCount(W);
    const QRectF band(std::min(m, 0.0) - 13 * unit - 1, top - 5 * unit - 1, W - 2 * std::min(m, 0.0) + 26 * unit + 2,
                      std::max(sag, 0.0) + 22 * unit + 2);
    const auto place = [&](int i) {
        const double s = (i + 0.5) / count;
        return QPointF(m + (W - 2 * m) * s, top + 4 * sag * s * (1 - s));
    };
    // The sway and the twinkle repeat every 5π seconds: their sines are asked of the time within
    // that cycle, not of a clock reading too large for sin() to reduce quickly.
    const double cycle = std::fmod(time, 5 * 3.14159265358979323846);
    const auto turn = [&](int i) { return 0.08 * std::sin(1.6 * cycle + 0.9 * i) * kRadToDeg; };
    if (strip.prepare(p, static_cast<std::uint64_t>(holiday), band, time)) {
        if (strip.due()) {
            const double scale = strip.scale() * unit;
            for (int i = 0; i < count; ++i) {
                const QPointF at = strip.toPicture(place(i));
                // Every ornament keeps within the larger of its boxes.
                if (!strip.shows(QRectF(at + QPointF(-12, -4) * scale, QSizeF(24, 20) * scale).adjusted(-2, -2, 2, 2)))
                    continue;
                ornamentPictures(i, holiday, cycle, turn(i), [&](std::uint64_t key, const QRectF& box, double opacity, auto&& draw) {
                    const QPointF corner = at + box.topLeft() * scale;
                    strip.blendKept(key, scale, box, QPoint(int(std::lround(corner.x())), int(std::lround(corner.y()))),
                                    opacity, draw);
                });
            }
        }
        strip.lay(p);
    } else {
        // Each ornament is placed from the same base transform (cheaper than a save per ornament).
        const QTransform base = p.worldTransform();
        for (int i = 0; i < count; ++i) {
            p.setWorldTransform(base);
            p.translate(place(i));
            p.scale(unit, unit);
            drawOrnamentSprite(p, i, holiday, cycle, turn(i));
        }
    }
    p.restore();
}

void HolidayGarland::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.topLeft());
    paint(p, frame.size());
    p.restore();
}

// ---- Wreath --------------------------------------------------------------------------------

void HolidayWreath::paint(QPainter& p, const QSizeF& size) const {
    paintAsLayer(p, dim ? 0.25 : 1, [&](QPainter& layer) { draw(layer, size); });
}

void HolidayWreath::draw(QPainter& p, const QSizeF& size) const {
    const double u = unit;
    const double cx = size.width() / 2;
    const double cy = size.height() / 2;
    const double R = 11 * u;
    const WreathColours colours = wreathColours(holiday);
    const QColor bow = hex(colours.bow);
    // The hanger with the ring, and the bow, stand still: kept pictures about the wreath's centre.
    const auto key = [&](int part) {
        return 0x5752544800000000ull | static_cast<std::uint64_t>(holiday) << 8 | static_cast<std::uint64_t>(part);
    };

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(cx, cy);
    drawSprite(p, key(0), QRectF(-15 * u, -19 * u, 30 * u, 34 * u), [&](QPainter& q) {
        strokeLine(q, {0, -R - 6 * u}, {0, -R}, bow, 1.2 * u);
        fillEllipse(q, QRectF(-u, -R - 7 * u, 2 * u, 2 * u), hex("#8A7A6E"));
        const QRectF ring(-R, -R, 2 * R, 2 * R);
        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(hex(colours.ring), 5 * u, Qt::SolidLine, Qt::FlatCap));
        q.drawEllipse(ring);
        q.setPen(dashedPen(hex(colours.dashes), 3 * u, 2 * u, 3 * u, Qt::FlatCap));
        q.drawEllipse(ring);
    });
    p.translate(-cx, -cy);

    const QTransform base = p.worldTransform();
    for (int k = 0; k < 7; ++k) {
        const double a = k * 2 * std::numbers::pi / 7 - std::numbers::pi / 2 + std::numbers::pi / 7;
        p.setWorldTransform(base);
        p.translate(cx + R * std::cos(a), cy + R * std::sin(a) - 3 * u);
        p.scale(0.7 * u, 0.7 * u);
        drawOrnamentSprite(p, k, holiday, time, 0.06 * std::sin(k + 1.4 * time) * kRadToDeg);
    }
    p.setWorldTransform(base);

    p.translate(cx, cy);
    drawSprite(p, key(1), QRectF(-9 * u, 4 * u, 18 * u, 16 * u), [&](QPainter& q) {
        const QPointF B(0, R);
        for (const double s : {-1.0, 1.0}) {
            QPainterPath& loop = scratchPath();
            loop.moveTo(B);
            loop.quadTo(2 * s * u, B.y() - 5 * u, 5 * s * u, B.y() - 3 * u);
            loop.quadTo(6 * s * u, B.y() + u, B.x(), B.y());
            fillPath(q, loop, bow);
            QPen tail(bow, 1.6 * u, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
            q.setPen(tail);
            q.drawLine(B, QPointF(3 * s * u, B.y() + 7 * u));
        }
        fillEllipse(q, QRectF(-1.5 * u, B.y() - 1.5 * u, 3 * u, 3 * u), bow);
    });
    p.restore();
}

void HolidayWreath::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.topLeft());
    paint(p, frame.size());
    p.restore();
}

// ---- Mobiles -------------------------------------------------------------------------------

void HolidayMobiles::paint(QPainter& p, const QSizeF& size) const {
    if (xs.empty() || lengths.empty()) return;
    paintAsLayer(p, dim ? 0.25 : 1, [&](QPainter& layer) { draw(layer, size); });
}

void HolidayMobiles::draw(QPainter& p, const QSizeF& size) const {
    const double W = size.width();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPen stringPen(faded(hex("#5C4636"), 0.5), std::max(0.7 * unit, 0.6), Qt::SolidLine, Qt::FlatCap);
    const QTransform base = p.worldTransform();
    for (std::size_t i = 0; i < xs.size(); ++i) {
        p.setWorldTransform(base);
        const double L = lengths[i % lengths.size()] * unit;
        const QPointF anchor(xs[i] * W, top);
        // Swinging a small part of a pixel a frame: in steps that move the ornament's far side a
        // quarter of a device pixel.
        const double theta =
            scenery::steppedTurn(p, 0.07 * std::sin(1.1 * time + 1.9 * static_cast<double>(i)) * kRadToDeg, L + 14 * unit) /
            kRadToDeg;
        const QPointF end(anchor.x() + L * std::sin(theta), top + L * std::cos(theta));
        p.setPen(stringPen);
        p.drawLine(anchor, end);
        p.translate(end);
        p.scale(1.2 * unit, 1.2 * unit);
        const int index = static_cast<int>(i);
        if (holiday == Holiday::birthday) {
            p.rotate(-theta * kRadToDeg);
            drawBalloonOrnament(p, index);
        } else {
            drawOrnamentSprite(p, holiday == Holiday::halloween ? 3 * index + 1 : index, holiday, time, -theta * kRadToDeg);
        }
    }
    p.restore();
}

void HolidayMobiles::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.topLeft());
    paint(p, frame.size());
    p.restore();
}

}  // namespace kp
