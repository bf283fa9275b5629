// The logind, desktop session and MPRIS readers against fakes on private buses, run by media_bus.sh, which starts
// those buses (KP_PRIVATE_BUS=1); the cases refuse to run on the user's own session.
#include "desktop/DesktopPlanWorld.h"
#include "life/MediaWatcher.h"
#include "platform/AudioStreams.h"
#include "platform/SoundServer.h"
#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"
#include "support/HeldBusService.h"

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
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <map>
#include <memory>
#include <set>

struct FakeInhibitor {
    QString what, who, why, mode;
    uint uid = 0;
    uint pid = 0;
};
Q_DECLARE_METATYPE(FakeInhibitor)

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

// --- A service on a private bus answering one method with the list it holds; stalled, it keeps
// its answers until released. ---

template <typename Item>
class FakeListService : public test::HeldBusService {
public:
    FakeListService(const char* busVariable, QString service, QString path, QString method, QList<Item> list)
        : HeldBusService(busVariable, std::move(service), std::move(path), std::move(method)), list_(std::move(list)) {
        qDBusRegisterMetaType<Item>();
        qDBusRegisterMetaType<QList<Item>>();
    }
    void set(QList<Item> list) { list_ = std::move(list); }

private:
    void answer(const QDBusMessage& question) override { bus().send(question.createReply(QVariant::fromValue(list_))); }
    QList<Item> list_;
};

// The login manager on the stand-in system bus.
struct FakeLogind : FakeListService<FakeInhibitor> {
    explicit FakeLogind(QList<FakeInhibitor> list)
        : FakeListService("DBUS_SYSTEM_BUS_ADDRESS", QStringLiteral("org.freedesktop.login1"),
                          QStringLiteral("/org/freedesktop/login1"), QStringLiteral("ListInhibitors"), std::move(list)) {}
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

// --- A fake MPRIS player on its own connection to the session bus: GetAll is answered with the
// properties it was given, right or wrong, and changes are announced with only what changed, as
// players often do. ---

class FakePlayer : public QDBusVirtualObject {
public:
    FakePlayer(const QString& suffix, QVariant properties)
        : connection_(QStringLiteral("fake-player-") + suffix), properties_(std::move(properties)) {
        QDBusConnection bus =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connection_);
        ok_ = bus.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), this) &&
              bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + suffix);
    }
    FakePlayer(const QString& suffix, const QString& status, const QString& title, const QString& address = {})
        : FakePlayer(suffix, QVariant::fromValue(QVariantMap{{QStringLiteral("PlaybackStatus"), status},
                                                             {QStringLiteral("Metadata"), metadata(title, address)}})) {}
    ~FakePlayer() override { leave(); }
    bool ok() const { return ok_; }

    static QVariantMap metadata(const QString& title, const QString& address = {}) {
        QVariantMap m{{QStringLiteral("xesam:title"), title}};
        if (!address.isEmpty()) m.insert(QStringLiteral("xesam:url"), address);
        return m;
    }
    void changeStatus(const QVariant& status) { send({{QStringLiteral("PlaybackStatus"), status}}); }
    void changeTitle(const QString& title, const QString& address = {}) {
        send({{QStringLiteral("Metadata"), metadata(title, address)}});
    }
    void changeVolume() { send({{QStringLiteral("Volume"), 0.25}}); }
    void send(const QVariantMap& changed) {
        if (properties_.typeId() == QMetaType::QVariantMap) {  // a later GetAll tells the same
            QVariantMap now = properties_.toMap();
            now.insert(changed);
            properties_ = now;
        }
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/mpris/MediaPlayer2"),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
        QDBusConnection(connection_).send(signal);
    }
    // Off the bus as a player would go: the object is taken off the bus's tree first, so the bus's
    // thread posts nothing more to it.
    void leave() {
        if (left_) return;
        left_ = true;
        QDBusConnection(connection_).unregisterObject(QStringLiteral("/org/mpris/MediaPlayer2"));
        QDBusConnection::disconnectFromBus(connection_);
    }

    // Whether it shows a picture, as mpv and VLC tell it; none: it does not tell.
    std::optional<bool> canSetFullscreen;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("Get") && message.arguments().value(1) == QLatin1String("CanSetFullscreen")) {
            connection.send(canSetFullscreen
                                ? message.createReply(QVariant::fromValue(QDBusVariant(*canSetFullscreen)))
                                : message.createErrorReply(QDBusError::UnknownProperty, QStringLiteral("not told")));
            return true;
        }
        if (message.member() != QLatin1String("GetAll")) return false;
        connection.send(message.createReply(QVariantList{properties_}));
        return true;
    }

private:
    QString connection_;
    QVariant properties_;
    bool ok_ = false;
    bool left_ = false;
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
        heard = &players;
        players.start([this] { ++changes; });
    }
    // The player now playing `title` in `status`, once there is one.
    std::optional<PlayerState> hear(const QString& status, const std::optional<QString>& title) {
        std::optional<PlayerState> found;
        waitFor([&] {
            for (const PlayerState& p : heard->players())
                if (p.status == status && p.title == title) found = p;
            return found.has_value();
        });
        return found;
    }
    MprisPlayers* heard = nullptr;
    int changes = 0;
};

TEST_F(MprisTest, PlayersAreHeardFromTheStartThroughPartialChangesUntilTheyLeave) {
    FakePlayer music(QStringLiteral("music"), QStringLiteral("Playing"), QStringLiteral("Long Song"));
    ASSERT_TRUE(music.ok());
    MprisPlayers players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    listen(players);
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Long Song"))) << "already playing at the start";
    music.changeStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Long Song"))) << "the title is kept";
    music.changeTitle(QStringLiteral("Second Song"));
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Second Song")));
    // A volume change and the same track again say nothing: the next thing heard is the status.
    const int before = changes;
    music.changeVolume();
    music.changeTitle(QStringLiteral("Second Song"));
    music.changeStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Second Song")));
    EXPECT_EQ(changes, before + 1);
    // The bus tells whose connection it is: this process's.
    ASSERT_TRUE(waitFor([&] { return players.players().at(0).pid.has_value(); }));
    EXPECT_EQ(players.players().at(0).pid, QCoreApplication::applicationPid());

    FakePlayer browser(QStringLiteral("browser"), QStringLiteral("Paused"), QStringLiteral("Clip"));
    ASSERT_TRUE(waitFor([&] { return players.playerCount() == 2; }));
    browser.changeStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Clip")));
    browser.leave();
    music.leave();
    ASSERT_TRUE(waitFor([&] { return players.players().empty(); })) << "a player that leaves is forgotten";
}

// --- Malformed values from a player: read only when they have the type they must have. ---

using StringMap = QMap<QString, QString>;
using IntKeyedMap = QMap<int, QDBusVariant>;
using OddPair = QPair<QString, int>;

// Three wrong shapes for a player's Metadata (a{sv} is right).
QList<QVariant> malformedMetadata() {
    qDBusRegisterMetaType<OddPair>();
    qDBusRegisterMetaType<StringMap>();
    qDBusRegisterMetaType<IntKeyedMap>();
    return {QVariant::fromValue(StringMap{{QStringLiteral("xesam:title"), QStringLiteral("As strings")}}),
            QVariant::fromValue(OddPair(QStringLiteral("xesam:title"), 7)),
            QVariant::fromValue(IntKeyedMap{{1, QDBusVariant(QStringLiteral("By number"))}})};
}

TEST_F(MprisTest, MalformedValuesChangeNothingAndLongTitlesAreCut) {
    MprisPlayers players(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    listen(players);
    const QList<QVariant> wrong = malformedMetadata();

    // Answers to GetAll: a wrong Metadata beside a good status, and a reply that is no dictionary.
    FakePlayer first(QStringLiteral("oddone"),
                     QVariant::fromValue(QVariantMap{{QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")},
                                                     {QStringLiteral("Metadata"), wrong[0]}}));
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(hear(QStringLiteral("Paused"), std::nullopt));
    FakePlayer second(QStringLiteral("oddtwo"), wrong[1]);
    ASSERT_TRUE(second.ok());
    ASSERT_TRUE(waitFor([&] { return players.playerCount() == 2; }));

    // Changes: a good title first, then each wrong shape, and a status that is no string.
    first.changeTitle(QStringLiteral("Good"));
    ASSERT_TRUE(hear(QStringLiteral("Paused"), QStringLiteral("Good")));
    for (const QVariant& metadata : wrong) first.send({{QStringLiteral("Metadata"), metadata}});
    first.changeStatus(3);
    first.changeStatus(QStringLiteral("Playing"));
    ASSERT_TRUE(hear(QStringLiteral("Playing"), QStringLiteral("Good"))) << "the wrong values changed nothing";

    // A track whose address is a film file, a video site's page, a music site's page under a video
    // site's name, then a song.
    const auto track = [&](const char* title, const char* url) {
        first.changeTitle(QString::fromLatin1(title), QString::fromLatin1(url));
        const auto heard = hear(QStringLiteral("Playing"), QString::fromLatin1(title));
        return heard && heard->videoAddress;
    };
    EXPECT_TRUE(track("Film", "file:///home/me/Videos/cats.mkv"));
    EXPECT_TRUE(track("Clip", "https://www.youtube.com/watch?v=abc"));
    EXPECT_FALSE(track("Album", "https://music.youtube.com/watch?v=abc"));
    EXPECT_FALSE(track("Song", "file:///home/me/Music/purr.ogg"));

    const QString longTitle(200 * 1024, QLatin1Char('x'));
    first.changeTitle(longTitle);
    const auto cut = hear(QStringLiteral("Playing"), longTitle.left(200));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->title->size(), 200);
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
    // One timer's scan, judged once its answers are in.
    MediaWatcher::Playing scanOnce() {
        scheduler.advance(MediaWatcher::scanSeconds);
        EXPECT_TRUE(waitFor([&] { return !watcher.isScanning(); }));
        return watcher.playing();
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

TEST_F(MprisTest, ALockTakenJustBeforeAScanShowsAtTheNextScan) {
    FakeLogind logind({});
    ASSERT_TRUE(logind.registered());
    FakeProcesses processes;
    processes.paths[4242] = QStringLiteral("/usr/bin/mpv");
    LogindInhibitors locks(kSlowMachineMs);
    WatcherOnTheBus bus(locks, processes);
    ASSERT_EQ(bus.scanOnce(), MediaWatcher::Playing::nothing());
    logind.set({inhibitor("idle", "mpv", "Playing video", 4242)});
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::nothing()) << "seen once";
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::video()) << "seen twice, by the scans' own answers";
    logind.set({});
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::nothing()) << "gone at the first scan";
}

TEST_F(MprisTest, AVideoAndMusicAtOnceTheVideoKeepsWinningUntilItsPlayerLeaves) {
    FixedPowerAssertions locks;
    FakeProcesses processes;
    WatcherOnTheBus bus(locks, processes);
    const long long self = QCoreApplication::applicationPid();
    auto film = std::make_unique<FakePlayer>(QStringLiteral("film"), QStringLiteral("Playing"), QStringLiteral("Cats"),
                                             QStringLiteral("file:///home/me/Videos/cats.mkv"));
    FakePlayer radio(QStringLiteral("radio"), QStringLiteral("Playing"), QStringLiteral("First Song"));
    ASSERT_TRUE(film->ok() && radio.ok());
    // The players' own connections are this process's: the video is its.
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video(self)));
    ASSERT_TRUE(waitFor([&] { return bus.watcher.track() == QStringLiteral("First Song"); }));

    radio.changeTitle(QStringLiteral("Second Song"));
    ASSERT_TRUE(waitFor([&] { return bus.watcher.track() == QStringLiteral("Second Song"); }));
    EXPECT_EQ(bus.watcher.playing(), MediaWatcher::Playing::video(self)) << "the music's next track";
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::video(self));
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::video(self));

    film.reset();
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::music()));
}

TEST_F(MprisTest, TheDesktopCatWatchesTheVideoInItsPlayersOwnWindow) {
    FixedPowerAssertions locks;
    FakeProcesses processes;
    WatcherOnTheBus bus(locks, processes);
    const long long self = QCoreApplication::applicationPid();
    FakePlayer film(QStringLiteral("film"), QStringLiteral("Playing"), QStringLiteral("Cats"),
                    QStringLiteral("file:///home/me/Videos/cats.mkv"));
    ASSERT_TRUE(film.ok());
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video(self)));

    // A large window of another application in front, the player's own behind it.
    test::DesktopPlanWorld desk;
    desk.addWindow(1, QRectF(100, 200, 800, 500), 4000);
    desk.addWindow(2, QRectF(700, 300, 640, 400), self);
    DesktopCat& cat = desk.make();
    desk.media = bus.watcher.playing();
    cat.react(desk.clock.now());
    EXPECT_EQ(cat.watchWindow, 2);
}

TEST_F(MprisTest, AVideosAddressIsMusicWhenThePlayerShowsNoPicture) {
    FixedPowerAssertions locks;
    FakeProcesses processes;
    WatcherOnTheBus bus(locks, processes);
    const long long self = QCoreApplication::applicationPid();
    const QString song = QStringLiteral("file:///home/me/Downloads/song.webm");
    FakePlayer player(QStringLiteral("mpv"), QStringLiteral("Playing"), QStringLiteral("Song"), song);
    ASSERT_TRUE(player.ok());

    // What the player tells.
    player.canSetFullscreen = false;
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::music())) << "no video output";
    player.canSetFullscreen = true;
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video(self)));

    // A player that does not tell: its process's windows.
    player.canSetFullscreen.reset();
    processes.windowsKnown = true;
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::music())) << "no window larger than an icon";
    processes.largeWindows.insert(self);
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video(self)));
}

TEST_F(MprisTest, AFifthOfASecondOfPlayerSignalsChangesNothingTheTimerConfirms) {
    FixedPowerAssertions locks;
    FakeProcesses processes;
    WatcherOnTheBus bus(locks, processes);
    int published = 0;
    QObject::connect(&bus.watcher, &MediaWatcher::playingChanged, [&] { ++published; });
    FakePlayer player(QStringLiteral("blip"), QStringLiteral("Stopped"), QStringLiteral("Chime"));
    ASSERT_TRUE(player.ok());
    const auto heardAll = [&](const char* status, const char* title) {
        return waitFor([&] {
            const auto all = bus.players.players();
            return !bus.watcher.isScanning() && !all.empty() && all[0].status == QLatin1String(status) &&
                   all[0].title == QLatin1String(title);
        });
    };
    ASSERT_TRUE(heardAll("Stopped", "Chime"));

    // A sound of a fifth of a second: three signals, each a scan.
    player.changeStatus(QStringLiteral("Playing"));
    player.changeTitle(QStringLiteral("Chime 2"));
    player.changeStatus(QStringLiteral("Stopped"));
    ASSERT_TRUE(heardAll("Stopped", "Chime 2"));
    EXPECT_EQ(published, 0);

    // Music that holds: the timer's scan confirms it.
    player.changeStatus(QStringLiteral("Playing"));
    player.changeTitle(QStringLiteral("Song"));
    player.changeTitle(QStringLiteral("Song 2"));
    ASSERT_TRUE(heardAll("Playing", "Song 2"));
    EXPECT_EQ(bus.watcher.playing(), MediaWatcher::Playing::nothing()) << "scans milliseconds apart";
    EXPECT_EQ(bus.scanOnce(), MediaWatcher::Playing::music());
    EXPECT_EQ(published, 1);
}

TEST_F(MprisTest, AVideoWhoseFirstSignalHasNoAddressIsNeverShownAsMusic) {
    FixedPowerAssertions locks;
    FakeProcesses processes;
    WatcherOnTheBus bus(locks, processes);
    std::vector<MediaWatcher::Playing> published;
    QObject::connect(&bus.watcher, &MediaWatcher::playingChanged, [&] { published.push_back(bus.watcher.playing()); });
    FakePlayer player(QStringLiteral("mpv"), QStringLiteral("Stopped"), QString());
    ASSERT_TRUE(player.ok());
    ASSERT_TRUE(waitFor([&] {
        const auto all = bus.players.players();
        return all.size() == 1 && all[0].pid && all[0].status && !bus.watcher.isScanning();
    }));

    // The player's first signals: playing, a title, then the address.
    player.changeStatus(QStringLiteral("Playing"));
    player.changeTitle(QStringLiteral("cats.mkv"));
    player.changeTitle(QStringLiteral("cats.mkv"), QStringLiteral("file:///home/me/Videos/cats.mkv"));
    ASSERT_TRUE(waitFor([&] {
        const auto all = bus.players.players();
        return !bus.watcher.isScanning() && !all.empty() && all[0].videoAddress;
    }));
    EXPECT_TRUE(published.empty());
    const long long self = QCoreApplication::applicationPid();
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video(self)));
    EXPECT_EQ(published, std::vector<MediaWatcher::Playing>{MediaWatcher::Playing::video(self)});
}

// --- The desktop session's list of screen-awake holders (application, reason), as the desktop's
// power service keeps it. ---

struct FakeSessionPower : FakeListService<QPair<QString, QString>> {
    explicit FakeSessionPower(QList<QPair<QString, QString>> list)
        : FakeListService("DBUS_SESSION_BUS_ADDRESS", QStringLiteral("org.freedesktop.PowerManagement"),
                          QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), QStringLiteral("ListInhibitions"),
                          std::move(list)) {}
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


// A connection of its own on the private session bus that owns `service`, with what `publish` puts
// at `path`, until it goes; the object leaves the bus's tree before the connection closes.
class OwnedName {
public:
    OwnedName(const char* connection, const char* service, const char* path,
              const std::function<bool(QDBusConnection&, const QString&)>& publish)
        : connection_(QString::fromLatin1(connection)), service_(QString::fromLatin1(service)),
          path_(QString::fromLatin1(path)) {
        QDBusConnection bus =
            QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), connection_);
        ok_ = publish(bus, path_) && bus.registerService(service_);
    }
    ~OwnedName() {
        QDBusConnection bus(connection_);
        bus.unregisterService(service_);
        bus.unregisterObject(path_, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(connection_);
    }
    bool ok() const { return ok_; }

private:
    QString connection_, service_, path_;
    bool ok_ = false;
};

// --- GNOME's session manager: a list of inhibitor objects, each asked on its own. ---

class FakeGnomeSession : public QDBusVirtualObject {
public:
    struct Held {
        QString app, why;
        uint flags = 0;
    };
    // Inhibitors by number; `listed` may name more than there are, as when one goes between calls.
    explicit FakeGnomeSession(std::map<int, Held> held) : held_(std::move(held)) {
        for (const auto& [n, h] : held_) listed.push_back(n);
    }
    bool registered() const { return name_.ok(); }
    void set(std::map<int, Held> held) {
        held_ = std::move(held);
        listed.clear();
        for (const auto& [n, h] : held_) listed.push_back(n);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (member == QLatin1String("GetInhibitors")) {
            QList<QDBusObjectPath> paths;
            for (int n : listed)
                paths << QDBusObjectPath(QStringLiteral("/org/gnome/SessionManager/Inhibitor%1").arg(n));
            connection.send(message.createReply(QVariant::fromValue(paths)));
            return true;
        }
        const auto it = held_.find(message.path().section(QStringLiteral("Inhibitor"), -1).toInt());
        QVariant value;
        if (it != held_.end()) {
            if (member == QLatin1String("GetAppId")) value = it->second.app;
            if (member == QLatin1String("GetReason")) value = it->second.why;
            if (member == QLatin1String("GetFlags")) value = it->second.flags;
        }
        connection.send(value.isValid() ? message.createReply(value)
                                        : message.createErrorReply(QDBusError::UnknownObject, QStringLiteral("gone")));
        return true;
    }
    std::vector<int> listed;

private:
    std::map<int, Held> held_;
    OwnedName name_{"fake-gnome", "org.gnome.SessionManager", "/org/gnome/SessionManager",
                    [this](QDBusConnection& bus, const QString& path) {
                        return bus.registerVirtualObject(path, this, QDBusConnection::SubPath);
                    }};
};

TEST_F(MprisTest, APlayerThatHoldsOffIdlenessInTheGnomeSessionShowsAVideo) {
    // 4 is suspend, 8 idle, 1 logout.
    FakeGnomeSession gnome({{1, {QStringLiteral("firefox"), QStringLiteral("video-playing"), 8 | 4}},
                            {2, {QStringLiteral("org.gnome.Nautilus"), QStringLiteral("Copying files"), 4}},
                            {3, {QStringLiteral("vlc"), QStringLiteral("Unsaved playlist"), 1}}});
    ASSERT_TRUE(gnome.registered());
    gnome.listed.push_back(9);  // listed, but gone before it is asked
    SessionManagerInhibitors reader(kSlowMachineMs);
    EXPECT_EQ(reader.assertions(), std::nullopt) << "asked, not waited for";
    std::optional<std::vector<PowerAssertion>> held;
    ASSERT_TRUE(waitFor([&] { return (held = reader.assertions()).has_value(); }));
    ASSERT_EQ(held->size(), 1u) << "only the inhibitor that holds off idleness";
    EXPECT_EQ(held->at(0).processName, QStringLiteral("firefox"));
    EXPECT_EQ(held->at(0).assertName, QStringLiteral("video-playing"));
    EXPECT_EQ(held->at(0).type, QStringLiteral("PreventUserIdleDisplaySleep"));
    EXPECT_TRUE(held->at(0).fromSessionList);

    // Through the watcher: the browser's player names no file, so only the inhibitor tells a video.
    FakeProcesses processes;
    LogindInhibitors logind(kSlowMachineMs);
    JoinedAssertions locks(logind, reader);
    WatcherOnTheBus bus(locks, processes);
    FakePlayer player(QStringLiteral("firefox"), QStringLiteral("Playing"), QStringLiteral("A clip"));
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::video()));
    gnome.set({{2, {QStringLiteral("org.gnome.Nautilus"), QStringLiteral("Copying files"), 4}}});
    ASSERT_TRUE(bus.scanUntil(MediaWatcher::Playing::music()));
    gnome.set({});
    ASSERT_TRUE(waitFor([&] {
        const auto now = reader.assertions();
        return now && now->empty();
    }));
}

// --- The sound server's streams, on the private PulseAudio of the script. ---

// A program playing silence to the server under the application name it is given, until it goes.
class Playback {
public:
    explicit Playback(const char* application) {
        process_.start(QStringLiteral("pacat"), {QStringLiteral("--playback"), QStringLiteral("--raw"),
                                                 QStringLiteral("--property=application.name=") + QLatin1String(application),
                                                 QStringLiteral("/dev/zero")});
    }
    ~Playback() {
        process_.kill();
        process_.waitForFinished();
    }
    bool started() { return process_.waitForStarted(); }
    long long pid() const { return process_.processId(); }

private:
    QProcess process_;
};

TEST(PulseStreams, PlayingStreamsAreReadWithTheirProcessAndACallIsNoMusic) {
    if (qEnvironmentVariable("KP_PRIVATE_PULSE") != QLatin1String("1"))
        GTEST_SKIP() << "needs the private sound server of the media bus script";
    PulseStreamSource source(kSlowMachineMs);
    const auto list = [&] {
        std::optional<std::optional<std::vector<SoundStream>>> got;
        source.list([&](std::optional<std::vector<SoundStream>> streams) { got = std::move(streams); });
        EXPECT_TRUE(waitFor([&] { return got.has_value(); }));
        return got ? *got : std::nullopt;
    };
    const auto now = list();
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(now->empty());

    Playback call("zoom");
    ASSERT_TRUE(call.started());
    std::optional<SoundStream> heard;
    ASSERT_TRUE(waitFor([&] {
        const auto streams = list();
        if (streams && !streams->empty()) heard = streams->front();
        return heard.has_value();
    }));
    EXPECT_EQ(heard->application, QStringLiteral("zoom"));
    EXPECT_EQ(heard->pid, call.pid());
    EXPECT_FALSE(heard->corked);

    // Through the watcher: the call is left out, a player counts.
    AudioStreams streams(source);
    FakeMusicPlayers players;
    FakeProcesses processes;
    ManualScheduler scheduler;
    MediaWatcher watcher(streams, players, processes, scheduler);
    watcher.start();
    const auto scanOnce = [&] {
        scheduler.advance(MediaWatcher::scanSeconds);
        EXPECT_TRUE(waitFor([&] { return !watcher.isScanning(); }));
        return watcher.playing();
    };
    EXPECT_EQ(scanOnce(), MediaWatcher::Playing::nothing());
    EXPECT_EQ(scanOnce(), MediaWatcher::Playing::nothing());
    Playback music("mpv");
    ASSERT_TRUE(music.started());
    ASSERT_TRUE(waitFor([&] { return scanOnce() == MediaWatcher::Playing::music(); }));
}

TEST(PulseStreams, NoServerIsAFailedList) {
    if (qEnvironmentVariable("KP_PRIVATE_PULSE") != QLatin1String("1"))
        GTEST_SKIP() << "needs the private sound server of the media bus script";
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/kp-no-sound-server");
    SoundServer connection;  // one of its own, to that server
    PulseStreamSource source(connection, kSlowMachineMs);
    for (int ask = 0; ask < 2; ++ask) {
        std::optional<std::optional<std::vector<SoundStream>>> got;
        source.list([&](std::optional<std::vector<SoundStream>> streams) { got = std::move(streams); });
        ASSERT_TRUE(waitFor([&] { return got.has_value(); }));
        EXPECT_FALSE(got->has_value()) << "asked again, still none";
    }
    if (server.isNull()) qunsetenv("PULSE_SERVER");
    else qputenv("PULSE_SERVER", server);
}

// A source let go of while its list still waits for a server that does not answer: the connection
// ends later, and what it had waiting reaches nothing of the source.
TEST(PulseStreams, ASourceLetGoOfWhileTheServerIsSilentIsNotReachedAfter) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QLocalServer silent;  // takes connections and says nothing
    ASSERT_TRUE(silent.listen(folder.filePath(QStringLiteral("pulse"))));
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", ("unix:" + silent.fullServerName()).toUtf8());
    int answered = 0;
    {
        SoundServer connection;
        {
            PulseStreamSource source(connection, 60000);
            source.list([&](std::optional<std::vector<SoundStream>>) { ++answered; });
            ASSERT_TRUE(waitFor([&] { return silent.hasPendingConnections(); }));
        }
        connection.finish();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(answered, 0);
    if (server.isNull()) qunsetenv("PULSE_SERVER");
    else qputenv("PULSE_SERVER", server);
}

}  // namespace
}  // namespace kp

