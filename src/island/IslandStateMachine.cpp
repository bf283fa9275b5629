#include "island/IslandStateMachine.h"

#include "core/Preferences.h"
#include "platform/Defaults.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kp {

double IslandStateMachine::openIdleSeconds(const Defaults& store) { return prefs::openIdleSeconds(store); }
double IslandStateMachine::peekIdleSeconds(const Defaults& store) { return prefs::peekIdleSeconds(store); }

bool IslandStateMachine::peekOnHover(const Defaults& store) {
    return prefs::boolPreference(QStringLiteral("peekOnHover"), true, store);
}

IslandStateMachine::IslandStateMachine(Scheduler& scheduler, Defaults& store, Hooks hooks)
    : scheduler_(scheduler), store_(store), hooks_(std::move(hooks)) {}

IslandStateMachine::~IslandStateMachine() { cancelPending(); }

bool IslandStateMachine::pomodoro() const { return hooks_.pomodoroActive && hooks_.pomodoroActive(); }
bool IslandStateMachine::in() const { return hooks_.pointerIn && hooks_.pointerIn(); }
bool IslandStateMachine::covered() const { return hooks_.covered && hooks_.covered(); }

void IslandStateMachine::drop(WorkId& id) {
    if (id) scheduler_.cancel(id);
    id = 0;
}

bool IslandStateMachine::isHidePending() const { return hide_ && scheduler_.isPending(hide_); }
bool IslandStateMachine::isCollapsePending() const { return collapse_ && scheduler_.isPending(collapse_); }
bool IslandStateMachine::isGreetPending() const { return greet_ && scheduler_.isPending(greet_); }

double IslandStateMachine::collapseRemaining() const {
    if (!isCollapsePending() || collapseLength_ <= 0 || !hooks_.now) return 0;
    return std::clamp((collapseAt_ - hooks_.now()) / collapseLength_, 0.0, 1.0);
}

void IslandStateMachine::cancelPending() {
    drop(hide_);
    drop(collapse_);
    drop(greet_);
}

void IslandStateMachine::enter(State next) {
    // Each delayed move belongs to one state; entering another one drops it.
    if (next != State::petit) drop(hide_);
    if (next != State::home) drop(collapse_);
    if (next != State::coucou) drop(greet_);
    alertOut_ = false;
    // Whatever shows now replaces what waited; the small island (with the need's mark), the
    // first-run pages and the open island leave no alert to tell.
    if (next != State::hidden) waiting_ = State::hidden;
    if (next != State::hidden && next != State::coucou) alertWaits_ = false;
    const State previous = state_;
    state_ = next;
    if (hooks_.transition) hooks_.transition(previous, next);
    switch (next) {
        case State::home:
            if (!in()) scheduleCollapse();
            break;
        case State::coucou:
            // Where a window tells when it shows the greeting, its time waits for that word,
            // which may already have come while the window took the new state.
            if (!hooks_.shownLater) scheduleGreet();
            break;
        default:
            break;
    }
}

void IslandStateMachine::greetingShown() {
    if (state_ == State::coucou && !greet_) scheduleGreet();
}

void IslandStateMachine::scheduleHide() {
    drop(hide_);
    if (pomodoro() || in()) return;
    hide_ = scheduler_.after(peekIdleSeconds(store_), [this] {
        hide_ = 0;
        hideFired();
    });
}

void IslandStateMachine::scheduleCollapse() {
    drop(collapse_);
    collapseLength_ = openIdleSeconds(store_);
    collapseAt_ = (hooks_.now ? hooks_.now() : 0) + collapseLength_;
    collapse_ = scheduler_.after(collapseLength_, [this] {
        collapse_ = 0;
        collapseFired();
    });
}

void IslandStateMachine::scheduleGreet() {
    drop(greet_);
    greet_ = scheduler_.after(greetSeconds, [this] {
        greet_ = 0;
        greetFired();
    });
}

void IslandStateMachine::hideFired() {
    if (state_ != State::petit || in() || pomodoro()) return;
    enter(State::hidden);
}

void IslandStateMachine::collapseFired() {
    if (state_ != State::home || in()) return;
    // Without the hover peek the small island is no way back in: the closed island goes straight
    // to the top edge's click place, unless a pomodoro keeps the peek out.
    if (!peekOnHover(store_) && !pomodoro()) {
        enter(State::hidden);
        return;
    }
    enter(State::petit);
    scheduleHide();
}

void IslandStateMachine::greetFired() {
    if (state_ != State::coucou) return;
    // An alert that waited through a full-screen window peeks after the greeting it waited with.
    const bool alerted = alertWaits_;
    if ((in() && peekOnHover(store_)) || pomodoro() || alerted) {
        enter(State::petit);
        alertOut_ = alerted;
        scheduleHide();
    } else {
        enter(State::hidden);
    }
}

void IslandStateMachine::start() {
    if (store_.boolValue(QStringLiteral("onboardedV1")))
        show(State::coucou);
    else
        enter(State::onboarding);
}

void IslandStateMachine::show(State next) {
    if (!covered()) {
        enter(next);
        return;
    }
    waiting_ = next;
    if (state_ != State::hidden) enter(State::hidden);
}

void IslandStateMachine::coverChanged() {
    if (covered()) {
        switch (state_) {
            case State::petit:
                alertWaits_ = alertWaits_ || alertOut_;
                enter(State::hidden);
                break;
            case State::coucou:
                // The greeting is said whole, later.
                enter(State::hidden);
                waiting_ = State::coucou;
                break;
            case State::home:
                enter(State::hidden);
                break;
            case State::hidden:
            case State::onboarding:
                break;
        }
        return;
    }
    if (state_ != State::hidden) return;
    const State next = std::exchange(waiting_, State::hidden);
    if (next != State::hidden) {
        enter(next);
    } else if (pomodoro()) {
        enter(State::petit);
    } else if (std::exchange(alertWaits_, false)) {
        alert();
    }
}

void IslandStateMachine::pointerEntered() {
    switch (state_) {
        case State::hidden:
            if (peekOnHover(store_) && !covered()) enter(State::petit);
            break;
        case State::petit:
            drop(hide_);
            break;
        case State::home:
            drop(collapse_);
            break;
        case State::coucou:
            // Without the hover peek the greeting ends in its time, not in the small island.
            if (!peekOnHover(store_)) break;
            drop(greet_);
            enter(State::petit);
            break;
        case State::onboarding:
            break;
    }
}

void IslandStateMachine::pointerLeft() {
    switch (state_) {
        case State::petit:
            scheduleHide();
            break;
        case State::home:
            scheduleCollapse();
            break;
        default:
            break;
    }
}

void IslandStateMachine::click() {
    if (state_ == State::petit || state_ == State::coucou) enter(State::home);
}

void IslandStateMachine::placeClicked() {
    if (state_ == State::hidden && !covered()) enter(State::home);
}

void IslandStateMachine::alert() {
    if (state_ != State::hidden) return;
    if (covered()) {
        alertWaits_ = true;
        return;
    }
    enter(State::petit);
    alertOut_ = true;
    scheduleHide();
}

void IslandStateMachine::pomodoroChanged() {
    switch (state_) {
        case State::hidden:
            // Under a cover the peek waits: it is asked for again as the cover goes.
            if (pomodoro() && !covered()) enter(State::petit);
            break;
        case State::petit:
            if (pomodoro())
                drop(hide_);
            else if (!in())
                scheduleHide();
            break;
        default:
            break;
    }
}

bool IslandStateMachine::openRoom() {
    if (state_ == State::onboarding) return false;
    if (state_ != State::home) show(State::home);
    return true;
}

void IslandStateMachine::replayOnboarding() {
    cancelPending();
    if (state_ != State::onboarding) enter(State::onboarding);
}

void IslandStateMachine::finishOnboarding() {
    if (state_ != State::onboarding) return;
    store_.set(QStringLiteral("onboardedV1"), true);
    show(State::home);
}

}  // namespace kp
