#pragma once
// Offscreen renders for the onboarding tests, and a place to keep them as PNG for a look.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdlib>
#include <functional>

namespace kp::test {

inline QImage renderImage(int w, int h, const std::function<void(QPainter&)>& draw, double scale = 1.0) {
    QImage img(int(w * scale), int(h * scale), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
    p.end();
    return img;
}

// Saves into $KP_RENDER_DIR when it is set (a developer's look), else nowhere.
inline void keepRender(const QImage& img, const QString& name) {
    const char* dir = std::getenv("KP_RENDER_DIR");
    if (!dir || !*dir) return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    img.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline double luminance(QRgb c) { return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c); }

}  // namespace kp::test
