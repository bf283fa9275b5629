#pragma once
// The pieces every album page shares: the paper sheet with its stitched binding, the shrink-to-fit
// frame, the handwriting and the two inks. Pages are drawn with QPainter in page points at a
// design width of 340 and scaled down (never up) by the caller.
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QImage;
class QPainter;

namespace kp {

const QColor& pageInk();  // "#3B2F28"
const QColor& penInk();   // "#1E1C1F"

inline constexpr double kPageCornerRadius = 22.0;
inline constexpr double kPageDesignWidth = 340.0;

// Fitting a page into the space it gets: laid out at least `designWidth` wide with the space's
// proportions, then scaled down by `scale`. A zero or negative width draws nothing (scale 0).
struct ShrinkToFit {
    double scale = 1;
    QSizeF layoutSize;  // the size the content is laid out at

    static ShrinkToFit fit(QSizeF offered, double designWidth = kPageDesignWidth);
    // Draws `content` (which lays itself out in the given rect) fitted into `target`.
    static void paint(QPainter& p, const QRectF& target, double designWidth,
                      const std::function<void(QPainter&, const QRectF&)>& content);
};

// The binding's stitch: a vertical line through the middle, 18 points short of each end.
struct StitchLine {
    static QPainterPath path(const QRectF& rect);
};

// One side of a paper page. The front carries the stitch and the content (drawn inside the
// returned content rect); the back is blank paper.
struct PaperSheet {
    // Content rect of a front sheet filling `rect`.
    static QRectF contentRect(const QRectF& rect);
    static void paint(QPainter& p, const QRectF& rect, bool back,
                      const std::function<void(QPainter&, const QRectF&)>& content = {});
};

// Handwriting: every letter gets its own small rise and ink, a pure function of the text.
struct HandLetter {
    QString text;    // one grapheme cluster
    double rise;     // baseline offset in points, positive raises the letter
    double opacity;  // pen ink opacity
};

struct Handwriting {
    double size = 19;
    std::vector<HandLetter> letters;
    bool empty() const { return letters.empty(); }
};

uint64_t textSeed(const QString& text);
Handwriting handwritten(const QString& text, double size, double ink);
// The handwriting face at `size` points (Bradley Hand where present, else a chancery script).
QFont handFont(double size);

// Laying handwriting out in lines: wraps at spaces to `maxWidth` (0 = one line); `scale` shrinks
// the letters (for a text that must fit).
struct HandBlock {
    struct Placed {
        int letter;
        QPointF origin;  // baseline origin before the letter's rise
    };
    std::vector<Placed> placed;
    QSizeF size;
    double scale = 1;
};
HandBlock layoutHand(const Handwriting& hand, double maxWidth, double lineSpacing = 0,
                     Qt::Alignment align = Qt::AlignLeft, double scale = 1);
// Draws a laid-out block with its top-left at `topLeft`.
void drawHand(QPainter& p, const Handwriting& hand, const HandBlock& block, QPointF topLeft);
// Convenience: one line centred on `centre`, rotated by `degrees` (clockwise) about it.
void drawHandLine(QPainter& p, const Handwriting& hand, QPointF centre, double degrees = 0);
QSizeF handLineSize(const Handwriting& hand);

// A named symbol ("pawprint.fill", "sparkles", "heart", "pawprint", "star", "xmark",
// "chevron.left", "chevron.right", "books.vertical.fill") drawn `size` points tall, centred; the
// heart, the star and the plain paw print in outline.
void drawSymbol(QPainter& p, const QString& name, QPointF centre, double size, const QColor& color);

// The album's type: a serif (titles, labels) and a rounded sans (the date line, the stamp's
// words); `tracking` is extra space between letters in points.
QFont albumSerif(double size, QFont::Weight weight = QFont::Normal, bool italic = false);
QFont albumRounded(double size, QFont::Weight weight = QFont::Bold, double tracking = 0);

// Rounded page shape used by every page and its clips.
QPainterPath pageShape(const QRectF& rect, double radius = kPageCornerRadius);

// A copy of `image` with its colour saturation scaled (1 = unchanged, 0 = grey).
QImage desaturated(const QImage& image, double saturation);

}  // namespace kp
