#include "platform/SoundServer.h"

#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/proplist.h>

#include <algorithm>
#include <iterator>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <sys/eventfd.h>
#include <unistd.h>

namespace kp {

namespace {
using Clock = std::chrono::steady_clock;

struct Entry {
    SoundServer::Job job;
    bool connected = false;  // waits for the connection
    std::chrono::milliseconds bound{0};
    Clock::time_point deadline;
};

std::string noAnswer(const std::string& why) { return "No sound server answers (" + why + ")"; }

std::string seconds(std::chrono::milliseconds bound) {
    return std::to_string(bound.count() / 1000) + "." + std::to_string(bound.count() % 1000 / 100) + " s";
}
}  // namespace

struct SoundServer::Impl {
    mutable std::mutex mutex;  // all but the thread's own
    std::deque<Entry> queue;
    std::thread thread;
    pa_mainloop* loop = nullptr;
    // What wakes the thread for what is given to it: its main loop's own wake-up is cleared as the
    // loop prepares, and one given just before that would wait for the next event.
    int wake = -1;
    bool quit = false;
    std::string why;

    // The thread's own.
    pa_context* context = nullptr;
    bool contextGone = false;
    std::vector<Entry> waiting;  // for the context to connect

    void say(std::string words) {
        std::lock_guard lock(mutex);
        why = std::move(words);
    }

    // Whether the thread runs (started now if need be); `why` says otherwise. Under the lock.
    bool started() {
        if (thread.joinable()) return true;
        if (!loop) loop = pa_mainloop_new();
        if (wake < 0) wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (!loop || wake < 0) {
            why = "libpulse could not make a main loop for the connection to the sound server";
            return false;
        }
        try {
            thread = std::thread([this] { run(); });
        } catch (const std::system_error& e) {
            why = "No thread could be started for the connection to the sound server (" + e.code().message() + ")";
            return false;
        }
        return true;
    }

    // False when no thread could be started: the job then ran here, without the context. One that
    // needs no connection starts no thread: nothing was made on one that is not there.
    bool give(Entry entry) {
        std::unique_lock lock(mutex);
        const bool threadStarts = quit || (entry.connected ? started() : thread.joinable());
        if (!quit && threadStarts) {
            queue.push_back(std::move(entry));
            ::eventfd_write(wake, 1);
            return true;
        }
        lock.unlock();
        entry.job(nullptr);
        return threadStarts;
    }

    void run() {
        pa_mainloop_api* api = pa_mainloop_get_api(loop);
        pa_io_event* woken = api->io_new(
            api, wake, PA_IO_EVENT_INPUT,
            [](pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void*) {
                eventfd_t given = 0;
                ::eventfd_read(fd, &given);  // what was given is taken after the dispatch
            },
            nullptr);
        for (;;) {
            std::deque<Entry> taken;
            bool quitting = false;
            {
                std::lock_guard lock(mutex);
                taken.swap(queue);
                quitting = quit;
            }
            for (Entry& entry : taken) take(std::move(entry));
            expire();
            if (quitting) break;
            if (pa_mainloop_prepare(loop, untilNextDeadline()) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        for (Entry& entry : std::exchange(waiting, {})) entry.job(nullptr);
        drop();
        api->io_free(woken);
    }

    void take(Entry entry) {
        if (contextGone) drop();
        if (!entry.connected) {
            entry.job(context);
            return;
        }
        if (!context && !connect()) {
            entry.job(nullptr);
            return;
        }
        if (pa_context_get_state(context) == PA_CONTEXT_READY)
            entry.job(context);
        else
            waiting.push_back(std::move(entry));
    }

    bool connect() {
        // The connection's audio goes through the socket: no pool of the server's is mapped.
        pa_proplist* properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_CONTEXT_FORCE_DISABLE_SHM, "yes");
        context = pa_context_new_with_proplist(pa_mainloop_get_api(loop), "Kettlepaw", properties);
        pa_proplist_free(properties);
        if (!context) {
            say("The connection to the sound server could not be set up: libpulse could not map its memory pool");
            return false;
        }
        pa_context_set_state_callback(context, &Impl::stateChanged, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            say(noAnswer(pa_strerror(pa_context_errno(context))));
            drop();
            return false;
        }
        return true;
    }

    void drop() {
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        context = nullptr;
        contextGone = false;
    }

    static void stateChanged(pa_context* c, void* data) {
        auto* impl = static_cast<Impl*>(data);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_READY) {
            impl->say({});
            for (Entry& entry : std::exchange(impl->waiting, {})) entry.job(c);
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            impl->say(noAnswer(pa_strerror(pa_context_errno(c))));
            impl->contextGone = true;  // let go of outside its own callback
            for (Entry& entry : std::exchange(impl->waiting, {})) entry.job(nullptr);
        }
    }

    // Jobs whose wait for the connection is over run without it.
    void expire() {
        const Clock::time_point now = Clock::now();
        std::vector<Entry> late;
        auto over = std::stable_partition(waiting.begin(), waiting.end(),
                                          [now](const Entry& e) { return e.deadline > now; });
        std::move(over, waiting.end(), std::back_inserter(late));
        waiting.erase(over, waiting.end());
        if (late.empty()) return;
        say(noAnswer("none within " + seconds(late.front().bound)));
        for (Entry& entry : late) entry.job(nullptr);
    }

    int untilNextDeadline() const {
        if (waiting.empty()) return -1;
        Clock::time_point next = Clock::time_point::max();
        for (const Entry& e : waiting) next = std::min(next, e.deadline);
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(next - Clock::now()).count();
        return int(std::clamp<long long>(left, 0, 60'000'000));
    }
};

SoundServer::SoundServer() : impl_(std::make_unique<Impl>()) {}

SoundServer::~SoundServer() {
    finish();
    if (impl_->loop) pa_mainloop_free(impl_->loop);
    if (impl_->wake >= 0) ::close(impl_->wake);
}

SoundServer& SoundServer::shared() {
    static auto* server = new SoundServer;
    return *server;
}

bool SoundServer::whenConnected(Job job, std::chrono::milliseconds bound) {
    return impl_->give(Entry{std::move(job), true, bound, Clock::now() + bound});
}

void SoundServer::onThread(Job job) { impl_->give(Entry{std::move(job), false, {}, {}}); }

std::string SoundServer::why() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->why;
}

void SoundServer::finish() {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->quit) return;
        impl_->quit = true;
        if (impl_->wake >= 0) ::eventfd_write(impl_->wake, 1);
    }
    if (impl_->thread.joinable()) impl_->thread.join();
}

}  // namespace kp
