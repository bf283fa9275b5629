#pragma once
// The app's pomodoro and wallet as the island and the menu see them.
#include "core/IslandServices.h"

namespace kp {

class Pomodoro;
class Wallet;

class PomodoroNeighbour final : public IslandPomodoro {
public:
    PomodoroNeighbour(Pomodoro& pomodoro, Wallet& wallet) : pomodoro_(pomodoro), wallet_(wallet) {}
    PomodoroPhase phase() const override;
    double progress() const override;
    int minutesLeft() const override;
    bool walletEnabled() const override;
    void startFocus() override;
    void startBreak() override;
    void stop() override;

private:
    Pomodoro& pomodoro_;
    Wallet& wallet_;
};

}  // namespace kp
