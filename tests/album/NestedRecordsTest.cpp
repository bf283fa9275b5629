// Every record the app reads, nested far deeper than any it writes, as its loader meets it at start.
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
constexpr double kBirth = kNow - 3600;

QByteArray nested(int levels, bool objects) {
    if (!objects) return QByteArray(levels, '[') + "0" + QByteArray(levels, ']');
    QByteArray out;
    out.reserve(levels * 6);
    for (int i = 0; i < levels; ++i) out += "{\"a\":";
    return out + "0" + QByteArray(levels, '}');
}

// Each record as the app writes it, with a member `levels` deep put into its first object: only
// the depth is wrong with it. The list of dropped pages has room for no such member, so it is
// nested whole.
std::map<QString, QByteArray> records(int levels, bool objects) {
    const QByteArray birth = QByteArray::number(kBirth, 'g', 17);
    MacKeepsake page;
    page.id = newKeepsakeId();
    page.key = "arrived";
    page.date = page.catBirth = kBirth;
    const auto padded = [&](QByteArray json, int outer) {
        return json.replace(json.indexOf('{'), 1, "{\"pad\":" + nested(levels - outer, objects) + ",");
    };
    return {
        {"petLife.v1", padded(R"({"hunger":11.0,"happiness":70.0,"energy":80.0,"health":100.0,"isSleeping":false,)"
                              R"("isDead":false,"poops":0,"birth":)" + birth + R"(,"ballPlace":0.58,"savedAt":)" +
                                  QByteArray::number(kNow, 'g', 17) + "}",
                              1)},
        {"wallet.v1", padded(R"({"coins":12,"owned":[],"stored":[],"cared":{}})", 1)},
        {"catOutfit", padded(R"({"head":"partyHat"})", 1)},
        {"album.v1", padded(encodeKeepsakes({page}), 2)},
        {"albumDropped.v1",
         levels <= Defaults::deepestRecord ? "{\"" + birth + "\":[\"rain\"]}" : nested(levels, objects)},
    };
}

// What each loader made of its record.
struct Loaded {
    double birth = 0, hunger = 0;
    long long coins = 0;
    CatOutfit outfit;
    std::size_t pages = 0, dropped = 0;
};

Loaded loadAll(Defaults& store) {
    ManualClock clock(kNow);
    ManualScheduler scheduler;
    SeededRandom random(7);
    ManualInputIdleness idle;
    FakeWorld fake;
    Loaded out;
    const PetLife life(store, clock, random, scheduler);
    out.birth = life.birth();
    out.hunger = life.hunger();
    out.coins = Wallet(store).coins();
    out.outfit = Closet(store, clock, idle, scheduler).outfit();
    const MacAlbum album(store, clock, scheduler, fake.world());
    out.pages = album.load().size();
    for (const auto& [cat, keys] : album.droppedKeys()) out.dropped += static_cast<std::size_t>(keys.size());
    return out;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

}  // namespace

TEST(NestedRecords, ARecordNestedAMillionLevelsDeepIsKeptAsideAndItsLoaderStartsFromItsDefaults) {
    for (const bool objects : {true, false}) {
        for (const int levels : {Defaults::deepestRecord, Defaults::deepestRecord + 1, 1'000'000}) {
            SCOPED_TRACE(testing::Message() << levels << (objects ? " levels of objects" : " levels of arrays"));
            test::ScratchStore s;
            const auto written = records(levels, objects);
            for (const auto& [key, bytes] : written) ASSERT_TRUE(s->setRecord(key, bytes));
            const Loaded loaded = loadAll(*s);
            const QDir data(s->dataDir());
            if (levels <= Defaults::deepestRecord) {
                // As deep as the store takes: every record reads as it always did.
                EXPECT_EQ(loaded.birth, kBirth);
                EXPECT_EQ(loaded.hunger, 11);
                EXPECT_EQ(loaded.coins, 12);
                EXPECT_EQ(loaded.outfit.head, CatAccessory::partyHat);
                EXPECT_EQ(loaded.pages, 1u);
                EXPECT_EQ(loaded.dropped, 1u);
                EXPECT_TRUE(data.entryList({"*.unreadable-*"}).isEmpty());
                continue;
            }
            // A newborn cat, an empty wallet, closet and album; the bytes wait beside them.
            EXPECT_EQ(loaded.birth, kNow);
            EXPECT_EQ(loaded.hunger, 40);
            EXPECT_EQ(loaded.coins, 0);
            EXPECT_EQ(loaded.outfit, CatOutfit::empty());
            EXPECT_EQ(loaded.pages, 0u);
            EXPECT_EQ(loaded.dropped, 0u);
            for (const auto& [key, bytes] : written) {
                const QStringList aside = data.entryList({key + ".unreadable-*.json"});
                EXPECT_EQ(aside.size(), 1) << key.toStdString();
                if (!aside.isEmpty()) EXPECT_TRUE(contents(data.filePath(aside.first())) == bytes) << key.toStdString();
            }
        }
    }
}
