// The settings header's cat tile, redrawn up to 30 times a second while the window is open.
#include "settings/SettingsKit.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

// Argument: the screen's pixel density (1 or 2).
static void HeroTileFrame(benchmark::State& state) {
    const int dpr = int(state.range(0));
    QImage img(136 * dpr, 120 * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    kp::CatOutfit outfit;
    outfit.head = kp::CatAccessory::beanie;
    outfit.neck = kp::CatAccessory::scarf;
    double t = 0;
    for (auto _ : state) {
        QPainter p(&img);
        kp::HeroTile::paintTile(p, kp::CatBreed::calico, outfit, t);
        t += 1.0 / 30;
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(HeroTileFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A frame between blinks: only the part of the tile the tail reaches is repainted.
static void HeroTileTailFrame(benchmark::State& state) {
    const int dpr = int(state.range(0));
    QImage img(136 * dpr, 120 * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    kp::CatOutfit outfit;
    outfit.head = kp::CatAccessory::beanie;
    outfit.neck = kp::CatAccessory::scarf;
    const QRect reach = kp::HeroTile::tailReach(kp::CatBreed::calico, outfit);
    double t = 0.2;
    for (auto _ : state) {
        QPainter p(&img);
        p.setClipRect(reach);
        kp::HeroTile::paintTile(p, kp::CatBreed::calico, outfit, t);
        t += 1.0 / 30;
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(HeroTileTailFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
