#pragma once
// The app's fixed identity, and the neighbours the running app plugs into its delegate.
namespace kp {

// Names the app's folders and queues.
inline constexpr const char* appIdentifier = "app.kettlepaw.Kettlepaw";

}  // namespace kp

#include "app/AppDelegate.h"

namespace kp {

// The delegate's hooks wired to whatever subsystems this build has.
AppDelegate::Hooks appHooks();

}  // namespace kp
