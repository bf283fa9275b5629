#include "platform/Processes.h"
#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace kp {

namespace {

QByteArray procFile(long long pid, const char* name) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/%s", pid, name);
    QByteArray out;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<qsizetype>(n));
        if (out.size() > 64 * 1024) break;
    }
    ::close(fd);
    return out;
}

}  // namespace

ProcessesLinux::ProcessesLinux() = default;

ProcessesLinux::~ProcessesLinux() {
    if (connection_) xcb_disconnect(connection_);
}

ProcessesLinux& ProcessesLinux::shared() {
    static ProcessesLinux instance;
    return instance;
}

long long ProcessesLinux::ownPid() const { return QCoreApplication::applicationPid(); }

QString ProcessesLinux::executablePath(long long pid) {
    if (pid <= 0) return {};
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%lld/exe", pid);
    char buffer[4096];
    const ssize_t n = ::readlink(link, buffer, sizeof buffer - 1);
    if (n > 0) {
        QString path = QString::fromUtf8(buffer, static_cast<qsizetype>(n));
        // An executable replaced by an upgrade while running.
        static const QString deleted = QStringLiteral(" (deleted)");
        if (path.endsWith(deleted)) path.chop(deleted.size());
        return path;
    }
    // Another user's process: its command line is still readable.
    const QByteArray cmdline = procFile(pid, "cmdline");
    const QByteArray first = cmdline.left(cmdline.indexOf('\0'));
    if (first.startsWith('/')) return QString::fromUtf8(first);
    return {};
}

std::optional<long long> ProcessesLinux::parentFromStat(const QByteArray& stat) {
    // "pid (comm) state ppid ..."
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 2) return std::nullopt;
    bool ok = false;
    const long long parent = fields.at(1).toLongLong(&ok);
    if (!ok || parent <= 0) return std::nullopt;
    return parent;
}

std::optional<long long> ProcessesLinux::parentPid(long long pid) {
    if (pid <= 0) return std::nullopt;
    return parentFromStat(procFile(pid, "stat"));
}

bool ProcessesLinux::connect() {
    if (connection_ && xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        tried_ = false;  // the display went away; try again next time
    }
    if (connection_) return true;
    if (tried_) return false;
    tried_ = true;
    const auto display = x11::openDisplay();
    if (!display) return false;
    xcb_connection_t* c = display->connection;
    connection_ = c;
    root_ = display->root;
    clientListAtom_ = x11::internAtom(c, "_NET_CLIENT_LIST", true);
    pidAtom_ = x11::internAtom(c, "_NET_WM_PID", true);
    return true;
}

std::vector<RunningApp> ProcessesLinux::runningApplications() {
    std::vector<RunningApp> apps;
    if (!connect() || clientListAtom_ == XCB_ATOM_NONE || pidAtom_ == XCB_ATOM_NONE) return apps;
    xcb_connection_t* c = connection_;
    const std::vector<xcb_window_t> windows = x11::windowList(c, root_, clientListAtom_, kMaxWindows);
    const std::size_t count = windows.size();

    // Every question goes out before the first answer is read: one round trip in all.
    std::vector<xcb_get_property_cookie_t> pidCookies, classCookies;
    pidCookies.reserve(count);
    classCookies.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        pidCookies.push_back(xcb_get_property(c, 0, windows[i], pidAtom_, XCB_ATOM_CARDINAL, 0, 1));
        classCookies.push_back(xcb_get_property(c, 0, windows[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256));
    }

    std::set<long long> seen;
    for (std::size_t i = 0; i < count; ++i) {
        xcb_get_property_reply_t* pidReply = xcb_get_property_reply(c, pidCookies[i], nullptr);
        xcb_get_property_reply_t* classReply = xcb_get_property_reply(c, classCookies[i], nullptr);
        const auto pids = x11::cardinals(pidReply);
        const long long pid = pids.empty() ? 0 : pids.front();
        const QString identifier = x11::wmClassName(classReply);
        std::free(pidReply);
        std::free(classReply);
        if (pid <= 0 || !seen.insert(pid).second) continue;
        apps.push_back(RunningApp{pid, executablePath(pid), identifier, true});
    }
    return apps;
}

std::optional<bool> ProcessesLinux::showsLargeWindow(long long pid) {
    if (pid <= 0 || !connect() || clientListAtom_ == XCB_ATOM_NONE || pidAtom_ == XCB_ATOM_NONE) return std::nullopt;
    xcb_connection_t* c = connection_;
    const std::vector<xcb_window_t> windows = x11::windowList(c, root_, clientListAtom_, kMaxWindows);
    if (xcb_connection_has_error(c)) return std::nullopt;

    // One round trip for the owners, one for the process's own windows.
    std::vector<xcb_get_property_cookie_t> pidCookies;
    pidCookies.reserve(windows.size());
    for (xcb_window_t w : windows) pidCookies.push_back(xcb_get_property(c, 0, w, pidAtom_, XCB_ATOM_CARDINAL, 0, 1));
    std::vector<xcb_window_t> own;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, pidCookies[i], nullptr);
        const auto pids = x11::cardinals(reply);
        std::free(reply);
        if (!pids.empty() && static_cast<long long>(pids.front()) == pid) own.push_back(windows[i]);
    }
    std::vector<xcb_get_window_attributes_cookie_t> mapCookies;
    std::vector<xcb_get_geometry_cookie_t> sizeCookies;
    for (xcb_window_t w : own) {
        mapCookies.push_back(xcb_get_window_attributes(c, w));
        sizeCookies.push_back(xcb_get_geometry(c, w));
    }
    // Icons are drawn up to 128 pixels square; a picture is larger.
    constexpr int iconSide = 128;
    bool large = false;
    for (std::size_t i = 0; i < own.size(); ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(c, mapCookies[i], nullptr);
        xcb_get_geometry_reply_t* size = xcb_get_geometry_reply(c, sizeCookies[i], nullptr);
        if (attributes && size && attributes->map_state == XCB_MAP_STATE_VIEWABLE && size->width > iconSide &&
            size->height > iconSide)
            large = true;
        std::free(attributes);
        std::free(size);
    }
    return large;
}

}  // namespace kp
