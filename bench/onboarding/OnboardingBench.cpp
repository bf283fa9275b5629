// One frame of the story film and of an onboarding page, at the open island's size.
#include "onboarding/StoryFilm.h"
#include "onboarding/TobbiOnboardingView.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kp;

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "onboarding_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication instance(argc, argv);
    // KP_BENCH_ONE_THREAD=1 measures a frame without the raster engine's thread-pool hand-off.
    if (qEnvironmentVariableIsSet("KP_BENCH_ONE_THREAD")) QThreadPool::globalInstance()->setMaxThreadCount(1);
    return instance;
}

void BM_StoryFilmFrame(benchmark::State& state) {
    app();
    QImage img(640 * 2, 180 * 2, QImage::Format_ARGB32_Premultiplied);
    const double times[] = {3.0, 7.8, 11.0, 15.5, 17.6, 20.0};
    std::size_t i = 0;
    for (auto _ : state) {
        QPainter p(&img);
        p.scale(2, 2);
        story::StoryFilm f;
        f.t = times[i++ % 6];
        f.paint(p, CatEnv{});
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_StoryFilmFrame)->Unit(benchmark::kMillisecond);

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Every frame of the film at 30 a second, painted as the app paints it (through FilmFrames) onto a
// surface of device pixel ratio 2, three times over: the CPU time of the whole process (the raster
// engine's helper threads included). mean_ms, p99_ms and worst_ms count every pass; worst_frame_ms
// is the dearest frame by its cheapest pass, which a busy machine can only inflate, and
// worst_frame_t its film time.
void BM_StoryFilmEveryFrame(benchmark::State& state) {
    app();
    QImage img(640 * 2, 180 * 2, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    story::FilmFrames film;
    film.prepare(CatEnv{}, 2);  // as the app does when it makes the film
    const int frames = int(story::kFilmLength * 30);
    std::vector<double> best(std::size_t(frames), 1e9);
    std::vector<double> every;  // every pass of every frame
    every.reserve(std::size_t(state.max_iterations));
    int k = 0;
    double worst = 0, total = 0;
    long long n = 0;
    for (auto _ : state) {
        const int frame = k++ % frames;
        const double before = processCpuMs();
        QPainter p(&img);
        story::StoryFilm f;
        f.t = double(frame) / 30;
        film.paint(p, f, CatEnv{});
        p.end();
        benchmark::DoNotOptimize(img.constBits());
        const double spent = processCpuMs() - before;
        worst = std::max(worst, spent);
        best[std::size_t(frame)] = std::min(best[std::size_t(frame)], spent);
        total += spent;
        every.push_back(spent);
        ++n;
    }
    // KP_FRAME_COSTS=FILE keeps every pass as "film-time pass ms" lines.
    if (const char* out = std::getenv("KP_FRAME_COSTS")) {
        if (FILE* fp = std::fopen(out, "w")) {
            for (std::size_t i = 0; i < every.size(); ++i)
                std::fprintf(fp, "%.2f %zu %.3f\n", double(i % std::size_t(frames)) / 30, i / std::size_t(frames), every[i]);
            std::fclose(fp);
        }
    }
    std::vector<double> sorted = every;
    std::sort(sorted.begin(), sorted.end());
    if (!sorted.empty()) state.counters["p99_ms"] = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    const auto dearest = std::max_element(best.begin(), best.end());
    state.counters["mean_ms"] = total / double(std::max(1LL, n));
    state.counters["worst_ms"] = worst;
    state.counters["worst_frame_ms"] = *dearest;
    state.counters["worst_frame_t"] = double(dearest - best.begin()) / 30;
}
BENCHMARK(BM_StoryFilmEveryFrame)->Iterations(3 * 756)->Unit(benchmark::kMillisecond);

void BM_OnboardingPageFrame(benchmark::State& state) {
    app();
    QTemporaryDir dir;
    Defaults store(dir.path() + "/config/kettlepaw.conf", dir.path() + "/data");
    store.set(QStringLiteral("onboardedV1"), true);
    NotificationCenter hub;
    ManualClock clock(800000000.0, 10.0);
    ManualScheduler scheduler;
    OnboardingServices s;
    s.store = &store;
    s.hub = &hub;
    s.clock = &clock;
    s.scheduler = &scheduler;
    s.petName = [] { return QStringLiteral("Tobbi"); };
    TobbiOnboardingView view(s);
    for (int k = 0; k < state.range(0); ++k) view.nextPage();
    clock.advance(3);
    QImage img(640 * 2, 180 * 2, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        clock.advance(1.0 / 60);
        QPainter p(&img);
        p.scale(2, 2);
        view.paint(p, QRectF(0, 0, 640, 180), clock.now());
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_OnboardingPageFrame)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
