#include "app/PomodoroNeighbour.h"

#include "life/Pomodoro.h"
#include "life/Wallet.h"

namespace kp {

PomodoroPhase PomodoroNeighbour::phase() const {
    switch (pomodoro_.phase()) {
        case Pomodoro::Phase::idle: return PomodoroPhase::idle;
        case Pomodoro::Phase::focus: return PomodoroPhase::focus;
        case Pomodoro::Phase::focusDone: return PomodoroPhase::focusDone;
        case Pomodoro::Phase::rest: return PomodoroPhase::rest;
        case Pomodoro::Phase::restDone: return PomodoroPhase::restDone;
    }
    return PomodoroPhase::idle;
}

double PomodoroNeighbour::progress() const { return pomodoro_.progress(); }
int PomodoroNeighbour::minutesLeft() const { return pomodoro_.minutesLeft(); }
bool PomodoroNeighbour::walletEnabled() const { return wallet_.enabled(); }
void PomodoroNeighbour::startFocus() { pomodoro_.startFocus(); }
void PomodoroNeighbour::startBreak() { pomodoro_.startBreak(); }
void PomodoroNeighbour::stop() { pomodoro_.stop(); }

}  // namespace kp
