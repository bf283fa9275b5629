#include <gtest/gtest.h>

#include "Listen.h"
#include "audio/AmbienceBeds.h"
#include "audio/RoomAmbience.h"
#include "platform/Random.h"

#include <map>
#include <numbers>

using namespace kp;
using kp::audio::RoomAmbience;
using kp::audio::Samples;
using kp::test::rms;
using Bed = kp::AmbienceBed;

namespace {

// Holds every synthesis request until the test hands back a loop.
class HeldLoader final : public RoomAmbience::BedLoader {
public:
    std::map<Bed, Done> pending;
    int requests = 0;
    void load(Bed bed, QObject*, Done done) override {
        ++requests;
        pending[bed] = std::move(done);
    }
    void finish(Bed bed) {
        auto done = std::move(pending.at(bed));
        pending.erase(bed);
        done(bed, audio::makeBuffer(Samples(4410, 0.5f)));
    }
};

struct Rig {
    ManualScheduler scheduler;
    audio::ManualOutput* output = new audio::ManualOutput;
    HeldLoader* loader = new HeldLoader;
    RoomAmbience ambience{scheduler, std::unique_ptr<audio::AudioOutput>(output),
                          std::unique_ptr<RoomAmbience::BedLoader>(loader)};

    void ticks(int n) { scheduler.advance(n * RoomAmbience::kTick + 1e-9); }
    float volume(Bed bed) { return ambience.player(bed)->volume(); }
    // Ticks until the fade timer stops; how many it took.
    int settle() {
        int n = 0;
        for (; ambience.isFading() && n < 1000; ++n) scheduler.advance(RoomAmbience::kTick);
        return n;
    }
};

}  // namespace

TEST(RoomAmbience, ABedFadesInOverTwoSecondsToItsLevelAndNeverPastVolumeOne) {
    Rig rig;
    rig.ambience.levels[Bed::rain] = 1.0f;
    rig.ambience.apply();
    rig.ambience.apply();  // idempotent: one synthesis, one timer
    EXPECT_EQ(rig.loader->requests, 1);
    EXPECT_EQ(rig.scheduler.pendingCount(), 1u);

    rig.loader->finish(Bed::rain);
    rig.ticks(59);  // 59 steps of 0.17 / 60
    EXPECT_NEAR(rig.volume(Bed::rain), 59 * 0.17f / 60, 1e-4f);
    rig.ticks(2);
    EXPECT_EQ(rig.volume(Bed::rain), 0.34f * 1.0f * 0.5f);  // snaps exactly to the target
    EXPECT_LE(rig.settle(), 1);

    // The loop is heard at that volume.
    EXPECT_NEAR(rms(rig.ambience.engine().renderOffline(4096)), 0.5 * 0.17, 1e-4);

    // A volume above 1 from the settings file is heard as 1; a wild one does not climb on.
    for (float wild : {5.0f, 1e6f}) {
        rig.ambience.volume = wild;
        rig.ambience.apply();
        rig.settle();
        EXPECT_FLOAT_EQ(rig.volume(Bed::rain), 0.34f) << wild;
        EXPECT_FALSE(rig.ambience.isFading()) << wild;
    }
}

// Beds silenced by their levels, the volume or the switch fade out over two seconds and pause, and
// the engine rests; back again, the loops fade in without being made again.
TEST(RoomAmbience, SilentBedsFadeOutAndRestTheEngineWhateverSilencedThem) {
    Rig rig;
    for (int how = 0; how < 3; ++how) {
        rig.ambience.levels[Bed::fire] = how == 0 ? 1.0f : 0.5f;
        rig.ambience.levels[Bed::tv] = 1.0f;
        rig.ambience.enabled = true;
        rig.ambience.volume = 0.5f;
        rig.ambience.apply();
        if (how == 0) {
            rig.loader->finish(Bed::fire);
            rig.loader->finish(Bed::tv);
        }
        rig.settle();
        EXPECT_NEAR(rig.volume(Bed::fire), how == 0 ? 0.15f : 0.075f, 1e-7f);
        EXPECT_EQ(rig.volume(Bed::tv), 0.08f);

        if (how == 0) rig.ambience.levels = {};
        if (how == 1) rig.ambience.volume = 0.0f;
        if (how == 2) rig.ambience.enabled = false;
        rig.ambience.apply();
        const int ticks = rig.settle();
        EXPECT_GE(ticks, 60);
        EXPECT_LE(ticks, 62);
        for (Bed bed : RoomAmbience::kBeds) EXPECT_FALSE(rig.ambience.player(bed)->isPlaying());
        EXPECT_FALSE(rig.ambience.engine().isRunning());
        EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
    }
    EXPECT_EQ(rig.loader->requests, 2);
}

TEST(AmbienceBeds, EachBedLoopsWithoutAJumpAtTheSeam) {
    for (Bed bed : RoomAmbience::kBeds) {
        SCOPED_TRACE(int(bed));
        SeededRandom random(100 + int(bed));
        const Samples loop = synth::bedLoop(bed, random);
        EXPECT_GT(rms(loop), 0.01);
        // The join (last sample to first) steps no further than the loop's ordinary steps do.
        std::vector<float> steps;
        for (std::size_t i = 1; i < loop.size(); ++i) steps.push_back(std::fabs(loop[i] - loop[i - 1]));
        std::sort(steps.begin(), steps.end());
        EXPECT_LE(std::fabs(loop.front() - loop.back()), steps[steps.size() * 999 / 1000]);
    }
    // A steady tone whose loop ends mid-wave carries on across the join without a click.
    Samples tone(std::size_t(44100 + synth::kBedOverlap));
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(0.5 * std::sin(2 * std::numbers::pi * 441.25 * double(i) / 44100));
    const Samples loop = synth::seamlessLoop(tone, 44100);
    ASSERT_EQ(loop.size(), 44100u);
    float steepest = 0;
    for (std::size_t i = 1; i < loop.size(); ++i)
        steepest = std::max(steepest, std::fabs(loop[i] - loop[i - 1]));
    EXPECT_LE(std::fabs(loop.front() - loop.back()), steepest);
    EXPECT_LT(steepest, 0.04f);
}
