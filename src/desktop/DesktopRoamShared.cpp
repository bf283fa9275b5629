// The app's roaming controller on the real desktop: the desktop cat, the roaming panel and the
// X server's pointer, drags and windows.
#include "desktop/DesktopRoam.h"
#include "desktop/DesktopView.h"
#include "desktop/RoamPanel.h"

#include "cat/Closet.h"
#include "app/AppState.h"
#include "island/IslandController.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/InputIdle.h"
#include "platform/Processes.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "platform/WindowList.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kp {

namespace {

// The desktop cat as the controller drives it.
class DesktopCatRoamer final : public RoamCat {
public:
    explicit DesktopCatRoamer(std::unique_ptr<DesktopCat> cat) : cat_(std::move(cat)) {}
    void queue(DesktopCat::Trick trick) override { cat_->queue(trick); }
    void ask(PetNeed need) override { cat_->ask(need); }
    void headHome(bool immediately) override { cat_->headHome(immediately); }
    void announce() override { cat_->announce(); }
    void mouseMoved(QPointF to) override { cat_->mouseMoved(to); }
    void tick(double now) override { cat_->tick(now); }
    QRectF hitRect() const override { return cat_->hitRect(); }
    QPointF mouse() const override { return cat_->mouse; }
    bool isDragged() const override { return cat_->isDragged; }
    bool isAsking() const override { return cat_->asking.has_value() || cat_->pendingAsk.has_value(); }
    bool homeBound() const override { return cat_->homeBound; }
    bool userDragging() const override { return cat_->userDragging; }
    void setUserDragging(bool on) override { cat_->userDragging = on; }
    void userStartedDragging() override { cat_->userStartedDragging(); }
    void userStoppedDragging() override { cat_->userStoppedDragging(); }
    void setMischief(bool on) override { cat_->mischief = on; }
    void setOnHome(std::function<void()> onHome) override { cat_->onHome = std::move(onHome); }
    void setPendingApp(long long pid, double at) override { cat_->pendingApp = DesktopCat::PendingApp{pid, at}; }
    void moveTo(const RoamScreen& screen, double now) override { cat_->moveToScreen(screen, now); }
    int groundChanges() const override { return cat_->groundChanges; }
    DesktopCat* model() override { return cat_.get(); }
    TrickAges trickAges(double now) const override {
        return {std::max(now - cat_->lastKnock, 0.0), std::max(now - cat_->lastGift, 0.0)};
    }
    void setTrickAges(const TrickAges& ages, double now) override {
        cat_->lastKnock = now - ages.mug;
        cat_->lastGift = now - ages.gift;
    }

private:
    std::unique_ptr<DesktopCat> cat_;
};

// The pointer as the frames read it: asked every frame (the answer to the previous frame's
// question, a frame old at most) while it may move. Once neither it nor the keyboard has stirred
// for a second, the server's input alarm stands watch instead and it is not asked again until the
// next input, which asks at once so that the next frame has the answer as before.
std::optional<QPoint> framePointer() {
    PointerDragsX11& drags = PointerDragsX11::shared();
    static std::optional<QPoint> last;
    static int stillFrames = 0;
    static QElapsedTimer sinceLast;
    // A watch stands (the island's or this one's): nothing has moved the pointer since it was set,
    // nor since the last frame read it (not an earlier outing's frame).
    const bool lastFrame = sinceLast.isValid() && sinceLast.elapsed() < 100;
    sinceLast.start();
    if (drags.isWaiting() && last && lastFrame) return last;
    const std::optional<QPoint> root = drags.pointer();
    if (root != last) {
        last = root;
        stillFrames = 0;
    } else if (++stillFrames >= 60) {
        stillFrames = 0;
        drags.waitForInput([&drags] { drags.pointer(); });
    }
    return root;
}

// The roamed screen: the primary one (where the island sits), followed as screens change.
IslandScreens& roamedScreens() {
    static const std::unique_ptr<IslandScreens> screens = primaryScreen();
    return *screens;
}

std::optional<RoamScreen> roamedScreen() {
    const std::optional<IslandScreen> screen = roamedScreens().current();
    if (!screen || screen->geometry.isEmpty()) return std::nullopt;
    return RoamScreen{QRectF(screen->geometry), QRectF(screen->available), screen->pixelRatio};
}

}  // namespace

std::unique_ptr<RoamCat> roamerFor(std::unique_ptr<DesktopCat> cat) {
    return std::make_unique<DesktopCatRoamer>(std::move(cat));
}

DesktopRoam& DesktopRoam::shared() {
    static DesktopRoam* instance = [] {
        RoamServices s;
        s.clock = &SystemClock::shared();
        s.random = &SystemRandom::shared();
        s.store = &Defaults::standard();
        s.scheduler = &QtScheduler::shared();
        s.idleness = &InputIdlenessX11::shared();
        s.life = &AppState::shared().life();
        s.ownPid = ProcessesLinux::shared().ownPid();
        s.pomodoroPhase = [] { return Pomodoro::shared().phase(); };
        s.islandMode = [] { return AppState::shared().mode(); };
        s.islandView = [] { return AppState::shared().view(); };
        s.screen = roamedScreen;
        s.pointer = []() -> QPointF {
            QScreen* screen = QGuiApplication::primaryScreen();
            const std::optional<QPoint> root = framePointer();
            if (!root || !screen) return QPointF(QCursor::pos());
            // Screen origins keep their pixel place; sizes within a screen scale by its ratio.
            const QPointF origin = screen->geometry().topLeft();
            return origin + (QPointF(*root) - origin) / screen->devicePixelRatio();
        };
        s.primaryButtonDown = [] { return PointerDragsX11::shared().primaryButtonDown(); };
        s.dragChangeCount = [] { return PointerDragsX11::shared().dragChangeCount(); };
        s.activePid = [] { return WindowListX11::shared().activePid(); };
        s.makeCat = [](const RoamScreen& screen) -> std::unique_ptr<RoamCat> {
            return roamerFor(std::make_unique<DesktopCat>(screen, DesktopWorld::shared()));
        };
        s.makePanel = [](const RoamScreen& screen, RoamCat& cat) -> std::unique_ptr<RoamSurface> {
            DesktopCat* model = cat.model();
            if (!model) return nullptr;
            auto root = std::make_shared<DesktopCatRoot>(*model, screen.frame.size(), Defaults::standard(),
                                                         Closet::shared());
            DesktopCatView* view = &root->view();
            view->setDevicePixelRatio(screen.scale);
            auto panel = std::make_unique<RoamPanel>(
                screen, CatchTarget::of(*model), [view](QPainter& p) { view->draw(p); },
                [view] { return view->prepare(SystemClock::shared().now()); });
            panel->onRefit([view](const RoamScreen& now) {
                view->setSize(now.frame.size());
                view->setDevicePixelRatio(now.scale);
            });
            panel->keep(std::move(root));
            return panel;
        };
        auto* roam = new DesktopRoam(std::move(s), QCoreApplication::instance());
        roamedScreens().changed = [roam] { roam->screenChanged(); };
        return roam;
    }();
    return *instance;
}

}  // namespace kp
