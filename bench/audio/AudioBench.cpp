// How fast the sounds are made and mixed, as multiples of real time ("x_realtime").
#include <benchmark/benchmark.h>

#include "audio/AmbienceBeds.h"
#include "audio/AudioGraph.h"
#include "audio/PetSoundPlayer.h"
#include "platform/Random.h"

using namespace kp;
using kp::audio::PetSoundPlayer;

namespace {

void reportRealtime(benchmark::State& state, double secondsPerIteration) {
    state.counters["x_realtime"] = benchmark::Counter(secondsPerIteration * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void Effect(benchmark::State& state) {
    const auto sound = PetSound(state.range(0));
    state.SetLabel(PetSoundPlayer::caseName(sound).toStdString());
    SeededRandom random(1);
    std::size_t samples = 0;
    for (auto _ : state) {
        auto s = PetSoundPlayer::makeSamples(sound, 1.0, random);
        samples = s.size();
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, double(samples) / audio::kSampleRate);
}
BENCHMARK(Effect)->DenseRange(0, 22)->Unit(benchmark::kMillisecond);

void AmbienceBed(benchmark::State& state) {
    const auto bed = kp::AmbienceBed(state.range(0));
    state.SetLabel(std::string(EnumNames<kp::AmbienceBed>::names[std::size_t(bed)]));
    SeededRandom random(1);
    std::size_t samples = 0;
    for (auto _ : state) {
        auto s = synth::bedLoop(bed, random);
        samples = s.size();
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, double(samples) / audio::kSampleRate);
}
BENCHMARK(AmbienceBed)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The pet voices' graph: four players through varispeed into the mixer, one 512-frame pull.
void VoiceGraphPull(benchmark::State& state) {
    auto* output = new audio::ManualOutput;
    audio::AudioEngine engine{std::unique_ptr<audio::AudioOutput>(output)};
    const auto loop = audio::makeBuffer(audio::Samples(44100, 0.1f));
    for (int i = 0; i < 4; ++i) {
        auto* p = engine.makePlayer();
        auto* v = engine.makeVarispeed();
        engine.connect(p, v);
        engine.connect(v, engine.mainMixer());
        v->setRate(0.97 + 0.03 * i);
        p->scheduleBuffer(loop, true);
        p->play();
    }
    engine.start();
    std::vector<float> out(512);
    for (auto _ : state) {
        engine.renderOffline(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    reportRealtime(state, 512.0 / audio::kSampleRate);
}
BENCHMARK(VoiceGraphPull);

}  // namespace
