// One collection pass over a full album (400 keepsakes), as the 10 s timer runs it when nothing new
// is due: read the record, ask the diary, keep nothing.
#include "album/MacAlbum.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace kp;

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
