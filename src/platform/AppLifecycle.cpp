#include "AppLifecycle.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
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

// Bounds kept by timers that need no thread: when one goes off, its signal's handler says why and
// ends the process, on whichever thread the signal reaches.
struct Bound {
    std::atomic<bool> armed{false};
    const char* late = "";
    int status = 1;
    void (*first)() = nullptr;  // run before ending, on the thread the signal reached
};
enum BoundSlot { workBound, stuckBound, endBound, boundSlots };
Bound bounds[boundSlots];
timer_t stuckTimer{}, endTimer{};
bool endTimerMade = false;
std::atomic<bool> stuckWatched{false};
std::atomic<bool> signalled{false};
std::function<void()> saveWhenStuck;

// The signals the timers raise: process-wide ones, and the one aimed at the main thread alone.
int boundSignal() { return SIGRTMIN + 1; }
int stuckSignal() { return SIGRTMIN + 2; }

void onBound(int, siginfo_t* info, void*) {
    const int slot = info->si_code == SI_TIMER ? info->si_value.sival_int : -1;
    if (slot < 0 || slot >= boundSlots || !bounds[slot].armed.exchange(false)) return;  // let go of just before
    Bound& b = bounds[slot];
    [[maybe_unused]] auto n = ::write(STDERR_FILENO, b.late, std::strlen(b.late));
    if (b.first) b.first();
    ::_exit(b.status);
}

void handleBounds() {
    static const bool installed = [] {
        struct sigaction sa {};
        sa.sa_sigaction = onBound;
        sa.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&sa.sa_mask);
        ::sigaction(boundSignal(), &sa, nullptr);
        ::sigaction(stuckSignal(), &sa, nullptr);
        return true;
    }();
    (void)installed;
}

// A timer for `slot`, raising `signal` at the process, or at the thread `tid` when given.
bool makeTimer(BoundSlot slot, int signal, pid_t tid, timer_t* timer) {
    handleBounds();
    sigevent event {};
    event.sigev_notify = tid ? SIGEV_THREAD_ID : SIGEV_SIGNAL;
    event.sigev_signo = signal;
    event.sigev_value.sival_int = slot;
    event._sigev_un._tid = tid;
    return ::timer_create(CLOCK_MONOTONIC, &event, timer) == 0;
}

// Async-signal-safe.
void setTimer(timer_t timer, double seconds) {
    itimerspec when {};
    when.it_value.tv_sec = time_t(seconds);
    when.it_value.tv_nsec = long((seconds - double(time_t(seconds))) * 1e9);
    if (seconds > 0 && when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) when.it_value.tv_nsec = 1;
    ::timer_settime(timer, 0, &when, nullptr);
}

// How long the main thread has to take a quitting signal up before it is taken as stuck, and how
// long after the first signal the process ends whatever happens (past the bounds of the final save
// and of the sound's close).
constexpr double kStuckAfter = 5;
constexpr double kEndAfter = 20;

void onSignal(int sig) {
    const char byte = char(sig);
    [[maybe_unused]] auto n = ::write(signalPipe[1], &byte, 1);
    if (signalled.exchange(true)) return;
    if (stuckWatched.load()) {
        bounds[stuckBound].armed = true;
        setTimer(stuckTimer, kStuckAfter);
    }
    if (endTimerMade) {
        bounds[endBound].armed = true;
        setTimer(endTimer, kEndAfter);
    }
}

// While `work` runs on this thread with no watchdog thread, a timer bounds it: its signal goes to
// another thread, since this one may be held where no handler can run (a disk that hangs).
class TimerBound {
public:
    TimerBound(double seconds, const char* late, int status) {
        Bound& b = bounds[workBound];
        if (b.armed.load()) return;  // within another bound already, which holds for this too
        b.late = late;
        b.status = status;
        if (!makeTimer(workBound, boundSignal(), 0, &timer_)) return;
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, boundSignal());
        ::pthread_sigmask(SIG_BLOCK, &set, &mask_);
        b.armed = true;
        setTimer(timer_, seconds);
        made_ = true;
    }
    ~TimerBound() {
        if (!made_) return;
        bounds[workBound].armed = false;
        ::timer_delete(timer_);
        ::pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
    }
    TimerBound(const TimerBound&) = delete;
    TimerBound& operator=(const TimerBound&) = delete;

private:
    timer_t timer_{};
    sigset_t mask_{};
    bool made_ = false;
};
}  // namespace

void quitOnTerminationSignals(QCoreApplication* app) {
    if (signalPipe[0] != -1) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    Bound& end = bounds[endBound];
    end.late = "The app did not end in time after the signal to quit: ended\n";
    endTimerMade = makeTimer(endBound, boundSignal(), 0, &endTimer);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char byte;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &byte, 1);
        // The main thread answers: the quit goes its usual way.
        if (bounds[stuckBound].armed.exchange(false)) setTimer(stuckTimer, 0);
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

void saveWhenQuitIsStuck(QCoreApplication* app, std::function<void()> save) {
    if (stuckWatched.load() || saveWhenStuck) return;
    saveWhenStuck = std::move(save);
    Bound& stuck = bounds[stuckBound];
    stuck.late = "The app did not take up the signal to quit: saving the cat where it stood and quitting\n";
    stuck.status = 0;
    stuck.first = [] {
        saveWhenStuck();
        std::fflush(nullptr);
    };
    if (!makeTimer(stuckBound, stuckSignal(), ::gettid(), &stuckTimer)) return;
    // Watched once what is queued now (the launch) has run: a main thread busy launching is not
    // interrupted.
    QTimer::singleShot(0, app, [] { stuckWatched = true; });
}

void finishWithin(double seconds, const std::function<void()>& work) {
    finishWithin(seconds, work, "The final save did not finish in time; quitting without it\n", 1);
}

void finishWithin(double seconds, const std::function<void()>& work, const char* late, int status) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog;
    try {
        watchdog = std::thread([&] {
            std::unique_lock lock(mutex);
            if (finished.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return done; })) return;
            [[maybe_unused]] auto n = ::write(STDERR_FILENO, late, std::strlen(late));
            ::_exit(status);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work does not depend on one.
        const TimerBound bound(seconds, late, status);
        work();
        return;
    }
    work();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
}

}  // namespace kp
