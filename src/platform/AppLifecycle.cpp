#include "AppLifecycle.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp {

namespace {
constexpr char lockName[] = "kettlepaw.lock";

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return QStringLiteral("a link");
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("a pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    return QStringLiteral("something odd");
}

// What the lock file opened as `fd` is wrong with, if anything.
QString lockFileFault(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errorText(errno);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("is %1, not a plain file").arg(kindOf(st.st_mode));
    if (st.st_uid != ::geteuid()) return QStringLiteral("belongs to another user");
    // Writing the pid in empties it: it must not be another name of a file that matters.
    if (st.st_nlink != 1) return QStringLiteral("is also a file elsewhere");
    return {};
}

// The pid the holder wrote in, read without trusting the file's size.
QString holderOf(int fd) {
    char text[24] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    bool ok = false;
    const qint64 pid = QByteArray(text, n > 0 ? int(n) : 0).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? QStringLiteral("process %1").arg(pid) : QStringLiteral("another copy");
}

using Outcome = SingleInstanceLock::Outcome;

// A folder no copy can write in (read-only, or not the user's to write) needs no lock: neither copy
// could change what is in it. Nor can a lock be had where the file system keeps none; the copy runs,
// and says so.
bool noWriteThere(int error) { return error == EACCES || error == EPERM || error == EROFS; }
bool noLocksThere(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }

Outcome unlocked(const QString& path, const QString& why) {
    qWarning().noquote() << "No lock is taken at" << path << "for" << why;
    return Outcome::taken;
}

// Takes <folder>/kettlepaw.lock into `*taken`. A folder among `seen` (by device and inode) is held
// already: it is taken again without a second lock, which the first would refuse.
Outcome lockIn(const QString& folderPath, std::vector<std::pair<dev_t, ino_t>>& seen, int* taken, QString* why) {
    const QString path = folderPath + '/' + QLatin1String(lockName);
    const auto fail = [why, &path](const QString& what) {
        *why = QStringLiteral("its lock %1 %2").arg(path, what);
        return Outcome::failed;
    };
    QString folderFault;
    int folderError = 0;
    const int folder = paths::openOwnFolder(folderPath, true, &folderFault, &folderError);
    if (folder < 0 && noWriteThere(folderError))
        return unlocked(path, QStringLiteral("no copy can write there: %1").arg(folderFault));
    if (folder < 0) {
        *why = QStringLiteral("the folder %1 for its lock is not usable: %2").arg(folderPath, folderFault);
        return Outcome::failed;
    }
    struct stat st {};
    if (::fstat(folder, &st) == 0) {
        const std::pair id{st.st_dev, st.st_ino};
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) {
            ::close(folder);
            return Outcome::taken;
        }
        seen.push_back(id);
    }
    // No link is followed and nothing is waited on: a pipe opens at once and is refused below.
    const int fd = ::openat(folder, lockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    const int openError = errno;
    const bool odd = fd < 0 && ::fstatat(folder, lockName, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode);
    ::close(folder);
    if (fd < 0) {
        if (odd) return fail(QStringLiteral("is %1, not a plain file; remove it and start again").arg(kindOf(st.st_mode)));
        if (noWriteThere(openError))
            return unlocked(path, QStringLiteral("no copy can write there: %1").arg(errorText(openError)));
        return fail(QStringLiteral("cannot be opened: %1").arg(errorText(openError)));
    }
    if (const QString fault = lockFileFault(fd); !fault.isEmpty()) {
        ::close(fd);
        return fail(fault + QStringLiteral("; remove it and start again"));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) *why = QStringLiteral("%1 holds its lock %2").arg(holderOf(fd), path);
        ::close(fd);
        if (noLocksThere(error))
            return unlocked(path, QStringLiteral("its file system keeps no locks: %1; a second copy would not be stopped")
                                      .arg(errorText(error)));
        return error == EWOULDBLOCK ? Outcome::heldElsewhere : fail(QStringLiteral("cannot be locked: %1").arg(errorText(error)));
    }
    *taken = fd;
    return Outcome::taken;
}
}  // namespace

SingleInstanceLock::SingleInstanceLock(QStringList folders) : folders_(std::move(folders)) {}

SingleInstanceLock::~SingleInstanceLock() { release(); }

void SingleInstanceLock::release() {
    for (const int fd : fds_) ::close(fd);
    fds_.clear();
}

SingleInstanceLock::Outcome SingleInstanceLock::tryLock() {
    if (!fds_.empty()) return Outcome::taken;
    std::vector<std::pair<dev_t, ino_t>> seen;
    for (const QString& folder : folders_) {
        int fd = -1;
        if (const Outcome outcome = lockIn(folder, seen, &fd, &why_); outcome != Outcome::taken) {
            release();
            return outcome;
        }
        if (fd >= 0) fds_.push_back(fd);
    }
    why_.clear();
    // The pid, for a person who wonders which copy holds it; the lock does not depend on it.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    for (const int fd : fds_) {
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] auto n = ::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
        }
    }
    return Outcome::taken;
}

QStringList SingleInstanceLock::defaultFolders() {
    QStringList folders;
    for (const QString& folder : {paths::dataDir(), paths::configDir()}) {
        // A folder kept elsewhere behind a link (with the user's dotfiles) is locked where it lives.
        const QString real = paths::canonicalPath(folder);
        folders << (real.isEmpty() ? folder : real);
    }
    return folders;
}

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int sig) {
    const char byte = char(sig);
    [[maybe_unused]] auto n = ::write(signalPipe[1], &byte, 1);
}
}  // namespace

void quitOnTerminationSignals(QCoreApplication* app) {
    if (signalPipe[0] != -1) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char byte;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

void finishWithin(double seconds, const std::function<void()>& work) {
    finishWithin(seconds, work, "The final save did not finish in time; quitting without it\n", 1);
}

void finishWithin(double seconds, const std::function<void()>& work, const char* late, int status) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (finished.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return done; })) return;
        [[maybe_unused]] auto n = ::write(STDERR_FILENO, late, std::strlen(late));
        ::_exit(status);
    });
    work();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
}

}  // namespace kp
