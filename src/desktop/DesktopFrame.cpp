// The cat's frame tick, terrain refresh, perches and the requests from outside.
#include "desktop/DesktopCat.h"

#include "life/PetLife.h"

#include <QLineF>

#include <algorithm>
#include <array>
#include <cmath>

namespace kp {

namespace {

constexpr double kRescanEvery = 0.1;
constexpr double kPopLifetime = 1.8;
constexpr double kMaxDt = 0.05;
constexpr double kMaxPointerSpeed = 4000;
constexpr double kGroundSlack = 8;
constexpr double kDragHistorySeconds = 0.12;
constexpr double kWatchMinWidth = 260;
constexpr double kWatchMinHeight = 160;
constexpr double kBreakPerchHalf = 70;

double sitTarget(DesktopCat::Pose pose) {
    using P = DesktopCat::Pose;
    switch (pose) {
    case P::crouch: return 0.5;
    case P::sit:
    case P::groom:
    case P::swat:
    case P::stare:
    case P::back: return 1;
    default: return 0;
    }
}

bool watchable(const QRectF& frame) {
    return frame.width() >= kWatchMinWidth && frame.height() >= kWatchMinHeight;
}

// Wakes a pet that sleeps out here, as the calls from outside do before changing the plan.
void wakeIfOut(PetLife& life) {
    if (life.isSleeping() && life.isOut()) life.setSleeping(false);
}

}  // namespace

void DesktopCat::tick(double now) {
    const double rawDt = now - last;
    last = now;
    if (now - lastScan > kRescanEvery) rescanTerrain(now);

    // Pops born in the future (staggered hearts) stay.
    std::erase_if(pops, [now](const Pop& pop) { return now - pop.born > kPopLifetime; });

    const double dt = std::clamp(rawDt, 0.0, kMaxDt);
    updateCup(dt, now);
    updateGift(now);

    if (dt > 0) {
        const double speed = std::min(QLineF(lastMouse, mouse).length() / dt, kMaxPointerSpeed);
        mouseSpeed += (speed - mouseSpeed) * std::min(18 * dt, 1.0);
    }
    lastMouse = mouse;

    sit += (sitTarget(pose) - sit) * std::min(9 * dt, 1.0);
    squash += (1 - squash) * std::min(10 * dt, 1.0);
    turn += ((facingRight ? 1.0 : -1.0) - turn) * (1 - std::pow(1e-9, dt));
    const bool fadingHome = homeBound && flight && flight->intoNotch;
    if (!fadingHome) appear = std::min(appear + 4 * dt, 1.0);

    if (isDragged) {
        feet = QPointF(mouse.x(), mouse.y() + 30 * sizeUnit());
        dragHistory.push_back({now, mouse});
        std::erase_if(dragHistory, [now](const DragSample& s) { return now - s.at > kDragHistorySeconds; });
        pose = Pose::dangle;
        return;
    }
    if (flight) {
        updateFlight(now);
        return;
    }
    if (falling) {
        updateFall(dt, now);
        return;
    }

    const std::optional<Ledge> ledge = terrain.ledge(window, feet.x());
    if (!ledge || feet.x() < ledge->x0 - kGroundSlack || feet.x() > ledge->x1 + kGroundSlack) {
        startFalling();
        return;
    }
    feet.setY(ledge->y);  // rides a window that moved up or down
    if (breakSpotPoint && breakOver && window != ground::breakPerch) {
        breakSpotPoint.reset();
        breakOver = false;
    }
    if (watchWindow && watchOver && window != ground::watchPerch) {
        watchWindow.reset();
        watchOver = false;
    }
    react(now);
    runStep(now, dt, *ledge);
}

void DesktopCat::rescanTerrain(double now) {
    lastScan = now;
    const std::unordered_map<int, QRectF> oldFrames = std::move(terrain.frames);
    terrain = scanTerrain();

    if (breakSpotPoint) {
        const QPointF b = *breakSpotPoint;
        terrain.ledges.push_back({ground::breakPerch, b.y(), b.x() - kBreakPerchHalf, b.x() + kBreakPerchHalf});
    }
    if (watchWindow) {
        if (const std::optional<Ledge> perch = watchPerch(*watchWindow))
            terrain.ledges.push_back(*perch);
        else
            watchWindow.reset();
    }

    // Old and new frame of a window listed in both scans.
    auto moved = [&](int w) -> std::optional<std::pair<QRectF, QRectF>> {
        const auto o = oldFrames.find(w);
        const auto n = terrain.frames.find(w);
        if (o == oldFrames.end() || n == terrain.frames.end()) return std::nullopt;
        return std::make_pair(o->second, n->second);
    };

    if (gift && !gift->carried && gift->window > 0) {
        if (const auto m = moved(gift->window)) {
            gift->p.rx() += m->second.left() - m->first.left();
            gift->p.setY(m->second.top());
        }
    }

    std::optional<int> w;
    if (window == ground::watchPerch)
        w = watchWindow;
    else
        w = window;
    if (w && *w != ground::floor && !flight && !falling && !isDragged) {
        if (const auto m = moved(*w)) feet.rx() += m->second.left() - m->first.left();
    }

    if (cup && !cup->falling && cup->window != ground::floor) {
        if (const auto m = moved(cup->window)) {
            cup->p.rx() += m->second.left() - m->first.left();
            cup->p.setY(m->second.top());
        }
    }
}

std::optional<Ledge> DesktopCat::watchPerch(int w) const {
    const auto it = terrain.frames.find(w);
    if (it == terrain.frames.end() || !watchable(it->second)) return std::nullopt;
    const QRectF& f = it->second;
    return Ledge{ground::watchPerch, std::min(terrain.floorY, f.bottom() - 6), f.left() + 24, f.right() - 24};
}

std::optional<int> DesktopCat::watchableWindow() const {
    for (int w : terrain.order) {
        const auto it = terrain.frames.find(w);
        if (it != terrain.frames.end() && watchable(it->second)) return w;
    }
    return std::nullopt;
}

DesktopCat::Plan DesktopCat::watchPlan(int w, double seconds) {
    const std::optional<Ledge> perch = watchPerch(w);
    if (!perch) return {};
    watchWindow = w;
    watchOver = false;
    std::erase_if(terrain.ledges, [](const Ledge& l) { return l.window == ground::watchPerch; });
    terrain.ledges.push_back(*perch);
    double x = perch->middle();
    if (perch->width() > 60) {
        x = perch->middle() + perch->width() * uniform(-0.25, 0.25);
        x = std::clamp(x, perch->x0 + 30, perch->x1 - 30);
    }
    return {Step::hop(ground::watchPerch, x), Step::watch(seconds), Step::sit(1.5)};
}

bool DesktopCat::isInterruptible() const {
    if (homeBound || life().isSleeping() || flight || falling || isDragged) return false;
    const std::optional<Step::Kind> step = currentStep();
    if (!step) return true;
    using K = Step::Kind;
    static constexpr std::array busy{K::rummage, K::plea,  K::ask,      K::sleep,     K::nudgeCup, K::stomp,
                                     K::intoNotch, K::pounce, K::bringGift, K::dropGift, K::chase,    K::meow};
    return std::find(busy.begin(), busy.end(), *step) == busy.end();
}

QPointF DesktopCat::headPoint() const {
    const double k = sizeUnit();
    const double f = facingRight ? 1 : -1;
    if (pose == Pose::lie || pose == Pose::sleep)
        return {feet.x() + f * 15 * k, feet.y() + k * (44 * peekDepth - 10 - 1)};
    return {feet.x() + f * (14 - 9 * sit) * k, feet.y() + k * (44 * peekDepth - 15 - 9 - 4 * sit)};
}

void DesktopCat::headHome(bool immediately) {
    if (homeBound) return;
    homeBound = true;
    breakOver = true;
    asking.reset();
    pendingAsk.reset();
    wakeIfOut(life());
    if (immediately)
        plan.clear();
    else if (plan.size() > 1)
        plan.resize(1);  // the current step finishes first
}

void DesktopCat::ask(PetNeed need) {
    if (homeBound || isDragged) return;
    pendingAsk = need;
    breakOver = true;
    wakeIfOut(life());
    if (isInterruptible()) plan.clear();
}

void DesktopCat::queue(Trick trick) {
    queuedTrick = trick;
    breakOver = true;
    if (isDragged) return;
    wakeIfOut(life());
    plan.clear();
}

void DesktopCat::announce() {
    static const std::array<QString, 3> lines{QStringLiteral("back to it?"), QStringLiteral("ready?"),
                                              QStringLiteral("one more?")};
    const double t = now();
    const int i = std::min(static_cast<int>(unit() * lines.size()), static_cast<int>(lines.size()) - 1);
    pops.push_back(makePop(headPoint(), Pop::Kind::say, lines[static_cast<size_t>(i)], t, 0));
    meowUntil = t + 1;
    playSound(PetSound::meow);
}

}  // namespace kp
