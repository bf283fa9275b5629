#pragma once
// The desktop roaming controller and the keepsake album as the delegate, the menu and the island
// reach them.
#include "app/AppDelegate.h"

#include <functional>

namespace kp {

class DesktopRoam;
class MacAlbum;
class PetLife;

// The menu's roaming item and the roaming hooks. `roam` gives the controller once roaming has
// started and null before: the menu is first built before the app state (and the cat) exist.
void wireRoaming(AppDelegate::Hooks& hooks, std::function<DesktopRoam*()> roam);

// The album hears on every island state change whether the island is open to the room.
void wireAlbum(IslandNeighbours& neighbours, std::function<MacAlbum&()> album);

// The album collects the moment the cat dies, so its farewell is kept even when a new cat is
// welcomed before the next collection.
void wireFarewell(PetLife& life, std::function<MacAlbum&()> album);

}  // namespace kp
