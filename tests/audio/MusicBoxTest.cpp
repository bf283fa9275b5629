#include <gtest/gtest.h>

#include "Listen.h"
#include "audio/MusicBox.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "settings/SettingsLogic.h"
#include "support/Scratch.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <utility>

using namespace kp;
using kp::audio::MusicBox;
using kp::audio::MusicComposer;
using kp::audio::MusicMood;
using kp::audio::Samples;
using kp::test::rms;

namespace {

// Runs the music queue's jobs at once, or holds them until let go; what they make still arrives as
// posted events.
class InlineQueue final : public MusicBox::Queue {
public:
    bool closed = false, holding = false;
    std::vector<std::function<void()>> held;
    void async(std::function<void()> job) override {
        if (closed) return;
        if (holding)
            held.push_back(std::move(job));
        else
            job();
    }
    void letGo() {
        holding = false;
        for (auto& job : std::exchange(held, {})) job();
    }
    void shutdown() override { closed = true; }
};

constexpr double kStart = 800000000.0;  // some day in 2026

struct Rig {
    explicit Rig(int channels = 1) : output(new audio::ManualOutput(channels)) {}
    ManualScheduler scheduler;
    ManualClock clock{kStart, 100};
    audio::ManualOutput* output;
    InlineQueue* queue = new InlineQueue;
    MusicBox box{scheduler, clock, std::unique_ptr<audio::AudioOutput>(output),
                 std::unique_ptr<MusicBox::Queue>(queue), std::uint64_t(77)};

    // Applies the switches and hands over what the queue made.
    void update() {
        box.update();
        QCoreApplication::sendPostedEvents();
    }
    void open() {
        box.setActive(true);
        update();
    }
    // Time passes on the clock and the timers together, one fade tick (and a hair) at a time.
    void advance(double seconds) {
        for (long i = std::lround(seconds / MusicBox::kTick); i > 0; --i) {
            clock.advance(MusicBox::kTick + 1e-9);
            scheduler.advance(MusicBox::kTick + 1e-9);
        }
        QCoreApplication::sendPostedEvents();
    }
    // Plays `frames` of output; segments that play out order their followers.
    Samples play(int frames) {
        Samples out = box.engine().renderOffline(frames);
        QCoreApplication::sendPostedEvents();
        return out;
    }
    float volume() const { return box.player()->volume(); }
    int queued() const { return box.player()->scheduledCount(); }
    int segments() const { return box.lastSegment().count; }
    // Nothing sounds, no timer runs and the engine rests.
    void expectResting() {
        EXPECT_FALSE(box.player()->isPlaying());
        EXPECT_FALSE(box.engine().isRunning());
        EXPECT_EQ(scheduler.pendingCount(), 0u);
    }
};

int samplesOf(MusicMood mood, bool rainy = false) { return MusicComposer::segmentSamples(mood, rainy); }

}  // namespace

TEST(MusicBox, RoomMusicFadesInOverTwoAndAHalfSecondsAndNeverRunsDry) {
    Rig rig;
    rig.open();
    EXPECT_EQ(rig.queued(), 2);
    EXPECT_FLOAT_EQ(rig.volume(), 0.0f);
    rig.advance(1.25);
    EXPECT_NEAR(rig.volume(), 0.25f, 0.01f);
    rig.advance(1.25);
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u) << "no fade timer once the fade is done";
    rig.update();
    EXPECT_EQ(rig.segments(), 2) << "a second update orders nothing";

    // Each segment played out orders one more, so the next is always waiting: no gap at a join.
    const int segment = samplesOf(MusicMood::day);
    EXPECT_GT(rms(rig.play(segment - 2205)), 0.005);
    const Samples join = rig.play(4410);
    EXPECT_GT(rms(join, 0, 2205), 0.001);
    EXPECT_GT(rms(join, 2205, 4410), 0.001);
    EXPECT_EQ(rig.segments(), 3);
    rig.play(segment);
    EXPECT_EQ(rig.segments(), 4);
}

// On a stereo output the music's hall sounds apart on the two sides.
TEST(MusicBox, OnAStereoOutputTheMusicsTwoSidesDiffer) {
    Rig rig(2);
    rig.open();
    rig.advance(2.5);
    const Samples both = rig.play(44100);
    ASSERT_EQ(both.size(), 2u * 44100u);
    double apart = 0, sound = 0;
    for (std::size_t i = 0; i < both.size(); i += 2) {
        apart += std::fabs(both[i] - both[i + 1]);
        sound += std::fabs(both[i]) + std::fabs(both[i + 1]);
    }
    EXPECT_GT(sound, 100.0);
    EXPECT_GT(apart, 0.05 * sound) << "left and right are the same";
}

TEST(MusicBox, ClosingTheIslandFadesOutInAFewTensOfMillisecondsUnlessAlwaysIsOn) {
    Rig rig;
    rig.open();
    rig.advance(2.5);
    const double playing = rms(rig.play(4410));
    rig.box.setActive(false);
    rig.update();
    // The music and its reverb go on for a moment, fading, then fall silent: no cut mid-note.
    const Samples closing = rig.box.engine().renderOffline(4410);
    const int fade = int(MusicBox::kCloseFade * 44100);
    EXPECT_GT(rms(closing, 0, 200), 0.5 * playing);
    for (int i = 1; i < fade; i += 147)
        EXPECT_LE(std::fabs(closing[std::size_t(i)]), (1.0 - double(i - 1) / fade) * 1.01 + 1e-6) << i;
    EXPECT_EQ(rms(closing, std::size_t(fade)), 0.0);
    rig.advance(0.1);
    rig.expectResting();
    EXPECT_EQ(rig.queued(), 0) << "the segments the stop cut order nothing more";

    Rig always;
    always.box.setAlways(true);
    always.open();
    always.advance(2.5);
    always.box.setActive(false);
    always.update();
    always.advance(0.1);
    EXPECT_FLOAT_EQ(always.volume(), 0.5f);
    EXPECT_TRUE(always.box.player()->isPlaying());
    EXPECT_GT(rms(always.play(4410)), 0.5 * playing);
}

TEST(MusicBox, SwitchingMusicOffFadesOutOverASecondThenRestsAndOnAgainStartsAFreshChain) {
    for (bool islandOpen : {true, false}) {
        Rig rig;
        rig.box.setAlways(!islandOpen);
        rig.box.setActive(islandOpen);
        rig.open();
        rig.advance(2.5);
        rig.box.setEnabled(false);
        rig.update();
        rig.advance(0.6);
        EXPECT_NEAR(rig.volume(), 0.25f, 0.02f);
        rig.advance(0.7);
        EXPECT_FLOAT_EQ(rig.volume(), 0.0f);
        rig.expectResting();
        EXPECT_EQ(rig.box.cachedNoteCount(), 0u) << "resting music holds no notes";

        // Back on; the second time off and on again before that chain's segments arrived: only
        // the newest chain's two are queued.
        rig.box.setEnabled(true);
        if (!islandOpen) {
            rig.box.update();
            rig.box.setEnabled(false);
            rig.box.update();
            rig.box.setEnabled(true);
        }
        rig.update();
        EXPECT_EQ(rig.queued(), 2);
        rig.advance(2.5);
        EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
    }
}

TEST(MusicBox, FollowsTheStoreWhoeverWritesIt) {
    Rig rig;
    test::ScratchStore store;
    rig.box.followSettings(*store);
    // "Always play" turned on with the island closed starts with a fade-in.
    store->set(QStringLiteral("musicVolume"), 0.3);
    store->set(QStringLiteral("musicAlways"), true);
    rig.advance(2.5);
    EXPECT_EQ(rig.queued(), 2);
    EXPECT_FLOAT_EQ(rig.volume(), 0.3f);
    store->set(QStringLiteral("musicVolume"), 0.9);
    rig.advance(0.2);
    EXPECT_FLOAT_EQ(rig.volume(), 0.9f);

    // Restore defaults with the island closed: only while the island is open, so it stops.
    settings::restoreDefaults(*store);
    EXPECT_FALSE(rig.box.playingRoom());
    rig.advance(1.3);
    EXPECT_FALSE(rig.box.started());

    // Music off with the island open, then Restore defaults: it plays at the default volume.
    store->set(QStringLiteral("musicOn"), false);
    rig.open();
    EXPECT_FALSE(rig.box.playingRoom());
    settings::restoreDefaults(*store);
    rig.advance(2.5);
    EXPECT_TRUE(rig.box.playingRoom());
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
}

TEST(MusicBox, TheFirstSegmentsAreInTheMoodOfTheMomentAndAChangeIsHeardFromTheNext) {
    Rig rig;
    rig.queue->holding = true;  // composed a moment after they were asked for, as on the music's thread
    rig.box.setMood(SkyLook{SkyTime::night, SkyWeather::clear}, false);
    rig.box.setActive(true);
    rig.box.update();
    rig.box.setMood(SkyLook{SkyTime::morning, SkyWeather::storm}, false);
    rig.queue->letGo();
    rig.advance(0);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::night);
    EXPECT_EQ(rig.box.lastSegment().samples, std::size_t(samplesOf(MusicMood::night)));
    EXPECT_EQ(rig.segments(), 2) << "nothing is composed before a segment plays out";

    rig.play(samplesOf(MusicMood::night) + 10);
    EXPECT_EQ(rig.segments(), 3);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::morning);
    EXPECT_EQ(rig.box.lastSegment().samples, std::size_t(samplesOf(MusicMood::morning, true)));

    // After the cat's death the music says farewell, whatever the sky.
    rig.box.setMood(SkyLook{SkyTime::day, SkyWeather::clear}, true);
    rig.play(samplesOf(MusicMood::night) + 10);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::farewell);
    EXPECT_FALSE(rig.box.lastSegment().rainy);
}

TEST(MusicBox, TheStoryTakesThePlayerFromRoomMusicAndGivesItBack) {
    Rig rig;
    rig.open();
    rig.advance(2.5);

    // The film has been on screen for ten seconds: its score joins it there, at once and louder.
    rig.box.playStory(kStart + 2.5 - 10.0);
    EXPECT_FALSE(rig.box.isFading()) << "room music stops without a fade";
    rig.advance(0);
    ASSERT_EQ(rig.queued(), 1) << "only the story; the old chain is gone";
    EXPECT_NEAR(double(rig.box.player()->lastScheduled()->size()), MusicComposer::kStorySamples - 10 * 44100, 1.0);
    EXPECT_FLOAT_EQ(rig.volume(), 0.6f);
    EXPECT_GT(rms(rig.play(44100)), 0.001);

    // While the story plays room music stays off, and a volume change follows the story's level.
    rig.update();
    EXPECT_FALSE(rig.box.playingRoom());
    rig.box.setVolume(0.9);
    rig.advance(0.2);
    EXPECT_FLOAT_EQ(rig.volume(), 1.0f);

    // The film ends: it fades the player out, then room music comes back with its fade-in, even
    // when the volume moves during the closing fade.
    rig.box.fade(0.0f, 1.4, [&] { rig.box.endStory(); });
    rig.advance(0.5);
    rig.box.setVolume(0.8);
    rig.box.setVolume(0.9);
    for (float last = rig.volume(); rig.box.inStory() && rig.box.isFading(); last = rig.volume()) {
        rig.advance(MusicBox::kTick);
        ASSERT_LE(rig.volume(), last) << "the closing fade rose";
    }
    EXPECT_FALSE(rig.box.inStory());
    EXPECT_EQ(rig.queued(), 2);
    EXPECT_EQ(rig.box.player()->lastScheduled()->size(), std::size_t(samplesOf(MusicMood::day)));
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.9f);

    // Without room music the story plays from the top, and the engine rests after it; a film that
    // ends before its score was ready plays nothing.
    for (bool late : {false, true}) {
        Rig alone;
        alone.box.playStory(kStart);
        if (late) alone.box.endStory();
        alone.advance(0);
        EXPECT_EQ(alone.queued(), late ? 0 : 1);
        if (!late) {
            EXPECT_EQ(alone.box.player()->lastScheduled()->size(), std::size_t(MusicComposer::kStorySamples));
        }
        alone.box.endStory();
        alone.advance(0.1);
        alone.expectResting();
    }
}

namespace {
// A live output pulled by the test itself, as fast as it likes.
class PulledOutput final : public audio::AudioOutput {
public:
    Source* source = nullptr;
    bool start(Source& s) override { return (source = &s); }
    void stop() override { source = nullptr; }
    bool isLive() const override { return true; }
};
}  // namespace

// Completions come on the engine's notifier thread, segments are composed on the music's own queue
// and scheduled on the main thread: the chain runs on (a minute at most for four segments).
TEST(MusicBox, WithALiveOutputTheChainRunsOnAcrossThreads) {
    ManualScheduler scheduler;
    ManualClock clock{kStart, 0};
    auto* output = new PulledOutput;
    MusicBox box(scheduler, clock, std::unique_ptr<audio::AudioOutput>(output), nullptr, std::uint64_t(9));
    box.setAlways(true);
    box.update();
    std::vector<float> block(audio::kMaxFrames);
    for (QElapsedTimer t; !t.isValid() || (box.lastSegment().count < 4 && t.elapsed() < 60000);) {
        if (!t.isValid()) t.start();
        output->source->renderOutput(block.data(), audio::kMaxFrames);
        QCoreApplication::processEvents();
    }
    EXPECT_GE(box.lastSegment().count, 4);
    box.setAlways(false);
    box.update();
    scheduler.advance(0.1);
    EXPECT_FALSE(box.engine().isRunning());
}
