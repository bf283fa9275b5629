#include "platform/PowerAssertions.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace kp {

LogindInhibitors::LogindInhibitors(int timeoutMs) : timeoutMs_(timeoutMs) {}

LogindInhibitors& LogindInhibitors::shared() {
    static LogindInhibitors instance;
    return instance;
}

namespace {

// The idle locks of a ListInhibitors reply; none when the reply is not the list it must be.
std::optional<std::vector<PowerAssertion>> idleLocks(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (first.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument list = first.value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String("a(ssssuu)")) return std::nullopt;

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

std::optional<std::vector<PowerAssertion>> LogindInhibitors::assertions() {
    ask();
    return last_;
}

void LogindInhibitors::ask() {
    if (asking_) return;
    // Qt keeps the default system-bus connection once made, so each question reuses it.
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        last_.reset();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    // Where no logind runs, asking must not try to start one on every scan.
    call.setAutoStartService(false);
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs_), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        asking_ = false;
        last_ = idleLocks(w->reply());
    });
}

}  // namespace kp
