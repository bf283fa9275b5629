// The settings header's cat tile, redrawn up to 30 times a second while the window is open; and a
// frame of a button's press spring.
#include "settings/SettingsKit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
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

// Widgets need an application; one for the whole run.
static void needApplication() {
    static int argc = 1;
    static char name[] = "settings_hero_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

// A frame between blinks as the window paints it: only the tail's part of the tile, each whole
// degree of swing drawn once and then copied.
static void HeroTileTailFrame(benchmark::State& state) {
    needApplication();
    const int dpr = int(state.range(0));
    QImage img(136 * dpr, 120 * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    kp::CatOutfit outfit;
    outfit.head = kp::CatAccessory::beanie;
    outfit.neck = kp::CatAccessory::scarf;
    kp::HeroTile tile;
    double t = 0.2;
    tile.set(kp::CatBreed::calico, outfit, t);
    const QRegion reach(tile.tailReach());
    for (auto _ : state) {
        t += 1.0 / 30;
        if (kp::HeroTile::blink(t) > 0) t += 0.2;
        tile.set(kp::CatBreed::calico, outfit, t);
        tile.render(&img, QPoint(), reach, QWidget::RenderFlags());
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(HeroTileTailFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A frame of a button's press spring: the button alone repainted at a scale off 1. A press and its
// release draw about 26 such frames each until the spring settles.
static void TobbiButtonSpringFrame(benchmark::State& state) {
    needApplication();
    const int dpr = int(state.range(0));
    kp::TobbiButton button(QStringLiteral("Restore defaults"), true);
    button.resize(button.sizeHint());
    button.setDown(true);
    QEvent follow(QEvent::User);  // the button follows its pressed state on its next event
    QCoreApplication::sendEvent(&button, &follow);
    QImage img(button.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    for (auto _ : state) {
        button.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["scale"] = button.scale();
}
BENCHMARK(TobbiButtonSpringFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
