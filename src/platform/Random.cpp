#include "Random.h"

namespace kp {

SystemRandom& SystemRandom::shared() {
    static SystemRandom random;
    return random;
}

}  // namespace kp
