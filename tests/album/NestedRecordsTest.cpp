// Every record the app reads, nested deeper than the store takes, as its loader meets it at start.
#include "MacAlbumTestSupport.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include "cat/Closet.h"
#include "life/PetLife.h"
#include "life/Wallet.h"
#include "platform/InputIdle.h"
#include "platform/Random.h"

#include <QDir>
#include <QFile>

using namespace kp;
using namespace kp::albumtest;

namespace {

constexpr double kNow = 800'000'000;

QByteArray nested(int levels, bool objects) {
    if (!objects) return QByteArray(levels, '[') + "0" + QByteArray(levels, ']');
    return QByteArray("{\"a\":").repeated(levels) + "0" + QByteArray(levels, '}');
}

// Each record as the app writes it with a member nested `levels` deep in its first object, so only
// the depth is wrong; the list of dropped pages, which has room for no such member, nested whole.
std::map<QString, QByteArray> records(int levels, bool objects) {
    MacKeepsake page;
    page.id = newKeepsakeId();
    page.key = "arrived";
    page.date = page.catBirth = kNow - 3600;
    const QByteArray pad = "{\"pad\":" + nested(levels, objects) + ",";
    return {
        {"petLife.v1", pad + R"("hunger":11.0,"birth":799996400.0,"savedAt":800000000.0})"},
        {"wallet.v1", pad + R"("coins":12,"owned":[],"stored":[],"cared":{}})"},
        {"catOutfit", pad + R"("head":"partyHat"})"},
        {"album.v1", encodeKeepsakes({page}).replace(1, 1, pad)},
        {"albumDropped.v1", nested(levels + 1, objects)},
    };
}

}  // namespace

TEST(NestedRecords, ARecordNestedAMillionLevelsDeepIsKeptAsideAndItsLoaderStartsFromItsDefaults) {
    for (const bool objects : {true, false}) {
        for (const int levels : {Defaults::deepestRecord, 1'000'000}) {
            SCOPED_TRACE(testing::Message() << "a member " << levels << (objects ? " objects deep" : " arrays deep"));
            test::ScratchStore s;
            const auto written = records(levels, objects);
            for (const auto& [key, bytes] : written) ASSERT_TRUE(s->setRecord(key, bytes));
            ManualClock clock(kNow);
            ManualScheduler scheduler;
            SeededRandom random(7);
            ManualInputIdleness idle;
            FakeWorld fake;
            // A newborn cat, an empty wallet, closet and album.
            const PetLife life(*s, clock, random, scheduler);
            EXPECT_EQ(life.birth(), kNow);
            EXPECT_EQ(life.hunger(), 40);
            EXPECT_EQ(Wallet(*s).coins(), 0);
            EXPECT_EQ(Closet(*s, clock, idle, scheduler).outfit(), CatOutfit::empty());
            MacAlbum album(*s, clock, scheduler, fake.world());
            EXPECT_TRUE(album.load().empty());
            EXPECT_TRUE(album.droppedKeys().empty());
            // The bytes wait beside them.
            const QDir data(s->dataDir());
            for (const auto& [key, bytes] : written) {
                const QStringList aside = data.entryList({key + ".unreadable-*.json"});
                EXPECT_EQ(aside.size(), 1) << key.toStdString();
                QFile kept(data.filePath(aside.value(0)));
                EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes) << key.toStdString();
            }
        }
    }
}
