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

TEST_F(Machine, StartsInTheGreetingOnlyOnceOnboarded) {
    sm.start();
    EXPECT_EQ(sm.state(), State::onboarding);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(State::hidden, State::onboarding));
    scheduler.advance(3600);
    EXPECT_EQ(sm.state(), State::onboarding) << "onboarding waits for the user";

    IslandStateMachine other{scheduler, *store, {}};
    store->set("onboardedV1", true);
    other.start();
    EXPECT_EQ(other.state(), State::coucou);
    scheduler.advance(3.99);
    EXPECT_EQ(other.state(), State::coucou);
    scheduler.advance(0.02);
    EXPECT_EQ(other.state(), State::hidden) << "the greeting lasts 4 s, then the island hides";
}

TEST_F(Machine, GreetingEndsInThePeekWhenThePointerIsNearOrAPomodoroRuns) {
    store->set("onboardedV1", true);
    sm.start();
    pomodoro = true;
    scheduler.advance(4.0);
    EXPECT_EQ(sm.state(), State::petit);
    EXPECT_FALSE(sm.isHidePending()) << "no hiding while a pomodoro runs";
}

TEST_F(Machine, AlertPeeksOnlyFromHiddenAndHidesAfterThePeekDelay) {
    toHidden();
    sm.alert();
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(59.9);
    EXPECT_EQ(sm.state(), State::petit);
    scheduler.advance(0.2);
    EXPECT_EQ(sm.state(), State::hidden) << "60 s by default";

    store->set("peekIdleSeconds", 10.0);
    sm.alert();
    scheduler.advance(10.01);
    EXPECT_EQ(sm.state(), State::hidden) << "a stored 10 s is read at scheduling";

    for (double bad : {0.0, -5.0}) {
        store->set("peekIdleSeconds", bad);
        sm.alert();
        scheduler.advance(59);
        EXPECT_EQ(sm.state(), State::petit) << bad << " counts as 60";
        scheduler.advance(1.01);
        EXPECT_EQ(sm.state(), State::hidden);
    }
    store->set("peekIdleSeconds", QStringLiteral("soon"));
    sm.alert();
    scheduler.advance(59);
    EXPECT_EQ(sm.state(), State::petit) << "text counts as absent";
    scheduler.advance(1.01);
}

TEST_F(Machine, PointerReentryCancelsHideAndCollapse) {
    toHidden();
    sm.alert();
    scheduler.advance(30);
    enter();
    EXPECT_FALSE(sm.isHidePending());
    scheduler.advance(600);
    EXPECT_EQ(sm.state(), State::petit);
    leave();
    EXPECT_TRUE(sm.isHidePending());

    sm.click();
    ASSERT_EQ(sm.state(), State::home);
    EXPECT_TRUE(sm.isCollapsePending()) << "opened with the pointer outside";
    scheduler.advance(4);
    enter();
    EXPECT_FALSE(sm.isCollapsePending());
    scheduler.advance(100);
    EXPECT_EQ(sm.state(), State::home);
    leave();
    EXPECT_DOUBLE_EQ(sm.collapseLength(), 5.0);
    scheduler.advance(5.01);
    EXPECT_EQ(sm.state(), State::petit) << "collapses 5 s after the pointer leaves";
    EXPECT_TRUE(sm.isHidePending());
    scheduler.advance(60.01);
    EXPECT_EQ(sm.state(), State::hidden) << "and hides 60 s later";
}

TEST_F(Machine, HoverPeeksFromHiddenOnlyWhenPeekOnHoverAllowsIt) {
    toHidden();
    store->set("peekOnHover", false);
    enter();
    EXPECT_EQ(sm.state(), State::hidden);
    leave();
    store->set("peekOnHover", true);
    enter();
    EXPECT_EQ(sm.state(), State::petit);
    EXPECT_FALSE(sm.isHidePending()) << "no hiding while the pointer is near";
    leave();
    scheduler.advance(60.01);
    EXPECT_EQ(sm.state(), State::hidden);
}

TEST_F(Machine, PomodoroKeepsThePeekOutAndIdleLetsItHideOnceThePointerIsOut) {
    toHidden();
    pomodoro = true;
    sm.pomodoroChanged();
    EXPECT_EQ(sm.state(), State::petit);
    EXPECT_FALSE(sm.isHidePending());
    enter();
    leave();
    EXPECT_FALSE(sm.isHidePending()) << "leaving does not schedule the hide while a pomodoro runs";
    scheduler.advance(3600);
    EXPECT_EQ(sm.state(), State::petit);

    // The open island still collapses during a pomodoro, but the peek stays.
    sm.click();
    scheduler.advance(5.01);
    EXPECT_EQ(sm.state(), State::petit);
    EXPECT_FALSE(sm.isHidePending());

    pomodoro = false;
    pointerIn = true;
    sm.pomodoroChanged();
    EXPECT_FALSE(sm.isHidePending()) << "the pointer is still near";
    leave();
    EXPECT_TRUE(sm.isHidePending());
    scheduler.advance(60.01);
    EXPECT_EQ(sm.state(), State::hidden);
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
    EXPECT_TRUE(sm.isCollapsePending());
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

TEST_F(Machine, GreetingHoverPeeksAndClickOpens) {
    store->set("onboardedV1", true);
    sm.start();
    sm.alert();
    EXPECT_EQ(sm.state(), State::coucou) << "an alert peeks only a hidden island";
    enter();
    EXPECT_EQ(sm.state(), State::petit);
    EXPECT_FALSE(sm.isGreetPending());
    sm.click();
    EXPECT_EQ(sm.state(), State::home);
    EXPECT_FALSE(sm.isCollapsePending()) << "opened with the pointer on it";
    sm.alert();
    EXPECT_EQ(sm.state(), State::home);
}

}  // namespace
