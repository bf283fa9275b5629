// Kettlepaw: a small cat that lives at the top centre of the screen.
#include "TrayIcon.h"

#include "platform/AppLifecycle.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    // A Wayland client can neither place its panel nor read other windows: go through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kettlepaw"));
    QApplication::setOrganizationDomain(QStringLiteral("kettlepaw.app"));
    QApplication::setDesktopFileName(QStringLiteral("kettlepaw"));
    QApplication::setQuitOnLastWindowClosed(false);

    kp::SingleInstanceLock lock(kp::SingleInstanceLock::defaultPath());
    if (!lock.tryLock()) {
        // Two copies would overwrite each other's cat.
        QMessageBox::information(nullptr, QStringLiteral("Kettlepaw"),
                                 QStringLiteral("Kettlepaw is already running."));
        return 0;
    }
    kp::quitOnTerminationSignals(&app);

    kp::TrayIcon tray;
    return app.exec();
}
