#include "app/AppWiring.h"

#include "album/MacAlbum.h"
#include "desktop/DesktopRoam.h"

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

}  // namespace kp
