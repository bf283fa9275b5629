#pragma once
// Other processes' requests to keep the machine awake: a video player keeps the screen on, an
// audio player holds the audio output. Read afresh on every call.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kp {

// One assertion as a process holds it. Any field may be missing in a record the service hands out.
struct PowerAssertion {
    static constexpr const char* preventDisplaySleep = "PreventUserIdleDisplaySleep";
    static constexpr const char* audioOut = "audio-out";

    std::optional<long long> onBehalfOfPid;  // the process the assertion was made for
    std::optional<long long> assertPid;      // the process that made it
    std::optional<QString> trueType;         // the effective kind, when the service tells it
    std::optional<QString> type;             // the requested kind
    std::optional<QString> processName;
    std::optional<QString> assertName;       // the holder's reason text
    std::optional<QStringList> resourcesUsed;
    // From the desktop session's list, which names applications but no process.
    bool fromSessionList = false;
};

class PowerAssertions {
public:
    virtual ~PowerAssertions() = default;
    // Every assertion of every process, or none when the service cannot be asked.
    virtual std::optional<std::vector<PowerAssertion>> assertions() = 0;
    // Asks afresh; `ready` runs on the main thread once `assertions()` tells the answer (at once
    // when there is nothing to wait for). Each service bounds its own wait.
    virtual void refresh(std::function<void()> ready) { ready(); }
};

// Assertions set by hand; for tests.
class FixedPowerAssertions final : public PowerAssertions {
public:
    std::optional<std::vector<PowerAssertion>> assertions() override {
        ++calls;
        return current;
    }
    std::optional<std::vector<PowerAssertion>> current = std::vector<PowerAssertion>{};
    int calls = 0;
};

// Asked of a service on the bus. Never waits on the bus: each call answers with what the service
// said to the last question and asks again (one question at a time), so a stalled service costs
// the caller nothing; after `refresh` the first call answers with the reply to that question and
// asks nothing. None before the first answer and after a failed or unanswered question.
class BusAssertions : public PowerAssertions {
public:
    std::optional<std::vector<PowerAssertion>> assertions() override;
    void refresh(std::function<void()> ready) override;
    // The elements of a reply's first argument when it is a list of the given signature, each read
    // by `read` (which gives none to leave one out), at most `most` of them kept; none when the
    // reply is not such a list.
    template <typename T, typename Read>
    static std::optional<std::vector<T>> listOf(const QDBusMessage& reply, const char* signature, Read read,
                                                std::size_t most = 1024) {
        const auto list = listArgument(reply, signature);
        if (!list) return std::nullopt;
        std::vector<T> out;
        list->beginArray();
        while (!list->atEnd() && out.size() < most)
            if (std::optional<T> one = read(*list)) out.push_back(std::move(*one));
        // Lets go of the array's reader: the watchers read such replies all day.
        list->endArray();
        return out;
    }
    // A reply's first argument when it is a list of the given signature.
    static std::optional<QDBusArgument> listArgument(const QDBusMessage& reply, const char* signature);

protected:
    using Records = std::optional<std::vector<PowerAssertion>>;
    // `timeoutMs` bounds each call: one left unanswered that long counts as failed.
    BusAssertions(bool systemBus, const char* service, int timeoutMs)
        : systemBus_(systemBus), service_(service), timeoutMs_(timeoutMs) {}
    // Puts one question to the service through `call`; it ends when `answer` is called.
    virtual void ask() = 0;
    // Calls a method of one of the service's objects; `then` gets the reply, or an error when none
    // came in time.
    void call(const QString& path, const char* interface, const char* method,
              std::function<void(const QDBusMessage&)> then);
    // Ends the question under way: its records are the answer until the next one ends.
    void answer(Records records);

private:
    QDBusConnection bus() const;
    bool systemBus_;
    const char* service_;
    int timeoutMs_;
    QObject context_;  // owns the calls under way
    bool asking_ = false;
    bool unread_ = false;  // the last answer was asked for by `refresh` and not read yet
    std::vector<std::function<void()>> waiting_;
    Records last_;
};

// A list read from the reply to one method.
class ListAssertions : public BusAssertions {
protected:
    struct Question {
        bool systemBus;
        const char* service;
        const char* path;
        const char* interface;
        const char* method;
        // The reply's records; none when the reply is not the list it must be.
        Records (*read)(const QDBusMessage& reply);
    };
    ListAssertions(Question question, int timeoutMs)
        : BusAssertions(question.systemBus, question.service, timeoutMs), question_(question) {}

private:
    void ask() override;
    Question question_;
};

// systemd-logind's inhibitor locks on the system bus. A lock that blocks "idle" keeps the screen
// awake, so it reads as a display-sleep assertion held by the lock's process; the lock's "who" is
// the process name and its "why" the assertion name. Without a system bus or logind the answer is
// none. The bus connection is made once and kept.
class LogindInhibitors final : public ListAssertions {
public:
    // `timeoutMs` bounds each question: one left unanswered that long counts as failed.
    explicit LogindInhibitors(int timeoutMs = 2000);
    static LogindInhibitors& shared();
};

// The desktop session's own list of who keeps the screen awake, on the session bus
// (org.freedesktop.PowerManagement.Inhibit ListInhibitions: application and reason). Screensaver
// and portal inhibitions land there where the desktop offers that list. Each reads as a
// display-sleep assertion from the session list, without a process. Like the logind reader, it
// never waits on the bus and answers with the last reply; none where the session offers no list.
class SessionInhibitions final : public ListAssertions {
public:
    explicit SessionInhibitions(int timeoutMs = 2000);
    static SessionInhibitions& shared();
};

// GNOME's session manager, which keeps the desktop's inhibitors, those taken through the
// screensaver and portal interfaces included: each inhibitor is an object asked for its flags,
// and one that holds off idleness (flag 8) for its application id and reason. Each reads as a
// display-sleep assertion from the session list. Several calls make one question, which still
// never waits on the bus; an inhibitor gone between the calls is left out.
class SessionManagerInhibitors final : public BusAssertions {
public:
    explicit SessionManagerInhibitors(int timeoutMs = 2000);
    static SessionManagerInhibitors& shared();

private:
    struct Gathering;
    void ask() override;
    void askFlags(const std::shared_ptr<Gathering>& gathering, std::size_t at, const QString& path);
    void askText(const std::shared_ptr<Gathering>& gathering, std::size_t at, const QString& path,
                 const char* method, std::optional<QString> PowerAssertion::*field);
    void settle(Gathering& gathering);
};

// Both lists as one: none only when neither answers.
class JoinedAssertions final : public PowerAssertions {
public:
    JoinedAssertions(PowerAssertions& first, PowerAssertions& second) : first_(first), second_(second) {}
    std::optional<std::vector<PowerAssertion>> assertions() override;
    void refresh(std::function<void()> ready) override;

private:
    PowerAssertions& first_;
    PowerAssertions& second_;
};

}  // namespace kp
