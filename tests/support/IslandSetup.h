#pragma once
// The island's controller as the tests make it: on their store, scheduler, clock and hub.
#include "island/IslandController.h"
#include "support/Scratch.h"

namespace kp::test {

inline TestIslandController::Setup islandSetup(ScratchStore& store, Scheduler& scheduler, const Clock& clock,
                                               NotificationCenter& hub, bool withPanel) {
    TestIslandController::Setup setup;
    setup.store = store.store.get();
    setup.scheduler = &scheduler;
    setup.clock = &clock;
    setup.hub = &hub;
    setup.withPanel = withPanel;
    return setup;
}

}  // namespace kp::test
