#include <gtest/gtest.h>

#include "audio/PetSoundPlayer.h"
#include "audio/Synth.h"
#include "platform/Random.h"

#include <cmath>

using namespace kp;
using kp::audio::PetSoundPlayer;
using kp::audio::Samples;

namespace {

float peak(const Samples& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    float m = 0.0f;
    for (std::size_t i = from; i < std::min(to, s.size()); ++i) m = std::max(m, std::fabs(s[i]));
    return m;
}

std::size_t firstAudible(const Samples& s, std::size_t from, float threshold) {
    for (std::size_t i = from; i < s.size(); ++i)
        if (std::fabs(s[i]) > threshold) return i;
    return s.size();
}

}  // namespace

namespace {
double seconds(std::size_t i) { return double(i) / 44100.0; }
std::size_t at(double t) { return std::size_t(t * 44100.0); }

double rms(const Samples& s, double from, double to) {
    double sum = 0;
    const std::size_t a = at(from), b = std::min(at(to), s.size());
    for (std::size_t i = a; i < b; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(b - a));
}

// Strength of one frequency over a stretch (a single-bin Fourier sum, normalised).
double strength(const Samples& s, double hz, double from, double to) {
    double re = 0, im = 0;
    const std::size_t a = at(from), b = std::min(at(to), s.size());
    for (std::size_t i = a; i < b; ++i) {
        re += s[i] * std::cos(2 * M_PI * hz * seconds(i));
        im += s[i] * std::sin(2 * M_PI * hz * seconds(i));
    }
    return std::hypot(re, im) / double(b - a);
}

// The pulse rate of a throbbing sound: the lag, within a range, at which its loudness best repeats.
double pulseRate(const Samples& s, double from, double to, double lowHz, double highHz) {
    std::vector<double> level;
    for (std::size_t i = at(from); i < at(to); ++i) level.push_back(std::fabs(s[i]));
    double best = -1, bestLag = 0;
    for (int lag = int(44100 / highHz); lag <= int(44100 / lowHz); ++lag) {
        double sum = 0;
        for (std::size_t i = 0; i + std::size_t(lag) < level.size(); ++i) sum += level[i] * level[i + std::size_t(lag)];
        sum /= double(level.size() - std::size_t(lag));
        if (sum > best) best = sum, bestLag = lag;
    }
    return 44100.0 / bestLag;
}
}  // namespace

// What a listener hears of the small foley sounds: how long, how their loudness moves, where their
// pitch sits. Several seeds, since the noise in each differs from play to play.
TEST(Synth, FoleySoundsHaveTheirRhythmEnvelopeAndPitch) {
    for (int seed : {1, 2, 3}) {
        SCOPED_TRACE(seed);
        SeededRandom random(seed);

        // Purr: two breaths, 24 then 27 pulses a second, the second louder, silence between.
        const Samples purr = synth::purr(random);
        ASSERT_EQ(purr.size(), 66150u);
        EXPECT_NEAR(pulseRate(purr, 0.1, 0.55, 15, 40), 24.0, 1.2);
        EXPECT_NEAR(pulseRate(purr, 0.85, 1.35, 15, 40), 27.0, 1.2);
        EXPECT_EQ(peak(purr, at(0.651), at(0.699)), 0.0f);
        EXPECT_GT(rms(purr, 0.2, 0.45), 3 * rms(purr, 0.0, 0.05));     // each breath swells and fades
        EXPECT_GT(rms(purr, 1.0, 1.2), 3 * rms(purr, 1.45, 1.5));
        EXPECT_GT(rms(purr, 0.9, 1.3), rms(purr, 0.15, 0.5));
        EXPECT_GT(strength(purr, 48, 0.1, 0.6), 4 * strength(purr, 600, 0.1, 0.6));  // a low rumble

        // Nom: a bite that starts at once, dies away, its tone falling from 240 to 150 Hz.
        const Samples nom = synth::nom(1.0, random);
        ASSERT_EQ(nom.size(), 6615u);
        EXPECT_GT(peak(nom, 0, at(0.02)), 0.25f);
        EXPECT_GT(rms(nom, 0.0, 0.05), 2 * rms(nom, 0.1, 0.15));
        EXPECT_GT(strength(nom, 230, 0.0, 0.04), 2 * strength(nom, 160, 0.0, 0.04));
        EXPECT_GT(strength(nom, 160, 0.11, 0.15), 2 * strength(nom, 230, 0.11, 0.15));
        const Samples high = synth::nom(1.3, random);
        EXPECT_GT(strength(high, 230 * 1.3, 0.0, 0.04), 2 * strength(high, 230, 0.0, 0.04));

        // Lap: a short wet flick, gone within a few tens of milliseconds, with a tone near 1 kHz.
        const Samples lap = synth::lap(random);
        ASSERT_EQ(lap.size(), 3528u);
        EXPECT_GT(rms(lap, 0.0, 0.02), 4 * rms(lap, 0.06, 0.08));
        EXPECT_GT(strength(lap, 1050, 0.0, 0.025), 2 * strength(lap, 300, 0.0, 0.025));

        // Step: a soft low thud, quicker still, its tone near 150 Hz and nothing bright.
        const Samples step = synth::step(random);
        ASSERT_EQ(step.size(), 2646u);
        EXPECT_GT(rms(step, 0.0, 0.015), 4 * rms(step, 0.045, 0.06));
        EXPECT_GT(strength(step, 140, 0.0, 0.03), 3 * strength(step, 2000, 0.0, 0.03));

        // Page: a rustle that swells to its middle and fades to nothing at the end.
        const Samples page = synth::page(random);
        ASSERT_EQ(page.size(), 18522u);
        EXPECT_GT(rms(page, 0.15, 0.25), 3 * rms(page, 0.0, 0.02));
        EXPECT_GT(rms(page, 0.15, 0.25), 3 * rms(page, 0.39, 0.42));
        EXPECT_LT(std::fabs(page.back()), 0.01f);
    }
}

TEST(Synth, ChimeNotesStartWhereTheyShould) {
    const Samples s = synth::chime();
    ASSERT_EQ(s.size(), 155232u);
    // The whole chime is the three bells, each at 0.8, added at their offsets.
    const Samples a = synth::bell(1046.5), b = synth::bell(1318.5), c = synth::bell(1568.0);
    ASSERT_EQ(c.size(), 132300u);
    for (std::size_t i : {0u, 100u, 11465u, 11466u, 11500u, 22931u, 22932u, 23000u, 60000u, 155231u}) {
        float expect = 0;
        if (i < a.size()) expect += a[i] * 0.8f;
        if (i >= 11466 && i - 11466 < b.size()) expect += b[i - 11466] * 0.8f;
        if (i >= 22932) expect += c[i - 22932] * 0.8f;
        EXPECT_NEAR(s[i], expect, 1e-6f) << i;
    }
    // Each note's 2 ms attack shows as a jump in level right at its start.
    const Samples second = [&] {
        Samples d(s);
        for (std::size_t i = 0; i < a.size(); ++i) d[i] -= a[i] * 0.8f;
        return d;
    }();
    EXPECT_LT(peak(second, 0, 11466), 1e-6f);
    EXPECT_EQ(firstAudible(second, 0, 1e-5f), 11467u);  // sample 11466 is the note's zero point
}

namespace {

// The cat voice written out plainly: fourteen phases of their own, one Gaussian per harmonic.
Samples plainVoice(const synth::VoicePreset& v, double key, RandomSource& random) {
    const double q = v.pitchScale * key;
    const int n = int(44100 * v.duration);
    std::vector<synth::Breakpoint> f1, f2;
    for (const synth::Formant& f : v.formants) {
        f1.push_back({f.position, f.f1});
        f2.push_back({f.position, f.f2});
    }
    Samples out(static_cast<std::size_t>(n), 0.0f);
    double phase[15] = {};
    double y = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / 44100.0, u = t / v.duration;
        const double f0 = synth::interpolate(v.pitch, u) * q * (1 + 0.012 * std::sin(2 * M_PI * 5.5 * t));
        double s = 0;
        if (!(f0 > 21550)) {
            const double F1 = synth::interpolate(f1, u) * std::sqrt(q);
            const double F2 = synth::interpolate(f2, u) * std::sqrt(q);
            for (int k = 1; k <= 14 && k * f0 <= 21550; ++k) {
                const double fk = k * f0;
                phase[k] += 2 * M_PI * fk / 44100;
                const double d1 = (fk - F1) / 260, d2 = (fk - F2) / 380;
                s += (std::exp(-d1 * d1) + 0.6 * std::exp(-d2 * d2) + 0.04) * std::sin(phase[k]) / std::sqrt(double(k));
            }
        }
        y += 0.25 * (random.uniform(-1, 1) - y);
        double a = (std::sin(std::min(1.6 * u, 1.0) * M_PI) * 0.45 + 0.55) * std::min(t / 0.05, 1.0) *
                   std::min((v.duration - t) / 0.16, 1.0);
        if (v.flutter > 0) a *= std::fabs(std::sin(M_PI * v.flutter * t)) * 0.45 + 0.55;
        out[std::size_t(i)] = float((s + v.breath * y) * a * 0.32 * v.gain);
    }
    return out;
}

float largestDifference(const Samples& a, const Samples& b) {
    float m = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

}  // namespace

TEST(Synth, CatVoiceFollowsItsFormulaHarmonicByHarmonic) {
    struct Case {
        const synth::VoicePreset& preset;
        double key;
    };
    // 2.3: the upper harmonics of the meow's peak cross the ceiling and come back.
    const Case cases[] = {{synth::meowPreset(), 1.0},  {synth::mewPreset(), 1.3},  {synth::yawnPreset(), 0.94},
                          {synth::trillPreset(), 1.12}, {synth::growlPreset(), 1.06}, {synth::meowPreset(), 2.3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        SeededRandom r1(17), r2(17);
        const Samples made = synth::catVoice(c.preset, c.key, r1);
        const Samples plain = plainVoice(c.preset, c.key, r2);
        ASSERT_EQ(made.size(), plain.size());
        EXPECT_LT(largestDifference(made, plain), 1e-6f);
    }
}

TEST(Synth, BellFollowsItsFormula) {
    for (double f : {1046.5, 3100.0}) {  // at 3100 Hz the 5.4 partial is left out
        const Samples s = synth::bell(f);
        ASSERT_EQ(s.size(), 132300u);
        for (int i : {0, 1, 57, 88, 1023, 1024, 5000, 44100, 100000, 130300, 131000, 132299}) {
            const double t = i / 44100.0;
            double sum = 0;
            const double partials[4][3] = {{1, 1.0, 1.5}, {2, 0.3, 3.2}, {3, 0.1, 6.0}, {5.4, 0.07, 16.0}};
            for (const auto& p : partials)
                if (p[0] * f < 16000) sum += p[1] * std::sin(2 * M_PI * p[0] * f * t) * std::exp(-p[2] * t);
            const double release = i > 130300 ? (132300 - i) / 2000.0 : 1.0;
            EXPECT_NEAR(s[std::size_t(i)], std::min(t / 0.002, 1.0) * sum * release * 0.42, 1e-7) << i;
        }
    }
}

TEST(Synth, ScratchIsTwoStrokesWithSilenceBetween) {
    SeededRandom random(9);
    const Samples s = synth::scratch(random);
    // First stroke sounds up to 0.15 s, silence until 0.19 s, the second from there to 0.34 s.
    EXPECT_EQ(peak(s, std::size_t(0.151 * 44100), std::size_t(0.189 * 44100)), 0.0f);
    EXPECT_EQ(peak(s, std::size_t(0.341 * 44100)), 0.0f);
    EXPECT_GT(peak(s, std::size_t(0.19 * 44100), std::size_t(0.3 * 44100)), 0.05f);
}

TEST(Synth, SneezeHoldsItsBreathBeforeTheBurst) {
    SeededRandom random(2);
    const Samples s = synth::sneeze(random);
    EXPECT_EQ(peak(s, std::size_t(0.2 * 44100) + 1, std::size_t(0.27 * 44100)), 0.0f);
    // The burst is the loudest part.
    EXPECT_NEAR(peak(s, std::size_t(0.27 * 44100)), 0.7f, 1e-6f);
}
