#include "album/KeepsakePage.h"

#include "album/LocalDates.h"
#include "album/MilestonePage.h"
#include "album/PaperPage.h"
#include "platform/Color.h"
#include "platform/Dates.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace kp {

// ---- choosing ----

uint8_t LeafPage::layoutFor(const QString& key, int n, bool hasSticker, int number) {
    auto pairRule = [n]() -> uint8_t { return n >= 2 ? 3 : n == 1 ? 2 : 6; };
    if (key == QLatin1String("arrived") || key == QLatin1String("farewell") ||
        key == QLatin1String("wardrobe-full"))
        return n >= 1 ? 0 : 6;
    if (key == QLatin1String("junior") || key == QLatin1String("adult") || key == QLatin1String("wardrobe"))
        return pairRule();
    if (key == QLatin1String("rain") || key == QLatin1String("snow")) return n >= 1 ? 2 : 6;
    if (key.startsWith(QLatin1String("days-"))) return 4;
    static constexpr std::array<uint8_t, 5> rotation{2, 1, 3, 0, 5};
    // Leaves are numbered from 1; a number below that still picks a slot of the rotation.
    const int slot = ((number % 5) + 5) % 5;
    const uint8_t r = rotation[static_cast<size_t>(slot)];
    switch (r) {
    case 5: return hasSticker ? 5 : n >= 1 ? 1 : 6;
    case 3: return pairRule();
    default: return n >= 1 ? r : 6;
    }
}

uint8_t LeafPage::layoutKind() const {
    return layoutFor(leaf.key, static_cast<int>(leaf.shots.size()), leaf.sticker.has_value(), number);
}

QString LeafPage::ageLine(double age) {
    if (!std::isfinite(age)) return QStringLiteral("his first day");
    const double days = std::trunc(age / 86400.0);
    if (days < 1) return QStringLiteral("his first day");
    if (days == 1) return QStringLiteral("1 day old");
    if (days >= 9.2e18) return QStringLiteral("many days old");
    return QString::number(static_cast<long long>(days)) + QStringLiteral(" days old");
}

QString LeafPage::ageLine() const {
    // Whole days of elapsed time. When the clocks went forward since the birth, the hour they
    // skipped still counts, so a month across the spring change is a whole month old; when they
    // went back, day milestones (whole multiples of a day) keep their count.
    const double birth = leaf.date - leaf.age;
    if (!std::isfinite(birth) || !std::isfinite(leaf.date) || leaf.age < 0 || leaf.age > 1e12) return ageLine(leaf.age);
    const int shift = dateFromReference(leaf.date).toLocalTime().offsetFromUtc() -
                      dateFromReference(birth).toLocalTime().offsetFromUtc();
    return ageLine(leaf.age + std::max(shift, 0));
}

QString LeafPage::dateLine() const {
    const QDateTime when = dateFromReference(leaf.date).toLocalTime();
    const QLocale locale = dateFormatLocale();
    return locale.toUpper(localeDate(when.date(), "MMMMEEEEd", locale));
}

// ---- shared pieces ----

namespace leafpage {

double captionAngle(int number) { return number % 3 == 0 ? -2.0 : 1.5; }

double tapeAngle(double lean) { return lean > 0 ? -5.0 : 4.0; }

QColor tapeColor(int number) {
    QColor c = colorFromHex(number % 2 == 0 ? "#F4A7B4" : "#F6D9A0");
    c.setAlphaF(0.62f);
    return c;
}

double tapeWidth(double cardWidth) { return std::min(0.45 * cardWidth, 74.0); }

PrintGeometry printGeometry(uint8_t layout, double W, int number, bool second) {
    const bool odd = number % 2 != 0;
    switch (layout) {
    case 0: {
        const double w = W - 54;
        return {w + 20, w, 0.78 * w, 21, 39.9, 10, odd ? -1.8 : 2.2};
    }
    case 1: {
        const double w = W - 60;
        return {w + 20, w, 0.72 * w, 21, 39.9, 10, odd ? 1.8 : -2.2};
    }
    case 2: {
        const double k = 0.46 * W;
        return {k, k - 14, k - 14, 16, 30.4, 7, 4};
    }
    default: {
        const double k = (W - 14) * 0.5;
        return {k, k - 14, k - 14, 16, 30.4, 7, second ? 2.5 : -3};
    }
    }
}

}  // namespace leafpage

namespace {

using Draw = std::function<void(QPainter&, const QRectF&)>;

// A column of fixed pieces and flexible spacers; extra height is shared by the spacers.
struct Column {
    struct Item {
        bool spacer = false;
        double height = 0;  // the spacer's minimum, or the piece's height
        Draw draw;
    };
    std::vector<Item> items;

    void spacer(double min) { items.push_back({true, min, {}}); }
    void piece(double h, Draw d) { items.push_back({false, h, std::move(d)}); }
    double fixedHeight() const {
        double h = 0;
        for (const Item& i : items) h += i.height;
        return h;
    }
    void paint(QPainter& p, const QRectF& r) const {
        int spacers = 0;
        for (const Item& i : items) spacers += i.spacer ? 1 : 0;
        const double extra = std::max(0.0, r.height() - fixedHeight());
        double y = r.top();
        for (const Item& i : items) {
            double h = i.height;
            if (i.spacer) h += spacers ? extra / spacers : 0;
            if (i.draw) i.draw(p, QRectF(r.left(), y, r.width(), h));
            y += h;
        }
    }
};

void softShadow(QPainter& p, const QPainterPath& shape, QPointF offset, double radius, double alpha) {
    // A few widening, fading rings stand in for a blurred shadow.
    p.save();
    p.translate(offset);
    p.setPen(Qt::NoPen);
    const int rings = 4;
    for (int k = rings; k >= 1; --k) {
        const double grow = radius * k / rings;
        QPainterPathStroker stroker;
        stroker.setWidth(grow * 2);
        stroker.setJoinStyle(Qt::RoundJoin);
        const QPainterPath ring = stroker.createStroke(shape).united(shape);
        p.fillPath(ring, QColor(0, 0, 0, static_cast<int>(255 * alpha / rings)));
    }
    p.restore();
}

void drawPhotoFill(QPainter& p, const QImage& image, const QRectF& frame) {
    if (image.isNull()) return;
    const double s = std::max(frame.width() / image.width(), frame.height() / image.height());
    const QSizeF drawn(image.width() * s, image.height() * s);
    p.drawImage(QRectF(frame.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn), image);
}

void drawTape(QPainter& p, double cardWidth, double lean, int number, QPointF topCentre) {
    const double w = leafpage::tapeWidth(cardWidth);
    p.save();
    p.translate(topCentre + QPointF(0, 10 - 10));  // centred on the card's top edge
    p.rotate(leafpage::tapeAngle(lean));
    p.fillRect(QRectF(-w / 2, -10, w, 20), leafpage::tapeColor(number));
    p.restore();
}

double printHeight(const leafpage::PrintGeometry& g) { return g.border + g.photoHeight + g.captionBand; }

// The photo print with its card top-centre at `topCentre`.
void drawPrint(QPainter& p, const AlbumShot& shot, const leafpage::PrintGeometry& g, bool died, int number,
               QPointF topCentre) {
    const double h = printHeight(g);
    const QRectF card(-g.cardWidth / 2, -h / 2, g.cardWidth, h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(topCentre + QPointF(0, h / 2));
    p.rotate(g.lean);
    QPainterPath cardPath;
    cardPath.addRect(card);
    softShadow(p, cardPath, QPointF(0, 3), 5, 0.18);
    p.fillRect(card, Qt::white);
    const QRectF photo(-g.photoWidth / 2, card.top() + g.border, g.photoWidth, g.photoHeight);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(photo, 2, 2);
    p.setClipPath(clip, Qt::IntersectClip);
    p.fillRect(photo, QColor("#D9CBB4"));
    const QImage image = shot.image();
    drawPhotoFill(p, died ? desaturated(image, 0.2) : image, photo);
    p.restore();
    const Handwriting caption = handwritten(shot.caption, g.captionSize, 0.85);
    drawHandLine(p, caption, QPointF(0, photo.bottom() + g.captionBand / 2), leafpage::captionAngle(number));
    drawTape(p, g.cardWidth, g.lean, number, QPointF(0, card.top()));
    p.restore();
}

void drawDoodles(QPainter& p, QPointF leftMid) {
    QColor ink = penInk();
    ink.setAlphaF(0.55f);
    double x = leftMid.x() + 8;
    auto symbol = [&](const char* name, double size, double angle, double dy) {
        p.save();
        p.translate(x + size / 2, leftMid.y() + dy);
        p.rotate(angle);
        drawSymbol(p, QString::fromLatin1(name), QPointF(0, 0), size * 0.92, ink);
        p.restore();
        x += size + 14;
    };
    symbol("heart", 17, -14, 0);
    symbol("pawprint", 17, 18, 6);
    symbol("star", 13, -6, 0);
}
constexpr double kDoodleWidth = 8 + 17 + 14 + 17 + 14 + 13;
constexpr double kDoodleHeight = 21;

void drawSticker(QPainter& p, const AlbumCatPicture& picture, QPointF centre, double angle) {
    const QSizeF size(190, 170);
    const double scale = std::max(2.0, std::hypot(p.transform().m11(), p.transform().m12()) * 2);
    QImage cat(static_cast<int>(size.width() * scale), static_cast<int>(size.height() * scale),
               QImage::Format_ARGB32_Premultiplied);
    cat.fill(Qt::transparent);
    {
        QPainter cp(&cat);
        cp.scale(scale, scale);
        picture.paint(cp, QRectF(QPointF(0, 0), size));
    }
    QImage white = cat;
    {
        QPainter wp(&white);
        wp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        wp.fillRect(white.rect(), Qt::white);
    }
    QImage shadow = cat;
    {
        QPainter sp(&shadow);
        sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        sp.fillRect(shadow.rect(), QColor(0, 0, 0, 56));
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(centre);
    p.rotate(angle);
    const QRectF frame(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    for (QPointF o : {QPointF(0, 3), QPointF(0, 4.5), QPointF(1.5, 3), QPointF(-1.5, 3)})
        p.drawImage(frame.translated(o), shadow);
    for (QPointF o : {QPointF(2.5, 0), QPointF(-2.5, 0), QPointF(0, 2.5), QPointF(0, -2.5),
                      QPointF(1.8, 1.8), QPointF(-1.8, 1.8), QPointF(1.8, -1.8), QPointF(-1.8, -1.8)})
        p.drawImage(frame.translated(o), white);
    p.drawImage(frame, cat);
    p.restore();
}

// The note in handwriting, wrapped at the width; `scale` shrinks it (not below 0.7) to fit.
struct NoteBlock {
    Handwriting hand;
    double width = 0;
    double scale = 1;
    HandBlock block;
    NoteBlock(const QString& note, double w) : hand(handwritten(note, 19, 0.9)), width(w) { relayout(); }
    void relayout() { block = layoutHand(hand, width, 3, Qt::AlignLeft, scale); }
    double height() const { return block.size.height(); }
    void draw(QPainter& p, const QRectF& r) const { drawHand(p, hand, block, r.topLeft()); }
};

}  // namespace

// ---- the page ----

void LeafPage::paint(QPainter& p, const QRectF& rect) const {
    PaperSheet::paint(p, rect, false, [this](QPainter& pp, const QRectF& content) { paintContent(pp, content); });
}

void LeafPage::paintContent(QPainter& p, const QRectF& content) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double W = content.width();
    QColor faint = pageInk();
    faint.setAlphaF(0.45f);

    // Date line.
    const QFont dateFont = albumRounded(11, QFont::Bold, 1.6);
    const QFontMetricsF dm(dateFont);
    p.setFont(dateFont);
    p.setPen(faint);
    p.drawText(QPointF(content.left(), content.top() + dm.ascent()), dateLine());

    // Footer.
    const QFont footFont = albumSerif(12, QFont::Normal, true);
    const QFontMetricsF fm(footFont);
    p.setFont(footFont);
    const double baseline = content.bottom() - fm.descent();
    p.drawText(QPointF(content.left(), baseline), ageLine());
    const QString num = QString::number(number);
    p.drawText(QPointF(content.right() - fm.horizontalAdvance(num), baseline), num);

    const QRectF body(content.left(), content.top() + dm.height(), W, content.height() - dm.height() - fm.height());

    const uint8_t kind = layoutKind();
    Column col;
    NoteBlock note(leaf.note, W);
    auto addNote = [&](NoteBlock* nb) {
        col.piece(nb->height(), [nb](QPainter& pp, const QRectF& r) { nb->draw(pp, r); });
    };
    const bool died = leaf.died;
    const int n = number;
    auto printPiece = [&](const AlbumShot& shot, const leafpage::PrintGeometry& g) {
        col.piece(printHeight(g), [&shot, g, died, n](QPainter& pp, const QRectF& r) {
            drawPrint(pp, shot, g, died, n, QPointF(r.center().x(), r.top()));
        });
    };
    auto doodles = [&](bool trailing) {
        col.piece(kDoodleHeight, [trailing](QPainter& pp, const QRectF& r) {
            const double left = trailing ? r.right() - kDoodleWidth : r.left();
            drawDoodles(pp, QPointF(left, r.center().y()));
        });
    };

    // Layout 2's note sits beside the print, so it wraps narrower.
    const leafpage::PrintGeometry beside = leafpage::printGeometry(2, W, n);
    NoteBlock besideNote(leaf.note, std::max(40.0, W - beside.cardWidth - 10));

    auto build = [&] {
        col.items.clear();
        switch (kind) {
        case 0:
            col.spacer(14);
            printPiece(leaf.shots[0], leafpage::printGeometry(0, W, n));
            col.spacer(16);
            addNote(&note);
            col.spacer(10);
            break;
        case 1:
            col.spacer(14);
            addNote(&note);
            col.spacer(16);
            printPiece(leaf.shots[0], leafpage::printGeometry(1, W, n));
            col.spacer(14);
            break;
        case 2: {
            col.spacer(18);
            const double h = std::max(besideNote.height() + 6, printHeight(beside) + 10);
            const AlbumShot& shot = leaf.shots[0];
            NoteBlock* nb = &besideNote;
            col.piece(h, [nb, &shot, beside, died, n](QPainter& pp, const QRectF& r) {
                nb->draw(pp, QRectF(r.left(), r.top() + 6, nb->width, nb->height()));
                drawPrint(pp, shot, beside, died, n,
                          QPointF(r.left() + nb->width + 10 + beside.cardWidth / 2, r.top() + 10));
            });
            col.spacer(10);
            doodles(false);
            col.spacer(10);
            break;
        }
        case 3: {
            col.spacer(14);
            addNote(&note);
            col.spacer(18);
            const leafpage::PrintGeometry a = leafpage::printGeometry(3, W, n, false);
            const leafpage::PrintGeometry b = leafpage::printGeometry(3, W, n, true);
            const AlbumShot& s0 = leaf.shots[0];
            const AlbumShot& s1 = leaf.shots[1];
            col.piece(std::max(printHeight(a), printHeight(b) + 14), [&s0, &s1, a, b, died, n](QPainter& pp, const QRectF& r) {
                const double rowWidth = a.cardWidth + 8 + b.cardWidth;
                const double left = r.center().x() - rowWidth / 2;
                drawPrint(pp, s0, a, died, n, QPointF(left + a.cardWidth / 2, r.top()));
                drawPrint(pp, s1, b, died, n, QPointF(left + a.cardWidth + 8 + b.cardWidth / 2, r.top() + 14));
            });
            col.spacer(12);
            break;
        }
        case 4: {
            col.spacer(10);
            const long long count = milestone::dayCount(leaf.key);
            col.piece(milestone::kStampSide, [count](QPainter& pp, const QRectF& r) {
                milestone::paintDaysStamp(pp, r.center(), count);
            });
            col.spacer(18);
            addNote(&note);
            col.spacer(10);
            break;
        }
        case 5: {
            col.spacer(10);
            const AlbumLeaf* l = &leaf;
            col.piece(170, [l, n](QPainter& pp, const QRectF& r) {
                if (l->sticker) drawSticker(pp, *l->sticker, r.center(), n % 2 != 0 ? -6.0 : 5.0);
            });
            const Handwriting title = handwritten(leaf.title, 24, 0.9);
            const QSizeF ts = handLineSize(title);
            col.piece(ts.height() + 4, [title, ts](QPainter& pp, const QRectF& r) {
                drawHandLine(pp, title, QPointF(r.center().x(), r.top() + 4 + ts.height() / 2), -3);
            });
            col.spacer(16);
            addNote(&note);
            col.spacer(10);
            break;
        }
        default: {
            col.spacer(22);
            const Handwriting title = handwritten(leaf.title, 28, 0.9);
            const HandBlock tb = layoutHand(title, 0);
            col.piece(tb.size.height(), [title, tb](QPainter& pp, const QRectF& r) {
                const double w = std::min(tb.size.width(), r.width());
                const QPointF centre(r.left() + w / 2, r.top() + tb.size.height() / 2);
                pp.save();
                pp.translate(centre);
                pp.rotate(-2.5);
                drawHand(pp, title, tb, QPointF(-w / 2, -tb.size.height() / 2));
                // The underline lies along the title's bottom-leading corner.
                QColor ink = penInk();
                ink.setAlphaF(0.55f);
                pp.translate(-w / 2 + 4 + 55, tb.size.height() / 2 + 6 - 0.8);
                pp.rotate(-3);
                QPainterPath cap;
                cap.addRoundedRect(QRectF(-55, -0.8, 110, 1.6), 0.8, 0.8);
                pp.fillPath(cap, ink);
                pp.restore();
            });
            col.spacer(22);
            addNote(&note);
            col.spacer(18);
            doodles(true);
            col.spacer(10);
            break;
        }
        }
    };
    build();
    // A long note shrinks (down to 0.7) rather than push the page out of its frame.
    for (int tries = 0; tries < 6 && col.fixedHeight() > body.height() && note.scale > 0.7; ++tries) {
        note.scale = std::max(0.7, note.scale - 0.06);
        besideNote.scale = note.scale;
        note.relayout();
        besideNote.relayout();
        build();
    }
    col.paint(p, body);

    if (kind == 6) {
        // Corner tape across the column's top-trailing corner.
        QColor tape = colorFromHex("#F4A7B4");
        tape.setAlphaF(0.55f);
        p.save();
        p.translate(body.right() - 32 + 18, body.top() + 9 + 4);
        p.rotate(28);
        p.fillRect(QRectF(-32, -9, 64, 18), tape);
        p.restore();
    }
    p.restore();
}

}  // namespace kp
