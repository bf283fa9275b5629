#include <gtest/gtest.h>

#include "audio/AudioGraph.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <numbers>

using namespace kp::audio;

namespace {

struct OfflineEngine {
    ManualOutput* output = new ManualOutput;
    AudioEngine engine{std::unique_ptr<AudioOutput>(output)};
};

SampleBuffer constant(std::size_t n, float v) { return makeBuffer(Samples(n, v)); }

SampleBuffer sine(std::size_t n, double cycles) {
    Samples s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = float(std::sin(2 * std::numbers::pi * cycles * double(i) / double(n)));
    return makeBuffer(std::move(s));
}

float peak(const Samples& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    float m = 0;
    for (std::size_t i = from; i < std::min(to, s.size()); ++i) m = std::max(m, std::fabs(s[i]));
    return m;
}

}  // namespace

TEST(AudioGraph, PlayerPlaysBuffersInOrderAndReportsEachOnce) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    o.engine.connect(p, o.engine.mainMixer());
    ASSERT_TRUE(o.engine.start());
    std::vector<int> done;
    p->scheduleBuffer(constant(300, 0.25f), false, [&] { done.push_back(1); });
    p->scheduleBuffer(constant(200, -0.5f), false, [&] { done.push_back(2); });
    p->play();
    const Samples a = o.engine.renderOffline(256);
    EXPECT_TRUE(done.empty());
    const Samples b = o.engine.renderOffline(512);
    EXPECT_EQ(done, (std::vector<int>{1, 2}));
    EXPECT_FLOAT_EQ(a[0], 0.25f);
    EXPECT_FLOAT_EQ(b[300 - 256 - 1], 0.25f);
    EXPECT_FLOAT_EQ(b[300 - 256], -0.5f);
    EXPECT_FLOAT_EQ(b[500 - 256 - 1], -0.5f);
    EXPECT_EQ(b[500 - 256], 0.0f);
}

TEST(AudioGraph, StopCutsAndStillCompletes) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    o.engine.connect(p, o.engine.mainMixer());
    o.engine.start();
    int completions = 0;
    p->scheduleBuffer(constant(10000, 1.0f), false, [&] { ++completions; });
    p->play();
    o.engine.renderOffline(100);
    p->stop();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(p->isPlaying());
    EXPECT_EQ(peak(o.engine.renderOffline(100)), 0.0f);
}

TEST(AudioGraph, LoopRepeatsWithoutAGapOrJump) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    o.engine.connect(p, o.engine.mainMixer());
    o.engine.start();
    const SampleBuffer loop = sine(441, 3.0);  // whole cycles: the join is smooth
    p->scheduleBuffer(loop, true);
    p->play();
    const Samples out = o.engine.renderOffline(3000);
    float maxStep = 0;
    for (std::size_t i = 1; i < out.size(); ++i) maxStep = std::max(maxStep, std::fabs(out[i] - out[i - 1]));
    const float cycleStep = float(2 * std::numbers::pi * 3.0 / 441.0);
    EXPECT_LE(maxStep, cycleStep * 1.01f);
    EXPECT_FLOAT_EQ(out[441], (*loop)[0]);
    EXPECT_FLOAT_EQ(out[2 * 441 + 5], (*loop)[5]);
}

TEST(AudioGraph, VolumesScaleAndMixersSum) {
    OfflineEngine o;
    PlayerNode* a = o.engine.makePlayer();
    PlayerNode* b = o.engine.makePlayer();
    MixerNode* sub = o.engine.makeMixer();
    o.engine.connect(a, sub);
    o.engine.connect(b, sub);
    o.engine.connect(sub, o.engine.mainMixer());
    o.engine.start();
    a->setVolume(0.5f);
    b->setVolume(0.25f);
    sub->setVolume(0.5f);
    a->scheduleBuffer(constant(4000, 1.0f));
    b->scheduleBuffer(constant(4000, 1.0f));
    a->play();
    b->play();
    const Samples out = o.engine.renderOffline(2048);
    EXPECT_NEAR(out[1000], (0.5f + 0.25f) * 0.5f, 1e-6f);
    // A volume change glides over one block instead of stepping.
    a->setVolume(0.0f);
    const Samples glide = o.engine.renderOffline(1000);
    EXPECT_GT(glide[10], glide[900]);
    EXPECT_NEAR(glide[999], 0.25f * 0.5f, 1e-5f);
}

TEST(AudioGraph, VarispeedChangesPitchAndLength) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    VarispeedNode* v = o.engine.makeVarispeed();
    o.engine.connect(p, v);
    o.engine.connect(v, o.engine.mainMixer());
    o.engine.start();
    v->setRate(2.0);
    int finishedAfter = -1;
    int rendered = 0;
    p->scheduleBuffer(sine(8820, 20), false, [&] { finishedAfter = rendered; });
    p->play();
    Samples out;
    for (int block = 0; block < 20; ++block) {
        Samples b = o.engine.renderOffline(512);
        rendered += 512;
        out.insert(out.end(), b.begin(), b.end());
    }
    // 8820 input samples at twice the speed: about 4410 output samples.
    std::size_t last = 0;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (std::fabs(out[i]) > 0.05f) last = i;
    EXPECT_NEAR(double(last), 4410.0, 200.0);
    EXPECT_GE(finishedAfter, 0);
    // Rate 1 passes samples through untouched.
    v->setRate(1.0);
    p->scheduleBuffer(constant(100, 0.3f));
    EXPECT_FLOAT_EQ(o.engine.renderOffline(1)[0], 0.3f);
}

TEST(AudioGraph, AFlushedVarispeedKeepsNothingOfTheCutSound) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    VarispeedNode* v = o.engine.makeVarispeed();
    o.engine.connect(p, v);
    o.engine.connect(v, o.engine.mainMixer());
    o.engine.start();
    v->setRate(0.9);
    p->scheduleBuffer(constant(44100, 0.5f));
    p->play();
    o.engine.renderOffline(300);
    // The voice is taken for another sound while the first still plays: without the flush the
    // converter would first let out what it had already taken of the cut sound.
    p->stop();
    v->flush();
    p->scheduleBuffer(constant(44100, -0.5f));
    p->play();
    const Samples next = o.engine.renderOffline(600);
    float loudestOld = 0;
    for (float x : next) loudestOld = std::max(loudestOld, x);
    EXPECT_LT(loudestOld, 0.01f);
    EXPECT_LT(next.back(), -0.45f);
}

TEST(AudioGraph, ReverbLeavesATail) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    ReverbNode* r = o.engine.makeReverb();
    o.engine.connect(p, r);
    o.engine.connect(r, o.engine.mainMixer());
    r->setWetDryMix(60);
    o.engine.start();
    p->scheduleBuffer(constant(441, 0.5f));
    p->play();
    const Samples out = o.engine.renderOffline(22050);
    EXPECT_GT(peak(out, 4410, 8820), 1e-4f);  // the impulse has long ended, the room still rings
}

TEST(AudioGraph, StoppedOrPausedEngineIsSilentAndRefusedStartChangesNothing) {
    OfflineEngine o;
    PlayerNode* p = o.engine.makePlayer();
    o.engine.connect(p, o.engine.mainMixer());
    p->scheduleBuffer(constant(1000, 1.0f));
    p->play();
    EXPECT_EQ(peak(o.engine.renderOffline(10)), 0.0f);
    o.output->startFails = true;
    EXPECT_FALSE(o.engine.start());
    EXPECT_FALSE(o.engine.isRunning());
    o.output->startFails = false;
    EXPECT_TRUE(o.engine.start());
    EXPECT_EQ(o.engine.renderOffline(10)[0], 1.0f);
    o.engine.pause();
    EXPECT_EQ(peak(o.engine.renderOffline(10)), 0.0f);
    o.engine.start();
    EXPECT_EQ(o.engine.renderOffline(10)[0], 1.0f);  // picks up where it was
}

// With no sound server (as here, and on headless machines) the system output still runs the graph
// on the clock, so buffers play out and complete; a backdrop's output makes nothing nobody hears.
TEST(AudioGraph, SystemOutputRunsSilentlyWithoutAServer) {
    AudioEngine backdrop(makeBackdropOutput());
    PlayerNode* b = backdrop.makePlayer();
    backdrop.connect(b, backdrop.mainMixer());
    std::atomic<int> backdropDone{0};
    b->scheduleBuffer(constant(2000, 0.1f), false, [&] { ++backdropDone; });
    b->play();
    ASSERT_TRUE(backdrop.start());
    AudioEngine engine;
    PlayerNode* p = engine.makePlayer();
    engine.connect(p, engine.mainMixer());
    ASSERT_TRUE(engine.start());
    EXPECT_TRUE(engine.isRunning());
    std::atomic<int> done{0};
    p->scheduleBuffer(constant(24000, 0.1f), false, [&] { ++done; });
    p->play();
    QElapsedTimer waited;
    waited.start();
    while (done.load() == 0 && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(done.load(), 1);
    if (!backdrop.output().onDevice()) {
        EXPECT_EQ(backdropDone.load(), 0);
    }
    backdrop.stop();
    engine.pause();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(engine.start());
    engine.stop();
}
