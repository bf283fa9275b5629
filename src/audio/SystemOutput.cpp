// The device output: a PulseAudio stream through RtAudio, and a silent stand-in paced on the clock
// for when there is no server or it goes away, so the graph behaves the same either way.
#include "audio/AudioGraph.h"

#include <rtaudio/RtAudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kp::audio {
namespace {

// Pulls its source a block at a time on the steady clock, and throws the sound away. Now and then
// it asks `retry` whether a device has come back; when it has, the stand-in ends itself. One that
// does not keep time pulls nothing and only waits for the device: a backdrop nobody hears need
// not be made.
class NullOutput {
public:
    using Retry = std::function<bool()>;
    NullOutput(unsigned blockFrames, bool keepsTime) : blockFrames_(blockFrames), keepsTime_(keepsTime) {}
    ~NullOutput() { stop(); }

    void start(AudioOutput::Source& source, Retry retry = {}) {
        std::lock_guard lock(mutex_);
        if (thread_.joinable()) {
            if (running_) {
                // Still pulling, perhaps just handing back to a device that has failed again
                // already: it must not end now.
                keepGoing_ = true;
                return;
            }
            thread_.join();  // ended itself when the device came back
        }
        active_ = true;
        running_ = true;
        keepGoing_ = false;
        thread_ = std::thread([this, &source, retry = std::move(retry)] { run(source, retry); });
    }

    // Not while start() may run on another thread: the owner closes the device first.
    void stop() {
        {
            std::lock_guard lock(sleep_);
            active_ = false;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
        running_ = false;
    }

private:
    void run(AudioOutput::Source& source, const Retry& retry) {
        std::vector<float> buffer(blockFrames_, 0.0f);
        using clock = std::chrono::steady_clock;
        const auto period = std::chrono::duration_cast<clock::duration>(
            std::chrono::duration<double>(double(blockFrames_) / kSampleRate));
        auto next = clock::now();
        auto nextRetry = next + kRetryEvery;
        while (active_.load(std::memory_order_relaxed)) {
            if (keepsTime_) {
                source.renderOutput(buffer.data(), int(blockFrames_));
                next += period;
            } else {
                next = nextRetry;
            }
            auto now = clock::now();
            if (retry && now >= nextRetry) {
                const bool handedBack = retry();
                {
                    std::lock_guard lock(mutex_);
                    const bool leave = handedBack && !keepGoing_;
                    keepGoing_ = false;
                    if (leave) {
                        running_ = false;
                        return;
                    }
                }
                now = clock::now();
                nextRetry = now + kRetryEvery;
            }
            if (now - next > std::chrono::milliseconds(500)) next = now;  // woke late: don't race
            std::unique_lock lock(sleep_);
            wake_.wait_until(lock, next, [this] { return !active_.load(); });
        }
    }

    static constexpr std::chrono::seconds kRetryEvery{3};
    const unsigned blockFrames_;
    const bool keepsTime_;
    std::mutex mutex_;  // start() against the decision to end; never taken while rendering
    std::mutex sleep_;  // the wait between pulls against stop()
    std::condition_variable wake_;
    std::atomic<bool> active_{false};
    bool running_ = false;    // the thread pulls and has not decided to end
    bool keepGoing_ = false;  // asked to go on while handing back
    std::thread thread_;
};

class ServerDevice;
// RtAudio's error callback carries no context; it runs on the stream's own thread, which is the
// thread our render callback runs on, so the callback leaves its owner here.
thread_local ServerDevice* tCurrent = nullptr;

class ServerDevice final : public SoundDevice {
public:
    ~ServerDevice() override { close(); }

    bool open(Client& client, unsigned blockFrames, unsigned blocks) override {
        client_ = &client;
        try {
            rt_ = std::make_unique<RtAudio>(RtAudio::LINUX_PULSE);
            rt_->showWarnings(false);
            if (rt_->getCurrentApi() != RtAudio::LINUX_PULSE || rt_->getDeviceCount() == 0) {
                rt_.reset();
                return false;
            }
            RtAudio::StreamParameters params;
            params.deviceId = rt_->getDefaultOutputDevice();
            params.nChannels = 1;
            params.firstChannel = 0;
            RtAudio::StreamOptions options;
            options.numberOfBuffers = blocks;
            options.streamName = "Kettlepaw";
            unsigned frames = blockFrames;
            rt_->openStream(&params, nullptr, RTAUDIO_FLOAT32, kSampleRate, &frames, &ServerDevice::callback, this,
                            &options, &ServerDevice::errorCallback);
            if (!rt_->isStreamOpen()) {
                rt_.reset();
                return false;
            }
            rt_->startStream();
            if (!rt_->isStreamRunning()) {
                close();
                return false;
            }
            return true;
        } catch (...) {
            close();
            return false;
        }
    }

    void close() override {
        if (!rt_) return;
        try {
            if (rt_->isStreamRunning()) rt_->abortStream();
        } catch (...) {
        }
        try {
            if (rt_->isStreamOpen()) rt_->closeStream();
        } catch (...) {
        }
        rt_.reset();
    }

private:
    static int callback(void* out, void*, unsigned frames, double, RtAudioStreamStatus, void* self) {
        auto* me = static_cast<ServerDevice*>(self);
        tCurrent = me;
        return me->client_->pull(static_cast<float*>(out), int(frames)) ? 0 : 2;  // 2: end this stream
    }

    static void errorCallback(RtAudioError::Type type, const std::string&) {
        if (type == RtAudioError::DEBUG_WARNING) return;
        if (ServerDevice* me = tCurrent) me->client_->lost();
    }

    std::unique_ptr<RtAudio> rt_;
    Client* client_ = nullptr;
};

// Opening and closing a stream takes milliseconds and waits on the server, so a thread of the
// output's own does it: start() and stop() only say what is wanted and never wait on the device.
class SystemOutput final : public AudioOutput, private AudioOutput::Source, private SoundDevice::Client {
public:
    SystemOutput(unsigned blockFrames, unsigned blocks, bool keepsTime, std::unique_ptr<SoundDevice> device)
        : blockFrames_(blockFrames), blocks_(blocks), device_(std::move(device)), null_(blockFrames, keepsTime) {}

    ~SystemOutput() override {
        stop();
        {
            std::lock_guard lock(control_);
            quit_ = true;
        }
        kick_.notify_one();
        if (worker_.joinable()) worker_.join();
    }

    bool start(AudioOutput::Source& source) override {
        {
            std::lock_guard lock(control_);
            if (wanted_) return true;
            source_ = &source;
            wanted_ = true;
            if (!worker_.joinable()) worker_ = std::thread([this] { deviceLoop(); });
        }
        kick_.notify_one();
        return true;
    }

    void stop() override {
        {
            std::lock_guard lock(control_);
            if (!wanted_) return;
            wanted_ = false;
        }
        // Whatever pulls now sees the output unwanted: wait out a pull already under way.
        while (pulling_.load() > 0) std::this_thread::yield();
        kick_.notify_one();
    }

    bool isLive() const override { return true; }
    bool onDevice() const override { return wanted_.load() && open_.load() && !handedOver_.load(); }
    double latency() const override { return double(blockFrames_ * blocks_) / kSampleRate; }

private:
    // Every pull, from the stream or the stand-in, comes through here.
    void renderOutput(float* out, int frames) override {
        pulling_.fetch_add(1);
        if (wanted_.load())
            source_->renderOutput(out, frames);
        else
            std::fill(out, out + frames, 0.0f);
        pulling_.fetch_sub(1);
    }

    // Opens the stream (or the stand-in) when wanted, closes it when not.
    void deviceLoop() {
        for (;;) {
            bool want = false;
            {
                std::unique_lock lock(control_);
                kick_.wait(lock, [this] { return quit_ || wanted_.load() != active_; });
                if (quit_ && !active_) return;
                want = wanted_.load() && !quit_;
            }
            std::lock_guard lock(mutex_);
            if (want && !active_) {
                handedOver_ = false;
                if (openDevice())
                    open_ = true;
                else
                    standIn();
                active_ = true;
            } else if (!want && active_) {
                // Closing joins the stream's thread, so an error hand-over in flight has finished
                // here and the stand-in it may have started is stopped just below.
                closeDevice();
                null_.stop();
                open_ = false;
                active_ = false;
            }
        }
    }

    // On the stream's thread.
    bool pull(float* out, int frames) override {
        if (handedOver_.load(std::memory_order_acquire)) {
            std::fill(out, out + frames, 0.0f);
            return false;  // the stand-in renders now
        }
        renderOutput(out, frames);
        return true;
    }

    // On the stream's thread: the server went away or the stream broke.
    void lost() override {
        if (!wanted_.load() || handedOver_.exchange(true)) return;
        standIn();
    }

    void standIn() {
        handedOver_ = true;
        null_.start(*this, [this] { return tryDeviceAgain(); });
    }

    // On the stand-in's thread, between two pulls: a server that came back takes the sound again.
    // Never waits for the lock: opening and closing on the output's own thread win.
    bool tryDeviceAgain() {
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock() || !wanted_.load()) return false;
        closeDevice();
        handedOver_ = false;
        if (openDevice() && !handedOver_.load()) {
            open_ = true;
            return true;
        }
        handedOver_ = true;
        closeDevice();
        return false;
    }

    bool openDevice() { return device_->open(*this, blockFrames_, blocks_); }
    void closeDevice() { device_->close(); }

    const unsigned blockFrames_;
    const unsigned blocks_;
    std::mutex mutex_;  // the device: opening, closing, handing over; never on the render path
    std::unique_ptr<SoundDevice> device_;
    NullOutput null_;
    std::mutex control_;  // what is wanted; held only for a moment
    std::condition_variable kick_;
    AudioOutput::Source* source_ = nullptr;
    std::atomic<bool> wanted_{false};
    std::atomic<int> pulling_{0};
    std::atomic<bool> handedOver_{false};
    std::atomic<bool> open_{false};  // a stream was opened (the stand-in may have it now)
    bool active_ = false;            // device thread: a stream or the stand-in runs
    bool quit_ = false;
    std::thread worker_;  // opens and closes the device
};

}  // namespace

std::unique_ptr<SoundDevice> makeServerDevice() { return std::make_unique<ServerDevice>(); }

std::unique_ptr<AudioOutput> makeSystemOutput(unsigned blockFrames, unsigned blocks, bool keepsTime,
                                              std::unique_ptr<SoundDevice> device) {
    return std::make_unique<SystemOutput>(blockFrames, blocks, keepsTime,
                                          device ? std::move(device) : makeServerDevice());
}

}  // namespace kp::audio
