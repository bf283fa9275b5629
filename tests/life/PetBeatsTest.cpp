#include "PetProbe.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveFor;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

TEST(PetAttention, MeowsAtTheWatcherOnlyWhenSeen) {
    CatWorld w;
    auto cat = w.make();
    P::setBeat(*cat, PetBeat::sit(w.clock.now() + 100), w.clock.now());
    cat->setWatched(true);
    moveFor(w, *cat, 0.8);
    EXPECT_EQ(w.count(PetSound::meow), 1u);
    const double wait = *cat->nextMeow() - w.clock.now();
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    P::setArrivalDue(*cat, w.clock.now() + 1000);
    moveFor(w, *cat, wait + 0.1);
    EXPECT_EQ(w.count(PetSound::meow), 1u) << "out of sight";
    cat->setWatched(false);
    EXPECT_FALSE(cat->nextMeow());
}

TEST(PetFocusNap, SleepsThroughTheRoundAndWakesAtItsEndButNeverFromTheNight) {
    CatWorld w;
    auto cat = w.make();
    cat->startFocusNap();
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->isSleeping(); }, 10));
    cat->endFocusNap();
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->pose(), PetPose::stretching);

    CatWorld n;
    auto night = n.make();
    night->startFocusNap();
    night->setSleeping(true);
    A::setNightSleepUntil(*night, n.clock.now() + 3000);
    night->endFocusNap();
    EXPECT_TRUE(night->isSleeping());
    P::die(*night);
    night->startFocusNap();
    EXPECT_FALSE(night->focusNap());
}

TEST(PetBeats, UnseenTheCatLivesTheSameInBatches) {
    // Two cats with the same draws, one seen throughout, one unseen for the middle two minutes.
    auto live = [](bool hide) {
        CatWorld w;
        auto cat = w.make();
        cat->setEnergy(90);
        std::vector<double> trace;
        w.run(10);
        if (hide) cat->setSeen(false);
        for (int s = 0; s < 240; ++s) {
            w.run(0.5);
            if (s % 2 == 1) trace.insert(trace.end(), {cat->place(), double(cat->beat().kind), cat->energy()});
        }
        cat->setSeen(true);
        w.run(0.01);
        trace.push_back(cat->place());
        return std::pair{trace, w.scheduler.pendingCount()};
    };
    const auto [seen, seenPending] = live(false);
    const auto [unseen, unseenPending] = live(true);
    std::set<double> places;
    for (std::size_t i = 0; i < seen.size(); i += 3) places.insert(seen[i]);
    EXPECT_GT(places.size(), 10u) << "it did walk about";
    ASSERT_EQ(seen.size(), unseen.size());
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_NEAR(seen[i], unseen[i], 1e-5) << i;
    EXPECT_EQ(seenPending, unseenPending) << "one motion timer either way";
}

TEST(PetBeats, SteppedByAViewsFramesTheCatLivesTheSameAndTheAppWakesOnlyForTheStatStep) {
    // Two cats with the same draws, both seen; one steps on its own timer, the other at the
    // frames of a view at 60 a second for the middle two minutes.
    auto live = [](bool byFrames) {
        CatWorld w;
        auto cat = w.make();
        cat->setEnergy(90);
        std::vector<double> trace;
        w.run(10);
        if (byFrames) cat->setSteppedByFrames(true);
        const int before = w.scheduler.wakeUps();
        for (int frame = 1; frame <= 120 * 60; ++frame) {
            w.run(1.0 / 60);
            if (byFrames) cat->catchUpMotion();
            // Read between two steps' moments: on one, float sums may put that step either side.
            if (frame % 60 == 31) trace.insert(trace.end(), {cat->place(), double(cat->beat().kind), cat->energy()});
        }
        const int wakeUps = w.scheduler.wakeUps() - before;
        cat->setSteppedByFrames(false);  // the view goes
        const int after = w.scheduler.wakeUps();
        w.run(1);
        trace.push_back(cat->place());
        return std::tuple{trace, wakeUps, w.scheduler.wakeUps() - after};
    };
    const auto [timed, timedWakeUps, timedAfter] = live(false);
    const auto [framed, framedWakeUps, framedAfter] = live(true);
    std::set<double> places;
    for (std::size_t i = 0; i < timed.size(); i += 3) places.insert(timed[i]);
    EXPECT_GT(places.size(), 10u) << "it did walk about";
    ASSERT_EQ(timed.size(), framed.size());
    for (std::size_t i = 0; i < timed.size(); ++i) EXPECT_NEAR(timed[i], framed[i], 1e-5) << i;
    EXPECT_GE(timedWakeUps, 120 * 30);
    EXPECT_LE(framedWakeUps, 125) << "the stat step only";
    EXPECT_GE(framedAfter, 29) << "its own timer again once the view is gone";
}

TEST(PetBeats, OutOnTheDesktopTheUnseenHomeCatWakesTheAppOnlyForItsBatches) {
    CatWorld w;
    auto cat = w.make();
    A::setRoom(*cat, IslandRoomKind::bedroom);
    A::setViewRoom(*cat, IslandRoomKind::bedroom);
    w.run(10);
    cat->setSeen(false);
    cat->goOut();
    int before = w.scheduler.wakeUps();
    w.run(60);
    // The stat step, with the held-back steps; not one step a frame while the desktop shows the cat.
    EXPECT_LE(w.scheduler.wakeUps() - before, 60);
    cat->setSeen(true);  // the island opens on it
    before = w.scheduler.wakeUps();
    w.run(1);
    EXPECT_GE(w.scheduler.wakeUps() - before, 29);
}

namespace {

// Hands out whatever draw the test sets, or the queued ones first.
struct SetDraws final : RandomSource {
    double next = 0;
    std::vector<double> queued;
    double unit() override {
        if (queued.empty()) return next;
        const double v = queued.front();
        queued.erase(queued.begin());
        return v;
    }
};

}  // namespace

TEST(PetBeats, ARestedCatWalksNapsBatsAndSitsByTurnsAndATiredOneNapsMore) {
    struct Spread {
        std::map<PetBeat::Kind, int> count;
        std::map<PetBeat::Kind, std::pair<double, double>> span;  // shortest and longest
    };
    const auto spread = [](double energy) {
        SetDraws draws;
        CatWorld w;
        w.random = &draws;
        auto cat = w.make();
        cat->setEnergy(energy);
        const double t = w.clock.now();
        Spread s;
        for (int i = 0; i < 100; ++i) {
            for (double length : {0.0, 1.0}) {
                draws.queued = {(i + 0.5) / 100, length};
                const PetBeat b = cat->chooseBeat(t);
                const double v = b.kind == PetBeat::Kind::walk ? b.target : b.until - t;
                auto [it, fresh] = s.span.try_emplace(b.kind, v, v);
                it->second = {std::min(it->second.first, v), std::max(it->second.second, v)};
                ++s.count[b.kind];
            }
        }
        return s;
    };
    using K = PetBeat::Kind;
    const Spread rested = spread(80);
    EXPECT_EQ(rested.count, (std::map<K, int>{{K::walk, 60}, {K::nap, 30}, {K::bat, 30}, {K::sit, 80}}));
    const Spread tired = spread(30);
    EXPECT_EQ(tired.count, (std::map<K, int>{{K::walk, 60}, {K::nap, 70}, {K::bat, 30}, {K::sit, 40}}));
    // How long each lasts, and where a walk goes, at the default ten-second beat.
    const std::map<K, std::pair<double, double>> spans = {
        {K::walk, {0.3, 0.72}}, {K::nap, {14, 24}}, {K::bat, {4, 7}}, {K::sit, {7, 12}}};
    for (const auto& [kind, span] : spans) {
        for (const Spread* s : {&rested, &tired}) {
            EXPECT_NEAR(s->span.at(kind).first, span.first, 1e-9) << int(kind);
            EXPECT_NEAR(s->span.at(kind).second, span.second, 1e-9) << int(kind);
        }
    }
}

TEST(PetHunt, TheCatHuntsAMovingPointerAtMostEveryTwelveSecondsPouncesAndSitsBriefly) {
    SetDraws draws;  // every chance taken
    CatWorld w;
    w.random = &draws;
    auto cat = w.make();
    const double born = w.clock.now();
    P::setBeat(*cat, PetBeat::sit(born + 1000), born);
    // The pointer wanders on the right of the room; a newborn cat does not hunt at once.
    const auto wiggle = [&](double x, double seconds, auto until) {
        for (int i = 0; i < int(seconds * 30); ++i) {
            cat->cursorMoved(i % 2 ? x : x + 0.01);
            moveFor(w, *cat, 1.0 / 30);
            if (until()) return true;
        }
        return false;
    };
    const auto hunting = [&] { return cat->pose() == PetPose::hunting; };
    EXPECT_FALSE(wiggle(0.9, 11.5, hunting)) << "hunted too soon after its start";
    ASSERT_TRUE(wiggle(0.9, 1, hunting));
    const double huntStart = w.clock.now();

    // The pointer rests: the cat creeps up to it and pounces.
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::batting; }, 8));
    EXPECT_NEAR(cat->place(), 0.85, 0.013) << "stops short of the pointer";
    EXPECT_TRUE(cat->facingRight());
    draws.next = 0.999;  // the longest sit
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::sitting; }, 2));
    EXPECT_LE(cat->beat().until - w.clock.now(), 5.0) << "a brief sit after the pounce";
    EXPECT_GE(cat->beat().until - w.clock.now(), 2.9);

    // The next hunt waits its twelve seconds from the last one's start; it ends when the pointer leaves.
    draws.next = 0;
    P::setBeat(*cat, PetBeat::sit(w.clock.now() + 1000), w.clock.now());
    ASSERT_TRUE(wiggle(0.1, 12, hunting));
    EXPECT_GT(w.clock.now() - huntStart, 12);
    moveFor(w, *cat, 0.5);
    draws.next = 0.999;
    cat->cursorMoved(std::nullopt);
    moveFor(w, *cat, 1.0 / 30);
    EXPECT_EQ(cat->pose(), PetPose::sitting) << "nothing left to hunt";
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit);
    EXPECT_LE(cat->beat().until - w.clock.now(), 5.0);
}

TEST(PetBeats, TheCatStrollsAtAWalkAndZoomsAtARunFromEndToEndOfTheRoom) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.3);
    P::setBeat(*cat, PetBeat::walk(0.7), w.clock.now());
    const double start = w.clock.now();
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->beat().kind != PetBeat::Kind::walk; }, 10));
    EXPECT_NEAR(w.clock.now() - start, 4, 0.1) << "across two fifths of the room at a stroll";

    // Two laps from mid-room: to the left end, then to the right end, and the run tires and cheers it.
    cat->setEnergy(50);
    cat->setHappiness(50);
    P::setPlace(*cat, 0.5);
    P::setZooming(*cat, true);
    P::setBeat(*cat, PetBeat::zoom(2), w.clock.now());
    const double zoomStart = w.clock.now();
    double leftmost = 1, rightmost = 0;
    ASSERT_TRUE(moveUntil(w, *cat, [&] {
        leftmost = std::min(leftmost, cat->place());
        rightmost = std::max(rightmost, cat->place());
        return !cat->isZooming();
    }, 10));
    EXPECT_NEAR(leftmost, 0.12, 1e-9);
    EXPECT_NEAR(rightmost, 0.88, 1e-9);
    EXPECT_DOUBLE_EQ(cat->place(), 0.88) << "the second lap ends on the right";
    EXPECT_LT(w.clock.now() - zoomStart, 2.5) << "a run, not a stroll";
    EXPECT_DOUBLE_EQ(cat->energy(), 47);
    EXPECT_DOUBLE_EQ(cat->happiness(), 53);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
}

TEST(PetAttention, TheWatchedSittingCatSlowBlinksAtAPointerThatRestsAtMostEveryTwentySeconds) {
    CatWorld w;
    auto cat = w.make();
    P::setBeat(*cat, PetBeat::sit(w.clock.now() + 1000), w.clock.now());
    P::setPlace(*cat, 0.5);  // the pointer right above it: nothing to hunt
    cat->setWatched(true);
    const auto blinks = [&] { return std::count(w.emotes.begin(), w.emotes.end(), BotEmote::happy); };
    const auto hearts = [&] {
        return std::count_if(cat->reactions().begin(), cat->reactions().end(),
                             [](const PetReaction& r) { return r.kind == PetReaction::Kind::heart; });
    };
    // A pointer moved every two and a half seconds never rests long enough.
    for (int i = 0; i < 10; ++i) {
        cat->cursorMoved(i % 2 ? 0.5 : 0.52);
        moveFor(w, *cat, 2.5);
    }
    EXPECT_EQ(blinks(), 0);
    cat->cursorMoved(0.52);
    const double rested = w.clock.now();
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return blinks() == 1; }, 4));
    EXPECT_NEAR(w.clock.now() - rested, 3, 0.05);
    EXPECT_EQ(hearts(), 1);
    EXPECT_NEAR(*cat->lookingAtYouUntil() - w.clock.now(), 2, 1e-9);
    moveFor(w, *cat, 19.9);
    EXPECT_EQ(blinks(), 1) << "twenty seconds between two";
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return blinks() == 2; }, 0.2));
    cat->setWatched(false);
    moveFor(w, *cat, 25);
    EXPECT_EQ(blinks(), 2) << "nobody watching";
}
