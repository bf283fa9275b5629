#include "platform/PowerAssertions.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace kp {

namespace {

// The idle locks of a ListInhibitors reply; none when the reply is not the list it must be.
std::optional<std::vector<PowerAssertion>> idleLocks(const QDBusMessage& reply) {
    return BusAssertions::listOf<PowerAssertion>(reply, "a(ssssuu)", [](const QDBusArgument& list) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        std::optional<PowerAssertion> a;
        if (!what.split(QLatin1Char(':')).contains(QLatin1String("idle"))) return a;
        a.emplace();
        a->assertPid = static_cast<long long>(pid);
        a->type = QString::fromLatin1(PowerAssertion::preventDisplaySleep);
        a->processName = who;
        a->assertName = why;
        return a;
    });
}

}  // namespace

LogindInhibitors::LogindInhibitors(int timeoutMs)
    : ListAssertions({true, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                      "ListInhibitors", idleLocks},
                     timeoutMs) {}

LogindInhibitors& LogindInhibitors::shared() {
    static LogindInhibitors instance;
    return instance;
}

std::optional<QDBusArgument> BusAssertions::listArgument(const QDBusMessage& reply, const char* signature) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (first.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    QDBusArgument list = first.value<QDBusArgument>();
    if (list.currentSignature() != QLatin1String(signature)) return std::nullopt;
    return list;
}

std::optional<std::vector<PowerAssertion>> BusAssertions::assertions() {
    if (unread_) {
        unread_ = false;
        return last_;
    }
    if (asking_) return last_;
    if (!bus().isConnected()) {
        last_.reset();
        return last_;
    }
    asking_ = true;
    ask();
    return last_;
}

// Qt keeps the default bus connections once made, so each call reuses one.
QDBusConnection BusAssertions::bus() const {
    return systemBus_ ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
}

void BusAssertions::call(const QString& path, const char* interface, const char* method,
                         std::function<void(const QDBusMessage&)> then) {
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(service_), path,
                                                          QString::fromLatin1(interface), QString::fromLatin1(method));
    // Where the service does not run, asking must not try to start it on every scan.
    message.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(message, timeoutMs_), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [then = std::move(then)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         then(w->reply());
                     });
}

void BusAssertions::refresh(std::function<void()> ready) {
    if (!asking_ && !bus().isConnected()) {
        last_.reset();
        unread_ = true;
        ready();
        return;
    }
    waiting_.push_back(std::move(ready));
    if (asking_) return;
    asking_ = true;
    ask();
}

void BusAssertions::answer(Records records) {
    asking_ = false;
    last_ = std::move(records);
    if (waiting_.empty()) return;
    unread_ = true;
    // A waiter may ask again: the list is taken first.
    const std::vector<std::function<void()>> waiting = std::move(waiting_);
    waiting_.clear();
    for (const auto& ready : waiting) ready();
}

void ListAssertions::ask() {
    call(QString::fromLatin1(question_.path), question_.interface, question_.method,
         [this](const QDBusMessage& reply) { answer(question_.read(reply)); });
}

}  // namespace kp
