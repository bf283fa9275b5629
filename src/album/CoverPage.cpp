#include "album/CoverPage.h"

#include "album/LocalDates.h"
#include "album/PaperPage.h"
#include "platform/Color.h"
#include "platform/Dates.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// The name centred in lines no wider than `width`: broken between words where they fit, and inside
// a word too long for a line of its own. Returns the height of the lines.
double layoutName(QTextLayout& layout, double width) {
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

}  // namespace

QString albumDate(double t) { return localeDate(dateFromReference(t).toLocalTime().date(), "yMMMd"); }

QString albumDayMonth(double t) { return localeDate(dateFromReference(t).toLocalTime().date(), "MMMd"); }

QString AlbumCover::coverDates(const AlbumChapter& c) {
    if (c.died) return albumDate(c.birth) + QStringLiteral(" \u2013 ") + albumDate(*c.died);
    return QStringLiteral("since ") + albumDate(c.birth);
}

void AlbumCover::paint(QPainter& p, const QRectF& rect) const {
    static const QColor cream = colorFromHex("#FBE7C6");
    static const QColor gold = colorFromHex("#F6D9B0");
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QPainterPath board = pageShape(rect);
    p.setClipPath(board, Qt::IntersectClip);

    QLinearGradient wood(rect.topLeft(), rect.bottomRight());
    wood.setColorAt(0, colorFromHex("#9A6343"));
    wood.setColorAt(1, colorFromHex("#6E4129"));
    p.fillPath(board, wood);

    QLinearGradient spine(rect.left(), 0, rect.left() + 22, 0);
    spine.setColorAt(0, QColor(0, 0, 0, 77));
    spine.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(rect.left(), rect.top(), 22, rect.height()), spine);

    QColor frameInk = gold;
    frameInk.setAlphaF(0.45f);
    p.setPen(QPen(frameInk, 1.4));
    p.setBrush(Qt::NoBrush);
    const QRectF frame = rect.adjusted(24 + 0.7, 14 + 0.7, -14 - 0.7, -14 - 0.7);
    p.drawRoundedRect(frame, 14, 14);

    // The column, 10 points further from the spine.
    const QRectF col = rect.adjusted(10, 0, 0, 0);
    const double cx = col.center().x();
    const bool dead = chapter.died.has_value();

    const QFont nameFont = albumSerif(34, QFont::Bold);
    const QFont dateFont = albumSerif(14, QFont::Normal, true);
    const QFontMetricsF nm(nameFont), dm(dateFont);
    const double textWidth = std::max(40.0, col.width() - 56);
    QTextLayout name(chapter.name, nameFont);
    const double nameH = chapter.name.isEmpty() ? nm.height() : layoutName(name, textWidth);
    const double titlesH = nameH + 6 + dm.height();
    const double medallion = 132;
    const double symbol = 16;
    // Flexible space above and between, the symbol with 30 points below it at the foot.
    const double fixed = medallion + 18 + titlesH + 18 + 18 + symbol + 30;
    const double flex = std::max(0.0, (col.height() - fixed) / 2);
    double y = col.top() + flex;

    // Medallion.
    const QPointF mc(cx, y + medallion / 2);
    {
        QPainterPath disc;
        disc.addEllipse(mc, medallion / 2, medallion / 2);
        for (int k = 3; k >= 1; --k) {
            QPainterPath s;
            s.addEllipse(mc + QPointF(0, 3), medallion / 2 + 2 * k, medallion / 2 + 2 * k);
            p.fillPath(s, QColor(0, 0, 0, 26));
        }
        p.fillPath(disc, colorFromHex("#FBF4E6"));
        const double scale = std::max(2.0, std::hypot(p.transform().m11(), p.transform().m12()) * 2);
        QImage portrait(static_cast<int>(124 * scale), static_cast<int>(124 * scale), QImage::Format_ARGB32_Premultiplied);
        portrait.fill(Qt::transparent);
        {
            QPainter pp(&portrait);
            pp.setRenderHint(QPainter::Antialiasing);
            pp.scale(scale, scale);
            QPainterPath circle;
            circle.addEllipse(QRectF(0, 0, 124, 124));
            pp.setClipPath(circle);
            chapter.portrait.paint(pp, QRectF(0, 0, 124, 124));
        }
        if (dead) portrait = desaturated(portrait, 0.15);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(mc.x() - 62, mc.y() - 62, 124, 124), portrait);
        p.setPen(QPen(gold, 4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(mc, medallion / 2 - 2, medallion / 2 - 2);
    }
    y += medallion + 18;

    // Name and dates.
    const QPointF nameAt(cx - textWidth / 2, y);
    p.setPen(QColor(0, 0, 0, 89));
    name.draw(&p, nameAt + QPointF(0, 1.5));
    p.setPen(cream);
    name.draw(&p, nameAt);
    y += nameH + 6;
    QColor dateInk = cream;
    dateInk.setAlphaF(0.75f);
    p.setFont(dateFont);
    p.setPen(dateInk);
    p.drawText(QRectF(col.left(), y, col.width(), dm.height()), Qt::AlignHCenter, coverDates(chapter));

    // The symbol at the foot.
    QColor symbolInk = gold;
    symbolInk.setAlphaF(0.6f);
    drawSymbol(p, dead ? QStringLiteral("sparkles") : QStringLiteral("pawprint.fill"),
               QPointF(cx, col.bottom() - 30 - symbol / 2), symbol * 0.9, symbolInk);
    p.restore();
}

}  // namespace kp
