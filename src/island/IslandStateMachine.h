#pragma once
// The island's states and the delayed moves between them (hide the small island, collapse the open
// one, end the greeting). A plain object on an injected scheduler, so it runs on a fake clock.
#include "platform/EnumNames.h"
#include "platform/Scheduler.h"

#include <functional>

namespace kp {

class Defaults;

class IslandStateMachine {
public:
    enum class State { hidden, petit, home, coucou, onboarding };

    struct Hooks {
        std::function<bool()> pomodoroActive;                // a pomodoro phase other than idle
        std::function<bool()> pointerIn;                     // the pointer is in the hover zone now
        std::function<void(State from, State to)> transition;  // runs after every change of state
        std::function<double()> now;                         // monotonic seconds, for the countdown
        std::function<bool()> covered;  // a full-screen window keeps the top centre now
        // A window tells greetingShown() once it shows the greeting at its size, and the greeting's
        // time runs from then: a busy launch can draw it seconds after it was entered.
        bool shownLater = false;
    };

    static constexpr double greetSeconds = 4.0;

    IslandStateMachine(Scheduler& scheduler, Defaults& store, Hooks hooks);
    ~IslandStateMachine();
    IslandStateMachine(const IslandStateMachine&) = delete;
    IslandStateMachine& operator=(const IslandStateMachine&) = delete;

    State state() const { return state_; }

    // Launch: the greeting once onboarding has been completed, else onboarding.
    void start();
    // The greeting is on screen at its size: its time runs from now (from the first word only).
    void greetingShown();

    void pointerEntered();
    void pointerLeft();
    void click();
    // A click at the hidden island's place, where that is the way to the island: it opens.
    void placeClicked();
    // A need: a hidden island peeks out and hides again later; otherwise nothing.
    void alert();
    void pomodoroChanged();
    // A full-screen window came to or left the top centre. While it keeps it the island shows
    // nothing (the first-run pages stay, unseen): the peek and the open island go at once, and what
    // would have shown meanwhile (the greeting, an opening, the pomodoro's peek, an alert's, once)
    // shows once the window has left.
    void coverChanged();
    // Opens the island on a room (once no full-screen window keeps the top centre); false (and
    // nothing changes) during onboarding.
    bool openRoom();
    // Cancels what is pending and shows the first-run pages again (unless they already show).
    void replayOnboarding();
    // Leaves onboarding for the open island and remembers that it is done.
    void finishOnboarding();
    void cancelPending();

    bool isHidePending() const;
    bool isCollapsePending() const;
    bool isGreetPending() const;
    // Length of the collapse countdown that is pending (0 when none).
    double collapseLength() const { return isCollapsePending() ? collapseLength_ : 0; }
    // Share of the collapse countdown still to run, 1...0 (0 when none is pending).
    double collapseRemaining() const;

    // Read afresh at each scheduling; absent, zero, negative or unusable values give the defaults.
    static double openIdleSeconds(const Defaults& store);  // 5
    static double peekIdleSeconds(const Defaults& store);  // 60
    static bool peekOnHover(const Defaults& store);        // true

private:
    void enter(State next);
    void scheduleHide();
    void scheduleCollapse();
    void scheduleGreet();
    void hideFired();
    void collapseFired();
    void greetFired();
    bool pomodoro() const;
    bool in() const;
    void drop(WorkId& id);
    bool covered() const;
    // Enters `next`, or while covered, keeps it for when the cover goes.
    void show(State next);

    Scheduler& scheduler_;
    Defaults& store_;
    Hooks hooks_;
    State state_ = State::hidden;
    WorkId hide_ = 0;
    WorkId collapse_ = 0;
    WorkId greet_ = 0;
    double collapseLength_ = 0;
    double collapseAt_ = 0;
    State waiting_ = State::hidden;  // what shows once the cover goes
    bool alertWaits_ = false;        // an alert came while covered, or its peek was cut short
    bool alertOut_ = false;          // the small island shows for an alert
};

template <>
struct EnumNames<IslandStateMachine::State> {
    static constexpr std::array<std::string_view, 5> names{"hidden", "petit", "home", "coucou", "onboarding"};
};

}  // namespace kp
