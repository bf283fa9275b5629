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
