#include "audio/AudioGraph.h"

#include <samplerate.h>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

namespace kp::audio {

// ---------------------------------------------------------------------------------------------
// Messages between the driving thread and the render thread.

struct PlayerNode::Msg {
    enum class Op { schedule, play, pause, stop };
    Op op = Op::schedule;
    SampleBuffer buffer;
    Completion done;
    bool loops = false;
    bool fire = false;        // run `done` when disposed
    std::size_t pos = 0;      // render position in `buffer`
    Msg* link = nullptr;      // inbox / retired list
    Msg* next = nullptr;      // play queue
};

namespace {

template <typename T>
void pushFront(std::atomic<T*>& list, T* item) {
    T* head = list.load(std::memory_order_relaxed);
    do {
        item->link = head;
    } while (!list.compare_exchange_weak(head, item, std::memory_order_release,
                                         std::memory_order_relaxed));
}

// Takes a whole list in the order items were pushed.
template <typename T>
T* takeAll(std::atomic<T*>& list) {
    T* item = list.exchange(nullptr, std::memory_order_acquire);
    T* ordered = nullptr;
    while (item) {
        T* following = item->link;
        item->link = ordered;
        ordered = item;
        item = following;
    }
    return ordered;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void AudioNode::renderStereo(float* left, float* right, int frames) {
    render(left, frames);
    std::copy(left, left + frames, right);
}

void EffectNode::pull(float* out, int frames) {
    if (input_)
        input_->render(out, frames);
    else
        std::fill(out, out + frames, 0.0f);
}

void SmoothGain::apply(float* out, int frames, float* second) {
    const float target = target_.load(std::memory_order_acquire);
    if (!primed_) {
        current_ = aim_ = target;
        left_ = 0;
        primed_ = true;
    }
    if (target != aim_) {
        aim_ = target;
        const int ramp = ramp_.load(std::memory_order_relaxed);
        left_ = ramp > 0 ? ramp : std::max(frames, 1);
    }
    int i = 0;
    if (left_ > 0) {
        const int n = std::min(left_, frames);
        const float step = (aim_ - current_) / float(left_);
        for (; i < n; ++i) {
            current_ += step;
            out[i] *= current_;
            if (second) second[i] *= current_;
        }
        if ((left_ -= n) == 0) current_ = aim_;
    }
    if (current_ != 1.0f)
        for (; i < frames; ++i) {
            out[i] *= current_;
            if (second) second[i] *= current_;
        }
}

// ---------------------------------------------------------------------------------------------
// Player

PlayerNode::PlayerNode(AudioEngine& engine) : AudioNode(engine) {}

PlayerNode::~PlayerNode() {
    Msg* m = takeAll(inbox_);
    while (m) {
        Msg* following = m->link;
        delete m;
        m = following;
    }
    while (head_) {
        Msg* following = head_->next;
        delete head_;
        head_ = following;
    }
}

void PlayerNode::send(Msg* msg) {
    pushFront(inbox_, msg);
    if (!engine_.liveRendering()) {
        // Nobody renders now: apply at once, so state is never left waiting.
        takeCommands();
        engine_.drainRetired();
    }
}

void PlayerNode::scheduleBuffer(SampleBuffer buffer, bool loops, Completion done) {
    if (!buffer) return;
    auto* m = new Msg;
    m->op = Msg::Op::schedule;
    m->buffer = buffer;
    m->loops = loops;
    m->done = std::move(done);
    ++scheduled_;
    lastScheduled_ = std::move(buffer);
    send(m);
}

void PlayerNode::play() {
    playing_ = true;
    auto* m = new Msg;
    m->op = Msg::Op::play;
    send(m);
}

void PlayerNode::pause() {
    playing_ = false;
    auto* m = new Msg;
    m->op = Msg::Op::pause;
    send(m);
}

void PlayerNode::stop() {
    playing_ = false;
    scheduled_ = 0;
    auto* m = new Msg;
    m->op = Msg::Op::stop;
    send(m);
}

void PlayerNode::setVolume(float volume) {
    volume_ = volume;
    gain_.set(volume);
}

void PlayerNode::takeCommands() {
    Msg* m = takeAll(inbox_);
    while (m) {
        Msg* following = m->link;
        m->link = nullptr;
        switch (m->op) {
        case Msg::Op::schedule:
            m->next = nullptr;
            if (tail_)
                tail_->next = m;
            else
                head_ = m;
            tail_ = m;
            break;
        case Msg::Op::play:
            rendering_ = true;
            engine_.retire(m);
            break;
        case Msg::Op::pause:
            rendering_ = false;
            engine_.retire(m);
            break;
        case Msg::Op::stop:
            rendering_ = false;
            sounding_ = false;
            while (head_) {
                Msg* queued = head_;
                head_ = queued->next;
                queued->fire = true;
                engine_.retire(queued);
            }
            tail_ = nullptr;
            engine_.retire(m);
            break;
        }
        m = following;
    }
}

bool PlayerNode::idle() {
    takeCommands();
    return !rendering_ || !head_;
}

void PlayerNode::render(float* out, int frames) {
    takeCommands();
    // A sound starts at its own volume: only a change while it plays is smoothed.
    if (!sounding_) gain_.snap();
    int filled = 0;
    while (rendering_ && head_ && filled < frames) {
        Msg* seg = head_;
        const Samples& s = *seg->buffer;
        const std::size_t size = s.size();
        if (seg->pos < size) {
            const int n = int(std::min<std::size_t>(size - seg->pos, std::size_t(frames - filled)));
            std::memcpy(out + filled, s.data() + seg->pos, sizeof(float) * std::size_t(n));
            seg->pos += std::size_t(n);
            filled += n;
        }
        if (seg->pos >= size) {
            if (seg->loops && size > 0) {
                seg->pos = 0;
            } else {
                head_ = seg->next;
                if (!head_) tail_ = nullptr;
                seg->fire = true;
                engine_.retire(seg);
            }
        }
    }
    sounding_ = filled > 0;
    std::fill(out + filled, out + frames, 0.0f);
    gain_.apply(out, frames);
}

// ---------------------------------------------------------------------------------------------
// Varispeed

VarispeedNode::VarispeedNode(AudioEngine& engine) : EffectNode(engine), chunk_(256, 0.0f) {
    int error = 0;
    state_ = src_callback_new(&VarispeedNode::feed, SRC_SINC_FASTEST, 1, &error, this);
}

VarispeedNode::~VarispeedNode() {
    if (state_) src_delete(static_cast<SRC_STATE*>(state_));
}

void VarispeedNode::setRate(double rate) {
    rate_ = std::clamp(rate, 0.25, 4.0);
    target_.store(rate_, std::memory_order_relaxed);
}

long VarispeedNode::feed(void* self, float** data) {
    auto* node = static_cast<VarispeedNode*>(self);
    node->pull(node->chunk_.data(), int(node->chunk_.size()));
    *data = node->chunk_.data();
    return long(node->chunk_.size());
}

void VarispeedNode::render(float* out, int frames) {
    const double rate = target_.load(std::memory_order_relaxed);
    if (flush_.exchange(false, std::memory_order_acquire)) bypassed_ = true;  // reset before next use
    if (rate == 1.0 || !state_) {
        bypassed_ = true;
        pull(out, frames);
        return;
    }
    auto* st = static_cast<SRC_STATE*>(state_);
    // An idle voice costs nothing once the converter has let out what it held.
    if (input() && input()->idle()) {
        if (resting_ || quietFrames_ > 2048) {
            resting_ = true;
            std::fill(out, out + frames, 0.0f);
            return;
        }
        quietFrames_ += frames;
    } else {
        quietFrames_ = 0;
        if (resting_) {
            resting_ = false;
            src_reset(st);
        }
    }
    if (bypassed_ || rate != current_) {
        src_reset(st);
        bypassed_ = false;
        current_ = rate;
    }
    long got = src_callback_read(st, 1.0 / rate, frames, out);
    if (got < 0) got = 0;
    std::fill(out + got, out + frames, 0.0f);
}

// ---------------------------------------------------------------------------------------------
// Mixer

MixerNode::MixerNode(AudioEngine& engine)
    : AudioNode(engine), scratch_(kMaxFrames, 0.0f), scratchRight_(engine.channels() == 2 ? kMaxFrames : 0, 0.0f) {
    inputs_.reserve(16);
}

void MixerNode::render(float* out, int frames) {
    std::fill(out, out + frames, 0.0f);
    for (AudioNode* in : inputs_) {
        in->render(scratch_.data(), frames);
        for (int i = 0; i < frames; ++i) out[i] += scratch_[std::size_t(i)];
    }
    gain_.apply(out, frames);
}

void MixerNode::renderStereo(float* left, float* right, int frames) {
    if (scratchRight_.empty()) {  // a mono engine's mixer
        AudioNode::renderStereo(left, right, frames);
        return;
    }
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    for (AudioNode* in : inputs_) {
        in->renderStereo(scratch_.data(), scratchRight_.data(), frames);
        for (int i = 0; i < frames; ++i) {
            left[i] += scratch_[std::size_t(i)];
            right[i] += scratchRight_[std::size_t(i)];
        }
    }
    gain_.apply(left, frames, right);
}

// ---------------------------------------------------------------------------------------------
// Reverb

// Freeverb's tuning at 44.1 kHz; the second channel's lines are longer by the stereo spread.
struct ReverbNode::Impl {
    static constexpr std::array<int, 8> kCombs{1617, 1557, 1491, 1422, 1356, 1277, 1188, 1116};
    static constexpr std::array<int, 4> kAllPasses{225, 556, 441, 341};
    static constexpr int kSpread = 23;
    static constexpr float kInputGain = 0.015f;
    static constexpr float kDamp = 0.25f * 0.4f;

    struct Line {
        std::vector<float> buffer;
        int pos = 0;
        float low = 0;  // the comb's damping filter
    };
    std::array<Line, 16> combs;
    std::array<Line, 8> allPasses;
    std::vector<float> in = std::vector<float>(kMaxFrames);
    std::vector<float> channel = std::vector<float>(kMaxFrames);
    std::vector<float> dryIn = std::vector<float>(kMaxFrames);
    float feedback = 0, wet = 0, dry = 1;
    float mix = -1.0f, room = -1.0f;

    Impl() {
        for (int c = 0; c < 2; ++c) {
            for (std::size_t i = 0; i < kCombs.size(); ++i)
                combs[std::size_t(c) * 8 + i].buffer.assign(std::size_t(kCombs[i] + c * kSpread), 0.0f);
            for (std::size_t i = 0; i < kAllPasses.size(); ++i)
                allPasses[std::size_t(c) * 4 + i].buffer.assign(std::size_t(kAllPasses[i] + c * kSpread), 0.0f);
        }
    }

    void set(float newMix, float newRoom) {
        if (newMix == mix && newRoom == room) return;
        mix = newMix;
        room = newRoom;
        feedback = room * 0.28f + 0.7f;
        // Wet and dry shares as the classic tuning weighs them (wet x3, dry x2), summing to one.
        const float w = 3.0f * mix;
        const float d = 2.0f * (1.0f - mix);
        wet = w / (w + d);
        dry = d / (w + d);
    }

    // The eight combs of one channel run side by side (independent chains go faster together),
    // in stretches where no line wraps.
    void runCombs(int c, int frames) {
        std::array<float*, 8> line{};
        std::array<int, 8> pos{}, size{};
        std::array<float, 8> low{};
        for (std::size_t k = 0; k < 8; ++k) {
            Line& l = combs[std::size_t(c) * 8 + k];
            line[k] = l.buffer.data();
            pos[k] = l.pos;
            size[k] = int(l.buffer.size());
            low[k] = l.low;
        }
        for (int i = 0; i < frames;) {
            int run = frames - i;
            for (std::size_t k = 0; k < 8; ++k) run = std::min(run, size[k] - pos[k]);
            for (int j = 0; j < run; ++j) {
                const float x = in[std::size_t(i + j)];
                float acc = 0;
                for (std::size_t k = 0; k < 8; ++k) {
                    // A comb sounds what it took in one line length ago.
                    float* cell = line[k] + pos[k] + j;
                    const float held = *cell;
                    low[k] = (1.0f - kDamp) * held + kDamp * low[k];
                    *cell = x + feedback * low[k];
                    acc += held;
                }
                channel[std::size_t(i + j)] = acc;
            }
            i += run;
            for (std::size_t k = 0; k < 8; ++k)
                if ((pos[k] += run) == size[k]) pos[k] = 0;
        }
        for (std::size_t k = 0; k < 8; ++k) {
            combs[std::size_t(c) * 8 + k].pos = pos[k];
            combs[std::size_t(c) * 8 + k].low = low[k];
        }
    }

    void runAllPasses(int c, int frames) {
        for (std::size_t k = 0; k < 4; ++k) {
            Line& l = allPasses[std::size_t(c) * 4 + k];
            float* line = l.buffer.data();
            const int size = int(l.buffer.size());
            int pos = l.pos;
            for (int i = 0; i < frames;) {
                const int run = std::min(frames - i, size - pos);
                for (int j = 0; j < run; ++j) {
                    const float held = line[pos + j];
                    const float v = channel[std::size_t(i + j)] + 0.5f * held;
                    line[pos + j] = v;
                    channel[std::size_t(i + j)] = 1.5f * held - v;
                }
                i += run;
                if ((pos += run) == size) pos = 0;
            }
            l.pos = pos;
        }
    }

    // `left` holds the mono input; with `right` the two channels come out apart, else summed in
    // `left`.
    void render(float* left, float* right, int frames) {
        for (int i = 0; i < frames; ++i) {
            dryIn[std::size_t(i)] = left[i];
            in[std::size_t(i)] = 2.0f * kInputGain * left[i];
        }
        const float share = right ? wet : 0.5f * wet;
        for (int c = 0; c < 2; ++c) {
            runCombs(c, frames);
            runAllPasses(c, frames);
            float* out = right && c == 1 ? right : left;
            if (c == 1 && !right)
                for (int i = 0; i < frames; ++i) out[i] += share * channel[std::size_t(i)];
            else
                for (int i = 0; i < frames; ++i)
                    out[i] = share * channel[std::size_t(i)] + dry * dryIn[std::size_t(i)];
        }
    }
};

ReverbNode::ReverbNode(AudioEngine& engine) : EffectNode(engine), impl_(std::make_unique<Impl>()) {}
ReverbNode::~ReverbNode() = default;

void ReverbNode::setWetDryMix(float percent) {
    mix_ = std::clamp(percent, 0.0f, 100.0f);
    wet_.store(mix_ / 100.0f, std::memory_order_relaxed);
}

void ReverbNode::setRoomSize(float size) { room_.store(std::clamp(size, 0.0f, 1.0f)); }

void ReverbNode::render(float* out, int frames) { renderStereo(out, nullptr, frames); }

void ReverbNode::renderStereo(float* left, float* right, int frames) {
    pull(left, frames);
    impl_->set(wet_.load(std::memory_order_relaxed), room_.load(std::memory_order_relaxed));
#if defined(__SSE2__)
    // A tail left to ring in silence decays into denormals, which cost a hundred times more:
    // flush them to zero while the reverb runs.
    const unsigned int csr = _mm_getcsr();
    _mm_setcsr(csr | 0x8040);
    impl_->render(left, right, frames);
    _mm_setcsr(csr);
#else
    impl_->render(left, right, frames);
#endif
}

// ---------------------------------------------------------------------------------------------
// Engine

AudioEngine::AudioEngine(std::unique_ptr<AudioOutput> output, QObject* parent)
    : QObject(parent),
      output_(output ? std::move(output) : makeSystemOutput()),
      channels_(output_->channels() == 2 ? 2 : 1) {
    if (channels_ == 2) {
        left_.assign(kMaxFrames, 0.0f);
        right_.assign(kMaxFrames, 0.0f);
    }
    mainMixer_ = adopt<MixerNode>();
}

AudioEngine::~AudioEngine() {
    close();
    for (PlayerNode* p : players_) p->takeCommands();
    drainRetired();
}

void AudioEngine::close() {
    closed_ = true;
    if (running_) {
        output_->stop();
        while (busy_.test(std::memory_order_acquire)) std::this_thread::yield();
        running_ = false;
    }
    output_->close();
    if (notifier_.joinable()) {
        quit_ = true;
        wake_.release();
        notifier_.join();
    }
}

template <typename Node>
Node* AudioEngine::adopt() {
    auto node = std::make_unique<Node>(*this);
    Node* raw = node.get();
    nodes_.push_back(std::move(node));
    return raw;
}

PlayerNode* AudioEngine::makePlayer() {
    PlayerNode* player = adopt<PlayerNode>();
    players_.push_back(player);
    return player;
}

VarispeedNode* AudioEngine::makeVarispeed() { return adopt<VarispeedNode>(); }
MixerNode* AudioEngine::makeMixer() { return adopt<MixerNode>(); }
ReverbNode* AudioEngine::makeReverb() { return adopt<ReverbNode>(); }

template <typename Fn>
void AudioEngine::withRenderStopped(Fn&& fn) {
    if (!liveRendering()) {
        fn();
        return;
    }
    output_->stop();
    while (busy_.test(std::memory_order_acquire)) std::this_thread::yield();
    fn();
    if (!output_->start(*this)) running_ = false;
}

void AudioEngine::connect(AudioNode* from, MixerNode* to) {
    if (!from || !to || from == to) return;
    withRenderStopped([&] {
        if (std::find(to->inputs_.begin(), to->inputs_.end(), from) == to->inputs_.end())
            to->inputs_.push_back(from);
    });
}

void AudioEngine::connect(AudioNode* from, EffectNode* to) {
    if (!from || !to || from == to) return;
    withRenderStopped([&] { to->input_ = from; });
}

bool AudioEngine::start() {
    if (running_) return true;
    if (closed_) return false;
    if (output_->isLive() && !notifier_.joinable()) {
        // Without it no sound would tell it has finished: the engine does not run.
        try {
            notifier_ = std::thread([this] { notifierLoop(); });
        } catch (const std::system_error&) {
            return false;
        }
        notifierUp_ = true;
    }
    if (!output_->start(*this)) return false;
    running_ = true;
    return true;
}

void AudioEngine::pause() {
    if (!running_) return;
    output_->stop();
    while (busy_.test(std::memory_order_acquire)) std::this_thread::yield();
    running_ = false;
    for (PlayerNode* p : players_) p->takeCommands();
    drainRetired();
}

void AudioEngine::stop() {
    pause();
    for (PlayerNode* p : players_) p->stop();
}

void AudioEngine::renderOutput(float* out, int frames) {
    if (busy_.test_and_set(std::memory_order_acquire)) {
        // Another thread is mid-render (a hand-over between outputs): stay silent this once.
        std::fill(out, out + frames * channels_, 0.0f);
        return;
    }
    while (frames > 0) {
        const int n = std::min(frames, kMaxFrames);
        if (channels_ == 2) {
            mainMixer_->renderStereo(left_.data(), right_.data(), n);
            for (int i = 0; i < n; ++i) {
                out[2 * i] = left_[std::size_t(i)];
                out[2 * i + 1] = right_[std::size_t(i)];
            }
        } else {
            mainMixer_->render(out, n);
        }
        out += n * channels_;
        frames -= n;
    }
    busy_.clear(std::memory_order_release);
}

bool AudioEngine::renderOffline(float* out, int frames) {
    if (!running_ || output_->isLive()) {
        std::fill(out, out + frames * channels_, 0.0f);
        return false;
    }
    renderOutput(out, frames);
    drainRetired();
    return true;
}

Samples AudioEngine::renderOffline(int frames) {
    Samples out(std::size_t(std::max(frames, 0) * channels_), 0.0f);
    renderOffline(out.data(), frames);
    return out;
}

void AudioEngine::retire(PlayerNode::Msg* msg) {
    pushFront(retired_, msg);
    if (notifierUp_.load(std::memory_order_relaxed)) wake_.release();
}

void AudioEngine::drainRetired() {
    PlayerNode::Msg* m = takeAll(retired_);
    while (m) {
        PlayerNode::Msg* following = m->link;
        if (m->fire && m->done) m->done();
        delete m;
        m = following;
    }
}

void AudioEngine::notifierLoop() {
    for (;;) {
        wake_.acquire();
        drainRetired();
        if (quit_.load()) return;
    }
}

}  // namespace kp::audio
