// The sky, windows and garden as a room draws them at the open island's size (640 wide).
// Target: a whole room frame well under 2 ms, so each of these a fraction of it.
#include "scenery/CatHouseArt.h"
#include "scenery/GardenBackdrop.h"
#include "scenery/GardenWeather.h"
#include "scenery/SkyView.h"
#include "scenery/WindowViews.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace kp;

namespace {

constexpr int kW = 640;
constexpr int kH = 180;
constexpr double kFloor = 135;
constexpr double kK = 1.3;

template <typename Draw>
void frames(benchmark::State& state, Draw draw) {
    QImage frame(kW, kH, QImage::Format_ARGB32_Premultiplied);
    double t = 812345.0;
    for (auto _ : state) {
        frame.fill(Qt::transparent);
        QPainter p(&frame);
        draw(p, t);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
        t += 1.0 / 60;
    }
}

void BM_GardenRoomScenery(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) {
        const QRectF room(0, 0, kW, kH);
        GardenBackdrop{look, t, kFloor, kK}.paintInMonth(p, room, 10);
        p.save();
        p.translate(0.8 * kW, kFloor);
        p.scale(kK, kK);
        CatHouseArt{CatHouseArt::Part::whole, look.weather == SkyWeather::snow}.paint(p, QRectF(-28, -50, 56, 50));
        p.restore();
        GardenWeather{look, t, 0, kFloor, kK}.paintInMonth(p, room, 10);
    });
}

void BM_GardenBackdropOnly(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) { GardenBackdrop{look, t, kFloor, kK}.paintInMonth(p, QRectF(0, 0, kW, kH), 10); });
}

void BM_GardenWeatherOnly(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) { GardenWeather{look, t, 0, kFloor, kK}.paintInMonth(p, QRectF(0, 0, kW, kH), 10); });
}

void BM_BedroomWindow(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) {
        p.translate(0.78 * kW, 66);
        p.scale(1.3, 1.3);
        BedroomWindowView{look, t, true}.paint(p, QRectF(-36, -24, 72, 48));
    });
}

void BM_PlainWindow(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) {
        p.translate(62, 70);
        p.scale(1.3, 1.3);
        PlainWindowView{look, t}.paint(p, QRectF(-38, -26, 76, 52));
    });
}

void BM_WideSky(benchmark::State& state) {
    const SkyLook look{SkyTime(state.range(0)), SkyWeather(state.range(1))};
    frames(state, [&](QPainter& p, double t) { SkyView{look, t, true, true}.paint(p, QRectF(0, 0, kW, kH)); });
}

// (time of day, weather): clear day, clear night, rain, snow, storm.
void looks(benchmark::internal::Benchmark* b) {
    b->Args({1, 0})->Args({4, 0})->Args({2, 2})->Args({0, 3})->Args({3, 4});
}

// The frame's own cost (clearing the image, a painter), to subtract from the others.
void BM_EmptyFrame(benchmark::State& state) {
    frames(state, [](QPainter&, double) {});
}

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GardenRoomScenery)->Apply(looks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GardenBackdropOnly)->Apply(looks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GardenWeatherOnly)->Apply(looks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BedroomWindow)->Apply(looks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWindow)->Apply(looks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WideSky)->Apply(looks)->Unit(benchmark::kMicrosecond);

}  // namespace
