// The host widget: mouse drags through real events turn the page; the page draws where it was placed.
#include "album/PageTurnWidget.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace kp;

namespace {
class SchedClock final : public Clock {
public:
    explicit SchedClock(const ManualScheduler& s) : s_(s) {}
    double now() const override { return s_.now(); }
    double monotonic() const override { return s_.now(); }

private:
    const ManualScheduler& s_;
};
}  // namespace

TEST(BookPageTurnWidget, DragsWithTheMouseAndDrawsAtThePageRect) {
    PageTurnController controller;
    ManualScheduler sched;
    SchedClock clock(sched);
    BookPageTurnWidget w(controller, nullptr, &sched, &clock);
    w.resize(500, 400);
    w.turn().setPagePainters([](QPainter& p, const QRectF& r, int i) { p.fillRect(r, i ? Qt::green : Qt::red); },
                             [](QPainter& p, const QRectF& r, int) { p.fillRect(r, Qt::blue); });
    w.turn().setPageCount(2);
    w.setPageRect(QRectF(250, 50, 200, 300));
    w.turn().appear();
    sched.advance(0);

    QImage shot = w.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(350, 200)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(100, 200)), QColor(Qt::blue));  // no page before the first

    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(420, 200));
    for (int x = 410; x >= 150; x -= 20) {
        sched.advance(0.016);
        QTest::mouseMove(&w, QPoint(x, 200));
    }
    EXPECT_TRUE(controller.isTurning());
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(150, 200));
    EXPECT_TRUE(controller.isSettling());
    for (int i = 0; i < 120; ++i) sched.advance(1.0 / 60);
    EXPECT_EQ(w.turn().currentPageIndex(), 1);
    shot = w.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(350, 200)), QColor(Qt::green));
    EXPECT_EQ(QColor(shot.pixel(100, 200)), QColor(Qt::blue));  // page 0's back now lies on the left

    QTest::keyClick(&w, Qt::Key_Left);
    for (int i = 0; i < 120; ++i) sched.advance(1.0 / 60);
    EXPECT_EQ(w.turn().currentPageIndex(), 0);
}
