// Process lookups on this machine's /proc.
#include "platform/Processes.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace kp {
namespace {

TEST(ProcessesLinux, OwnExecutableAndParent) {
    ProcessesLinux processes;
    const long long own = processes.ownPid();
    EXPECT_EQ(own, static_cast<long long>(::getpid()));
    EXPECT_EQ(processes.executablePath(own), QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    EXPECT_EQ(processes.parentPid(own), static_cast<long long>(::getppid()));
}

TEST(ProcessesLinux, AChildIsFoundAndUnknownProcessesGiveNothing) {
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    ProcessesLinux processes;
    EXPECT_TRUE(processes.executablePath(child.processId()).endsWith(QLatin1String("/sleep")));
    EXPECT_EQ(processes.parentPid(child.processId()), processes.ownPid());
    child.kill();
    child.waitForFinished();

    EXPECT_TRUE(processes.executablePath(0).isEmpty());
    EXPECT_TRUE(processes.executablePath(-5).isEmpty());
    EXPECT_TRUE(processes.executablePath(2147483647).isEmpty());
    EXPECT_EQ(processes.parentPid(2147483647), std::nullopt);
}

TEST(ProcessesLinux, ParentIsReadPastACommandNameWithParentheses) {
    EXPECT_EQ(ProcessesLinux::parentFromStat("4242 (Web Content) S 4100 4100 0 0"), 4100);
    EXPECT_EQ(ProcessesLinux::parentFromStat("77 (a) b (c)) R 12 77 0"), 12);
    EXPECT_EQ(ProcessesLinux::parentFromStat("1 (systemd) S 0 1 1"), std::nullopt);
    EXPECT_EQ(ProcessesLinux::parentFromStat(""), std::nullopt);
    EXPECT_EQ(ProcessesLinux::parentFromStat("5 (x"), std::nullopt);
}

TEST(ProcessesLinux, ApplicationsAreWindowOwnersOnly) {
    ProcessesLinux processes;
    // With no display there are none; with one, each is a real process with a window.
    for (const RunningApp& app : processes.runningApplications()) {
        EXPECT_GT(app.pid, 0);
        EXPECT_TRUE(app.regular);
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        EXPECT_TRUE(processes.runningApplications().empty());
    }
}

}  // namespace
}  // namespace kp
