#include "platform/KWinCompositing.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace kp {

namespace {
const QString service = QStringLiteral("org.kde.KWin");
const QString path = QStringLiteral("/Compositor");
const QString interface = QStringLiteral("org.kde.kwin.Compositing");
const QString toggledSignal = QStringLiteral("compositingToggled");

// A yes or no, bare or wrapped in a variant as a property's value comes; none for anything else.
std::optional<bool> boolOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return boolOf(value.value<QDBusVariant>().variant());
    if (value.userType() != QMetaType::Bool) return std::nullopt;
    return value.toBool();
}
}  // namespace

KWinCompositing::KWinCompositing(QString busAddress, int timeoutMs, QObject* parent)
    : QObject(parent), address_(std::move(busAddress)), timeoutMs_(timeoutMs) {
    QDBusConnection bus = address_.isEmpty() ? QDBusConnection::sessionBus()
                                             : QDBusConnection::connectToBus(
                                                   address_, QStringLiteral("kp-kwin-%1").arg(quintptr(this), 0, 16));
    connectionName_ = bus.name();
    if (!bus.isConnected()) return;
    // Heard from whichever process holds KWin's name, also one that takes it later.
    bus.connect(service, path, interface, toggledSignal, this, SLOT(toggled(QDBusMessage)));
    watcher_ = new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) { ownerChanged(owner); });
    ask();
}

KWinCompositing::~KWinCompositing() {
    // The bus's own thread hands signals and replies to this object: its hooks go first.
    QDBusConnection bus(connectionName_);
    if (bus.isConnected()) bus.disconnect(service, path, interface, toggledSignal, this, SLOT(toggled(QDBusMessage)));
    delete watcher_;
    qDeleteAll(findChildren<QDBusPendingCallWatcher*>(Qt::FindDirectChildrenOnly));
    if (!address_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
}

KWinCompositing& KWinCompositing::shared() {
    static KWinCompositing* instance = new KWinCompositing();  // lives until the app quits
    return *instance;
}

void KWinCompositing::ownerChanged(const QString& owner) {
    // A KWin gone, or another one: what the last one said holds no more.
    ++asked_;
    set(std::nullopt);
    if (!owner.isEmpty()) ask();
}

void KWinCompositing::ask() {
    QDBusMessage get = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << interface << QStringLiteral("active");
    // Asking must not start a KWin where none runs.
    get.setAutoStartService(false);
    const std::uint64_t question = ++asked_;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(connectionName_).asyncCall(get, timeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (question != asked_) return;
        const QDBusMessage reply = w->reply();
        const bool answer = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1;
        set(answer ? boolOf(reply.arguments().constFirst()) : std::nullopt);
    });
}

void KWinCompositing::toggled(const QDBusMessage& message) {
    const std::optional<bool> active =
        message.arguments().size() == 1 ? boolOf(message.arguments().constFirst()) : std::nullopt;
    if (!active) return;
    // Newer than any answer still on its way.
    ++asked_;
    set(active);
}

void KWinCompositing::set(std::optional<bool> active) {
    if (active == active_) return;
    const bool allowed = allows();
    active_ = active;
    if (allows() != allowed) emit changed();
}

}  // namespace kp
