#pragma once
// One keepsake on one paper page: the date at the top, a body in one of seven layouts, the cat's
// age and the page number at the bottom. Layout, tilts and tape colours follow from the leaf and
// its number alone, so a page always looks the same.
#include "album/AlbumBook.h"

#include <QRectF>
#include <QString>

#include <cstdint>

class QPainter;

namespace kp {

enum class LeafLayout : uint8_t {
    print = 0,      // one print, the note below
    noteFirst = 1,  // the note, one print below
    beside = 2,     // the note beside a small print, doodles below
    pair = 3,       // the note, two small prints below
    milestone = 4,  // the day-count stamp and the note
    sticker = 5,    // the cat sticker, the title, the note
    words = 6,      // the underlined title, the note, doodles, a tape corner
};

struct LeafPage {
    AlbumLeaf leaf;
    int number = 1;

    uint8_t layoutKind() const;
    static uint8_t layoutFor(const QString& key, int shotCount, bool hasSticker, int number);
    QString ageLine() const;
    static QString ageLine(double ageSeconds);
    // The weekday, month and day in the current locale's words and order, upper case:
    // "SUNDAY, DECEMBER 6", "SONNTAG, 6. DEZEMBER".
    QString dateLine() const;

    // The whole page (paper sheet, frame and body) filling `rect`.
    void paint(QPainter& p, const QRectF& rect) const;
    // Only the content inside the sheet's padding (`content` is the sheet's content rect).
    void paintContent(QPainter& p, const QRectF& content) const;
};

namespace leafpage {
// Tilts and colours of the shared pieces, by page number.
double captionAngle(int number);                 // degrees
double tapeAngle(double cardLean);               // degrees
QColor tapeColor(int number);                    // with its opacity
struct PrintGeometry {
    double cardWidth, photoWidth, photoHeight, captionSize, captionBand, border, lean;
};
PrintGeometry printGeometry(uint8_t layout, double contentWidth, int number, bool secondShot = false);
double tapeWidth(double cardWidth);
}  // namespace leafpage

}  // namespace kp
