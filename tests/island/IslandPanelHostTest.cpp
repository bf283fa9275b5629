// The panel hosts painter-drawn content: fresh first-run pages at each visit, the keyboard only
// while they ask for it (the end-to-end island script types a name into them), and the pointer
// forwarded in the coordinates the content was painted in.
#include "app/AppState.h"
#include "core/Notifications.h"
#include "island/IslandContent.h"
#include "island/IslandController.h"
#include "island/IslandPanel.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/IslandSetup.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct FakePages final : IslandContent {
    QColor fill = Qt::white;
    bool typing = false;
    bool shown = false;
    QRectF painted;
    std::optional<QRectF> mark;  // a red square, in the content's coordinates
    std::optional<QRectF> button;  // where a click acts, in the window's coordinates
    std::optional<QRegion> said;  // where the content says its last frame may have changed
    std::vector<QPointF> presses, moves;
    void didAppear() override { shown = true; }
    void didDisappear() override { shown = false; }
    void paint(QPainter& p, const QRectF& rect, double) override {
        painted = rect;
        p.fillRect(rect, fill);
        if (mark) p.fillRect(mark->translated(rect.topLeft()), Qt::red);
    }
    bool mousePress(QPointF pos) override {
        presses.push_back(pos);
        return true;
    }
    void mouseMove(QPointF pos) override { moves.push_back(pos); }
    bool wantsKeyboard() const override { return typing; }
    bool isActionableAt(QPointF pos) const override { return button && button->contains(pos); }
    std::optional<QRegion> reach() const override { return said; }
    std::vector<QRegion> redos;  // what the host asked to be painted again, frame by frame
    std::optional<QRegion> paintChanges(QPainter& p, const QRectF& rect, double islandHeight,
                                        const QRegion& redo) override {
        redos.push_back(redo);
        return IslandContent::paintChanges(p, rect, islandHeight, redo);
    }
};

struct PaintCount : QObject {
    int& paints;
    explicit PaintCount(int& n) : paints(n) {}
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

struct PanelHost : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{7};
    ManualScheduler lifeScheduler;
    ManualScheduler scheduler;
    NotificationCenter hub;
    test::FakeFullScreen fullScreen;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TestIslandController> island;
    std::vector<QPointer<FakePages>> made;

    void SetUp() override {
        state = std::make_unique<AppState>(*store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub);
        TestIslandController::Setup setup = test::islandSetup(store, scheduler, clock, hub, true);
        setup.fullScreen = &fullScreen;
        setup.neighbours.makeOnboarding = [this] {
            auto pages = std::make_unique<FakePages>();
            made.emplace_back(pages.get());
            return std::unique_ptr<IslandContent>(std::move(pages));
        };
        setup.neighbours.makeRoom = [] {
            auto room = std::make_unique<FakePages>();
            room->fill = QColor(0x20, 0x40, 0x60);
            return std::unique_ptr<IslandContent>(std::move(room));
        };
        island = std::make_unique<TestIslandController>(*state, std::move(setup));
        island->start();  // never onboarded: the first-run pages
    }
    IslandPanel& panel() { return *island->panel(); }
    FakePages* pages() { return static_cast<FakePages*>(panel().content()); }
    bool refusesFocus() { return panel().windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus); }
    QImage shot() {
        QImage image(panel().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        panel().render(&image);
        return image;
    }
};

TEST_F(PanelHost, FirstRunPagesArePaintedInTheOpenIslandTakeClicksThereAndAreFreshAtEachVisit) {
    ASSERT_EQ(island->machine().state(), State::onboarding);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_TRUE(made[0]->shown);
    panel().finishMoving();
    const QImage image = shot();
    const QRectF r = pages()->painted;
    EXPECT_EQ(r, panel().contentRect());
    EXPECT_EQ(image.pixelColor(r.center().toPoint()), QColor(Qt::white));
    const QPoint at = (r.topLeft() + QPointF(500, 150)).toPoint();
    QTest::mouseClick(&panel(), Qt::LeftButton, {}, at);
    ASSERT_EQ(pages()->presses.size(), 1u);
    EXPECT_EQ(pages()->presses[0], QPointF(at)) << "in the coordinates the pages were painted in";
    QTest::mouseMove(&panel(), at - QPoint(40, 20));  // no button held: hover
    EXPECT_EQ(pages()->moves, std::vector<QPointF>{QPointF(at - QPoint(40, 20))});
    EXPECT_EQ(island->machine().state(), State::onboarding) << "the pages decide when they are done";

    hub.post(note::onboardingDone);
    EXPECT_NE(panel().content(), made[0].data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(made[0].isNull()) << "the finished pages are let go";
    hub.post(note::replayOnboarding);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(panel().content(), made[1].data());
}

// A full-screen window in front hides the first-run pages at once; they wait unseen, their frames
// stopped, and come back as they were once it leaves. Asked for again meanwhile, they stay unseen.
TEST_F(PanelHost, UnderAFullScreenWindowTheFirstRunPagesWaitUnseenAsTheyWere) {
    panel().finishMoving();
    ASSERT_TRUE(panel().isVisible());
    FakePages* first = pages();
    fullScreen.become(true);
    EXPECT_FALSE(panel().isVisible());
    EXPECT_FALSE(first->shown) << "their frames stop";
    EXPECT_EQ(island->machine().state(), State::onboarding);
    fullScreen.become(false);
    EXPECT_TRUE(panel().isVisible());
    EXPECT_EQ(pages(), first) << "the same pages, where the user left them";
    EXPECT_TRUE(first->shown);

    hub.post(note::onboardingDone);
    island->pointerAt({5, 700});
    scheduler.advance(5.01 + 60.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    fullScreen.become(true);
    hub.post(note::replayOnboarding);
    ASSERT_EQ(island->machine().state(), State::onboarding);
    EXPECT_FALSE(panel().isVisible()) << "asked for under the window, the pages wait unseen";
    EXPECT_FALSE(pages()->shown);
    fullScreen.become(false);
    EXPECT_TRUE(panel().isVisible());
    EXPECT_TRUE(pages()->shown);
}

TEST_F(PanelHost, ThePointerIsAHandOnlyOverWhatAClickActsOn) {
    panel().finishMoving();
    const QPointF origin = panel().contentRect().topLeft();
    pages()->button = QRectF(origin + QPointF(200, 100), QSizeF(80, 30));
    const auto hand = [&] { return panel().cursor().shape() == Qt::PointingHandCursor; };
    QTest::mouseMove(&panel(), (origin + QPointF(240, 115)).toPoint());
    EXPECT_TRUE(hand()) << "over the button";
    QTest::mouseMove(&panel(), (origin + QPointF(400, 115)).toPoint());
    EXPECT_FALSE(hand()) << "beside it";
    QTest::mouseMove(&panel(), (origin + QPointF(240, 115)).toPoint());
    ASSERT_TRUE(hand());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&panel(), &leave);
    EXPECT_FALSE(hand()) << "the pointer left the island: it comes back as an arrow";
}

TEST_F(PanelHost, TheIslandGrowsFromTheMiddleOfItsWindow) {
    hub.post(note::onboardingDone);
    island->pointerAt({5, 700});
    scheduler.advance(5.01);  // the open island collapses to the small one
    ASSERT_EQ(island->machine().state(), State::petit);
    panel().finishMoving();
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    ASSERT_EQ(island->machine().state(), State::home);
    // The first frame of the opening: the room shows through the still small island only.
    QImage image(panel().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel().render(&image, {}, {}, QWidget::DrawWindowBackground | QWidget::IgnoreMask);
    const QColor room(0x20, 0x40, 0x60);
    int left = -1, right = -1;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, 4) == room) {
            if (left < 0) left = x;
            right = x;
        }
    ASSERT_GE(left, 0) << "the room opens with the island";
    EXPECT_LT(right - left, image.width() / 2) << "only as wide as the small island yet";
    EXPECT_NEAR((left + right + 1) / 2.0, image.width() / 2.0, 1.5) << "centred: " << left << ".." << right;
    // Without a compositor the window is cut to the island: the same place.
    if (!panel().mask().isEmpty()) {
        const QRect cut = panel().mask().boundingRect();
        EXPECT_NEAR(cut.left(), left, 1);
        EXPECT_NEAR(cut.right(), right, 1);
    }
}

TEST_F(PanelHost, AClickOnTheSmallIslandOpensTheRoom) {
    hub.post(note::onboardingDone);
    island->pointerAt({5, 700});
    scheduler.advance(5.01);
    ASSERT_EQ(island->machine().state(), State::petit);
    panel().finishMoving();
    island->pointerAt(island->islandFrame().center());
    const QRect small = panel().islandRect().toRect();
    QTest::mouseClick(&panel(), Qt::LeftButton, {}, small.center() + QPoint(small.width() / 3, 0));
    EXPECT_EQ(island->machine().state(), State::home);
}

TEST_F(PanelHost, TheIslandTakesKeysOnlyWhileThePagesAskForThem) {
    EXPECT_TRUE(refusesFocus());
    EXPECT_FALSE(panel().acceptsKeyboard());

    pages()->typing = true;  // the name page
    panel().tick();
    EXPECT_FALSE(refusesFocus());
    EXPECT_TRUE(panel().acceptsKeyboard());

    pages()->typing = false;  // on to the next page
    panel().tick();
    EXPECT_TRUE(refusesFocus());

    pages()->typing = true;
    panel().tick();
    hub.post(note::onboardingDone);  // leaving while typing gives the flag back
    EXPECT_TRUE(refusesFocus());
    EXPECT_FALSE(panel().acceptsKeyboard());
}

TEST_F(PanelHost, TheOpenRoomShowsTheCollapseCountdownAlongItsFoot) {
    hub.post(note::onboardingDone);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    ASSERT_EQ(island->machine().state(), State::home);
    panel().finishMoving();
    const QColor room(0x20, 0x40, 0x60);
    const QRectF r = panel().contentRect();
    const int foot = int(r.bottom()) - 1;
    auto lit = [&](const QImage& image, double share) {  // the foot's colour `share` along the bar
        return image.pixelColor(QPointF(r.left() + 24 + share * (r.width() - 48), foot).toPoint());
    };

    island->pointerAt(island->islandFrame().center());
    EXPECT_EQ(lit(shot(), 0.1), room) << "no countdown while the pointer is over the island";

    island->pointerAt({5, 700});  // away: the collapse counts down over 5 s
    clock.advance(2.5);
    const QImage half = shot();
    EXPECT_GT(lit(half, 0.1).red(), room.red() + 40) << "the bar's left part";
    EXPECT_GT(lit(half, 0.45).red(), room.red() + 40);
    EXPECT_EQ(lit(half, 0.55), room) << "half the time left: half the bar";
}

TEST_F(PanelHost, TheRoomsFootIsPaintedAgainOnlyWhileTheCountdownShowsAndOnceAsItGoes) {
    hub.post(note::onboardingDone);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    panel().finishMoving();
    // Frames look at the pointer themselves.
    const auto pointer = [&](QPointF at) {
        QCursor::setPos((at + island->screen()->geometry.topLeft()).toPoint());
        island->pointerAt(at);
    };
    pointer(island->islandFrame().center());
    FakePages* room = pages();
    ASSERT_NE(room, nullptr);
    const QRectF r = panel().contentRect();
    const double dpr = panel().devicePixelRatioF();
    const QPoint foot(int(r.width() / 2 * dpr), int((r.height() - 1) * dpr));
    auto frames = [&](int n) {
        room->redos.clear();
        for (int i = 0; i < n; ++i) {
            emit room->frameDue();
            QCoreApplication::processEvents();
        }
        return room->redos;
    };
    frames(2);
    for (const QRegion& redo : frames(3)) EXPECT_TRUE(redo.isEmpty()) << "no countdown: nothing is asked for";

    pointer({5, 700});
    clock.advance(1);
    const std::vector<QRegion> counting = frames(2);
    ASSERT_EQ(counting.size(), 2u);
    for (const QRegion& redo : counting) EXPECT_TRUE(redo.contains(foot)) << "the bar along the foot";

    pointer(island->islandFrame().center());
    const std::vector<QRegion> after = frames(3);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_TRUE(after[0].contains(foot)) << "where the bar was";
    EXPECT_TRUE(after[1].isEmpty());
    EXPECT_TRUE(after[2].isEmpty());
}

TEST_F(PanelHost, AnOpenRoomsFramesLookAtThePointerInPlaceOfATimerOfTheirOwn) {
    hub.post(note::onboardingDone);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    ASSERT_EQ(island->machine().state(), State::home);
    panel().finishMoving();
    ASSERT_TRUE(panel().showsRoomFrames());
    EXPECT_TRUE(island->pollsWithRoomFrames());
    // Near the island every frame looks; far from it every third, as the far poll would.
    const auto looks = [&](QPointF at, int frames) {
        int seen = 0;
        for (int i = 0; i < frames; ++i) {
            state->mousePosition = {-1, -1};
            QCursor::setPos((at + island->screen()->geometry.topLeft()).toPoint());
            emit panel().content()->frameDue();
            if (state->mousePosition != QPointF(-1, -1)) ++seen;
        }
        return seen;
    };
    EXPECT_EQ(looks(island->islandFrame().center(), 6), 6);
    EXPECT_EQ(looks({5, 700}, 6), 2);
    // With the pointer on the island, no timer wakes the app between frames to look.
    island->pointerAt(island->islandFrame().center());
    const int woken = scheduler.wakeUps();
    scheduler.advance(1.0);
    EXPECT_LT(scheduler.wakeUps() - woken, 10);
    // Leaving the room, a timer looks again.
    island->pointerAt({5, 700});
    scheduler.advance(60.01);
    EXPECT_FALSE(island->pollsWithRoomFrames());
}

TEST_F(PanelHost, OverThePanelItsMotionEventsTellWhereThePointerIsAndTheServerIsAskedNowAndThen) {
    hub.post(note::onboardingDone);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    panel().finishMoving();
    ASSERT_TRUE(island->pollsWithRoomFrames());
    const QPointF origin = island->screen()->geometry.topLeft();
    const QPointF over = island->islandFrame().center() + QPointF(20, 10);
    const auto move = [&](QPointF local) {
        QMouseEvent e(QEvent::MouseMove, panel().mapFromGlobal(local + origin), local + origin, Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&panel(), &e);
    };
    // The cursor the server would tell of stands elsewhere: only a look at it brings it.
    const QPointF elsewhere = island->islandFrame().center() + QPointF(-40, 5);
    QCursor::setPos((elsewhere + origin).toPoint());
    const auto looks = [&](int frames) {
        int seen = 0;
        for (int i = 0; i < frames; ++i) {
            move(over);
            emit panel().content()->frameDue();
            if (state->mousePosition == over) continue;
            ++seen;
        }
        return seen;
    };
    move(over);
    EXPECT_EQ(state->mousePosition, over) << "a motion over the panel is where the pointer is";
    EXPECT_EQ(looks(12), 2) << "the server is asked every sixth frame";
    // Left, every frame looks again.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&panel(), &leave);
    int seen = 0;
    for (int i = 0; i < 6; ++i) {
        state->mousePosition = {-1, -1};
        emit panel().content()->frameDue();
        if (state->mousePosition != QPointF(-1, -1)) ++seen;
    }
    EXPECT_EQ(seen, 6);
}

TEST_F(PanelHost, AnOpenRoomsFrameRepaintsOnlyWhatChangedAndTheWindowKeepsUp) {
    hub.post(note::onboardingDone);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    panel().finishMoving();
    island->pointerAt(island->islandFrame().center());  // no countdown
    FakePages* room = pages();
    ASSERT_NE(room, nullptr);
    struct PaintRegions : QObject {
        std::vector<QRegion> seen;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) seen.push_back(static_cast<QPaintEvent*>(e)->region());
            return false;
        }
    } regions;
    panel().installEventFilter(&regions);
    auto frame = [&] {
        regions.seen.clear();
        emit room->frameDue();
        QCoreApplication::processEvents();
    };
    const QPointF origin = panel().contentRect().topLeft();
    auto onScreen = [&](QPointF at) {
        const QImage window = panel().screen()->grabWindow(panel().winId()).toImage();
        return window.pixelColor((origin + at).toPoint());
    };

    frame();
    frame();
    EXPECT_TRUE(regions.seen.empty()) << "a frame that changes nothing paints nothing";

    room->mark = QRectF(100, 50, 10, 10);
    frame();
    ASSERT_EQ(regions.seen.size(), 1u);
    const QRect painted = regions.seen[0].boundingRect();
    EXPECT_TRUE(painted.contains(QRectF(origin + QPointF(100, 50), QSizeF(10, 10)).toRect()));
    EXPECT_LE(painted.width() * painted.height(), 16 * 16) << "only around the square";

    room->mark = QRectF(300, 80, 10, 10);
    frame();
    EXPECT_EQ(onScreen({105, 55}), room->fill) << "the square's old place is painted over";
    EXPECT_EQ(onScreen({305, 85}), QColor(Qt::red));
    EXPECT_EQ(onScreen({200, 120}), room->fill);

    // Where the content says a frame may change is all that is looked at.
    room->said = QRegion(290, 70, 30, 30);
    room->mark = QRectF(302, 82, 10, 10);
    frame();
    ASSERT_EQ(regions.seen.size(), 1u);
    EXPECT_TRUE(QRect(290, 70, 30, 30).translated(origin.toPoint()).contains(regions.seen[0].boundingRect()));
    room->said = QRegion(0, 0, 10, 10);
    room->mark = QRectF(100, 50, 10, 10);
    frame();
    EXPECT_TRUE(regions.seen.empty()) << "a change the content does not own up to is not looked for";
}

// On an X display the open room's frames go to the server's own picture of the window, and the
// toolkit paints the window no more meanwhile. Leaving the room, for the small island or closed,
// the island is painted again as it shrinks, and the room is gone from the screen.
TEST_F(PanelHost, LeavingTheOpenRoomTheIslandIsPaintedAgainAsItShrinks) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "the server's picture is X's";
    const QColor roomFill(0x20, 0x40, 0x60);
    hub.post(note::onboardingDone);
    // The island looks at the server's pointer too: it is put far from the island, wherever
    // another program left it.
    const QPoint away = (QPointF(5, 700) + island->screen()->geometry.topLeft()).toPoint();
    QCursor::setPos(away);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QCursor::pos() == away; }, 30000));
    for (const bool peek : {true, false}) {
        store->set("peekOnHover", peek);
        hub.post(note::openRoom, IslandRoomKind::kitchen);
        panel().finishMoving();
        island->pointerAt({5, 700});
        for (int i = 0; i < 3; ++i) {
            emit pages()->frameDue();
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(island->machine().state(), State::home);
        // A paint asked of a window the server has not shown yet waits for it to show.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel(), 30000));
        int paints = 0;
        PaintCount count(paints);
        panel().installEventFilter(&count);
        scheduler.advance(5.01);  // the collapse
        ASSERT_EQ(island->machine().state(), peek ? State::petit : State::hidden);
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints > 0; }, 30000)) << "frozen, peek " << peek;
        panel().removeEventFilter(&count);
        if (!peek) continue;
        panel().finishMoving();
        QCoreApplication::processEvents();
        const QImage shown = panel().screen()->grabWindow(panel().winId()).toImage();
        int room = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) room += shown.pixelColor(x, y) == roomFill;
        EXPECT_EQ(room, 0) << "pixels of the room left in the small island";
        island->pointerAt({5, 700});
        scheduler.advance(60.01);
        ASSERT_EQ(island->machine().state(), State::hidden);
    }
}

}  // namespace
