#pragma once
// A desktop cat on a 1440 x 900 screen with windows placed by hand, a hand-moved clock, a chosen
// random source, a grown pet, and recorders for sounds, opened files, opened rooms and break
// starts. Media, track, pomodoro phase and input idleness are plain fields.
#include "support/Scratch.h"

#include "core/IslandTypes.h"
#include "desktop/DesktopCat.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "platform/WindowList.h"

#include <memory>
#include <vector>

namespace kp::test {

struct DesktopPlanWorld {
    ScratchStore store;
    ManualScheduler scheduler;
    ManualClock clock{800000000.0, 100.0};
    SeededRandom seeded{7};
    RandomSource* random = &seeded;
    FakeWindowList windows;
    NotificationCenter hub;
    ManualInputIdleness idle{0};
    std::unique_ptr<PetLife> life;
    std::vector<PetSound> sounds;
    std::vector<QString> opened;
    std::vector<std::any> rooms;
    Subscription roomWatch{hub, "tobbi.openRoom", [this](const std::any& o) { rooms.push_back(o); }};
    Pomodoro::Phase phase = Pomodoro::Phase::idle;
    int breaksStarted = 0;
    MediaWatcher::Playing media = MediaWatcher::Playing::nothing();
    std::optional<QString> trackName;
    RoamScreen screen{QRectF(0, 0, 1440, 900), QRectF(0, 24, 1440, 876)};
    std::unique_ptr<DesktopCat> cat;

    DesktopPlanWorld() {
        // A very short kittenhood: the pet is grown a few seconds after birth (body scale 1).
        store->set("kittenLengthSeconds", 0.1);
        life = std::make_unique<PetLife>(*store, clock, seeded, scheduler);
        clock.advance(5);
    }

    DesktopWorld world() {
        DesktopWorld w;
        w.clock = &clock;
        w.random = random;
        w.store = &*store;
        w.hub = &hub;
        w.life = life.get();
        w.windows = &windows;
        w.idleness = &idle;
        w.playing = [this] { return media; };
        w.track = [this] { return trackName; };
        w.playSound = [this](PetSound s, double) { sounds.push_back(s); };
        w.openFile = [this](const QString& path) { opened.push_back(path); };
        w.pomodoroPhase = [this] { return phase; };
        w.startBreak = [this] { ++breaksStarted; };
        return w;
    }

    void addWindow(int number, QRectF bounds, long long pid = 4000) {
        WindowInfo w;
        w.number = number;
        w.pid = pid;
        w.bounds = bounds;
        windows.windows.push_back(w);
    }

    // Makes the cat (the terrain is scanned from the windows added so far), standing on the
    // ground at x with nothing planned, the pointer far away and untouched.
    DesktopCat& make(int ground = 0, double x = 700) {
        cat = std::make_unique<DesktopCat>(screen, world());
        standOn(ground, x);
        sounds.clear();
        return *cat;
    }

    void standOn(int ground, double x) {
        const auto l = cat->terrain.ledge(ground, x);
        cat->feet = QPointF(x, l ? l->y : 0);
        cat->window = ground;
        cat->falling = false;
        cat->flight.reset();
        cat->vx = cat->vy = 0;
        cat->pose = DesktopCat::Pose::stand;
        cat->plan.clear();
        cat->stepStarted = clock.now();
    }

    Ledge ground() const { return *cat->terrain.ledge(cat->window, cat->feet.x()); }

    // Runs the current plan's frames of `dt` until `seconds` have passed or the step changes
    // hands (the plan empties or its front changes); returns the frames run.
    int run(double seconds, double dt = 1.0 / 60) {
        if (cat->plan.empty()) return 0;
        const DesktopCat::Step first = cat->plan.front();
        const std::size_t size = cat->plan.size();
        int frames = 0;
        for (double t = 0; t < seconds - 1e-9; t += dt) {
            clock.advance(dt);
            cat->runStep(clock.now(), dt, ground());
            ++frames;
            if (cat->plan.empty() || cat->plan.size() != size || !(cat->plan.front() == first)) break;
        }
        return frames;
    }

    // One frame of the runner at dt.
    void frame(double dt = 1.0 / 60) {
        clock.advance(dt);
        cat->runStep(clock.now(), dt, ground());
    }
};

}  // namespace kp::test
