#include "support/Scratch.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "core/BotFace.h"
#include "core/Notifications.h"
#include "cat/Closet.h"
#include "cat/SeasonalAccessories.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <memory>

using namespace kp;
using A = CatAccessory;
using kp::test::ScratchStore;

namespace {

struct Rig {
    ScratchStore store;
    ManualClock clock{800000000};
    ManualInputIdleness idle{0};
    ManualScheduler scheduler;
    std::unique_ptr<Closet> closet;

    Closet& open() {
        closet = std::make_unique<Closet>(*store, clock, idle, scheduler);
        return *closet;
    }
    // Drops the closet and the store and opens both again, with `together` stored when given.
    Closet& reopen(std::optional<double> together = {}) {
        closet.reset();
        if (together) store->set("togetherSeconds", *together);
        store.restart();
        return open();
    }
    // Lets `seconds` of active time pass in 5 s ticks.
    void together(double seconds) {
        clock.advance(seconds);
        scheduler.advance(seconds);
    }
};

struct EmoteWatch {
    std::vector<BotEmote> seen;
    Subscription sub{NotificationCenter::shared(), note::triggerEmote, [this](const std::any& o) {
                         if (auto e = notificationObject<BotEmote>(o)) seen.push_back(*e);
                     }};
};

}  // namespace

TEST(ClosetTest, OpensAtFiveHoursWithFifteenPiecesAndFillsUpAt118800) {
    Rig rig;
    Closet& fresh = rig.open();
    EXPECT_EQ(fresh.together(), 0);
    EXPECT_TRUE(fresh.unlocked().empty());
    EXPECT_EQ(fresh.unseenCount(), 0);
    rig.together(60);
    EXPECT_DOUBLE_EQ(fresh.together(), 60);

    Closet& closet = rig.reopen(17990.0);
    QSignalSpy badge(&closet, &Closet::unseenCountChanged);
    rig.together(5);
    EXPECT_DOUBLE_EQ(closet.together(), 17995);
    EXPECT_TRUE(closet.unlocked().empty());
    EXPECT_EQ(closet.unseenCount(), 0);
    rig.together(5);
    EXPECT_DOUBLE_EQ(closet.together(), 18000);
    EXPECT_EQ(closet.unlocked().size(), 15u);
    EXPECT_EQ(closet.unseenCount(), 15);
    EXPECT_EQ(badge.count(), 1);
    EXPECT_TRUE(closet.isUnlocked(A::bootsYellow));
    EXPECT_FALSE(closet.isUnlocked(A::flowerCrown));

    Closet& later = rig.reopen(25195.0);
    EXPECT_EQ(later.unlocked().size(), 15u);
    rig.together(5);
    EXPECT_EQ(later.unlocked().size(), 16u);
    EXPECT_EQ(later.unlocked().back(), A::flowerCrown);
    EXPECT_TRUE(later.isUnlocked(A::flowerCrown));
    EXPECT_EQ(later.unseenCount(), 16);

    Closet& full = rig.reopen(118795.0);
    EXPECT_EQ(full.unlocked().size(), 28u);
    rig.together(5);
    EXPECT_EQ(full.unlocked().size(), 29u);
    EXPECT_EQ(full.unlocked().back(), A::socksBlue);

    // Together time is kept across a restart.
    EXPECT_DOUBLE_EQ(rig.reopen().together(), 118800);
}

TEST(ClosetTest, UnlockThresholds) {
    EXPECT_EQ(Closet::unlockedCount(0), 0u);
    EXPECT_EQ(Closet::unlockedCount(17999), 0u);
    EXPECT_EQ(Closet::unlockedCount(18000), 15u);
    EXPECT_EQ(Closet::unlockedCount(25199), 15u);
    EXPECT_EQ(Closet::unlockedCount(25200), 16u);
    EXPECT_EQ(Closet::unlockedCount(118799), 28u);
    EXPECT_EQ(Closet::unlockedCount(118800), 29u);
    EXPECT_EQ(Closet::unlockedCount(1e300), 29u);
    EXPECT_EQ(Closet::unlockedCount(std::numeric_limits<double>::infinity()), 29u);
    EXPECT_EQ(Closet::unlockedCount(std::nan("")), 0u);
    EXPECT_EQ(Closet::unlockedCount(-5), 0u);
}

TEST(ClosetTest, TimeCountsOnlyWhileTheUserIsActive) {
    Rig rig;
    Closet& closet = rig.open();
    rig.idle.set(59.9);
    rig.together(10);
    EXPECT_DOUBLE_EQ(closet.together(), 10);
    rig.idle.set(60);
    rig.together(60);
    EXPECT_DOUBLE_EQ(closet.together(), 10);

    // Written at most once a minute of together-time, and the rest when the wardrobe closes.
    std::vector<double> writes;
    QObject::connect(&*rig.store, &Defaults::changed, [&](const QString& key) {
        if (key == QLatin1String("togetherSeconds")) writes.push_back(rig.store->doubleValue(key));
    });
    rig.idle.set(0);
    rig.together(120);
    EXPECT_EQ(writes, (std::vector<double>{60, 120}));
    rig.together(15);
    EXPECT_EQ(writes.size(), 2u);
    rig.closet.reset();
    EXPECT_EQ(writes, (std::vector<double>{60, 120, 145}));
}

TEST(ClosetTest, BadStoredTogetherReadsAsZero) {
    for (const QVariant& bad : {QVariant(-40.0), QVariant(QStringLiteral("lots")), QVariant(QStringLiteral("inf")),
                                QVariant(QStringLiteral("nan"))}) {
        Rig rig;
        rig.store->set("togetherSeconds", bad);
        EXPECT_EQ(rig.open().together(), 0) << bad.toString().toStdString();
    }
    Rig rig;
    rig.store->set("togetherSeconds", 25200.0);
    EXPECT_EQ(rig.open().unlocked().size(), 16u);
}

TEST(ClosetTest, HolidayAndSelfWornPieces) {
    Rig rig;
    rig.store->set("seasonalPieces", QStringList{"santaHat"});
    rig.store->set("togetherSeconds", 17999.0);
    Closet& closet = rig.open();
    EXPECT_FALSE(closet.isUnlocked(A::santaHat)) << "the wardrobe is not open yet";
    rig.together(5);
    EXPECT_TRUE(closet.isUnlocked(A::santaHat));
    EXPECT_FALSE(closet.isUnlocked(A::witchHat)) << "not given";
    rig.store->set("togetherSeconds", 1e9);
    Closet& old = rig.open();
    EXPECT_TRUE(old.isUnlocked(A::santaHat));
    for (A a : {A::headphones, A::raincoat, A::rainHat, A::sleepMask}) EXPECT_FALSE(old.isUnlocked(a));
    EXPECT_FALSE(old.isUnlocked(A::partyHat));
}

TEST(ClosetTest, WearRoundTripsAndCheersOnlyWhenAPieceGoesOn) {
    Rig rig;
    rig.store->set("togetherSeconds", 18000.0);
    Closet& closet = rig.open();
    EmoteWatch emotes;
    QSignalSpy outfitSpy(&closet, &Closet::outfitChanged);

    closet.wear(A::flowerCrown);  // still locked
    EXPECT_EQ(closet.outfit(), CatOutfit::empty());
    EXPECT_TRUE(emotes.seen.empty());
    EXPECT_FALSE(rig.store->record("catOutfit"));

    closet.wear(A::bow);
    closet.wear(A::glasses);
    closet.wear(A::beanie);  // replaces the bow
    EXPECT_EQ(closet.outfit().head, A::beanie);
    EXPECT_EQ(closet.outfit().face, A::glasses);
    EXPECT_EQ(emotes.seen, (std::vector<BotEmote>{BotEmote::happy, BotEmote::happy, BotEmote::happy}));
    EXPECT_EQ(outfitSpy.count(), 3);
    EXPECT_EQ(*rig.store->record("catOutfit"), R"({"head":"beanie","face":"glasses"})");

    closet.wear(A::glasses);  // off again: no cheer
    EXPECT_EQ(closet.outfit().face, std::nullopt);
    EXPECT_EQ(emotes.seen.size(), 3u);

    Closet& again = rig.reopen();
    EXPECT_EQ(again.outfit().head, A::beanie);
    EXPECT_EQ(again.outfit().face, std::nullopt);
}

TEST(ClosetTest, UnreadableOutfitGivesNothingWornAndIsKeptAside) {
    Rig rig;
    rig.store->setRecord("catOutfit", R"({"head":"crown"})");
    Closet& closet = rig.open();
    EXPECT_EQ(closet.outfit(), CatOutfit::empty());
    EXPECT_FALSE(rig.store->record("catOutfit")) << "moved aside, not left to be overwritten unseen";
}

TEST(ClosetTest, SeasonalPieceShowsInSetAndBadgeUntilSeen) {
    Rig rig;
    rig.store->set("togetherSeconds", 18000.0);
    Closet& closet = rig.open();
    EXPECT_EQ(closet.unseenCount(), 15);
    EXPECT_TRUE(closet.seasonal().empty());

    int calls = 0;
    closet.setSeasonalAward([&](double now) {
        ++calls;
        EXPECT_EQ(now, rig.clock.now());
        if (calls != 2) return false;
        writeSeasonalPieceList(*rig.store, "seasonalPieces", {A::witchHat});
        return true;
    });
    EXPECT_EQ(calls, 1) << "runs at once";
    QSignalSpy seasonalSpy(&closet, &Closet::seasonalChanged);
    rig.idle.set(600);  // the award runs even while the user is away
    rig.together(5);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(closet.seasonal(), (std::set<A>{A::witchHat}));
    EXPECT_EQ(seasonalSpy.count(), 1);
    EXPECT_EQ(closet.unseenCount(), 16);
    EXPECT_TRUE(closet.isUnlocked(A::witchHat));

    closet.markGiftsSeen();
    EXPECT_EQ(closet.unseenCount(), 0);
    EXPECT_EQ(rig.store->integer("wardrobeGiftsSeen"), 15);
    EXPECT_EQ(rig.store->stringArray("seasonalPiecesSeen"), QStringList{"witchHat"});
    EXPECT_EQ(rig.reopen().unseenCount(), 0);

    // The next gift raises the badge by one.
    rig.store->set("togetherSeconds", 25195.0);
    rig.reopen();
    rig.idle.set(0);
    rig.together(5);
    EXPECT_EQ(rig.closet->unseenCount(), 1);
}

TEST(ClosetTest, SeasonalPieceGivenAtStartIsOnTheBadgeAtOnce) {
    Rig rig;
    rig.store->set("togetherSeconds", 18000.0);
    Closet& closet = rig.open();
    closet.markGiftsSeen();
    QSignalSpy badge(&closet, &Closet::unseenCountChanged);
    closet.setSeasonalAward([&](double) {
        writeSeasonalPieceList(*rig.store, "seasonalPieces", {A::santaHat});
        return true;
    });
    EXPECT_EQ(closet.seasonal(), std::set<A>{A::santaHat});
    EXPECT_EQ(closet.unseenCount(), 1);
    EXPECT_EQ(badge.count(), 1);
}

TEST(ClosetTest, MarkingWithNothingNewWritesNothing) {
    Rig rig;
    Closet& closet = rig.open();
    closet.markGiftsSeen();
    EXPECT_FALSE(rig.store->contains("wardrobeGiftsSeen"));
    EXPECT_FALSE(rig.store->contains("seasonalPiecesSeen"));
}

TEST(SeasonalPiecesStore, ReadsSkipUnknownNamesAndWritesSorted) {
    ScratchStore store;
    store->set("seasonalPieces", QStringList{"santaHat", "glitterCape", "partyCrown"});
    EXPECT_EQ(seasonalPieces(*store), (std::set<A>{A::santaHat, A::partyCrown}));
    store->set("seasonalPiecesSeen", QStringList{"santaHat"});
    EXPECT_EQ(unseenSeasonalPieces(*store), std::set<A>{A::partyCrown});
    markSeasonalPiecesSeen(*store);
    EXPECT_TRUE(unseenSeasonalPieces(*store).empty());
    EXPECT_EQ(store->stringArray("seasonalPiecesSeen"), (QStringList{"partyCrown", "santaHat"}));
    writeSeasonalPieceList(*store, "seasonalPieces", {A::witchHat, A::bunnyEars});
    EXPECT_EQ(store->stringArray("seasonalPieces"), (QStringList{"bunnyEars", "witchHat"}));
}

TEST(InputIdlenessTest, NoDisplayCountsAsPresent) {
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    InputIdlenessX11 idle;
    EXPECT_EQ(idle.secondsSinceLastInput(), 0);
    EXPECT_FALSE(idle.available());
    if (!display.isEmpty()) qputenv("DISPLAY", display);
}
