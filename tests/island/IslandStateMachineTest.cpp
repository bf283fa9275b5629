#include "island/IslandStateMachine.h"

#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct Machine : ::testing::Test {
    test::ScratchStore store;
    ManualScheduler scheduler;
    bool pomodoro = false;
    bool pointerIn = false;
    std::vector<std::pair<State, State>> moves;
    IslandStateMachine sm{scheduler, *store,
                          {[this] { return pomodoro; }, [this] { return pointerIn; },
                           [this](State a, State b) { moves.emplace_back(a, b); }, {}}};

    // Brings the machine to hidden through the greeting.
    void toHidden() {
        store->set("onboardedV1", true);
        sm.start();
        scheduler.advance(IslandStateMachine::greetSeconds);
        ASSERT_EQ(sm.state(), State::hidden);
    }
    void enter() {
        pointerIn = true;
        sm.pointerEntered();
    }
    void leave() {
        pointerIn = false;
        sm.pointerLeft();
    }
};

TEST_F(Machine, TheGreetingLastsFourSecondsAndEndsInThePeekWhenThePointerOrAPomodoroHoldsIt) {
    store->set("onboardedV1", true);
    sm.start();
    scheduler.advance(3.99);
    EXPECT_EQ(sm.state(), State::coucou);
    scheduler.advance(0.02);
    EXPECT_EQ(sm.state(), State::hidden) << "the greeting lasts 4 s, then the island hides";

    IslandStateMachine held{scheduler, *store, {[] { return true; }, {}, {}, {}}};
    held.start();
    scheduler.advance(4.0);
    EXPECT_EQ(held.state(), State::petit) << "a running pomodoro keeps the peek out";

    IslandStateMachine greeted{scheduler, *store, {}};
    greeted.start();
    greeted.alert();
    EXPECT_EQ(greeted.state(), State::coucou) << "an alert peeks only a hidden island";
    greeted.pointerEntered();
    EXPECT_EQ(greeted.state(), State::petit);
    greeted.click();
    EXPECT_EQ(greeted.state(), State::home);
    greeted.alert();
    EXPECT_EQ(greeted.state(), State::home);
}

TEST_F(Machine, AlertsAndHoverPeekAndThePointerOnTheIslandHoldsOffTheCollapseAndTheHide) {
    toHidden();
    store->set("peekIdleSeconds", 10.0);
    sm.alert();
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(10.01);
    EXPECT_EQ(sm.state(), State::hidden) << "a stored 10 s is read at scheduling";
    store->remove("peekIdleSeconds");

    store->set("peekOnHover", false);
    enter();
    EXPECT_EQ(sm.state(), State::hidden);
    leave();
    store->set("peekOnHover", true);
    enter();
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(600);
    EXPECT_EQ(sm.state(), State::petit) << "no hiding while the pointer is near";
    leave();

    sm.click();
    ASSERT_EQ(sm.state(), State::home);
    scheduler.advance(4);
    enter();
    scheduler.advance(100);
    EXPECT_EQ(sm.state(), State::home) << "the pointer coming back calls the collapse off";
    leave();
    EXPECT_DOUBLE_EQ(sm.collapseLength(), 5.0);
    scheduler.advance(5.01);
    EXPECT_EQ(sm.state(), State::petit) << "collapses 5 s after the pointer leaves";
    scheduler.advance(59.9);
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(0.2);
    EXPECT_EQ(sm.state(), State::hidden) << "and hides 60 s later by default";
}

TEST_F(Machine, APomodoroKeepsThePeekOutAndIdleLetsItHideOnceThePointerIsOut) {
    toHidden();
    pomodoro = true;
    sm.pomodoroChanged();
    EXPECT_EQ(sm.state(), State::petit);
    enter();
    leave();
    scheduler.advance(3600);
    EXPECT_EQ(sm.state(), State::petit) << "leaving does not hide it while a pomodoro runs";
    sm.click();
    scheduler.advance(3600);
    EXPECT_EQ(sm.state(), State::petit) << "the open island collapses, the peek stays";

    pomodoro = false;
    pointerIn = true;
    sm.pomodoroChanged();
    scheduler.advance(600);
    EXPECT_EQ(sm.state(), State::petit) << "the pointer is still near";
    leave();
    scheduler.advance(60.01);
    EXPECT_EQ(sm.state(), State::hidden);

    // Ended with the pointer away, the peek lasts the idle time and goes.
    pomodoro = true;
    sm.pomodoroChanged();
    ASSERT_EQ(sm.state(), State::petit);
    scheduler.advance(600);
    pomodoro = false;
    sm.pomodoroChanged();
    scheduler.advance(59.9);
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(0.2);
    EXPECT_EQ(sm.state(), State::hidden) << "the pomodoro's end lets the peek hide";
}

TEST_F(Machine, AClickAtTheHiddenIslandsPlaceOpensItAndIsNothingWhileItShows) {
    toHidden();
    sm.placeClicked();
    EXPECT_EQ(sm.state(), State::home);
    EXPECT_TRUE(sm.isCollapsePending()) << "it closes as a clicked peek does";
    scheduler.advance(5.01);
    ASSERT_EQ(sm.state(), State::petit);
    sm.placeClicked();
    EXPECT_EQ(sm.state(), State::petit);

    IslandStateMachine pages{scheduler, *store, {}};
    store->remove("onboardedV1");
    pages.start();
    pages.placeClicked();
    EXPECT_EQ(pages.state(), State::onboarding);
}

TEST_F(Machine, TheFirstRunPagesHoldTheIslandUntilFinishedAndCanBeReplayed) {
    sm.start();
    ASSERT_EQ(sm.state(), State::onboarding);
    enter();
    sm.click();
    pomodoro = true;
    sm.pomodoroChanged();
    leave();
    scheduler.advance(600);
    EXPECT_FALSE(sm.openRoom());
    EXPECT_EQ(sm.state(), State::onboarding) << "pointer, clicks, pomodoro and rooms wait for the pages";
    pomodoro = false;

    sm.finishOnboarding();
    EXPECT_EQ(sm.state(), State::home);
    EXPECT_TRUE(store->boolValue("onboardedV1"));
    scheduler.advance(5.01);
    ASSERT_EQ(sm.state(), State::petit);
    store->remove("onboardedV1");
    sm.finishOnboarding();
    EXPECT_EQ(sm.state(), State::petit) << "finishing counts only on the pages";
    EXPECT_FALSE(store->contains("onboardedV1"));
    EXPECT_TRUE(sm.openRoom());
    EXPECT_EQ(sm.state(), State::home);
    const auto opened = moves.size();
    EXPECT_TRUE(sm.openRoom());
    EXPECT_EQ(moves.size(), opened) << "already open: only the room changes";

    store->set("onboardedV1", true);
    sm.replayOnboarding();
    EXPECT_EQ(sm.state(), State::onboarding);
    EXPECT_EQ(moves.size(), opened + 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "the collapse is called off";
    EXPECT_TRUE(store->boolValue("onboardedV1")) << "the stored flag is left alone";
    sm.replayOnboarding();
    EXPECT_EQ(moves.size(), opened + 1) << "no-op while the pages show";
}

}  // namespace
