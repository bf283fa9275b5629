#include "album/MilestonePage.h"

#include "album/PaperPage.h"
#include "platform/Color.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace kp::milestone {

long long dayCount(const QString& key) {
    const QString rest = key.mid(5);
    if (rest.isEmpty()) return 0;
    // Optional sign, then digits only.
    int i = 0;
    if (rest[0] == QLatin1Char('+') || rest[0] == QLatin1Char('-')) i = 1;
    if (i >= rest.size()) return 0;
    for (int j = i; j < rest.size(); ++j) {
        if (rest[j] < QLatin1Char('0') || rest[j] > QLatin1Char('9')) return 0;
    }
    bool ok = false;
    const long long v = rest.toLongLong(&ok, 10);
    return ok ? v : 0;
}

QStringList stampWords(long long count) {
    return {QString::number(count), count == 1 ? QStringLiteral("DAY") : QStringLiteral("DAYS"),
            QStringLiteral("TOGETHER")};
}

uint64_t wornInkSeed(long long count) {
    const uint64_t magnitude =
        count < 0 ? uint64_t(0) - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    return magnitude * 2654435761ULL + 17ULL;
}

void wornInk(QPainter& p, double width, double height, long long count) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 179));
    uint64_t s = wornInkSeed(count);
    for (int k = 0; k < 70; ++k) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        const double x = static_cast<double>((s >> 40) & 0xFF) / 255.0 * width;
        const double y = static_cast<double>((s >> 24) & 0xFF) / 255.0 * height;
        const double d = static_cast<double>((s >> 16) & 3) * 1.2 + 1.0;
        p.drawEllipse(QRectF(x, y, d, d));
    }
    p.restore();
}

void stampFace(QPainter& p, long long count) {
    static const QColor ink = colorFromHex("#B5483B");
    const double side = kStampSide;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 3));
    p.drawEllipse(QRectF(1.5, 1.5, side - 3, side - 3));
    p.setPen(QPen(ink, 1.2));
    p.drawEllipse(QRectF(9 + 0.6, 9 + 0.6, side - 18 - 1.2, side - 18 - 1.2));

    const QStringList words = stampWords(count);
    const QFont figure = albumSerif(54, QFont::Black);
    const QFont days = albumRounded(13, QFont::ExtraBold, 3);
    const QFont together = albumRounded(9, QFont::Bold, 2);
    const QFontMetricsF fFig(figure), fDays(days), fTog(together);
    // Lines set tight on their capitals: the figure, then the two words (the second 4 points lower).
    const double capFig = fFig.capHeight(), capDays = fDays.capHeight(), capTog = fTog.capHeight();
    const double gap1 = 7, gap2 = 4 + 4;
    const double total = capFig + gap1 + capDays + gap2 + capTog;
    double baseline = (side - total) / 2 + capFig;
    p.setPen(ink);
    auto line = [&](const QFont& font, const QString& text) {
        p.setFont(font);
        const QFontMetricsF fm(font);
        // Tracking adds space after the last letter too; centre the letters themselves.
        double w = fm.horizontalAdvance(text);
        if (font.letterSpacing() > 0) w -= font.letterSpacing();
        p.drawText(QPointF((side - w) / 2, baseline), text);
    };
    line(figure, words[0]);
    baseline += gap1 + capDays;
    line(days, words[1]);
    baseline += gap2 + capTog;
    line(together, words[2]);
    p.restore();
}

void paintDaysStamp(QPainter& p, QPointF centre, long long count) {
    // Drawn through a layer so the worn ink punches through the stamp only, not the page.
    const double dpr = std::max(1.0, p.device() ? p.device()->devicePixelRatioF() : 1.0);
    const double scale = std::max(1.0, std::hypot(p.transform().m11(), p.transform().m12())) * dpr;
    const int px = static_cast<int>(std::ceil(kStampSide * scale));
    QImage layer(px, px, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.scale(scale, scale);
        stampFace(lp, count);
        wornInk(lp, kStampSide, kStampSide, count);
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(centre);
    p.rotate(kStampTilt);
    p.setOpacity(p.opacity() * kStampOpacity);
    p.drawImage(QRectF(-kStampSide / 2, -kStampSide / 2, kStampSide, kStampSide), layer);
    p.restore();
}

}  // namespace kp::milestone
