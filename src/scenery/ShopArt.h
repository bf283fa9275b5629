#pragma once
// Drawings of the shop's items: an icon of each for the shop grid, and the art pieces the rooms
// place (rug, hanging plant, cushion, portrait, box, toys). Passive: every motion is a function of
// the `time` or `spin` the parent passes.
//
// Every art draws in its own frame: origin at the frame's top-left, y downward, `size()` big.
// `paint(p, frame)` draws it at nominal size centred in `frame` (as a layout places it).
#include "cat/art/CatDrawing.h"
#include "life/ShopItem.h"

#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct TreatsArt {
    static constexpr QSizeF kSize{44, 40};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct TunaArt {
    static constexpr QSizeF kSize{44, 40};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct SalmonArt {
    static constexpr QSizeF kSize{44, 40};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct RugArt {
    static constexpr QSizeF kSize{70, 16};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

// Hangs from the top centre of its frame and sways there by ±2.5 degrees.
struct HangingPlantArt {
    double rope = 4;   // length of the strings above the pot, in points
    double time = 0;
    QSizeF size() const { return {30, rope + 44}; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct CushionArt {
    static constexpr QSizeF kSize{34, 14};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

// A framed cat head; the sitter wears env's breed and outfit.
struct PortraitArt {
    static constexpr QSizeF kSize{26, 30};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p, const CatEnv& env = {}) const;
    void paint(QPainter& p, const QRectF& frame, const CatEnv& env = {}) const;
};

struct YarnArt {
    double spin = 0;  // rotation of the wrapping, radians
    static constexpr QSizeF kSize{28, 14};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct BoxArt {
    // back: rear flap and dark inside; front: front panel, flaps, tape and arrow; whole: both.
    enum class Part { back, front, whole };
    Part part = Part::whole;
    static constexpr QSizeF kSize{40, 24};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct FeatherWandArt {
    double time = 0;
    static constexpr QSizeF kSize{40, 40};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

struct LaserPenArt {
    static constexpr QSizeF kSize{44, 40};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

// The red dot alone, pulsing, in an 8 x 8 frame.
struct LaserDotArt {
    double time = 0;
    static constexpr QSizeF kSize{8, 8};
    QSizeF size() const { return kSize; }
    void paint(QPainter& p) const;
    void paint(QPainter& p, const QRectF& frame) const;
};

// One item's art, scaled for the shop grid and centred in 44 x 40. Only the hanging plant and
// the feather wand move with `time`.
struct ShopItemIcon {
    ShopItem item = ShopItem::treats;
    double time = 0;
    static constexpr QSizeF kSize{44, 40};
    QSizeF size() const { return kSize; }

    // The uniform scale each item's art gets in the icon.
    static double artScale(ShopItem item);

    void paint(QPainter& p, const CatEnv& env = {}) const;
    void paint(QPainter& p, const QRectF& frame, const CatEnv& env = {}) const;
};

}  // namespace kp
