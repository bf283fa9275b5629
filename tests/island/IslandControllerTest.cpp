#include "island/IslandController.h"

#include "app/AppState.h"
#include "cat/art/CatCoat.h"
#include "core/Notifications.h"
#include "island/IslandPanel.h"
#include "island/X11Window.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/IslandSetup.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QMenu>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

struct FakeMusic final : IslandMusic {
    std::vector<bool> active;
    int updates = 0, moods = 0;
    int moodsAtFirstUpdate = -1;
    std::optional<bool> enabled, always;
    std::optional<double> volume;
    void setActive(bool a) override { active.push_back(a); }
    void setEnabled(bool e) override { enabled = e; }
    void setAlways(bool a) override { always = a; }
    void setVolume(double v) override { volume = v; }
    void setMood(const SkyLook&, bool) override { ++moods; }
    void update() override {
        if (updates++ == 0) moodsAtFirstUpdate = moods;
    }
};

// A tray host that the test brings and takes away.
struct FakeTray final : IslandTray {
    bool on = false;
    bool available() const override { return on; }
    void become(bool now) {
        on = now;
        if (changed) changed();
    }
};

using test::FakeFullScreen;

struct Island : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{7};
    ManualScheduler lifeScheduler;  // never advanced: the cat holds still
    ManualScheduler scheduler;
    NotificationCenter hub;
    FakeMusic music;
    std::vector<bool> notchOpen;
    std::vector<IslandRoomKind> followed;
    FakeTray tray;
    FakeFullScreen fullScreen;
    std::unique_ptr<AppState> state;
    std::unique_ptr<TestIslandController> island;

    void SetUp() override {
        state = std::make_unique<AppState>(
            *store, std::make_unique<PetLife>(*store, clock, random, lifeScheduler), hub);
        make(false);
    }
    // The island, with or without its panel, on these screens (the primary one when none).
    void make(bool withPanel, IslandScreens* screens = nullptr, IslandTray* tray = nullptr,
              IslandFullScreen* fullScreen = nullptr) {
        island.reset();
        TestIslandController::Setup setup = test::islandSetup(store, scheduler, clock, hub, withPanel);
        setup.screens = screens;
        setup.tray = tray;
        setup.fullScreen = fullScreen;
        setup.neighbours.music = &music;
        setup.neighbours.setNotchOpen = [this](bool open) { notchOpen.push_back(open); };
        island = std::make_unique<TestIslandController>(*state, std::move(setup));
        island->setFollowView([this](IslandRoomKind r) { followed.push_back(r); });
    }
    void launchOnboarded() {
        store->set("onboardedV1", true);
        island->start();
    }
    QPointF topCentre() const { return {720, 4}; }
    QPointF farAway() const { return {100, 700}; }
};

TEST_F(Island, MusicIsActiveForHomeGreetingAndOnboardingTheAlbumHearsOnlyHomeAndOnlyTheGreetingTrills) {
    store->set("musicOn", false);
    store->set("musicAlways", true);
    store->set("musicVolume", 0.3);
    std::vector<std::pair<PetSound, double>> played;
    state->setSoundPlayer([&](PetSound s, double pitch) { played.emplace_back(s, pitch); });
    state->life().setOnSound(nullptr);  // only what the island itself plays
    launchOnboarded();
    EXPECT_EQ(played, (std::vector<std::pair<PetSound, double>>{{PetSound::trill, 1.3}})) << "in the kitten's voice";
    EXPECT_EQ(music.enabled, false);
    EXPECT_EQ(music.always, true);
    EXPECT_EQ(music.volume, 0.3);
    EXPECT_EQ(music.moodsAtFirstUpdate, 1) << "the first music is in the mood of the moment";
    music.active.clear();
    notchOpen.clear();

    island->pointerAt(topCentre());    // coucou -> petit
    island->clickAt({100, 10});        // -> home
    island->pointerAt(farAway());
    scheduler.advance(5.01);           // -> petit
    scheduler.advance(60.01);          // -> hidden
    hub.post(note::replayOnboarding);  // -> onboarding
    EXPECT_EQ(music.active, (std::vector<bool>{false, true, false, false, true}));
    EXPECT_EQ(notchOpen, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(played.size(), 1u) << "only the greeting trills";

    const int moods = music.moods;
    scheduler.advance(60);
    EXPECT_EQ(music.moods, moods + 1) << "the mood is checked every minute";
}

TEST_F(Island, OpenRoomNeedsTheRoomValueAndWaitsForOnboarding) {
    island->start();
    ASSERT_EQ(island->machine().state(), State::onboarding);
    hub.post(note::openRoom, IslandRoomKind::kitchen);
    EXPECT_EQ(island->machine().state(), State::onboarding);
    EXPECT_EQ(state->roomKind(), IslandRoomKind::bedroom);
    EXPECT_TRUE(followed.empty());

    hub.post(note::onboardingDone);
    ASSERT_EQ(island->machine().state(), State::home);
    island->pointerAt(farAway());
    scheduler.advance(5.01);
    ASSERT_EQ(island->machine().state(), State::petit);

    hub.post(note::openRoom, QStringLiteral("kitchen"));
    EXPECT_EQ(island->machine().state(), State::petit) << "a raw string is not a room";
    EXPECT_EQ(state->roomKind(), IslandRoomKind::bedroom);

    hub.post(note::openRoom, IslandRoomKind::kitchen);
    EXPECT_EQ(island->machine().state(), State::home);
    EXPECT_EQ(state->roomKind(), IslandRoomKind::kitchen);
    EXPECT_EQ(followed, std::vector<IslandRoomKind>{IslandRoomKind::kitchen});
}

TEST_F(Island, TheGreetingSaysTheCatsName) {
    make(true);
    state->setPetName(QStringLiteral("Mo"));
    launchOnboarded();
    island->panel()->finishMoving();
    const QImage shortName = island->panel()->grab().toImage();
    state->setPetName(QStringLiteral("Mochimochi"));
    EXPECT_NE(island->panel()->grab().toImage(), shortName);
}

// Pixels of the shown panel near `colour` within `area` (points), drawn three pixels a point.
int panelPixelsNear(IslandPanel& panel, const QRect& area, const QColor& colour) {
    constexpr int kScale = 3;
    QImage image(panel.size() * kScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    image.fill(Qt::transparent);
    panel.render(&image);
    int n = 0;
    const QRect pixels(area.topLeft() * kScale, area.size() * kScale);
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.alpha() > 200 && std::abs(c.red() - colour.red()) < 24 &&
                 std::abs(c.green() - colour.green()) < 24 && std::abs(c.blue() - colour.blue()) < 24;
        }
    return n;
}

// The small island's face is the cat's own: in the coat picked for it, from the start and at once
// when another is picked; its eyes shut while the cat sleeps or naps and open again when it wakes.
TEST_F(Island, TheSmallIslandsFaceWearsTheChosenCoatAndSleepsWithTheCat) {
    store->set("catBreed", "british");
    make(true);
    QCursor::setPos(farAway().toPoint());
    launchOnboarded();
    island->pointerAt(island->hoverZone().center());
    ASSERT_EQ(island->machine().state(), State::petit);
    IslandPanel& panel = *island->panel();
    panel.finishMoving();
    ASSERT_EQ(panel.size(), QSize(276, 32));
    const QRect face(6, 3, 34, 26);  // the left wing, where the face sits
    const QColor grey = coat(CatBreed::british).base, orange = coat(CatBreed::orange).base;
    EXPECT_GT(panelPixelsNear(panel, face, grey), 300) << "the picked coat from the start";
    EXPECT_LT(panelPixelsNear(panel, face, orange), 20);
    store->set("catBreed", "orange");
    EXPECT_GT(panelPixelsNear(panel, face, orange), 300) << "another pick shows at once";
    EXPECT_LT(panelPixelsNear(panel, face, grey), 20);

    // Open eyes show their iris at least once over a few seconds (a blink may shut them a moment);
    // once the face has turned to sleep, never.
    const QColor iris = coat(CatBreed::orange).eye;
    const auto mostIris = [&] {
        panelPixelsNear(panel, face, iris);  // the face starts turning as it is painted
        clock.advance(1);
        int most = 0;
        for (int i = 0; i < 8; ++i) {
            clock.advance(0.25);
            most = std::max(most, panelPixelsNear(panel, face, iris));
        }
        return most;
    };
    const int awake = mostIris();
    EXPECT_GT(awake, 15) << "open eyes";
    state->life().setSleeping(true);
    EXPECT_LT(mostIris(), awake / 5) << "shut while the cat sleeps";
    state->life().setSleeping(false);
    EXPECT_GT(mostIris(), awake / 2) << "and open once it wakes";
    state->life().setPose(PetPose::napping);
    EXPECT_LT(mostIris(), awake / 5) << "shut while it naps";
    state->life().setPose(PetPose::sitting);
    EXPECT_GT(mostIris(), awake / 2);
}

// The pointer is looked at often only where it matters: near a shown island.
TEST_F(Island, PointerPollSlowsDownAwayFromTheIslandAndWhileHidden) {
    make(true);
    QCursor::setPos(QPoint(5, 500));  // far from the top centre, where the poll finds it
    launchOnboarded();
    island->pointerAt({5, 500});
    EXPECT_DOUBLE_EQ(island->pollInterval(), TestIslandController::kShownFarPoll) << "greeting, pointer far";
    island->pointerAt(island->hoverZone().center());
    ASSERT_EQ(island->machine().state(), State::petit);
    EXPECT_DOUBLE_EQ(island->pollInterval(), TestIslandController::kFastPoll) << "pointer on the island";
    island->pointerAt({5, 500});
    scheduler.advance(60.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    EXPECT_GE(island->pollInterval(), 0.125) << "far from the notch, the hidden island looks seldom";
    store->set("peekOnHover", false);
    EXPECT_DOUBLE_EQ(island->pollInterval(), 0) << "nothing to look for while hidden";
}

// A hand's quick move from `from` to `to` in `seconds`: slow to start, fastest midway, slow to land.
QPointF along(QPointF from, QPointF to, double seconds, double t) {
    const double u = std::clamp(t / seconds, 0.0, 1.0);
    return from + (to - from) * (u * u * u * (10 - 15 * u + 6 * u * u));
}

// The hidden island follows the pointer at the display's rate once it comes near, and looks again
// just as it should arrive: however the move falls between two looks, the peek comes within half a
// frame of the pointer reaching the zone.
TEST_F(Island, HiddenIslandPeeksWithinAFrameOfThePointerReachingIt) {
    make(true);
    QCursor::setPos(farAway().toPoint());
    launchOnboarded();
    island->panel()->finishMoving();  // the greeting on screen: its time runs
    scheduler.advance(4.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    const QPointF target = island->hoverZone().center();
    const double step = 0.0005;
    for (QPointF from : {farAway(), QPointF(720, 450), QPointF(1400, 60)}) {
        for (double seconds : {0.25, 0.6}) {
            for (double lead : {0.0, 0.037, 0.091, 0.173}) {
                QCursor::setPos(from.toPoint());
                scheduler.advance(1 + lead);  // the pointer rests, then sets off between two looks
                std::optional<double> reached;
                double t = 0;
                for (; t < seconds + 0.1 && island->machine().state() == State::hidden; t += step) {
                    const QPointF p = along(from, target, seconds, t);
                    QCursor::setPos(p.toPoint());
                    if (!reached && island->hoverZone().contains(QPointF(p.toPoint()))) reached = t;
                    scheduler.advance(step);
                }
                ASSERT_TRUE(reached);
                ASSERT_EQ(island->machine().state(), State::petit);
                EXPECT_LE(t - *reached, TestIslandController::kFastPoll / 2)
                    << "from " << from.x() << "," << from.y() << " in " << seconds << " s, " << lead << " s after a rest";
                QCursor::setPos(farAway().toPoint());
                scheduler.advance(61);
                ASSERT_EQ(island->machine().state(), State::hidden);
            }
        }
    }
    EXPECT_DOUBLE_EQ(TestIslandController::hiddenPoll(0), TestIslandController::kFastPoll);
    EXPECT_DOUBLE_EQ(TestIslandController::hiddenPoll(2000), TestIslandController::kFarPoll) << "far away it rests";
}

// With no tray host the hidden island's place is the way to the menu: a click there opens the
// island whether or not the pointer peeks it; with a tray host it is the desktop's, as designed.
TEST_F(Island, WithoutATrayHostAClickAtTheHiddenIslandsPlaceOpensItWhateverTheHoverSwitch) {
    make(false, nullptr, &tray);
    store->set("peekOnHover", false);
    store->set("peekIdleSeconds", 5.0);
    launchOnboarded();
    island->pointerAt(farAway());
    scheduler.advance(4.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    EXPECT_TRUE(island->menuOnIsland());
    EXPECT_TRUE(island->takesHiddenClicks());
    island->pointerAt(topCentre());
    EXPECT_EQ(island->machine().state(), State::hidden) << "the hover still follows the switch";
    island->hiddenClick(Qt::RightButton, topCentre());
    EXPECT_EQ(island->machine().state(), State::hidden) << "the right button is the menu's";
    island->hiddenClick(Qt::LeftButton, topCentre());
    EXPECT_EQ(island->machine().state(), State::home);
    EXPECT_FALSE(island->takesHiddenClicks()) << "only while hidden";

    island->pointerAt(farAway());
    scheduler.advance(10.02);
    ASSERT_EQ(island->machine().state(), State::hidden);
    tray.become(true);
    EXPECT_FALSE(island->menuOnIsland());
    EXPECT_FALSE(island->takesHiddenClicks());
    island->hiddenClick(Qt::LeftButton, topCentre());
    EXPECT_EQ(island->machine().state(), State::hidden) << "with a tray host the click is not the island's";
    tray.become(false);
    const QRectF notch = island->islandFrame();
    EXPECT_EQ(island->hiddenPlace(), QRectF(notch.topLeft(), QSizeF(notch.width(), TestIslandController::kEdgePlace)))
        << "without the peek only the top edge, so windows below keep their title bars";
    store->set("peekOnHover", true);
    EXPECT_TRUE(island->takesHiddenClicks()) << "the tray gone, the place takes clicks again, peek or not";
    EXPECT_EQ(island->hiddenPlace(), notch) << "where the island peeks";
    island->hiddenClick(Qt::LeftButton, topCentre());
    EXPECT_EQ(island->machine().state(), State::home);
}

// A pomodoro round the test starts and ends.
struct FakePomodoro final : IslandPomodoro {
    PomodoroPhase now = PomodoroPhase::idle;
    PomodoroPhase phase() const override { return now; }
    double progress() const override { return 0.5; }
    int minutesLeft() const override { return 12; }
    bool walletEnabled() const override { return false; }
    void startFocus() override {}
    void startBreak() override {}
    void stop() override {}
};

// While a full-screen window is in front at the top centre (a video, a game), nothing of the island
// shows there or takes the pointer, in any state: no click place, no peek on hover, for a pomodoro
// or an alert, no open island. What was to show comes once the window has left.
TEST_F(Island, UnderAFullScreenWindowNothingOfTheIslandShowsOrTakesThePointer) {
    FakePomodoro pomodoro;
    island.reset();
    TestIslandController::Setup setup = test::islandSetup(store, scheduler, clock, hub, true);
    setup.tray = &tray;
    setup.fullScreen = &fullScreen;
    setup.neighbours.pomodoro = &pomodoro;
    island = std::make_unique<TestIslandController>(*state, std::move(setup));
    IslandPanel& panel = *island->panel();
    const auto shows = [&] { return panel.isVisible(); };
    QCursor::setPos(farAway().toPoint());
    launchOnboarded();
    ASSERT_TRUE(fullScreen.followed) << "from the start: the greeting too may be held back";
    panel.finishMoving();
    scheduler.advance(4.01);
    ASSERT_EQ(island->machine().state(), State::hidden);
    panel.finishMoving();
    ASSERT_FALSE(shows());
    EXPECT_EQ(fullScreen.followed->second, island->islandFrame().toAlignedRect()) << "where the hidden island sits";
    EXPECT_TRUE(fullScreen.followed->first.contains(fullScreen.followed->second));

    fullScreen.become(true);
    EXPECT_TRUE(island->underFullScreen());
    EXPECT_FALSE(island->takesHiddenClicks());
    EXPECT_DOUBLE_EQ(island->pollInterval(), 0) << "the pointer is not looked for";
    island->pointerAt(island->hoverZone().center());
    EXPECT_EQ(island->machine().state(), State::hidden) << "no peek over the window";
    island->hiddenClick(Qt::LeftButton, island->hoverZone().center());
    EXPECT_EQ(island->machine().state(), State::hidden) << "the click is the window's";

    fullScreen.become(false);
    EXPECT_TRUE(island->takesHiddenClicks());
    EXPECT_GT(island->pollInterval(), 0);
    island->pointerAt(farAway());
    island->pointerAt(island->hoverZone().center());
    EXPECT_EQ(island->machine().state(), State::petit) << "the window gone, the hover peeks again";
    EXPECT_TRUE(shows());
    fullScreen.become(true);
    EXPECT_FALSE(shows()) << "a peek already out goes at once";
    EXPECT_FALSE(island->isPointerIn());
    EXPECT_DOUBLE_EQ(island->pollInterval(), 0);
    island->pointerAt(island->hoverZone().center());
    EXPECT_FALSE(shows());
    fullScreen.become(false);
    island->pointerAt(farAway());

    island->hiddenClick(Qt::LeftButton, topCentre());
    ASSERT_EQ(island->machine().state(), State::home);
    fullScreen.become(true);
    EXPECT_FALSE(shows()) << "the open island goes too";
    EXPECT_EQ(state->mode(), IslandMode::hidden);

    pomodoro.now = PomodoroPhase::focus;
    hub.post(note::pomodoroChanged);
    EXPECT_FALSE(shows()) << "no pomodoro peek over the window";
    island->peekForAlert();
    island->peekForAlert();
    EXPECT_FALSE(shows()) << "nor an alert's";
    fullScreen.become(false);
    EXPECT_TRUE(shows()) << "the pomodoro's peek once the window has left";
    pomodoro.now = PomodoroPhase::idle;
    hub.post(note::pomodoroChanged);
    scheduler.advance(60.01);
    panel.finishMoving();
    ASSERT_FALSE(shows());

    fullScreen.become(true);
    island->peekForAlert();
    fullScreen.become(false);
    EXPECT_EQ(island->machine().state(), State::petit) << "an alert that came meanwhile peeks";
    EXPECT_TRUE(shows());
    scheduler.advance(60.01);
    panel.finishMoving();
    ASSERT_FALSE(shows());

    // A click the place took as its pointer peeked the island still counts: the left button opens
    // the island, the right one shows the menu.
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"));
    island->setContextMenu(&menu);
    island->pointerAt(island->hoverZone().center());
    ASSERT_EQ(island->machine().state(), State::petit);
    island->hiddenClick(Qt::RightButton, topCentre());
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    island->hiddenClick(Qt::LeftButton, topCentre());
    EXPECT_EQ(island->machine().state(), State::home);
    island->pointerAt(farAway());
    scheduler.advance(65.02);
    ASSERT_EQ(island->machine().state(), State::hidden);

    tray.become(true);
    store->set("peekOnHover", false);
    EXPECT_TRUE(fullScreen.followed) << "with neither place nor peek, an alert may still show";
    island.reset();
    EXPECT_FALSE(fullScreen.followed) << "the window is let go with the island";
}

// A busy launch can give the panel no frame for seconds after the greeting was entered: the
// greeting's time runs from when it shows at its size, so it is seen whole.
TEST_F(Island, TheGreetingLastsItsTimeFromWhenItShowsAtItsSize) {
    make(true);
    QCursor::setPos(farAway().toPoint());
    launchOnboarded();
    scheduler.advance(10);  // no frame of the island growing meanwhile
    ASSERT_EQ(island->machine().state(), State::coucou) << "the greeting ended before it was on screen";
    IslandPanel& panel = *island->panel();
    panel.finishMoving();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.size(), QSize(360, 62));
    scheduler.advance(3.99);
    EXPECT_EQ(island->machine().state(), State::coucou);
    scheduler.advance(0.02);
    EXPECT_EQ(island->machine().state(), State::hidden);
}

// Started while a full-screen window is in front, the app greets once the window has left.
TEST_F(Island, StartedUnderAFullScreenWindowTheIslandGreetsOnceItLeaves) {
    make(true, nullptr, &tray, &fullScreen);
    fullScreen.on = true;
    QCursor::setPos(farAway().toPoint());
    launchOnboarded();
    EXPECT_EQ(island->machine().state(), State::hidden);
    EXPECT_FALSE(island->panel()->isVisible()) << "no greeting over the window";
    fullScreen.become(false);
    EXPECT_EQ(island->machine().state(), State::coucou);
    EXPECT_TRUE(island->panel()->isVisible());
}

TEST(FullScreen, AWindowKeepsTheTopCentreWhenItSaysItIsFullScreenThereOrWhereNoneIsNamedCoversTheScreen) {
    const QRect screen(0, 0, 1440, 900), area(628, 0, 184, 32);
    const QRect other(1440, 0, 1920, 1080);
    const auto front = [](QRect frame, bool full, bool desktop = false) {
        return std::optional<x11::FrontWindow>(x11::FrontWindow{frame, full, desktop});
    };
    for (const bool named : {true, false}) {
        EXPECT_FALSE(x11::keepsTopCentre(std::nullopt, named, screen, area));
        EXPECT_TRUE(x11::keepsTopCentre(front(screen, true), named, screen, area));
        EXPECT_FALSE(x11::keepsTopCentre(front(other, true), named, screen, area)) << "on another screen";
        EXPECT_FALSE(x11::keepsTopCentre(front(screen, false, true), named, screen, area)) << "the desktop";
        EXPECT_FALSE(x11::keepsTopCentre(front(QRect(0, 24, 1440, 876), false), named, screen, area))
            << "a maximized window below its title bar";
    }
    // A maximized window drawing its own title bar covers the screen too: only the state tells.
    EXPECT_FALSE(x11::keepsTopCentre(front(screen, false), true, screen, area));
    EXPECT_TRUE(x11::keepsTopCentre(front(screen, false), false, screen, area));
}

// Screens as the island sees them; the first is the primary.
struct FakeScreens final : IslandScreens {
    std::vector<IslandScreen> screens;
    std::optional<IslandScreen> current() const override {
        return screens.empty() ? std::nullopt : std::optional<IslandScreen>(screens.front());
    }
    void become(std::vector<IslandScreen> now) {
        screens = std::move(now);
        if (changed) changed();
    }
};

TEST_F(Island, MovesToTheNewPrimaryScreenAndOffAScreenThatIsUnplugged) {
    const IslandScreen laptop{QRect(0, 0, 1440, 900), QRect(0, 0, 1440, 900)};
    // To its right, with a 30 px panel across its top.
    const IslandScreen monitor{QRect(1440, 0, 1920, 1080), QRect(1440, 30, 1920, 1050)};
    FakeScreens screens;
    screens.screens = {laptop, monitor};
    make(true, &screens, nullptr, &fullScreen);
    IslandPanel& panel = *island->panel();
    launchOnboarded();
    panel.finishMoving();
    EXPECT_EQ(panel.geometry(), QRect(720 - 180, 0, 360, 62)) << "the greeting at the laptop's top centre";

    screens.become({monitor, laptop});
    EXPECT_EQ(panel.geometry(), QRect(1440 + 960 - 180, 30, 360, 62)) << "the new primary, below its panel";
    ASSERT_TRUE(fullScreen.followed);
    EXPECT_EQ(fullScreen.followed->second, QRect(1440 + 960 - 92, 30, 184, 32)) << "what covers it followed there";
    EXPECT_EQ(state->islandFrame, QRectF(960 - 180, 30, 360, 62));

    island->pointerAt(farAway());
    scheduler.advance(4.01);  // hidden
    screens.become({laptop, monitor});  // back while hidden: the next peek shows there
    island->pointerAt({720 - 92 - 17, 4});  // just outside the widened notch
    EXPECT_EQ(island->machine().state(), State::hidden);
    island->pointerAt({720 - 92 - 15, 4});
    ASSERT_EQ(island->machine().state(), State::petit);
    panel.finishMoving();
    EXPECT_EQ(panel.geometry(), QRect(720 - 138, 0, 276, 32));

    screens.become({monitor});  // the laptop's lid closes
    EXPECT_EQ(panel.geometry(), QRect(1440 + 960 - 138, 30, 276, 32));
    EXPECT_EQ(state->islandFrame, QRectF(960 - 138, 30, 276, 32)) << "where new windows and the pointer are measured";
    island.reset();  // before the screens it follows
}

}  // namespace
