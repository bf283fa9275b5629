#include "audio/RoomAmbience.h"

#include "audio/AmbienceBeds.h"
#include "audio/JobThread.h"
#include "platform/Random.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <random>

namespace kp::audio {
namespace {

// The beds are made one after the other on a thread of their own: the global pool's threads are
// the drawing's, and a bed takes a while.
class ThreadLoader final : public RoomAmbience::BedLoader {
public:
    void load(RoomAmbience::Bed bed, QObject* receiver, Done done) override {
        QPointer<QObject> guard(receiver);
        auto handBack = [guard = std::move(guard), done = std::move(done)](RoomAmbience::Bed b, SampleBuffer buffer) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [b, guard, done, buffer = std::move(buffer)] {
                    if (guard) done(b, buffer);
                },
                Qt::QueuedConnection);
        };
        const bool queued = jobs_.post([bed, handBack] {
            SeededRandom random(std::random_device{}());
            SampleBuffer buffer;
            try {
                buffer = makeBuffer(synth::bedLoop(bed, random));
            } catch (const std::bad_alloc&) {
                buffer.reset();
            }
            handBack(bed, std::move(buffer));
        });
        if (!queued) handBack(bed, {});  // no thread for it now: not made, and asked for again later
    }

private:
    JobThread jobs_;
};

}  // namespace

std::unique_ptr<RoomAmbience::BedLoader> RoomAmbience::makeThreadLoader() {
    return std::make_unique<ThreadLoader>();
}

RoomAmbience::RoomAmbience(Scheduler& scheduler, std::unique_ptr<AudioOutput> output,
                           std::unique_ptr<BedLoader> loader, QObject* parent)
    : QObject(parent),
      scheduler_(scheduler),
      engine_(std::make_unique<AudioEngine>(std::move(output))),
      loader_(loader ? std::move(loader) : makeThreadLoader()) {
    for (Bed bed : kBeds) {
        PlayerNode* p = engine_->makePlayer();
        p->setVolume(0.0f);
        engine_->connect(p, engine_->mainMixer());
        players_[std::size_t(bed)] = p;
    }
}

RoomAmbience::~RoomAmbience() {
    if (fadeTimer_) scheduler_.cancel(fadeTimer_);
}

RoomAmbience& RoomAmbience::shared() {
    static RoomAmbience* ambience = [] {
        auto* made = new RoomAmbience(QtScheduler::shared(), makeBackdropOutput());
        closeWithSharedSound([made] { made->close(); });
        return made;
    }();
    return *ambience;
}

void RoomAmbience::close() {
    if (fadeTimer_) scheduler_.cancel(fadeTimer_);
    fadeTimer_ = 0;
    engine_->close();
    started_ = false;
    loader_.reset();  // a bed under way is finished first; none is made after
}

float RoomAmbience::wanted(Bed bed) const {
    // The volume comes from the settings file as written: keep it to 0...1 as every sound does.
    const float v = std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 0.0f;
    return std::clamp(levels[bed], 0.0f, 1.0f) * synth::bedShape(bed).gain * v;
}

float RoomAmbience::target(Bed bed) const {
    return (isLoaded(bed) && enabled) ? wanted(bed) : 0.0f;
}

bool RoomAmbience::startEngine() {
    if (started_ && engine_->isRunning()) return true;
    if (!engine_->start()) return false;
    started_ = true;
    // Loops that arrived while the engine could not start would otherwise stay silent for good.
    for (Bed bed : kBeds) {
        const std::size_t i = std::size_t(bed);
        if (unscheduled_[i] && buffers_[i]) {
            players_[i]->scheduleBuffer(buffers_[i], true);
            unscheduled_[i] = false;
        }
    }
    return true;
}

void RoomAmbience::apply() {
    if (engine_->closed()) return;
    bool anyNeeded = false;
    if (enabled) {
        for (Bed bed : kBeds) {
            if (!(wanted(bed) > 0.0f)) continue;
            anyNeeded = true;
            const std::size_t i = std::size_t(bed);
            if (!buffers_[i] && !loading_[i]) {
                loading_[i] = true;
                loader_->load(bed, this, [this](Bed b, SampleBuffer buffer) {
                    if (buffer)
                        install(std::move(buffer), b);
                    else
                        loading_[std::size_t(b)] = false;  // may be tried again
                });
            }
        }
    }
    if (!anyNeeded) {
        if (!started_) return;
    } else if (!startEngine()) {
        return;
    }
    if (fadeTimer_) return;
    fadeTimer_ = scheduler_.every(kTick, [this] { fadeStep(); });
}

void RoomAmbience::install(SampleBuffer buffer, Bed bed) {
    const std::size_t i = std::size_t(bed);
    loading_[i] = false;
    buffers_[i] = std::move(buffer);
    if (!startEngine()) {
        unscheduled_[i] = true;
        return;
    }
    players_[i]->scheduleBuffer(buffers_[i], true);
    unscheduled_[i] = false;
    apply();
}

void RoomAmbience::fadeStep() {
    bool moved = false;
    for (Bed bed : kBeds) {
        PlayerNode* p = players_[std::size_t(bed)];
        const float goal = target(bed);
        const float current = p->volume();
        const float diff = goal - current;
        const float step = synth::bedShape(bed).fadeRate / 60.0f;
        if (std::fabs(diff) <= step) {
            p->setVolume(goal);
        } else {
            p->setVolume(diff > 0 ? current + step : current - step);
            moved = true;
        }
        if (goal > 0.0f && !p->isPlaying() && isLoaded(bed)) p->play();
        if (goal == 0.0f && p->volume() == 0.0f && p->isPlaying()) p->pause();
    }
    if (moved) return;
    // Wait for a wanted loop still being made; one whose synthesis failed is not waited for, or
    // the tick would run on for nothing.
    if (enabled)
        for (Bed bed : kBeds)
            if (wanted(bed) != 0.0f && isLoading(bed)) return;
    scheduler_.cancel(fadeTimer_);
    fadeTimer_ = 0;
    for (Bed bed : kBeds)
        if (players_[std::size_t(bed)]->volume() != 0.0f) return;
    if (started_) {
        engine_->pause();
        started_ = false;
    }
}

}  // namespace kp::audio
