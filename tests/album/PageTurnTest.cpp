// Page-turn controller, motion, curves and the turn logic driven by a hand-moved clock.
#include "album/PageTurn.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kp;
using pageturn::Turn;

namespace {

// Monotonic time follows the manual scheduler, so one `advance` moves both.
class SchedulerClock final : public Clock {
public:
    explicit SchedulerClock(const ManualScheduler& s) : s_(s) {}
    double now() const override { return s_.now(); }
    double monotonic() const override { return s_.now(); }

private:
    const ManualScheduler& s_;
};

QColor pageColour(int i) { return QColor::fromHsv((i * 37) % 360, 200, 220); }

class PageTurnLogic : public ::testing::Test {
protected:
    PageTurnLogic() : clock(sched), view(controller, &sched, &clock) {
        view.setPagePainters([this](QPainter& p, const QRectF& r, int i) {
                                 ++frontRenders;
                                 p.fillRect(r, pageColour(i));
                             },
                             [this](QPainter& p, const QRectF& r, int) {
                                 ++backRenders;
                                 p.fillRect(r, Qt::white);
                             });
        view.setOnTurn([this] { ++turns; });
        view.setOnCommittedTurn([this] { committed.push_back(view.currentPageIndex()); });
    }

    void open(int pages, int at, QSizeF size = {200, 294}) {
        view.setPageCount(pages);
        view.setCurrentPageIndex(at);
        view.setBookSize(size);
        view.appear();
        sched.advance(0);
    }
    void run(double seconds) {
        for (double t = 0; t < seconds; t += 1.0 / 60) sched.advance(1.0 / 60);
    }
    std::vector<int> faceKeys() const {
        std::vector<int> k;
        for (const auto& [i, f] : view.faces()) k.push_back(i);
        return k;
    }
    // Drags a fresh turn to progress p (forward turns from the right, backward from the left).
    void dragTo(double p, bool forward) {
        const double W = view.bookSize().width() * BookPageTurn::dragGain;
        view.dragChanged(forward ? -1 : 1, 200);
        view.dragChanged(forward ? -1 - p * W : 1 + (1 - p) * W, 200);
    }

    PageTurnController controller;
    ManualScheduler sched;
    SchedulerClock clock;
    BookPageTurn view;
    int turns = 0;
    int frontRenders = 0;
    int backRenders = 0;
    std::vector<int> committed;
};

}  // namespace

TEST_F(PageTurnLogic, RequestedJumpTurnsTheLowerSheetAndLandsOnTheTarget) {
    open(10, 2);
    EXPECT_EQ(faceKeys(), (std::vector<int>{1, 2}));
    controller.setRequestGeneration(controller.requestGeneration() + 1);  // no index yet: nothing
    EXPECT_FALSE(view.activeTurn());

    controller.request(7);
    ASSERT_TRUE(view.activeTurn());
    EXPECT_EQ(*view.activeTurn(), (Turn{2, 7, 7, true}));
    EXPECT_TRUE(controller.isTurning());
    EXPECT_FALSE(controller.isSettling());

    controller.request(5);  // same moment: the turn is set up, so this one is dropped
    EXPECT_EQ(*view.activeTurn(), (Turn{2, 7, 7, true}));
    EXPECT_EQ(turns, 0);

    sched.advance(0);  // next pass of the loop: the settle starts and the sound plays
    EXPECT_TRUE(controller.isSettling());
    EXPECT_EQ(turns, 1);
    run(0.37);
    EXPECT_LT(view.motion().angle(), -90);  // the curve front-loads the movement
    EXPECT_GT(view.motion().angle(), -180);
    controller.request(3);  // while settling: dropped
    run(0.5);
    EXPECT_FALSE(view.activeTurn());
    EXPECT_EQ(view.currentPageIndex(), 7);
    EXPECT_EQ(turns, 1);
    EXPECT_EQ(committed, (std::vector<int>{7}));
    EXPECT_FALSE(controller.isTurning());
    EXPECT_FALSE(controller.isSettling());
    sched.advance(0);
    EXPECT_EQ(faceKeys(), (std::vector<int>{6, 7}));

    controller.request(2);  // back again: the sheet of page 2 comes from the left over page 7
    EXPECT_EQ(*view.activeTurn(), (Turn{2, 7, 2, false}));
    EXPECT_EQ(view.motion().angle(), -180);
    run(1);
    EXPECT_EQ(view.currentPageIndex(), 2);
}

TEST_F(PageTurnLogic, ImpossibleRequestsAreDroppedAndTheIndexPutBack) {
    open(4, 0);
    EXPECT_FALSE(view.parkedPageIndex());
    view.accessibilityPreviousPage();
    EXPECT_FALSE(view.activeTurn());
    view.setCurrentPageIndex(9);  // the host wrote an impossible page
    EXPECT_EQ(view.currentPageIndex(), 0);
    view.setCurrentPageIndex(3);  // the host's own move to the last page turns there
    ASSERT_TRUE(view.activeTurn());
    EXPECT_EQ(view.activeTurn()->targetIndex, 3);
    view.setCurrentPageIndex(1);  // during a turn: left to the turn
    EXPECT_EQ(view.activeTurn()->targetIndex, 3);
    run(1);
    EXPECT_EQ(view.currentPageIndex(), 3);
    view.accessibilityNextPage();
    EXPECT_FALSE(view.activeTurn());
    controller.request(-1);
    EXPECT_FALSE(view.activeTurn());
    EXPECT_EQ(view.currentPageIndex(), 3);
}

TEST_F(PageTurnLogic, ReduceMotionChangesPagesAtOnceAndRendersNoFaces) {
    view.setReduceMotion(true);
    open(5, 1);
    EXPECT_TRUE(view.faces().empty());
    controller.request(3);
    EXPECT_FALSE(view.activeTurn());
    EXPECT_EQ(view.currentPageIndex(), 3);
    EXPECT_EQ(turns, 1);
    view.dragChanged(-50, 200);
    view.dragEnded(-50, -50, 100, 200);  // 50 points is not enough
    EXPECT_EQ(view.currentPageIndex(), 3);
    view.dragEnded(-51, -51, 100, 200);
    EXPECT_EQ(view.currentPageIndex(), 4);
    view.dragEnded(80, 80, 100, 200);
    EXPECT_EQ(view.currentPageIndex(), 3);
    view.setBookSize({300, 400});
    sched.advance(0);
    EXPECT_TRUE(view.faces().empty());
}

TEST_F(PageTurnLogic, DragAtTheEndsLeansAndSpringsBack) {
    open(3, 0);
    view.dragChanged(100, 200);
    EXPECT_NEAR(view.motion().lean(), 100.0 / 28, 1e-9);
    view.dragChanged(500, 200);
    EXPECT_EQ(view.motion().lean(), 7);
    EXPECT_FALSE(controller.isTurning());
    view.dragEnded(500, 520, 600, 200);
    run(1.5);
    EXPECT_NEAR(view.motion().lean(), 0, 1e-9);
    EXPECT_EQ(view.currentPageIndex(), 0);
    EXPECT_EQ(turns, 0);

    open(1, 0);  // a book of one page only leans
    view.dragChanged(-90, 200);
    EXPECT_NEAR(view.motion().lean(), -90.0 / 28, 1e-9);
    EXPECT_FALSE(view.activeTurn());
}

TEST_F(PageTurnLogic, ALeaningPageSwingsAboutItsSpineAndKeepsItsHeight) {
    // Dragged outward at the first and at the last page, the page leans and turns no further.
    struct Case { int at; double drag; };
    for (const Case c : {Case{0, 500}, Case{2, -500}}) {
        open(3, c.at);
        run(2);  // a host's move to the last page turns there first
        view.dragChanged(c.drag, 200);
        ASSERT_NE(view.motion().lean(), 0) << c.at;
        const QPointF origin(300, 100);
        QImage img(600, 700, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        view.paint(p, origin);
        p.end();
        const QColor page = pageColour(c.at);
        auto isPage = [&](int x, int y) {
            const QRgb px = img.pixel(x, y);
            return std::abs(qRed(px) - page.red()) + std::abs(qGreen(px) - page.green()) + std::abs(qBlue(px) - page.blue()) < 24;
        };
        QRect drawn;
        int spineTop = -1, spineBottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                if (!isPage(x, y)) continue;
                drawn |= QRect(x, y, 1, 1);
                if (x == int(origin.x()) + 1) {
                    if (spineTop < 0) spineTop = y;
                    spineBottom = y;
                }
            }
        const QSizeF size = view.bookSize();
        ASSERT_FALSE(drawn.isEmpty()) << c.at;
        // The spine stays where it was; the free edge swings toward or away from the reader, so the
        // page is at most a little taller there.
        EXPECT_NEAR(spineTop, origin.y(), 2) << c.at;
        EXPECT_NEAR(spineBottom, origin.y() + size.height(), 2) << c.at;
        EXPECT_LT(drawn.height(), 1.1 * size.height()) << c.at;
        EXPECT_GT(drawn.top(), origin.y() - 0.05 * size.height()) << c.at;
        view.dragEnded(c.drag, c.drag, 600, 200);
        run(1.5);
    }
}

TEST_F(PageTurnLogic, DragFollowsTheFingerFromWhereTheTurnStarted) {
    open(5, 2);
    view.dragChanged(-20, 200);
    ASSERT_TRUE(view.activeTurn());
    EXPECT_EQ(*view.activeTurn(), (Turn{2, 3, 3, true}));
    EXPECT_EQ(view.motion().bend(), -0.5);
    EXPECT_TRUE(controller.isTurning());
    view.dragChanged(30, 200);  // right of its start: stays a flat forward turn
    EXPECT_EQ(view.motion().angle(), 0);
    EXPECT_TRUE(view.activeTurn()->forward);
    view.dragChanged(-20 - 115, 200);  // half of 1.15 page widths: half way
    EXPECT_NEAR(view.motion().angle(), -90, 1e-9);
    view.dragChanged(-2000, 200);
    EXPECT_EQ(view.motion().angle(), -180);
}

TEST_F(PageTurnLogic, ReleaseCommitsByPlaceAndSpeed_ALostDragByPlace) {
    struct Case { double v; bool commits; };
    for (const Case c : {Case{0, false}, Case{0.9, false}, Case{1.1, true}}) {
        open(5, 2);
        turns = 0;
        dragTo(0.40, true);
        // v = -4 (predicted - current) / (width * gain)
        const double shift = -c.v * 200 * BookPageTurn::dragGain / 4;
        view.dragEnded(-1, 100 + shift, 100, 200);
        EXPECT_TRUE(controller.isSettling());
        EXPECT_EQ(turns, c.commits ? 1 : 0) << "v " << c.v;
        run(2);
        EXPECT_EQ(view.currentPageIndex(), c.commits ? 3 : 2) << "v " << c.v;
        EXPECT_FALSE(view.activeTurn());
        EXPECT_FALSE(controller.isSettling());
        view.setCurrentPageIndex(2);
        run(2);
    }

    // A drag that goes away without an end settles by the half-way rule.
    dragTo(0.6, true);
    view.isDraggingChanged(false);
    run(2);
    EXPECT_EQ(view.currentPageIndex(), 3);
    dragTo(0.45, true);
    view.isDraggingChanged(false);
    run(2);
    EXPECT_EQ(view.currentPageIndex(), 3);
}

TEST_F(PageTurnLogic, MouseDragNeedsFourteenPointsAndKeysTurnPages) {
    open(5, 2);
    view.mousePressed({150, 100});
    view.mouseMoved({140, 100});
    EXPECT_FALSE(view.isDragging());
    EXPECT_FALSE(view.activeTurn());
    view.mouseMoved({130, 100});
    EXPECT_TRUE(view.isDragging());
    ASSERT_TRUE(view.activeTurn());
    sched.advance(0.05);
    view.mouseMoved({0, 100});
    sched.advance(0.016);
    view.mouseReleased({-30, 100});  // quick flick to the left
    EXPECT_FALSE(view.isDragging());
    run(2);
    EXPECT_EQ(view.currentPageIndex(), 3);

    view.mousePressed({500, 100});  // outside the page
    view.mouseMoved({300, 100});
    EXPECT_FALSE(view.isDragging());

    EXPECT_TRUE(view.keyPressed(Qt::Key_Left));
    run(1);
    EXPECT_EQ(view.currentPageIndex(), 2);
    EXPECT_TRUE(view.keyPressed(Qt::Key_Right));
    run(1);
    EXPECT_EQ(view.currentPageIndex(), 3);
    EXPECT_FALSE(view.keyPressed(Qt::Key_A));
}

TEST_F(PageTurnLogic, TheNextPageIsDrawnBeforeItsTurnStarts) {
    open(5, 2);  // the idle pass after opening draws what the next turns need
    const int drawn = frontRenders;
    controller.request(3);
    ASSERT_TRUE(view.activeTurn());
    EXPECT_EQ(frontRenders, drawn);
}

TEST_F(PageTurnLogic, TheFirstFrameOfATurnEitherWayDrawsNoPage) {
    // Every page under a sheet that turns either way, the parked ones included, is drawn at rest.
    for (const int to : {4, 2}) {
        open(6, 3);
        QImage frame(600, 600, QImage::Format_ARGB32_Premultiplied);
        const int fronts = frontRenders, backs = backRenders;
        controller.request(to);
        ASSERT_TRUE(view.activeTurn());
        QPainter p(&frame);
        view.paint(p, QPointF(250, 100));
        p.end();
        EXPECT_EQ(frontRenders, fronts) << to;
        EXPECT_EQ(backRenders, backs) << to;
        run(2);
        ASSERT_EQ(view.currentPageIndex(), to);
        view.setCurrentPageIndex(3);
        run(2);
    }
}
