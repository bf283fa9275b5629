#include "desktop/DesktopCat.h"

namespace kp {

void DesktopCat::nextStep(double now) {
    if (!plan.empty()) plan.erase(plan.begin());
    stepStarted = now;
}

}  // namespace kp
