#include "platform/FramePacer.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

#include <vector>

using namespace kp;

// Cues of a film and the end of a card are one-shot work: none may fire before its time, even by
// the few percent a grouped timer allows.
TEST(QtScheduler, OneShotWorkNeverFiresEarly) {
    QtScheduler s;
    QElapsedTimer clock;
    clock.start();
    const std::vector<double> delays{0.05, 0.2, 0.7, 1.3, 2.0};
    std::vector<qint64> firedNs(delays.size(), -1);
    for (std::size_t i = 0; i < delays.size(); ++i)
        s.after(delays[i], [&, i] { firedNs[i] = clock.nsecsElapsed(); });
    QTRY_VERIFY_WITH_TIMEOUT(firedNs.back() >= 0, 30000);
    for (std::size_t i = 0; i < delays.size(); ++i) {
        ASSERT_GE(firedNs[i], 0) << delays[i];
        EXPECT_GE(firedNs[i], qint64(delays[i] * 1e9)) << "fired early: " << delays[i] << " s";
    }
}

// A timer holds a delay in whole milliseconds of an int; a month must still wait a month.
TEST(QtScheduler, LongDelaysWaitAndRepeatsCanBeCancelledFromTheirWork) {
    QtScheduler s;
    bool longFired = false;
    const WorkId month = s.after(30.0 * 24 * 3600, [&] { longFired = true; });
    const WorkId never = s.after(1e300, [&] { longFired = true; });
    int rounds = 0;
    WorkId repeat = 0;
    repeat = s.every(0.01, [&] {
        if (++rounds == 3) s.cancel(repeat);
    });
    QTRY_COMPARE_WITH_TIMEOUT(rounds, 3, 30000);
    QTest::qWait(100);
    EXPECT_EQ(rounds, 3);
    EXPECT_FALSE(s.isPending(repeat));
    EXPECT_FALSE(longFired);
    EXPECT_TRUE(s.isPending(month));
    EXPECT_TRUE(s.isPending(never));
    bool nanFired = false;
    s.after(std::nan(""), [&] { nanFired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(nanFired, 30000);
}

// The room's frames come at the display's rate from a millisecond timer: a second of a 60 Hz
// display is 60 frames (not the 62 or 63 that 16 ms frames make), 144 frames at 144 Hz, a timer
// that fires a little late does not slow them, and one that fires very late brings no burst.
TEST(FramePacer, FramesComeAtTheDisplaysRateWithoutDriftOrBurst) {
    for (const double hz : {60.0, 144.0, 59.94}) {
        FramePacer pacer;
        double now = 1000.5;
        pacer.start(1 / hz, now);
        int frames = 0;
        // Each timer fires half a millisecond after it was asked to.
        while (now < 1000.5 + 10) {
            now += pacer.next(now) / 1000.0 + 0.0005;
            ++frames;
        }
        EXPECT_NEAR(frames, 10 * hz, 1.5) << hz;
    }
    FramePacer pacer;
    pacer.start(1.0 / 60, 0);
    // Fired when asked: 17 and 16 ms in turn.
    EXPECT_EQ(pacer.next(0), 17);
    EXPECT_EQ(pacer.next(0.017), 16);
    EXPECT_EQ(pacer.next(0.033), 17);
    // Half a second late: the next frame is a whole frame on, not at once.
    EXPECT_EQ(pacer.next(0.55), 17);
    EXPECT_EQ(pacer.next(0.567), 16);
    EXPECT_DOUBLE_EQ(displayFramePeriod(nullptr), 1.0 / 60);
}
