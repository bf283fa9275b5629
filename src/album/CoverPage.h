#pragma once
// The first and last pages of a cat's book: a brown board with the cat's portrait, name and life
// span, and a paper end page that promises more pages or says goodbye.
#include "album/AlbumBook.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace kp {

// "Dec 6, 2026" in the current locale (day, abbreviated month, year).
QString albumDate(double referenceSeconds);
// "Dec 6" in the current locale (day and abbreviated month, no year).
QString albumDayMonth(double referenceSeconds);

struct AlbumCover {
    AlbumChapter chapter;

    // "since {birth}" or "{birth} – {death}".
    static QString coverDates(const AlbumChapter& chapter);
    void paint(QPainter& p, const QRectF& rect) const;
};

struct AlbumEnd {
    AlbumChapter chapter;

    static QString closingLine(const AlbumChapter& chapter);
    static QString closingNote(const AlbumChapter& chapter);
    void paint(QPainter& p, const QRectF& rect) const;
};

}  // namespace kp
