#pragma once
// A compositor that the checks on a real X display start and stop (picom, drawing with XRender).
#include "island/X11Window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

namespace kp::test {

class CompositorSwitch {
public:
    // Starts or stops it; true once the app's own watch has seen the change, false when it has
    // not within ten seconds.
    bool set(bool on) {
        if (on) {
            picom_.start(QStringLiteral("picom"), {QStringLiteral("--backend"), QStringLiteral("xrender")});
        } else if (picom_.state() != QProcess::NotRunning) {
            picom_.terminate();
            picom_.waitForFinished(5000);
        }
        QElapsedTimer clock;
        clock.start();
        while (x11::compositorRunning() != on) {
            if (clock.elapsed() > 10000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

private:
    QProcess picom_;
};

}  // namespace kp::test
