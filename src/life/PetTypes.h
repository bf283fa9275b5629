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
