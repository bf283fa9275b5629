#include "platform/MusicPlayers.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QUrl>

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

// Longer texts from a player are cut: a title is shown on one line.
constexpr qsizetype maxText = 200;

// A dictionary as it arrives: still marshalled, wrapped in a variant, or already a map. Anything
// a player sends that is not a string-keyed dictionary of variants is none: converting it blindly
// would read it with the wrong layout.
std::optional<QVariantMap> toMap(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        if (arg.currentSignature() != QLatin1String("a{sv}")) return std::nullopt;
        return qdbus_cast<QVariantMap>(arg);
    }
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return toMap(value.value<QDBusVariant>().variant());
    if (value.userType() == QMetaType::QVariantMap) return value.toMap();
    return std::nullopt;
}

std::optional<QString> stringOf(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return stringOf(value.value<QDBusVariant>().variant());
    if (value.userType() != QMetaType::QString) return std::nullopt;
    return value.toString().left(maxText);
}

// Whether a track's address is a video: a video file, or a page of a site that shows videos.
bool isVideoAddress(const QString& address) {
    static const QStringList extensions = {
        QStringLiteral("mp4"), QStringLiteral("m4v"), QStringLiteral("mkv"), QStringLiteral("webm"),
        QStringLiteral("avi"), QStringLiteral("mov"), QStringLiteral("ogv"), QStringLiteral("mpg"),
        QStringLiteral("mpeg"), QStringLiteral("wmv"), QStringLiteral("flv"), QStringLiteral("m2ts"),
        QStringLiteral("3gp")};
    static const QStringList sites = {QStringLiteral("youtube.com"), QStringLiteral("youtu.be"),
                                      QStringLiteral("vimeo.com"), QStringLiteral("twitch.tv"),
                                      QStringLiteral("dailymotion.com"), QStringLiteral("netflix.com"),
                                      QStringLiteral("peertube")};
    const QUrl url(address);
    if (!url.isValid()) return false;
    const QString host = url.host().toLower();
    for (const QString& site : sites)
        if (host.contains(site)) return true;
    const QString path = url.path().toLower();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && path.lastIndexOf(QLatin1Char('/')) < dot && extensions.contains(path.mid(dot + 1));
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
    announce(QStringLiteral("Stopped"), std::nullopt, false);
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
        if (const auto properties = toMap(reply.arguments().constFirst())) apply(name, *properties);
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
    // A value of the wrong type changes nothing.
    const std::optional<QString> status = stringOf(properties.value(statusKey));
    const std::optional<QVariantMap> metadata = toMap(properties.value(metadataKey));
    if (!status && !metadata) return;  // volume, position and the like
    if (status) player.status = status;
    if (metadata) {
        player.title = stringOf(metadata->value(QStringLiteral("xesam:title")));
        player.video = isVideoAddress(stringOf(metadata->value(QStringLiteral("xesam:url"))).value_or(QString()));
    }
    player.order = ++counter_;
    announce(player.status, player.title, player.video);
}

void MprisPlayers::announce(std::optional<QString> state, std::optional<QString> title, bool video) {
    if (state != playingState) {
        const Player* latest = nullptr;
        for (const auto& [other, player] : players_)
            if (player.status == playingState && (!latest || player.order > latest->order)) latest = &player;
        if (latest) {
            state = latest->status;
            title = latest->title;
            video = latest->video;
        }
    }
    if (state == lastState_ && title == lastName_ && video == lastVideo_) return;
    lastState_ = state;
    lastName_ = title;
    lastVideo_ = video;
    if (listener_) listener_(state, title, video);
}

}  // namespace kp
