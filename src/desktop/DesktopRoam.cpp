#include "desktop/DesktopRoam.h"

#include "life/PetLife.h"
#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/InputIdle.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"

namespace kp {

namespace {
constexpr double workStretch = 3000;  // seconds of work before a break reminder
constexpr double longPause = 300;     // an idle spell this long restarts the work clock
constexpr double needAskGap = 600;
constexpr double frameSeconds = 1.0 / 60;  // the display's rate
constexpr double dragCheckGap = 0.1;  // seconds between looks at the drag source while pressed
}  // namespace

// The cat as the pomodoro reaches it.
class DesktopRoam::PomodoroCat final : public DesktopRoamingCat {
public:
    explicit PomodoroCat(DesktopRoam& roam) : roam_(roam) {}
    // A focus round wants the desktop quiet now: the running step is dropped too.
    void headHome(bool) override {
        if (auto* cat = roam_.roamingCat()) cat->headHome(true);
    }
    void announce() override {
        if (auto* cat = roam_.roamingCat()) cat->announce();
    }

private:
    DesktopRoam& roam_;
};

DesktopRoam::DesktopRoam(RoamServices services, QObject* parent)
    : QObject(parent), s_(std::move(services)), pomodoroCat_(std::make_unique<PomodoroCat>(*this)) {
    const double t = now();
    nextOuting = t + s_.random->uniform(60, 150);
    wentOutAt = t;
    workingSince = t;
    lastBreakAsk = t;
}

DesktopRoam::~DesktopRoam() {
    *alive_ = false;
    if (s_.scheduler) {
        if (scheduleTimer_) s_.scheduler->cancel(scheduleTimer_);
        if (frameTimer_) s_.scheduler->cancel(frameTimer_);
    }
}

double DesktopRoam::now() const { return s_.clock->now(); }
bool DesktopRoam::roamOn() const { return s_.store->boolValue(QStringLiteral("desktopRoam")); }
bool DesktopRoam::onboarded() const { return s_.store->boolValue(QStringLiteral("onboardedV1")); }
bool DesktopRoam::mischief() const { return prefs::desktopMischief(*s_.store); }
bool DesktopRoam::petDead() const { return s_.life->isDead(); }
bool DesktopRoam::petAsleep() const { return s_.life->isSleeping(); }
std::optional<PetNeed> DesktopRoam::petNeed() const { return s_.life->need(); }
bool DesktopRoam::focusPhase() const {
    return s_.pomodoroPhase && s_.pomodoroPhase() == Pomodoro::Phase::focus;
}
IslandMode DesktopRoam::islandMode() const { return s_.islandMode ? s_.islandMode() : IslandMode::hidden; }

void DesktopRoam::setOut(bool out) {
    if (isOut_ == out) return;
    isOut_ = out;
    emit isOutChanged(out);
    emit changed();
}

void DesktopRoam::start() {
    if (scheduleTimer_) return;
    std::weak_ptr<bool> alive = alive_;
    scheduleTimer_ = s_.scheduler->every(1.0, [this, alive] {
        if (auto a = alive.lock(); a && *a) scheduleTick();
    });
}

void DesktopRoam::appActivated(long long pid) {
    if (cat_ && pid != s_.ownPid) cat_->setPendingApp(pid, now());
}

void DesktopRoam::scheduleTick() {
    const double t = now();
    const double idle = s_.idleness ? s_.idleness->secondsSinceLastInput() : 0;
    if (idle > longPause) workingSince = t;

    const Pomodoro::Phase phase = s_.pomodoroPhase ? s_.pomodoroPhase() : Pomodoro::Phase::idle;
    if (roamOn() && phase == Pomodoro::Phase::idle && t - workingSince > workStretch &&
        t - lastBreakAsk > workStretch && !petDead() && !petAsleep()) {
        lastBreakAsk = t;
        workingSince = t;
        if (cat_) {
            cat_->queue(DesktopCat::Trick::breakTime);
        } else {
            pendingTrick = DesktopCat::Trick::breakTime;
            sendOut();
        }
        return;
    }

    if (const auto need = needToAsk()) {
        lastNeedAsk = t;
        if (cat_) {
            cat_->ask(*need);
        } else {
            pendingNeed = *need;
            goOut();
        }
        return;
    }

    if (cat_) {
        cat_->setMischief(mischief());
        if (!roamOn() && !forced) {
            cat_->headHome(true);
            return;
        }
        if (petDead()) {
            cat_->headHome(true);
            return;
        }
        if (cat_->isAsking()) return;
        if (focusPhase()) {
            cat_->headHome(false);
            return;
        }
        const auto need = petNeed();
        const bool pressing = need && (*need == PetNeed::hungry || *need == PetNeed::sick ||
                                       *need == PetNeed::dirty || *need == PetNeed::dead);
        if (pressing && !petAsleep() && t - wentOutAt > 60) {
            cat_->headHome(false);
            return;
        }
        if (t >= outUntil && !petAsleep()) cat_->headHome(false);
        return;
    }

    if (!roamOn() || !onboarded() || t < nextOuting) return;
    const auto need = petNeed();
    if (!petDead() && !petAsleep() && (!need || *need == PetNeed::sad) && !focusPhase() &&
        islandMode() == IslandMode::hidden) {
        goOut();
    } else {
        nextOuting = t + 30;
    }
}

std::optional<PetNeed> DesktopRoam::needToAsk() const {
    if (!roamOn() || !onboarded() || petDead() || petAsleep()) return std::nullopt;
    if (islandMode() == IslandMode::expanded) return std::nullopt;
    if (now() - lastNeedAsk <= needAskGap) return std::nullopt;
    const auto need = petNeed();
    if (!need || !(*need == PetNeed::hungry || *need == PetNeed::sick || *need == PetNeed::dirty)) return std::nullopt;
    if (cat_ && (cat_->isAsking() || cat_->homeBound())) return std::nullopt;
    if (focusPhase() && *need != PetNeed::sick) return std::nullopt;
    return need;
}

void DesktopRoam::goOut() {
    if (cat_) return;
    if (!leaveHome()) {
        // Refused: nothing of it may linger to shape a later outing.
        forced = false;
        pendingTrick.reset();
        pendingNeed.reset();
    }
}

bool DesktopRoam::leaveHome() {
    if (petDead()) return false;
    if (s_.islandView && s_.islandView() == IslandView::onboarding) return false;
    const auto screen = s_.screen ? s_.screen() : std::nullopt;
    if (!screen || !s_.makeCat) return false;
    if (petAsleep()) return false;

    auto cat = s_.makeCat(*screen);
    if (!cat) return false;
    cat->setTrickAges(trickAges, now());
    cat->setMischief(mischief());
    std::weak_ptr<bool> alive = alive_;
    cat->setOnHome([this, alive] {
        if (auto a = alive.lock(); a && *a) comeHome();
    });
    if (pendingTrick) {
        const auto trick = *pendingTrick;
        pendingTrick.reset();
        cat->queue(trick);
    }
    if (pendingNeed) {
        const auto need = *pendingNeed;
        pendingNeed.reset();
        cat->ask(need);
    }
    cat_ = std::move(cat);
    s_.life->goOut();

    if (s_.makePanel) {
        panel_ = s_.makePanel(*screen, *cat_);
        if (panel_) panel_->orderFront();
    }
    const double t = now();
    outUntil = t + s_.random->uniform(180, 420);
    wentOutAt = t;
    wasExpanded = islandMode() == IslandMode::expanded;
    lastActivePid_ = s_.activePid ? s_.activePid() : 0;
    setOut(true);
    runFrames();
    return true;
}

void DesktopRoam::runFrames() {
    if (frameTimer_) s_.scheduler->cancel(frameTimer_);
    std::weak_ptr<bool> alive = alive_;
    frameTimer_ = s_.scheduler->every(frameSeconds, [this, alive] {
        if (auto a = alive.lock(); a && *a) frameTick();
    });
}

void DesktopRoam::comeHome() {
    if (frameTimer_) s_.scheduler->cancel(frameTimer_);
    frameTimer_ = 0;
    if (panel_) panel_->orderOut();
    if (cat_) trickAges = cat_->trickAges(now());
    // The cat may be the caller (its flight's end): let it finish before it goes.
    auto panel = std::move(panel_);
    auto cat = std::move(cat_);
    forced = false;
    setOut(false);
    s_.life->comeBack();
    nextOuting = now() + s_.random->uniform(150, 480);
    if (cat || panel) {
        auto* keep = new std::pair<std::unique_ptr<RoamCat>, std::unique_ptr<RoamSurface>>(std::move(cat), std::move(panel));
        QMetaObject::invokeMethod(this, [keep] { delete keep; }, Qt::QueuedConnection);
    }
}

void DesktopRoam::sendOut() {
    forced = !roamOn();
    if (!petDead() && petAsleep()) s_.life->setSleeping(false);
    goOut();
}

void DesktopRoam::toggle() {
    if (isOut_ && cat_) {
        cat_->headHome(true);
    } else {
        sendOut();
    }
}

void DesktopRoam::callHome() {
    if (cat_) cat_->headHome(true);
}

void DesktopRoam::breakStarted() {
    if (!roamOn() || petDead()) return;
    if (cat_) {
        cat_->queue(DesktopCat::Trick::breakTime);
    } else {
        pendingTrick = DesktopCat::Trick::breakTime;
        sendOut();
    }
}

DesktopRoamingCat* DesktopRoam::cat() { return cat_ ? pomodoroCat_.get() : nullptr; }

void DesktopRoam::frameTick() {
    if (!cat_ || !panel_) return;
    RoamCat& cat = *cat_;
    // The application in front is asked ten times a second, not every frame.
    if (s_.activePid && (now() - lastActiveCheck_ >= 0.1 || now() < lastActiveCheck_)) {
        lastActiveCheck_ = now();
        const long long active = s_.activePid();
        if (active != lastActivePid_) {
            lastActivePid_ = active;
            if (active != 0) appActivated(active);
        }
    }
    const QPointF global = s_.pointer ? s_.pointer() : QPointF();
    const QRectF frame = panel_->frame();
    cat.mouseMoved(global - frame.topLeft());
    checkFileDrag(cat);
    cat.tick(now());
    // The cat may have flown home inside the tick.
    if (!cat_ || !panel_) return;
    const bool over = cat.isDragged() || cat.hitRect().contains(cat.mouse());
    if (panel_->clickThrough() != !over) panel_->setClickThrough(!over);
    const bool expanded = islandMode() == IslandMode::expanded;
    if (expanded && !wasExpanded) cat.headHome(true);
    wasExpanded = expanded;
    if (!cat_ || !panel_) return;
    if (const int ground = cat.groundChanges(); ground != groundChanges_) {
        groundChanges_ = ground;
        panel_->restack();
    }
    // Every frame is drawn; the panel sends only what changed.
    panel_->redraw();
}

void DesktopRoam::screenChanged() {
    if (!cat_) return;
    const auto screen = s_.screen ? s_.screen() : std::nullopt;
    if (!screen) {
        // Nowhere to be seen: nothing to fly home across either.
        comeHome();
        return;
    }
    // The cat first: the panel's first frame on the new screen shows it where it is now.
    cat_->moveTo(*screen, now());
    if (panel_) panel_->refit(*screen);
}

void DesktopRoam::checkFileDrag(RoamCat& cat) {
    const bool down = s_.primaryButtonDown && s_.primaryButtonDown();
    if (down) {
        if (buttonWasDown) {
            // The drag source is asked ten times a second, however often frames come.
            const double t = now();
            if (!cat.isDragged() && (t - lastDragCheck >= dragCheckGap || t < lastDragCheck)) {
                lastDragCheck = t;
                const int count = s_.dragChangeCount ? s_.dragChangeCount() : 0;
                if (count != dragCountAtPress) {
                    const bool was = cat.userDragging();
                    cat.setUserDragging(true);
                    if (!was) cat.userStartedDragging();
                }
            }
        } else {
            dragCountAtPress = s_.dragChangeCount ? s_.dragChangeCount() : 0;
            lastDragCheck = now();
        }
        buttonWasDown = true;
    } else {
        if (cat.userDragging()) {
            cat.setUserDragging(false);
            cat.userStoppedDragging();
        }
        buttonWasDown = false;
    }
}

}  // namespace kp
