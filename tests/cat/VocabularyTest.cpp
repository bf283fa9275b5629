#include <gtest/gtest.h>

#include <QPainterPath>
#include <QRectF>

#include "cat/CatAccessory.h"
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "cat/CatOutfitJson.h"
#include "cat/Closet.h"
#include "cat/HeartPath.h"

#include <cmath>
#include <map>
#include <set>
#include <vector>

using namespace kp;
using A = CatAccessory;

namespace {

template <typename E>
std::vector<std::string_view> rawValues() {
    std::vector<std::string_view> out;
    for (E e : allCases<E>()) out.push_back(rawValue(e));
    return out;
}

}  // namespace

TEST(CatLook, BreedsInOrderWithNamesAndBlurbs) {
    EXPECT_EQ(rawValues<CatBreed>(),
              (std::vector<std::string_view>{"orange", "tuxedo", "siamese", "black", "british", "calico", "fold",
                                             "maineCoon", "persian", "snowshoe"}));
    EXPECT_EQ(displayName(CatBreed::orange), "Orange tabby");
    EXPECT_EQ(displayName(CatBreed::black), "Black cat");
    EXPECT_EQ(displayName(CatBreed::british), "British Shorthair");
    EXPECT_EQ(displayName(CatBreed::fold), "Scottish Fold");
    EXPECT_EQ(displayName(CatBreed::snowshoe), "Snowshoe");
    EXPECT_EQ(blurb(CatBreed::orange), "The original. Stripes, and always hungry.");
    EXPECT_EQ(blurb(CatBreed::calico), "Three colours, all of them opinions.");
    EXPECT_EQ(blurb(CatBreed::snowshoe), "White socks, blue eyes, a mask with a white V.");
    std::set<std::string_view> names, blurbs;
    for (CatBreed b : allCases<CatBreed>()) {
        names.insert(displayName(b));
        blurbs.insert(blurb(b));
    }
    EXPECT_EQ(names.size(), 10u);
    EXPECT_EQ(blurbs.size(), 10u);
}

TEST(CatLook, BreedFromRawValueIsExact) {
    EXPECT_EQ(fromRawValue<CatBreed>("maineCoon"), CatBreed::maineCoon);
    EXPECT_EQ(fromRawValue<CatBreed>("Orange"), std::nullopt);
    EXPECT_EQ(fromRawValue<CatBreed>(""), std::nullopt);
    EXPECT_EQ(fromRawValue<CatBreed>("mainecoon"), std::nullopt);
    EXPECT_EQ(breedOrOrange("Orange"), CatBreed::orange);
    EXPECT_EQ(breedOrOrange(QStringLiteral("persian")), CatBreed::persian);
    EXPECT_EQ(breedOrOrange(QString()), CatBreed::orange);
}

TEST(CatLook, ExpressionsAndDoingsInOrder) {
    EXPECT_EQ(rawValues<CatExpression>(),
              (std::vector<std::string_view>{"content", "happy", "love", "sleepy", "asleep", "sad", "grumpy", "sick",
                                             "surprised", "eating", "meow", "dead"}));
    EXPECT_EQ(rawValues<CatDoing>(),
              (std::vector<std::string_view>{"lounging", "asleep", "stretching", "eating", "drinking", "scratching",
                                             "grooming", "playing", "sunNap", "watching", "waiting", "loved"}));
    EXPECT_EQ(fromRawValue<CatDoing>("SunNap"), std::nullopt);
}

TEST(CatAccessoryTable, FortyTwoCasesInOrder) {
    const auto raws = rawValues<CatAccessory>();
    ASSERT_EQ(raws.size(), 42u);
    EXPECT_EQ(raws.front(), "bow");
    EXPECT_EQ(raws[6], "partyHat");
    EXPECT_EQ(raws[19], "partyHatPink");
    EXPECT_EQ(raws[30], "socksBlue");
    EXPECT_EQ(raws[31], "witchHat");
    EXPECT_EQ(raws[38], "headphones");
    EXPECT_EQ(raws.back(), "sleepMask");
    EXPECT_EQ(std::set<std::string_view>(raws.begin(), raws.end()).size(), 42u);
    EXPECT_EQ(fromRawValue<CatAccessory>("santaHat"), A::santaHat);
    EXPECT_EQ(fromRawValue<CatAccessory>("SantaHat"), std::nullopt);
    EXPECT_EQ(fromRawValue<CatAccessory>("crown"), std::nullopt);
}

TEST(CatAccessoryTable, SlotsHolidaysAndNames) {
    // Every piece's slot in case order: h head, f face, n neck, b body, t feet.
    const std::string_view slotLetters = "hnfhnthnhnthfhnbbhhhhfffnnnbbtthhhfhfhhbhf";
    ASSERT_EQ(slotLetters.size(), 42u);
    const std::map<char, AccessorySlot> letter{{'h', AccessorySlot::head}, {'f', AccessorySlot::face},
                                               {'n', AccessorySlot::neck}, {'b', AccessorySlot::body},
                                               {'t', AccessorySlot::feet}};
    for (A a : allCases<CatAccessory>())
        EXPECT_EQ(slot(a), letter.at(slotLetters[static_cast<std::size_t>(a)])) << rawValue(a);

    // The calendar's order: newYear, valentines, carnival, easter, festaJunina, halloween, christmas, birthday.
    const std::vector<std::pair<A, int>> holidays{
        {A::partyCrown, 0}, {A::heartGlasses, 1}, {A::carnivalMask, 2}, {A::bunnyEars, 3}, {A::strawHat, 4},
        {A::witchHat, 5},   {A::santaHat, 6},     {A::partyHat, 7},     {A::partyHatPink, 7}};
    int withHoliday = 0;
    for (A a : allCases<CatAccessory>())
        if (holiday(a)) ++withHoliday;
    EXPECT_EQ(withHoliday, 9);
    for (auto [a, h] : holidays) {
        ASSERT_TRUE(holiday(a).has_value()) << rawValue(a);
        EXPECT_EQ(static_cast<int>(*holiday(a)), h) << rawValue(a);
    }

    const std::vector<std::string_view> names{
        "Bow", "Bell Collar", "Glasses", "Beanie", "Scarf", "Boots", "Party Hat", "Bandana", "Flower Crown",
        "Bow Tie", "Socks", "Top Hat", "Sunglasses", "Beret", "Tag Collar", "Backpack", "Tail Bow", "Blue Bow",
        "Green Beanie", "Pink Party Hat", "Navy Beret", "Pink Glasses", "Blue Sunglasses", "Amber Sunglasses",
        "Red Scarf", "Blue Bandana", "Blue Bell Collar", "Blue Tail Bow", "Green Backpack", "Yellow Boots",
        "Blue Socks", "Witch Hat", "Santa Hat", "Bunny Ears", "Heart Glasses", "Party Crown", "Carnival Mask",
        "Straw Hat", "Headphones", "Raincoat", "Rain Hat", "Sleep Mask"};
    ASSERT_EQ(names.size(), 42u);
    for (A a : allCases<CatAccessory>()) EXPECT_EQ(displayName(a), names[static_cast<std::size_t>(a)]) << rawValue(a);
}

TEST(CatAccessoryTable, GiftOrderIsTheStartersThenTheRest) {
    const auto order = giftOrder();
    const std::vector<A> expected{
        A::bow, A::beanie, A::bowBlue, A::glasses, A::sunglasses, A::glassesPink, A::bellCollar, A::scarf,
        A::bandana, A::backpack, A::tailBow, A::tailBowBlue, A::boots, A::socks, A::bootsYellow,
        A::flowerCrown, A::bowtie, A::topHat, A::beret, A::tagCollar, A::beanieGreen, A::beretNavy,
        A::sunglassesBlue, A::sunglassesAmber, A::scarfRed, A::bandanaBlue, A::bellCollarBlue, A::backpackGreen,
        A::socksBlue};
    EXPECT_EQ(std::vector<A>(order.begin(), order.end()), expected);
    // Three starters of each slot.
    std::map<AccessorySlot, int> perSlot;
    for (std::size_t i = 0; i < 15; ++i) ++perSlot[slot(order[i])];
    for (auto [s, n] : perSlot) EXPECT_EQ(n, 3) << rawValue(s);
    for (A a : order) {
        EXPECT_FALSE(holiday(a).has_value());
        EXPECT_FALSE(isSelfWorn(a));
    }
}

TEST(CatOutfitTest, TogglingPutsOnReplacesAndTakesOff) {
    const CatOutfit withBow = CatOutfit::empty().toggling(A::bow);
    EXPECT_EQ(withBow.head, A::bow);
    EXPECT_FALSE(withBow.face || withBow.neck || withBow.body || withBow.feet);
    const CatOutfit beanie = withBow.toggling(A::beanie);
    EXPECT_EQ(beanie.head, A::beanie);
    const CatOutfit both = beanie.toggling(A::glasses);
    EXPECT_EQ(both.head, A::beanie);
    EXPECT_EQ(both.face, A::glasses);
    EXPECT_EQ(both.toggling(A::glasses), beanie);
    EXPECT_TRUE(CatOutfit::empty().head == std::nullopt);
}

TEST(CatOutfitTest, SituationalDressesForTheMoment) {
    CatOutfit worn;
    worn.head = A::topHat;
    worn.face = A::glasses;
    worn.body = A::backpack;

    EXPECT_EQ(worn.situational(false, false, false), worn);

    const CatOutfit asleep = worn.situational(true, true, false);
    EXPECT_EQ(asleep.face, A::sleepMask);
    EXPECT_TRUE(asleep.extras.empty()) << "no headphones while asleep";
    EXPECT_EQ(asleep.head, A::topHat);

    const CatOutfit music = worn.situational(false, true, false);
    ASSERT_EQ(music.extras.size(), 1u);
    EXPECT_EQ(music.extras[0], A::headphones);
    EXPECT_EQ(music.face, A::glasses);
    EXPECT_EQ(music.situational(false, true, false).extras.size(), 1u) << "headphones only once";

    const CatOutfit rain = worn.situational(false, false, true);
    EXPECT_EQ(rain.head, A::rainHat);
    EXPECT_EQ(rain.body, A::raincoat);
    EXPECT_EQ(rain.face, A::glasses);

    const CatOutfit all = worn.situational(true, true, true);
    EXPECT_EQ(all.face, A::sleepMask);
    EXPECT_EQ(all.head, A::rainHat);
    EXPECT_EQ(all.body, A::raincoat);
    EXPECT_TRUE(all.extras.empty());

    const CatOutfit wetMusic = CatOutfit::empty().situational(false, true, true);
    EXPECT_TRUE(wetMusic.extras.contains(A::headphones));
    EXPECT_EQ(wetMusic.head, A::rainHat);
    EXPECT_TRUE(wetMusic.wears(A::headphones));
}

TEST(CatOutfitTest, JsonKeepsSlotOrderAndLeavesOutEmptySlotsAndExtras) {
    EXPECT_EQ(CatOutfit::empty().toJson(), "{}");
    CatOutfit o;
    o.feet = A::socks;
    o.head = A::bow;
    o.neck = A::scarfRed;
    o.face = A::glasses;
    o.body = A::tailBow;
    o.extras.push_back(A::headphones);
    EXPECT_EQ(o.toJson(),
              R"({"head":"bow","face":"glasses","neck":"scarfRed","body":"tailBow","feet":"socks"})");

    const auto back = CatOutfit::fromJson(o.toJson());
    ASSERT_TRUE(back);
    CatOutfit noExtras = o;
    noExtras.extras.clear();
    EXPECT_EQ(*back, noExtras);

    CatOutfit some;
    some.neck = A::bowtie;
    EXPECT_EQ(some.toJson(), R"({"neck":"bowtie"})");
    EXPECT_EQ(outfitToJsonValue(some).dump(), R"({"neck":"bowtie"})");
}

TEST(CatOutfitTest, JsonDecodingIsStrict) {
    EXPECT_EQ(CatOutfit::fromJson("{}"), CatOutfit::empty());
    // Unknown members and extras are ignored.
    const auto extra = CatOutfit::fromJson(R"({"head":"beret","hat":3,"extras":["headphones"]})");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->head, A::beret);
    EXPECT_TRUE(extra->extras.empty());

    EXPECT_FALSE(CatOutfit::fromJson(R"({"head":"crown"})"));
    EXPECT_FALSE(CatOutfit::fromJson(R"({"head":"Bow"})"));
    EXPECT_FALSE(CatOutfit::fromJson(R"({"face":7})"));
    EXPECT_FALSE(CatOutfit::fromJson(R"({"feet":null})"));
    EXPECT_FALSE(CatOutfit::fromJson(R"(["bow"])"));
    EXPECT_FALSE(CatOutfit::fromJson(R"("bow")"));
    EXPECT_FALSE(CatOutfit::fromJson("{\"head\":"));
    EXPECT_FALSE(CatOutfit::fromJson(""));
    EXPECT_FALSE(outfitFromJsonValue(nlohmann::ordered_json::array()));
}

TEST(NextGiftText, HoursFromAnHourUpElseMinutes) {
    EXPECT_EQ(nextGiftText(18000), "in 5h");
    EXPECT_EQ(nextGiftText(18000 - 14400), "in 1h");
    EXPECT_EQ(nextGiftText(3601), "in 2h");
    EXPECT_EQ(nextGiftText(3599), "in 60 min");
    EXPECT_EQ(nextGiftText(61), "in 2 min");
    EXPECT_EQ(nextGiftText(10), "in 1 min");
    EXPECT_EQ(nextGiftText(1), "in 1 min");
    EXPECT_EQ(nextGiftText(0), "in 1 min");
    EXPECT_EQ(nextGiftText(-50), "in 1 min");
    EXPECT_EQ(nextGiftText(std::nan("")), "in 1 min");
}

TEST(HeartPathTest, FillsItsBoxWithLobesUpAndPointDown) {
    for (double s : {8.0, 18.0, 100.0}) {
        const QPointF c(40, 30);
        const QPainterPath heart = heartPath(c, s);
        const QRectF box = heart.boundingRect();
        const QRectF want(c.x() - s / 2, c.y() - 0.45 * s, s, 0.9 * s);
        EXPECT_NEAR(box.left(), want.left(), 1e-6 * s);
        EXPECT_NEAR(box.top(), want.top(), 1e-6 * s);
        EXPECT_NEAR(box.width(), want.width(), 1e-6 * s);
        EXPECT_NEAR(box.height(), want.height(), 1e-6 * s);
        EXPECT_TRUE(want.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(heart.controlPointRect()));
        // Inside the lobes, outside the notch between them and beside the point.
        EXPECT_TRUE(heart.contains(QPointF(c.x() - s / 4, c.y() - 0.2 * s)));
        EXPECT_TRUE(heart.contains(QPointF(c.x() + s / 4, c.y() - 0.2 * s)));
        EXPECT_TRUE(heart.contains(QPointF(c.x(), c.y() + 0.3 * s)));
        EXPECT_FALSE(heart.contains(QPointF(c.x(), c.y() - 0.42 * s)));
        EXPECT_FALSE(heart.contains(QPointF(c.x() - 0.4 * s, c.y() + 0.4 * s)));
    }
    EXPECT_EQ(heartPath(QPointF(1, 1), 0).boundingRect().width(), 0);
}
