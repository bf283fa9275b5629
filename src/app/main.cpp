// Kettlepaw: a small cat that lives at the top centre of the screen.
#include "AppDelegate.h"
#include "AppInfo.h"
#include "MemoryShortage.h"
#include "TrayIcon.h"

#include "audio/AudioGraph.h"
#include "platform/AppLifecycle.h"
#include "platform/DisplayLoss.h"
#include "platform/Paths.h"
#include "scenery/PoolPaint.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
// The kept task of the hand-offs, and two for the fills the raster engine splits.
constexpr int kDrawingThreads = 3;

// The status to end with: the toolkit's pool waits for ever, as the application ends, for a thread
// that never started, so then the process ends here.
int leave(int status) {
    if (!kp::scenery::poolLacksAThread()) return status;
    std::fflush(nullptr);
    ::_exit(status);
}
}  // namespace

int main(int argc, char** argv) {
    kp::keepAddressSpaceSmall();
    // Before anything uses the pool.
    const bool canDraw = kp::scenery::makePoolThreadsForGood(kDrawingThreads) > 0;
    // A Wayland client can neither place its panel nor read other windows: go through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kettlepaw"));
    QApplication::setOrganizationDomain(QStringLiteral("kettlepaw.app"));
    QApplication::setDesktopFileName(QString::fromLatin1(kp::appIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);
    // No window could be drawn; nor would a message be shown, with no thread to read the display.
    if (!canDraw) {
        qWarning().noquote() << "Kettlepaw cannot start: no thread could be started to draw with";
        return leave(1);
    }

    // Folders the app cannot name would mean a second cat somewhere else: better none.
    if (const QString why = kp::paths::unreachable(); !why.isEmpty()) {
        qWarning().noquote() << "Kettlepaw cannot start:" << why;
        QMessageBox::critical(nullptr, QStringLiteral("Kettlepaw"), QStringLiteral("Kettlepaw cannot start: %1.").arg(why));
        return leave(1);
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
        return leave(0);
    case kp::SingleInstanceLock::Outcome::failed:
        qWarning().noquote() << "Kettlepaw cannot start:" << lock.why();
        QMessageBox::critical(nullptr, QStringLiteral("Kettlepaw"),
                              QStringLiteral("Kettlepaw cannot start: %1.").arg(lock.why()));
        return leave(1);
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
    kp::saveWhenQuitIsStuck(&app, finalSave);
    const int status = app.exec();
    // No sound thread may run on while the process takes down what it uses (its statics). One held
    // up by a hung disk or sound server does not hold up the quit: the process ends without them.
    kp::finishWithin(3, kp::audio::closeSharedSound, "The sound did not stop in time; quitting without it\n",
                     status);
    return leave(status);
}
