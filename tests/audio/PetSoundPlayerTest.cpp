#include <gtest/gtest.h>

#include "ClipFiles.h"
#include "Listen.h"
#include "audio/ClipBank.h"
#include "audio/PetSoundPlayer.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/Scratch.h"
#include "support/ThreadTime.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <semaphore>
#include <set>
#include <thread>

using namespace kp;
using kp::audio::ClipBank;
using kp::audio::PetSoundPlayer;
using kp::audio::Samples;
using kp::test::peak;

namespace {

// A player on an offline engine, a still clock, and clips from a folder of its own.
struct Rig {
    explicit Rig(std::initializer_list<double> draws = {0.5}) : random(draws) {}
    test::ScratchStore store;
    QTemporaryDir clipRoot;
    ManualClock clock;
    ScriptedRandom random;
    std::unique_ptr<ClipBank> clips;
    audio::ManualOutput* output = nullptr;
    std::unique_ptr<PetSoundPlayer> player;

    PetSoundPlayer& make(RandomSource* draws = nullptr, PetSoundPlayer::SampleMaker maker = {}) {
        player.reset();
        clips = std::make_unique<ClipBank>(QStringList{clipRoot.path()});
        output = new audio::ManualOutput;
        player = std::make_unique<PetSoundPlayer>(*store, clock, draws ? *draws : random, *clips,
                                                  std::unique_ptr<audio::AudioOutput>(output),
                                                  std::move(maker));
        return *player;
    }
    // Asks for a sound and waits until whatever it needed made has arrived.
    void play(PetSound sound, std::optional<double> pitch = std::nullopt) {
        pitch ? player->play(sound, *pitch) : player->play(sound);
        settle();
    }
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return player->making() == 0; }, 60000));
    }
    void clip(const QString& file, int frames = 2000, int rate = 44100, int channels = 1) {
        ASSERT_TRUE(test::writeClip(clipRoot.path() + "/Sounds/" + file, frames, rate, channels));
    }
};

}  // namespace

TEST(PetSoundPlayer, TheSwitchesTheVolumeFloorAndThePurrsSpacingDecideWhatPlays) {
    Rig rig;
    rig.store->set("soundOn", false);
    rig.store->set("soundVolume", 0.0011);
    PetSoundPlayer& p = rig.make();
    rig.play(PetSound::meow);
    rig.play(PetSound::chime);  // the chime follows the cat's switch
    EXPECT_FALSE(p.lastPlayed().has_value());
    EXPECT_EQ(rig.output->starts, 0);
    rig.play(PetSound::page);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::page);

    rig.store->set("soundOn", true);
    rig.store->set("appSoundOn", false);
    rig.play(PetSound::buy);
    rig.play(PetSound::chime);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::chime);
    rig.store->set("soundVolume", 0.001);  // at the floor: nothing
    rig.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::chime);

    // Purrs need their spacing, and a dropped one does not count.
    rig.store->set("soundVolume", 0.5);
    rig.play(PetSound::purr);
    rig.clock.advance(2.0);
    rig.play(PetSound::purr);  // dropped
    rig.clock.advance(0.2);  // exactly 2.2 s after the first: still too soon
    rig.play(PetSound::purr);
    EXPECT_EQ(p.nextVoice(), 3);
    rig.clock.advance(0.1);
    rig.play(PetSound::purr);
    rig.play(PetSound::meow);  // other sounds are not spaced
    rig.play(PetSound::meow);
    EXPECT_EQ(p.nextVoice(), 2);
}

// Synthesis is made once per pitch step of 0.02 and kept; voice-like sounds spread by 6% either
// way around the cat's pitch: seven steps for an adult, nine for a kitten.
TEST(PetSoundPlayer, VoiceSoundsSpreadAroundTheCatsPitchInFewCachedSteps) {
    SeededRandom random(42);
    Rig rig;
    PetSoundPlayer& p = rig.make(&random);
    for (auto [pitch, count] : {std::pair{1.0, 7}, std::pair{1.3, 16}}) {
        p.setPitch(pitch);
        for (int i = 0; i < 400; ++i) {
            rig.play(PetSound::trill);
            const double key = p.lastPlayed()->key.section(u'-', 1, 1).toDouble();
            EXPECT_GE(key, pitch * 0.94 - 0.01);
            EXPECT_LE(key, pitch * 1.06 + 0.01);
        }
        EXPECT_EQ(p.cacheSize(), count) << pitch;
    }

    // An interface sound at the normal pitch between two of the kitten's leaves its voice as it was.
    rig.play(PetSound::nom, 1.0);
    EXPECT_LE(p.lastPlayed()->key.section(u'-', 1, 1).toDouble(), 1.06 + 0.01);
    EXPECT_EQ(p.pitch(), 1.3);
    rig.play(PetSound::trill);
    EXPECT_GE(p.lastPlayed()->key.section(u'-', 1, 1).toDouble(), 1.3 * 0.94 - 0.01);
}

TEST(PetSoundPlayer, EverySoundStartsAtItsOwnVolumeOnAVoiceThatPlayedBefore) {
    Rig rig;
    rig.store->set("soundVolume", 0.8);
    PetSoundPlayer& p = rig.make();
    rig.play(PetSound::chime);
    const Samples& chime = *p.lastPlayed()->buffer;
    Samples heard = p.engine().renderOffline(20000);
    EXPECT_NEAR(peak(heard), peak(chime, 0, 20000) * 0.8f * 0.55f, 1e-4f);

    // Quiet taps on an engine that has rendered, each on a voice left at another volume.
    p.voice(0)->stop();
    rig.store->set("soundVolume", 0.05);
    for (int i = 0; i < 4; ++i) {
        rig.play(PetSound::tap);
        const float own = peak(*p.lastPlayed()->buffer) * 0.05f * 0.25f;
        heard = p.engine().renderOffline(512);
        EXPECT_LE(peak(heard), own * 1.01f) << "tap " << i;
        EXPECT_GT(peak(heard), own * 0.5f) << "tap " << i;
        p.engine().renderOffline(8000);
    }
    // A tap cutting a chime starts at its own level too: four voices, the fifth sound cuts the oldest.
    rig.store->set("soundVolume", 0.8);
    rig.play(PetSound::chime);
    const int voice = p.lastPlayed()->voice;
    for (int i = 0; i < 3; ++i) rig.play(PetSound::meow);
    p.engine().renderOffline(2000);
    rig.store->set("soundVolume", 0.05);
    rig.play(PetSound::tap);
    ASSERT_EQ(p.lastPlayed()->voice, voice);
    EXPECT_EQ(p.voice(voice)->scheduledCount(), 1) << "the chime was cut";
    for (int i = 0; i < PetSoundPlayer::kVoices; ++i)
        if (i != voice) p.voice(i)->stop();
    heard = p.engine().renderOffline(512);
    EXPECT_LE(peak(heard), peak(*p.lastPlayed()->buffer) * 0.05f * 0.25f * 1.01f);
}

TEST(PetSoundPlayer, RecordingsArePlayedInsteadOfSynthesisAndATakeNeverRepeatsBackToBack) {
    Rig rig({0.25});  // rate 0.97
    rig.clip("ui-tap.caf", 3000);
    rig.clip("cat-mew.caf");
    rig.clip("cat-meow.caf");
    for (const char* f : {"cat-trill.caf", "cat-trill-2.caf", "cat-trill-3.caf"}) rig.clip(f, 1000);
    PetSoundPlayer& p = rig.make();
    rig.play(PetSound::tap);
    EXPECT_EQ(p.lastPlayed()->clip, "ui-tap");
    EXPECT_EQ(p.lastPlayed()->buffer->size(), 3000u);
    EXPECT_NEAR(peak(p.engine().renderOffline(1000)), 0.5f * 0.1f, 1e-3f);  // the take, at its gain

    // A kitten meows the mew recordings at its pitch, capped; a junior its own at its own.
    p.setPitch(1.3);
    rig.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->clip, "cat-mew");
    EXPECT_NEAR(p.speed(p.lastPlayed()->voice)->rate(), 0.97 * 1.15, 1e-9);
    p.setPitch(1.12);
    rig.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->clip, "cat-meow");
    EXPECT_NEAR(p.lastPlayed()->rate, 0.97 * 1.12, 1e-9);

    SeededRandom random(3);
    PetSoundPlayer& q = rig.make(&random);
    int last = -1;
    std::set<int> seen;
    for (int i = 0; i < 60; ++i) {
        rig.play(PetSound::trill);
        EXPECT_NE(q.lastPlayed()->takeIndex, last);
        seen.insert(last = q.lastPlayed()->takeIndex);
    }
    EXPECT_EQ(seen.size(), 3u);
}

// Decoding and converting a recording takes a while, and so does listing a folder of many
// thousands of files: the caller waits for neither, the sound starts when its takes arrive.
TEST(PetSoundPlayer, ATakesFirstPlayListsAndDecodesAwayFromTheCaller) {
    Rig rig;
    rig.clip("cat-mew.caf", 48000 * 3, 48000, 2);  // three seconds to convert
    const QString sounds = rig.clipRoot.path() + "/Sounds/";
    for (int i = 0; i < 20000; ++i)  // named to be looked at closely
        ASSERT_TRUE(QFile(sounds + QStringLiteral("cat-mewl-%1.caf").arg(i)).open(QIODevice::WriteOnly));
    double before = test::threadSeconds();
    ASSERT_TRUE(ClipBank::decodeClip(sounds + "cat-mew.caf").has_value());
    const double decoding = test::threadSeconds() - before;
    before = test::threadSeconds();
    ASSERT_EQ(ClipBank::takePaths({rig.clipRoot.path()}, "cat-mew").size(), 1);
    const double listing = test::threadSeconds() - before;

    PetSoundPlayer& p = rig.make();
    const double asked = test::threadSeconds();
    p.play(PetSound::mew);
    const double playing = test::threadSeconds() - asked;
    p.play(PetSound::mew);  // the same takes asked for again while they are decoded
    p.play(PetSound::meow, 1.3);
    EXPECT_LT(playing, decoding / 4) << "play() decoded the take: " << playing * 1000 << " ms against "
                                     << decoding * 1000 << " ms";
    EXPECT_LT(playing, listing / 4) << "play() listed the folder: " << playing * 1000 << " ms against "
                                    << listing * 1000 << " ms";
    EXPECT_FALSE(p.lastPlayed().has_value()) << "play() waited for the take";

    rig.settle();
    ASSERT_TRUE(p.lastPlayed().has_value());
    EXPECT_EQ(p.lastPlayed()->clip, "cat-mew");
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::mew);
    EXPECT_NEAR(double(p.lastPlayed()->buffer->size()), 3.0 * 44100, 4.0);
    EXPECT_EQ(p.nextVoice(), 1) << "the take played once";
    EXPECT_EQ(p.voice(0)->lastScheduled(), p.lastPlayed()->buffer);
    EXPECT_EQ(p.lastPlayed()->buffer, rig.clips->loaded("cat-mew")->at(0)) << "the bank's samples were copied";
    EXPECT_NEAR(peak(p.engine().renderOffline(2000)), 0.5f * 0.35f * 0.5f, 0.01f);

    // A player gone while its takes are decoded waits for the job, and its result goes with it.
    rig.make().play(PetSound::mew);
    rig.player.reset();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

TEST(PetSoundPlayer, ARecordingTooLongForATakeLeavesTheSoundToSynthesis) {
    Rig rig;
    rig.clip("cat-purr.caf", 44100 * 30);
    PetSoundPlayer& p = rig.make();
    rig.play(PetSound::purr);
    ASSERT_TRUE(p.lastPlayed().has_value());
    EXPECT_FALSE(p.lastPlayed()->take) << "the half-minute file was played";
    EXPECT_TRUE(p.isCached(p.lastPlayed()->key));
    EXPECT_NEAR(double(p.lastPlayed()->buffer->size()) / audio::kSampleRate, 1.5, 0.01);
}

TEST(PetSoundPlayer, ClosesTheOutputOnceEveryVoiceHasBeenQuietAWhile) {
    Rig rig;
    PetSoundPlayer& p = rig.make();
    rig.play(PetSound::tap);
    const double length = double(p.lastPlayed()->buffer->size()) / audio::kSampleRate;
    rig.clock.advance(length + PetSoundPlayer::kQuietClose - 0.5);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started());  // not quiet long enough yet

    rig.play(PetSound::tap);  // a new sound pushes the close further out
    rig.clock.advance(1.0);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started());
    rig.clock.advance(length + PetSoundPlayer::kQuietClose);
    p.closeIfQuiet();
    EXPECT_FALSE(p.started());

    rig.play(PetSound::tap);  // the next sound opens it again
    EXPECT_TRUE(p.started());
    EXPECT_EQ(rig.output->starts, 2);
}

namespace {

// A sample maker the test holds back: it waits for the gate (a while at most, so a maker called on
// the test's own thread cannot hang it), then makes a short loud buffer or fails.
struct HeldMaker {
    std::counting_semaphore<> gate{0};
    std::binary_semaphore entered{0};
    std::atomic<int> calls{0};
    std::atomic<bool> fails{false};
    std::atomic<const RandomSource*> generator{nullptr};
    std::thread::id thread;

    PetSoundPlayer::SampleMaker maker() {
        return [this](PetSound, double, RandomSource& random) {
            ++calls;
            thread = std::this_thread::get_id();
            generator = &random;
            entered.release();
            (void)gate.try_acquire_for(std::chrono::seconds(5));
            if (fails) throw std::bad_alloc();
            return Samples(4410, 0.5f);
        };
    }
};

}  // namespace

TEST(PetSoundPlayer, ASoundNotMadeYetIsMadeAwayFromTheCallerAndStartsWhenItArrives) {
    HeldMaker held;
    Rig rig;
    rig.clip("ui-tap.caf", 3000);
    PetSoundPlayer& p = rig.make(nullptr, held.maker());
    rig.clips->loadClips("ui-tap");
    p.play(PetSound::meow);
    p.play(PetSound::meow);  // the same key again while it is made: made once
    EXPECT_FALSE(p.lastPlayed().has_value()) << "play() waited for the samples";
    EXPECT_EQ(p.making(), 1);

    // A recorded take already decoded does not wait behind it.
    p.play(PetSound::tap);
    ASSERT_TRUE(p.lastPlayed().has_value());
    EXPECT_EQ(p.lastPlayed()->clip, "ui-tap");
    EXPECT_EQ(p.lastPlayed()->voice, 0);

    held.gate.release();
    rig.settle();
    EXPECT_EQ(held.calls, 1);
    EXPECT_NE(held.thread, std::this_thread::get_id());
    EXPECT_NE(held.generator.load(), &rig.random) << "the shared generator was used off its thread";
    ASSERT_EQ(p.lastPlayed()->sound, PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->voice, 1);
    EXPECT_EQ(p.lastPlayed()->buffer->size(), 4410u);
    EXPECT_EQ(p.voice(1)->lastScheduled(), p.lastPlayed()->buffer);
    // Both at their own volumes (0.32 and 0.2 of the volume 0.5), on samples at 0.5.
    EXPECT_NEAR(peak(p.engine().renderOffline(1000)), 0.5f * (0.5f * 0.32f + 0.5f * 0.2f), 2e-3f);

    // Kept: the next meow at that key starts at once, on the next voice.
    p.play(PetSound::meow);
    EXPECT_EQ(p.lastPlayed()->voice, 2);
    EXPECT_EQ(held.calls, 1);
}

TEST(PetSoundPlayer, TheOutputStaysOpenUnderASoundBeingMadeAndClosesAfterOneThatFails) {
    HeldMaker held;
    Rig rig;
    PetSoundPlayer& p = rig.make(nullptr, held.maker());
    p.play(PetSound::meow);
    rig.clock.advance(100.0);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started()) << "closed under a sound being made";
    held.gate.release();
    rig.settle();
    ASSERT_TRUE(p.lastPlayed().has_value());
    rig.clock.advance(0.1 + PetSoundPlayer::kQuietClose - 0.5);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started()) << "the quiet counts from the sound's end";
    rig.clock.advance(0.5);
    p.closeIfQuiet();
    EXPECT_FALSE(p.started());

    // A sound that cannot be made is skipped, and the output closes a while after.
    held.fails = true;
    p.play(PetSound::yawn);
    held.gate.release();
    rig.settle();
    EXPECT_EQ(p.lastPlayed()->sound, PetSound::meow);
    EXPECT_FALSE(p.isCached(PetSoundPlayer::cacheKey(PetSound::yawn, 1.0, 0)));
    rig.clock.advance(PetSoundPlayer::kQuietClose - 0.5);
    p.closeIfQuiet();
    EXPECT_TRUE(p.started());
    rig.clock.advance(0.5);
    p.closeIfQuiet();
    EXPECT_FALSE(p.started());
    EXPECT_EQ(rig.output->starts, 2);
}

TEST(PetSoundPlayer, APlayerGoneWhileASoundIsMadeDropsItsResult) {
    HeldMaker held;
    Rig rig;
    PetSoundPlayer& p = rig.make(nullptr, held.maker());
    p.play(PetSound::meow);
    p.play(PetSound::yawn);  // waits behind the meow
    held.entered.acquire();
    // The meow ends; the yawn, should its job start before the player goes, ends at once too.
    held.gate.release(2);
    rig.player.reset();  // waits for the job under way; results posted to the gone player go with it
    const int made = held.calls;
    EXPECT_GE(made, 1);
    EXPECT_LE(made, 2);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(held.calls, made) << "nothing is made once the player is gone";
}

