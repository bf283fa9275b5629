#pragma once
// Sets up the cat's passing state (place, beats, toys, timers of the moment) for the behaviour
// tests, and drives the motion step frame by frame.
#include "PetLifeSupport.h"

#include <cmath>

namespace kp {

struct PetLifeProbe {
    static void setPlace(PetLife& l, double p, bool facingRight = true) {
        l.place_ = p;
        l.facingRight_ = facingRight;
    }
    static void setBeat(PetLife& l, PetBeat b, double started) {
        l.beat_ = b;
        l.beatStarted_ = started;
    }
    static void setToy(PetLife& l, std::optional<ShopItem> toy, std::optional<double> until) {
        l.toy_ = toy;
        l.toyUntil_ = until;
    }
    static void setZooming(PetLife& l, bool on) { l.isZooming_ = on; }
    static void setInHouse(PetLife& l, bool on) { l.inHouse_ = on; }
    static void setStepping(PetLife& l, bool on) { l.isStepping_ = on; }
    static void setStartledUntil(PetLife& l, std::optional<double> t) { l.startledUntil_ = t; }
    static void setFussUntil(PetLife& l, std::optional<double> t) { l.fussUntil_ = t; }
    static void setArrivalDue(PetLife& l, std::optional<double> t) { l.arrivalDue_ = t; }
    static void setMood(PetLife& l, PetMood m) { l.mood_ = m; }
    static void die(PetLife& l) { l.die(); }
};

namespace test {

// Runs the motion step `seconds` long at 30 steps a second (the stat step is left alone).
inline void moveFor(CatWorld& w, PetLife& cat, double seconds, double dt = 1.0 / 30.0) {
    const int steps = int(std::ceil(seconds / dt - 1e-9));
    for (int i = 0; i < steps; ++i) {
        w.clock.advance(dt);
        cat.motionStep();
    }
}

// Runs the motion step until `done` holds, at most `limit` seconds; true when it held.
template <typename F>
bool moveUntil(CatWorld& w, PetLife& cat, F done, double limit = 120, double dt = 1.0 / 30.0) {
    for (double s = 0; s < limit; s += dt) {
        if (done()) return true;
        w.clock.advance(dt);
        cat.motionStep();
    }
    return done();
}

}  // namespace test
}  // namespace kp
