// Drives the system output against a real sound server for the end-to-end script. Every wait is for
// a condition, with a deadline of a minute unless said otherwise.
//   (no argument) a looping tone; the script stops the server meanwhile; exits 0 when the graph went
//     on (a later buffer still completes) on the silent stand-in, then, once the script has started
//     the server again, that the sound went back to it.
//   together: ten times, three outputs (the effects', the ambience's, the music's) start in the same
//     instant, and all three are on the device within 2 s; the last three stay until stdin ends.
//   cycles N: the output started and stopped N times, on the device each time; prints how much the
//     heap grew after the first ten.
//   wedged: the server does not answer (the script has stopped it): the graph runs on the stand-in;
//     once the script lets the server go on, the sound goes to it.
//   cramped: with the app's 2 MB thread stacks, under a limit of 48 MB more address space than the
//     probe has, too little for libpulse's memory pool: the graph runs on the stand-in; exits 0
//     once it does.
#include "audio/AudioGraph.h"

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count (its allocator stands in for the C library's); GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace kp::audio;

static bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds deadline = std::chrono::minutes(1)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}


static Samples tone() {
    Samples tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * float(std::sin(2 * M_PI * 440.0 * double(i) / 44100.0));
    return tone;
}

static int together() {
    std::vector<std::unique_ptr<AudioEngine>> engines;
    for (int round = 1; round <= 10; ++round) {
        engines.clear();  // closing never hangs
        engines.push_back(std::make_unique<AudioEngine>(makeSystemOutput()));
        engines.push_back(std::make_unique<AudioEngine>(makeBackdropOutput()));
        engines.push_back(std::make_unique<AudioEngine>(makeBackdropOutput(2)));
        for (auto& engine : engines) {
            PlayerNode* p = engine->makePlayer();
            engine->connect(p, engine->mainMixer());
            p->scheduleBuffer(makeBuffer(tone()), true);
            p->play();
        }
        const auto begun = std::chrono::steady_clock::now();
        for (auto& engine : engines)
            if (!engine->start()) return 2;
        const bool all = waitFor(
            [&] {
                for (auto& engine : engines)
                    if (!engine->output().onDevice()) return false;
                return true;
            },
            std::chrono::seconds(2));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begun);
        std::printf("round %d: %s after %lld ms\n", round, all ? "all three on the device" : "NOT all on the device",
                    static_cast<long long>(ms.count()));
        std::fflush(stdout);
        if (!all) {
            for (auto& engine : engines) std::printf("  %s\n", engine->output().onDevice() ? "on the device" : "off");
            std::fflush(stdout);
            return 4;
        }
    }
    std::printf("three\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}

static std::size_t addressSpace() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::size_t(std::stoull(line.substr(7))) * 1024;
    return 0;
}

// Plays a short sound through a started engine that has no device: 0 once the stand-in has
// played it and said so, else the probe's failure code.
static int playsOnTheStandIn(AudioEngine& engine) {
    PlayerNode* p = engine.makePlayer();
    engine.connect(p, engine.mainMixer());
    std::atomic<int> done{0};
    p->scheduleBuffer(makeBuffer(Samples(2000, 0.1f)), false, [&] { done = 1; });
    p->play();
    if (!engine.start()) return 2;
    if (!waitFor([&] { return done.load() != 0; })) return 7;
    if (engine.output().onDevice()) return 8;
    std::printf("standin\n");
    return 0;
}

static int cramped() {
    pthread_attr_t attr;
    if (::pthread_getattr_default_np(&attr) != 0 || ::pthread_attr_setstacksize(&attr, std::size_t(2) << 20) != 0 ||
        ::pthread_setattr_default_np(&attr) != 0)
        return 3;
    const rlim_t bound = addressSpace() + (rlim_t(48) << 20);
    const rlimit limit{bound, bound};
    if (::setrlimit(RLIMIT_AS, &limit) != 0) return 3;
    AudioEngine engine;
    return playsOnTheStandIn(engine);
}

static int wedged() {
    AudioEngine engine;
    if (const int failed = playsOnTheStandIn(engine)) return failed;
    std::fflush(stdout);
    if (!waitFor([&] { return engine.output().onDevice(); })) return 10;
    return 0;
}

// Bytes the program holds from the heap.
static long long heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#endif
}

// The server's device, counting how often it was closed.
class CountedDevice final : public SoundDevice {
public:
    bool open(Client& client, unsigned blockFrames, unsigned blocks, unsigned channels) override {
        return device_->open(client, blockFrames, blocks, channels);
    }
    void close() override {
        device_->close();
        ++closes;
    }
    std::atomic<int> closes{0};

private:
    std::unique_ptr<SoundDevice> device_ = makeServerDevice();
};

// The output opened on the device and closed again, as an island opens and closes: the heap held
// once the first rounds have warmed every cache, and after as many again.
static int cycles(int rounds) {
    auto device = std::make_unique<CountedDevice>();
    CountedDevice& counted = *device;
    AudioEngine engine(makeSystemOutput(512, 4, true, std::move(device)));
    PlayerNode* p = engine.makePlayer();
    engine.connect(p, engine.mainMixer());
    p->scheduleBuffer(makeBuffer(tone()), true);
    p->play();
    long long warm = 0;
    const auto opened = [&] {
        if (!engine.start()) return false;
        return waitFor([&] { return engine.output().onDevice(); });
    };
    for (int round = 1; round <= rounds; ++round) {
        if (!opened()) return 3;
        // Every close asked for before this open has finished: the device's jobs run in turn.
        if (round == 10) warm = heapInUse();
        const int closed = counted.closes.load();
        engine.stop();
        if (!waitFor([&] { return counted.closes.load() > closed; })) return 4;
    }
    if (!opened()) return 3;
    const long long grown = heapInUse() - warm;
    std::printf("heap grew by %lld bytes over %d openings\n", grown, rounds - 9);
    engine.stop();
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "cycles") == 0) return cycles(std::atoi(argv[2]));
    if (argc > 1 && std::strcmp(argv[1], "together") == 0) return together();
    if (argc > 1 && std::strcmp(argv[1], "wedged") == 0) return wedged();
    if (argc > 1 && std::strcmp(argv[1], "cramped") == 0) return cramped();
    const Samples tone = ::tone();
    AudioEngine engine;
    PlayerNode* p = engine.makePlayer();
    engine.connect(p, engine.mainMixer());
    if (!engine.start()) return 2;
    // The stream opens on the output's own thread.
    if (!waitFor([&] { return engine.output().onDevice(); })) return 3;
    std::atomic<int> done{0};
    const auto finished = [&] { return done.load() != 0; };
    p->scheduleBuffer(makeBuffer(tone), true);
    p->play();
    std::printf("playing\n");
    std::fflush(stdout);
    // The script stops the server now; wait until the output notices.
    if (!waitFor([&] { return !engine.output().onDevice(); })) return 6;
    p->stop();
    p->scheduleBuffer(makeBuffer(Samples(2000, 0.1f)), false, [&] { done = 1; });
    p->play();
    if (!waitFor(finished)) return 7;
    std::printf("standin\n");
    std::fflush(stdout);
    // The script brings the server back: the stand-in hands the sound back to it.
    if (!waitFor([&] { return engine.output().onDevice(); })) return 10;
    done = 0;
    p->scheduleBuffer(makeBuffer(Samples(2000, 0.1f)), false, [&] { done = 1; });
    if (!waitFor(finished)) return 11;
    engine.stop();
    return 0;
}
