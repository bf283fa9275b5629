#pragma once
// The island's controller as the tests make it: on their store, scheduler, clock and hub; and the
// full-screen window they bring.
#include "island/IslandController.h"
#include "support/Scratch.h"

#include <optional>
#include <utility>

namespace kp::test {

// A full-screen window in front, as the test says.
struct FakeFullScreen final : IslandFullScreen {
    bool on = false;
    std::optional<std::pair<QRect, QRect>> followed;
    void follow(std::optional<std::pair<QRect, QRect>> screenAndArea) override { followed = screenAndArea; }
    bool covered() const override { return on && followed; }
    void become(bool now) {
        on = now;
        if (changed) changed();
    }
};

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
