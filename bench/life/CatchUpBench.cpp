// The longest catch-up there is: a cat away for a week (or more) is lived through in one-minute
// steps while it loads, before the first frame.
#include "life/PetLife.h"
#include "life/PetRecord.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace kp;

struct Setup {
    QTemporaryDir dir;
    Defaults store{dir.path() + "/kettlepaw.conf", dir.path() + "/data"};
    ManualClock clock{800000000.0};
    SeededRandom random{1};
    ManualScheduler scheduler;

    explicit Setup(double away, bool asleep) {
        PetRecord rec;
        rec.hunger = 40;
        rec.energy = 25;
        rec.isSleeping = asleep;
        rec.birth = clock.now() - away - 1000;
        rec.savedAt = clock.now() - away;
        store.setRecord(PetLife::recordKey, *encodePetRecord(rec));
    }
};

// Loading a cat that was away for two weeks: seven days (10080 steps) are lived through.
void BM_LoadAfterTwoWeeksAway(benchmark::State& state) {
    Setup s(14 * 86400.0, false);
    for (auto _ : state) {
        PetLife cat(s.store, s.clock, s.random, s.scheduler);
        benchmark::DoNotOptimize(cat.hunger());
    }
}
BENCHMARK(BM_LoadAfterTwoWeeksAway)->Unit(benchmark::kMillisecond);

// The same load with no time away, to tell the catch-up from reading the record.
void BM_LoadWithNoTimeAway(benchmark::State& state) {
    Setup s(0, false);
    for (auto _ : state) {
        PetLife cat(s.store, s.clock, s.random, s.scheduler);
        benchmark::DoNotOptimize(cat.hunger());
    }
}
BENCHMARK(BM_LoadWithNoTimeAway)->Unit(benchmark::kMillisecond);

// One stat step of a running cat, a second apart; every sixteenth one autosaves.
void BM_StatStep(benchmark::State& state) {
    Setup s(0, false);
    PetLife cat(s.store, s.clock, s.random, s.scheduler);
    for (auto _ : state) {
        s.clock.advance(1.0);
        cat.statStep();
        if (cat.hunger() > 90) cat.setHunger(40);
    }
}
BENCHMARK(BM_StatStep)->Unit(benchmark::kMicrosecond);

}  // namespace
