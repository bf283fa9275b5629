// Ends as the app can, for platform_tests, with the thread library of tests/support refusing every
// new thread once the file KP_NO_NEW_THREADS names exists (the probe makes it after starting one
// thread, as the app has some):
//   save: the final save, with no thread to watch it; prints "saved" and exits 0.
//   hang: a final save that never returns, with no thread to watch it; the bound ends the probe.
//   stuck: the main thread waits for ever on what never comes, as the raster engine did; SIGTERM
//     still saves ("saved where it stood") and ends the probe. Prints "stuck" once it waits.
#include "platform/AppLifecycle.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {
void say(const char* text) { [[maybe_unused]] auto n = ::write(STDOUT_FILENO, text, std::strlen(text)); }
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    std::thread([] { QSemaphore().acquire(); }).detach();
    if (const char* flag = std::getenv("KP_NO_NEW_THREADS")) std::ofstream{flag};
    if (mode == "save") kp::finishWithin(5, [] { say("saved\n"); });
    if (mode == "hang") kp::finishWithin(0.2, [] { QSemaphore().acquire(); });
    if (mode != "stuck") return 0;
    kp::quitOnTerminationSignals(&app);
    kp::saveWhenQuitIsStuck(&app, [] { say("saved where it stood\n"); });
    QTimer::singleShot(0, &app, [] {
        say("stuck\n");
        QSemaphore().acquire();
    });
    return app.exec();
}
