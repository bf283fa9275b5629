#pragma once
// Plays the app's short effects: the cat's voice and body sounds and the interface sounds. A
// recorded take is used when there is one, otherwise a synthesised buffer made once per pitch step
// and kept. Four voices: a fifth overlapping sound cuts the oldest. Driven from the main thread; a
// buffer not made yet, or a clip's takes not looked for yet (listed and decoded), are made on the
// player's worker thread, and the sound starts when they arrive.
#include "audio/AudioGraph.h"
#include "audio/ClipBank.h"
#include "audio/JobThread.h"
#include "life/PetTypes.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QTimer;

namespace kp {
class Clock;
class Defaults;
class RandomSource;
}  // namespace kp

namespace kp::audio {

class PetSoundPlayer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kVoices = 4;
    // Purrs closer together than this are dropped.
    static constexpr double kPurrSpacing = 2.2;

    // Makes a sound's samples at a pitch key; called on the worker with a generator of the job's own.
    using SampleMaker = std::function<Samples(PetSound sound, double pitchKey, RandomSource& random)>;

    // Without a maker, makeSamples().
    PetSoundPlayer(Defaults& store, Clock& clock, RandomSource& random, ClipBank& clips,
                   std::unique_ptr<AudioOutput> output = nullptr, SampleMaker maker = {},
                   QObject* parent = nullptr);
    ~PetSoundPlayer() override;

    static PetSoundPlayer& shared();

    // For good, as the app ends: the job in hand is waited for and the rest dropped, the output is
    // closed, and later requests play nothing.
    void close();

    // Pitch factor of the cat's voice for the next requests (kitten 1.3, junior 1.12, adult 1.0).
    double pitch() const { return pitch_; }
    void setPitch(double pitch) { pitch_ = pitch; }

    // Plays a sound if the switches and volume allow; never reports failure. Returns at once: a
    // sound whose buffer is not made yet, or whose takes are not decoded yet, starts once the worker
    // has them.
    void play(PetSound sound);
    // As play(), at `pitch` for this sound only: the cat's own pitch stays for its next sounds.
    void play(PetSound sound, double pitch);

    // Once every voice has been quiet this long, the output is closed until the next sound,
    // so a cat that says nothing costs no audio wake-ups.
    static constexpr double kQuietClose = 3.0;
    // Closes the output if the voices have gone quiet; the player's own timer calls it.
    void closeIfQuiet();

    // What the last request that reached a voice did; for inspection.
    struct Played {
        PetSound sound;
        int voice;
        double rate;      // voice rate
        float volume;     // player volume
        bool take;        // a recorded take, not synthesis
        QString key;      // cache key of a synthesised buffer
        QString clip;     // clip name of a take
        int takeIndex = -1;
        SampleBuffer buffer;
    };
    const std::optional<Played>& lastPlayed() const { return lastPlayed_; }

    AudioEngine& engine() { return *engine_; }
    PlayerNode* voice(int i) const { return nodes_[std::size_t(i)]; }
    VarispeedNode* speed(int i) const { return speeds_[std::size_t(i)]; }
    int nextVoice() const { return nextNode_; }
    bool started() const { return started_; }
    bool isCached(const QString& key) const { return cache_.contains(key); }
    qsizetype cacheSize() const { return cache_.size(); }
    // Sounds waiting for their buffer to be made or their takes to be decoded.
    qsizetype making() const { return making_.size() + loading_.size(); }

    // The building blocks, as the player uses them.
    static QString caseName(PetSound sound);
    static bool isInterfaceSound(PetSound sound);
    static std::optional<QString> clipName(PetSound sound, double pitch);
    static float takeGain(PetSound sound);
    static float synthGain(PetSound sound);
    // The pitch key a synthesised buffer is made and cached at, in steps of 0.02.
    static double pitchKey(PetSound sound, double rate, double pitch);
    static QString cacheKey(PetSound sound, double pitchKey, int variant);
    static Samples makeSamples(PetSound sound, double pitchKey, RandomSource& random);

private:
    // A request that passed the switches, with the rate and pitch it was asked at.
    struct Request {
        PetSound sound;
        double rate;
        double pitch;
    };
    // Plays a take of the sound, or its synthesised buffer.
    void choose(const Request& request);
    void load(const QString& name, const Request& request);
    void arriveTakes(const QString& name, ClipBank::Found found);
    std::optional<int> pickTake(const QString& name, int count);
    void make(Played played, double pitchKey);
    void arrive(const QString& key, SampleBuffer buffer);
    void start(Played played);
    // Opens the output unless it is open; false when it cannot be.
    bool startOutput();
    void holdOpenFromNow();

    Defaults& store_;
    Clock& clock_;
    RandomSource& random_;
    ClipBank& clips_;
    std::unique_ptr<AudioEngine> engine_;
    std::array<PlayerNode*, kVoices> nodes_{};
    std::array<VarispeedNode*, kVoices> speeds_{};
    int nextNode_ = 0;
    QHash<QString, SampleBuffer> cache_;
    QHash<QString, int> lastTake_;
    double purredAt_;
    bool started_ = false;
    double quietFrom_ = 0;  // monotonic time by which every voice has played out
    QTimer* quietTimer_ = nullptr;
    double pitch_ = 1.0;
    std::optional<Played> lastPlayed_;
    SampleMaker maker_;
    QHash<QString, Played> making_;  // by cache key: the request that starts when it arrives
    QHash<QString, Request> loading_;  // by clip name: the request that plays once its takes arrive
    JobThread jobs_;
};

}  // namespace kp::audio
