#include "scenery/GardenWeather.h"

#include "platform/Color.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyPredicates.h"
#include "scenery/WindowRain.h"

#include <QPainter>
#include <QPolygonF>
#include <QPen>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <numbers>

namespace kp {

using scenery::faded;
using scenery::pieceCount;
using scenery::frac;
using scenery::hash;

namespace {

struct Firefly {
    double x, height;
};
constexpr Firefly kFireflies[7] = {{0.15, 6},       {0.3229, 16.854}, {0.4958, 9.708}, {0.6687, 20.562},
                                   {0.8416, 13.416}, {0.3145, 6.27},   {0.4874, 17.124}};

struct WeatherInk {
    QColor nightTint = colorFromHex("#0E1024");
    QColor sunsetTint = colorFromHex("#5A2E4A");
    QColor splash = colorFromHex("#E6EEF7");
    QColor fireflyCore = colorFromHex("#F6F3A8");
    QColor fireflyGlow = colorFromHex("#F2F09A");
    QColor autumn[4] = {colorFromHex("#E0953F"), colorFromHex("#F2B24E"), colorFromHex("#C9783A"),
                        colorFromHex("#F7CF6A")};
    QColor green[4] = {colorFromHex("#62B05E"), colorFromHex("#7DC46F"), colorFromHex("#4E9A55"),
                       colorFromHex("#C9D86A")};
    QColor butterfly[2] = {colorFromHex("#F2C14E"), colorFromHex("#F07A93")};
    QColor butterflyBody = colorFromHex("#2C2622");
    QBrush glow;  // a soft halo filling its bounding box
    // A leaf at k = 1 centred on the origin (two arcs), and a circle of radius 1, as polygons
    // fine enough for a curve to stay within a small part of a device pixel: filled as polygons
    // they cost a fraction of curves flattened anew for each fill.
    QPolygonF leaf, disc;

    WeatherInk() {
        QRadialGradient g(0.5, 0.5, 0.5);
        g.setCoordinateMode(QGradient::ObjectBoundingMode);
        g.setColorAt(0, fireflyGlow);
        g.setColorAt(0.3, faded(fireflyGlow, 0.6));
        g.setColorAt(0.65, faded(fireflyGlow, 0.18));
        g.setColorAt(1, faded(fireflyGlow, 0));
        glow = QBrush(g);
        // The arcs from (-3, 0) to (3, 0) about (0, -+2.6): y = -+5.2 t (1 - t).
        constexpr int kSide = 8;
        for (int i = 0; i < kSide; ++i) {
            const double t = double(i) / kSide;
            leaf << QPointF(6 * t - 3, -5.2 * t * (1 - t));
        }
        for (int i = 0; i < kSide; ++i) {
            const double t = double(i) / kSide;
            leaf << QPointF(3 - 6 * t, 5.2 * t * (1 - t));
        }
        constexpr int kRound = 24;
        for (int i = 0; i < kRound; ++i)
            disc << QPointF(std::cos(2 * std::numbers::pi * i / kRound), std::sin(2 * std::numbers::pi * i / kRound));
    }
};

const WeatherInk& ink() {
    static const WeatherInk i;
    return i;
}

// Fills the oval within `box` with `disc` (a circle of radius 1 as a polygon).
void fillOval(QPainter& p, const QPolygonF& disc, const QRectF& box) {
    QPolygonF oval(disc.size());
    const QPointF centre = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    for (int i = 0; i < disc.size(); ++i) oval[i] = centre + QPointF(rx * disc[i].x(), ry * disc[i].y());
    p.drawConvexPolygon(oval);
}

// Small round things that drift (snowflakes, fireflies) laid from kept pictures: each kind drawn at
// each quarter of a device pixel's offset and laid on whole device pixels, so that each moves as
// smoothly as one drawn where it is, for the price of a copy of a few pixels.
class Dabs {
public:
    // Whether the painter lets dabs be laid on its device pixels (a plain scale). `reach` holds
    // each kind's radius (the painter's units) and `draw(q, kind, centre, radius)` paints one in
    // device pixels; the pictures are drawn again when `key` or the scale changes. The painter
    // then draws in device pixels until end().
    template <typename Draw>
    bool begin(QPainter& p, double key, std::array<double, 2> reach, Draw&& draw) {
        const QTransform t = p.deviceTransform();
        const double s = t.m11();
        if (t.type() > QTransform::TxScale || !(s > 0) || std::abs(t.m22() - s) > 1e-9) return false;
        if (!(std::max(reach[0], reach[1]) * s < 64)) return false;
        if (s != scale_ || key != key_ || reach != reach_) {
            scale_ = s, key_ = key, reach_ = reach;
            for (int kind = 0; kind < 2; ++kind) {
                const double r = reach[kind] * s;
                centre_[kind] = static_cast<int>(std::ceil(r)) + 1;
                const int side = 2 * centre_[kind] + 1;
                for (int phase = 0; phase < 16; ++phase) {
                    QImage& image = pictures_[kind][phase];
                    image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
                    image.fill(Qt::transparent);
                    QPainter q(&image);
                    q.setRenderHint(QPainter::Antialiasing);
                    q.setPen(Qt::NoPen);
                    draw(q, kind, QPointF(centre_[kind] + (phase % 4) / 4.0, centre_[kind] + (phase / 4) / 4.0), r);
                }
            }
        }
        device_ = t;
        const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
        p.save();
        p.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
        return true;
    }
    // Lays a dab of `kind` centred on `at` (the painter's units at begin()).
    void lay(QPainter& p, int kind, QPointF at) const {
        const QPointF d = device_.map(at);
        const double x = std::round(d.x() * 4) / 4, y = std::round(d.y() * 4) / 4;
        const double left = std::floor(x), top = std::floor(y);
        const int phase = static_cast<int>((x - left) * 4) + 4 * static_cast<int>((y - top) * 4);
        const int c = centre_[kind];
        p.drawImage(QPointF(left - c, top - c), pictures_[kind][phase]);
    }
    void end(QPainter& p) const { p.restore(); }

private:
    double scale_ = 0, key_ = 0;
    std::array<double, 2> reach_{};
    QTransform device_;
    int centre_[2] = {};
    QImage pictures_[2][16];
};

}  // namespace

QColor GardenWeather::tint() const {
    if (look.time == SkyTime::night) return faded(ink().nightTint, 0.34);
    if (look.time == SkyTime::sunset) return faded(ink().sunsetTint, 0.12);
    return Qt::transparent;
}

void GardenWeather::paint(QPainter& p, const QRectF& rect) const {
    paintInMonth(p, rect, scenery::currentMonth());
}

void GardenWeather::paintInMonth(QPainter& p, const QRectF& rect, int month) const {
    const double w = rect.width();
    const double h = rect.height();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h) || !(k > 0) || !std::isfinite(k)) return;
    const WeatherInk& c = ink();
    const bool night = look.time == SkyTime::night;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(rect, Qt::IntersectClip);
    p.translate(rect.topLeft());
    p.setPen(Qt::NoPen);

    // 1. Tint. Whole-surface fills go without antialiasing: their edges are the clip's anyway.
    p.setRenderHint(QPainter::Antialiasing, false);
    if (const QColor tinge = tint(); tinted && tinge.alpha() > 0) p.fillRect(QRectF(0, 0, w, h), tinge);
    p.setRenderHint(QPainter::Antialiasing);

    // 2. Weather.
    if (look.weather == SkyWeather::snow) {
        const int n = pieceCount(w / 7);
        const QColor flake = QColor::fromRgbF(1, 1, 1, 0.95f);
        p.setBrush(flake);
        static Dabs flakes;  // one thread at a time
        const bool kept = flakes.begin(p, 0, {1.0 * k, 1.5 * k}, [&](QPainter& q, int, QPointF centre, double r) {
            q.setBrush(flake);
            q.drawEllipse(centre, r, r);
        });
        for (int i = 0; i < n; ++i) {
            const double s = 0.618 * i;
            const bool big = i % 3 == 0;
            const double r = (big ? 1.5 : 1.0) * k;
            const double x = frac(5.1 * s) * w + 4 * k * std::sin(6 * s + 1.1 * time);
            const double y = frac(s + 0.16 * time) * (h + 8) - 4;
            if (kept)
                flakes.lay(p, big ? 1 : 0, QPointF(x, y));
            else
                p.drawEllipse(QPointF(x, y), r, r);
        }
        if (kept) flakes.end(p);
    } else if (isRainy(look.weather)) {
        const bool storm = look.weather == SkyWeather::storm;
        drawWindowRain(p, storm, QSizeF(w, h), time, k);
        const double top = floorLine + 2 * k;
        const double bottom = h - 2 * k;
        if (bottom > top) {
            const int count = std::max(1, pieceCount(w / ((storm ? 22 : 34) * k)));
            QPen ring(c.splash, 0.7);
            for (int i = 0; i < count; ++i) {
                const double a = 1.7 * i + 500;
                const double u = time / (0.55 + 0.35 * hash(a)) + hash(a + 0.3);
                const double cycle = std::floor(u);
                const double f = u - cycle;
                if (f >= 0.35) continue;
                const double pr = f / 0.35;
                const double x = hash(5.1 * cycle + 2.3 * a) * w;
                const double y = top + hash(3.3 * cycle + 4.7 * a) * (bottom - top);
                ring.setColor(faded(c.splash, 0.55 * (1 - pr)));
                p.setPen(ring);
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QRectF(x - (2 + 5 * pr) * k, y - (0.6 + 1.2 * pr) * k, (4 + 10 * pr) * k,
                                     (1.2 + 2.4 * pr) * k));
                p.setPen(Qt::NoPen);
                const double dx = (1.5 + 4 * pr) * k;
                const double dy = 4 * k * std::sin(-std::numbers::pi * pr);
                // The two drops from kept pictures, laid as faded as their ink would be.
                static Dabs drops;  // one thread at a time
                const double was = p.opacity();
                if (drops.begin(p, 0, {0.6 * k, 0.6 * k}, [&](QPainter& q, int, QPointF centre, double r) {
                        q.setBrush(c.splash);
                        q.drawEllipse(centre, r, r);
                    })) {
                    p.setOpacity(was * 0.75 * (1 - pr));
                    drops.lay(p, 0, QPointF(x - dx, y + dy));
                    drops.lay(p, 0, QPointF(x + dx, y + dy));
                    drops.end(p);
                    continue;
                }
                p.setBrush(faded(c.splash, 0.75 * (1 - pr)));
                p.drawEllipse(QPointF(x - dx, y + dy), 0.6 * k, 0.6 * k);
                p.drawEllipse(QPointF(x + dx, y + dy), 0.6 * k, 0.6 * k);
            }
        }
    }
    p.setPen(Qt::NoPen);

    // 3. Lightning.
    if (flash > 0) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(0, 0, w, h), QColor::fromRgbF(1, 1, 1, float(std::min(1.0, 0.35 * flash))));
        p.setRenderHint(QPainter::Antialiasing);
    }

    // 4. Fireflies on a fine night: a halo, then the light.
    if (night && (look.weather == SkyWeather::clear || look.weather == SkyWeather::cloudy)) {
        // The halo and the light are kept pictures laid faded: the light's colour fades as its
        // ink would.
        const double halo = 1.2 * k + 3 * k;
        static Dabs lights;  // one thread at a time
        const bool kept = lights.begin(p, 0, {halo, 1.2 * k}, [&](QPainter& q, int kind, QPointF centre, double r) {
            q.setBrush(kind == 0 ? c.glow : QBrush(c.fireflyCore));
            q.drawEllipse(centre, r, r);
        });
        for (int i = 0; i < 7; ++i) {
            const double x = kFireflies[i].x * w + 18 * k * std::sin(0.5 * time + 1.37 * i);
            const double y = floorLine - kFireflies[i].height * k + 6 * k * std::cos(0.7 * time + 2.74 * i);
            const double b = 0.5 + 0.5 * std::sin(3 * time + 6.85 * i);
            p.setOpacity(b);
            if (kept) {
                lights.lay(p, 0, QPointF(x, y));
                p.setOpacity(0.4 + 0.6 * b);
                lights.lay(p, 1, QPointF(x, y));
                continue;
            }
            p.setBrush(c.glow);
            p.drawEllipse(QPointF(x, y), halo, halo);
            p.setOpacity(1);
            p.setBrush(faded(c.fireflyCore, 0.4 + 0.6 * b));
            p.drawEllipse(QPointF(x, y), 1.2 * k, 1.2 * k);
        }
        if (kept) lights.end(p);
        p.setOpacity(1);
    }

    // 5. Falling leaves, autumn-coloured in October and November.
    if (look.weather != SkyWeather::snow) {
        const bool autumn = month == 10 || month == 11;
        const int count = autumn ? 7 : 4;
        const double wind = 120 + 60 * (0.5 + 0.5 * std::sin(0.31 * time) * std::sin(0.13 * time + 1.2));
        for (int i = 0; i < count; ++i) {
            const double s = 1.618 * i;
            const double q = frac((4 * s + time) / (7.5 + std::fmod(3 * s, 3.0)));
            const double a = std::fmod(37 * s, 40.0) - 20;
            const double b = std::fmod(13 * s, 24.0) - 12;
            const double d = std::fmod(29 * s, 30.0);
            const double opacity = q > 0.85 ? (1 - q) / 0.15 : std::min(q / 0.08, 1.0);
            const double x = 0.12 * w + a * k + wind * q * k + 8 * k * std::sin(9 * q + s);
            const double y0 = floorLine - 70 * k + b * k;
            const double y1 = floorLine + d * k;
            const double y = y0 + (y1 - y0) * q + 2 * k * std::sin(14 * q + s);
            p.save();
            p.translate(x, y);
            p.rotate((s + 10 * q) * 180 / std::numbers::pi);
            p.scale(k, k);
            p.setBrush(faded(autumn ? c.autumn[i % 4] : c.green[i % 4], opacity));
            p.drawConvexPolygon(c.leaf);
            p.restore();
        }
    }

    // 6. Butterflies on a clear day.
    if (isClearDay(look)) {
        for (int j = 0; j < 2; ++j) {
            const double phi = 2.3 * j;
            const double bx = (0.35 + 0.25 * j) * w + 40 * k * std::sin(0.6 * time + phi);
            const double by = floorLine - (20 + 8 * std::sin(1.1 * time + phi)) * k;
            const double f = std::abs(std::sin(12 * time + phi));
            const double wingW = (0.6 + 3.2 * f) * k;
            const double reach = (0.5 + 2.6 * f) * k;
            p.setBrush(c.butterfly[j]);
            for (const double left : {bx - reach - 1.6 * f * k, bx + reach - 1.6 * f * k})
                fillOval(p, c.disc, QRectF(left, by - 2 * k, wingW, 4 * k));
            p.setBrush(c.butterflyBody);
            p.drawRect(QRectF(bx - 0.4 * k, by - 1.8 * k, 0.8 * k, 3.6 * k));
        }
    }
    p.restore();
}

}  // namespace kp
