// One frame of a turning album page at the album's page size, drawn on the CPU.
#include "album/PageCurl.h"
#include "album/PageTurn.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

using namespace kp;

namespace {
constexpr double W = 460, H = 720;

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
    double now() const override { return 0; }
    double monotonic() const override { return 0; }
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

// The whole book during a turn: parked page, uncovered page and the curling sheet with its shading.
static void BM_TurningFrame(benchmark::State& state) {
    PageTurnController controller;
    ManualScheduler sched;
    BenchClock clock;
    BookPageTurn view(controller, &sched, &clock);
    view.setPagePainters(drawPage, [](QPainter& p, const QRectF& r, int) { p.fillRect(r, QColor("#EFE6D4")); });
    view.setPageCount(6);
    view.setCurrentPageIndex(2);
    view.setBookSize({W, H});
    view.appear();
    sched.advance(0);
    view.dragChanged(-1, W);
    QImage target(int(2 * W + 40), int(1.6 * H), QImage::Format_ARGB32_Premultiplied);
    const double angles[] = {-20, -60, -90, -120, -160};
    int n = 0;
    for (auto _ : state) {
        view.motion().setAngle(angles[n % 5]);
        view.motion().setBend(1);
        ++n;
        target.fill(QColor("#3A2A21"));
        QPainter p(&target);
        view.paint(p, QPointF(W + 20, 0.3 * H));
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_TurningFrame)->Unit(benchmark::kMillisecond);

// The curling sheet alone (both faces, shading, cast shadow), without the pages under it.
static void BM_CurlSheet(benchmark::State& state) {
    QImage front(int(W), int(H), QImage::Format_ARGB32_Premultiplied);
    front.fill(Qt::transparent);
    {
        QPainter p(&front);
        p.setRenderHint(QPainter::Antialiasing);
        drawPage(p, QRectF(0, 0, W, H), 1);
    }
    QImage back(int(W), int(H), QImage::Format_ARGB32_Premultiplied);
    back.fill(QColor("#EFE6D4"));
    QImage target(int(2 * W + 40), int(1.6 * H), QImage::Format_ARGB32_Premultiplied);
    target.fill(QColor("#3A2A21"));
    pagecurl::CurlArguments a;
    const pagecurl::SheetGeometry g{QPointF(W + 20, 0.3 * H), QSizeF(W, H), true, 22};
    const double angles[] = {-20, -60, -90, -120, -160};
    int n = 0;
    for (auto _ : state) {
        pagecurl::curlArguments(angles[n++ % 5], 1, W, H, a);
        QPainter p(&target);
        pagecurl::drawSheet(p, front, back, a, g);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_CurlSheet)->Unit(benchmark::kMillisecond);
