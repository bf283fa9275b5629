// The location service client against a fake GeoClue on the private bus of the media bus script.
#include "life/SkyServices.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <functional>

namespace kp {
// Lets queued bus traffic through until `done` holds (MediaBusTest.cpp).
bool waitFor(const std::function<bool()>& done);

namespace {

const QString clientPath = QStringLiteral("/org/freedesktop/GeoClue2/Client/1");

// Hands out one client; records what the client is told; refuses to start when asked to.
class FakeGeoClue : public QDBusVirtualObject {
public:
    explicit FakeGeoClue(bool refuse) : refuse_(refuse) {
        QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), name_);
        ok_ = bus.registerVirtualObject(QStringLiteral("/org/freedesktop/GeoClue2"), this, QDBusConnection::SubPath) &&
              bus.registerService(QStringLiteral("org.freedesktop.GeoClue2"));
    }
    ~FakeGeoClue() override { QDBusConnection::disconnectFromBus(name_); }
    bool ok() const { return ok_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QString member = m.member();
        if (member == QLatin1String("GetClient")) {
            bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(clientPath))));
        } else if (member == QLatin1String("Set")) {
            properties.insert(m.arguments().value(1).toString(), m.arguments().value(2).value<QDBusVariant>().variant());
            bus.send(m.createReply());
        } else if (member == QLatin1String("Start")) {
            ++starts;
            if (refuse_) {
                bus.send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("no")));
                return true;
            }
            bus.send(m.createReply());
            QDBusMessage moved = QDBusMessage::createSignal(clientPath, QStringLiteral("org.freedesktop.GeoClue2.Client"),
                                                            QStringLiteral("LocationUpdated"));
            moved << QVariant::fromValue(QDBusObjectPath("/")) << QVariant::fromValue(QDBusObjectPath(
                                                                      "/org/freedesktop/GeoClue2/Client/1/Location/0"));
            bus.send(moved);
        } else if (member == QLatin1String("GetAll")) {
            bus.send(m.createReply(QVariant::fromValue(
                QVariantMap{{QStringLiteral("Latitude"), 48.86}, {QStringLiteral("Longitude"), 2.35},
                            {QStringLiteral("Accuracy"), 5000.0}})));
        } else if (member == QLatin1String("Stop")) {
            ++stops;
            bus.send(m.createReply());
        } else {
            return false;
        }
        return true;
    }

    QVariantMap properties;
    int starts = 0;
    int stops = 0;

private:
    QString name_ = QStringLiteral("fake-geoclue");
    bool refuse_;
    bool ok_ = false;
};

struct Heard {
    QList<SkyCoordinate> positions;
    std::vector<bool> failures;
    void attach(SkyLocationProvider& p) {
        QObject::connect(&p, &SkyLocationProvider::locationsUpdated,
                         [this](const QList<SkyCoordinate>& l) { positions += l; });
        QObject::connect(&p, &SkyLocationProvider::failed, [this](bool denied) { failures.push_back(denied); });
    }
};

// A client started at once, with what it reports.
struct Asking {
    GeoClueLocationProvider location;
    Heard heard;
    explicit Asking(const QString& bus) : location(bus, QStringLiteral("app.example.Cat")) {
        heard.attach(location);
        location.startUpdating();
    }
};

class GeoClueTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("KP_PRIVATE_BUS") != QLatin1String("1"))
            GTEST_SKIP() << "needs the private buses of the media bus script";
    }
    QString bus() const { return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"); }
};

TEST_F(GeoClueTest, AsksAtCityAccuracyUnderTheDesktopIdAndOnlyTheServicesRefusalIsDenied) {
    {
        Asking missing(bus());  // no service on the bus
        ASSERT_TRUE(waitFor([&] { return !missing.heard.failures.empty(); }));
        EXPECT_FALSE(missing.heard.failures.front()) << "a missing service is no refusal";
    }
    {
        FakeGeoClue refusing(true);
        ASSERT_TRUE(refusing.ok());
        Asking refused(bus());
        ASSERT_TRUE(waitFor([&] { return !refused.heard.failures.empty(); }));
        EXPECT_TRUE(refused.heard.failures.front());
        EXPECT_TRUE(refused.heard.positions.isEmpty());
    }
    FakeGeoClue service(false);
    ASSERT_TRUE(service.ok());
    Asking asking(bus());
    const Heard& heard = asking.heard;
    ASSERT_TRUE(waitFor([&] { return !heard.positions.isEmpty(); }));
    EXPECT_EQ(heard.positions.back(), (SkyCoordinate{48.86, 2.35}));
    EXPECT_EQ(service.properties.value(QStringLiteral("DesktopId")), QStringLiteral("app.example.Cat"));
    EXPECT_EQ(service.properties.value(QStringLiteral("RequestedAccuracyLevel")), QVariant::fromValue(4u));
    asking.location.stopUpdating();
    ASSERT_TRUE(waitFor([&] { return service.stops == 1; }));
    EXPECT_TRUE(heard.failures.empty());
}

}  // namespace
}  // namespace kp
