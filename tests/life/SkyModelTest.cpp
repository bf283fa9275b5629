// The sky model's look and its live weather: a fake position source, a fake system weather service,
// and a forecast server on 127.0.0.1. Time moves only through the manual clock and scheduler.
#include "support/Scratch.h"

#include "life/SkyModel.h"
#include "life/SkyServices.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include <cstdlib>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace kp {

inline void PrintTo(const SkyModel::Status& s, std::ostream* os) {
    *os << int(s.kind()) << " \"" << s.text().toStdString() << '"';
}

namespace {

using Kind = SkyModel::Status::Kind;
using Auth = SkyLocationProvider::Authorization;

class FakeLocation final : public SkyLocationProvider {
public:
    Auth auth = Auth::authorized;
    int requests = 0;
    int starts = 0;
    int stops = 0;
    bool updating = false;
    bool refuseAtOnce = false;  // like a location service that is missing: refused within the call

    Authorization authorization() const override { return auth; }
    void requestAuthorization() override { ++requests; }
    void startUpdating() override {
        ++starts;
        updating = true;
        if (refuseAtOnce) emit failed(true);
    }
    void stopUpdating() override {
        ++stops;
        updating = false;
    }
    void answer(Auth a) {
        auth = a;
        emit authorizationChanged();
    }
    void deliver(const QList<SkyCoordinate>& list) { emit locationsUpdated(list); }
    void fail(bool denied) { emit failed(denied); }
};

class FakeSystemWeather final : public SkySystemWeather {
public:
    std::optional<Current> next;  // answered at once; none: unavailable
    std::optional<SkyAttribution> credit;
    std::vector<SkyCoordinate> asked;

    void current(SkyCoordinate at, std::function<void(std::optional<Current>)> done) override {
        asked.push_back(at);
        done(next);
    }
    void attribution(std::function<void(std::optional<SkyAttribution>)> done) override { done(credit); }
};

// A tiny forecast service: answers each request with the next queued body (or holds it until told).
class ForecastServer : public QObject {
public:
    std::deque<QByteArray> bodies;  // an empty deque answers with an error page
    std::vector<QUrl> requests;
    bool hold = false;
    std::vector<QPointer<QTcpSocket>> held;

    ForecastServer() {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] {
                    *buffer += s->readAll();
                    if (!buffer->contains("\r\n\r\n")) return;
                    const QList<QByteArray> line = buffer->left(buffer->indexOf("\r\n")).split(' ');
                    requests.push_back(QUrl(QString::fromLatin1(line.value(1))));
                    if (hold)
                        held.push_back(s);
                    else
                        respond(s);
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QByteArray base() const { return "http://127.0.0.1:" + QByteArray::number(server.serverPort()); }
    void release() {
        hold = false;
        for (auto& s : held)
            if (s) respond(s);
        held.clear();
    }
    void respond(QTcpSocket* s) {
        QByteArray status = "200 OK";
        QByteArray body;
        if (bodies.empty()) {
            status = "502 Bad Gateway";
            body = "<html>bad gateway</html>";
        } else {
            body = bodies.front();
            bodies.pop_front();
        }
        s->write("HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QTcpServer server;
};

QByteArray code(int c) { return R"({"current":{"weather_code":)" + QByteArray::number(c) + "}}"; }

class SkyModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void SetUp() override {
        qputenv(kOpenMeteoUrlVariable, server.base());
        // An ordinary June noon: no snow days, daytime.
        clock.setNow(referenceFromDate(QDateTime(QDate(2026, 6, 10), QTime(12, 0), Qt::UTC)));
    }
    void TearDown() override {
        model.reset();
        qunsetenv(kOpenMeteoUrlVariable);
    }
    SkyModel& make() {
        model = std::make_unique<SkyModel>(*store, clock, scheduler, location, system);
        return *model;
    }
    // Lets the event loop run until `done` holds (the forecast server and the replies live there).
    static bool until(const std::function<bool()>& done) {
        QDeadlineTimer deadline(20000);
        while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    bool settled() const { return model->status().kind() == Kind::live || model->status().kind() == Kind::failed; }

    test::ScratchStore store;
    ManualClock clock;
    ManualScheduler scheduler;
    FakeLocation location;
    FakeSystemWeather system;
    ForecastServer server;
    std::unique_ptr<SkyModel> model;
};

TEST_F(SkyModelTest, FollowsTheClockUntilLiveWeatherIsOnAndObtained) {
    SkyModel& sky = make();
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_EQ(sky.statusText(), "Following the clock only.");
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::day, SkyWeather::clear}));
    EXPECT_EQ(location.starts, 0);

    sky.setLive(true);
    EXPECT_TRUE(store->boolValue("liveWeather"));
    EXPECT_EQ(sky.status().kind(), Kind::locating);
    EXPECT_EQ(location.starts, 1);
    EXPECT_EQ(sky.look().weather, SkyWeather::clear);  // on, nothing obtained yet

    server.bodies = {code(65)};
    location.deliver({{10.0, 10.0}, {48.86, 2.349}});  // newest last
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::live("rain"));
    EXPECT_EQ(sky.statusText(), "Live: rain.");
    EXPECT_EQ(sky.liveWeather(), SkyWeather::rain);
    EXPECT_FALSE(sky.usesWeatherKit());
    EXPECT_FALSE(location.updating);
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].path(), "/v1/forecast");
    EXPECT_EQ(server.requests[0].query(), "latitude=48.9&longitude=2.3&current=weather_code");
    ASSERT_EQ(system.asked.size(), 1u);  // the system service was asked first, with the rounded position
    EXPECT_EQ(system.asked[0], (SkyCoordinate{48.9, 2.3}));
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::day, SkyWeather::rain}));

    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 6, 10), QTime(21, 30), Qt::UTC)));
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::night, SkyWeather::rain}));

    // The switch is read at every look: turned off behind the model's back, the sky is clear at once.
    store->set("liveWeather", false);
    EXPECT_EQ(sky.look().weather, SkyWeather::clear);
    EXPECT_EQ(sky.liveWeather(), SkyWeather::rain);
}

TEST_F(SkyModelTest, SnowDaysOverrideEverything) {
    store->set("liveWeather", true);
    system.next = SkySystemWeather::Current{"thunderstorms", "Thunderstorms"};
    SkyModel& sky = make();  // starts at once with the switch on
    EXPECT_EQ(location.starts, 1);
    location.deliver({{1, 1}});
    EXPECT_EQ(sky.liveWeather(), SkyWeather::storm);

    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 15), QTime(7, 0), Qt::UTC)));
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::morning, SkyWeather::snow}));
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 29), QTime(23, 0), Qt::UTC)));
    EXPECT_EQ(sky.look().weather, SkyWeather::snow);
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 30), QTime(9, 0), Qt::UTC)));
    EXPECT_EQ(sky.look().weather, SkyWeather::storm);
    sky.setLive(false);
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 20), QTime(9, 0), Qt::UTC)));
    EXPECT_EQ(sky.look().weather, SkyWeather::snow);
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 14), QTime(9, 0), Qt::UTC)));
    EXPECT_EQ(sky.look().weather, SkyWeather::clear);
}

TEST_F(SkyModelTest, SystemWeatherServiceAnswersFirstWithItsOwnWords) {
    SkyModel& sky = make();
    system.next = SkySystemWeather::Current{"sunShowers", "Sun Showers"};
    system.credit = SkyAttribution{"Weather", QUrl("https://example.invalid/legal")};
    sky.setLive(true);
    location.deliver({{48.86, 2.349}});
    EXPECT_EQ(sky.status(), SkyModel::Status::live("sun showers"));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::rain);
    EXPECT_TRUE(sky.usesWeatherKit());
    ASSERT_TRUE(sky.attribution());
    EXPECT_EQ(sky.attribution()->serviceName, "Weather");
    EXPECT_TRUE(server.requests.empty());

    // An unknown condition is cloudy and keeps its own description; a failed credit is dropped.
    system.next = SkySystemWeather::Current{"smoky", "Smoky"};
    system.credit.reset();
    scheduler.advance(1800);
    location.deliver({{48.86, 2.349}});
    EXPECT_EQ(sky.status(), SkyModel::Status::live("smoky"));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::cloudy);
    EXPECT_FALSE(sky.attribution());

    // Back on the forecast service, the credit flag follows; switching off keeps both.
    system.next.reset();
    system.credit = SkyAttribution{"Weather", {}};
    server.bodies = {code(3)};
    scheduler.advance(1800);
    location.deliver({{48.86, 2.349}});
    ASSERT_TRUE(until([&] { return !sky.usesWeatherKit(); }));
    EXPECT_EQ(sky.statusText(), "Live: cloudy.");
    EXPECT_FALSE(sky.usesWeatherKit());
    EXPECT_FALSE(sky.attribution());  // untouched by the forecast service
}

TEST_F(SkyModelTest, PermissionIsAskedThenGrantedOrRefused) {
    location.auth = Auth::notDetermined;
    SkyModel& sky = make();
    sky.setLive(true);
    EXPECT_EQ(sky.status(), SkyModel::Status::asking());
    EXPECT_EQ(sky.statusText(), QString::fromUtf8("Waiting for permission…"));
    EXPECT_EQ(location.requests, 1);
    EXPECT_EQ(location.starts, 0);

    location.answer(Auth::authorized);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    server.bodies = {code(99)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::live("storm"));

    location.answer(Auth::denied);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());

    // With the switch off an answer changes nothing.
    sky.setLive(false);
    const int starts = location.starts;
    location.answer(Auth::authorized);
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_EQ(location.starts, starts);
    location.deliver({{1, 1}});
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
}

TEST_F(SkyModelTest, RefusedPermissionAndDeniedErrors) {
    location.auth = Auth::denied;
    SkyModel& sky = make();
    sky.setLive(true);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());
    EXPECT_EQ(location.starts, 0);

    // A refresh tries again; a denied error puts the status back at once.
    scheduler.advance(1800);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    location.fail(false);  // any other error is ignored
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    location.fail(true);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());
    EXPECT_FALSE(location.updating);
    scheduler.advance(30);  // the cancelled timeout does not turn it into failed
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());

    // A source that refuses within the start call leaves no timeout behind.
    location.refuseAtOnce = true;
    scheduler.advance(1800 - 30);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());
    EXPECT_FALSE(location.updating);
    EXPECT_EQ(scheduler.pendingCount(), 1u);  // the refresh only
}

TEST_F(SkyModelTest, APositionThatNeverComesEndsInFailedOnlyWhileNothingIsShown) {
    SkyModel& sky = make();
    sky.setLive(true);
    scheduler.advance(29.9);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    scheduler.advance(0.2);
    EXPECT_EQ(sky.status(), SkyModel::Status::failed());
    EXPECT_EQ(sky.statusText(), "Couldn't get the weather right now. Following the clock.");
    EXPECT_FALSE(location.updating);
    EXPECT_EQ(sky.look().weather, SkyWeather::clear);

    // The next refresh finds a position; the one after gets none, and the weather stays.
    scheduler.advance(1800 - 30);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    server.bodies = {code(0)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::live("clear"));

    scheduler.advance(1800);
    EXPECT_TRUE(location.updating);
    EXPECT_EQ(sky.status(), SkyModel::Status::live("clear"));  // a refresh keeps the shown status
    scheduler.advance(30);
    EXPECT_FALSE(location.updating);
    EXPECT_EQ(sky.status(), SkyModel::Status::live("clear"));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::clear);
}

TEST_F(SkyModelTest, BothServicesFailingAreTriedOnceMoreAfterFiveSeconds) {
    SkyModel& sky = make();
    sky.setLive(true);
    server.bodies = {R"({"current":{"weather_code":"61"}})"};  // a string code counts as failed
    location.deliver({{48.86, 2.349}});
    ASSERT_TRUE(until([&] { return scheduler.pendingCount() == 2 && !sky.fetching(); }));  // refresh + the retry
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    EXPECT_EQ(system.asked.size(), 1u);

    server.bodies = {code(86)};
    scheduler.advance(5);
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::live("snow"));
    EXPECT_EQ(system.asked.size(), 2u);  // the whole chain again, system service first
    EXPECT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[1].query(), "latitude=48.9&longitude=2.3&current=weather_code");

    // Failing twice while a weather is shown keeps it (a missing code, then an error page).
    scheduler.advance(1800 - 5);
    server.bodies = {R"({"current":{}})"};
    location.deliver({{48.86, 2.349}});
    ASSERT_TRUE(until([&] { return scheduler.pendingCount() == 2 && !sky.fetching(); }));
    scheduler.advance(5);
    ASSERT_TRUE(until([&] { return server.requests.size() == 4; }));
    // The last answer is being read; give the reply a moment to land.
    QDeadlineTimer settle(300);
    while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(scheduler.pendingCount(), 1u);  // the refresh only: no third round
    EXPECT_EQ(sky.status(), SkyModel::Status::live("snow"));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::snow);
}

TEST_F(SkyModelTest, AnAnswerTooLongOrTooSlowIsAFailedAnswer) {
    SkyModel& sky = make();
    sky.setLive(true);
    // A valid answer, padded past what any real one needs.
    server.bodies = {QByteArray(100 * 1024, ' ') + code(0)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return scheduler.pendingCount() == 2 && !sky.fetching(); }));  // refresh + the retry
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    EXPECT_FALSE(sky.liveWeather());

    // The retry's answer never comes: the whole request gives up after 20 s and the round fails.
    server.hold = true;
    scheduler.advance(5);
    ASSERT_TRUE(until([&] { return server.held.size() == 1; }));
    EXPECT_TRUE(sky.fetching());
    scheduler.advance(20);
    ASSERT_TRUE(until([&] { return !sky.fetching(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::failed());
}

TEST_F(SkyModelTest, NothingObtainedAfterTwoRoundsIsFailed) {
    SkyModel& sky = make();
    sky.setLive(true);
    server.server.close();  // connection refused: a transport error
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return scheduler.pendingCount() == 2 && !sky.fetching(); }));
    scheduler.advance(5);
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::failed());
    EXPECT_FALSE(sky.liveWeather());
}

TEST_F(SkyModelTest, SwitchingOffStopsEverythingAndDropsLateAnswers) {
    SkyModel& sky = make();
    int changes = 0;
    QObject::connect(&sky, &SkyModel::changed, [&] { ++changes; });
    sky.setLive(true);
    server.bodies = {code(61)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::rain);

    // A refresh whose answer is still on the way when the user switches off.
    server.hold = true;
    server.bodies = {code(95)};
    scheduler.advance(1800);
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return server.held.size() == 1; }));
    changes = 0;
    sky.setLive(false);
    EXPECT_GE(changes, 1);
    EXPECT_FALSE(store->boolValue("liveWeather"));
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_FALSE(sky.liveWeather());
    EXPECT_FALSE(location.updating);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    server.release();
    ASSERT_TRUE(until([&] { return server.held.empty(); }));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_FALSE(sky.liveWeather());

    // Switching on again starts afresh, with one refresh timer.
    sky.setLive(true);
    sky.start();
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    EXPECT_EQ(scheduler.pendingCount(), 2u);  // refresh + position timeout
}

// The Qt Positioning path end to end, on a recorded track instead of the desktop's location service.
TEST_F(SkyModelTest, RecordedTrackThroughQtPositioningReachesTheForecast) {
    QTemporaryDir dir;
    QFile track(dir.filePath("paris.nmea"));
    ASSERT_TRUE(track.open(QIODevice::WriteOnly));
    auto sentence = [&](const QByteArray& body) {
        char sum = 0;
        for (char c : body) sum ^= c;
        track.write("$" + body + "*" + QByteArray::number(uchar(sum), 16).toUpper().rightJustified(2, '0') + "\r\n");
    };
    sentence("GPRMC,120000.00,A,4851.600,N,00220.940,E,0.0,0.0,061226,,,A");
    sentence("GPGGA,120000.00,4851.600,N,00220.940,E,1,08,1.0,35.0,M,0.0,M,,");
    track.close();

    QtSkyLocationProvider nmea("nmea", {{"nmea.source", QUrl::fromLocalFile(track.fileName()).toString()}});
    SkyModel sky(*store, clock, scheduler, nmea, system);
    server.bodies = {code(80)};
    sky.setLive(true);
    ASSERT_TRUE(until([&] { return sky.status().kind() == Kind::live; }));
    EXPECT_EQ(sky.liveWeather(), SkyWeather::rain);
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].query(), "latitude=48.9&longitude=2.3&current=weather_code");
}

}  // namespace
}  // namespace kp
