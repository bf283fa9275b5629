#include "platform/MusicPlayers.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kp {

namespace {

const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");
const QString playerPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString playerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString statusKey = QStringLiteral("PlaybackStatus");
const QString metadataKey = QStringLiteral("Metadata");
const QString playingState = QStringLiteral("Playing");

// A dictionary as it arrives: still marshalled, wrapped in a variant, or already a map.
QVariantMap toMap(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusArgument>()) return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return toMap(value.value<QDBusVariant>().variant());
    return value.toMap();
}

std::optional<QString> stringOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return stringOf(value.value<QDBusVariant>().variant());
    if (value.userType() != QMetaType::QString) return std::nullopt;
    return value.toString();
}

}  // namespace

MprisPlayers::MprisPlayers(QString busAddress, QObject* parent)
    : QObject(parent), address_(std::move(busAddress)) {}

MprisPlayers::~MprisPlayers() {
    // The bus's own thread hands signals and replies to this object: take its hooks off under the
    // bus's lock before anything of this object goes, so nothing is posted to it while it dies.
    if (connectionName_.isEmpty()) return;
    QDBusConnection bus(connectionName_);
    if (bus.isConnected()) {
        bus.disconnect(busService, busPath, busService, QStringLiteral("NameOwnerChanged"), this,
                       SLOT(nameOwnerChanged(QString, QString, QString)));
        bus.disconnect(QString(), playerPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                       SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    }
    // Calls still out: their watchers go now, while the connection they wait on still exists.
    qDeleteAll(findChildren<QDBusPendingCallWatcher*>(Qt::FindDirectChildrenOnly));
    if (!address_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
}

MprisPlayers& MprisPlayers::shared() {
    static MprisPlayers* instance = new MprisPlayers();  // lives until the app quits
    return *instance;
}

void MprisPlayers::start(Listener listener) {
    listener_ = std::move(listener);
    if (started_) return;
    started_ = true;
    QDBusConnection bus = address_.isEmpty()
                              ? QDBusConnection::sessionBus()
                              : QDBusConnection::connectToBus(address_, QStringLiteral("kp-mpris-%1").arg(quintptr(this), 0, 16));
    connectionName_ = bus.name();
    if (!bus.isConnected()) return;
    bus.connect(busService, busPath, busService, QStringLiteral("NameOwnerChanged"), this,
                SLOT(nameOwnerChanged(QString, QString, QString)));
    // Any sender: players speak from their unique names, matched to the players below.
    bus.connect(QString(), playerPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));

    // The players that were there before us.
    const QDBusMessage list = QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("ListNames"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(list), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) return;
        QDBusConnection bus(connectionName_);
        for (const QString& name : reply.value()) {
            if (!name.startsWith(playerPrefix) || players_.count(name)) continue;
            const QDBusMessage ask = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                                    QStringLiteral("GetNameOwner")) << name;
            auto* ownerWatcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
            QObject::connect(ownerWatcher, &QDBusPendingCallWatcher::finished, this,
                             [this, name](QDBusPendingCallWatcher* ow) {
                                 ow->deleteLater();
                                 const QDBusPendingReply<QString> owner = *ow;
                                 if (owner.isError() || players_.count(name)) return;
                                 addPlayer(name, owner.value());
                             });
        }
    });
}

void MprisPlayers::nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner) {
    if (!name.startsWith(playerPrefix)) return;
    if (!oldOwner.isEmpty()) removePlayer(name);
    if (!newOwner.isEmpty()) addPlayer(name, newOwner);
}

void MprisPlayers::addPlayer(const QString& name, const QString& owner) {
    Player& player = players_[name];
    player = Player{};
    player.owner = owner;
    fetch(name);
}

void MprisPlayers::removePlayer(const QString& name) {
    const auto it = players_.find(name);
    if (it == players_.end()) return;
    const bool wasPlaying = it->second.status == playingState;
    players_.erase(it);
    if (!wasPlaying) return;
    // The player left while it played: it has stopped, unless another one plays on.
    announce(QStringLiteral("Stopped"), std::nullopt);
}

void MprisPlayers::fetch(const QString& name) {
    const QString owner = players_[name].owner;
    QDBusConnection bus(connectionName_);
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(name, playerPath, propertiesInterface, QStringLiteral("GetAll")) << playerInterface;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, name, owner](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        const auto it = players_.find(name);
        // The player may have left or been replaced while we waited.
        if (it == players_.end() || it->second.owner != owner) return;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
        apply(name, toMap(reply.arguments().constFirst()));
    });
}

void MprisPlayers::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                     const QStringList& invalidated, const QDBusMessage& message) {
    if (interface != playerInterface) return;
    const QString sender = message.service();
    std::vector<QString> names;
    for (const auto& [name, player] : players_)
        if (player.owner == sender) names.push_back(name);
    const bool refetch = invalidated.contains(statusKey) || invalidated.contains(metadataKey);
    for (const QString& name : names) {
        apply(name, changed);
        if (refetch) fetch(name);
    }
}

void MprisPlayers::apply(const QString& name, const QVariantMap& properties) {
    const auto it = players_.find(name);
    if (it == players_.end()) return;
    Player& player = it->second;
    const bool hasStatus = properties.contains(statusKey);
    const bool hasMetadata = properties.contains(metadataKey);
    if (!hasStatus && !hasMetadata) return;  // volume, position and the like
    if (hasStatus) player.status = stringOf(properties.value(statusKey));
    if (hasMetadata) player.title = stringOf(toMap(properties.value(metadataKey)).value(QStringLiteral("xesam:title")));
    player.order = ++counter_;
    announce(player.status, player.title);
}

void MprisPlayers::announce(std::optional<QString> state, std::optional<QString> title) {
    if (state != playingState) {
        const Player* latest = nullptr;
        for (const auto& [other, player] : players_)
            if (player.status == playingState && (!latest || player.order > latest->order)) latest = &player;
        if (latest) {
            state = latest->status;
            title = latest->title;
        }
    }
    if (state == lastState_ && title == lastName_) return;
    lastState_ = state;
    lastName_ = title;
    if (listener_) listener_(state, title);
}

}  // namespace kp
