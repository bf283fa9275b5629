// Runs out of memory as the app can, for memory_shortage_test, under a limit of 64 MB more address
// space than it has at the start:
//   main: the main thread runs out, from the event loop;
//   thread: another thread runs out while the main thread waits in the event loop;
//   uncaught: another thread throws a std::bad_alloc no one catches, as the toolkit's containers do;
//   threads: prints how much address space a dozen threads that allocate take together.
// The save uses 4 MB, as a save's own work would need room, and prints on which thread it ran.
#include "app/MemoryShortage.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
rlim_t addressSpace() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return rlim_t(std::stoull(line.substr(7))) * 1024;
    return 0;
}

[[noreturn]] void exhaust() {
    std::vector<std::unique_ptr<char[]>> held;
    held.reserve(100000);
    for (;;) held.emplace_back(new char[std::size_t(1) << 20]);
}
}  // namespace

// A dozen threads that each allocate, alive at once: how much more address space the process holds.
int reserveOfThreads() {
    const rlim_t before = addressSpace();
    std::atomic<int> ready{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 12; ++i)
        threads.emplace_back([&] {
            const auto kept = std::make_unique<char[]>(1000);
            ++ready;
            while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    while (ready < 12) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::printf("%llu MB\n", static_cast<unsigned long long>((addressSpace() - before) >> 20));
    done = true;
    for (auto& thread : threads) thread.join();
    return 0;
}

int main(int argc, char** argv) {
    kp::keepAddressSpaceSmall();
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "threads") return reserveOfThreads();
    const pthread_t mainThread = ::pthread_self();
    kp::saveAndExitWhenMemoryRunsOut([mainThread] {
        std::vector<char> work(std::size_t(4) << 20, 1);
        const char* said = ::pthread_equal(::pthread_self(), mainThread) && work.back() == 1 ? "saved on the main thread\n"
                                                                                              : "saved on another thread\n";
        [[maybe_unused]] auto n = ::write(STDOUT_FILENO, said, std::strlen(said));
    });
    const rlim_t bound = addressSpace() + (rlim_t(64) << 20);
    const rlimit limit{bound, bound};
    if (::setrlimit(RLIMIT_AS, &limit) != 0) return 3;
    QTimer::singleShot(0, &app, [&mode] {
        if (mode == "main") exhaust();
        if (mode == "thread") std::thread(exhaust).detach();
        if (mode == "uncaught") std::thread([] { throw std::bad_alloc(); }).detach();
    });
    return app.exec();
}
