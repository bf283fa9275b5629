#include "platform/PowerAssertions.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace kp {

namespace {

// The idle locks of a ListInhibitors reply; none when the reply is not the list it must be.
std::optional<std::vector<PowerAssertion>> idleLocks(const QDBusMessage& reply) {
    const auto found = BusAssertions::listOf(reply, "a(ssssuu)");
    if (!found) return std::nullopt;
    const QDBusArgument& list = *found;

    std::vector<PowerAssertion> out;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        if (!what.split(QLatin1Char(':')).contains(QLatin1String("idle"))) continue;
        PowerAssertion a;
        a.assertPid = static_cast<long long>(pid);
        a.type = QString::fromLatin1(PowerAssertion::preventDisplaySleep);
        a.processName = who;
        a.assertName = why;
        out.push_back(std::move(a));
    }
    list.endArray();
    return out;
}

}  // namespace

LogindInhibitors::LogindInhibitors(int timeoutMs)
    : BusAssertions({true, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                     "ListInhibitors", idleLocks},
                    timeoutMs) {}

LogindInhibitors& LogindInhibitors::shared() {
    static LogindInhibitors instance;
    return instance;
}

std::optional<QDBusArgument> BusAssertions::listOf(const QDBusMessage& reply, const char* signature) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (first.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    QDBusArgument list = first.value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String(signature)) return std::nullopt;
    return list;
}

std::optional<std::vector<PowerAssertion>> BusAssertions::assertions() {
    ask();
    return last_;
}

void BusAssertions::ask() {
    if (asking_) return;
    // Qt keeps the default bus connections once made, so each question reuses one.
    QDBusConnection bus = question_.systemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        last_.reset();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(question_.service), QString::fromLatin1(question_.path),
        QString::fromLatin1(question_.interface), QString::fromLatin1(question_.method));
    // Where the service does not run, asking must not try to start it on every scan.
    call.setAutoStartService(false);
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs_), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        asking_ = false;
        last_ = question_.read(w->reply());
    });
}

}  // namespace kp
