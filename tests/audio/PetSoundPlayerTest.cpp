#include <gtest/gtest.h>

#include "ClipFiles.h"
#include "audio/ClipBank.h"
#include "audio/PetSoundPlayer.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/Scratch.h"

#include <QTemporaryDir>

#include <cmath>
#include <set>
#include <tuple>

using namespace kp;
using kp::audio::ClipBank;
using kp::audio::ManualOutput;
using kp::audio::PetSoundPlayer;
using kp::audio::Samples;

namespace {

// A player on an offline engine, a still clock, and clips from a folder of its own.
struct Rig {
    explicit Rig(std::initializer_list<double> draws = {0.5}) : random(draws) {}
    test::ScratchStore store;
    QTemporaryDir clipRoot;
    ManualClock clock;
    ScriptedRandom random;
    std::unique_ptr<ClipBank> clips;
    ManualOutput* output = nullptr;
    std::unique_ptr<PetSoundPlayer> player;

    PetSoundPlayer& make() {
        clips = std::make_unique<ClipBank>(QStringList{clipRoot.path()});
        output = new ManualOutput;
        player = std::make_unique<PetSoundPlayer>(*store, clock, random, *clips,
                                                  std::unique_ptr<audio::AudioOutput>(output));
        return *player;
    }
    void clip(const QString& file, int frames = 2000) {
        ASSERT_TRUE(test::writeClip(clipRoot.path() + "/Sounds/" + file, frames));
    }
};

float peak(const Samples& s) {
    float m = 0;
    for (float x : s) m = std::max(m, std::fabs(x));
    return m;
}

}  // namespace

TEST(PetSoundPlayer, SwitchesPickTheirSounds) {
    Rig rig;
    rig.store->set("soundOn", false);
    rig.store->set("appSoundOn", true);
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::meow);
    p.play(PetSound::chime);  // the chime follows the cat's switch
    EXPECT_FALSE(p.lastPlayed().has_value());
    EXPECT_FALSE(p.started());
    p.play(PetSound::tap);
    ASSERT_TRUE(p.lastPlayed());
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::tap);
    p.play(PetSound::page);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::page);

    rig.store->set("soundOn", true);
    rig.store->set("appSoundOn", false);
    p.play(PetSound::buy);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::page);
    p.play(PetSound::chime);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::chime);
}

TEST(PetSoundPlayer, VolumeAtTheFloorPlaysNothingAndStartsNothing) {
    Rig rig;
    rig.store->set("soundVolume", 0.001);
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::meow);
    EXPECT_FALSE(p.lastPlayed());
    EXPECT_EQ(rig.output->starts, 0);
    rig.store->set("soundVolume", 0.0011);
    p.play(PetSound::meow);
    ASSERT_TRUE(p.lastPlayed());
    EXPECT_EQ(rig.output->starts, 1);
    EXPECT_NEAR(p.lastPlayed()->volume, 0.0011f * 0.32f, 1e-9f);
}

TEST(PetSoundPlayer, PurrsNeedTheirSpacingAndADroppedOneDoesNotCount) {
    Rig rig;
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::purr);
    EXPECT_EQ(p.nextVoice(), 1);
    rig.clock.advance(2.0);
    p.play(PetSound::purr);
    EXPECT_EQ(p.nextVoice(), 1);  // dropped
    rig.clock.advance(0.2);       // exactly 2.2 s after the first: still too soon
    p.play(PetSound::purr);
    EXPECT_EQ(p.nextVoice(), 1);
    rig.clock.advance(0.1);  // 2.3 s after the first
    p.play(PetSound::purr);
    EXPECT_EQ(p.nextVoice(), 2);
    // Other sounds are not spaced.
    p.play(PetSound::meow);
    p.play(PetSound::meow);
    EXPECT_EQ(p.nextVoice(), 0);
}

TEST(PetSoundPlayer, EachKeyIsSynthesisedOnceAndNoisySoundsKeepThreeSlots) {
    Rig rig({0.5});
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::meow);
    const auto first = p.lastPlayed()->buffer;
    p.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->buffer, first);  // the very same samples
    EXPECT_EQ(p.cacheSize(), 1);

    SeededRandom spread(42);
    test::ScratchStore store;
    ManualClock clock;
    ClipBank clips(QStringList{});
    PetSoundPlayer q(*store, clock, spread, clips, std::make_unique<ManualOutput>());
    std::set<QString> keys;
    for (int i = 0; i < 40; ++i) {
        q.play(PetSound::dig);
        keys.insert(q.lastPlayed()->key);
    }
    EXPECT_EQ(keys, (std::set<QString>{"dig-1.0-0", "dig-1.0-1", "dig-1.0-2"}));
    // The random spread of a voice-like sound gives only a handful of keys per stage: seven for
    // an adult (0.94 ... 1.06) and a junior (1.06 ... 1.18), nine for a kitten (1.22 ... 1.38).
    for (auto [stagePitch, count, lowest, highest] :
         {std::tuple{1.0, 7u, "trill-0.94-0", "trill-1.06-0"}, std::tuple{1.12, 7u, "trill-1.06-0", "trill-1.18-0"},
          std::tuple{1.3, 9u, "trill-1.22-0", "trill-1.38-0"}}) {
        q.setPitch(stagePitch);
        keys.clear();
        for (int i = 0; i < 400; ++i) {
            q.play(PetSound::trill);
            keys.insert(q.lastPlayed()->key);
        }
        EXPECT_EQ(keys.size(), count) << stagePitch;
        EXPECT_TRUE(keys.contains(lowest) && keys.contains(highest)) << stagePitch;
    }
}

TEST(PetSoundPlayer, FiveSoundsRotateThroughFourVoicesCuttingTheOldest) {
    Rig rig;
    PetSoundPlayer& p = rig.make();
    const PetSound seq[] = {PetSound::meow, PetSound::step, PetSound::lap, PetSound::nom, PetSound::tap};
    std::vector<int> voices;
    for (PetSound s : seq) {
        p.play(s);
        voices.push_back(p.lastPlayed()->voice);
    }
    EXPECT_EQ(voices, (std::vector<int>{0, 1, 2, 3, 0}));
    EXPECT_EQ(p.nextVoice(), 1);
    // Voice 0 was stopped and now holds only the tap.
    EXPECT_EQ(p.voice(0)->scheduledCount(), 1);
    EXPECT_EQ(p.voice(0)->lastScheduled()->size(), 4410u);
    EXPECT_TRUE(p.voice(0)->isPlaying());
}

TEST(PetSoundPlayer, EverySoundStartsAtItsOwnVolumeOnAVoiceThatPlayedBefore) {
    Rig rig;
    rig.store->set("soundVolume", 0.8);
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::chime);
    ASSERT_TRUE(p.lastPlayed());
    const Samples& chime = *p.lastPlayed()->buffer;
    Samples heard = p.engine().renderOffline(20000);
    EXPECT_NEAR(peak(heard), peak(Samples(chime.begin(), chime.begin() + 20000)) * 0.8f * 0.55f, 1e-4f);

    // Quiet taps on an engine that has rendered, each on a voice left at another volume.
    p.voice(0)->stop();
    rig.store->set("soundVolume", 0.05);
    for (int i = 0; i < 4; ++i) {
        p.play(PetSound::tap);
        const float own = peak(*p.lastPlayed()->buffer) * 0.05f * 0.25f;
        heard = p.engine().renderOffline(512);
        EXPECT_LE(peak(heard), own * 1.01f) << "tap " << i;
        EXPECT_GT(peak(heard), own * 0.5f) << "tap " << i;
        p.engine().renderOffline(8000);
    }
    // A tap cutting a chime on the same voice starts at its own level too.
    rig.store->set("soundVolume", 0.8);
    p.play(PetSound::chime);
    const int voice = p.lastPlayed()->voice;
    for (int i = 0; i < 3; ++i) p.play(PetSound::meow);
    p.engine().renderOffline(2000);
    rig.store->set("soundVolume", 0.05);
    p.play(PetSound::tap);
    ASSERT_EQ(p.lastPlayed()->voice, voice);
    for (int i = 0; i < PetSoundPlayer::kVoices; ++i)
        if (i != voice) p.voice(i)->stop();
    heard = p.engine().renderOffline(512);
    EXPECT_LE(peak(heard), peak(*p.lastPlayed()->buffer) * 0.05f * 0.25f * 1.01f);
}

TEST(PetSoundPlayer, TapUsesItsRecordingWhenThereIsOne) {
    Rig without;
    PetSoundPlayer& a = without.make();
    a.play(PetSound::tap);
    EXPECT_FALSE(a.lastPlayed()->take);
    EXPECT_NEAR(a.lastPlayed()->volume, 0.5f * 0.25f, 1e-7f);

    Rig with;
    with.clip("ui-tap.caf", 3000);
    PetSoundPlayer& b = with.make();
    b.play(PetSound::tap);
    ASSERT_TRUE(b.lastPlayed()->take);
    EXPECT_EQ(b.lastPlayed()->clip, "ui-tap");
    EXPECT_NEAR(b.lastPlayed()->volume, 0.5f * 0.2f, 1e-7f);
    EXPECT_EQ(b.lastPlayed()->rate, 1.0);
    EXPECT_EQ(b.lastPlayed()->buffer->size(), 3000u);
    // The recording is what is heard.
    EXPECT_NEAR(peak(b.engine().renderOffline(1000)), 0.5f * 0.1f, 1e-3f);
}

TEST(PetSoundPlayer, KittenMeowUsesMewRecordingsAtACappedRate) {
    Rig rig({0.25});  // rate 0.97
    rig.clip("cat-mew.caf");
    rig.clip("cat-meow.caf");
    PetSoundPlayer& p = rig.make();
    p.setPitch(1.3);
    p.play(PetSound::meow);
    ASSERT_TRUE(p.lastPlayed()->take);
    EXPECT_EQ(p.lastPlayed()->clip, "cat-mew");
    EXPECT_NEAR(p.lastPlayed()->rate, 0.97 * 1.15, 1e-9);
    EXPECT_NEAR(p.speed(p.lastPlayed()->voice)->rate(), 0.97 * 1.15, 1e-9);
    EXPECT_NEAR(p.lastPlayed()->volume, 0.5f * 0.35f, 1e-7f);
    // A junior meows its own recordings at its own pitch.
    p.setPitch(1.12);
    p.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->clip, "cat-meow");
    EXPECT_NEAR(p.lastPlayed()->rate, 0.97 * 1.12, 1e-9);
}

TEST(PetSoundPlayer, TakesNeverRepeatBackToBackAndASingleTakeAlwaysPlays) {
    test::ScratchStore store;
    QTemporaryDir root;
    for (const char* f : {"cat-trill.caf", "cat-trill-2.caf", "cat-trill-3.caf", "cat-growl.caf"})
        ASSERT_TRUE(test::writeClip(root.path() + "/" + f, 1000));
    ManualClock clock;
    SeededRandom random(3);
    ClipBank clips({root.path()});
    PetSoundPlayer p(*store, clock, random, clips, std::make_unique<ManualOutput>());
    int last = -1;
    std::set<int> seen;
    for (int i = 0; i < 60; ++i) {
        p.play(PetSound::trill);
        const int take = p.lastPlayed()->takeIndex;
        EXPECT_NE(take, last);
        seen.insert(take);
        last = take;
    }
    EXPECT_EQ(seen.size(), 3u);
    for (int i = 0; i < 5; ++i) {
        p.play(PetSound::growl);
        EXPECT_EQ(p.lastPlayed()->takeIndex, 0);
        EXPECT_NEAR(p.lastPlayed()->volume, 0.5f * 0.22f, 1e-7f);
    }
}

TEST(PetSoundPlayer, ClosesTheOutputOnceEveryVoiceHasBeenQuietAWhile) {
    Rig rig;
    PetSoundPlayer& p = rig.make();
    p.play(PetSound::tap);
    ASSERT_TRUE(p.started());
    const double length = double(p.lastPlayed()->buffer->size()) / audio::kSampleRate;
    rig.clock.advance(length + PetSoundPlayer::kQuietClose - 0.5);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started());  // not quiet long enough yet

    p.play(PetSound::tap);  // a new sound pushes the close further out
    rig.clock.advance(1.0);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started());
    rig.clock.advance(length + PetSoundPlayer::kQuietClose);
    p.closeIfQuiet();
    EXPECT_FALSE(p.started());

    const int starts = rig.output->starts;
    p.play(PetSound::tap);  // the next sound opens it again
    EXPECT_TRUE(p.started());
    EXPECT_EQ(rig.output->starts, starts + 1);
}
