#include "support/Scratch.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "core/IslandTypes.h"
#include "core/Notifications.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <limits>

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
    int posts = 0;
    std::vector<IslandRoomKind> openedRooms;
    Subscription changedSub{center, note::pomodoroChanged, [this](const std::any& object) {
                                EXPECT_FALSE(object.has_value());
                                ++posts;
                            }};
    Subscription roomSub{center, note::openRoom, [this](const std::any& object) {
                             const auto* room = notificationObject<IslandRoomKind>(object);
                             ASSERT_NE(room, nullptr);
                             openedRooms.push_back(*room);
                         }};
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

TEST(Pomodoro, FocusLengthComesFromTheStoreWithItsDefault) {
    PomodoroWorld w;
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.phase(), Phase::focus);
    EXPECT_DOUBLE_EQ(w.phaseLength(), 1500);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 25);
    w.store->set("pomodoroFocusSeconds", 0.0);
    w.pomodoro.startFocus();
    EXPECT_DOUBLE_EQ(w.phaseLength(), 1500);
    w.store->set("pomodoroFocusSeconds", 90.0);
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.minutesLeft(), 2);
    w.scheduler.advance(31);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 1);
    // A giant hand-edited length is no length: the round lasts the default.
    w.store->set("pomodoroFocusSeconds", 1e300);
    w.pomodoro.startFocus();
    EXPECT_DOUBLE_EQ(w.phaseLength(), 1500);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 25);
}

TEST(Pomodoro, ARoundChimesPaysEndsTheNapAndSendsTheCatOut) {
    PomodoroWorld w;
    w.pomodoro.startFocus();
    EXPECT_TRUE(w.napping);
    EXPECT_EQ(w.posts, 1);
    w.scheduler.advance(1499);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focus);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 1);
    w.scheduler.advance(1);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focusDone);
    EXPECT_EQ(w.chimes, 1);
    EXPECT_EQ(w.pomodoro.rounds(), 1);
    EXPECT_EQ(w.wallet.coins(), 10);
    EXPECT_EQ(w.wallet.lastGain()->at, w.clock.now());
    EXPECT_FALSE(w.napping);
    EXPECT_EQ(w.roam.breaks, 1);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 0);
    EXPECT_EQ(w.posts, 2);
    EXPECT_DOUBLE_EQ(w.pomodoro.progress(), 1);

    // A user still at the keyboard keeps the finished round waiting.
    w.idleness.set(20);
    w.scheduler.advance(60);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focusDone);
    EXPECT_EQ(w.posts, 2);
    // Away for longer than 20 s: the break starts by itself on the next tick.
    w.idleness.set(20.5);
    w.scheduler.advance(1);
    EXPECT_EQ(w.pomodoro.phase(), Phase::rest);
    EXPECT_DOUBLE_EQ(w.phaseLength(), 300);
    EXPECT_EQ(w.posts, 3);

    w.roam.out = true;
    w.scheduler.advance(300);
    EXPECT_EQ(w.pomodoro.phase(), Phase::restDone);
    EXPECT_EQ(w.chimes, 2);
    EXPECT_EQ(w.roam.outCat.announced, 1);
    EXPECT_EQ(w.posts, 4);
    w.scheduler.advance(100);
    EXPECT_EQ(w.chimes, 2);  // the finished break stays finished

    // The next round continues the count and calls the desktop cat home.
    w.pomodoro.startFocus();
    EXPECT_EQ(w.roam.outCat.headedHome, std::vector<bool>{true});
    EXPECT_EQ(w.pomodoro.rounds(), 1);
}

TEST(Pomodoro, EveryFourthRoundPaysMoreAndEarnsTheLongBreak) {
    PomodoroWorld w;
    for (int round = 1; round <= 4; ++round) {
        w.finishFocus();
        EXPECT_EQ(w.pomodoro.rounds(), round);
        EXPECT_EQ(w.pomodoro.isLongBreakDue(), round == 4);
        w.pomodoro.startBreak();
        EXPECT_DOUBLE_EQ(w.phaseLength(), round == 4 ? 900 : 300);
        w.scheduler.advance(w.phaseLength());
        EXPECT_EQ(w.pomodoro.phase(), Phase::restDone);
    }
    EXPECT_EQ(w.wallet.coins(), 10 + 10 + 10 + 25);
    w.finishFocus();
    EXPECT_EQ(w.wallet.coins(), 55 + 10);
}

TEST(Pomodoro, AnEarlyBreakIsShortAndPaysNothing) {
    PomodoroWorld w;
    for (int i = 0; i < 3; ++i) {
        w.finishFocus();
        w.pomodoro.startBreak();
    }
    EXPECT_EQ(w.wallet.coins(), 30);
    w.pomodoro.startFocus();
    w.scheduler.advance(600);
    w.pomodoro.startBreak();
    EXPECT_EQ(w.pomodoro.phase(), Phase::rest);
    EXPECT_FALSE(w.napping);
    EXPECT_DOUBLE_EQ(w.phaseLength(), 300);
    EXPECT_EQ(w.pomodoro.rounds(), 3);
    EXPECT_EQ(w.wallet.coins(), 30);
    // No break from a break, nor from idle or a finished break.
    const double started = *w.pomodoro.startedAt();
    w.scheduler.advance(10);
    w.pomodoro.startBreak();
    EXPECT_DOUBLE_EQ(*w.pomodoro.startedAt(), started);
}

TEST(Pomodoro, StopResetsTheCountAndTheTimer) {
    PomodoroWorld w;
    for (int i = 0; i < 3; ++i) w.finishFocus();
    w.pomodoro.startBreak();
    const int posts = w.posts;
    w.pomodoro.stop();
    EXPECT_EQ(w.pomodoro.phase(), Phase::idle);
    EXPECT_EQ(w.pomodoro.rounds(), 0);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 0);
    EXPECT_FALSE(w.pomodoro.endsAt());
    EXPECT_FALSE(w.pomodoro.startedAt());
    EXPECT_DOUBLE_EQ(w.pomodoro.progress(), 0);
    EXPECT_DOUBLE_EQ(w.pomodoro.remaining(), 0);
    EXPECT_EQ(w.posts, posts + 1);
    EXPECT_EQ(w.scheduler.pendingCount(), 0u);
    // Counting starts over: the fourth round after the stop is the one that pays 25.
    const long long before = w.wallet.coins();
    for (int i = 0; i < 4; ++i) w.finishFocus();
    EXPECT_EQ(w.wallet.coins() - before, 55);
}

TEST(Pomodoro, NoRoundWithoutTheSwitchOrALivingCat) {
    PomodoroWorld w;
    w.wallet.setEnabled(false);
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.phase(), Phase::idle);
    EXPECT_EQ(w.posts, 0);
    w.wallet.setEnabled(true);
    w.dead = true;
    w.pomodoro.startFocus();
    EXPECT_EQ(w.pomodoro.phase(), Phase::idle);
    EXPECT_EQ(w.naps, 0);

    // Turned off mid-round: the round still ends, but its coins are lost.
    w.dead = false;
    w.pomodoro.startFocus();
    w.wallet.setEnabled(false);
    w.scheduler.advance(1500);
    EXPECT_EQ(w.pomodoro.phase(), Phase::focusDone);
    EXPECT_EQ(w.wallet.coins(), 0);
}

TEST(Pomodoro, ProgressAndRemaining) {
    PomodoroWorld w;
    EXPECT_DOUBLE_EQ(w.pomodoro.progress(), 0);
    w.pomodoro.startFocus();
    w.scheduler.advance(750);
    EXPECT_DOUBLE_EQ(w.pomodoro.progress(), 0.5);
    EXPECT_DOUBLE_EQ(w.pomodoro.remaining(), 750);
    EXPECT_EQ(w.pomodoro.minutesLeft(), 13);
    w.scheduler.advance(2000);
    EXPECT_DOUBLE_EQ(w.pomodoro.progress(), 1);
    EXPECT_DOUBLE_EQ(w.pomodoro.remaining(), 0);
}

TEST(Pomodoro, TheIntroductionShowsThreeStepsOnce) {
    PomodoroWorld w;
    w.pomodoro.startIntro();
    EXPECT_EQ(w.pomodoro.introStep(), 0);
    EXPECT_EQ(w.openedRooms, std::vector<IslandRoomKind>{IslandRoomKind::bedroom});
    w.pomodoro.advanceIntro();
    w.pomodoro.advanceIntro();
    EXPECT_EQ(w.pomodoro.introStep(), 2);
    EXPECT_FALSE(w.store->boolValue("pomodoroIntroSeen"));
    w.pomodoro.advanceIntro();
    EXPECT_FALSE(w.pomodoro.introStep());
    EXPECT_TRUE(w.store->boolValue("pomodoroIntroSeen"));
    w.pomodoro.startIntro();
    EXPECT_FALSE(w.pomodoro.introStep());
    EXPECT_EQ(w.openedRooms.size(), 1u);
    w.pomodoro.advanceIntro();  // nothing showing: nothing to advance
    EXPECT_FALSE(w.pomodoro.introStep());

    PomodoroWorld skipped;
    skipped.pomodoro.startIntro();
    skipped.pomodoro.skipIntro();
    EXPECT_FALSE(skipped.pomodoro.introStep());
    EXPECT_TRUE(skipped.store->boolValue("pomodoroIntroSeen"));
}
