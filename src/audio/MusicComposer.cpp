#include "audio/MusicComposer.h"

#include "audio/Synth.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace kp::audio {
namespace {

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

constexpr std::array<int, 7> kMajor{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> kRaisedFourth{0, 2, 4, 6, 7, 9, 11};
constexpr std::array<int, 7> kNaturalMinor{0, 2, 3, 5, 7, 8, 10};

constexpr std::array<int, 8> kArpeggio{0, 1, 2, 3, 2, 1, 2, 1};
constexpr std::array<int, 6> kMelodySteps{-2, -1, -1, 1, 1, 2};

const MusicStyle& baseStyle(MusicMood mood) {
    static const std::array<MusicStyle, 6> styles{{
        {62, kMajor, {{0, 3, 4, 0}, {0, 5, 3, 4}, {3, 4, 0, 0}}, 80, 0.8, 0.8, 0.06, false},
        {60, kRaisedFourth, {{0, 1, 0, 1}, {0, 3, 5, 4}, {3, 4, 2, 5}}, 76, 0.7, 0.7, 0.07, false},
        {58, kMajor, {{0, 5, 3, 4}, {3, 0, 4, 5}, {0, 2, 3, 4}}, 70, 0.6, 0.65, 0.08, false},
        {63, kMajor, {{3, 0, 4, 5}, {5, 3, 0, 4}, {0, 3, 1, 4}}, 62, 0.5, 0.55, 0.13, false},
        {61, kMajor, {{0, 3, 0, 3}, {5, 3, 0, 0}, {3, 3, 0, 0}}, 52, 0.2, 0.35, 0.12, true},
        {57, kNaturalMinor, {{0, 5, 2, 6}, {0, 3, 0, 4}, {5, 3, 0, 0}}, 48, 0.25, 0.3, 0.14, true},
    }};
    return styles[std::size_t(mood)];
}

// Adds amplitude x sin(2 pi f t) x exp(-decay t) over n samples. Sine and decay advance by
// rotation and a constant ratio, re-anchored every 1024 samples so rounding never builds up.
void addPartial(std::vector<double>& acc, double frequency, double amplitude, double decay) {
    const std::size_t n = acc.size();
    const double w = kTwoPi * frequency / kRate;
    const double cw = std::cos(w), sw = std::sin(w);
    const double fall = std::exp(-decay / kRate);
    double c = 1.0, s = 0.0, env = amplitude;
    for (std::size_t i = 0; i < n; ++i) {
        if ((i & 1023) == 0) {
            c = std::cos(w * double(i));
            s = std::sin(w * double(i));
            env = amplitude * std::exp(-decay * double(i) / kRate);
        }
        acc[i] += env * s;
        const double nc = c * cw - s * sw;
        s = s * cw + c * sw;
        c = nc;
        env *= fall;
    }
}

std::string cacheKey(const MusicNote& note) {
    // Appended piece by piece: the one-expression form trips a false overlap warning in GCC 12 at -O3.
    char voice = 'b';
    switch (note.voice) {
    case MusicNote::Voice::bell: voice = 'b'; break;
    case MusicNote::Voice::piano: voice = 'p'; break;
    case MusicNote::Voice::pad: voice = 'd'; break;
    }
    std::string key(1, voice);
    key += std::to_string(note.midi);
    if (note.voice == MusicNote::Voice::pad) {
        key += '-';
        key += std::to_string((long long)(note.held * 10.0));
    }
    return key;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Styles and pitches

MusicStyle MusicComposer::style(MusicMood mood, bool rainy) {
    MusicStyle s = baseStyle(mood);
    if (rainy) {
        s.bpm *= 0.82;
        s.arp *= 0.7;
        s.melody *= 0.75;
        s.pad *= 1.3;
    }
    return s;
}

double MusicComposer::segmentSeconds(MusicMood mood, bool rainy) {
    return 4.0 * 4.0 * 60.0 / style(mood, rainy).bpm;
}

int MusicComposer::segmentSamples(MusicMood mood, bool rainy) {
    return int(segmentSeconds(mood, rainy) * kRate);
}

int MusicComposer::midi(int degree, const MusicStyle& style) {
    const int octave = degree >= 0 ? degree / 7 : -((6 - degree) / 7);  // floor(degree / 7)
    const int step = degree - 7 * octave;                              // 0...6
    return style.key + 12 * octave + style.scale[std::size_t(step)];
}

double MusicComposer::frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// ---------------------------------------------------------------------------------------------
// Composition

std::vector<MusicNote> MusicComposer::composeSegment(MusicMood mood, bool rainy) {
    const MusicStyle s = style(mood, rainy);
    const std::array<int, 4> p = s.progressions[std::size_t(progression % (long long)s.progressions.size())];
    if (rng.unit() < 0.4) ++progression;

    std::vector<MusicNote> notes;
    notes.reserve(96);
    std::vector<int> firstRhythm;
    for (int i = 0; i < int(p.size()); ++i) composeBar(s, i, p[std::size_t(i)], firstRhythm, notes);
    return notes;
}

void MusicComposer::composeBar(const MusicStyle& s, int bar, int root, std::vector<int>& firstRhythm,
                               std::vector<MusicNote>& notes) {
    const double beat = 60.0 / s.bpm;
    const double barSeconds = 4.0 * beat;
    const double start = bar * barSeconds;
    const int R = root;

    // Bass, and a fifth above it on beat three now and then.
    notes.push_back(MusicNote::piano(start, midi(R - 7, s), 0.5));
    if (!s.sparse && rng.unit() < 0.6) notes.push_back(MusicNote::piano(start + 2 * beat, midi(R - 3, s), 0.3));

    // Pad: root and fifth, held a little past the bar.
    notes.push_back(MusicNote::pad(start, midi(R, s), s.pad, barSeconds + 0.3));
    notes.push_back(MusicNote::pad(start, midi(R + 4, s), 0.8 * s.pad, barSeconds + 0.3));

    // Arpeggio over the seventh chord, one eighth at a time.
    const std::array<int, 4> chord{R, R + 2, R + 4, R + 6};
    for (int k = 0; k < 8; ++k) {
        if (k > 0 && !(rng.unit() < s.arp)) continue;
        const int tone = chord[std::size_t(kArpeggio[std::size_t(k)])];
        notes.push_back(MusicNote::piano(start + k * beat / 2, midi(tone, s), rng.closed(0.14, 0.2)));
    }

    // Melody rhythm: the third bar answers the first; the last bar closes.
    std::vector<int> rhythm;
    if (bar == 3) {
        rhythm = rng.unit() < 0.5 ? std::vector<int>{0, 6} : std::vector<int>{0};
    } else if (bar == 2) {
        rhythm = firstRhythm;
    } else {
        if (rng.unit() < 0.75) rhythm.push_back(0);
        for (int slot = 1; slot < 8; ++slot) {
            const double chance = (slot % 2 == 0 ? 0.75 : 0.28) * s.melody;
            if (rng.unit() < chance) rhythm.push_back(slot);
        }
        if (rhythm.empty()) rhythm.push_back(0);
        if (bar == 0) firstRhythm = rhythm;
    }

    // Melody pitches wander by small steps and settle on chord tones on strong eighths.
    static constexpr std::array<int, 8> kTargets{7, 14, 9, 16, 11, 18, 13, 20};
    for (int slot : rhythm) {
        melodyStep += kMelodySteps[std::size_t(rng.below(kMelodySteps.size()))];
        melodyStep = std::clamp(melodyStep, kMelodyLow, kMelodyHigh);
        if (bar == 3 || slot == 0 || slot == 4) {
            int best = R + kTargets[0];
            for (int t : kTargets)
                if (std::abs(R + t - melodyStep) < std::abs(best - melodyStep)) best = R + t;
            melodyStep = best;
        }
        const double base = slot == 0 ? 0.48 : 0.38;
        notes.push_back(MusicNote::bell(start + slot * beat / 2, midi(melodyStep, s), base + rng.closed(-0.05, 0.05)));
    }

    // Sparse moods: now and then a high bell in the empty space.
    if (s.sparse && rng.unit() < 0.3) {
        const auto n = rng.below(3);
        const auto m = rng.below(4);
        notes.push_back(MusicNote::bell(start + double(n + 1) * beat, midi(chord[m] + 14, s), 0.18));
    }
}

Samples MusicComposer::nextSegment(MusicMood mood, bool rainy) {
    const std::vector<MusicNote> notes = composeSegment(mood, rainy);
    return render(notes, segmentSeconds(mood, rainy));
}

std::vector<MusicNote> MusicComposer::storyNotes() {
    MusicStyle s;
    s.key = 58;
    s.scale = kMajor;
    auto m = [&](int degree) { return midi(degree, s); };
    std::vector<MusicNote> notes;

    // Four quiet sections.
    struct Bell {
        double offset;
        int degree;
    };
    static const std::vector<Bell> sectionBells[4] = {
        {{0, 9}, {1.75, 7}},
        {{0, 8}, {0.875, 7}, {1.75, 5}},
        {{0, 4}, {1.75, 7}, {2.625, 9}},
        {{0, 8}, {2.625, 6}},
    };
    constexpr int roots[4] = {5, 3, 0, 4};
    constexpr int walk[4] = {0, 2, 4, 2};
    for (int j = 0; j < 4; ++j) {
        const double t0 = 0.6 + 3.5 * j;
        const int D = roots[j];
        notes.push_back(MusicNote::piano(t0, m(D - 7), 0.38));
        notes.push_back(MusicNote::pad(t0, m(D), 0.05, 3.5));
        for (int k = 0; k < 4; ++k) notes.push_back(MusicNote::piano(t0 + 0.875 * k, m(D + walk[k]), 0.12));
        for (const Bell& b : sectionBells[j]) notes.push_back(MusicNote::bell(t0 + b.offset, m(b.degree), 0.3));
    }

    // The rise.
    notes.push_back(MusicNote::piano(14.2, m(-4), 0.45));
    notes.push_back(MusicNote::pad(14.2, m(3), 0.16, 3.2));
    notes.push_back(MusicNote::pad(14.2, m(5), 0.12, 3.2));
    constexpr int rise[4] = {3, 5, 7, 9};
    for (int k = 0; k < 8; ++k) notes.push_back(MusicNote::piano(14.2 + 0.425 * k, m(rise[k % 4]), 0.12 + 0.025 * k));

    // Home.
    notes.push_back(MusicNote::piano(17.6, m(-7), 0.5));
    notes.push_back(MusicNote::pad(17.6, m(0), 0.17, 3.9));
    notes.push_back(MusicNote::pad(17.6, m(4), 0.13, 3.9));
    constexpr int homeBells[4] = {7, 9, 11, 14};
    for (int k = 0; k < 4; ++k) notes.push_back(MusicNote::bell(17.6 + 0.8 * k, m(homeBells[k]), 0.36 + 0.03 * k));
    constexpr int homeArp[4] = {0, 2, 4, 6};
    for (int k = 0; k < 8; ++k) notes.push_back(MusicNote::piano(17.6 + 0.5 * k, m(homeArp[k % 4]), 0.15));

    // The last chord and its bells.
    notes.push_back(MusicNote::piano(21.5, m(-7), 0.55));
    notes.push_back(MusicNote::piano(21.5, m(-14), 0.35));
    notes.push_back(MusicNote::pad(21.5, m(0), 0.2, 3.6));
    notes.push_back(MusicNote::pad(21.5, m(4), 0.15, 3.6));
    notes.push_back(MusicNote::pad(21.5, m(6), 0.1, 3.6));
    constexpr int strum[5] = {0, 2, 4, 6, 7};
    for (int k = 0; k < 5; ++k) notes.push_back(MusicNote::piano(21.5 + 0.07 * k, m(strum[k]), 0.22));
    notes.push_back(MusicNote::bell(21.5, m(14), 0.42));
    notes.push_back(MusicNote::bell(22.6, m(11), 0.32));
    notes.push_back(MusicNote::bell(23.3, m(9), 0.3));
    notes.push_back(MusicNote::bell(24.0, m(7), 0.34));
    notes.push_back(MusicNote::bell(25.2, m(18), 0.14));
    return notes;
}

Samples MusicComposer::storyScore() {
    carry.clear();
    Samples out = render(storyNotes(), 28.0);
    // The film's tail must not ring on into the room music.
    carry.clear();
    return out;
}

// ---------------------------------------------------------------------------------------------
// Rendering

Samples MusicComposer::render(const std::vector<MusicNote>& notes, double seconds) {
    const std::size_t n = std::size_t(std::max(0.0, seconds) * kRate);
    Samples buffer(n + std::size_t(kTailSamples), 0.0f);
    const std::size_t fromCarry = std::min(carry.size(), buffer.size());
    for (std::size_t i = 0; i < fromCarry; ++i) buffer[i] += carry[i];
    for (const MusicNote& note : notes) {
        if (!(note.time >= 0)) continue;
        const std::size_t start = std::size_t(note.time * kRate);
        if (start >= buffer.size()) continue;
        const Samples& samples = renderNote(note);
        const float gain = float(note.velocity);
        const std::size_t count = std::min(samples.size(), buffer.size() - start);
        float* dst = buffer.data() + start;
        const float* src = samples.data();
        for (std::size_t i = 0; i < count; ++i) dst[i] += src[i] * gain;
    }
    carry.assign(buffer.begin() + std::ptrdiff_t(n), buffer.end());
    buffer.resize(n);
    ++renders_;
    trimCache();
    return buffer;
}

void MusicComposer::forgetNotes() {
    cache.clear();
    lastUse_.clear();
}

void MusicComposer::trimCache() {
    std::size_t total = 0;
    for (const auto& entry : cache) total += entry.second.size();
    if (total <= cacheLimit) return;
    std::vector<std::pair<std::uint64_t, const std::string*>> byAge;
    byAge.reserve(cache.size());
    for (const auto& entry : cache) {
        const auto used = lastUse_.find(entry.first);
        byAge.emplace_back(used == lastUse_.end() ? 0 : used->second, &entry.first);
    }
    std::sort(byAge.begin(), byAge.end());
    for (const auto& [used, key] : byAge) {
        if (total <= cacheLimit || used == renders_) break;
        const auto found = cache.find(*key);
        total -= found->second.size();
        lastUse_.erase(*key);
        cache.erase(found);
    }
}

const Samples& MusicComposer::renderNote(const MusicNote& note) {
    std::string key = cacheKey(note);
    lastUse_[key] = renders_ + 1;  // the render under way
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    const double f = frequency(note.midi);
    Samples samples;
    switch (note.voice) {
    case MusicNote::Voice::bell: samples = bell(f); break;
    case MusicNote::Voice::piano: samples = piano(f); break;
    case MusicNote::Voice::pad: samples = pad(f, note.held, 1.0); break;
    }
    return cache.emplace(std::move(key), std::move(samples)).first->second;
}

// ---------------------------------------------------------------------------------------------
// Voices

Samples MusicComposer::bell(double frequency) { return synth::bell(frequency); }

Samples MusicComposer::piano(double frequency) {
    constexpr int n = 154350;
    constexpr double amplitudes[6] = {1.0, 0.42, 0.22, 0.12, 0.07, 0.04};
    // Low notes ring longer.
    const double d = std::clamp(262.0 / frequency, 0.6, 1.4);
    std::vector<double> acc(std::size_t(n), 0.0);
    for (int k = 1; k <= 6; ++k) {
        if (!(k * frequency < 12000.0)) continue;
        addPartial(acc, k * frequency, amplitudes[k - 1], (0.9 + 0.8 * k) / d);
    }
    // A slightly sharp unison string.
    addPartial(acc, 1.0013 * frequency, 0.4, 1.1 / d);
    Samples out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / kRate;
        const double attack = std::min(t / 0.004, 1.0);
        const double release = i > 150350 ? (n - i) / 4000.0 : 1.0;
        out[std::size_t(i)] = float(attack * acc[std::size_t(i)] * release * 0.3);
    }
    return out;
}

Samples MusicComposer::pad(double frequency, double duration, double attack) {
    const double held = std::max(0.0, duration);
    const int n = int((1.6 + held) * kRate);
    std::vector<double> tone(std::size_t(n), 0.0);
    // A chorus of three slightly detuned sines and a soft octave.
    addPartial(tone, frequency, 1.0, 0.0);
    addPartial(tone, 1.003 * frequency, 1.0, 0.0);
    addPartial(tone, 0.997 * frequency, 1.0, 0.0);
    addPartial(tone, 2.0 * frequency, 0.25, 0.0);
    std::vector<double> swell(std::size_t(n), 0.0);
    addPartial(swell, 0.23, 0.15, 0.0);
    Samples out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / kRate;
        const double envelope = t <= held ? 1.0 : std::max(0.0, 1.0 - (t - held) / 1.6);
        const double rise = attack > 0 ? std::min(t / attack, 1.0) : 1.0;
        out[std::size_t(i)] = float((0.85 + swell[std::size_t(i)]) * envelope * rise * tone[std::size_t(i)] * 0.12);
    }
    return out;
}

}  // namespace kp::audio
