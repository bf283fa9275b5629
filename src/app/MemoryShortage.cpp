#include "MemoryShortage.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kp {

namespace {
constexpr std::size_t kThreadStack = std::size_t(2) << 20;
// Room for the save: its own allocations and the thread that bounds its time.
constexpr std::size_t kReserve = std::size_t(32) << 20;
// How long a thread that ran out waits for the main thread to end the app.
constexpr auto kHandOverWait = std::chrono::seconds(15);

std::function<void()>* saveOnShortage = nullptr;
std::atomic<void*> reserve{nullptr};
std::atomic<bool> saving{false};
pthread_t mainThread;
int wake[2] = {-1, -1};
std::terminate_handler previousTerminate = nullptr;

void say(const char* text) { [[maybe_unused]] auto n = ::write(STDERR_FILENO, text, std::strlen(text)); }

[[noreturn]] void saveAndExit() {
    if (saving.exchange(true)) {
        say("Memory ran out while saving the cat: quitting without it\n");
        ::_exit(1);
    }
    say("Memory ran out: saving the cat and quitting\n");
    if (saveOnShortage && *saveOnShortage) (*saveOnShortage)();
    std::fflush(nullptr);
    ::_exit(1);
}

// The cat is the main thread's: another thread that ran out wakes it and waits, holding whatever
// it holds; the app ends either way.
[[noreturn]] void runOut() {
    if (void* room = reserve.exchange(nullptr)) ::munmap(room, kReserve);
    if (::pthread_equal(::pthread_self(), mainThread)) saveAndExit();
    const char byte = 0;
    [[maybe_unused]] auto n = ::write(wake[1], &byte, 1);
    std::this_thread::sleep_for(kHandOverWait);
    say("Memory ran out and the cat could not be saved in time: quitting\n");
    ::_exit(1);
}

void onTerminate() {
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            runOut();
        } catch (...) {
        }
    }
    (previousTerminate ? previousTerminate : std::abort)();
}
}  // namespace

void keepAddressSpaceSmall() {
    if (!std::getenv("MALLOC_ARENA_MAX")) ::mallopt(M_ARENA_MAX, 2);
    pthread_attr_t attr;
    std::size_t stack = 0;
    if (::pthread_getattr_default_np(&attr) != 0) return;
    if (::pthread_attr_getstacksize(&attr, &stack) == 0 && stack > kThreadStack &&
        ::pthread_attr_setstacksize(&attr, kThreadStack) == 0)
        ::pthread_setattr_default_np(&attr);
    ::pthread_attr_destroy(&attr);
}

void saveAndExitWhenMemoryRunsOut(std::function<void()> save) {
    if (saveOnShortage) {
        *saveOnShortage = std::move(save);
        return;
    }
    saveOnShortage = new std::function<void()>(std::move(save));
    mainThread = ::pthread_self();
    if (::pipe2(wake, O_CLOEXEC) == 0) {
        ::fcntl(wake[1], F_SETFL, O_NONBLOCK);
        auto* notifier = new QSocketNotifier(wake[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { saveAndExit(); });
    }
    void* room = ::mmap(nullptr, kReserve, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room != MAP_FAILED) reserve = room;
    std::set_new_handler([] { runOut(); });
    previousTerminate = std::set_terminate(onTerminate);
}

}  // namespace kp
