// The render path (what a sound device's callback runs) must neither allocate nor free: both can
// take locks and stall the device. The binary's allocator counts what the rendering thread does.
#include <gtest/gtest.h>

#include "audio/AudioGraph.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
thread_local bool tCounting = false;
thread_local int tAllocations = 0;
thread_local int tFrees = 0;
}  // namespace

void* operator new(std::size_t n) {
    if (tCounting) ++tAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept {
    if (p && tCounting) ++tFrees;
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
// The nothrow forms too, so every allocation meets the matching free (the sanitizers check).
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (tCounting) ++tAllocations;
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }

using namespace kp::audio;

namespace {

// A device stand-in that the test itself pulls, as a device thread would.
class PulledOutput final : public AudioOutput {
public:
    Source* source = nullptr;
    bool start(Source& s) override {
        source = &s;
        return true;
    }
    void stop() override { source = nullptr; }
    bool isLive() const override { return true; }
};

}  // namespace

TEST(RenderPath, PullsNeitherAllocateNorFree) {
    tCounting = true;  // the counting allocator is the one in use
    ::operator delete(::operator new(16));
    tCounting = false;
    ASSERT_EQ(tAllocations + tFrees, 2);
    tAllocations = tFrees = 0;
    auto* output = new PulledOutput;
    AudioEngine engine{std::unique_ptr<AudioOutput>(output)};
    MixerNode* voices = engine.makeMixer();
    ReverbNode* reverb = engine.makeReverb();
    engine.connect(voices, reverb);
    engine.connect(reverb, engine.mainMixer());
    PlayerNode* players[4];
    VarispeedNode* speeds[4];
    for (int i = 0; i < 4; ++i) {
        players[i] = engine.makePlayer();
        speeds[i] = engine.makeVarispeed();
        engine.connect(players[i], speeds[i]);
        engine.connect(speeds[i], voices);
        speeds[i]->setRate(0.9 + 0.1 * i);
    }
    ASSERT_TRUE(engine.start());

    const SampleBuffer shortOne = makeBuffer(Samples(700, 0.2f));
    const SampleBuffer loop = makeBuffer(Samples(3000, 0.1f));
    std::atomic<int> completions{0};
    std::vector<float> out(512);
    for (int round = 0; round < 40; ++round) {
        // Driving side: schedule, cut, restart (allocations here are fine).
        PlayerNode* p = players[round % 4];
        if (round % 3 == 0) {
            p->stop();
            speeds[round % 4]->flush();
        }
        p->scheduleBuffer(shortOne, false, [&] { ++completions; });
        p->scheduleBuffer(loop, round % 5 == 0);
        p->play();
        p->setVolume(0.1f * float(round % 10));
        // Rendering side.
        tCounting = true;
        for (int pull = 0; pull < 8; ++pull) output->source->renderOutput(out.data(), 512);
        tCounting = false;
    }
    EXPECT_EQ(tAllocations, 0);
    EXPECT_EQ(tFrees, 0);
    engine.stop();
    EXPECT_GT(completions, 0);
}
