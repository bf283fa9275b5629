// The film's picture: the street canvas with its house, and the overlay that frames it.
#include "onboarding/OnboardKit.h"
#include "onboarding/StoryFilm.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace kp::story {
namespace {

using onboard::blend;
using onboard::hex;

struct Map {
    double cx, z, W, groundY;
    double x(double wx) const { return (wx - cx) * z + W / 2; }
    double y(double wy) const { return wy * z + groundY; }
    QPointF at(double wx, double wy) const { return {x(wx), y(wy)}; }
    QRectF rect(double wx, double wy, double w, double h) const { return {x(wx), y(wy), w * z, h * z}; }
};

// A small drawing that repeats unchanged along the street, made once for its key (its size and
// the painter's scale) and then only copied at whole device pixels (GUI thread only).
struct Stamp {
    QImage image;
    QPointF anchor;  // where the drawing's origin lies in the image, in points
    std::array<double, 4> key{-1, -1, -1, -1};
};
// What the street keeps between frames (GUI thread only; a caller on another thread holds the
// GUI thread waiting).
struct Kept {
    Stamp lampGlow, lampPool, lampPost, pavementJoint, star;
    QImage personLayer;
    QImage frame;  // the vignette and the bands
    std::array<double, 4> frameFor{};
} kept;

// `bounds`: what `draw` covers, in points about the origin.
const Stamp& stamp(Stamp& s, const std::array<double, 4>& key, double scale, const QRectF& bounds,
                   const std::function<void(QPainter&)>& draw) {
    if (s.key == key) return s;
    const QRectF area = bounds.adjusted(-1, -1, 1, 1);
    s.image = QImage(static_cast<int>(std::ceil(area.width() * scale)), static_cast<int>(std::ceil(area.height() * scale)),
                     QImage::Format_ARGB32_Premultiplied);
    s.image.fill(Qt::transparent);
    s.anchor = -area.topLeft();
    QPainter q(&s.image);
    q.setRenderHint(QPainter::Antialiasing);
    q.scale(scale, scale);
    q.translate(s.anchor);
    draw(q);
    s.key = key;
    return s;
}

void drawStamp(QPainter& p, QPointF at, const Stamp& s) { drawAtDevicePixels(p, at - s.anchor, s.image); }

// A soft light: an ellipse filled with a radial fade from `colour` to nothing.
const Stamp& glowStamp(Stamp& s, double rx, double ry, const QColor& colour, double scale) {
    return stamp(s, {rx, ry, double(colour.rgba()), scale}, scale, QRectF(-rx, -ry, 2 * rx, 2 * ry), [&](QPainter& q) {
        QRadialGradient g(QPointF(0, 0), rx);
        g.setColorAt(0, colour);
        g.setColorAt(1, Qt::transparent);
        q.setPen(Qt::NoPen);
        q.setBrush(g);
        q.drawEllipse(QPointF(0, 0), rx, ry);
    });
}

}  // namespace

void releaseStreetDrawings() { kept = Kept{}; }

void StoryFilm::drawStreet(QPainter& p, const StoryCamera& cam) const {
    const double W = width();
    const double H = height();
    const double gy = groundY();
    const double top = pictureTop();
    const double night = nightAmount();
    const double lamps = lampsOn();
    const double zoom = cam.zoom;
    const double cameraX = cam.cx;
    const Map m{cameraX, zoom, W, gy};
    const double scale = deviceScale(p);
    const auto nb = [night](const char* a, const char* b) { return blend(hex(a), hex(b), night); };
    p.setPen(Qt::NoPen);
    // Sky.
    {
        QLinearGradient g(0, top, 0, gy - 20 * zoom);
        g.setColorAt(0, nb("#3B2C5E", "#1A1636"));
        g.setColorAt(0.45, nb("#8A5684", "#4A3466"));
        g.setColorAt(0.85, nb("#F2A877", "#C46A68"));
        g.setColorAt(1, nb("#F8CB92", "#E08A6E"));
        p.fillRect(QRectF(0, 0, W, gy), g);
    }
    // Stars, each the same dot at its own strength.
    {
        const Stamp& star = stamp(kept.star, {scale, 0, 0, 0}, scale, QRectF(-1.1, -1.1, 2.2, 2.2), [](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(Qt::white);
            q.drawEllipse(QPointF(0, 0), 1.1, 1.1);
        });
        for (int i = 0; i < 14; ++i) {
            const double a = 0.8 * smooth((t - (2 + 0.7 * i)) / 1.5);
            if (a <= 0) continue;
            p.save();
            p.setOpacity(p.opacity() * a);
            drawStamp(p, QPointF(W * hash01(i, 1) + 1.1, top + 10 + 0.35 * (gy - top) * hash01(i, 2) + 1.1), star);
            p.restore();
        }
    }
    // Far buildings.
    {
        const double sf = 0.7 * layout.walkZoom + 0.3 * zoom;
        const long long lo = static_cast<long long>(std::floor((0.15 * cameraX - (W / 2) / sf - 160) / 64));
        const long long hi = static_cast<long long>(std::ceil(((W / 2) / sf + 0.15 * cameraX + 20) / 64));
        // One fill for the row.
        QPainterPath row;
        row.setFillRule(Qt::WindingFill);
        for (long long i = lo; i <= hi; ++i) {
            const double w = (44 + 50 * hash01(i, 3)) * sf;
            const double h = (70 + 150 * hash01(i, 4)) * sf;
            const double left = (64 * double(i) - 0.15 * cameraX) * sf + W / 2;
            row.addRect(QRectF(left, gy - 26 * zoom - h, w, h));
        }
        // At 0.9, so the sky's glow and stars show faintly through; filled as one shape (the
        // overlaps do not darken) without edge smoothing: this far back a whole-pixel edge does not
        // show, and a hard-edged fill costs a fraction of a smoothed one.
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setOpacity(p.opacity() * 0.9);
        p.fillPath(row, nb("#5A3F68", "#2E2348"));
        p.restore();
    }
    // Middle buildings with their windows.
    {
        const double sm = 0.4 * layout.walkZoom + 0.6 * zoom;
        const long long lo = static_cast<long long>(std::floor((0.42 * cameraX - (W / 2) / sm - 160) / 128));
        const long long hi = static_cast<long long>(std::ceil(((W / 2) / sm + 0.42 * cameraX + 20) / 128));
        const QColor wall = nb("#3A2C50", "#231B37");
        const QColor lit = hex("#FFD58A");
        for (long long i = lo; i <= hi; ++i) {
            const double uw = 92 + 46 * hash01(i, 5);
            const double uh = 170 + 230 * hash01(i, 6);
            const double left = (128 * double(i) - 0.42 * cameraX) * sm + W / 2;
            const double topY = gy - 26 * zoom - uh * sm;
            p.setBrush(wall);
            p.drawRect(QRectF(left, topY, uw * sm, uh * sm));
            const int cols = static_cast<int>(uw / 30);
            const int rows = static_cast<int>(uh / 36);
            for (int r = 0; r < rows; ++r) {
                for (int q = 0; q < cols; ++q) {
                    if (hash01(97 * i + 13 * r + q, 7) >= 0.34) continue;
                    const double on = 1 + 9 * hash01(31 * i + 7 * r + q, 8);
                    const double u = smooth((t - on) / 0.6);
                    if (u <= 0) continue;
                    const QRectF pane(left + (30 * q + 12) * sm, topY + (36 * r + 16) * sm, 11 * sm, 14 * sm);
                    QColor c = lit;
                    c.setAlphaF(float(0.75 * u));
                    p.setBrush(c);
                    p.drawRect(pane);
                }
            }
        }
    }
    // Street modules: hedges, trees and lamps, kept out of the house's zone.
    const double D = storyDoorX();
    const auto inZone = [D](double x) { return x >= D - 470 && x <= D + 400; };
    const long long mLo = static_cast<long long>(std::trunc((cameraX - W / (2 * zoom) - 400) / 360));
    const long long mHi = static_cast<long long>(std::trunc((cameraX + W / (2 * zoom) + 400) / 360)) + 1;
    // A lamp's post, foot and head, about the middle of its foot.
    const Stamp& lampPost = stamp(kept.lampPost, {zoom, scale, 0, 0}, scale, QRectF(-22 * zoom, -500 * zoom, 44 * zoom, 478 * zoom), [&](QPainter& q) {
        const Map at{0, zoom, 0, 0};
        q.setPen(Qt::NoPen);
        q.setBrush(hex("#241D2B"));
        q.drawRect(at.rect(-5, -480, 10, 456));
        q.drawRoundedRect(at.rect(-14, -40, 28, 18), 4 * zoom, 4 * zoom);
        q.drawRoundedRect(at.rect(-22, -500, 44, 22), 8 * zoom, 8 * zoom);
    });
    const Stamp* glow = lamps > 0 ? &glowStamp(kept.lampGlow, 70 * zoom, 70 * zoom, hex("#FFE3A8", 0.55), scale) : nullptr;
    for (long long i = mLo; i <= mHi; ++i) {
        const double x0 = 360 * double(i);
        for (int j = 0; j < 2; ++j) {
            const long long n = 2 * i + j;
            const double x = x0 + 180 * j;
            if (inZone(x) || inZone(x + 170) || hash01(n, 9) >= 0.8) continue;
            const double h = 52 + 26 * hash01(n, 10);
            p.setBrush(nb("#2E3F3A", "#1D2A28"));
            p.drawRoundedRect(m.rect(x, -26 - h, 172, h), 26 * zoom, 26 * zoom);
        }
        const double xt = x0 + 90;
        if (!inZone(xt) && hash01(i, 11) < 0.55) {
            p.setBrush(hex("#2A2025"));
            p.drawRect(m.rect(xt - 9, -260, 18, 234));
            p.setBrush(nb("#2C3B33", "#1A2621"));
            const struct { double dx, dy, r; } crown[] = {{0, -330, 110}, {-70, -280, 70}, {70, -270, 76}};
            for (const auto& c : crown) p.drawEllipse(m.at(xt + c.dx, c.dy), c.r * zoom, c.r * zoom);
        }
        const double xl = x0 + 270;
        if (!inZone(xl)) {
            drawStamp(p, m.at(xl, 0), lampPost);
            if (glow) {
                p.save();
                p.setOpacity(p.opacity() * lamps);
                drawStamp(p, m.at(xl, -470), *glow);
                p.restore();
            }
            p.setBrush(blend(hex("#6B5A4E"), hex("#FFE9B8"), lamps));
            p.drawEllipse(m.at(xl, -470), 9 * zoom, 7 * zoom);
        }
    }
    drawHouse(p, cam);
    // Ground.
    p.setBrush(nb("#77677A", "#564A5E"));
    p.drawRect(QRectF(0, m.y(-26), W, 60 * zoom));
    const long long kLo = static_cast<long long>(std::trunc((cameraX - W / (2 * zoom)) / 92)) - 1;
    const long long kHi = static_cast<long long>(std::trunc((cameraX + W / (2 * zoom)) / 92)) + 1;
    {
        // The pavement's joints, each the same short line.
        const QPointF from(10 * zoom, -26 * zoom), to(-6 * zoom, 34 * zoom);
        const Stamp& joint = stamp(kept.pavementJoint, {zoom, scale, 0, 0}, scale, QRectF(from, to).normalized(), [&](QPainter& q) {
            q.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.14f), 1.5));
            q.drawLine(from, to);
        });
        for (long long k = kLo; k <= kHi; ++k) drawStamp(p, m.at(92 * double(k), 0), joint);
    }
    p.setBrush(nb("#94839A", "#6E6078"));
    p.drawRect(QRectF(0, m.y(34), W, 8 * zoom));
    p.setBrush(hex("#211B28"));
    p.drawRect(QRectF(0, m.y(42), W, H));
    p.setBrush(QColor::fromRgbF(1, 1, 1, 0.12f));
    for (long long k = kLo; k <= kHi; ++k) {
        if (k % 2 != 0) continue;
        p.drawRect(m.rect(92 * double(k), 150, 60, 6));
    }
    // Light pools under the lamps.
    if (lamps > 0) {
        const Stamp& pool = glowStamp(kept.lampPool, 120 * zoom, 27 * zoom, hex("#FFD58A", 0.28), scale);
        p.save();
        p.setOpacity(p.opacity() * lamps);
        for (long long i = mLo; i <= mHi; ++i) {
            const double xl = 360 * double(i) + 270;
            if (inZone(xl)) continue;
            drawStamp(p, m.rect(xl - 120, -20, 240, 54).center(), pool);
        }
        p.restore();
    }
    // The wedge of light from the open door.
    const double open = doorOpen();
    if (open > 0) {
        const QPointF wedge[] = {m.at(D - 66, -26), m.at(D + 66, -26), m.at(D + 170, 42), m.at(D - 170, 42)};
        p.setBrush(hex("#FFD58A", 0.42 * open));
        p.drawPolygon(wedge, 4);
    }
    const double fade = personFade();
    if (fade >= 1) {
        drawPerson(p, cam);
    } else if (fade > 0) {
        // Fading as one layer, so his limbs do not show through his coat; the layer covers only him.
        QImage& layer = kept.personLayer;
        const QRectF around = m.rect(personX(t) - 160, -540, 320, 580).intersected(QRectF(0, 0, W, H));
        if (around.isEmpty()) return;
        const QRect pixels = QRectF(around.topLeft() * scale, around.size() * scale).toAlignedRect();
        if (layer.size() != pixels.size()) layer = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter l(&layer);
            l.setRenderHint(QPainter::Antialiasing);
            l.translate(-QPointF(pixels.topLeft()));
            l.scale(scale, scale);
            // Drawn at full strength here; the layer carries the fade.
            drawPersonOpaque(l, cam);
        }
        p.save();
        p.setOpacity(p.opacity() * fade);
        drawAtDevicePixels(p, QPointF(pixels.topLeft()) / scale, layer);
        p.restore();
    }
}

void StoryFilm::drawHouse(QPainter& p, const StoryCamera& cam) const {
    const double z = cam.zoom;
    const double night = nightAmount();
    const double D = storyDoorX();
    const Map m{cam.cx, z, width(), groundY()};
    const auto nb = [night](const char* a, const char* b) { return blend(hex(a), hex(b), night); };
    const auto r = [&](double x, double y, double w, double h) { return m.rect(D + x, y, w, h); };
    // Not on screen: nothing to draw.
    if (m.x(D + 380) < -10 || m.x(D - 480) > width() + 10) return;
    p.setPen(Qt::NoPen);
    p.setBrush(nb("#2E3F3A", "#1D2A28"));
    p.drawRoundedRect(r(-480, -86, 70, 60), 24 * z, 24 * z);
    p.setBrush(hex("#4A3036"));
    p.drawRect(r(140, -840, 70, 140));
    p.setBrush(hex("#3A252B"));
    p.drawRect(r(130, -856, 90, 22));
    p.setBrush(nb("#5A3438", "#3A2228"));
    const QPointF roof[] = {m.at(D - 470, -620), m.at(D - 45, -880), m.at(D + 380, -620)};
    p.drawPolygon(roof, 3);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.18f), 2 * z));
    const double reach[] = {340, 255, 170, 85};
    for (int k = 0; k < 4; ++k) {
        const double y = -672 - 52 * k;
        p.drawLine(m.at(D - 45 - reach[k], y), m.at(D - 45 + reach[k], y));
    }
    p.setPen(QPen(hex("#3A2A30"), 6 * z));
    p.setBrush(hex("#FFD58A", 0.7));
    p.drawEllipse(r(-79, -760, 68, 68));
    p.setPen(Qt::NoPen);
    p.setBrush(nb("#B98E86", "#7A5E6C"));
    p.drawRect(r(-420, -620, 750, 594));
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.07f), 1.5 * z));
    for (int k = 0; k <= 20; ++k) {
        const double y = -592 + 28 * k;
        p.drawLine(m.at(D - 420, y), m.at(D + 330, y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#F3E6DA", 0.5));
    p.drawRect(r(-426, -620, 762, 20));
    // The window beside the door.
    p.setBrush(hex("#FFD58A", 0.85));
    p.drawRect(r(-330, -480, 190, 250));
    p.setBrush(hex("#E39455", 0.75));
    p.drawRect(r(-330, -480, 40, 250));
    p.drawRect(r(-180, -480, 40, 250));
    p.setBrush(hex("#F3E6DA"));
    p.drawRect(r(-239, -480, 8, 250));
    p.drawRect(r(-330, -359, 190, 8));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(hex("#F3E6DA"), 10 * z));
    p.drawRect(r(-330, -480, 190, 250).adjusted(5 * z, 5 * z, -5 * z, -5 * z));
    p.setPen(Qt::NoPen);
    // Flower box.
    p.setBrush(hex("#6A4334"));
    p.drawRoundedRect(r(-344, -230, 218, 34), 4 * z, 4 * z);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(hex(i % 2 == 0 ? "#E86A62" : "#F3B7C4"));
        p.drawEllipse(r(-332 + 36 * i, -254, 26, 26));
    }
    // Stoop, doorway and door.
    p.setBrush(hex("#9C8C94"));
    p.drawRect(r(-112, -50, 224, 24));
    p.setBrush(QColor::fromRgbF(1, 1, 1, 0.2f));
    p.drawRect(r(-112, -50, 224, 5));
    p.setBrush(hex("#FFE3B0"));
    p.drawRect(r(-70, -530, 140, 480));
    const double open = doorOpen();
    const double leafW = 140 * (1 - 0.86 * open);
    p.setBrush(blend(hex("#2F5A55"), hex("#1F3D3B"), open));
    p.drawRect(r(-70, -530, leafW, 480));
    if (open < 0.6) {
        const double inner = std::max(leafW - 44, 0.0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor::fromRgbF(0, 0, 0, float(0.18 * (1 - open))), 3 * z));
        p.drawRect(r(-70 + 22, -490, inner, 170));
        p.drawRect(r(-70 + 22, -280, inner, 190));
        p.setPen(Qt::NoPen);
        p.setBrush(hex("#E7B15A", 1 - open));
        p.drawEllipse(r(-70 + leafW - 30, -280, 12, 12));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(hex("#F3E6DA"), 12 * z));
    p.drawRect(r(-78, -538, 156, 488));
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#8A5A3C"));
    p.drawRoundedRect(r(-60, -54, 120, 8), 3 * z, 3 * z);
    // Porch lamp, lit from the start.
    {
        const QPointF c = m.at(D + 52, -380);
        QRadialGradient g(c, 80 * z);
        g.setColorAt(0, hex("#FFD58A", 0.5));
        g.setColorAt(1, Qt::transparent);
        p.setBrush(g);
        p.drawEllipse(c, 80 * z, 80 * z);
        p.setBrush(hex("#FFE9B8"));
        p.setPen(QPen(hex("#2A2025"), 3 * z));
        p.drawRoundedRect(r(41, -398, 22, 36), 5 * z, 5 * z);
        p.setPen(Qt::NoPen);
    }
    // Planter.
    p.setBrush(hex("#B5654A"));
    p.drawRect(r(120, -120, 60, 70));
    p.setBrush(nb("#4E7A5A", "#2E4A3A"));
    const struct { double x, y, rad; } leaves[] = {{150, -160, 40}, {130, -190, 28}, {170, -196, 30}};
    for (const auto& l : leaves) p.drawEllipse(m.at(D + l.x, l.y), l.rad * z, l.rad * z);
}

void StoryFilm::drawOverlay(QPainter& p) const {
    const double W = width();
    const double H = height();
    const double top = pictureTop();
    const double bottom = pictureBottom();
    const QRectF picture(0, top, W, bottom - top);
    p.save();
    p.setPen(Qt::NoPen);
    // The vignette and the bands never change for a size: kept as one image.
    {
        QImage& frame = kept.frame;
        const double device = deviceScale(p);
        const QSize px(static_cast<int>(std::ceil(W * device)), static_cast<int>(std::ceil(H * device)));
        const std::array<double, 4> key{W, H, device, double(layout.letterbox)};
        if (frame.isNull() || kept.frameFor != key) {
            frame = QImage(px, QImage::Format_ARGB32_Premultiplied);
            frame.fill(Qt::transparent);
            QPainter f(&frame);
            f.scale(device, device);
            f.setPen(Qt::NoPen);
            const double outer = std::max(0.85 * picture.height(), 0.62 * picture.width());
            QRadialGradient g(picture.center(), outer);
            g.setColorAt(0, Qt::transparent);
            g.setColorAt(std::clamp(0.3 * picture.height() / outer, 0.0, 1.0), Qt::transparent);
            g.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.45f));
            f.fillRect(picture, g);
            if (layout.letterbox) {
                f.fillRect(QRectF(0, 0, W, 0.19 * H), Qt::black);
                f.fillRect(QRectF(0, 0.8 * H, W, H - 0.8 * H), Qt::black);
            } else {
                QLinearGradient shade(0, H - 46, 0, H);
                shade.setColorAt(0, Qt::transparent);
                shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.75f));
                f.fillRect(QRectF(0, H - 46, W, 46), shade);
            }
            kept.frameFor = key;
        }
        drawAtDevicePixels(p, QPointF(0, 0), frame);
    }
    const double fade = 1 - smooth(t / 1.4);
    if (fade > 0) p.fillRect(picture, QColor::fromRgbF(0, 0, 0, float(fade)));
    const double cream = smooth(t - 21.5);
    if (cream > 0) p.fillRect(QRectF(0, 0, W, H), hex("#FFF1DC", cream));
    p.restore();
}

}  // namespace kp::story
