// One frame of each island state, drawn at its size the way the panel draws it.
#include "island/IslandGeometry.h"
#include "island/IslandRootView.h"
#include "island/TobbiFace.h"
#include "platform/Clock.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "island_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication instance(argc, argv);
    return instance;
}

void drawFrame(benchmark::State& bench, State state, std::optional<PetNeed> need, PomodoroPhase phase) {
    app();
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    const QSizeF size = island::sizeFor(state, {184, 32});
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    IslandScene scene;
    scene.state = state;
    scene.petName = QStringLiteral("Tobbi");
    scene.need = need;
    scene.phase = phase;
    scene.progress = 0.4;
    scene.minutesLeft = 15;
    scene.countdown = 0.5;
    scene.islandFrame = island::frameAtTopCentre(size, 1440);
    scene.pointer = QPointF(900, 300);
    double t = 0;
    for (auto _ : bench) {
        t += 1.0 / 60;
        scene.time = t;
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = island::islandShape(size, island::cornerRadiusFor(state));
        p.fillPath(shape, Qt::black);
        p.setClipPath(shape);
        paintIslandContent(p, QRectF(QPointF(0, 0), size), scene, emotes);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PeekWithNeedMark(benchmark::State& s) { drawFrame(s, State::petit, PetNeed::hungry, PomodoroPhase::idle); }
void BM_PeekWithPomodoroRing(benchmark::State& s) { drawFrame(s, State::petit, std::nullopt, PomodoroPhase::focus); }
void BM_Greeting(benchmark::State& s) { drawFrame(s, State::coucou, std::nullopt, PomodoroPhase::idle); }
void BM_OpenIsland(benchmark::State& s) { drawFrame(s, State::home, PetNeed::sad, PomodoroPhase::idle); }

// Deciding whether the peeking island needs a new frame: the per-tick cost while it shows.
void BM_FaceChangeCheck(benchmark::State& bench) {
    app();
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    IslandScene scene;
    scene.state = State::petit;
    scene.islandFrame = QRectF(582, 0, 276, 32);
    double t = 0;
    for (auto _ : bench) {
        t += 1.0 / 60;
        scene.time = t;
        benchmark::DoNotOptimize(islandFaceWouldChange(QRectF(0, 0, 276, 32), scene, emotes));
    }
}

}  // namespace

BENCHMARK(BM_PeekWithNeedMark)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeekWithPomodoroRing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Greeting)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenIsland)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FaceChangeCheck)->Unit(benchmark::kMicrosecond);
