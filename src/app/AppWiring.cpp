#include "app/AppWiring.h"

#include "album/MacAlbum.h"
#include "desktop/DesktopRoam.h"
#include "life/PetLife.h"

namespace kp {

void wireRoaming(AppDelegate::Hooks& hooks, std::function<DesktopRoam*()> roam) {
    hooks.roamingOut = [roam] {
        DesktopRoam* r = roam();
        return r && r->isOut();
    };
    hooks.sendOut = [roam] {
        if (DesktopRoam* r = roam()) r->sendOut();
    };
    hooks.callHome = [roam] {
        if (DesktopRoam* r = roam()) r->callHome();
    };
}

void wireAlbum(IslandNeighbours& neighbours, std::function<MacAlbum&()> album) {
    neighbours.setNotchOpen = [album = std::move(album)](bool open) { album().setNotchOpen(open); };
}

void wireFarewell(PetLife& life, std::function<MacAlbum&()> album) {
    QObject::connect(&life, &PetLife::changed, &life, [&life, album = std::move(album), dead = life.isDead()]() mutable {
        const bool now = life.isDead();
        if (now && !dead) album().collectNow();
        dead = now;
    });
}

}  // namespace kp
