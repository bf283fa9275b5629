#include "desktop/DesktopProps.h"

#include "cat/HeartPath.h"
#include "platform/Color.h"
#include "platform/Symbols.h"

#include <QBrush>
#include <QImage>
#include <QPaintDevice>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// Shapes and paints are built once; a frame only fills them.
struct MouseArt {
    QPainterPath tail;
    QBrush body;
    QColor tailColour = colorFromHex("#C9B6A6");
    QColor ear = colorFromHex("#F4A7B4");
    QColor eye = colorFromHex("#2C2622");
    QColor nose = colorFromHex("#F28AA0");
    MouseArt() {
        // Frame-space (top-left origin) points moved to the centred frame.
        tail.moveTo(3 - 9, 6 - 5);
        tail.quadTo(-1 - 9, 9 - 5, -4 - 9, 2 - 5);
        QLinearGradient g(0, 1 - 4, 0, 1 + 4);
        g.setColorAt(0, colorFromHex("#BFC4CC"));
        g.setColorAt(1, colorFromHex("#8E949E"));
        body = QBrush(g);
    }
};

const MouseArt& mouseArt() {
    static const MouseArt art;
    return art;
}

struct MugArt {
    QPainterPath body;
    QBrush bodyFill;
    QPainterPath paw;
    QColor handle = colorFromHex("#E36B5B");
    MugArt() {
        // The 13 x 15 body sits centred in the 20 x 16 frame: x -6.5...6.5, y -7.5...7.5.
        body.addRoundedRect(QRectF(-6.5, -7.5, 13, 15), 3, 3);
        QLinearGradient g(0, -7.5, 0, 7.5);
        g.setColorAt(0, colorFromHex("#F07A6A"));
        g.setColorAt(1, colorFromHex("#D9584A"));
        bodyFill = QBrush(g);
        // A paw mark about 5.5 points tall: one pad and four toes.
        paw.addEllipse(QPointF(0, 1.1), 1.55, 1.3);
        paw.addEllipse(QPointF(-2.0, -0.6), 0.62, 0.78);
        paw.addEllipse(QPointF(-0.75, -1.75), 0.62, 0.8);
        paw.addEllipse(QPointF(0.75, -1.75), 0.62, 0.8);
        paw.addEllipse(QPointF(2.0, -0.6), 0.62, 0.78);
        paw.setFillRule(Qt::WindingFill);
    }
};

const MugArt& mugArt() {
    static const MugArt art;
    return art;
}

struct BubbleArt {
    QPainterPath fork;
    QPainterPath caseShape;
    QPainterPath sparkles;
    QPainterPath heart;
    QPainterPath moon;
    QColor shadow{0, 0, 0, 46};
    QColor sickRed = colorFromHex("#E04F5F");
    QColor orange = colorFromHex("#E8873A");

    BubbleArt() {
        // Fork (left) and knife (right), about 16 tall.
        fork.addRoundedRect(QRectF(-5.9, -8, 1.1, 6), 0.5, 0.5);
        fork.addRoundedRect(QRectF(-4.1, -8, 1.1, 6), 0.5, 0.5);
        fork.addRoundedRect(QRectF(-2.3, -8, 1.1, 6), 0.5, 0.5);
        fork.addRoundedRect(QRectF(-5.9, -3.2, 4.7, 2.6), 1.2, 1.2);
        fork.addRoundedRect(QRectF(-4.3, -1.5, 1.5, 9.5), 0.75, 0.75);
        QPainterPath blade;
        blade.moveTo(2.2, 8);
        blade.lineTo(2.2, -1);
        blade.cubicTo(2.2, -5, 3.5, -8, 5.6, -8.2);
        blade.lineTo(5.6, 8);
        blade.closeSubpath();
        fork.addPath(blade);
        fork.setFillRule(Qt::WindingFill);

        // Case with a cross cut out.
        QPainterPath body;
        body.addRoundedRect(QRectF(-8.5, -4.5, 17, 12.5), 2.5, 2.5);
        QPainterPath grip;
        grip.addRoundedRect(QRectF(-3.6, -8, 7.2, 4.6), 1.6, 1.6);
        QPainterPath gripHole;
        gripHole.addRect(QRectF(-2.1, -6.6, 4.2, 2.4));
        QPainterPath cross;
        cross.addRect(QRectF(-1.1, -1.3, 2.2, 6.8));
        cross.addRect(QRectF(-3.4, 1.0, 6.8, 2.2));
        cross.setFillRule(Qt::WindingFill);
        caseShape = body.united(grip.subtracted(gripHole)).subtracted(cross);

        sparkles = sparklePath(QPointF(-1.5, 1.5), 6.5, 6.5 * 0.28);
        sparkles.addPath(sparklePath(QPointF(5, -5.2), 3.4, 3.4 * 0.28));
        sparkles.addPath(sparklePath(QPointF(5.2, 6), 2.2, 2.2 * 0.28));
        sparkles.setFillRule(Qt::WindingFill);

        heart = heartPath(QPointF(0, 0.5), 16);

        QPainterPath disc;
        disc.addEllipse(QPointF(0, 0), 7.5, 7.5);
        QPainterPath bite;
        bite.addEllipse(QPointF(4.2, -3.4), 6.4, 6.4);
        moon = disc.subtracted(bite);
    }
};

const BubbleArt& bubbleArt() {
    static const BubbleArt art;
    return art;
}

// The white disc with its soft shadow, kept as an image at the painter's pixel scale: translucent
// fills of this size cost far more per frame than laying in a ready image.
constexpr double kDiscBox = 52;  // points; centred on the disc

const QImage& bubbleDisc(double scale) {
    static QImage image;
    static double imageScale = 0;
    if (imageScale != scale) {
        const int side = static_cast<int>(std::ceil(kDiscBox * scale));
        image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter q(&image);
        q.setRenderHint(QPainter::Antialiasing);
        q.scale(side / kDiscBox, side / kDiscBox);
        q.translate(kDiscBox / 2, kDiscBox / 2);
        q.setPen(Qt::NoPen);
        // Soft shadow: widening rings under the disc, one point down.
        q.setBrush(QColor(0, 0, 0, 14));
        q.drawEllipse(QPointF(0, 1), 22.5, 22.5);
        q.drawEllipse(QPointF(0, 1), 21.5, 21.5);
        q.drawEllipse(QPointF(0, 1), 20.7, 20.7);
        q.setBrush(Qt::white);
        q.drawEllipse(QPointF(0, 0), 20, 20);
        q.end();
        imageScale = scale;
    }
    return image;
}

}  // namespace

void ToyMouse::paint(QPainter& p) const {
    const MouseArt& a = mouseArt();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(a.tailColour, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(a.tail);
    p.setPen(Qt::NoPen);
    p.setBrush(a.body);
    p.drawEllipse(QPointF(2, 1), 6.5, 4);
    p.setBrush(a.ear);
    p.drawEllipse(QPointF(5, -2), 2, 2);
    p.setBrush(a.eye);
    p.drawEllipse(QPointF(6.5, 0.5), 0.7, 0.7);
    p.setBrush(a.nose);
    p.drawEllipse(QPointF(8.6, 1.5), 0.8, 0.8);
    p.restore();
}

void Mug::paint(QPainter& p) const {
    const MugArt& a = mugArt();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Handle: a 9 x 9 ring whose stroke lies inside its frame; its left edge is 9 right of the body's.
    QPen pen(a.handle, 2.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(-6.5 + 9 + 4.5, 0), 4.5 - 1.2, 4.5 - 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(a.bodyFill);
    p.drawPath(a.body);
    p.setBrush(QColor(255, 255, 255, 217));
    p.drawPath(a.paw);
    p.restore();
}

void NeedBubble::paint(QPainter& p) const {
    const BubbleArt& a = bubbleArt();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, 2 * std::sin(2.4 * t));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(-22 * side, 22), 3.5, 3.5);
    p.drawEllipse(QPointF(-15 * side, 13), 5.5, 5.5);
    // Pixel scale of the painter, in quarter steps, so a plain placement lays the image in 1:1.
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const double scale = std::clamp(std::round(4 * dpr * std::sqrt(std::abs(p.worldTransform().determinant()))) / 4,
                                    0.25, 8.0);
    p.drawImage(QRectF(-kDiscBox / 2, -kDiscBox / 2, kDiscBox, kDiscBox), bubbleDisc(scale));

    const QPainterPath* icon = &a.fork;
    switch (need) {
    case PetNeed::hungry: icon = &a.fork; break;
    case PetNeed::sick: icon = &a.caseShape; break;
    case PetNeed::dirty: icon = &a.sparkles; break;
    case PetNeed::sad: icon = &a.heart; break;
    case PetNeed::dead: icon = &a.moon; break;
    }
    const double pulse = 1 + 0.06 * std::sin(5 * t);
    p.scale(pulse, pulse);
    p.setBrush(need == PetNeed::sick ? a.sickRed : a.orange);
    p.drawPath(*icon);
    p.restore();
}

void GroundShadow::paint(QPainter& p, QPointF centre, double rx, double ry) {
    const QColor ink(0, 0, 0, 41);
    const QTransform device = p.deviceTransform();
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    // Laid only where points map onto whole device pixels with nothing but the pixel ratio and a
    // shift by whole pixels; anywhere else it is drawn as it is.
    const bool whole = device.type() <= QTransform::TxScale && device.m11() == dpr && device.m22() == dpr &&
                       device.dx() == std::floor(device.dx()) && device.dy() == std::floor(device.dy());
    if (!whole || rx <= 0 || ry <= 0) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(centre, rx, ry);
        p.restore();
        return;
    }
    const QPointF corner = (centre - QPointF(rx, ry)) * dpr;
    const QPointF pixel(std::floor(corner.x()), std::floor(corner.y()));
    const double fx = corner.x() - pixel.x(), fy = corner.y() - pixel.y();
    auto found = std::find_if(stamps_.begin(), stamps_.end(), [&](const Stamp& s) {
        return s.rx == rx && s.ry == ry && s.dpr == dpr && s.fx == fx && s.fy == fy;
    });
    if (found == stamps_.end()) {
        QImage image(int(std::ceil(fx + 2 * rx * dpr)) + 1, int(std::ceil(fy + 2 * ry * dpr)) + 1,
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setDevicePixelRatio(dpr);
        {
            // Through the same pixel ratio as the screen's painter: the same outline, pixel for pixel.
            QPainter s(&image);
            s.setRenderHint(QPainter::Antialiasing);
            s.setPen(Qt::NoPen);
            s.setBrush(ink);
            s.drawEllipse(QPointF(fx, fy) / dpr + QPointF(rx, ry), rx, ry);
        }
        // A handful of places within a pixel, at the one or two sizes an outing has.
        if (stamps_.size() >= 32) stamps_.pop_back();
        stamps_.insert(stamps_.begin(), Stamp{rx, ry, dpr, fx, fy, std::move(image)});
        found = stamps_.begin();
    }
    p.drawImage(pixel / dpr, found->image);
}

}  // namespace kp
