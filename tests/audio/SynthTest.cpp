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
            EXPECT_NEAR(p, e.exactPeak, 1e-6f);
        }
        for (float x : s) ASSERT_TRUE(std::isfinite(x));
    }
}

TEST(Synth, BlipRisesAndDecaysFromItsPeak) {
    const Samples s = synth::blip();
    // 3 ms attack, then e^(-38 t): the top is reached as the attack ends.
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_NEAR(peak(s, 0, 441), 0.5f * std::exp(-38.0f * 0.003f), 0.01f);
    EXPECT_LT(peak(s, 2205, 2300), 0.5f * std::exp(-38.0f * 0.05f) + 0.01f);
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

TEST(Synth, BellRingsOutAndReleasesToSilence) {
    const Samples s = synth::bell(440.0);
    ASSERT_EQ(s.size(), 132300u);
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_GT(peak(s, 0, 4410), 0.3f);
    EXPECT_LT(std::fabs(s.back()), 1e-3f);
    // A partial at or above 16 kHz is left out rather than aliased.
    const Samples high = synth::bell(7000.0);  // only the fundamental and the octave remain
    EXPECT_LE(peak(high), 0.42f * 1.3f + 1e-3f);
}

TEST(Synth, InterpolateHandlesEndsAndStackedBreakpoints) {
    EXPECT_EQ(synth::interpolate({}, 0.5), 0.0);
    const std::vector<synth::Breakpoint> t{{0.2, 100}, {0.5, 200}, {0.5, 400}, {1.0, 0}};
    EXPECT_EQ(synth::interpolate(t, 0.0), 100.0);
    EXPECT_EQ(synth::interpolate(t, 0.2), 100.0);
    EXPECT_NEAR(synth::interpolate(t, 0.35), 150.0, 1e-9);
    EXPECT_NEAR(synth::interpolate(t, 0.75), 200.0, 1e-9);
    EXPECT_EQ(synth::interpolate(t, 2.0), 0.0);
    // Two breakpoints at one position: the span floor keeps it finite.
    EXPECT_TRUE(std::isfinite(synth::interpolate({{0.5, 1}, {0.5, 2}}, 0.5)));
}

TEST(Synth, NormalizePeakScalesOrLeavesSilence) {
    Samples silent(100, 0.0f);
    synth::normalizePeak(silent, 0.8f);
    EXPECT_EQ(peak(silent), 0.0f);
    Samples s{0.1f, -0.4f, 0.2f};
    synth::normalizePeak(s, 0.8f);
    EXPECT_NEAR(s[1], -0.8f, 1e-7f);
    EXPECT_NEAR(s[0], 0.2f, 1e-7f);
}

TEST(Synth, VoiceAboveTheCeilingIsOnlyBreath) {
    ScriptedRandom quiet({0.5});  // noise of exactly 0
    // A pitch far above the ceiling: no harmonic, and with silent noise, nothing at all.
    const Samples s = synth::catVoice(synth::meowPreset(), 60.0, quiet);
    EXPECT_EQ(s.size(), 27342u);
    EXPECT_EQ(peak(s), 0.0f);
    SeededRandom noisy(3);
    const Samples breath = synth::catVoice(synth::meowPreset(), 60.0, noisy);
    EXPECT_GT(peak(breath), 0.0f);
    EXPECT_LT(peak(breath), 0.06f * 0.32f);
}

TEST(Synth, VoicePitchFollowsThePitchKey) {
    // Count zero crossings of the steady middle: a higher key gives a higher fundamental.
    auto crossings = [](const Samples& s) {
        int n = 0;
        for (std::size_t i = 8000; i < 12000; ++i) n += (s[i - 1] < 0) != (s[i] < 0);
        return n;
    };
    ScriptedRandom r1({0.5}), r2({0.5});
    const int adult = crossings(synth::catVoice(synth::meowPreset(), 1.0, r1));
    const int kitten = crossings(synth::catVoice(synth::meowPreset(), 1.3, r2));
    EXPECT_GT(kitten, adult);
}

TEST(Synth, NoisySoundsComeOutDifferentEachTime) {
    SeededRandom random(11);
    for (auto make : {synth::dig, synth::scratch, synth::bounce, synth::thud}) {
        const Samples a = make(random), b = make(random);
        EXPECT_NE(a, b);
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
