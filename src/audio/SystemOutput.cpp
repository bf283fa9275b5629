// The device output: a PulseAudio stream (ALSA through RtAudio when no server answers), and a
// silent stand-in paced on the clock for when there is no device or it goes away, so the graph
// behaves the same either way.
#include "audio/AudioGraph.h"
#include "audio/JobThread.h"
#include "platform/SoundServer.h"

#include <QDebug>

#include <alsa/asoundlib.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace kp::audio {
namespace {

// Each thing that went wrong with the sound is said once.
void sayOnce(const std::string& words) {
    static std::mutex mutex;
    static auto* said = new std::set<std::string>;
    {
        std::lock_guard lock(mutex);
        if (!said->insert(words).second) return;
    }
    qInfo().noquote() << QString::fromStdString(words);
}

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
        try {
            thread_ = std::thread([this, &source, retry = std::move(retry)] { run(source, retry); });
        } catch (const std::system_error&) {
            active_ = false;
            running_ = false;
            sayOnce("No thread could be started for the silent stand-in: the sound holds still until one can");
        }
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
    // False at once when the line's thread cannot start: the job does not run.
    bool run(std::function<void()> job, std::chrono::milliseconds bound) {
        auto done = std::make_shared<Done>();
        const bool queued = jobs_.post([job = std::move(job), done] {
            job();
            {
                std::lock_guard lock(done->mutex);
                done->finished = true;
            }
            done->changed.notify_all();
        });
        if (!queued) {
            sayOnce("No thread could be started to open the sound: no sound until one can");
            return false;
        }
        std::unique_lock lock(done->mutex);
        return done->changed.wait_for(lock, bound, [&] { return done->finished; });
    }

    // Here and now when the line's thread cannot start.
    void post(std::function<void()> job) {
        auto shared = std::make_shared<std::function<void()>>(std::move(job));
        if (!jobs_.post([shared] { (*shared)(); })) (*shared)();
    }

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

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool alsaCompiled() {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), RtAudio::LINUX_ALSA) != apis.end();
}

// One stream and what its callbacks reach. Shared by the device, the line's jobs and the sound
// server's connection, so it outlives a job that hangs; `client` is let go before the device
// forgets it, and no callback reaches a client after that. A sound server's stream is fed from the
// app's one connection to the server, on its thread: RtAudio's PulseAudio back end asks the server
// for its devices at every open and keeps a little of every answer for good, which an app that
// opens a stream each time the island opens cannot afford. RtAudio plays to ALSA when no server
// answers.
struct Stream : std::enable_shared_from_this<Stream> {
    // How an open on the server went.
    struct Opening {
        enum State { waiting, playing, noServer, refused };
        std::mutex mutex;
        std::condition_variable settled;
        State state = waiting;
        std::string why;
        void settle(State s, std::string words = {}) {
            {
                std::lock_guard lock(mutex);
                if (state != waiting) return;
                state = s;
                why = std::move(words);
            }
            settled.notify_all();
        }
    };

    std::unique_ptr<RtAudio> rt;  // the line's only
    std::atomic<SoundDevice::Client*> client{nullptr};
    std::atomic<int> inCallback{0};
    unsigned channels = 1;        // what the client renders
    unsigned deviceChannels = 1;  // what the device takes: a mono device gets stereo mixed down
    std::vector<float> mixDown;
    bool running = false;  // the line's only
    // The connection's thread's only.
    pa_stream* server = nullptr;
    std::shared_ptr<Opening> opening;  // until the server has taken the stream or refused it
    std::vector<float> block;          // a block written to the server at a time
    unsigned blockFrames = 0;
    bool ended = false;   // the client let the stream end
    bool closed = false;  // nothing more is made for it

    // Once it returns no callback reaches the client.
    void letGo() {
        client.store(nullptr);
        while (inCallback.load() > 0) std::this_thread::yield();
    }

    // On the line. The server first; ALSA where no server answers.
    void open(unsigned frames, unsigned blocks) {
        std::string why;
        const Opening::State outcome = openServer(frames, blocks, &why);
        if (outcome == Opening::noServer && !why.empty()) {
            const bool alsa = alsaCompiled();
            sayOnce(why + (alsa ? ": the sound goes to ALSA's default device, if any" : ": no sound until one does"));
            if (alsa) {
                // ALSA's library reports every device it cannot open on stderr, and a stand-in
                // tries again every few seconds.
                snd_lib_error_set_handler(&quietAlsa);
                openDevice(RtAudio::LINUX_ALSA, frames, blocks);
            }
        } else if (outcome == Opening::refused) {
            sayOnce("The sound server refused a stream (" + why + ")");
        }
        if (!running) close();
    }

    // The server mixes the stream to whatever its sink has: no mixing down here. It holds `blocks`
    // blocks at most and asks for one at a time.
    Opening::State openServer(unsigned frames, unsigned blocks, std::string* why) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, std::uint32_t(kSampleRate), std::uint8_t(channels)};
        const auto blockBytes = std::uint32_t(frames * channels * sizeof(float));
        const auto any = std::uint32_t(-1);
        const pa_buffer_attr buffering{blockBytes * blocks, blockBytes * blocks, any, blockBytes, any};
        auto waiting = std::make_shared<Opening>();
        SoundServer::shared().whenConnected(
            [self = shared_from_this(), waiting, format, buffering, frames](pa_context* context) {
                if (!context) return waiting->settle(Opening::noServer, SoundServer::shared().why());
                if (self->closed) return waiting->settle(Opening::refused, "closed before it opened");
                pa_stream* s = pa_stream_new(context, "Kettlepaw", &format, nullptr);
                if (!s) return waiting->settle(Opening::refused, pa_strerror(pa_context_errno(context)));
                self->server = s;
                self->opening = waiting;
                self->blockFrames = frames;
                self->block.assign(std::size_t(frames) * format.channels, 0.0f);
                pa_stream_set_state_callback(s, &Stream::stateChanged, self.get());
                pa_stream_set_write_callback(s, &Stream::writable, self.get());
                if (pa_stream_connect_playback(s, nullptr, &buffering, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0) {
                    waiting->settle(Opening::refused, pa_strerror(pa_context_errno(context)));
                    self->dropServer();
                }
            },
            kServerAnswers);
        std::unique_lock lock(waiting->mutex);
        waiting->settled.wait_for(lock, kOpenBound, [&] { return waiting->state != Opening::waiting; });
        *why = waiting->why;
        if (waiting->state == Opening::playing) {
            deviceChannels = channels;
            running = true;
        }
        return waiting->state;
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

    // On the line. Freeing the server's stream, on the connection's thread, drops what it still
    // holds.
    void close() {
        running = false;
        SoundServer::shared().onThread([self = shared_from_this()](pa_context*) {
            self->closed = true;
            self->dropServer();
        });
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

    // On the connection's thread.
    void dropServer() {
        if (opening) opening->settle(Opening::refused, "closed before it opened");
        opening.reset();
        pa_stream* s = std::exchange(server, nullptr);
        if (!s) return;
        pa_stream_set_state_callback(s, nullptr, nullptr);
        pa_stream_set_write_callback(s, nullptr, nullptr);
        pa_stream_disconnect(s);
        pa_stream_unref(s);
    }

    static void stateChanged(pa_stream* s, void* data) {
        auto* me = static_cast<Stream*>(data);
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_READY && me->opening) {
            me->opening->settle(Opening::playing);
            me->opening.reset();
        } else if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
            if (me->opening) {
                me->opening->settle(Opening::refused, pa_strerror(pa_context_errno(pa_stream_get_context(s))));
                me->opening.reset();
            } else {
                me->reportLost();  // the server went away, or dropped the stream
            }
        }
    }

    // As the server has room: a block at a time, until the client lets the stream end.
    static void writable(pa_stream* s, size_t bytes, void* data) {
        auto* me = static_cast<Stream*>(data);
        const std::size_t blockBytes = me->block.size() * sizeof(float);
        while (!me->ended && blockBytes > 0 && bytes >= blockBytes) {
            const bool goOn = me->fill(me->block.data(), me->blockFrames);
            if (pa_stream_write(s, me->block.data(), blockBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                me->reportLost();
                return;
            }
            bytes -= blockBytes;
            me->ended = !goOn;
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
            if (!worker_.joinable()) {
                try {
                    worker_ = std::thread([this] { deviceLoop(); });
                } catch (const std::system_error&) {
                    sayOnce("No thread could be started to open the sound: no sound until one can");
                    return false;
                }
            }
            source_ = &source;
            wanted_ = true;
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
    SoundServer::shared().finish();
}

std::unique_ptr<AudioOutput> makeSystemOutput(unsigned blockFrames, unsigned blocks, bool keepsTime,
                                              std::unique_ptr<SoundDevice> device, int channels) {
    return std::make_unique<SystemOutput>(blockFrames, blocks, keepsTime,
                                          device ? std::move(device) : makeServerDevice(),
                                          channels == 2 ? 2u : 1u);
}

}  // namespace kp::audio
