// Every member of a keepsake survives the album being saved and read again after a restart. One
// table with a line per member; the keys the writer actually emits must match the table's keys, so
// a member added without a line fails.
#include "MacAlbumTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace kp;
using namespace kp::albumtest;

namespace {

struct KeepsakeMember {
    const char* key;
    std::function<void(MacKeepsake&)> set;  // a value other than a new keepsake's
    std::function<QString(const MacKeepsake&)> value;
};

QString num(double v) { return QString::number(v, 'g', 17); }

const std::vector<KeepsakeMember>& keepsakeTable() {
    static const std::vector<KeepsakeMember> table{
        {"id", [](MacKeepsake& k) { k.id = newKeepsakeId(); }, [](auto& k) { return k.id; }},
        {"key", [](MacKeepsake& k) { k.key = "days-7"; }, [](auto& k) { return k.key; }},
        {"date", [](MacKeepsake& k) { k.date = utc(2026, 3, 9, 10, 30, 15) + 0.25; }, [](auto& k) { return num(k.date); }},
        {"catBirth", [](MacKeepsake& k) { k.catBirth = utc(2026, 3, 2, 9) + 0.5; },
         [](auto& k) { return num(k.catBirth); }},
        {"name", [](MacKeepsake& k) { k.name = QStringLiteral("Mochi Ünal"); }, [](auto& k) { return k.name; }},
        {"breed", [](MacKeepsake& k) { k.breed = "tuxedo"; }, [](auto& k) { return k.breed; }},
        // Not the time from birth to the moment, which a keepsake without an age reads as.
        {"age", [](MacKeepsake& k) { k.age = 12345.75; }, [](auto& k) { return num(k.age); }},
        {"title", [](MacKeepsake& k) { k.title = "One week"; }, [](auto& k) { return k.title; }},
        {"note", [](MacKeepsake& k) { k.note = "He found the sunny spot\nand kept it."; }, [](auto& k) { return k.note; }},
        {"died", [](MacKeepsake& k) { k.died = true; }, [](auto& k) { return QString(k.died ? "true" : "false"); }},
        {"photos", [](MacKeepsake& k) { k.photos = {"b.png", "a.png"}; }, [](auto& k) { return k.photos.join('|'); }},
        {"captions", [](MacKeepsake& k) { k.captions = {"Second", "First"}; },
         [](auto& k) { return k.captions.join('|'); }},
        {"outfit",
         [](MacKeepsake& k) {
             CatOutfit o;
             o.head = CatAccessory::beanie;
             o.feet = CatAccessory::boots;
             k.outfit = o;
         },
         [](auto& k) { return k.outfit ? QString::fromUtf8(k.outfit->toJson()) : QString("none"); }},
    };
    return table;
}

std::set<std::string> tableKeys() {
    std::set<std::string> keys;
    for (const auto& m : keepsakeTable()) keys.insert(m.key);
    return keys;
}

}  // namespace

TEST(KeepsakeRoundTrip, EveryMemberOfAKeepsakeSurvivesARestart) {
    AlbumFixture f(utc(2026, 3, 10));
    MacKeepsake kept;
    for (const auto& m : keepsakeTable()) m.set(kept);
    const MacKeepsake blank;
    for (const auto& m : keepsakeTable()) EXPECT_NE(m.value(kept), m.value(blank)) << m.key << " is left at its default";

    ASSERT_TRUE(f.album->save({kept}));
    const auto bytes = f.store->record("album.v1");
    ASSERT_TRUE(bytes);
    const QJsonArray list = QJsonDocument::fromJson(*bytes).array();
    ASSERT_EQ(list.size(), 1);
    std::set<std::string> written;
    for (const QString& key : list.first().toObject().keys()) written.insert(key.toStdString());
    EXPECT_EQ(written, tableKeys()) << bytes->constData();

    f.album.reset();
    f.store = std::make_unique<Defaults>(f.dir.path() + "/config.ini", f.dir.path() + "/data");
    f.remake();
    const auto read = f.album->load();
    ASSERT_EQ(read.size(), 1u);
    for (const auto& m : keepsakeTable())
        EXPECT_EQ(m.value(read.front()), m.value(kept)) << m.key << " was lost in a restart";
}
