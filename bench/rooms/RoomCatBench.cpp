// One room cat drawn: the layer's whole frame (pointer report, spring step, placement, figure with
// its face, toys and effects) at the open island's size.
#include "app/AppState.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "rooms/RoomCat.h"
#include "rooms/RoomKit.h"
#include "cat/art/CatParts.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <memory>

using namespace kp;

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "room_cat_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication instance(argc, argv);
    return instance;
}

struct World {
    QTemporaryDir dir;
    Defaults store{dir.path() + "/config/kettlepaw.conf", dir.path() + "/data"};
    ManualClock clock{820000000, 1000};
    SeededRandom random{3};
    ManualScheduler scheduler;
    NotificationCenter hub;
    AppState state{store, std::make_unique<PetLife>(store, clock, random, scheduler), hub};
    RoomCatLayer layer{clock, hub, store};
    RoomHotspots hot;

    World() {
        state.setMode(IslandMode::expanded);
        state.mousePosition = QPointF(800, 60);
        layer.setScreenMiddle([] { return 720.0; });
    }
};

// `dpr` device pixels a point; `pointer`: the pointer wanders over the room, the eyes follow it;
// `each`: called every frame before it is drawn (a walk). The cat settles for a few seconds first.
void catFrame(benchmark::State& bench, const std::function<void(PetLife&)>& setUp, double opening, double dpr = 1,
              bool pointer = false, bool music = false, const std::function<void(PetLife&)>& each = {}) {
    app();
    World w;
    if (music) w.layer.setMusicSource([] { return true; });
    setUp(w.state.life());
    QImage img(int(640 * dpr), int(160 * dpr), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    RoomModels m;
    m.state = &w.state;
    m.life = &w.state.life();
    RoomFrame f;
    f.opening = opening;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    int frame = 0;
    auto one = [&] {
        w.clock.advance(1.0 / 60);
        if (pointer) w.state.mousePosition = QPointF(560 + 3 * (frame % 80), 30 + (frame % 40));
        if (each) each(w.state.life());
        ++frame;
        f.t = w.clock.now();
        w.hot.clear();
        w.layer.paint(p, f, m, w.hot);
        w.layer.paintReactions(p, f, m);
    };
    // KP_BENCH_WARMUP frames first (default 240): two runs' instruction counts apart by a known
    // number of frames give a frame's settled cost.
    const int warmup = qEnvironmentVariableIsSet("KP_BENCH_WARMUP") ? qEnvironmentVariableIntValue("KP_BENCH_WARMUP") : 240;
    for (int i = 0; i < warmup; ++i) one();
    const int settled = frame, drawnBefore = w.layer.parts().drawings();
    int partBefore[CatParts::count];
    for (int i = 0; i < CatParts::count; ++i) partBefore[i] = w.layer.parts().drawings(i);
    for (auto _ : bench) one();
    // Parts of the figure drawn again, a second at 60 frames a second (the rest are laid down
    // from kept drawings), and of the busiest parts.
    const double perSecond = 60.0 / std::max(frame - settled, 1);
    bench.counters["parts/s"] = perSecond * (w.layer.parts().drawings() - drawnBefore);
    static const char* names[CatParts::count] = {"under", "tail", "over", "bow", "head", "face", "worn", "paw"};
    for (int i = 0; i < CatParts::count; ++i) {
        const double n = perSecond * (w.layer.parts().drawings(i) - partBefore[i]);
        if (n >= 0.5) bench.counters[names[i]] = n;
    }
}

// Walks to and fro across the room.
void pace(PetLife& l) {
    static double target = 0.8;
    if (l.walk(target, 1.0 / 60, 0.12)) target = target > 0.5 ? 0.2 : 0.8;
}

void BM_RoomCatSitting(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::sitting); }, 1, s.range(0));
}
void BM_RoomCatEatingWithWords(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::eating); }, 1, s.range(0));
}
void BM_RoomCatAsleepWithLetters(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setSleeping(true); }, 1, s.range(0));
}
void BM_RoomCatSickTinted(benchmark::State& s) {
    catFrame(s, [](PetLife& l) {
        l.setHealth(10);
        l.updateMood();
    }, 1, s.range(0));
}
void BM_RoomCatFadingIn(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::walking); }, 0.5);
}
void BM_RoomCatKneading(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::kneading); }, 1);
}
void BM_RoomCatLicking(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::licking); }, 1);
}
void BM_RoomCatSittingFollowingThePointer(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::sitting); }, 1, s.range(0), true);
}
void BM_RoomCatSittingToMusic(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::sitting); }, 1, s.range(0), false, true);
}
void BM_RoomCatWalking(benchmark::State& s) {
    catFrame(s, [](PetLife& l) { l.setPose(PetPose::walking); }, 1, s.range(0), false, false, pace);
}

// KP_BENCH_FRAMES=N: every case runs N frames after its warm-up, so that two runs under callgrind
// N frames apart give a frame's instructions.
void frames(benchmark::internal::Benchmark* b) {
    if (const int n = qEnvironmentVariableIntValue("KP_BENCH_FRAMES"); n > 0) b->Iterations(n);
}

}  // namespace

BENCHMARK(BM_RoomCatSitting)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatSittingFollowingThePointer)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatAsleepWithLetters)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatEatingWithWords)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatWalking)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatSittingToMusic)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatSickTinted)->Arg(1)->Arg(2)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatFadingIn)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatKneading)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoomCatLicking)->Apply(frames)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
