#pragma once
// The music box: endless composed room music while the island is open (or always, if the user
// wants it), and the fixed score under the story film. It owns its own graph (player, up-mix,
// reverb). Two composed segments are kept queued on the player, so the music never runs dry; each
// one played out orders the next. Volume moves by fades on a 1/30 s tick. Composition and
// rendering run on a serial queue of their own; everything else runs on the main thread.
//
// When nothing plays the engine is paused and no timer runs, so an idle music box costs nothing.
#include "audio/AudioGraph.h"
#include "audio/MusicComposer.h"
#include "core/IslandServices.h"
#include "platform/Scheduler.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kp {
class Clock;
class Defaults;
}  // namespace kp

namespace kp::audio {

class MusicBox final : public QObject, public IslandMusic {
    Q_OBJECT
public:
    static constexpr double kTick = 1.0 / 30.0;
    static constexpr double kFadeIn = 2.5;
    static constexpr double kFadeOut = 1.2;
    static constexpr double kVolumeFade = 0.15;
    static constexpr float kStoryGain = 1.2f;
    // Whatever still sounds when the music stops fades out over this.
    static constexpr double kCloseFade = 0.04;

    // Runs jobs one after the other, away from the main thread.
    class Queue {
    public:
        virtual ~Queue() = default;
        virtual void async(std::function<void()> job) = 0;
        // Drops what is still waiting and ignores later jobs; returns once none is running.
        virtual void shutdown() = 0;
    };
    // One worker thread, started on the first job.
    static std::unique_ptr<Queue> makeSerialQueue();

    // Without a seed the composer is seeded from the system's random device.
    MusicBox(Scheduler& scheduler, Clock& clock, std::unique_ptr<AudioOutput> output = nullptr,
             std::unique_ptr<Queue> queue = nullptr, std::optional<std::uint64_t> seed = std::nullopt,
             QObject* parent = nullptr);
    ~MusicBox() override;

    static MusicBox& shared();
    // For good, as the app ends: the queue's job in hand is waited for and the rest dropped, the
    // output is closed, and nothing plays again.
    void close();

    // What the island (and the settings window, the menu) set; update() applies it.
    bool active() const { return active_; }
    bool enabled() const { return enabled_; }
    bool always() const { return always_; }
    float volume() const { return volume_; }
    void setActive(bool active) override { active_ = active; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    void setAlways(bool always) override { always_ = always; }
    // Stores the volume (clamped to 0...1) and moves what plays to it over 0.15 s; during a fade
    // that ends the story it only stores it.
    void setVolume(double volume) override;
    // Mood of the segments composed from now on: the time of day, rain, or farewell.
    void setMood(const SkyLook& look, bool isDead) override;
    // Starts or stops room music as the switches ask.
    void update() override;
    // The switches as the user left them: "musicOn", "musicAlways", "musicVolume".
    void readSettings(const Defaults& store);
    // From now on every change to those keys takes effect at once, whoever writes them.
    void followSettings(const Defaults& store);

    // Moves the player volume to `target` over `seconds`; `then` runs on the main thread at the end.
    void fade(float target, double seconds, std::function<void()> then = {});

    // The story film came on screen at `startDate` (seconds since 2001, as the clock gives).
    void playStory(double startDate);
    void endStory();

    // Read-outs.
    bool playingRoom() const { return playingRoom_; }
    bool inStory() const { return inStory_; }
    bool isFading() const { return fadeTimer_ != 0; }
    bool started() const { return started_; }
    AudioEngine& engine() { return *engine_; }
    PlayerNode* player() const { return player_; }
    ReverbNode* reverb() const { return reverb_; }
    // The last segment handed to the player: what it was composed for.
    struct SegmentInfo {
        MusicMood mood = MusicMood::day;
        bool rainy = false;
        std::size_t samples = 0;
        int count = 0;  // segments scheduled since construction
    };
    const SegmentInfo& lastSegment() const { return lastSegment_; }

signals:
    void changed();

private:
    bool startEngine();
    void pauseEngineIfIdle();
    void rest();
    void startRoomMusic();
    void stopRoomMusic(double fadeSeconds);
    void stopIfIdle();
    void fadeTick();
    void cancelFade();
    // Queue side.
    void scheduleSegment(std::uint64_t generation, int moodCode, bool retry = false);
    void renderStory(double startDate, std::uint64_t token);
    // Main side: a composed segment or the story arrives.
    void enqueue(std::uint64_t generation, SampleBuffer buffer, MusicMood mood, bool rainy);
    void startStoryBuffer(std::uint64_t token, SampleBuffer buffer);

    Scheduler& scheduler_;
    Clock& clock_;

    bool active_ = false;
    bool enabled_ = true;
    bool always_ = false;
    float volume_ = 0.5f;

    std::unique_ptr<AudioEngine> engine_;
    PlayerNode* player_ = nullptr;
    MixerNode* upmix_ = nullptr;
    ReverbNode* reverb_ = nullptr;

    // Queue side only.
    MusicComposer composer_;

public:
    // Notes the composer holds (queue side; for tests with a held queue).
    std::size_t cachedNoteCount() const { return composer_.cache.size(); }

private:
    // The mood of the next segment asked for (mood x 2 + rainy): set on the main thread, read
    // when a segment is ordered, so a mood change wakes nothing.
    std::atomic<int> moodCode_{int(MusicMood::day) * 2};

    // Written on the main thread; read on the queue to skip work for a chain already stopped.
    std::atomic<std::uint64_t> generation_{0};
    std::uint64_t storyToken_ = 0;

    bool started_ = false;
    bool playingRoom_ = false;
    bool inStory_ = false;
    bool storyOnPlayer_ = false;  // the story asked for the player (music was on)

    WorkId fadeTimer_ = 0;
    WorkId restTimer_ = 0;  // the last of the sound is fading out, then the engine rests
    float fadeFrom_ = 0;
    float fadeTo_ = 0;
    double fadeStart_ = 0;
    double fadeSeconds_ = 0;
    std::function<void()> fadeThen_;

    SegmentInfo lastSegment_;

    // Shut down before the engine goes, so no job or completion outlives what it touches.
    std::unique_ptr<Queue> queue_;
};

}  // namespace kp::audio
