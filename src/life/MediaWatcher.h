#pragma once
// Is a video playing, is music playing, or nothing? Read from other processes' wake locks (a video
// player keeps the screen awake) and from the players' announcements (a player may say its track
// is a video), every 3 s.
//
// A change to video or music is published only when two consecutive scans agree; a return to
// nothing is published at once. Main thread only.
#include <QObject>
#include <QString>

#include <optional>

namespace kp {

class MusicPlayers;
class PowerAssertions;
class Processes;
class Scheduler;

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

    // The services and the scheduler must outlive the watcher. Nothing runs before `start()`.
    MediaWatcher(PowerAssertions& assertions, MusicPlayers& players, Processes& processes,
                 Scheduler& scheduler, QObject* parent = nullptr);
    ~MediaWatcher() override;

    // The app's watcher on logind, the session's MPRIS players, /proc and the X server.
    static MediaWatcher& shared();

    // Starts the 3 s scan and listens to the music players, then scans once. Later calls do nothing.
    void start();
    bool isStarted() const { return timer_ != 0; }

    // --- Published ---
    Playing playing() const { return playing_; }
    // The track a music player named while it said it was playing.
    const std::optional<QString>& track() const { return track_; }

    // --- The steps, open for the app's own checks ---
    // Scans once and publishes by the two-scan rule.
    void refresh();
    // What the wake locks and the players' word say right now.
    Playing scanAssertions(bool musicAppPlaying);
    // A player's announcement: its state ("Playing" counts), the track's name, and whether the
    // track is a video.
    void applyPlayerState(const std::optional<QString>& state, const std::optional<QString>& name,
                          bool video = false);
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
    bool videoAppPlaying_ = false;
    Playing seen_ = Playing::nothing();
};

}  // namespace kp
