#pragma once
// The cat's vocabulary: moods, needs, stages, poses, errands, sounds, and the small records the
// life model hands to its views. Case order is part of the contract (stored values compare by case).
#include "platform/EnumNames.h"

#include <QString>

#include <optional>

namespace kp {

// Persisted and shown by name.
enum class PetMood { idle, hungry, sad, crying, sleepy, sick, sleeping, eating, dead };

template <>
struct EnumNames<PetMood> {
    static constexpr std::array<std::string_view, 9> names{
        "idle", "hungry", "sad", "crying", "sleepy", "sick", "sleeping", "eating", "dead"};
};

enum class PetNeed { hungry, sad, sick, dirty, dead };

// Stored as the numbers 0, 1, 2.
enum class PetStage { kitten, junior, adult };

constexpr int rawValue(PetStage stage) { return static_cast<int>(stage); }

constexpr std::optional<PetStage> petStageFromRawValue(long long raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<PetStage>(raw);
}

enum class PetPose {
    wander, walking, sitting, napping, batting, scratching, eating, playing, healing, watching,
    perched, kneading, stretching, licking, drinking, sniffing, resting, digging, lookout, hunting,
    hiding, bellyUp, sleeping, dead
};

enum class PetErrand {
    eat, play, sleep, medicine, watchTV, scratch, lounge, window, drink, sniff, rest, litter, tvTop,
    fridgeTop, catShelf, carrierTop, sulk, shelter, stroll, hide, snowPlay
};

// Where each errand's thing stands in its room (a fraction of the room width): the bowl, the
// perches, the litter box. The room view places props and perch climbs by it.
constexpr double spot(PetErrand errand) {
    switch (errand) {
    case PetErrand::eat: return 0.54;
    case PetErrand::play: return 0.58;
    case PetErrand::sleep: return 0.2;
    case PetErrand::medicine: return 0.66;
    case PetErrand::watchTV: return 0.82;
    case PetErrand::scratch: return 0.64;
    case PetErrand::lounge: return 0.27;
    case PetErrand::window: return 0.78;
    case PetErrand::drink: return 0.47;
    case PetErrand::sniff: return 0.66;
    case PetErrand::rest: return 0.44;
    case PetErrand::litter: return 0.765;
    case PetErrand::tvTop: return 0.82;
    case PetErrand::fridgeTop: return 0.084375;
    case PetErrand::catShelf: return 0.3;
    case PetErrand::carrierTop: return 0.855;
    case PetErrand::sulk: return 0.5;
    case PetErrand::shelter: return 0.8;
    case PetErrand::stroll: return 0.4;
    case PetErrand::hide: return 0.0;
    case PetErrand::snowPlay: return 0.45;
    }
    return 0.5;
}

// Why the cat cannot eat a meal right now.
enum class PetUnfed { dead, asleep, out, busy };

// What a click on the cat (or a tap on a cat asleep for the night) came to.
enum class PetResult { loved = 0, fussed = 1, wokeAngry = 2, snoozed = 3, ignored = 4 };

constexpr int rawValue(PetResult result) { return static_cast<int>(result); }

enum class PetSound {
    meow, mew, purr, nom, lap, yawn, trill, pop, page, chime, growl, step, dig, scratch, bounce,
    thud, sneeze, thunder, tap, open, close, wear, buy
};

// How the cat feels on waking.
enum class WakeMood { happy, lazy, grumpy, storming };

// Phases of batting the ball.
enum class PlayPhase { crouch, reach, watch };

// One bubble floating over the cat.
struct PetReaction {
    enum class Kind { heart, grumble, meow, note };

    int id = 0;
    Kind kind = Kind::heart;
    double born = 0;    // reference seconds at which the bubble starts
    double place = 0;   // the cat's place when it was made
    double facing = 1;  // +1 facing right, -1 facing left
    double dx = 0;      // horizontal offset from the cat
    QString text;       // empty for hearts

    bool operator==(const PetReaction&) const = default;
};

// A short idle behaviour. `walk` carries a target place, `zoom` the laps left, the others the
// moment they end.
struct PetBeat {
    enum class Kind { walk, sit, nap, bat, stretch, lick, zoom, hunt, trick };

    Kind kind = Kind::sit;
    double until = 0;
    double target = 0;
    int laps = 0;

    static PetBeat walk(double target) { return {Kind::walk, 0, target, 0}; }
    static PetBeat sit(double until) { return {Kind::sit, until, 0, 0}; }
    static PetBeat nap(double until) { return {Kind::nap, until, 0, 0}; }
    static PetBeat bat(double until) { return {Kind::bat, until, 0, 0}; }
    static PetBeat stretch(double until) { return {Kind::stretch, until, 0, 0}; }
    static PetBeat lick(double until) { return {Kind::lick, until, 0, 0}; }
    static PetBeat zoom(int laps) { return {Kind::zoom, 0, 0, laps}; }
    static PetBeat hunt(double until) { return {Kind::hunt, until, 0, 0}; }
    static PetBeat trick(double until) { return {Kind::trick, until, 0, 0}; }

    bool operator==(const PetBeat&) const = default;
};

struct PetWake {
    WakeMood mood = WakeMood::happy;
    double at = 0;
    bool operator==(const PetWake&) const = default;
};

struct PetPerchExit {
    PetErrand spot = PetErrand::tvTop;
    double at = 0;
    bool operator==(const PetPerchExit&) const = default;
};

// Body and head scale of a growing cat.
struct PetGrowth {
    double body = 0.6;
    double head = 1.18;
};

// The smoothed body values the room drawing reads, with their velocities.
struct PetSprings {
    double y = 0, tilt = 0, tail = 0, sit = 0, dip = 0, perch = 0, bed = 0, stretch = 0;
    double squash = 1, facing = 1;
    double velSit = 0, velDip = 0, velPerch = 0, velBed = 0, velStretch = 0;
    double velY = 0, velTilt = 0, velSquash = 0, velTail = 0;
    double lastTime = 0;  // reference seconds of the last update; 0 before the first
};

// A moment long before any cat was born.
inline constexpr double kDistantPast = -63114076800.0;

}  // namespace kp
