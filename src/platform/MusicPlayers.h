#pragma once
// Players telling what they play: for each, its state ("Playing", "Paused", "Stopped"), the name of
// the track, whether the track's address is a video's, whether the player shows a picture, and its
// process.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace kp {

// One player as last heard.
struct PlayerState {
    std::optional<QString> status;
    std::optional<QString> title;
    // The track's address names a video file or a video site's page (a music site's is music).
    bool videoAddress = false;
    // What the player tells: whether it shows a picture now; none when it does not tell.
    std::optional<bool> showsPicture;
    // The process behind the player; none until known.
    std::optional<long long> pid;
    // When it last changed: a later change has a larger number.
    unsigned long long order = 0;

    bool playing() const { return status == QLatin1String("Playing"); }
};

class MusicPlayers {
public:
    using Listener = std::function<void()>;
    virtual ~MusicPlayers() = default;
    // Starts listening; `changed` runs on the main thread after any player's state, track or
    // address changed, or a player left. Called once.
    virtual void start(Listener changed) = 0;
    // Every player now known.
    virtual std::vector<PlayerState> players() const = 0;
    // Asks the players that play a video's address whether they show a picture; `ready` runs on
    // the main thread once they answered or their time ran out (at once when no one is asked).
    virtual void refresh(std::function<void()> ready) { ready(); }
};

// Players set by hand; for tests.
class FakeMusicPlayers final : public MusicPlayers {
public:
    void start(Listener changed) override {
        ++starts;
        listener_ = std::move(changed);
    }
    std::vector<PlayerState> players() const override {
        std::vector<PlayerState> out;
        for (const auto& [name, player] : players_) out.push_back(player);
        return out;
    }
    // The player `name` is now `state` (with a fresh order); the listener hears of it.
    void set(const QString& name, PlayerState state) {
        state.order = ++counter_;
        players_[name] = std::move(state);
        if (listener_) listener_();
    }
    void remove(const QString& name) {
        players_.erase(name);
        if (listener_) listener_();
    }
    // One player only, as the simplest players are heard.
    void announce(const std::optional<QString>& state, const std::optional<QString>& name, bool video = false) {
        PlayerState p;
        p.status = state;
        p.title = name;
        p.videoAddress = video;
        set(QStringLiteral("player"), p);
    }
    int starts = 0;

private:
    Listener listener_;
    std::map<QString, PlayerState> players_;
    unsigned long long counter_ = 0;
};

// MPRIS players on the session bus. Each player's last known status, title and address are kept,
// since a change often carries only one of them, with the process behind its bus connection. A
// track's address is a video's when it names a video file or a video site's page, unless the site
// is a music site. A player leaving the bus is forgotten. Nothing is polled: whether a player
// shows a picture is asked only by `refresh`.
class MprisPlayers final : public QObject, public MusicPlayers {
    Q_OBJECT
public:
    // `busAddress` empty: the session bus. `timeoutMs` bounds each question put to a player.
    explicit MprisPlayers(QString busAddress = {}, int timeoutMs = 2000, QObject* parent = nullptr);
    ~MprisPlayers() override;
    void start(Listener changed) override;
    std::vector<PlayerState> players() const override;
    void refresh(std::function<void()> ready) override;
    static MprisPlayers& shared();

    // The players now known, by their bus name; for checks.
    std::size_t playerCount() const { return players_.size(); }
    // Whether a track's address is a video's; for checks.
    static bool isVideoAddress(const QString& address);

private slots:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated, const QDBusMessage& message);

private:
    struct Player {
        QString owner;  // unique bus name, the sender of its signals
        QString address;  // the track's, as the player gave it
        PlayerState state;
    };
    void addPlayer(const QString& name, const QString& owner);
    void removePlayer(const QString& name);
    void fetch(const QString& name);
    void askProcess(const QString& name);
    // Applies properties of the player `name` and tells the listener when something it hears changed.
    void apply(const QString& name, const QVariantMap& properties);
    void ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then);

    QString address_;
    int timeoutMs_;
    QString connectionName_;
    Listener listener_;
    std::map<QString, Player> players_;
    unsigned long long counter_ = 0;
    bool started_ = false;
};

}  // namespace kp
