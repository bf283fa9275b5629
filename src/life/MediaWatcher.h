#pragma once
// Is a video playing, is music playing, or nothing? Read from other processes' wake locks (a video
// player keeps the screen awake), the sound server's playing streams and the players' own word
// (a player may show a video), every 3 s and after every change a player tells.
//
// A scan first asks every source afresh and judges their answers. A change to video or music is
// published only when two consecutive scans agree, and they count only when at least a second
// apart or when the second is the timer's: a blip of a few player signals changes nothing. A
// return to nothing is published at once. Main thread only.
#include <QObject>
#include <QString>

#include <optional>

namespace kp {

class MusicPlayers;
class PowerAssertions;
class Processes;
class Scheduler;
struct PlayerState;

class MediaWatcher final : public QObject {
    Q_OBJECT
public:
    // video (with the playing application's process id when known), nothing or music.
    class Playing {
    public:
        enum class Kind { video, nothing, music };
        static Playing video(std::optional<long long> app = std::nullopt) { return Playing(Kind::video, app); }
        static Playing nothing() { return Playing(Kind::nothing, std::nullopt); }
        static Playing music() { return Playing(Kind::music, std::nullopt); }

        Kind kind() const { return kind_; }
        bool isVideo() const { return kind_ == Kind::video; }
        bool isMusic() const { return kind_ == Kind::music; }
        bool isNothing() const { return kind_ == Kind::nothing; }
        // The video's application; none for the other cases.
        std::optional<long long> app() const { return app_; }
        // Two videos are equal when their applications are (both unknown counts as equal).
        bool operator==(const Playing&) const = default;

    private:
        Playing(Kind kind, std::optional<long long> app) : kind_(kind), app_(app) {}
        Kind kind_;
        std::optional<long long> app_;
    };

    static constexpr double scanSeconds = 3.0;
    // Two agreeing scans closer than this count only when the second is the timer's.
    static constexpr double settleSeconds = 1.0;

    // The services and the scheduler must outlive the watcher. Nothing runs before `start()`.
    MediaWatcher(PowerAssertions& assertions, MusicPlayers& players, Processes& processes,
                 Scheduler& scheduler, QObject* parent = nullptr);
    ~MediaWatcher() override;

    // The app's watcher on logind, the desktop session, the sound server, the session's MPRIS
    // players, /proc and the X server.
    static MediaWatcher& shared();

    // Starts the 3 s scan and listens to the music players, then scans once. Later calls do nothing.
    void start();
    bool isStarted() const { return timer_ != 0; }

    // --- Published ---
    Playing playing() const { return playing_; }
    // The track a music player named while it said it was playing.
    const std::optional<QString>& track() const { return track_; }

    // --- The steps, open for the app's own checks ---
    // Scans once, as a player's change does, and publishes by the two-scan rule when the answers
    // are in.
    void refresh();
    // A scan is waiting for its answers.
    bool isScanning() const { return scanning_; }
    // What the wake locks and the players' word say right now.
    Playing scanAssertions(bool musicAppPlaying);
    bool musicAppPlaying() const { return musicAppPlaying_; }

    // The lower-cased substring rules.
    static bool isPlayerApp(const QString& text);
    static bool isExcluded(const QString& text);

signals:
    void playingChanged();
    void trackChanged();
    // After any published change.
    void changed();

private:
    struct ScanContext;
    void scan(bool fromTimer);
    void judge(bool fromTimer);
    // Reads the players: music and its track, or the video one of them shows.
    std::optional<Playing> readPlayers(ScanContext& scan);
    bool showsVideo(const PlayerState& player);
    QString processPath(long long pid, ScanContext& scan);
    std::optional<long long> browserOwner(const QString& text, long long pid, ScanContext& scan);

    PowerAssertions& assertions_;
    MusicPlayers& players_;
    Processes& processes_;
    Scheduler& scheduler_;

    Playing playing_ = Playing::nothing();
    std::optional<QString> track_;
    unsigned long long timer_ = 0;
    bool musicAppPlaying_ = false;
    Playing seen_ = Playing::nothing();
    // What `seen_` was first found at has held for `settleSeconds`.
    bool settled_ = false;
    unsigned long long settle_ = 0;
    bool scanning_ = false;
    // Scans asked for while one waited: one more runs after it (the timer's, when the timer asked).
    bool again_ = false;
    bool againFromTimer_ = false;
};

}  // namespace kp
