// One frame of the roaming cat: the model's tick (with its terrain refreshes) and the scene drawn.
#include "desktop/DesktopCat.h"
#include "desktop/DesktopView.h"
#include "desktop/RoamPanel.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "platform/WindowList.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

using namespace kp;

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "desktop_cat_frame_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication instance(argc, argv);
    return instance;
}

struct Outing {
    QTemporaryDir dir;
    Defaults store{dir.path() + "/kettlepaw.conf", dir.path() + "/data"};
    ManualScheduler scheduler;
    ManualClock clock{800000000.0, 100.0};
    SeededRandom random{5};
    FakeWindowList windows;
    NotificationCenter hub;
    std::unique_ptr<PetLife> life;
    std::unique_ptr<DesktopCat> cat;

    Outing() {
        store.set("kittenLengthSeconds", 0.1);
        life = std::make_unique<PetLife>(store, clock, random, scheduler);
        clock.advance(5);
        // A few overlapping windows, as on a working desktop.
        const QRectF frames[] = {{120, 180, 700, 500}, {600, 320, 640, 420}, {200, 520, 900, 300},
                                 {1000, 120, 380, 300}, {60, 90, 300, 200}, {700, 600, 500, 250}};
        int n = 100;
        for (const QRectF& r : frames) {
            WindowInfo w;
            w.number = n++;
            w.pid = 4000 + n;
            w.bounds = r;
            windows.windows.push_back(w);
        }
        DesktopWorld world;
        world.clock = &clock;
        world.random = &random;
        world.store = &store;
        world.hub = &hub;
        world.life = life.get();
        world.windows = &windows;
        world.playing = [] { return MediaWatcher::Playing::music(); };
        cat = std::make_unique<DesktopCat>(RoamScreen{QRectF(0, 0, 1440, 900), QRectF(0, 24, 1440, 876)}, world);
        // Let it land and settle into a plan.
        for (int i = 0; i < 240; ++i) {
            clock.advance(1 / 60.0);
            cat->tick(clock.now());
        }
    }

    void step() {
        clock.advance(1 / 60.0);
        cat->mouseMoved(QPointF(700 + 200 * std::sin(clock.now()), 400));
        cat->tick(clock.now());
    }
};

void BM_DesktopCatTick(benchmark::State& state) {
    app();
    Outing o;
    for (auto _ : state) {
        o.step();
        benchmark::DoNotOptimize(o.cat->feet);
    }
}
BENCHMARK(BM_DesktopCatTick);

// The scene at a fixed moment with everything shown: mug, toy, gift, pops, bubble.
void BM_DesktopCatSceneDraw(benchmark::State& state) {
    app();
    Outing o;
    DesktopCat& c = *o.cat;
    c.plan = {DesktopCat::Step::sit(1e9)};
    c.feet = QPointF(700, 899);
    c.window = ground::floor;
    c.falling = false;
    c.flight.reset();
    c.pose = DesktopCat::Pose::sit;
    c.sit = 1;
    c.appear = 1;
    const double t = o.clock.now();
    c.cup = DesktopCat::Cup{QPointF(640, 899), 0, 0, 1.57, 0, false, false, 0, t};
    c.toy = QPointF(780, 899);
    c.gift = DesktopCat::Gift{QPointF(600, 899), ground::floor, false, t};
    c.asking = PetNeed::hungry;
    c.pops.push_back(c.makePop(c.headPoint(), DesktopCat::Pop::Kind::heart, {}, t - 0.3, 6));
    c.pops.push_back(c.makePop(c.headPoint(), DesktopCat::Pop::Kind::say, QStringLiteral("mrrp?"), t - 0.5, 0));
    if (state.range(0) == 0) c.appear = 0;  // Arg 0: the props, pops and bubble without the cat
    DesktopCatView view(c, QSizeF(1440, 900));
    // The part of the screen around the cat; the panel repaints only what changes.
    QImage img(360, 260, QImage::Format_ARGB32_Premultiplied);
    double now = t;
    for (auto _ : state) {
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.translate(-520, -700);
        now += 1 / 60.0;
        view.paint(p, now);
    }
}
BENCHMARK(BM_DesktopCatSceneDraw)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The cat alone, sitting, with no props or pops.
void BM_DesktopCatFigureDraw(benchmark::State& state) {
    app();
    Outing o;
    DesktopCat& c = *o.cat;
    c.plan = {DesktopCat::Step::sit(1e9)};
    c.feet = QPointF(700, 899);
    c.falling = false;
    c.flight.reset();
    c.pose = DesktopCat::Pose::sit;
    c.sit = 1;
    c.appear = 1;
    DesktopCatView view(c, QSizeF(1440, 900));
    QImage img(360, 260, QImage::Format_ARGB32_Premultiplied);
    double now = o.clock.now();
    for (auto _ : state) {
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.translate(-520, -700);
        now += 1 / 60.0;
        view.paint(p, now);
    }
}
BENCHMARK(BM_DesktopCatFigureDraw)->Unit(benchmark::kMicrosecond);



// A whole frame as the outing runs it: pointer, tick, scene.
void BM_DesktopCatFrame(benchmark::State& state) {
    app();
    Outing o;
    DesktopCatView view(*o.cat, QSizeF(1440, 900));
    QImage img(360, 260, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        o.step();
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.translate(-(o.cat->feet.x() - 180), -(o.cat->feet.y() - 200));
        view.paint(p, o.clock.now());
    }
}
BENCHMARK(BM_DesktopCatFrame)->Unit(benchmark::kMicrosecond);


// A display frame of the outing as the panel runs it, sitting (Arg 0), walking (1) or asleep (2):
// the scene settled, and only the pieces that changed painted again where they were and are.
void BM_DesktopCatPanelFrame(benchmark::State& state) {
    app();
    Outing o;
    DesktopCat& c = *o.cat;
    using P = DesktopCat::Pose;
    const P pose = state.range(0) == 0 ? P::sit : state.range(0) == 1 ? P::walk : P::sleep;
    c.plan = {DesktopCat::Step::sit(1e9)};
    c.feet = QPointF(700, 899);
    c.falling = false;
    c.flight.reset();
    c.pose = pose;
    c.sit = pose == P::sit ? 1 : 0;
    c.appear = 1;
    c.vibing = false;  // not swaying to the music: only the tail, the legs and the face move
    DesktopCatView view(c, QSizeF(1440, 900));
    QImage panel(1440, 900, QImage::Format_ARGB32_Premultiplied);
    panel.fill(Qt::transparent);
    std::vector<SceneLayer> shown;
    double now = o.clock.now();
    std::int64_t painted = 0;
    for (auto _ : state) {
        now += 1 / 60.0;
        if (pose == P::walk) c.feet.setX(c.feet.x() > 1200 ? 200 : c.feet.x() + 70 / 60.0);
        const std::vector<SceneLayer>& next = view.prepare(now);
        // As the panel does: the pieces that changed, where they were and are.
        QRegion damage;
        for (const SceneLayer& l : next) {
            const auto was = std::find_if(shown.begin(), shown.end(), [&](const SceneLayer& o) { return o.id == l.id; });
            if (was == shown.end()) damage += l.rect;
            else if (!(*was == l)) damage += QRegion(was->rect) + l.rect;
        }
        for (const SceneLayer& l : shown)
            if (std::none_of(next.begin(), next.end(), [&](const SceneLayer& o) { return o.id == l.id; })) damage += l.rect;
        damage = RoamPanel::simplified(damage);
        shown = next;
        if (damage.isEmpty()) continue;
        ++painted;
        QPainter p(&panel);
        p.setClipRegion(damage);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : damage) p.fillRect(r, Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        view.draw(p);
    }
    state.counters["painted"] = benchmark::Counter(double(painted) / double(state.iterations()));
}
BENCHMARK(BM_DesktopCatPanelFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
