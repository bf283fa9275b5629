#include "rooms/Fireplace.h"

#include "rooms/RoomShapes.h"
#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kp {

namespace {

double fractionalPart(double v) { return v - std::floor(v); }

// A brush fading from `hex` at `startRadius` to clear at `endRadius` round `centre`; its opacity
// comes from the painter.
QBrush fadingGlow(QPointF centre, double startRadius, double endRadius, const char* hex) {
    QRadialGradient g(centre, endRadius);
    QColor c = hexColor(hex);
    g.setColorAt(0, c);
    g.setColorAt(startRadius / endRadius, c);
    c.setAlpha(0);
    g.setColorAt(1, c);
    return QBrush(g);
}

// A circle's outline from `from` to `to` (shares of a turn, starting at the right and running
// clockwise on screen), in `r`.
QPainterPath trimmedCircle(const QRectF& r, double from, double to) {
    QPainterPath path;
    path.arcMoveTo(r, -360 * from);
    path.arcTo(r, -360 * from, -360 * (to - from));
    return path;
}

// The arch of the fire opening, 30 x 24 with its bottom centre at the origin.
const QPainterPath& archPath() {
    static const QPainterPath path = roundedRectPath(bottomRect(30, 24), 13, 13, 0, 0);
    return path;
}

// Whether a circle lies inside the arch (30 x 24, top corners of radius 12, bottom centre at the origin).
bool insideArch(QPointF c, double radius) {
    if (std::fabs(c.x()) > 15 - radius || c.y() > -radius || c.y() < -24 + radius) return false;
    const double cornerY = -12;  // centres of the top corners' circles: (+-3, -12), radius 12
    if (c.y() >= cornerY) return true;
    const double dx = std::max(0.0, std::fabs(c.x()) - 3), dy = cornerY - c.y();
    return std::hypot(dx, dy) <= 12 - radius;
}

void drawFlame(QPainter& p, int i, double t) {
    // One FlameShape in the unit box (-0.5...0.5, -1...0), stretched to each layer's size.
    static const QPainterPath unit = flameShapePath(QRectF(-0.5, -1, 1, 1));
    static const QBrush outer(hexColor("#F06A2A")), middle(hexColor("#F7A23C")), inner(hexColor("#FFE08A"));
    const FireFlame& f = kFireFlames[i];
    // The flame's height in steps that move its tip a quarter of a device pixel (1/128 of its
    // height at most): a kept picture for each, turned as it sways.
    const long per = std::clamp(std::lround(std::floor(4 * f.height * scenery::devicePerUnit(p))), 1L, 128L);
    const long step = std::lround(flameHeightFactor(i, t) * per);
    const double s = double(step) / per;
    p.save();
    p.translate(f.x, 0);
    // Turned in steps that move the tip a quarter of a device pixel.
    p.rotate(scenery::steppedTurn(p, flameSway(i, t), f.height * s));
    const std::uint64_t key = 0x464C414D00000000ull | static_cast<std::uint64_t>(i) << 24 | static_cast<std::uint64_t>(per) << 16 |
                              static_cast<std::uint64_t>(step & 0xFFFF);
    scenery::drawSprite(p, key, QRectF(-f.width / 2 - 1, -f.height * s - 1, f.width + 2, f.height * s + 2), [&](QPainter& q) {
        const struct {
            const QBrush* brush;
            double w, h;
        } layers[3] = {{&outer, f.width, f.height * s}, {&middle, 0.7 * f.width, 0.72 * f.height * s},
                       {&inner, 0.4 * f.width, 0.42 * f.height * s}};
        q.setPen(Qt::NoPen);
        for (const auto& layer : layers) {
            q.save();
            q.scale(layer.w, layer.h);
            q.setBrush(*layer.brush);
            q.drawPath(unit);
            q.restore();
        }
    });
    p.restore();
}

void drawFirebox(QPainter& p, double flicker, double t) {
    static const QBrush interior(hexColor("#1E1914"));
    static const QBrush glow = fadingGlow(QPointF(0, -13), 1, 15, "#F7A23C");
    // The glow's ellipse as the arch cuts it.
    static const QPainterPath glowShape = ellipsePath(bottomRect(30, 20, 0, -3)).intersected(archPath());
    static const QBrush spark(hexColor("#FFC56A"));
    static const QPainterPath backLog = [] {
        QTransform m;
        m.translate(0, -4);
        m.rotate(9);
        return m.map(capsulePath(centreRect(22, 4)));
    }();
    static const QPainterPath frontLog = [] {
        QTransform m;
        m.translate(0, -4);
        m.rotate(-9);
        return m.map(capsulePath(centreRect(22, 4)));
    }();
    static const QBrush backBrush(hexColor("#6B4A34")), frontBrush(hexColor("#7E583E"));

    // Flames and logs stay inside the arch by their sizes; the glow is cut to it and a spark
    // leaving it is not drawn, so no clip is needed.
    // The opening and its glow only fade: kept pictures.
    p.save();
    p.setPen(Qt::NoPen);
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&interior), QRectF(-16, -25, 32, 26), [](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(interior);
        q.drawPath(archPath());
    });
    const double was = p.opacity();
    p.setOpacity(was * 0.55 * flicker);
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&glow), QRectF(-16, -25, 32, 26), [](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(glow);
        q.drawPath(glowShape);
    });
    p.setOpacity(was);
    p.save();
    p.translate(0, -5);
    for (int i = 0; i < 3; ++i) drawFlame(p, i, t);
    p.restore();
    for (int i = 0; i < 4; ++i) {
        const SparkState s = sparkState(i, t);
        if (!insideArch(s.centre, 0.8)) continue;
        p.setOpacity(was * s.opacity);
        scenery::drawMovingSprite(p, reinterpret_cast<std::uintptr_t>(&spark), s.centre, QRectF(-1.8, -1.8, 3.6, 3.6),
                                  [](QPainter& q) {
                                      q.setPen(Qt::NoPen);
                                      q.setBrush(spark);
                                      q.drawEllipse(QPointF(0, 0), 0.8, 0.8);
                                  });
    }
    p.setOpacity(was);
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&backLog), QRectF(-14, -10, 28, 12), [](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(backBrush);
        q.drawPath(backLog);
        q.setBrush(frontBrush);
        q.drawPath(frontLog);
    });
    p.restore();
}

}  // namespace

double fireFlicker(double t) { return 0.8 + 0.2 * std::sin(7 * t) * std::sin(3.1 * t); }

double flameHeightFactor(int i, double t) {
    const FireFlame& f = kFireFlames[i];
    return 0.82 + 0.12 * std::sin(f.speed * t + 1.7 * i) + 0.06 * std::sin(17 * t + i);
}

double flameSway(int i, double t) { return 6 * std::sin(3 * t + 2 * i); }

SparkState sparkState(int i, double t) {
    const double p = fractionalPart(0.7 * t + 0.27 * i);
    // The 1.6 spark stands on the firebox floor before it rises.
    return {QPointF((i - 2) * 4 + 2 * std::sin(9 * p + i), -0.8 - 8 - 13 * p), 1 - p};
}

void drawFireplace(QPainter& p, QPointF at, double scale, double flicker, double t) {
    static const QBrush floorGlow = fadingGlow(QPointF(0, -1), 2, 46, "#F7A23C");
    static const QRectF floorGlowRect = bottomRect(96, 12, 0, 5);
    static const ShapeList surround = [] {
        ShapeList s;
        s.fill(rectPath(bottomRect(66, 5)), "#3A322C");
        const QRectF r(-29, -43, 58, 38);
        s.fill(roundedRectPath(r, 3), "#8A7A70");
        // Five mortar lines, 6.2 apart, centred inside a 3-point inset.
        QPainterPath mortar;
        const double top = r.top() + 3 + (38 - 6 - (5 * 0.8 + 4 * 6.2)) / 2;
        for (int k = 0; k < 5; ++k) mortar.addRect(QRectF(r.left(), top + k * 7.0, 58, 0.8));
        s.fill(mortar, "#76675E");
        return s;
    }();
    static const ShapeList mantel = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(68, 5, 0, -43), 2), "#5C4636");
        s.fill(capsulePath(QRectF(-23.5, -54, 3, 6)), "#F7F1EA");
        s.fill(roundedRectPath(QRectF(15.5, -56, 9, 8), 1), "#CDB8A0");
        s.fill(roundedRectPath(QRectF(17, -54.5, 6, 5), 0.5), "#F0B8BE");
        return s;
    }();
    static const QBrush candleFlame(hexColor("#FFD27A"));

    PieceFrame frame(p, at, scale);
    p.setPen(Qt::NoPen);
    const double was = p.opacity();
    // The glow on the floor flickers in steps of 1/64 of its opacity, far below what the eye tells apart.
    p.setOpacity(was * scenery::stepped(0.35 * flicker, 1.0 / 64));
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&floorGlow), floorGlowRect.adjusted(-1, -1, 1, 1),
                        [](QPainter& q) {
                            q.setPen(Qt::NoPen);
                            q.setBrush(floorGlow);
                            q.drawEllipse(floorGlowRect);
                        });
    p.setOpacity(was);
    surround.paintKept(p);
    p.save();
    p.translate(0, -5);
    drawFirebox(p, flicker, t);
    p.restore();
    mantel.paintKept(p);
    // The candle's flame grows and shrinks in steps that move its tip a quarter of a device pixel,
    // each a kept picture.
    const double flameHeight = scenery::quarterPixels(p, 3.5 * flicker);
    const QRectF candle(-23.1, -54.5 - flameHeight, 2.2, flameHeight);
    scenery::drawStillSprite(p, 0x43414E444C450000ull | static_cast<std::uint64_t>(std::lround(flameHeight * 1024) & 0xFFFF),
                             candle.adjusted(-1, -1, 1, 1), [&](QPainter& q) {
                                 q.setPen(Qt::NoPen);
                                 q.setBrush(candleFlame);
                                 q.drawEllipse(candle);
                             });
}

double tvPan(double t) {
    double r = std::fmod(14 * t, 62.0);
    if (r < 0) r += 62;
    return r - 28;
}

double tvHop(double t) { return -1.5 * std::fabs(std::sin(14 * t)); }

namespace {

// The programme's cat, centred on the origin, facing right.
void drawTvCat(QPainter& p, double t) {
    static const QBrush grey(hexColor("#9AA0A8"));
    static const QPainterPath tail = capsulePath(QRectF(-6, -0.8, 6, 1.6));  // trailing edge at the origin
    static const QPainterPath body = [] {
        QPainterPath path = capsulePath(centreRect(9, 4));
        path.addEllipse(centreRect(5, 5, 4.5, -2));
        path.addPath(trianglePath(QRectF(2.2, -6, 1.8, 2)));
        path.addPath(trianglePath(QRectF(5.0, -6, 1.8, 2)));
        path.setFillRule(Qt::WindingFill);
        return path;
    }();
    static const QBrush eye(hexColor("#1A1412"));
    p.setBrush(grey);
    p.save();
    p.translate(-2.5, -1);
    p.rotate(-30 + 15 * std::sin(14 * t));
    p.drawPath(tail);
    p.restore();
    p.drawPath(body);
    p.setBrush(eye);
    p.drawEllipse(QPointF(5.8, -2.3), 0.45, 0.45);
}

// The screen's content with the origin at the screen's centre (42 x 23).
// `screen` is the screen's rounded outline: the backgrounds fill it, the moving parts are cut by
// the caller's rectangular clip.
void drawTvScreen(QPainter& p, bool watching, double t, const QPainterPath& screenShape) {
    static const QRectF screen = centreRect(42, 23);
    if (!watching) {
        static const QBrush off = [] {
            QLinearGradient g(screen.topLeft(), screen.bottomLeft());
            g.setColorAt(0, hexColor("#323A44"));
            g.setColorAt(1, hexColor("#1C2128"));
            return QBrush(g);
        }();
        static const QPainterPath glare = [] {
            QTransform m;
            m.translate(-8, 0);
            m.rotate(30);
            return m.map(rectPath(centreRect(8, 40)));
        }();
        static const QPainterPath glareShape = glare.intersected(screenShape);
        p.setBrush(off);
        p.drawPath(screenShape);
        p.setBrush(QColor(255, 255, 255, 18));
        p.drawPath(glareShape);
        return;
    }
    static const QBrush sky = [] {
        QLinearGradient g(screen.topLeft(), screen.bottomLeft());
        g.setColorAt(0, hexColor("#8FD3F4"));
        g.setColorAt(1, hexColor("#D4F1FF"));
        return QBrush(g);
    }();
    static const QBrush sun(hexColor("#FFE08A")), meadow(hexColor("#7FBF72")), ball(hexColor("#E07A8C"));
    static const QPainterPath cloud = capsulePath(centreRect(9, 3));
    static const QPainterPath ballArc = trimmedCircle(centreRect(3.5, 3.5), 0.1, 0.45);
    static const QPen arcPen = [] {
        QPen pen(QColor(255, 255, 255, 179), 0.5);
        pen.setCapStyle(Qt::FlatCap);
        return pen;
    }();
    static const QPainterPath caption = captionPath(QStringLiteral("CAT TV"), 3.2);
    const double pan = tvPan(t), hop = tvHop(t);

    static const QPainterPath meadowShape = rectPath(centreRect(42, 6, 0, 9)).intersected(screenShape);
    p.setBrush(sky);
    p.drawPath(screenShape);
    p.setBrush(sun);
    p.drawEllipse(QPointF(14, -6), 3, 3);
    p.setBrush(QColor(255, 255, 255, 230));
    p.save();
    p.translate(-10 + 3 * std::sin(0.5 * t), -6);
    p.drawPath(cloud);
    p.restore();
    p.setBrush(meadow);
    p.drawPath(meadowShape);
    p.save();
    p.translate(9 + pan, 4.5);
    p.setBrush(ball);
    p.drawEllipse(QPointF(0, 0), 1.75, 1.75);
    p.rotate(std::fmod(400 * t, 360.0));
    p.setBrush(Qt::NoBrush);
    p.setPen(arcPen);
    p.drawPath(ballArc);
    p.setPen(Qt::NoPen);
    p.restore();
    p.save();
    p.translate(pan, hop + 3);
    drawTvCat(p, t);
    p.restore();
    p.setBrush(QColor(255, 255, 255, 217));
    p.save();
    p.translate(-14, -8.5);
    p.drawPath(caption);
    p.restore();
}

}  // namespace

void drawTvStand(QPainter& p, QPointF at, double scale, bool watching, double t) {
    static const ShapeList stand = [] {
        ShapeList s;
        s.fill(rectPath(QRectF(-25, -3, 2.5, 3)), "#4E3B2E");
        s.fill(rectPath(QRectF(22.5, -3, 2.5, 3)), "#4E3B2E");
        s.fill(roundedRectPath(QRectF(-28, -17, 56, 14), 3), "#7A5E4A");
        QPen outline(hexColor("#5C4636"), 1);
        for (double left : {-25.5, 1.5}) {
            s.stroke(roundedRectPath(QRectF(left, -14.5, 24, 9), 1.5), outline);
            s.fill(capsulePath(QRectF(left + 9, -11.5, 6, 1.5)), "#E7C56A");
        }
        s.fill(roundedRectPath(bottomRect(16, 1.5, 0, -17), 1), "#2C2622");
        s.fill(rectPath(bottomRect(4, 3, 0, -18)), "#2C2622");
        return s;
    }();
    // The screen's light: an 80 x 40 ellipse blurred by 8 (a circle squeezed to half height).
    static const QBrush glowBrush = [] {
        QRadialGradient g(QPointF(0, 0), 48);
        QColor c = hexColor("#BFE6FF");
        g.setColorAt(0, c);
        g.setColorAt(32.0 / 48, c);
        c.setAlphaF(0.5f);
        g.setColorAt(40.0 / 48, c);
        c.setAlphaF(0.12f);
        g.setColorAt(44.0 / 48, c);
        c.setAlphaF(0);
        g.setColorAt(1, c);
        return QBrush(g);
    }();
    static const QPainterPath body = roundedRectPath(centreRect(46, 28, 0, -35), 3);
    static const QPainterPath screenClip = roundedRectPath(centreRect(42, 23), 1.5);
    static const QBrush bodyBrush(hexColor("#1E1B19")), onLight(hexColor("#7FD38A")), offLight(hexColor("#E05A4E"));

    PieceFrame frame(p, at, scale);
    // The stand, the screen's light, the body and a screen that is off are kept pictures; the
    // light only pulses by its opacity.
    stand.paintKept(p);
    p.setPen(Qt::NoPen);
    if (watching) {
        const double was = p.opacity();
        p.setOpacity(was * scenery::stepped(0.22 + 0.06 * std::sin(5 * t), 1.0 / 64));
        scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&glowBrush), QRectF(-49, -67, 98, 50), [](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.translate(0, -42);
            q.scale(1, 0.5);
            q.setBrush(glowBrush);
            q.drawEllipse(QPointF(0, 0), 48, 48);
        });
        p.setOpacity(was);
    }
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&body), QRectF(-24, -50, 48, 30), [](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(bodyBrush);
        q.drawPath(body);
    });
    p.save();
    p.translate(0, -36);
    if (watching) {
        p.setClipRect(centreRect(42, 23), Qt::IntersectClip);
        drawTvScreen(p, watching, t, screenClip);
    } else {
        scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&screenClip), QRectF(-22, -13, 44, 26), [](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setClipRect(centreRect(42, 23), Qt::IntersectClip);
            drawTvScreen(q, false, 0, screenClip);
        });
    }
    p.restore();
    p.setBrush(watching ? onLight : offLight);
    p.drawEllipse(QPointF(20, -22.5), 0.7, 0.7);
}

}  // namespace kp
