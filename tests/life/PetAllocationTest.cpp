// The motion step and the body frame run 30 to 60 times a second: they must not allocate.
// This binary counts every allocation through operator new while a test asks it to.
#include "PetProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t n) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace kp;
using kp::test::CatWorld;
using A = kp::PetLifeTestAccess;
using P = kp::PetLifeProbe;

namespace {

// Interleaves motion steps and drawn frames for `seconds`, counting allocations.
long allocationsWhileLiving(CatWorld& w, PetLife& cat, double seconds) {
    allocations = 0;
    counting = true;
    for (int i = 0; i < int(seconds * 60); ++i) {
        w.clock.advance(1.0 / 60);
        if (i % 2 == 0) cat.motionStep();
        cat.frame(w.clock.now());
    }
    counting = false;
    return allocations.load();
}

}  // namespace

TEST(PetAllocations, WalkingActingBeatsAndFramesAllocateNothing) {
    // The counter does see an allocation.
    allocations = 0;
    counting = true;
    auto* probe = new std::string(100, 'x');
    counting = false;
    delete probe;
    ASSERT_GT(allocations.load(), 0);

    CatWorld w;
    // No callbacks: what a listener does with a sound is its own business.
    PetLife cat(*w.store, w.clock, *w.random, w.scheduler);
    const double t = w.clock.now();
    cat.react(PetReaction::Kind::heart, 3, t);
    cat.react(PetReaction::Kind::note, 1, t, QStringLiteral("hi"));

    // Walking out of the room toward an errand elsewhere, the bubbles fading on the way.
    P::setPlace(cat, 0.1);
    cat.startErrand(PetErrand::litter);
    EXPECT_EQ(allocationsWhileLiving(w, cat, 3), 0);
    EXPECT_TRUE(cat.reactions().empty());

    // Eating at the bowl, with its chewing sounds.
    A::setErrand(cat, PetErrand::eat);
    cat.setPose(PetPose::eating);
    P::setActingUntil(cat, w.clock.now() + 100);
    EXPECT_EQ(allocationsWhileLiving(w, cat, 2), 0);

    // Idle: a long sit, then the zoomies.
    A::setErrand(cat, std::nullopt);
    P::setActingUntil(cat, std::nullopt);
    P::setBeat(cat, PetBeat::sit(w.clock.now() + 100), w.clock.now());
    cat.setPose(PetPose::sitting);
    EXPECT_EQ(allocationsWhileLiving(w, cat, 2), 0);
    P::setBeat(cat, PetBeat::zoom(5), w.clock.now());
    P::setZooming(cat, true);
    EXPECT_EQ(allocationsWhileLiving(w, cat, 2), 0);
}
