// The diary's words: names as typed, year words, holiday and place versions, pools and candid rows.
#include "album/Diary.h"
#include "album/DiaryTexts.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(DiaryTexts, NameIsInsertedAsTyped) {
    EXPECT_TRUE(diary::arrived("mochi").note.endsWith("I'm calling him mochi."));
    EXPECT_EQ(diary::arrived("mochi").title, "day one");
    EXPECT_TRUE(diary::junior("mochi").note.startsWith("mochi isn't a kitten any more."));
    EXPECT_TRUE(diary::farewell(QString::fromUtf8(" Ünï "), "3 days")
                    .note.startsWith(QString::fromUtf8(" Ünï  curled up in his favourite spot")));
    EXPECT_TRUE(diary::farewell("Mo", "3 days").note.contains("We had 3 days together"));
    EXPECT_EQ(diary::wardrobe(CatAccessory::bow).note,
              "I finally bought him some clothes! A bow to start. He pretended not to care, then wouldn't "
              "let me take it off.");
    EXPECT_EQ(diary::dayMilestones().size(), 2u);
    EXPECT_EQ(diary::dayMilestones()[1].days, 100);
}

TEST(DiaryTexts, AnniversaryYearWords) {
    EXPECT_EQ(diary::anniversaryText(1, "Mo").title, "one month!");
    EXPECT_EQ(diary::anniversaryText(12, "Mo").title, "one year!!!");
    EXPECT_EQ(diary::anniversaryText(36, "Mo").title, "three years!");
    EXPECT_TRUE(diary::anniversaryText(36, "Mo").note.startsWith("Three years together today."));
    EXPECT_EQ(diary::anniversaryText(120, "Mo").title, "ten years!");
    EXPECT_TRUE(diary::anniversaryText(120, "Mo").note.startsWith("Ten years"));
    EXPECT_EQ(diary::anniversaryText(132, "Mo").title, "11 years!");
    EXPECT_TRUE(diary::anniversaryText(132, "Mo").note.startsWith("11 years together"));
    EXPECT_TRUE(diary::anniversaryText(24, "Mo").note.endsWith("Happy anniversary, Mo."));
}

TEST(DiaryTexts, HolidaysHaveFirstAndAgainVersions) {
    for (Holiday h : allCases<Holiday>()) {
        if (h == Holiday::birthday) {
            EXPECT_FALSE(diary::holidayText(h, false, "Mo"));
            EXPECT_FALSE(diary::holidayText(h, true, "Mo"));
            continue;
        }
        auto first = diary::holidayText(h, false, "Mo");
        auto again = diary::holidayText(h, true, "Mo");
        ASSERT_TRUE(first && again);
        EXPECT_NE(first->title, again->title);
        EXPECT_NE(first->note, again->note);
        EXPECT_TRUE(first->title.endsWith("!"));
    }
    EXPECT_EQ(diary::holidayText(Holiday::easter, false, "Mo")->title, "Easter with Mo!!!");
    EXPECT_EQ(diary::holidayText(Holiday::festaJunina, true, "Mo")->title, QString::fromUtf8("Arraiá again!"));
    EXPECT_EQ(diary::holidayText(Holiday::christmas, false, "Mo")->doing, CatDoing::loved);
    EXPECT_EQ(diary::holidayText(Holiday::christmas, true, "Mo")->doing, CatDoing::loved);
    EXPECT_TRUE(diary::holidayText(Holiday::christmas, false, "Mo")->title.endsWith("Mo!"));
}

TEST(DiaryTexts, PlacesFollowTheWeatherAndTime) {
    DiaryContext c;
    c.name = "Mo";
    EXPECT_FALSE(diary::placeEntry(DiaryPlace::house, c));
    c.rain = true;
    EXPECT_EQ(diary::placeEntry(DiaryPlace::house, c)->key, "place-house-rain");
    c.snow = true;
    EXPECT_EQ(diary::placeEntry(DiaryPlace::house, c)->key, "place-house-snow");
    EXPECT_EQ(diary::placeEntry(DiaryPlace::house, c)->title, "snowed in");

    auto day = diary::placeEntry(DiaryPlace::hearth, c);
    c.sunset = true;
    auto evening = diary::placeEntry(DiaryPlace::hearth, c);
    EXPECT_EQ(day->key, evening->key);
    EXPECT_NE(day->note, evening->note);

    auto garden = diary::placeEntry(DiaryPlace::garden, c);
    EXPECT_TRUE(garden->key.startsWith("place-"));
    for (const char* taken : {"place-hearth", "place-tv", "place-house-rain", "place-house-snow"})
        EXPECT_NE(garden->key, taken);
    EXPECT_TRUE(garden->note.startsWith("Mo's first afternoon in the garden!"));
    EXPECT_EQ(diary::placeEntry(DiaryPlace::tv, c)->doing, CatDoing::watching);
}

TEST(DiaryTexts, LifePoolVariantsDifferOnlyInFourRows) {
    const auto friendly = diary::lifePool(true, "Mo");
    const auto shy = diary::lifePool(false, "Mo");
    ASSERT_EQ(friendly.size(), 39u);
    ASSERT_EQ(shy.size(), 39u);
    for (std::size_t i = 0; i < 39; ++i) {
        EXPECT_EQ(friendly[i].hour, shy[i].hour);
        EXPECT_EQ(friendly[i].title, shy[i].title);
        EXPECT_FALSE(friendly[i].title.isEmpty());
        EXPECT_GE(friendly[i].hour, 0);
        EXPECT_LE(friendly[i].hour, 23);
        const bool varies = i == 0 || i == 1 || i == 2 || i == 13;
        EXPECT_EQ(friendly[i].note != shy[i].note, varies) << i;
        EXPECT_EQ(friendly[i].doing != shy[i].doing, varies) << i;
    }
    EXPECT_EQ(friendly[5].hour, 6);
    EXPECT_TRUE(friendly[5].note.startsWith("Mo decided breakfast was at six today."));
    EXPECT_EQ(friendly[8].note.count('"'), 2);
    EXPECT_EQ(friendly[10].title, "3 a.m.");
    EXPECT_EQ(shy[0].doing, CatDoing::waiting);
    EXPECT_EQ(friendly[0].doing, CatDoing::loved);
}

TEST(DiaryTexts, CandidRowsAlternateWithTheCount) {
    DiaryContext c;
    c.name = "Mo";
    EXPECT_EQ(diary::candidText(CatDoing::playing, c, 3)->title, "zoomies");
    EXPECT_EQ(diary::candidText(CatDoing::playing, c, 4)->title, "the ball");
    EXPECT_EQ(diary::candidText(CatDoing::asleep, c, 7)->title, "sweet dreams");
    EXPECT_FALSE(diary::candidText(CatDoing::eating, c, 0));
    EXPECT_FALSE(diary::candidText(CatDoing::waiting, c, 0));
    EXPECT_EQ(diary::candidText(CatDoing::lounging, c, 0)->note,
              "Mo, doing absolutely nothing, beautifully. I could watch him for hours.");

    c.night = true;
    EXPECT_EQ(diary::candidText(CatDoing::watching, c, 0)->title, "night watch");
    c.sunset = true;
    EXPECT_EQ(diary::candidText(CatDoing::watching, c, 0)->title, "sunset");
    c.rain = true;
    EXPECT_EQ(diary::candidText(CatDoing::watching, c, 1)->title, "raindrops");
    for (CatDoing d : allCases<CatDoing>()) {
        if (auto t = diary::candidText(d, c, 1)) {
            EXPECT_FALSE(t->title.isEmpty());
        }
    }
}
