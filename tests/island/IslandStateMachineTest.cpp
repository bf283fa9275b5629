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
    bool covered = false;  // a full-screen window keeps the top centre
    std::vector<std::pair<State, State>> moves;
    IslandStateMachine sm{scheduler, *store,
                          {[this] { return pomodoro; }, [this] { return pointerIn; },
                           [this](State a, State b) { moves.emplace_back(a, b); }, {}, [this] { return covered; }}};

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
    // A full-screen window comes to the top centre, or leaves it; the pointer there is the window's.
    void cover(bool on) {
        covered = on;
        if (on) pointerIn = false;
        sm.coverChanged();
    }
};

TEST_F(Machine, TheGreetingLastsFourSecondsAndEndsInThePeekWhenThePointerOrAPomodoroHoldsIt) {
    store->set("onboardedV1", true);
    sm.start();
    scheduler.advance(3.99);
    EXPECT_EQ(sm.state(), State::coucou);
    scheduler.advance(0.02);
    EXPECT_EQ(sm.state(), State::hidden) << "the greeting lasts 4 s, then the island hides";

    IslandStateMachine held{scheduler, *store, {[] { return true; }, {}, {}, {}, {}}};
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

// While a full-screen window keeps the top centre the island shows nothing, whatever brought it
// out; what was to show comes once the window leaves, an alert once however many came.
TEST_F(Machine, AFullScreenWindowHidesEveryPeekAndTheOpenIslandAndWhatWaitsShowsOnceItLeaves) {
    toHidden();
    enter();
    ASSERT_EQ(sm.state(), State::petit);
    cover(true);
    EXPECT_EQ(sm.state(), State::hidden) << "the hover peek goes at once";
    sm.pointerEntered();
    sm.placeClicked();
    EXPECT_EQ(sm.state(), State::hidden) << "no peek and no click over the window";
    cover(false);
    EXPECT_EQ(sm.state(), State::hidden) << "a hover peek does not come back by itself";

    sm.placeClicked();
    ASSERT_EQ(sm.state(), State::home);
    cover(true);
    EXPECT_EQ(sm.state(), State::hidden) << "the open island goes too";
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "and nothing of it stays pending";
    cover(false);
    EXPECT_EQ(sm.state(), State::hidden);

    pomodoro = true;
    sm.pomodoroChanged();
    ASSERT_EQ(sm.state(), State::petit);
    cover(true);
    EXPECT_EQ(sm.state(), State::hidden) << "the pomodoro's peek goes";
    sm.pomodoroChanged();
    EXPECT_EQ(sm.state(), State::hidden);
    cover(false);
    EXPECT_EQ(sm.state(), State::petit) << "and comes back with the round still running";
    pomodoro = false;
    sm.pomodoroChanged();
    scheduler.advance(60.01);
    ASSERT_EQ(sm.state(), State::hidden);

    cover(true);
    sm.alert();
    sm.alert();
    EXPECT_EQ(sm.state(), State::hidden) << "alerts wait";
    cover(false);
    EXPECT_EQ(sm.state(), State::petit) << "the alert peeks once the window has left";
    scheduler.advance(60.01);
    EXPECT_EQ(sm.state(), State::hidden) << "for its usual time";
    cover(true);
    cover(false);
    EXPECT_EQ(sm.state(), State::hidden) << "once, however many came";
    sm.alert();
    cover(true);
    cover(false);
    EXPECT_EQ(sm.state(), State::petit) << "an alert's peek cut short shows again";
    sm.click();
    scheduler.advance(5.01);
    ASSERT_EQ(sm.state(), State::petit);
    cover(true);
    cover(false);
    EXPECT_EQ(sm.state(), State::hidden) << "an alert the user opened the island on is told";

    cover(true);
    EXPECT_TRUE(sm.openRoom());
    EXPECT_EQ(sm.state(), State::hidden);
    cover(false);
    EXPECT_EQ(sm.state(), State::home) << "a room asked for opens once the window has left";

    IslandStateMachine launched{scheduler, *store, {{}, {}, {}, {}, [this] { return covered; }}};
    covered = true;
    launched.start();
    launched.alert();
    EXPECT_EQ(launched.state(), State::hidden) << "no greeting over the window";
    covered = false;
    launched.coverChanged();
    EXPECT_EQ(launched.state(), State::coucou) << "the greeting comes after it";
    covered = true;
    launched.coverChanged();
    ASSERT_EQ(launched.state(), State::hidden);
    scheduler.advance(10);
    covered = false;
    launched.coverChanged();
    EXPECT_EQ(launched.state(), State::coucou) << "a greeting cut short is said again, whole";
    EXPECT_TRUE(launched.isGreetPending());
    scheduler.advance(IslandStateMachine::greetSeconds);
    EXPECT_EQ(launched.state(), State::petit) << "and the alert that came meanwhile peeks after it";
    EXPECT_TRUE(launched.isHidePending());
    covered = true;
    launched.coverChanged();
    covered = false;
    launched.coverChanged();
    EXPECT_EQ(launched.state(), State::petit) << "that peek cut short shows again too";

    IslandStateMachine pages{scheduler, *store, {{}, {}, {}, {}, [this] { return covered; }}};
    store->remove("onboardedV1");
    pages.start();
    covered = true;
    pages.coverChanged();
    EXPECT_EQ(pages.state(), State::onboarding) << "the first-run pages stay where they were, unseen";
    pages.finishOnboarding();
    EXPECT_EQ(pages.state(), State::hidden);
    covered = false;
    pages.coverChanged();
    EXPECT_EQ(pages.state(), State::home);
}

// Without the hover peek the small island is no way back to the open one: the closed island goes
// straight to the top edge's place, unless a pomodoro keeps the peek out.
TEST_F(Machine, WithoutTheHoverPeekTheClosedIslandGoesStraightToHidden) {
    store->set("peekOnHover", false);
    store->set("onboardedV1", true);
    sm.start();
    enter();
    EXPECT_EQ(sm.state(), State::coucou) << "the greeting is not turned into the peek";
    scheduler.advance(IslandStateMachine::greetSeconds);
    EXPECT_EQ(sm.state(), State::hidden) << "and ends in its time";
    leave();

    sm.placeClicked();
    ASSERT_EQ(sm.state(), State::home);
    scheduler.advance(5.01);
    EXPECT_EQ(sm.state(), State::hidden) << "closed, the island leaves no peek behind";
    EXPECT_EQ(moves.back(), std::pair(State::home, State::hidden));

    pomodoro = true;
    sm.placeClicked();
    scheduler.advance(5.01);
    EXPECT_EQ(sm.state(), State::petit) << "a running pomodoro keeps its peek";
}

}  // namespace
