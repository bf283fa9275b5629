#pragma once
// The seasonal wardrobe pieces kept in the store: which were given, which the user has been shown.
// Pieces are stored as their raw values, sorted ascending; strings that name no piece are skipped.
#include "cat/CatAccessory.h"

#include <set>

namespace kp {

class Defaults;

// "seasonalPieces": the pieces given so far.
std::set<CatAccessory> seasonalPieces(Defaults& store);
// The given pieces the user has not been shown ("seasonalPiecesSeen").
std::set<CatAccessory> unseenSeasonalPieces(Defaults& store);
// Marks every given piece as shown.
void markSeasonalPiecesSeen(Defaults& store);
// Writes a set of pieces under `key` as sorted raw values.
void writeSeasonalPieceList(Defaults& store, const char* key, const std::set<CatAccessory>& pieces);

}  // namespace kp
