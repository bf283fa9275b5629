#include "desktop/DesktopSteps.h"

#include <algorithm>
#include <cmath>

namespace kp::desktopsteps {

double clampToGround(double x, const Ledge& ground, double m) {
    if (ground.width() > 2 * m) return std::clamp(x, ground.x0 + m, ground.x1 - m);
    return ground.middle();
}

bool approach(DesktopCat& cat, double target, double speed, double dt) {
    const double d = target - cat.feet.x();
    if (std::abs(d) < 1.5) {
        cat.feet.setX(target);
        return true;
    }
    cat.facingRight = d > 0;
    const double move = std::min(dt * speed, std::abs(d));
    cat.feet.setX(cat.feet.x() + (d > 0 ? move : -move));
    return false;
}

void say(DesktopCat& cat, double now, const QString& text, double drift) {
    cat.pops.push_back(cat.makePop(cat.headPoint(), DesktopCat::Pop::Kind::say, text, now, drift));
}

void heart(DesktopCat& cat, double now, double drift) {
    cat.pops.push_back(cat.makePop(cat.headPoint(), DesktopCat::Pop::Kind::heart, QString(), now, drift));
}

int pickIndex(DesktopCat& cat, int count) {
    if (count <= 1) return 0;
    return std::min(int(cat.unit() * count), count - 1);
}

std::optional<int> videoWindow(const DesktopCat& cat, std::optional<long long> pid) {
    if (pid) {
        for (int number : cat.terrain.order) {
            const auto owner = cat.terrain.owners.find(number);
            if (owner == cat.terrain.owners.end() || owner->second != *pid) continue;
            const auto frame = cat.terrain.frames.find(number);
            if (frame == cat.terrain.frames.end()) continue;
            if (frame->second.width() >= 260 && frame->second.height() >= 160) return number;
        }
    }
    return cat.watchableWindow();
}

int drawWinner(const std::vector<double>& weights, double r) {
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] > r) return int(i);
        r -= weights[i];
    }
    return -1;
}

}  // namespace kp::desktopsteps

namespace kp {

// The head point lies 15 units ahead of a lying cat's feet; each letter drifts 30 points on from it
// as it rises, and is at most 12 points wide.
double DesktopCat::drawnReach() const { return 15 * sizeUnit() + 36; }

double DesktopCat::keptOnScreen(double x) const {
    const double reach = drawnReach(), width = terrain.size.width();
    if (width < 2 * reach) return width / 2;
    return std::clamp(x, reach, width - reach);
}

double DesktopCat::spotOn(const Ledge& ground, double x) const {
    const double m = desktopsteps::margin(bodyScale());
    double lo = ground.x0 + m, hi = ground.x1 - m;
    if (lo > hi) lo = hi = ground.middle();
    const double a = std::max(lo, keptOnScreen(lo)), b = std::min(hi, keptOnScreen(hi));
    if (a <= b) return std::clamp(x, a, b);
    return std::clamp(terrain.size.width() / 2, lo, hi);
}

}  // namespace kp
