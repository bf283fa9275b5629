#pragma once
// The app's delegate as the tests make it: no island of its own, on the test's own store and hub,
// and its menu read as it opens.
#include "app/AppDelegate.h"
#include "app/AppMenu.h"
#include "core/Notifications.h"
#include "app/AppState.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "support/IslandSetup.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <memory>
#include <vector>

namespace kp::test {

struct AppDelegateTest : ::testing::Test {
    ScratchStore store;
    NotificationCenter hub;
    std::unique_ptr<AppDelegate> delegate;

    // Makes the delegate from `hooks` (a saveLife that does nothing unless given).
    void makeDelegate(AppDelegate::Hooks hooks) {
        hooks.withIsland = false;
        hooks.store = store.store.get();
        hooks.hub = &hub;
        if (!hooks.saveLife) hooks.saveLife = [] {};
        delegate = std::make_unique<AppDelegate>(std::move(hooks));
    }
    // Before the test's own members, which the hooks reach.
    void TearDown() override { delegate.reset(); }
    // The menu's actions as it opens now (each opening makes them anew).
    QList<QAction*> menuActions() {
        emit delegate->menu().menu()->aboutToShow();
        return delegate->menu().menu()->actions();
    }
    // Its titles, separators as "-".
    std::vector<QString> menuTitles() {
        std::vector<QString> out;
        for (QAction* a : menuActions()) out.push_back(a->isSeparator() ? "-" : a->text());
        return out;
    }
    QAction* menuItem(const QString& title) {
        for (QAction* a : menuActions())
            if (a->text() == title) return a;
        return nullptr;
    }
};

// Beside the delegate, the app's state and its island on the test's clock and scheduler, the
// cat holding still and with nothing it needs.
struct AppIslandTest : AppDelegateTest {
    ManualClock clock{800000000, 1000};
    SeededRandom random{5};
    ManualScheduler lifeScheduler, scheduler;
    AppState state{*store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub};
    std::unique_ptr<TestIslandController> island;

    // Starts the island of an onboarded cat, which greets first.
    void startIsland(bool withPanel, IslandNeighbours neighbours) {
        store->set("onboardedV1", true);
        state.life().setNeed(std::nullopt);
        TestIslandController::Setup setup = islandSetup(store, scheduler, clock, hub, withPanel);
        setup.neighbours = std::move(neighbours);
        island = std::make_unique<TestIslandController>(state, std::move(setup));
        island->start();
    }
    void TearDown() override {
        island.reset();
        AppDelegateTest::TearDown();
    }
};

}  // namespace kp::test
