#include "album/CoverPage.h"
#include "album/PaperPage.h"
#include "platform/Color.h"

#include <QPainter>

#include <algorithm>

namespace kp {

QString AlbumEnd::closingLine(const AlbumChapter& c) {
    return c.died ? QStringLiteral("The end.") : QStringLiteral("To be continued\u2026");
}

QString AlbumEnd::closingNote(const AlbumChapter& c) {
    if (c.died) return QStringLiteral("Thank you for every day, ") + c.name + QStringLiteral(".");
    return QStringLiteral(
        "The rest isn't written yet. A new page turns up when something happens: his firsts, our "
        "milestones, and every few days a moment the camera caught.");
}

void AlbumEnd::paint(QPainter& p, const QRectF& rect) const {
    PaperSheet::paint(p, rect, false, [this](QPainter& pp, const QRectF& content) {
        const QRectF r = content.adjusted(8, 0, -8, 0);
        const Handwriting line = handwritten(closingLine(chapter), 28, 0.9);
        const Handwriting note = handwritten(closingNote(chapter), 18, 0.78);
        const QSizeF lineSize = handLineSize(line);
        const HandBlock noteBlock = layoutHand(note, r.width(), 0, Qt::AlignHCenter);
        const double symbol = 26;
        const double total = symbol + 14 + lineSize.height() + 14 + noteBlock.size.height();
        double y = r.top() + std::max(0.0, (r.height() - total) / 2);
        QColor orange = colorFromHex("#E39455");
        orange.setAlphaF(0.6f);
        drawSymbol(pp, chapter.died ? QStringLiteral("sparkles") : QStringLiteral("pawprint.fill"),
                   QPointF(r.center().x(), y + symbol / 2), symbol * 0.9, orange);
        y += symbol + 14;
        drawHandLine(pp, line, QPointF(r.center().x(), y + lineSize.height() / 2));
        y += lineSize.height() + 14;
        drawHand(pp, note, noteBlock, QPointF(r.left(), y));
    });
}

}  // namespace kp
