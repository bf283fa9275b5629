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
