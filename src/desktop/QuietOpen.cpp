#include "desktop/QuietOpen.h"

#include "platform/X11Connection.h"

#include <QDebug>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace kp {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

xcb_atom_t atomOf(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

// A window list property of the root (the window manager's).
std::vector<xcb_window_t> windows(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    std::vector<xcb_window_t> out;
    if (atom == XCB_ATOM_NONE) return out;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    if (r && r->format == 32) {
        const auto* w = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
        out.assign(w, w + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return out;
}

// The window the window manager says is in front; none when it says nothing.
xcb_window_t activeWindow(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    const auto w = windows(c, root, atom);
    return w.empty() ? static_cast<xcb_window_t>(XCB_WINDOW_NONE) : w.front();
}

}  // namespace

bool openQuietly(const QString& path, const QString& program, const QStringList& leading, qint64* started) {
    // Whatever keeps the file from opening is said in the log: the user may look for it there.
    const auto notOpened = [&path](const QString& why) {
        qWarning().noquote() << "The file" << path << "is not opened:" << why;
        return false;
    };
    if (QStandardPaths::findExecutable(program).isEmpty())
        return notOpened(QStringLiteral("%1 is not installed").arg(program));
    xcb_connection_t* c = connection();
    if (!c) return notOpened(QStringLiteral("there is no X display"));
    const xcb_window_t root = rootOf(c);
    const xcb_atom_t atom = atomOf(c, "_NET_ACTIVE_WINDOW");
    const xcb_window_t user = activeWindow(c, root, atom);
    if (user == XCB_WINDOW_NONE) return notOpened(QStringLiteral("no window manager tells the window in front"));
    // Windows already there when the editor starts: the user going to one of them is let be.
    const auto before = windows(c, root, atomOf(c, "_NET_CLIENT_LIST"));
    if (!QProcess::startDetached(program, leading + QStringList{path}, QString(), started))
        return notOpened(QStringLiteral("%1 does not start").arg(program));
    // Watched for a short while only: an editor that comes up later than this is let be.
    auto* watch = new QTimer(qGuiApp);
    auto checks = std::make_shared<int>(0);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, checks, root, atom, user, before] {
        xcb_connection_t* c = connection();
        const xcb_window_t now = c ? activeWindow(c, root, atom) : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
        if (c && now != XCB_WINDOW_NONE && now != user) {
            if (std::find(before.begin(), before.end(), now) == before.end())
                x11::askToActivate(c, root, user, XCB_CURRENT_TIME);
            watch->deleteLater();
        } else if (++*checks >= 40) {
            watch->deleteLater();
        }
    });
    watch->start(250);
    return true;
}

}  // namespace kp
