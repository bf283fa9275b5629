#include "support/Scratch.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

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

}  // namespace

TEST(Wallet, NothingIsPaidOrBoughtWithTheSwitchOffAndTheSwitchIsKept) {
    ScratchStore s;
    {
        Wallet wallet(*s);
        wallet.gain(10, kNoon);
        wallet.care("pet", kNoon);
        EXPECT_EQ(wallet.coins(), 0);
        EXPECT_FALSE(wallet.buy(ShopItem::treats));
        EXPECT_FALSE(s->record("wallet.v1"));
        wallet.setEnabled(true);
    }
    s.restart();
    EXPECT_TRUE(Wallet(*s).enabled());
}

TEST(Wallet, FurnitureIsBoughtOnceFoodEveryTimeAndEachCarePaysOnceADay) {
    ScratchStore s;
    Wallet wallet(*s);
    wallet.setEnabled(true);
    wallet.gain(65, kNoon);
    EXPECT_TRUE(wallet.buy(ShopItem::rug));
    EXPECT_FALSE(wallet.buy(ShopItem::rug));
    EXPECT_TRUE(wallet.buy(ShopItem::portrait));  // 40 coins: exactly enough
    EXPECT_EQ(wallet.coins(), 0);
    EXPECT_FALSE(wallet.buy(ShopItem::treats));
    wallet.gain(20, kNoon);
    EXPECT_TRUE(wallet.buy(ShopItem::salmon));
    EXPECT_TRUE(wallet.buy(ShopItem::salmon)) << "food again and again";

    wallet.care("pet", moment(2026, 12, 5, 9));
    wallet.care("pet", moment(2026, 12, 5, 23, 59));
    wallet.care("pet", moment(2026, 12, 6, 0, 1));
    EXPECT_EQ(wallet.coins(), 4);
    s.restart();
    Wallet again(*s);
    again.care("pet", moment(2026, 12, 6, 20));
    EXPECT_EQ(again.coins(), 4) << "the care days survive a restart";
}

TEST(Wallet, AnUnknownItemIsSkippedButAnUnreadableRecordIsKeptAside) {
    ScratchStore s;
    ASSERT_TRUE(s->setRecord("wallet.v1", R"({"coins":500,"owned":["rug","sofa"],"stored":["sofa"]})"));
    Wallet wallet(*s);
    EXPECT_EQ(wallet.coins(), 500);
    EXPECT_EQ(wallet.owned(), std::set<ShopItem>{ShopItem::rug});
    EXPECT_TRUE(wallet.cared().empty());
    EXPECT_TRUE(s->record("wallet.v1")) << "nothing kept aside";

    for (const char* text : {R"({"coins":"7","owned":[]})", R"({"coins":7,"owned":[3]})", "not json"}) {
        ScratchStore b;
        ASSERT_TRUE(b->setRecord("wallet.v1", text));
        Wallet broken(*b);
        EXPECT_EQ(broken.coins(), 0) << text;
        const QStringList aside = QDir(b->dataDir()).entryList({"wallet.v1.unreadable-*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1) << text;
        QFile kept(b->dataDir() + "/" + aside.front());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray(text));
    }
}
