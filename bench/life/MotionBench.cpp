// One 1/30 s motion step and one body frame of a running cat; each should stay far under 20 µs.
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace kp;

struct Running {
    QTemporaryDir dir;
    Defaults store{dir.path() + "/kettlepaw.conf", dir.path() + "/data"};
    ManualClock clock{800000000.0};
    SeededRandom random{1};
    ManualScheduler scheduler;
    PetLife cat{store, clock, random, scheduler};
};

// The cat goes about its idle beats, errands and walks, one step at a time.
void BM_MotionStep(benchmark::State& state) {
    Running r;
    for (auto _ : state) {
        r.clock.advance(1.0 / 30.0);
        r.cat.motionStep();
        if (r.cat.hunger() > 90) r.cat.setHunger(40);
    }
}
BENCHMARK(BM_MotionStep)->Unit(benchmark::kMicrosecond);

// The body springs stepped to a display frame at 60 Hz while the cat moves.
void BM_Frame(benchmark::State& state) {
    Running r;
    double t = r.clock.now();
    int n = 0;
    for (auto _ : state) {
        t += 1.0 / 60.0;
        if (++n % 2 == 0) {
            r.clock.advance(1.0 / 30.0);
            r.cat.motionStep();
        }
        r.cat.frame(t);
    }
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);

}  // namespace
