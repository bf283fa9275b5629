// The settings window's coin and shop item drawings (the scenery's own, and plain stand-ins for views
// given no art), and the product's links.
#include "settings/SettingsServices.h"

#include "platform/Color.h"

#include "scenery/CoinIcon.h"
#include "scenery/ShopArt.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kp {

const QUrl& tipJarURL() {
    static const QUrl url(QStringLiteral("https://buymeacoffee.com/kettlepaw"));
    return url;
}
const QUrl& openMeteoURL() {
    static const QUrl url(QStringLiteral("https://open-meteo.com"));
    return url;
}

SettingsArt defaultSettingsArt() {
    SettingsArt art;
    art.coin = [](QPainter& p, const QRectF& box) {
        CoinIcon{std::min(box.width(), box.height())}.paint(p, box);
    };
    art.item = [](QPainter& p, ShopItem item, const QRectF& box, double time) {
        ShopItemIcon{item, time}.paint(p, box);
    };
    return art;
}

void drawStandInCoin(QPainter& p, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double d = std::min(box.width(), box.height());
    const QRectF c(box.center().x() - d / 2, box.center().y() - d / 2, d, d);
    QLinearGradient g(c.topLeft(), c.bottomLeft());
    g.setColorAt(0, colorFromHex("#FFD86B"));
    g.setColorAt(1, colorFromHex("#E5A93A"));
    p.setPen(QPen(colorFromHex("#B57A1E"), std::max(0.8, d * 0.07)));
    p.setBrush(g);
    p.drawEllipse(c.adjusted(d * 0.04, d * 0.04, -d * 0.04, -d * 0.04));
    p.setPen(QPen(colorFromHex("#C98B2A"), std::max(0.6, d * 0.05)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c.adjusted(d * 0.22, d * 0.22, -d * 0.22, -d * 0.22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QPointF(c.left() + d * 0.34, c.top() + d * 0.3), d * 0.08, d * 0.05);
    p.restore();
}

namespace {

void fish(QPainter& p, QPointF at, double len, const QColor& body) {
    QPainterPath f;
    f.moveTo(at.x() - len / 2, at.y());
    f.cubicTo(at.x() - len / 4, at.y() - len * 0.32, at.x() + len / 4, at.y() - len * 0.32, at.x() + len * 0.3, at.y());
    f.cubicTo(at.x() + len / 4, at.y() + len * 0.32, at.x() - len / 4, at.y() + len * 0.32, at.x() - len / 2, at.y());
    f.moveTo(at.x() + len * 0.25, at.y());
    f.lineTo(at.x() + len / 2, at.y() - len * 0.2);
    f.lineTo(at.x() + len / 2, at.y() + len * 0.2);
    f.closeSubpath();
    p.setBrush(body);
    p.drawPath(f);
    p.setBrush(QColor(40, 30, 30));
    p.drawEllipse(QPointF(at.x() - len * 0.3, at.y() - len * 0.04), len * 0.04, len * 0.04);
}

}  // namespace

void drawStandInShopItem(QPainter& p, ShopItem item, const QRectF& box, double) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(box.center());
    const double s = std::min(box.width() / 56.0, box.height() / 48.0);
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    switch (item) {
        case ShopItem::treats:
            fish(p, {-7, 2}, 18, colorFromHex("#E8B04A"));
            fish(p, {6, -5}, 16, colorFromHex("#F0C060"));
            fish(p, {5, 9}, 15, colorFromHex("#D99A3A"));
            break;
        case ShopItem::tuna: {
            p.setBrush(colorFromHex("#6FA8D8"));
            p.drawRoundedRect(QRectF(-13, -15, 26, 30), 4, 4);
            p.setBrush(colorFromHex("#4C86B8"));
            p.drawRect(QRectF(-13, -15, 26, 5));
            fish(p, {0, 3}, 18, colorFromHex("#F2F2F2"));
            break;
        }
        case ShopItem::salmon:
            p.setBrush(colorFromHex("#EDEDED"));
            p.drawEllipse(QPointF(0, 6), 22, 8);
            p.setBrush(colorFromHex("#D0D0D0"));
            p.drawEllipse(QPointF(0, 6), 16, 5);
            fish(p, {0, 1}, 28, colorFromHex("#F08A64"));
            break;
        case ShopItem::rug:
            p.setBrush(colorFromHex("#C46B78"));
            p.drawEllipse(QPointF(0, 6), 25, 11);
            p.setBrush(colorFromHex("#F2C9A0"));
            p.drawEllipse(QPointF(0, 6), 18, 7.5);
            p.setBrush(colorFromHex("#C46B78"));
            p.drawEllipse(QPointF(0, 6), 10, 4);
            break;
        case ShopItem::hangingPlant:
            p.setPen(QPen(colorFromHex("#A08060"), 1.2));
            p.drawLine(QPointF(0, -22), QPointF(-8, -6));
            p.drawLine(QPointF(0, -22), QPointF(8, -6));
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex("#5FA35A"));
            for (int i = -2; i <= 2; ++i) p.drawEllipse(QPointF(i * 5.5, -8 + std::abs(i) * 2), 5, 7);
            p.drawEllipse(QPointF(-12, 8), 3.5, 6);
            p.drawEllipse(QPointF(12, 10), 3.5, 6);
            p.setBrush(colorFromHex("#C9724A"));
            p.drawRoundedRect(QRectF(-10, -6, 20, 14), 3, 3);
            break;
        case ShopItem::cushion:
            p.setBrush(colorFromHex("#7EB6E0"));
            p.drawEllipse(QPointF(0, 5), 22, 12);
            p.setBrush(colorFromHex("#9CCBEE"));
            p.drawEllipse(QPointF(0, 2), 16, 7);
            p.setBrush(colorFromHex("#5F97C4"));
            p.drawEllipse(QPointF(0, 2), 2.2, 2.2);
            break;
        case ShopItem::portrait:
            p.setBrush(colorFromHex("#B8863B"));
            p.drawRect(QRectF(-16, -19, 32, 38));
            p.setBrush(colorFromHex("#2E3A4E"));
            p.drawRect(QRectF(-12, -15, 24, 30));
            p.setBrush(colorFromHex("#E8A25A"));
            p.drawEllipse(QPointF(0, 1), 7, 6);
            {
                QPainterPath ears;
                ears.moveTo(-6, -2);
                ears.lineTo(-5, -9);
                ears.lineTo(-1, -4);
                ears.moveTo(6, -2);
                ears.lineTo(5, -9);
                ears.lineTo(1, -4);
                p.drawPath(ears);
            }
            break;
        case ShopItem::yarn:
            p.setBrush(colorFromHex("#D9534F"));
            p.drawEllipse(QPointF(0, 2), 15, 15);
            p.setPen(QPen(colorFromHex("#F08A86"), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(-11, -10, 22, 24), 30 * 16, 120 * 16);
            p.drawArc(QRectF(-13, -6, 26, 20), 200 * 16, 110 * 16);
            p.drawArc(QRectF(-6, -12, 14, 28), 250 * 16, 140 * 16);
            p.drawLine(QPointF(12, 10), QPointF(22, 16));
            break;
        case ShopItem::box:
            p.setBrush(colorFromHex("#C89A62"));
            p.drawRect(QRectF(-18, -6, 36, 22));
            p.setBrush(colorFromHex("#B0824E"));
            {
                QPainterPath flaps;
                flaps.moveTo(-18, -6);
                flaps.lineTo(-24, -14);
                flaps.lineTo(-6, -14);
                flaps.lineTo(0, -6);
                flaps.moveTo(18, -6);
                flaps.lineTo(24, -14);
                flaps.lineTo(6, -14);
                flaps.lineTo(0, -6);
                p.drawPath(flaps);
            }
            break;
        case ShopItem::feather:
            p.setPen(QPen(colorFromHex("#A08060"), 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(-18, 18), QPointF(6, -6));
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex("#9C8BD8"));
            p.save();
            p.translate(10, -10);
            p.rotate(-45);
            p.drawEllipse(QPointF(0, 0), 5, 13);
            p.restore();
            break;
        case ShopItem::laser:
            p.setBrush(colorFromHex("#5A5A66"));
            p.save();
            p.rotate(-30);
            p.drawRoundedRect(QRectF(-16, -4, 26, 8), 3, 3);
            p.restore();
            p.setBrush(QColor(255, 60, 60, 90));
            p.drawEllipse(QPointF(16, -14), 6, 6);
            p.setBrush(colorFromHex("#FF3B3B"));
            p.drawEllipse(QPointF(16, -14), 2.8, 2.8);
            break;
    }
    p.restore();
}

}  // namespace kp
