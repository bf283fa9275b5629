#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/AppLifecycle.h"
#include "platform/Paths.h"

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using Lock = kp::SingleInstanceLock;
using Outcome = kp::SingleInstanceLock::Outcome;
using ::testing::HasSubstr;

namespace kp {
void PrintTo(SingleInstanceLock::Outcome outcome, std::ostream* out) {
    *out << (outcome == SingleInstanceLock::Outcome::taken           ? "taken"
             : outcome == SingleInstanceLock::Outcome::heldElsewhere ? "heldElsewhere"
                                                                     : "failed");
}
}  // namespace kp

namespace {
QByteArray native(const QString& path) { return QFile::encodeName(path); }

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(1000) : QByteArray("<unreadable>");
}

// Open descriptors: a refused lock keeps none.
qsizetype openFiles() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

// A new folder of the user's own for one case.
QString folderIn(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.path() + "/" + name;
    EXPECT_EQ(::mkdir(native(path).constData(), 0700), 0) << name.toStdString();
    return path;
}

// The other user's uid to hand things over to; only root can.
constexpr uid_t nobody = 65534;

// One environment variable for one test; nullptr unsets it.
class Variable {
public:
    Variable(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), was_(qEnvironmentVariableIsSet(name)) {
        set(value);
    }
    ~Variable() { was_ ? qputenv(name_, old_) : qunsetenv(name_); }
    void set(const QByteArray& value) { value.isNull() ? qunsetenv(name_) : qputenv(name_, value); }

private:
    const char* name_;
    QByteArray old_;
    bool was_;
};
}  // namespace

TEST(SingleInstanceLock, OnlyAPlainFileOfTheUsersOwnIsTakenAndAnythingElseIsRefusedAtOnceSayingWhatItIs) {
    QTemporaryDir dir;
    const QString elsewhere = dir.path() + "/elsewhere.txt";
    {
        QFile file(elsewhere);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    struct Case {
        const char* name;
        std::function<bool(const QByteArray&)> plant;
        const char* said;
    };
    const std::vector<Case> cases{
        {"folder", [](const QByteArray& at) { return ::mkdir(at.constData(), 0700) == 0; }, "is a folder"},
        {"link to a plain file", [&](const QByteArray& at) { return ::symlink(native(elsewhere).constData(), at.constData()) == 0; }, "is a link"},
        {"link to nothing", [](const QByteArray& at) { return ::symlink("/nonexistent/kp", at.constData()) == 0; }, "is a link"},
        {"second name of a file", [&](const QByteArray& at) { return ::link(native(elsewhere).constData(), at.constData()) == 0; }, "also a file elsewhere"},
        {"socket", [](const QByteArray& at) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             if (size_t(at.size()) >= sizeof address.sun_path) return false;
             std::memcpy(address.sun_path, at.constData(), size_t(at.size()));
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             ::close(s);
             return bound;
         }, "is a socket"},
        // Opening either used to wait for ever, or read for ever.
        {"link to the zero device", [](const QByteArray& at) { return ::symlink("/dev/zero", at.constData()) == 0; }, "is a link"},
        {"pipe", [](const QByteArray& at) { return ::mkfifo(at.constData(), 0600) == 0; }, "is a pipe, not a plain file"},
    };
    const qsizetype openBefore = openFiles();
    for (const Case& c : cases) {
        const QString folder = folderIn(dir, c.name);
        const QString path = folder + "/kettlepaw.lock";
        ASSERT_TRUE(c.plant(native(path))) << c.name;
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed) << c.name;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(path.toStdString())) << c.name;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(c.said)) << c.name;
    }
    EXPECT_EQ(openFiles(), openBefore);
    EXPECT_EQ(contents(elsewhere).toStdString(), "keep me");
    if (::geteuid() == 0) {  // else no other user's file can be put there
        const QString folder = folderIn(dir, "foreign");
        QFile(folder + "/kettlepaw.lock").open(QIODevice::WriteOnly);
        ASSERT_EQ(::chown(native(folder + "/kettlepaw.lock").constData(), nobody, nobody), 0);
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed);
        EXPECT_THAT(lock.why().toStdString(), HasSubstr("belongs to another user"));
    }

    // A huge leftover is not read: it is taken, and holds the pid alone.
    const QString folder = folderIn(dir, "huge");
    {
        QFile huge(folder + "/kettlepaw.lock");
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 32));
    }
    Lock lock(folder);
    EXPECT_EQ(lock.tryLock(), Outcome::taken) << lock.why().toStdString();
    EXPECT_EQ(contents(folder + "/kettlepaw.lock").toStdString(), std::to_string(::getpid()) + "\n");
}

TEST(SingleInstanceLock, OnlyALiveHolderKeepsTheNextCopyOutAndOneThatWasKilledNever) {
    QTemporaryDir dir;
    const qsizetype openBefore = openFiles();
    {
        Lock first(dir.path());
        ASSERT_EQ(first.tryLock(), Outcome::taken) << first.why().toStdString();
        Lock second(dir.path());
        EXPECT_EQ(second.tryLock(), Outcome::heldElsewhere);
        EXPECT_THAT(second.why().toStdString(), HasSubstr("process " + std::to_string(::getpid())));
    }
    EXPECT_EQ(openFiles(), openBefore);
    {
        // A program the app started (an editor it opened a note in) may outlive it: it is not
        // handed the lock.
        QProcess program;
        {
            Lock again(dir.path());
            EXPECT_EQ(again.tryLock(), Outcome::taken) << "let go with the object that held it";
            program.start(QStringLiteral("cat"), {});
            ASSERT_TRUE(program.waitForStarted());
        }
        Lock afterwards(dir.path());
        EXPECT_EQ(afterwards.tryLock(), Outcome::taken) << afterwards.why().toStdString();
        program.closeWriteChannel();
        EXPECT_TRUE(program.waitForFinished());
    }

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
    EXPECT_EQ(contents(dir.path() + "/kettlepaw.lock").toStdString(), std::to_string(::getpid()) + "\n");
}

TEST(SingleInstanceLock, TheLockIsKeptOnlyInAFolderOfTheUsersOwnThatNoOneElseMayWriteIn) {
    QTemporaryDir dir;
    const QString made = dir.path() + "/cache/kettlepaw";
    Lock fresh(made);
    EXPECT_EQ(fresh.tryLock(), Outcome::taken) << fresh.why().toStdString();
    struct stat st {};
    EXPECT_EQ(::lstat(native(made).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "a missing folder is made for the user alone";
    EXPECT_EQ(::lstat(native(made + "/kettlepaw.lock").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const QString shared = folderIn(dir, "shared");
    ::chmod(native(shared).constData(), 01777);
    const QString foreign = folderIn(dir, "foreign");
    const QString linked = dir.path() + "/linked";
    ASSERT_EQ(::symlink(native(folderIn(dir, "target")).constData(), native(linked).constData()), 0);
    // Root writes anywhere, but not in a folder of its own under /proc.
    const QString unwritable = ::geteuid() == 0 ? QStringLiteral("/proc/%1").arg(::getpid()) : folderIn(dir, "unwritable");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(native(foreign).constData(), nobody, nobody), 0);
    } else {
        ASSERT_EQ(::chmod(native(unwritable).constData(), 0500), 0);
    }
    const std::vector<std::pair<QString, const char*>> cases{
        {shared, "others may write in it"},
        {::geteuid() == 0 ? foreign : QStringLiteral("/"), "belongs to another user"},
        {linked, "is a link"},
        {made + "/kettlepaw.lock", "is not a folder"},
        {unwritable, "cannot be opened"},
    };
    const qsizetype openBefore = openFiles();
    for (const auto& [folder, said] : cases) {
        Lock lock(folder);
        EXPECT_EQ(lock.tryLock(), Outcome::failed) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(folder.toStdString())) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(said));
    }
    EXPECT_EQ(openFiles(), openBefore);
}

TEST(Paths, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersOwnElseTheUsersCacheFolder) {
    QTemporaryDir dir;
    Variable cache("XDG_CACHE_HOME", native(dir.path() + "/cache"));
    Variable runtime("XDG_RUNTIME_DIR", QByteArray());
    const qsizetype openBefore = openFiles();
    const QString fallback = dir.path() + "/cache/kettlepaw";
    EXPECT_EQ(kp::paths::runtimeDir().toStdString(), fallback.toStdString()) << "not the temporary folder every user shares";
    const QString own = folderIn(dir, "own");
    runtime.set(native(own));
    EXPECT_EQ(kp::paths::runtimeDir().toStdString(), own.toStdString());
    const QString shared = folderIn(dir, "shared");
    ::chmod(native(shared).constData(), 01777);
    const QString foreign = ::geteuid() == 0 ? folderIn(dir, "foreign") : QStringLiteral("/");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(native(foreign).constData(), nobody, nobody), 0);
    }
    for (const QString& unfit : {shared, foreign, dir.path() + "/missing", QStringLiteral(".")}) {
        runtime.set(native(unfit));
        EXPECT_EQ(kp::paths::runtimeDir().toStdString(), fallback.toStdString()) << unfit.toStdString();
    }
    EXPECT_EQ(openFiles(), openBefore);
}
