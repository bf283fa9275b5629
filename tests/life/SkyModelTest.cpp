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
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <cstdlib>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace kp {
namespace {

using Kind = SkyModel::Status::Kind;
using Auth = SkyLocationProvider::Authorization;

class FakeLocation final : public SkyLocationProvider {
public:
    Auth auth = Auth::authorized;
    int starts = 0;
    bool updating = false;

    Authorization authorization() const override { return auth; }
    void requestAuthorization() override {}
    void startUpdating() override {
        ++starts;
        updating = true;
    }
    void stopUpdating() override { updating = false; }
    void answer(Auth a) {
        auth = a;
        emit authorizationChanged();
    }
    void deliver(const QList<SkyCoordinate>& list) { emit locationsUpdated(list); }
    void fail(bool denied) { emit failed(denied); }
};

// There is no system weather service here: it never answers.
class NoSystemWeather final : public SkySystemWeather {
public:
    void current(SkyCoordinate, std::function<void(std::optional<Current>)> done) override { done(std::nullopt); }
    void attribution(std::function<void(std::optional<SkyAttribution>)> done) override { done(std::nullopt); }
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
    NoSystemWeather system;
    ForecastServer server;
    std::unique_ptr<SkyModel> model;
};

TEST_F(SkyModelTest, FollowsTheClockUntilLiveWeatherIsOnAndObtainedAndSnowDaysWinOverIt) {
    SkyModel& sky = make();
    EXPECT_EQ(sky.statusText(), "Following the clock only.");
    EXPECT_EQ(location.starts, 0);
    sky.setLive(true);
    server.bodies = {code(65)};
    location.deliver({{10.0, 10.0}, {48.86, 2.349}});  // newest last
    ASSERT_TRUE(until([&] { return settled(); }));
    EXPECT_EQ(sky.statusText(), "Live: rain.");
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].query(), "latitude=48.9&longitude=2.3&current=weather_code");
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::day, SkyWeather::rain}));
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 12, 20), QTime(21, 30), Qt::UTC)));
    EXPECT_EQ(sky.look(), (SkyLook{SkyTime::night, SkyWeather::snow}));
    // The switch is read at every look: turned off behind the model's back, the sky follows the clock.
    clock.setNow(referenceFromDate(QDateTime(QDate(2026, 6, 10), QTime(12, 0), Qt::UTC)));
    store->set("liveWeather", false);
    EXPECT_EQ(sky.look().weather, SkyWeather::clear);
}

TEST_F(SkyModelTest, OnlyARefusalReadsAsDeniedAndASwitchedOffModelHearsNoAnswer) {
    location.auth = Auth::notDetermined;
    SkyModel& sky = make();
    sky.setLive(true);
    EXPECT_EQ(sky.statusText(), QString::fromUtf8("Waiting for permission…"));
    location.answer(Auth::authorized);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    location.fail(false);
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    location.fail(true);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied());
    EXPECT_TRUE(sky.statusText().contains("privacy settings (Location Services)")) << "says where to allow it";
    EXPECT_TRUE(sky.statusText().contains("location agent"));
    scheduler.advance(30);
    EXPECT_EQ(sky.status(), SkyModel::Status::denied()) << "the cancelled timeout does not turn it into failed";
    sky.setLive(false);
    location.answer(Auth::authorized);
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
}

TEST_F(SkyModelTest, ASilentLocationServiceIsAFailure) {
    SkyModel& sky = make();
    sky.setLive(true);
    scheduler.advance(30.1);
    EXPECT_EQ(sky.statusText(), "Couldn't get the weather right now. Following the clock.");
}

TEST_F(SkyModelTest, AnAnswerTooLongTooSlowOrWrongIsTriedOnceMoreThenFailed) {
    SkyModel& sky = make();
    sky.setLive(true);
    // A valid answer, padded past what any real one needs.
    server.bodies = {QByteArray(100 * 1024, ' ') + code(0)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return scheduler.pendingCount() == 2 && !sky.fetching(); }));  // refresh + the retry
    EXPECT_EQ(sky.status(), SkyModel::Status::locating());
    // The retry's answer never comes: the whole request gives up after 20 s and the round fails.
    server.hold = true;
    scheduler.advance(5);
    ASSERT_TRUE(until([&] { return server.held.size() == 1; }));
    scheduler.advance(20);
    ASSERT_TRUE(until([&] { return !sky.fetching(); }));
    EXPECT_EQ(sky.status(), SkyModel::Status::failed());
}

TEST_F(SkyModelTest, SwitchingOffStopsEverythingAndDropsLateAnswers) {
    SkyModel& sky = make();
    sky.setLive(true);
    server.hold = true;
    server.bodies = {code(95)};
    location.deliver({{1, 1}});
    ASSERT_TRUE(until([&] { return server.held.size() == 1; }));
    sky.setLive(false);
    EXPECT_FALSE(store->boolValue("liveWeather"));
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    server.release();
    ASSERT_TRUE(until([&] { return server.held.empty(); }));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(sky.status(), SkyModel::Status::off());
    EXPECT_FALSE(sky.liveWeather());
}

}  // namespace
}  // namespace kp
