// Outings one after another as the roaming controller's own schedule makes them, each with a
// desktop cat of its own: what outlives one outing's cat.
#include "DesktopPlanWorld.h"

#include "desktop/DesktopRoam.h"
#include "support/RoamFakes.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>

using namespace kp;

namespace {

// What a user sees come out during a run of outings: when each mug and each gift first showed,
// in seconds of outings (time at home does not count).
struct Outings {
    int count = 0;
    double secondsOut = 0;
    std::vector<double> mugs, gifts;
    std::vector<int> mugOutings, giftOutings;
};

Outings runOutings(std::uint64_t seed, int outings) {
    test::DesktopPlanWorld w;
    w.seeded = SeededRandom(seed);
    w.store->set("desktopRoam", true);
    w.store->set("onboardedV1", true);
    w.life->setNeed(std::nullopt);
    w.life->setEnergy(100);
    w.addWindow(2, QRectF(200, 500, 600, 300), 111);
    w.addWindow(3, QRectF(700, 250, 500, 400), 222);
    w.addWindow(4, QRectF(100, 150, 400, 200), 333);

    ManualScheduler scheduler;
    test::PanelLog panel;
    QPointF pointer(700, 450);
    RoamServices s;
    s.clock = &w.clock;
    s.random = w.random;
    s.store = &*w.store;
    s.scheduler = &scheduler;
    s.idleness = &w.idle;
    s.life = w.life.get();
    s.screen = [&w] { return std::optional<RoamScreen>(w.screen); };
    s.pointer = [&pointer] { return pointer; };
    s.makeCat = [&w](const RoamScreen& screen) { return roamerFor(std::make_unique<DesktopCat>(screen, w.world())); };
    s.makePanel = [&panel](const RoamScreen& screen, RoamCat&) {
        return std::make_unique<test::FakePanel>(panel, screen.frame);
    };
    DesktopRoam roam(s);
    roam.start();

    Outings seen;
    bool wasOut = false, hadCup = false, hadGift = false;
    // Bounded by the clock too: a run that never goes out ends.
    const double end = w.clock.now() + 4 * 3600;
    while (seen.count <= outings && w.clock.now() < end) {
        const double dt = roam.isOut() ? 1.0 / 60 : 1.0;
        w.clock.advance(dt);
        scheduler.advance(dt);
        // The hand on the mouse now and then, slowly.
        const double t = w.clock.now();
        if (std::fmod(t, 30) < 6) pointer = QPointF(720 + 400 * std::sin(t / 7), 450 + 250 * std::cos(t / 5));
        if (!roam.isOut()) {
            wasOut = false;
            continue;
        }
        if (!wasOut) {
            ++seen.count;
            hadCup = hadGift = false;
        }
        wasOut = true;
        seen.secondsOut += dt;
        const DesktopCat* cat = roam.roamingCat() ? roam.roamingCat()->model() : nullptr;
        if (!cat) continue;
        if (cat->cup && !hadCup) {
            seen.mugs.push_back(seen.secondsOut);
            seen.mugOutings.push_back(seen.count);
        }
        if (cat->gift && !hadGift) {
            seen.gifts.push_back(seen.secondsOut);
            seen.giftOutings.push_back(seen.count);
        }
        hadCup = cat->cup.has_value();
        hadGift = cat->gift.has_value();
    }
    QCoreApplication::processEvents();
    return seen;
}

}  // namespace

// The mug and the gift each come at most once in a quarter of an hour of outings, counted over
// outings of three to seven minutes, so both come within a few of them: by the eighth outing in
// most runs, by the twelfth in every one.
TEST(RoamOutings, TheMugAndTheGiftComeWithinAFewOutingsAtMostOnceAQuarterHourOfThem) {
    int mugSoon = 0, giftSoon = 0, runs = 0;
    for (std::uint64_t seed = 1; seed <= 12; ++seed, ++runs) {
        const Outings seen = runOutings(seed, 12);
        ASSERT_GE(seen.count, 12) << "seed " << seed;
        ASSERT_FALSE(seen.mugs.empty()) << "seed " << seed << ": no mug in " << seen.count << " outings, "
                                        << std::lround(seen.secondsOut) << " s out";
        ASSERT_FALSE(seen.gifts.empty()) << "seed " << seed << ": no gift in " << seen.count << " outings, "
                                         << std::lround(seen.secondsOut) << " s out";
        mugSoon += seen.mugOutings.front() <= 8;
        giftSoon += seen.giftOutings.front() <= 8;
        // Seen when it shows: a gift only once the cat has run to a ledge's end and found it.
        for (const std::vector<double>* times : {&seen.mugs, &seen.gifts}) {
            double last = 0;
            for (const double at : *times) {
                EXPECT_GT(at - last, 900 - 10) << "seed " << seed << ": again after " << at - last << " s of outings";
                last = at;
            }
        }
    }
    EXPECT_GE(mugSoon, runs * 2 / 3);
    EXPECT_GE(giftSoon, runs * 2 / 3);
}
