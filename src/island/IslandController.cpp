#include "island/IslandController.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "island/IslandGeometry.h"
#include "island/IslandPanel.h"
#include "island/TrayHosts.h"
#include "island/X11Window.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kp {

using State = IslandStateMachine::State;

QScreen* notchedScreen() { return QGuiApplication::primaryScreen(); }

namespace {
class PrimaryScreen final : public QObject, public IslandScreens {
public:
    PrimaryScreen() {
        const auto follow = [this](QScreen* screen) {
            connect(screen, &QScreen::geometryChanged, this, &PrimaryScreen::announce);
            // A top panel that comes, goes or changes height.
            connect(screen, &QScreen::availableGeometryChanged, this, &PrimaryScreen::announce);
        };
        for (QScreen* screen : QGuiApplication::screens()) follow(screen);
        connect(qApp, &QGuiApplication::screenAdded, this, [this, follow](QScreen* screen) {
            follow(screen);
            announce();
        });
        connect(qApp, &QGuiApplication::primaryScreenChanged, this, &PrimaryScreen::announce);
        // Queued: once the screen is gone and its windows have been handed to another.
        connect(qApp, &QGuiApplication::screenRemoved, this, &PrimaryScreen::announce, Qt::QueuedConnection);
    }
    std::optional<IslandScreen> current() const override {
        const QScreen* screen = notchedScreen();
        if (!screen) return std::nullopt;
        return IslandScreen{screen->geometry(), screen->availableGeometry(), screen->devicePixelRatio()};
    }

private:
    void announce() {
        if (changed) changed();
    }
};
}  // namespace

std::unique_ptr<IslandScreens> primaryScreen() { return std::make_unique<PrimaryScreen>(); }

std::unique_ptr<IslandTray> desktopTray() { return std::make_unique<TrayHosts>(); }

namespace {
class DesktopFullScreen final : public IslandFullScreen {
public:
    void follow(std::optional<std::pair<QRect, QRect>> screenAndArea) override {
        if (screenAndArea)
            watch_.follow(screenAndArea->first, screenAndArea->second);
        else
            watch_.stop();
    }
    bool covered() const override { return watch_.covered(); }

private:
    x11::FullScreenWatch watch_{[this] {
        if (changed) changed();
    }};
};
}  // namespace

std::unique_ptr<IslandFullScreen> desktopFullScreen() { return std::make_unique<DesktopFullScreen>(); }

double islandTop(const IslandScreen& screen) {
    const QRect all = screen.geometry, free = screen.available;
    // Only a band reserved across the top counts; side and bottom panels leave the top edge free.
    if (free.top() <= all.top() || free.top() - all.top() > all.height() / 4) return 0;
    return free.top() - all.top();
}

IslandMode modeFor(State state) {
    switch (state) {
        case State::hidden: return IslandMode::hidden;
        case State::petit:
        case State::coucou: return IslandMode::compact;
        case State::home:
        case State::onboarding: return IslandMode::expanded;
    }
    return IslandMode::hidden;
}

IslandView viewFor(State state) {
    switch (state) {
        case State::coucou: return IslandView::greeting;
        case State::onboarding: return IslandView::onboarding;
        default: return IslandView::room;
    }
}

TestIslandController::TestIslandController(AppState& state, Setup setup)
    : state_(state),
      store_(setup.store ? *setup.store : Defaults::standard()),
      scheduler_(setup.scheduler ? *setup.scheduler : static_cast<Scheduler&>(QtScheduler::shared())),
      clock_(setup.clock ? *setup.clock : static_cast<const Clock&>(SystemClock::shared())),
      hub_(setup.hub ? *setup.hub : NotificationCenter::shared()),
      neighbours_(std::move(setup.neighbours)),
      screens_(setup.screens),
      tray_(setup.tray),
      fullScreen_(setup.fullScreen),
      machine_(scheduler_, store_,
               {[this] { return pomodoroActive(); }, [this] { return pointerIn_; },
                [this](State from, State to) { transition(from, to); }, [this] { return clock_.monotonic(); },
                [this] { return underFullScreen(); }, setup.withPanel}) {
    if (!neighbours_.pomodoro) neighbours_.pomodoro = &noPomodoro_;
    if (!neighbours_.music) neighbours_.music = &noMusic_;

    if (setup.withPanel) {
        // The island stays at the top centre of its screen when screens come, go or change size.
        if (!screens_) screens_ = (ownScreens_ = primaryScreen()).get();
        screens_->changed = [this] { screensChanged(); };
        if (!tray_) tray_ = (ownTray_ = desktopTray()).get();
        if (!fullScreen_) fullScreen_ = (ownFullScreen_ = desktopFullScreen()).get();
        panel_ = new IslandPanel(state_, *this);
    }
    // A tray host that comes takes the menu over; one that goes leaves it to the island.
    if (tray_) tray_->changed = [this] { updatePlace(); };
    if (fullScreen_) fullScreen_->changed = [this] { fullScreenChanged(); };

    QPointer<TestIslandController> self(this);
    state_.life().setOnAlert([self] {
        if (self) self->peekForAlert();
    });

    subscriptions_.emplace_back(hub_, note::onboardingDone, [this](const std::any&) { machine_.finishOnboarding(); });
    subscriptions_.emplace_back(hub_, note::replayOnboarding, [this](const std::any&) { machine_.replayOnboarding(); });
    subscriptions_.emplace_back(hub_, note::pomodoroChanged, [this](const std::any&) {
        machine_.pomodoroChanged();
        if (panel_) panel_->contentChanged();
    });
    subscriptions_.emplace_back(hub_, note::openRoom, [this](const std::any& object) {
        // Only the room value itself counts; its raw string does not.
        const auto* room = notificationObject<IslandRoomKind>(object);
        if (!room || machine_.state() == State::onboarding) return;
        if (followView_) followView_(*room);
        state_.setRoomKind(*room);
        machine_.openRoom();
    });

    // The hover peek's switch decides whether the hidden island needs the pointer at all, and how
    // much of the top centre its place takes.
    connect(&store_, &Defaults::changed, this, [this](const QString& key) {
        if (key != QLatin1String("peekOnHover")) return;
        updatePlace();
        updatePolling();
    });
}

TestIslandController::~TestIslandController() {
    if (screens_) screens_->changed = nullptr;
    if (tray_) tray_->changed = nullptr;
    if (fullScreen_) {
        fullScreen_->changed = nullptr;
        if (started_) fullScreen_->follow(std::nullopt);
    }
    if (pollTimer_) scheduler_.cancel(pollTimer_);
    if (moodTimer_) scheduler_.cancel(moodTimer_);
    if (waitingForInput_) probe_->stopWaiting();
    machine_.cancelPending();
    delete panel_;
}

bool TestIslandController::pomodoroActive() const {
    return neighbours_.pomodoro->phase() != PomodoroPhase::idle;
}

QSizeF TestIslandController::notch() const { return {state_.notchWidth, state_.notchHeight}; }

std::optional<IslandScreen> TestIslandController::screen() const {
    if (!panel_ || !screens_) return std::nullopt;
    return screens_->current();
}

double TestIslandController::screenWidth() const {
    const std::optional<IslandScreen> s = screen();
    return s ? s->geometry.width() : 1440;
}

double TestIslandController::screenTop() const {
    const std::optional<IslandScreen> s = screen();
    return s ? islandTop(*s) : 0;
}

QRectF TestIslandController::islandFrame() const {
    return island::frameAtTopCentre(island::sizeFor(machine_.state(), notch()), screenWidth(), screenTop());
}

QRectF TestIslandController::hoverZone() const {
    return island::hoverZone(machine_.state(), islandFrame(), notch(), screenWidth(), screenTop());
}

void TestIslandController::start() {
    started_ = true;
    if (panel_) probe_ = std::make_unique<x11::PointerProbe>();
    // The mood first, so the first music is in the mood of the moment; then the switches.
    moodCheck();
    IslandMusic& music = *neighbours_.music;
    music.setEnabled(prefs::musicOn(store_));
    music.setAlways(store_.boolValue("musicAlways"));
    music.setVolume(prefs::musicVolume(store_));
    music.update();
    moodTimer_ = scheduler_.every(60, [this] { moodCheck(); });
    // A full-screen window in front already holds back the greeting.
    followFullScreen();
    machine_.start();
    updatePlace();
    updatePolling();
}

void TestIslandController::screensChanged() {
    state_.islandFrame = islandFrame();
    if (panel_) panel_->relocate();
    // The island's place moved: what covers it there is told as it changes.
    followFullScreen();
    updatePlace();
}

void TestIslandController::moodCheck() {
    const SkyLook look = neighbours_.skyLook ? neighbours_.skyLook() : SkyLook{};
    neighbours_.music->setMood(look, state_.life().isDead());
}

void TestIslandController::peekForAlert() { machine_.alert(); }

void TestIslandController::transition(State from, State to) {
    state_.setMode(modeFor(to));
    state_.setView(viewFor(to));
    state_.islandFrame = islandFrame();
    // Out of sight the cat's motion runs in batches, so the app wakes rarely.
    state_.life().setSeen(to != State::hidden);
    IslandMusic& music = *neighbours_.music;
    moodCheck();
    music.setActive(to == State::home || to == State::coucou || to == State::onboarding);
    music.update();
    if (neighbours_.setNotchOpen) neighbours_.setNotchOpen(to == State::home);
    if (panel_) panel_->showState(from, to);
    if (to != State::hidden && waitingForInput_) {
        waitingForInput_ = false;
        probe_->stopWaiting();
    }
    // The greeting says hello with a trill, in the cat's voice for its age.
    if (to == State::coucou) state_.playPetSound(PetSound::trill);
    updatePlace();
    updatePolling();
    emit stateChanged(to);
}

void TestIslandController::updatePolling() {
    // X11 tells no one where the pointer is unless asked, and grabbing its motion would steal it
    // from other windows: so it is polled, fast only where the eyes can be seen following it or
    // the pointer is about to reach the hidden island, and a few times a second far from it.
    double wanted = 0;
    bool byFrames = false;
    if (panel_ && started_) {
        // Far from the island the eyes already look its way as far as they can and a blink needs
        // only a few frames, so a shown island that keeps out (a pomodoro round) costs little.
        if (underFullScreen()) {
            // The top centre is the window's: nothing there follows the pointer.
        } else if (machine_.state() != State::hidden) {
            wanted = pointerNearby_ ? kFastPoll : kShownFarPoll;
            // An open room draws at the display's rate: its frames look, and the app wakes once
            // a frame instead of twice.
            byFrames = panel_->showsRoomFrames();
        } else if (IslandStateMachine::peekOnHover(store_) && !underFullScreen()) {
            wanted = waitingForInput_ ? kWaitingPoll : hiddenPoll_;
        }
    }
    if (wanted == 0 && waitingForInput_) {
        waitingForInput_ = false;
        probe_->stopWaiting();
    }
    if (wanted == pollInterval_ && byFrames == pollByFrames_) return;
    if (pollTimer_) scheduler_.cancel(pollTimer_);
    pollTimer_ = 0;
    pollInterval_ = wanted;
    pollByFrames_ = byFrames && wanted > 0;
    if (wanted > 0 && !pollByFrames_) pollTimer_ = scheduler_.every(wanted, [this] { poll(); });
}

void TestIslandController::roomFrame() {
    if (!pollByFrames_) return;
    // Every frame near the island; far from it, at the far poll's rate; over the panel, now and
    // then, as its motion events tell the rest.
    const int every = overPanel_ ? kOverPanelFrames
                                 : pollInterval_ > kFastPoll ? int(std::lround(pollInterval_ / kFastPoll)) : 1;
    if (++framesSincePoll_ < every) {
        if (overPanel_ && panel_) panel_->tick();
        return;
    }
    framesSincePoll_ = 0;
    poll();
}

void TestIslandController::pointerOverPanel(std::optional<QPointF> global) {
    overPanel_ = global.has_value();
    if (!global) return;
    if (const std::optional<IslandScreen> where = screen()) pointerAt(*global - QPointF(where->geometry.topLeft()));
}

void TestIslandController::poll() {
    const std::optional<IslandScreen> where = screen();
    if (!where) return;
    // Measured on the island's own screen: a pointer on another screen is never near it.
    const QPointF origin = where->geometry.topLeft();
    if (probe_ && probe_->isAvailable()) {
        // Screen origins keep their pixel place; sizes within a screen scale by its ratio.
        // Hidden, a peek waits on the answer: it is asked and waited for, not taken one poll old.
        // Not while waiting for input: the server's alarm is what looks then.
        const bool now = machine_.state() == State::hidden && !waitingForInput_;
        if (const std::optional<QPoint> root = now ? probe_->pollNow() : probe_->poll()) {
            pointerAt((QPointF(*root) - origin) / where->pixelRatio);
            restIfStill(*root);
        }
    } else {
        pointerAt(QPointF(QCursor::pos()) - origin);
    }
    if (panel_) panel_->tick();
}

void TestIslandController::restIfStill(QPoint root) {
    // Hidden, the island only waits for the pointer to come near: on an idle desktop a pointer that
    // stands still is not asked again until input comes, so a resting app does not wake four times
    // a second.
    if (machine_.state() != State::hidden) return;
    if (root != lastRoot_) {
        lastRoot_ = root;
        stillPolls_ = 0;
        if (waitingForInput_) {
            // The pointer moved and no alarm came: poll again as usual.
            probe_->stopWaiting();
            waitingForInput_ = false;
            updatePolling();
        }
        return;
    }
    if (waitingForInput_ || ++stillPolls_ < 2) return;
    stillPolls_ = 0;
    waitingForInput_ = probe_->waitForInput([this] {
        waitingForInput_ = false;
        updatePolling();
        poll();
    });
    if (waitingForInput_) updatePolling();
}

double TestIslandController::hiddenPoll(double distance) {
    // In steps, so a pointer on its way does not set a new timer at every look.
    double interval = kFarPoll;
    while (interval > kFastPoll * 1.5 && interval * kReach > distance) interval /= 2;
    return std::max(interval, kFastPoll);
}

void TestIslandController::pointerAt(QPointF local) {
    // The eyes follow it on the panel's next tick, which repaints only when they moved enough to see.
    state_.mousePosition = local;
    const QRectF zone = hoverZone();
    pointerNearby_ = zone.adjusted(-kNearby, 0, kNearby, kNearby).contains(local);
    // Far from the notch the pointer needs a moment to get there, so a hidden island looks less
    // often. A pointer already on its way may still be gathering speed: it is given twice a quick
    // hand's speed, or twice its own.
    const double dx = std::max({zone.left() - local.x(), 0.0, local.x() - zone.right()});
    const double dy = std::max({zone.top() - local.y(), 0.0, local.y() - zone.bottom()});
    const double distance = std::hypot(dx, dy);
    const double coming = std::exchange(lastDistance_, distance) - distance;
    const double speed = pollInterval_ > 0 ? coming / pollInterval_ : 0;
    double reach = kReach;
    if (coming > 2) reach = 2 * std::max(kReach, speed);
    hiddenPoll_ = hiddenPoll(distance * kReach / reach);
    // About to arrive before the next frame's look: looked at again just after it should have.
    if (coming > 2 && speed > 0 && distance > 0 && distance / speed < hiddenPoll_)
        hiddenPoll_ = std::max(distance / speed + 0.001, kFastPoll / 4);
    updatePolling();
    // Under a full-screen window the top centre is the window's.
    const bool in = zone.contains(local) && !underFullScreen();
    if (in != pointerIn_) {
        pointerIn_ = in;
        if (in)
            machine_.pointerEntered();
        else
            machine_.pointerLeft();
    }
}

void TestIslandController::clickAt(QPointF) {
    // The open island's content takes its own clicks.
    const State s = machine_.state();
    if (s == State::petit || s == State::coucou) machine_.click();
}

bool TestIslandController::takesHiddenClicks() const {
    return started_ && machine_.state() == State::hidden && menuOnIsland() && !underFullScreen();
}

bool TestIslandController::underFullScreen() const { return started_ && fullScreen_ && fullScreen_->covered(); }

QRectF TestIslandController::hiddenPlace() const {
    const QRectF frame = island::frameAtTopCentre(notch(), screenWidth(), screenTop());
    if (IslandStateMachine::peekOnHover(store_)) return frame;
    return {frame.topLeft(), QSizeF(frame.width(), std::min(kEdgePlace, frame.height()))};
}

QRect TestIslandController::rootPixels(const QRectF& local) const {
    // Screen origins keep their pixel place; sizes within a screen scale by its ratio.
    const std::optional<IslandScreen> where = screen();
    if (!where) return local.toAlignedRect();
    const QPointF origin = where->geometry.topLeft();
    return QRectF(origin + local.topLeft() * where->pixelRatio, local.size() * where->pixelRatio).toAlignedRect();
}

void TestIslandController::followFullScreen() {
    // In every state: an alert or a pomodoro may bring the island out at any moment. The watch
    // only hears the server's word, so following costs nothing while nothing changes.
    if (!fullScreen_ || !started_) return;
    const std::optional<IslandScreen> where = screen();
    const QRect screenArea = where ? rootPixels(QRectF(QPointF(), QSizeF(where->geometry.size()))) : QRect();
    fullScreen_->follow(std::pair(screenArea, rootPixels(island::frameAtTopCentre(notch(), screenWidth(), screenTop()))));
}

void TestIslandController::fullScreenChanged() {
    // The pointer on the island's place is over the window now, whatever it was a moment ago.
    if (underFullScreen()) pointerIn_ = false;
    machine_.coverChanged();
    if (panel_) panel_->followCover();
    updatePlace();
    updatePolling();
}

void TestIslandController::updatePlace() {
    if (!panel_) return;
    const std::optional<IslandScreen> where = screen();
    if (!takesHiddenClicks() || !where) {
        if (place_) place_->hide();
        return;
    }
    if (!place_)
        place_ = std::make_unique<x11::ClickPlace>([this](Qt::MouseButton button, QPoint root) {
            // Root pixels to the desktop's points: screen origins keep their pixel place.
            if (const std::optional<IslandScreen> s = screen()) {
                const QPointF origin = s->geometry.topLeft();
                hiddenClick(button, origin + (QPointF(root) - origin) / s->pixelRatio);
            }
        });
    place_->show(rootPixels(hiddenPlace()));
}

void TestIslandController::hiddenClick(Qt::MouseButton button, QPointF global) {
    // The pointer that brought the click may have peeked the island before the click was read: it
    // still counts, as a click on the peek would.
    if (!started_ || !menuOnIsland() || underFullScreen()) return;
    if (button == Qt::LeftButton) {
        if (machine_.state() == State::hidden)
            machine_.placeClicked();
        else
            machine_.click();
    } else if (button == Qt::RightButton && panel_) {
        panel_->popupMenu(global.toPoint());
    }
}

void TestIslandController::setContextMenu(QMenu* menu) {
    if (panel_) panel_->setContextMenu(menu);
}

}  // namespace kp
