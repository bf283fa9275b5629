#include "platform/AudioStreams.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/thread-mainloop.h>

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
// Everything below the lock belongs to the server's thread; `receiver` and `waiting` to the
// caller's.

struct PulseStreamSource::Impl {
    struct Gathering {
        Impl* impl;
        unsigned long long id;
        std::vector<SoundStream> streams;
    };

    int timeoutMs;
    QObject receiver;  // lives on the caller's thread; answers are posted to it
    struct Waiting {
        Done done;
        std::unique_ptr<QTimer> deadline;  // stopped with the answer, so an answered list wakes no one
    };
    std::map<unsigned long long, Waiting> waiting;
    unsigned long long next = 1;

    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    std::vector<unsigned long long> beforeReady;  // lists asked while connecting
    std::set<Gathering*> gathering;               // lists under way

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

    // On the server's thread, under the lock.
    void ask(unsigned long long id) {
        auto* g = new Gathering{this, id, {}};
        pa_operation* op = pa_context_get_sink_input_info_list(context, &Impl::streamInfo, g);
        if (!op) {
            delete g;
            post(id, std::nullopt);
            return;
        }
        gathering.insert(g);
        pa_operation_unref(op);
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
        delete g;
    }

    static void stateChanged(pa_context* c, void* data) {
        auto* impl = static_cast<Impl*>(data);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_READY) {
            for (unsigned long long id : impl->beforeReady) impl->ask(id);
            impl->beforeReady.clear();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            // The server is gone: what was asked will not be answered.
            for (unsigned long long id : impl->beforeReady) impl->post(id, std::nullopt);
            impl->beforeReady.clear();
            for (Gathering* g : impl->gathering) {
                impl->post(g->id, std::nullopt);
                delete g;
            }
            impl->gathering.clear();
        }
    }

    // Under the lock: a context that is connected or connecting, or none when it cannot be made.
    bool connect() {
        if (context) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (PA_CONTEXT_IS_GOOD(state)) return true;
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Kettlepaw");
        if (!context) return false;
        pa_context_set_state_callback(context, &Impl::stateChanged, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_unref(context);
            context = nullptr;
            return false;
        }
        return true;
    }
};

PulseStreamSource::PulseStreamSource(int timeoutMs) : impl_(std::make_unique<Impl>()) {
    impl_->timeoutMs = timeoutMs;
}

PulseStreamSource::~PulseStreamSource() {
    Impl& impl = *impl_;
    if (!impl.loop) return;
    // The server's thread ends first: nothing of it runs while the rest goes.
    pa_threaded_mainloop_stop(impl.loop);
    if (impl.context) {
        pa_context_set_state_callback(impl.context, nullptr, nullptr);
        pa_context_disconnect(impl.context);
        pa_context_unref(impl.context);
    }
    for (Impl::Gathering* g : impl.gathering) delete g;
    pa_threaded_mainloop_free(impl.loop);
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

    if (!impl.loop) {
        impl.loop = pa_threaded_mainloop_new();
        if (!impl.loop || pa_threaded_mainloop_start(impl.loop) < 0) {
            if (impl.loop) pa_threaded_mainloop_free(impl.loop);
            impl.loop = nullptr;
            impl.post(id, std::nullopt);
            return;
        }
    }
    pa_threaded_mainloop_lock(impl.loop);
    if (!impl.connect()) impl.post(id, std::nullopt);
    else if (pa_context_get_state(impl.context) == PA_CONTEXT_READY) impl.ask(id);
    else impl.beforeReady.push_back(id);
    pa_threaded_mainloop_unlock(impl.loop);
}

}  // namespace kp
