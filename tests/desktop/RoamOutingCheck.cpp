// An outing on a real X display (run by roam_outing.sh under a window manager): the panel's pixels
// reach the screen where a piece is now and leave none where it was, also once a window that
// covered them is gone; the desktop's own pixels stay as they were everywhere away from the cat,
// with a compositor and without one, and when one comes or goes during the outing; clicks away from the cat reach the window under it and
// a click on the cat pets it; the island's menu stays above the cat's panel; and the keyboard
// walk's file opens without taking the keyboard from the user's window. A see-through piece shows
// in its own colour without a compositor, blended with one; a compositor that starts mid-outing
// never shows the desktop black, not even for a frame (the panel stays cut for the outing); and a
// KWin that suspends compositing while it keeps the selection has the panel and the island cut as
// when a compositor stops, and the island cut until it next hides once KWin resumes.
// With "screen", an outing during which the screen shrinks (run by roam_screen_change.sh).
// Usage: roam_outing_check compositor|bare|screen (on a private session bus)
#include "desktop/DesktopRoam.h"
#include "desktop/QuietOpen.h"
#include "desktop/RoamPanel.h"

#include "app/AppState.h"
#include "island/IslandController.h"
#include "island/IslandPanel.h"
#include "island/X11Window.h"
#include "life/PetLife.h"
#include "platform/Defaults.h"
#include "platform/KWinCompositing.h"
#include "platform/WindowList.h"
#include "support/CompositorSwitch.h"
#include "support/DisplayChecks.h"
#include "support/FakeKWin.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

using namespace kp;

namespace {

using test::check;

// Runs the event loop until `done` holds; false when it does not within `ms`.
xcb_connection_t* connection() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }
xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root; }

// A busy window manager may sleep on events it has read ahead; a property change on the root
// window wakes it.
void nudgeManager() {
    static const xcb_atom_t nudge = [] {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(connection(), xcb_intern_atom(connection(), 0, 9, "_KP_NUDGE"), nullptr);
        const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return atom;
    }();
    static uint32_t tick = 0;
    ++tick;
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, root(), nudge, XCB_ATOM_CARDINAL, 32, 1, &tick);
    xcb_flush(connection());
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    qint64 nudged = 0;
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        if (clock.elapsed() - nudged > 500) {
            nudgeManager();
            nudged = clock.elapsed();
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

std::vector<xcb_window_t> rootList(const char* name) {
    xcb_connection_t* c = connection();
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, root(), atom->atom, XCB_ATOM_WINDOW, 0, 1024), nullptr);
    std::vector<xcb_window_t> out;
    if (r && r->format == 32) {
        const auto* w = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
        out.assign(w, w + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    std::free(atom);
    return out;
}

xcb_window_t activeWindow() {
    const auto w = rootList("_NET_ACTIVE_WINDOW");
    return w.empty() ? 0 : w.front();
}

// The root's children, bottom to top.
std::vector<xcb_window_t> stacking() {
    xcb_connection_t* c = connection();
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root()), nullptr);
    std::vector<xcb_window_t> out;
    if (tree) {
        const xcb_window_t* w = xcb_query_tree_children(tree);
        out.assign(w, w + xcb_query_tree_children_length(tree));
    }
    std::free(tree);
    return out;
}

// The top-level X window holding `w` (its window manager frame, when it has one).
xcb_window_t topLevel(xcb_window_t w) {
    xcb_connection_t* c = connection();
    for (;;) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree) return w;
        const xcb_window_t parent = tree->parent;
        const xcb_window_t top = tree->root;
        std::free(tree);
        if (parent == top || parent == XCB_WINDOW_NONE) return w;
        w = parent;
    }
}

QImage screenShot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// The user's window: one flat colour, counting the presses it gets.
class UserWindow final : public QWidget {
public:
    UserWindow() {
        setWindowTitle(QStringLiteral("A window to walk on"));
        setGeometry(300, 420, 600, 260);
    }
    int presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(224, 192, 64)); }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// A desktop of one colour of its own, set the way wallpaper setters do (a root pixmap named in
// _XROOTPMAP_ID, which compositors paint behind the windows).
void setWallpaper(uint32_t rgb) {
    xcb_connection_t* c = connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, 8, 8);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t all{0, 0, 8, 8};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &all);
    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        std::free(atom);
    }
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    xcb_flush(c);
}

class Check {
public:
    explicit Check(bool compositorFirst) : compositorFirst_(compositorFirst) {}

    int run() {
        setWallpaper(0x3070B0);
        user_.show();
        check(waitFor([this] {
            if (activeWindow() == user_.winId()) return true;
            // As the user would: a click on it, and as a pager would (a request of the app itself
            // may be refused).
            const QPoint at = user_.mapToGlobal(QPoint(user_.width() / 2, user_.height() / 2));
            QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                                         QString::number(at.y()), QStringLiteral("click"),
                                                         QStringLiteral("1")});
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("windowactivate"), QString::number(user_.winId())});
            QApplication::processEvents(QEventLoop::AllEvents, 200);
            return false;
        }, 60000), "the user's window has the keyboard");
        if (compositorFirst_) compositor(true);

        const QImage before = settledScreen();
        panelPixels(before);
        if (compositorFirst_) kwinSuspends(before);
        DesktopRoam& roam = DesktopRoam::shared();
        DesktopCat* cat = sendCatOut(roam);
        if (!cat) return 1;
        auto* panel = dynamic_cast<RoamPanel*>(roam.panel());
        check(panel->cut() == !compositorFirst_, "the panel is cut to the cat only without a compositor");
        check(desktopIntact(before, *panel), "the desktop shows as before away from the cat");

        menuStaysAbove(*panel);
        restingPointer(*panel, *cat);
        clicks(*panel, *cat);

        // The compositor comes or goes during the outing.
        compositor(!compositorFirst_);
        if (compositorFirst_) {
            // As soon as the app knows, before another frame: a panel left see-through would show black.
            check(panel->cut(), "the panel is cut at once when the compositor stops");
        } else {
            // Nor black while a compositor that has just come takes the screen over: the panel stays
            // cut for the rest of the outing.
            check(noBlackFlash(before, *panel), "no black shows while the compositor starts");
            check(panel->cut(), "the panel stays cut to the cat while the compositor starts");
        }
        check(desktopIntact(before, *panel), "the desktop shows as before after the compositor changed");

        if (!compositorFirst_) keyboardFileKeepsFocus();
        if (!compositorFirst_) nextOutingSeesThePointer(roam);
        roam.callHome();
        compositor_.set(false);
        return test::failures() ? 1 : 0;
    }

    // The screen shrinks to 1024 x 768 (as `xrandr --output ... --mode` does) while the cat walks
    // the floor beyond the new edge: the panel covers the screen as it is now, and the cat comes
    // down on the new floor, where it is seen, and stays on the screen.
    int screenChange() {
        setWallpaper(0x3070B0);
        const QImage before = settledScreen();
        DesktopRoam& roam = DesktopRoam::shared();
        DesktopCat* cat = sendCatOut(roam);
        if (!cat) return 1;
        auto* panel = dynamic_cast<RoamPanel*>(roam.panel());
        // Near the floor's right end, walking on to the right.
        cat->feet.setX(1300);
        cat->plan = {DesktopCat::Step::walk(1400, false), DesktopCat::Step::sit(60)};
        cat->stepStarted = cat->now();
        check(waitFor([&] { return panel->drawn().left() > 1200; }, 5000), "the cat walks the floor's right end");

        for (const QStringList& args :
             {QStringList{"--newmode", "kp1024", "63.5", "1024", "1072", "1176", "1328", "768", "771", "775", "798"},
              QStringList{"--addmode", "screen", "kp1024"}, QStringList{"--output", "screen", "--mode", "kp1024"}})
            check(QProcess::execute(QStringLiteral("xrandr"), args) == 0, qPrintable("xrandr " + args.join(' ')));
        const QRect small(0, 0, 1024, 768);
        check(waitFor([&] { return QGuiApplication::primaryScreen()->geometry() == small; }, 10000),
              "the app sees the screen at 1024 x 768");
        check(waitFor([&] { return panel->frame() == QRectF(small) && panel->geometry() == small; }, 5000),
              "the panel covers the screen as it is now");
        check(waitFor([&] { return !cat->falling && cat->feet.y() == 768 - soleDepth && cat->feet.x() < 1024; }, 5000),
              "the cat stands on the new floor, inside the screen");
        check(desktopIntact(before.copy(small), *panel), "the cat is seen on the screen, the desktop as before");
        // Its walk and whatever follows keep it on the screen.
        double right = 0;
        QElapsedTimer seen;
        seen.start();
        while (seen.elapsed() < 3000) {
            right = std::max(right, cat->feet.x());
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        std::printf("  the cat's feet came at most %.1f points from the left edge\n", right);
        check(right < 1024, "the cat stays on the screen");
        roam.callHome();
        check(waitFor([&roam] { return !roam.isOut(); }, 20000), "the cat comes home");
        return test::failures() ? 1 : 0;
    }

private:
    // Roaming on, no mischief and no need: the cat sent out, once it has landed; none when it did
    // not go.
    DesktopCat* sendCatOut(DesktopRoam& roam) {
        Defaults::standard().set("desktopRoam", true);
        Defaults::standard().set("onboardedV1", true);
        Defaults::standard().set("desktopMischief", false);
        AppState::shared().life().setNeed(std::nullopt);
        roam.sendOut();
        check(roam.isOut(), "the cat goes out");
        if (!roam.isOut()) return nullptr;
        DesktopCat* cat = roam.roamingCat()->model();
        check(waitFor([cat] { return !cat->falling && !cat->flight; }, 20000), "the cat lands");
        return cat;
    }

    void compositor(bool on) { check(compositor_.set(on), on ? "a compositor starts" : "the compositor stops"); }

    // The screen once two looks a moment apart agree.
    QImage settledScreen() {
        QImage last = screenShot();
        waitFor([&last] {
            QApplication::processEvents(QEventLoop::AllEvents, 100);
            QImage now = screenShot();
            const bool same = now == last;
            last = std::move(now);
            return same;
        }, 10000);
        return last;
    }

    // Every pixel away from the cat (and `besides`) as in `before`, and the cat itself showing.
    bool desktopIntact(const QImage& before, const RoamPanel& panel, const QRect& besides = {}) {
        QString why;
        QImage shot;
        const bool ok = waitFor([&] {
            const QImage now = screenShot();
            // Where the cat is and was a few frames ago (a compositor shows it a little late).
            const QRect cat = panel.drawn().adjusted(-40, -40, 40, 40);
            int changed = 0, catInk = 0;
            for (int y = 0; y < now.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(now.constScanLine(y));
                for (int x = 0; x < now.width(); ++x) {
                    if (cat.contains(x, y))
                        catInk += a[x] != b[x];
                    else if (!besides.contains(x, y))
                        changed += a[x] != b[x];
                }
            }
            why = QStringLiteral("%1 pixels changed away from the cat, %2 showing it").arg(changed).arg(catInk);
            shot = now;
            return changed == 0 && catInk > 50;
        }, 10000);
        std::printf("  %s\n", qPrintable(why));
        // For a person to look at: KP_ROAM_OUTING_PNG names a folder.
        if (const QByteArray dir = qgetenv("KP_ROAM_OUTING_PNG"); !dir.isEmpty()) {
            before.save(QString::fromLocal8Bit(dir) + QStringLiteral("/before.png"));
            shot.save(QString::fromLocal8Bit(dir) + QStringLiteral("/outing-%1.png").arg(++shots_));
        }
        return ok;
    }

    // The screen grabbed again and again for half a second: no pixel black that was not, away
    // from the cat.
    bool noBlackFlash(const QImage& before, const RoamPanel& panel) {
        QElapsedTimer clock;
        clock.start();
        int shots = 0, worst = 0;
        while (clock.elapsed() < 500) {
            const QImage now = screenShot();
            ++shots;
            const QRect cat = panel.drawn().adjusted(-40, -40, 40, 40);
            int black = 0;
            for (int y = 0; y < now.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(now.constScanLine(y));
                for (int x = 0; x < now.width(); ++x)
                    black += (b[x] & 0xffffff) == 0 && (a[x] & 0xffffff) != 0 && !cat.contains(x, y);
            }
            if (black > worst && qEnvironmentVariableIsSet("KP_ROAM_OUTING_PNG"))
                now.save(qEnvironmentVariable("KP_ROAM_OUTING_PNG") + QStringLiteral("/black-%1.png").arg(shots));
            worst = std::max(worst, black);
            QApplication::processEvents();
        }
        std::printf("  %d looks, at worst %d pixels black\n", shots, worst);
        return worst == 0;
    }

    // KWin suspends compositing while it keeps the compositing manager's selection (on the user's
    // shortcut, or for a full-screen game): the panel and the island are cut as when a compositor
    // stops. Once it resumes both stay cut while they show; the island blends its corners again
    // once it has hidden.
    void kwinSuspends(const QImage& before) {
        QRect spot(500, 300, 40, 30);
        RoamPanel panel(
            RoamScreen{QRectF(QGuiApplication::primaryScreen()->geometry()), QRectF()}, CatchTarget{},
            [&spot](QPainter& p) { p.fillRect(spot, QColor(220, 40, 40)); },
            [&spot] { return std::vector<SceneLayer>{{1, spot, 1}}; });
        panel.orderFront();
        test::FakeKWin kwin(true);
        check(kwin.ok(), "a KWin stands in on the private bus");
        TestIslandController island(AppState::shared(), TestIslandController::Setup{});
        IslandPanel& islandPanel = *island.panel();
        islandPanel.showState(IslandStateMachine::State::hidden, IslandStateMachine::State::petit);
        islandPanel.finishMoving();
        check(waitFor([&] { return islandPanel.isVisible() && islandPanel.mask().isEmpty(); }, 5000),
              "the island blends its corners with a compositor");
        check(waitFor([] { return KWinCompositing::shared().active() == true; }, 10000), "the app hears KWin");
        kwin.toggle(false);
        check(waitFor([] { return !x11::compositorRunning(); }, 10000), "KWin suspends compositing");
        check(panel.cut(), "the panel is cut at once when KWin suspends compositing");
        check(!islandPanel.mask().isEmpty(), "the island is cut to its shape at once as well");
        check(desktopIntact(before, panel, islandPanel.geometry()),
              "the desktop shows as before while KWin does not composite");
        kwin.toggle(true);
        check(waitFor([] { return x11::compositorRunning(); }, 10000), "KWin resumes compositing");
        check(panel.cut(), "the panel stays cut once KWin resumes");
        check(!islandPanel.mask().isEmpty(), "the island stays cut while it shows");
        islandPanel.showState(IslandStateMachine::State::petit, IslandStateMachine::State::hidden);
        const auto* cut = islandPanel.findChild<x11::CompositorCut*>();
        check(waitFor([&] { return !islandPanel.isVisible() && cut && !cut->cut(); }, 10000),
              "hidden, the island leaves the cut");
        islandPanel.showState(IslandStateMachine::State::hidden, IslandStateMachine::State::petit);
        islandPanel.finishMoving();
        check(islandPanel.mask().isEmpty(), "the island blends its corners again");
        islandPanel.hide();
        panel.orderOut();
    }

    // A red block the panel moves from one place to another, and a window that covers it a while.
    void panelPixels(const QImage& desktop) {
        QRect spot(380, 300, 40, 30);
        std::uint64_t key = 1;
        RoamPanel panel(
            RoamScreen{QRectF(QGuiApplication::primaryScreen()->geometry()), QRectF()}, CatchTarget{},
            [&spot](QPainter& p) { p.fillRect(spot, QColor(220, 40, 40)); },
            [&spot, &key] { return std::vector<SceneLayer>{{1, spot, key}}; });
        panel.orderFront();
        check(panel.direct(), "the panel sends its pixels to the server's picture of it");
        const QRect first = spot;
        check(showsBlock(desktop, first, {}), "the panel shows its piece");
        spot.translate(200, 150);
        ++key;
        panel.redraw();
        check(showsBlock(desktop, spot, first), "a moved piece shows where it is now and nothing where it was");

        // A window over the piece, then gone: the piece shows again without a redraw.
        QWidget cover(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                   Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
        cover.setAttribute(Qt::WA_ShowWithoutActivating);
        cover.setStyleSheet(QStringLiteral("background: rgb(40, 200, 60)"));
        cover.setGeometry(spot.adjusted(-30, -30, 30, 30));
        cover.show();
        cover.raise();
        check(waitFor([&] { return screenShot().pixelColor(spot.center()) == QColor(40, 200, 60); }, 5000),
              "a window covers the piece");
        cover.hide();
        check(showsBlock(desktop, spot, cover.geometry()), "the piece shows again once the window is gone");
        panel.orderOut();
        check(waitFor([&] { return settledScreen() == desktop; }, 5000), "the hidden panel leaves the desktop as it was");
        halfSeen(desktop);

        if (compositorFirst_) {
            // Nothing to draw when the compositor stops: the panel is cut to nothing, not black.
            RoamPanel empty(
                RoamScreen{QRectF(QGuiApplication::primaryScreen()->geometry()), QRectF()}, CatchTarget{},
                [](QPainter&) {}, [] { return std::vector<SceneLayer>{}; });
            empty.orderFront();
            compositor(false);
            check(waitFor([&] { return settledScreen() == desktop; }, 5000),
                  "a panel with nothing to draw shows nothing once the compositor stops");
            empty.orderOut();
            compositor(true);
        }
    }

    // A near-white piece at half opacity, as a sleep letter fades: in its own colour without a
    // compositor (which shows a pixel's colour as it is put), half over the desktop with one.
    void halfSeen(const QImage& desktop) {
        const QRect letter(600, 200, 40, 30);
        RoamPanel faded(
            RoamScreen{QRectF(QGuiApplication::primaryScreen()->geometry()), QRectF()}, CatchTarget{},
            [&letter](QPainter& p) { p.fillRect(letter, QColor(250, 250, 250, 128)); },
            [&letter] { return std::vector<SceneLayer>{{1, letter, 1}}; });
        faded.orderFront();
        const QColor under = desktop.pixelColor(letter.center());
        auto over = [&under](int c, int u) { return qRound(c * 128 / 255.0 + u * 127 / 255.0); };
        const QColor want = compositorFirst_ ? QColor(over(250, under.red()), over(250, under.green()), over(250, under.blue()))
                                             : QColor(250, 250, 250);
        QColor seen;
        const bool ok = waitFor([&] {
            seen = screenShot().pixelColor(letter.center());
            return std::abs(seen.red() - want.red()) <= 3 && std::abs(seen.green() - want.green()) <= 3 &&
                   std::abs(seen.blue() - want.blue()) <= 3;
        }, 5000);
        std::printf("  (%d, %d, %d) shown, (%d, %d, %d) wanted\n", seen.red(), seen.green(), seen.blue(), want.red(),
                    want.green(), want.blue());
        check(ok, compositorFirst_ ? "a piece at half opacity shows half over the desktop"
                                   : "a piece at half opacity shows in its own colour, not darkened");
        faded.orderOut();
        QApplication::processEvents();
    }

    // Red over `block`, and the desktop as before everywhere else (`was` included).
    bool showsBlock(const QImage& desktop, const QRect& block, const QRect& was) {
        int wrong = 0, stale = 0;
        const bool ok = waitFor([&] {
            const QImage now = screenShot();
            wrong = stale = 0;
            for (int y = 0; y < now.height(); ++y)
                for (int x = 0; x < now.width(); ++x) {
                    const QPoint at(x, y);
                    const QRgb want = block.contains(at) ? qRgb(220, 40, 40) : desktop.pixel(at);
                    if (now.pixel(at) == want) continue;
                    ++wrong;
                    stale += was.contains(at);
                }
            return wrong == 0;
        }, 5000);
        std::printf("  %d pixels wrong, %d of them where the piece was\n", wrong, stale);
        return ok;
    }

    void menuStaysAbove(RoamPanel& panel) {
        QMenu menu;
        menu.addAction(QStringLiteral("Call him home"));
        menu.addAction(QStringLiteral("Settings…"));
        menu.popup(QPoint(900, 120));
        waitFor([&menu] { return menu.isVisible(); }, 5000);
        panel.restack();  // what the panel does when other windows are raised
        QApplication::processEvents();
        const auto order = stacking();
        const auto at = [&order](xcb_window_t w) { return std::find(order.begin(), order.end(), w) - order.begin(); };
        check(at(topLevel(menu.winId())) > at(topLevel(panel.winId())), "an open menu stays above the cat's panel");
        menu.close();
    }

    // A pointer at rest is not asked every frame; the cat still sees where it goes next, moved by
    // the user's hand or put there by a program.
    void restingPointer(const RoamPanel& panel, const DesktopCat& cat) {
        auto sees = [&](QPoint at) {
            return waitFor([&] { return cat.mouse == QPointF(at) - panel.frame().topLeft(); }, 5000);
        };
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("700"),
                                                     QStringLiteral("200")});
        check(sees({700, 200}), "the cat sees the pointer");
        check(waitFor([] { return PointerDragsX11::shared().isWaiting(); }, 10000),
              "a resting pointer is left to the server's input alarm");
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("760"),
                                                     QStringLiteral("230")});
        check(sees({760, 230}), "the cat sees the pointer move again after a rest");
        waitFor([] { return PointerDragsX11::shared().isWaiting(); }, 10000);
        QCursor::setPos(640, 260);
        check(sees({640, 260}), "the cat sees a pointer a program put elsewhere after a rest");
    }

    // The pointer moves between two outings and then rests while a watch for input stands (as
    // the hidden island sets one): the next outing's cat sees it where it is, not where the last
    // outing left it.
    void nextOutingSeesThePointer(DesktopRoam& roam) {
        roam.callHome();
        check(waitFor([&roam] { return !roam.isOut(); }, 20000), "the cat comes home");
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("520"),
                                                     QStringLiteral("330")});
        PointerDragsX11& drags = PointerDragsX11::shared();
        check(waitFor([&drags] {
            drags.pointerNow();
            return drags.waitForInput([] {});
        }, 10000), "a watch for input stands over the resting pointer");
        roam.sendOut();
        DesktopCat* cat = roam.isOut() ? roam.roamingCat()->model() : nullptr;
        check(cat && waitFor([&] {
            return cat->mouse == QPointF(520, 330) - roam.panel()->frame().topLeft();
        }, 5000), "the next outing's cat sees the pointer where it rests");
        // With the compositor that came during the last one.
        check(cat && !dynamic_cast<RoamPanel*>(roam.panel())->cut(), "the next outing's panel is see-through");
    }

    void clicks(RoamPanel& panel, DesktopCat& cat) {
        // Away from the cat: the click reaches the window under the panel.
        const QRect away = panel.drawn().adjusted(-60, -60, 60, 60);
        QPoint spot = user_.mapToGlobal(QPoint(user_.width() - 20, user_.height() - 20));
        if (away.contains(spot)) spot = user_.mapToGlobal(QPoint(20, user_.height() - 20));
        const int before = user_.presses;
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(spot.x()),
                                                     QString::number(spot.y()), QStringLiteral("click"),
                                                     QStringLiteral("1")});
        check(waitFor([this, before] { return user_.presses > before; }, 5000),
              "a click away from the cat reaches the window");

        // On the cat: the panel takes the click and the cat is petted.
        waitFor([&cat] { return cat.pops.empty(); }, 5000);
        const bool over = waitFor([&] {
            QCursor::setPos(cat.hitRect().center().toPoint() + panel.frame().topLeft().toPoint());
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            return !panel.clickThrough();
        }, 5000);
        check(over, "the panel takes the pointer over the cat");
        const int presses = user_.presses;
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
        check(waitFor([&cat] { return !cat.pops.empty(); }, 5000), "a click on the cat pets it");
        check(user_.presses == presses, "the click on the cat does not reach the window");
        QCursor::setPos(5, 895);
    }

    void keyboardFileKeepsFocus() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tobbi walked on the keyboard.txt"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("jjjj kl\n");
        file.close();
        const auto windows = rootList("_NET_CLIENT_LIST").size();
        qint64 pid = 0;
        check(openQuietly(path, QStringLiteral("xmessage"), {QStringLiteral("-file")}, &pid), "the file is opened");
        check(waitFor([windows] { return rootList("_NET_CLIENT_LIST").size() > windows; }, 10000),
              "the file's window comes up");
        // The window manager gives the new window the keyboard (openbox does); it comes back.
        const bool taken = waitFor([this] { return activeWindow() != user_.winId(); }, 3000);
        std::printf("  the new window %s the keyboard for a moment\n", taken ? "took" : "did not take");
        check(waitFor([this] { return activeWindow() == user_.winId(); }, 10000), "the user's window keeps the keyboard");
        if (pid > 0) ::kill(pid_t(pid), SIGTERM);
    }

    bool compositorFirst_;
    int shots_ = 0;
    UserWindow user_;
    test::CompositorSwitch compositor_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool compositorFirst = argc > 1 && std::strcmp(argv[1], "compositor") == 0;
    const bool screen = argc > 1 && std::strcmp(argv[1], "screen") == 0;
    const int rc = screen ? Check(false).screenChange() : Check(compositorFirst).run();
    // The app's shared objects are not built to be torn down: leave without it.
    std::fflush(stdout);
    std::_Exit(rc);
}
