// The device output: a PulseAudio stream (ALSA through RtAudio when no server answers), and a
// silent stand-in paced on the clock for when there is no device or it goes away, so the graph
// behaves the same either way.
#include "audio/AudioGraph.h"
#include "audio/JobThread.h"

#include <QDebug>

#include <alsa/asoundlib.h>
#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
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
    NullOutput(unsigned blockFrames, unsigned channels, bool keepsTime)
        : blockFrames_(blockFrames), channels_(channels), keepsTime_(keepsTime) {}
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
        std::vector<float> buffer(std::size_t(blockFrames_) * channels_, 0.0f);
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
    const unsigned channels_;
    const bool keepsTime_;
    std::mutex mutex_;  // start() against the decision to end; never taken while rendering
    std::mutex sleep_;  // the wait between pulls against stop()
    std::condition_variable wake_;
    std::atomic<bool> active_{false};
    bool running_ = false;    // the thread pulls and has not decided to end
    bool keepGoing_ = false;  // asked to go on while handing back
    std::thread thread_;
};

// Every RtAudio call that probes, opens or closes runs on this one thread, one after the other:
// the library's PulseAudio back end keeps its probe state in statics, and two probes at once stop
// each other's main loop for good. A caller waits for its job only so long; a job that hangs on a
// wedged server runs on by itself and the caller goes on without it.
class DeviceLine {
public:
    // Never destroyed, so leaving the app never waits on a device.
    static DeviceLine& shared() {
        static auto* line = new DeviceLine;
        return *line;
    }

    // Queues `job` and waits until it has finished, or for `bound` at most: true when it finished.
    bool run(std::function<void()> job, std::chrono::milliseconds bound) {
        auto done = std::make_shared<Done>();
        jobs_.post([job = std::move(job), done] {
            job();
            {
                std::lock_guard lock(done->mutex);
                done->finished = true;
            }
            done->changed.notify_all();
        });
        std::unique_lock lock(done->mutex);
        return done->changed.wait_for(lock, bound, [&] { return done->finished; });
    }

    void post(std::function<void()> job) { jobs_.post(std::move(job)); }

    // Runs what is queued, then ends the line's thread.
    void finish() { jobs_.finish(); }

private:
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
    };

    JobThread jobs_;  // finished as the app ends; never destroyed
};

// How long a caller waits for the server to answer, and for a whole open.
constexpr auto kServerAnswers = std::chrono::milliseconds(1500);
constexpr auto kOpenBound = std::chrono::milliseconds(3000);

// Asks the PulseAudio server (or one that speaks its protocol) whether it is there, on a main loop
// of our own and for `bound` at most: RtAudio's own probe waits for ever on a server that is wedged.
bool serverAnswers(std::chrono::milliseconds bound) {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Kettlepaw");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto end = std::chrono::steady_clock::now() + bound;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            if (pa_mainloop_prepare(loop, int(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Without a server the sound goes to ALSA, if the library has it; the log says so once.
RtAudio::Api chooseApi() {
    if (serverAnswers(kServerAnswers)) return RtAudio::LINUX_PULSE;
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    const bool alsa = std::find(apis.begin(), apis.end(), RtAudio::LINUX_ALSA) != apis.end();
    static std::once_flag said;
    std::call_once(said, [alsa] {
        qInfo().noquote() << (alsa ? "No sound server answers: the sound goes to ALSA's default device, if any"
                                   : "No sound server answers: no sound until one does");
        // ALSA's library reports every device it cannot open on stderr, and a stand-in tries again
        // every few seconds.
        if (alsa) snd_lib_error_set_handler(&quietAlsa);
    });
    return alsa ? RtAudio::LINUX_ALSA : RtAudio::UNSPECIFIED;
}

// One stream and what its callbacks reach. Shared by the device and the line's jobs, so it outlives
// a job that hangs; `client` is let go before the device forgets it, and the stream's thread never
// reaches a client after that. A sound server's stream is written from a thread of our own through
// libpulse's simple interface: RtAudio's PulseAudio back end asks the server for its devices at
// every open and keeps a little of every answer for good, which an app that opens a stream each
// time the island opens cannot afford. RtAudio plays to ALSA when no server answers.
struct Stream {
    std::unique_ptr<RtAudio> rt;  // the line's only
    pa_simple* server = nullptr;  // the line's only
    std::thread writer;           // writes to `server`; the line's only
    std::atomic<bool> writing{false};
    std::atomic<SoundDevice::Client*> client{nullptr};
    std::atomic<int> inCallback{0};
    unsigned channels = 1;        // what the client renders
    unsigned deviceChannels = 1;  // what the device takes: a mono device gets stereo mixed down
    std::vector<float> mixDown;
    bool running = false;  // the line's only

    // Once it returns no callback reaches the client.
    void letGo() {
        client.store(nullptr);
        while (inCallback.load() > 0) std::this_thread::yield();
    }

    // On the line.
    void open(unsigned blockFrames, unsigned blocks) {
        const RtAudio::Api api = chooseApi();
        if (api == RtAudio::LINUX_PULSE) openServer(blockFrames, blocks);
        else if (api != RtAudio::UNSPECIFIED) openDevice(api, blockFrames, blocks);
        if (!running) close();
    }

    // The server mixes the stream to whatever its sink has: no mixing down here.
    void openServer(unsigned blockFrames, unsigned blocks) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, std::uint32_t(kSampleRate), std::uint8_t(channels)};
        const auto blockBytes = std::uint32_t(blockFrames * channels * sizeof(float));
        // The server holds `blocks` of them at most; the rest is its choice.
        const auto any = std::uint32_t(-1);
        const pa_buffer_attr buffering{blockBytes * blocks, any, any, any, any};
        server = pa_simple_new(nullptr, "Kettlepaw", PA_STREAM_PLAYBACK, nullptr, "Kettlepaw", &format, nullptr,
                               &buffering, nullptr);
        if (!server) return;
        deviceChannels = channels;
        writing = true;
        try {
            writer = std::thread([this, blockFrames] { write(blockFrames); });
            running = true;
        } catch (const std::system_error&) {
        }
    }

    void openDevice(RtAudio::Api api, unsigned blockFrames, unsigned blocks) {
        try {
            rt = std::make_unique<RtAudio>(api);
            rt->showWarnings(false);
            if (rt->getCurrentApi() != api || rt->getDeviceCount() == 0) {
                rt.reset();
                return;
            }
            RtAudio::StreamParameters params;
            params.deviceId = rt->getDefaultOutputDevice();
            deviceChannels = rt->getDeviceInfo(params.deviceId).outputChannels >= channels ? channels : 1;
            params.nChannels = deviceChannels;
            params.firstChannel = 0;
            RtAudio::StreamOptions options;
            options.numberOfBuffers = blocks;
            options.streamName = "Kettlepaw";
            unsigned frames = blockFrames;
            rt->openStream(&params, nullptr, RTAUDIO_FLOAT32, kSampleRate, &frames, &Stream::callback, this,
                           &options, &Stream::errorCallback);
            if (!rt->isStreamOpen()) {
                rt.reset();
                return;
            }
            if (deviceChannels < channels) mixDown.assign(std::size_t(frames) * channels, 0.0f);
            rt->startStream();
            running = rt->isStreamRunning();
        } catch (...) {
        }
    }

    // On the line. Freeing the server's stream drops what it still holds.
    void close() {
        running = false;
        writing = false;
        if (writer.joinable()) writer.join();
        if (server) pa_simple_free(server);
        server = nullptr;
        if (!rt) return;
        try {
            if (rt->isStreamRunning()) rt->abortStream();
        } catch (...) {
        }
        try {
            if (rt->isStreamOpen()) rt->closeStream();
        } catch (...) {
        }
        rt.reset();
    }

    // The writer's thread: a block at a time, each written as the server has room for it, until
    // the client lets the stream end, the stream is closed, or the server is gone.
    void write(unsigned blockFrames) {
        std::vector<float> block(std::size_t(blockFrames) * channels);
        while (writing.load()) {
            const bool goOn = fill(block.data(), blockFrames);
            if (pa_simple_write(server, block.data(), block.size() * sizeof(float), nullptr) < 0) {
                reportLost();
                return;
            }
            if (!goOn) return;
        }
    }

    // The client's block, or silence without one; whether the stream goes on.
    bool fill(float* samples, unsigned frames) {
        inCallback.fetch_add(1);
        SoundDevice::Client* user = client.load();
        bool goOn = false;
        if (mixDown.empty()) {
            goOn = user && user->pull(samples, int(frames));
            if (!user) std::fill_n(samples, std::size_t(frames) * deviceChannels, 0.0f);
        } else if (user && std::size_t(frames) * channels <= mixDown.size()) {
            goOn = user->pull(mixDown.data(), int(frames));
            for (std::size_t i = 0; i < frames; ++i) samples[i] = 0.5f * (mixDown[2 * i] + mixDown[2 * i + 1]);
        } else {
            std::fill_n(samples, frames, 0.0f);
        }
        inCallback.fetch_sub(1);
        return goOn;
    }

    void reportLost() {
        inCallback.fetch_add(1);
        if (SoundDevice::Client* user = client.load()) user->lost();
        inCallback.fetch_sub(1);
    }

    // RtAudio's error callback carries no context; it runs on the stream's own thread, which is the
    // thread the render callback runs on, so the callback leaves its stream here.
    static thread_local Stream* current;

    static int callback(void* out, void*, unsigned frames, double, RtAudioStreamStatus, void* self) {
        auto* me = static_cast<Stream*>(self);
        current = me;
        return me->fill(static_cast<float*>(out), frames) ? 0 : 2;  // 2: end this stream
    }

    static void errorCallback(RtAudioError::Type type, const std::string&) {
        if (type != RtAudioError::DEBUG_WARNING && current) current->reportLost();
    }
};
thread_local Stream* Stream::current = nullptr;

class ServerDevice final : public SoundDevice {
public:
    ~ServerDevice() override { close(); }

    bool open(Client& client, unsigned blockFrames, unsigned blocks, unsigned channels) override {
        close();
        auto stream = std::make_shared<Stream>();
        stream->client = &client;
        stream->channels = channels;
        struct Opening {
            std::mutex mutex;
            bool waiting = true;  // the opener still waits for the answer
            bool decided = false;
            bool opened = false;
        };
        auto opening = std::make_shared<Opening>();
        DeviceLine::shared().run(
            [stream, blockFrames, blocks, opening] {
                {
                    std::lock_guard lock(opening->mutex);
                    if (!opening->waiting) return;  // queued behind a wedged job, for nobody now
                }
                stream->open(blockFrames, blocks);
                {
                    std::lock_guard lock(opening->mutex);
                    if (opening->waiting) {
                        opening->decided = true;
                        opening->opened = stream->running;
                        return;
                    }
                }
                stream->close();  // opened after all, for nobody
            },
            kOpenBound);
        bool opened = false;
        {
            std::lock_guard lock(opening->mutex);
            opening->waiting = false;
            opened = opening->decided && opening->opened;
        }
        if (!opened) {
            // Not there, or a probe that hangs: the stand-in takes the sound and retries.
            stream->letGo();
            return false;
        }
        stream_ = std::move(stream);
        return true;
    }

    void close() override {
        if (!stream_) return;
        stream_->letGo();
        // Closing waits on the server; the line does it, nothing is pulled meanwhile.
        DeviceLine::shared().post([stream = std::move(stream_)] { stream->close(); });
        stream_.reset();
    }

private:
    std::shared_ptr<Stream> stream_;
};

// Opening and closing a stream takes milliseconds and waits on the server, so a thread of the
// output's own does it: start() and stop() only say what is wanted and never wait on the device.
class SystemOutput final : public AudioOutput, private AudioOutput::Source, private SoundDevice::Client {
public:
    SystemOutput(unsigned blockFrames, unsigned blocks, bool keepsTime, std::unique_ptr<SoundDevice> device,
                 unsigned channels)
        : blockFrames_(blockFrames),
          blocks_(blocks),
          channels_(channels),
          device_(std::move(device)),
          null_(blockFrames, channels, keepsTime) {}

    ~SystemOutput() override { close(); }

    // The device thread closes the stream (the line finishes closing it) and stops the stand-in.
    void close() override {
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
            if (quit_) return false;
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
    int channels() const override { return int(channels_); }

private:
    // Every pull, from the stream or the stand-in, comes through here.
    void renderOutput(float* out, int frames) override {
        pulling_.fetch_add(1);
        if (wanted_.load())
            source_->renderOutput(out, frames);
        else
            std::fill(out, out + std::size_t(frames) * channels_, 0.0f);
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
            std::fill(out, out + std::size_t(frames) * channels_, 0.0f);
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

    bool openDevice() { return device_->open(*this, blockFrames_, blocks_, channels_); }
    void closeDevice() { device_->close(); }

    const unsigned blockFrames_;
    const unsigned blocks_;
    const unsigned channels_;
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

namespace {
std::vector<std::function<void()>>& sharedClosers() {
    static auto* closers = new std::vector<std::function<void()>>;
    return *closers;
}
}  // namespace

void closeWithSharedSound(std::function<void()> close) { sharedClosers().push_back(std::move(close)); }

void closeSharedSound() {
    for (const auto& close : sharedClosers()) close();
    sharedClosers().clear();
    DeviceLine::shared().finish();
}

std::unique_ptr<AudioOutput> makeSystemOutput(unsigned blockFrames, unsigned blocks, bool keepsTime,
                                              std::unique_ptr<SoundDevice> device, int channels) {
    return std::make_unique<SystemOutput>(blockFrames, blocks, keepsTime,
                                          device ? std::move(device) : makeServerDevice(),
                                          channels == 2 ? 2u : 1u);
}

}  // namespace kp::audio
