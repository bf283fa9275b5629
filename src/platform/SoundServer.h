#pragma once
// The app's one connection to the sound server (PulseAudio, or PipeWire's pulse server), shared by
// the sound it plays and by what it asks of other streams. One libpulse context on a main loop that
// a thread of the app's own runs: libpulse's threaded loop does not see when its thread cannot
// start, and then waits for it for ever. The connection keeps its audio to the socket rather than
// to memory shared with the server, so no pool of the server's is mapped into the app: what it
// reserves is its own pool. It is made when first wanted, made again after the server went away,
// and the server is never started for the app.
#include <pulse/context.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kp {

class SoundServer {
public:
    using Job = std::function<void(pa_context*)>;
    // Never destroyed: nothing waits on the server as the app ends.
    static SoundServer& shared();
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Runs `job` on the connection's thread with the context once it is connected, or with null
    // when it is not within `bound` or cannot be (why() says why). Never waits; jobs run in the
    // order given. False when the connection's thread cannot start: `job` then runs here and now,
    // with null.
    bool whenConnected(Job job, std::chrono::milliseconds bound);
    // Runs `job` on the connection's thread with the context as it is (null, or not connected
    // yet), for what was made there; here and now, with null, when that thread is not running.
    void onThread(Job job);
    // Why the connection was last not made, a sentence for the log: no server answers (and why
    // not), or what failed on the app's side; empty once it is made.
    std::string why() const;
    // Runs the jobs given so far, ends the connection and the thread, and returns once it has
    // ended; jobs given later run here and now, with null.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kp
