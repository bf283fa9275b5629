#include "PetProbe.h"

#include "core/Notifications.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kp;
using kp::test::CatWorld;
using kp::test::moveFor;
using kp::test::moveUntil;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

struct CareLog {
    QStringList keys;
    void attach(PetLife& cat) {
        cat.setCareRecorder([this](const QString& key, double) { keys << key; });
    }
};

// Counts the annoyed emotes posted on the shared hub.
struct AnnoyedCount {
    int count = 0;
    Subscription sub{NotificationCenter::shared(), note::triggerEmote, [this](const std::any& object) {
                         if (const BotEmote* e = std::any_cast<BotEmote>(&object); e && *e == BotEmote::annoyed)
                             ++count;
                     }};
};

std::size_t countKind(const PetLife& cat, PetReaction::Kind kind) {
    std::size_t n = 0;
    for (const PetReaction& r : cat.reactions()) n += r.kind == kind;
    return n;
}

}  // namespace

TEST(PetPetting, ThreeQuickClicksFussAndTheNextPurrsAgain) {
    CatWorld w;
    ScriptedRandom noTricks{0.99};
    w.random = &noTricks;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);

    EXPECT_EQ(cat->pet(), PetResult::loved);
    EXPECT_DOUBLE_EQ(cat->happiness(), 73);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 3u);
    ASSERT_TRUE(cat->lovedUntil());
    EXPECT_NEAR(*cat->lovedUntil() - w.clock.now(), 1.2, 1e-6);
    w.clock.advance(0.5);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    w.clock.advance(0.5);
    EXPECT_EQ(cat->pet(), PetResult::fussed);
    EXPECT_DOUBLE_EQ(cat->happiness(), 73);  // +3 +3 -3
    EXPECT_FALSE(cat->lovedUntil());
    EXPECT_NEAR(*cat->fussUntil() - w.clock.now(), 0.9, 1e-6);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::grumble), 1u);
    EXPECT_EQ(cat->petClickCount(), 0u);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    EXPECT_EQ(w.count(PetSound::purr), 3u);
    // Every loved pet is reported; the wallet pays the first of the day.
    EXPECT_EQ(care.keys, QStringList({"pet", "pet", "pet"}));

    // Clicks more than 1.15 s apart never fuss.
    w.clock.advance(1.2);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    w.clock.advance(1.2);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    w.clock.advance(1.2);
    EXPECT_EQ(cat->pet(), PetResult::loved);
}

TEST(PetPetting, ADeadCatIgnoresAndANapperSitsUp) {
    CatWorld w;
    ScriptedRandom noTricks{0.99};
    w.random = &noTricks;
    auto cat = w.make();
    cat->setPose(PetPose::napping);
    EXPECT_EQ(cat->pet(), PetResult::loved);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit);

    P::die(*cat);
    const double happy = cat->happiness();
    EXPECT_EQ(cat->pet(), PetResult::ignored);
    EXPECT_DOUBLE_EQ(cat->happiness(), happy);
}

TEST(PetPetting, WakingALazyCatSnoozesItOnceAnAngryOneStorms) {
    CatWorld w;
    ScriptedRandom draws{0.6};  // lazy, and too high for a trick
    w.random = &draws;
    auto cat = w.make();
    cat->setSleeping(true);
    EXPECT_EQ(cat->pet(), PetResult::snoozed);
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_TRUE(cat->snoozedThisNap());
    ASSERT_TRUE(cat->snoozeUntil());
    EXPECT_NEAR(*cat->snoozeUntil() - w.clock.now(), 70, 1e-6);  // 40 + 50 x 0.6
    ASSERT_EQ(countKind(*cat, PetReaction::Kind::note), 1u);
    EXPECT_EQ(cat->reactions().back().text, QString::fromUtf8("mrrmm…"));
    // In the same nap it can no longer be lazy: it wakes happy and is petted.
    EXPECT_EQ(cat->pet(), PetResult::loved);
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->lastWake()->mood, WakeMood::happy);

    AnnoyedCount annoyed;
    CatWorld s;
    ScriptedRandom storm{0.9, 0.0};
    s.random = &storm;
    auto stormy = s.make();
    stormy->setSleeping(true);
    EXPECT_EQ(stormy->pet(), PetResult::wokeAngry);
    EXPECT_FALSE(stormy->isSleeping());
    EXPECT_EQ(stormy->errand(), PetErrand::sulk);
    EXPECT_EQ(stormy->sulkRoom(), IslandRoomKind::living);  // the first but the bedroom and the care room
    EXPECT_EQ(annoyed.count, 1);
    EXPECT_EQ(s.count(PetSound::growl), 1u);

    // In the care room a storm is only grumpy.
    CatWorld g;
    ScriptedRandom grump{0.9};
    g.random = &grump;
    auto grumpy = g.make();
    A::setRoom(*grumpy, IslandRoomKind::care);
    A::setViewRoom(*grumpy, IslandRoomKind::care);
    grumpy->setSleeping(true);
    EXPECT_EQ(grumpy->pet(), PetResult::wokeAngry);
    EXPECT_EQ(grumpy->lastWake()->mood, WakeMood::grumpy);
    EXPECT_FALSE(grumpy->errand());
    EXPECT_EQ(grumpy->pose(), PetPose::sitting);
    EXPECT_EQ(annoyed.count, 2);
}

TEST(PetNightTaps, FourChangeNothingTheFifthDecides) {
    struct Case {
        double u;
        PetResult result;
        bool asleep;
    };
    for (const Case c : {Case{0.1, PetResult::snoozed, true}, Case{0.5, PetResult::wokeAngry, false},
                         Case{0.8, PetResult::loved, false}}) {
        CatWorld w;
        ScriptedRandom draws{c.u};
        w.random = &draws;
        auto cat = w.make();
        cat->setSleeping(true);
        A::setNightSleepUntil(*cat, w.clock.now() + 3000);
        cat->setHappiness(50);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(cat->pet(), PetResult::ignored);
            w.clock.advance(1);
        }
        EXPECT_TRUE(cat->isNightSleeping());
        EXPECT_EQ(cat->nightTapCount(), 4u);
        EXPECT_EQ(cat->pet(), c.result) << c.u;
        EXPECT_EQ(cat->isSleeping(), c.asleep) << c.u;
        EXPECT_EQ(cat->nightTapCount(), 0u);
        if (c.result == PetResult::loved) {
            EXPECT_DOUBLE_EQ(cat->happiness(), 58);
            EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 4u);
            EXPECT_NEAR(cat->reactions().front().born - w.clock.now(), 1.44, 1e-6);
        }
    }

    // Taps more than 6 s apart never add up.
    CatWorld w;
    auto cat = w.make();
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(cat->pet(), PetResult::ignored);
        w.clock.advance(2);
    }
    EXPECT_TRUE(cat->isNightSleeping());
}

TEST(PetThunder, OneStartlePerFlashAndTheSoundAlwaysFollows) {
    CatWorld w;
    ScriptedRandom draws{0.2};  // thunder after 0.76 s, and the cat hides
    w.random = &draws;
    auto cat = w.make();
    P::setPlace(*cat, 0.7);
    cat->startle(3);
    ASSERT_FALSE(w.emotes.empty());
    EXPECT_EQ(w.emotes.back(), BotEmote::surprised);
    EXPECT_NEAR(*cat->startledUntil() - w.clock.now(), 0.7, 1e-6);
    EXPECT_EQ(cat->errand(), PetErrand::hide);
    EXPECT_DOUBLE_EQ(cat->hideEdge(), 1.03);  // the nearer edge
    EXPECT_EQ(w.count(PetSound::thunder), 0u);
    w.run(0.7);
    EXPECT_EQ(w.count(PetSound::thunder), 0u);
    w.run(0.1);
    EXPECT_EQ(w.count(PetSound::thunder), 1u);

    const std::size_t emotes = w.emotes.size();
    cat->startle(3);  // the same flash again
    w.run(2);
    EXPECT_EQ(w.count(PetSound::thunder), 1u);
    EXPECT_EQ(w.emotes.size(), emotes);
    EXPECT_EQ(cat->lastStartle(), 3);

    // Asleep, eating, drinking, in another room, out, dead: thunder, no startle.
    int flash = 10;
    const auto stays = [&](const char* why) {
        P::setStartledUntil(*cat, std::nullopt);
        cat->startle(++flash);
        EXPECT_FALSE(cat->startledUntil()) << why;
        EXPECT_EQ(w.emotes.size(), emotes) << why;
    };
    A::setErrand(*cat, std::nullopt);
    cat->setSleeping(true);
    stays("asleep");
    cat->setSleeping(false);
    cat->setPose(PetPose::eating);
    stays("eating");
    cat->setPose(PetPose::drinking);
    stays("drinking");
    cat->setPose(PetPose::sitting);
    A::setViewRoom(*cat, IslandRoomKind::garden);
    stays("in another room");
    A::setViewRoom(*cat, IslandRoomKind::bedroom);
    cat->goOut();
    stays("out");
    cat->comeBack();
    // Startled but not sent hiding: in the garden house, with a toy, or soon after the last hide.
    for (int kind = 0; kind < 3; ++kind) {
        A::setErrand(*cat, std::nullopt);
        if (kind == 0) {
            A::setRoom(*cat, IslandRoomKind::garden);
            A::setViewRoom(*cat, IslandRoomKind::garden);
            cat->send(PetErrand::shelter);
            ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->inHouse(); }, 30));
        } else if (kind == 1) {
            ASSERT_TRUE(cat->play(ShopItem::yarn));
        }
        const std::size_t seen = w.emotes.size();
        cat->startle(++flash);
        EXPECT_TRUE(cat->startledUntil()) << kind;
        EXPECT_EQ(w.emotes.size(), seen + 1) << kind;
        EXPECT_NE(cat->errand(), PetErrand::hide) << kind;
    }
    const std::size_t seen = w.emotes.size();
    P::die(*cat);
    P::setStartledUntil(*cat, std::nullopt);
    cat->startle(++flash);
    EXPECT_FALSE(cat->startledUntil()) << "dead";
    EXPECT_EQ(w.emotes.size(), seen);
    w.run(2);
    EXPECT_EQ(w.count(PetSound::thunder), 1u + std::size_t(flash - 10));

    // The thunder of a cat that is gone is dropped.
    const std::size_t rolled = w.count(PetSound::thunder);
    cat->startle(++flash);
    cat.reset();
    w.run(2);
    EXPECT_EQ(w.count(PetSound::thunder), rolled);
}

TEST(PetSend, CareRecordsAndBusyPoses) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    cat->send(PetErrand::scratch);
    cat->send(PetErrand::play);
    cat->send(PetErrand::medicine);
    cat->send(PetErrand::eat);
    EXPECT_EQ(care.keys, QStringList({"play", "heal", "feed"}));
    EXPECT_EQ(cat->errand(), PetErrand::eat);

    // While eating, another meal is refused and not recorded.
    cat->setPose(PetPose::eating);
    A::setErrand(*cat, std::nullopt);
    EXPECT_FALSE(cat->send(PetErrand::eat));
    EXPECT_EQ(care.keys.size(), 3);
    EXPECT_FALSE(cat->errand());

    // A cat asleep for the night takes no errands and records nothing.
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    cat->send(PetErrand::eat);
    EXPECT_EQ(care.keys.size(), 3);
    EXPECT_FALSE(cat->errand());
}

TEST(PetToys, PlayStartsOnlyWithToysInTheRoomOnView) {
    CatWorld w;
    auto cat = w.make();
    EXPECT_FALSE(cat->play(ShopItem::rug));
    EXPECT_FALSE(cat->play(ShopItem::salmon));
    EXPECT_FALSE(cat->toy());
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);

    EXPECT_TRUE(cat->play(ShopItem::laser));
    EXPECT_EQ(cat->toy(), ShopItem::laser);
    EXPECT_NEAR(*cat->toyUntil() - w.clock.now(), 7, 1e-6);
    EXPECT_TRUE(cat->isZooming());
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::zoom);
    EXPECT_EQ(cat->beat().laps, 6);
    EXPECT_DOUBLE_EQ(cat->happiness(), 82);
    EXPECT_DOUBLE_EQ(cat->energy(), 76);
    EXPECT_EQ(w.count(PetSound::trill), 1u);
    ASSERT_TRUE(w.readRecord());

    EXPECT_TRUE(cat->play(ShopItem::box));
    EXPECT_NEAR(*cat->toyUntil() - w.clock.now(), 45, 1e-6);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_FALSE(cat->isZooming());
    EXPECT_TRUE(cat->play(ShopItem::feather));
    EXPECT_EQ(cat->pose(), PetPose::batting);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::bat);
    EXPECT_NEAR(cat->beat().until - w.clock.now(), 6, 1e-6);

    // A sleeping cat wakes to play.
    cat->setSleeping(true);
    EXPECT_TRUE(cat->play(ShopItem::yarn));
    EXPECT_FALSE(cat->isSleeping());

    A::setViewRoom(*cat, IslandRoomKind::garden);
    EXPECT_FALSE(cat->play(ShopItem::yarn));
    A::setViewRoom(*cat, IslandRoomKind::bedroom);
    A::setOut(*cat, true);
    EXPECT_FALSE(cat->play(ShopItem::yarn));
}

TEST(PetLitter, CleaningEmptiesTheBoxAndTheCatInspectsIt) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    A::setRoom(*cat, IslandRoomKind::care);
    A::setViewRoom(*cat, IslandRoomKind::care);
    cat->setPoops(3);
    cat->setHappiness(50);
    cat->clean();
    EXPECT_EQ(cat->poops(), 0);
    EXPECT_DOUBLE_EQ(cat->happiness(), 54);
    EXPECT_EQ(w.count(PetSound::pop), 1u);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 2u);
    EXPECT_EQ(cat->errand(), PetErrand::litter);
    EXPECT_TRUE(cat->inspectingLitter());
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->errand(); }, 10));
    EXPECT_EQ(cat->poops(), 0);  // only a look
    EXPECT_FALSE(cat->inspectingLitter());
    EXPECT_EQ(cat->reactions().back().text, "fresh!");

    // An empty box: still recorded and still inspected.
    cat->clean();
    EXPECT_EQ(care.keys, QStringList({"clean", "clean"}));
    EXPECT_EQ(w.count(PetSound::pop), 1u);
    EXPECT_TRUE(cat->inspectingLitter());

    // Out of sight, the visit waits for the arrival and still counts as an inspection.
    A::setErrand(*cat, std::nullopt);
    A::setViewRoom(*cat, IslandRoomKind::kitchen);
    cat->clean();
    EXPECT_EQ(cat->queuedErrand(), PetErrand::litter);
    EXPECT_TRUE(cat->inspectingLitter());
}

TEST(PetLifecycle, RestartBringsANewKitten) {
    CatWorld w;
    w.store->set("kittenLengthSeconds", 100.0);
    auto cat = w.make();
    A::setBirth(*cat, w.clock.now() - 1000);
    cat->setHunger(100);
    cat->setPoops(4);
    A::setPoopDue(*cat, w.clock.now() + 5);
    A::setViewRoom(*cat, IslandRoomKind::garden);
    P::die(*cat);
    ASSERT_TRUE(cat->isDead());

    cat->restart();
    EXPECT_FALSE(cat->isDead());
    EXPECT_DOUBLE_EQ(cat->hunger(), 40);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);
    EXPECT_DOUBLE_EQ(cat->energy(), 80);
    EXPECT_DOUBLE_EQ(cat->health(), 100);
    EXPECT_EQ(cat->poops(), 0);
    EXPECT_FALSE(cat->poopDue());
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    EXPECT_DOUBLE_EQ(cat->birth(), w.clock.now());
    EXPECT_EQ(cat->room(), IslandRoomKind::garden);
    EXPECT_DOUBLE_EQ(cat->place(), 0.42);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_EQ(cat->mood(), PetMood::idle);
    EXPECT_FALSE(cat->need());
    ASSERT_FALSE(w.faces.empty());
    EXPECT_EQ(w.faces.back(), std::nullopt);
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->isDead);
    EXPECT_DOUBLE_EQ(saved->birth, w.clock.now());
}

TEST(PetOutings, OutSleepingOutsideAndHomeAgain) {
    CatWorld w;
    auto cat = w.make();
    cat->send(PetErrand::scratch);
    cat->goOut();
    EXPECT_TRUE(cat->isOut());
    EXPECT_FALSE(cat->errand());
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    cat->sleepOutside();
    EXPECT_TRUE(cat->isSleeping());
    cat->followView(IslandRoomKind::kitchen);

    cat->comeBack();
    EXPECT_FALSE(cat->isOut());
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->room(), IslandRoomKind::kitchen);
    EXPECT_GE(cat->place(), 0.4);
    EXPECT_LE(cat->place(), 0.6);
    EXPECT_EQ(cat->beat().kind, PetBeat::Kind::sit);
    EXPECT_NEAR(cat->beat().until - w.clock.now(), 2.4, 1e-6);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 2u);
    EXPECT_DOUBLE_EQ(cat->springs().bed, 0);
    EXPECT_FALSE(cat->arrivalDue());  // already in the room on view: no second entrance

    // Home already: nothing; and no outing for a dead cat.
    cat->comeBack();
    EXPECT_FALSE(cat->isOut());
    cat->sleepOutside();
    EXPECT_FALSE(cat->isSleeping());
    P::die(*cat);
    cat->goOut();
    EXPECT_FALSE(cat->isOut());
}

TEST(PetFollowView, TheCatFollowsThreeSecondsLater) {
    CatWorld w;
    auto cat = w.make();
    cat->followView(IslandRoomKind::living);
    EXPECT_EQ(cat->viewRoom(), IslandRoomKind::living);
    ASSERT_TRUE(cat->arrivalDue());
    EXPECT_NEAR(*cat->arrivalDue() - w.clock.now(), 3, 1e-6);
    // Back to the cat's own room: no arrival.
    cat->followView(IslandRoomKind::bedroom);
    EXPECT_FALSE(cat->arrivalDue());

    // A cat going to bed is not called away from the bedroom.
    A::setRoom(*cat, IslandRoomKind::kitchen);
    A::setErrand(*cat, PetErrand::sleep);
    cat->followView(IslandRoomKind::garden);
    cat->followView(IslandRoomKind::bedroom);
    EXPECT_FALSE(cat->arrivalDue());

    // Asleep for the night, or napping through a focus round: it stays where it sleeps.
    A::setErrand(*cat, std::nullopt);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    cat->followView(IslandRoomKind::living);
    EXPECT_FALSE(cat->arrivalDue());
    A::setNightSleepUntil(*cat, std::nullopt);
    A::setFocusNap(*cat, true);
    cat->followView(IslandRoomKind::care);
    EXPECT_FALSE(cat->arrivalDue());
    A::setFocusNap(*cat, false);
    cat->setSleeping(false);
    cat->followView(IslandRoomKind::living);
    EXPECT_TRUE(cat->arrivalDue()) << "awake, it follows";

    // A dead cat is moved at once.
    P::die(*cat);
    cat->followView(IslandRoomKind::care);
    EXPECT_EQ(cat->room(), IslandRoomKind::care);
    EXPECT_FALSE(cat->arrivalDue());
}

TEST(PetPointer, SmallMovesDoNotCountAsMoving) {
    CatWorld w;
    auto cat = w.make();
    cat->cursorMoved(0.5);
    const double moved = cat->cursorMovedAt();
    EXPECT_DOUBLE_EQ(moved, w.clock.now());
    w.clock.advance(1);
    cat->cursorMoved(0.503);
    EXPECT_DOUBLE_EQ(cat->cursorMovedAt(), moved);
    EXPECT_DOUBLE_EQ(*cat->cursor(), 0.503);
    cat->cursorMoved(0.508);
    EXPECT_DOUBLE_EQ(cat->cursorMovedAt(), w.clock.now());
    cat->cursorMoved(std::nullopt);
    EXPECT_FALSE(cat->cursor());
}

TEST(PetTricks, RollOverKneadOrSlowBlinkAfterAPet) {
    struct Case {
        double kind;
        PetPose pose;
    };
    for (const Case c : {Case{0.1, PetPose::bellyUp}, Case{0.5, PetPose::kneading}, Case{0.9, PetPose::sitting}}) {
        CatWorld w;
        // Heart offsets, the trick draw, then the trick kind.
        ScriptedRandom draws{0.5, 0.5, 0.5, 0.1, c.kind};
        w.random = &draws;
        auto cat = w.make();
        ASSERT_EQ(cat->pet(), PetResult::loved);
        EXPECT_EQ(cat->pose(), c.pose) << c.kind;
        EXPECT_NEAR(cat->lastTrick(), w.clock.now(), 1e-6);
        if (c.pose == PetPose::sitting) {
            ASSERT_FALSE(w.emotes.empty());
            EXPECT_EQ(w.emotes.back(), BotEmote::happy);
            EXPECT_TRUE(cat->lookingAtYouUntil());
        } else {
            EXPECT_EQ(cat->beat().kind, PetBeat::Kind::trick);
        }
    }
    // Too soon after the last trick: none.
    CatWorld w;
    ScriptedRandom draws{0.0};
    w.random = &draws;
    auto cat = w.make();
    P::setLastTrick(*cat, w.clock.now() - 5);
    cat->pet();
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_TRUE(w.emotes.empty());
}

TEST(PetMeals, AMealTheCatCannotEatIsRefusedAndLeftNowhere) {
    CatWorld w;
    auto cat = w.make();
    // Asleep for the night: refused, and the next plain bowl is no tuna.
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::asleep);
    EXPECT_FALSE(cat->feed(ShopItem::tuna));
    EXPECT_FALSE(cat->meal());
    cat->setSleeping(false);
    EXPECT_FALSE(cat->whyNotEat());
    cat->setHunger(80);
    cat->send(PetErrand::eat);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::licking; }, 20));
    EXPECT_DOUBLE_EQ(std::round(cat->hunger()), 45) << "a plain bowl, not tuna";

    // Busy with its own thing, out on the desktop, dead: refused each time.
    cat->setPose(PetPose::scratching);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::busy);
    EXPECT_FALSE(cat->feed(ShopItem::salmon));
    cat->setPose(PetPose::sitting);
    cat->goOut();
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::out);
    EXPECT_FALSE(cat->feed(ShopItem::salmon));
    EXPECT_FALSE(cat->queuedErrand());
    cat->comeBack();
    EXPECT_FALSE(cat->feed(ShopItem::rug));
    EXPECT_TRUE(cat->feed(ShopItem::treats));
    EXPECT_EQ(cat->meal(), ShopItem::treats);
    // An errand that takes over drops the meal it was walking to.
    cat->send(PetErrand::scratch);
    EXPECT_FALSE(cat->meal());
    P::die(*cat);
    EXPECT_EQ(cat->whyNotEat(), PetUnfed::dead);
    EXPECT_FALSE(cat->feed(ShopItem::treats));
}

TEST(PetOutings, CareAskedWhileOutWaitsForTheWayHome) {
    CatWorld w;
    auto cat = w.make();
    CareLog care;
    care.attach(*cat);
    cat->goOut();
    cat->send(PetErrand::medicine);
    EXPECT_EQ(cat->queuedErrand(), PetErrand::medicine);
    EXPECT_TRUE(care.keys.isEmpty()) << "paid for when it is done";
    cat->followView(IslandRoomKind::kitchen);
    EXPECT_EQ(cat->queuedErrand(), PetErrand::medicine) << "looking at another room keeps it";
    cat->comeBack();
    EXPECT_EQ(cat->errand(), PetErrand::medicine);
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_EQ(care.keys, QStringList({"heal"}));

    // A clean asked for while out: the visit happens on the way home and is only a look.
    A::setErrand(*cat, std::nullopt);
    A::setRoom(*cat, IslandRoomKind::care);
    A::setViewRoom(*cat, IslandRoomKind::care);
    cat->goOut();
    cat->clean();
    EXPECT_TRUE(cat->inspectingLitter());
    cat->comeBack();
    EXPECT_EQ(cat->errand(), PetErrand::litter);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return !cat->errand(); }, 20));
    EXPECT_FALSE(cat->inspectingLitter());
    EXPECT_EQ(cat->poops(), 0);

    // Asked for in another room, then the user goes back to the cat: it starts at once.
    A::setViewRoom(*cat, IslandRoomKind::living);
    cat->send(PetErrand::play);
    cat->followView(IslandRoomKind::care);
    EXPECT_EQ(cat->errand(), PetErrand::play);
    EXPECT_EQ(care.keys, QStringList({"heal", "clean", "play"}));

    // Dropped when the cat goes to sleep for the night: the flag goes with it and nothing is paid.
    A::setErrand(*cat, std::nullopt);
    A::setViewRoom(*cat, IslandRoomKind::living);
    cat->clean();
    EXPECT_TRUE(cat->inspectingLitter());
    cat->send(PetErrand::eat);
    cat->setSleeping(true);
    A::setNightSleepUntil(*cat, w.clock.now() + 3000);
    cat->followView(IslandRoomKind::garden);
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_FALSE(cat->inspectingLitter());
    EXPECT_EQ(care.keys, QStringList({"heal", "clean", "play", "clean"}));
}

TEST(PetOutings, ACatThatDiesOutsideComesHomeDead) {
    CatWorld w;
    auto cat = w.make();
    cat->goOut();
    cat->send(PetErrand::eat);
    P::die(*cat);
    cat->comeBack();
    EXPECT_FALSE(cat->isOut());
    EXPECT_TRUE(cat->isDead());
    EXPECT_EQ(cat->pose(), PetPose::dead);
    EXPECT_EQ(countKind(*cat, PetReaction::Kind::heart), 0u);
    EXPECT_FALSE(cat->errand());
    EXPECT_FALSE(cat->queuedErrand());
    EXPECT_EQ(cat->statusLine(), "at peace");
    EXPECT_EQ(w.faces.back(), BotState::dead);
}

TEST(PetShelter, LeavingTheGardenHouseAnyWayLeavesItsDoorway) {
    CatWorld w;
    auto cat = w.make();
    const auto shelter = [&] {
        A::setRoom(*cat, IslandRoomKind::garden);
        A::setViewRoom(*cat, IslandRoomKind::garden);
        cat->send(PetErrand::shelter);
        ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->inHouse(); }, 30));
    };
    shelter();
    cat->followView(IslandRoomKind::living);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->room() == IslandRoomKind::living; }, 10));
    EXPECT_FALSE(cat->inHouse()) << "arrived in another room";
    shelter();
    ASSERT_TRUE(cat->play(ShopItem::laser));
    EXPECT_FALSE(cat->inHouse()) << "zooming after the laser";
    shelter();
    cat->goOut();
    EXPECT_FALSE(cat->inHouse()) << "out on the desktop";
    cat->comeBack();
    shelter();
    cat->restart();
    EXPECT_FALSE(cat->inHouse()) << "a new cat";
}

TEST(PetClock, SettingTheClockBackShortensNothingsWait) {
    CatWorld w;
    auto cat = w.make();
    cat->send(PetErrand::scratch);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() == PetPose::scratching; }, 20));
    w.clock.advance(-600);
    ASSERT_TRUE(moveUntil(w, *cat, [&] { return cat->pose() != PetPose::scratching; }, 3))
        << "still scratching after the clock went back";
    EXPECT_LT(cat->beat().until - w.clock.now(), 5);

    // A small step back walks, drains and springs nothing.
    cat->send(PetErrand::drink);
    moveFor(w, *cat, 0.5);
    ASSERT_TRUE(cat->isStepping());
    const double place = cat->place(), hunger = cat->hunger();
    cat->frame(w.clock.now());
    const PetSprings springs = cat->springs();
    w.clock.advance(-0.5);
    cat->motionStep();
    cat->statStep();
    cat->frame(w.clock.now());
    EXPECT_DOUBLE_EQ(cat->place(), place);
    EXPECT_DOUBLE_EQ(cat->hunger(), hunger);
    EXPECT_DOUBLE_EQ(cat->springs().y, springs.y);
    EXPECT_DOUBLE_EQ(cat->springs().tail, springs.tail);
}
