#pragma once
// The verdicts of a check program on a real display: each printed as it comes, the failures
// counted for its exit status.
#include <cstdio>

namespace kp::test {

inline int& failures() {
    static int count = 0;
    return count;
}

inline void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(stdout);
    if (!ok) ++failures();
}

}  // namespace kp::test
