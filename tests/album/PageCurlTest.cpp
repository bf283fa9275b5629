// Curl geometry with the documented numbers, and what a person sees of a rendered sheet.
#include "album/PageCurl.h"
#include "album/PageTurn.h"
#include "platform/Scheduler.h"
#include "platform/Clock.h"

#include <QDir>
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

// Album-like pages: cream paper with a coloured picture block and lines of "writing".
void drawDemoPage(QPainter& p, const QRectF& r, int i) {
    QPainterPath shape;
    shape.addRoundedRect(r, 22, 22);
    p.fillPath(shape, QColor("#FBF3E4"));
    const QColor c = QColor::fromHsv((i * 67 + 10) % 360, 150, 210);
    p.fillRect(QRectF(r.x() + r.width() * 0.12, r.y() + r.height() * 0.1, r.width() * 0.76, r.height() * 0.42), c);
    p.setPen(QPen(QColor("#3B2F28"), 2));
    for (int k = 0; k < 6; ++k) {
        const double y = r.y() + r.height() * (0.6 + k * 0.055);
        p.drawLine(QPointF(r.x() + r.width() * 0.12, y), QPointF(r.x() + r.width() * (0.88 - 0.07 * (k % 3)), y));
    }
    p.setPen(QColor("#3B2F28"));
    p.drawText(QRectF(r.x(), r.bottom() - 40, r.width(), 30), Qt::AlignCenter, QString::number(i));
}
void drawDemoBack(QPainter& p, const QRectF& r, int) { p.fillRect(r, QColor("#EFE6D4")); }
}  // namespace

TEST(PageCurlRender, TurnWholeViewAtStartMiddleAndEnd) {
    PageTurnController controller;
    ManualScheduler sched;
    SchedClock clock(sched);
    BookPageTurn view(controller, &sched, &clock);
    view.setPagePainters(
        [](QPainter& p, const QRectF& r, int i) { p.fillRect(r, i == 1 ? QColor(Qt::red) : QColor(Qt::green)); },
        [](QPainter& p, const QRectF& r, int) { p.fillRect(r, Qt::blue); });
    view.setPageCount(3);
    view.setCurrentPageIndex(1);
    view.setBookSize({100, 150});
    view.appear();
    sched.advance(0);
    const QPointF origin(150, 75);
    auto frame = [&] {
        QImage img(300, 300, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        view.paint(p, origin);
        return img;
    };
    const QImage rest = frame();
    EXPECT_TRUE(reddish(rest.pixel(200, 150)));  // page 1 at rest
    EXPECT_TRUE(bluish(rest.pixel(100, 150)));   // back of page 0 parked on the left
    EXPECT_TRUE(isClear(rest, 20, 150));

    view.dragChanged(-1, 100);
    const QImage start = frame();
    EXPECT_TRUE(reddish(start.pixel(200, 150)));  // progress 0: still the front of page 1
    view.dragChanged(-1 - 0.5 * 115, 100);
    view.motion().setBend(1);
    const QImage middle = frame();
    int next = 0, sheet = 0;
    for (int x = 151; x < 250; ++x) {
        const QRgb p = middle.pixel(x, 150);
        if (qGreen(p) > 150 && qRed(p) < 80) ++next;
        if (qRed(p) > 60 && qGreen(p) < 60 && qBlue(p) < 60) ++sheet;
    }
    EXPECT_GT(next, 20);   // the next page shows beside the lifted sheet
    EXPECT_GT(sheet, 10);  // and so does the sheet
    view.dragChanged(-1000, 100);
    const QImage end = frame();
    EXPECT_TRUE(qGreen(end.pixel(200, 150)) > 150 && qRed(end.pixel(200, 150)) < 80);  // progress 1: next page
    EXPECT_TRUE(bluish(end.pixel(100, 150)));

    // Developer renders of a pleasant book, for looking at.
    const QByteArray dir = qgetenv("KP_RENDER_DIR");
    if (dir.isEmpty()) return;
    BookPageTurn demo(controller, &sched, &clock);
    demo.setPagePainters(drawDemoPage, drawDemoBack);
    demo.setPageCount(5);
    demo.setCurrentPageIndex(2);
    demo.setBookSize({230, 360});
    demo.appear();
    sched.advance(0);
    QDir().mkpath(QString::fromUtf8(dir));
    int n = 0;
    for (auto [angle, bend] : {std::pair{-20.0, -0.5}, {-60.0, 1.0}, {-90.0, 1.0}, {-120.0, 1.0}, {-160.0, 1.0}, {-90.0, -0.5}}) {
        demo.dragChanged(-1, 230);
        demo.motion().setAngle(angle);
        demo.motion().setBend(bend);
        QImage img(560, 560, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor("#3A2A21"));
        QPainter p(&img);
        demo.paint(p, QPointF(280, 100));
        p.end();
        img.save(QString::fromUtf8(dir) + QString("/curl-%1.png").arg(n++));
    }
}
