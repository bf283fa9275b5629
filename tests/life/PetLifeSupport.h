#pragma once
// A cat on a scratch store with a hand-moved clock, scripted randomness and a scheduler that runs
// only when told, plus fakes for its neighbours.
#include "support/Scratch.h"

#include "life/PetLife.h"
#include "life/PetRecord.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <memory>
#include <vector>

namespace kp {

// Reaches the state a test needs to set up without going through behaviour that is not under test.
struct PetLifeTestAccess {
    static void setRoom(PetLife& l, IslandRoomKind r) { l.room_ = r; }
    static void setViewRoom(PetLife& l, IslandRoomKind r) { l.viewRoom_ = r; }
    static void setOut(PetLife& l, bool out) { l.isOut_ = out; }
    static void setFocusNap(PetLife& l, bool on) { l.focusNap_ = on; }
    static void setBirth(PetLife& l, double t) { l.birth_ = t; }
    static void setPoopDue(PetLife& l, std::optional<double> t) { l.poopDue_ = t; }
    static void setBallPlace(PetLife& l, double p) { l.ballPlace_ = p; }
    static void setNightSleepUntil(PetLife& l, std::optional<double> t) { l.nightSleepUntil_ = t; }
    static void setSleptNight(PetLife& l, std::optional<double> t) { l.sleptNight_ = t; }
    static void setHighSpot(PetLife& l, PetErrand spot, double climbedAt) {
        l.highSpot_ = spot;
        l.climbedAt_ = climbedAt;
    }
    static void setErrand(PetLife& l, std::optional<PetErrand> e) { l.errand_ = e; }
};

namespace test {

// A local wall-clock moment in reference seconds.
inline double localMoment(int year, int month, int day, int hour, int minute = 0) {
    return referenceFromDate(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

struct FakeAmbience final : AmbienceTarget {
    int applied = 0;
    void apply() override { ++applied; }
};

// A hand-moved clock that also moves with the scheduler, so timer work sees its own due time.
// `advance` is time passing (the machine counts it), `setNow` the wall clock being set; before
// `trustedFrom` (a build in 2025 by default) the clock is known to be wrong.
class WorldClock final : public Clock {
public:
    WorldClock(const ManualScheduler& scheduler, double start) : scheduler_(scheduler), base_(start) {}
    double now() const override { return base_ + scheduler_.now(); }
    double monotonic() const override { return lived_ + scheduler_.now(); }
    double trustedFrom() const override { return trustedFrom_; }
    void advance(double seconds) {
        base_ += seconds;
        if (seconds > 0) lived_ += seconds;
    }
    void setNow(double t) { base_ = t - scheduler_.now(); }
    void setTrustedFrom(double t) { trustedFrom_ = t; }

private:
    const ManualScheduler& scheduler_;
    double base_;
    double lived_ = 0;
    double trustedFrom_ = localMoment(2025, 1, 1, 0);
};

struct CatWorld {
    ScratchStore store;
    ManualScheduler scheduler;
    WorldClock clock{scheduler, localMoment(2026, 3, 2, 10)};
    SeededRandom seeded{7};
    RandomSource* random = &seeded;
    SkyLook sky{SkyTime::day, SkyWeather::clear};

    std::vector<std::optional<BotState>> faces;
    std::vector<PetSound> sounds;
    std::vector<BotEmote> emotes;
    int alerts = 0;

    std::unique_ptr<PetLife> make() {
        auto life = std::make_unique<PetLife>(*store, clock, *random, scheduler);
        life->setSkyLook([this] { return sky; });
        life->setOnFaceChange([this](std::optional<BotState> f) { faces.push_back(f); });
        life->setOnSound([this](PetSound s) { sounds.push_back(s); });
        life->setOnEmote([this](BotEmote e) { emotes.push_back(e); });
        life->setOnAlert([this] { ++alerts; });
        faces.clear();  // installing the face callback sends the current face
        return life;
    }

    // One stat step `seconds` after the previous moment.
    void step(PetLife& life, double seconds = 1) {
        clock.advance(seconds);
        life.statStep();
    }

    // Lets the timers run for `seconds`, the clock moving with them.
    void run(double seconds) { scheduler.advance(seconds); }

    std::size_t count(PetSound s) const {
        std::size_t n = 0;
        for (PetSound x : sounds) n += x == s;
        return n;
    }

    // Only a record the app could write: one with a value JSON cannot hold fails the test.
    void writeRecord(const PetRecord& r) {
        const auto bytes = encodePetRecord(r);
        ASSERT_TRUE(bytes) << "a record the app would not write";
        ASSERT_TRUE(store->setRecord(PetLife::recordKey, *bytes));
    }
    std::optional<PetRecord> readRecord() {
        auto bytes = store->record(PetLife::recordKey);
        return bytes ? decodePetRecord(*bytes) : std::nullopt;
    }
};

}  // namespace test
}  // namespace kp
