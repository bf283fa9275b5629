#include "audio/MusicBox.h"
#include "audio/JobThread.h"

#include <malloc.h>

#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <random>

namespace kp::audio {
namespace {

class WorkerQueue final : public MusicBox::Queue {
public:
    void async(std::function<void()> job) override { jobs_.post(std::move(job)); }
    void shutdown() override { jobs_.stop(); }

private:
    JobThread jobs_;
};

std::uint64_t deviceSeed() {
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ std::uint64_t(device());
}

}  // namespace

std::unique_ptr<MusicBox::Queue> MusicBox::makeSerialQueue() { return std::make_unique<WorkerQueue>(); }

MusicBox::MusicBox(Scheduler& scheduler, Clock& clock, std::unique_ptr<AudioOutput> output,
                   std::unique_ptr<Queue> queue, std::optional<std::uint64_t> seed, QObject* parent)
    : QObject(parent),
      scheduler_(scheduler),
      clock_(clock),
      engine_(std::make_unique<AudioEngine>(std::move(output))),
      queue_(queue ? std::move(queue) : makeSerialQueue()) {
    composer_.rng.state = seed ? *seed : deviceSeed();
    player_ = engine_->makePlayer();
    player_->setVolume(0.0f);
    upmix_ = engine_->makeMixer();
    reverb_ = engine_->makeReverb();
    // A medium hall, a third wet.
    reverb_->setRoomSize(0.8f);
    reverb_->setWetDryMix(32.0f);
    engine_->connect(player_, upmix_);
    engine_->connect(upmix_, reverb_);
    engine_->connect(reverb_, engine_->mainMixer());
}

MusicBox::~MusicBox() {
    // No job may run on, and completions the engine still fires must find the queue closed.
    queue_->shutdown();
    if (fadeTimer_) scheduler_.cancel(fadeTimer_);
    if (restTimer_) scheduler_.cancel(restTimer_);
    engine_.reset();
}

MusicBox& MusicBox::shared() {
    // In stereo, so the hall's two channels reach the ears apart.
    static MusicBox* box = [] {
        auto* made = new MusicBox(QtScheduler::shared(), SystemClock::shared(), makeBackdropOutput(2));
        closeWithSharedSound([made] { made->close(); });
        return made;
    }();
    return *box;
}

void MusicBox::close() {
    queue_->shutdown();
    cancelFade();
    if (restTimer_) scheduler_.cancel(restTimer_);
    restTimer_ = 0;
    engine_->close();
    started_ = playingRoom_ = storyOnPlayer_ = false;
}

// ---------------------------------------------------------------------------------------------
// Switches

void MusicBox::readSettings(const Defaults& store) {
    setEnabled(prefs::musicOn(store));
    setAlways(store.boolValue(QStringLiteral("musicAlways")));
    setVolume(prefs::musicVolume(store));
    update();
}

void MusicBox::followSettings(const Defaults& store) {
    connect(&store, &Defaults::changed, this, [this, &store](const QString& key) {
        if (key == QLatin1String("musicOn") || key == QLatin1String("musicAlways") ||
            key == QLatin1String("musicVolume"))
            readSettings(store);
    });
}

void MusicBox::setVolume(double volume) {
    if (!std::isfinite(volume)) return;
    const float v = float(std::clamp(volume, 0.0, 1.0));
    if (v == volume_) return;
    volume_ = v;
    if (playingRoom_)
        fade(volume_, kVolumeFade);
    else if (inStory_ && storyOnPlayer_ && !fadeThen_)  // a fade that ends the story runs to its end
        fade(std::min(volume_ * kStoryGain, 1.0f), kVolumeFade);
}

void MusicBox::setMood(const SkyLook& look, bool isDead) {
    const MusicMood mood = isDead ? MusicMood::farewell : moodFor(look.time);
    moodCode_.store(int(mood) * 2 + (isRainy(look.weather) ? 1 : 0), std::memory_order_relaxed);
}

void MusicBox::update() {
    const bool wanted = active_ || always_;
    if (wanted && enabled_ && !inStory_) {
        if (!playingRoom_) startRoomMusic();
        return;
    }
    if (!playingRoom_) return;
    if (wanted || !enabled_) {
        stopRoomMusic(kFadeOut);  // switched off, or the story takes over
        return;
    }
    // The island closed: stop at once (over the closing fade).
    playingRoom_ = false;
    ++generation_;
    stopIfIdle();
    emit changed();
}

// ---------------------------------------------------------------------------------------------
// Engine

bool MusicBox::startEngine() {
    if (restTimer_) {
        scheduler_.cancel(restTimer_);
        restTimer_ = 0;
        engine_->mainMixer()->setVolume(1.0f, kCloseFade);
    }
    if (started_ && engine_->isRunning()) return true;
    if (!engine_->start()) return false;
    started_ = true;
    return true;
}

void MusicBox::pauseEngineIfIdle() {
    if (playingRoom_ || storyOnPlayer_) return;
    cancelFade();
    if (!started_) {
        player_->stop();
        return;
    }
    if (restTimer_) return;
    // Out over a few tens of milliseconds after the reverb, so nothing stops mid-note; the engine
    // rests once the device has played that out.
    engine_->mainMixer()->setVolume(0.0f, kCloseFade);
    restTimer_ = scheduler_.after(kCloseFade + engine_->output().latency() + kTick, [this] {
        restTimer_ = 0;
        rest();
    });
}

void MusicBox::rest() {
    if (playingRoom_ || storyOnPlayer_) return;
    player_->stop();
    engine_->pause();
    engine_->mainMixer()->setVolume(1.0f);
    started_ = false;
    // The notes are only a cache: give their memory back while the music rests.
    queue_->async([this] {
        composer_.forgetNotes();
        ::malloc_trim(0);
    });
}

// ---------------------------------------------------------------------------------------------
// Room music

void MusicBox::startRoomMusic() {
    if (!startEngine()) return;
    playingRoom_ = true;
    player_->stop();
    player_->setVolume(0.0f);
    player_->play();
    // Two segments queued at all times: one plays while the next waits.
    const std::uint64_t generation = ++generation_;
    const int code = moodCode_.load(std::memory_order_relaxed);
    queue_->async([this, generation, code] { scheduleSegment(generation, code); });
    queue_->async([this, generation, code] { scheduleSegment(generation, code); });
    fade(volume_, kFadeIn);
    emit changed();
}

void MusicBox::stopRoomMusic(double fadeSeconds) {
    playingRoom_ = false;
    ++generation_;  // completions still on their way drop their segment
    fade(0.0f, fadeSeconds, [this] { stopIfIdle(); });
    emit changed();
}

void MusicBox::stopIfIdle() {
    if (playingRoom_ || storyOnPlayer_) return;
    pauseEngineIfIdle();
}

void MusicBox::scheduleSegment(std::uint64_t generation, int code, bool retry) {
    if (generation != generation_.load()) return;
    const auto mood = MusicMood(code / 2);
    const bool rainy = code % 2 != 0;
    SampleBuffer buffer;
    try {
        buffer = makeBuffer(composer_.nextSegment(mood, rainy));
    } catch (const std::bad_alloc&) {
        // Skip this one and try the next once; the other queued segment keeps the music going.
        if (!retry) scheduleSegment(generation, code, true);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, generation, buffer = std::move(buffer), mood, rainy] { enqueue(generation, buffer, mood, rainy); },
        Qt::QueuedConnection);
}

void MusicBox::enqueue(std::uint64_t generation, SampleBuffer buffer, MusicMood mood, bool rainy) {
    if (generation != generation_.load() || !playingRoom_) return;
    lastSegment_.mood = mood;
    lastSegment_.rainy = rainy;
    lastSegment_.samples = buffer->size();
    ++lastSegment_.count;
    // Each segment played out orders one more (the completion comes on the engine's thread).
    player_->scheduleBuffer(std::move(buffer), false, [this, generation] {
        const int code = moodCode_.load(std::memory_order_relaxed);
        queue_->async([this, generation, code] { scheduleSegment(generation, code); });
    });
}

// ---------------------------------------------------------------------------------------------
// Fades

void MusicBox::fade(float target, double seconds, std::function<void()> then) {
    // A fade that replaces a running one carries its completion: the film's closing fade must
    // still end the story when the volume moves meanwhile.
    if (fadeThen_) {
        then = then ? [first = std::move(fadeThen_), second = std::move(then)] {
            first();
            second();
        } : std::move(fadeThen_);
    }
    cancelFade();
    if (seconds > 0) {
        fadeFrom_ = player_->volume();
        fadeTo_ = target;
        fadeStart_ = clock_.monotonic();
        fadeSeconds_ = seconds;
        fadeThen_ = std::move(then);
        fadeTimer_ = scheduler_.every(kTick, [this] { fadeTick(); });
        return;
    }
    player_->setVolume(target);
    if (then) then();
}

void MusicBox::fadeTick() {
    const double k = std::clamp((clock_.monotonic() - fadeStart_) / fadeSeconds_, 0.0, 1.0);
    player_->setVolume(fadeFrom_ + (fadeTo_ - fadeFrom_) * float(k));
    if (k < 1.0) return;
    std::function<void()> then = std::move(fadeThen_);
    cancelFade();
    if (then) then();
}

void MusicBox::cancelFade() {
    if (fadeTimer_) scheduler_.cancel(fadeTimer_);
    fadeTimer_ = 0;
    fadeThen_ = {};
}

// ---------------------------------------------------------------------------------------------
// Story

void MusicBox::playStory(double startDate) {
    inStory_ = true;
    if (playingRoom_) {
        playingRoom_ = false;
        ++generation_;
    }
    if (enabled_ && startEngine()) {
        cancelFade();
        player_->stop();
        storyOnPlayer_ = true;
        const std::uint64_t token = ++storyToken_;
        queue_->async([this, startDate, token] { renderStory(startDate, token); });
    }
    emit changed();
}

void MusicBox::renderStory(double startDate, std::uint64_t token) {
    SampleBuffer buffer;
    try {
        Samples samples = composer_.storyScore();
        // Join the film where it is now; a film that started in the future starts from the top.
        const double elapsed = std::clamp(clock_.now() - startDate, 0.0, 1.0e6);
        const auto offset = std::size_t(elapsed * kSampleRate);
        if (offset + 1 >= samples.size()) return;  // the film is already over
        if (offset > 0) samples.erase(samples.begin(), samples.begin() + std::ptrdiff_t(offset));
        buffer = makeBuffer(std::move(samples));
    } catch (const std::bad_alloc&) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, token, buffer = std::move(buffer)] { startStoryBuffer(token, buffer); },
        Qt::QueuedConnection);
}

void MusicBox::startStoryBuffer(std::uint64_t token, SampleBuffer buffer) {
    if (!inStory_ || !storyOnPlayer_ || token != storyToken_) return;
    // Louder than room music, at once.
    player_->setVolume(std::min(volume_ * kStoryGain, 1.0f));
    player_->scheduleBuffer(std::move(buffer));
    player_->play();
}

void MusicBox::endStory() {
    if (!inStory_) return;
    inStory_ = false;
    storyOnPlayer_ = false;
    ++storyToken_;
    update();
    pauseEngineIfIdle();
    emit changed();
}

}  // namespace kp::audio
