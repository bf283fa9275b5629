#include "desktop/DesktopSteps.h"
#include "desktop/KeyboardWalk.h"

#include "platform/Defaults.h"

#include <algorithm>
#include <cmath>

namespace kp {

using namespace desktopsteps;

namespace {

bool isWindowGround(int g) { return g != ground::floor && g != ground::dock; }

Plan joined(Plan head, const Plan& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

DesktopCat::Plan DesktopCat::homePlan(const Ledge& from) {
    const QPointF notch(terrain.size.width() / 2, terrain.menuBottom - 2);
    const double reach = 16 * 1.45 * bodyScale();
    const double target =
        from.width() > 2 * reach ? std::clamp(notch.x(), from.x0 + reach, from.x1 - reach) : from.middle();
    const Plan straight = {Step::walk(target, true), Step::of(Kind::intoNotch)};
    if (feet.y() - notch.y() <= 460) return straight;

    // Too far below the notch to fly there: climb one ledge, the highest and nearest the notch.
    const Ledge* best = nullptr;
    double bestScore = 0;
    for (const Ledge& l : terrain.ledges) {
        if (!(feet.y() - 340 <= l.y && l.y < feet.y() - 60) || l.width() < 90) continue;
        const double score = l.y + std::abs(l.middle() - notch.x());
        if (!best || score < bestScore) {
            best = &l;
            bestScore = score;
        }
    }
    if (!best) return straight;
    const double x = best->width() > 60 ? std::clamp(notch.x(), best->x0 + 30, best->x1 - 30) : best->middle();
    return {Step::hop(best->window, x)};
}

QPointF DesktopCat::breakSpot() {
    const QPointF spot(0.5 * terrain.size.width(), 0.55 * terrain.size.height());
    breakSpotPoint = spot;
    breakOver = false;
    std::erase_if(terrain.ledges, [](const Ledge& l) { return l.window == ground::breakPerch; });
    terrain.ledges.push_back(Ledge{ground::breakPerch, spot.y(), spot.x() - 70, spot.x() + 70});
    return spot;
}

DesktopCat::Plan DesktopCat::planFor(Trick trick, const Ledge& ground) {
    std::vector<Ledge> wide;
    for (const Ledge& l : terrain.ledges)
        if (l.window != ground::floor && l.window != ground::dock && l.window != ground::breakPerch && l.width() >= 150)
            wide.push_back(l);
    const bool wideUnderfoot = isWindowGround(ground.window) && ground.width() >= 150;
    // A random wide window ledge and where to land on it.
    const auto wideHop = [&]() -> std::pair<Ledge, double> {
        const Ledge l = wide[std::size_t(pickIndex(*this, int(wide.size())))];
        const double x = l.width() > 80 ? std::clamp(feet.x(), l.x0 + 40, l.x1 - 40) : l.middle();
        return {l, x};
    };

    switch (trick) {
    case Trick::peek: {
        if (wideUnderfoot) return {Step::peek(5), Step::sit(1.5)};
        if (wide.empty()) return {Step::sit(1)};
        const auto [l, x] = wideHop();
        return {Step::hop(l.window, x), Step::peek(5), Step::sit(1.5)};
    }
    case Trick::pounce: return {Step::of(Kind::pounce), Step::sit(2)};
    case Trick::gift: return giftPlan(ground);
    case Trick::breakTime: pendingBreak = true; return {};
    case Trick::mug: {
        cup.reset();
        if (wideUnderfoot) return mugPlan(ground);
        if (wide.empty()) return {Step::sit(1)};
        const auto [l, x] = wideHop();
        return joined({Step::hop(l.window, x)}, mugPlan(l));
    }
    case Trick::keyboard:
        // Asked for by hand: not held back by the last walk.
        world().store->remove(QString::fromLatin1(keyboardwalk::lastWalkKey));
        return joined(dockPlan(ground), {Step::of(Kind::stomp), Step::stare(1.6), Step::sit(2)});
    case Trick::nap: return joined(dockPlan(ground), {Step::loaf(2), Step::of(Kind::sleep)});
    case Trick::bellyNap: forceBelly = true; return {Step::loaf(1.5), Step::of(Kind::sleep)};
    case Trick::play: return {Step::playAlone(12), Step::sit(2)};
    case Trick::meow: return {Step::of(Kind::meow), Step::sit(2)};
    case Trick::watch: {
        const std::optional<int> w = watchableWindow();
        if (!w) return {Step::sit(1)};
        return watchPlan(*w, 30);
    }
    case Trick::vibe: vibeAnyway = true; return {Step::vibe(20), Step::sit(2)};
    }
    return {};
}

DesktopCat::Plan DesktopCat::dockPlan(const Ledge& from) {
    double lo = 0.35 * terrain.size.width();
    double hi = 0.65 * terrain.size.width();
    if (terrain.dock) {
        lo = terrain.dock->lo;
        hi = terrain.dock->hi;
    }
    const double x = uniform(lo, hi);
    // Without a Dock the hop finds no ground and is skipped: the cat only walks.
    if (from.window == ground::dock) return {Step::walk(x, false)};
    return {Step::hop(ground::dock, x), Step::walk(x, false)};
}

DesktopCat::Plan DesktopCat::followPlan() { return {Step::follow(6 + 5 * unit())}; }

DesktopCat::Plan DesktopCat::wanderPlan(const Ledge& on) {
    const double x = uniform(on.x0, on.x1);
    return {Step::walk(x, false), Step::sit(2 + 3 * unit())};
}

DesktopCat::Plan DesktopCat::hopPlan(const Ledge& to) {
    double x = 0;
    if (to.x0 + 30 <= feet.x() && feet.x() <= to.x1 - 30 && coin())
        x = feet.x() - 60 + 120 * unit();  // straight up or down, near where the cat is
    else
        x = uniform(to.x0, to.x1);
    Plan p = {Step::hop(to.window, x), Step::sit(3 + 4 * unit())};
    p.push_back(coin() ? Step::groom(2.4) : Step::loaf(6 + 8 * unit()));
    return p;
}

DesktopCat::Plan DesktopCat::vibePlan(double now) {
    lastVibe = now;
    return {Step::vibe(18 + 17 * unit()), Step::sit(2)};
}

DesktopCat::Plan DesktopCat::watchVideoPlan(int window, double now) {
    lastWatchVideo = now;
    return watchPlan(window, 60 + 60 * unit());
}

DesktopCat::Plan DesktopCat::watchWorkPlan(int window, double now) {
    lastWatchWork = now;
    return watchPlan(window, 20 + 20 * unit());
}

DesktopCat::Plan DesktopCat::groomPlan() { return {Step::groom(2 + 1.5 * unit()), Step::sit(2)}; }

DesktopCat::Plan DesktopCat::meowPlan(double now) {
    lastMeow = now;
    return {Step::of(Kind::meow), Step::sit(1.5 + 1.5 * unit())};
}

DesktopCat::Plan DesktopCat::playPlan(double now) {
    lastPlay = now;
    return {Step::playAlone(8 + 6 * unit()), Step::sit(2), Step::groom(2)};
}

DesktopCat::Plan DesktopCat::napHerePlan() { return {Step::loaf(3), Step::of(Kind::sleep)}; }

DesktopCat::Plan DesktopCat::peekPlan(const Ledge& on, double now) {
    lastPeek = now;
    const double x = uniform(on.x0, on.x1);
    return {Step::walk(x, false), Step::peek(4 + 2 * unit()), Step::sit(2)};
}

DesktopCat::Plan DesktopCat::giftPlan(const Ledge& on) {
    lastGift = now();
    // The end of the ledge away from the pointer.
    const double target = std::abs(on.x0 - mouse.x()) < std::abs(on.x1 - mouse.x()) ? on.x1 : on.x0;
    return {Step::walk(target, true), Step::rummage(1.4), Step::of(Kind::bringGift), Step::sit(3)};
}

DesktopCat::Plan DesktopCat::loafPlan() { return {Step::loaf(6 + 8 * unit())}; }

DesktopCat::Plan DesktopCat::sitPlan() { return {Step::sit(3 + 3 * unit())}; }

DesktopCat::Plan DesktopCat::mugPlan(const Ledge& on) {
    // At the end of the ledge away from the cat, 14 in.
    const double mugX =
        std::abs(on.x0 + 14 - feet.x()) <= std::abs(on.x1 - 14 - feet.x()) ? on.x1 - 14 : on.x0 + 14;
    Cup c;
    c.p = QPointF(mugX, on.y);
    c.window = on.window;
    cup = c;
    lastKnock = now();
    const double gap = 27 * 1.45 * bodyScale();
    const double stop = mugX > on.x0 + on.width() / 2 ? mugX - gap : mugX + gap;
    return {Step::walk(stop, false), Step::stare(1.5), Step::of(Kind::nudgeCup), Step::watchCup(1.8), Step::sit(2.5)};
}

}  // namespace kp
