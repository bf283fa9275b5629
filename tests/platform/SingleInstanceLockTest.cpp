#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/AppLifecycle.h"
#include "platform/Paths.h"

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Lock = kp::SingleInstanceLock;
using Outcome = kp::SingleInstanceLock::Outcome;
using ::testing::HasSubstr;

namespace kp {
void PrintTo(SingleInstanceLock::Outcome o, std::ostream* out) {
    *out << (o == SingleInstanceLock::Outcome::taken ? "taken" : o == SingleInstanceLock::Outcome::failed ? "failed" : "held");
}
}  // namespace kp

namespace {
QByteArray native(const QString& path) { return QFile::encodeName(path); }

std::string contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(1000).toStdString() : "<unreadable>";
}
std::string pidLine(qint64 pid) { return std::to_string(pid) + "\n"; }

// Open descriptors: a refused lock keeps none.
qsizetype openFiles() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

// A new folder of the user's own.
QString folderIn(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.path() + "/" + name;
    EXPECT_EQ(::mkdir(native(path).constData(), 0700), 0) << name.toStdString();
    return path;
}

// Another user's folder: handed over where the test runs as root, else the root folder.
QString foreignFolder(const QTemporaryDir& dir) {
    if (::geteuid() != 0) return QStringLiteral("/");
    const QString path = folderIn(dir, "foreign");
    EXPECT_EQ(::chown(native(path).constData(), 65534, 65534), 0);
    return path;
}

QString sharedFolder(const QTemporaryDir& dir) {
    const QString path = folderIn(dir, "shared");
    ::chmod(native(path).constData(), 01777);
    return path;
}
}  // namespace

TEST(SingleInstanceLock, OnlyAPlainFileOfTheUsersOwnIsTakenAndAnythingElseIsRefusedAtOnceSayingWhatItIs) {
    QTemporaryDir dir;
    const QByteArray elsewhere = native(dir.path() + "/elsewhere.txt");
    {
        QFile file(elsewhere);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("keep me") == 7);
    }
    const std::vector<std::tuple<const char*, std::function<int(const char*)>, const char*>> cases{
        {"folder", [](const char* at) { return ::mkdir(at, 0700); }, "is a folder"},
        {"link to a plain file", [&](const char* at) { return ::symlink(elsewhere.constData(), at); }, "is a link"},
        {"second name of a file", [&](const char* at) { return ::link(elsewhere.constData(), at); }, "also a file elsewhere"},
        // Opening these used to read for ever, or wait for ever.
        {"link to the zero device", [](const char* at) { return ::symlink("/dev/zero", at); }, "is a link"},
        {"pipe", [](const char* at) { return ::mkfifo(at, 0600); }, "is a pipe, not a plain file"},
    };
    const qsizetype openBefore = openFiles();
    for (const auto& [name, plant, said] : cases) {
        const QString folder = folderIn(dir, name);
        ASSERT_EQ(plant(native(folder + "/kettlepaw.lock").constData()), 0) << name;
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed) << name;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr((folder + "/kettlepaw.lock").toStdString())) << name;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(said)) << name;
    }
    EXPECT_EQ(openFiles(), openBefore);
    EXPECT_EQ(contents(elsewhere), "keep me");
    if (::geteuid() == 0) {  // else no other user's file can be put there
        const QString folder = folderIn(dir, "foreign");
        QFile(folder + "/kettlepaw.lock").open(QIODevice::WriteOnly);
        ASSERT_EQ(::chown(native(folder + "/kettlepaw.lock").constData(), 65534, 65534), 0);
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed);
        EXPECT_THAT(lock.why().toStdString(), HasSubstr("belongs to another user"));
    }

    // A huge leftover is not read: it is taken, and holds the pid alone.
    const QString folder = folderIn(dir, "huge");
    QFile huge(folder + "/kettlepaw.lock");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 32));
    Lock lock(folder);
    EXPECT_EQ(lock.tryLock(), Outcome::taken) << lock.why().toStdString();
    EXPECT_EQ(contents(folder + "/kettlepaw.lock"), pidLine(::getpid()));
}

TEST(SingleInstanceLock, OnlyALiveHolderKeepsTheNextCopyOutAndOneThatWasKilledNever) {
    QTemporaryDir dir;
    const qsizetype openBefore = openFiles();
    {
        Lock first(dir.path()), second(dir.path());
        ASSERT_EQ(first.tryLock(), Outcome::taken) << first.why().toStdString();
        EXPECT_EQ(second.tryLock(), Outcome::heldElsewhere);
        EXPECT_THAT(second.why().toStdString(), HasSubstr("process " + std::to_string(::getpid())));
    }
    EXPECT_EQ(openFiles(), openBefore);
    // A program the app started (an editor it opened a note in) may outlive it.
    QProcess program;
    {
        Lock again(dir.path());
        EXPECT_EQ(again.tryLock(), Outcome::taken) << "let go with the object that held it";
        program.start(QStringLiteral("cat"), {});
        ASSERT_TRUE(program.waitForStarted());
    }
    {
        Lock afterwards(dir.path());
        EXPECT_EQ(afterwards.tryLock(), Outcome::taken) << "handed to a program: " << afterwards.why().toStdString();
    }
    program.closeWriteChannel();
    EXPECT_TRUE(program.waitForFinished());

    // Another process takes it, says so through a pipe, and waits to be killed.
    int said[2];
    ASSERT_EQ(::pipe(said), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        Lock lock(dir.path());
        const char outcome = char(lock.tryLock());
        [[maybe_unused]] auto n = ::write(said[1], &outcome, 1);
        for (;;) ::pause();
    }
    ::close(said[1]);
    char outcome = -1;
    ASSERT_EQ(::read(said[0], &outcome, 1), 1);
    ::close(said[0]);
    EXPECT_EQ(Outcome(outcome), Outcome::taken);
    Lock next(dir.path());
    EXPECT_EQ(next.tryLock(), Outcome::heldElsewhere);
    EXPECT_THAT(next.why().toStdString(), HasSubstr("process " + std::to_string(holder)));
    ::kill(holder, SIGKILL);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    // Its pid stays in the file; the lock does not.
    EXPECT_EQ(next.tryLock(), Outcome::taken) << next.why().toStdString();
    EXPECT_EQ(contents(dir.path() + "/kettlepaw.lock"), pidLine(::getpid()));
}

TEST(SingleInstanceLock, TheLockIsKeptOnlyInAFolderOfTheUsersOwnThatNoOneElseMayWriteIn) {
    QTemporaryDir dir;
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CACHE_HOME", oldCache), qputenv("XDG_RUNTIME_DIR", oldRuntime); });
    qputenv("XDG_CACHE_HOME", native(dir.path() + "/cache"));
    qunsetenv("XDG_RUNTIME_DIR");
    const QString made = dir.path() + "/cache/kettlepaw";
    EXPECT_EQ(kp::paths::runtimeDir().toStdString(), made.toStdString()) << "not the temporary folder every user shares";
    Lock fresh(made);
    EXPECT_EQ(fresh.tryLock(), Outcome::taken) << fresh.why().toStdString();
    for (const auto& [path, mode] : {std::pair{made, 0700u}, std::pair{made + "/kettlepaw.lock", 0600u}}) {
        struct stat st {};
        EXPECT_EQ(::lstat(native(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << "made for the user alone: " << path.toStdString();
    }

    const QString shared = sharedFolder(dir), foreign = foreignFolder(dir), linked = dir.path() + "/linked";
    ASSERT_EQ(::symlink(native(folderIn(dir, "target")).constData(), native(linked).constData()), 0);
    // Root writes anywhere, but not in its own folder under /proc.
    const QString unwritable = ::geteuid() == 0 ? QStringLiteral("/proc/%1").arg(::getpid()) : folderIn(dir, "unwritable");
    ::chmod(native(unwritable).constData(), 0500);
    const std::vector<std::pair<QString, const char*>> cases{
        {shared, "others may write in it"}, {foreign, "belongs to another user"}, {linked, "is a link"},
        {made + "/kettlepaw.lock", "is not a folder"}, {unwritable, "cannot be opened"},
    };
    const qsizetype openBefore = openFiles();
    for (const auto& [folder, said] : cases) {
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(folder.toStdString())) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(said));
        // Nor is such a runtime folder used: the cache folder stands in.
        qputenv("XDG_RUNTIME_DIR", native(folder));
        EXPECT_EQ(kp::paths::runtimeDir().toStdString(), (folder == unwritable ? folder : made).toStdString()) << said;
    }
    EXPECT_EQ(openFiles(), openBefore);
    for (const QString& unfit : {dir.path() + "/missing", QStringLiteral(".")}) {
        qputenv("XDG_RUNTIME_DIR", native(unfit));
        EXPECT_EQ(kp::paths::runtimeDir().toStdString(), made.toStdString()) << unfit.toStdString();
    }
    qputenv("XDG_RUNTIME_DIR", native(dir.path()));
    EXPECT_EQ(kp::paths::runtimeDir().toStdString(), dir.path().toStdString());
}
