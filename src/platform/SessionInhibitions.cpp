#include "platform/PowerAssertions.h"

#include <QDBusArgument>

#include <memory>

namespace kp {

namespace {

// The inhibitions of a ListInhibitions reply; none when the reply is not the list it must be.
std::optional<std::vector<PowerAssertion>> inhibitions(const QDBusMessage& reply) {
    return BusAssertions::listOf<PowerAssertion>(reply, "a(ss)", [](const QDBusArgument& list) {
        QString who, why;
        list.beginStructure();
        list >> who >> why;
        list.endStructure();
        std::optional<PowerAssertion> a(std::in_place);
        a->type = QString::fromLatin1(PowerAssertion::preventDisplaySleep);
        a->processName = who;
        a->assertName = why;
        a->fromSessionList = true;
        return a;
    });
}

}  // namespace

SessionInhibitions::SessionInhibitions(int timeoutMs)
    : ListAssertions({false, "org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
                      "org.freedesktop.PowerManagement.Inhibit", "ListInhibitions", inhibitions},
                     timeoutMs) {}

SessionInhibitions& SessionInhibitions::shared() {
    static SessionInhibitions instance;
    return instance;
}

std::optional<std::vector<PowerAssertion>> JoinedAssertions::assertions() {
    auto all = first_.assertions();
    auto more = second_.assertions();
    if (!more) return all;
    if (!all) return more;
    all->insert(all->end(), more->begin(), more->end());
    return all;
}

void JoinedAssertions::refresh(std::function<void()> ready) {
    auto left = std::make_shared<int>(2);
    auto done = [left, ready = std::move(ready)] {
        if (--*left == 0) ready();
    };
    first_.refresh(done);
    second_.refresh(done);
}

}  // namespace kp
