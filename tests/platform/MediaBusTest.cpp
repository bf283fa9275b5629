// The logind and MPRIS readers against fakes on private buses, run by media_bus.sh, which starts
// those buses (KP_PRIVATE_BUS=1); the cases refuse to run on the user's own session.
#include "life/MediaWatcher.h"
#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>
#include <memory>

struct FakeInhibitor {
    QString what, who, why, mode;
    uint uid = 0;
    uint pid = 0;
};
Q_DECLARE_METATYPE(FakeInhibitor)

// The desktop power service's record: application, reason.
struct FakeInhibition {
    QString who, why;
};
Q_DECLARE_METATYPE(FakeInhibition)

QDBusArgument& operator<<(QDBusArgument& arg, const FakeInhibition& i) {
    arg.beginStructure();
    arg << i.who << i.why;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, FakeInhibition& i) {
    arg.beginStructure();
    arg >> i.who >> i.why;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const FakeInhibitor& i) {
    arg.beginStructure();
    arg << i.what << i.who << i.why << i.mode << i.uid << i.pid;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, FakeInhibitor& i) {
    arg.beginStructure();
    arg >> i.what >> i.who >> i.why >> i.mode >> i.uid >> i.pid;
    arg.endStructure();
    return arg;
}

namespace kp {

// Lets queued bus traffic through until `done` holds; false if it never does.
bool waitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

namespace {

// The fake answers from a thread of this process: on a busy machine that can take longer than the
// app's own bound, which is not what these cases are about.
constexpr int kSlowMachineMs = 20000;

bool privateBus() { return qEnvironmentVariable("KP_PRIVATE_BUS") == QLatin1String("1"); }

#define REQUIRE_PRIVATE_BUS() \
    if (!privateBus()) GTEST_SKIP() << "needs the private buses of the media bus script"

// --- A fake login manager on the stand-in system bus; stalled, it holds its answers. ---

class FakeLogind : public QDBusVirtualObject {
public:
    explicit FakeLogind(QList<FakeInhibitor> list) : list_(std::move(list)) {
        qDBusRegisterMetaType<FakeInhibitor>();
        qDBusRegisterMetaType<QList<FakeInhibitor>>();
        QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"), name_);
        registered_ = bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), this) &&
                      bus.registerService(QStringLiteral("org.freedesktop.login1"));
    }
    ~FakeLogind() override {
        // Off the bus's tree first: closing the connection later, on the bus's own thread, must
        // find no object of ours.
        QDBusConnection bus(name_);
        bus.unregisterService(QStringLiteral("org.freedesktop.login1"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        QDBusConnection::disconnectFromBus(name_);
    }
    bool registered() const { return registered_; }
    void set(QList<FakeInhibitor> list) { list_ = std::move(list); }
    void stall() { stalled_ = true; }
    void release() {
        stalled_ = false;
        for (const QDBusMessage& question : held_) answer(question);
        held_.clear();
    }
    int calls() const { return calls_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.member() != QLatin1String("ListInhibitors")) return false;
        ++calls_;
        if (stalled_) held_.push_back(message);
        else answer(message);
        return true;
    }

private:
    void answer(const QDBusMessage& question) {
        QDBusConnection(name_).send(question.createReply(QVariant::fromValue(list_)));
    }
    QString name_ = QStringLiteral("fake-login1");
    QList<FakeInhibitor> list_;
    QList<QDBusMessage> held_;
    bool stalled_ = false;
    bool registered_ = false;
    int calls_ = 0;
};

FakeInhibitor inhibitor(const char* what, const char* who, const char* why, uint pid) {
    return FakeInhibitor{QString::fromLatin1(what), QString::fromLatin1(who), QString::fromLatin1(why),
                         QStringLiteral("block"), 1000, pid};
}

TEST(LogindInhibitors, IdleLocksReadAsDisplayLocksOfTheirProcess) {
    REQUIRE_PRIVATE_BUS();
    FakeLogind logind({inhibitor("sleep:idle", "mpv", "Playing video", 4242),
                       inhibitor("sleep", "NetworkManager", "Suspend the network", 700),
                       inhibitor("handle-lid-switch", "gnome-settings", "External monitor", 701),
                       inhibitor("idle", "Firefox", "audio-playing", 4300)});
    ASSERT_TRUE(logind.registered());
    LogindInhibitors reader(kSlowMachineMs);
    EXPECT_EQ(reader.assertions(), std::nullopt) << "asked, not waited for";
    std::optional<std::vector<PowerAssertion>> locks;
    ASSERT_TRUE(waitFor([&] { return (locks = reader.assertions()).has_value(); }));
    ASSERT_EQ(locks->size(), 2u) << "only locks that hold off idleness";
    const PowerAssertion& first = locks->at(0);
    EXPECT_EQ(first.assertPid, 4242);
    EXPECT_EQ(first.type, QStringLiteral("PreventUserIdleDisplaySleep"));
    EXPECT_EQ(first.processName, QStringLiteral("mpv"));
    EXPECT_EQ(locks->at(1).assertPid, 4300);

    logind.set({});
    ASSERT_TRUE(waitFor([&] {
        const auto now = reader.assertions();
        return now && now->empty();
    }));
}

TEST(LogindInhibitors, AStalledServiceNeverHoldsUpTheCaller) {
    REQUIRE_PRIVATE_BUS();
    FakeLogind logind({inhibitor("idle", "mpv", "Playing video", 4242)});
    ASSERT_TRUE(logind.registered());
    LogindInhibitors reader;
    logind.stall();
    for (int scan = 0; scan < 3; ++scan) EXPECT_EQ(reader.assertions(), std::nullopt);
    logind.release();
    ASSERT_TRUE(waitFor([&] { return reader.assertions().has_value(); }));
    EXPECT_EQ(reader.assertions()->size(), 1u);
    EXPECT_LE(logind.calls(), 2) << "one question at a time, not one per scan";
}

// Run by the script with DBUS_SYSTEM_BUS_ADDRESS naming nothing.
TEST(LogindInhibitors, NoSystemBusIsAFailedQuestion) {
    REQUIRE_PRIVATE_BUS();
    LogindInhibitors reader;
    EXPECT_EQ(reader.assertions(), std::nullopt);
    EXPECT_EQ(reader.assertions(), std::nullopt);
}

// --- A fake MPRIS player on its own connection to the session bus. ---

// A player's PropertiesChanged, sent from the named connection.
void sendPlayerChange(const QString& connection, const QVariantMap& changed) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/mpris/MediaPlayer2"),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection(connection).send(signal);
}

class FakePlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
public:
    FakePlayer(const QString& suffix, const QString& status, const QString& title)
        : connection_(QStringLiteral("fake-player-") + suffix), status_(status), title_(title) {
        QDBusConnection bus =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connection_);
        ok_ = bus.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), this,
                                 QDBusConnection::ExportAllProperties) &&
              bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + suffix);
    }
    ~FakePlayer() override { leave(); }

    bool ok() const { return ok_; }
    QString playbackStatus() const { return status_; }
    QVariantMap metadata() const {
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath("/kp/track/1"))},
                {QStringLiteral("xesam:title"), title_},
                {QStringLiteral("xesam:artist"), QStringList{QStringLiteral("The Whiskers")}}};
    }
    double volume() const { return 0.5; }

    // Announces only what is given, as players often do.
    void changeStatus(const QString& status) {
        status_ = status;
        send({{QStringLiteral("PlaybackStatus"), status_}});
    }
    void changeTitle(const QString& title) {
        title_ = title;
        send({{QStringLiteral("Metadata"), metadata()}});
    }
    void changeVolume() { send({{QStringLiteral("Volume"), 0.25}}); }
    // Off the bus as a player would go: the object is taken off the bus's tree first, so the bus's
    // thread posts nothing more to it.
    void leave() {
        if (left_) return;
        left_ = true;
        QDBusConnection bus(connection_);
        bus.unregisterObject(QStringLiteral("/org/mpris/MediaPlayer2"));
        QDBusConnection::disconnectFromBus(connection_);
    }

private:
    void send(const QVariantMap& changed) { sendPlayerChange(connection_, changed); }
    QString connection_;
    QString status_;
    QString title_;
    bool ok_ = false;
    bool left_ = false;
};

struct Heard {
    std::optional<QString> state;
    std::optional<QString> name;
    bool video = false;
};

class MprisTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!privateBus()) GTEST_SKIP() << "needs the private buses of the media bus script";
    }
    // Replies and watchers left for later die now, while every bus connection of the case is
    // still there, not when the application is torn down.
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void listen(MprisPlayers& players) {
        players.start([this](const std::optional<QString>& state, const std::optional<QString>& name, bool video) {
            heard.push_back(Heard{state, name, video});
        });
    }
    bool hear(const QString& state, const std::optional<QString>& name) {
        return waitFor([&] { return !heard.empty() && heard.back().state == state && heard.back().name == name; });
    }
    std::vector<Heard> heard;
};

TEST_F(MprisTest, APlayerAlreadyPlayingIsHeardAtStartAndItsPartialChangesKeepTheRest) {
    FakePlayer player(QStringLiteral("purr"), QStringLiteral("Playing"), QStringLiteral("Purr Song"));
    ASSERT_TRUE(player.ok());
    MprisPlayers players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    listen(players);
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Purr Song")));

    player.changeStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Purr Song"))) << "the title is kept";
    player.changeTitle(QStringLiteral("Second Song"));
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Second Song")));

    // A volume change says nothing: the next thing heard is the status after it.
    const std::size_t before = heard.size();
    player.changeVolume();
    player.changeStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Second Song")));
    EXPECT_EQ(heard.size(), before + 1);
}

TEST_F(MprisTest, AnotherPlayerPausingDoesNotStopTheMusic) {
    MprisPlayers players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    listen(players);
    FakePlayer music(QStringLiteral("music"), QStringLiteral("Playing"), QStringLiteral("Long Song"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Long Song")));
    FakePlayer browser(QStringLiteral("browser"), QStringLiteral("Paused"), QStringLiteral("Clip"));
    ASSERT_TRUE(waitFor([&] { return players.playerCount() == 2; }));
    browser.changeStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Clip")));
    browser.changeStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Long Song"))) << "the other player still plays";
    music.changeStatus(QStringLiteral("Playing"));
    browser.leave();
    music.leave();
    ASSERT_TRUE(hear(QStringLiteral("Stopped"), std::nullopt)) << "a player that leaves has stopped";
    EXPECT_EQ(players.playerCount(), 0u);
}

// --- Malformed values from a player: read only when they have the type they must have. ---

struct OddPair {
    QString key;
    int value = 0;
};

}  // namespace
}  // namespace kp

Q_DECLARE_METATYPE(kp::OddPair)
using StringMap = QMap<QString, QString>;
using IntKeyedMap = QMap<int, QDBusVariant>;

QDBusArgument& operator<<(QDBusArgument& arg, const kp::OddPair& p) {
    arg.beginStructure();
    arg << p.key << p.value;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, kp::OddPair& p) {
    arg.beginStructure();
    arg >> p.key >> p.value;
    arg.endStructure();
    return arg;
}

namespace kp {
namespace {

// Three wrong shapes for a player's Metadata (a{sv} is right).
QList<QVariant> malformedMetadata() {
    qDBusRegisterMetaType<OddPair>();
    qDBusRegisterMetaType<StringMap>();
    qDBusRegisterMetaType<IntKeyedMap>();
    return {QVariant::fromValue(StringMap{{QStringLiteral("xesam:title"), QStringLiteral("As strings")}}),
            QVariant::fromValue(OddPair{QStringLiteral("xesam:title"), 7}),
            QVariant::fromValue(IntKeyedMap{{1, QDBusVariant(QStringLiteral("By number"))}})};
}

// A player whose properties are whatever the test hands it, answered for GetAll as they are.
class RawPlayer : public QDBusVirtualObject {
public:
    RawPlayer(const QString& suffix, QVariant getAllReply)
        : connection_(QStringLiteral("raw-player-") + suffix), reply_(std::move(getAllReply)) {
        QDBusConnection bus =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connection_);
        ok_ = bus.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), this) &&
              bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + suffix);
    }
    ~RawPlayer() override { QDBusConnection::disconnectFromBus(connection_); }
    bool ok() const { return ok_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("GetAll")) return false;
        connection.send(message.createReply(QVariantList{reply_}));
        return true;
    }
    void send(const QVariantMap& changed) { sendPlayerChange(connection_, changed); }

private:
    QString connection_;
    QVariant reply_;
    bool ok_ = false;
};

TEST_F(MprisTest, MalformedValuesChangeNothingAndLongTitlesAreCut) {
    MprisPlayers players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    listen(players);
    const QList<QVariant> wrong = malformedMetadata();

    // Answers to GetAll: a wrong Metadata beside a good status, and a reply that is no dictionary.
    RawPlayer first(QStringLiteral("oddone"),
                    QVariant::fromValue(QVariantMap{{QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")},
                                                    {QStringLiteral("Metadata"), wrong[0]}}));
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(hear(QStringLiteral("Paused"), std::nullopt));
    RawPlayer second(QStringLiteral("oddtwo"), wrong[1]);
    ASSERT_TRUE(second.ok());
    ASSERT_TRUE(waitFor([&] { return players.playerCount() == 2; }));

    // Changes: a good title first, then each wrong shape, and a status that is no string.
    first.send({{QStringLiteral("Metadata"), QVariantMap{{QStringLiteral("xesam:title"), QStringLiteral("Good")}}}});
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Good")));
    for (const QVariant& metadata : wrong) first.send({{QStringLiteral("Metadata"), metadata}});
    first.send({{QStringLiteral("PlaybackStatus"), 3}});
    first.send({{QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")}});
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Good"))) << "the wrong values changed nothing";

    // A track whose address is a film file, then a video site's page, then a song.
    const auto track = [&](const char* title, const char* url) {
        first.send({{QStringLiteral("Metadata"), QVariantMap{{QStringLiteral("xesam:title"), QString::fromLatin1(title)},
                                                             {QStringLiteral("xesam:url"), QString::fromLatin1(url)}}}});
        return waitFor([&] { return heard.back().name == QString::fromLatin1(title); });
    };
    ASSERT_TRUE(track("Film", "file:///home/me/Videos/cats.mkv"));
    EXPECT_TRUE(heard.back().video);
    ASSERT_TRUE(track("Clip", "https://www.youtube.com/watch?v=abc"));
    EXPECT_TRUE(heard.back().video);
    ASSERT_TRUE(track("Song", "file:///home/me/Music/purr.ogg"));
    EXPECT_FALSE(heard.back().video);

    const QString longTitle(200 * 1024, QLatin1Char('x'));
    first.send({{QStringLiteral("Metadata"), QVariantMap{{QStringLiteral("xesam:title"), longTitle}}}});
    ASSERT_TRUE(waitFor([&] { return heard.back().name && heard.back().name->startsWith(QLatin1String("xxx")); }));
    EXPECT_LE(heard.back().name->size(), 200);
}

// --- The watcher on both fakes. ---

// A media watcher on the private session bus, scanned by hand.
struct WatcherOnTheBus {
    WatcherOnTheBus(PowerAssertions& locks, Processes& processes)
        : players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS")), watcher(locks, players, processes, scheduler) {
        watcher.start();
    }
    bool scanUntil(const MediaWatcher::Playing& playing) {
        return waitFor([&] {
            scheduler.advance(MediaWatcher::scanSeconds);
            return watcher.playing() == playing;
        });
    }
    MprisPlayers players;
    ManualScheduler scheduler;
    MediaWatcher watcher;
};

TEST_F(MprisTest, TheWatcherSeesTheVideoThenTheMusic) {
    FakeLogind logind({inhibitor("idle", "mpv", "Playing video", 4242)});
    ASSERT_TRUE(logind.registered());
    FakeProcesses processes;
    processes.paths[4242] = QStringLiteral("/usr/bin/mpv");
    processes.apps.push_back(RunningApp{4242, QStringLiteral("/usr/bin/mpv"), QStringLiteral("mpv"), true});
    LogindInhibitors locks(kSlowMachineMs);
    WatcherOnTheBus bus(locks, processes);
    MediaWatcher& watcher = bus.watcher;
    const auto scanUntil = [&](const MediaWatcher::Playing& playing) { return bus.scanUntil(playing); };
    ASSERT_TRUE(scanUntil(MediaWatcher::Playing::video(4242)));

    FakePlayer player(QStringLiteral("radio"), QStringLiteral("Playing"), QStringLiteral("Night Radio"));
    ASSERT_TRUE(waitFor([&] { return watcher.track() == QStringLiteral("Night Radio"); }));
    EXPECT_EQ(watcher.playing(), MediaWatcher::Playing::video(4242)) << "video wins over music";

    logind.set({});
    ASSERT_TRUE(scanUntil(MediaWatcher::Playing::music()));

    player.changeStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(waitFor([&] { return watcher.playing() == MediaWatcher::Playing::nothing(); }));
    EXPECT_EQ(watcher.track(), std::nullopt);
}

// --- The desktop session's list of screen-awake holders, as the desktop's power service keeps it. ---

class FakeSessionPower : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    explicit FakeSessionPower(QList<FakeInhibition> list) : list_(std::move(list)) {
        qDBusRegisterMetaType<FakeInhibition>();
        qDBusRegisterMetaType<QList<FakeInhibition>>();
        QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                            QStringLiteral("fake-power"));
        registered_ = bus.registerObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), this,
                                         QDBusConnection::ExportAllSlots) &&
                      bus.registerService(QStringLiteral("org.freedesktop.PowerManagement"));
    }
    ~FakeSessionPower() override {
        QDBusConnection bus(QStringLiteral("fake-power"));
        bus.unregisterService(QStringLiteral("org.freedesktop.PowerManagement"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-power"));
    }
    bool registered() const { return registered_; }
    void set(QList<FakeInhibition> list) { list_ = std::move(list); }

public slots:
    QList<FakeInhibition> ListInhibitions() { return list_; }

private:
    QList<FakeInhibition> list_;
    bool registered_ = false;
};

TEST_F(MprisTest, APlayerThatKeepsTheScreenAwakeThroughTheSessionShowsAVideo) {
    FakeSessionPower power({{QStringLiteral("Firefox"), QStringLiteral("Playing video")},
                            {QStringLiteral("Mail"), QStringLiteral("Downloading messages")}});
    ASSERT_TRUE(power.registered());
    FakeProcesses processes;
    LogindInhibitors logind(kSlowMachineMs);
    SessionInhibitions session(kSlowMachineMs);
    JoinedAssertions locks(logind, session);
    WatcherOnTheBus bus(locks, processes);
    const auto scanUntil = [&](const MediaWatcher::Playing& playing) { return bus.scanUntil(playing); };
    // The browser's player names no file, so its word alone would be music.
    FakePlayer player(QStringLiteral("firefox"), QStringLiteral("Playing"), QStringLiteral("A clip"));
    ASSERT_TRUE(scanUntil(MediaWatcher::Playing::video()));

    power.set({{QStringLiteral("Mail"), QStringLiteral("Downloading messages")}});
    ASSERT_TRUE(scanUntil(MediaWatcher::Playing::music()));
}

}  // namespace
}  // namespace kp

#include "MediaBusTest.moc"
