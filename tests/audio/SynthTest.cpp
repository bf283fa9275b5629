#include <gtest/gtest.h>

#include "Listen.h"
#include "audio/Synth.h"
#include "platform/Random.h"

using namespace kp;
using kp::audio::Samples;
using kp::test::at;
using kp::test::peak;

namespace {

double rms(const Samples& s, double from, double to) { return test::rms(s, at(from), at(to)); }
double strength(const Samples& s, double hz, double from, double to) {
    return test::strength(s, hz, at(from), at(to));
}

// How often a sound repeats, within a range of rates: the lag at which it (or, for a throbbing
// sound, its loudness) best matches itself.
double repeatRate(const Samples& s, double from, double to, double lowHz, double highHz, bool loudness = true) {
    std::vector<double> x;
    for (std::size_t i = at(from); i < at(to); ++i) x.push_back(loudness ? std::fabs(s[i]) : s[i]);
    double best = -1e300, bestLag = 0;
    for (int lag = int(44100 / highHz); lag <= int(44100 / lowHz); ++lag) {
        double sum = 0;
        for (std::size_t i = 0; i + std::size_t(lag) < x.size(); ++i) sum += x[i] * x[i + std::size_t(lag)];
        sum /= double(x.size() - std::size_t(lag));
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
        EXPECT_NEAR(repeatRate(purr, 0.1, 0.55, 15, 40), 24.0, 1.2);
        EXPECT_NEAR(repeatRate(purr, 0.85, 1.35, 15, 40), 27.0, 1.2);
        EXPECT_EQ(peak(purr, at(0.651), at(0.699)), 0.0f);
        EXPECT_GT(rms(purr, 0.2, 0.45), 3 * rms(purr, 0.0, 0.05));  // each breath swells and fades
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

        // Thud: a landing, a low thump that starts at once without a click and is gone in a tenth
        // of a second.
        const Samples thud = synth::thud(random);
        EXPECT_LT(std::fabs(thud[0]), 0.05f);
        EXPECT_NEAR(peak(thud, 0, at(0.03)), 0.7f, 1e-4f);
        EXPECT_GT(rms(thud, 0.0, 0.03), 5 * rms(thud, 0.1, 0.16));
        EXPECT_GT(strength(thud, 90, 0.0, 0.05), 3 * strength(thud, 1000, 0.0, 0.05));

        // Page: a rustle that swells to its middle and fades to nothing at the end.
        const Samples page = synth::page(random);
        ASSERT_EQ(page.size(), 18522u);
        EXPECT_GT(rms(page, 0.15, 0.25), 3 * rms(page, 0.0, 0.02));
        EXPECT_GT(rms(page, 0.15, 0.25), 3 * rms(page, 0.39, 0.42));
        EXPECT_LT(std::fabs(page.back()), 0.01f);

        // Bounce: three impacts, each softer than the last, then a roll that dies away.
        const Samples bounce = synth::bounce(random);
        EXPECT_GT(rms(bounce, 0.0, 0.05), 2 * rms(bounce, 0.21, 0.26));
        EXPECT_GT(rms(bounce, 0.21, 0.26), 1.5 * rms(bounce, 0.34, 0.39));
        EXPECT_GT(rms(bounce, 0.0, 0.05), 3 * rms(bounce, 0.45, 0.55));

        // Scratch: two strokes with silence between; sneeze: it holds its breath, then the burst.
        const Samples scratch = synth::scratch(random);
        EXPECT_EQ(peak(scratch, at(0.151), at(0.189)), 0.0f);
        EXPECT_EQ(peak(scratch, at(0.341)), 0.0f);
        EXPECT_GT(peak(scratch, at(0.19), at(0.3)), 0.05f);
        const Samples sneeze = synth::sneeze(random);
        EXPECT_EQ(peak(sneeze, at(0.2) + 1, at(0.27)), 0.0f);
        EXPECT_NEAR(peak(sneeze, at(0.27)), 0.7f, 1e-6f);
    }
}

// The chime: C, E and G bells, each joining a quarter of a second after the one before, each struck
// at once and dying away over its three seconds, the highest partial left out where it would alias.
TEST(Synth, TheChimesBellsEnterOneAfterAnotherAndDieAway) {
    const Samples s = synth::chime();
    ASSERT_EQ(s.size(), 155232u);
    const double notes[3][2] = {{1046.5, 0.0}, {1318.5, 0.26}, {1568.0, 0.52}};
    for (const auto& [hz, start] : notes) {
        SCOPED_TRACE(hz);
        EXPECT_TRUE(start == 0 || strength(s, hz, start - 0.1, start - 0.002) < 0.01);
        EXPECT_GT(strength(s, hz, start + 0.002, start + 0.1), 0.1);
    }
    EXPECT_LT(peak(s), 1.0f);
    EXPECT_GT(rms(s, 0.6, 0.7), 4 * rms(s, 3.0, 3.1));
    EXPECT_LT(std::fabs(s.back()), 1e-3f);
    const Samples high = synth::bell(3100);
    EXPECT_EQ(high[0], 0.0f);
    EXPECT_GT(peak(high, 0, at(0.002)), 0.1f);
    EXPECT_LT(strength(high, 3100 * 5.4, 0.0, 0.2), 5e-4);
    EXPECT_GT(strength(high, 3100 * 3, 0.0, 0.2), 1e-3);
}

// The tap's blip: a quick chirp rising from about 620 Hz to 1.5 kHz that starts without a click and
// is all but gone by the end of its tenth of a second.
TEST(Synth, TheBlipRisesAndIsGoneInATenth) {
    const Samples s = synth::blip();
    ASSERT_EQ(s.size(), at(0.1));
    EXPECT_LT(std::fabs(s[0]), 0.01f);
    EXPECT_GT(strength(s, 700, 0.0, 0.02), 10 * strength(s, 1400, 0.0, 0.02));
    EXPECT_GT(strength(s, 1350, 0.06, 0.1), 4 * strength(s, 700, 0.06, 0.1));
    EXPECT_GT(rms(s, 0.0, 0.02), 10 * rms(s, 0.08, 0.1));
}

// Thunder: a burst, then rumbles rolling on for about two seconds, each softer, and quiet by the end.
TEST(Synth, ThunderRollsOnAfterItsBurstAndDiesAway) {
    for (int seed : {1, 2, 3}) {
        SCOPED_TRACE(seed);
        SeededRandom random(seed);
        const Samples s = synth::thunder(random);
        EXPECT_NEAR(peak(s), 0.85f, 1e-6f);
        EXPECT_GT(rms(s, 1.2, 2.0), rms(s, 0.0, 0.5) / 4);
        EXPECT_LT(rms(s, 3.9, 4.2), rms(s, 0.0, 0.5) / 50);
    }
}

// The cat's voice: the meow's pitch rises from 430 Hz to 720 a fifth of the way in and falls to
// about 420 near its end, all scaled by the cat's age; it swells in and out and never clips; the
// trill flutters 28 times a second.
TEST(Synth, TheCatsVoiceFollowsItsContourAndAge) {
    SeededRandom random(17);
    for (double key : {1.0, 1.3}) {
        SCOPED_TRACE(key);
        const Samples meow = synth::catVoice(synth::meowPreset(), key, random);
        ASSERT_EQ(meow.size(), at(0.62));
        EXPECT_NEAR(repeatRate(meow, 0.1, 0.125, 550 * key, 900 * key, false), 710 * key, 25 * key);
        EXPECT_NEAR(repeatRate(meow, 0.56, 0.6, 320 * key, 520 * key, false), 422 * key, 20 * key);
        EXPECT_LT(peak(meow, 0, at(0.005)), peak(meow) / 10);
        EXPECT_LT(std::fabs(meow.back()), peak(meow) / 50);
        EXPECT_GT(peak(meow), 0.2f);
        EXPECT_LT(peak(meow), 0.6f);
    }
    const Samples trill = synth::catVoice(synth::trillPreset(), 1.0, random);
    EXPECT_NEAR(repeatRate(trill, 0.05, 0.35, 20, 40), 28.0, 1.5);
}

