#include "album/PageCurl.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

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
    // Weights of the left and right taps, shading included on the colour lanes (B G R A order).
    alignas(16) qint16 across[8] = {};
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

// The sheet's pixel at layer row y of a column: the face filtered and shaded, the cast shadow where
// no face lies (on the page rows only), or nothing.
inline quint32 sheetPixel(const Column& col, int y, bool pageRow) {
    if (!col.bits) return pageRow ? col.shadow << 24 : 0;
    if (y < col.rowStart || y >= col.rowEnd) return 0;
    const qint32 sy = col.sy0 + y * col.sdy;
    const int iy = sy >> 16;
    const quint32 wy = quint32(sy >> 8) & 0xff;
    const int ix = col.ix;
    quint32 p00, p10, p01, p11;
    if (y >= col.safeStart && y < col.safeEnd) {
        const quint32* r = col.base + iy * col.stride;
#ifdef __SSE2__
        // Across first, with the column's weights (the shading rides on the colour lanes'), then
        // down; every lane stays within 16 bits.
        const __m128i zero = _mm_setzero_si128();
        const __m128i wh = _mm_load_si128(reinterpret_cast<const __m128i*>(col.across));
        const __m128i top = _mm_mullo_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r)), zero), wh);
        const __m128i bottom = _mm_mullo_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + col.stride)), zero), wh);
        const __m128i rows = _mm_srli_epi16(
            _mm_add_epi16(_mm_unpacklo_epi64(top, bottom), _mm_unpackhi_epi64(top, bottom)), 8);
        const __m128i wv = _mm_unpacklo_epi64(_mm_set1_epi16(short(256 - wy)), _mm_set1_epi16(short(wy)));
        __m128i sum = _mm_mullo_epi16(rows, wv);
        sum = _mm_srli_epi16(_mm_add_epi16(sum, _mm_srli_si128(sum, 8)), 8);
        return quint32(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
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
    return px;
}

// Where the warped pixels go. Layer pixel (c, y) lands on pixel (c + dx, y + dy) of `bits`, within
// `boxes` (in layer pixels). `over`: drawn over what is there; otherwise written as they are.
struct Sink {
    uchar* bits = nullptr;
    qsizetype stride = 0;
    int dx = 0, dy = 0;
    bool over = false;
    std::vector<QRect> boxes;
};

// The painter's own raster image when the sheet can be drawn straight into it: it paints at the
// layer's scale, over, fully opaque and without a clip of its own (the window system's damaged
// region is kept to). Saves filling a layer and blending all of it afterwards.
std::optional<Sink> directSink(QPainter& painter, double s, const QPointF& layerOrigin, const QRect& area) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping() || painter.opacity() < 1 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return std::nullopt;
    const QImage& image = *static_cast<QImage*>(device);
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_RGB32)
        return std::nullopt;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale || std::abs(t.m11() - s) > 1e-6 || std::abs(t.m22() - s) > 1e-6)
        return std::nullopt;
    Sink sink;
    // The engine draws into this very buffer; writing through it keeps the two together.
    sink.bits = const_cast<uchar*>(image.constBits());
    sink.stride = image.bytesPerLine();
    const QPointF at = t.map(layerOrigin);
    sink.dx = int(std::lround(at.x()));
    sink.dy = int(std::lround(at.y()));
    sink.over = true;
    QRegion allowed = engine->systemClip();
    if (allowed.isEmpty()) allowed = QRegion(image.rect());
    else allowed &= image.rect();
    for (const QRect& r : allowed) {
        const QRect box = r.translated(-sink.dx, -sink.dy) & area;
        if (!box.isEmpty()) sink.boxes.push_back(box);
    }
    return sink;
}

// Two threads that share the rows of a large sheet (a high pixel ratio) with the main thread, to
// keep in the frame. They are started before the first turn and then wait, without waking, for the
// next sheet. The rows go out in bands that any thread takes: when the helpers are slow to wake (a
// busy machine) the main thread takes the bands itself and waits only for those a helper has begun.
class Helper {
public:
    static constexpr int kHelpers = 2;
    static Helper& shared() {
        static Helper* helper = new Helper;  // lives as long as the process; never joined
        return *helper;
    }

    // Runs band(0) ... band(count - 1), each once, on this thread and the helpers.
    void share(int count, const std::function<void(int)>& band) {
        {
            std::lock_guard lock(mutex_);
            job_ = &band;
            count_ = count;
            next_.store(0);
            ++generation_;
        }
        wake_.notify_all();
        work(band, count);
        std::unique_lock lock(mutex_);
        job_ = nullptr;  // no helper takes up this sheet any more
        done_.wait(lock, [this] { return busy_ == 0; });
    }

private:
    // A helper that cannot be started is not there to wait for: the main thread takes its bands.
    Helper() {
        for (int i = 0; i < kHelpers; ++i) {
            try {
                std::thread([this] { run(); }).detach();
            } catch (const std::system_error&) {
            }
        }
    }

    void work(const std::function<void(int)>& band, int count) {
        for (int i = next_.fetch_add(1); i < count; i = next_.fetch_add(1)) band(i);
    }

    void run() {
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != seen; });
            seen = generation_;
            if (!job_) continue;
            const std::function<void(int)>& band = *job_;
            const int count = count_;
            ++busy_;
            lock.unlock();
            work(band, count);
            lock.lock();
            if (--busy_ == 0) done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0};
    std::uint64_t generation_ = 0;
    int busy_ = 0;  // helpers working on the sheet
};

}  // namespace

// The sheet is warped the way a fragment shader would: each layer column knows which point of the
// sheet lies there (the last, nearest one wins), and each pixel samples that face's image with
// bilinear filtering, straight into the painter's image where it can, else into an off-screen layer
// that is then drawn in one go.
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

    // Layer pixels per point: the faces' pixel ratio when they were drawn at it (their size rounded
    // up to whole pixels), so that the layer lies pixel for pixel on a painter at that ratio.
    const double dpr = ref.devicePixelRatio();
    const double s = std::abs(ref.width() - dpr * W) < 1 && std::abs(ref.height() - dpr * H) < 1 ? dpr : ref.width() / W;
    const double left = W + 2;        // layer x of the spine, in points
    Layer& L = layer();
    const int lw = int(std::ceil((2 * W + 4) * s)), lh = int(std::ceil(1.6 * H * s));
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
        const int k = int(col.keep) + 1, a0 = 256 - int(col.wx), a1 = int(col.wx);
        const qint16 c0 = qint16((a0 * k) >> 8), c1 = qint16((a1 * k) >> 8);
        const qint16 across[8] = {c0, c0, c0, qint16(a0), c1, c1, c1, qint16(a1)};
        std::copy(across, across + 8, col.across);
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
    const QRect area(x0, y0, x1 - x0, y1 - y0);
    const QPointF layerOrigin(g.pageTopLeft.x() - left, g.pageTopLeft.y() - 0.3 * H);

    std::optional<Sink> direct = directSink(painter, s, layerOrigin, area);
    Sink sink;
    if (direct) {
        sink = std::move(*direct);
    } else {
        if (L.image.width() < lw || L.image.height() < lh) {
            L.image = QImage(std::max(lw, L.image.width()), std::max(lh, L.image.height()),
                             QImage::Format_ARGB32_Premultiplied);
        }
        sink.bits = L.image.bits();
        sink.stride = L.image.bytesPerLine();
        sink.boxes = {area};
    }
    const std::vector<Column>& columns = L.columns;
    const qsizetype outStride = sink.stride / 4;
    quint32* const outOrigin = reinterpret_cast<quint32*>(sink.bits + sink.dy * sink.stride) + sink.dx;
    // Rows y0 ... y1 of column c, one column at a time inside a tile: what a column needs stays in
    // registers and only its rows that show something are visited.
    auto run = [&](int c, int ya, int yb) {
        const Column& col = columns[c];
        quint32* out = outOrigin + c;
        auto put = [&](int y, quint32 px) {
            quint32& o = out[y * outStride];
            if (!sink.over) o = px;
            else if (const quint32 alpha = px >> 24; alpha == 255) o = px;
            else if (alpha) o = px + byteMul(o, 255 - alpha);
        };
        auto zero = [&](int from, int to) {
            if (!sink.over)
                for (int y = from; y < to; ++y) out[y * outStride] = 0;
        };
        if (!col.bits) {
            const int pa = std::clamp(pageTop, ya, yb), pb = std::clamp(pageBottom, pa, yb);
            zero(ya, pa);
            if (col.shadow || !sink.over)
                for (int y = pa; y < pb; ++y) put(y, col.shadow << 24);
            zero(pb, yb);
            return;
        }
        const int ra = std::clamp(col.rowStart, ya, yb), rb = std::clamp(col.rowEnd, ra, yb);
        const int sa = std::clamp(col.safeStart, ra, rb), sb = std::clamp(col.safeEnd, sa, rb);
        zero(ya, ra);
        for (int y = ra; y < sa; ++y) put(y, sheetPixel(col, y, true));
#ifdef __SSE2__
        // Inside the image: all four taps at hand, across with the column's weights (the shading
        // rides on the colour lanes'), then down; every lane stays within 16 bits.
        const __m128i zeros = _mm_setzero_si128();
        const __m128i wh = _mm_load_si128(reinterpret_cast<const __m128i*>(col.across));
        const qsizetype stride = col.stride;
        qint32 sy = col.sy0 + sa * col.sdy;
        for (int y = sa; y < sb; ++y, sy += col.sdy) {
            const quint32* r = col.base + (sy >> 16) * stride;
            const __m128i top = _mm_mullo_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r)), zeros), wh);
            const __m128i bottom = _mm_mullo_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + stride)), zeros), wh);
            const __m128i both = _mm_srli_epi16(
                _mm_add_epi16(_mm_unpacklo_epi64(top, bottom), _mm_unpackhi_epi64(top, bottom)), 8);
            const short wy = short((sy >> 8) & 0xff);
            const __m128i wv = _mm_unpacklo_epi64(_mm_set1_epi16(short(256 - wy)), _mm_set1_epi16(wy));
            __m128i sum = _mm_mullo_epi16(both, wv);
            sum = _mm_srli_epi16(_mm_add_epi16(sum, _mm_srli_si128(sum, 8)), 8);
            put(y, quint32(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum))));
        }
#else
        for (int y = sa; y < sb; ++y) put(y, sheetPixel(col, y, true));
#endif
        for (int y = sb; y < rb; ++y) put(y, sheetPixel(col, y, true));
        zero(rb, yb);
    };
    // In tiles: a column reads its face along a slant, so a tile's reads stay in the cache.
    constexpr int tileRows = 32;
    auto rows = [&](int from, int to) {
        for (const QRect& box : sink.boxes) {
            const int ya = std::max(from, box.top()), yb = std::min(to, box.bottom() + 1);
            for (int ty = ya; ty < yb; ty += tileRows) {
                const int te = std::min(yb, ty + tileRows);
                for (int c = box.left(); c <= box.right(); ++c) run(c, ty, te);
            }
        }
    };
    std::int64_t pixels = 0;
    int top = y1, bottom = y0;
    for (const QRect& box : sink.boxes) {
        pixels += std::int64_t(box.width()) * box.height();
        top = std::min(top, box.top());
        bottom = std::max(bottom, box.bottom() + 1);
    }
    // A large sheet shares its rows out.
    if (pixels > 300000) {
        constexpr int band = 2 * tileRows;
        const std::function<void(int)> part = [&rows, top, bottom](int i) {
            rows(top + i * band, std::min(bottom, top + (i + 1) * band));
        };
        Helper::shared().share((bottom - top + band - 1) / band, part);
    } else {
        rows(top, bottom);
    }
    if (direct) return;

    const QRect& source = area;
    const QPointF topLeft = layerOrigin + QPointF(x0 / s, y0 / s);
    const QTransform device = painter.deviceTransform();
    if (device.type() <= QTransform::TxScale && std::abs(device.m11() - s) < 1e-6 && std::abs(device.m22() - s) < 1e-6) {
        // The layer is at the device's own scale: copy it to whole device pixels, without filtering.
        blitAtDevicePixels(painter, device.map(topLeft), L.image, source);
        return;
    }
    painter.save();
    L.image.setDevicePixelRatio(s);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(topLeft, QSizeF(source.width() / s, source.height() / s)), L.image, QRectF(source));
    painter.restore();
}

void blitAtDevicePixels(QPainter& painter, const QPointF& devicePoint, const QImage& image, const QRect& source) {
    // The device transform is the world transform followed by the device's own (its pixel ratio, a
    // widget's place in its window): undo the latter and move by whole pixels.
    const QTransform world = painter.worldTransform();
    bool invertible = false;
    const QTransform toDevice = painter.deviceTransform().inverted(&invertible);
    if (!invertible) return;
    painter.save();
    painter.setWorldTransform(
        QTransform::fromTranslate(std::round(devicePoint.x()), std::round(devicePoint.y())) * toDevice * world);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(source.size())), image, QRectF(source));
    painter.restore();
}

void prepare(const QSizeF& pageSize, double dpr) {
    Helper::shared();
    const int lw = int(std::ceil((2 * pageSize.width() + 4) * std::max(dpr, 1.0)));
    if (lw > 0 && int(layer().columns.size()) < lw) layer().columns.resize(lw);
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
