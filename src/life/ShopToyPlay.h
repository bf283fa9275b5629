#pragma once
// How the cat plays with the cardboard box over time: it waits, jumps in, peeks out twice with a
// long settled spell in between, and jumps out as the play ends.

namespace kp {

struct ToyPlayPhase {
    enum class Kind { waiting, jumpingIn, inside, jumpingOut };
    Kind kind = Kind::waiting;
    double progress = 0;   // jumpingIn, jumpingOut: 0...1
    double peek = 0;       // inside: how far the head shows, 0...1
    bool settled = false;  // inside: sunk low for the long middle spell

    static ToyPlayPhase waiting() { return {}; }
    static ToyPlayPhase jumpingIn(double p) { return {Kind::jumpingIn, p, 0, false}; }
    static ToyPlayPhase inside(double peek, bool settled) { return {Kind::inside, 0, peek, settled}; }
    static ToyPlayPhase jumpingOut(double p) { return {Kind::jumpingOut, p, 0, false}; }
    bool operator==(const ToyPlayPhase&) const = default;
};

// The box's play length.
inline constexpr double kBoxPlaySeconds = 45;

// The phase `t` seconds after the play began, for a play of `length` seconds. Allocation-free.
ToyPlayPhase toyPlayCurve(double t, double length);

}  // namespace kp
