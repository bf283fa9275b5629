#include "album/PageCurl.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kp::pagecurl {

namespace {
constexpr double pi = 3.14159265358979323846;

constexpr QRgb shadeColour = qRgb(20, 12, 6);

// The face's shape in the shade colour, so shading darkens the page and not what lies beside its
// rounded corners. Made once per face image (a turn reuses its two faces on every frame).
const QImage& silhouette(const QImage& face) {
    struct Entry { qint64 key = 0; QImage image; };
    static Entry cache[4];
    static int next = 0;
    for (const Entry& e : cache)
        if (e.key == face.cacheKey() && !e.image.isNull()) return e.image;
    Entry& e = cache[next];
    next = (next + 1) % 4;
    e.key = face.cacheKey();
    e.image = face.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&e.image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(e.image.rect(), QColor(shadeColour));
    return e.image;
}

inline void put(CurlArguments& out, int i, double x, double z, double s, double a, double fx) {
    float* p = out.curve.data() + i * floatsPerSample;
    p[0] = float(x);
    p[1] = float(z);
    p[2] = float(s);
    p[3] = float(a);
    p[4] = float(fx);
}
}  // namespace

void curlArguments(double angle, double bend, double width, double height, CurlArguments& out) {
    const double W = width;
    double theta = angle * pi / 180.0;
    if (!(theta >= -pi)) theta = -pi;  // NaN lands here too
    if (theta > 0) theta = 0;
    const double A = std::sin(theta) * (-0.6 * bend);
    const double invW = W > 0 ? 1.0 / W : 0.0;
    auto phi = [&](double x) {
        const double u = x * invW;
        return std::clamp(theta + A * u * u, -pi, 0.0);
    };
    const double R = 3.2 * std::max(W, height);
    const double step = W / 36.0;

    put(out, 0, 0, 0, 1, phi(0), 0);
    double X = 0, Z = 0, maxZ = 0;
    double lo = 0, hi = 0;
    for (int i = 0; i < 36; ++i) {
        const double m = phi((i + 0.5) * step);
        X += step * std::cos(m);
        Z -= step * std::sin(m);
        const double P = R / (R - Z);
        const double px = X * P;
        put(out, i + 1, px, Z, P, phi((i + 1) * step), (i + 1) * step);
        lo = std::min(lo, px);
        hi = std::max(hi, px);
        maxZ = std::max(maxZ, Z);
    }
    const double e = phi(W);
    X += 1.5 * std::cos(e);
    Z -= 1.5 * std::sin(e);
    const double P = R / (R - Z);
    put(out, 37, X * P, Z, P, phi(W + 1.5), W + 1.5);
    lo = std::min(lo, X * P);
    hi = std::max(hi, X * P);
    maxZ = std::max(maxZ, Z);

    out.minX = lo;
    out.maxX = hi;
    out.lift = W > 0 ? std::min(maxZ / (0.3 * W), 1.0) : 0.0;
}

CurlArguments curlArguments(double angle, double bend, double width, double height) {
    CurlArguments a;
    curlArguments(angle, bend, width, height, a);
    return a;
}

void drawSheet(QPainter& painter, const QImage& front, const QImage& back, const CurlArguments& args,
               const SheetGeometry& g) {
    const double W = g.pageSize.width(), H = g.pageSize.height();
    if (W <= 1 || H <= 1) return;
    const double spineX = g.pageTopLeft.x();
    const double cy = g.pageTopLeft.y() + H / 2;

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Shadow the lifted sheet casts beside its free edge, kept on the pages under it.
    if (args.lift > 0.01) {
        const double reach = 0.22 * W * args.lift;
        const int alpha = int(90 * args.lift);
        auto band = [&](double from, double to, double limit) {
            // from: the sheet's edge; to: where the shadow has faded; limit: the page's outer edge.
            const double a = std::min(from, to), b = std::max(from, to);
            QRectF r(QPointF(a, g.pageTopLeft.y()), QPointF(b, g.pageTopLeft.y() + H));
            const QRectF page = limit > spineX ? QRectF(spineX, g.pageTopLeft.y(), W, H)
                                               : QRectF(spineX - W, g.pageTopLeft.y(), W, H);
            r = r.intersected(page);
            if (r.isEmpty()) return;
            QLinearGradient grad(QPointF(from, 0), QPointF(to, 0));
            grad.setColorAt(0, QColor(0, 0, 0, alpha));
            grad.setColorAt(1, QColor(0, 0, 0, 0));
            painter.fillRect(r, grad);
        };
        const double right = spineX + args.maxX;
        if (args.maxX > 0.5) band(right, right + reach, spineX + W);
        const double left = spineX + args.minX;
        if (g.hasParkedPage && args.minX < -0.5) band(left, left - reach, spineX - W);
    }

    const double sxFront = front.isNull() ? 0 : front.width() / W;
    const double syFront = front.isNull() ? 0 : front.height() / H;
    const double sxBack = back.isNull() ? 0 : back.width() / W;
    const double syBack = back.isNull() ? 0 : back.height() / H;

    for (int i = 0; i + 1 < sampleCount; ++i) {
        const double x0 = args.projectedX(i), x1 = args.projectedX(i + 1);
        const double p0 = args.scale(i), p1 = args.scale(i + 1);
        const double f0 = std::min<double>(args.flatX(i), W), f1 = std::min<double>(args.flatX(i + 1), W);
        if (f1 <= f0) continue;  // the guard sample past the free edge
        const double a0 = args.localAngle(i), a1 = args.localAngle(i + 1);
        const double span = x1 - x0;
        if (std::abs(span) < 1e-4) continue;  // seen edge-on
        const bool showsFront = span > 0;
        const QImage& img = showsFront ? front : back;
        if (img.isNull()) continue;
        const double sx = showsFront ? sxFront : sxBack, sy = showsFront ? syFront : syBack;
        // Thin sub-strips keep the perspective's slanted top and bottom edges close to straight.
        const int k = std::clamp(int(std::ceil(std::abs(span) / 3.0)), 1, 8);
        for (int j = 0; j < k; ++j) {
            const double t0 = double(j) / k, t1 = double(j + 1) / k;
            const double xa = x0 + span * t0, xb = x0 + span * t1;
            const double fa = f0 + (f1 - f0) * t0, fb = f0 + (f1 - f0) * t1;
            const double pm = p0 + (p1 - p0) * (t0 + t1) * 0.5;
            const double am = a0 + (a1 - a0) * (t0 + t1) * 0.5;
            const double half = H * 0.5 * pm;
            const QRectF target(QPointF(spineX + std::min(xa, xb), cy - half),
                                QPointF(spineX + std::max(xa, xb), cy + half));
            // The back image is seen mirrored through the sheet: flat x f shows its column W - f.
            const double ca = showsFront ? fa : W - fb;
            const double cb = showsFront ? fb : W - fa;
            const QRectF source(ca * sx, 0, (cb - ca) * sx, H * sy);
            painter.drawImage(target, img, source);
            // Light from the viewer: a face tilted away from it darkens.
            const double c = std::abs(std::cos(am));
            const int shade = int(150 * (1 - c) * (1 - c * 0.35));
            if (shade > 1) {
                const int a = std::min(shade, 160);
                if (fa < g.cornerRadius || fb > W - g.cornerRadius) {
                    // Strips with rounded corners: darken through the face's own shape.
                    painter.setOpacity(a / 255.0);
                    painter.drawImage(target, silhouette(img), source);
                    painter.setOpacity(1);
                } else {
                    painter.fillRect(target, QColor(qRed(shadeColour), qGreen(shadeColour), qBlue(shadeColour), a));
                }
            }
        }
    }
    painter.restore();
}

QTransform leanTransform(double leanDegrees, const QPointF& topLeft, const QSizeF& size) {
    if (leanDegrees == 0 || !std::isfinite(leanDegrees)) return {};
    const double cy = topLeft.y() + size.height() / 2;
    // Rotation about the vertical axis seen from 2 x the page's larger side away.
    const double a = leanDegrees * pi / 180;
    const double d = 2 * std::max(size.width(), size.height());
    const QTransform rot(std::cos(a), 0, -std::sin(a) / d, 0, 1, 0, 0, 0, 1);
    return QTransform::fromTranslate(-topLeft.x(), -cy) * rot * QTransform::fromTranslate(topLeft.x(), cy);
}

}  // namespace kp::pagecurl
