// Kettlepaw: a small cat that lives at the top centre of the screen.
#include "AppDelegate.h"
#include "AppInfo.h"
#include "MemoryShortage.h"
#include "TrayIcon.h"

#include "audio/AudioGraph.h"
#include "platform/AppLifecycle.h"
#include "platform/DisplayLoss.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char** argv) {
    kp::keepAddressSpaceSmall();
    // A Wayland client can neither place its panel nor read other windows: go through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kettlepaw"));
    QApplication::setOrganizationDomain(QStringLiteral("kettlepaw.app"));
    QApplication::setDesktopFileName(QString::fromLatin1(kp::appIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    // Folders the app cannot name would mean a second cat somewhere else: better none.
    if (const QString why = kp::paths::unreachable(); !why.isEmpty()) {
        qWarning().noquote() << "Kettlepaw cannot start:" << why;
        QMessageBox::critical(nullptr, QStringLiteral("Kettlepaw"), QStringLiteral("Kettlepaw cannot start: %1.").arg(why));
        return 1;
    }
    // Two copies would overwrite each other's cat, however differently each was started.
    kp::SingleInstanceLock lock(kp::SingleInstanceLock::defaultFolders());
    switch (lock.tryLock()) {
    case kp::SingleInstanceLock::Outcome::taken:
        break;
    case kp::SingleInstanceLock::Outcome::heldElsewhere:
        qInfo().noquote() << "Kettlepaw is already running:" << lock.why();
        QMessageBox::information(nullptr, QStringLiteral("Kettlepaw"),
                                 QStringLiteral("Kettlepaw is already running."));
        return 0;
    case kp::SingleInstanceLock::Outcome::failed:
        qWarning().noquote() << "Kettlepaw cannot start:" << lock.why();
        QMessageBox::critical(nullptr, QStringLiteral("Kettlepaw"),
                              QStringLiteral("Kettlepaw cannot start: %1.").arg(lock.why()));
        return 1;
    }
    kp::quitOnTerminationSignals(&app);

    kp::AppDelegate delegate(kp::appHooks());
    kp::TrayIcon tray(delegate.menu().menu());
    // A hung disk must not hold up a logout.
    const auto finalSave = [&delegate] { kp::finishWithin(5, [&delegate] { delegate.applicationWillTerminate(); }); };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, finalSave);
    kp::saveAndExitWhenDisplayIsLost(finalSave);
    kp::saveAndExitWhenMemoryRunsOut(finalSave);
    QTimer::singleShot(0, &delegate, [&] {
        delegate.didFinishLaunching();
        // The island offers the menu on a right-click whenever no tray host is there to show it.
        delegate.useIslandMenu();
    });
    const int status = app.exec();
    // No sound thread may run on while the process takes down what it uses (its statics). One held
    // up by a hung disk or sound server does not hold up the quit: the process ends without them.
    kp::finishWithin(3, kp::audio::closeSharedSound, "The sound did not stop in time; quitting without it\n",
                     status);
    return status;
}
