#pragma once
// Everything the user sees of the roaming cat, painted over the whole roamed screen every display
// frame from the cat's state: the mug, the cat with its shadow, the toy mouse, the gift, the rising
// lines and hearts, the need bubble and the sleep letters. The views keep no state of their own;
// the one write is the face's animation step (LiveFace::frame).
#include "cat/art/CatDrawing.h"
#include "desktop/DesktopCat.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QTransform>

class QPainter;

namespace kp {

class Closet;
class DesktopCat;
class Defaults;

class DesktopCatView {
public:
    DesktopCatView(DesktopCat& cat, QSizeF size);

    // Breed and outfit to draw (the root view supplies them).
    void setEnvironment(const CatEnv& env) {
        env_ = env;
        ++lookVersion_;
    }
    const CatEnv& environment() const { return env_; }

    // One frame at `t` (reference seconds, the cat's clock) into a painter whose origin is the
    // screen's top-left corner, in points.
    void paint(QPainter& p, double t);
    // Where paint(p, t) may put ink (points); nothing is drawn outside.
    QRectF bounds(double t) const;
    // Where a pop and the need bubble are drawn at `t`.
    QRectF popBounds(const DesktopCat::Pop& pop, double t) const;
    QRectF bubbleBounds() const;

private:
    // The figure's drawing space (upright, facing right, feet near y 22) onto the screen.
    QTransform figureTransform(double t) const;
    QTransform popTransform(const DesktopCat::Pop& pop, double t) const;
    QRectF popFrame(const DesktopCat::Pop& pop) const;
    void paintCup(QPainter& p, double t) const;
    void paintCat(QPainter& p, double t);
    void paintCachedFigure(QPainter& p, double t);
    void paintFigure(QPainter& p, double t, const QTransform& where);
    void paintToy(QPainter& p, double t) const;
    void paintGift(QPainter& p, double t) const;
    void paintPops(QPainter& p, double t) const;
    void paintBubble(QPainter& p, double t) const;
    void paintSleepLetters(QPainter& p, double t) const;

    DesktopCat& cat_;
    QSizeF size_;
    CatEnv env_;
    QFont sayFont_;
    QFont zFont_;
    QImage scratch_;  // the washed-out figure of a dead pet is painted here first
    // What the drawn figure depends on besides its place and its limbs' step.
    struct FigureLook {
        DesktopCat::Pose pose = DesktopCat::Pose::stand;
        bool bellyUp = false, facingRight = false, dead = false, music = false, vibing = false, wiggle = false;
        CatExpression expression = CatExpression::content;
        // Hundredths of the blends and of the size.
        int appear = 0, sit = 0, squash = 0, turn = 0, size = 0, backTilt = 0, backTurn = 0;
        double dpr = 0;
        int version = -1;
        bool operator==(const FigureLook&) const = default;
    };
    struct Figure {
        QImage image;
        QRect box;  // points, about the feet
        FigureLook look;
        double at = 0;
    } figure_;
    int lookVersion_ = 0;
};

// Supplies the stored breed ("catBreed", orange when unknown) and the wardrobe's outfit, and keeps
// them current as either changes.
class DesktopCatRoot : public QObject {
public:
    DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, Closet& closet, QObject* parent = nullptr);
    // Without a wardrobe: the outfit stays as set.
    DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, QObject* parent = nullptr);

    void paint(QPainter& p, double t) { view_.paint(p, t); }
    QRectF bounds(double t) const { return view_.bounds(t); }
    DesktopCatView& view() { return view_; }

private:
    void readBreed();

    DesktopCatView view_;
    Defaults& store_;
};

}  // namespace kp
