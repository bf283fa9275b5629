// The keepsake record, the store's cap and unseen count, and the photo files.
#include "MacAlbumTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <nlohmann/json.hpp>

#include <string>

using namespace kp;
using namespace kp::albumtest;

namespace {

MacKeepsake keepsake(const QString& key, double date, double birth = 0) {
    MacKeepsake k;
    k.id = newKeepsakeId();
    k.key = key;
    k.date = date;
    k.catBirth = birth;
    k.name = "Mochi";
    k.breed = "siamese";
    k.age = date - birth;
    k.title = "a title";
    k.note = "A note with \"quotes\" and é.";
    return k;
}

}  // namespace

TEST(MacAlbumStore, RecordRoundTripKeepsEveryFieldAndMemberOrder) {
    MacKeepsake dressed = keepsake("months-1", 2'000'000.5, 100);
    dressed.died = true;
    dressed.photos = {"A.jpg", "B.jpg"};
    dressed.captions = {"then", "now"};
    CatOutfit party;
    party.head = CatAccessory::partyHat;
    party.neck = CatAccessory::bowtie;
    dressed.outfit = party;
    const MacKeepsake plain = keepsake("candid", 3'000'000, 100);

    const QByteArray json = encodeKeepsakes({dressed, plain});
    auto back = decodeKeepsakes(json);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0], dressed);
    EXPECT_EQ((*back)[1], plain);
    EXPECT_FALSE((*back)[1].outfit.has_value());

}

TEST(MacAlbumStore, AHandMadePageReadsBackWithinWhatTheAppWrites) {
    MacKeepsake k = keepsake("arrived", 10);
    k.name = QString(1 << 20, u'm');
    k.note = QString(1 << 20, u'n');
    k.key = QString(1 << 20, u'k');
    k.breed = QString(1 << 20, u'b');
    // Far more photos than a page holds, each with a caption, the first of them endless.
    for (int i = 0; i < 100'000; ++i) {
        k.photos << QStringLiteral("%1.jpg").arg(i);
        k.captions << QStringLiteral("caption %1").arg(i);
    }
    k.photos[0] = QString(1 << 20, u'p');
    k.captions[0] = QString(1 << 20, u'c');
    // A character of two units where the cut falls is not split.
    k.title = QString(1999, u't') + QString::fromUcs4(U"\U0001F431") + QString(1 << 20, u't');
    auto back = decodeKeepsakes(encodeKeepsakes({k}));
    ASSERT_TRUE(back);
    const MacKeepsake& read = back->front();
    // Each text as its length and its ends, which a failure prints readably.
    const auto cut = [](const QString& s) {
        return std::to_string(s.size()) + " " + s.left(8).toStdString() + "…" + s.right(8).toStdString();
    };
    EXPECT_EQ(read.name, QString(24, u'm'));
    EXPECT_EQ(cut(read.note), cut(QString(2000, u'n')));
    EXPECT_EQ(cut(read.key), cut(QString(2000, u'k')));
    EXPECT_EQ(cut(read.breed), cut(QString(2000, u'b')));
    EXPECT_EQ(cut(read.title), cut(QString(1999, u't')));
    EXPECT_EQ(read.photos.size(), 2);
    EXPECT_EQ(read.captions.size(), 2);
    EXPECT_EQ(cut(read.photos.value(0)), cut(QString(2000, u'p')));
    EXPECT_EQ(cut(read.captions.value(0)), cut(QString(2000, u'c')));
    EXPECT_EQ(read.photos.value(1).toStdString(), "1.jpg");
    EXPECT_EQ(read.captions.value(1).toStdString(), "caption 1");
    // The cut keeps only what it keeps.
    EXPECT_LE(read.captions.value(0).capacity(), 2000);

    // Past the kept photos, an element of the wrong type still spoils the list.
    nlohmann::ordered_json list = nlohmann::ordered_json::parse(encodeKeepsakes({keepsake("rain", 5)}).toStdString());
    list[0]["photos"] = {"a.jpg", "b.jpg", 3};
    list[0]["captions"] = {"a", "b", "c"};
    EXPECT_FALSE(decodeKeepsakes(QByteArray::fromStdString(list.dump())));
}

TEST(MacAlbumStore, AKeepsakeFromAnEarlierVersionLoadsWithDefaults_AWrongTypeSpoilsTheList) {
    MacKeepsake full = keepsake("junior", 5000, 1000);
    full.died = true;
    full.photos = {"A.jpg"};
    full.captions = {"then"};
    const nlohmann::ordered_json written = nlohmann::ordered_json::parse(encodeKeepsakes({full}).toStdString());
    auto without = [&](const char* member) {
        nlohmann::ordered_json list = written;
        list[0].erase(member);
        return decodeKeepsakes(QByteArray::fromStdString(list.dump()));
    };
    auto expectDefault = [&](const char* member, auto MacKeepsake::*field) {
        MacKeepsake want = full;
        want.*field = MacKeepsake{}.*field;
        const auto got = without(member);
        ASSERT_TRUE(got) << member;
        EXPECT_EQ(got->front(), want) << member;
    };
    expectDefault("name", &MacKeepsake::name);
    expectDefault("breed", &MacKeepsake::breed);
    expectDefault("title", &MacKeepsake::title);
    expectDefault("note", &MacKeepsake::note);
    expectDefault("died", &MacKeepsake::died);
    expectDefault("photos", &MacKeepsake::photos);
    expectDefault("captions", &MacKeepsake::captions);
    // Without its age the keepsake is as old as the cat was that day.
    full.age = 1;
    nlohmann::ordered_json noAge = nlohmann::ordered_json::parse(encodeKeepsakes({full}).toStdString());
    noAge[0].erase("age");
    EXPECT_DOUBLE_EQ(decodeKeepsakes(QByteArray::fromStdString(noAge.dump()))->front().age, 4000);
    for (const char* identity : {"id", "key", "date", "catBirth"}) EXPECT_FALSE(without(identity)) << identity;

    const QByteArray good = encodeKeepsakes({keepsake("arrived", 0), keepsake("junior", 5)});
    QByteArray wrongType = good;
    wrongType.replace("\"died\":false", "\"died\":0");
    EXPECT_FALSE(decodeKeepsakes(wrongType));
    QByteArray wrongCaptions = good;
    wrongCaptions.replace("\"captions\":[]", "\"captions\":\"x\"");
    EXPECT_FALSE(decodeKeepsakes(wrongCaptions));
    EXPECT_FALSE(decodeKeepsakes("{}"));
    EXPECT_FALSE(decodeKeepsakes("[{\"id\":"));
    EXPECT_EQ(decodeKeepsakes("[]")->size(), 0u);
}

TEST(MacAlbumStore, UndecodableRecordReadsEmptyAndIsKeptAside) {
    AlbumFixture f;
    EXPECT_TRUE(f.album->load().empty());
    EXPECT_EQ(f.album->unseenCount(), 0);

    QByteArray broken = encodeKeepsakes({keepsake("junior", 5)});
    broken.replace("\"captions\":[]", "\"captions\":7");
    ASSERT_TRUE(f.store->setRecord("album.v1", broken));
    EXPECT_TRUE(f.album->load().empty());
    EXPECT_EQ(f.album->unseenCount(), 0);

    // The unreadable bytes are still on disk beside the record, and a new save does not touch them.
    QDir data(f.store->dataDir());
    const QStringList aside = data.entryList({"album.v1.unreadable-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    f.album->save({keepsake("adult", 9)});
    ASSERT_EQ(f.album->load().size(), 1u);
    QFile kept(data.filePath(aside.front()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);
}

TEST(MacAlbumStore, ADamagedListOfDroppedPagesIsKeptAsideBeforeTheNextDropReplacesIt) {
    const QByteArray damaged[] = {"{\"5\":[\"rain\"", "[\"rain\"]", "{\"5\":\"rain\"}", "{\"5\":[\"rain\",7]}",
                                  "{\"born\":[\"rain\"]}", "{\"nan\":[\"rain\"]}"};
    for (const QByteArray& bytes : damaged) {
        SCOPED_TRACE(bytes.toStdString());
        AlbumFixture f;
        ASSERT_TRUE(f.store->setRecord("albumDropped.v1", bytes));
        std::vector<MacKeepsake> full;
        for (int i = 0; i <= MacAlbum::cap; ++i) full.push_back(keepsake(i == 0 ? "snow" : "candid", i, 5));
        ASSERT_TRUE(f.album->save(full));

        EXPECT_EQ(f.album->droppedKeys(), (std::map<double, QSet<QString>>{{5, {"snow"}}}));
        const QDir data(f.store->dataDir());
        const QStringList aside = data.entryList({"albumDropped.v1.unreadable-*"}, QDir::Files);
        EXPECT_EQ(aside.size(), 1);
        QFile kept(data.filePath(aside.value(0)));
        EXPECT_EQ((kept.open(QIODevice::ReadOnly) ? kept.readAll() : "<none>").toStdString(), bytes.toStdString());
    }
}

TEST(MacAlbumStore, SaveSortsByDateAndKeepsTheNewest400) {
    AlbumFixture f;
    std::vector<MacKeepsake> list;
    for (int i = 400; i >= 0; --i) list.push_back(keepsake("candid", i * 10.0, i % 2 ? 1 : 2));
    f.album->save(list);
    const auto stored = f.album->load();
    ASSERT_EQ(stored.size(), 400u);
    EXPECT_EQ(stored.front().date, 10.0);  // the one dated 0 is gone
    EXPECT_EQ(stored.back().date, 4000.0);
    for (std::size_t i = 1; i < stored.size(); ++i) EXPECT_LE(stored[i - 1].date, stored[i].date);
}

TEST(MacAlbumStore, UnseenCountsKeepsakesAfterTheAlbumWasOpenedButNotArrivals) {
    AlbumFixture f(1000);
    f.album->save({keepsake("arrived", 10), keepsake("junior", 500, 7), keepsake("days-7", 1000),
                   keepsake("candid", 1500)});
    EXPECT_EQ(f.album->unseenCount(), 3);  // never opened: all but the arrival

    f.album->markOpened();  // at 1000
    EXPECT_EQ(f.album->unseen(), 0);
    EXPECT_DOUBLE_EQ(f.store->doubleValue("albumOpenedAt"), 1000);
    // Dated exactly at the opening is seen; the later one (even in the future) counts again on recount.
    EXPECT_EQ(f.album->unseenCount(), 1);

    // A value that is not a date counts as never opened.
    f.store->set("albumOpenedAt", "yesterday");
    EXPECT_EQ(f.album->unseenCount(), 3);

    // A new album object starts from the stored count.
    f.store->set("albumOpenedAt", 0.0);
    f.remake();
    EXPECT_EQ(f.album->unseen(), 3);
}

TEST(MacAlbumStore, PhotosAreJpegFilesInTheAlbumFolder) {
    AlbumFixture f;
    EXPECT_FALSE(f.album->savePhoto(QImage()));

    QImage image(120, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor("#2E7D32"));
    const auto name = f.album->savePhoto(image);
    ASSERT_TRUE(name);
    EXPECT_TRUE(name->endsWith(".jpg"));

    const QImage back = QImageReader(f.album->photoPath(*name)).read();
    ASSERT_EQ(back.size(), image.size());
    EXPECT_NEAR(back.pixelColor(60, 40).green(), 0x7D, 8);

    // Two photos never share a name, and no temporary files stay behind.
    const auto second = f.album->savePhoto(image);
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *name);
    EXPECT_EQ(QDir(f.album->photoFolder()).entryList(QDir::Files).size(), 2);

    // Names read from the record never reach outside the folder.
    EXPECT_TRUE(f.album->photoPath("../config.ini").isEmpty());
    EXPECT_TRUE(f.album->photoPath("..").isEmpty());
    EXPECT_TRUE(f.album->photoPath("").isEmpty());
}

TEST(MacAlbumStore, AMomentNoPageHoldsSpoilsTheListAndAnAgeBeyondAnyReadsAsMissing) {
    const std::pair<double, double> damaged[] = {{-1e12, 0}, {5, -1}, {1e300, 0}, {5, 1e300}};
    for (const auto& [date, birth] : damaged)
        EXPECT_FALSE(decodeKeepsakes(encodeKeepsakes({keepsake("arrived", 0), keepsake("junior", date, birth)})))
            << date << " " << birth;
    MacKeepsake aged = keepsake("junior", 5000, 1000);
    aged.age = -1e300;
    EXPECT_DOUBLE_EQ(decodeKeepsakes(encodeKeepsakes({aged}))->front().age, 4000);
}
