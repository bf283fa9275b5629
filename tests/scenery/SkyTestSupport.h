#pragma once
// Offscreen renders and pixel questions for the sky, window, garden and cat house tests.
#include <QColor>
#include <QImage>
#include <QPainter>

#include <functional>

namespace kp::testing {

inline QImage renderScene(int w, int h, const std::function<void(QPainter&)>& draw) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    draw(p);
    p.end();
    return img;
}

inline QColor at(const QImage& img, double x, double y) { return img.pixelColor(int(x), int(y)); }

inline bool near(const QColor& a, const QColor& b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Whether any pixel inside `area` differs between the two images by more than `tolerance` in a channel.
inline bool differIn(const QImage& a, const QImage& b, const QRect& area, int tolerance = 0) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pa = a.pixel(x, y), pb = b.pixel(x, y);
            if (std::abs(qRed(pa) - qRed(pb)) > tolerance || std::abs(qGreen(pa) - qGreen(pb)) > tolerance ||
                std::abs(qBlue(pa) - qBlue(pb)) > tolerance || std::abs(qAlpha(pa) - qAlpha(pb)) > tolerance)
                return true;
        }
    return false;
}

inline int countPixels(const QImage& img, const QRect& area, const std::function<bool(const QColor&)>& pred) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pred(img.pixelColor(x, y))) ++n;
    return n;
}

// Everything outside `inside` is untouched (fully transparent).
inline bool blankOutside(const QImage& img, const QRect& inside) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!inside.contains(x, y) && qAlpha(img.pixel(x, y)) != 0) return false;
    return true;
}

}  // namespace kp::testing
