#pragma once
// Which layers of the room stack a frame draws, decided from the frame values and the models.
// Layers that are absent (no holiday, no storm, cat out, not the garden, no card) are left out
// rather than drawn invisible.
#include "rooms/RoomKit.h"

#include <optional>

namespace kp {

// The card over the room, first match wins: the farewell for a dead cat, the pomodoro intro in
// the bedroom while the shop is on, the tomato-clock offer.
enum class RoomCard { none, farewell, intro, offer };

struct RoomSceneInputs {
    bool dead = false;
    bool catOut = false;
    bool catInShownRoom = true;   // PetLife room == viewRoom
    bool inHouse = false;
    std::optional<int> introStep;
    bool shopOn = false;
    bool offerTomatoClock = false;
};

struct RoomStackPlan {
    bool gardenBackdrop = false;  // else walls and floor
    bool holiday = false;
    bool stormFlash = false;
    bool cat = false;             // the cat group: cat, house front, reaction bubbles
    bool houseFront = false;
    bool gardenWeather = false;
    bool nightTint = false;       // the night sleep shows (the tint may still be fading)
    bool topBarOverTint = false;
    RoomCard card = RoomCard::none;
};

RoomStackPlan planRoomStack(const RoomFrame& f, const RoomSceneInputs& in);

// The reaction bubbles' scale and baseline for a cat of body scale `body`.
double reactionScale(double body, double opening);
double reactionBaseline(const RoomFrame& f, double scale);

// Where the cards are centred.
QPointF farewellCardCentre(const RoomFrame& f);  // (0.5 w, 0.46 h)
QPointF roomCardCentre(const RoomFrame& f);      // (0.5 w, 92)

}  // namespace kp
