// Drives the system output against a real sound server for the end-to-end script: a looping tone;
// the script stops the server meanwhile; exits 0 when the graph went on (a later buffer still
// completes) on the silent stand-in, then, once the script has started the server again, that the
// sound went back to it. Every wait is for a condition, with a deadline of a minute.
#include "audio/AudioGraph.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>

using namespace kp::audio;

static bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}


int main() {
    Samples tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * float(std::sin(2 * M_PI * 440.0 * double(i) / 44100.0));
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
