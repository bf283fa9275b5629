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

TEST(Synth, EverySoundHasItsLengthAndALevelWithinItsEnvelope) {
    struct Expect {
        PetSound sound;
        std::size_t samples;
        float maxPeak;        // what the envelope allows
        float exactPeak = 0;  // normalised sounds land exactly here
    };
    using enum PetSound;
    const Expect table[] = {
        {meow, 27342, 1.0f},   {mew, 18522, 1.0f},    {yawn, 41895, 1.0f},   {trill, 17640, 1.0f},
        {growl, 35280, 1.0f},  {purr, 66150, 1.0f},   {nom, 6615, 0.8f},     {lap, 3528, 0.6f},
        {step, 2646, 0.6f},    {page, 18522, 0.6f},   {chime, 155232, 1.2f}, {pop, 4410, 0.5f},
        {tap, 4410, 0.5f},     {dig, 13230, 0.8f, 0.8f},   {scratch, 15876, 0.8f, 0.8f},
        {bounce, 33075, 0.8f, 0.8f}, {thud, 7056, 0.7f, 0.7f}, {sneeze, 22050, 0.7f, 0.7f},
        {thunder, 185220, 0.85f, 0.85f},
    };
    SeededRandom random(7);
    for (const Expect& e : table) {
        SCOPED_TRACE(PetSoundPlayer::caseName(e.sound).toStdString());
        const Samples s = PetSoundPlayer::makeSamples(e.sound, 1.0, random);
        EXPECT_EQ(s.size(), e.samples);
        const float p = peak(s);
        EXPECT_GT(p, 0.01f);
        EXPECT_LE(p, e.maxPeak + 1e-6f);
        if (e.exactPeak > 0) {
            EXPECT_EQ(p, e.exactPeak);
        }
        for (float x : s) ASSERT_TRUE(std::isfinite(x));
    }
}

TEST(Synth, ChimeNotesStartWhereTheyShould) {
    const Samples s = synth::chime();
    ASSERT_EQ(s.size(), 155232u);
    EXPECT_EQ(synth::kChimeNoteStarts[1], 11466);
    EXPECT_EQ(synth::kChimeNoteStarts[2], 22932);
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

TEST(Synth, PurrPausesBetweenItsTwoBreaths) {
    SeededRandom random(5);
    const Samples s = synth::purr(random);
    EXPECT_EQ(peak(s, std::size_t(0.651 * 44100), std::size_t(0.699 * 44100)), 0.0f);
    EXPECT_GT(peak(s, 0, std::size_t(0.65 * 44100)), 0.01f);
    EXPECT_GT(peak(s, std::size_t(0.7 * 44100)), 0.01f);
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
