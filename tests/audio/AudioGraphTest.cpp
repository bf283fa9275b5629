#include <gtest/gtest.h>

#include "Listen.h"
#include "audio/AudioGraph.h"

using namespace kp::audio;
using kp::test::peak;

namespace {

// An engine rendered by the test, with one player.
struct Offline {
    ManualOutput* output = new ManualOutput;
    AudioEngine engine{std::unique_ptr<AudioOutput>(output)};
    PlayerNode* player = engine.makePlayer();
    // player -> node -> main mixer, started.
    template <typename Node>
    Node* through(Node* node) {
        engine.connect(player, node);
        engine.connect(node, engine.mainMixer());
        engine.start();
        return node;
    }
};

SampleBuffer constant(std::size_t n, float v) { return makeBuffer(Samples(n, v)); }

SampleBuffer sine(std::size_t n, double cycles) {
    Samples s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = float(std::sin(2 * std::numbers::pi * cycles * double(i) / double(n)));
    return makeBuffer(std::move(s));
}

}  // namespace

TEST(AudioGraph, APlayerPlaysInOrderLoopsWithoutASeamAndAStopCutsAndStillCompletes) {
    Offline o;
    o.through(o.engine.makeMixer());
    std::vector<int> done;
    o.player->scheduleBuffer(constant(300, 0.25f), false, [&] { done.push_back(1); });
    o.player->scheduleBuffer(constant(200, -0.5f), false, [&] { done.push_back(2); });
    o.player->play();
    o.engine.renderOffline(256);
    EXPECT_TRUE(done.empty());
    const Samples b = o.engine.renderOffline(512);
    EXPECT_EQ(done, (std::vector<int>{1, 2}));
    EXPECT_FLOAT_EQ(b[300 - 256 - 1], 0.25f);
    EXPECT_FLOAT_EQ(b[300 - 256], -0.5f);
    EXPECT_FLOAT_EQ(b[500 - 256 - 1], -0.5f);
    EXPECT_EQ(b[500 - 256], 0.0f);

    // Whole cycles loop with no step at the join larger than the sine's own.
    const SampleBuffer loop = sine(441, 3.0);
    o.player->scheduleBuffer(loop, true, [&] { done.push_back(3); });
    const Samples out = o.engine.renderOffline(3000);
    float maxStep = 0;
    for (std::size_t i = 1; i < out.size(); ++i) maxStep = std::max(maxStep, std::fabs(out[i] - out[i - 1]));
    EXPECT_LE(maxStep, float(2 * std::numbers::pi * 3.0 / 441.0) * 1.01f);
    EXPECT_FLOAT_EQ(out[2 * 441 + 5], (*loop)[5]);
    o.player->stop();
    EXPECT_EQ(done.back(), 3);
    EXPECT_EQ(peak(o.engine.renderOffline(100)), 0.0f);
}

TEST(AudioGraph, VolumesScaleMixersSumAndAChangeGlidesOverOneBlock) {
    Offline o;
    PlayerNode* b = o.engine.makePlayer();
    MixerNode* sub = o.through(o.engine.makeMixer());
    o.engine.connect(b, sub);
    o.player->setVolume(0.5f);
    b->setVolume(0.25f);
    sub->setVolume(0.5f);
    for (PlayerNode* p : {o.player, b}) {
        p->scheduleBuffer(constant(4000, 1.0f));
        p->play();
    }
    EXPECT_NEAR(o.engine.renderOffline(2048)[1000], (0.5f + 0.25f) * 0.5f, 1e-6f);
    o.player->setVolume(0.0f);
    const Samples glide = o.engine.renderOffline(1000);
    EXPECT_GT(glide[10], glide[900]);
    EXPECT_LT(glide[10], 0.375f);
    EXPECT_NEAR(glide[999], 0.25f * 0.5f, 1e-5f);
}

TEST(AudioGraph, VarispeedChangesPitchAndLengthAndAFlushKeepsNothingOfTheCutSound) {
    Offline o;
    VarispeedNode* v = o.through(o.engine.makeVarispeed());
    v->setRate(2.0);
    bool finished = false;
    o.player->scheduleBuffer(sine(8820, 20), false, [&] { finished = true; });
    o.player->play();
    const Samples out = o.engine.renderOffline(10240);
    // 8820 input samples at twice the speed: about 4410 output samples.
    std::size_t last = 0;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (std::fabs(out[i]) > 0.05f) last = i;
    EXPECT_NEAR(double(last), 4410.0, 200.0);
    EXPECT_TRUE(finished);

    // The voice is taken for another sound while the first still plays: without the flush the
    // converter would first let out what it had already taken of the cut sound.
    v->setRate(0.9);
    o.player->scheduleBuffer(constant(44100, 0.5f));
    o.engine.renderOffline(300);
    o.player->stop();
    v->flush();
    o.player->scheduleBuffer(constant(44100, -0.5f));
    o.player->play();
    const Samples next = o.engine.renderOffline(600);
    EXPECT_LT(*std::max_element(next.begin(), next.end()), 0.01f);
    EXPECT_LT(next.back(), -0.45f);
}

// The hall: an impulse comes out at once at the dry share (mix 32: 2 x 0.68 against 3 x 0.32 wet),
// then nothing until the shortest comb has delayed it; the tail rings long after, and in stereo
// its two channels differ.
TEST(AudioGraph, TheHallAnswersAnImpulseWithItsDryShareThenItsCombsAndRingsApartInStereo) {
    Offline o;
    o.through(o.engine.makeReverb())->setWetDryMix(32);
    Samples impulse(1, 1.0f);
    o.player->scheduleBuffer(makeBuffer(impulse));
    o.player->play();
    const Samples out = o.engine.renderOffline(22050);
    EXPECT_NEAR(out[0], 1.36f / 2.32f, 1e-6f);
    EXPECT_EQ(peak(out, 1, 1116), 0.0f) << "the wet path let the impulse through undelayed";
    EXPECT_GT(std::fabs(out[1116]), 1e-6f);
    EXPECT_GT(peak(out, 4410, 8820), 1e-4f);  // long after the impulse

    ManualOutput* stereoOut = new ManualOutput(2);
    AudioEngine stereo{std::unique_ptr<AudioOutput>(stereoOut)};
    PlayerNode* player = stereo.makePlayer();
    ReverbNode* hall = stereo.makeReverb();
    hall->setWetDryMix(32);
    stereo.connect(player, hall);
    stereo.connect(hall, stereo.mainMixer());
    stereo.start();
    player->scheduleBuffer(constant(441, 0.5f));
    player->play();
    const Samples both = stereo.renderOffline(22050);
    ASSERT_EQ(both.size(), 2u * 22050u);
    EXPECT_FLOAT_EQ(both[0], both[1]) << "the dry sound is the same on both sides";
    double apart = 0, tail = 0;
    for (std::size_t i = 2 * 4410; i < both.size(); i += 2) {
        apart += std::fabs(both[i] - both[i + 1]);
        tail += std::fabs(both[i]) + std::fabs(both[i + 1]);
    }
    EXPECT_GT(apart, 0.3 * tail) << "the tail is the same on both sides";
}

TEST(AudioGraph, AStoppedOrPausedEngineIsSilentAndGoesOnWhereItWas) {
    Offline o;
    o.engine.connect(o.player, o.engine.mainMixer());
    o.player->scheduleBuffer(constant(1000, 1.0f));
    o.player->play();
    EXPECT_EQ(peak(o.engine.renderOffline(10)), 0.0f);
    EXPECT_TRUE(o.engine.start());
    EXPECT_EQ(o.engine.renderOffline(10)[0], 1.0f);
    o.engine.pause();
    EXPECT_EQ(peak(o.engine.renderOffline(10)), 0.0f);
    o.engine.start();
    EXPECT_EQ(o.engine.renderOffline(10)[0], 1.0f);  // picks up where it was
}
