// Drives the system output against a real sound server for the end-to-end script.
//   play:    a 440 Hz tone of 1 s; exits 0 when it played out on the device.
//   survive: a looping tone; the script stops the server meanwhile; exits 0 when the graph went on
//            (a later buffer still completes) on the silent stand-in, then, once the script has
//            started the server again, that the sound went back to it.
#include "audio/AudioGraph.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace kp::audio;

static bool waitFor(const std::atomic<int>& flag, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (flag.load() == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return flag.load() != 0;
}

int main(int argc, char** argv) {
    const bool survive = argc > 1 && std::strcmp(argv[1], "survive") == 0;
    Samples tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * float(std::sin(2 * M_PI * 440.0 * double(i) / 44100.0));
    AudioEngine engine;
    PlayerNode* p = engine.makePlayer();
    engine.connect(p, engine.mainMixer());
    if (!engine.start()) return 2;
    // The stream opens on the output's own thread.
    const auto opened = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!engine.output().onDevice() && std::chrono::steady_clock::now() < opened)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!engine.output().onDevice()) return 3;
    std::atomic<int> done{0};
    if (!survive) {
        p->scheduleBuffer(makeBuffer(tone), false, [&] { done = 1; });
        p->play();
        if (!waitFor(done, 5)) return 4;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the device drain
        return engine.output().onDevice() ? 0 : 5;
    }
    p->scheduleBuffer(makeBuffer(tone), true);
    p->play();
    std::printf("playing\n");
    std::fflush(stdout);
    // The script stops the server now; wait until the output notices.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (engine.output().onDevice() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (engine.output().onDevice()) return 6;
    p->stop();
    p->scheduleBuffer(makeBuffer(Samples(2000, 0.1f)), false, [&] { done = 1; });
    p->play();
    if (!waitFor(done, 5)) return 7;
    engine.pause();
    if (!engine.start()) return 8;  // no server now: the stand-in again
    if (engine.output().onDevice()) return 9;
    std::printf("standin\n");
    std::fflush(stdout);
    // The script brings the server back: the stand-in hands the sound back to it.
    const auto back = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!engine.output().onDevice() && std::chrono::steady_clock::now() < back)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!engine.output().onDevice()) return 10;
    done = 0;
    p->scheduleBuffer(makeBuffer(Samples(2000, 0.1f)), false, [&] { done = 1; });
    if (!waitFor(done, 5)) return 11;
    engine.stop();
    return 0;
}
