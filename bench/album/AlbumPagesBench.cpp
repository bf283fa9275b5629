// Album pages: drawing one page image (done once per page and kept), and one frame of the book
// viewer with its pages already drawn.
#include "album/BookViewer.h"
#include "album/CoverPage.h"
#include "album/KeepsakePage.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

using namespace kp;

namespace {

void ensureApp() {
    static int argc = 1;
    static char name[] = "album_pages_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    (void)app;
}

AlbumLeaf photoLeaf() {
    AlbumLeaf leaf;
    leaf.key = QStringLiteral("arrived");
    leaf.date = 815000000;
    leaf.age = 86400 * 3;
    leaf.note = QStringLiteral("He sat by the window and watched the drops race each other down the glass.");
    QImage photo(420, 320, QImage::Format_RGB32);
    photo.fill(QColor("#4A90C8"));
    leaf.shots.push_back({QStringLiteral("by the window"), photo, {}});
    return leaf;
}

void renderPage(benchmark::State& state, const std::function<void(QPainter&, const QRectF&)>& draw) {
    QImage img(680, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.scale(2, 2);
        draw(p, QRectF(0, 0, 340, 500));
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

}  // namespace

static void BM_LeafPagePrint(benchmark::State& state) {
    ensureApp();
    const LeafPage page{photoLeaf(), 3};
    renderPage(state, [&](QPainter& p, const QRectF& r) { page.paint(p, r); });
}
BENCHMARK(BM_LeafPagePrint)->Unit(benchmark::kMillisecond);

static void BM_MilestonePage(benchmark::State& state) {
    ensureApp();
    AlbumLeaf leaf = photoLeaf();
    leaf.key = QStringLiteral("days-100");
    const LeafPage page{leaf, 4};
    renderPage(state, [&](QPainter& p, const QRectF& r) { page.paint(p, r); });
}
BENCHMARK(BM_MilestonePage)->Unit(benchmark::kMillisecond);

static void BM_Cover(benchmark::State& state) {
    ensureApp();
    AlbumChapter c;
    c.name = QStringLiteral("Tobbi");
    c.portrait.scale = 1.9;
    renderPage(state, [&](QPainter& p, const QRectF& r) { AlbumCover{c}.paint(p, r); });
}
BENCHMARK(BM_Cover)->Unit(benchmark::kMillisecond);

// One viewer frame at the album window's size, pages already drawn.
static void BM_ViewerFrame(benchmark::State& state) {
    ensureApp();
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    AlbumChapter c;
    c.name = QStringLiteral("Tobbi");
    AlbumBookView view({AlbumBook(c, {photoLeaf()})}, 0, {}, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    QImage frame(460, 720, QImage::Format_ARGB32_Premultiplied);
    view.render(&frame);  // draws and keeps the pages
    for (auto _ : state) {
        view.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_ViewerFrame)->Unit(benchmark::kMillisecond);
