#include <gtest/gtest.h>

#include "audio/MusicBox.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "settings/SettingsLogic.h"
#include "support/Scratch.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>
#include <atomic>
#include <deque>
#include <thread>

using namespace kp;
using kp::audio::ManualOutput;
using kp::audio::MusicBox;
using kp::audio::MusicComposer;
using kp::audio::MusicMood;
using kp::audio::Samples;

namespace {

// Holds the music queue's jobs until the test runs them, on the test's own thread.
class HeldQueue final : public MusicBox::Queue {
public:
    std::deque<std::function<void()>> jobs;
    bool closed = false;
    void async(std::function<void()> job) override {
        if (!closed) jobs.push_back(std::move(job));
    }
    void shutdown() override {
        closed = true;
        jobs.clear();
    }
};

// A device that pulls as fast as it can on a thread of its own.
class RushingOutput final : public audio::AudioOutput {
public:
    ~RushingOutput() override { stop(); }
    bool start(Source& source) override {
        stop();
        running_ = true;
        thread_ = std::thread([this, &source] {
            std::vector<float> block(512);
            while (running_.load()) {
                source.renderOutput(block.data(), 512);
                pulled += 512;
            }
        });
        return true;
    }
    void stop() override {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    bool isLive() const override { return true; }
    std::atomic<long long> pulled{0};

private:
    std::atomic<bool> running_{false};
    std::thread thread_;
};

constexpr double kStart = 800000000.0;  // some day in 2026

struct Rig {
    ManualScheduler scheduler;
    ManualClock clock{kStart, 100};
    ManualOutput* output = new ManualOutput;
    HeldQueue* queue = new HeldQueue;
    MusicBox box{scheduler, clock, std::unique_ptr<audio::AudioOutput>(output),
                 std::unique_ptr<MusicBox::Queue>(queue), std::uint64_t(77)};

    // Runs the queue's jobs and hands their results over, until nothing is left.
    void drain() {
        for (;;) {
            while (!queue->jobs.empty()) {
                auto job = std::move(queue->jobs.front());
                queue->jobs.pop_front();
                job();
            }
            QCoreApplication::sendPostedEvents();
            if (queue->jobs.empty()) return;
        }
    }
    // Time passes on the clock and the timers together, one fade tick at a time.
    void advance(double seconds) {
        const int ticks = int(std::lround(seconds / MusicBox::kTick));
        // A hair over a tick each time, so sums of thirtieths never fall just short.
        const double step = MusicBox::kTick + 1e-9;
        for (int i = 0; i < ticks; ++i) {
            clock.advance(step);
            scheduler.advance(step);
        }
    }
    float volume() const { return box.player()->volume(); }
    void open() {
        box.setActive(true);
        box.update();
        drain();
    }
    // Plays `frames` of output; segments that play out order their followers.
    Samples play(int frames) {
        Samples out = box.engine().renderOffline(frames);
        drain();
        return out;
    }
};

double rms(const Samples& s) {
    double sum = 0;
    for (float x : s) sum += double(x) * x;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

std::size_t samplesOf(MusicMood mood, bool rainy = false) {
    return std::size_t(MusicComposer::segmentSamples(mood, rainy));
}

}  // namespace

TEST(MusicBox, OpeningTheIslandQueuesTwoSegmentsAndFadesInOverTwoAndAHalfSeconds) {
    Rig rig;
    rig.box.setActive(true);
    rig.box.update();
    EXPECT_TRUE(rig.box.playingRoom());
    EXPECT_TRUE(rig.box.engine().isRunning());
    EXPECT_EQ(rig.queue->jobs.size(), 2u);
    rig.drain();
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::day);
    EXPECT_EQ(rig.box.lastSegment().samples, samplesOf(MusicMood::day));
    EXPECT_TRUE(rig.box.player()->isPlaying());

    EXPECT_FLOAT_EQ(rig.volume(), 0.0f);
    rig.advance(1.25);
    EXPECT_NEAR(rig.volume(), 0.25f, 0.01f);
    rig.advance(1.25);
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
    EXPECT_FALSE(rig.box.isFading());
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u);

    // What comes out is music.
    EXPECT_GT(rms(rig.play(44100 * 2)), 0.005);

    // A second update changes nothing.
    rig.box.update();
    EXPECT_TRUE(rig.queue->jobs.empty());
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
}

TEST(MusicBox, EachSegmentPlayedOutOrdersOneMoreSoTwoAreAlwaysQueued) {
    Rig rig;
    rig.open();
    rig.advance(2.5);
    const int segment = int(samplesOf(MusicMood::day));
    rig.play(segment + 100);
    EXPECT_EQ(rig.box.lastSegment().count, 3);
    rig.play(segment);
    EXPECT_EQ(rig.box.lastSegment().count, 4);
    // No gap at the join: the second segment was already waiting.
    const Samples around = rig.play(4410);
    EXPECT_GT(rms(around), 0.001);
}

TEST(MusicBox, ClosingTheIslandFadesOutInAFewTensOfMillisecondsUnlessAlwaysIsOn) {
    Rig rig;
    rig.open();
    rig.advance(2.5);
    const double playing = rms(rig.play(4410));
    rig.box.setActive(false);
    rig.box.update();
    EXPECT_FALSE(rig.box.playingRoom());
    // The music and its reverb go on for a moment, fading, then fall silent: no cut mid-note.
    const Samples closing = rig.box.engine().renderOffline(4410);
    const int fade = int(MusicBox::kCloseFade * 44100);
    EXPECT_GT(rms(Samples(closing.begin(), closing.begin() + 200)), 0.5 * playing);
    for (int i = 1; i < fade; i += 147)
        EXPECT_LE(std::fabs(closing[std::size_t(i)]), (1.0 - double(i - 1) / fade) * 1.01 + 1e-6) << i;
    EXPECT_EQ(rms(Samples(closing.begin() + fade, closing.end())), 0.0);
    rig.advance(0.1);
    EXPECT_FALSE(rig.box.player()->isPlaying());
    EXPECT_FALSE(rig.box.engine().isRunning()) << "an idle music box pauses its engine";
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
    // The segments the stop cut order nothing more.
    rig.drain();
    EXPECT_EQ(rig.box.player()->scheduledCount(), 0);

    Rig always;
    always.box.setAlways(true);
    always.open();
    always.advance(2.5);
    always.box.setActive(false);
    always.box.update();
    EXPECT_TRUE(always.box.playingRoom());
    EXPECT_FLOAT_EQ(always.volume(), 0.5f);
    EXPECT_TRUE(always.box.player()->isPlaying());
}

TEST(MusicBox, SwitchingMusicOffFadesOutOverASecondAndAHalfThenRests) {
    for (bool islandOpen : {true, false}) {
        Rig rig;
        rig.box.setAlways(!islandOpen);
        rig.open();
        rig.box.setActive(islandOpen);
        rig.advance(2.5);
        rig.box.setEnabled(false);
        rig.box.update();
        EXPECT_FALSE(rig.box.playingRoom());
        rig.advance(0.6);
        EXPECT_NEAR(rig.volume(), 0.25f, 0.02f);
        EXPECT_TRUE(rig.box.player()->isPlaying());
        rig.advance(0.7);
        EXPECT_FLOAT_EQ(rig.volume(), 0.0f);
        EXPECT_FALSE(rig.box.player()->isPlaying());
        EXPECT_FALSE(rig.box.engine().isRunning());
        EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
        EXPECT_GT(rig.box.cachedNoteCount(), 0u);
        rig.drain();
        EXPECT_EQ(rig.box.cachedNoteCount(), 0u);  // resting music holds no notes

        // On again: a fresh chain with a fresh fade-in.
        rig.box.setEnabled(true);
        rig.box.update();
        rig.drain();
        EXPECT_TRUE(rig.box.playingRoom());
        EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
        rig.advance(2.5);
        EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
    }
}

TEST(MusicBox, ReopeningDuringTheFadeOutStartsAFreshChainAndOldSegmentsAreDropped) {
    Rig rig;
    rig.open();
    rig.box.setEnabled(false);
    rig.box.update();
    // Two segments of the old chain are composed only now, after the stop.
    rig.box.setEnabled(true);
    rig.box.update();
    rig.drain();
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2) << "only the new chain's two segments";
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
    EXPECT_TRUE(rig.box.player()->isPlaying());
}

TEST(MusicBox, FollowsTheStoreWhoeverWritesIt) {
    Rig rig;
    test::ScratchStore store;
    rig.box.followSettings(*store);
    // "Always play" turned on with the island closed starts with a fade-in.
    store->set(QStringLiteral("musicVolume"), 0.3);
    store->set(QStringLiteral("musicAlways"), true);
    rig.drain();
    EXPECT_TRUE(rig.box.playingRoom());
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.3f);

    // Restore defaults with the island closed: only while the island is open, so it stops.
    settings::restoreDefaults(*store);
    EXPECT_FALSE(rig.box.playingRoom());
    rig.advance(1.0);
    EXPECT_FALSE(rig.box.started());

    // Music off with the island open, then Restore defaults: it plays at the default volume.
    store->set(QStringLiteral("musicOn"), false);
    rig.box.setActive(true);
    rig.box.update();
    EXPECT_FALSE(rig.box.playingRoom());
    settings::restoreDefaults(*store);
    rig.drain();
    EXPECT_TRUE(rig.box.playingRoom());
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
}

TEST(MusicBox, VolumeChangesFadeBrieflyToTheNewLevel) {
    Rig rig;
    rig.open();
    rig.advance(2.5);
    rig.box.setVolume(0.9);
    rig.advance(0.1);
    EXPECT_GT(rig.volume(), 0.5f);
    EXPECT_LT(rig.volume(), 0.9f);
    rig.advance(0.1);
    EXPECT_FLOAT_EQ(rig.volume(), 0.9f);
    EXPECT_FALSE(rig.box.isFading());

    // Out of range is held to 0...1; the same value again does nothing.
    rig.box.setVolume(4.0);
    EXPECT_FLOAT_EQ(rig.box.volume(), 1.0f);
    rig.advance(0.2);
    rig.box.setVolume(1.0);
    EXPECT_FALSE(rig.box.isFading());

    // Nothing playing: only stored.
    Rig idle;
    idle.box.setVolume(0.2);
    EXPECT_FLOAT_EQ(idle.box.volume(), 0.2f);
    EXPECT_FALSE(idle.box.isFading());
    EXPECT_EQ(idle.scheduler.pendingCount(), 0u);
}

TEST(MusicBox, AMoodChangeIsHeardFromTheNextComposedSegment) {
    Rig rig;
    // The first segments are in the mood of the moment music was asked for.
    rig.box.setMood(SkyLook{SkyTime::morning, SkyWeather::clear}, false);
    rig.box.setActive(true);
    rig.box.update();
    rig.box.setMood(SkyLook{SkyTime::day, SkyWeather::clear}, false);
    rig.drain();
    rig.advance(2.5);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::morning);

    rig.box.setMood(SkyLook{SkyTime::night, SkyWeather::storm}, false);
    rig.drain();
    EXPECT_EQ(rig.box.lastSegment().count, 2) << "nothing is composed before a segment plays out";
    rig.play(int(samplesOf(MusicMood::morning)) + 10);
    EXPECT_EQ(rig.box.lastSegment().count, 3);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::night);
    EXPECT_TRUE(rig.box.lastSegment().rainy);
    EXPECT_EQ(rig.box.lastSegment().samples, samplesOf(MusicMood::night, true));

    // After the cat's death the music says farewell, whatever the sky.
    rig.box.setMood(SkyLook{SkyTime::day, SkyWeather::clear}, true);
    rig.play(int(samplesOf(MusicMood::morning)) + 10);
    EXPECT_EQ(rig.box.lastSegment().mood, MusicMood::farewell);
    EXPECT_FALSE(rig.box.lastSegment().rainy);
    EXPECT_EQ(rig.box.lastSegment().samples, samplesOf(MusicMood::farewell));
}

TEST(MusicBox, TheStoryTakesThePlayerFromRoomMusicAndGivesItBack) {
    Rig rig;
    rig.open();
    rig.advance(2.5);

    // The film has been on screen for ten seconds.
    rig.box.playStory(kStart + 2.5 - 10.0);
    EXPECT_TRUE(rig.box.inStory());
    EXPECT_FALSE(rig.box.playingRoom());
    EXPECT_FALSE(rig.box.isFading()) << "room music stops without a fade";
    EXPECT_EQ(rig.box.player()->scheduledCount(), 0);
    rig.drain();
    ASSERT_EQ(rig.box.player()->scheduledCount(), 1) << "only the story; the old chain is gone";
    const double story = double(rig.box.player()->lastScheduled()->size());
    EXPECT_NEAR(story, MusicComposer::kStorySamples - 10 * 44100, 1.0);
    EXPECT_FLOAT_EQ(rig.volume(), 0.6f);  // 1.2 x the music volume, at once
    EXPECT_GT(rms(rig.play(44100)), 0.001);

    // While the story plays the play rule keeps room music off.
    rig.box.update();
    EXPECT_FALSE(rig.box.playingRoom());
    // A volume change follows the story's level.
    rig.box.setVolume(0.9);
    rig.advance(0.2);
    EXPECT_FLOAT_EQ(rig.volume(), 1.0f);

    // The film ends: it fades the player out, then room music comes back with its fade-in, even
    // when the volume moves during the closing fade.
    rig.box.fade(0.0f, 1.4, [&] { rig.box.endStory(); });
    rig.advance(0.5);
    rig.box.setVolume(0.8);
    rig.box.setVolume(0.9);
    rig.advance(0.9);
    EXPECT_FALSE(rig.box.inStory());
    EXPECT_TRUE(rig.box.playingRoom());
    rig.drain();
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
    EXPECT_EQ(rig.box.player()->lastScheduled()->size(), samplesOf(MusicMood::day));
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.9f);
}

TEST(MusicBox, TheStoryPlaysFromTheTopAndRestsTheEngineAfterwardsWhenNoRoomMusicIsWanted) {
    Rig rig;
    rig.box.playStory(kStart);
    rig.drain();
    ASSERT_EQ(rig.box.player()->scheduledCount(), 1);
    EXPECT_EQ(rig.box.player()->lastScheduled()->size(), std::size_t(MusicComposer::kStorySamples));
    rig.box.endStory();
    EXPECT_FALSE(rig.box.inStory());
    EXPECT_FALSE(rig.box.playingRoom());
    rig.advance(0.1);
    EXPECT_FALSE(rig.box.engine().isRunning());
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
}

TEST(MusicBox, AStoryWithMusicOffOrAlreadyOverPlaysNothing) {
    Rig off;
    off.box.setEnabled(false);
    off.box.playStory(kStart);
    off.drain();
    EXPECT_TRUE(off.box.inStory());
    EXPECT_EQ(off.output->starts, 0);
    EXPECT_EQ(off.box.player()->scheduledCount(), 0);
    off.box.endStory();
    EXPECT_FALSE(off.box.inStory());

    Rig over;
    over.box.playStory(kStart - 30.0);
    over.drain();
    EXPECT_TRUE(over.box.inStory());
    EXPECT_EQ(over.box.player()->scheduledCount(), 0);

    // The film ends before its score was ready: the late score is not played.
    Rig late;
    late.box.playStory(kStart);
    late.box.endStory();
    late.drain();
    late.advance(0.1);
    EXPECT_EQ(late.box.player()->scheduledCount(), 0);
    EXPECT_FALSE(late.box.engine().isRunning());
}

TEST(MusicBox, AnEngineThatCannotStartLeavesEverythingToTheNextTry) {
    Rig rig;
    rig.output->startFails = true;
    rig.open();
    EXPECT_FALSE(rig.box.playingRoom());
    EXPECT_EQ(rig.box.player()->scheduledCount(), 0);
    EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
    rig.output->startFails = false;
    rig.box.update();
    rig.drain();
    EXPECT_TRUE(rig.box.playingRoom());
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
}

TEST(MusicBox, AnOutputChangeRestartsTheChainWithAFreshFadeIn) {
    Rig rig;
    rig.open();
    rig.advance(2.5);
    rig.box.engineChanged();
    EXPECT_TRUE(rig.box.playingRoom());
    EXPECT_FLOAT_EQ(rig.volume(), 0.0f);
    rig.drain();
    EXPECT_EQ(rig.box.player()->scheduledCount(), 2);
    EXPECT_EQ(rig.box.lastSegment().count, 4);
    rig.advance(2.5);
    EXPECT_FLOAT_EQ(rig.volume(), 0.5f);
}

TEST(MusicBox, WithALiveOutputTheChainRunsOnAcrossThreadsAndStopsCleanly) {
    ManualScheduler scheduler;
    ManualClock clock{kStart, 0};
    auto* output = new RushingOutput;
    auto box = std::make_unique<MusicBox>(scheduler, clock, std::unique_ptr<audio::AudioOutput>(output), nullptr,
                                          std::uint64_t(9));
    box->setAlways(true);
    box->update();
    // Completions come on the engine's thread, segments are composed on the music queue and
    // scheduled here: wait (bounded) until several have played out.
    for (int i = 0; i < 12000 && box->lastSegment().count < 4; ++i) {
        QThread::msleep(5);
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_GE(box->lastSegment().count, 4);
    box->setAlways(false);
    box->update();
    EXPECT_FALSE(box->playingRoom());
    scheduler.advance(0.1);
    EXPECT_FALSE(box->engine().isRunning());
    const int count = box->lastSegment().count;
    for (int i = 0; i < 20; ++i) {
        QThread::msleep(5);
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(box->lastSegment().count, count) << "a stopped chain orders nothing more";
    box.reset();
}
