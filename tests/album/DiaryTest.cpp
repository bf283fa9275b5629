// The diary generator: which pages come due, with which keys, dates and outfits.
#include "MacAlbumTestSupport.h"
#include "album/Diary.h"
#include "album/DiaryTexts.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

using namespace kp;
using namespace kp::albumtest;

namespace {

constexpr double kDay = 86400;

DiaryContext context(double birth, double now) {
    DiaryContext c;
    c.name = "Mochi";
    c.birth = birth;
    c.now = now;
    c.ageLabel = "12 days";
    c.zone = QTimeZone::utc();
    return c;
}

QStringList keysOf(const std::vector<DiaryEntry>& entries) {
    QStringList out;
    for (const auto& e : entries) out << e.key;
    return out;
}

// The entries without daily life, which depends on the birth's hash.
QStringList fixedKeys(const std::vector<DiaryEntry>& entries) {
    QStringList out;
    for (const auto& e : entries)
        if (!e.key.startsWith("life-")) out << e.key;
    return out;
}

// A copy: the entries are often a temporary list.
std::optional<DiaryEntry> find(const std::vector<DiaryEntry>& entries, const QString& key) {
    for (const auto& e : entries)
        if (e.key == key) return e;
    return std::nullopt;
}

void collect(DiaryContext& c, const std::vector<DiaryEntry>& entries) {
    for (const auto& e : entries) {
        c.keys.insert(e.key);
        c.albumKeys.insert(e.key);
    }
}

}  // namespace

TEST(Diary, DeadCatGetsArrivalAndFarewellOnly) {
    const double birth = utc(2026, 1, 1);
    DiaryContext c = context(birth, birth + 200 * kDay);
    c.isDead = true;
    c.rain = true;
    auto entries = DiaryEntry::entries(c);
    ASSERT_EQ(keysOf(entries), (QStringList{"arrived", "farewell"}));
    EXPECT_EQ(entries[0].date, birth);
    EXPECT_TRUE(entries[1].died);
    EXPECT_EQ(entries[1].date, c.now);
    EXPECT_TRUE(entries[1].note.contains("We had 12 days together"));
    c.diedAt = birth + 5;
    EXPECT_EQ(DiaryEntry::entries(c)[1].date, birth + 5);
    collect(c, entries);
    EXPECT_TRUE(DiaryEntry::entries(c).empty());
}

TEST(Diary, StagesAndDayMilestonesAreDatedAtTheirThresholds) {
    const double birth = utc(2026, 3, 2, 9);
    DiaryContext c = context(birth, birth + 8 * kDay);
    auto entries = DiaryEntry::entries(c);
    EXPECT_EQ(fixedKeys(entries), (QStringList{"arrived", "junior", "adult", "days-7"}));
    EXPECT_EQ(find(entries, "junior")->date, birth + 172800);
    EXPECT_EQ(find(entries, "adult")->date, birth + 3 * 172800);
    EXPECT_EQ(find(entries, "days-7")->date, birth + 7 * kDay);
    EXPECT_EQ(find(entries, "days-7")->title, "one week");

    c.now = birth + 172800 - 1;
    EXPECT_EQ(fixedKeys(DiaryEntry::entries(c)), QStringList{"arrived"});
}

TEST(Diary, AnniversariesAtOneThreeFiveMonthsAndWholeYears) {
    const double birth = utc(2024, 1, 15, 10);
    DiaryContext c = context(birth, utc(2026, 2, 20));  // 25 months
    c.keys = {"arrived", "junior", "adult", "days-7", "days-100"};
    auto entries = DiaryEntry::entries(c);
    const QStringList expected{"months-1", "months-3", "months-5", "years-1", "years-2"};
    QStringList anniversaries;
    for (const auto& e : entries)
        if (e.key.startsWith("months-") || e.key.startsWith("years-")) anniversaries << e.key;
    EXPECT_EQ(anniversaries, expected);
    const auto two = find(entries, "years-2");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->date, utc(2026, 1, 15, 10));
    // The cat is photographed for its anniversaries in a party hat.
    ASSERT_TRUE(two->outfit);
    EXPECT_EQ(two->outfit->at(AccessorySlot::head), CatAccessory::partyHat);
    EXPECT_EQ(find(entries, "months-3")->date, utc(2024, 4, 15, 10));

    // Legacy day counts stand in for the first month and the first year.
    c.keys << "days-30" << "days-365";
    entries = DiaryEntry::entries(c);
    EXPECT_FALSE(find(entries, "months-1"));
    EXPECT_FALSE(find(entries, "years-1"));
    EXPECT_TRUE(find(entries, "years-2"));
}

TEST(Diary, HolidaysOncePerYearWithFirstAndAgainTexts) {
    const double birth = utc(2026, 11, 1);
    DiaryContext c = context(birth, utc(2026, 12, 25, 20));
    c.keys = {"arrived", "junior", "adult", "days-7", "months-1"};
    auto entries = DiaryEntry::entries(c);
    const auto xmas = find(entries, "holiday-christmas-2026");
    ASSERT_TRUE(xmas);
    EXPECT_EQ(xmas->title, "Merry Christmas, Mochi!");
    EXPECT_EQ(xmas->date, c.now);

    c.keys << "holiday-christmas-2026";
    EXPECT_FALSE(find(DiaryEntry::entries(c), "holiday-christmas-2026"));
    c.now = utc(2027, 12, 24, 20);
    const auto again = find(DiaryEntry::entries(c), "holiday-christmas-2027");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->title, "Christmas again!");

    // New Year's Eve belongs to the year that begins.
    c.now = utc(2026, 12, 31, 22);
    EXPECT_TRUE(find(DiaryEntry::entries(c), "holiday-newYear-2027"));
    c.now = utc(2027, 1, 1, 1);
    EXPECT_TRUE(find(DiaryEntry::entries(c), "holiday-newYear-2027"));

}

TEST(Diary, WeatherPlacesAndWardrobe) {
    const double birth = utc(2026, 3, 2, 9);
    DiaryContext c = context(birth, birth + 3600);
    c.keys = {"arrived"};
    c.rain = c.snow = true;
    c.place = DiaryPlace::house;
    auto entries = DiaryEntry::entries(c);
    EXPECT_EQ(fixedKeys(entries), (QStringList{"rain", "snow", "place-house-snow"}));

    c.rain = c.snow = false;
    EXPECT_TRUE(fixedKeys(DiaryEntry::entries(c)).isEmpty());  // the house wants weather

    c.place = DiaryPlace::hearth;
    c.night = true;
    entries = DiaryEntry::entries(c);
    ASSERT_TRUE(find(entries, "place-hearth"));
    EXPECT_TRUE(find(entries, "place-hearth")->note.startsWith("Mochi fell asleep by the fireplace"));
    c.keys << "place-hearth";
    c.night = false;
    EXPECT_FALSE(find(DiaryEntry::entries(c), "place-hearth"));
    c.place.reset();

    // First clothes: only for an album that began before any gift.
    c.unlocked = {CatAccessory::bow};
    const auto clothes = find(DiaryEntry::entries(c), "wardrobe");
    ASSERT_TRUE(clothes);
    EXPECT_TRUE(clothes->note.contains("A bow to start."));
    EXPECT_EQ(clothes->outfit->at(AccessorySlot::head), CatAccessory::bow);
    c.giftBase = 1;
    EXPECT_FALSE(find(DiaryEntry::entries(c), "wardrobe"));
    c.giftBase = 0;
    c.albumKeys << "wardrobe";  // another cat had it
    EXPECT_FALSE(find(DiaryEntry::entries(c), "wardrobe"));

    // Full wardrobe.
    const auto order = giftOrder();
    c.unlocked.assign(order.begin(), order.end());
    const auto full = find(DiaryEntry::entries(c), "wardrobe-full");
    ASSERT_TRUE(full);
    c.giftBase = static_cast<int>(order.size());
    EXPECT_FALSE(find(DiaryEntry::entries(c), "wardrobe-full"));
}

TEST(Diary, DailyLifeIsTheSameEveryRunAndOnlyForTheLastFourDays) {
    const double birth = utc(2025, 5, 3, 8, 17, 5);
    DiaryContext c = context(birth, birth + 10 * kDay + 23 * 3600);
    c.keys = {"arrived", "junior", "adult", "days-7"};
    const auto first = DiaryEntry::entries(c);
    const auto second = DiaryEntry::entries(c);
    ASSERT_EQ(keysOf(first), keysOf(second));
    int lives = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        const DiaryEntry& e = first[i];
        if (!e.key.startsWith("life-")) continue;
        ++lives;
        EXPECT_EQ(e.date, second[i].date);
        const int d = e.key.mid(5).toInt();
        EXPECT_GE(d, 7);
        EXPECT_LE(d, 10);
        const double base = birth + d * kDay;
        EXPECT_GT(e.date, base);
        EXPECT_LE(e.date, base + kDay);
        EXPECT_LE(e.date, c.now);
        EXPECT_EQ(dateFromReference(e.date).toUTC().time().second(), 0);
    }
    EXPECT_GT(lives, 0);
    EXPECT_LE(lives, 4);

    // Collected pages are not proposed again; a page later in the day than `now` waits.
    DiaryContext later = c;
    collect(later, first);
    for (const auto& e : DiaryEntry::entries(later)) EXPECT_FALSE(c.keys.contains(e.key) || find(first, e.key));
    DiaryContext early = c;
    early.now = birth + 10 * kDay;  // the tenth day's page is never before its base date
    EXPECT_FALSE(find(DiaryEntry::entries(early), "life-10"));
}

TEST(Diary, DailyLifeGoesThroughEveryMomentBeforeOneComesBack) {
    // Over a long life, the first 39 daily pages are the 39 moments of the pool, each once.
    const double birth = utc(2025, 2, 1);
    std::map<int, QString> pages;  // by day
    for (int day = 4; day <= 160; day += 4) {
        const DiaryContext c = context(birth, birth + day * kDay + kDay - 1);
        for (const auto& e : DiaryEntry::entries(c))
            if (e.key.startsWith("life-")) pages[e.key.mid(5).toInt()] = e.title + "|" + e.note;
    }
    ASSERT_GE(pages.size(), 39u);
    std::set<QString> first39;
    int taken = 0;
    for (auto it = pages.begin(); taken < 39; ++it, ++taken) first39.insert(it->second);
    std::set<QString> pools[2];
    for (const bool variant : {false, true})
        for (const LifeRow& row : diary::lifePool(variant, "Mochi")) pools[variant].insert(row.title + "|" + row.note);
    EXPECT_TRUE(first39 == pools[0] || first39 == pools[1]) << first39.size();
}

TEST(Diary, CandidMomentsNeedTheOpenIslandAndTheGap) {
    const double birth = utc(2026, 3, 2, 9);
    DiaryContext c = context(birth, birth + 4 * kDay + 1);
    c.keys = {"arrived", "junior", "adult"};
    c.openFor = 40;
    c.doing = CatDoing::playing;
    auto candid = [&] { return find(DiaryEntry::entries(c), "candid"); };
    ASSERT_TRUE(candid());
    EXPECT_EQ(candid()->title, "the ball");

    c.openFor = 39.9;
    EXPECT_FALSE(candid());
    c.openFor = 40;
    c.now = birth + 4 * kDay;  // not strictly beyond the gap
    EXPECT_FALSE(candid());
    c.now = birth + 4 * kDay + 1;
    c.content = false;
    EXPECT_FALSE(candid());
    c.content = true;
    c.doing = CatDoing::eating;
    EXPECT_FALSE(candid());
    c.doing = CatDoing::waiting;
    EXPECT_FALSE(candid());

    // After one candid page the gap is 2.5 days; three pages: "zoomies", four: "the ball".
    c.doing = CatDoing::playing;
    c.candidDates = {birth + 1 * kDay};
    c.now = birth + 3.5 * kDay;
    EXPECT_FALSE(candid());
    c.now = birth + 3.5 * kDay + 1;
    ASSERT_TRUE(candid());
    c.candidDates = {birth, birth + kDay, birth + 0.5 * kDay};  // gap 4.5 days after the latest
    c.now = birth + 5.5 * kDay + 1;
    ASSERT_TRUE(candid());
    EXPECT_EQ(candid()->title, "zoomies");
    c.candidDates.push_back(birth + 0.2 * kDay);  // n = 4: gap 3.0
    ASSERT_TRUE(candid());
    EXPECT_EQ(candid()->title, "the ball");
}

TEST(Diary, AnniversariesOfABirthWithFractionalSecondsAreWholeDaysOld) {
    // Born at 09:00:00.0007: the one-month page of a 31-day month is 31 days old, not a hair less.
    const double birth = utc(2026, 1, 10, 9) + 0.0007;
    DiaryContext c = context(birth, utc(2027, 1, 20));
    c.keys = {"arrived", "junior", "adult", "days-7", "days-100"};
    const auto entries = DiaryEntry::entries(c);
    const auto month = find(entries, "months-1");
    const auto year = find(entries, "years-1");
    ASSERT_TRUE(month && year);
    EXPECT_GE(month->date - birth, 31 * kDay);
    EXPECT_LT(month->date - birth, 31 * kDay + 0.001);
    EXPECT_GE(year->date - birth, 365 * kDay);
}

TEST(Diary, DailyLifeInAClockGapStaysOnItsDay) {
    // Helsinki skips 03:00-04:00 on 29 March 2026.
    DiaryContext c = context(0, 0);
    c.zone = QTimeZone("Europe/Helsinki");
    ASSERT_TRUE(c.zone->isValid());
    const auto at = [&](int d, int h, int m) {
        return referenceFromDate(QDateTime(QDate(2026, 3, d), QTime(h, m), *c.zone));
    };
    EXPECT_EQ(diaryClockTime(at(28, 12, 0), 3, 30, c), at(29, 4, 0));
    EXPECT_EQ(diaryClockTime(at(28, 12, 0), 2, 30, c), at(29, 2, 30));
    EXPECT_EQ(diaryClockTime(at(29, 5, 0), 3, 30, c), at(30, 3, 30));
}
