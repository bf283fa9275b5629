#pragma once
// The four room beds (rain, birds, fire, television): a few seconds of sound each, made to loop
// without a seam and levelled to a fixed loudness.
#include "audio/AudioGraph.h"
#include "life/AmbienceTarget.h"

namespace kp {
class RandomSource;
}

namespace kp::synth {

using audio::Samples;

struct BedShape {
    float gain;          // level to player volume
    float fadeRate;      // volume per second while fading
    int generated;       // samples synthesised
    int loop;            // samples in the loop
    float rms;           // loudness of the finished loop
};

const BedShape& bedShape(AmbienceBed bed);

// Overlap of every bed's loop join, in samples (0.4 s).
constexpr int kBedOverlap = 17640;

// The first `length` samples, the overhang past them crossfaded into the start.
Samples seamlessLoop(const Samples& samples, int length);
// Scales to the given RMS, clamping to -1...1; silence comes back unchanged.
void normalizeRms(Samples& samples, float rms);

// The finished loop of a bed.
Samples bedLoop(AmbienceBed bed, RandomSource& random);

}  // namespace kp::synth
