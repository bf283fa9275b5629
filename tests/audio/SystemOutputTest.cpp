#include <gtest/gtest.h>

#include "audio/AudioGraph.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <semaphore>
#include <thread>

using namespace kp::audio;
using namespace std::chrono_literals;

namespace {

// A device as slow as a busy sound server: each open and close waits until the test lets it through
// (a minute at most, then it notes that it was held up). Without `answers` there is no server.
class GatedDevice final : public SoundDevice {
public:
    bool answers = true;
    std::counting_semaphore<> gate{0};
    std::atomic<int> opens{0}, closing{0}, closes{0};
    std::atomic<bool> heldUp{false};
    std::atomic<Client*> client{nullptr};

    bool open(Client& c, unsigned, unsigned, unsigned) override {
        if (!answers) return false;
        heldUp = heldUp || !gate.try_acquire_for(1min);
        client = &c;
        return ++opens;
    }
    void close() override {
        if (!client) return;
        ++closing;
        heldUp = heldUp || !gate.try_acquire_for(1min);
        client = nullptr;
        ++closes;
    }
};

bool eventually(const std::function<bool()>& condition) {
    for (auto end = std::chrono::steady_clock::now() + 1min; !condition();) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

// The device is opened and closed on the output's own thread: starting and pausing the engine return
// at once however long the device takes, and the device follows the last wish.
TEST(SystemOutput, StartingAndPausingNeverWaitOnTheDevice) {
    auto* device = new GatedDevice;
    AudioEngine engine(makeSystemOutput(512, 4, true, std::unique_ptr<SoundDevice>(device)));
    PlayerNode* player = engine.makePlayer();
    engine.connect(player, engine.mainMixer());
    ASSERT_TRUE(engine.start());  // the device is opening meanwhile
    engine.pause();
    ASSERT_TRUE(engine.start());
    device->gate.release();
    ASSERT_TRUE(eventually([&] { return engine.output().onDevice(); }));

    // What the device pulls is the graph.
    std::atomic<int> done{0};
    player->scheduleBuffer(makeBuffer(Samples(300, 0.5f)), false, [&] { ++done; });
    player->play();
    float block[512];
    EXPECT_TRUE(device->client.load()->pull(block, 512));
    EXPECT_EQ(block[299], 0.5f);
    EXPECT_EQ(block[300], 0.0f);
    EXPECT_TRUE(eventually([&] { return done == 1; }));

    // Pausing closes it; starting again while it closes returns at once, and it opens once closed.
    engine.pause();
    ASSERT_TRUE(eventually([&] { return device->closing == 1; }));
    ASSERT_TRUE(engine.start());
    device->gate.release(2);
    EXPECT_TRUE(eventually([&] { return device->opens == 2 && engine.output().onDevice(); }));
    engine.pause();
    device->gate.release();
    EXPECT_TRUE(eventually([&] { return device->closes == 2; }));
    EXPECT_FALSE(device->heldUp) << "the engine waited for the device";
}

// Without a sound server (a headless machine) the stand-in runs the graph on the clock, so buffers
// play out and complete; a backdrop's stand-in makes nothing nobody hears.
TEST(SystemOutput, WithoutAServerTheGraphRunsOnTheClockAndABackdropHoldsStill) {
    std::atomic<int> done[2] = {0, 0};
    std::unique_ptr<AudioEngine> engines[2];
    for (int timed : {0, 1}) {
        auto device = std::make_unique<GatedDevice>();
        device->answers = false;
        engines[timed] = std::make_unique<AudioEngine>(makeSystemOutput(512, 4, timed, std::move(device)));
        PlayerNode* player = engines[timed]->makePlayer();
        engines[timed]->connect(player, engines[timed]->mainMixer());
        player->scheduleBuffer(makeBuffer(Samples(timed ? 24000 : 2000, 0.1f)), false, [&, timed] { ++done[timed]; });
        player->play();
        engines[timed]->start();
    }
    EXPECT_TRUE(eventually([&] { return done[1] == 1; }));
    EXPECT_EQ(done[0], 0) << "a backdrop's stand-in pulled";
    EXPECT_FALSE(engines[1]->output().onDevice());
}
