// Speed of the props a room frame can hold at the open island's size (640 x 160).
#include "scenery/CoinIcon.h"
#include "scenery/Fireworks.h"
#include "scenery/HolidayDecor.h"
#include "scenery/HolidayProp.h"
#include "scenery/ShopArt.h"
#include "scenery/TomatoClock.h"
#include "scenery/WardrobeRack.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "scenery_props_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication instance(argc, argv);
    return instance;
}

QImage& canvas() {
    static QImage img(640, 160, QImage::Format_ARGB32_Premultiplied);
    return img;
}

void paintProps(QPainter& p, kp::Holiday h, double t, bool dim) {
    kp::HolidayGarland{h, 34, 6, 1, t, dim, false}.paint(p, QSizeF(640, 160));
    kp::HolidayWreath{h, 0.9, t, false}.paint(p, QRectF(400, 32, 44, 44));
    kp::HolidayMobiles{h, 34, {0.14, 0.24, 0.67, 0.73, 0.92}, {9, 15, 7, 13, 10}, 0.85, t, false}.paint(p, QSizeF(640, 160));
    p.save();
    p.translate(320, 126);
    p.scale(1.3, 1.3);
    kp::HolidayProp{h, t, dim}.paint(p, QRectF(-22, -52, 44, 52));
    p.restore();
}

void BM_HolidayDecorFrame(benchmark::State& state) {
    app();
    const auto h = static_cast<kp::Holiday>(state.range(0));
    double t = 0;
    for (auto _ : state) {
        canvas().fill(Qt::transparent);
        QPainter p(&canvas());
        p.setRenderHint(QPainter::Antialiasing);
        paintProps(p, h, t, false);
        t += 1.0 / 60;
    }
}
BENCHMARK(BM_HolidayDecorFrame)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

void BM_DimmedGarlandFrame(benchmark::State& state) {
    app();
    double t = 0;
    for (auto _ : state) {
        canvas().fill(Qt::transparent);
        QPainter p(&canvas());
        p.setRenderHint(QPainter::Antialiasing);
        kp::HolidayGarland{kp::Holiday::christmas, 34, 6, 1, t, true, false}.paint(p, QSizeF(640, 160));
        t += 1.0 / 60;
    }
}
BENCHMARK(BM_DimmedGarlandFrame)->Unit(benchmark::kMicrosecond);

void BM_RoomPiecesFrame(benchmark::State& state) {
    app();
    double t = 0;
    for (auto _ : state) {
        canvas().fill(Qt::transparent);
        QPainter p(&canvas());
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1.3, 1.3);
        kp::TomatoClock{0.4, true, false, t}.paint(p, QRectF(40, 80, 22, 20));
        kp::WardrobeRack{true, t}.paint(p, QRectF(200, 40, 48, 54));
        kp::RugArt{}.paint(p, QRectF(260, 100, 70, 16));
        kp::CushionArt{}.paint(p, QRectF(340, 100, 34, 14));
        kp::HangingPlantArt{6, t}.paint(p, QRectF(20, 10, 30, 50));
        kp::PortraitArt{}.paint(p, QRectF(100, 20, 26, 30));
        kp::BoxArt{kp::BoxArt::Part::back}.paint(p, QRectF(380, 90, 40, 24));
        kp::BoxArt{kp::BoxArt::Part::front}.paint(p, QRectF(380, 90, 40, 24));
        kp::YarnArt{7 * t}.paint(p, QRectF(430, 100, 28, 14));
        kp::LaserDotArt{t}.paint(p, QRectF(460, 110, 8, 8));
        kp::CoinIcon{13}.paint(p, QRectF(5, 5, 13, 13));
        t += 1.0 / 60;
    }
}
BENCHMARK(BM_RoomPiecesFrame)->Unit(benchmark::kMicrosecond);

void BM_WindowFireworks(benchmark::State& state) {
    app();
    double t = 0;
    for (auto _ : state) {
        canvas().fill(Qt::transparent);
        QPainter p(&canvas());
        p.setRenderHint(QPainter::Antialiasing);
        kp::WindowFireworks{t}.paint(p, QRectF(286, 40, 68, 47));
        t += 1.0 / 60;
    }
}
BENCHMARK(BM_WindowFireworks)->Unit(benchmark::kMicrosecond);

void BM_ShopGrid(benchmark::State& state) {
    app();
    for (auto _ : state) {
        canvas().fill(Qt::transparent);
        QPainter p(&canvas());
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 11; ++i) kp::ShopItemIcon{static_cast<kp::ShopItem>(i), 0.3}.paint(p, QRectF(56 * i, 0, 56, 48));
    }
}
BENCHMARK(BM_ShopGrid)->Unit(benchmark::kMicrosecond);

}  // namespace
