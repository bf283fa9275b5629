#include "audio/PetSoundPlayer.h"

#include "audio/ClipBank.h"
#include "audio/SplitMixRandom.h"
#include "audio/Synth.h"
#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Random.h"

#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace kp::audio {
namespace {

constexpr int kSoundCount = 23;

constexpr std::array<const char*, kSoundCount> kNames{
    "meow", "mew",   "purr",    "nom",    "lap",  "yawn",    "trill", "pop",
    "page", "chime", "growl",   "step",   "dig",  "scratch", "bounce", "thud",
    "sneeze", "thunder", "tap", "open", "close", "wear", "buy"};

// Player volume per sound, over the user's volume: for a recorded take, and for synthesis.
constexpr std::array<float, kSoundCount> kTakeGain{
    0.35f, 0.35f, 0.8f, 0.4f, 0.22f, 0.28f, 0.33f, 0.25f, 0.5f, 0.55f, 0.22f, 0.3f,
    0.16f, 0.14f, 0.22f, 0.2f, 0.3f, 0.32f, 0.2f, 0.14f, 0.14f, 0.3f, 0.12f};
constexpr std::array<float, kSoundCount> kSynthGain{
    0.32f, 0.32f, 0.5f, 0.4f, 0.22f, 0.28f, 0.32f, 0.25f, 0.5f, 0.55f, 0.32f, 0.3f,
    0.16f, 0.14f, 0.22f, 0.2f, 0.3f, 0.32f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f};

std::size_t index(PetSound s) { return std::size_t(s); }

bool isOneOf(PetSound s, std::initializer_list<PetSound> list) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

// Voice-like sounds get a small random spread of rate.
bool spreads(PetSound s) {
    using enum PetSound;
    return isOneOf(s, {meow, mew, nom, lap, yawn, trill, pop, growl, step});
}

// Sounds whose synthesis ignores the pitch.
bool fixedPitch(PetSound s) {
    using enum PetSound;
    return isOneOf(s, {page, chime, dig, scratch, bounce, thud, sneeze, thunder, tap, open, close,
                       wear, buy});
}

// Noisy sounds kept in three independent renderings.
bool hasVariants(PetSound s) {
    using enum PetSound;
    return isOneOf(s, {dig, scratch, bounce, thud});
}

QString shortestDecimal(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    QString text = QString::fromLatin1(buf, int(res.ptr - buf));
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'n') && !text.contains(u'i'))
        text += QStringLiteral(".0");
    return text;
}

}  // namespace

PetSoundPlayer::PetSoundPlayer(Defaults& store, Clock& clock, RandomSource& random, ClipBank& clips,
                               std::unique_ptr<AudioOutput> output, SampleMaker maker, QObject* parent)
    : QObject(parent),
      store_(store),
      clock_(clock),
      random_(random),
      clips_(clips),
      engine_(std::make_unique<AudioEngine>(std::move(output))),
      purredAt_(-std::numeric_limits<double>::infinity()),
      maker_(maker ? std::move(maker) : SampleMaker(&PetSoundPlayer::makeSamples)) {
    for (int i = 0; i < kVoices; ++i) {
        PlayerNode* node = engine_->makePlayer();
        VarispeedNode* speed = engine_->makeVarispeed();
        engine_->connect(node, speed);
        engine_->connect(speed, engine_->mainMixer());
        nodes_[std::size_t(i)] = node;
        speeds_[std::size_t(i)] = speed;
    }
    quietTimer_ = new QTimer(this);
    quietTimer_->setSingleShot(true);
    connect(quietTimer_, &QTimer::timeout, this, &PetSoundPlayer::closeIfQuiet);
}

PetSoundPlayer::~PetSoundPlayer() {
    // No job may outlive the player; results already posted to it go with it unseen.
    jobs_.stop();
}

PetSoundPlayer& PetSoundPlayer::shared() {
    static PetSoundPlayer* player = [] {
        auto* made = new PetSoundPlayer(Defaults::standard(), SystemClock::shared(), SystemRandom::shared(),
                                        ClipBank::shared());
        closeWithSharedSound([made] { made->close(); });
        return made;
    }();
    return *player;
}

void PetSoundPlayer::close() {
    jobs_.stop();
    engine_->close();
    started_ = false;
    making_.clear();
    loading_.clear();
    quietTimer_->stop();
}

QString PetSoundPlayer::caseName(PetSound sound) {
    return QString::fromLatin1(kNames[index(sound)]);
}

bool PetSoundPlayer::isInterfaceSound(PetSound sound) {
    using enum PetSound;
    return isOneOf(sound, {page, tap, open, close, wear, buy});
}

std::optional<QString> PetSoundPlayer::clipName(PetSound sound, double pitch) {
    using enum PetSound;
    if ((sound == meow || sound == mew) && pitch >= 1.25) return QStringLiteral("cat-mew");
    if (isOneOf(sound, {meow, mew, purr, trill, growl})) return QStringLiteral("cat-") + caseName(sound);
    if (isOneOf(sound, {tap, open, close, wear, buy})) return QStringLiteral("ui-") + caseName(sound);
    return std::nullopt;
}

float PetSoundPlayer::takeGain(PetSound sound) { return kTakeGain[index(sound)]; }
float PetSoundPlayer::synthGain(PetSound sound) { return kSynthGain[index(sound)]; }

double PetSoundPlayer::pitchKey(PetSound sound, double rate, double pitch) {
    if (fixedPitch(sound)) return 1.0;
    return std::round(rate * pitch * 50.0) / 50.0;
}

QString PetSoundPlayer::cacheKey(PetSound sound, double pitchKey, int variant) {
    return caseName(sound) + u'-' + shortestDecimal(pitchKey) + u'-' + QString::number(variant);
}

Samples PetSoundPlayer::makeSamples(PetSound sound, double p, RandomSource& random) {
    using enum PetSound;
    switch (sound) {
    case meow: return synth::catVoice(synth::meowPreset(), p, random);
    case mew: return synth::catVoice(synth::mewPreset(), p, random);
    case yawn: return synth::catVoice(synth::yawnPreset(), p, random);
    case trill: return synth::catVoice(synth::trillPreset(), p, random);
    case growl: return synth::catVoice(synth::growlPreset(), p, random);
    case purr: return synth::purr(random);
    case nom: return synth::nom(p, random);
    case lap: return synth::lap(random);
    case step: return synth::step(random);
    case page: return synth::page(random);
    case chime: return synth::chime();
    case pop:
    case tap:
    case open:
    case close:
    case wear:
    case buy: return synth::blip();
    case dig: return synth::dig(random);
    case scratch: return synth::scratch(random);
    case bounce: return synth::bounce(random);
    case thud: return synth::thud(random);
    case sneeze: return synth::sneeze(random);
    case thunder: return synth::thunder(random);
    }
    return {};
}

std::optional<int> PetSoundPlayer::pickTake(const QString& name, int count) {
    if (count <= 0) return std::nullopt;
    int i = random_.uniformInt(0, count - 1);
    auto last = lastTake_.constFind(name);
    if (count >= 2 && last != lastTake_.constEnd() && *last == i) i = (i + 1) % count;
    lastTake_[name] = i;
    return i;
}

void PetSoundPlayer::play(PetSound sound, double pitch) {
    const double kept = std::exchange(pitch_, pitch);
    play(sound);
    pitch_ = kept;
}

void PetSoundPlayer::play(PetSound sound) {
    using enum PetSound;
    const bool on = isInterfaceSound(sound) ? prefs::appSoundOn(store_) : prefs::soundOn(store_);
    if (!on) return;
    if (!(prefs::soundVolume(store_) > 0.001)) return;

    if (!startOutput()) return;  // tried again on the next request

    if (sound == purr) {
        const double now = clock_.monotonic();
        if (now - purredAt_ <= kPurrSpacing) return;
        purredAt_ = now;
    }

    const double rate = spreads(sound) ? random_.uniform(0.94, 1.06) : 1.0;
    choose({sound, rate, pitch_});
}

void PetSoundPlayer::choose(const Request& request) {
    using enum PetSound;
    const PetSound sound = request.sound;
    Played played{sound, 0, 1.0, 0.0f, false, {}, {}, -1, {}};
    if (auto name = clipName(sound, request.pitch)) {
        const std::vector<SampleBuffer>* takes = clips_.loaded(*name);
        if (!takes) {
            // Asked again while they are looked for: the first request plays once they are there.
            if (!loading_.contains(*name)) load(*name, request);
            return;
        }
        if (auto i = pickTake(*name, int(takes->size()))) {
            played.buffer = (*takes)[std::size_t(*i)];
            played.take = true;
            played.clip = *name;
            played.takeIndex = *i;
            played.rate = isOneOf(sound, {meow, mew, trill, growl})
                              ? request.rate * std::min(request.pitch, 1.15)
                              : 1.0;
        }
    }
    if (!played.take) {
        const double key = pitchKey(sound, request.rate, request.pitch);
        const int variant = hasVariants(sound) ? random_.uniformInt(0, 2) : 0;
        played.key = cacheKey(sound, key, variant);
        auto cached = cache_.constFind(played.key);
        if (cached == cache_.constEnd()) {
            make(std::move(played), key);
            return;
        }
        played.buffer = *cached;
    }
    start(std::move(played));
}

void PetSoundPlayer::load(const QString& name, const Request& request) {
    loading_.insert(name, request);
    holdOpenFromNow();
    // The folders may be slow to list, the takes slow to decode: the job has the bank's roots and
    // room, and no part of the bank, which stays on this thread.
    jobs_.post([this, name, roots = clips_.roots(), room = clips_.room()] {
        ClipBank::Found found;
        try {
            found = ClipBank::find(roots, name, room);
        } catch (...) {
            found = {};  // no room for them: the sound is synthesised
        }
        QMetaObject::invokeMethod(
            this, [this, name, found = std::move(found)]() mutable { arriveTakes(name, std::move(found)); },
            Qt::QueuedConnection);
    });
}

void PetSoundPlayer::arriveTakes(const QString& name, ClipBank::Found found) {
    clips_.keep(name, std::move(found));
    auto it = loading_.find(name);
    if (it == loading_.end()) return;
    const Request request = *it;
    loading_.erase(it);
    if (!startOutput()) return;
    choose(request);
}

void PetSoundPlayer::make(Played played, double pitchKey) {
    // Asked again while it is made: the first request plays it. The same buffer started twice at
    // the same moment would only sound louder.
    if (making_.contains(played.key)) return;
    // The shared generator stays on this thread: the job gets a seed and a generator of its own.
    const auto seed = std::uint64_t(random_.unit() * 9007199254740992.0);  // 2^53
    const QString key = played.key;
    const PetSound sound = played.sound;
    making_.insert(key, std::move(played));
    holdOpenFromNow();
    jobs_.post([this, maker = maker_, sound, pitchKey, seed, key] {
        SampleBuffer buffer;
        try {
            SplitMixSource random(seed);
            buffer = makeBuffer(maker(sound, pitchKey, random));
        } catch (...) {
            // No room for the samples (or the maker failed): the sound is skipped. Nothing may
            // leave the job, or the worker would take the app down with it.
            buffer.reset();
        }
        // Back on the player's thread: the graph is only driven from there.
        QMetaObject::invokeMethod(
            this, [this, key, buffer = std::move(buffer)] { arrive(key, buffer); }, Qt::QueuedConnection);
    });
}

void PetSoundPlayer::arrive(const QString& key, SampleBuffer buffer) {
    auto it = making_.find(key);
    if (it == making_.end()) return;
    Played played = std::move(*it);
    making_.erase(it);
    if (!buffer) {
        holdOpenFromNow();  // the output closes a while after the failure, as after a sound
        return;
    }
    cache_.insert(key, buffer);
    if (!startOutput()) return;
    played.buffer = std::move(buffer);
    start(std::move(played));
}

bool PetSoundPlayer::startOutput() {
    if (!started_) started_ = engine_->start();
    return started_;
}

void PetSoundPlayer::start(Played played) {
    const int i = nextNode_;
    nextNode_ = (i + 1) % kVoices;
    played.voice = i;
    const float gain = played.take ? takeGain(played.sound) : synthGain(played.sound);
    played.volume = float(std::clamp(prefs::soundVolume(store_), 0.0, 1.0)) * gain;
    PlayerNode* node = nodes_[std::size_t(i)];
    node->stop();
    speeds_[std::size_t(i)]->flush();  // nothing of the cut sound lingers in the rate converter
    speeds_[std::size_t(i)]->setRate(played.rate);
    node->setVolume(played.volume);
    node->scheduleBuffer(played.buffer);
    node->play();

    const double seconds = double(played.buffer->size()) / kSampleRate / std::max(0.05, played.rate);
    quietFrom_ = std::max(quietFrom_, clock_.monotonic() + seconds);
    quietTimer_->start(int((quietFrom_ - clock_.monotonic() + kQuietClose) * 1000.0));
    lastPlayed_ = std::move(played);
}

void PetSoundPlayer::holdOpenFromNow() {
    quietFrom_ = std::max(quietFrom_, clock_.monotonic());
    quietTimer_->start(int((quietFrom_ - clock_.monotonic() + kQuietClose) * 1000.0));
}

void PetSoundPlayer::closeIfQuiet() {
    if (!started_) return;
    if (making() > 0) {
        // A sound still being made or decoded will want the output; its arrival decides when it
        // may close.
        quietTimer_->start(int(kQuietClose * 1000.0));
        return;
    }
    const double left = quietFrom_ + kQuietClose - clock_.monotonic();
    if (left > 0.001) {
        quietTimer_->start(int(left * 1000.0) + 1);
        return;
    }
    engine_->pause();
    started_ = false;
}

}  // namespace kp::audio
