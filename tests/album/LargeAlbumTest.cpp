// Albums the app would never write (made or damaged by hand): far over the cap, or with thousands of
// past cats. Work is counted (records read; thread time against one cat's book of as many pages),
// never wall time.
#include "MacAlbumTestSupport.h"
#include "album/AlbumBook.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <ctime>

using namespace kp;
using namespace kp::albumtest;

namespace {

constexpr double kDay = 86400;

// A list's pages in order, short enough to print: their count and a hash of their ids.
std::string ids(const std::vector<MacKeepsake>& list) {
    QStringList out;
    for (const auto& k : list) out << k.id;
    return std::to_string(list.size()) + " pages #" + std::to_string(qHash(out.join(u',')));
}

MacKeepsake page(const QString& key, double birth, double date, bool died = false) {
    MacKeepsake k;
    k.id = newKeepsakeId();
    k.key = key;
    k.date = date;
    k.catBirth = birth;
    k.name = QStringLiteral("Old");
    k.died = died;
    return k;
}

// A living cat ten minutes old whose arrival is kept, so no page is due, and 1,200 pages of a past
// cat before it: its arrival, first week and first rain among the oldest, then candid moments, then
// its farewell.
struct HandMade : AlbumFixture {
    double birth = utc(2026, 3, 2, 9);
    double past = birth - 900 * kDay;
    std::vector<MacKeepsake> pages;

    HandMade() {
        store->set("onboardedV1", true);
        fake.cat.birth = birth;
        clock.setNow(birth + 600);
        pages = {page("arrived", past, past), page("days-7", past, past + 7 * kDay), page("rain", past, past + 8 * kDay)};
        for (int i = 0; i < 1196; ++i) pages.push_back(page("candid", past, past + 10 * kDay + i * 600.0));
        pages.push_back(page("farewell", past, birth - kDay, true));
        pages.push_back(page("arrived", birth, birth));
        std::reverse(pages.begin(), pages.end());  // in no order, as by hand
        EXPECT_TRUE(store->setRecord("album.v1", encodeKeepsakes(pages)));
    }
    // Counts the photos the album takes.
    int shots = 0;
    void hookPhotos() {
        album->setSceneSnapshot([this] {
            ++shots;
            return QImage(1920, 480, QImage::Format_RGB32);
        });
        album->setArrivalSnapshot([this](CatBreed) {
            ++shots;
            return QImage(1260, 960, QImage::Format_RGB32);
        });
    }
    std::vector<MacKeepsake> onDisk() { return decodeKeepsakes(*store->record("album.v1")).value(); }
    // Writes over the record in place, as an editor would, past the store.
    void writeByHand(const std::vector<MacKeepsake>& list) {
        QFile file(store->recordPath("album.v1"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(encodeKeepsakes(list));
    }
    // The newest 400 pages, oldest first, as a save keeps them.
    std::string newest() {
        auto sorted = pages;
        std::stable_sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.date < b.date; });
        return ids({sorted.end() - MacAlbum::cap, sorted.end()});
    }
};

}  // namespace

TEST(LargeAlbum, OneOverTheCapIsTrimmedOnceAtStartAndNotReadAgainUntilItChanges) {
    HandMade f;
    f.remake();  // the app starts on it
    EXPECT_EQ(ids(f.onDisk()), f.newest()) << "the newest 400 are kept, as a save keeps them";
    const auto dropped = f.album->droppedKeys();
    QStringList keys = dropped.count(f.past) ? dropped.at(f.past).values() : QStringList();
    keys.sort();
    EXPECT_EQ(keys.join(' ').toStdString(), "arrived days-7 rain") << "the dropped pages are recorded";

    // Every 10 s for five minutes, the Album opened now and then: nothing is due, nothing is read.
    f.album->addDueKeepsakes(f.clock.now());
    const int reads = f.album->recordReads();
    for (int pass = 1; pass <= 30; ++pass) {
        f.album->addDueKeepsakes(f.clock.now() + 10 * pass);
        if (pass % 10 == 0) {
            EXPECT_EQ(f.album->load().size(), 400u);
        }
    }
    EXPECT_EQ(f.album->recordReads(), reads) << "records read again while no file changed";
    EXPECT_EQ(f.album->unseenCount(), 399);
    EXPECT_EQ(f.album->recordReads(), reads);

    // Written over in place by hand: read again, and the next pass reads nothing more.
    f.writeByHand({f.pages.back(), f.pages.front()});
    f.album->addDueKeepsakes(f.clock.now() + 400);
    EXPECT_EQ(f.album->recordReads(), reads + 1);
    EXPECT_EQ(ids(f.album->load()), ids({f.pages.back(), f.pages.front()}));
    f.album->addDueKeepsakes(f.clock.now() + 410);
    EXPECT_EQ(f.album->recordReads(), reads + 1);
}

TEST(LargeAlbum, APageDroppedAfterTheCutIsWrittenIntoTheListInMemoryAndReadsBackAsKept) {
    HandMade f;
    f.remake();
    f.album->addDueKeepsakes(f.clock.now());
    const int reads = f.album->recordReads();
    // A page older than all the others, of a cat whose birth needs every digit, under a key with
    // what a list must escape: the save at the cap drops it at once.
    const double odd = f.past - 0.1234567890123;
    const QString key = QStringLiteral("a \"quoted\" \\ key\n\t\x1f \u00e9\U0001F431");
    auto all = f.album->load();
    all.push_back(page(key, odd, odd));
    ASSERT_TRUE(f.album->save(all));
    f.album->addDueKeepsakes(f.clock.now() + 10);
    EXPECT_EQ(f.album->recordReads(), reads + 1) << "only the pages just written are read again, not the list of dropped ones";

    f.remake();
    const auto dropped = f.album->droppedKeys();
    ASSERT_EQ(dropped.count(odd), 1u);
    EXPECT_EQ(dropped.at(odd), QSet<QString>{key});
    EXPECT_EQ(dropped.at(f.past), (QSet<QString>{"arrived", "days-7", "rain"}));
}

TEST(LargeAlbum, OneOverTheCapThatCannotBeTrimmedIsReadOnceAndShowsItsNewest) {
    HandMade f;
    // A folder where the dropped pages' record belongs: no save that drops a page can be written.
    ASSERT_TRUE(QDir().mkpath(f.store->recordPath("albumDropped.v1")));
    const QByteArray before = *f.store->record("album.v1");
    f.remake();
    f.hookPhotos();
    EXPECT_EQ(ids(f.album->load()), f.newest());
    const int reads = f.album->recordReads();
    // Days on, the junior page is due: nothing is kept, no photo is taken, nothing is read again.
    for (int pass = 0; pass < 30; ++pass) f.album->addDueKeepsakes(f.birth + 3 * kDay + 10 * pass);
    EXPECT_EQ(f.album->recordReads(), reads) << "the record read again on every pass";
    EXPECT_TRUE(*f.store->record("album.v1") == before) << "the record written without its dropped pages";
    EXPECT_EQ(f.shots, 0);
    EXPECT_EQ(ids(f.album->load()), f.newest());

    // Cut by hand to the living cat's arrival: the junior page is kept at the next pass.
    f.writeByHand({f.pages.front()});
    f.album->addDueKeepsakes(f.birth + 4 * kDay);
    const auto kept = f.onDisk();
    EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [](auto& k) { return k.key == "junior"; }));
}

namespace {

// CPU time of this thread: another process on a loaded machine does not lengthen it.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// 24,000 pages: of 12,000 past cats, an arrival and a farewell each, or all of one past cat.
std::vector<MacKeepsake> pastCats(int cats) {
    std::vector<MacKeepsake> all;
    for (int i = 0; i < 24000; ++i) {
        const double birth = 700000000 + 1000.0 * (i / 2 % cats);
        all.push_back(page(i % 2 ? "farewell" : "arrived", birth, birth + i, i % 2));
    }
    return all;
}

}  // namespace

TEST(LargeAlbum, TheBooksOfManyPastCatsCostAsMuchAsOneCatsBookOfAsManyPages) {
    AlbumBookSource source;
    source.livingBirth = 800000000;
    // The best of three runs of each, so a moment's interruption does not count.
    auto cost = [&](int cats) {
        const auto album = pastCats(cats);
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            const double start = threadSeconds();
            const auto books = albumbooks::buildBooks(album, source);
            best = std::min(best, threadSeconds() - start);
            EXPECT_EQ(books.size(), std::size_t(cats) + 1);
        }
        return best;
    };
    const double one = cost(1), many = cost(12000);
    // A book, its cover and its end page for each cat cost a few times the leaves of one cat; a walk
    // of the whole album for each cat costs tens of times more.
    EXPECT_LT(many, 6 * one) << "one cat: " << one << " s, 12,000 cats: " << many << " s";
}
