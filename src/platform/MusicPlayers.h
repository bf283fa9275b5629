#pragma once
// Players announcing what they play: a state ("Playing", "Paused", "Stopped"), the name of the
// track, and whether the track is a video.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace kp {

class MusicPlayers {
public:
    using Listener = std::function<void(const std::optional<QString>& state,
                                        const std::optional<QString>& name, bool video)>;
    virtual ~MusicPlayers() = default;
    // Starts listening; every announcement goes to `listener` on the main thread. Called once.
    virtual void start(Listener listener) = 0;
};

// Announcements made by hand; for tests.
class FakeMusicPlayers final : public MusicPlayers {
public:
    void start(Listener listener) override {
        ++starts;
        listener_ = std::move(listener);
    }
    void announce(const std::optional<QString>& state, const std::optional<QString>& name, bool video = false) {
        if (listener_) listener_(state, name, video);
    }
    int starts = 0;

private:
    Listener listener_;
};

// MPRIS players on the session bus. Each player's last known status and title are kept, since a
// change often carries only one of them. After any change the listener hears "Playing" with that
// player's title while any player plays (the one that changed last, when it plays), else the
// changed player's own status and title; a player that leaves the bus counts as stopped. A track
// is a video when its address (xesam:url) names a video file or a video site's page.
// Only a change of what the listener would hear is passed on. Nothing is polled.
class MprisPlayers final : public QObject, public MusicPlayers {
    Q_OBJECT
public:
    // `busAddress` empty: the session bus.
    explicit MprisPlayers(QString busAddress = {}, QObject* parent = nullptr);
    ~MprisPlayers() override;
    void start(Listener listener) override;
    static MprisPlayers& shared();

    // The players now known, by their bus name; for checks.
    std::size_t playerCount() const { return players_.size(); }

private slots:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated, const QDBusMessage& message);

private:
    struct Player {
        QString owner;  // unique bus name, the sender of its signals
        std::optional<QString> status;
        std::optional<QString> title;
        bool video = false;
        unsigned long long order = 0;  // when it last changed
    };
    void addPlayer(const QString& name, const QString& owner);
    void removePlayer(const QString& name);
    void fetch(const QString& name);
    // Applies properties of the player `name` and tells the listener what changed.
    void apply(const QString& name, const QVariantMap& properties);
    // Tells the listener the state a player just reached, unless another player plays on.
    void announce(std::optional<QString> state, std::optional<QString> title, bool video);

    QString address_;
    QString connectionName_;
    Listener listener_;
    std::map<QString, Player> players_;
    unsigned long long counter_ = 0;
    bool started_ = false;
    std::optional<QString> lastState_;
    std::optional<QString> lastName_;
    bool lastVideo_ = false;
};

}  // namespace kp
