#pragma once
// Offscreen rendering helpers for the props' tests.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cmath>
#include <functional>

namespace kp::test {

// Renders `draw` into a transparent image of w x h at `zoom`, the painter's origin moved by `at`.
inline QImage render(int w, int h, const std::function<void(QPainter&)>& draw, QPointF at = {}, double zoom = 4) {
    QImage img(int(w * zoom), int(h * zoom), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(zoom, zoom);
    p.translate(at);
    draw(p);
    p.end();
    return img;
}

// The colour at a point given in the drawing's units.
inline QColor at(const QImage& img, double x, double y, double zoom = 4) {
    return img.pixelColor(int(x * zoom), int(y * zoom));
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && a.alpha() > 200;
}

// Whether any pixel in the region (in drawing units) is not fully transparent.
inline bool anyInk(const QImage& img, const QRectF& region, double zoom = 4) {
    const QRect r = QRect(int(std::floor(region.left() * zoom)), int(std::floor(region.top() * zoom)),
                          int(std::ceil(region.width() * zoom)), int(std::ceil(region.height() * zoom)))
                        .intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qAlpha(img.pixel(x, y)) > 8) return true;
    return false;
}

// The bounding box (in drawing units) of everything painted.
inline QRectF inkBounds(const QImage& img, double zoom = 4) {
    int minX = img.width(), minY = img.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 8) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    if (maxX < 0) return {};
    return QRectF(minX / zoom, minY / zoom, (maxX - minX + 1) / zoom, (maxY - minY + 1) / zoom);
}

inline int maxAlpha(const QImage& img) {
    int m = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) m = std::max(m, qAlpha(img.pixel(x, y)));
    return m;
}

}  // namespace kp::test
