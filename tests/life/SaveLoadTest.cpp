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
    rec.energy = 25;
    rec.birth = now - away - 1000;
    rec.savedAt = now - away;
    return rec;
}

QStringList asideFiles(CatWorld& w) {
    return QDir(w.store->dataDir()).entryList({"petLife.v1.unreadable-*"}, QDir::Files);
}

}  // namespace

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

TEST(PetRecordCodec, AnEarlierRecordLoadsWithDefaultsAndAWrongTypeFailsOnlyARequiredMember) {
    PetRecord full;
    full.hunger = 11;
    full.birth = 500;
    full.savedAt = 1000;
    full.nightSleepUntil = 1100;
    const nlohmann::json written = nlohmann::json::parse(encodePetRecord(full)->toStdString());
    const auto with = [&](const char* key, const std::optional<nlohmann::json>& value) {
        nlohmann::json j = written;
        if (value)
            j[key] = *value;
        else
            j.erase(key);
        return decodePetRecord(QByteArray::fromStdString(j.dump()));
    };
    const PetRecord fresh;
    EXPECT_EQ(with("nightSleepUntil", std::nullopt)->nightSleepUntil, std::nullopt);
    EXPECT_FALSE(with("birth", std::nullopt)) << "without a birth there is no cat to restore";
    EXPECT_FALSE(with("savedAt", "now"));
    EXPECT_EQ(with("poops", 2.5)->poops, fresh.poops);
    EXPECT_EQ(with("ballPlace", "middle")->ballPlace, fresh.ballPlace);
}

TEST(SaveAndLoad, ASavedCatComesBackAsItWasAndASleeperInItsBed) {
    CatWorld w;
    const double t = w.clock.now();
    {
        auto cat = w.make();
        cat->setHunger(12.5);
        A::setBallPlace(*cat, 0.31);
        cat->setSleeping(true);
        A::setNightSleepUntil(*cat, t + 1200);
        cat->save();
    }
    const auto saved = w.readRecord();
    ASSERT_TRUE(saved);
    w.store.restart();
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 12.5);
    EXPECT_EQ(cat->pose(), PetPose::sleeping);
    EXPECT_DOUBLE_EQ(cat->place(), 0.135);
    cat->save();
    EXPECT_EQ(*w.readRecord(), *saved);
}

TEST(SaveAndLoad, ANightMomentThatIsNoNumberNeverOverwritesTheLastGoodRecord) {
    const double nan = std::nan("");
    for (const auto& [until, slept] : {std::pair<double, double>{nan, 100}, {100, nan}}) {
        CatWorld w;
        auto cat = w.make();
        cat->setHunger(12.5);
        cat->save();
        const auto good = w.readRecord();
        ASSERT_TRUE(good);
        cat->setHunger(30);
        A::setNightSleepUntil(*cat, until);
        A::setSleptNight(*cat, slept);
        cat->save();
        EXPECT_EQ(*w.readRecord(), *good) << "night sleep until " << until << ", slept " << slept;
    }
}

TEST(SaveAndLoad, AnUnreadableRecordIsKeptAsideAndTheNewCatSavedByTheTimers) {
    CatWorld w;
    w.store->setRecord(PetLife::recordKey, R"({"hunger":10,"happiness":20})");
    auto cat = w.make();
    EXPECT_DOUBLE_EQ(cat->hunger(), 40);
    const QStringList aside = asideFiles(w);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(w.store->dataDir() + "/" + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(R"({"hunger":10,"happiness":20})"));
    w.run(16.5);
    ASSERT_TRUE(w.readRecord());
    EXPECT_NEAR(w.readRecord()->hunger, 40 + 15 * r, 1e-4);
}

TEST(SaveAndLoad, AnOddValueWhereAMemberMayBeAbsentIsReadAsAbsentAndTheCatStays) {
    for (const char* odd : {"null", "1", "\"true\""}) {
        CatWorld w;
        PetRecord rec = awakeRecord(w.clock.now(), 0);
        rec.birth -= 3 * 86400;
        QByteArray bytes = *encodePetRecord(rec);
        bytes.insert(bytes.size() - 1, QByteArray(",\"clockUnknown\":") + odd);
        w.store->setRecord(PetLife::recordKey, bytes);
        auto cat = w.make();
        EXPECT_EQ(cat->birth() - rec.birth, 0) << odd;
        EXPECT_TRUE(asideFiles(w).isEmpty()) << odd;
    }
}

TEST(CatchUp, TimeAwayIsLivedNapsIncludedAtMostSevenDaysAndNeverToDeath) {
    CatWorld w;
    w.writeRecord(awakeRecord(w.clock.now(), 600));
    auto cat = w.make();
    // Three awake minutes take energy below 20: it sleeps until 90 or more, then wakes.
    EXPECT_FALSE(cat->isSleeping());
    EXPECT_NEAR(cat->energy(), 95.0 + 2.0 / 3.0, 1e-9);
    EXPECT_NEAR(cat->hunger(), 40 + 4 * 60 * r, 1e-9) << "no hunger while asleep";

    CatWorld week;
    week.writeRecord(awakeRecord(week.clock.now(), 7 * 86400));
    auto a = week.make();
    CatWorld fortnight;
    fortnight.writeRecord(awakeRecord(fortnight.clock.now(), 14 * 86400));
    auto b = fortnight.make();
    EXPECT_DOUBLE_EQ(b->hunger(), 100);
    EXPECT_DOUBLE_EQ(b->health(), 5) << "never below 5 from time away";

    // No catch-up for a record from the future or a dead cat; out-of-range values come back in range.
    CatWorld f;
    PetRecord future = awakeRecord(f.clock.now(), -3600);
    future.hunger = 250;
    future.poops = 9;
    f.writeRecord(future);
    auto ahead = f.make();
    EXPECT_DOUBLE_EQ(ahead->energy(), 25);
    EXPECT_EQ(ahead->poops(), 4);
    CatWorld d;
    PetRecord dead = awakeRecord(d.clock.now(), 86400);
    dead.isDead = true;
    d.writeRecord(dead);
    auto gone = d.make();
    EXPECT_DOUBLE_EQ(gone->hunger(), 40);
    EXPECT_EQ(gone->lastFace(), BotState::dead);
}

TEST(CatchUp, TheNightsSleepGoesOnButNeverPastAWholeNightFromNow) {
    CatWorld w;
    const double t = w.clock.now();
    PetRecord rec = awakeRecord(t, 600);
    rec.isSleeping = true;
    rec.energy = 60;  // the catch-up alone would wake it
    rec.nightSleepUntil = t + 1200;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), t + 1200);

    CatWorld a;
    rec.nightSleepUntil = t + 86400;  // hand-edited
    a.writeRecord(rec);
    EXPECT_EQ(a.make()->nightSleepUntil(), t + 70 * 60);
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
}

TEST(PetLoad, AHandEditedBallPlaceStaysInTheRoom) {
    for (double stored : {3.0, -1.0, 1e300, -1e300}) {
        CatWorld w;
        PetRecord rec;
        rec.ballPlace = stored;
        rec.savedAt = w.clock.now();
        w.writeRecord(rec);
        auto cat = w.make();
        EXPECT_GE(cat->ballPlace(), 0.1) << stored;
        EXPECT_LE(cat->ballPlace(), 0.9) << stored;
        EXPECT_TRUE(asideFiles(w).isEmpty()) << stored;
    }
    // JSON has no NaN: a file that says so is no record, and is kept aside for a new kitten.
    CatWorld w;
    PetRecord rec;
    rec.ballPlace = 0.5;
    rec.savedAt = w.clock.now();
    QByteArray text = *encodePetRecord(rec);
    ASSERT_TRUE(text.contains("\"ballPlace\":0.5"));
    text.replace("\"ballPlace\":0.5", "\"ballPlace\":NaN");
    ASSERT_TRUE(w.store->setRecord(PetLife::recordKey, text));
    auto cat = w.make();
    EXPECT_EQ(asideFiles(w).size(), 1);
    EXPECT_GE(cat->ballPlace(), 0.1);
    EXPECT_LE(cat->ballPlace(), 0.9);
}

TEST(PetLoad, ABirthNoRealCatHasIsKeptAsideForANewbornAndTheOtherMomentsKeepToTheCatsLife) {
    for (double birth : {-1e13, -1e12, -1.0, -1e300, 1e300, 1e10 + 1}) {
        CatWorld w;
        PetRecord rec = awakeRecord(w.clock.now(), 600);
        rec.birth = birth;
        w.writeRecord(rec);
        auto cat = w.make();
        EXPECT_EQ(cat->birth(), w.clock.now()) << birth;
        EXPECT_EQ(cat->ageText(), "1m") << birth;
        EXPECT_EQ(asideFiles(w).size(), 1) << birth;
    }
    // Lived through from the birth when saved before it; a dropping due in centuries and a night
    // slept before there were cats are dropped.
    CatWorld w;
    PetRecord odd = awakeRecord(w.clock.now(), 7 * 86400);
    odd.birth = w.clock.now() - 120;
    odd.poopDue = 1e300;
    odd.sleptNight = -1e300;
    w.writeRecord(odd);
    auto cat = w.make();
    EXPECT_NEAR(cat->hunger(), 40 + 120 * r, 1e-9);
    EXPECT_EQ(cat->poopDue(), std::nullopt);
    EXPECT_EQ(cat->sleptNight(), std::nullopt);
    // A last save past any record's moment comes back to the true clock, as the next save writes it.
    CatWorld later;
    PetRecord ahead = awakeRecord(later.clock.now(), 600);
    ahead.savedAt = 1e300;
    later.writeRecord(ahead);
    auto kept = later.make();
    EXPECT_EQ(kept->birth(), ahead.birth);
    kept->save();
    EXPECT_EQ(later.readRecord()->savedAt, later.clock.now());
}

// A clock put back (a flat clock battery, a firmware's default year) leaves the record ahead of it:
// the clock is wrong, not the record.
TEST(ClockSetBack, TheCatIsKeptAsItWasAndOnlyTheRealTimeAwayIsLivedWhenTheClockIsRightAgain) {
    const double tenYears = 3652 * 86400.0;
    const double t0 = test::localMoment(2026, 3, 2, 10);
    const double y1999 = test::localMoment(1999, 6, 1, 10);
    // {clock seconds after t0, where the clock stands then}: launches of 25 s each, the last one right.
    const std::vector<std::vector<std::pair<double, double>>> histories = {
        {{60, 60 - tenYears}, {120, 120 - tenYears}, {180, 180}},
        {{60, y1999 - t0}, {120, 120}},
    };
    for (const auto& launches : histories) {
        CatWorld w;
        PetRecord rec;
        rec.hunger = 42.75;
        rec.birth = t0 - 10 * 86400;
        rec.savedAt = t0;
        w.writeRecord(rec);
        double lived = 0;
        for (const auto& [at, shown] : launches) {
            const bool right = at == shown;
            w.clock.setNow(t0 + shown);
            w.store.restart();
            auto cat = w.make();
            const QString when = QString::number(at) + (right ? " right" : " behind");
            EXPECT_EQ(cat->birth(), rec.birth) << when.toStdString();
            EXPECT_EQ(cat->stage(), PetStage::adult) << when.toStdString();
            EXPECT_EQ(cat->ageText().toStdString(), "10d") << when.toStdString();
            // Behind, nothing is caught up; right again, the time between the launches less the time lived.
            const double away = right ? at - lived : 0;
            EXPECT_NEAR(cat->hunger(), 42.75 + (lived + away) * r, 1e-6) << when.toStdString();
            EXPECT_DOUBLE_EQ(cat->health(), 100) << when.toStdString();
            w.run(25);
            lived += 25;
            EXPECT_DOUBLE_EQ(cat->growth().body, 1) << when.toStdString();
            EXPECT_EQ(cat->stage(), PetStage::adult) << when.toStdString();
            cat->save();
            EXPECT_GE(w.readRecord()->savedAt, t0 + lived) << when.toStdString();
        }
        EXPECT_TRUE(asideFiles(w).isEmpty());
    }
}

TEST(ClockSetBack, WhatWasDueUnderARecordAheadOfTheClockIsAsFarOffAsAtTheSave) {
    CatWorld w;
    const double t = w.clock.now();
    const double saved = t + 3652 * 86400.0;
    PetRecord rec = awakeRecord(saved, 0);
    rec.isSleeping = true;
    rec.energy = 60;
    rec.poopDue = saved + 600;
    rec.nightSleepUntil = saved + 1200;
    w.writeRecord(rec);
    auto cat = w.make();
    EXPECT_TRUE(cat->isSleeping());
    EXPECT_EQ(cat->nightSleepUntil(), t + 1200);
    EXPECT_EQ(cat->poopDue(), t + 600);
    EXPECT_EQ(cat->poops(), 0);
}

TEST(ClockSetBack, ANewCatIsBornInTheCatsTimeAndKeptAtTheNextStart) {
    // After a death under a clock ten years back: born after the last one's save.
    CatWorld w;
    const double t0 = w.clock.now();
    PetRecord dead = awakeRecord(t0, 0);
    dead.isDead = true;
    w.writeRecord(dead);
    w.clock.setNow(t0 - 3652 * 86400.0);
    auto cat = w.make();
    cat->restart();
    EXPECT_EQ(cat->birth(), t0);
    EXPECT_EQ(cat->stage(), PetStage::kitten);
    cat->save();
    EXPECT_EQ(w.readRecord()->birth, t0);

    // A first start under a clock set before there were records: the kitten is the one kept.
    CatWorld y;
    y.clock.setNow(test::localMoment(1999, 6, 1, 10));
    auto kitten = y.make();
    y.run(20);
    kitten->save();  // as the app does when it ends
    kitten.reset();
    y.store.restart();
    kitten = y.make();
    EXPECT_NEAR(kitten->hunger(), 40 + 20 * r, 1e-9);
    EXPECT_EQ(kitten->ageText().toStdString(), "1m");
    EXPECT_TRUE(asideFiles(y).isEmpty());
}
