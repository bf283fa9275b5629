// What every frame and step leans on: settings reads and hub posts must stay cheap.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "core/Notifications.h"
#include "core/Preferences.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

static void BM_TuningRead(benchmark::State& state) {
    QTemporaryDir dir;
    kp::Defaults store(dir.path() + "/kettlepaw.conf", dir.path());
    store.set("statDrainSeconds", 1800.0);
    for (auto _ : state) benchmark::DoNotOptimize(kp::prefs::statDrainSeconds(store));
}
BENCHMARK(BM_TuningRead);

static void BM_HubPost(benchmark::State& state) {
    kp::NotificationCenter hub;
    int n = 0;
    for (int i = 0; i < 8; ++i) hub.observe(kp::note::triggerEmote, [&](const std::any&) { ++n; });
    for (auto _ : state) hub.post(kp::note::triggerEmote);
    benchmark::DoNotOptimize(n);
}
BENCHMARK(BM_HubPost);
