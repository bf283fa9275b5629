#include "scenery/CoinGlyphs.h"

#include <QRectF>
#include <QTransform>

namespace kp::props {

const QPainterPath& pawprintGlyph() {
    static const QPainterPath path = [] {
        QPainterPath p;
        p.setFillRule(Qt::WindingFill);
        // The main pad: a rounded triangle, wider at the bottom.
        QPainterPath pad({0.5, 0.46});
        pad.cubicTo(0.66, 0.46, 0.82, 0.66, 0.82, 0.8);
        pad.cubicTo(0.82, 0.94, 0.66, 0.96, 0.5, 0.9);
        pad.cubicTo(0.34, 0.96, 0.18, 0.94, 0.18, 0.8);
        pad.cubicTo(0.18, 0.66, 0.34, 0.46, 0.5, 0.46);
        pad.closeSubpath();
        p.addPath(pad);
        // Four toes, the outer ones lower and turned outward.
        struct Toe { double x, y, w, h, angle; };
        const Toe toes[] = {{0.1, 0.42, 0.17, 0.22, -20},
                            {0.31, 0.2, 0.18, 0.24, -8},
                            {0.51, 0.2, 0.18, 0.24, 8},
                            {0.73, 0.42, 0.17, 0.22, 20}};
        for (const Toe& t : toes) {
            QPainterPath toe;
            toe.addEllipse(QRectF(-t.w / 2, -t.h / 2, t.w, t.h));
            QTransform m;
            m.translate(t.x + t.w / 2, t.y + t.h / 2);
            m.rotate(t.angle);
            p.addPath(m.map(toe));
        }
        return p;
    }();
    return path;
}

const QPainterPath& giftGlyph() {
    static const QPainterPath path = [] {
        QPainterPath p;
        p.setFillRule(Qt::WindingFill);
        // Lid and box, split by a ribbon gap down the middle and a gap under the lid.
        p.addRect(QRectF(0.06, 0.3, 0.39, 0.2));
        p.addRect(QRectF(0.55, 0.3, 0.39, 0.2));
        p.addRect(QRectF(0.12, 0.56, 0.33, 0.38));
        p.addRect(QRectF(0.55, 0.56, 0.33, 0.38));
        // The bow: two loops above the lid.
        QPainterPath bow({0.5, 0.3});
        bow.cubicTo(0.3, 0.3, 0.16, 0.2, 0.24, 0.08);
        bow.cubicTo(0.32, -0.02, 0.46, 0.1, 0.5, 0.3);
        bow.cubicTo(0.54, 0.1, 0.68, -0.02, 0.76, 0.08);
        bow.cubicTo(0.84, 0.2, 0.7, 0.3, 0.5, 0.3);
        bow.closeSubpath();
        p.addPath(bow);
        return p;
    }();
    return path;
}

}  // namespace kp::props
