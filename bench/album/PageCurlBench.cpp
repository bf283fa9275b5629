// One frame of a turning album page at the album's page size, drawn on the CPU.
#include "album/BookViewer.h"
#include "album/PageCurl.h"
#include "album/PageTurn.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

using namespace kp;

namespace {
// The page of the album window at its default size (460 x 720 points).
const QSizeF kPage = AlbumBookView::bookSize({460, 720});
const double W = kPage.width(), H = kPage.height();

void drawPage(QPainter& p, const QRectF& r, int i) {
    QPainterPath shape;
    shape.addRoundedRect(r, 22, 22);
    p.fillPath(shape, QColor("#FBF3E4"));
    p.fillRect(QRectF(r.x() + 50, r.y() + 70, r.width() - 100, r.height() * 0.4), QColor::fromHsv(i * 50 % 360, 140, 210));
    p.setPen(QPen(QColor("#3B2F28"), 2));
    for (int k = 0; k < 8; ++k) p.drawLine(QPointF(r.x() + 50, r.y() + 420 + k * 30), QPointF(r.right() - 60, r.y() + 420 + k * 30));
}

class BenchClock final : public Clock {
public:
    double now() const override { return t_; }
    double monotonic() const override { return t_; }
    void advance(double s) { t_ += s; }

private:
    double t_ = 0;
};
}  // namespace

static void BM_CurlArguments(benchmark::State& state) {
    pagecurl::CurlArguments a;
    double angle = 0;
    for (auto _ : state) {
        pagecurl::curlArguments(angle, 1, W, H, a);
        benchmark::DoNotOptimize(a.curve.data());
        angle = angle <= -180 ? 0 : angle - 1;
    }
}
BENCHMARK(BM_CurlArguments);

// Wall time of every frame of a run: the mean, the 99th percentile and the slowest (the frame
// budget) as counters next to the process's CPU time; the same of the main thread's CPU time
// ("cpu_"), which a busy machine disturbs less than the wall time.
class FrameTimes {
public:
    void start() {
        t0_ = std::chrono::steady_clock::now();
        c0_ = threadCpu();
    }
    void stop() {
        wall_.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0_).count());
        cpu_.push_back(threadCpu() - c0_);
    }
    void report(benchmark::State& state, const char* prefix = "") {
        put(state, prefix, wall_);
        put(state, std::string(prefix) + "cpu_", cpu_);
    }

private:
    static double threadCpu() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }
    static void put(benchmark::State& state, const std::string& p, std::vector<double> ms) {
        if (ms.empty()) return;
        std::sort(ms.begin(), ms.end());
        double sum = 0;
        for (double m : ms) sum += m;
        state.counters[p + "mean_ms"] = sum / double(ms.size());
        state.counters[p + "p99_ms"] = ms[std::min(ms.size() - 1, size_t(0.99 * double(ms.size())))];
        state.counters[p + "worst_ms"] = ms.back();
    }

    std::chrono::steady_clock::time_point t0_;
    double c0_ = 0;
    std::vector<double> wall_, cpu_;
};

// A book of six pages open at page 2, drawn at `dpr` into a window-sized image.
struct Book {
    PageTurnController controller;
    ManualScheduler sched;
    BenchClock clock;
    BookPageTurn view{controller, &sched, &clock};
    QImage target;

    explicit Book(double dpr)
        : target(int(dpr * (2 * W + 40)), int(dpr * 1.6 * H), QImage::Format_ARGB32_Premultiplied) {
        view.setPagePainters(drawPage, [](QPainter& p, const QRectF& r, int) { p.fillRect(r, QColor("#EFE6D4")); });
        view.setPageCount(6);
        view.setCurrentPageIndex(2);
        view.setDevicePixelRatio(dpr);
        view.setBookSize({W, H});
        view.appear();
        sched.advance(0);
        target.setDevicePixelRatio(dpr);
        target.fill(QColor("#3A2A21"));  // the window's image is in use before any turn
    }
    void frame() {
        target.fill(QColor("#3A2A21"));
        QPainter p(&target);
        view.paint(p, QPointF(W + 20, 0.3 * H));
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
};

// The whole book during a turn: parked page, uncovered page and the curling sheet with its shading,
// at device pixel ratio 1 and 2.
static void BM_TurningFrame(benchmark::State& state) {
    Book book(double(state.range(0)));
    book.view.dragChanged(-1, W);
    const double angles[] = {-20, -60, -90, -120, -160};
    int n = 0;
    FrameTimes worst;
    for (auto _ : state) {
        worst.start();
        book.view.motion().setAngle(angles[n % 5]);
        book.view.motion().setBend(1);
        ++n;
        book.frame();
        worst.stop();
    }
    worst.report(state);
}
BENCHMARK(BM_TurningFrame)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The first frame of a turn, which also draws the still pages under the sheet once, at device
// pixel ratio 1 and 2.
static void BM_TurnFirstFrame(benchmark::State& state) {
    Book book(double(state.range(0)));
    FrameTimes worst;
    for (auto _ : state) {
        state.PauseTiming();
        book.view.dragChanged(-1, W);  // a fresh turn: its pages under the sheet are not drawn yet
        book.view.motion().setAngle(-20);
        state.ResumeTiming();
        worst.start();
        book.frame();
        worst.stop();
        state.PauseTiming();
        book.view.isDraggingChanged(false);  // lets go: the sheet falls back and the turn ends
        for (int i = 0; i < 120 && book.view.activeTurn(); ++i) {
            book.clock.advance(0.02);
            book.view.step();
        }
        book.sched.advance(0);
        state.ResumeTiming();
    }
    worst.report(state);
}
BENCHMARK(BM_TurnFirstFrame)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The curling sheet alone (both faces, shading, cast shadow), without the pages under it, at device
// pixel ratio 1 and 2.
static void BM_CurlSheet(benchmark::State& state) {
    const double dpr = double(state.range(0));
    QImage front(int(dpr * W), int(dpr * H), QImage::Format_ARGB32_Premultiplied);
    front.setDevicePixelRatio(dpr);
    front.fill(Qt::transparent);
    {
        QPainter p(&front);
        p.setRenderHint(QPainter::Antialiasing);
        drawPage(p, QRectF(0, 0, W, H), 1);
    }
    QImage back(int(dpr * W), int(dpr * H), QImage::Format_ARGB32_Premultiplied);
    back.setDevicePixelRatio(dpr);
    back.fill(QColor("#EFE6D4"));
    QImage target(int(dpr * (2 * W + 40)), int(dpr * 1.6 * H), QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(dpr);
    target.fill(QColor("#3A2A21"));
    pagecurl::CurlArguments a;
    const pagecurl::SheetGeometry g{QPointF(W + 20, 0.3 * H), QSizeF(W, H), true, 22};
    const double angles[] = {-20, -60, -90, -120, -160};
    int n = 0;
    FrameTimes worst;
    for (auto _ : state) {
        worst.start();
        pagecurl::curlArguments(angles[n++ % 5], 1, W, H, a);
        QPainter p(&target);
        pagecurl::drawSheet(p, front, back, a, g);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
        worst.stop();
    }
    worst.report(state);
}
BENCHMARK(BM_CurlSheet)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// Whole turns as the reader makes them with the buttons, forward and back in turn, each frame drawn
// into a window-sized image at device pixel ratio 1 and 2: every frame of the turn counts, the first
// (which starts the turn) also on its own. The pages are drawn between turns, as at rest.
static void BM_WholeTurn(benchmark::State& state) {
    Book book(double(state.range(0)));
    FrameTimes all, first;
    bool forward = true;
    for (auto _ : state) {
        book.view.requestPage(forward ? 3 : 2);
        forward = !forward;
        first.start();
        all.start();
        book.frame();
        all.stop();
        first.stop();
        for (int i = 0; i < 240 && book.view.activeTurn(); ++i) {
            book.clock.advance(1.0 / 60);
            book.sched.advance(1.0 / 60);
            all.start();
            book.frame();
            all.stop();
        }
        state.PauseTiming();
        book.sched.advance(0.1);  // at rest: the next sheets are drawn
        state.ResumeTiming();
    }
    all.report(state);
    first.report(state, "first_");
}
BENCHMARK(BM_WholeTurn)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
