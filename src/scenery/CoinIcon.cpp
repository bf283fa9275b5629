#include "scenery/CoinIcon.h"

#include "platform/Color.h"
#include "scenery/CoinGlyphs.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include <algorithm>

namespace kp {

namespace {

const QBrush& faceBrush() {
    static const QBrush brush = [] {
        QLinearGradient g(0, 0, 0, 1);
        g.setCoordinateMode(QGradient::ObjectMode);
        g.setColorAt(0, colorFromHex("#FFE08A"));
        g.setColorAt(1, colorFromHex("#E5A93A"));
        return QBrush(g);
    }();
    return brush;
}

QFont labelFont(double size) {
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(QFont::ExtraBold);
    return font;
}

QString labelText(int amount) { return QStringLiteral("+") + QString::number(amount); }

}  // namespace

void CoinIcon::paint(QPainter& p) const {
    if (size <= 0) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF coin(0, 0, size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(faceBrush());
    p.drawEllipse(coin);

    const double rim = std::max(0.08 * size, 0.8);
    QPen pen(colorFromHex("#C98A2A"), rim, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(coin.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2));

    // The paw emblem, about as big as a bold symbol of half the coin's size.
    const double glyph = 0.46 * size;
    p.translate(size / 2 - glyph / 2, size / 2 - glyph / 2);
    p.scale(glyph, glyph);
    p.setPen(Qt::NoPen);
    p.setBrush(colorFromHex("#B5781F"));
    p.drawPath(props::pawprintGlyph());
    p.restore();
}

void CoinIcon::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.center().x() - size / 2, frame.center().y() - size / 2);
    paint(p);
    p.restore();
}

QSizeF CoinGainLabel::frameSize() const {
    const QFontMetricsF fm(labelFont(size));
    const double textWidth = fm.horizontalAdvance(labelText(amount));
    return {textWidth + 2 + std::max(size, 0.0), std::max(fm.height(), size)};
}

void CoinGainLabel::paint(QPainter& p) const {
    const QFont font = labelFont(size);
    const QFontMetricsF fm(font);
    const QString text = labelText(amount);
    const double textWidth = fm.horizontalAdvance(text);
    const double height = std::max(fm.height(), size);
    const double baseline = (height - fm.height()) / 2 + fm.ascent();
    const CoinIcon coin{size};
    const QPointF coinAt(textWidth + 2, (height - size) / 2);

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    // A soft shadow one point down: a few faint copies spread about the offset.
    static const QPointF spread[] = {{0, 1}, {-0.6, 1}, {0.6, 1}, {0, 0.4}, {0, 1.6}};
    const double old = p.opacity();
    for (const QPointF& d : spread) {
        p.setOpacity(old * 0.09);
        p.setPen(Qt::black);
        p.drawText(QPointF(d.x(), baseline + d.y()), text);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(coinAt + d, QSizeF(size, size)));
    }
    p.setOpacity(old);
    p.setPen(colorFromHex("#FFD27A"));
    p.drawText(QPointF(0, baseline), text);
    p.translate(coinAt);
    coin.paint(p);
    p.restore();
}

void CoinGainLabel::paint(QPainter& p, const QRectF& frame) const {
    const QSizeF s = frameSize();
    p.save();
    p.translate(frame.center().x() - s.width() / 2, frame.center().y() - s.height() / 2);
    paint(p);
    p.restore();
}

}  // namespace kp
