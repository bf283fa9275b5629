#include "platform/AudioStreams.h"
#include "platform/SoundServer.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>

#include <chrono>
#include <future>
#include <map>
#include <set>

namespace kp {

namespace {

QString property(const pa_proplist* list, const char* key) {
    const char* value = list ? pa_proplist_gets(list, key) : nullptr;
    return value ? QString::fromUtf8(value).left(200) : QString();
}

}  // namespace

std::vector<PowerAssertion> AudioStreams::recordsOf(const std::vector<SoundStream>& streams) {
    std::vector<PowerAssertion> out;
    for (const SoundStream& s : streams) {
        if (s.corked || !s.pid) continue;
        if (s.role == QLatin1String("event") || s.role == QLatin1String("phone")) continue;
        PowerAssertion& a = out.emplace_back();
        a.assertPid = s.pid;
        a.processName = s.application.isEmpty() ? s.binary : s.application + QLatin1Char(' ') + s.binary;
        a.assertName = s.name;
        a.resourcesUsed = QStringList{QString::fromLatin1(PowerAssertion::audioOut)};
    }
    return out;
}

void AudioStreams::refresh(std::function<void()> ready) {
    std::weak_ptr<bool> alive = alive_;
    source_.list([this, alive, ready = std::move(ready)](std::optional<std::vector<SoundStream>> streams) {
        if (alive.expired()) return;
        last_.reset();
        if (streams) last_ = recordsOf(*streams);
        ready();
    });
}

AudioStreams& AudioStreams::shared() {
    static PulseStreamSource source;
    static AudioStreams instance(source);
    return instance;
}

// --- libpulse ---
// `asked` and the gatherings belong to the connection's thread; `receiver` and `waiting` to the
// caller's.

struct PulseStreamSource::Impl {
    struct Gathering {
        Impl* impl;
        unsigned long long id;
        std::vector<SoundStream> streams;
        pa_operation* operation = nullptr;
    };

    SoundServer& server;
    int timeoutMs;
    QObject receiver;  // lives on the caller's thread; answers are posted to it
    struct Waiting {
        Done done;
        std::unique_ptr<QTimer> deadline;  // stopped with the answer, so an answered list wakes no one
    };
    std::map<unsigned long long, Waiting> waiting;
    unsigned long long next = 1;
    std::set<Gathering*> gathering;  // lists under way
    // What the connection's jobs reach it through: emptied on the connection's thread as the source
    // goes, so a list still waiting for the connection then reaches nothing.
    std::shared_ptr<Impl*> self = std::make_shared<Impl*>(this);

    Impl(SoundServer& s, int timeout) : server(s), timeoutMs(timeout) {}

    // Hands a list's answer to the caller's thread.
    void post(unsigned long long id, std::optional<std::vector<SoundStream>> streams) {
        QMetaObject::invokeMethod(
            &receiver,
            [this, id, streams = std::move(streams)]() mutable {
                const auto it = waiting.find(id);
                if (it == waiting.end()) return;  // timed out
                Done done = std::move(it->second.done);
                waiting.erase(it);
                done(std::move(streams));
            },
            Qt::QueuedConnection);
    }

    // On the connection's thread. Lists the server dropped as it went are answered now.
    void ask(pa_context* context, unsigned long long id) {
        forget(PA_OPERATION_CANCELLED);
        if (!context) {
            post(id, std::nullopt);
            return;
        }
        auto* g = new Gathering{this, id, {}};
        g->operation = pa_context_get_sink_input_info_list(context, &Impl::streamInfo, g);
        if (!g->operation) {
            delete g;
            post(id, std::nullopt);
            return;
        }
        gathering.insert(g);
    }

    // On the connection's thread: the lists under way in `state` (all of them, with -1) are
    // answered as failed, and no answer of theirs reaches the source any more.
    void forget(int state) {
        for (auto it = gathering.begin(); it != gathering.end();) {
            Gathering* g = *it;
            if (state >= 0 && pa_operation_get_state(g->operation) != state) {
                ++it;
                continue;
            }
            pa_operation_cancel(g->operation);
            pa_operation_unref(g->operation);
            post(g->id, std::nullopt);
            delete g;
            it = gathering.erase(it);
        }
    }

    static void streamInfo(pa_context*, const pa_sink_input_info* info, int eol, void* data) {
        auto* g = static_cast<Gathering*>(data);
        Impl* impl = g->impl;
        if (eol == 0 && info) {
            SoundStream& s = g->streams.emplace_back();
            s.corked = info->corked != 0;
            bool ok = false;
            const long long pid = property(info->proplist, PA_PROP_APPLICATION_PROCESS_ID).toLongLong(&ok);
            if (ok && pid > 0) s.pid = pid;
            s.application = property(info->proplist, PA_PROP_APPLICATION_NAME);
            s.binary = property(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
            s.name = property(info->proplist, PA_PROP_MEDIA_NAME);
            s.role = property(info->proplist, PA_PROP_MEDIA_ROLE);
            return;
        }
        impl->gathering.erase(g);
        if (eol > 0) impl->post(g->id, std::move(g->streams));
        else impl->post(g->id, std::nullopt);
        pa_operation_unref(g->operation);
        delete g;
    }
};

PulseStreamSource::PulseStreamSource(int timeoutMs) : PulseStreamSource(SoundServer::shared(), timeoutMs) {}

PulseStreamSource::PulseStreamSource(SoundServer& server, int timeoutMs)
    : impl_(std::make_unique<Impl>(server, timeoutMs)) {}

PulseStreamSource::~PulseStreamSource() {
    // Nothing of the connection's reaches the source once it is gone; should the connection's
    // thread not answer, the source is left to it.
    auto forgotten = std::make_shared<std::promise<void>>();
    std::future<void> done = forgotten->get_future();
    Impl* impl = impl_.get();
    impl->server.onThread([impl, forgotten](pa_context*) {
        impl->forget(-1);
        *impl->self = nullptr;
        forgotten->set_value();
    });
    if (done.wait_for(std::chrono::seconds(2)) != std::future_status::ready) (void)impl_.release();
}

void PulseStreamSource::list(Done done) {
    Impl& impl = *impl_;
    const unsigned long long id = impl.next++;
    auto deadline = std::make_unique<QTimer>();
    deadline->setSingleShot(true);
    QObject::connect(deadline.get(), &QTimer::timeout, &impl.receiver, [&impl, id] {
        const auto it = impl.waiting.find(id);
        if (it == impl.waiting.end()) return;
        Done late = std::move(it->second.done);
        it->second.deadline.release()->deleteLater();  // it is still telling of its timeout
        impl.waiting.erase(it);
        late(std::nullopt);
    });
    deadline->start(impl.timeoutMs);
    impl.waiting.emplace(id, Impl::Waiting{std::move(done), std::move(deadline)});
    impl.server.whenConnected(
        [self = impl.self, id](pa_context* context) {
            if (Impl* at = *self) at->ask(context, id);
        },
        std::chrono::milliseconds(impl.timeoutMs));
}

}  // namespace kp
