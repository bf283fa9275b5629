#include "app/AppLinks.h"

#include <QString>
#include <QUrl>

namespace kp {

const QUrl& websiteURL() {
    static const QUrl url(QStringLiteral("https://kettlepaw.app"));
    return url;
}

QString appMenuPlace(bool trayShown) {
    return trayShown ? QStringLiteral("the tray icon's menu") : QStringLiteral("the island's right-click menu");
}

}  // namespace kp
