#pragma once
// Small helpers for the furniture tests: offscreen canvases and colour checks.
#include "rooms/RoomKit.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace kp::test {

inline constexpr QRgb kBackdrop = 0xFF102030;  // a colour no piece uses

// A room-sized canvas (1 pixel per point) filled with kBackdrop.
inline QImage canvas(double width, double height) {
    QImage img(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    img.fill(kBackdrop);
    return img;
}

// Colour distance (largest channel difference).
inline int colourDistance(QRgb a, QColor b) {
    return std::max({std::abs(qRed(a) - b.red()), std::abs(qGreen(a) - b.green()), std::abs(qBlue(a) - b.blue())});
}

inline bool near(const QImage& img, double x, double y, const char* hex, int tolerance = 12) {
    return colourDistance(img.pixel(static_cast<int>(x), static_cast<int>(y)), QColor(hex)) <= tolerance;
}

inline bool isBackdrop(const QImage& img, double x, double y) {
    return img.pixel(static_cast<int>(x), static_cast<int>(y)) == kBackdrop;
}

// Pixels close to `hex` inside `r`.
inline int countNear(const QImage& img, const QRect& r, const char* hex, int tolerance = 12) {
    int n = 0;
    const QColor c(hex);
    for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x)
            if (colourDistance(img.pixel(x, y), c) <= tolerance) ++n;
    return n;
}

// The bounding box of every pixel that is not the backdrop.
inline QRect paintedBounds(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != kBackdrop) box |= QRect(x, y, 1, 1);
    return box;
}

inline RoomFrame roomFrame(double t, double width = 640, double height = 160) {
    RoomFrame f;
    f.t = t;
    f.width = width;
    f.height = height;
    f.floorLine = room::floorLine(height);
    return f;
}

}  // namespace kp::test
