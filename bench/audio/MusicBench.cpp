// How fast the music is composed, rendered and played, as multiples of real time ("x_realtime").
#include <benchmark/benchmark.h>

#include "audio/AudioGraph.h"
#include "audio/MusicComposer.h"

#include <string_view>

using namespace kp;
using kp::audio::MusicComposer;
using kp::audio::MusicMood;

namespace {

constexpr std::string_view kMoodNames[] = {"morning", "day", "afternoon", "sunset", "night", "farewell"};

void reportRealtime(benchmark::State& state, double secondsPerIteration) {
    state.counters["x_realtime"] = benchmark::Counter(secondsPerIteration * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// A segment once the composer has played a while and knows its notes.
void SegmentWarm(benchmark::State& state) {
    const auto mood = MusicMood(state.range(0) / 2);
    const bool rainy = state.range(0) % 2 != 0;
    state.SetLabel(std::string(kMoodNames[std::size_t(mood)]) + (rainy ? " rain" : ""));
    MusicComposer composer;
    composer.rng.state = 1;
    for (int i = 0; i < 30; ++i) composer.nextSegment(mood, rainy);
    for (auto _ : state) {
        auto s = composer.nextSegment(mood, rainy);
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, MusicComposer::segmentSeconds(mood, rainy));
}
BENCHMARK(SegmentWarm)->DenseRange(0, 11)->Unit(benchmark::kMillisecond);

// The very first segment: every note is synthesised as well.
void SegmentCold(benchmark::State& state) {
    const auto mood = MusicMood(state.range(0));
    state.SetLabel(std::string(kMoodNames[std::size_t(mood)]));
    std::uint64_t seed = 1;
    for (auto _ : state) {
        MusicComposer composer;
        composer.rng.state = seed++;
        auto s = composer.nextSegment(mood, false);
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, MusicComposer::segmentSeconds(mood, false));
}
BENCHMARK(SegmentCold)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void StoryScoreCold(benchmark::State& state) {
    for (auto _ : state) {
        MusicComposer composer;
        auto s = composer.storyScore();
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, 28.0);
}
BENCHMARK(StoryScoreCold)->Unit(benchmark::kMillisecond);

void Voice(benchmark::State& state) {
    const int which = int(state.range(0));
    state.SetLabel(which == 0 ? "bell" : which == 1 ? "piano" : "pad 4.9 s");
    double seconds = 0;
    for (auto _ : state) {
        audio::Samples s = which == 0   ? MusicComposer::bell(440)
                           : which == 1 ? MusicComposer::piano(440)
                                        : MusicComposer::pad(440, 3.3, 1.0);
        seconds = double(s.size()) / audio::kSampleRate;
        benchmark::DoNotOptimize(s.data());
    }
    reportRealtime(state, seconds);
}
BENCHMARK(Voice)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The music box's graph (player, up-mix, hall reverb) playing a segment in stereo, one 512-frame pull.
void MusicGraphPull(benchmark::State& state) {
    auto* output = new audio::ManualOutput(2);
    audio::AudioEngine engine{std::unique_ptr<audio::AudioOutput>(output)};
    audio::PlayerNode* player = engine.makePlayer();
    audio::MixerNode* upmix = engine.makeMixer();
    audio::ReverbNode* reverb = engine.makeReverb();
    reverb->setRoomSize(0.8f);
    reverb->setWetDryMix(32.0f);
    engine.connect(player, upmix);
    engine.connect(upmix, reverb);
    engine.connect(reverb, engine.mainMixer());
    MusicComposer composer;
    composer.rng.state = 3;
    player->scheduleBuffer(audio::makeBuffer(composer.nextSegment(MusicMood::day, false)), true);
    player->setVolume(0.5f);
    player->play();
    engine.start();
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        engine.renderOffline(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    reportRealtime(state, 512.0 / audio::kSampleRate);
}
BENCHMARK(MusicGraphPull);

}  // namespace
