#include "platform/PowerAssertions.h"

#include <QDBusObjectPath>

#include <memory>

namespace kp {

namespace {

constexpr const char* inhibitorInterface = "org.gnome.SessionManager.Inhibitor";
// The inhibitor's flag for holding off idleness (1 logout, 2 switching user, 4 suspend, 8 idle).
constexpr uint idleFlag = 8;
// A desktop holds a handful; a list longer than this is read no further.
constexpr std::size_t maxInhibitors = 64;
// An application id or a reason is a short line.
constexpr int maxText = 200;

std::optional<std::vector<QString>> inhibitorPaths(const QDBusMessage& reply) {
    const auto read = [](const QDBusArgument& list) {
        QDBusObjectPath path;
        list >> path;
        return std::optional<QString>(path.path());
    };
    return BusAssertions::listOf<QString>(reply, "ao", read, maxInhibitors);
}

// A reply's only value when it has the given signature.
std::optional<QVariant> only(const QDBusMessage& reply, const char* signature) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String(signature))
        return std::nullopt;
    return reply.arguments().constFirst();
}

}  // namespace

// The records of one question, gathered as the inhibitors answer.
struct SessionManagerInhibitors::Gathering {
    std::vector<std::optional<PowerAssertion>> found;
    int waiting = 0;
};

SessionManagerInhibitors::SessionManagerInhibitors(int timeoutMs)
    : BusAssertions(false, "org.gnome.SessionManager", timeoutMs) {}

SessionManagerInhibitors& SessionManagerInhibitors::shared() {
    static SessionManagerInhibitors instance;
    return instance;
}

void SessionManagerInhibitors::ask() {
    call(QStringLiteral("/org/gnome/SessionManager"), "org.gnome.SessionManager", "GetInhibitors",
         [this](const QDBusMessage& reply) {
             const auto paths = inhibitorPaths(reply);
             if (!paths) return answer(std::nullopt);
             auto gathering = std::make_shared<Gathering>();
             gathering->found.resize(paths->size());
             for (std::size_t i = 0; i < paths->size(); ++i) askFlags(gathering, i, paths->at(i));
             if (paths->empty()) answer(std::vector<PowerAssertion>{});
         });
}

// An inhibitor that holds off idleness is then asked who it is and why; one gone meanwhile, or
// answering out of type, is left out.
void SessionManagerInhibitors::askFlags(const std::shared_ptr<Gathering>& gathering, std::size_t at,
                                        const QString& path) {
    ++gathering->waiting;
    call(path, inhibitorInterface, "GetFlags", [this, gathering, at, path](const QDBusMessage& reply) {
        const auto flags = only(reply, "u");
        if (flags && (flags->toUInt() & idleFlag)) {
            PowerAssertion& a = gathering->found[at].emplace();
            a.type = QString::fromLatin1(PowerAssertion::preventDisplaySleep);
            a.fromSessionList = true;
            askText(gathering, at, path, "GetAppId", &PowerAssertion::processName);
            askText(gathering, at, path, "GetReason", &PowerAssertion::assertName);
        }
        settle(*gathering);
    });
}

void SessionManagerInhibitors::askText(const std::shared_ptr<Gathering>& gathering, std::size_t at,
                                       const QString& path, const char* method,
                                       std::optional<QString> PowerAssertion::*field) {
    ++gathering->waiting;
    call(path, inhibitorInterface, method, [this, gathering, at, field](const QDBusMessage& reply) {
        if (const auto text = only(reply, "s")) (*gathering->found[at]).*field = text->toString().left(maxText);
        settle(*gathering);
    });
}

void SessionManagerInhibitors::settle(Gathering& gathering) {
    if (--gathering.waiting > 0) return;
    std::vector<PowerAssertion> out;
    for (auto& a : gathering.found)
        if (a) out.push_back(std::move(*a));
    answer(std::move(out));
}

}  // namespace kp
