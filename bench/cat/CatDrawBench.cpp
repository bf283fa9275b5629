// One cat drawn as the room draws it: body, head and front paw with an outfit on, into an
// ARGB32-premultiplied image at the room's scale. Target: well under 0.5 ms per cat.
#include "cat/art/CatDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace kp;

namespace {

void drawCat(benchmark::State& state, CatBreed breed, double scale, bool dressed) {
    QImage frame(int(90 * scale), int(70 * scale), QImage::Format_ARGB32_Premultiplied);
    CatEnv env{breed, {}};
    if (dressed) {
        env.outfit = CatOutfit::empty()
                         .toggling(CatAccessory::beanie)
                         .toggling(CatAccessory::glasses)
                         .toggling(CatAccessory::scarf)
                         .toggling(CatAccessory::backpack)
                         .toggling(CatAccessory::boots);
    }
    double t = 0;
    for (auto _ : state) {
        frame.fill(Qt::transparent);
        QPainter p(&frame);
        p.translate(frame.width() / 2.0, frame.height() / 2.0);
        p.scale(scale, scale);
        CatFigure f;
        f.body.swing = 0.7 * std::sin(9 * t);
        f.body.tail = 8 * std::sin(4 * t);
        f.body.pawAngle = 16 * f.body.swing;
        f.head.look = {0.3, 0.1};
        f.head.blink = std::fmod(t, 3.0) < 0.15 ? 0.7 : 0;
        f.head.sway = 0.1 * std::sin(t);
        f.paint(p, env);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
        t += 1.0 / 60;
    }
}

void BM_RoomCat(benchmark::State& s) { drawCat(s, CatBreed::orange, 0.94, true); }
void BM_RoomCatFluffy(benchmark::State& s) { drawCat(s, CatBreed::maineCoon, 0.94, true); }
void BM_RoomCatBare(benchmark::State& s) { drawCat(s, CatBreed::siamese, 0.94, false); }
void BM_DesktopCat(benchmark::State& s) { drawCat(s, CatBreed::persian, 1.45, true); }
void BM_HeroCat(benchmark::State& s) { drawCat(s, CatBreed::calico, 2.1, true); }

// The parts on their own, to see where the time goes.
void BM_HeadOnly(benchmark::State& state) {
    QImage frame(60, 60, QImage::Format_ARGB32_Premultiplied);
    CatEnv env{CatBreed::orange, CatOutfit::empty()};
    for (auto _ : state) {
        frame.fill(Qt::transparent);
        QPainter p(&frame);
        p.translate(30, 30);
        CatHead h;
        h.paint(p, env);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
void BM_BodyOnly(benchmark::State& state) {
    QImage frame(90, 70, QImage::Format_ARGB32_Premultiplied);
    CatEnv env{CatBreed::orange, CatOutfit::empty()};
    for (auto _ : state) {
        frame.fill(Qt::transparent);
        QPainter p(&frame);
        p.translate(45, 35);
        CatBody b;
        b.swing = 0.5;
        b.paint(p, env);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_HeadOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BodyOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatFluffy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatBare)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DesktopCat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeroCat)->Unit(benchmark::kMicrosecond);

}  // namespace
