#include "support/Scratch.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "life/SeasonalAward.h"
#include "cat/SeasonalAccessories.h"
#include "platform/Dates.h"

using namespace kp;
using kp::test::ScratchStore;

namespace {

double moment(int y, int m, int d, int hour, int minute = 0) {
    return referenceFromDate(QDateTime(QDate(y, m, d), QTime(hour, minute)));
}

QStringList given(Defaults& store) { return store.stringArray("seasonalPieces"); }

}  // namespace

TEST(SeasonalAward, EachSeasonGivesItsPieceOnceAndUnknownNamesAreDropped) {
    ScratchStore s;
    s->set("seasonalPieces", QStringList{"tinselCape"});
    EXPECT_TRUE(awardSeasonalPieces(moment(2026, 12, 1, 9), std::nullopt, *s));
    EXPECT_EQ(given(*s), QStringList{"santaHat"});
    EXPECT_FALSE(awardSeasonalPieces(moment(2026, 12, 29, 23), std::nullopt, *s));
    EXPECT_TRUE(awardSeasonalPieces(moment(2026, 12, 30, 0), std::nullopt, *s));
    EXPECT_EQ(given(*s), (QStringList{"partyCrown", "santaHat"}));
    EXPECT_FALSE(awardSeasonalPieces(moment(2027, 3, 1, 12), std::nullopt, *s));  // no season
    EXPECT_FALSE(awardSeasonalPieces(moment(2027, 12, 5, 12), std::nullopt, *s));  // owned for good
    s->set("seasonalPiecesSeen", QStringList{"santaHat"});
    EXPECT_EQ(unseenSeasonalPieces(*s), std::set<CatAccessory>{CatAccessory::partyCrown});
}

// Birth 10 January: the one-month day falls in Valentine's week, the five-month day in June.
TEST(SeasonalAward, MilestonesGiveThePartyHatsThenNothingAndTheSeasonWaitsForTheNextDay) {
    ScratchStore s;
    const double birth = moment(2026, 1, 10, 15);
    const auto anniversary = [&] { return s->doubleValue("seasonalAnniversary"); };
    struct Step {
        double at;
        bool gives;
        QStringList pieces;
        double anniversary;
        const char* what;
    };
    const double feb10 = startOfLocalDay(moment(2026, 2, 10, 9)), apr10 = startOfLocalDay(moment(2026, 4, 10, 9));
    const Step steps[] = {
        {moment(2026, 2, 10, 9), true, {"partyHat"}, feb10, "one month: the party hat, not the glasses"},
        {moment(2026, 2, 10, 23, 59), false, {"partyHat"}, feb10, "once that day"},
        {moment(2026, 2, 11, 9), true, {"heartGlasses", "partyHat"}, feb10, "the season's piece the next day"},
        {moment(2026, 3, 10, 9), false, {"heartGlasses", "partyHat"}, feb10, "two months is no milestone"},
        {moment(2026, 4, 10, 9), true, {"heartGlasses", "partyHat", "partyHatPink"}, apr10, "three months: pink"},
        {moment(2026, 6, 10, 9), false, {"heartGlasses", "partyHat", "partyHatPink"}, apr10,
         "five months: both hats owned, nothing written, and the day is no season day"},
        {moment(2026, 6, 11, 9), true, {"heartGlasses", "partyHat", "partyHatPink", "strawHat"}, apr10,
         "June's hat the day after"},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(awardSeasonalPieces(step.at, birth, *s), step.gives) << step.what;
        EXPECT_EQ(given(*s), step.pieces) << step.what;
        EXPECT_DOUBLE_EQ(anniversary(), step.anniversary) << step.what;
    }
}
