// Developer tool: sends the cat out on the current X display and saves what the panel shows over
// the desktop, with the ground the cat found, as PNGs (one a second). Run it through
// roam_outing_demo.sh, which makes a private display with a few windows.
#include "desktop/DesktopRoam.h"
#include "desktop/RoamPanel.h"

#include "app/AppState.h"
#include "life/PetLife.h"
#include "platform/Defaults.h"

#include <QApplication>
#include <QCursor>
#include <QProcess>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace kp;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    Defaults::standard().set("desktopRoam", true);
    Defaults::standard().set("onboardedV1", true);
    AppState::shared().life().setNeed(std::nullopt);

    const QPixmap desktop = QGuiApplication::primaryScreen()->grabWindow(0);
    DesktopRoam& roam = DesktopRoam::shared();
    roam.start();
    roam.sendOut();
    if (!roam.isOut()) {
        std::fprintf(stderr, "the cat did not go out\n");
        return 1;
    }
    int shot = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* panel = dynamic_cast<RoamPanel*>(roam.panel());
        RoamCat* cat = roam.roamingCat();
        if (!panel || !cat || !cat->model()) return;
        QImage image = desktop.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(40, 200, 90), 2));
            for (const Ledge& l : cat->model()->terrain.ledges) p.drawLine(QPointF(l.x0, l.y), QPointF(l.x1, l.y));
            p.drawPixmap(0, 0, panel->grab());
            p.setPen(QColor(200, 40, 40));
            p.drawRect(cat->hitRect());
        }
        const DesktopCat& m = *cat->model();
        std::printf("t=%d feet=(%.0f,%.0f) ground=%d falling=%d plan=%zu clickThrough=%d\n", shot, m.feet.x(),
                    m.feet.y(), m.window, int(m.falling), m.plan.size(), int(panel->clickThrough()));
        std::fflush(stdout);
        // Point at the cat, then click it for real: the panel must take that click and pet the cat.
        if (shot == 2) QCursor::setPos(cat->hitRect().center().toPoint() + panel->frame().topLeft().toPoint());
        if (shot == 3) QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
        if (shot == 4)
            std::printf("after the click: pops=%zu loved=%d\n", m.pops.size(), int(m.lovedUntil > m.last - 5));
        image.save(QStringLiteral("%1/roam-%2.png").arg(out).arg(shot, 2, 10, QLatin1Char('0')));
        if (++shot >= seconds) app.quit();
    });
    timer.start(1000);
    return app.exec();
}
