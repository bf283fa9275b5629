#pragma once
// What the sky model asks of the outside world: where the user is, the system's own weather service
// and the Open-Meteo forecast service. Each is an interface here so tests can answer for it.
#include "core/SkyTypes.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QByteArray;
class QDBusObjectPath;

namespace kp {

struct SkyCoordinate {
    double latitude = 0;
    double longitude = 0;
    bool operator==(const SkyCoordinate&) const = default;
};

// The user's position, in the manner of a location manager: an authorization state, updates that
// start and stop, positions and failures reported through signals on the main thread.
class SkyLocationProvider : public QObject {
    Q_OBJECT
public:
    enum class Authorization { notDetermined, denied, authorized };

    using QObject::QObject;
    ~SkyLocationProvider() override = default;

    virtual Authorization authorization() const = 0;
    // Asks the user; the answer arrives through `authorizationChanged`.
    virtual void requestAuthorization() = 0;
    virtual void startUpdating() = 0;
    virtual void stopUpdating() = 0;

signals:
    void authorizationChanged();
    // Newest last.
    void locationsUpdated(const QList<kp::SkyCoordinate>& locations);
    // `denied`: the user or the system refuses this app its position.
    void failed(bool denied);
};

// The desktop's location service (GeoClue) over D-Bus, asked at city accuracy, which is all the
// weather needs, under the id of the app's desktop file. It asks no permission up front (the
// service's agent may ask the user when updates start), so it reports `authorized`. Only an
// explicit refusal by the service reports `denied`; a service that is missing or fails reports a
// plain failure.
class GeoClueLocationProvider final : public SkyLocationProvider {
    Q_OBJECT
public:
    static constexpr unsigned cityAccuracy = 4;

    // `busAddress` empty: the system bus. `desktopId` empty: the application's desktop file name.
    explicit GeoClueLocationProvider(QString busAddress = {}, QString desktopId = {}, QObject* parent = nullptr);
    ~GeoClueLocationProvider() override;

    Authorization authorization() const override { return Authorization::authorized; }
    void requestAuthorization() override { emit authorizationChanged(); }
    void startUpdating() override;
    void stopUpdating() override;

private slots:
    void locationUpdated(const QDBusObjectPath& oldPath, const QDBusObjectPath& newPath);

private:
    void configure(const QString& client);
    void fail(const QString& errorName);
    QString address_;
    QString connectionName_;
    QString desktopId_;
    QString client_;  // the client object once the service gave one
    bool updating_ = false;
    bool asking_ = false;
};

struct SkyAttribution {
    QString serviceName;
    QUrl legalPage;
    bool operator==(const SkyAttribution&) const = default;
};

// The platform's own weather service.
class SkySystemWeather {
public:
    struct Current {
        QString condition;    // the service's condition name, e.g. "mostlyClear"
        QString description;  // its own human description, e.g. "Mostly Clear"
    };
    virtual ~SkySystemWeather() = default;
    // Answers once, possibly later; none when the service failed.
    virtual void current(SkyCoordinate at, std::function<void(std::optional<Current>)> done) = 0;
    virtual void attribution(std::function<void(std::optional<SkyAttribution>)> done) = 0;
};

// Linux has no system weather service: every request is unavailable at once.
class UnavailableSystemWeather final : public SkySystemWeather {
public:
    void current(SkyCoordinate, std::function<void(std::optional<Current>)> done) override { done(std::nullopt); }
    void attribution(std::function<void(std::optional<SkyAttribution>)> done) override { done(std::nullopt); }
    static UnavailableSystemWeather& shared();
};

// A system weather condition name onto the five skies; names it does not know are `cloudy`.
SkyWeather skyWeatherFromCondition(const QString& condition);

// A WMO weather code (as Open-Meteo reports it) onto the five skies.
SkyWeather skyWeatherFromWmo(int code);

// The position sent to weather services: each degree value rounded to a tenth, halves away from zero.
SkyCoordinate roundedCoordinate(SkyCoordinate at);

// A degree value in its shortest round-trip decimal form, always with a fractional part ("5.0").
QString formatCoordinate(double degrees);

// Environment variable that replaces the forecast service's base URL (scheme, host, port).
inline constexpr const char* kOpenMeteoUrlVariable = "KETTLEPAW_OPEN_METEO_URL";

// GET <base>/v1/forecast?latitude=..&longitude=..&current=weather_code; none when no URL results.
std::optional<QUrl> openMeteoRequest(SkyCoordinate rounded);

// The integer at current.weather_code of a forecast answer; none for anything else.
std::optional<int> parseOpenMeteo(const QByteArray& data);

}  // namespace kp
