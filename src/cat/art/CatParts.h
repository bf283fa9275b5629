#pragma once
// The front or back view of the cat kept as drawn parts: the body under the tail, the tail, the
// body over it, the tail's bow, the head in three layers (the skull, the face over it and what it
// wears over both) and the front paw, each drawn into its own image at the device's scale. A frame
// draws again only the parts whose look changed (a tail's sway, a step, a blink or a glance redraws
// the face alone); a few recent drawings of each part are kept, since a sway, a blink or a step comes back
// to the same drawings again and again. Callers step every value of the look to the steps it is
// drawn at, so that frames a fraction of a pixel apart share their drawings.
#include "cat/art/CatDrawing.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QTransform>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

// A running fingerprint of the values a piece is drawn from.
class Fingerprint {
public:
    Fingerprint& add(double v);
    Fingerprint& add(QPointF p) { return add(p.x()).add(p.y()); }
    Fingerprint& add(const QRectF& r) { return add(r.x()).add(r.y()).add(r.width()).add(r.height()); }
    Fingerprint& add(const QTransform& m);
    Fingerprint& add(const CatEnv& env);
    Fingerprint& addBits(std::uint64_t v);
    Fingerprint& add(const QString& text);
    std::uint64_t value() const { return h_; }

private:
    std::uint64_t h_ = 1469598103934665603ULL;
};

// v in whole steps of `step`: the drawing uses the stepped value, so equal steps draw equal pixels.
inline double steppedTo(double v, double step) {
    const double r = std::round(v / step) * step;
    return r == 0 ? 0 : r;
}

// Everything the figure's pixels depend on.
struct CatPartsLook {
    // Figure frame (centre at the origin, y down) to points about the anchor the parts are laid at.
    QTransform figure;
    // The figure frame the drawings may reach (tails, hats, a head grown large).
    QRectF area{-50, -50, 100, 100};
    bool back = false;
    CatBack backView;  // the whole cat, all in the first part
    CatBody body;      // its pass is set per part
    CatHead head;
    // The figure frame the tail and its bow are drawn in, when a breath is stepped for the tail's
    // own reach (its pixels a fraction of one from the body's). None: `figure`.
    std::optional<QTransform> tailFigure;
    // The same for the head's layers, stepped for the ear tips' reach.
    std::optional<QTransform> headFigure;
    QPointF headCentre;  // figure frame
    double headTilt = 0, headScale = 1;

    std::optional<double> tongueY;  // the licking tongue's middle, head frame
    bool frontPaw = true;
    CatEnv env;
    double dpr = 1;    // device pixels per point
    int version = 0;   // bumped by a caller whose drawing changes otherwise unseen
};

class CatParts {
public:
    enum Part { underTail, tail, overTail, tailBow, head, face, headWorn, frontPaw, count };
    // The head's layers, laid down turned with the head.
    static bool ofHead(int part) { return part == head || part == face || part == headWorn; }
    // One drawing of a part: its inked pixels, and where they go in the box.
    struct Drawn {
        std::uint64_t key = 0;
        QImage image;
        QRect ink;  // device pixels of the box
    };
    // Colour effects on the figure as one picture.
    struct Wash {
        bool tint = false;        // sick: towards green
        bool desaturate = false;  // dead: saturation 0.55
        bool operator==(const Wash&) const = default;
    };

    // What each part of a look is drawn from and where it lies.
    struct Keys {
        std::uint64_t part[count] = {};   // the look and where it lies: changes with its pixels
        std::uint64_t shape[count] = {};  // what a kept drawing is found by
        bool has[count] = {};
        QRect box;
        std::uint64_t whole = 0;
        // The head's layers are drawn in a frame of their own, found again wherever the head lies:
        // head frame to the drawing's pixels, and where the drawing's pixel (0, 0) goes in the box.
        QTransform headFrame;
        QSize headPixels;
        QPoint headAt;
    };
    static Keys keysOf(const CatPartsLook& look, std::optional<Wash> together = std::nullopt);

    // Draws again the parts whose look changed; with `together`, also lays them into one image
    // washed as asked. Returns a key that changes whenever the figure's pixels do.
    std::uint64_t update(const CatPartsLook& look, std::optional<Wash> together = std::nullopt);
    // The same with the look's keysOf() (worked out once for needsDrawing() and update()).
    std::uint64_t update(const CatPartsLook& look, const Keys& keys, std::optional<Wash> together);
    // Lets every drawing go (the next update() draws the figure afresh).
    void clear();
    // Whether update() would draw any part that is not kept.
    bool needsDrawing(const CatPartsLook& look, std::optional<Wash> together = std::nullopt) const;
    bool needsDrawing(const Keys& keys) const;

    // Points about the anchor; its top-left corner is the images' pixel (0, 0).
    const QRect& box() const { return box_; }
    bool shown(int part) const { return parts_[part].shown; }
    const Drawn& drawn(int part) const { return parts_[part].now; }
    // The parts laid together (after update() with `together`).
    const QImage& together() const { return together_; }
    const QRect& togetherInk() const { return togetherInk_; }
    // Parts drawn so far, kept drawings not counted; of one part.
    int drawings() const { return drawings_; }
    int drawings(int part) const { return parts_[part].drawings; }

    // Draws one part of `look` straight onto `p` (figure frame at the painter's origin).
    static void paintPart(QPainter& p, const CatPartsLook& look, int which);
    // Every part in order, straight onto `p`.
    static void paintAll(QPainter& p, const CatPartsLook& look);
    // Washes the premultiplied pixels of `img` inside `area`.
    static void wash(QImage& img, const QRect& area, Wash how);

private:
    struct Kept {
        Drawn drawn;
        std::uint64_t used = 0;  // when last shown
    };
    struct Slot {
        Drawn now;
        std::vector<Kept> kept;  // in no order: finding one moves none
        qsizetype bytes = 0;
        int drawings = 0;
        bool shown = false;
    };
    const Drawn& drawing(Slot& slot, const CatPartsLook& look, int which, const Keys& keys);
    static bool keeps(const Slot& slot, std::uint64_t key);
    static void paintHeadLayer(QPainter& p, const CatPartsLook& look, int which);

    Slot parts_[count];
    QImage scratch_;
    QImage headScratch_;
    QImage together_;
    QRect togetherInk_;
    QRect box_;
    std::uint64_t key_ = 0;
    std::uint64_t uses_ = 0;
    int drawings_ = 0;
};

}  // namespace kp
