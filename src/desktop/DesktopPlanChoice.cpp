#include "desktop/DesktopSteps.h"

#include "life/PetLife.h"
#include "core/Preferences.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"
#include "desktop/KeyboardWalk.h"

#include <cmath>

namespace kp {

using namespace desktopsteps;

namespace desktopsteps {

std::vector<Candidate> planCandidates(DesktopCat& cat, double now, const Ledge& ground) {
    std::vector<Candidate> list;
    list.reserve(17);
    const double width = ground.width();
    const bool onWindow = ground.window != ground::floor && ground.window != ground::dock;
    const double energy = cat.life().energy();
    const QPointF feet = cat.feet;
    const auto add = [&](int row, double weight, std::function<Plan()> build) {
        list.push_back(Candidate{row, weight, std::move(build)});
    };
    const auto dockThen = [&cat, ground](Plan tail) {
        Plan p = cat.dockPlan(ground);
        p.insert(p.end(), tail.begin(), tail.end());
        return p;
    };

    if (std::hypot(feet.x() - cat.mouse.x(), feet.y() - cat.mouse.y()) < 650 && now - cat.mouseMovedAt < 1.5 &&
        now - cat.lastFollow > 5)
        add(1, 4.0, [&cat] { return cat.followPlan(); });

    add(2, 3.0, [&cat, ground] { return cat.wanderPlan(ground); });

    std::vector<Ledge> hops;
    for (const Ledge& l : cat.terrain.ledges) {
        if (l.window == ground.window || l.width() < 90) continue;
        if (l.y < feet.y() - 340 || std::abs(l.y - feet.y()) <= 24) continue;
        const bool spans = l.x0 <= feet.x() && feet.x() <= l.x1;
        const double nearEnd = std::min(std::abs(l.x0 - feet.x()), std::abs(l.x1 - feet.x()));
        if (spans || nearEnd < 520) hops.push_back(l);
    }
    if (!hops.empty()) {
        // Drawn now, whichever candidate wins.
        const Ledge to = hops[std::size_t(pickIndex(cat, int(hops.size())))];
        add(3, onWindow ? 2.5 : 5.0, [&cat, to] { return cat.hopPlan(to); });
    }

    const MediaWatcher::Playing playing = cat.playing();
    if (playing.isMusic() && now - cat.lastVibe > 40) add(4, 5.0, [&cat, now] { return cat.vibePlan(now); });
    if (playing.isVideo() && now - cat.lastWatchVideo > 45) {
        if (const std::optional<int> w = videoWindow(cat, playing.app()))
            add(5, 9.0, [&cat, w = *w, now] { return cat.watchVideoPlan(w, now); });
    }

    if (cat.secondsSinceInput() < 20 && now - cat.lastWatchWork > 240) {
        if (const std::optional<int> w = cat.watchableWindow())
            add(6, 1.4, [&cat, w = *w, now] { return cat.watchWorkPlan(w, now); });
    }

    add(7, 3.0, [&cat] { return cat.groomPlan(); });
    if (now - cat.lastMeow > 25) add(8, 1.2, [&cat, now] { return cat.meowPlan(now); });
    if (width >= 160 && now - cat.lastPlay > 90) add(9, 1.8, [&cat, now] { return cat.playPlan(now); });
    if (energy < 85) add(10, 0.9, [&cat] { return cat.napHerePlan(); });
    if (width >= 120 && onWindow && now - cat.lastPeek > 300)
        add(11, 0.7, [&cat, ground, now] { return cat.peekPlan(ground, now); });
    if (!cat.gift && now - cat.lastGift > 900 && now - cat.mouseMovedAt < 20)
        add(12, 0.5, [&cat, ground] { return cat.giftPlan(ground); });
    if (energy < 70 && cat.terrain.dock)
        add(13, 1.2, [dockThen] { return dockThen({Step::loaf(3), Step::of(Kind::sleep)}); });
    add(14, 1.5, [&cat] { return cat.loafPlan(); });
    add(15, 1.5, [&cat] { return cat.sitPlan(); });
    if (cat.mischief && onWindow && !cat.cup && width > 150 && now - cat.lastKnock > 900)
        add(16, 0.6, [&cat, ground] { return cat.mugPlan(ground); });
    if (cat.mischief && cat.terrain.dock) {
        // Seconds since 1970 against the stored stamp; a missing stamp reads as 0. A stamp from the
        // future (the clock set back, a hand edit) is taken as a walk now, and kept so.
        const QString key = QString::fromLatin1(keyboardwalk::lastWalkKey);
        const double unixNow = now + kReferenceDateUnix;
        double last = prefs::moment(key, *cat.world().store).value_or(0);
        if (last > unixNow) {
            last = unixNow;
            cat.world().store->set(key, last);
        }
        if (unixNow - last > 2700)
            add(17, 0.35, [dockThen] {
                return dockThen({Step::of(Kind::stomp), Step::stare(1.6), Step::sit(2)});
            });
    }
    return list;
}

}  // namespace desktopsteps

DesktopCat::Plan DesktopCat::choosePlan(double now, const Ledge& ground) {
    if (homeBound) return homePlan(ground);
    if (pendingBreak) {
        pendingBreak = false;
        const QPointF spot = breakSpot();
        return {Step::hop(ground::breakPerch, spot.x()), Step::plea(150)};
    }
    if (pendingAsk) {
        asking = pendingAsk;
        pendingAsk.reset();
        const QPointF spot = breakSpot();
        return {Step::hop(ground::breakPerch, spot.x()), Step::ask(120)};
    }
    if (queuedTrick) {
        const Trick trick = *queuedTrick;
        queuedTrick.reset();
        return planFor(trick, ground);
    }
    // A sleepy or very tired cat naps on the Dock.
    if (life().isSleeping() || (life().energy() < 25 && unit() < 0.6)) {
        Plan p = dockPlan(ground);
        p.push_back(Step::of(Step::Kind::sleep));
        return p;
    }

    const std::vector<Candidate> list = planCandidates(*this, now, ground);
    std::vector<double> weights;
    weights.reserve(list.size());
    double total = 0;
    for (const Candidate& c : list) {
        weights.push_back(c.weight);
        total += c.weight;
    }
    const int winner = drawWinner(weights, unit() * total);
    if (winner < 0) return {Step::sit(3)};
    return list[std::size_t(winner)].build();
}

}  // namespace kp
