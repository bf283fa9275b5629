#include "life/Pomodoro.h"

#include "core/IslandTypes.h"
#include "core/Notifications.h"
#include "core/Preferences.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kp {

namespace {

const QString kIntroSeen = QStringLiteral("pomodoroIntroSeen");

// A stored duration that is not a usable positive number of seconds gives the default.
double usable(double seconds, double fallback) { return std::isfinite(seconds) && seconds > 0 ? seconds : fallback; }

// Whole minutes, rounded up; a hand-edited giant duration stops at the largest count shown.
int minutesFor(double seconds) {
    const double minutes = std::ceil(seconds / 60);
    if (!(minutes > 0)) return 0;
    if (minutes >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(minutes);
}

}  // namespace

Pomodoro::Pomodoro(Wallet& wallet, Defaults& store, Clock& clock, Scheduler& scheduler, InputIdleness& idleness,
                   NotificationCenter& center, QObject* parent)
    : QObject(parent),
      wallet_(wallet),
      store_(store),
      clock_(clock),
      scheduler_(scheduler),
      idleness_(idleness),
      center_(center) {}

Pomodoro::~Pomodoro() {
    if (timer_) scheduler_.cancel(timer_);
}

Pomodoro& Pomodoro::shared() {
    static Pomodoro* pomodoro = new Pomodoro(Wallet::shared(), Defaults::standard(), SystemClock::shared(),
                                             QtScheduler::shared(), InputIdlenessX11::shared(),
                                             NotificationCenter::shared());
    return *pomodoro;
}

double Pomodoro::progress() const {
    if (!startedAt_ || !endsAt_) return 0;
    const double total = *endsAt_ - *startedAt_;
    if (!(total > 0)) return 1;
    const double share = (clock_.now() - *startedAt_) / total;
    return std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0);
}

double Pomodoro::remaining() const {
    if (!endsAt_) return 0;
    return std::max(0.0, *endsAt_ - clock_.now());
}

bool Pomodoro::isLongBreakDue() const { return rounds_ >= 1 && rounds_ % 4 == 0; }

void Pomodoro::start(Phase phase, double seconds) {
    const double now = clock_.now();
    startedAt_ = now;
    endsAt_ = now + seconds;
    minutesLeft_ = minutesFor(seconds);
    setPhase(phase);
    // One rhythm for all phases until stop().
    if (!timer_) timer_ = scheduler_.every(1.0, [this] { tick(); });
    emit changed();
    postChanged();
}

void Pomodoro::startFocus() {
    if (!wallet_.enabled()) return;
    if (cat_.isDead && cat_.isDead()) return;
    start(Phase::focus, usable(prefs::pomodoroFocusSeconds(store_), defaultFocusSeconds));
    if (DesktopRoamingCat* out = desktopCat()) out->headHome(true);
    startFocusNap();
}

double Pomodoro::breakSeconds() const {
    if (isLongBreakDue()) return usable(prefs::pomodoroLongBreakSeconds(store_), defaultLongBreakSeconds);
    return usable(prefs::pomodoroBreakSeconds(store_), defaultBreakSeconds);
}

void Pomodoro::startBreak() {
    if (phase_ != Phase::focus && phase_ != Phase::focusDone) return;
    endFocusNap();
    start(Phase::rest, breakSeconds());
}

void Pomodoro::stop() {
    if (timer_) scheduler_.cancel(timer_);
    timer_ = 0;
    endFocusNap();
    setPhase(Phase::idle);
    endsAt_.reset();
    startedAt_.reset();
    rounds_ = 0;
    minutesLeft_ = 0;
    emit changed();
    postChanged();
}

void Pomodoro::tick() {
    const int minutes = minutesFor(remaining());
    const bool minutesMoved = minutes != minutesLeft_;
    minutesLeft_ = minutes;
    switch (phase_) {
    case Phase::focus:
        if (remaining() <= 0) {
            chime();
            setPhase(Phase::focusDone);
            ++rounds_;
            wallet_.gain(rounds_ % 4 == 0 ? Wallet::everyFourthRoundCoins : Wallet::focusRoundCoins, clock_.now());
            endFocusNap();
            if (roaming_) roaming_->breakStarted();
            emit changed();
            postChanged();
            emit ticked();
            return;
        }
        break;
    case Phase::focusDone:
        // The user walked away from a finished round: let the break begin without them.
        if (idleness_.secondsSinceLastInput() > awayBeforeBreakSeconds) {
            start(Phase::rest, breakSeconds());
            emit ticked();
            return;
        }
        break;
    case Phase::rest:
        if (remaining() <= 0) {
            chime();
            setPhase(Phase::restDone);
            if (DesktopRoamingCat* out = desktopCat()) out->announce();
            emit changed();
            postChanged();
            emit ticked();
            return;
        }
        break;
    case Phase::idle:
    case Phase::restDone: break;
    }
    if (minutesMoved) emit changed();
    emit ticked();
}

void Pomodoro::startIntro() {
    if (store_.boolValue(kIntroSeen)) return;
    introStep_ = 0;
    emit introStepChanged();
    emit changed();
    center_.post(note::openRoom, IslandRoomKind::bedroom);
}

void Pomodoro::advanceIntro() {
    if (!introStep_) return;
    const int next = *introStep_ + 1;
    if (next >= introSteps) {
        introStep_.reset();
        store_.set(kIntroSeen, true);
    } else {
        introStep_ = next;
    }
    emit introStepChanged();
    emit changed();
}

void Pomodoro::skipIntro() {
    store_.set(kIntroSeen, true);
    if (!introStep_) return;
    introStep_.reset();
    emit introStepChanged();
    emit changed();
}

void Pomodoro::chime() {
    if (chime_) chime_();
}

void Pomodoro::startFocusNap() {
    if (cat_.startFocusNap) cat_.startFocusNap();
}

void Pomodoro::endFocusNap() {
    if (cat_.endFocusNap) cat_.endFocusNap();
}

DesktopRoamingCat* Pomodoro::desktopCat() const { return roaming_ ? roaming_->cat() : nullptr; }

void Pomodoro::setPhase(Phase phase) {
    if (phase_ == phase) return;
    phase_ = phase;
    emit phaseChanged();
}

void Pomodoro::postChanged() { center_.post(note::pomodoroChanged); }

}  // namespace kp
