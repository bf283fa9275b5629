#include "PetLifeSupport.h"

#include <QDir>
#include <cmath>
#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;

namespace {

constexpr double r = 100.0 / 1800.0;

PetRecord awakeRecord(double now, double away) {
    PetRecord rec;
    rec.hunger = 40;
    rec.happiness = 70;
    rec.energy = 25;
    rec.health = 100;
    rec.birth = now - away - 1000;
    rec.savedAt = now - away;
    return rec;
}

QStringList asideFiles(CatWorld& w) {
    return QDir(w.store->dataDir()).entryList({"petLife.v1.unreadable-*"}, QDir::Files);
}

}  // namespace

TEST(PetRecordCodec, WritesTheMembersInOrderAndLeavesOutUnsetDates) {
    PetRecord rec;
    rec.hunger = 12.5;
    rec.poops = 2;
    rec.birth = 100;
    rec.savedAt = 200.25;
    rec.sleptNight = 50;
    const QByteArray json = *encodePetRecord(rec);
    EXPECT_EQ(json.toStdString(),
              R"({"hunger":12.5,"happiness":70.0,"energy":80.0,"health":100.0,"isSleeping":false,)"
              R"("isDead":false,"poops":2,"birth":100.0,"ballPlace":0.58,"savedAt":200.25,"sleptNight":50.0})");
    EXPECT_EQ(decodePetRecord(json), rec);

    rec.hunger = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(encodePetRecord(rec));  // nothing is written rather than a broken record
}

TEST(PetRecordCodec, ARecordFromAnEarlierVersionLoadsWithDefaults_AWrongTypeDoesNot) {
    PetRecord full;
    full.hunger = 11;
    full.happiness = 22;
    full.energy = 33;
    full.health = 44;
    full.isSleeping = true;
    full.isDead = true;
    full.poops = 3;
    full.birth = 500;
    full.poopDue = 900;
    full.ballPlace = 0.2;
    full.savedAt = 1000;
    full.nightSleepUntil = 1100;
    full.sleptNight = 700;
    const nlohmann::json written = nlohmann::json::parse(encodePetRecord(full)->toStdString());
    auto without = [&](const char* key) {
        nlohmann::json j = written;
        j.erase(key);
        return decodePetRecord(QByteArray::fromStdString(j.dump()));
    };
    // Each member a record may lack takes the value a new cat has.
    const PetRecord fresh;
    auto expectDefault = [&](const char* key, auto PetRecord::*member) {
        PetRecord want = full;
        want.*member = fresh.*member;
        EXPECT_EQ(without(key), want) << key;
    };
    expectDefault("hunger", &PetRecord::hunger);
    expectDefault("happiness", &PetRecord::happiness);
    expectDefault("energy", &PetRecord::energy);
    expectDefault("health", &PetRecord::health);
    expectDefault("isSleeping", &PetRecord::isSleeping);
    expectDefault("isDead", &PetRecord::isDead);
    expectDefault("poops", &PetRecord::poops);
    expectDefault("poopDue", &PetRecord::poopDue);
    expectDefault("ballPlace", &PetRecord::ballPlace);
    expectDefault("nightSleepUntil", &PetRecord::nightSleepUntil);
    expectDefault("sleptNight", &PetRecord::sleptNight);
    // Without a birth or a save time there is no cat to restore.
    EXPECT_FALSE(without("birth"));
    EXPECT_FALSE(without("savedAt"));

    auto with = [&](const char* key, const nlohmann::json& value) {
        nlohmann::json j = written;
        j[key] = value;
        return decodePetRecord(QByteArray::fromStdString(j.dump()));
    };
    auto extra = with("extra", "x");
    ASSERT_TRUE(extra);
    EXPECT_EQ(*extra, full);
    EXPECT_EQ(with("poops", 2.0)->poops, 2);
    EXPECT_EQ(with("poopDue", nullptr)->poopDue, std::nullopt);
    EXPECT_FALSE(with("poops", 2.5));  // not a whole number
    EXPECT_FALSE(with("poops", "2"));
    EXPECT_FALSE(with("ballPlace", "middle"));
    EXPECT_FALSE(with("hunger", nullptr));
    EXPECT_FALSE(with("nightSleepUntil", "soon"));
    EXPECT_FALSE(with("isSleeping", 1));
    EXPECT_FALSE(decodePetRecord("[1,2]"));
    EXPECT_FALSE(decodePetRecord("{\"hunger\":"));
}

TEST(SaveAndLoad, ACatSavedBeforeTheBallWasKeptComesBackWithItsBallInTheMiddle) {
    CatWorld w;
    const double t = w.clock.now();
    const QByteArray old = QByteArray("{\"hunger\":61,\"happiness\":70,\"energy\":80,\"health\":100,") +
                           "\"isSleeping\":false,\"isDead\":false,\"poops\":1,\"birth\":" +
                           QByteArray::number(t - 86400, 'f', 0) + ",\"savedAt\":" + QByteArray::number(t, 'f', 0) + "}";
    w.store->setRecord(PetLife::recordKey, old);
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 61);
    EXPECT_EQ(cat->poops(), 1);
    EXPECT_DOUBLE_EQ(cat->birth(), t - 86400);
    EXPECT_DOUBLE_EQ(cat->ballPlace(), 0.58);
    EXPECT_TRUE(asideFiles(w).isEmpty());
}

// The end-to-end scripts write their cats from this fixture: it must stay exactly what the app
// writes, so that a member added to the record is added there too.
TEST(PetRecordCodec, TheEndToEndFixtureIsARecordAsTheAppWritesIt) {
    QFile file(QStringLiteral(KP_TEST_RECORDS "/petLife.v1.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray fixture = file.readAll().trimmed();
    const auto record = decodePetRecord(fixture);
    ASSERT_TRUE(record);
    EXPECT_EQ(encodePetRecord(*record), fixture);
}

TEST(SaveAndLoad, EveryFieldRoundTrips) {
    CatWorld w;
    const double t = w.clock.now();
    {
        auto cat = w.make();
        cat->setHunger(12.5);
        cat->setHappiness(33.25);
        cat->setEnergy(66.125);
        cat->setHealth(77.5);
        cat->setPoops(3);
        A::setBirth(*cat, t - 1000.5);
        A::setPoopDue(*cat, t + 500);
        A::setBallPlace(*cat, 0.31);
        cat->setSleeping(true);
        A::setNightSleepUntil(*cat, t + 1200);
        A::setSleptNight(*cat, t - 40000);
        cat->save();
        EXPECT_DOUBLE_EQ(cat->lastSave(), t);
    }
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_DOUBLE_EQ(saved->savedAt, t);

    w.store.restart();
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 12.5);
    EXPECT_DOUBLE_EQ(cat->happiness(), 33.25);
    EXPECT_DOUBLE_EQ(cat->energy(), 66.125);
    EXPECT_DOUBLE_EQ(cat->health(), 77.5);
    EXPECT_EQ(cat->poops(), 3);
    EXPECT_DOUBLE_EQ(cat->birth(), t - 1000.5);
    EXPECT_EQ(cat->poopDue(), t + 500);
    EXPECT_DOUBLE_EQ(cat->ballPlace(), 0.31);
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_FALSE(cat->isDead());
    EXPECT_EQ(cat->nightSleepUntil(), t + 1200);
    EXPECT_EQ(cat->sleptNight(), t - 40000);
    // A sleeping cat comes back in its bed.
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_DOUBLE_EQ(cat->place(), 0.135);
    EXPECT_FALSE(cat->facingRight());
    EXPECT_DOUBLE_EQ(cat->springs().bed, 1.0);
    EXPECT_EQ(cat->mood(), PetMood::sleeping);
    EXPECT_EQ(cat->need(), PetNeed::dirty);
    EXPECT_EQ(cat->lastFace(), BotState::sleeping);

    cat->save();
    auto again = w.readRecord();
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *saved);
}

TEST(SaveAndLoad, NoRecordMeansANewKittenBornNow) {
    CatWorld w;
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 40);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);
    EXPECT_DOUBLE_EQ(cat->energy(), 80);
    EXPECT_DOUBLE_EQ(cat->health(), 100);
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    EXPECT_DOUBLE_EQ(cat->birth(), w.clock.now());
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_DOUBLE_EQ(cat->place(), 0.42);
    EXPECT_FALSE(w.store->record(PetLife::recordKey));  // nothing written until the first save
}

TEST(SaveAndLoad, AnUnreadableRecordIsKeptAsideBeforeTheNewCatIsSaved) {
    CatWorld w;
    w.store->setRecord(PetLife::recordKey, R"({"hunger":10,"happiness":20})");
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 40);
    const QStringList aside = asideFiles(w);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(w.store->dataDir() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(R"({"hunger":10,"happiness":20})"));

    w.run(16.5);  // the first autosave writes the new cat
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_NEAR(saved->hunger, 40 + 15 * r, 1e-4);
    EXPECT_EQ(asideFiles(w).size(), 1);
}

TEST(SaveAndLoad, TheRunningTimersAutosaveAfterFifteenSeconds) {
    CatWorld w;
    auto cat = w.make();
    w.run(14.5);
    EXPECT_FALSE(w.store->record(PetLife::recordKey));
    w.run(2);
    auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    EXPECT_DOUBLE_EQ(saved->savedAt, cat->lastSave());
    // Saved at the start of the sixteenth step, before it drained.
    EXPECT_NEAR(saved->hunger, 40 + 15 * r, 1e-4);
    w.run(16);
    EXPECT_GT(w.readRecord()->savedAt, saved->savedAt + 15);
}

TEST(CatchUp, TenMinutesAwayWithLowEnergy) {
    CatWorld w;
    w.writeRecord(awakeRecord(w.clock.now(), 600));
    auto cat = w.make();
    // Three awake minutes take energy from 25 to 18, below 20: it sleeps; six sleeping minutes
    // bring it to 98, at least 90: it wakes; the tenth minute is awake again.
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_NEAR(cat->hunger(), 40 + 4 * 60 * r, 1e-9);
    EXPECT_NEAR(cat->energy(), 25 - 4 * 0.7 * 60 * r + 6 * 4 * 60 * r, 1e-9);
    EXPECT_NEAR(cat->energy(), 95.0 + 2.0 / 3.0, 1e-9);
    EXPECT_DOUBLE_EQ(cat->happiness(), 70);
    EXPECT_DOUBLE_EQ(cat->health(), 100);
    EXPECT_EQ(cat->mood(), PetMood::idle);
    EXPECT_EQ(cat->need(), std::nullopt);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
}

TEST(CatchUp, SevenMinutesAwayLeavesItAsleep) {
    CatWorld w;
    w.writeRecord(awakeRecord(w.clock.now(), 420));
    auto cat = w.make();
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_NEAR(cat->energy(), 18 + 4 * 4 * 60 * r, 1e-9);
    EXPECT_NEAR(cat->hunger(), 50, 1e-9);  // no hunger while asleep
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_EQ(cat->mood(), PetMood::sleeping);
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);  // a nap, not the night's sleep
}

TEST(CatchUp, TheNightsSleepGoesOnWhenItHasNotEnded) {
    CatWorld w;
    const double t = w.clock.now();
    PetRecord rec = awakeRecord(t, 600);
    rec.isSleeping = true;
    rec.energy = 60;  // the catch-up alone would wake it
    rec.nightSleepUntil = t + 1200;
    rec.sleptNight = startOfLocalDay(t - 43200);
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), t + 1200);
    EXPECT_EQ(cat->sleptNight(), rec.sleptNight);
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_DOUBLE_EQ(cat->place(), 0.135);
    EXPECT_FALSE(cat->facingRight());
}

TEST(CatchUp, ANightsSleepNeverOutlastsAWholeNightFromNow) {
    // Saved with the clock set a day ahead: the restored night's sleep ends 70 minutes from now at
    // the latest, not a day later.
    CatWorld w;
    const double t = w.clock.now();
    PetRecord rec = awakeRecord(t, -86400);
    rec.isSleeping = true;
    rec.nightSleepUntil = t + 86400 + 3000;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), t + 70 * 60);
}

TEST(CatchUp, ANightsSleepThatEndedWhileAwayIsNotRestored) {
    CatWorld w;
    const double t = w.clock.now();
    PetRecord rec = awakeRecord(t, 120);
    rec.isSleeping = true;
    rec.energy = 95;
    rec.nightSleepUntil = t - 3600;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), std::nullopt);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_NEAR(cat->energy(), 100 - 0.7 * 60 * r, 1e-9);  // full after the first minute, then awake
}

TEST(CatchUp, AWholeNightAloneLeavesItStarvingButAlive) {
    CatWorld w;
    const double morning = test::localMoment(2026, 3, 3, 7);
    w.clock.setNow(morning);
    PetRecord rec = awakeRecord(morning, 8 * 3600);
    rec.hunger = 30;
    rec.happiness = 80;
    rec.energy = 50;
    rec.isSleeping = true;
    w.writeRecord(rec);
    auto cat = w.make();
    // It naps until energy reaches 90 and stays up until it falls below 20, again and again: the
    // last nap ends in minute 448, and 32 awake minutes later energy is back near 23.
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_NEAR(cat->energy(), 23.0 + 1.0 / 3.0, 1e-6);
    EXPECT_DOUBLE_EQ(cat->hunger(), 100);
    EXPECT_DOUBLE_EQ(cat->happiness(), 0);
    EXPECT_DOUBLE_EQ(cat->health(), 5);  // never below 5 from time away
    EXPECT_FALSE(cat->isDead());
    EXPECT_EQ(cat->mood(), PetMood::sick);
    EXPECT_EQ(cat->need(), PetNeed::sick);
    EXPECT_EQ(cat->pose(), PetPose::sitting);
    EXPECT_EQ(cat->lastFace(), BotState::sick);
}

TEST(CatchUp, TwoWeeksAwayLivesOnlySevenDays) {
    CatWorld week;
    week.writeRecord(awakeRecord(week.clock.now(), 7 * 86400));
    auto a = week.make();
    CatWorld fortnight;
    fortnight.writeRecord(awakeRecord(fortnight.clock.now(), 14 * 86400));
    auto b = fortnight.make();

    EXPECT_DOUBLE_EQ(b->hunger(), 100);
    EXPECT_DOUBLE_EQ(b->health(), 5);
    EXPECT_FALSE(b->isDead());
    EXPECT_EQ(b->need(), PetNeed::sick);
    EXPECT_DOUBLE_EQ(a->energy(), b->energy());
    EXPECT_DOUBLE_EQ(a->happiness(), b->happiness());
    EXPECT_EQ(a->isSleeping(), b->isSleeping());
    // The age still counts the whole time.
    EXPECT_EQ(b->stage(), PetStage::adult);
    EXPECT_EQ(a->stage(), PetStage::adult);
}

TEST(CatchUp, NoCatchUpForARecordFromTheFutureOrADeadCat) {
    {
        CatWorld w;
        w.writeRecord(awakeRecord(w.clock.now(), -3600));
        auto cat = w.make();
        EXPECT_DOUBLE_EQ(cat->hunger(), 40);
        EXPECT_DOUBLE_EQ(cat->energy(), 25);
    }
    {
        CatWorld w;
        PetRecord rec = awakeRecord(w.clock.now(), 86400);
        rec.isDead = true;
        rec.health = 0;
        w.writeRecord(rec);
        auto cat = w.make();
        EXPECT_TRUE(cat->isDead());
        EXPECT_DOUBLE_EQ(cat->health(), 0);
        EXPECT_DOUBLE_EQ(cat->hunger(), 40);
        EXPECT_EQ(cat->pose(), PetPose::dead);
        EXPECT_EQ(cat->mood(), PetMood::dead);
        EXPECT_EQ(cat->need(), PetNeed::dead);
        // The face worked out on loading reaches the app as soon as it listens.
        std::vector<std::optional<BotState>> faces;
        cat->setOnFaceChange([&](std::optional<BotState> f) { faces.push_back(f); });
        EXPECT_EQ(faces, (std::vector<std::optional<BotState>>{BotState::dead}));
    }
}

TEST(CatchUp, OneDroppingAtMostForTheTimeAway) {
    for (long long before : {1LL, 4LL}) {
        CatWorld w;
        PetRecord rec = awakeRecord(w.clock.now(), 3600);
        rec.poops = before;
        rec.poopDue = w.clock.now() - 1800;
        w.writeRecord(rec);
        auto cat = w.make();
        EXPECT_EQ(cat->poops(), std::min<long long>(before + 1, 4));
        EXPECT_EQ(cat->poopDue(), std::nullopt);
    }
    CatWorld w;
    PetRecord rec = awakeRecord(w.clock.now(), 60);
    rec.poopDue = w.clock.now() + 100;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_EQ(cat->poops(), 0);
    EXPECT_EQ(cat->poopDue(), w.clock.now() + 100);
}

TEST(CatchUp, ANeedPresentAtLaunchIsNotAnnouncedAgainAtOnce) {
    CatWorld w;
    PetRecord rec = awakeRecord(w.clock.now(), 0);
    rec.hunger = 80;
    rec.energy = 80;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_EQ(cat->need(), PetNeed::hungry);
    EXPECT_EQ(cat->lastFace(), BotState::grumpy);
    w.step(*cat);
    EXPECT_EQ(w.alerts, 0);
    for (int i = 0; i < 600; ++i) w.step(*cat);
    EXPECT_EQ(w.alerts, 1);
}

TEST(CatchUp, OutOfRangeValuesAreBroughtBackInRange) {
    CatWorld w;
    PetRecord rec = awakeRecord(w.clock.now(), 0);
    rec.hunger = 250;
    rec.health = -3;
    rec.poops = 9;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 100);
    EXPECT_DOUBLE_EQ(cat->health(), 0);
    EXPECT_EQ(cat->poops(), 4);
}

TEST(PetLoad, AHandEditedBallPlaceStaysInTheRoom) {
    for (double stored : {3.0, -1.0, 1e300, std::nan("")}) {
        test::CatWorld w;
        PetRecord rec;
        rec.ballPlace = stored;
        rec.savedAt = w.clock.now();
        w.writeRecord(rec);
        auto cat = w.make();
        EXPECT_GE(cat->ballPlace(), 0.1) << stored;
        EXPECT_LE(cat->ballPlace(), 0.9) << stored;
    }
}
