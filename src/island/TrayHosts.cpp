#include "island/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace kp {

TrayHosts::TrayHosts() : available_(QSystemTrayIcon::isSystemTrayAvailable()) {
    // On X the platform tells when the tray's selection changes hands, once it has been asked (just
    // now). The signal is the platform's own, reached by name; its object is a plain QObject.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        if (auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface()))
            connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SLOT(recheck()));
    // A status notifier host is found through its watcher on the session bus.
    auto* watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                            QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHosts::recheck);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &TrayHosts::recheck);
}

void TrayHosts::recheck() {
    const bool now = QSystemTrayIcon::isSystemTrayAvailable();
    if (now == available_) return;
    available_ = now;
    if (changed) changed();
}

}  // namespace kp
