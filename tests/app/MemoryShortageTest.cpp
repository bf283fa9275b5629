#include <QProcess>
#include <gtest/gtest.h>

// However memory runs out, on the main thread or another, the cat is saved once, on the main
// thread, with room to do it, and the app ends with status 1, saying why. Threads reserve little.
TEST(MemoryShortage, RunningOutSavesTheCatOnceOnTheMainThreadAndEndsTheApp) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator ends the program itself";
#endif
    for (const char* mode : {"main", "thread", "uncaught"}) {
        QProcess probe;
        probe.start(QStringLiteral(KP_MEMORY_PROBE), {QString::fromLatin1(mode)});
        ASSERT_TRUE(probe.waitForFinished(60000)) << mode;
        const QByteArray said = probe.readAllStandardError();
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << mode << ": " << said.toStdString();
        EXPECT_EQ(probe.exitCode(), 1) << mode << ": " << said.toStdString();
        EXPECT_EQ(probe.readAllStandardOutput().toStdString(), "saved on the main thread\n") << mode;
        EXPECT_TRUE(said.contains("Memory ran out: saving the cat and quitting")) << mode << ": " << said.toStdString();
    }
    // Each thread that allocated used to reserve a pool of 64 MB and a stack of 8: a dozen took
    // most of a gigabyte of address space.
    QProcess threads;
    threads.start(QStringLiteral(KP_MEMORY_PROBE), {QStringLiteral("threads")});
    ASSERT_TRUE(threads.waitForFinished(60000));
    const QByteArray reserved = threads.readAllStandardOutput().trimmed();
    EXPECT_LT(reserved.chopped(3).toInt(), 120) << reserved.toStdString();
}
