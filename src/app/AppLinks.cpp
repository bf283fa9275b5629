#include "app/AppLinks.h"

#include <QUrl>

namespace kp {

const QUrl& websiteURL() {
    static const QUrl url(QStringLiteral("https://kettlepaw.app"));
    return url;
}

}  // namespace kp
