// The cat's frame tick and terrain refresh.
#include "desktop/DesktopCat.h"
#include "desktop/DesktopSteps.h"

#include <QLineF>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

constexpr double kPopLifetime = 1.8;
constexpr double kMaxDt = 0.05;
constexpr double kMaxPointerSpeed = 4000;
constexpr double kGroundSlack = 8;
constexpr double kDragHistorySeconds = 0.12;
constexpr double kBreakPerchHalf = 70;
constexpr double kPropRoom = 22;  // a gift or a mug on the floor keeps this far inside the screen's sides

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

}  // namespace

void DesktopCat::tick(double now) {
    const double rawDt = now - last;
    last = now;
    // Until the windows have been read the cat waits unseen where it comes out, so that it never
    // falls through a window not yet known.
    if (world_.windows && !world_.windows->ready()) return;
    // The window list reads the server again only after it reports a change, so this stays cheap.
    if (groundMoved()) rescanTerrain(now);

    // Pops born in the future (staggered hearts) stay.
    std::erase_if(pops, [now](const Pop& pop) { return now - pop.born > kPopLifetime; });

    const double dt = std::clamp(rawDt, 0.0, kMaxDt);
    updateCup(dt, now);
    updateGift(now);

    // The pointer's speed over the time that really passed: a slow or late frame must not read
    // as a fast pointer.
    if (dt > 0) {
        const double speed = std::min(QLineF(lastMouse, mouse).length() / rawDt, kMaxPointerSpeed);
        mouseSpeed += (speed - mouseSpeed) * std::min(18 * rawDt, 1.0);
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

void DesktopCat::moveToScreen(const RoamScreen& to, double now) {
    if (to == screen) return;
    screen = to;
    rescanTerrain(now);
    const bool standing = !flight && !falling && !isDragged;
    // The break perch keeps to the middle of the screen, and carries a cat sitting on it.
    if (breakSpotPoint) {
        const QPointF was = *breakSpotPoint;
        const bool over = breakOver;
        const QPointF spot = breakSpot();
        breakOver = over;
        if (standing && window == ground::breakPerch) feet += spot - was;
    }
    const double width = terrain.size.width();
    if (flight && flight->intoNotch) {
        // The notch went with the screen.
        flight->to = QPointF(width / 2, terrain.menuBottom - 2);
    } else if (flight) {
        flight->to = QPointF(std::clamp(flight->to.x(), 0.0, width), std::min(flight->to.y(), terrain.floorY));
    }
    // What lies on the floor or the dock stays on it, wherever its edge went; whatever stands on a
    // window went with the window when the ground was built again.
    const auto onFloor = [this](QPointF& p, int g) {
        if (g != ground::floor && g != ground::dock) return;
        if (const std::optional<Ledge> l = terrain.ledge(g, p.x()))
            p = QPointF(desktopsteps::clampToGround(p.x(), *l, kPropRoom), l->y);
    };
    if (gift && !gift->carried) onFloor(gift->p, gift->window);
    if (cup && !cup->falling) onFloor(cup->p, cup->window);
    // A floor that dropped away leaves the cat in the air; one beyond the new edge has it fall back
    // inside (the fall keeps clear of the screen's sides), and one that rose lifts it.
    if (standing && (window == ground::floor || window == ground::dock)) {
        const std::optional<Ledge> l = terrain.ledge(window, feet.x());
        if (!l || l->y > feet.y() + kGroundSlack) startFalling();
    }
}

bool DesktopCat::groundMoved() {
    static const std::vector<WindowInfo> none;
    const auto& windows = world_.windows ? world_.windows->onScreenWindows() : none;
    return lastScan == distantPast || windows != scannedWindows_ || breakSpotPoint != scannedBreakSpot_ ||
           watchWindow != scannedWatch_;
}

void DesktopCat::rescanTerrain(double now) {
    lastScan = now;
    ++groundChanges;
    if (world_.windows) scannedWindows_ = world_.windows->onScreenWindows();
    scannedBreakSpot_ = breakSpotPoint;
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
    scannedWatch_ = watchWindow;

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

}  // namespace kp
