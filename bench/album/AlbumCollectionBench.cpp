// One collection pass over a full album (400 keepsakes), as the 10 s timer runs it when nothing new
// is due: read the record, ask the diary, keep nothing. Then hand-made albums far over the cap
// (100,000 pages of a past cat; 50,000 past cats): the start that cuts them, the passes and the saves
// after it, and their books built from the whole list.
#include "album/AlbumBook.h"
#include "album/MacAlbum.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace kp;

namespace {

constexpr double kBirth = 800000000;

MacKeepsake page(const char* key, double birth, double date, bool died = false) {
    MacKeepsake k;
    k.id = newKeepsakeId();
    k.key = QString::fromLatin1(key);
    k.date = date;
    k.catBirth = birth;
    k.name = QStringLiteral("Tobbi");
    k.breed = QStringLiteral("orange");
    k.age = date - birth;
    k.title = QStringLiteral("a quiet afternoon");
    k.note = QStringLiteral("He watched the rain from the sill and then fell asleep in the sun.");
    k.died = died;
    return k;
}

// A living cat an hour old whose arrival is kept, so that nothing is due.
struct Album {
    QTemporaryDir dir;
    Defaults store{dir.path() + QStringLiteral("/config.ini"), dir.path() + QStringLiteral("/data")};
    ManualClock clock{kBirth + 3600, 1000};
    ManualScheduler scheduler;
    std::unique_ptr<MacAlbum> album;
    QByteArray handMade;

    explicit Album(std::vector<MacKeepsake> others) {
        store.set(QStringLiteral("onboardedV1"), true);
        AlbumWorld world;
        world.cat = [] {
            AlbumCatSnapshot c;
            c.birth = kBirth;
            return c;
        };
        others.push_back(page("arrived", kBirth, kBirth));
        // Written as a hand-made album would be: no save trims it.
        handMade = encodeKeepsakes(others);
        store.setRecord(QStringLiteral("album.v1"), handMade);
        album = std::make_unique<MacAlbum>(store, clock, scheduler, world);
    }
};

std::vector<MacKeepsake> pagesOfOnePastCat(int n) {
    std::vector<MacKeepsake> all;
    const double birth = kBirth - 400 * 86400.0;
    for (int i = 0; i < n; ++i) all.push_back(page("candid", birth, birth + 60.0 * i, i == n - 1));
    return all;
}

std::vector<MacKeepsake> pastCats(int cats) {
    std::vector<MacKeepsake> all;
    for (int i = 0; i < cats; ++i) {
        const double birth = kBirth - 1e8 + 1000.0 * i;
        all.push_back(page("arrived", birth, birth));
        all.push_back(page("farewell", birth, birth + 500, true));
    }
    return all;
}

}  // namespace

static void BM_CollectionPassOverAFullAlbum(benchmark::State& state) {
    QTemporaryDir dir;
    Defaults store(dir.path() + QStringLiteral("/config.ini"), dir.path() + QStringLiteral("/data"));
    store.set(QStringLiteral("onboardedV1"), true);
    const double birth = 800000000;
    ManualClock clock(birth + 30 * 86400.0, 1000);
    ManualScheduler scheduler;
    AlbumWorld world;
    world.cat = [birth] {
        AlbumCatSnapshot c;
        c.birth = birth;
        return c;
    };
    MacAlbum album(store, clock, scheduler, world);
    // Everything due is collected once; then a full album of candid moments.
    album.addDueKeepsakes(clock.now());
    std::vector<MacKeepsake> all = album.load();
    for (int i = static_cast<int>(all.size()); i < MacAlbum::cap; ++i) {
        MacKeepsake k;
        k.id = newKeepsakeId();
        k.key = QStringLiteral("candid");
        k.date = clock.now() - 1000 - i;
        k.catBirth = birth;
        k.title = QStringLiteral("a quiet afternoon");
        k.note = QStringLiteral("He watched the rain from the sill and then fell asleep in the sun.");
        all.push_back(k);
    }
    album.save(all);
    for (auto _ : state) album.addDueKeepsakes(clock.now());
}
BENCHMARK(BM_CollectionPassOverAFullAlbum)->Unit(benchmark::kMillisecond);

// The app starting on 100,000 pages of one past cat: the record is read and cut to its 400 pages.
static void BM_StartOnAHugeAlbum(benchmark::State& state) {
    Album a(pagesOfOnePastCat(100000));
    state.counters["record_mb"] = double(a.handMade.size()) / (1 << 20);
    for (auto _ : state) {
        state.PauseTiming();
        a.store.setRecord(QStringLiteral("album.v1"), a.handMade);
        state.ResumeTiming();
        MacAlbum album(a.store, a.clock, a.scheduler, AlbumWorld{});
        benchmark::DoNotOptimize(album.unseen());
    }
}
BENCHMARK(BM_StartOnAHugeAlbum)->Unit(benchmark::kMillisecond)->Iterations(3);

// The passes every 10 s after that start, nothing due.
static void BM_CollectionPassAfterAHugeAlbum(benchmark::State& state) {
    Album a(pagesOfOnePastCat(100000));
    a.album->addDueKeepsakes(a.clock.now());
    for (auto _ : state) a.album->addDueKeepsakes(a.clock.now());
}
BENCHMARK(BM_CollectionPassAfterAHugeAlbum)->Unit(benchmark::kMillisecond);

// The passes after an album of 50,000 past cats was cut: 49,800 of them are listed as dropped.
static void BM_CollectionPassAfterManyCats(benchmark::State& state) {
    Album a(pastCats(50000));
    a.album->addDueKeepsakes(a.clock.now());
    for (auto _ : state) a.album->addDueKeepsakes(a.clock.now());
    state.counters["dropped_cats"] = double(a.album->droppedKeys().size());
}
BENCHMARK(BM_CollectionPassAfterManyCats)->Unit(benchmark::kMillisecond);

// The books of an album of many past cats, each with its arrival and its farewell, as the album
// window builds them from a list nothing has cut.
static void BM_BuildBooksOfManyCats(benchmark::State& state) {
    const auto all = pastCats(int(state.range(0)));
    AlbumBookSource source;
    source.livingBirth = kBirth;
    for (auto _ : state) {
        auto books = albumbooks::buildBooks(all, source);
        benchmark::DoNotOptimize(books.data());
    }
}
BENCHMARK(BM_BuildBooksOfManyCats)->Arg(20000)->Arg(40000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A page kept in the full album after a cut: the oldest page goes, and the list of dropped pages is
// read (and written when it grows): 100,000 pages of one cat, or 50,000 cats.
static void BM_SaveAfterACut(benchmark::State& state) {
    Album a(state.range(0) ? pastCats(50000) : pagesOfOnePastCat(100000));
    for (auto _ : state) {
        state.PauseTiming();
        auto all = a.album->load();
        all.push_back(page("candid", kBirth, a.clock.now()));
        a.clock.advance(60);
        state.ResumeTiming();
        a.album->save(all);
    }
}
BENCHMARK(BM_SaveAfterACut)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
