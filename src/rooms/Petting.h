#pragma once
// A click on the room's cat: the cat is petted and the notch face answers for how it took it.
#include "life/PetTypes.h"

#include <QRectF>

namespace kp {

class NotificationCenter;
class PetLife;

// The invisible button over the cat, in the figure's own coordinates (centred on the figure).
inline constexpr QRectF kPetButtonRect{-24, -17, 48, 34};

// Pets the cat. Enjoyed: the face shows love. Petted again too soon: the face is annoyed and
// gets slapped. Woken, or a cat that cannot respond: the face is left alone (the cat's own
// waking shows instead). Returns what the cat made of it.
PetResult petCat(PetLife& life, NotificationCenter& hub);
PetResult petCat(PetLife& life);

}  // namespace kp
