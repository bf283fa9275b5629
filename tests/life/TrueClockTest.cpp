// The cat's own time against a wall clock that is wrong at a start, set while the app runs, or
// ahead for a while: the cat lives the seconds that pass, whatever the clock says.
#include "PetLifeSupport.h"

#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;

namespace {
constexpr double r = 100.0 / 1800.0;  // default drain per second
constexpr double kYear = 365 * 86400.0;

// A one-day-old cat saved now.
double writeDayOldCat(CatWorld& w, double energy = 40) {
    PetRecord rec;
    rec.birth = w.clock.now() - 86400;
    rec.savedAt = w.clock.now();
    rec.energy = energy;
    w.writeRecord(rec);
    return rec.birth;
}

// A launch: the app runs `seconds` and saves as it ends.
void runAndQuit(CatWorld& w, double seconds) {
    w.store.restart();
    auto cat = w.make();
    w.run(seconds);
    cat->save();
}
}  // namespace

TEST(WrongClockAtTheFirstStart, TheKittenIsAsYoungAsItLivedAndNothingIsDatedBeforeTheBuild) {
    const double right = test::localMoment(2026, 3, 2, 10);
    for (double wrong : {test::localMoment(1999, 6, 1, 10), test::localMoment(1970, 1, 1, 0)}) {
        CatWorld w;
        w.clock.setNow(wrong);
        runAndQuit(w, 20);
        runAndQuit(w, 25);
        // Under the wrong clock the record holds no moment of it: the earliest true one, and a mark.
        const PetRecord saved = *w.readRecord();
        EXPECT_TRUE(saved.clockUnknown);
        EXPECT_GE(saved.birth, w.clock.trustedFrom());
        EXPECT_NEAR(saved.savedAt - saved.birth, 45, 1e-6);

        // Right again: as old as the 45 s it lived, no years caught up, its life on the calendar.
        w.clock.setNow(right);
        w.store.restart();
        auto cat = w.make();
        EXPECT_NEAR(cat->birth(), right - 45, 1e-6);
        EXPECT_EQ(cat->stage(), PetStage::kitten);
        EXPECT_EQ(cat->ageText(), "1m");
        EXPECT_NEAR(cat->hunger(), 40 + 45 * r, 1e-6);
        EXPECT_DOUBLE_EQ(cat->health(), 100);
        cat->save();
        EXPECT_FALSE(w.readRecord()->clockUnknown);
        EXPECT_NEAR(w.readRecord()->savedAt, right, 1e-6);
    }
}

TEST(WrongClockAtTheFirstStart, AClockSetRightWhileTheAppRunsMovesTheKittenOntoTheCalendar) {
    CatWorld w;
    w.clock.setNow(test::localMoment(1970, 1, 1, 0));
    auto cat = w.make();
    w.run(30);
    const double right = test::localMoment(2026, 3, 2, 10);
    w.clock.setNow(right);
    w.run(2);
    EXPECT_NEAR(cat->birth(), right + 2 - 32, 1e-6);
    EXPECT_NEAR(cat->catTime(), right + 2, 1e-6);
    EXPECT_NEAR(cat->hunger(), 40 + 32 * r, 1e-6);
    ASSERT_TRUE(w.readRecord());
    EXPECT_FALSE(w.readRecord()->clockUnknown) << "saved on the calendar at once";
    EXPECT_NEAR(w.readRecord()->savedAt, right + 1, 1.0);

    // A known cat under a clock that starts wrong: the real time away counts once the clock is set.
    CatWorld k;
    PetRecord rec;
    rec.birth = k.clock.now() - 86400;
    rec.savedAt = k.clock.now() - 600;
    k.writeRecord(rec);
    const double now = k.clock.now();
    k.clock.setNow(test::localMoment(1970, 1, 1, 0));
    auto known = k.make();
    EXPECT_DOUBLE_EQ(known->hunger(), 40) << "nothing caught up under the wrong clock";
    k.clock.setNow(now);
    k.run(1);
    EXPECT_NEAR(known->hunger(), 40 + 601 * r, 1e-6);
    EXPECT_EQ(known->birth(), rec.birth);
}

TEST(ClockAhead, AYearForAMinuteWhileTheAppRunsAgesNothingAndLeavesNoRecordAhead) {
    CatWorld w;
    const double t0 = w.clock.now();
    const double birth = writeDayOldCat(w, 80);
    auto cat = w.make();
    w.run(10);
    w.clock.setNow(w.clock.now() + kYear);
    w.run(40);
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    EXPECT_EQ(cat->ageText(), "1d");
    ASSERT_TRUE(w.readRecord());
    EXPECT_LT(w.readRecord()->savedAt, t0 + 60) << "saved a year ahead";
    w.clock.setNow(w.clock.now() - kYear);
    w.run(10);
    EXPECT_NEAR(cat->hunger(), 40 + 60 * r, 1e-6) << "only the minute was lived";
    EXPECT_NEAR(cat->catTime(), w.clock.now(), 1e-6);
    cat->save();
    cat.reset();

    // The next start after a real 600 s away lives them.
    w.clock.advance(600);
    w.store.restart();
    cat = w.make();
    EXPECT_NEAR(cat->hunger(), 40 + 660 * r, 1e-6);
    EXPECT_EQ(cat->ageText(), "1d");
    EXPECT_EQ(cat->birth(), birth);
}

TEST(ClockAhead, ARecordAheadOfATrueClockComesBackToItAndRealTimeAwayCountsAgain) {
    CatWorld w;
    const double t0 = w.clock.now();
    const double birth = writeDayOldCat(w, 95);
    // One start under a clock two years ahead: the clock is all there is between runs.
    w.clock.setNow(t0 + 2 * kYear);
    runAndQuit(w, 20);
    EXPECT_EQ(w.readRecord()->birth, birth);
    EXPECT_GT(w.readRecord()->savedAt, t0 + kYear);

    // Right again: back to the clock, as young as it is.
    w.clock.setNow(t0 + 60);
    w.store.restart();
    auto cat = w.make();
    EXPECT_EQ(cat->birth(), birth);
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    EXPECT_EQ(cat->ageText(), "1d");
    cat->setHunger(40);
    cat->setEnergy(95);
    cat->setSleeping(false);
    const double hunger = cat->hunger();
    cat->save();
    EXPECT_DOUBLE_EQ(w.readRecord()->savedAt, t0 + 60);
    cat.reset();
    w.clock.advance(600);
    w.store.restart();
    cat = w.make();
    EXPECT_NEAR(cat->hunger(), hunger + 600 * r, 1e-6) << "600 s away";

    // A cat born under a clock that ran ahead reads as a newborn until its birth comes.
    CatWorld b;
    b.clock.setNow(b.clock.now() + kYear);
    runAndQuit(b, 5);
    b.clock.setNow(b.clock.now() - kYear);
    b.store.restart();
    auto early = b.make();
    EXPECT_EQ(early->ageText(), "1m");
    EXPECT_EQ(early->stage(), PetStage::kitten);
    EXPECT_NEAR(early->catTime(), b.clock.now(), 1e-6);
}

TEST(ClockBehind, StartsAlternatingAClockHoursAheadAndTheTrueOneLiveNoHourTwice) {
    // Another system on the machine keeps the clock 8 h ahead (in local time): the last run was under
    // it, the next under the true clock, and so on, 20 s each.
    CatWorld w;
    const double t0 = w.clock.now(), h8 = 8 * 3600;
    PetRecord rec;
    rec.birth = t0 - 5 * 86400;
    rec.savedAt = t0 + h8;
    rec.energy = 95;
    w.writeRecord(rec);
    for (int k = 0; k < 6; ++k) {
        w.clock.setNow(t0 + 20 * k + (k % 2 ? h8 : 0));
        runAndQuit(w, 20);
    }
    EXPECT_NEAR(w.readRecord()->hunger, 40 + 120 * r, 1e-6);
    EXPECT_EQ(w.readRecord()->health, 100);
}

TEST(MachineAsleep, TheMinutesTheMachineSleptAreLivedAsTimeAwayNapsIncluded) {
    CatWorld w;
    auto cat = w.make();
    cat->setEnergy(95);
    w.step(*cat);
    const double hunger = cat->hunger();
    // Ten minutes asleep (the machine's count and the wall clock move together).
    w.step(*cat, 600);
    EXPECT_NEAR(cat->hunger(), hunger + 600 * r, 1e-6);
    EXPECT_FALSE(cat->isSleeping());
    // Tired, it naps through the next five, and lies asleep in its bed.
    cat->setEnergy(21);
    w.step(*cat, 300);
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_GT(cat->energy(), 60);
}
