#pragma once
// The desktop's wish for less motion, as the settings portal publishes it (the desktop's own
// animations switch). The answer comes later, on the main thread; without a portal it never comes
// and motion stays on.
#include <functional>

class QObject;

namespace kp {

// Asks once; `apply(true)` when the desktop has animations switched off. Nothing is called after
// `context` is gone.
void askReduceMotion(QObject* context, std::function<void(bool reduce)> apply);

}  // namespace kp
