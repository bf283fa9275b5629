// How long the calling thread is held when the cat makes a sound whose samples are not made yet:
// play() itself, and the longest event handled until the sound reaches its voice ("longest_ms").
#include <benchmark/benchmark.h>

#include "audio/ClipBank.h"
#include "audio/PetSoundPlayer.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Random.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <thread>

using namespace kp;
using kp::audio::PetSoundPlayer;

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "pet_sound_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

void UncachedSound(benchmark::State& state) {
    app();
    const auto sound = PetSound(state.range(0));
    state.SetLabel(PetSoundPlayer::caseName(sound).toStdString());
    QTemporaryDir dir;
    Defaults store(dir.path() + "/config/kettlepaw.conf", dir.path() + "/data");
    ManualClock clock;
    SeededRandom random(7);
    audio::ClipBank clips(QStringList{dir.path() + "/none"});
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto player = std::make_unique<PetSoundPlayer>(store, clock, random, clips,
                                                       std::make_unique<audio::ManualOutput>());
        QElapsedTimer t;
        t.start();
        state.ResumeTiming();
        player->play(sound);
        state.PauseTiming();
        longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
        while (!player->lastPlayed()) {
            t.restart();
            QCoreApplication::processEvents();
            longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
            std::this_thread::yield();
        }
        player.reset();
        state.ResumeTiming();
    }
    state.counters["longest_ms"] = longest;
}
BENCHMARK(UncachedSound)
    ->Arg(int(PetSound::meow))
    ->Arg(int(PetSound::yawn))
    ->Iterations(20)  // each waits for its sound: a fixed count keeps the run short
    ->Unit(benchmark::kMillisecond);

}  // namespace
