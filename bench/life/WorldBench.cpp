// What the room view may ask every frame: the holiday to decorate for and the box play phase.
#include "life/Holiday.h"
#include "life/ShopToyPlay.h"
#include "platform/Dates.h"

#include <QDateTime>
#include <benchmark/benchmark.h>

namespace {

using namespace kp;

void BM_HolidayOfTheDay(benchmark::State& state) {
    const double birth = referenceFromDate(QDateTime(QDate(2025, 11, 10), QTime(15, 0)));
    double now = referenceFromDate(QDateTime(QDate(2026, 12, 3), QTime(10, 0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(holidayOfTheDay(now, birth));
        now += 1.0 / 60;
    }
}
BENCHMARK(BM_HolidayOfTheDay);

void BM_ToyPlayCurve(benchmark::State& state) {
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(toyPlayCurve(t, kBoxPlaySeconds));
        t = t > 46 ? 0 : t + 1.0 / 60;
    }
}
BENCHMARK(BM_ToyPlayCurve);

}  // namespace
