#include "Random.h"

#include <cstdlib>

namespace kp {

namespace {

std::uint64_t startingSeed() {
    if (const char* text = std::getenv("KP_TEST_SEED"); text && *text) {
        char* end = nullptr;
        const unsigned long long seed = std::strtoull(text, &end, 10);
        if (end && *end == '\0') return seed;
    }
    return std::random_device{}();
}

}  // namespace

SystemRandom::SystemRandom() : SeededRandom(startingSeed()) {}

SystemRandom& SystemRandom::shared() {
    static SystemRandom random;
    return random;
}

}  // namespace kp
