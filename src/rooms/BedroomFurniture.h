#pragma once
// The bedroom's furniture: window, wall picture, wardrobe or bookcase, cat shelf, bed, nightstand
// lamp and tomato clock, owned home items and toys, scratching post and plant.
// Anchors and scales follow RoomShapes.h's drawing contract.
#include "life/Pomodoro.h"
#include "life/PetTypes.h"
#include "life/ShopItem.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomShapes.h"

#include <QString>

#include <array>
#include <optional>
#include <set>

class QPainter;

namespace kp {

class RoomScenery;

// ---- Pieces ----

// Bookcase with two rows of books, a pot and its leaves on top (50 x 64); `at` = bottom centre.
void drawBookcase(QPainter& p, QPointF at, double scale);
// The cat shelf: board 32 x 3.5 on two brackets; `at` = the centre of its 32 x 10 frame (the
// board's top lies 5 above it).
void drawWallShelves(QPainter& p, QPointF at, double scale);
// The bed, 136 x 40; `at` = bottom centre.
void drawBed(QPainter& p, QPointF at, double scale);
// Nightstand (26 x 18) with its lamp and the lamp's glow at opacity `glow`; `at` = bottom centre.
void drawLamp(QPainter& p, QPointF at, double scale, double glow);
// The lamp's glow: off during the night sleep in the bedroom, else a slow pulse 0.28...0.46.
double lampGlow(double t, bool nightSleepInBedroom);

// The scratching post's motion: the column's shake (points) and the pom-pom's swing (degrees).
struct ScratcherMotion {
    double shake = 0;
    double swing = 0;
};
ScratcherMotion scratcherMotion(bool scratching, double t);
// Scratching post, 40 x 52 frame; `at` = bottom centre.
void drawScratchingPost(QPainter& p, QPointF at, double scale, ScratcherMotion motion);

// ---- Nightstand clock ----

enum class ClockTap { nothing, startFocus, startBreak };
ClockTap clockTapAction(Pomodoro::Phase phase);
// focusSeconds: the stored "pomodoroFocusSeconds" (0, absent or unusable: 25 minutes).
QString clockHelpText(Pomodoro::Phase phase, int minutesLeft, double focusSeconds);
bool clockRinging(Pomodoro::Phase phase);
double clockProgress(Pomodoro::Phase phase, double pomodoroProgress);

// ---- Toys ----

// The toys that may lie in the bedroom, in their order.
inline constexpr std::array<ShopItem, 4> kBedroomToys{ShopItem::yarn, ShopItem::feather, ShopItem::box,
                                                      ShopItem::laser};
// Where a lying toy's centre goes (it is scaled 1.3 about it).
QPointF toyCentre(ShopItem toy, double width, double floorLine);
// "Play with the " and the item's name in lower case.
QString toyHelpText(ShopItem toy);
// Which of kBedroomToys are shown: owned and not the one in play.
std::array<bool, 4> shownToys(const std::set<ShopItem>& owned, std::optional<ShopItem> inPlay);

// ---- The whole room ----

// The model values one bedroom frame is drawn from (bedroomState() reads them).
struct BedroomState {
    bool shopOn = false;          // Wallet::enabled()
    bool portraitShown = false;   // Wallet::isShown(portrait), and likewise:
    bool hangingPlantShown = false;
    bool rugShown = false;
    bool cushionShown = false;
    std::array<bool, 4> toys{};   // shownToys(), in kBedroomToys order
    bool windowOpen = false;      // errand == window or pose == perched
    bool wardrobeOpen = false;    // Closet::together() >= 18000
    bool freshGifts = false;      // Closet::unseenCount() > 0
    bool scratching = false;      // pose == scratching
    bool catDead = false;
    bool catAway = false;         // out on the desktop, or room != viewRoom
    Pomodoro::Phase phase = Pomodoro::Phase::idle;
    double pomodoroProgress = 0;
    int minutesLeft = 0;
    double focusSeconds = 0;      // stored "pomodoroFocusSeconds"
};
// Reads the pet model, wallet, closet, pomodoro and the stored focus length.
BedroomState bedroomState(const RoomModels& m);

// Draws the bedroom's pieces back to front, with the scenery's pieces in their places
// (f.showsNightSleep puts the lamp out).
void paintBedroomFurniture(QPainter& p, const RoomFrame& f, const BedroomState& s,
                           RoomScenery* scenery = nullptr);
// Window, wardrobe, bed, clock, toys and scratching post, back to front.
void addBedroomHotspots(const RoomFrame& f, const BedroomState& s, RoomHotspots& hot);

// Points the bedroom fixes.
QPointF bedroomWindowCentre(double width);  // (0.78 w, 66)
QPointF bedroomClockCentre(double width, double floorLine);
inline constexpr double kBedroomClockScale = 0.806;

}  // namespace kp
