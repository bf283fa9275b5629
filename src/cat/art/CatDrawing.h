#pragma once
// The cat's drawings: plain value structs with a paint() that draws with QPainter in fixed
// nominal units. Callers place, scale, turn and tint them; the drawings never do.
//
// Drawing contract (stable; every caller relies on it)
// ----------------------------------------------------
// Units and axes: nominal units (points at scale 1), x to the right, y DOWN, angles in degrees,
// positive = clockwise on screen. The figure faces RIGHT (head towards +x).
//
// Figure (CatBody, CatFrontPaw, CatBack): drawn in a 60 x 44 frame whose CENTRE is the painter's
// origin, so it spans x -30...30 and y -22...22 (tails and hats may reach a little beyond).
//   - Feet line: y = +15 while standing, walking or sitting; the lying loaf rests on y = +10 and
//     draws nothing above y = -8.
//   - Head: the caller draws CatHead with its CENTRE at the head offset from the figure centre:
//       standing/sitting  catHeadOffset(sit) = (14 - 9 sit, -9 - 4 sit): (14,-9) standing, (5,-13) seated
//       lying             (15, 0)   (the desktop uses (15, -1))
//     plus the caller's own dips, nods and tilts. The body draws a neck patch, so a head moved a
//     few units off the anchor (eating dips, tilts) never floats.
//   - Order: CatBody, then the head (scaled by the growth head scale about its centre, rotated
//     about its centre), then CatFrontPaw (not while lying). CatBack is the whole cat from behind,
//     head included.
//   - Mirroring (facing left), squash, flips, rotations, growth scales, opacity and colour effects
//     are the caller's: wrap paint() in painter transforms, or paint into an ARGB32-premultiplied
//     QImage and post-process it. The drawings paint proper alpha and read fine mirrored, upside
//     down or as a flat silhouette.
//
// Head (CatHead): a size x size frame whose CENTRE is the painter's origin (spans -size/2...size/2
// on both axes; hats, ears and bows may reach above it, collars and scarves below it). Note: the
// centre, not the top-left corner: a caller that lays heads out by their top-left corner
// translates by (size/2, size/2) first. Internally drawn at 30 units and scaled by size / 30;
// in those units the crown is at y -9, the chin at +12, the eyes at y +1 and x about +-4.9 (0.8
// forward of the middle, the face turned a little towards +x).
//   - `mirrored`: the head faces left on screen. Drawn on its own it is the head's mirror image.
//     Inside a figure the caller has already flipped or turned round (negative x scale, or any
//     reflection, as the room and the desktop do for a cat facing left while also passing
//     mirrored), the figure's flip has turned the head already, so it is not mirrored again.
//   - `look` is a direction on screen (x right, y down), whatever flips the painter carries.
//   - `sway` turns the head (with what it wears) on screen by clamp(12 sway, -20, 20) degrees,
//     clockwise when positive, about the neck point (0, +12 size/30).
//   - `blink` 1 shuts the eyes completely; expressions whose eyes are already shut ignore it.
//   - `previous`/`mix` cross-fade the face features only (eyes, mouth, cheeks); coat, nose,
//     whiskers and pieces are drawn once.
//   - `fromBehind` draws the back of the head (no face, no face pieces; neck pieces as a band).
//
// CatBody's sit pose: the torso tips up about the chest, the hind legs fold into a haunch and the
// tail curls round the front paws on the floor; swing is damped away as sit reaches 1. While
// seated the resting front paw hangs a little lower, clear of a collar's bell or tag.
//
// Worn pieces: head, face and neck pieces and the extras (headphones) are drawn by CatHead, which
// wears its own `outfit` when set, else the environment's; body pieces (backpack, tail bows,
// raincoat) and feet pieces by CatBody, with the near front leg's by CatFrontPaw; CatBack draws all
// of them as seen from behind.
//
// Environment: CatEnv stands in for the environment values catBreed and catOutfit; a drawing whose
// own `breed` is unset uses env.breed.
//
// Speed: the fixed shapes of each breed and piece, and their rims, are built once and kept, so a
// frame only fills shapes (one dressed cat at the room's size takes about 0.2 ms). Paint from one
// thread at a time.
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"

#include <QPointF>
#include <QRectF>

#include <optional>

class QPainter;

namespace kp {

struct CatEnv {
    CatBreed breed = CatBreed::orange;
    CatOutfit outfit;  // default: nothing worn
};

// Where the head's centre goes, relative to the figure's centre, for a standing (0) to seated (1) cat.
QPointF catHeadOffset(double sit);
// The head's centre for a lying cat (the room's value).
inline constexpr QPointF kLyingHeadOffset{15.0, 0.0};
// The nominal figure frame: 60 x 44 centred on the origin.
inline constexpr QRectF kCatFigureFrame{-30.0, -22.0, 60.0, 44.0};
inline constexpr double kCatFeetLine = 15.0;
inline constexpr double kCatLyingFeetLine = 10.0;

// The body, legs, belly and tail with the worn body and feet pieces.
struct CatBody {
    double swing = 0;      // walking leg swing, about -1...1
    double tail = 0;       // tail angle in degrees about its root; positive raises it
    bool lying = false;    // the loaf; sit, swing and the paw are then ignored
    double pawAngle = 0;   // near front leg, degrees: 0 hanging down, -90 forward, -150 up at the face
    double pawRaise = 0;   // 0...1: shortens the near front leg and bends the paw up
    double sit = 0;        // 0 standing or walking ... 1 fully seated
    std::optional<CatBreed> breed;
    bool pawOnTop = true;  // true: the near front leg is left to CatFrontPaw
    // One layer only, for a caller that keeps the still layers drawn aside while the tail moves:
    // laid in the order underTail, tail, overTail, tailBow they make the whole body.
    enum class Pass { all, underTail, tail, overTail, tailBow };
    Pass pass = Pass::all;

    void paint(QPainter& p, const CatEnv& env) const;
    // Where the tail (and a bow on it) reaches, in the figure frame.
    QRectF tailBounds(const CatEnv& env) const;
};

// The near front leg (with its feet piece and raincoat sleeve), drawn over the head.
struct CatFrontPaw {
    double pawAngle = 0;
    double pawRaise = 0;
    double sit = 0;
    std::optional<CatBreed> breed;

    void paint(QPainter& p, const CatEnv& env) const;
};

// The cat seen from behind, sitting, with its own head (size 30 at (4 turn, -13), turned 10 turn
// degrees, scaled by headScale); the whole figure is turned by tilt degrees about (0, 15).
struct CatBack {
    double tail = 0;
    double tilt = 0;
    double turn = 0;       // -1...1: the head looks that way
    double headScale = 1;
    std::optional<CatBreed> breed;

    void paint(QPainter& p, const CatEnv& env) const;
};

struct CatHead {
    CatExpression expression = CatExpression::content;
    QPointF look{0, 0};   // gaze on screen, components -1...1, x right, y down
    double blink = 0;     // 0 open ... 1 shut (1 closes the eyes completely)
    bool mirrored = false;  // faces left (see above: not mirrored twice in a flipped figure)
    double size = 30;
    std::optional<CatBreed> breed;
    std::optional<CatOutfit> outfit;
    bool fromBehind = false;
    std::optional<CatExpression> previous;  // the face blended from
    double mix = 1;       // 1 = fully `expression`
    double sway = 0;
    // One layer only, for a caller that keeps the head drawn aside while the face moves: laid in
    // the order skull, face, worn they make the whole head. The skull is ears, head and coat marks;
    // the face its features, nose, whiskers and face piece; worn the neck, head and extra pieces.
    enum class Layer { all, skull, face, worn };
    Layer layer = Layer::all;

    void paint(QPainter& p, const CatEnv& env) const;
    // Whether `blink` shows in the face (eyes already shut ignore it), and whether `previous` and
    // `mix` do (only while blending between two faces).
    bool blinkShows() const;
    bool blending() const { return previous && *previous != expression && mix < 1; }
};

// A soft pink heart ("#FFCCD7") of width `size`, centred on the origin.
struct SoftHeart {
    double size = 9.5;
    void paint(QPainter& p) const;
};

// One piece as a wardrobe icon, filling `frame` (head, face and neck pieces on a head; body and feet
// pieces on the standing cat). Drawn in env.breed; env.outfit is ignored.
struct AccessoryIcon {
    CatAccessory item = CatAccessory::bow;
    void paint(QPainter& p, const CatEnv& env, const QRectF& frame) const;
};

// Convenience: the three layers as every front-view caller stacks them, head at its anchor.
struct CatFigure {
    CatBody body;
    CatHead head;             // size is normally 30
    double headScale = 1;     // growth head scale, about the head's centre
    double headTilt = 0;      // degrees about the head's centre
    QPointF headNudge{0, 0};  // added to the anchor (dips, nods)

    // Head centre relative to the figure centre: the lying or sitting anchor plus headNudge.
    QPointF headCentre() const;
    void paint(QPainter& p, const CatEnv& env) const;
};

}  // namespace kp
