#pragma once
// The focus timer: focus rounds (25 min by default) that pay coins, short and long breaks, the cat's
// focus nap, the desktop cat's break outings, and the three-step introduction to the feature.
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

namespace kp {

class Clock;
class Defaults;
class InputIdleness;
class NotificationCenter;
class Scheduler;
class Wallet;

// The desktop cat while it is out, as the pomodoro sees it.
class DesktopRoamingCat {
public:
    virtual ~DesktopRoamingCat() = default;
    // Ends its break and requests and comes home at once: a focus round wants the desktop quiet, so
    // the running step is dropped too, whatever `keepCurrentStep` says.
    virtual void headHome(bool keepCurrentStep) = 0;
    // Pops the break-end line with a sound.
    virtual void announce() = 0;
};

// The desktop-roaming controller, as the pomodoro sees it.
class DesktopRoaming {
public:
    virtual ~DesktopRoaming() = default;
    // A focus round ended: send the cat out for the break, or queue the break trick when it is out.
    virtual void breakStarted() = 0;
    // The cat out on the desktop; nullptr while it is at home.
    virtual DesktopRoamingCat* cat() = 0;
};

// The app's cat, as the pomodoro reaches it. Empty members: a living cat that ignores naps.
struct PomodoroCat {
    std::function<bool()> isDead;
    std::function<void()> startFocusNap;
    std::function<void()> endFocusNap;
};

class Pomodoro : public QObject {
    Q_OBJECT
public:
    enum class Phase { idle, focus, focusDone, rest, restDone };

    static constexpr double defaultFocusSeconds = 1500;
    static constexpr double defaultBreakSeconds = 300;
    static constexpr double defaultLongBreakSeconds = 900;
    // A finished round starts its break by itself once the user has been away longer than this.
    static constexpr double awayBeforeBreakSeconds = 20;
    static constexpr int introSteps = 3;

    Pomodoro(Wallet& wallet, Defaults& store, Clock& clock, Scheduler& scheduler, InputIdleness& idleness,
             NotificationCenter& center, QObject* parent = nullptr);
    ~Pomodoro() override;

    // The app's pomodoro, made on first use (after the application object) on the shared services.
    static Pomodoro& shared();

    // Neighbours the app fills in.
    void setCat(PomodoroCat cat) { cat_ = std::move(cat); }
    void setDesktopRoaming(DesktopRoaming* roaming) { roaming_ = roaming; }
    // Plays the chime at the normal pitch.
    void setChime(std::function<void()> chime) { chime_ = std::move(chime); }

    Phase phase() const { return phase_; }
    std::optional<double> endsAt() const { return endsAt_; }      // reference seconds
    std::optional<double> startedAt() const { return startedAt_; }
    int rounds() const { return rounds_; }            // focus rounds finished since the last stop
    int minutesLeft() const { return minutesLeft_; }  // whole minutes, rounded up
    std::optional<int> introStep() const { return introStep_; }

    // Share of the running phase that has passed, 0...1.
    double progress() const;
    // Seconds left in the running phase, at least 0.
    double remaining() const;
    // The next break is the long one.
    bool isLongBreakDue() const;

    // Starts a fresh focus round while the coins feature is on and the cat lives.
    void startFocus();
    // Starts the break now, from a running or a finished focus round.
    void startBreak();
    // Ends everything and returns to idle; the round count starts over.
    void stop();

    // Shows the introduction (and opens the bedroom) unless it was seen.
    void startIntro();
    void advanceIntro();
    // The introduction's skip: hides it for good.
    void skipIntro();

signals:
    // Any of phase, dates, rounds, minutes left or the introduction step changed.
    void changed();
    void phaseChanged();
    void introStepChanged();
    // Every second while the timer runs, so read-outs of progress can redraw.
    void ticked();

private:
    void start(Phase phase, double seconds);
    void tick();
    double breakSeconds() const;
    void chime();
    void startFocusNap();
    void endFocusNap();
    DesktopRoamingCat* desktopCat() const;
    void setPhase(Phase phase);
    void postChanged();

    Wallet& wallet_;
    Defaults& store_;
    Clock& clock_;
    Scheduler& scheduler_;
    InputIdleness& idleness_;
    NotificationCenter& center_;
    PomodoroCat cat_;
    DesktopRoaming* roaming_ = nullptr;
    std::function<void()> chime_;

    Phase phase_ = Phase::idle;
    std::optional<double> endsAt_;
    std::optional<double> startedAt_;
    int rounds_ = 0;
    int minutesLeft_ = 0;
    std::optional<int> introStep_;
    std::uint64_t timer_ = 0;  // 0: no timer
};

}  // namespace kp
