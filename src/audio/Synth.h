#pragma once
// The cat's synthesised sounds: pure functions of their inputs and fresh random numbers, returning
// mono float samples at 44100 Hz. Filters and phases are computed in double precision.
#include "audio/AudioGraph.h"

#include <utility>
#include <vector>

namespace kp {
class RandomSource;
}

namespace kp::synth {

using audio::Samples;

// One-pole low-pass coefficient for a corner frequency.
double alpha(double cornerHz);

struct Breakpoint {
    double position;
    double value;
};
// Linear between breakpoints (ascending positions); end values beyond the ends; 0 when empty.
double interpolate(const std::vector<Breakpoint>& table, double x);

// Scales so the largest magnitude becomes `peak`; silence comes back unchanged.
void normalizePeak(Samples& samples, float peak);

struct Formant {
    double position;
    double f1;
    double f2;
};

struct VoicePreset {
    double duration;     // seconds
    double pitchScale;   // the pitch factor is this times the pitch key
    double flutter;      // Hz, 0 for none
    double breath;
    double gain;
    std::vector<Breakpoint> pitch;  // Hz
    std::vector<Formant> formants;
};

const VoicePreset& meowPreset();
const VoicePreset& mewPreset();
const VoicePreset& yawnPreset();
const VoicePreset& trillPreset();
const VoicePreset& growlPreset();

// Formant voice: up to fourteen harmonics shaped by two moving formants, plus breath noise.
Samples catVoice(const std::vector<Breakpoint>& pitchCurve, const std::vector<Formant>& formants,
                 double duration, double pitch, double flutter, double breath, double gain,
                 RandomSource& random);
Samples catVoice(const VoicePreset& preset, double pitchKey, RandomSource& random);

Samples purr(RandomSource& random);
Samples nom(double pitch, RandomSource& random);
Samples lap(RandomSource& random);
Samples step(RandomSource& random);
Samples page(RandomSource& random);
Samples chime();
Samples blip();
Samples dig(RandomSource& random);
Samples scratch(RandomSource& random);
Samples bounce(RandomSource& random);
Samples thud(RandomSource& random);
Samples sneeze(RandomSource& random);
Samples thunder(RandomSource& random);

// A struck bell of 3.0 s (132300 samples) at `frequency` Hz; also a voice of the music.
Samples bell(double frequency);

// Where the chime's three notes begin, in samples.
constexpr int kChimeNoteStarts[3] = {0, 11466, 22932};

}  // namespace kp::synth
