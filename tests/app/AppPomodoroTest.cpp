// The app's pomodoro reaches the menu and the island: starting a focus round from the menu peeks the
// island, keeps it out, and stopping lets it hide again.
#include "app/AppDelegate.h"
#include "app/AppMenu.h"
#include "app/AppState.h"
#include "app/PomodoroNeighbour.h"
#include "island/IslandController.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/Random.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>


using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct AppPomodoro : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{5};
    ManualScheduler lifeScheduler;  // the cat holds still
    ManualScheduler scheduler;
    ManualInputIdleness idleness;
    NotificationCenter hub;
    std::unique_ptr<Wallet> wallet;
    std::unique_ptr<Pomodoro> pomodoro;
    std::unique_ptr<PomodoroNeighbour> neighbour;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TestIslandController> island;
    std::unique_ptr<AppDelegate> delegate;

    void SetUp() override {
        store->set("onboardedV1", true);
        wallet = std::make_unique<Wallet>(*store);
        pomodoro = std::make_unique<Pomodoro>(*wallet, *store, clock, scheduler, idleness, hub);
        neighbour = std::make_unique<PomodoroNeighbour>(*pomodoro, *wallet);
        state = std::make_unique<AppState>(*store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub);

        TestIslandController::Setup setup;
        setup.store = store.store.get();
        setup.scheduler = &scheduler;
        setup.clock = &clock;
        setup.hub = &hub;
        setup.withPanel = false;
        setup.neighbours.pomodoro = neighbour.get();
        island = std::make_unique<TestIslandController>(*state, std::move(setup));

        AppDelegate::Hooks hooks;
        hooks.withIsland = false;
        hooks.store = store.store.get();
        hooks.hub = &hub;
        hooks.saveLife = [] {};
        hooks.neighbours.pomodoro = neighbour.get();
        delegate = std::make_unique<AppDelegate>(std::move(hooks));

        island->start();
        island->pointerAt({100, 700});
        scheduler.advance(4.01);
    }
    std::vector<QString> titles() {
        std::vector<QString> out;
        for (const MenuItem& item : menuItems(delegate->menuInputs())) out.push_back(item.title);
        return out;
    }
};

TEST_F(AppPomodoro, FocusFromTheMenuPeeksTheIslandAndHoldsItUntilStopped) {
    ASSERT_EQ(island->machine().state(), State::hidden);
    EXPECT_EQ(titles().front(), "Let him out now") << "no pomodoro items while the coins feature is off";

    wallet->setEnabled(true);
    ASSERT_EQ(titles().at(1), "Start focus");
    delegate->perform(MenuAction::startFocus);
    EXPECT_EQ(neighbour->phase(), PomodoroPhase::focus);
    EXPECT_EQ(island->machine().state(), State::petit) << "a running round peeks the island";
    EXPECT_EQ(titles().front(), "Focusing · 25 min left");

    scheduler.advance(600);
    clock.advance(600);
    EXPECT_EQ(island->machine().state(), State::petit) << "and keeps it out";

    delegate->perform(MenuAction::stop);
    EXPECT_EQ(neighbour->phase(), PomodoroPhase::idle);
    scheduler.advance(60.01);
    EXPECT_EQ(island->machine().state(), State::hidden) << "idle again: the peek hides after its delay";
}

}  // namespace
