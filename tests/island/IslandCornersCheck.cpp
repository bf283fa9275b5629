// The open island's corners on a real X display under a window manager (run by
// compositor_corners.sh), started under a compositor that then stops and starts again, a few
// times: cut at once when it stops, and while a new one starts the screen, grabbed again and again,
// never shows black beside the island's round bottom corners, also when the island opens right
// then; it stays cut while it shows, and once it has hidden it opens with corners that blend with
// the desktop again.
// Usage: island_corners_check
#include "app/AppState.h"
#include "island/IslandContent.h"
#include "island/IslandController.h"
#include "island/IslandGeometry.h"
#include "island/IslandPanel.h"
#include "island/X11Window.h"
#include "platform/Defaults.h"
#include "support/CompositorSwitch.h"
#include "support/DisplayChecks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

using test::check;

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A room that draws at the display's rate, light all over, as the real one.
class LitRoom final : public IslandContent {
public:
    LitRoom() {
        frames_.setInterval(16);
        connect(&frames_, &QTimer::timeout, this, &IslandContent::frameDue);
    }
    void didAppear() override { frames_.start(); }
    void didDisappear() override { frames_.stop(); }
    void paint(QPainter& p, const QRectF& rect, double) override { p.fillRect(rect, QColor(240, 220, 200)); }

private:
    QTimer frames_;
};

class Check {
public:
    int run() {
        // The desktop under the island, in one colour that is not black.
        QWidget desk(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::Tool);
        desk.setStyleSheet(QStringLiteral("background: rgb(70, 130, 180)"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        desk.setGeometry(0, 0, screen.width(), 300);
        desk.show();
        compositor(true);

        Defaults::standard().set("onboardedV1", true);
        TestIslandController::Setup setup;
        setup.neighbours.makeRoom = [] { return std::make_unique<LitRoom>(); };
        TestIslandController island(AppState::shared(), std::move(setup));
        IslandPanel& panel = *island.panel();
        panel.showState(State::hidden, State::home);
        panel.finishMoving();
        check(waitFor([&] { return panel.isVisible() && panel.mask().isEmpty(); }, 5000),
              "the open island blends its corners under the compositor it started with");
        check(waitFor([&] { return blackBesideCorners(panel) == 0 && blended(panel); }, 5000),
              "the desktop shows beside its corners, blended at their edge");

        const x11::CompositorCut* cut = panel.findChild<x11::CompositorCut*>();
        check(cut != nullptr, "the island follows the compositor's cut");
        if (!cut) return 1;
        auto reopen = [&] {
            panel.showState(State::home, State::hidden);
            check(waitFor([&] { return !panel.isVisible(); }, 5000), "the island hides");
            check(waitFor([&] { return !cut->cut(); }, 10000), "hidden, it leaves the cut");
            panel.showState(State::hidden, State::home);
            panel.finishMoving();
            check(panel.mask().isEmpty(), "it opens see-through");
            check(waitFor([&] { return blackBesideCorners(panel) == 0 && blended(panel); }, 5000),
                  "its corners blend with the desktop again");
        };
        for (int round = 1; round <= 3; ++round) {
            std::printf("--- round %d: the island open as a compositor starts\n", round);
            compositor(false);
            check(!panel.mask().isEmpty(), "cut at once when the compositor stops");
            check(waitFor([&] { return blackBesideCorners(panel) == 0; }, 5000), "no black beside the cut corners");
            compositor(true);
            noBlackFlash(panel);
            check(!panel.mask().isEmpty(), "the open island stays cut");
            reopen();
        }
        std::printf("--- the island opens right as a compositor starts\n");
        compositor(false);
        panel.showState(State::home, State::hidden);
        check(waitFor([&] { return !panel.isVisible(); }, 5000), "the island hides");
        compositor(true);
        panel.showState(State::hidden, State::home);
        panel.finishMoving();
        noBlackFlash(panel);
        check(!panel.mask().isEmpty(), "it opens cut");
        reopen();
        compositor(false);
        return test::failures() ? 1 : 0;
    }

private:
    // The screen grabbed again and again for half a second as the compositor takes it over.
    void noBlackFlash(const IslandPanel& panel) {
        QElapsedTimer clock;
        clock.start();
        int looks = 0, worst = 0, blackLooks = 0;
        while (clock.elapsed() < 500) {
            const int black = blackBesideCorners(panel);
            ++looks;
            blackLooks += black > 0;
            worst = std::max(worst, black);
            QApplication::processEvents();
        }
        std::printf("  %d looks, %d with black beside the corners, at worst %d pixels\n", looks, blackLooks, worst);
        check(worst == 0, "no black beside the corners while the compositor starts");
    }

    void compositor(bool on) { check(compositor_.set(on), on ? "a compositor starts" : "the compositor stops"); }

    // The island's window as on screen, and where the island's shape leaves it clear by more than
    // a pixel (around its two bottom corners).
    QImage grab(const IslandPanel& panel) const {
        const QRect g = panel.geometry();
        return QGuiApplication::primaryScreen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage clear(const IslandPanel& panel) const {
        QImage shape(panel.size(), QImage::Format_Alpha8);
        shape.fill(0);
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = panel.islandRect();
        QPainterPath path = island::islandShape(r.size(), island::cornerRadiusFor(State::home));
        path.translate(r.topLeft());
        p.setPen(QPen(Qt::black, 3));
        p.setBrush(Qt::black);
        p.drawPath(path);
        return shape;
    }

    int blackBesideCorners(const IslandPanel& panel) const {
        const QImage now = grab(panel), outside = clear(panel);
        int black = 0;
        for (int y = 0; y < std::min(now.height(), outside.height()); ++y) {
            const auto* px = reinterpret_cast<const QRgb*>(now.constScanLine(y));
            const uchar* in = outside.constScanLine(y);
            for (int x = 0; x < std::min(now.width(), outside.width()); ++x)
                black += in[x] == 0 && (px[x] & 0xffffff) == 0;
        }
        return black;
    }

    // Around the round corners only the room, the desktop and blends of the two: nothing darker
    // than either (the island's black, which the cut look shows along the curve).
    bool blended(const IslandPanel& panel) const {
        const QImage now = grab(panel);
        const int r = int(std::ceil(island::cornerRadiusFor(State::home)));
        const QRect island = panel.islandRect().toAlignedRect();
        int dark = 0;
        for (const QRect& corner : {QRect(island.left(), island.bottom() + 1 - r, r, r),
                                    QRect(island.right() + 1 - r, island.bottom() + 1 - r, r, r)})
            for (int y = corner.top(); y <= corner.bottom(); ++y)
                for (int x = corner.left(); x <= corner.right(); ++x) {
                    const QRgb c = now.pixel(x, y);
                    dark += qRed(c) + qGreen(c) + qBlue(c) < 300;
                }
        return dark == 0;
    }

    test::CompositorSwitch compositor_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rc = Check().run();
    // The app's shared objects are not built to be torn down: leave without it.
    std::fflush(stdout);
    std::_Exit(rc);
}
