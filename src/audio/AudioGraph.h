#pragma once
// A small audio graph: player nodes with scheduled buffers, varispeed, mixers and a reverb, pulled
// by one output at 44100 Hz, 32-bit float. Players and effects are mono; an engine whose output
// has two channels renders its mixers and reverbs in stereo (a mono node sounds the same on both).
// Every owner of sound builds its own engine.
//
// Threads: the graph is built and driven from one thread (the main thread). While the engine runs,
// another thread (the output's) renders it; commands reach that thread through a lock-free list, and
// everything it is done with (spent commands, finished buffers) goes back through another, so the
// render path neither allocates, frees nor waits. Completion callbacks run on the engine's own
// notifier thread while the output is live, and on the calling thread in offline rendering.
#include <QObject>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <semaphore>
#include <thread>
#include <vector>

namespace kp::audio {

constexpr int kSampleRate = 44100;
// The most frames one node renders at a time; larger pulls are split.
constexpr int kMaxFrames = 4096;

using Samples = std::vector<float>;
using SampleBuffer = std::shared_ptr<const Samples>;

inline SampleBuffer makeBuffer(Samples samples) {
    return std::make_shared<const Samples>(std::move(samples));
}

class AudioEngine;

class AudioNode {
public:
    virtual ~AudioNode() = default;
    // Render thread: overwrite out[0, frames) with this node's output (frames <= kMaxFrames).
    virtual void render(float* out, int frames) = 0;
    // Render thread: the same in two channels; a mono node plays the same on both.
    virtual void renderStereo(float* left, float* right, int frames);
    // Render thread: true when the next render is sure to be silence (nothing to play).
    virtual bool idle() { return false; }

protected:
    explicit AudioNode(AudioEngine& engine) : engine_(engine) {}
    AudioEngine& engine_;
};

// A node with one input (nothing connected renders silence into it).
class EffectNode : public AudioNode {
public:
    AudioNode* input() const { return input_; }

protected:
    using AudioNode::AudioNode;
    void pull(float* out, int frames);

private:
    friend class AudioEngine;
    AudioNode* input_ = nullptr;
};

// Volume that moves smoothly instead of stepping: over `rampFrames`, or one render block.
class SmoothGain {
public:
    void set(float v, int rampFrames = 0) {
        ramp_.store(rampFrames, std::memory_order_relaxed);
        target_.store(v, std::memory_order_release);
    }
    float get() const { return target_.load(std::memory_order_relaxed); }
    // Multiplies in place; a second channel, if given, moves along the same ramp.
    void apply(float* out, int frames, float* second = nullptr);
    // Render side: the next block starts at the target, with no ramp.
    void snap() { primed_ = false; }

private:
    std::atomic<float> target_{1.0f};
    std::atomic<int> ramp_{0};
    float current_ = 1.0f;
    float aim_ = 1.0f;
    int left_ = 0;  // frames until `current_` reaches `aim_`
    bool primed_ = false;
};

// Plays buffers scheduled on it, one after the other; a looping buffer repeats until stopped.
class PlayerNode final : public AudioNode {
public:
    using Completion = std::function<void()>;

    explicit PlayerNode(AudioEngine& engine);
    ~PlayerNode() override;

    // `done` runs once the buffer has played out, or when stop() cuts it.
    void scheduleBuffer(SampleBuffer buffer, bool loops = false, Completion done = {});
    void play();
    void pause();
    // Cuts whatever is playing and drops everything scheduled.
    void stop();

    void setVolume(float volume);
    float volume() const { return volume_; }
    // As last told: play() sets it, pause() and stop() clear it.
    bool isPlaying() const { return playing_; }
    // Buffers scheduled since the last stop() (played ones included); for inspection.
    int scheduledCount() const { return scheduled_; }
    const SampleBuffer& lastScheduled() const { return lastScheduled_; }

    void render(float* out, int frames) override;
    bool idle() override;

private:
    friend class AudioEngine;
    struct Msg;
    void send(Msg* msg);
    void takeCommands();  // render side

    SmoothGain gain_;
    float volume_ = 1.0f;
    bool playing_ = false;
    int scheduled_ = 0;
    SampleBuffer lastScheduled_;

    std::atomic<Msg*> inbox_{nullptr};
    // Render-side state.
    Msg* head_ = nullptr;
    Msg* tail_ = nullptr;
    bool rendering_ = false;
    bool sounding_ = false;  // the last block played something
};

// Playback rate change (pitch and speed together), 1.0 passes the input through untouched.
class VarispeedNode final : public EffectNode {
public:
    explicit VarispeedNode(AudioEngine& engine);
    ~VarispeedNode() override;
    void setRate(double rate);
    double rate() const { return rate_; }
    // Drops what the converter still holds of earlier input, so the next sound starts clean.
    void flush() { flush_.store(true, std::memory_order_release); }
    void render(float* out, int frames) override;

private:
    static long feed(void* self, float** data);
    void* state_ = nullptr;  // SRC_STATE
    double rate_ = 1.0;
    std::atomic<double> target_{1.0};
    std::atomic<bool> flush_{false};
    bool bypassed_ = true;
    bool resting_ = false;  // input idle and the converter drained: skip it
    int quietFrames_ = 0;
    double current_ = 1.0;
    std::vector<float> chunk_;
};

// Sums its inputs, then applies its volume.
class MixerNode final : public AudioNode {
public:
    explicit MixerNode(AudioEngine& engine);
    void setVolume(float volume, double rampSeconds = 0.0) {
        volume_ = volume;
        gain_.set(volume, int(rampSeconds * kSampleRate));
    }
    float volume() const { return volume_; }
    const std::vector<AudioNode*>& inputs() const { return inputs_; }
    void render(float* out, int frames) override;
    void renderStereo(float* left, float* right, int frames) override;

private:
    friend class AudioEngine;
    std::vector<AudioNode*> inputs_;
    std::vector<float> scratch_;
    std::vector<float> scratchRight_;
    SmoothGain gain_;
    float volume_ = 1.0f;
};

// Freeverb room reverb: two channels of combs and all-passes, kept apart in stereo and summed to
// one in mono; `wetDryMix` is 0 (dry) to 100 (wet).
class ReverbNode final : public EffectNode {
public:
    explicit ReverbNode(AudioEngine& engine);
    ~ReverbNode() override;
    void setWetDryMix(float percent);
    void setRoomSize(float size);  // 0...1
    float wetDryMix() const { return mix_; }
    void render(float* out, int frames) override;
    void renderStereo(float* left, float* right, int frames) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    float mix_ = 50.0f;
    std::atomic<float> wet_{0.5f};
    std::atomic<float> room_{0.75f};
};

// Whatever pulls the engine's output: a sound device, a silent clock, or nothing at all.
class AudioOutput {
public:
    class Source {
    public:
        virtual ~Source() = default;
        // Called from the output's thread (or the caller's, offline); `out` holds `frames` frames of
        // the output's channels, interleaved.
        virtual void renderOutput(float* out, int frames) = 0;
    };
    virtual ~AudioOutput() = default;
    // Begins pulling `source`; false when the output cannot run.
    virtual bool start(Source& source) = 0;
    // After it returns, `source` is pulled no more.
    virtual void stop() = 0;
    // As stop(), for good: after it returns no thread of the output's runs, and start() is not
    // called again.
    virtual void close() { stop(); }
    // True when pulls come from another thread while started.
    virtual bool isLive() const = 0;
    // True while a sound device (not a stand-in) takes the sound.
    virtual bool onDevice() const { return false; }
    // Seconds between a render and its sound being heard, at most.
    virtual double latency() const { return 0.0; }
    // 1 (mono) or 2 (stereo), fixed for the output's life.
    virtual int channels() const { return 1; }
};

// A sound device's stream. The system output opens and closes it on a thread of its own, since both
// wait on the sound server.
class SoundDevice {
public:
    // What a stream pulls, on the stream's own thread: `pull` fills a block and says whether the
    // stream goes on; `lost` says the device has gone away.
    class Client {
    public:
        virtual ~Client() = default;
        virtual bool pull(float* out, int frames) = 0;
        virtual void lost() = 0;
    };
    virtual ~SoundDevice() = default;
    // Opens and starts a stream of `channels` channels in `blocks` blocks of `blockFrames`; false
    // when there is none.
    virtual bool open(Client& client, unsigned blockFrames, unsigned blocks, unsigned channels) = 0;
    // Stops and closes the stream, if one is open; after it returns nothing is pulled.
    virtual void close() = 0;
};
// The default output of the sound server (PulseAudio; ALSA, through RtAudio, when no server answers).
std::unique_ptr<SoundDevice> makeServerDevice();

// The device output: a stream on `device` (the server's when none is given), or a silent
// clock-paced stand-in when there is no device or it goes away. It renders `blockFrames` at a time
// and the device holds up to `blocks` of them: short blocks answer quickly, long ones wake the
// machine less often. Without `keepsTime` the stand-in pulls nothing: the graph holds still until a
// device takes the sound.
std::unique_ptr<AudioOutput> makeSystemOutput(unsigned blockFrames = 512, unsigned blocks = 4, bool keepsTime = true,
                                              std::unique_ptr<SoundDevice> device = nullptr, int channels = 1);
// The app's shared sound as the app ends. Each shared owner of sound, once made, leaves here how it
// closes for good; closeSharedSound() closes them all, then lets the device work asked for so far
// (streams still closing) finish: once it returns no thread of the sound runs. The last sound call;
// it waits on jobs under way and on the sound server, which may hang: the caller bounds it.
void closeWithSharedSound(std::function<void()> close);
void closeSharedSound();
// Long blocks, for music and backdrops that need no quick answer (about 0.19 s behind); with no
// device they are not made at all.
inline std::unique_ptr<AudioOutput> makeBackdropOutput(int channels = 1) {
    return makeSystemOutput(4096, 2, false, nullptr, channels);
}

// An output that never pulls by itself: the engine is rendered with renderOffline(). `startFails`
// makes start() refuse, as a device would that cannot be opened.
class ManualOutput final : public AudioOutput {
public:
    explicit ManualOutput(int channelCount = 1) : channelCount_(channelCount) {}
    bool startFails = false;
    int starts = 0;
    bool start(Source&) override { ++starts; return !startFails; }
    void stop() override {}
    bool isLive() const override { return false; }
    int channels() const override { return channelCount_; }

private:
    int channelCount_;
};

class AudioEngine final : public QObject, private AudioOutput::Source {
    Q_OBJECT
public:
    // Without an output the engine plays through the system output.
    explicit AudioEngine(std::unique_ptr<AudioOutput> output = nullptr, QObject* parent = nullptr);
    ~AudioEngine() override;

    // Nodes live as long as the engine.
    PlayerNode* makePlayer();
    VarispeedNode* makeVarispeed();
    MixerNode* makeMixer();
    ReverbNode* makeReverb();
    MixerNode* mainMixer() { return mainMixer_; }

    // `from` feeds `to`: a mixer gains an input, an effect has it as its only input.
    void connect(AudioNode* from, MixerNode* to);
    void connect(AudioNode* from, EffectNode* to);

    // Starts pulling; false when the output refuses, or no thread can be started to tell of
    // finished sounds (nothing else changes then).
    bool start();
    // Stops pulling; players keep what they hold and go on where they were.
    void pause();
    // As pause(), and every player is stopped.
    void stop();
    bool isRunning() const { return running_; }
    // As pause(), for good: the output is closed and no thread of the engine's runs once it
    // returns; start() refuses from then on. For the app's end, with the rest of the engine kept.
    void close();
    bool closed() const { return closed_; }

    // Renders the graph into `out` on the calling thread; only while no live output pulls it.
    // Completions that fall due run before it returns. Frames of the output's channels, interleaved.
    bool renderOffline(float* out, int frames);
    Samples renderOffline(int frames);

    AudioOutput& output() { return *output_; }
    int channels() const { return channels_; }

private:
    friend class PlayerNode;
    void renderOutput(float* out, int frames) override;
    bool liveRendering() const { return running_ && output_->isLive(); }
    template <typename Node>
    Node* adopt();
    template <typename Fn>
    void withRenderStopped(Fn&& fn);
    // Render side hands back what it no longer needs (an intrusive list: no allocation).
    void retire(PlayerNode::Msg* msg);
    void drainRetired();
    void notifierLoop();

    std::unique_ptr<AudioOutput> output_;
    const int channels_;
    std::vector<float> left_, right_;  // stereo: the main mixer's channels before interleaving
    std::vector<std::unique_ptr<AudioNode>> nodes_;
    MixerNode* mainMixer_ = nullptr;
    bool running_ = false;
    bool closed_ = false;
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;

    std::vector<PlayerNode*> players_;
    std::atomic<PlayerNode::Msg*> retired_{nullptr};
    std::counting_semaphore<> wake_{0};
    std::atomic<bool> quit_{false};
    std::atomic<bool> notifierUp_{false};
    std::thread notifier_;
};

}  // namespace kp::audio
