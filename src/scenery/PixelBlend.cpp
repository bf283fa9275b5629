#include "scenery/PixelBlend.h"

#include <QPaintDevice>
#include <QRgba64>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace kp::scenery {

namespace {

// Eight pixels at a time, each channel in a 16-bit lane (a byte's product fits): the compiler
// turns it into the machine's vector instructions, the widest the processor has.
using Lanes = std::uint16_t __attribute__((vector_size(32)));
using Pixels = std::uint32_t __attribute__((vector_size(32)));
constexpr int kAtOnce = 8;

__attribute__((target_clones("avx2", "default"))) void tintRow(std::uint32_t* dst, const std::uint32_t* src, int n,
                                                                std::uint32_t tint) {
    const std::uint32_t keep = 255 - (tint >> 24);
    const Lanes lanes = Lanes{} + static_cast<std::uint16_t>(keep);
    const Pixels over = Pixels{} + tint;
    const Lanes half = Lanes{} + 0x80;
    const Lanes low = Lanes{} + 0xff;
    int i = 0;
    for (; i + kAtOnce <= n; i += kAtOnce) {
        Pixels s;
        std::memcpy(&s, src + i, sizeof s);
        Lanes rb = (reinterpret_cast<Lanes>(s) & low) * lanes;
        Lanes ag = (reinterpret_cast<Lanes>(s) >> 8) * lanes;
        rb = (rb + (rb >> 8) + half) >> 8;
        ag = (ag + (ag >> 8) + half) & ~low;
        const Pixels d = over + reinterpret_cast<Pixels>(rb | ag);
        std::memcpy(dst + i, &d, sizeof d);
    }
    for (; i < n; ++i) dst[i] = tint + byteMul(src[i], keep);
}

}  // namespace

QRgb solidPixel(const QColor& colour) { return qPremultiply(colour.rgba64()).toArgb32(); }

bool layTinted(QPainter& p, const QImage& picture, const QRegion& where, QRgb tint) {
    constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;
    QPaintDevice* device = p.device();
    if (!device || device->devType() != QInternal::Image || picture.format() != kFormat) return false;
    auto& target = *static_cast<QImage*>(device);
    const QTransform t = p.deviceTransform();
    if (target.format() != kFormat || t.type() > QTransform::TxTranslate || t.dx() != std::round(t.dx()) ||
        t.dy() != std::round(t.dy()))
        return false;
    const QPoint shift(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    QRect within = target.rect();
    if (p.hasClipping()) {
        const QRegion clip = p.clipRegion();
        if (clip.rectCount() > 1) return false;
        within &= clip.boundingRect().translated(shift);  // the clip is given in the painter's units
    }
    const auto stride = static_cast<std::size_t>(target.bytesPerLine());
    const auto from = static_cast<std::size_t>(picture.bytesPerLine());
    uchar* bits = target.bits();
    for (const QRect& r : where) {
        const QRect onto = r.translated(shift) & within;
        if (onto.isEmpty()) continue;
        const QPoint src = onto.topLeft() - shift;
        for (int y = 0; y < onto.height(); ++y)
            tintRow(reinterpret_cast<std::uint32_t*>(bits + static_cast<std::size_t>(onto.top() + y) * stride) + onto.left(),
                    reinterpret_cast<const std::uint32_t*>(picture.constBits() + static_cast<std::size_t>(src.y() + y) * from) +
                        src.x(),
                    onto.width(), tint);
    }
    return true;
}

}  // namespace kp::scenery
