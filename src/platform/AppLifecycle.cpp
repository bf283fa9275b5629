#include "AppLifecycle.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QSocketNotifier>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kp {

SingleInstanceLock::SingleInstanceLock(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath)) {
    lock_->setStaleLockTime(0);  // a lock whose process is gone is stale, however young
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::tryLock() {
    if (lock_->tryLock(0)) return true;
    if (lock_->error() == QLockFile::LockFailedError && lock_->removeStaleLockFile()) return lock_->tryLock(0);
    return false;
}

QString SingleInstanceLock::defaultPath() {
    QDir().mkpath(paths::runtimeDir());
    return paths::runtimeDir() + "/kettlepaw.lock";
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
