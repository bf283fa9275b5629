#pragma once
// Shared geometry and per-frame values of the island's rooms.
//
// Coordinates are room points: origin at the room's top-left, y downward. Angles in degrees,
// positive clockwise on screen. Every room layer is painted as
//     void paintSomething(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot);
// with the painter already in room coordinates (it may be scaled by the host). A layer saves and
// restores any painter state it changes. Layers that act on clicks add hotspots (in room
// coordinates); the room view hit-tests them, topmost (last added) first.
#include "core/IslandTypes.h"
#include "cat/CatLook.h"
#include "life/Holiday.h"
#include "life/PetTypes.h"
#include "life/ShopItem.h"
#include "core/SkyTypes.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <array>
#include <cstdint>
#include <optional>

namespace kp {

class AppState;
class Closet;
class PetLife;
class Pomodoro;
class Wallet;

namespace room {

// Scale of every furniture piece drawn in the room.
inline constexpr double pieceScale = 1.3;
// Height of the floor band at the bottom of the room; the floor's top edge is the floor line.
inline constexpr double floorBand = 34;
// The frame a floor piece is aligned into (bottom alignment), centred at (x, floorLine - 100).
inline constexpr double pieceFrameWidth = 300;
inline constexpr double pieceFrameHeight = 200;
// The lift handed to kitchen and living-room floor pieces (they stand 3 points lower).
inline constexpr double furnitureLift = -3;
// The bar beside the notch at the top of the room.
inline constexpr double topBarHeight = 36;
inline constexpr double topBarPadX = 12;
inline constexpr double topBarPadTop = 6;
// The notch is never taken narrower than this for the zones beside it.
inline constexpr double minNotchWidth = 184;
// The bedroom window (the night tint keeps it bright) and its centre.
inline constexpr double bedroomWindowWidth = 67.6;
inline constexpr double bedroomWindowHeight = 46.8;
inline constexpr double bedroomWindowShare = 0.78;
inline constexpr double bedroomWindowY = 63.4;
// The open island's size in points (for tools and benchmarks).
inline constexpr double openIslandWidth = 640;
inline constexpr double openIslandHeight = 160;

// The y of the floor's top edge for a room `height` points high.
constexpr double floorLine(double height) { return height - floorBand; }

// How far the island has opened: 0 at 36 points high or less, 1 at 126 and more.
constexpr double openingFraction(double islandHeight) {
    const double v = (islandHeight - 36) / 90;
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Scale of pieces that grow in while the island opens (about their bottom edge).
constexpr double openingScale(double opening) { return 0.92 + 0.08 * opening; }

// Width of each zone left and right of the notch in a room `width` points wide.
double sideZoneWidth(double width, double notchWidth);
// The zones beside the notch, inside the top bar's padding (12 each side, 6 at the top), 30 high.
QRectF leftZone(double width, double notchWidth);
QRectF rightZone(double width, double notchWidth);

// A floor piece of nominal size `size` standing at x on the floor line: maps the piece's own
// coordinates (origin at its top-left) into the room, scaled by `scale` about its bottom centre.
// `lift` raises it (a negative lift lowers it).
QTransform standAt(double x, double floorLine, QSizeF size, double lift = 0, double scale = pieceScale);
// A wall piece of nominal size `size` scaled about its centre, centred at `centre`.
QTransform wallAt(QPointF centre, QSizeF size, double scale = pieceScale);
// A wall piece framed at `centre` but scaled about its top edge (hanging pieces).
QTransform hangAt(QPointF centre, QSizeF size, double scale = pieceScale);
// The room rectangle a piece covers once placed by `place` (for hotspots).
QRectF placedRect(const QTransform& place, QSizeF size);

}  // namespace room

// Which pieces a layer draws: all of them, only those that stand still (kept as an image until
// the room changes), only those that move behind the still ones, or only those that move in front
// of them (these two are drawn each frame, under and over the kept image).
enum class RoomPass : std::uint8_t { all, still, behind, moving };

// The values worked out once per frame and handed to every layer.
struct RoomFrame {
    double t = 0;          // seconds since 2001-01-01 UTC
    double width = room::openIslandWidth;
    double height = room::openIslandHeight;
    double floorLine = room::floorLine(room::openIslandHeight);
    double opening = 1;    // 0 closed ... 1 open
    IslandRoomKind kind = IslandRoomKind::bedroom;
    SkyLook look;
    std::optional<Holiday> holiday;
    double notchWidth = room::minNotchWidth;
    CatBreed breed = CatBreed::orange;  // the cat's breed (the outfit is Closet::outfit())
    bool showsNightSleep = false;  // the cat sleeps its night in the bedroom on view
    double flash = 0;              // the storm flash (0 without a storm)
    double ballX = 0;              // the play ball's x in points
    // The pointer in room coordinates while it is over the room.
    std::optional<QPointF> pointer;
    bool pointerDown = false;

    RoomPass pass = RoomPass::all;

    bool isGarden() const { return kind == IslandRoomKind::garden; }
    // Whether a piece that moves in front of the still ones (or stands still) is drawn in this pass.
    bool draws(bool moves) const {
        return pass == RoomPass::all || (moves ? pass == RoomPass::moving : pass == RoomPass::still);
    }
    // Whether a piece that moves behind still ones is drawn in this pass.
    bool drawsBehind() const { return pass == RoomPass::all || pass == RoomPass::behind; }
    double x(double share) const { return share * width; }
};

// The models a room layer may read and act on. All are set while the room view lives.
struct RoomModels {
    AppState* state = nullptr;
    PetLife* life = nullptr;
    Closet* closet = nullptr;
    Pomodoro* pomodoro = nullptr;
    Wallet* wallet = nullptr;
};

// What a click on a hotspot does. The room view carries it out.
enum class RoomActionKind : std::uint8_t {
    none,
    errand,        // PetLife::send(PetErrand(arg))
    cleanLitter,   // PetLife::clean()
    playToy,       // PetLife::play(ShopItem(arg))
    openWardrobe,  // mark the gifts seen, open settings on the wardrobe
    clock,         // the nightstand tomato clock
    petCat,        // a click on the cat
    roomTab,       // show IslandRoomKind(arg)
    openSettings,  // settings; arg 0 plain, 1 wardrobe, 2 shop
    openAlbum,
    card,          // a card's button; arg is the card's own code
    custom,        // arg goes to the room view's custom handler (IslandRoomView::setCustomAction)
};

struct RoomAction {
    RoomActionKind kind = RoomActionKind::none;
    int arg = 0;

    static RoomAction errand(PetErrand e) { return {RoomActionKind::errand, static_cast<int>(e)}; }
    static RoomAction toy(ShopItem item) { return {RoomActionKind::playToy, static_cast<int>(item)}; }
    static RoomAction tab(IslandRoomKind r) { return {RoomActionKind::roomTab, static_cast<int>(r)}; }
    bool operator==(const RoomAction&) const = default;
};

// One clickable piece of the room.
struct RoomHotspot {
    QRectF area;                // room coordinates
    RoomAction action;
    bool enabled = true;
    bool tick = false;          // plays the tap sound when pressed
    const char* help = nullptr; // tooltip (static text), or none
    QString helpText;           // tooltip built at run time (used when `help` is null)
};

// The frame's clickable pieces, in drawing order. Fixed capacity: adding allocates nothing.
class RoomHotspots {
public:
    static constexpr int capacity = 48;

    void clear() { count_ = 0; }
    int size() const { return count_; }
    const RoomHotspot& operator[](int i) const { return spots_[static_cast<std::size_t>(i)]; }
    // Adds a hotspot; beyond the capacity it is dropped. Returns it for further fields.
    RoomHotspot* add(const QRectF& area, RoomAction action, bool enabled = true);
    // The topmost hotspot under `point` (disabled ones included: they swallow the click), or null.
    const RoomHotspot* at(QPointF point) const;
    // Moves the areas of the hotspots from index `first` on through `m` (a layer drawn transformed).
    void mapFrom(int first, const QTransform& m);

private:
    std::array<RoomHotspot, capacity> spots_{};
    int count_ = 0;
};

}  // namespace kp
