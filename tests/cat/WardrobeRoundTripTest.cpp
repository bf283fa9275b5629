// Everything the wardrobe keeps survives a restart: the outfit record slot by slot, and the time
// together, the gifts seen and the seasonal pieces. One table per record; the keys the writers
// actually put in the store must match the table's keys, so a member added without a line fails.
#include "support/Scratch.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <gtest/gtest.h>

#include "cat/Closet.h"
#include "cat/SeasonalAccessories.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/Scheduler.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace kp;
using kp::test::ScratchStore;

namespace {

template <typename Row>
std::set<std::string> tableKeys(const std::vector<Row>& table) {
    std::set<std::string> keys;
    for (const Row& row : table) keys.insert(row.key);
    return keys;
}

std::set<std::string> objectKeys(const QByteArray& json) {
    std::set<std::string> keys;
    for (const QString& key : QJsonDocument::fromJson(json).object().keys()) keys.insert(key.toStdString());
    return keys;
}

std::string text(const std::optional<CatAccessory>& a) { return a ? std::string(rawValue(*a)) : "none"; }
std::string text(const std::set<CatAccessory>& pieces) {
    std::string out;
    for (CatAccessory a : pieces) out += std::string(rawValue(a)) + " ";
    return out;
}

// The first gift that goes in `s`.
std::size_t firstGiftFor(AccessorySlot s) {
    const auto order = giftOrder();
    const auto it = std::find_if(order.begin(), order.end(), [s](CatAccessory a) { return slot(a) == s; });
    EXPECT_NE(it, order.end()) << "no gift for slot " << rawValue(s);
    return std::size_t(it - order.begin());
}

struct SlotMember {
    const char* key;
    AccessorySlot slot;
};

const std::vector<SlotMember>& outfitTable() {
    static const std::vector<SlotMember> table{
        {"head", AccessorySlot::head}, {"face", AccessorySlot::face}, {"neck", AccessorySlot::neck},
        {"body", AccessorySlot::body}, {"feet", AccessorySlot::feet},
    };
    return table;
}

}  // namespace

TEST(WardrobeRoundTrip, EverySlotOfTheOutfitRecordSurvivesWritingAndReading) {
    CatOutfit worn;
    for (const SlotMember& m : outfitTable()) worn.at(m.slot) = giftOrder()[firstGiftFor(m.slot)];
    const QByteArray written = worn.toJson();
    EXPECT_EQ(objectKeys(written), tableKeys(outfitTable())) << written.constData();

    // The cat puts its headphones on by itself: they are never kept.
    CatOutfit withExtras = worn;
    withExtras.extras.push_back(CatAccessory::headphones);
    EXPECT_EQ(withExtras.toJson(), written);

    const auto read = CatOutfit::fromJson(written);
    ASSERT_TRUE(read);
    for (const SlotMember& m : outfitTable()) {
        EXPECT_NE(text(worn.at(m.slot)), text(CatOutfit::empty().at(m.slot))) << m.key;
        EXPECT_EQ(text(read->at(m.slot)), text(worn.at(m.slot))) << m.key << " was lost";
    }
}

namespace {

struct Wardrobe {
    ScratchStore store;
    ManualClock clock{800000000};
    ManualInputIdleness idle{0};
    ManualScheduler scheduler;
    std::unique_ptr<Closet> closet = open();

    std::unique_ptr<Closet> open() { return std::make_unique<Closet>(*store, clock, idle, scheduler); }
    // Active time together, in the closet's own ticks.
    void together(double seconds) {
        clock.advance(seconds);
        scheduler.advance(seconds);
    }
    // Everything the writers put in the store: the settings file's keys and the records' names.
    std::set<std::string> storedKeys() {
        std::set<std::string> keys;
        QSettings file(store.dir.path() + "/config/kettlepaw.conf", QSettings::IniFormat);
        for (const QString& key : file.allKeys()) keys.insert(key.toStdString());
        for (const QString& name : QDir(store->dataDir()).entryList({"*.json"}, QDir::Files))
            keys.insert(name.chopped(5).toStdString());
        return keys;
    }
};

struct ClosetMember {
    const char* key;
    std::function<void(Wardrobe&)> set;  // through the wardrobe's own writers
    std::function<std::string(Wardrobe&)> value;
};

const std::vector<ClosetMember>& closetTable() {
    static const std::vector<ClosetMember> table{
        // Long enough for a gift in every slot; the rest is written at the latest when the closet goes.
        {"togetherSeconds",
         [](Wardrobe& w) {
             std::size_t gifts = Closet::starterCount;
             for (const SlotMember& m : outfitTable()) gifts = std::max(gifts, firstGiftFor(m.slot) + 1);
             w.together(Closet::openingSeconds + double(gifts - Closet::starterCount) * Closet::giftEverySeconds + 35);
         },
         [](Wardrobe& w) { return std::to_string(w.closet->together()); }},
        {"catOutfit",
         [](Wardrobe& w) {
             for (const SlotMember& m : outfitTable()) w.closet->wear(giftOrder()[firstGiftFor(m.slot)]);
         },
         [](Wardrobe& w) { return w.closet->outfit().toJson().toStdString(); }},
        {"seasonalPieces",
         [](Wardrobe& w) {
             bool given = false;
             w.closet->setSeasonalAward([&w, given](double) mutable {
                 if (given) return false;
                 given = true;
                 writeSeasonalPieceList(*w.store, "seasonalPieces", {CatAccessory::witchHat, CatAccessory::santaHat});
                 return true;
             });
         },
         [](Wardrobe& w) { return text(w.closet->seasonal()); }},
        // The gifts shown so far: the badge counts only what came after.
        {"wardrobeGiftsSeen", [](Wardrobe& w) { w.closet->markGiftsSeen(); },
         [](Wardrobe& w) {
             const int unseenGifts = w.closet->unseenCount() - int(unseenSeasonalPieces(*w.store).size());
             return std::to_string(int(w.closet->unlocked().size()) - unseenGifts);
         }},
        // Marked together with the gifts.
        {"seasonalPiecesSeen", [](Wardrobe&) {},
         [](Wardrobe& w) {
             std::set<CatAccessory> seen = seasonalPieces(*w.store);
             for (CatAccessory a : unseenSeasonalPieces(*w.store)) seen.erase(a);
             return text(seen);
         }},
    };
    return table;
}

}  // namespace

TEST(WardrobeRoundTrip, EverythingTheClosetKeepsSurvivesARestart) {
    Wardrobe untouched;
    auto w = std::make_unique<Wardrobe>();
    for (const ClosetMember& m : closetTable()) m.set(*w);
    std::vector<std::string> before;
    for (const ClosetMember& m : closetTable()) {
        before.push_back(m.value(*w));
        EXPECT_NE(before.back(), m.value(untouched)) << m.key << " is not set away from a new wardrobe's";
    }
    w->closet.reset();  // writes the together-time not yet stored
    EXPECT_EQ(w->storedKeys(), tableKeys(closetTable()));

    w->store.restart();
    w->closet = w->open();
    for (std::size_t i = 0; i < closetTable().size(); ++i)
        EXPECT_EQ(closetTable()[i].value(*w), before[i]) << closetTable()[i].key << " was lost in a restart";
}
