#pragma once
// The world outside the cat's window: the time of day by the clock and, while the user allows it,
// the real weather at their approximate position.
//
// `look()` is computed afresh on every call (the rooms read it every frame) and never waits for the
// network. Live weather runs while the "liveWeather" switch is on: a position, then the system weather
// service, falling back to the Open-Meteo forecast; one more full round 5 s later when both fail;
// a refresh every 1800 s; a position that does not come within 30 s ends the wait in `failed`.
// A forecast answer longer than 64 KB, or not complete within 20 s, is a failed answer.
// Every failure falls back to the clock and a status sentence.
//
// Main thread only. `changed()` follows every change of a published value, and every change of the
// "liveWeather" switch (the look depends on it).
#include "life/SkyServices.h"
#include "core/SkyTypes.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace kp {

class Clock;
class Defaults;

class SkyModel : public QObject {
    Q_OBJECT
public:
    // Where live weather stands; a `live` status carries a short lower-case description.
    class Status {
    public:
        enum class Kind { live, off, asking, denied, locating, failed };

        Status() = default;
        static Status live(QString text) { return Status(Kind::live, std::move(text)); }
        static Status off() { return Status(Kind::off); }
        static Status asking() { return Status(Kind::asking); }
        static Status denied() { return Status(Kind::denied); }
        static Status locating() { return Status(Kind::locating); }
        static Status failed() { return Status(Kind::failed); }

        Kind kind() const { return kind_; }
        // The description of a `live` status; empty for the others.
        const QString& text() const { return text_; }
        bool operator==(const Status&) const = default;

    private:
        explicit Status(Kind kind, QString text = {}) : kind_(kind), text_(std::move(text)) {}
        Kind kind_ = Kind::off;
        QString text_;
    };

    // Starts live weather at once when the "liveWeather" switch is on. The services must outlive the model.
    SkyModel(Defaults& store, Clock& clock, Scheduler& scheduler, SkyLocationProvider& location,
             SkySystemWeather& systemWeather, QObject* parent = nullptr);
    ~SkyModel() override;

    // The app's model on the standard store, the system clock and the Qt event loop, created on first use.
    static SkyModel& shared();

    const Status& status() const { return status_; }
    // The weather last obtained; none before any, and after live weather was switched off.
    std::optional<SkyWeather> liveWeather() const { return liveWeather_; }
    // The last weather came from the system service (true) or from Open-Meteo (false).
    bool usesWeatherKit() const { return usesWeatherKit_; }
    // The system service's credit for its last result; Open-Meteo is credited by the caller.
    const std::optional<SkyAttribution>& attribution() const { return attribution_; }

    // The sky to draw now. Cheap and allocation-free.
    SkyLook look() const;

    // The sentence for the current status, and for any status.
    QString statusText() const { return statusText(status_); }
    static QString statusText(const Status& status);

    // Begins or resumes live weather (the "liveWeather" switch is expected on).
    void start();
    // Writes the "liveWeather" switch, then switches live weather on or off.
    void setLive(bool on);
    // A forecast request is under way.
    bool fetching() const { return !forecast_.isNull(); }

signals:
    void changed();

private:
    void locate();
    void refreshTick();
    void locateTimedOut();
    void onAuthorizationChanged();
    void onLocations(const QList<SkyCoordinate>& locations);
    void onLocationFailed(bool denied);
    void fetchWeather(SkyCoordinate at, bool retry);
    void fetchOpenMeteo(SkyCoordinate rounded, std::function<void(std::optional<int>)> done);
    void applyOpenMeteo(int code);
    void setStatus(Status status);
    void cancel(WorkId& id);

    Defaults& store_;
    Clock& clock_;
    Scheduler& scheduler_;
    SkyLocationProvider& location_;
    SkySystemWeather& systemWeather_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> forecast_;  // the request under way

    Status status_;
    std::optional<SkyWeather> liveWeather_;
    bool usesWeatherKit_ = false;
    std::optional<SkyAttribution> attribution_;

    bool liveSwitch_ = false;  // "liveWeather", kept in step with the store's change signal
    bool running_ = false;     // between start() and switching off
    quint64 generation_ = 0;   // bumped when switching off: answers of older rounds are dropped
    WorkId refreshTimer_ = 0;
    WorkId locateTimeout_ = 0;
    WorkId forecastDeadline_ = 0;
    mutable double zoneCheckedAt_ = -1e300;
};

}  // namespace kp
