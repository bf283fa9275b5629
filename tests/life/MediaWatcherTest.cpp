// The media watcher on hand-made wake locks, processes and player announcements.
#include "life/MediaWatcher.h"
#include "platform/AudioStreams.h"
#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

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

class MediaWatcherTest : public ::testing::Test {
protected:
    MediaWatcherTest() : watcher(locks, players, processes, scheduler) {}

    void setLocks(std::vector<PowerAssertion> records) { locks.current = std::move(records); }
    void addApp(long long pid, const QString& path) {
        processes.paths[pid] = path;
        processes.apps.push_back(RunningApp{pid, path, {}, true});
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

TEST_F(MediaWatcherTest, AVideoShowsAtTheSecondScanAndNothingAtOnce) {
    addApp(200, QStringLiteral("/usr/bin/mpv"));
    watcher.start();
    setLocks({displayLock(200, QStringLiteral("mpv"), QStringLiteral("Playing video"))});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "one scan is not enough";
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(200));
    setLocks({});
    tick();
    EXPECT_EQ(watcher.playing(), Playing::nothing());
}

TEST_F(MediaWatcherTest, ADisplayLockIsAVideoForAPlayerOrAMediaReasonButNeverOurOwn) {
    processes.paths[20] = QStringLiteral("/usr/bin/presenter");
    setLocks({displayLock(20, QStringLiteral("presenter"), QStringLiteral("Slide show"))});
    EXPECT_EQ(scanOnce(), Playing::nothing());
    setLocks({displayLock(20, QStringLiteral("presenter"), QStringLiteral("Video Wake Lock"))});
    EXPECT_TRUE(scanOnce().isVideo());
    processes.own = 77;
    setLocks({displayLock(77, QStringLiteral("vlc"))});
    EXPECT_EQ(scanOnce(), Playing::nothing());
}

TEST_F(MediaWatcherTest, AHelpersVideoBelongsToTheApplicationThatStartedIt) {
    addApp(400, QStringLiteral("/usr/bin/epiphany"));
    addHelper(401, QStringLiteral("/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/WebKitWebProcess"), 400);
    setLocks({displayLock(401, {}, QStringLiteral("Playing video"))});
    EXPECT_EQ(scanOnce(), Playing::video(400));
    addApp(599, QStringLiteral("/opt/google/chrome/chrome"));
    addHelper(602, QStringLiteral("/opt/google/chrome/chrome_media_helper"), 599);
    setLocks({displayLock(602, {}, QStringLiteral("media playback"))});
    EXPECT_EQ(scanOnce(), Playing::video(599)) << "a helper in the application's own folder";
    // A windowless player started from a terminal is not the terminal's video.
    addApp(700, QStringLiteral("/usr/bin/xterm"));
    addHelper(701, QStringLiteral("/usr/bin/bash"), 700);
    addHelper(702, QStringLiteral("/usr/bin/vlc"), 701);
    setLocks({displayLock(702, QStringLiteral("vlc"))});
    EXPECT_EQ(scanOnce(), Playing::video());
}

TEST_F(MediaWatcherTest, APlayersWordIsMusicWithItsTrackUnlessItShowsAVideoAndAVideoWins) {
    watcher.start();
    players.announce(QStringLiteral("Playing"), QStringLiteral("Purr Song"));
    EXPECT_EQ(watcher.track(), QStringLiteral("Purr Song"));
    tick();
    EXPECT_EQ(watcher.playing(), Playing::music());
    players.announce(QStringLiteral("Paused"), QStringLiteral("Purr Song"));
    EXPECT_EQ(watcher.track(), std::nullopt);
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "a return to nothing shows at once";

    players.announce(QStringLiteral("Playing"), QStringLiteral("Cat clip"), true);
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video());
    EXPECT_EQ(watcher.track(), std::nullopt) << "no headphones for a film";

    addApp(200, QStringLiteral("/usr/bin/mpv"));
    players.announce(QStringLiteral("Playing"), QStringLiteral("Song"));
    setLocks({displayLock(200)});
    tick();
    tick();
    EXPECT_EQ(watcher.playing(), Playing::video(200));
}

TEST_F(MediaWatcherTest, APlayersQuickSignalsCountOnlyOnceTheyHaveHeldASecond) {
    watcher.start();
    players.announce(QStringLiteral("Playing"), QStringLiteral("Jingle"));
    players.announce(QStringLiteral("Playing"), QStringLiteral("Jingle"));
    players.announce(QStringLiteral("Playing"), QStringLiteral("Jingle"));
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "a blip of signals";
    scheduler.advance(MediaWatcher::settleSeconds);
    players.announce(QStringLiteral("Playing"), QStringLiteral("Jingle"));
    EXPECT_EQ(watcher.playing(), Playing::music());
}

SoundStream stream(long long pid, const char* application, bool corked = false, const char* role = "") {
    SoundStream s;
    s.pid = pid;
    s.application = QString::fromLatin1(application);
    s.name = QStringLiteral("Playback");
    s.corked = corked;
    s.role = QString::fromLatin1(role);
    return s;
}

TEST(MediaWatcherStreams, AProcessPlayingToTheOutputIsMusicUnlessItIsACallOrAToolOrPaused) {
    FakeStreamSource source;
    AudioStreams streams(source);
    FakeMusicPlayers players;
    FakeProcesses processes;
    ManualScheduler scheduler;
    MediaWatcher watcher(streams, players, processes, scheduler);
    watcher.start();
    const auto twoScans = [&](std::vector<SoundStream> now) {
        source.streams = std::move(now);
        scheduler.advance(MediaWatcher::scanSeconds);
        scheduler.advance(MediaWatcher::scanSeconds);
        return watcher.playing();
    };
    processes.paths[300] = QStringLiteral("/usr/bin/zoom");
    EXPECT_EQ(twoScans({stream(300, "zoom")}), Playing::nothing()) << "a call";
    processes.paths[301] = QStringLiteral("/usr/bin/paplay");
    EXPECT_EQ(twoScans({stream(301, "paplay", false, "event")}), Playing::nothing()) << "a desktop sound";
    EXPECT_EQ(twoScans({stream(301, "paplay", true)}), Playing::nothing()) << "paused";
    EXPECT_EQ(twoScans({stream(processes.own, "kettlepaw")}), Playing::nothing()) << "our own";
    EXPECT_EQ(twoScans({stream(300, "zoom"), stream(400, "mpv")}), Playing::music());
    EXPECT_EQ(twoScans({}), Playing::nothing());
    EXPECT_EQ(twoScans({stream(301, "paplay")}), Playing::music()) << "any program playing sound";
    source.streams.reset();
    scheduler.advance(MediaWatcher::scanSeconds);
    EXPECT_EQ(watcher.playing(), Playing::nothing()) << "no sound server";
}

}  // namespace
}  // namespace kp
