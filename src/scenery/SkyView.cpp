#include "scenery/SkyView.h"

#include "life/SkyClock.h"
#include "platform/Color.h"
#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"
#include "scenery/WindowRain.h"

#include <QBrush>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>

namespace kp {

using scenery::faded;
using scenery::frac;

namespace {

constexpr int kTimes = 5;
constexpr int kWeathers = 5;

std::array<QColor, 2> pair(const char* top, const char* bottom) { return {colorFromHex(top), colorFromHex(bottom)}; }

std::array<QColor, 2> timePair(SkyTime t) {
    switch (t) {
    case SkyTime::morning: return pair("#F7B9A8", "#FBE3C4");
    case SkyTime::day: return pair("#7FC0EE", "#D4ECFA");
    case SkyTime::afternoon: return pair("#8DB8E0", "#F6D79A");
    case SkyTime::sunset: return pair("#6C5B9E", "#F29A6A");
    case SkyTime::night: break;
    }
    return pair("#141D38", "#33416E");
}

std::array<QColor, 2> weatherPair(SkyWeather w, bool night) {
    switch (w) {
    case SkyWeather::cloudy: return night ? pair("#1C2236", "#3A4258") : pair("#9AA8B8", "#D3DAE2");
    case SkyWeather::rain: return night ? pair("#151A2A", "#2C3446") : pair("#77869A", "#AEB9C6");
    case SkyWeather::snow: return night ? pair("#25304A", "#56627E") : pair("#B8C4D2", "#EEF2F6");
    case SkyWeather::storm: return night ? pair("#0E111C", "#232838") : pair("#4F5868", "#7E8796");
    case SkyWeather::clear: break;
    }
    return {};
}

struct StarSpot {
    double x, y;
};
constexpr StarSpot kStars[7] = {{0.12, 0.20}, {0.30, 0.12}, {0.45, 0.32}, {0.18, 0.50},
                                {0.86, 0.10}, {0.60, 0.18}, {0.92, 0.45}};

struct SunSpot {
    double x, y, d;
    const char* colour;
};
constexpr SunSpot kSuns[4] = {{0.25, 0.62, 0.30, "#FFD9A0"},
                              {0.72, 0.22, 0.24, "#FFF2B0"},
                              {0.70, 0.40, 0.27, "#FFD27A"},
                              {0.55, 0.78, 0.36, "#FF9F6A"}};

constexpr double kGlowBlur = 0.12;  // of h

int cloudCount(SkyLook look) {
    switch (look.weather) {
    case SkyWeather::clear: return look.time == SkyTime::night ? 0 : 1;
    case SkyWeather::cloudy: return 4;
    case SkyWeather::rain: return 4;
    case SkyWeather::snow: return 3;
    case SkyWeather::storm: return 5;
    }
    return 0;
}

// Everything that does not change from frame to frame, built once.
struct SkyCache {
    QBrush gradient[kTimes][kWeathers];
    QBrush sunDisc[4];
    QBrush sunGlow[4];
    QColor cloudTint[kTimes][kWeathers];
    QColor moonLightColour = colorFromHex("#F4EDC8");

    SkyCache() {
        for (int t = 0; t < kTimes; ++t)
            for (int w = 0; w < kWeathers; ++w) {
                const SkyLook look{SkyTime(t), SkyWeather(w)};
                const auto c = SkyView::skyColors(look);
                QLinearGradient g(0, 0, 0, 1);
                g.setCoordinateMode(QGradient::ObjectBoundingMode);
                g.setColorAt(0, c[0]);
                g.setColorAt(1, c[1]);
                gradient[t][w] = QBrush(g);
                cloudTint[t][w] = SkyView::cloudTint(SkyTime(t), SkyWeather(w));
            }
        for (int i = 0; i < 4; ++i) {
            const QColor c = colorFromHex(kSuns[i].colour);
            sunDisc[i] = QBrush(c);
            // The glow: the disc's colour fading out over about one blur radius past its rim.
            const double r = kSuns[i].d / 2;
            const double outer = r + 1.6 * kGlowBlur;
            QRadialGradient g(0.5, 0.5, 0.5);
            g.setCoordinateMode(QGradient::ObjectBoundingMode);
            g.setColorAt(0, faded(c, 0.8));
            g.setColorAt(r / outer, faded(c, 0.55));
            g.setColorAt((r + 0.5 * kGlowBlur) / outer, faded(c, 0.22));
            g.setColorAt(1, faded(c, 0));
            sunGlow[i] = QBrush(g);
        }
    }
};

const SkyCache& cache() {
    static const SkyCache c;
    return c;
}

// Large soft or see-through shapes (clouds, the sun's glow) cost far more to rasterise with
// antialiasing than to copy, so each is drawn once into a small image at the painter's device
// scale and then placed. A few sizes are kept: one sky, or a window's and a room's together.
class SpriteCache {
public:
    struct Key {
        int kind = -1;
        int variant = 0;
        double size = 0;   // in device pixels
        QRgb colour = 0;
        double scale = 0;  // device pixels per point: the same pixels at another scale are another size
        bool operator==(const Key&) const = default;
    };

    // The sprite for `key`, drawn by `paint` (in local units, origin at the sprite's top-left)
    // into an image of `localSize` at device scale `scale` when it is not kept yet.
    template <typename Paint>
    const QImage& get(const Key& key, QSizeF localSize, double scale, Paint&& paint) {
        Key scaled = key;
        scaled.scale = scale;
        for (Entry& e : entries_)
            if (e.key == scaled) return e.image;
        Entry& e = entries_[next_];
        next_ = (next_ + 1) % int(entries_.size());
        e.key = scaled;
        e.image = QImage(std::max(1, int(std::ceil(localSize.width() * scale))),
                         std::max(1, int(std::ceil(localSize.height() * scale))), QImage::Format_ARGB32_Premultiplied);
        e.image.fill(Qt::transparent);
        QPainter ip(&e.image);
        ip.setRenderHint(QPainter::Antialiasing);
        ip.setPen(Qt::NoPen);
        ip.scale(scale, scale);
        paint(ip);
        ip.end();
        e.image.setDevicePixelRatio(scale);
        return e.image;
    }

private:
    struct Entry {
        Key key;
        QImage image;
    };
    std::array<Entry, 16> entries_;
    int next_ = 0;
};

SpriteCache& sprites() {
    static SpriteCache c;  // one thread at a time
    return c;
}

// The painter's uniform device scale, or 0 when it turns, shears or stretches unevenly.
double uniformScale(const QPainter& p) {
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxScale || !(t.m11() > 0) || std::abs(t.m11() - t.m22()) > 1e-9) return 0;
    return t.m11();
}

// The moon's lit crescent alone (the shadow disc cut away, not painted over it) in a sky `h`
// high, built at the device's pixel size so its curves are flattened finely enough.
QPainterPath moonCrescent(QPointF centre, double h, double deviceScale) {
    const double k = h * (deviceScale > 0 ? deviceScale : 1);
    QPainterPath lit;
    lit.addEllipse(QPointF(0, 0), 0.11 * k, 0.11 * k);
    QPainterPath dark;
    dark.addEllipse(QPointF(0.07 * k, -0.04 * k), 0.10 * k, 0.10 * k);
    QTransform back;
    back.translate(centre.x(), centre.y());
    back.scale(h / k, h / k);
    return back.map(lit.subtracted(dark));
}

// The same, kept: the moon stands still, and cutting one disc from another costs far more than
// drawing it. A few skies at a time (a room's windows, the garden's); one thread at a time.
const QPainterPath& keptMoonCrescent(QPointF centre, double h, double deviceScale) {
    struct Kept {
        QPointF centre;
        double h = -1, scale = -1;
        QPainterPath path;
    };
    static std::array<Kept, 4> kept;
    static int next = 0;
    for (const Kept& k : kept)
        if (k.centre == centre && k.h == h && k.scale == deviceScale) return k.path;
    Kept& k = kept[static_cast<std::size_t>(next)];
    next = (next + 1) % static_cast<int>(kept.size());
    k = {centre, h, deviceScale, moonCrescent(centre, h, deviceScale)};
    return k.path;
}

// A rectangle with rounded corners, the curves the raster engine itself gives it, built without
// the arcs' sines and cosines (the beads' trails are built twice a frame).
QPainterPath roundedRectPath(const QRectF& r, double rx, double ry) {
    constexpr double k = 1 - 0.5522847498;
    const double x1 = r.left(), x2 = r.right(), y1 = r.top(), y2 = r.bottom();
    rx = std::min(rx, r.width() / 2);
    ry = std::min(ry, r.height() / 2);
    QPainterPath path;
    path.moveTo(x1 + rx, y1);
    path.lineTo(x2 - rx, y1);
    path.cubicTo(x2 - k * rx, y1, x2, y1 + k * ry, x2, y1 + ry);
    path.lineTo(x2, y2 - ry);
    path.cubicTo(x2, y2 - k * ry, x2 - k * rx, y2, x2 - rx, y2);
    path.lineTo(x1 + rx, y2);
    path.cubicTo(x1 + k * rx, y2, x1, y2 - k * ry, x1, y2 - ry);
    path.lineTo(x1, y1 + ry);
    path.cubicTo(x1, y1 + k * ry, x1 + k * rx, y1, x1 + rx, y1);
    return path;
}

}  // namespace

std::array<QColor, 2> SkyView::blend(const std::array<QColor, 2>& weather, const std::array<QColor, 2>& time) {
    return {scenery::mix(time[0], weather[0], 0.18), scenery::mix(time[1], weather[1], 0.18)};
}

std::array<QColor, 2> SkyView::skyColors(SkyLook look) {
    const auto t = timePair(look.time);
    if (look.weather == SkyWeather::clear) return t;
    return blend(weatherPair(look.weather, look.time == SkyTime::night), t);
}

QColor SkyView::cloudTint(SkyTime time, SkyWeather weather) {
    if (weather == SkyWeather::rain) return colorFromHex("#8592A3");
    if (weather == SkyWeather::storm) return colorFromHex("#3A4150");
    if (time == SkyTime::night) return colorFromHex("#4A5574");
    return QColor(255, 255, 255);
}

void SkyView::paint(QPainter& p, const QRectF& rect) const {
    const double w = rect.width();
    const double h = rect.height();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return;
    const SkyCache& c = cache();
    const int ti = int(look.time);
    const int wi = int(look.weather);
    const bool night = look.time == SkyTime::night;
    const bool clear = look.weather == SkyWeather::clear;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(rect, Qt::IntersectClip);
    p.translate(rect.topLeft());
    p.setPen(Qt::NoPen);

    // 1. Gradient. Full-view fills go without antialiasing: their edges are the clip's anyway.
    p.setRenderHint(QPainter::Antialiasing, false);
    {
        const scenery::StillDrawing still;
        p.fillRect(QRectF(0, 0, w, h), c.gradient[ti][wi]);
    }
    p.setRenderHint(QPainter::Antialiasing);

    // 2. Stars.
    // Each a kept picture of its dot, laid as faded as it twinkles.
    if (night) {
        const double f = clear ? 1.0 : 0.25;
        const double was = p.opacity();
        for (int i = 0; i < 7; ++i) {
            const double o = f * (0.45 + 0.45 * std::sin(1.7 * i + 2 * time));
            const QPointF at(kStars[i].x * w, kStars[i].y * h);
            p.setOpacity(was * std::clamp(o, 0.0, 1.0));
            scenery::drawStillSprite(p, 0x5354415200000000ull, QRectF(at - QPointF(1.5, 1.5), QSizeF(3, 3)),
                                     [&](QPainter& q) {
                                         q.setPen(Qt::NoPen);
                                         q.setBrush(Qt::white);
                                         q.drawEllipse(at, 0.65, 0.65);
                                     });
        }
        p.setOpacity(was);
    }

    // 3. Sun or moon.
    if (!isRainy(look.weather)) {
        const scenery::StillDrawing still;
        if (!night) {
            const SunSpot& s = kSuns[ti];
            const QPointF centre(s.x * w, s.y * h);
            const double r = s.d * h / 2;
            p.setOpacity(clear ? 1.0 : 0.4);
            const double outer = r + 1.6 * kGlowBlur * h;
            auto drawSun = [&](QPainter& q, QPointF at) {
                q.setBrush(c.sunGlow[ti]);
                q.drawEllipse(at, outer, outer);
                q.setBrush(c.sunDisc[ti]);
                q.drawEllipse(at, r, r);
            };
            if (const double scale = uniformScale(p); scale > 0) {
                const QSizeF box(2 * outer + 2, 2 * outer + 2);
                const QImage& sun = sprites().get({0, ti, h * scale, 0}, box, scale,
                                                  [&](QPainter& q) { drawSun(q, QPointF(outer + 1, outer + 1)); });
                p.drawImage(centre - QPointF(outer + 1, outer + 1), sun);
            } else {
                drawSun(p, centre);
            }
        } else {
            // Laid from a kept picture: wherever a star or a cloud next to it changes, the moon
            // is drawn again there, and a crescent's curves cost far more than a copy.
            p.setOpacity(clear ? 1.0 : 0.45);
            const QPointF centre(0.72 * w, 0.26 * h);
            const double reach = 0.12 * h + 1;
            scenery::drawStillSprite(p, 0x4D4F4F4E00000000ull, QRectF(centre - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)),
                                     [&](QPainter& q) {
                                         q.setPen(Qt::NoPen);
                                         q.setBrush(c.moonLightColour);
                                         q.drawPath(keptMoonCrescent(centre, h, uniformScale(q)));
                                     });
        }
        p.setOpacity(1);
    }

    // 4. Clouds.
    const int clouds = cloudCount(look);
    if (clouds > 0) {
        const double scale = uniformScale(p);
        const QColor tint = c.cloudTint[ti][wi];
        p.setOpacity(clear ? 0.85 : 0.92);
        for (int i = 0; i < clouds; ++i) {
            const double s = 0.37 * i + (0.004 * i + 0.012) * time;
            // Drifting a small part of a pixel a frame. A picture is laid on whole device pixels
            // (the raster engine rounds its place), so the cloud is placed on the one it would
            // land on: it changes only when it is seen to move.
            double x = (w + 40) * frac(s) - 20;
            // A wide sky (the garden) sizes them by its height, as a window's would be, and keeps a
            // cloud's top puff below its top edge; a window's clouds follow its own size alone.
            const bool wide = w > 1.6 * h;
            const double cw = (0.34 + 0.06 * (i % 2)) * (wide ? 1.6 * h : w);
            double y = (0.14 + 0.16 * (i % 3)) * h;
            if (wide) y = std::max(y, 0.25 * cw + 5);
            // The cloud's box around its centre: x -0.5...0.5, y -0.25...0.22 of its width.
            const QPointF corner(-0.5 * cw - 1, -0.25 * cw - 1);
            auto drawCloud = [&](QPainter& q, QPointF at) {
                // A capsule and two puffs, drawn at their size so their curves stay round.
                q.setBrush(tint);
                q.drawRoundedRect(QRectF(at.x() - 0.5 * cw, at.y() - 0.1 * cw, cw, 0.32 * cw), 0.16 * cw, 0.16 * cw);
                q.drawEllipse(at + QPointF(-0.12 * cw, -0.04 * cw), 0.21 * cw, 0.21 * cw);
                q.drawEllipse(at + QPointF(0.14 * cw, -0.02 * cw), 0.16 * cw, 0.16 * cw);
            };
            if (scale > 0) {
                const QImage& cloud = sprites().get({1, 0, cw * scale, tint.rgb()}, QSizeF(cw + 2, 0.47 * cw + 2), scale,
                                                    [&](QPainter& q) { drawCloud(q, -corner); });
                const QTransform dt = p.deviceTransform();
                const double left = std::floor((x + corner.x()) * scale + dt.dx() + 0.5);
                p.drawImage(QPointF((left - dt.dx()) / scale, y + corner.y()), cloud);
            } else {
                drawCloud(p, QPointF(x, y));
            }
        }
        p.setOpacity(1);
    }

    // 5. Rain or snow.
    if (precipitation) {
        if (isRainy(look.weather)) {
            drawWindowRain(p, look.weather == SkyWeather::storm, QSizeF(w, h), time, std::max(h / 45, 0.45));
        } else if (look.weather == SkyWeather::snow) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgbF(1, 1, 1, 0.95f));
            for (int i = 0; i < 16; ++i) {
                const double s = 0.618 * i;
                const double x = frac(5.1 * s) * w + 3 * std::sin(6 * s + 1.3 * time);
                const double y = (h + 6) * frac(0.22 * time + s) - 3;
                const double r = i % 3 == 0 ? 1.2 : 0.8;
                p.drawEllipse(QPointF(x, y), r, r);
            }
        }
    }

    // 6. Lightning.
    if (look.weather == SkyWeather::storm) {
        const double f = lightningFlash(time);
        if (f > 0) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(QRectF(0, 0, w, h), QColor::fromRgbF(1, 1, 1, float(std::min(1.0, 0.75 * f))));
            p.setRenderHint(QPainter::Antialiasing);
        }
    }

    // 7. Beads on the glass.
    if (glass && isRainy(look.weather)) SkyBeads{time}.paint(p, QRectF(0, 0, w, h));

    p.restore();
}

void SkyBeads::paint(QPainter& p, const QRectF& rect) const {
    static constexpr double kBeadX[4] = {0.16, 0.38, 0.58, 0.82};
    const double w = rect.width();
    const double h = rect.height();
    if (!(w > 0) || !(h > 0)) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor trail = QColor::fromRgbF(1, 1, 1, 0.18f);
    const QColor drop = QColor::fromRgbF(1, 1, 1, 0.5f);
    for (int i = 0; i < 4; ++i) {
        const double progress = frac(0.29 * i + 0.12 * time);
        const double trailH = std::max(0.5 * h * progress, 0.1);
        const double cx = rect.left() + w * kBeadX[i];
        const double cy = rect.top() + 0.75 * h * progress + 4;
        const double top = cy - (trailH + 2.6) / 2;
        p.setBrush(trail);
        p.drawPath(roundedRectPath(QRectF(cx - 0.4, top, 0.8, trailH), 0.4, std::min(0.4, trailH / 2)));
        p.setBrush(drop);
        p.drawEllipse(QRectF(cx - 1.1, top + trailH, 2.2, 2.6));
    }
    p.restore();
}

}  // namespace kp
