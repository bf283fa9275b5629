#pragma once
// Hands out the wardrobe's seasonal pieces: each holiday season's own piece once, and a party hat
// (first the plain one, then the pink one) on the cat's birth milestones.
#include <functional>
#include <optional>

namespace kp {

class Defaults;

// Gives at most one piece at `now` (reference seconds, judged in local time) and answers whether it
// added one. `birth` is the cat's birth, none when unknown. Reads and writes "seasonalPieces" and
// "seasonalAnniversary" in `store`.
bool awardSeasonalPieces(double now, std::optional<double> birth, Defaults& store);

// The award bound to a store and to where the cat's birth is read, in the shape the wardrobe takes.
std::function<bool(double now)> seasonalAward(Defaults& store, std::function<std::optional<double>()> birth);

}  // namespace kp
