// The X server's pointer, asked without waiting, and the wait for the next input on an idle
// desktop. Needs $DISPLAY and xdotool (the suite's private display has both); skipped without them.
#include "platform/WindowList.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace kp {
namespace {

void moveTo(int x, int y) {
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}

// Runs the event loop until `done` or a generous deadline. `done` is asked once a turn and never
// again once it said yes: asking starts a wait, and a second wait asked at once may see other input.
bool waitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(20000);
    for (;;) {
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

TEST(PointerX11, AnswersArriveWithoutWaitingAndAnIdleDesktopIsWokenByTheNextInput) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "no display or no xdotool";
    PointerDragsX11 pointer;
    moveTo(40, 50);
    // The first call only asks; the answer comes with a later one.
    ASSERT_TRUE(waitFor([&] { return pointer.pointer() == QPoint(40, 50); }));
    EXPECT_FALSE(pointer.primaryButtonDown());
    PointerDragsX11 fresh;
    EXPECT_FALSE(fresh.primaryButtonDown());
    EXPECT_EQ(fresh.pointer(), QPoint(40, 50)) << "the first button question waits for its answer";
    EXPECT_FALSE(pointer.waitForInput([] {})) << "input a moment ago: the user is busy";

    int inputs = 0;
    // Once a second has passed without input, as the answers tell.
    ASSERT_TRUE(waitFor([&] {
        pointer.pointer();
        return pointer.waitForInput([&] { ++inputs; });
    }));
    EXPECT_TRUE(pointer.isWaiting());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(inputs, 0) << "an idle desktop wakes no one";
    moveTo(300, 200);
    ASSERT_TRUE(waitFor([&] { return inputs > 0; }));
    EXPECT_FALSE(pointer.isWaiting());
    moveTo(320, 210);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(inputs, 1) << "once per wait";
    EXPECT_TRUE(waitFor([&] { return pointer.pointer() == QPoint(320, 210); }));

    // A wait given up is not called.
    ASSERT_TRUE(waitFor([&] {
        pointer.pointer();
        return pointer.waitForInput([&] { ++inputs; });
    }));
    pointer.stopWaiting();
    moveTo(10, 10);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    EXPECT_EQ(inputs, 1);
}

}  // namespace
}  // namespace kp
