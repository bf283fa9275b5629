#include "platform/ReduceMotion.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kp {

void askReduceMotion(QObject* context, std::function<void(bool)> apply) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !context) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.gnome.desktop.interface") << QStringLiteral("enable-animations");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [apply = std::move(apply)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusMessage reply = w->reply();
                         if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
                         // The value comes wrapped in one or two variants.
                         QVariant value = reply.arguments().constFirst();
                         for (int i = 0; i < 3 && value.canConvert<QDBusVariant>(); ++i)
                             value = qvariant_cast<QDBusVariant>(value).variant();
                         if (value.typeId() == QMetaType::Bool && apply) apply(!value.toBool());
                     });
}

}  // namespace kp
