#include "TrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace kp {

QIcon circleFillIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 236, 236));
        const double inset = size * 0.18;
        p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), menu_(new QMenu), tray_(new QSystemTrayIcon(this)) {
    QAction* quit = menu_->addAction(QStringLiteral("Quit Kettlepaw"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    tray_->setIcon(circleFillIcon());
    tray_->setToolTip(QStringLiteral("Kettlepaw"));
    tray_->setContextMenu(menu_);
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

TrayIcon::~TrayIcon() { delete menu_; }

bool TrayIcon::isShownInTray() const { return tray_->isVisible(); }

}  // namespace kp
