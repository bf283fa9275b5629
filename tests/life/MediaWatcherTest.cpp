// The media watcher on hand-made wake locks, processes and player announcements.
#include "life/MediaWatcher.h"
#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace kp {
namespace {

using Playing = MediaWatcher::Playing;

PowerAssertion displayLock(long long pid, const QString& name = {}, const QString& reason = {}) {
    PowerAssertion a;
    a.assertPid = pid;
    a.type = QStringLiteral("PreventUserIdleDisplaySleep");
    if (!name.isEmpty()) a.processName = name;
    if (!reason.isEmpty()) a.assertName = reason;
    return a;
}

PowerAssertion audioLock(long long pid, const QString& name = {}) {
    PowerAssertion a;
    a.assertPid = pid;
    a.type = QStringLiteral("PreventUserIdleSystemSleep");
    a.resourcesUsed = QStringList{QStringLiteral("audio-out")};
    if (!name.isEmpty()) a.processName = name;
    return a;
}

class MediaWatcherTest : public ::testing::Test {
protected:
    MediaWatcherTest() : watcher(locks, players, processes, scheduler) {}

    void setLocks(std::vector<PowerAssertion> records) { locks.current = std::move(records); }
    void addApp(long long pid, const QString& path, bool regular = true) {
        processes.paths[pid] = path;
        processes.apps.push_back(RunningApp{pid, path, {}, regular});
    }
    void addHelper(long long pid, const QString& path, long long parent) {
        processes.paths[pid] = path;
        processes.parents[pid] = parent;
    }
    Playing scanOnce() { return watcher.scanAssertions(watcher.musicAppPlaying()); }
    void tick() { scheduler.advance(MediaWatcher::scanSeconds); }

    FixedPowerAssertions locks;
    FakeMusicPlayers players;
    FakeProcesses processes;
    ManualScheduler scheduler;
    MediaWatcher watcher;
};

TEST_F(MediaWatcherTest, VideoIsPublishedAtTheSecondScanAndNothingAtOnce) {
    addApp(200, QStringLiteral("/usr/bin/mpv"));
    QSignalSpy spy(&watcher, &MediaWatcher::playingChanged);
    watcher.start();
    EXPECT_EQ(locks.calls, 1);  // the scan at start

    setLocks({displayLock(200, QStringLiteral("mpv"), QStringLiteral("Playing video"))});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "one scan is not enough";
    EXPECT_EQ(spy.count(), 0);
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(200));
    EXPECT_EQ(spy.count(), 1);
    tick();
    EXPECT_EQ(spy.count(), 1) << "a steady state is not published again";

    setLocks({});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::nothing());
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(MediaWatcherTest, AnotherVideoAttributionAlsoNeedsTwoScansAndABriefBlipNeverShows) {
    addApp(200, QStringLiteral("/usr/bin/mpv"));
    addApp(300, QStringLiteral("/usr/bin/vlc"));
    setLocks({displayLock(200)});
    watcher.start();
    tick();
    ASSERT_EQ(watcher.playing(), Playing::video(200));

    setLocks({displayLock(300)});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(200));
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(300));

    // One scan of music between two of nothing publishes nothing new.
    setLocks({});
    tick();
    setLocks({audioLock(400, QStringLiteral("rhythmbox"))});
    tick();
    setLocks({});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::nothing());
}

TEST_F(MediaWatcherTest, DisplayLocksCountOnlyForPlayersOrMediaReasons) {
    processes.paths[20] = QStringLiteral("/usr/bin/presenter");
    setLocks({displayLock(20, QStringLiteral("presenter"), QStringLiteral("Slide show"))});
    EXPECT_EQ(scanOnce(), Playing::nothing());
    setLocks({displayLock(20, QStringLiteral("presenter"), QStringLiteral("Video Wake Lock"))});
    EXPECT_TRUE(scanOnce().isVideo());
    setLocks({displayLock(20, QStringLiteral("presenter"), QStringLiteral("HTMLMediaElement playback"))});
    EXPECT_TRUE(scanOnce().isVideo());

    // The effective kind decides over the requested one.
    PowerAssertion demoted = displayLock(30, QStringLiteral("vlc"));
    demoted.trueType = QStringLiteral("PreventUserIdleSystemSleep");
    setLocks({demoted});
    EXPECT_EQ(scanOnce(), Playing::nothing());
}

TEST_F(MediaWatcherTest, OwnLocksAreSkippedWhateverTheyHold) {
    processes.own = 77;
    PowerAssertion mine = displayLock(77, QStringLiteral("vlc"));
    mine.resourcesUsed = QStringList{QStringLiteral("audio-out")};
    setLocks({mine});
    EXPECT_EQ(scanOnce(), Playing::nothing());

    // Made by us for another process: that process decides.
    PowerAssertion forOther = displayLock(77, QStringLiteral("vlc"));
    forOther.onBehalfOfPid = 78;
    setLocks({forOther});
    EXPECT_EQ(scanOnce(), Playing::video());
    // Made by another process on our behalf: skipped.
    PowerAssertion forUs = displayLock(79, QStringLiteral("vlc"));
    forUs.onBehalfOfPid = 77;
    setLocks({forUs});
    EXPECT_EQ(scanOnce(), Playing::nothing());
    // Naming no process at all: skipped.
    PowerAssertion nobody;
    nobody.type = QStringLiteral("PreventUserIdleDisplaySleep");
    nobody.processName = QStringLiteral("vlc");
    setLocks({nobody});
    EXPECT_EQ(scanOnce(), Playing::nothing());
}

TEST_F(MediaWatcherTest, WebEngineHelpersBelongToTheApplicationThatStartedThem) {
    addApp(400, QStringLiteral("/usr/bin/epiphany"));
    addHelper(401, QStringLiteral("/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/WebKitWebProcess"), 400);
    setLocks({displayLock(401, {}, QStringLiteral("Playing video"))});
    EXPECT_EQ(scanOnce(), Playing::video(400));

    // No application above it: the video plays, attributed to no one.
    processes.parents.erase(401);
    EXPECT_EQ(scanOnce(), Playing::video());
}

TEST_F(MediaWatcherTest, BrowserHelpersInsideTheBrowsersFolderBelongToIt) {
    addApp(599, QStringLiteral("/opt/google/chrome/chrome"));
    addHelper(600, QStringLiteral("/opt/google/chrome/chrome"), 599);  // zygote
    addHelper(601, QStringLiteral("/opt/google/chrome/chrome"), 600);  // renderer
    setLocks({displayLock(601, QStringLiteral("chrome"), QStringLiteral("Video Wake Lock"))});
    EXPECT_EQ(scanOnce(), Playing::video(599));

    addHelper(602, QStringLiteral("/opt/google/chrome/chrome_media_helper"), 599);
    setLocks({displayLock(602, {}, QStringLiteral("media playback"))});
    EXPECT_EQ(scanOnce(), Playing::video(599));

    // A windowless player started from a terminal is not the terminal's video.
    addApp(700, QStringLiteral("/usr/bin/xterm"));
    addHelper(701, QStringLiteral("/usr/bin/bash"), 700);
    addHelper(702, QStringLiteral("/usr/bin/vlc"), 701);
    setLocks({displayLock(702, QStringLiteral("vlc"))});
    EXPECT_EQ(scanOnce(), Playing::video());
}

TEST_F(MediaWatcherTest, PlayerWordAloneGivesMusicWithTheTrack) {
    watcher.start();
    ASSERT_EQ(players.starts, 1);
    QSignalSpy trackSpy(&watcher, &MediaWatcher::trackChanged);
    players.announce(QStringLiteral("Playing"), QStringLiteral("Purr Song"));
    EXPECT_EQ(watcher.track(), QStringLiteral("Purr Song"));
    EXPECT_EQ(trackSpy.count(), 1);
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "the announcement's scan is the first of two";
    tick();
    EXPECT_EQ(watcher.playing(), Playing::music());

    // Already seen as music: a new song publishes nothing new, the track follows at once.
    players.announce(QStringLiteral("Playing"), QStringLiteral("Second Song"));
    EXPECT_EQ(watcher.playing(), Playing::music());
    EXPECT_EQ(watcher.track(), QStringLiteral("Second Song"));

    players.announce(QStringLiteral("Paused"), QStringLiteral("Second Song"));
    EXPECT_EQ(watcher.track(), std::nullopt);
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "a return to nothing shows at once";
    players.announce(QStringLiteral("Playing"), std::nullopt);
    EXPECT_EQ(watcher.track(), std::nullopt);
    EXPECT_TRUE(watcher.musicAppPlaying());
    players.announce(std::nullopt, QStringLiteral("Anything"));
    EXPECT_FALSE(watcher.musicAppPlaying());
    EXPECT_EQ(watcher.track(), std::nullopt);
}

TEST_F(MediaWatcherTest, VideoWinsOverMusic) {
    addApp(200, QStringLiteral("/usr/bin/mpv"));
    watcher.start();
    players.announce(QStringLiteral("Playing"), QStringLiteral("Song"));
    setLocks({audioLock(300, QStringLiteral("rhythmbox")), displayLock(200)});
    tick();
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(200));
}

TEST_F(MediaWatcherTest, APlayerShowingAVideoIsWatchedNotListenedTo) {
    watcher.start();
    players.announce(QStringLiteral("Playing"), QStringLiteral("Cat clip"), true);
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video());
    EXPECT_EQ(watcher.track(), std::nullopt) << "no headphones for a film";
    players.announce(QStringLiteral("Paused"), QStringLiteral("Cat clip"), true);
    EXPECT_EQ(watcher.playing(), Playing::nothing());
}

TEST_F(MediaWatcherTest, WithoutWakeLocksThePlayersDecideAlone) {
    locks.current = std::nullopt;
    watcher.start();
    players.announce(QStringLiteral("Playing"), QStringLiteral("Song"));
    tick();
    EXPECT_EQ(watcher.playing(), Playing::music());
    players.announce(QStringLiteral("Stopped"), std::nullopt);
    EXPECT_EQ(watcher.playing(), Playing::nothing());
}

TEST_F(MediaWatcherTest, StartingTwiceKeepsOneTimerAndAScanStaysCheap) {
    watcher.start();
    watcher.start();
    EXPECT_EQ(players.starts, 1);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    const int before = locks.calls;
    tick();
    EXPECT_EQ(locks.calls, before + 1);

    // Music and idle scans never list the applications; one process is looked up once per scan.
    PowerAssertion a = audioLock(50, QStringLiteral("rhythmbox"));
    PowerAssertion b = audioLock(50, QStringLiteral("rhythmbox"));
    processes.paths[50] = QStringLiteral("/usr/bin/rhythmbox");
    setLocks({a, b});
    processes.pathLookups = 0;
    tick();
    EXPECT_EQ(processes.appListings, 0);
    EXPECT_EQ(processes.pathLookups, 1);
}

TEST_F(MediaWatcherTest, AProcessWithoutAReadablePathIsKnownByItsNames) {
    // No executable path and no application: the lock's names still tell a player.
    setLocks({displayLock(900, QStringLiteral("Firefox"), QStringLiteral("audio-playing"))});
    EXPECT_EQ(scanOnce(), Playing::video());
    // An out-of-range identifier is never attributed.
    setLocks({displayLock(1LL << 40, QStringLiteral("mpv"))});
    EXPECT_EQ(scanOnce(), Playing::video());
}

TEST_F(MediaWatcherTest, AWatcherGoneBeforeItsPlayersIsNotCalled) {
    FakeMusicPlayers lasting;
    {
        MediaWatcher shortLived(locks, lasting, processes, scheduler);
        shortLived.start();
    }
    lasting.announce(QStringLiteral("Playing"), QStringLiteral("Song"));  // must not touch it
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

}  // namespace
}  // namespace kp
