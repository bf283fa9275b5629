#include "album/PageCurl.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kp::pagecurl {

namespace {
constexpr double pi = 3.14159265358979323846;

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


namespace {

// 8-bit multiply of all four channels of a premultiplied pixel.
inline quint32 byteMul(quint32 x, quint32 a) {
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// x * a + y * b per channel, with a + b = 256 (no channel can overflow).
inline quint32 mix256(quint32 x, quint32 a, quint32 y, quint32 b) {
    quint32 t = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    t = (t >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    return (x & 0xff00ff00) | t;
}

inline quint32 blend(quint32 a, quint32 b, quint32 f) { return mix256(a, 256 - f, b, f); }  // f 0...255

struct Column {
    const quint32* bits = nullptr;  // the face seen there; null: nothing
    qsizetype stride = 0;           // in pixels
    int width = 0, height = 0;
    float srcX = 0;                 // source column (pixel centres at .5 removed)
    float invScale = 1;             // 1 / perspective factor
    float srcScaleY = 1;            // source pixels per point, vertically
    quint32 keep = 255;             // light kept, 0...255
    // Filled per frame from the above: source x and its weight, source y as 16.16 fixed point
    // (y0 + row * dy) and the layer rows that the face covers.
    int ix = 0;
    quint32 wx = 0;
    qint32 sy0 = 0, sdy = 0;
    int rowStart = 0, rowEnd = 0;
    int safeStart = 0, safeEnd = 0;  // rows whose four taps all lie inside the image
    const quint32* base = nullptr;   // bits + ix
    quint32 shadow = 0;  // alpha of the cast shadow where no face lies
};

struct Layer {
    QImage image;
    std::vector<Column> columns;
};

Layer& layer() {
    static Layer l;
    return l;
}

inline quint32 fetch(const Column& c, int x, int y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return 0;
    return c.bits[y * c.stride + x];
}

}  // namespace

// The sheet is warped into an off-screen layer the way a fragment shader would: each layer column
// knows which point of the sheet lies there (the last, nearest one wins), and each pixel samples that
// face's image with bilinear filtering. The layer is then drawn in one go.
static void warpSheet(QPainter& painter, const QImage& frontIn, const QImage& backIn, const CurlArguments& args,
               const SheetGeometry& g) {
    const double W = g.pageSize.width(), H = g.pageSize.height();
    const QImage& ref = frontIn.isNull() ? backIn : frontIn;
    if (ref.isNull()) return;
    auto usable = [](const QImage& img) {
        return img.isNull() || img.format() == QImage::Format_ARGB32_Premultiplied
                   ? img
                   : img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const QImage front = usable(frontIn), back = usable(backIn);

    const double s = ref.width() / W;  // layer pixels per point
    const double left = W + 2;        // layer x of the spine, in points
    Layer& L = layer();
    const int lw = int(std::ceil((2 * W + 4) * s)), lh = int(std::ceil(1.6 * H * s));
    if (L.image.width() < lw || L.image.height() < lh) {
        L.image = QImage(std::max(lw, L.image.width()), std::max(lh, L.image.height()),
                         QImage::Format_ARGB32_Premultiplied);
    }
    if (int(L.columns.size()) < lw) L.columns.resize(lw);

    // The lifted sheet casts a soft shadow beside its free edge, on the pages under it only.
    const double reach = args.lift > 0.01 ? 0.22 * W * args.lift : 0;
    const double shadowLeft = g.hasParkedPage ? std::max(args.minX - reach, -W) : args.minX;
    const double shadowRight = std::min(args.maxX + reach, W);
    const int x0 = std::clamp(int(std::floor((std::min(shadowLeft, args.minX) + left) * s)) - 1, 0, lw);
    const int x1 = std::clamp(int(std::ceil((std::max(shadowRight, args.maxX) + left) * s)) + 1, x0, lw);
    if (x1 <= x0) return;
    for (int c = x0; c < x1; ++c) {
        Column& col = L.columns[c];
        col.bits = nullptr;
        col.shadow = 0;
        if (reach <= 0) continue;
        const double x = (c + 0.5) / s - left;  // points from the spine
        double fade = 0;
        if (x > args.maxX && x < shadowRight) fade = 1 - (x - args.maxX) / reach;
        else if (x < args.minX && x > shadowLeft) fade = 1 - (args.minX - x) / reach;
        col.shadow = quint32(std::clamp(fade * 90 * args.lift, 0.0, 255.0));
    }

    float maxScale = 1;
    for (int i = 0; i + 1 < sampleCount; ++i) {
        const double f0 = std::min<double>(args.flatX(i), W), f1 = std::min<double>(args.flatX(i + 1), W);
        if (f1 <= f0) continue;  // the guard past the free edge
        const double px0 = (args.projectedX(i) + left) * s, px1 = (args.projectedX(i + 1) + left) * s;
        if (std::abs(px1 - px0) < 1e-6) continue;  // seen edge-on
        const bool showsFront = px1 > px0;
        const QImage& img = showsFront ? front : back;
        if (img.isNull()) continue;
        const double p0 = args.scale(i), p1 = args.scale(i + 1);
        const double a0 = args.localAngle(i), a1 = args.localAngle(i + 1);
        maxScale = std::max({maxScale, float(p0), float(p1)});
        const double sx = img.width() / W;
        const int cs = std::max(x0, int(std::ceil(std::min(px0, px1) - 0.5)));
        const int ce = std::min(x1 - 1, int(std::floor(std::max(px0, px1) - 0.5)));
        for (int c = cs; c <= ce; ++c) {
            const double t = (c + 0.5 - px0) / (px1 - px0);
            const double f = f0 + (f1 - f0) * t;
            const double light = std::abs(std::cos(a0 + (a1 - a0) * t));
            const int shade = std::min(160, int(150 * (1 - light) * (1 - light * 0.35)));
            Column& col = L.columns[c];
            col.bits = reinterpret_cast<const quint32*>(img.constBits());
            col.stride = img.bytesPerLine() / 4;
            col.width = img.width();
            col.height = img.height();
            // The back is seen through the sheet: flat x f shows its column W - f.
            col.srcX = float((showsFront ? f : W - f) * sx - 0.5);
            col.invScale = float(1.0 / (p0 + (p1 - p0) * t));
            col.srcScaleY = float(img.height() / H);
            col.keep = quint32(255 - shade);
        }
    }

    const double cy = 0.8 * H * s;  // the page's middle row in the layer
    const double halfSpan = H / 2 * maxScale * s + 2;
    const int y0 = std::clamp(int(std::floor(cy - halfSpan)), 0, lh);
    const int y1 = std::clamp(int(std::ceil(cy + halfSpan)), y0, lh);
    for (int c = x0; c < x1; ++c) {
        Column& col = L.columns[c];
        if (!col.bits) continue;
        // Source row for layer row y: ((y + 0.5 - cy) * invScale / s + H / 2) * srcScaleY - 0.5.
        const double a = col.invScale / s * col.srcScaleY;
        const double b = ((0.5 - cy) * col.invScale / s + H / 2) * col.srcScaleY - 0.5;
        col.sdy = qint32(std::lround(a * 65536));
        col.sy0 = qint32(std::lround(b * 65536));
        // Rows whose source row lies in -1 ... height (the edge rows fade out through the filter).
        col.rowStart = std::clamp(int(std::ceil((-1 - b) / a)), y0, y1);
        col.rowEnd = std::clamp(int(std::ceil((col.height - b) / a)), col.rowStart, y1);
        const float fx = std::floor(col.srcX);
        col.ix = int(fx);
        col.wx = quint32((col.srcX - fx) * 256);
        col.base = col.bits + col.ix;
        col.safeStart = col.safeEnd = col.rowStart;
        if (col.ix >= 0 && col.ix + 1 < col.width) {
            // 0 <= iy and iy + 1 < height, with iy = (sy0 + y * sdy) >> 16.
            int a0 = col.rowStart, a1 = col.rowEnd;
            while (a0 < a1 && ((col.sy0 + a0 * col.sdy) >> 16) < 0) ++a0;
            while (a1 > a0 && ((col.sy0 + (a1 - 1) * col.sdy) >> 16) + 1 >= col.height) --a1;
            col.safeStart = a0;
            col.safeEnd = a1;
        }
    }
    const int pageTop = int(std::lround(0.3 * H * s)), pageBottom = int(std::lround(1.3 * H * s));
    uchar* const layerBits = L.image.bits();
    const qsizetype layerStride = L.image.bytesPerLine();
    auto rows = [&](int from, int to) {
    for (int y = from; y < to; ++y) {
        quint32* out = reinterpret_cast<quint32*>(layerBits + y * layerStride);
        for (int c = x0; c < x1; ++c) {
            const Column& col = L.columns[c];
            if (!col.bits) {
                out[c] = (y >= pageTop && y < pageBottom) ? col.shadow << 24 : 0;
                continue;
            }
            if (y < col.rowStart || y >= col.rowEnd) {
                out[c] = 0;
                continue;
            }
            const qint32 sy = col.sy0 + y * col.sdy;
            const int iy = sy >> 16;
            const quint32 wy = quint32(sy >> 8) & 0xff;
            const int ix = col.ix;
            quint32 p00, p10, p01, p11;
            if (y >= col.safeStart && y < col.safeEnd) {
                const quint32* r = col.base + iy * col.stride;
#ifdef __SSE2__
                // Four taps weighed in 16-bit lanes; the shading rides on the colour lanes' weights.
                const int w11 = int((col.wx * wy) >> 8), w10 = int(col.wx) - w11, w01 = int(wy) - w11;
                const int w00 = 256 - int(col.wx) - int(wy) + w11;
                const int k = int(col.keep) + 1;
                const __m128i zero = _mm_setzero_si128();
                const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r)), zero);
                const __m128i bottom =
                    _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + col.stride)), zero);
                const short c00 = short((w00 * k) >> 8), c10 = short((w10 * k) >> 8);
                const short c01 = short((w01 * k) >> 8), c11 = short((w11 * k) >> 8);
                const __m128i wt = _mm_setr_epi16(c00, c00, c00, short(w00), c10, c10, c10, short(w10));
                const __m128i wb = _mm_setr_epi16(c01, c01, c01, short(w01), c11, c11, c11, short(w11));
                __m128i sum = _mm_add_epi16(_mm_mullo_epi16(top, wt), _mm_mullo_epi16(bottom, wb));
                sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
                sum = _mm_srli_epi16(sum, 8);
                out[c] = quint32(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
                continue;
#endif
                p00 = r[0];
                p10 = r[1];
                p01 = r[col.stride];
                p11 = r[col.stride + 1];
            } else {
                p00 = fetch(col, ix, iy);
                p10 = fetch(col, ix + 1, iy);
                p01 = fetch(col, ix, iy + 1);
                p11 = fetch(col, ix + 1, iy + 1);
            }
            quint32 px = blend(blend(p00, p10, col.wx), blend(p01, p11, col.wx), wy);
            // Shading darkens the colour and leaves the coverage alone.
            if (col.keep < 255) px = (byteMul(px, col.keep) & 0x00ffffff) | (px & 0xff000000);
            out[c] = px;
        }
    }
    };
    // A large sheet (a high pixel ratio) shares its rows with a second thread, to keep in the frame.
    if (std::int64_t(x1 - x0) * (y1 - y0) > 400000) {
        const int middle = (y0 + y1) / 2;
        auto lower = std::async(std::launch::async, rows, middle, y1);
        rows(y0, middle);
        lower.wait();
    } else {
        rows(y0, y1);
    }

    const QPointF layerOrigin(g.pageTopLeft.x() - left, g.pageTopLeft.y() - 0.3 * H);
    const QRect source(x0, y0, x1 - x0, y1 - y0);
    const QPointF topLeft = layerOrigin + QPointF(x0 / s, y0 / s);
    const QTransform device = painter.deviceTransform();
    painter.save();
    if (device.type() <= QTransform::TxScale && std::abs(device.m11() - s) < 1e-6 && std::abs(device.m22() - s) < 1e-6) {
        // The layer is at the device's own scale: copy it to whole device pixels, without filtering.
        const QPointF at = device.map(topLeft);
        painter.resetTransform();
        L.image.setDevicePixelRatio(1);
        painter.drawImage(QPoint(int(std::lround(at.x())), int(std::lround(at.y()))), L.image, source);
    } else {
        L.image.setDevicePixelRatio(s);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRectF(topLeft, QSizeF(source.width() / s, source.height() / s)), L.image, QRectF(source));
    }
    painter.restore();
}

void drawSheet(QPainter& painter, const QImage& front, const QImage& back, const CurlArguments& args,
               const SheetGeometry& g) {
    const double W = g.pageSize.width(), H = g.pageSize.height();
    if (W <= 1 || H <= 1) return;

    warpSheet(painter, front, back, args, g);
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
