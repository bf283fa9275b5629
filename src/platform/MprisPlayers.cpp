#include "platform/MusicPlayers.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QUrl>

#include <memory>

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


const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");

}  // namespace

bool MprisPlayers::isVideoAddress(const QString& address) {
    static const QStringList extensions = {
        QStringLiteral("mp4"), QStringLiteral("m4v"), QStringLiteral("mkv"), QStringLiteral("webm"),
        QStringLiteral("avi"), QStringLiteral("mov"), QStringLiteral("ogv"), QStringLiteral("mpg"),
        QStringLiteral("mpeg"), QStringLiteral("wmv"), QStringLiteral("flv"), QStringLiteral("m2ts"),
        QStringLiteral("3gp")};
    static const QStringList sites = {QStringLiteral("youtube.com"), QStringLiteral("youtu.be"),
                                      QStringLiteral("vimeo.com"), QStringLiteral("twitch.tv"),
                                      QStringLiteral("dailymotion.com"), QStringLiteral("netflix.com"),
                                      QStringLiteral("peertube")};
    // Songs, even where the site also shows videos.
    static const QStringList musicSites = {QStringLiteral("music.youtube.com"), QStringLiteral("soundcloud.com"),
                                           QStringLiteral("bandcamp.com"), QStringLiteral("spotify.com"),
                                           QStringLiteral("deezer.com"), QStringLiteral("music.apple.com"),
                                           QStringLiteral("tidal.com"), QStringLiteral("mixcloud.com"),
                                           QStringLiteral("last.fm"), QStringLiteral("music.amazon.")};
    const QUrl url(address);
    if (!url.isValid()) return false;
    const QString host = url.host().toLower();
    for (const QString& site : musicSites)
        if (host == site || host.endsWith(QLatin1Char('.') + site) || (site.endsWith(QLatin1Char('.')) && host.contains(site)))
            return false;
    for (const QString& site : sites)
        if (host.contains(site)) return true;
    const QString path = url.path().toLower();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && path.lastIndexOf(QLatin1Char('/')) < dot && extensions.contains(path.mid(dot + 1));
}

MprisPlayers::MprisPlayers(QString busAddress, int timeoutMs, QObject* parent)
    : QObject(parent), address_(std::move(busAddress)), timeoutMs_(timeoutMs) {}

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

void MprisPlayers::start(Listener changed) {
    listener_ = std::move(changed);
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
    ask(QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("ListNames")),
        [this](const QDBusMessage& reply) {
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
            for (const QString& name : reply.arguments().constFirst().toStringList()) {
                if (!name.startsWith(playerPrefix) || players_.count(name)) continue;
                ask(QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("GetNameOwner")) << name,
                    [this, name](const QDBusMessage& owner) {
                        if (owner.type() != QDBusMessage::ReplyMessage || owner.arguments().isEmpty() ||
                            players_.count(name))
                            return;
                        addPlayer(name, owner.arguments().constFirst().toString());
                    });
            }
        });
}

void MprisPlayers::ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then) {
    QDBusConnection bus(connectionName_);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs_), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [then = std::move(then)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         then(w->reply());
                     });
}

std::vector<PlayerState> MprisPlayers::players() const {
    std::vector<PlayerState> out;
    out.reserve(players_.size());
    for (const auto& [name, player] : players_) out.push_back(player.state);
    return out;
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
    askProcess(name);
}

void MprisPlayers::removePlayer(const QString& name) {
    const auto it = players_.find(name);
    if (it == players_.end()) return;
    players_.erase(it);
    if (listener_) listener_();
}

void MprisPlayers::fetch(const QString& name) {
    const QString owner = players_[name].owner;
    ask(QDBusMessage::createMethodCall(name, playerPath, propertiesInterface, QStringLiteral("GetAll")) << playerInterface,
        [this, name, owner](const QDBusMessage& reply) {
            const auto it = players_.find(name);
            // The player may have left or been replaced while we waited.
            if (it == players_.end() || it->second.owner != owner) return;
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
            if (const auto properties = toMap(reply.arguments().constFirst())) apply(name, *properties);
        });
}

// The process that holds the player's connection, as the bus knows it: the player's own window
// belongs to it.
void MprisPlayers::askProcess(const QString& name) {
    const QString owner = players_[name].owner;
    ask(QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("GetConnectionUnixProcessID"))
            << owner,
        [this, name, owner](const QDBusMessage& reply) {
            const auto it = players_.find(name);
            if (it == players_.end() || it->second.owner != owner) return;
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
            const QVariant pid = reply.arguments().constFirst();
            if (pid.userType() != QMetaType::UInt || pid.toUInt() == 0) return;
            it->second.state.pid = static_cast<long long>(pid.toUInt());
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
    PlayerState& player = it->second.state;
    // A value of the wrong type changes nothing.
    const std::optional<QString> status = stringOf(properties.value(statusKey));
    const std::optional<QVariantMap> metadata = toMap(properties.value(metadataKey));
    if (!status && !metadata) return;  // volume, position and the like
    PlayerState next = player;
    if (status) next.status = status;
    if (metadata) {
        next.title = stringOf(metadata->value(QStringLiteral("xesam:title")));
        const QString address = stringOf(metadata->value(QStringLiteral("xesam:url"))).value_or(QString());
        next.videoAddress = isVideoAddress(address);
        // A new track: what the player showed for the last one no longer holds.
        if (address != it->second.address) next.showsPicture.reset();
        it->second.address = address;
    }
    // Players repeat their metadata as the length or the art comes in: nothing heard changed.
    if (next.status == player.status && next.title == player.title && next.videoAddress == player.videoAddress) return;
    next.order = ++counter_;
    player = std::move(next);
    if (listener_) listener_();
}

void MprisPlayers::refresh(std::function<void()> ready) {
    // The players are asked whether a picture shows only for a video's address: a song's cover
    // art can make a player show one too.
    std::vector<QString> asked;
    for (const auto& [name, player] : players_)
        if (player.state.playing() && player.state.videoAddress) asked.push_back(name);
    if (asked.empty() || connectionName_.isEmpty()) {
        ready();
        return;
    }
    auto left = std::make_shared<std::size_t>(asked.size());
    auto done = std::make_shared<std::function<void()>>(std::move(ready));
    for (const QString& name : asked) {
        const QString owner = players_[name].owner;
        // Players that show a picture only once a video output is up say so here.
        ask(QDBusMessage::createMethodCall(name, playerPath, propertiesInterface, QStringLiteral("Get"))
                << rootInterface << QStringLiteral("CanSetFullscreen"),
            [this, name, owner, left, done](const QDBusMessage& reply) {
                const auto it = players_.find(name);
                if (it != players_.end() && it->second.owner == owner) {
                    std::optional<bool> shows;
                    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                        QVariant value = reply.arguments().constFirst();
                        if (value.userType() == qMetaTypeId<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
                        if (value.userType() == QMetaType::Bool) shows = value.toBool();
                    }
                    it->second.state.showsPicture = shows;
                }
                if (--*left == 0) (*done)();
            });
    }
}

}  // namespace kp
