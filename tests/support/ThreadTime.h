#pragma once
// How long the calling thread has computed: a machine kept busy by other tests, or a disk slow to
// sync, does not count, so a bound on it holds under load.
#include <ctime>

namespace kp::test {

inline double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

}  // namespace kp::test
