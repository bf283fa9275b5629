#include "scenery/GardenBackdrop.h"

#include "platform/Color.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyStrokes.h"
#include "scenery/SkyView.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <array>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace kp {

using scenery::faded;
using scenery::pieceCount;
using scenery::frac;

namespace {

// sin(a + n d) for n = 0, 1, 2... by turning a unit vector, where n steps of the same size follow.
class Wave {
public:
    Wave(double a, double d) : s_(std::sin(a)), c_(std::cos(a)), ds_(std::sin(d)), dc_(std::cos(d)) {}
    double sin() const { return s_; }
    void next() {
        const double s = s_ * dc_ + c_ * ds_;
        c_ = c_ * dc_ - s_ * ds_;
        s_ = s;
    }

private:
    double s_, c_, ds_, dc_;
};

struct CrownDisc {
    double dx, dy, r;
    int shade;  // 0...3
};
constexpr CrownDisc kCrown[12] = {{-20, 8, 17, 0},  {20, 6, 17, 0},   {0, -10, 22, 0}, {-14, -2, 18, 1},
                                  {15, -4, 18, 1},  {0, 10, 18, 1},   {-6, -14, 16, 2}, {10, -16, 14, 2},
                                  {-18, 12, 12, 2}, {18, 12, 12, 2},  {-4, -20, 9, 3},  {8, -22, 7, 3}};

QBrush verticalGradient(const char* top, const char* bottom) {
    QLinearGradient g(0, 0, 0, 1);
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    g.setColorAt(0, colorFromHex(top));
    g.setColorAt(1, colorFromHex(bottom));
    return QBrush(g);
}

struct GardenInk {
    QColor hillFar = colorFromHex("#A9CF95"), hillFarSnow = colorFromHex("#E6ECF3");
    QColor hillNear = colorFromHex("#8DBE7C"), hillNearSnow = colorFromHex("#F2F5F9");
    QColor bark = colorFromHex("#6B4A34");
    QColor shades[3][4] = {
        {colorFromHex("#3F8A4A"), colorFromHex("#4E9A55"), colorFromHex("#62B05E"), colorFromHex("#7DC46F")},
        {colorFromHex("#C9783A"), colorFromHex("#E0953F"), colorFromHex("#F2B24E"), colorFromHex("#F7CF6A")},
        {colorFromHex("#4F7A58"), colorFromHex("#5E8A66"), colorFromHex("#6B9A70"), colorFromHex("#7AA87C")}};
    QColor picketDry = colorFromHex("#C99A6A"), railDry = colorFromHex("#A87A4E");
    QColor picketWet = colorFromHex("#A87F58"), railWet = colorFromHex("#86613F");
    QBrush lawnDry = verticalGradient("#7DBA6A", "#5E9E57");
    QBrush lawnWet = verticalGradient("#5E9157", "#4A7A46");
    QBrush lawnSnow = verticalGradient("#F4F7FB", "#DCE4EE");
    QColor grassDry = colorFromHex("#4E8A47"), grassWet = colorFromHex("#3F6B3C");
    QColor petals[4] = {colorFromHex("#F4A7B4"), colorFromHex("#FFFFFF"), colorFromHex("#FFD27A"),
                        colorFromHex("#C9B6F0")};
    QColor flowerHeart = colorFromHex("#E7B15A");
    QColor puddle = colorFromHex("#7E9BB5");
    QColor trunkLeft = colorFromHex("#8A5E3E");
    QPainterPath snowCap;  // on a crown disc of radius 1 centred on the origin

    GardenInk() {
        // From 200 deg over the top to 340 deg (y down), then a curve back under it.
        const double sx = std::cos(200 * M_PI / 180), sy = std::sin(200 * M_PI / 180);
        snowCap.moveTo(sx, sy);
        snowCap.arcTo(QRectF(-1, -1, 2, 2), 160, -140);
        snowCap.quadTo(0, -0.45, sx, sy);
        snowCap.closeSubpath();
    }
};

const GardenInk& ink() {
    static const GardenInk i;
    return i;
}

// A still part of the scene kept as an image at the painter's device scale, redrawn only when its
// inputs, the scale or the sub-pixel offset change. Anything but a plain scale and offset is drawn
// directly.
class CachedLayer {
public:
    using Key = std::array<double, 8>;

    template <typename Paint>
    void draw(QPainter& p, const QRectF& band, const Key& key, Paint&& paint) {
        const QTransform dt = p.deviceTransform();
        const double s = dt.m11();
        if (dt.type() > QTransform::TxScale || !(s > 0) || std::abs(dt.m22() - s) > 1e-9) {
            paint(p);
            return;
        }
        const QRectF dev = dt.mapRect(band);
        const int ox = int(std::floor(dev.left()));
        const int oy = int(std::floor(dev.top()));
        const int w = int(std::ceil(dev.right())) - ox;
        const int h = int(std::ceil(dev.bottom())) - oy;
        if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return;
        const std::array<double, 5> placement{s, dev.left() - ox, dev.top() - oy, double(w), double(h)};
        if (key != key_ || placement != placement_ || image_.isNull()) {
            key_ = key;
            placement_ = placement;
            image_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
            image_.fill(Qt::transparent);
            QPainter ip(&image_);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.setPen(Qt::NoPen);
            ip.setTransform(dt * QTransform::fromTranslate(-ox, -oy));
            paint(ip);
            ip.end();
            image_.setDevicePixelRatio(s);
        }
        p.drawImage(dt.inverted().map(QPointF(ox, oy)), image_);
    }

private:
    Key key_{};
    std::array<double, 5> placement_{};
    QImage image_;
};

// The parts that only change with the size: hills and fence, rebuilt when W, H, F or k change.
struct StillParts {
    double w = -1, h = -1, f = -1, k = -1;
    QPainterPath hills[2];
    QPainterPath rails, pickets, strips, caps;

    void update(double W, double H, double F, double K) {
        if (W == w && H == h && F == f && K == k) return;
        w = W, h = H, f = F, k = K;
        for (int i = 0; i < 2; ++i) {
            const double hh = (i == 0 ? 46 : 34) * K;
            const int n = i == 0 ? 3 : 4;
            const double top = F - 0.45 * hh;
            QPainterPath path;
            path.moveTo(0, F);
            path.lineTo(0, top);
            for (int j = 0; j < n; ++j)
                path.quadTo(W * (j + 0.5) / n, top - (0.35 + 0.125 * (j % 3)) * hh, W * (j + 1) / n, top);
            path.lineTo(W, F);
            path.closeSubpath();
            hills[i] = path;
        }
        rails = QPainterPath();
        rails.addRect(0.2 * W, F - 19 * K, 0.8 * W, 3 * K);
        rails.addRect(0.2 * W, F - 8 * K, 0.8 * W, 3 * K);
        pickets = QPainterPath();
        strips = QPainterPath();
        caps = QPainterPath();
        for (int n = 0, count = pieceCount(std::ceil((0.8 * W + 8 * K) / (11 * K))); n < count; ++n) {
            const double x = 0.2 * W + 11 * K * n;
            if (!(x < W + 8 * K)) break;
            const QPointF poly[5] = {{x, F}, {x, F - 23 * K}, {x + 3.5 * K, F - 26 * K}, {x + 7 * K, F - 23 * K},
                                     {x + 7 * K, F}};
            pickets.addPolygon(QPolygonF(std::begin(poly), std::end(poly)));
            pickets.closeSubpath();
            strips.addRect(x + 5.5 * K, F - 23 * K, 1.5 * K, 23 * K);
            caps.addEllipse(x - 0.5 * K, F - 27.5 * K, 8 * K, 4 * K);
        }
    }
};

// Fence, lawn, and snow drifts or flowers.
void paintGround(QPainter& p, const StillParts& still, double W, double H, double F, double k, bool snowy, bool wet,
                 bool night) {
    const GardenInk& c = ink();
    p.setPen(Qt::NoPen);
    p.setBrush(wet ? c.railWet : c.railDry);
    p.drawPath(still.rails);
    p.setBrush(wet ? c.picketWet : c.picketDry);
    p.drawPath(still.pickets);
    p.setBrush(faded(wet ? c.railWet : c.railDry, 0.6));
    p.drawPath(still.strips);
    if (snowy) {
        p.setBrush(Qt::white);
        p.drawPath(still.caps);
    }

    p.setBrush(snowy ? c.lawnSnow : (wet ? c.lawnWet : c.lawnDry));
    p.drawRect(QRectF(0, F - 2 * k, W, H - F + 2 * k));

    if (snowy) {
        const int n = pieceCount(W / (40 * k));
        p.setBrush(Qt::white);
        for (int i = 0; i < n; ++i) {
            const int s = 11 + 53 * i;
            p.drawEllipse(QRectF(W * (s % 100) / 100 - 14 * k, F - 3 * k, 28 * k, 7 * k));
        }
        return;
    }
    const int flowers = pieceCount(W / (26 * k));
    const double depth = std::max(4 * k, H - F - 12 * k);
    for (int f = 0; f < flowers; ++f) {
        const int a = 17 + 61 * f;
        const int b = 23 * f;
        const QPointF centre(W * (a % 100) / 100, F + 5 * k + double(b % 19) / 19 * depth);
        if (!(centre.y() < H - 3 * k)) continue;
        p.setBrush(faded(c.petals[f % 4], night ? 0.5 : 1.0));
        for (int j = 0; j < 5; ++j) {
            const double ang = j * 72 * M_PI / 180;
            p.drawEllipse(centre + QPointF(1.6 * k * std::cos(ang), 1.6 * k * std::sin(ang)), 1.2 * k, 1.2 * k);
        }
        p.setBrush(c.flowerHeart);
        p.drawEllipse(centre, 0.9 * k, 0.9 * k);
    }
}

}  // namespace

void GardenBackdrop::paint(QPainter& p, const QRectF& rect) const {
    paintInMonth(p, rect, scenery::currentMonth());
}

void GardenBackdrop::paintInMonth(QPainter& p, const QRectF& rect, int month) const {
    const double W = rect.width();
    const double H = rect.height();
    if (!(W > 0) || !(H > 0) || !std::isfinite(W) || !std::isfinite(H) || !(k > 0) || !std::isfinite(k)) return;
    const GardenInk& c = ink();
    const double F = floorLine;
    const bool snowy = look.weather == SkyWeather::snow;
    const bool wet = isRainy(look.weather);
    const bool night = look.time == SkyTime::night;
    const bool autumn = month == 10 || month == 11;

    SkyView{look, time, false, false}.paint(p, rect);

    // Drawn by one thread at a time (the room draws its layers on a pool thread while it waits).
    static StillParts parts;
    static CachedLayer hillLayer;
    static CachedLayer groundLayer;
    parts.update(W, H, F, k);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(rect, Qt::IntersectClip);
    p.translate(rect.topLeft());
    p.setPen(Qt::NoPen);

    // Hills, far one first.
    std::optional<scenery::StillDrawing> still;
    still.emplace();
    hillLayer.draw(p, QRectF(0, F - 50 * k, W, 50 * k + 1), {W, F, k, double(snowy)}, [&](QPainter& q) {
        q.setBrush(faded(snowy ? c.hillFarSnow : c.hillFar, 0.8));
        q.drawPath(parts.hills[0]);
        q.setBrush(snowy ? c.hillNearSnow : c.hillNear);
        q.drawPath(parts.hills[1]);
    });

    still.reset();

    // Tree: trunk, branches and crown sway together, drawn from kept pictures of its bend (in
    // steps of an eighth of the unit, finer than a pixel).
    const double x0 = 0.12 * W;
    const long bend = std::lround(2.2 * (0.5 + 0.5 * std::sin(0.31 * time) * std::sin(0.13 * time + 1.2)) * 8 +
                                  1.6 * std::sin(0.9 * time) * 8);
    const int palette = snowy ? 2 : (autumn ? 1 : 0);
    const std::uint64_t treeKey = 0x5452454500000000ull | static_cast<std::uint64_t>(palette) << 16 |
                                  static_cast<std::uint64_t>(bend + 512);
    p.save();
    p.translate(x0, F);
    scenery::drawSprite(p, treeKey, QRectF(-42 * k, -101 * k, 86 * k, 102 * k + 2), [&](QPainter& q) {
        const double sw = bend * k / 8;
        q.setPen(Qt::NoPen);
        QPainterPath trunkPath;
        trunkPath.moveTo(-7 * k, 1);
        trunkPath.quadTo(-3 * k, -20 * k, -3 * k + 0.3 * sw, -52 * k);
        trunkPath.lineTo(3 * k + 0.3 * sw, -52 * k);
        trunkPath.quadTo(3 * k, -20 * k, 7 * k, 1);
        trunkPath.closeSubpath();
        QLinearGradient trunk(-7 * k, 0, 7 * k, 0);
        trunk.setColorAt(0, c.trunkLeft);
        trunk.setColorAt(1, c.bark);
        q.setBrush(trunk);
        q.drawPath(trunkPath);

        QPainterPath branches;
        for (int side = -1; side <= 1; side += 2) {
            branches.moveTo(0, -36 * k);
            branches.quadTo(side * 10 * k, -42 * k, side * 16 * k + 0.6 * sw, -56 * k);
        }
        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(c.bark, 3 * k, Qt::SolidLine, Qt::RoundCap));
        q.drawPath(branches);
        q.setPen(Qt::NoPen);

        for (int i = 0; i < 12; ++i) {
            const CrownDisc& d = kCrown[i];
            const QPointF centre(d.dx * k + (0.6 + 0.2 * (i % 3)) * sw, -70 * k + d.dy * k);
            q.setBrush(c.shades[palette][d.shade]);
            q.drawEllipse(centre, d.r * k, d.r * k);
        }
        if (snowy) {
            q.setBrush(QColor::fromRgbF(1, 1, 1, 0.92f));
            for (int i = 0; i < 12; ++i) {
                const CrownDisc& d = kCrown[i];
                if (d.dy >= 0) continue;
                q.save();
                q.translate(d.dx * k + (0.6 + 0.2 * (i % 3)) * sw, -70 * k + d.dy * k);
                q.scale(d.r * k, d.r * k);
                q.drawPath(c.snowCap);
                q.restore();
            }
        }
    });
    p.restore();

    // Fence, lawn, and drifts or flowers: still, so kept as one layer.
    const double weatherClass = snowy ? 2 : (wet ? 1 : 0);
    still.emplace();
    groundLayer.draw(p, QRectF(0, F - 28 * k, W, H - F + 28 * k), {W, H, F, k, weatherClass, double(night)},
                     [&](QPainter& q) { paintGround(q, parts, W, H, F, k, snowy, wet, night); });
    still.reset();

    // Grass: blades bent by a gust that travels along the lawn, blended into one picture a frame.
    if (!snowy) {
        // The gust moves most blades in every frame: the lawn is one piece.
        static scenery::StripPicture lawn(scenery::StripPicture::Told::whole);
        const QRectF blade(-2 * k, -8.6 * k, 6.6 * k, 9.4 * k);
        const int blades = pieceCount(std::ceil(W / (2.6 * k)));
        const auto each = [&](auto&& lay) {
            // The gust's three waves, turned from blade to blade instead of asked of sin() each time.
            const double step = 2.6 * k;
            Wave slow(0.31 * time, -0.31 * step / 400), slower(0.13 * time + 1.2, -0.13 * step / 400),
                quick(1.6 * time, -0.035 * step);
            for (int n = 0; n < blades; ++n, slow.next(), slower.next(), quick.next()) {
                const double x = n * step;
                const double s = k * (1.6 * (0.5 + 0.5 * slow.sin() * slower.sin()) + 1.1 * quick.sin());
                // Each blade from a kept picture of its height and bend (in steps of a twentieth of
                // the unit, finer than a pixel).
                const int height = (37 * n) % 5;
                const long bend = std::lround(s / k * 20);
                const double b = bend * k / 20;
                const std::uint64_t key = 0x475241535300000ull | static_cast<std::uint64_t>(wet) << 16 |
                                          static_cast<std::uint64_t>(height) << 12 | static_cast<std::uint64_t>(bend + 2048);
                lay(QPointF(x, F), key, [&, height, b](QPainter& q) {
                    q.setPen(Qt::NoPen);
                    q.setBrush(wet ? c.grassWet : c.grassDry);
                    const double tall = (3 + height) * k;
                    scenery::fillQuadStroke(q, QPointF(0, 0), QPointF(0.2 * b, -0.6 * tall), QPointF(b, -tall), 1.1 * k, 3);
                });
            }
        };
        const QRectF band(blade.left() - 1, F + blade.top() - 1, W + blade.width() + 2, blade.height() + 2);
        if (lawn.prepare(p, static_cast<std::uint64_t>(wet), band, time)) {
            if (lawn.due()) {
                const double scale = lawn.scale();
                // The blades' pictures by key, at hand without a look-up in the shared keep.
                static std::unordered_map<std::uint64_t, QImage> blades;
                static double bladesScale = 0, bladesUnit = 0;
                if (bladesScale != scale || bladesUnit != k) {
                    blades.clear();
                    bladesScale = scale;
                    bladesUnit = k;
                }
                each([&](QPointF at, std::uint64_t key, auto&& draw) {
                    QImage& picture = blades[key];
                    if (picture.isNull()) picture = scenery::spritePicture(key, scale, blade, draw);
                    const QPointF corner = lawn.toPicture(at) + blade.topLeft() * scale;
                    lawn.blend(picture, QPoint(int(std::lround(corner.x())), int(std::lround(corner.y()))), 1.0);
                });
            }
            lawn.lay(p);
        } else {
            each([&](QPointF at, std::uint64_t key, auto&& draw) {
                p.save();
                p.translate(at);
                scenery::drawSprite(p, key, blade, draw);
                p.restore();
            });
        }
    }

    // Puddles with a ripple each.
    if (wet) {
        static constexpr double kPuddleX[3] = {0.32, 0.58, 0.9};
        const double span = std::max(0.0, H - F - 16 * k);
        for (int i = 0; i < 3; ++i) {
            const double y = F + 8 * k + span * i / 3;
            if (!(y < H - 2 * k)) continue;
            const QRectF puddle(W * kPuddleX[i] - 13 * k, y - 2.6 * k, 26 * k, 5.2 * k);
            p.setPen(Qt::NoPen);
            p.setBrush(faded(c.puddle, 0.75));
            p.drawEllipse(puddle);
            const double ph = frac(0.37 * i + 1.3 * time);
            const double inset = 0.42 * (1 - ph);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(0.6 * (1 - ph))), 0.8));
            p.drawEllipse(puddle.adjusted(inset * puddle.width(), inset * puddle.height(), -inset * puddle.width(),
                                          -inset * puddle.height()));
        }
    }
    p.restore();
}

}  // namespace kp
