#pragma once
// Small shared pieces of the desktop cat's steps, plans and reactions.
#include "desktop/DesktopCat.h"

#include <functional>
#include <optional>
#include <vector>

namespace kp::desktopsteps {

using Step = DesktopCat::Step;
using Plan = DesktopCat::Plan;
using Kind = DesktopCat::Step::Kind;

// The end margin on a ledge for a cat of body scale `s`.
inline double margin(double s) { return 16 * 1.45 * s; }

// A target x kept `m` inside the ground's ends; the ground's middle when it is too narrow for that.
double clampToGround(double x, const Ledge& ground, double m);

// Moves the feet toward `target` at `speed` points per second, turning to face it. Within 1.5
// points the feet are set on the target and true is returned (the arrival).
bool approach(DesktopCat& cat, double target, double speed, double dt);

// A pop above the head, appended to the cat's pops.
void say(DesktopCat& cat, double now, const QString& text, double drift = 0);
void heart(DesktopCat& cat, double now, double drift = 0);

// An index drawn uniformly from 0...count-1.
int pickIndex(DesktopCat& cat, int count);

// The window a video plays in: the process's frontmost window of at least 260 x 160 when the
// process is known and has one, else the first watchable window.
std::optional<int> videoWindow(const DesktopCat& cat, std::optional<long long> pid);

// One entry of the weighted plan draw; `row` names the candidate (1...17, in list order).
struct Candidate {
    int row = 0;
    double weight = 0;
    std::function<Plan()> build;
};

// The guarded candidates for a choice at `now` on `ground`, in list order. Draws the hop
// candidate's ledge as it goes.
std::vector<Candidate> planCandidates(DesktopCat& cat, double now, const Ledge& ground);

// The winner of a draw r in [0, total): the first entry whose weight is greater than what is left
// of r; -1 when none is (floating-point leftovers).
int drawWinner(const std::vector<double>& weights, double r);

}  // namespace kp::desktopsteps
