// The memory a full album costs: 400 keepsakes with 800 stored photos are opened in the album
// window, paged through to the end, minimised and restored, and closed. Prints the resident memory
// added over the resting size, at its peak and after the close; fails when the peak passes the
// limit given in megabytes (60 by default).
#include "album/AlbumBook.h"
#include "album/AlbumWindow.h"
#include "album/BookViewer.h"
#include "album/MacAlbum.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace kp;

namespace {

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

// A photo with detail, so its file is as big as a room photo's.
QImage photo(QSize size, QRandomGenerator& random) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor::fromHsv(static_cast<int>(random.bounded(360)), 90, 200));
    QPainter p(&img);
    for (int i = 0; i < 60; ++i)
        p.fillRect(QRect(static_cast<int>(random.bounded(size.width())), static_cast<int>(random.bounded(size.height())),
                         40, 30),
                   QColor::fromHsv(static_cast<int>(random.bounded(360)), 120, 160));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double limitMb = 60;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') limitMb = std::atof(argv[i]);

    QTemporaryDir dir;
    Defaults store(dir.path() + QStringLiteral("/config.ini"), dir.path() + QStringLiteral("/data"));
    ManualClock clock(900000000, 1000);
    ManualScheduler scheduler;
    MacAlbum album(store, clock, scheduler, AlbumWorld{});

    // 400 keepsakes of one cat, two photos each: the room crop and the film frame's size.
    QRandomGenerator random(17);
    const double birth = 880000000;
    std::vector<MacKeepsake> keepsakes;
    for (int i = 0; i < MacAlbum::cap; ++i) {
        MacKeepsake k;
        k.id = newKeepsakeId();
        k.key = QStringLiteral("candid");
        k.date = birth + 3600.0 * (i + 1);
        k.catBirth = birth;
        k.name = QStringLiteral("Tobbi");
        k.breed = QStringLiteral("orange");
        k.title = QStringLiteral("a quiet afternoon");
        k.note = QStringLiteral("He watched the rain from the sill and then fell asleep in the sun.");
        for (QSize size : {QSize(521, 354), QSize(570, 414)}) {
            if (auto name = album.savePhoto(photo(size, random))) k.photos.push_back(*name);
        }
        k.captions = {QStringLiteral("then"), QStringLiteral("now")};
        keepsakes.push_back(std::move(k));
    }
    if (!album.save(std::move(keepsakes))) {
        std::puts("album memory: could not write the keepsakes");
        return 1;
    }

    AlbumBookSource source;
    source.livingBirth = birth;
    source.livingName = QStringLiteral("Tobbi");
    source.livingBreed = QStringLiteral("orange");
    source.readPhotosOf(album);
    auto build = [&](double now) {
        source.now = now;
        return albumbooks::buildBooks(album.load(), source);
    };

    auto* view = new AlbumWindowView({}, album, clock, build, {}, &scheduler);
    view->resize(460, 720);
    app.processEvents();
    malloc_trim(0);
    const long rest = residentKb();
    long peak = rest;
    auto sample = [&] { peak = std::max(peak, residentKb()); };

    view->show();
    app.processEvents();
    sample();
    AlbumBookView* book = view->viewer();
    if (!book) {
        std::puts("album memory: no book");
        return 1;
    }
    const int pages = static_cast<int>(book->pages().size());
    for (int page = 1; page < pages; ++page) {
        book->next();
        for (int i = 0; i < 120 && (book->pager().isSettling() || book->pageTurn().isAnimating() || i < 2); ++i) {
            clock.advance(1.0 / 60);
            scheduler.advance(1.0 / 60);
            if (i % 15 == 0) book->repaint();
        }
        book->repaint();
        sample();
        if (qEnvironmentVariableIsSet("KP_PROBE_TRACE") && page % 20 == 1)
            std::printf("page %d: %.1f MB\n", page, (residentKb() - rest) / 1024.0);
    }
    const int reached = book->index();
    view->setWindowState(Qt::WindowMinimized);
    view->setWindowState(Qt::WindowNoState);
    app.processEvents();
    book->repaint();
    sample();
    view->hide();
    app.processEvents();
    malloc_trim(0);
    const long closed = residentKb();

    std::printf("album memory: %d pages read to page %d; %.1f MB over the resting %.1f MB at the peak, %.1f MB after "
                "the close (limit %.0f MB)\n",
                pages, reached, (peak - rest) / 1024.0, rest / 1024.0, (closed - rest) / 1024.0, limitMb);
    delete view;
    const bool ok = reached == pages - 1 && (peak - rest) / 1024.0 <= limitMb;
    if (!ok) std::puts("album memory: over the limit or not paged through");
    return ok ? 0 : 1;
}
