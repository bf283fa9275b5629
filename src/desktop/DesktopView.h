#pragma once
// Everything the user sees of the roaming cat, settled every display frame from the cat's state:
// the mug, the cat with its shadow, the toy mouse, the gift, the rising lines and hearts, the need
// bubble and the sleep letters. Each piece tells the panel where it is and whether its pixels
// changed, so only what moved is sent; the figure keeps its body, head and front paw drawn aside
// and draws a part again only when that part's look changed (a tail's sway, a step, a blink).
#include "cat/art/CatDrawing.h"
#include "cat/art/CatParts.h"
#include "desktop/DesktopCat.h"
#include "desktop/DesktopProps.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

class Closet;
class DesktopCat;
class Defaults;

// One piece of the scene as the panel follows it from frame to frame.
struct SceneLayer {
    std::uint64_t id = 0;   // the same piece keeps its id while it is shown
    QRect rect;             // points; all of the piece's ink lies inside
    std::uint64_t key = 0;  // changes whenever the piece's pixels do
    bool operator==(const SceneLayer&) const = default;
};

class DesktopCatView {
public:
    DesktopCatView(DesktopCat& cat, QSizeF size);

    // Breed and outfit to draw (the root view supplies them).
    void setEnvironment(const CatEnv& env) {
        env_ = env;
        ++lookVersion_;
    }
    const CatEnv& environment() const { return env_; }

    // Settles the scene of moment `t` (reference seconds, the cat's clock): where each piece goes
    // and how it looks, with the figure's parts drawn again only where their look changed.
    // Returns the pieces, back to front.
    const std::vector<SceneLayer>& prepare(double t);
    // Draws the prepared scene into a painter whose origin is the screen's top-left corner, in points.
    void draw(QPainter& p) const;
    void paint(QPainter& p, double t) {
        prepare(t);
        draw(p);
    }
    // How far the need bubble has grown in (0 gone ... 1 full), as last prepared.
    double bubbleGrowth() const { return scene_.bubble ? scene_.bubble->grow : 0; }
    // The panel's pixels per point, for the figure's images.
    void setDevicePixelRatio(double dpr) { dpr_ = dpr; }
    // The screen's size, in points.
    void setSize(QSizeF size) { size_ = size; }

private:
    // Everything the figure's pixels depend on, each value in the steps it is drawn at.
    struct FigureLook;
    struct CupDraw {
        QPointF at;
        double degrees = 0, opacity = 1;
    };
    struct CatDraw {
        std::optional<double> clip;
        bool shadow = false;
        QPointF shadowAt;
        double rx = 0, ry = 0;
        QPointF anchor;  // the figure images' top-left corner, on whole device pixels of the panel
        double opacity = 1;
        bool laidTogether = false;  // drawn from the one image of all parts (faded or washed out)
    };
    struct ToyDraw {
        QPointF at;
        double degrees = 0;
    };
    struct GiftDraw {
        QPointF at;
        bool flip = false, carried = false;
        double opacity = 1;
    };
    struct PopDraw {
        QTransform where;
        double fade = 1;
        DesktopCat::Pop::Kind kind = DesktopCat::Pop::Kind::heart;
        QString text;
        QRectF frame;
    };
    struct BubbleDraw {
        QPointF at;
        PetNeed need = PetNeed::hungry;
        double t = 0, side = 1, grow = 1;
    };
    struct LettersDraw {
        QPointF head;
        double side = 1;
        double c[3] = {0, 0, 0};
    };
    struct Scene {
        std::optional<CupDraw> cup;
        CatDraw cat;
        std::optional<ToyDraw> toy;
        std::optional<GiftDraw> gift;
        std::vector<PopDraw> pops;
        std::optional<BubbleDraw> bubble;
        std::optional<LettersDraw> letters;
        std::vector<SceneLayer> layers;
    };

    FigureLook figureLook(double t, double dpr);
    // The figure's drawing space (upright, facing right, feet near y 22) about its feet.
    static QTransform figureTransform(const FigureLook& look);
    // The look as the shared part cache draws it.
    static CatPartsLook partsLook(const FigureLook& look);
    QTransform popTransform(const DesktopCat::Pop& pop, double t) const;
    // Where the need bubble is drawn at full size.
    QRectF bubbleBounds() const;
    QRectF popFrame(const DesktopCat::Pop& pop) const;
    double bubbleGrow(double t);
    void drawCup(QPainter& p) const;
    void drawCat(QPainter& p) const;
    void drawToy(QPainter& p) const;
    void drawGift(QPainter& p) const;
    void drawPop(QPainter& p, const PopDraw& pop) const;
    void drawBubble(QPainter& p) const;
    void drawLetters(QPainter& p) const;

    DesktopCat& cat_;
    QSizeF size_;
    CatEnv env_;
    QFont sayFont_;
    QFont zFont_;
    double dpr_ = 1;  // of the panel the scene is prepared for
    // The figure's parts, each drawn again only when its look changed.
    CatParts figure_;
    // The need bubble grows in when an ask starts and shrinks away when it ends.
    struct BubbleFade {
        std::optional<PetNeed> need;
        double since = 0;
        bool leaving = false;
    } bubbleFade_;
    Scene scene_;
    mutable GroundShadow shadow_;
    int lookVersion_ = 0;
};

// Supplies the stored breed ("catBreed", orange when unknown) and the wardrobe's outfit, and keeps
// them current as either changes.
class DesktopCatRoot : public QObject {
public:
    DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, Closet& closet, QObject* parent = nullptr);
    // Without a wardrobe: the outfit stays as set.
    DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, QObject* parent = nullptr);

    DesktopCatView& view() { return view_; }

private:
    void readBreed();

    DesktopCatView view_;
    Defaults& store_;
};

}  // namespace kp
