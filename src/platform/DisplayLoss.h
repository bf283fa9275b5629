#pragma once
// The X server can go away under the app (a crashed or stopped display server). The toolkit then
// ends the process at once with status 1; this lets the app save first and end with status 0.
#include <functional>

namespace kp {

// When the display connection breaks, runs `save` once and ends the process with status 0. Call
// once, after the application exists.
void saveAndExitWhenDisplayIsLost(std::function<void()> save);

}  // namespace kp
