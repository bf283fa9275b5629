#pragma once
// Small shared pieces of the onboarding drawings: fonts, symbols and colour helpers.
#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>

class QPainter;
class QPainterPath;

namespace kp::onboard {

// A rounded sans when installed, else the plainest sans at hand. Sizes are pixels (points).
QFont roundedFont(double size, QFont::Weight weight);
// The captions' serif italic.
QFont serifItalic(double size);

// Text fitted into a box: wrapped at word breaks, the font stepped down a pixel at a time
// (to `minPixels`) until every line fits; cut with an ellipsis only when even that is too long.
struct FittedText {
    QFont font;
    QString text;   // what is drawn: the whole text unless it had to be cut
    QRectF box;     // the area, at the top-left of `area`, that the wrapped text takes
    bool whole = true;  // the whole text fits the area
};
FittedText fitText(const QString& text, const QFont& base, const QRectF& area, double minPixels);

// "a tuxedo", "an orange tabby": the indefinite article by the word's first sound.
QString withArticle(const QString& noun);

QColor hex(const char* rgb, double opacity = 1.0);
QColor withAlpha(QColor c, double opacity);
// Component-wise blend of two opaque colours.
QColor blend(const QColor& a, const QColor& b, double amount);

enum class Symbol : std::uint8_t {
    forkKnife,
    heart,
    bolt,
    cross,
    sparkles,
    arrowUp,
    locationFill,
    locationCircle,
    alertCircle,
    checkCircle,
    phone,
    pawprint,
    catFace,
};

// The symbol's path with its larger side 1, centred on the origin; built once.
const QPainterPath& symbolPath(Symbol symbol);
// Fills the symbol at point size `size` centred on `centre`.
void paintSymbol(QPainter& p, Symbol symbol, QPointF centre, double size, const QColor& color);

}  // namespace kp::onboard
