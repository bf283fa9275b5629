// The cat's small queries and the requests from outside: perches, interruptibility, the head's
// point, the call home, asks, queued tricks and the end-of-break line.
#include "desktop/DesktopCat.h"

#include "life/PetLife.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kp {

namespace {

constexpr double kWatchMinWidth = 260;
constexpr double kWatchMinHeight = 160;

bool watchable(const QRectF& frame) {
    return frame.width() >= kWatchMinWidth && frame.height() >= kWatchMinHeight;
}

// Wakes a pet that sleeps out here, as the calls from outside do before changing the plan.
void wakeIfOut(PetLife& life) {
    if (life.isSleeping() && life.isOut()) life.setSleeping(false);
}

}  // namespace

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
    // Belly up the figure is turned over, so the head lies low on the side it faced away from.
    if (pose == Pose::sleep && bellyUp) return {feet.x() - f * 16 * k, feet.y() + k * (44 * peekDepth - 15)};
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
