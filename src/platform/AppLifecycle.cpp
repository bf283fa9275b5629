#include "AppLifecycle.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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
}  // namespace

SingleInstanceLock::SingleInstanceLock(QString folder) : folder_(std::move(folder)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

SingleInstanceLock::Outcome SingleInstanceLock::tryLock() {
    if (fd_ >= 0) return Outcome::taken;
    const QString path = folder_ + '/' + QLatin1String(lockName);
    const auto fail = [this, &path](const QString& what) {
        why_ = QStringLiteral("its lock %1 %2").arg(path, what);
        return Outcome::failed;
    };
    QString folderFault;
    const int folder = paths::openOwnFolder(folder_, true, &folderFault);
    if (folder < 0) {
        why_ = QStringLiteral("the folder %1 for its lock is not usable: %2").arg(folder_, folderFault);
        return Outcome::failed;
    }
    // No link is followed and nothing is waited on: a pipe opens at once and is refused below.
    const int fd = ::openat(folder, lockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    const int openError = errno;
    struct stat st {};
    const bool odd = fd < 0 && ::fstatat(folder, lockName, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode);
    ::close(folder);
    if (fd < 0) {
        if (odd) return fail(QStringLiteral("is %1, not a plain file; remove it and start again").arg(kindOf(st.st_mode)));
        return fail(QStringLiteral("cannot be opened: %1").arg(errorText(openError)));
    }
    if (const QString fault = lockFileFault(fd); !fault.isEmpty()) {
        ::close(fd);
        return fail(fault + QStringLiteral("; remove it and start again"));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) why_ = QStringLiteral("%1 holds its lock %2").arg(holderOf(fd), path);
        ::close(fd);
        return error == EWOULDBLOCK ? Outcome::heldElsewhere : fail(QStringLiteral("cannot be locked: %1").arg(errorText(error)));
    }
    fd_ = fd;
    why_.clear();
    // The pid, for a person who wonders which copy holds it; the lock does not depend on it.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] auto n = ::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    }
    return Outcome::taken;
}

QString SingleInstanceLock::defaultFolder() { return paths::runtimeDir(); }

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
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (finished.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return done; })) return;
        static const char message[] = "The final save did not finish in time; quitting without it\n";
        [[maybe_unused]] auto n = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(1);
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
