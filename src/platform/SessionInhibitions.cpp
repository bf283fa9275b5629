#include "platform/PowerAssertions.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace kp {

SessionInhibitions::SessionInhibitions(int timeoutMs) : timeoutMs_(timeoutMs) {}

SessionInhibitions& SessionInhibitions::shared() {
    static SessionInhibitions instance;
    return instance;
}

namespace {

// The inhibitions of a ListInhibitions reply; none when the reply is not the list it must be.
std::optional<std::vector<PowerAssertion>> inhibitions(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (first.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument list = first.value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String("a(ss)")) return std::nullopt;

    std::vector<PowerAssertion> out;
    list.beginArray();
    while (!list.atEnd()) {
        QString who, why;
        list.beginStructure();
        list >> who >> why;
        list.endStructure();
        PowerAssertion a;
        a.type = QString::fromLatin1(PowerAssertion::preventDisplaySleep);
        a.processName = who;
        a.assertName = why;
        a.fromSessionList = true;
        out.push_back(std::move(a));
    }
    list.endArray();
    return out;
}

}  // namespace

std::optional<std::vector<PowerAssertion>> SessionInhibitions::assertions() {
    ask();
    return last_;
}

void SessionInhibitions::ask() {
    if (asking_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        last_.reset();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.PowerManagement"), QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
        QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("ListInhibitions"));
    call.setAutoStartService(false);
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs_), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        asking_ = false;
        last_ = inhibitions(w->reply());
    });
}

std::optional<std::vector<PowerAssertion>> JoinedAssertions::assertions() {
    auto all = first_.assertions();
    auto more = second_.assertions();
    if (!more) return all;
    if (!all) return more;
    all->insert(all->end(), more->begin(), more->end());
    return all;
}

}  // namespace kp
