#include <gtest/gtest.h>

#include "audio/AmbienceBeds.h"
#include "audio/RoomAmbience.h"
#include "platform/Random.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <map>

using namespace kp;
using kp::audio::ManualOutput;
using kp::audio::RoomAmbience;
using kp::audio::SampleBuffer;
using kp::audio::Samples;
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
    void finish(Bed bed, float level = 0.5f) {
        auto done = std::move(pending.at(bed));
        pending.erase(bed);
        done(bed, audio::makeBuffer(Samples(4410, level)));
    }
    void fail(Bed bed) {  // no memory for the loop
        auto done = std::move(pending.at(bed));
        pending.erase(bed);
        done(bed, nullptr);
    }
};

struct Rig {
    ManualScheduler scheduler;
    ManualOutput* output = new ManualOutput;
    HeldLoader* loader = new HeldLoader;
    RoomAmbience ambience{scheduler, std::unique_ptr<audio::AudioOutput>(output),
                          std::unique_ptr<RoomAmbience::BedLoader>(loader)};

    void ticks(int n) { scheduler.advance(n * RoomAmbience::kTick + 1e-9); }
    float volume(Bed bed) { return ambience.player(bed)->volume(); }
    // Ticks until the fade timer stops; how many it took.
    int settle(int limit = 1000) {
        int n = 0;
        while (ambience.isFading() && n < limit) {
            scheduler.advance(RoomAmbience::kTick);
            ++n;
        }
        return n;
    }
};

double rms(const Samples& s) {
    double sum = 0;
    for (float x : s) sum += double(x) * x;
    return std::sqrt(sum / double(s.size()));
}

}  // namespace

TEST(RoomAmbience, ABedFadesInToGainTimesVolumeAfterAboutSixtyTicks) {
    Rig rig;
    rig.ambience.levels[Bed::rain] = 1.0f;
    rig.ambience.apply();
    rig.ambience.apply();  // idempotent: one synthesis, one timer
    EXPECT_EQ(rig.loader->requests, 1);
    EXPECT_TRUE(rig.ambience.isLoading(Bed::rain));
    EXPECT_EQ(rig.scheduler.pendingCount(), 1u);
    EXPECT_TRUE(rig.ambience.started());

    // Until its loop arrives the bed's target is 0 and the timer waits for it.
    rig.ticks(10);
    EXPECT_EQ(rig.volume(Bed::rain), 0.0f);
    EXPECT_TRUE(rig.ambience.isFading());

    rig.loader->finish(Bed::rain);
    EXPECT_TRUE(rig.ambience.isLoaded(Bed::rain));
    EXPECT_EQ(rig.ambience.player(Bed::rain)->scheduledCount(), 1);
    rig.ticks(1);
    EXPECT_TRUE(rig.ambience.player(Bed::rain)->isPlaying());
    rig.ticks(58);  // 59 steps of 0.17 / 60
    EXPECT_LT(rig.volume(Bed::rain), 0.17f);
    EXPECT_NEAR(rig.volume(Bed::rain), 59 * 0.17f / 60, 1e-4f);
    rig.ticks(2);
    EXPECT_EQ(rig.volume(Bed::rain), 0.34f * 1.0f * 0.5f);  // snaps exactly to the target
    EXPECT_LE(rig.settle(), 1);
    EXPECT_FALSE(rig.ambience.isFading());
    EXPECT_TRUE(rig.ambience.engine().isRunning());

    // The loop is heard at that volume.
    const Samples out = rig.ambience.engine().renderOffline(4096);
    EXPECT_NEAR(rms(out), 0.5 * 0.17, 1e-4);

    // A volume above 1 from the settings file is heard as 1; a wild one does not climb on.
    for (float wild : {5.0f, 1e6f}) {
        rig.ambience.volume = wild;
        rig.ambience.apply();
        rig.settle();
        EXPECT_FLOAT_EQ(rig.volume(Bed::rain), 0.34f) << wild;
        EXPECT_FALSE(rig.ambience.isFading()) << wild;
    }
}

TEST(RoomAmbience, EverySilentBedPausesItsPlayerThenTheEngine) {
    Rig rig;
    rig.ambience.levels[Bed::fire] = 1.0f;
    rig.ambience.levels[Bed::tv] = 1.0f;
    rig.ambience.apply();
    rig.loader->finish(Bed::fire);
    rig.loader->finish(Bed::tv);
    rig.settle();
    EXPECT_EQ(rig.volume(Bed::fire), 0.15f);
    EXPECT_EQ(rig.volume(Bed::tv), 0.08f);

    rig.ambience.levels = {};
    rig.ambience.apply();
    EXPECT_TRUE(rig.ambience.isFading());
    const int ticks = rig.settle();
    EXPECT_GE(ticks, 60);
    EXPECT_LE(ticks, 62);
    EXPECT_EQ(rig.volume(Bed::fire), 0.0f);
    EXPECT_FALSE(rig.ambience.player(Bed::fire)->isPlaying());
    EXPECT_FALSE(rig.ambience.player(Bed::tv)->isPlaying());
    EXPECT_FALSE(rig.ambience.started());
    EXPECT_FALSE(rig.ambience.engine().isRunning());
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u);

    // Back again: the loops are still there and fade in without a new synthesis.
    rig.ambience.levels[Bed::fire] = 0.5f;
    rig.ambience.apply();
    rig.settle();
    EXPECT_EQ(rig.loader->requests, 2);
    EXPECT_NEAR(rig.volume(Bed::fire), 0.075f, 1e-7f);
    EXPECT_TRUE(rig.ambience.engine().isRunning());
}

TEST(RoomAmbience, SwitchingOffOrZeroVolumeFadesEverythingOut) {
    for (bool viaVolume : {false, true}) {
        Rig rig;
        rig.ambience.levels[Bed::birds] = 1.0f;
        rig.ambience.apply();
        rig.loader->finish(Bed::birds);
        rig.settle();
        ASSERT_EQ(rig.volume(Bed::birds), 0.2f);
        if (viaVolume)
            rig.ambience.volume = 0.0f;
        else
            rig.ambience.enabled = false;
        rig.ambience.apply();
        rig.settle();
        EXPECT_EQ(rig.volume(Bed::birds), 0.0f);
        EXPECT_FALSE(rig.ambience.player(Bed::birds)->isPlaying());
        EXPECT_FALSE(rig.ambience.started());
    }
}

TEST(RoomAmbience, LoopInstalledWhileTheEngineCannotStartPlaysOnceItDoes) {
    Rig rig;
    rig.output->startFails = true;
    rig.ambience.levels[Bed::rain] = 1.0f;
    rig.ambience.apply();
    EXPECT_TRUE(rig.ambience.isLoading(Bed::rain));  // synthesis starts all the same
    EXPECT_FALSE(rig.ambience.isFading());
    rig.loader->finish(Bed::rain);
    EXPECT_TRUE(rig.ambience.isLoaded(Bed::rain));
    EXPECT_EQ(rig.ambience.player(Bed::rain)->scheduledCount(), 0);

    rig.output->startFails = false;
    rig.ambience.apply();  // the next push of the levels
    EXPECT_EQ(rig.ambience.player(Bed::rain)->scheduledCount(), 1);
    rig.settle();
    EXPECT_EQ(rig.volume(Bed::rain), 0.17f);
    EXPECT_GT(rms(rig.ambience.engine().renderOffline(2048)), 0.05);
}

TEST(RoomAmbience, AFailedSynthesisLeavesTheBedSilentWithoutKeepingTheTickAlive) {
    Rig rig;
    rig.ambience.levels[Bed::rain] = 1.0f;
    rig.ambience.levels[Bed::fire] = 1.0f;
    rig.ambience.apply();
    rig.loader->finish(Bed::fire);
    rig.loader->fail(Bed::rain);
    EXPECT_FALSE(rig.ambience.isLoaded(Bed::rain));
    EXPECT_FALSE(rig.ambience.isLoading(Bed::rain));
    // The fire fades in and the tick stops, though rain is still wanted.
    EXPECT_LE(rig.settle(), 62);
    EXPECT_FALSE(rig.ambience.isFading());
    EXPECT_EQ(rig.volume(Bed::fire), 0.15f);
    EXPECT_EQ(rig.volume(Bed::rain), 0.0f);
    // The next push of the levels tries the rain again.
    rig.ambience.apply();
    EXPECT_TRUE(rig.ambience.isLoading(Bed::rain));
    EXPECT_EQ(rig.loader->requests, 3);
    rig.loader->finish(Bed::rain);
    rig.settle();
    EXPECT_EQ(rig.volume(Bed::rain), 0.17f);
}

// ---------------------------------------------------------------------------------------------
// The beds themselves

TEST(AmbienceBeds, SeamlessLoopCrossfadesTheOverhangIntoTheStart) {
    Samples in(100);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = float(i);
    const Samples out = synth::seamlessLoop(in, 80);
    ASSERT_EQ(out.size(), 80u);
    EXPECT_EQ(out[0], 80.0f);                       // w = 0: the overhang itself
    EXPECT_NEAR(out[10], 0.5f * 90 + 0.5f * 10, 1e-5f);
    EXPECT_EQ(out[20], 20.0f);                      // past the overhang: untouched
    EXPECT_EQ(synth::seamlessLoop(in, 100), in);
}

TEST(AmbienceBeds, EachBedLoopsAtItsLengthAndLoudnessWithoutAJumpAtTheSeam) {
    for (Bed bed : RoomAmbience::kBeds) {
        SCOPED_TRACE(int(bed));
        SeededRandom random(100 + int(bed));
        const Samples loop = synth::bedLoop(bed, random);
        const auto& shape = synth::bedShape(bed);
        ASSERT_EQ(int(loop.size()), shape.loop);
        EXPECT_NEAR(rms(loop), shape.rms, shape.rms * 0.02);
        // The join (last sample to first) steps no further than the loop's ordinary steps do.
        std::vector<float> steps;
        for (std::size_t i = 1; i < loop.size(); ++i) steps.push_back(std::fabs(loop[i] - loop[i - 1]));
        std::sort(steps.begin(), steps.end());
        const float typical = steps[steps.size() * 999 / 1000];
        EXPECT_LE(std::fabs(loop.front() - loop.back()), typical);
    }
}

