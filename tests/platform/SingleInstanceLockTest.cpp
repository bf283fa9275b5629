#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/AppLifecycle.h"
#include "platform/Paths.h"

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
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

// The variables the lock's folders follow, put back as they were.
struct Environment {
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
    Environment() {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "TMPDIR"})
            saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    ~Environment() {
        for (const auto& [name, value] : saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }
};

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
    const Environment environment;
    qputenv("XDG_DATA_HOME", native(dir.path() + "/share"));
    qputenv("XDG_CONFIG_HOME", native(dir.path() + "/config"));
    const QString made = dir.path() + "/share/kettlepaw";
    Lock fresh(Lock::defaultFolders());
    EXPECT_EQ(fresh.tryLock(), Outcome::taken) << fresh.why().toStdString();
    for (const QString& folder : {made, dir.path() + "/config/kettlepaw"})
        for (const auto& [path, mode] : {std::pair{folder, 0700u}, std::pair{folder + "/kettlepaw.lock", 0600u}}) {
            struct stat st {};
            EXPECT_EQ(::lstat(native(path).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << "made for the user alone: " << path.toStdString();
        }

    const QString shared = sharedFolder(dir), foreign = foreignFolder(dir), linked = dir.path() + "/linked";
    ASSERT_EQ(::symlink(native(folderIn(dir, "target")).constData(), native(linked).constData()), 0);
    const std::vector<std::pair<QString, const char*>> cases{
        {shared, "others may write in it"}, {foreign, "belongs to another user"}, {linked, "is a link"},
        {made + "/kettlepaw.lock", "is not a folder"},
    };
    const qsizetype openBefore = openFiles();
    for (const auto& [folder, said] : cases) {
        // Behind an intact first folder too: what it took is let go.
        Lock lock(QStringList{dir.path() + "/target", folder});
        EXPECT_EQ(lock.tryLock(), Outcome::failed) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(folder.toStdString())) << said;
        EXPECT_THAT(lock.why().toStdString(), HasSubstr(said));
        EXPECT_EQ(openFiles(), openBefore) << said;
    }
}

TEST(SingleInstanceLock, OneCatHasOneCopyWhateverElseTheEnvironmentOfEachStartSays) {
    QTemporaryDir dir;
    const Environment environment;
    qputenv("HOME", native(dir.path()));
    const QString run = folderIn(dir, "run"), share = dir.path() + "/share", config = dir.path() + "/config";
    // The data folder kept with the user's dotfiles, behind a link.
    folderIn(dir, "dotfiles"), folderIn(dir, "linked");
    const QString dotfiles = folderIn(dir, "dotfiles/kettlepaw");
    ASSERT_EQ(::symlink(native(dotfiles).constData(), native(dir.path() + "/linked/kettlepaw").constData()), 0);
    // Each start: the variables it sets; the others are unset.
    using Start = std::vector<std::pair<const char*, QString>>;
    const auto start = [&](const Start& variables) {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"}) qunsetenv(name);
        qputenv("XDG_DATA_HOME", native(share));
        qputenv("XDG_CONFIG_HOME", native(config));
        for (const auto& [name, value] : variables) qputenv(name, native(value));
        return std::make_unique<Lock>(Lock::defaultFolders());
    };
    const Start bare{}, withRuntime{{"XDG_RUNTIME_DIR", run}};
    const Start cacheA{{"TMPDIR", dir.path() + "/a"}, {"XDG_CACHE_HOME", dir.path() + "/a"}};
    const Start cacheB{{"TMPDIR", dir.path() + "/b"}, {"XDG_CACHE_HOME", dir.path() + "/b"}};
    const Start otherData{{"XDG_DATA_HOME", dir.path() + "/elsewhere"}};
    const Start otherConfig{{"XDG_CONFIG_HOME", dir.path() + "/elsewhere"}};
    const Start linkedData{{"XDG_DATA_HOME", dir.path() + "/linked"}};
    const Start dataThroughLink{{"XDG_DATA_HOME", dir.path() + "/dotfiles"}};
    const Start otherCat{{"XDG_DATA_HOME", dir.path() + "/other"}, {"XDG_CONFIG_HOME", dir.path() + "/other"}};
    struct Case {
        const char* what;
        Start first, second;
        QString heldAt;  // the lock the second start finds held; none when both run
    };
    const QString dataLock = share + "/kettlepaw/kettlepaw.lock", configLock = config + "/kettlepaw/kettlepaw.lock";
    const std::vector<Case> cases{
        {"without a runtime folder, then with one", bare, withRuntime, dataLock},
        {"with a runtime folder, then without one", withRuntime, bare, dataLock},
        {"two temporary and cache folders", cacheA, cacheB, dataLock},
        {"one settings file, two data folders", bare, otherData, configLock},
        {"one data folder, two settings files", bare, otherConfig, dataLock},
        {"a data folder and a link to it", linkedData, dataThroughLink, dotfiles + "/kettlepaw.lock"},
        {"another cat", bare, otherCat, {}},
        {"settings and records in one folder", otherCat, bare, {}},
    };
    for (const auto& [what, first, second, heldAt] : cases) {
        const auto running = start(first);
        ASSERT_EQ(running->tryLock(), Outcome::taken) << what << ": " << running->why().toStdString();
        const auto next = start(second);
        if (heldAt.isEmpty()) {
            EXPECT_EQ(next->tryLock(), Outcome::taken) << what << ": " << next->why().toStdString();
            continue;
        }
        EXPECT_EQ(next->tryLock(), Outcome::heldElsewhere) << what;
        EXPECT_EQ(next->why().toStdString(), "process " + std::to_string(::getpid()) + " holds its lock " + heldAt.toStdString()) << what;
    }
}

// Where no copy can write (a read-only folder, or one that cannot be made), two copies cannot
// overwrite each other: the start goes on without a lock there. A folder the user's own group may
// write in, as a umask of 002 makes them, is the user's.
TEST(SingleInstanceLock, AFolderNoCopyCanWriteInOrOfTheUsersOwnGroupDoesNotStopTheStart) {
    QTemporaryDir dir;
    ::chmod(native(dir.path()).constData(), 0755);
    const QString unwritable = folderIn(dir, "unwritable"), grouped = folderIn(dir, "grouped");
    ::chmod(native(unwritable).constData(), 0500);
    ::chmod(native(grouped).constData(), 0775);
    // Root writes anywhere: the lock is tried by a user who does not.
    const uid_t user = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 65534 : ::getegid();
    for (const QString& folder : {unwritable, grouped}) ASSERT_EQ(::chown(native(folder).constData(), user, group), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(group) != 0 || ::setuid(user) != 0)) ::_exit(9);
        int failed = 0;
        for (const QString& folder : {unwritable, unwritable + "/unmade", grouped}) {
            Lock lock(QStringList{folder});
            failed = failed * 2 + (lock.tryLock() != Outcome::taken);
        }
        Lock first(QStringList{grouped}), second(QStringList{grouped});
        failed = failed * 2 + (first.tryLock() != Outcome::taken || second.tryLock() != Outcome::heldElsewhere);
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // Bits, first to last: the read-only folder, a folder not made in it, the group's folder, and a
    // second lock on the group's folder refused.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
