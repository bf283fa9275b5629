#include "scenery/GardenBackdrop.h"

#include "platform/Color.h"
#include "scenery/PixelBlend.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyStrokes.h"
#include "scenery/SkyView.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

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

// The still land kept as pictures at the painter's device scale, redrawn only when its inputs, the
// scale or the sub-pixel offset change: the hills with the ground (fence, lawn, flowers or drifts)
// over them, laid in one go, but for a box where the ground covers the tree's foot; the ground
// within that box is a picture of its own, laid over the tree. Each pixel comes from one of the
// two, so the land looks as the hills, the tree and the ground laid one over the other.
class LandLayer {
public:
    using Key = std::array<double, 8>;

    // Whether the land can be kept for `p` (not when it turns or stretches unevenly); brings the
    // pictures up to date. `hills` and `ground` paint in the painter's units.
    template <typename Hills, typename Ground>
    bool prepare(QPainter& p, const QRectF& band, const QRectF& foot, const Key& key, Hills&& hills, Ground&& ground) {
        const QTransform dt = p.deviceTransform();
        const double s = dt.m11();
        if (dt.type() > QTransform::TxScale || !(s > 0) || std::abs(dt.m22() - s) > 1e-9) return false;
        const QRectF dev = dt.mapRect(band);
        const int ox = int(std::floor(dev.left()));
        const int oy = int(std::floor(dev.top()));
        const int w = int(std::ceil(dev.right())) - ox;
        const int h = int(std::ceil(dev.bottom())) - oy;
        if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
        const QRect footPixels = dt.mapRect(foot).toAlignedRect().translated(-ox, -oy) & QRect(0, 0, w, h);
        const std::array<double, 9> placement{s,
                                              dev.left() - ox,
                                              dev.top() - oy,
                                              double(w),
                                              double(h),
                                              double(footPixels.x()),
                                              double(footPixels.y()),
                                              double(footPixels.width()),
                                              double(footPixels.height())};
        if (key != key_ || placement != placement_ || land_.isNull()) {
            key_ = key;
            placement_ = placement;
            const auto paint = [&](QImage& image, auto&& draw) {
                image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter ip(&image);
                ip.setRenderHint(QPainter::Antialiasing);
                ip.setPen(Qt::NoPen);
                ip.setTransform(dt * QTransform::fromTranslate(-ox, -oy));
                draw(ip);
            };
            QImage under;
            paint(land_, hills);
            paint(under, ground);
            {
                QPainter lp(&land_);
                lp.setClipRegion(QRegion(0, 0, w, h) - footPixels);
                lp.drawImage(0, 0, under);
            }
            foot_ = footPixels.isEmpty() ? QImage() : under.copy(footPixels);
            land_.setDevicePixelRatio(s);
            foot_.setDevicePixelRatio(s);
        }
        const QTransform back = dt.inverted();
        landAt_ = back.map(QPointF(ox, oy));
        footAt_ = back.map(QPointF(ox + placement_[5], oy + placement_[6]));
        return true;
    }
    void layLand(QPainter& p) const { p.drawImage(landAt_, land_); }
    void layFoot(QPainter& p) const {
        if (!foot_.isNull()) p.drawImage(footAt_, foot_);
    }

private:
    Key key_{};
    std::array<double, 9> placement_{};
    QImage land_, foot_;
    QPointF landAt_, footAt_;
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

// Where puddle `i` (0...2) lies in the rain, if the lawn is deep enough for it.
std::optional<QRectF> puddleAt(int i, double W, double H, double F, double k) {
    static constexpr double kPuddleX[3] = {0.32, 0.58, 0.9};
    const double span = std::max(0.0, H - F - 16 * k);
    const double y = F + 8 * k + span * i / 3;
    if (!(y < H - 2 * k)) return std::nullopt;
    return QRectF(W * kPuddleX[i] - 13 * k, y - 2.6 * k, 26 * k, 5.2 * k);
}

// Fence, lawn, and snow drifts or flowers, and puddles in the rain.
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
    if (wet) {
        p.setBrush(faded(c.puddle, 0.75));
        for (int i = 0; i < 3; ++i)
            if (const std::optional<QRectF> puddle = puddleAt(i, W, H, F, k)) p.drawEllipse(*puddle);
    }
}

// What decides the lawn's blades in a frame.
struct LawnInputs {
    double W, F, k, time;
    bool wet;
};

// The grass: a blade for every 2.6 units, bent by a gust that travels along the lawn. Each blade's
// bend is stepped so that its tip moves a quarter of a device pixel from step to step. The blades
// are kept together as one picture at the device's scale; a frame puts in again only the blades
// whose bend took a step, with the neighbours they overlap, where they lie: most blades stand
// still in any one frame.
class Lawn {
public:
    void paint(QPainter& p, const LawnInputs& in, const QColor& ink) {
        const double k = in.k;
        const QRectF blade = bladeBox(k);
        const QRectF band(blade.left() - 1, in.F + blade.top() - 1, in.W + blade.width() + 2, blade.height() + 2);
        const QTransform t = p.deviceTransform();
        const double scale = t.m11();
        // Kept while the blades' pictures (a few for every step of the bend) stay a few megabytes.
        const double pictures = 5 * (3.8 * k / quantumAt(scale, k) + 3) * std::ceil(blade.width() * scale) *
                                std::ceil(blade.height() * scale) * 4;
        const bool kept = t.m12() == 0 && t.m21() == 0 && scale > 0 && std::abs(t.m22() - scale) < 1e-9 &&
                          band.width() * scale <= 8192 && band.height() * scale <= 1024 && pictures <= 16e6;
        if (!kept) {
            // A turned painter: each blade drawn from its own kept picture.
            const double quantum = quantumAt(std::hypot(t.m11(), t.m12()), k);
            bend(in, quantum);
            time_ = std::numeric_limits<double>::quiet_NaN();  // the bends of another step
            for (int n = 0; n < static_cast<int>(steps_.size()); ++n) {
                const int height = heightOf(n);
                const double b = steps_[n] * quantum;
                const std::uint64_t key = 0x4C41574E00000000ull | static_cast<std::uint64_t>(in.wet) << 28 |
                                          static_cast<std::uint64_t>(height) << 24 |
                                          (static_cast<std::uint64_t>(steps_[n] + (1 << 23)) & 0xFFFFFF);
                p.save();
                p.translate(n * 2.6 * k, in.F);
                scenery::drawSprite(p, key, blade, [&](QPainter& q) { drawBlade(q, height, b, k, ink); });
                p.restore();
            }
            return;
        }
        const QPointF corner = t.map(band.topLeft());
        const QPointF shift = corner - QPointF(std::round(corner.x()), std::round(corner.y()));
        const std::array<double, 8> shape{scale, k, in.W, in.F, shift.x(), shift.y(), double(in.wet), double(ink.rgba())};
        if (shape != shape_) {
            shape_ = shape;
            quantum_ = quantumAt(scale, k);
            first_ = static_cast<int>(std::floor(-1.2 * k / quantum_)) - 1;
            blades_.assign(static_cast<std::size_t>(5 * (static_cast<int>(std::ceil(2.8 * k / quantum_)) + 2 - first_)), {});
            picture_ = scenery::blankSprite(scale, band);
            put_.clear();
            time_ = std::numeric_limits<double>::quiet_NaN();
            bladeSize_ = scenery::blankSprite(scale, blade).size();
            const QPointF base = t.map(QPointF(0, in.F)) + blade.topLeft() * scale - QPointF(std::round(corner.x()), std::round(corner.y()));
            top_ = static_cast<int>(std::lround(base.y()));
            left_.clear();
            for (int n = 0, count = scenery::pieceCount(std::ceil(in.W / (2.6 * k))); n < count; ++n)
                left_.push_back(static_cast<int>(std::lround(base.x() + n * 2.6 * k * scale)));
        }
        if (!(in.time == time_)) {
            time_ = in.time;
            bend(in, quantum_);
            std::uint64_t d = shapeDigest();
            for (const int s : steps_) d = (d ^ static_cast<std::uint64_t>(s)) * 0x100000001B3ull;
            digest_ = d;
        }
        if (scenery::gatherSprite(p, digest_, scale, band)) return;
        update(k, ink);
        scenery::laySprite(p, picture_, band, scale);
    }

private:
    static QRectF bladeBox(double k) { return QRectF(-2 * k, -8.6 * k, 6.6 * k, 9.4 * k); }
    static int heightOf(int n) { return (37 * n) % 5; }
    // The bend's step (the painter's units): a quarter of a device pixel, and no finer than the
    // bend's range in a few thousand steps.
    static double quantumAt(double scale, double k) {
        return std::max(0.25 / std::max(scale, 1e-9), 4 * k / 4000);
    }
    static void drawBlade(QPainter& q, int height, double b, double k, const QColor& ink) {
        q.setPen(Qt::NoPen);
        q.setBrush(ink);
        const double tall = (3 + height) * k;
        scenery::fillQuadStroke(q, QPointF(0, 0), QPointF(0.2 * b, -0.6 * tall), QPointF(b, -tall), 1.1 * k, 3);
    }

    std::uint64_t shapeDigest() const {
        std::uint64_t d = 0x4C41574E;
        for (const double v : shape_) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &v, sizeof bits);
            d = (d ^ bits) * 0x100000001B3ull;
        }
        return d;
    }

    // Each blade's bend in steps of `quantum`, for the frame's gust.
    void bend(const LawnInputs& in, double quantum) {
        const double k = in.k, step = 2.6 * k;
        const int count = scenery::pieceCount(std::ceil(in.W / step));
        steps_.resize(static_cast<std::size_t>(count));
        // The gust's three waves, turned from blade to blade instead of asked of sin() each time.
        Wave slow(0.31 * in.time, -0.31 * step / 400), slower(0.13 * in.time + 1.2, -0.13 * step / 400),
            quick(1.6 * in.time, -0.035 * step);
        for (int n = 0; n < count; ++n, slow.next(), slower.next(), quick.next()) {
            const double s = k * (1.6 * (0.5 + 0.5 * slow.sin() * slower.sin()) + 1.1 * quick.sin());
            steps_[static_cast<std::size_t>(n)] = static_cast<int>(std::lround(s / quantum));
        }
    }

    struct Blade {
        QImage image;
        std::vector<std::array<int, 2>> rows;  // each row's first and past-last inked pixel
        int top = 0, bottom = 0;               // the first and past-last inked rows
        int left = 0, right = 0;               // the first and past-last inked columns
    };

    const Blade& bladeAt(int height, int step, double k, const QColor& ink) {
        const int across = static_cast<int>(blades_.size()) / 5;
        const int i = std::clamp(step - first_, 0, across - 1);
        Blade& b = blades_[static_cast<std::size_t>(height * across + i)];
        if (!b.image.isNull()) return b;
        const double scale = shape_[0];
        const QRectF box = bladeBox(k);
        b.image = scenery::blankSprite(scale, box);
        {
            QPainter q(&b.image);
            scenery::beginSprite(q, scale, box);
            drawBlade(q, height, (i + first_) * quantum_, k, ink);
        }
        b.top = b.image.height();
        b.left = b.image.width();
        for (int y = 0; y < b.image.height(); ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(b.image.constScanLine(y));
            int l = 0, r = b.image.width();
            while (l < r && line[l] == 0) ++l;
            while (r > l && line[r - 1] == 0) --r;
            b.rows.push_back({l, r});
            if (l < r) {
                b.top = std::min(b.top, y);
                b.bottom = y + 1;
                b.left = std::min(b.left, l);
                b.right = std::max(b.right, r);
            }
        }
        return b;
    }

    // Brings the picture to this frame's bends: the columns where a blade that took a step was or
    // is inked are cleared and every blade inked over them blended in again, in order.
    void update(double k, const QColor& ink) {
        const int count = static_cast<int>(steps_.size());
        if (put_.size() != steps_.size()) put_.assign(steps_.size(), INT_MIN);
        const int width = picture_.width(), bw = bladeSize_.width();
        // Where blade `n` was and is inked, on the picture's columns.
        const auto changed = [&](int n) -> std::array<int, 2> {
            const Blade& now = bladeAt(heightOf(n), steps_[n], k, ink);
            if (put_[n] == INT_MIN) return {left_[n], left_[n] + bw};
            const Blade& was = bladeAt(heightOf(n), put_[n], k, ink);
            return {left_[n] + std::min(now.left, was.left), left_[n] + std::max(now.right, was.right)};
        };
        Canvas canvas{picture_.bits(), static_cast<std::size_t>(picture_.bytesPerLine()), picture_.height()};
        int n = 0;
        while (n < count) {
            if (put_[n] == steps_[n]) {
                ++n;
                continue;
            }
            // A run of columns to put again: this blade's, and those of the changed blades after it
            // that meet it (one that begins before it only puts some columns again twice).
            auto [from, to] = changed(n);
            put_[n] = steps_[n];
            int m = n + 1;
            for (; m < count && left_[m] < to; ++m) {
                if (put_[m] == steps_[m]) continue;
                const auto [l, e] = changed(m);
                if (l > to) break;
                from = std::min(from, l);
                to = std::max(to, e);
                put_[m] = steps_[m];
            }
            from = std::max(from, 0);
            to = std::min(to, width);
            if (from < to) {
                for (int y = 0; y < canvas.height; ++y)
                    std::fill_n(reinterpret_cast<std::uint32_t*>(canvas.bits + y * canvas.stride) + from, to - from, 0u);
                int j = static_cast<int>(std::upper_bound(left_.begin(), left_.end(), from - bw) - left_.begin());
                for (; j < count && left_[j] < to; ++j) {
                    const Blade& b = bladeAt(heightOf(j), steps_[j], k, ink);
                    if (left_[j] + b.left < to && left_[j] + b.right > from) blend(canvas, b, left_[j], from, to);
                }
            }
            n = m;
        }
    }

    struct Canvas {
        uchar* bits;
        std::size_t stride;
        int height;
    };

    // Blends a blade with its corner at (x, top_) within columns [from, to).
    void blend(const Canvas& canvas, const Blade& b, int x, int from, int to) const {
        const uchar* bits = b.image.constBits();
        const auto stride = static_cast<std::size_t>(b.image.bytesPerLine());
        for (int r = std::max(b.top, -top_), last = std::min(b.bottom, canvas.height - top_); r < last; ++r) {
            const int l = std::max(b.rows[r][0], from - x), e = std::min(b.rows[r][1], to - x);
            if (l >= e) continue;
            const auto* src = reinterpret_cast<const std::uint32_t*>(bits + r * stride);
            auto* dst = reinterpret_cast<std::uint32_t*>(canvas.bits + (top_ + r) * canvas.stride) + x;
            for (int c = l; c < e; ++c) {
                const std::uint32_t s = src[c], d = dst[c];
                const std::uint32_t a = s >> 24;
                if (a == 255 || d == 0)
                    dst[c] = s;
                else if (s != 0)
                    dst[c] = s + scenery::byteMul(d, 255 - a);
            }
        }
    }

    std::array<double, 8> shape_{};
    double quantum_ = 1, time_ = 0;
    int first_ = 0, top_ = 0;
    QSize bladeSize_;
    std::vector<int> left_;    // each blade's left column on the picture
    std::vector<int> steps_;   // this frame's bends
    std::vector<int> put_;     // the bends the picture holds
    std::vector<Blade> blades_;  // by height and bend
    QImage picture_;
    std::uint64_t digest_ = 0;
};


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

    // The near hill hides the sky from its lowest top down (two device pixels below it, wherever
    // the clip's edge rounds to): the sky is drawn above it alone.
    {
        const QTransform dt = p.deviceTransform();
        const double scale = std::hypot(dt.m11(), dt.m12());
        const double hidden = F - 0.45 * 34 * k + (scale > 0 ? 2 / scale : 2);
        p.save();
        if (dt.type() <= QTransform::TxScale && hidden < H)
            p.setClipRect(QRectF(rect.left(), rect.top(), W, std::max(0.0, hidden)), Qt::IntersectClip);
        SkyView{look, time, false, false}.paint(p, rect);
        p.restore();
    }

    // Drawn by one thread at a time (the room draws its layers on a pool thread while it waits).
    static StillParts parts;
    static LandLayer land;
    parts.update(W, H, F, k);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(rect, Qt::IntersectClip);
    p.translate(rect.topLeft());
    p.setPen(Qt::NoPen);

    // Hills, far one first, and the ground (fence, lawn, and drifts or flowers): still, so kept.
    const double x0 = 0.12 * W;
    const double weatherClass = snowy ? 2 : (wet ? 1 : 0);
    const auto hills = [&](QPainter& q) {
        q.setBrush(faded(snowy ? c.hillFarSnow : c.hillFar, 0.8));
        q.drawPath(parts.hills[0]);
        q.setBrush(snowy ? c.hillNearSnow : c.hillNear);
        q.drawPath(parts.hills[1]);
    };
    const auto ground = [&](QPainter& q) { paintGround(q, parts, W, H, F, k, snowy, wet, night); };
    // The ground over the tree's foot: its trunk (7 units either side) below the drifts' tops.
    const QTransform pixel = p.deviceTransform();
    const double px = 2 / std::max(std::hypot(pixel.m11(), pixel.m12()), 1e-9);
    const QRectF foot(x0 - 8 * k - px, F - 3 * k - px, 16 * k + 2 * px, 3 * k + 1 + 2 * px);
    std::optional<scenery::StillDrawing> still;
    still.emplace();
    const bool kept = land.prepare(p, QRectF(0, F - 50 * k, W, H - F + 50 * k), foot,
                                   {W, H, F, k, weatherClass, double(night)}, hills, ground);
    if (kept)
        land.layLand(p);
    else
        hills(p);
    still.reset();

    // Tree: trunk, branches and crown sway together, drawn from kept pictures of its bend, in
    // steps that move the crown's far side (the whole sway) a quarter of a device pixel.
    const double sway = k * (2.2 * (0.5 + 0.5 * std::sin(0.31 * time) * std::sin(0.13 * time + 1.2)) +
                             1.6 * std::sin(0.9 * time));
    const QTransform dt = p.deviceTransform();
    const double swayStep = std::max(0.25 / std::max(std::hypot(dt.m11(), dt.m12()), 1e-9), 5.4 * k / 4000);
    const long bend = std::lround(sway / swayStep);
    const int palette = snowy ? 2 : (autumn ? 1 : 0);
    const std::uint64_t treeKey = 0x5452454500000000ull | static_cast<std::uint64_t>(palette) << 24 |
                                  (static_cast<std::uint64_t>(bend + (1 << 23)) & 0xFFFFFF);
    p.save();
    p.translate(x0, F);
    scenery::drawSprite(p, treeKey, QRectF(-42 * k, -101 * k, 86 * k, 102 * k + 2), [&](QPainter& q) {
        const double sw = bend * swayStep;
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

    // The ground over the tree's foot (drawn whole where the land is not kept).
    still.emplace();
    if (kept)
        land.layFoot(p);
    else
        ground(p);
    still.reset();

    // Grass: blades bent by a gust that travels along the lawn, kept as one picture.
    if (!snowy) {
        static Lawn lawn;
        lawn.paint(p, {W, F, k, time, wet}, wet ? c.grassWet : c.grassDry);
    }

    // A ripple on each puddle.
    if (wet) {
        for (int i = 0; i < 3; ++i) {
            const std::optional<QRectF> puddle = puddleAt(i, W, H, F, k);
            if (!puddle) continue;
            const double ph = frac(0.37 * i + 1.3 * time);
            const double inset = 0.42 * (1 - ph);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(0.6 * (1 - ph))), 0.8));
            p.drawEllipse(puddle->adjusted(inset * puddle->width(), inset * puddle->height(), -inset * puddle->width(),
                                           -inset * puddle->height()));
        }
    }
    p.restore();
}

}  // namespace kp
