#pragma once
// KWin's own word on whether it composites. KWin keeps the compositing manager's selection while it
// suspends compositing (on the user's shortcut, a script's call or a full-screen game's wish), so
// the selection alone does not tell. Followed on the session bus without ever waiting on it: a
// KWin that is absent, silent or says something else than a yes or no leaves the selection to
// tell alone.
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QDBusMessage;
class QDBusServiceWatcher;

namespace kp {

class KWinCompositing final : public QObject {
    Q_OBJECT
public:
    // On the session bus, or on the bus at `busAddress`; a reply not come within `timeoutMs` is none.
    explicit KWinCompositing(QString busAddress = {}, int timeoutMs = 3000, QObject* parent = nullptr);
    ~KWinCompositing() override;
    static KWinCompositing& shared();

    // What KWin last said; none while no KWin runs or it has not answered yet.
    std::optional<bool> active() const { return active_; }
    // False only when a running KWin says it does not composite now.
    bool allows() const { return active_.value_or(true); }

signals:
    // allows() changed.
    void changed();

private slots:
    void toggled(const QDBusMessage& message);

private:
    void ownerChanged(const QString& owner);
    void ask();
    void set(std::optional<bool> active);

    QString connectionName_;
    QString address_;
    int timeoutMs_;
    QDBusServiceWatcher* watcher_ = nullptr;
    std::optional<bool> active_;
    std::uint64_t asked_ = 0;  // answers to an earlier question than the last are stale
};

}  // namespace kp
