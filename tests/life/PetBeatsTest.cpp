#include "PetProbe.h"

#include <gtest/gtest.h>

#include <numbers>
#include <set>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveFor;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

void putIn(PetLife& cat, IslandRoomKind room) {
    A::setRoom(cat, room);
    A::setViewRoom(cat, room);
}

}  // namespace

TEST(PetBeats, LengthsScaleWithBeatLengthSeconds) {
    for (const auto& [setting, expected] : {std::pair{2.0, 1.9}, std::pair{0.0, 9.5}, std::pair{-3.0, 9.5}}) {
        CatWorld w;
        ScriptedRandom draws{0.9, 0.5};  // a sit, in the middle of 0.7...1.2
        w.random = &draws;
        w.store->set("beatLengthSeconds", setting);
        auto cat = w.make();
        const double t = w.clock.now();
        const PetBeat b = cat->chooseBeat(t);
        EXPECT_EQ(b.kind, PetBeat::Kind::sit);
        EXPECT_NEAR(b.until - t, expected, 1e-6) << setting;
    }
}

TEST(PetBeats, ChooserByEnergyAndTheZoomies) {
    struct Case {
        double energy, u;
        PetBeat::Kind kind;
    };
    for (const Case c : {Case{80, 0.2, PetBeat::Kind::walk}, Case{80, 0.4, PetBeat::Kind::nap},
                         Case{80, 0.5, PetBeat::Kind::bat}, Case{80, 0.65, PetBeat::Kind::sit},
                         Case{30, 0.6, PetBeat::Kind::nap}, Case{30, 0.75, PetBeat::Kind::bat},
                         Case{30, 0.85, PetBeat::Kind::sit}}) {
        CatWorld w;
        ScriptedRandom draws{c.u, 0.5};
        w.random = &draws;
        auto cat = w.make();
        cat->setEnergy(c.energy);
        const PetBeat b = cat->chooseBeat(w.clock.now());
        EXPECT_EQ(b.kind, c.kind) << c.energy << " " << c.u;
        if (b.kind == PetBeat::Kind::walk) {
            EXPECT_NEAR(b.target, 0.51, 1e-9);
        }
    }

    CatWorld w;
    ScriptedRandom draws{0.1, 0.99};
    w.random = &draws;
    auto cat = w.make();
    cat->setHappiness(90);
    cat->setEnergy(60);
    const PetBeat zoom = cat->chooseBeat(w.clock.now());
    EXPECT_EQ(zoom.kind, PetBeat::Kind::zoom);
    EXPECT_EQ(zoom.laps, 5);
}

TEST(PetBeats, ZoomiesEndAtTheRightWallAndPayOnce) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.5);
    cat->setEnergy(60);
    cat->setHappiness(50);
    P::setBeat(*cat, PetBeat::zoom(3), w.clock.now());
    P::setZooming(*cat, true);
    // First lap (3, odd) to the right wall, then left, then right again.
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->beat().laps == 2; }, 5));
    EXPECT_DOUBLE_EQ(cat->place(), 0.88);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->beat().laps == 1; }, 5));
    EXPECT_DOUBLE_EQ(cat->place(), 0.12);
    EXPECT_DOUBLE_EQ(cat->energy(), 60);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->beat().kind == PetBeat::Kind::sit; }, 5));
    EXPECT_DOUBLE_EQ(cat->place(), 0.88);
    EXPECT_FALSE(cat->isZooming());
    EXPECT_DOUBLE_EQ(cat->energy(), 57);
    EXPECT_DOUBLE_EQ(cat->happiness(), 53);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
}

TEST(PetBeats, NapEndsInAStretchAndTheStretchInASit) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    P::setBeat(*cat, PetBeat::nap(t + 1), t);
    moveFor(w, *cat, 0.5);
    EXPECT_EQ(cat->pose(), PetPose::napping);
    moveFor(w, *cat, 0.55);
    EXPECT_EQ(cat->pose(), PetPose::stretching);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::stretch);
    ASSERT_FALSE(w.emotes.empty());
    EXPECT_EQ(w.emotes.back(), BotEmote::yawn);
    EXPECT_EQ(w.count(PetSound::yawn), 1u);
    moveFor(w, *cat, 1.85);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit);
}

TEST(PetIdleErrands, BedroomSleepsWhenTiredAndPicksFromItsListOtherwise) {
    CatWorld w;
    ScriptedRandom draws{0.5, 0.55};  // no stroll; u = 0.55
    w.random = &draws;
    auto cat = w.make();
    cat->setEnergy(30);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::sleep);

    // Each pick: no stroll (0.5), u, then the choice among the candidates.
    ScriptedRandom list{0.5, 0.3, 0.99, 0.5, 0.3, 0.99, 0.5, 0.45};
    w.random = &list;
    auto other = w.make();
    // The last of scratch, window, catShelf.
    EXPECT_EQ(other->pickIdleErrand(w.clock.now()), PetErrand::catShelf);
    EXPECT_EQ(other->lastIdleErrand(), PetErrand::catShelf);
    // Never twice in a row: now window is the last of two.
    EXPECT_EQ(other->pickIdleErrand(w.clock.now()), PetErrand::window);
    // u >= 0.4: nothing.
    EXPECT_FALSE(other->pickIdleErrand(w.clock.now()));
}

TEST(PetIdleErrands, GardenShelterOnlyOnceInARowInClearWeather) {
    CatWorld w;
    ScriptedRandom draws{0.1};
    w.random = &draws;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::garden);
    P::setLastIdleErrand(*cat, PetErrand::shelter);
    EXPECT_FALSE(cat->pickIdleErrand(w.clock.now()));
    EXPECT_FALSE(cat->lastIdleErrand());
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::shelter);

    // Falling weather: shelter, or in snow now and then play in it (never twice running).
    w.sky = SkyLook{SkyTime::day, SkyWeather::snow};
    P::setLastIdleErrand(*cat, std::nullopt);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::snowPlay);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::shelter);
    w.sky = SkyLook{SkyTime::day, SkyWeather::rain};
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::shelter);
}

TEST(PetIdleErrands, VideoBedtimeFocusAndStrolls) {
    CatWorld w;
    ScriptedRandom draws{0.5, 0.3, 0.5, 0.3, 0.09, 0.09, 0.3};
    w.random = &draws;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::living);
    cat->setVideoPlaying([] { return true; });
    P::setLastIdleErrand(*cat, PetErrand::watchTV);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::watchTV);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::watchTV);  // again and again

    A::setFocusNap(*cat, true);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::sleep);
    A::setFocusNap(*cat, false);
    w.sky = SkyLook{SkyTime::night, SkyWeather::clear};
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::sleep);

    // A clear day outside the garden: a stroll one time in ten.
    w.sky = SkyLook{SkyTime::day, SkyWeather::clear};
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::stroll);
    w.sky = SkyLook{SkyTime::day, SkyWeather::cloudy};
    EXPECT_NE(cat->pickIdleErrand(w.clock.now()), PetErrand::stroll);  // one in twenty then
}

TEST(PetIdleErrands, KitchenDrinksAtMostEveryTwoMinutes) {
    CatWorld w;
    ScriptedRandom draws{0.5, 0.3, 0.0, 0.5, 0.3, 0.0};
    w.random = &draws;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::kitchen);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::drink);
    P::setLastIdleErrand(*cat, std::nullopt);
    P::setLastDrank(*cat, w.clock.now() - 60);
    EXPECT_EQ(cat->pickIdleErrand(w.clock.now()), PetErrand::sniff);
}

TEST(PetAttention, MeowsAtTheWatcherWhenFreeAndVisible) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    P::setBeat(*cat, PetBeat::sit(t + 100), t);
    cat->setWatched(true);
    ASSERT_TRUE(cat->nextMeow());
    EXPECT_NEAR(*cat->nextMeow() - t, 0.7, 1e-6);
    moveFor(w, *cat, 0.8);
    EXPECT_EQ(w.count(PetSound::meow), 1u);
    ASSERT_EQ(cat->reactions().size(), 1u);
    EXPECT_EQ(cat->reactions()[0].kind, PetReaction::Kind::meow);
    EXPECT_TRUE(cat->lookingAtYouUntil());
    const double wait = *cat->nextMeow() - w.clock.now();
    EXPECT_GE(wait, 24.2);
    EXPECT_LE(wait, 40);

    // Out of sight, it tries again 3 s later.
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    P::setArrivalDue(*cat, w.clock.now() + 1000);
    P::setBeat(*cat, PetBeat::sit(w.clock.now() + 100), w.clock.now());
    moveFor(w, *cat, wait + 0.1);
    EXPECT_EQ(w.count(PetSound::meow), 1u);
    EXPECT_NEAR(*cat->nextMeow() - w.clock.now(), 3, 0.1);

    cat->setWatched(false);
    EXPECT_FALSE(cat->nextMeow());
}

TEST(PetAttention, SlowBlinkAtARestingPointerAndTheHunt) {
    CatWorld w;
    ScriptedRandom never{0.99};
    w.random = &never;
    auto cat = w.make();
    const double t = w.clock.now();
    P::setBeat(*cat, PetBeat::sit(t + 100), t);
    P::setLastSlowBlink(*cat, t - 30);
    cat->setWatched(true);
    P::setPlace(*cat, 0.4);
    cat->cursorMoved(0.45);
    moveFor(w, *cat, 2.9);
    EXPECT_TRUE(w.emotes.empty());
    moveFor(w, *cat, 0.2);
    ASSERT_EQ(w.emotes.size(), 1u);
    EXPECT_EQ(w.emotes[0], BotEmote::happy);
    EXPECT_GT(cat->lastSlowBlink(), t + 3);

    // A moving pointer far from the cat is hunted, and pounced on once it rests.
    CatWorld h;
    ScriptedRandom always{0.0};
    h.random = &always;
    auto hunter = h.make();
    const double t0 = h.clock.now();
    P::setBeat(*hunter, PetBeat::sit(t0 + 100), t0);
    P::setLastHunt(*hunter, t0 - 13);
    P::setPlace(*hunter, 0.3);
    hunter->cursorMoved(0.7);
    moveFor(h, *hunter, 1.0 / 30);
    EXPECT_EQ(hunter->beat().kind, PetBeat::Kind::hunt);
    EXPECT_EQ(hunter->pose(), PetPose::hunting);
    ASSERT_TRUE(moveUntil(h, *hunter, [&] { return hunter->beat().kind != PetBeat::Kind::hunt; }, 9.5));
    EXPECT_EQ(hunter->beat().kind, PetBeat::Kind::bat);
    EXPECT_NEAR(hunter->place(), 0.65, 0.013);
    EXPECT_TRUE(hunter->facingRight());
    EXPECT_EQ(hunter->pose(), PetPose::batting);
}

TEST(PetAttention, AHuntEndsWhenThePointerLeaves) {
    CatWorld w;
    auto cat = w.make();
    const double t = w.clock.now();
    P::setBeat(*cat, PetBeat::hunt(t + 9), t);
    cat->cursorMoved(0.9);
    moveFor(w, *cat, 0.2);
    EXPECT_EQ(cat->pose(), PetPose::hunting);
    cat->cursorMoved(std::nullopt);
    moveFor(w, *cat, 1.0 / 30);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
}

TEST(PetPlay, TheBattingAnimationFollowsTheClock) {
    CatWorld w;
    auto cat = w.make();
    P::setPlace(*cat, 0.54);  // beside the ball at 0.58, batting it right
    cat->send(PetErrand::play);
    cat->motionStep();
    ASSERT_EQ(cat->pose(), PetPose::playing);
    const double t0 = *cat->playStartedAt();
    cat->updatePlay(t0 + 0.3);
    EXPECT_EQ(cat->playPhase(), PlayPhase::crouch);
    EXPECT_EQ(cat->pawReach(), 0);
    cat->updatePlay(t0 + 0.75);
    EXPECT_EQ(cat->playPhase(), PlayPhase::reach);
    EXPECT_NEAR(cat->pawReach(), 1, 1e-6);
    EXPECT_NEAR(cat->ballRoll(), 0, 1e-6);
    cat->updatePlay(t0 + 1.1);
    EXPECT_EQ(cat->playPhase(), PlayPhase::watch);
    EXPECT_NEAR(cat->ballRoll(), 0.75, 1e-6);
    cat->updatePlay(t0 + 2);
    EXPECT_EQ(cat->ballRoll(), 1);

    const double happy = cat->happiness(), energy = cat->energy();
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->errand(); }, 3));
    EXPECT_DOUBLE_EQ(cat->happiness(), happy + 15);
    EXPECT_DOUBLE_EQ(cat->energy(), energy - 8);
    EXPECT_NEAR(cat->ballPlace(), 0.62, 1e-9);  // batted a little to the right
    EXPECT_FALSE(cat->playStartedAt());
}

TEST(PetFocusNap, SleepsThroughTheRoundAndWakesAtItsEnd) {
    CatWorld w;
    auto cat = w.make();
    cat->startFocusNap();
    EXPECT_TRUE(cat->focusNap());
    EXPECT_EQ(cat->errand(), PetErrand::sleep);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->isSleeping(); }, 10));
    // A full energy bar does not wake a focus napper.
    cat->setEnergy(100);
    w.step(*cat);
    EXPECT_TRUE(cat->isSleeping());
    cat->endFocusNap();
    EXPECT_FALSE(cat->focusNap());
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->pose(), PetPose::stretching);
    ASSERT_TRUE(cat->lastWake());
    EXPECT_EQ(cat->lastWake()->mood, WakeMood::happy);

    // The end of a round never wakes a cat from its night's sleep.
    CatWorld n;
    auto night = n.make();
    night->startFocusNap();
    night->setSleeping(true);
    A::setNightSleepUntil(*night, n.clock.now() + 3000);
    night->endFocusNap();
    EXPECT_TRUE(night->isSleeping());

    // Nothing for a dead cat.
    CatWorld d;
    auto dead = d.make();
    P::die(*dead);
    dead->startFocusNap();
    EXPECT_FALSE(dead->focusNap());
}

TEST(PetBeats, UnseenTheCatLivesTheSameInBatches) {
    // Two cats with the same draws, one seen throughout, one unseen for the middle two minutes.
    struct Trace {
        std::vector<double> places;
        std::vector<int> beats;
        std::vector<double> energy;
    };
    auto live = [](bool hide) {
        CatWorld w;
        auto cat = w.make();
        putIn(*cat, IslandRoomKind::bedroom);
        cat->setEnergy(90);
        Trace trace;
        w.run(10);
        if (hide) cat->setSeen(false);
        for (int s = 0; s < 240; ++s) {
            w.run(0.5);
            // Seen or not, the stat step sees the cat where it stands now.
            if (s % 2 == 1) {
                trace.places.push_back(cat->place());
                trace.beats.push_back(int(cat->beat().kind));
                trace.energy.push_back(cat->energy());
            }
        }
        cat->setSeen(true);
        w.run(0.01);
        trace.places.push_back(cat->place());
        return std::pair{trace, w.scheduler.pendingCount()};
    };
    const auto [seen, seenPending] = live(false);
    const auto [unseen, unseenPending] = live(true);
    ASSERT_EQ(seen.places.size(), unseen.places.size());
    std::set<double> distinct(seen.places.begin(), seen.places.end());
    EXPECT_GT(distinct.size(), 10u);  // it did walk about
    for (std::size_t i = 0; i < seen.places.size(); ++i) EXPECT_NEAR(seen.places[i], unseen.places[i], 1e-5) << i;
    for (std::size_t i = 0; i < seen.beats.size(); ++i) EXPECT_EQ(seen.beats[i], unseen.beats[i]) << i;
    for (std::size_t i = 0; i < seen.energy.size(); ++i) EXPECT_NEAR(seen.energy[i], unseen.energy[i], 1e-6) << i;
    EXPECT_EQ(seenPending, unseenPending);  // one motion timer either way
}

TEST(PetBeats, OutOnTheDesktopTheUnseenHomeCatWakesTheAppOnlyForItsBatches) {
    CatWorld w;
    auto cat = w.make();
    putIn(*cat, IslandRoomKind::bedroom);
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
