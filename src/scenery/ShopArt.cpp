#include "scenery/ShopArt.h"

#include "scenery/HolidayPaint.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace kp {

using namespace props;

namespace {

constexpr double kRadToDeg = 180.0 / std::numbers::pi;

// Runs `draw` with the painter moved so that an art of `size` sits centred in `frame`.
template <typename Draw>
void centred(QPainter& p, const QRectF& frame, const QSizeF& size, Draw&& draw) {
    p.save();
    p.translate(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2);
    draw();
    p.restore();
}

void begin(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
}

void polygon(QPainter& p, std::initializer_list<QPointF> pts, const QColor& c) {
    QPainterPath& path = scratchPath();
    bool first = true;
    for (const QPointF& q : pts) {
        if (first)
            path.moveTo(q);
        else
            path.lineTo(q);
        first = false;
    }
    path.closeSubpath();
    fillPath(p, path, c);
}

}  // namespace

// ---- Treats --------------------------------------------------------------------------------

void TreatsArt::paint(QPainter& p) const {
    const double cx = kSize.width() / 2, cy = kSize.height() / 2;
    begin(p);
    polygon(p, {{cx - 11, cy - 6}, {cx + 11, cy - 6}, {cx + 13, cy + 14}, {cx - 13, cy + 14}}, hex("#E8B27A"));
    p.fillRect(QRectF(cx - 11, cy - 6, 22, 3), hex("#C98F57"));
    fillEllipse(p, QRectF(cx - 5, cy + 2, 10, 8), hex("#F07A93"));
    struct Treat { double dx, dy, r; };
    static const Treat treats[] = {{-6, -9, -0.3}, {2, -11, 0.2}, {8, -8, 0.6}};
    const QColor brown = hex("#C47B3A");
    for (const Treat& t : treats) {
        p.save();
        p.translate(cx + t.dx, cy + t.dy);
        p.rotate(t.r * kRadToDeg);
        fillEllipse(p, QRectF(-4, -2, 7, 4), brown);
        polygon(p, {{2.5, 0}, {5.5, -2.2}, {5.5, 2.2}}, brown);
        p.restore();
    }
    p.restore();
}
void TreatsArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Tuna ----------------------------------------------------------------------------------

void TunaArt::paint(QPainter& p) const {
    const double cx = kSize.width() / 2, cy = kSize.height() / 2;
    begin(p);
    static const QBrush tin = [] {
        QLinearGradient g(22 - 12, 20, 22 + 12, 20);
        g.setColorAt(0, hex("#9FC4E8"));
        g.setColorAt(1, hex("#5E8FC4"));
        return QBrush(g);
    }();
    p.setBrush(tin);
    p.drawRoundedRect(QRectF(cx - 12, cy - 14, 24, 28), 4, 4);
    p.fillRect(QRectF(cx - 12, cy - 14, 24, 4), hex("#D8DDE6"));
    for (int i = 0; i <= 8; ++i) p.fillRect(QRectF(cx - 10 + 2.5 * i, cy - 14, 1, 4), hex("#AEB6C2"));
    const QColor fish = hex("#F7F4F0");
    fillEllipse(p, QRectF(cx - 7, cy - 1, 12, 7), fish);
    polygon(p, {{cx + 4, cy + 2.5}, {cx + 9, cy - 1}, {cx + 9, cy + 6}}, fish);
    fillEllipse(p, QRectF(cx - 5, cy + 1, 1.6, 1.6), hex("#2C2622"));
    p.restore();
}
void TunaArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Salmon --------------------------------------------------------------------------------

void SalmonArt::paint(QPainter& p) const {
    const double cx = kSize.width() / 2, cy = kSize.height() / 2;
    const double py = cy + 4;
    begin(p);
    fillEllipse(p, QRectF(cx - 18, py - 7, 36, 14), hex("#F7F4F0"));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(hex("#D8CFC6"), 0.8));
    p.drawEllipse(QRectF(cx - 13, py - 5, 26, 10));
    static const QPainterPath fillet = [cx, py] {
        QPainterPath f({cx - 11, py - 2});
        f.quadTo(cx, py - 12, cx + 10, py - 4);
        f.quadTo(cx, py + 3, cx - 11, py - 2);
        f.closeSubpath();
        return f;
    }();
    fillPath(p, fillet, hex("#F49A7A"));
    static const QPainterPath stripes = [cx, py] {
        QPainterPath s;
        for (const double x0 : {cx - 6, cx - 1.5, cx + 3, cx + 7.5}) {
            s.moveTo(x0, py - 7);
            s.quadTo(x0 + 2, py - 4, x0 + 1, py - 1);
        }
        return s;
    }();
    strokePath(p, stripes, faded(Qt::white, 0.7), 0.8);
    fillEllipse(p, QRectF(cx + 7, py - 2, 6, 3), hex("#6FBF78"));
    p.restore();
}
void SalmonArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Rug -----------------------------------------------------------------------------------

void RugArt::paint(QPainter& p) const {
    // The dashed stitching is costly to stroke every frame; the rug never changes.
    drawCachedArt(p, 1, QRectF(QPointF(0, 0), kSize), [](QPainter& q) {
        const QRectF R = QRectF(QPointF(0, 0), kSize).adjusted(1, 1, -1, -1);
        begin(q);
        fillEllipse(q, R, hex("#E8A87C"));
        static const char* const rings[] = {"#F4D3B0", "#C97B5A", "#F4D3B0"};
        q.setBrush(Qt::NoBrush);
        for (int i = 1; i <= 3; ++i) {
            const double dx = R.width() * 0.16 * i / 2, dy = R.height() * 0.16 * i / 2;
            q.setPen(QPen(hex(rings[i - 1]), 1.6));
            q.drawEllipse(R.adjusted(dx, dy, -dx, -dy));
        }
        QPen stitch(hex("#B5694A"), 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        stitch.setMiterLimit(10);
        stitch.setDashPattern({1.5, 1.5});
        q.setPen(stitch);
        q.drawEllipse(R);
        q.restore();
    });
}
void RugArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Hanging plant -------------------------------------------------------------------------

void HangingPlantArt::paint(QPainter& p) const {
    const QSizeF sz = size();
    const double cx = sz.width() / 2;
    const double P = rope + 8;
    begin(p);
    // A pendulum about the hanging point.
    p.translate(cx, 0);
    p.rotate(std::sin(time * 0.9) * 2.5);
    p.translate(-cx, 0);

    const QColor cord = hex("#E6D5BC");
    for (const double dx : {-6.0, 0.0, 6.0}) strokeLine(p, {cx, 0}, {cx + dx, P}, cord, 0.8);

    static const char* const greens[] = {"#4E9A55", "#6BAF6A", "#3F7A4A"};
    struct Vine { double dx, dy; };
    static const Vine vines[] = {{-8, 14}, {-3, 20}, {4, 16}, {8, 11}};
    for (int i = 0; i < 4; ++i) {
        const auto [dx, dy] = vines[i];
        QPainterPath& v = scratchPath();
        v.moveTo(cx + dx, P + 4);
        v.quadTo(cx + 1.6 * dx, P + 0.6 * dy, cx + 1.4 * dx, P + 4 + dy);
        strokePath(p, v, hex(greens[i % 3]), 1);
        for (int k = 1; k <= 3; ++k) {
            const QPointF c(cx + dx * (1 + 0.4 * k / 3.0), P + 4 + dy * k / 3.0);
            fillEllipse(p, QRectF(c.x() - 2.2, c.y() - 1.4, 4.4, 2.8), hex(greens[(i + k) % 3]));
        }
    }
    const QColor foliage = hex("#5E9E5E");
    for (const QPointF tl : {QPointF(cx - 9.5, P - 3), QPointF(cx - 4.5, P - 6), QPointF(cx + 1.5, P - 4),
                             QPointF(cx - 3.5, P - 2)})
        fillEllipse(p, QRectF(tl, QSizeF(7, 4.5)), foliage);
    polygon(p, {{cx - 8, P}, {cx + 8, P}, {cx + 6, P + 9}, {cx - 6, P + 9}}, hex("#F4EDE6"));
    p.fillRect(QRectF(cx - 7.5, P + 3, 15, 1.5), hex("#E39455"));
    p.restore();
}
void HangingPlantArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, size(), [&] { paint(p); }); }

// ---- Cushion -------------------------------------------------------------------------------

void CushionArt::paint(QPainter& p) const {
    const QRectF R = QRectF(QPointF(0, 0), kSize).adjusted(1, 1, -1, -1);
    const QRectF T(R.left(), R.top(), R.width(), R.height() - 2);
    begin(p);
    fillEllipse(p, R.translated(0, 1), hex("#5E8FC4"));
    fillEllipse(p, T, hex("#8FB8E0"));
    static const QPainterPath seams = [T] {
        QPainterPath s;
        for (int k = 0; k <= 5; ++k) {
            const double a = k * std::numbers::pi / 6;
            s.moveTo(T.center().x(), T.center().y() - 1);
            s.lineTo(T.center().x() + 0.42 * T.width() * std::cos(a), T.center().y() - 1 - 0.32 * T.height() * std::sin(a));
        }
        return s;
    }();
    strokePath(p, seams, faded(hex("#6E9DCC"), 0.7), 0.6);
    fillEllipse(p, QRectF(T.center().x() - 1.8, T.center().y() - 2.6, 3.6, 3.0), hex("#F4EDE6"));
    p.restore();
}
void CushionArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Portrait ------------------------------------------------------------------------------

void PortraitArt::paint(QPainter& p, const CatEnv& env) const {
    begin(p);
    p.setBrush(hex("#C99A3E"));
    p.drawRoundedRect(QRectF(QPointF(0, 0), kSize), 2, 2);
    static const QBrush picture = [] {
        QLinearGradient g(0, 3, 0, 27);
        g.setColorAt(0, hex("#9ED6E4"));
        g.setColorAt(1, hex("#F4D3B0"));
        return QBrush(g);
    }();
    p.setBrush(picture);
    p.drawRoundedRect(QRectF(3, 3, 20, 24), 1, 1);
    p.translate(kSize.width() / 2, kSize.height() / 2 + 2);
    CatHead head;
    head.expression = CatExpression::content;
    head.size = 17;
    head.paint(p, env);
    p.restore();
}
void PortraitArt::paint(QPainter& p, const QRectF& frame, const CatEnv& env) const {
    centred(p, frame, kSize, [&] { paint(p, env); });
}

// ---- Yarn ----------------------------------------------------------------------------------

void YarnArt::paint(QPainter& p) const {
    const double cx = kSize.width() / 2, cy = kSize.height() / 2;
    begin(p);
    static const QPainterPath loose = [cx, cy] {
        QPainterPath l({cx - 5, cy + 4});
        l.quadTo(cx - 9, cy + 1, cx - 13, cy + 5.5);
        return l;
    }();
    strokePath(p, loose, hex("#D9454F"), 0.9);
    fillEllipse(p, QRectF(cx - 6, cy - 6, 12, 12), hex("#E04F5F"));
    static const QPainterPath wrap = [] {
        QPainterPath w;
        for (int k = 0; k <= 3; ++k) {
            const double y = 3 * k - 4.5;
            w.moveTo(-5, y);
            w.quadTo(0, y - 2, 5, y + 1.5);
        }
        return w;
    }();
    p.translate(cx, cy);
    p.rotate(spin * kRadToDeg);
    strokePath(p, wrap, hex("#F07A93"), 0.8);
    p.restore();
}
void YarnArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Box -----------------------------------------------------------------------------------

void BoxArt::paint(QPainter& p) const {
    const double W = kSize.width(), H = kSize.height(), cx = W / 2;
    begin(p);
    if (part != Part::front) {
        polygon(p, {{3, 8}, {9, 2}, {W - 9, 2}, {W - 3, 8}}, hex("#A87A4E"));
        p.fillRect(QRectF(3, 8, W - 6, 4), hex("#7A5235"));
    }
    if (part != Part::back) {
        p.setBrush(hex("#C89A62"));
        p.drawRoundedRect(QRectF(3, 10, W - 6, H - 10), 1.5, 1.5);
        p.fillRect(QRectF(3, 10, W - 6, 2), hex("#D9B07A"));
        polygon(p, {{3, 10}, {-1, 17}, {3, 19}}, hex("#B5875A"));
        polygon(p, {{W - 3, 10}, {W + 1, 17}, {W - 3, 19}}, hex("#B5875A"));
        p.fillRect(QRectF(cx - 3, 10, 6, H - 10), faded(hex("#E6D1A8"), 0.8));
        QPainterPath& arrow = scratchPath();
        arrow.moveTo(9, H - 4);
        arrow.lineTo(9, H - 9);
        arrow.moveTo(7, H - 7);
        arrow.lineTo(9, H - 9);
        arrow.lineTo(11, H - 7);
        strokePath(p, arrow, hex("#7A5235"), 0.8);
    }
    p.restore();
}
void BoxArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Feather wand --------------------------------------------------------------------------

void FeatherWandArt::paint(QPainter& p) const {
    const double W = kSize.width(), H = kSize.height();
    const double s = 5 * std::sin(4.2 * time);
    begin(p);
    const QPointF tip(0.62 * W, 0.24 * H);
    strokeLine(p, {W - 4, 2}, tip, hex("#C99A3E"), 1.6, Qt::RoundCap);
    const QPointF end(0.38 * W + s, 0.72 * H);
    QPainterPath& string = scratchPath();
    string.moveTo(tip);
    string.quadTo(0.62 * W - 2 + s / 2, (0.24 * H + 0.72 * H) / 2, end.x(), end.y());
    strokePath(p, string, faded(hex("#F7F4F0"), 0.9), 0.6);
    static const char* const vanes[] = {"#F07A93", "#8FC5F0", "#F2C14E"};
    for (int j = -1; j <= 1; ++j) {
        p.save();
        p.translate(end);
        p.rotate((0.5 * j + 0.04 * s) * kRadToDeg);
        fillEllipse(p, QRectF(-1.8, 0, 3.6, 10), hex(vanes[j + 1]));
        strokeLine(p, {0, 0}, {0, 9}, faded(Qt::white, 0.6), 0.4);
        p.restore();
    }
    p.restore();
}
void FeatherWandArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Laser pen and dot ---------------------------------------------------------------------

void LaserPenArt::paint(QPainter& p) const {
    const double cx = kSize.width() / 2, cy = kSize.height() / 2;
    begin(p);
    p.save();
    p.translate(cx, cy);
    p.rotate(-30);
    p.setBrush(hex("#5C6E96"));
    p.drawRoundedRect(QRectF(-14, -3, 24, 6), 3, 3);
    p.setBrush(hex("#C9CFD9"));
    p.drawRoundedRect(QRectF(8, -3, 5, 6), 1.5, 1.5);
    fillEllipse(p, QRectF(-6, -1.5, 3, 3), hex("#E04F5F"));
    p.restore();
    const QRectF dot(cx + 14, cy - 14, 4, 4);
    drawGlow(p, dot, hex("#FF3B30"), 0.9, 3);
    fillEllipse(p, dot, hex("#FF3B30"));
    p.restore();
}
void LaserPenArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

void LaserDotArt::paint(QPainter& p) const {
    begin(p);
    p.translate(4, 4);
    const double k = 1 + 0.15 * std::sin(20 * time);
    p.scale(k, k);
    const QRectF dot(-2, -2, 4, 4);
    drawGlow(p, dot, hex("#FF3B30"), 0.9, 3);
    fillEllipse(p, dot, hex("#FF3B30"));
    p.restore();
}
void LaserDotArt::paint(QPainter& p, const QRectF& frame) const { centred(p, frame, kSize, [&] { paint(p); }); }

// ---- Shop icon -----------------------------------------------------------------------------

double ShopItemIcon::artScale(ShopItem item) {
    switch (item) {
    case ShopItem::treats: return 1;
    case ShopItem::tuna: return 1;
    case ShopItem::salmon: return 1;
    case ShopItem::rug: return 0.62;
    case ShopItem::hangingPlant: return 0.9;
    case ShopItem::cushion: return 1.1;
    case ShopItem::portrait: return 1.05;
    case ShopItem::yarn: return 1.5;
    case ShopItem::box: return 0.95;
    case ShopItem::feather: return 1.25;
    case ShopItem::laser: return 1;
    }
    return 1;
}

void ShopItemIcon::paint(QPainter& p, const CatEnv& env) const {
    const QRectF frame(QPointF(0, 0), kSize);
    p.save();
    // Scale about the icon's centre; every art is centred on it.
    const double s = artScale(item);
    p.translate(frame.center());
    p.scale(s, s);
    p.translate(-frame.center());
    switch (item) {
    case ShopItem::treats: TreatsArt{}.paint(p, frame); break;
    case ShopItem::tuna: TunaArt{}.paint(p, frame); break;
    case ShopItem::salmon: SalmonArt{}.paint(p, frame); break;
    case ShopItem::rug: RugArt{}.paint(p, frame); break;
    case ShopItem::hangingPlant: HangingPlantArt{4, time}.paint(p, frame); break;
    case ShopItem::cushion: CushionArt{}.paint(p, frame); break;
    case ShopItem::portrait: PortraitArt{}.paint(p, frame, env); break;
    case ShopItem::yarn: YarnArt{0}.paint(p, frame); break;
    case ShopItem::box: BoxArt{BoxArt::Part::whole}.paint(p, frame); break;
    case ShopItem::feather: FeatherWandArt{time}.paint(p, frame); break;
    case ShopItem::laser: LaserPenArt{}.paint(p, frame); break;
    }
    p.restore();
}

void ShopItemIcon::paint(QPainter& p, const QRectF& frame, const CatEnv& env) const {
    centred(p, frame, kSize, [&] { paint(p, env); });
}

}  // namespace kp
