#include "app/AppInfo.h"

#include "app/AppState.h"

namespace kp {

AppDelegate::Hooks appHooks() {
    AppDelegate::Hooks hooks;
    return hooks;
}

}  // namespace kp
