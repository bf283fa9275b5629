#pragma once
// What the island needs of neighbours that arrive later (the pomodoro, the music box, the album,
// the sky): small interfaces with quiet stand-ins, so the island runs and tests run without them.
#include "core/SkyTypes.h"
#include "platform/EnumNames.h"

#include <functional>
#include <memory>

namespace kp {

class IslandContent;

enum class PomodoroPhase { idle, focus, focusDone, rest, restDone };

class IslandPomodoro {
public:
    virtual ~IslandPomodoro() = default;
    virtual PomodoroPhase phase() const = 0;
    virtual double progress() const = 0;  // share of the running phase that has passed, 0...1
    virtual int minutesLeft() const = 0;
    virtual bool walletEnabled() const = 0;  // the pomodoro-and-coins feature
    virtual void startFocus() = 0;
    virtual void startBreak() = 0;
    virtual void stop() = 0;
};

// No pomodoro yet: always idle, and the feature is off.
class NoPomodoro final : public IslandPomodoro {
public:
    PomodoroPhase phase() const override { return PomodoroPhase::idle; }
    double progress() const override { return 0; }
    int minutesLeft() const override { return 0; }
    bool walletEnabled() const override { return false; }
    void startFocus() override {}
    void startBreak() override {}
    void stop() override {}
};

class IslandMusic {
public:
    virtual ~IslandMusic() = default;
    virtual void setActive(bool active) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setAlways(bool always) = 0;
    virtual void setVolume(double volume) = 0;  // through the music box's volume rule
    virtual void setMood(const SkyLook& look, bool isDead) = 0;
    virtual void update() = 0;
};

class NoMusic final : public IslandMusic {
public:
    void setActive(bool) override {}
    void setEnabled(bool) override {}
    void setAlways(bool) override {}
    void setVolume(double) override {}
    void setMood(const SkyLook&, bool) override {}
    void update() override {}
};

// The neighbours the island controller calls; every member may be left empty.
struct IslandNeighbours {
    IslandPomodoro* pomodoro = nullptr;            // none: always idle
    IslandMusic* music = nullptr;                  // none: silent
    std::function<void(bool)> setNotchOpen;        // the album, told whether the island is open
    std::function<SkyLook()> skyLook;              // the current sky; none: a clear day
    // What the open island shows; none: the island's own stand-in pages.
    std::function<std::unique_ptr<IslandContent>()> makeRoom;        // built on the first opening, then kept
    std::function<std::unique_ptr<IslandContent>()> makeOnboarding;  // built afresh for each first-run visit
};

}  // namespace kp
