#include "TrayIcon.h"

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

TrayIcon::TrayIcon(QMenu* menu, QObject* parent) : QObject(parent), tray_(new QSystemTrayIcon(this)) {
    tray_->setIcon(circleFillIcon());
    tray_->setToolTip(QStringLiteral("Kettlepaw"));
    tray_->setContextMenu(menu);
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::isShownInTray() const { return tray_->isVisible(); }

}  // namespace kp
