#include "support/Scratch.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "cat/Closet.h"
#include "life/SeasonalAward.h"
#include "cat/SeasonalAccessories.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/InputIdle.h"
#include "platform/Scheduler.h"

using namespace kp;
using kp::test::ScratchStore;

namespace {

double moment(int y, int m, int d, int hour, int minute = 0) {
    return referenceFromDate(QDateTime(QDate(y, m, d), QTime(hour, minute)));
}

QStringList given(Defaults& store) { return store.stringArray("seasonalPieces"); }

}  // namespace

TEST(SeasonalAward, EachSeasonGivesItsPieceOnce) {
    ScratchStore s;
    EXPECT_TRUE(awardSeasonalPieces(moment(2026, 12, 1, 9), std::nullopt, *s));
    EXPECT_EQ(given(*s), QStringList{"santaHat"});
    EXPECT_FALSE(awardSeasonalPieces(moment(2026, 12, 1, 9, 5), std::nullopt, *s));
    EXPECT_FALSE(awardSeasonalPieces(moment(2026, 12, 29, 23), std::nullopt, *s));
    EXPECT_TRUE(awardSeasonalPieces(moment(2026, 12, 30, 0), std::nullopt, *s));
    EXPECT_EQ(given(*s), (QStringList{"partyCrown", "santaHat"}));
    EXPECT_FALSE(awardSeasonalPieces(moment(2027, 3, 1, 12), std::nullopt, *s));  // no season
    EXPECT_FALSE(awardSeasonalPieces(moment(2027, 12, 5, 12), std::nullopt, *s));  // owned for good
    EXPECT_EQ(seasonalPieces(*s), (std::set<CatAccessory>{CatAccessory::partyCrown, CatAccessory::santaHat}));
}

TEST(SeasonalAward, MilestonesGiveTheHatsAndTakeTheSeasonsPlace) {
    ScratchStore s;
    const double birth = moment(2025, 1, 10, 15);
    // One month: 10 February 2025, inside Valentine's week.
    EXPECT_TRUE(awardSeasonalPieces(moment(2025, 2, 10, 9), birth, *s));
    EXPECT_EQ(given(*s), QStringList{"partyHat"});
    EXPECT_DOUBLE_EQ(s->doubleValue("seasonalAnniversary"), startOfLocalDay(moment(2025, 2, 10, 9)));
    s.restart();  // the day is read back exactly
    EXPECT_FALSE(awardSeasonalPieces(moment(2025, 2, 10, 20), birth, *s));
    EXPECT_EQ(given(*s), QStringList{"partyHat"});
    EXPECT_TRUE(awardSeasonalPieces(moment(2025, 2, 11, 8), birth, *s));
    EXPECT_EQ(given(*s), (QStringList{"heartGlasses", "partyHat"}));

    // Three months: the pink hat.
    EXPECT_TRUE(awardSeasonalPieces(moment(2025, 4, 10, 12), birth, *s));
    EXPECT_EQ(seasonalPieces(*s).count(CatAccessory::partyHatPink), 1u);
    const double threeMonths = s->doubleValue("seasonalAnniversary");

    // Five months falls in June: both hats are owned, so nothing that day, not even the straw hat.
    EXPECT_FALSE(awardSeasonalPieces(moment(2025, 6, 10, 12), birth, *s));
    EXPECT_DOUBLE_EQ(s->doubleValue("seasonalAnniversary"), threeMonths);
    EXPECT_EQ(seasonalPieces(*s).count(CatAccessory::strawHat), 0u);
    EXPECT_TRUE(awardSeasonalPieces(moment(2025, 6, 11, 12), birth, *s));
    EXPECT_EQ(seasonalPieces(*s).count(CatAccessory::strawHat), 1u);
}

TEST(SeasonalAward, AtOrBeforeTheBirthTheSeasonDecides) {
    ScratchStore s;
    const double now = moment(2026, 10, 5, 12);
    EXPECT_TRUE(awardSeasonalPieces(now, now, *s));
    EXPECT_EQ(given(*s), QStringList{"witchHat"});
    EXPECT_EQ(s->doubleValue("seasonalAnniversary"), 0.0);
}

TEST(SeasonalAward, UnknownNamesAreDroppedAndListsStaySorted) {
    ScratchStore s;
    s->set("seasonalPieces", QStringList{"santaHat", "tinselCape"});
    EXPECT_EQ(seasonalPieces(*s), std::set<CatAccessory>{CatAccessory::santaHat});
    EXPECT_TRUE(awardSeasonalPieces(moment(2026, 10, 5, 12), std::nullopt, *s));
    EXPECT_EQ(given(*s), (QStringList{"santaHat", "witchHat"}));
    EXPECT_TRUE(awardSeasonalPieces(moment(2027, 3, 29, 12), std::nullopt, *s));  // Easter 2027 is 28 March
    EXPECT_EQ(given(*s), (QStringList{"bunnyEars", "santaHat", "witchHat"}));

    s->set("seasonalPiecesSeen", QStringList{"santaHat"});
    EXPECT_EQ(unseenSeasonalPieces(*s), (std::set<CatAccessory>{CatAccessory::bunnyEars, CatAccessory::witchHat}));
    markSeasonalPiecesSeen(*s);
    EXPECT_TRUE(unseenSeasonalPieces(*s).empty());
}

TEST(SeasonalAward, TheWardrobeShowsWhatTheAwardGives) {
    ScratchStore s;
    ManualClock clock(moment(2026, 12, 3, 10));
    ManualInputIdleness idleness(0);
    ManualScheduler scheduler;
    Closet closet(*s, clock, idleness, scheduler);
    std::optional<double> birth = moment(2026, 11, 4, 18);
    closet.setSeasonalAward(seasonalAward(*s, [&] { return birth; }));
    EXPECT_EQ(closet.seasonal(), std::set<CatAccessory>{CatAccessory::santaHat});

    // The one-month milestone on 4 December brings the party hat on the next tick.
    clock.setNow(moment(2026, 12, 4, 10));
    scheduler.advance(Closet::tickSeconds);
    EXPECT_EQ(closet.seasonal().count(CatAccessory::partyHat), 1u);
}
