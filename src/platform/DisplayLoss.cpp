#include "platform/DisplayLoss.h"

#include <QGuiApplication>
#include <QString>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace kp {

namespace {
std::function<void()> saveOnLoss;
QtMessageHandler previousHandler = nullptr;
bool ending = false;

bool displayLost() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && x11->connection() && xcb_connection_has_error(x11->connection());
}

// The toolkit reports a broken connection just before it exits: the last moment the app still
// has all of its state.
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (previousHandler) previousHandler(type, context, message);
    if (ending || !message.startsWith(QLatin1String("The X11 connection broke")) || !displayLost()) return;
    ending = true;
    std::fputs("The display went away: saving the cat and quitting\n", stderr);
    if (saveOnLoss) saveOnLoss();
    std::fflush(nullptr);
    ::_exit(0);
}
}  // namespace

void saveAndExitWhenDisplayIsLost(std::function<void()> save) {
    saveOnLoss = std::move(save);
    // A write to a display server that is gone raises SIGPIPE, which would end the app before the
    // toolkit finds the connection broken: caught, the write fails instead and the loss is seen as
    // such. A handler rather than ignoring it, so programs the app starts get the default back.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
    if (!previousHandler) previousHandler = qInstallMessageHandler(onMessage);
}

}  // namespace kp
