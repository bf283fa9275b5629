#include "support/Scratch.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "core/IslandTypes.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

using namespace kp;
using kp::test::ScratchStore;
using Phase = Pomodoro::Phase;

namespace {

// Wall time that moves with the scheduler, so each tick sees its own moment.
class SchedulerClock final : public Clock {
public:
    SchedulerClock(const ManualScheduler& scheduler, double start) : scheduler_(scheduler), base_(start) {}
    double now() const override { return base_ + scheduler_.now(); }
    double monotonic() const override { return scheduler_.now(); }

private:
    const ManualScheduler& scheduler_;
    double base_;
};

struct FakeRoamCat final : DesktopRoamingCat {
    std::vector<bool> headedHome;
    int announced = 0;
    void headHome(bool keepCurrentStep) override { headedHome.push_back(keepCurrentStep); }
    void announce() override { ++announced; }
};

struct FakeRoam final : DesktopRoaming {
    FakeRoamCat outCat;
    bool out = false;
    int breaks = 0;
    void breakStarted() override { ++breaks; }
    DesktopRoamingCat* cat() override { return out ? &outCat : nullptr; }
};

struct PomodoroWorld {
    ScratchStore store;
    ManualScheduler scheduler;
    SchedulerClock clock{scheduler, referenceFromDate(QDateTime(QDate(2026, 12, 7), QTime(9, 0)))};
    ManualInputIdleness idleness{0};
    NotificationCenter center;
    Wallet wallet{*store};
    FakeRoam roam;
    bool dead = false;
    bool napping = false;
    int naps = 0;
    int chimes = 0;
    Pomodoro pomodoro{wallet, *store, clock, scheduler, idleness, center};

    PomodoroWorld() {
        wallet.setEnabled(true);
        pomodoro.setCat({[this] { return dead; },
                         [this] {
                             napping = true;
                             ++naps;
                         },
                         [this] { napping = false; }});
        pomodoro.setChime([this] { ++chimes; });
        pomodoro.setDesktopRoaming(&roam);
    }

    double phaseLength() const { return *pomodoro.endsAt() - *pomodoro.startedAt(); }

    // One whole focus round and, unless the user is away, nothing more.
    void finishFocus() {
        pomodoro.startFocus();
        scheduler.advance(phaseLength());
    }
};

}  // namespace

TEST(Pomodoro, ARoundChimesPaysEndsTheNapAndTheBreakWaitsForTheUserToLeave) {
    PomodoroWorld w;
    w.pomodoro.startFocus();
    EXPECT_TRUE(w.napping);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 25);
    w.scheduler.advance(1499);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focus);
    w.scheduler.advance(1);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focusDone);
    EXPECT_EQ(w.wallet.coins(), 10);
    EXPECT_FALSE(w.napping);
    EXPECT_EQ(w.roam.breaks, 1);

    // A user still at the keyboard keeps the finished round waiting; away, the break starts.
    w.idleness.set(20);
    w.scheduler.advance(60);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focusDone);
    w.idleness.set(20.5);
    w.scheduler.advance(1);
    EXPECT_DOUBLE_EQ(w.phaseLength(), 300);
    w.roam.out = true;
    w.scheduler.advance(300);
    EXPECT_EQ(w.chimes, 2);
    EXPECT_EQ(w.roam.outCat.announced, 1);
    // The next round continues the count and calls the desktop cat home.
    w.pomodoro.startFocus();
    EXPECT_EQ(w.roam.outCat.headedHome, std::vector<bool>{true});
    EXPECT_EQ(w.pomodoro.rounds(), 1);
}

TEST(Pomodoro, EveryFourthRoundPaysMoreAndEarnsTheLongBreakUntilStopped) {
    PomodoroWorld w;
    for (int round = 1; round <= 4; ++round) {
        w.finishFocus();
        w.pomodoro.startBreak();
        EXPECT_DOUBLE_EQ(w.phaseLength(), round == 4 ? 900 : 300);
    }
    EXPECT_EQ(w.wallet.coins(), 10 + 10 + 10 + 25);
    // An early break is short and pays nothing.
    w.pomodoro.startFocus();
    w.scheduler.advance(600);
    w.pomodoro.startBreak();
    EXPECT_EQ(w.pomodoro.phase(), Phase::rest);
    EXPECT_EQ(w.pomodoro.rounds(), 4);
    EXPECT_EQ(w.wallet.coins(), 55);

    w.pomodoro.stop();
    EXPECT_EQ(w.scheduler.pendingCount(), 0u);
    for (int i = 0; i < 4; ++i) w.finishFocus();
    EXPECT_EQ(w.wallet.coins(), 55 + 55) << "counting starts over";
}

TEST(Pomodoro, NoRoundWithoutTheSwitchOrALivingCatAndNoEndlessRound) {
    PomodoroWorld w;
    w.wallet.setEnabled(false);
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.phase(), Phase::idle);
    w.wallet.setEnabled(true);
    w.dead = true;
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.phase(), Phase::idle);
    EXPECT_EQ(w.naps, 0);
    w.dead = false;

    // A giant hand-edited length is no length: the round lasts the default.
    w.store->set("pomodoroFocusSeconds", 1e300);
    w.pomodoro.startFocus();
    EXPECT_DOUBLE_EQ(w.phaseLength(), 1500);
}

TEST(Pomodoro, StoppingMidwayStartsTheCountOfRoundsOver) {
    PomodoroWorld w;
    for (int round = 1; round <= 3; ++round) {
        w.finishFocus();
        w.pomodoro.startBreak();
    }
    w.pomodoro.stop();
    EXPECT_EQ(w.pomodoro.rounds(), 0);
    w.finishFocus();
    EXPECT_EQ(w.wallet.coins(), 30 + 10) << "the first round after a stop is no fourth";
    w.pomodoro.startBreak();
    EXPECT_DOUBLE_EQ(w.phaseLength(), 300) << "and earns no long break";
}
