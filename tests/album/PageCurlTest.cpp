// Curl geometry with the documented numbers, and what a person sees of a rendered sheet.
#include "album/PageCurl.h"
#include "album/PageTurn.h"
#include "platform/Scheduler.h"
#include "platform/Clock.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>

using namespace kp;
using namespace kp::pagecurl;

namespace {
constexpr double pi = 3.14159265358979323846;

QImage solid(QColor c, int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

bool isClear(const QImage& img, int x, int y) { return qAlpha(img.pixel(x, y)) == 0; }

// Red-dominant, blue-dominant... as a person would name the colour.
bool reddish(QRgb p) { return qAlpha(p) > 200 && qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60; }
bool bluish(QRgb p) { return qAlpha(p) > 200 && qBlue(p) > qRed(p) + 60 && qBlue(p) > qGreen(p) + 40; }
}  // namespace

TEST(PageCurlRender, EndsShowOneFaceAndNothingLeavesThePages) {
    const int W = 100, H = 150;
    const QImage front = solid(Qt::red, W * 2, H * 2);  // pixel ratio 2
    const QImage back = solid(Qt::blue, W, H);
    SheetGeometry g{QPointF(150, 75), QSizeF(W, H), true, 0};
    auto render = [&](double angle, double bend) {
        QImage img(300, 300, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        drawSheet(p, front, back, curlArguments(angle, bend, W, H), g);
        return img;
    };
    const QImage flat = render(0, 1);
    EXPECT_TRUE(reddish(flat.pixel(200, 150)));
    EXPECT_TRUE(reddish(flat.pixel(151, 76)));
    EXPECT_TRUE(reddish(flat.pixel(248, 223)));
    EXPECT_TRUE(isClear(flat, 100, 150));  // left of the spine
    EXPECT_TRUE(isClear(flat, 200, 70));   // above the page
    EXPECT_EQ(flat.pixel(200, 150), qRgb(255, 0, 0));  // unshaded when lying flat

    const QImage over = render(-180, -1);
    EXPECT_TRUE(bluish(over.pixel(100, 150)));
    EXPECT_TRUE(isClear(over, 200, 150));

    const QImage half = render(-90, 1);
    int red = 0, shaded = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            const QRgb p = half.pixel(x, y);
            // Nothing outside the layer: two pages wide, 0.3 page heights above and below.
            if (x < 150 - W || x >= 150 + W || y < 75 - 0.3 * H || y >= 75 + 1.3 * H) {
                EXPECT_EQ(qAlpha(p), 0) << x << "," << y;
                continue;
            }
            if (reddish(p)) ++red;
            if (qAlpha(p) == 255 && qRed(p) < 200 && qRed(p) > 60 && qGreen(p) < 30) ++shaded;
        }
    EXPECT_GT(red, 1000);    // the bowed front still shows
    EXPECT_GT(shaded, 500);  // turned away from the light, it darkens
    EXPECT_TRUE(isClear(half, 240, 150) || qRed(half.pixel(240, 150)) == 0);  // free edge does not reach
}

namespace {
class SchedClock final : public Clock {
public:
    explicit SchedClock(const ManualScheduler& s) : s_(s) {}
    double now() const override { return s_.now(); }
    double monotonic() const override { return s_.now(); }

private:
    const ManualScheduler& s_;
};

// A 100 x 150 book resting on page 1 (red), page 2 green, every back blue.
struct Book {
    PageTurnController controller;
    ManualScheduler sched;
    SchedClock clock{sched};
    BookPageTurn view{controller, &sched, &clock};

    explicit Book(int dpr) {
        view.setPagePainters(
            [](QPainter& p, const QRectF& r, int i) { p.fillRect(r, i == 1 ? QColor(Qt::red) : QColor(Qt::green)); },
            [](QPainter& p, const QRectF& r, int) { p.fillRect(r, Qt::blue); });
        view.setPageCount(3);
        view.setCurrentPageIndex(1);
        view.setDevicePixelRatio(dpr);
        view.setBookSize({100, 150});
        view.appear();
        sched.advance(0);
    }
};

}  // namespace

TEST(PageCurlRender, TurnWholeViewAtStartMiddleAndEnd) {
    // At pixel ratio 2 the sheet is warped straight into the painter's image: the same picture.
    for (const int dpr : {1, 2}) {
        Book book(dpr);
        BookPageTurn& view = book.view;
        const QPointF origin(150, 75);
        QImage img(300 * dpr, 300 * dpr, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        auto frame = [&] {
            img.fill(Qt::transparent);
            QPainter p(&img);
            view.paint(p, origin);
        };
        // The pixel under point (x, y), a little inside it.
        auto at = [&](int x, int y) { return img.pixel(x * dpr, y * dpr); };
        frame();
        EXPECT_TRUE(reddish(at(200, 150))) << dpr;  // page 1 at rest
        EXPECT_TRUE(bluish(at(100, 150))) << dpr;   // back of page 0 parked on the left
        EXPECT_EQ(qAlpha(at(20, 150)), 0) << dpr;

        view.dragChanged(-1, 100);
        frame();
        EXPECT_TRUE(reddish(at(200, 150))) << dpr;  // progress 0: still the front of page 1
        view.dragChanged(-1 - 0.5 * 115, 100);
        view.motion().setBend(1);
        frame();
        int next = 0, sheet = 0;
        for (int x = 151; x < 250; ++x) {
            const QRgb p = at(x, 150);
            if (qGreen(p) > 150 && qRed(p) < 80) ++next;
            if (qRed(p) > 60 && qGreen(p) < 60 && qBlue(p) < 60) ++sheet;
        }
        EXPECT_GT(next, 20) << dpr;   // the next page shows beside the lifted sheet
        EXPECT_GT(sheet, 10) << dpr;  // and so does the sheet
        // The pages under the sheet stay in their places: the parked back from edge to edge.
        EXPECT_TRUE(bluish(at(53, 150)) && bluish(at(146, 150))) << dpr;
        EXPECT_EQ(qAlpha(at(36, 150)), 0) << dpr;
        EXPECT_TRUE(qGreen(at(246, 150)) > 150 && qAlpha(at(254, 150)) == 0) << dpr;
        view.dragChanged(-1000, 100);
        frame();
        EXPECT_TRUE(qGreen(at(200, 150)) > 150 && qRed(at(200, 150)) < 80) << dpr;  // progress 1: next page
        EXPECT_TRUE(bluish(at(100, 150))) << dpr;
    }
}

TEST(PageCurlRender, MidTurnOnlyTheSheetsOldAndNewPlacesAreRepainted) {
    Book book(1);
    BookPageTurn& view = book.view;
    const QPointF origin(150, 75);
    auto paint = [&](QImage& img, const QRectF& clip) {
        QPainter p(&img);
        p.setClipRect(clip);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(clip, Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        view.paint(p, origin);
    };
    const QRectF all(0, 0, 300, 300);
    QImage before(300, 300, QImage::Format_ARGB32_Premultiplied);
    view.dragChanged(-1, 100);
    view.motion().setBend(1);
    view.motion().setAngle(-40);
    paint(before, all);

    int full = 0;
    QRectF dirty;
    QObject::connect(&view, &BookPageTurn::needsRepaint, [&] { ++full; });
    QObject::connect(&view, &BookPageTurn::sheetMoved, [&](const QRectF& r) { dirty = dirty.united(r); });
    for (const double angle : {-70.0, -120.0, -165.0}) {
        view.motion().setAngle(angle);
        EXPECT_EQ(full, 0);
        ASSERT_FALSE(dirty.isEmpty());
        EXPECT_LT(dirty.width(), 200);  // not the whole book
        QImage after(300, 300, QImage::Format_ARGB32_Premultiplied);
        paint(after, all);
        // Repainting only the dirty part of the previous frame gives the new frame.
        paint(before, dirty.translated(origin));
        int differ = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x) {
                const QRgb a = before.pixel(x, y), b = after.pixel(x, y);
                if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                    std::abs(qBlue(a) - qBlue(b)) > 2 || std::abs(qAlpha(a) - qAlpha(b)) > 2)
                    ++differ;
            }
        EXPECT_EQ(differ, 0) << angle;
        dirty = {};
    }
}

TEST(PageCurlRender, ALargeSheetIsDrawnWholeEveryTime) {
    // A page of the album at ratio 2: its rows are shared out in bands between two threads.
    const double W = 362, H = 532, dpr = 2;
    QImage front = solid(QColor(200, 40, 40), int(W * dpr), int(H * dpr));
    front.setDevicePixelRatio(dpr);
    QImage back = solid(QColor(40, 40, 200), int(W * dpr), int(H * dpr));
    back.setDevicePixelRatio(dpr);
    const SheetGeometry g{QPointF(W + 10, 0.3 * H), QSizeF(W, H), true, 0};
    prepare(g.pageSize, dpr);
    const CurlArguments a = curlArguments(-30, 1, W, H);
    auto draw = [&] {
        QImage img(int((2 * W + 20) * dpr), int(1.6 * H * dpr), QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        QPainter p(&img);
        drawSheet(p, front, back, a, g);
        p.end();
        return img;
    };
    const QImage first = draw();
    // The sheet's middle: front from the spine out to where it bows, no row left out.
    const int x = int((W + 10 + 0.5 * a.maxX) * dpr);
    for (int y = int(0.3 * H * dpr) + 4; y < int(1.3 * H * dpr) - 4; ++y)
        ASSERT_TRUE(reddish(first.pixel(x, y))) << y;
    for (int i = 0; i < 20; ++i) ASSERT_EQ(draw(), first) << i;
}
