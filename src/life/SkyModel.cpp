#include "life/SkyModel.h"

#include "core/Preferences.h"
#include "life/SkyClock.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <ctime>

namespace kp {

namespace {

constexpr double kRefreshSeconds = 1800;
constexpr double kLocateTimeoutSeconds = 30;
constexpr double kRetrySeconds = 5;
// The forecast service is not waited for forever: an answer that stalls, or drips in slower than
// the whole request may take, counts as no answer.
constexpr int kForecastTimeoutMs = 20000;
constexpr double kForecastDeadlineSeconds = 20;
// A real answer is well under 1 KB; anything past this is not read.
constexpr qint64 kMaxForecastBytes = 64 * 1024;
// How often the local time zone is looked up again (the user may move or change it).
constexpr double kZoneRecheckSeconds = 60;

const QString kLiveWeatherKey = QStringLiteral("liveWeather");

}  // namespace

SkyModel::SkyModel(Defaults& store, Clock& clock, Scheduler& scheduler, SkyLocationProvider& location,
                   SkySystemWeather& systemWeather, QObject* parent)
    : QObject(parent),
      store_(store),
      clock_(clock),
      scheduler_(scheduler),
      location_(location),
      systemWeather_(systemWeather) {
    // The look is read every frame, and a read of the store takes a lock and builds strings: the
    // switch is mirrored here and kept in step through the store's change signal instead.
    liveSwitch_ = prefs::liveWeather(store_);
    connect(&store_, &Defaults::changed, this, [this](const QString& key) {
        if (key != kLiveWeatherKey) return;
        const bool on = prefs::liveWeather(store_);
        if (on == liveSwitch_) return;
        liveSwitch_ = on;
        emit changed();
    });
    connect(&location_, &SkyLocationProvider::authorizationChanged, this, &SkyModel::onAuthorizationChanged);
    connect(&location_, &SkyLocationProvider::locationsUpdated, this, &SkyModel::onLocations);
    connect(&location_, &SkyLocationProvider::failed, this, &SkyModel::onLocationFailed);
    if (liveSwitch_) start();
}

SkyModel::~SkyModel() {
    cancel(refreshTimer_);
    cancel(locateTimeout_);
    if (running_) location_.stopUpdating();
}

SkyModel& SkyModel::shared() {
    static SkyModel* model = [] {
        auto* location = new GeoClueLocationProvider();
        return new SkyModel(Defaults::standard(), SystemClock::shared(), QtScheduler::shared(), *location,
                            UnavailableSystemWeather::shared());
    }();
    return *model;
}

SkyLook SkyModel::look() const {
    const double mono = clock_.monotonic();
    if (mono - zoneCheckedAt_ >= kZoneRecheckSeconds || mono < zoneCheckedAt_) {
        tzset();
        zoneCheckedAt_ = mono;
    }
    const double now = clock_.now();
    SkyLook look;
    look.time = skyTime(now);
    if (isSnowSeason(now))
        look.weather = SkyWeather::snow;
    else if (liveSwitch_)
        look.weather = liveWeather_.value_or(SkyWeather::clear);
    else
        look.weather = SkyWeather::clear;
    return look;
}

QString SkyModel::statusText(const Status& status) {
    switch (status.kind()) {
    case Status::Kind::off:
        return QStringLiteral("Following the clock only.");
    case Status::Kind::asking:
        return QStringLiteral("Waiting for permission\u2026");
    case Status::Kind::denied:
        // Only the location service's own refusal: a missing service is a plain failure. The
        // permission lives with the desktop, so the sentence says where to give it.
        return QStringLiteral("Location is off for this app: allow it in your desktop's privacy settings "
                              "(Location Services) or its location agent.");
    case Status::Kind::locating:
        return QStringLiteral("Looking out the window\u2026");
    case Status::Kind::failed:
        return QStringLiteral("Couldn't get the weather right now. Following the clock.");
    case Status::Kind::live:
        return QStringLiteral("Live: ") + status.text() + QStringLiteral(".");
    }
    return {};
}

void SkyModel::start() {
    running_ = true;
    switch (location_.authorization()) {
    case SkyLocationProvider::Authorization::denied:
        setStatus(Status::denied());
        break;
    case SkyLocationProvider::Authorization::notDetermined:
        setStatus(Status::asking());
        location_.requestAuthorization();
        break;
    case SkyLocationProvider::Authorization::authorized:
        locate();
        break;
    }
    if (refreshTimer_ == 0) {
        QPointer<SkyModel> self(this);
        refreshTimer_ = scheduler_.every(kRefreshSeconds, [self] {
            if (self) self->refreshTick();
        });
    }
}

void SkyModel::setLive(bool on) {
    store_.set(kLiveWeatherKey, on);
    if (on) {
        start();
    } else {
        cancel(refreshTimer_);
        cancel(locateTimeout_);
        location_.stopUpdating();
        running_ = false;
        // A fetch still under way belongs to the round just ended: its answer is dropped, so a
        // switched-off sky never shows a live status again; the request itself stops here.
        ++generation_;
        cancel(forecastDeadline_);
        if (forecast_) forecast_->abort();
        liveWeather_.reset();
        setStatus(Status::off());
    }
    emit changed();
}

void SkyModel::locate() {
    if (!liveWeather_) setStatus(Status::locating());
    // The timeout is set before the source starts: a source may answer (or refuse) within the call.
    cancel(locateTimeout_);
    QPointer<SkyModel> self(this);
    locateTimeout_ = scheduler_.after(kLocateTimeoutSeconds, [self] {
        if (!self) return;
        self->locateTimeout_ = 0;
        self->locateTimedOut();
    });
    location_.startUpdating();
}

void SkyModel::refreshTick() {
    if (prefs::liveWeather(store_)) locate();
}

void SkyModel::locateTimedOut() {
    location_.stopUpdating();
    if (status_.kind() == Status::Kind::locating) setStatus(Status::failed());
}

void SkyModel::onAuthorizationChanged() {
    if (!prefs::liveWeather(store_)) return;
    switch (location_.authorization()) {
    case SkyLocationProvider::Authorization::denied:
        setStatus(Status::denied());
        break;
    case SkyLocationProvider::Authorization::authorized:
        locate();
        break;
    case SkyLocationProvider::Authorization::notDetermined:
        break;
    }
}

void SkyModel::onLocations(const QList<SkyCoordinate>& locations) {
    if (!running_ || locations.isEmpty()) return;
    const SkyCoordinate last = locations.back();
    location_.stopUpdating();
    cancel(locateTimeout_);
    fetchWeather(last, true);
}

void SkyModel::onLocationFailed(bool denied) {
    // Other failures may still be followed by a position; the timeout covers the case that none comes.
    if (!denied || !running_) return;
    location_.stopUpdating();
    cancel(locateTimeout_);
    setStatus(Status::denied());
}

void SkyModel::fetchWeather(SkyCoordinate at, bool retry) {
    const SkyCoordinate rounded = roundedCoordinate(at);
    const quint64 generation = generation_;
    QPointer<SkyModel> self(this);
    auto current = [self, generation] { return self && self->generation_ == generation; };

    systemWeather_.current(rounded, [=](std::optional<SkySystemWeather::Current> answer) {
        if (!current()) return;
        if (answer) {
            self->liveWeather_ = skyWeatherFromCondition(answer->condition);
            self->usesWeatherKit_ = true;
            emit self->changed();
            const QString text = answer->description.toLower();
            self->systemWeather_.attribution([=](std::optional<SkyAttribution> attribution) {
                if (!current()) return;
                self->attribution_ = std::move(attribution);
                self->setStatus(Status::live(text));
            });
            return;
        }
        self->fetchOpenMeteo(rounded, [=](std::optional<int> code) {
            if (!current()) return;
            if (code) {
                self->applyOpenMeteo(*code);
            } else if (retry) {
                self->scheduler_.after(kRetrySeconds, [=] {
                    if (current()) self->fetchWeather(at, false);
                });
            } else if (!self->liveWeather_) {
                self->setStatus(Status::failed());
            }
        });
    });
}

void SkyModel::fetchOpenMeteo(SkyCoordinate rounded, std::function<void(std::optional<int>)> done) {
    const std::optional<QUrl> url = openMeteoRequest(rounded);
    if (!url) {
        done(std::nullopt);
        return;
    }
    if (!network_) network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(*url);
    request.setTransferTimeout(kForecastTimeoutMs);
    QNetworkReply* reply = network_->get(request);
    forecast_ = reply;
    // Only a little more than the limit is ever buffered; the request stops there.
    reply->setReadBufferSize(kMaxForecastBytes + 1);
    const auto tooLong = [reply] {
        return reply->bytesAvailable() > kMaxForecastBytes ||
               reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxForecastBytes;
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, tooLong] {
        if (tooLong()) reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, tooLong] {
        if (tooLong()) reply->abort();
    });
    cancel(forecastDeadline_);
    forecastDeadline_ = scheduler_.after(kForecastDeadlineSeconds, [r = QPointer<QNetworkReply>(reply)] {
        if (r) r->abort();
    });
    // The status code is not looked at: an error page fails to parse like any other wrong answer.
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        if (forecast_ == reply) cancel(forecastDeadline_);
        const bool cut = reply->error() == QNetworkReply::OperationCanceledError;
        const QByteArray body = cut ? QByteArray() : reply->read(kMaxForecastBytes + 1);
        if (forecast_ == reply) forecast_.clear();
        reply->deleteLater();
        done(cut || body.size() > kMaxForecastBytes ? std::nullopt : parseOpenMeteo(body));
    });
}

void SkyModel::applyOpenMeteo(int code) {
    const SkyWeather weather = skyWeatherFromWmo(code);
    liveWeather_ = weather;
    usesWeatherKit_ = false;
    const std::string_view raw = rawValue(weather);
    setStatus(Status::live(QString::fromLatin1(raw.data(), qsizetype(raw.size()))));
}

void SkyModel::setStatus(Status status) {
    status_ = std::move(status);
    emit changed();
}

void SkyModel::cancel(WorkId& id) {
    if (id != 0) scheduler_.cancel(id);
    id = 0;
}

}  // namespace kp
