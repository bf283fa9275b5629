#include "TrayIcon.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPen>

#include <algorithm>
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
        // A light disc with a dark rim reads on light and dark panels alike.
        const double rim = std::max(1.0, size / 16.0);
        p.setPen(QPen(QColor(40, 40, 40, 200), rim));
        p.setBrush(QColor(240, 240, 240));
        const double inset = size * 0.18;
        p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TrayIcon::TrayIcon(QMenu* menu, QObject* parent) : QObject(parent), tray_(new QSystemTrayIcon(this)) {
    tray_->setIcon(circleFillIcon());
    tray_->setToolTip(QStringLiteral("Kettlepaw"));
    tray_->setContextMenu(menu);
    // A menu-bar item opens its menu on a plain click as well.
    connect(tray_, &QSystemTrayIcon::activated, this, [menu](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && menu && !menu->isVisible()) menu->popup(QCursor::pos());
    });
    // Shown even when no tray host is up yet: the icon docks once a panel starts.
    tray_->show();
}

TrayIcon::~TrayIcon() = default;

}  // namespace kp
