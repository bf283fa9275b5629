#pragma once
// KWin's compositing interface as a stand-in on a private bus: answers whether it composites and
// tells when that changes; or misbehaves (answers with something else than a yes or no, or not at all).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

namespace kp::test {

class FakeKWin final : public QDBusVirtualObject {
public:
    // On the session bus; `name` tells this connection from the others of the process.
    explicit FakeKWin(QVariant active, QString name = QStringLiteral("fake-kwin"))
        : name_(std::move(name)), active_(std::move(active)) {
        QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), name_);
        ok_ = bus.registerVirtualObject(path(), this) && bus.registerService(QStringLiteral("org.kde.KWin"));
    }
    ~FakeKWin() override {
        QDBusConnection bus(name_);
        bus.unregisterService(QStringLiteral("org.kde.KWin"));
        bus.unregisterObject(path());
        QDBusConnection::disconnectFromBus(name_);
    }
    bool ok() const { return ok_; }
    // What it answers when asked; an invalid value: it never answers.
    void setAnswer(QVariant active) { active_ = std::move(active); }
    // Composites now or not, and says so.
    void toggle(bool active) {
        active_ = active;
        say(active);
    }
    // The change signal with any argument.
    void say(const QVariant& argument) {
        QDBusMessage signal = QDBusMessage::createSignal(path(), QStringLiteral("org.kde.kwin.Compositing"),
                                                         QStringLiteral("compositingToggled"));
        signal << argument;
        QDBusConnection(name_).send(signal);
    }
    int asked = 0;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        if (m.interface() != QLatin1String("org.freedesktop.DBus.Properties") || m.member() != QLatin1String("Get") ||
            m.arguments().value(1).toString() != QLatin1String("active"))
            return false;
        ++asked;
        if (active_.isValid()) bus.send(m.createReply(QVariant::fromValue(QDBusVariant(active_))));
        return true;
    }

private:
    static QString path() { return QStringLiteral("/Compositor"); }
    QString name_;
    QVariant active_;
    bool ok_ = false;
};

}  // namespace kp::test
