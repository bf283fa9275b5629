#include "life/SkyServices.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QVariantMap>

#include <cmath>

namespace kp {

namespace {

const QString service = QStringLiteral("org.freedesktop.GeoClue2");
const QString managerPath = QStringLiteral("/org/freedesktop/GeoClue2/Manager");
const QString managerInterface = QStringLiteral("org.freedesktop.GeoClue2.Manager");
const QString clientInterface = QStringLiteral("org.freedesktop.GeoClue2.Client");
const QString locationInterface = QStringLiteral("org.freedesktop.GeoClue2.Location");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString accessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");

// The variant's value when it holds exactly a `T`.
template <typename T>
std::optional<T> exactly(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>()) return exactly<T>(value.value<QDBusVariant>().variant());
    if (value.userType() != qMetaTypeId<T>()) return std::nullopt;
    return value.value<T>();
}

}  // namespace

GeoClueLocationProvider::GeoClueLocationProvider(QString busAddress, QString desktopId, QObject* parent)
    : SkyLocationProvider(parent), address_(std::move(busAddress)), desktopId_(std::move(desktopId)) {
    if (desktopId_.isEmpty()) desktopId_ = qApp ? qApp->property("desktopFileName").toString() : QString();
    if (desktopId_.isEmpty()) desktopId_ = QCoreApplication::applicationName().toLower();
}

GeoClueLocationProvider::~GeoClueLocationProvider() {
    if (!address_.isEmpty() && !connectionName_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
}

void GeoClueLocationProvider::fail(const QString& errorName) {
    asking_ = false;
    if (!updating_) return;
    emit failed(errorName == accessDenied);
}

void GeoClueLocationProvider::startUpdating() {
    updating_ = true;
    if (asking_) return;
    if (connectionName_.isEmpty()) {
        const QDBusConnection bus =
            address_.isEmpty() ? QDBusConnection::systemBus()
                               : QDBusConnection::connectToBus(address_, QStringLiteral("kp-geoclue-%1").arg(quintptr(this), 0, 16));
        connectionName_ = bus.name();
    }
    QDBusConnection bus(connectionName_);
    if (!bus.isConnected()) {
        fail({});
        return;
    }
    asking_ = true;
    if (!client_.isEmpty()) {
        configure(client_);
        return;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetClient"));
    ask.setAutoStartService(true);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        const std::optional<QDBusObjectPath> path =
            reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
                ? exactly<QDBusObjectPath>(reply.arguments().constFirst())
                : std::nullopt;
        if (!path) {
            fail(reply.errorName());
            return;
        }
        client_ = path->path();
        QDBusConnection(connectionName_)
            .connect(service, client_, clientInterface, QStringLiteral("LocationUpdated"), this,
                     SLOT(locationUpdated(QDBusObjectPath, QDBusObjectPath)));
        configure(client_);
    });
}

void GeoClueLocationProvider::configure(const QString& client) {
    QDBusConnection bus(connectionName_);
    const auto set = [&](const QString& name, const QVariant& value) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, client, propertiesInterface, QStringLiteral("Set"));
        m << clientInterface << name << QVariant::fromValue(QDBusVariant(value));
        bus.asyncCall(m);  // answered before Start, which the service reads them at
    };
    set(QStringLiteral("DesktopId"), desktopId_);
    set(QStringLiteral("RequestedAccuracyLevel"), QVariant::fromValue(uint(cityAccuracy)));
    const QDBusMessage start = QDBusMessage::createMethodCall(service, client, clientInterface, QStringLiteral("Start"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(start), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            fail(reply.errorName());
            return;
        }
        asking_ = false;
        // Stopped while the service was starting: stop it again.
        if (!updating_) stopUpdating();
    });
}

void GeoClueLocationProvider::stopUpdating() {
    updating_ = false;
    if (client_.isEmpty() || asking_) return;
    QDBusConnection(connectionName_)
        .asyncCall(QDBusMessage::createMethodCall(service, client_, clientInterface, QStringLiteral("Stop")));
}

void GeoClueLocationProvider::locationUpdated(const QDBusObjectPath&, const QDBusObjectPath& newPath) {
    if (!updating_) return;
    QDBusMessage ask = QDBusMessage::createMethodCall(service, newPath.path(), propertiesInterface, QStringLiteral("GetAll"));
    ask << locationInterface;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(connectionName_).asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (!updating_ || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return;
        const QVariant first = reply.arguments().constFirst();
        if (first.userType() != qMetaTypeId<QDBusArgument>()) return;
        const QDBusArgument arg = first.value<QDBusArgument>();
        if (arg.currentSignature() != QLatin1String("a{sv}")) return;
        const QVariantMap values = qdbus_cast<QVariantMap>(arg);
        const auto latitude = exactly<double>(values.value(QStringLiteral("Latitude")));
        const auto longitude = exactly<double>(values.value(QStringLiteral("Longitude")));
        if (!latitude || !longitude || !std::isfinite(*latitude) || !std::isfinite(*longitude) ||
            std::abs(*latitude) > 90 || std::abs(*longitude) > 180)
            return;
        emit locationsUpdated({SkyCoordinate{*latitude, *longitude}});
    });
}

}  // namespace kp
