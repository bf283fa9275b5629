#pragma once
// A desktop cat on a 1440 x 900 screen with hand-placed windows, a hand-moved clock, seeded
// randomness, a grown pet and recorders for its sounds, posts and break starts.
#include "support/Scratch.h"

#include "core/IslandTypes.h"
#include "desktop/DesktopCat.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "platform/WindowList.h"

#include <memory>
#include <vector>

namespace kp::test {

struct DesktopRoamWorld {
    ScratchStore store;
    ManualScheduler scheduler;
    ManualClock clock{800000000.0, 100.0};
    SeededRandom random{11};
    FakeWindowList windows;
    NotificationCenter hub;
    std::unique_ptr<PetLife> life;
    std::vector<PetSound> sounds;
    std::vector<std::any> rooms;
    Subscription roomWatch{hub, "tobbi.openRoom", [this](const std::any& o) { rooms.push_back(o); }};
    Pomodoro::Phase phase = Pomodoro::Phase::idle;
    int breaksStarted = 0;
    RoamScreen screen{QRectF(0, 0, 1440, 900), QRectF(0, 24, 1440, 876)};
    std::unique_ptr<DesktopCat> cat;

    explicit DesktopRoamWorld(bool grown = true) {
        // A very short kittenhood, so the pet is grown a few seconds after birth (k = 1.45).
        if (grown) store->set("kittenLengthSeconds", 0.1);
        life = std::make_unique<PetLife>(*store, clock, random, scheduler);
        if (grown) clock.advance(5);
    }

    DesktopWorld world() {
        DesktopWorld w;
        w.clock = &clock;
        w.random = &random;
        w.store = &*store;
        w.hub = &hub;
        w.life = life.get();
        w.windows = &windows;
        w.playing = [] { return MediaWatcher::Playing::nothing(); };
        w.pomodoroPhase = [this] { return phase; };
        w.startBreak = [this] { ++breaksStarted; };
        w.playSound = [this](PetSound s, double) { sounds.push_back(s); };
        return w;
    }

    void addWindow(int number, QRectF bounds, long long pid = 4000) {
        WindowInfo w;
        w.number = number;
        w.pid = pid;
        w.bounds = bounds;
        windows.windows.push_back(w);
    }

    DesktopCat& make() {
        cat = std::make_unique<DesktopCat>(screen, world());
        return *cat;
    }

    // Puts the cat on its feet on a ledge of the ground at x, with nothing planned.
    void standOn(int ground, double x) {
        const auto l = cat->terrain.ledge(ground, x);
        cat->feet = QPointF(x, l ? l->y : 0);
        cat->window = ground;
        cat->falling = false;
        cat->flight.reset();
        cat->vx = cat->vy = 0;
        cat->pose = DesktopCat::Pose::stand;
    }
};

}  // namespace kp::test
