#pragma once
// The sound server's playing streams as assertions on the audio output: a process that plays to
// it holds "audio-out", as a music player would.
#include "platform/PowerAssertions.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QObject;

namespace kp {

class SoundServer;

// One stream to the sound server, as its client described it.
struct SoundStream {
    bool corked = false;  // paused by its client
    std::optional<long long> pid;  // application.process.id
    QString application;  // application.name
    QString binary;       // application.process.binary
    QString name;         // media.name
    QString role;         // media.role: "music", "video", "event", "phone"...
};

// Where the streams are read.
class StreamSource {
public:
    using Done = std::function<void(std::optional<std::vector<SoundStream>>)>;
    virtual ~StreamSource() = default;
    // Lists the streams now; `done` runs on the main thread with them, or with none when the
    // server cannot be asked. It may run before `list` returns.
    virtual void list(Done done) = 0;
};

// Streams set by hand; for tests.
class FakeStreamSource final : public StreamSource {
public:
    void list(Done done) override {
        ++calls;
        done(streams);
    }
    std::optional<std::vector<SoundStream>> streams = std::vector<SoundStream>{};
    int calls = 0;
};

// PulseAudio, or PipeWire's pulse server, through the app's connection to it, whose thread talks
// to the server; the caller's thread never waits on it. A list not answered in `timeoutMs` counts
// as failed.
class PulseStreamSource final : public StreamSource {
public:
    explicit PulseStreamSource(int timeoutMs = 2000);
    PulseStreamSource(SoundServer& server, int timeoutMs);
    ~PulseStreamSource() override;
    PulseStreamSource(const PulseStreamSource&) = delete;
    PulseStreamSource& operator=(const PulseStreamSource&) = delete;
    void list(Done done) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The streams that play (not corked) as records using the audio output, held by their process,
// named by the application and the stream. Event sounds and calls are left out: they are the
// desktop's and the phone's, never music. Never waits: `assertions()` tells the last list and
// `refresh` asks for a new one.
class AudioStreams final : public PowerAssertions {
public:
    explicit AudioStreams(StreamSource& source) : source_(source) {}
    std::optional<std::vector<PowerAssertion>> assertions() override { return last_; }
    void refresh(std::function<void()> ready) override;
    static AudioStreams& shared();

    static std::vector<PowerAssertion> recordsOf(const std::vector<SoundStream>& streams);

private:
    StreamSource& source_;
    std::optional<std::vector<PowerAssertion>> last_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kp
