#pragma once
// The rooms' background beds: rain, birds, fire and television. Each bed is synthesised once, away
// from the main thread, then loops without a seam on a player of its own. Levels come from the cat's
// life model once a second; every player fades towards its target on a 1/30 s tick, players that
// reach silence pause, and the engine pauses when every bed is silent. Main thread only.
#include "audio/AudioGraph.h"
#include "life/AmbienceTarget.h"
#include "platform/Scheduler.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

namespace kp::audio {

class RoomAmbience final : public QObject, public AmbienceTarget {
    Q_OBJECT
public:
    using Bed = AmbienceBed;
    static constexpr std::array<Bed, 4> kBeds{Bed::rain, Bed::birds, Bed::fire, Bed::tv};
    static constexpr double kTick = 1.0 / 30.0;

    // Makes a bed's loop somewhere else and hands it back on the main thread.
    class BedLoader {
    public:
        using Done = std::function<void(Bed, SampleBuffer)>;
        virtual ~BedLoader() = default;
        virtual void load(Bed bed, QObject* receiver, Done done) = 0;
    };
    // Synthesises on a thread of its own, one bed after the other.
    static std::unique_ptr<BedLoader> makeThreadLoader();

    RoomAmbience(Scheduler& scheduler, std::unique_ptr<AudioOutput> output = nullptr,
                 std::unique_ptr<BedLoader> loader = nullptr, QObject* parent = nullptr);
    ~RoomAmbience() override;

    static RoomAmbience& shared();
    // For good, as the app ends: the output is closed and no bed plays or is made again.
    void close();

    // Brings the beds in line with `enabled`, `volume` and `levels`. Cheap and idempotent.
    void apply() override;
    // Levels at or below 0.001 are left out of `levels` by whoever writes them.
    static bool isAudible(float level) { return kp::isAudible(level); }

    // A synthesised loop arrives (main thread).
    void install(SampleBuffer buffer, Bed bed);
    // One fade tick.
    void fadeStep();
    // Read-outs.
    AudioEngine& engine() { return *engine_; }
    PlayerNode* player(Bed bed) const { return players_[std::size_t(bed)]; }
    bool isLoaded(Bed bed) const { return buffers_[std::size_t(bed)] != nullptr; }
    bool isLoading(Bed bed) const { return loading_[std::size_t(bed)]; }
    bool started() const { return started_; }
    bool isFading() const { return fadeTimer_ != 0; }
    // The volume a bed is heading for now.
    float target(Bed bed) const;

private:
    float wanted(Bed bed) const;  // level x gain x volume, ignoring `loaded`
    bool startEngine();

    Scheduler& scheduler_;
    std::unique_ptr<AudioEngine> engine_;
    std::unique_ptr<BedLoader> loader_;
    std::array<PlayerNode*, 4> players_{};
    std::array<SampleBuffer, 4> buffers_{};
    std::array<bool, 4> loading_{};
    // Installed while the engine could not start: scheduled when it next starts.
    std::array<bool, 4> unscheduled_{};
    WorkId fadeTimer_ = 0;
    bool started_ = false;
};

}  // namespace kp::audio
