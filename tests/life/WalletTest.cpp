#include "support/Scratch.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "life/Wallet.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"

using namespace kp;
using kp::test::ScratchStore;

namespace {

double moment(int y, int m, int d, int hour, int minute = 0) {
    return referenceFromDate(QDateTime(QDate(y, m, d), QTime(hour, minute)));
}

const double kNoon = moment(2026, 12, 5, 12);

nlohmann::json storedRecord(Defaults& store) {
    const auto bytes = store.record("wallet.v1");
    if (!bytes) return nullptr;
    return nlohmann::json::parse(bytes->toStdString());
}

}  // namespace

TEST(Wallet, WithTheSwitchOffNothingIsPaidOrBought) {
    ScratchStore s;
    Wallet wallet(*s);
    EXPECT_FALSE(wallet.enabled());
    wallet.gain(10, kNoon);
    wallet.care("pet", kNoon);
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_FALSE(wallet.lastGain());
    EXPECT_TRUE(wallet.cared().empty());
    EXPECT_FALSE(wallet.buy(ShopItem::treats));
    EXPECT_FALSE(s->record("wallet.v1"));
}

TEST(Wallet, TheSwitchIsWrittenAndReadBack) {
    ScratchStore s;
    {
        Wallet wallet(*s);
        int switches = 0;
        QObject::connect(&wallet, &Wallet::enabledChanged, [&] { ++switches; });
        wallet.setEnabled(true);
        wallet.setEnabled(true);
        EXPECT_EQ(switches, 1);
    }
    s.restart();
    EXPECT_TRUE(s->boolValue("pomodoroAndCoins"));
    EXPECT_TRUE(Wallet(*s).enabled());
}

TEST(Wallet, GainsPayOnlyPositiveAmountsAndEveryGainIsSeen) {
    ScratchStore s;
    Wallet wallet(*s);
    wallet.setEnabled(true);
    wallet.gain(0, kNoon);
    wallet.gain(-5, kNoon);
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_FALSE(wallet.lastGain());

    int gains = 0;
    QObject::connect(&wallet, &Wallet::lastGainChanged, [&] { ++gains; });
    wallet.gain(10, kNoon);
    const Wallet::Gain first = *wallet.lastGain();
    wallet.gain(10, kNoon + 60);
    EXPECT_EQ(gains, 2);
    EXPECT_NE(*wallet.lastGain(), first);
    EXPECT_EQ(*wallet.lastGain(), (Wallet::Gain{10, kNoon + 60}));
    EXPECT_EQ(wallet.coins(), 20);
    EXPECT_EQ(storedRecord(*s)["coins"], 20);
}

TEST(Wallet, BuyingFurnitureOnceAndFoodEveryTime) {
    ScratchStore s;
    Wallet wallet(*s);
    wallet.setEnabled(true);
    wallet.gain(25, kNoon);
    EXPECT_TRUE(wallet.buy(ShopItem::rug));
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_EQ(wallet.owned(), std::set<ShopItem>{ShopItem::rug});
    EXPECT_TRUE(wallet.isShown(ShopItem::rug));

    wallet.gain(40, kNoon);
    EXPECT_FALSE(wallet.buy(ShopItem::rug));
    EXPECT_EQ(wallet.coins(), 40);
    EXPECT_TRUE(wallet.buy(ShopItem::portrait));  // 40 coins: exactly enough
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_FALSE(wallet.buy(ShopItem::treats));              // 0 coins

    wallet.gain(10, kNoon);
    const Wallet::Gain before = *wallet.lastGain();
    EXPECT_TRUE(wallet.buy(ShopItem::salmon));
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_EQ(wallet.owned().count(ShopItem::salmon), 0u);
    EXPECT_EQ(*wallet.lastGain(), before);  // spending is not a gain

    wallet.setEnabled(false);
    wallet.reward(20, kNoon);  // album rewards come in whatever the switch says
    EXPECT_FALSE(wallet.buy(ShopItem::box));
    EXPECT_EQ(wallet.coins(), 20);
}

TEST(Wallet, EachCarePaysOncePerCalendarDay) {
    ScratchStore s;
    Wallet wallet(*s);
    wallet.setEnabled(true);
    wallet.care("pet", moment(2026, 12, 5, 9));
    wallet.care("pet", moment(2026, 12, 5, 23, 59));
    EXPECT_EQ(wallet.coins(), 2);
    wallet.care("clean", moment(2026, 12, 5, 10));
    EXPECT_EQ(wallet.coins(), 4);
    wallet.care("pet", moment(2026, 12, 6, 0, 1));
    EXPECT_EQ(wallet.coins(), 6);
    EXPECT_EQ(wallet.cared().at("pet"), "2026-12-6");
    EXPECT_EQ(wallet.cared().at("clean"), "2026-12-5");
    EXPECT_EQ(Wallet::dayKey(moment(2027, 3, 9, 18)), "2027-3-9");

    // The care days survive a restart, so a second pet the same day still pays nothing.
    s.restart();
    Wallet again(*s);
    EXPECT_EQ(again.coins(), 6);
    again.care("pet", moment(2026, 12, 6, 20));
    EXPECT_EQ(again.coins(), 6);

    // While the switch is off a care is not even recorded.
    again.setEnabled(false);
    again.care("feed", moment(2026, 12, 6, 20));
    EXPECT_EQ(again.cared().count("feed"), 0u);
}

TEST(Wallet, OnlyOwnedHomeItemsArePutAway) {
    ScratchStore s;
    Wallet wallet(*s);
    wallet.setEnabled(true);
    wallet.gain(100, kNoon);
    ASSERT_TRUE(wallet.buy(ShopItem::rug));
    ASSERT_TRUE(wallet.buy(ShopItem::yarn));
    wallet.toggleStored(ShopItem::yarn);
    wallet.toggleStored(ShopItem::cushion);  // not owned
    EXPECT_TRUE(wallet.stored().empty());
    wallet.toggleStored(ShopItem::rug);
    EXPECT_FALSE(wallet.isShown(ShopItem::rug));
    EXPECT_EQ(storedRecord(*s)["stored"], nlohmann::json::array({"rug"}));
    wallet.setEnabled(false);  // putting away does not look at the switch
    wallet.toggleStored(ShopItem::rug);
    EXPECT_TRUE(wallet.isShown(ShopItem::rug));
    EXPECT_TRUE(wallet.isShown(ShopItem::yarn));
    EXPECT_FALSE(wallet.isShown(ShopItem::laser));
}

TEST(Wallet, RecordKeepsItsMembersInOrderWithSortedItems) {
    ScratchStore s;
    ASSERT_TRUE(s->setRecord("wallet.v1", R"({"cared":{"pet":"2026-12-5"},"stored":["rug"],"owned":["rug","box"],"coins":7})"));
    Wallet wallet(*s);
    EXPECT_EQ(wallet.coins(), 7);
    EXPECT_EQ(wallet.owned(), (std::set<ShopItem>{ShopItem::rug, ShopItem::box}));
    EXPECT_EQ(wallet.stored(), std::set<ShopItem>{ShopItem::rug});
    EXPECT_EQ(wallet.cared().at("pet"), "2026-12-5");
    wallet.save();
    EXPECT_EQ(s->record("wallet.v1")->toStdString(),
              R"({"coins":7,"owned":["box","rug"],"stored":["rug"],"cared":{"pet":"2026-12-5"}})");
}

TEST(Wallet, AnOlderOrNewerRecordKeepsWhatItCan_AWrongTypeGivesAnEmptyWalletAndIsKeptAside) {
    struct Case {
        const char* text;
        long long coins;
        std::set<ShopItem> owned;
        std::size_t cared;
    };
    const Case readable[] = {
        // An item from a later version is left out, the coins and the other items stay.
        {R"({"coins":7,"owned":["rug","sofa"],"stored":["sofa"],"cared":{"pet":"2026-12-5"}})", 7, {ShopItem::rug}, 1},
        // Written before a member was added: that member is empty.
        {R"({"coins":7,"owned":["box"],"stored":[]})", 7, {ShopItem::box}, 0},
        {R"({"coins":7,"owned":["box"],"cared":{"pet":"2026-12-5"}})", 7, {ShopItem::box}, 1},
        {R"({"coins":7,"stored":[],"cared":{}})", 7, {}, 0},
        {R"({"owned":["box"],"stored":[],"cared":{}})", 0, {ShopItem::box}, 0},
        {R"({"coins":7.0,"owned":[],"stored":[],"cared":{},"extra":1})", 7, {}, 0},
    };
    for (const Case& c : readable) {
        ScratchStore s;
        ASSERT_TRUE(s->setRecord("wallet.v1", c.text));
        Wallet wallet(*s);
        EXPECT_EQ(wallet.coins(), c.coins) << c.text;
        EXPECT_EQ(wallet.owned(), c.owned) << c.text;
        EXPECT_TRUE(wallet.stored().empty()) << c.text;
        EXPECT_EQ(wallet.cared().size(), c.cared) << c.text;
        EXPECT_TRUE(s->record("wallet.v1")) << c.text;  // nothing kept aside
    }

    const char* bad[] = {
        R"({"coins":"7","owned":[],"stored":[],"cared":{}})",
        R"({"coins":7.5,"owned":[],"stored":[],"cared":{}})",
        R"({"coins":7,"owned":"rug","stored":[],"cared":{}})",
        R"({"coins":7,"owned":[3],"stored":[],"cared":{}})",
        R"({"coins":7,"owned":[],"stored":[],"cared":{"pet":3}})",
        R"([7])",
        "not json",
    };
    for (const char* text : bad) {
        ScratchStore s;
        ASSERT_TRUE(s->setRecord("wallet.v1", text));
        Wallet wallet(*s);
        EXPECT_EQ(wallet.coins(), 0) << text;
        EXPECT_TRUE(wallet.owned().empty()) << text;
        EXPECT_TRUE(wallet.cared().empty()) << text;
        // The old bytes are kept aside, not lost, and the wallet saves afresh.
        const QStringList aside = QDir(s->dataDir()).entryList({"wallet.v1.unreadable-*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1) << text;
        QFile kept(s->dataDir() + "/" + aside.front());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray(text));
        wallet.setEnabled(true);
        wallet.gain(3, kNoon);
        EXPECT_EQ(storedRecord(*s)["coins"], 3) << text;
    }
}
