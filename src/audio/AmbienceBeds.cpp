#include "audio/AmbienceBeds.h"

#include "audio/Synth.h"
#include "audio/SynthKit.h"

#include <algorithm>
#include <cmath>

namespace kp::synth {
namespace {

using namespace kit;

// Band from lo to hi Hz: the first stage at hi on the input, the second at lo on the first.
Band band(double lo, double hi) { return Band(alpha(hi), alpha(lo)); }

Samples rain(RandomSource& random) {
    const int n = bedShape(AmbienceBed::rain).generated;
    Band hiss = band(400, 3000);
    Samples out = render(n, [&](double t) {
        return hiss(noise(random)) * 0.4 * (0.85 + 0.15 * std::sin(kTwoPi * 0.125 * t));  // slow swell
    });
    for (int d = 0; d < 560; ++d) {
        const int start = random.uniformInt(0, n - 1);
        const double f = random.uniform(1800, 5200);
        const double amplitude = random.uniform(0.05, 0.3);
        Phase phase;
        for (int j = 0; j < 264 && start + j < n; ++j)
            out[std::size_t(start + j)] +=
                float(std::sin(phase.advance(f)) * amplitude * std::exp(-700.0 * j / kRate));
    }
    return out;
}

Samples birds(RandomSource& random) {
    const int n = bedShape(AmbienceBed::birds).generated;
    Band air = band(200, 1200);
    Samples out = render(n, [&](double) { return air(noise(random)) * 0.015; });
    double t0 = random.uniform(0.3, 1.2);
    while (t0 < 13.0) {
        const double base = random.uniform(2600, 4200);
        const int count = random.uniformInt(1, 4);
        const bool up = random.coin();
        for (int c = 0; c < count + 1; ++c) {
            const double d = random.uniform(0.05, 0.11);
            double sweep = random.uniform(500, 1400);
            if (!up) sweep = -sweep;
            const double amplitude = random.uniform(0.15, 0.3);
            const int start = int(t0 * kRate);
            const int length = int(d * kRate);
            Phase phase;
            for (int j = 0; j < length && start + j < n; ++j) {
                const double s = j / kRate;
                const double p = s / d;
                const double f = base + sweep * p;
                const double ph = phase.advance(f + 160.0 * std::sin(kTwoPi * 42.0 * s));
                out[std::size_t(start + j)] += float(std::sin(ph) * amplitude * std::sin(kPi * p));
            }
            t0 += d + random.uniform(0.03, 0.09);
        }
        t0 += random.uniform(1.2, 3.5);
    }
    return out;
}

Samples fire(RandomSource& random) {
    const int n = bedShape(AmbienceBed::fire).generated;
    Band hiss = band(1200, 5000);
    double a = 0.0, b = 0.0;
    Samples out = render(n, [&](double t) {
        const double w1 = noise(random);
        const double w2 = noise(random);
        const double flicker = 0.75 + 0.25 * std::sin(kTwoPi * t / 3.5) * std::sin(kTwoPi * t / 7.0);
        a += (w1 - a) * 0.02;
        b += (a - b) * 0.02;
        const double rumble = flicker * b * 5.0;
        return hiss(w2) * 0.02 + rumble;
    });
    for (int c = 0; c < 49; ++c) {
        const int start = random.uniformInt(0, n - 1);
        const bool big = random.unit() < 0.15;
        const double duration = big ? random.uniform(0.006, 0.014) : random.uniform(0.0015, 0.005);
        const double amplitude = big ? random.uniform(0.5, 0.9) : random.uniform(0.15, 0.5);
        Band crackle = big ? band(600, 5000) : band(1500, 8000);
        const int m = int(duration * kRate);
        for (int j = 0; j < m && start + j < n; ++j)
            out[std::size_t(start + j)] += float(crackle(noise(random)) * amplitude * std::exp(-4.0 * j / m));
    }
    return out;
}

Samples tv(RandomSource& random) {
    Band hiss = band(2000, 9000);
    return render(bedShape(AmbienceBed::tv).generated, [&](double t) {
        return hiss(noise(random)) * 0.5 * (0.8 + 0.2 * std::sin(kTwoPi * t / 2.5)) +
               0.04 * std::sin(kTwoPi * 60.0 * t) + 0.02 * std::sin(kTwoPi * 120.0 * t);  // mains hum
    });
}

}  // namespace

const BedShape& bedShape(AmbienceBed bed) {
    static const BedShape kShapes[4] = {
        {0.34f, 0.17f, 370440, 352800, 0.15f},  // rain: 8.4 s made, 8.0 s looped
        {0.4f, 0.2f, 635040, 617400, 0.06f},    // birds: 14.4 s, 14.0 s
        {0.3f, 0.15f, 326340, 308700, 0.12f},   // fire: 7.4 s, 7.0 s
        {0.16f, 0.08f, 238140, 220500, 0.1f},   // tv: 5.4 s, 5.0 s
    };
    return kShapes[std::size_t(bed)];
}

Samples seamlessLoop(const Samples& samples, int length) {
    const int n = int(samples.size());
    length = std::clamp(length, 0, n);
    Samples out(samples.begin(), samples.begin() + length);
    const int overhang = std::min(n - length, length);
    for (int k = 0; k < overhang; ++k) {
        const double w = double(k) / double(n - length);
        out[std::size_t(k)] = float((1.0 - w) * samples[std::size_t(length + k)] + w * samples[std::size_t(k)]);
    }
    return out;
}

void normalizeRms(Samples& samples, float rms) {
    if (samples.empty()) return;
    double sum = 0.0;
    for (float x : samples) sum += double(x) * double(x);
    const double current = std::sqrt(sum / double(samples.size()));
    if (!(current > 0.0)) return;
    const double scale = rms / current;
    for (float& x : samples) x = float(std::clamp(x * scale, -1.0, 1.0));
}

Samples bedLoop(AmbienceBed bed, RandomSource& random) {
    Samples raw;
    switch (bed) {
    case AmbienceBed::rain: raw = rain(random); break;
    case AmbienceBed::birds: raw = birds(random); break;
    case AmbienceBed::fire: raw = fire(random); break;
    case AmbienceBed::tv: raw = tv(random); break;
    }
    Samples loop = seamlessLoop(raw, bedShape(bed).loop);
    normalizeRms(loop, bedShape(bed).rms);
    return loop;
}

}  // namespace kp::synth
