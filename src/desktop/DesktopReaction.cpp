#include "desktop/DesktopSteps.h"

#include <algorithm>
#include <cmath>

namespace kp {

using namespace desktopsteps;

void DesktopCat::react(double now) {
    const auto install = [&](Plan p) {
        plan = std::move(p);
        stepStarted = now;
    };

    // 1. What the media player does changed (the change is consumed even when nothing follows).
    const MediaWatcher::Playing media = playing();
    if (!(media == lastMedia)) {
        lastMedia = media;
        if (media.isMusic()) {
            if (isInterruptible() && now - lastVibe > 20) {
                lastVibe = now;
                install({Step::vibe(18 + 17 * unit()), Step::sit(2)});
                return;
            }
        } else if (media.isVideo() && isInterruptible()) {
            const bool watching = currentStep() == Kind::watch;
            const std::optional<int> w = videoWindow(*this, media.app());
            if (!watching && w) {
                lastWatchVideo = now;
                Plan p = watchPlan(*w, 60 + 60 * unit());
                if (!p.empty()) {
                    install(std::move(p));
                    return;
                }
            }
        }
    }

    // 2. A fast pointer sweeping past the head: pounce.
    if (isInterruptible() && now - lastPounce > 6 && mouseSpeed > 1100) {
        const QPointF head = headPoint();
        const double dist = std::hypot(mouse.x() - head.x(), mouse.y() - head.y());
        const double above = feet.y() - mouse.y();
        if (dist < 240 && above > -30 && above < 300) {
            lastPounce = now;
            install({Step::of(Kind::pounce), Step::sit(2)});
            return;
        }
    }

    // 3. Another application came to the front: hop onto its window (acted on 0.35 s later, once).
    if (!pendingApp) return;
    if (now - pendingApp->at <= 0.35) return;
    const long long pid = pendingApp->pid;
    pendingApp.reset();
    if (!isInterruptible() || now - lastAppHop <= 15 || !(unit() < 0.7)) return;
    const std::optional<Ledge> l = terrain.appLedge(pid);
    if (!l || l->window == window) return;
    lastAppHop = now;
    const double x =
        l->width() > 60 ? std::clamp(feet.x() - 120 + 240 * unit(), l->x0 + 30, l->x1 - 30) : l->middle();
    install({Step::hop(l->window, x), Step::sit(3 + 2 * unit()), Step::groom(2)});
}

}  // namespace kp
