#include "audio/Synth.h"

#include "audio/SynthKit.h"

#include <algorithm>
#include <cmath>

namespace kp::synth {

using namespace kit;

double alpha(double cornerHz) { return 1.0 - std::exp(-kTwoPi * cornerHz / kRate); }

double interpolate(const std::vector<Breakpoint>& table, double x) {
    if (table.empty()) return 0.0;
    if (x <= table.front().position) return table.front().value;
    for (std::size_t j = 1; j < table.size(); ++j) {
        if (table[j].position >= x) {
            const Breakpoint& lo = table[j - 1];
            const Breakpoint& hi = table[j];
            return lo.value + (hi.value - lo.value) * (x - lo.position) /
                                  std::max(hi.position - lo.position, 0.0001);
        }
    }
    return table.back().value;
}

void normalizePeak(Samples& samples, float peak) {
    float m = 0.0f;
    for (float x : samples) m = std::max(m, std::fabs(x));
    if (!(m > 0.0f)) return;
    // In double, so the loudest sample lands on `peak` exactly.
    for (float& x : samples) x = float(double(x) * double(peak) / double(m));
}

// ---------------------------------------------------------------------------------------------
// Cat voice

const VoicePreset& meowPreset() {
    static const VoicePreset p{0.62, 1.0, 0.0, 0.06, 1.0,
                               {{0, 430}, {0.18, 720}, {0.45, 660}, {1, 390}},
                               {{0, 320, 1900}, {0.25, 780, 1700}, {0.6, 700, 1100}, {1, 420, 800}}};
    return p;
}
const VoicePreset& mewPreset() {
    static const VoicePreset p{0.42, 1.2, 0.0, 0.06, 0.75,
                               {{0, 560}, {0.3, 760}, {1, 470}},
                               {{0, 360, 2100}, {0.4, 700, 1500}, {1, 450, 900}}};
    return p;
}
const VoicePreset& yawnPreset() {
    static const VoicePreset p{0.95, 0.8, 0.0, 0.35, 0.7,
                               {{0, 520}, {0.3, 560}, {1, 240}},
                               {{0, 750, 1300}, {0.5, 800, 1100}, {1, 400, 700}}};
    return p;
}
const VoicePreset& trillPreset() {
    static const VoicePreset p{0.4, 1.0, 28.0, 0.06, 1.0,
                               {{0, 480}, {1, 760}},
                               {{0, 400, 1600}, {1, 650, 1400}}};
    return p;
}
const VoicePreset& growlPreset() {
    static const VoicePreset p{0.8, 0.5, 30.0, 0.5, 0.8,
                               {{0, 300}, {1, 260}},
                               {{0, 500, 900}, {1, 450, 800}}};
    return p;
}

namespace {

// e^(-((k f0 - F) / width)^2) for k = 1, 2, ... by a running product: three exponentials per
// sample instead of one per harmonic.
struct FormantSeries {
    double g = 0, r = 0, q = 0;
    double f0 = 0, centre = 0, width = 1;
    bool direct = false;
    int k = 0;
    void start(double fundamental, double formant, double w) {
        f0 = fundamental;
        centre = formant;
        width = w;
        k = 0;
        const double d = (f0 - centre) / width;
        const double delta = f0 / width;
        g = std::exp(-d * d);
        r = std::exp(-2.0 * delta * d - delta * delta);
        q = std::exp(-2.0 * delta * delta);
        direct = !(std::isfinite(g) && std::isfinite(r) && std::isfinite(q)) || r == 0.0;
    }
    double next() {
        ++k;
        if (direct) {
            const double d = (k * f0 - centre) / width;
            return std::exp(-d * d);
        }
        const double v = g;
        g *= r;
        r *= q;
        return v;
    }
};

}  // namespace

Samples catVoice(const std::vector<Breakpoint>& pitchCurve, const std::vector<Formant>& formants,
                 double duration, double pitch, double flutter, double breath, double gain,
                 RandomSource& random) {
    constexpr int kHarmonics = 14;
    constexpr double kCeiling = kRate / 2.0 - 500.0;

    const int n = sampleCount(duration);
    Samples out(std::size_t(std::max(n, 0)), 0.0f);
    std::vector<Breakpoint> f1Table, f2Table;
    f1Table.reserve(formants.size());
    f2Table.reserve(formants.size());
    for (const Formant& f : formants) {
        f1Table.push_back({f.position, f.f1});
        f2Table.push_back({f.position, f.f2});
    }
    double invRoot[kHarmonics + 1];
    for (int k = 1; k <= kHarmonics; ++k) invRoot[k] = 1.0 / std::sqrt(double(k));
    const double rootPitch = std::sqrt(pitch);

    // Every harmonic advances by k times the fundamental's step, so while none has been skipped
    // its phase is k times the fundamental's and sin(k phi) follows by recurrence. A harmonic that
    // once sat above the ceiling keeps a phase of its own from then on.
    double phi = 0.0;
    double own[kHarmonics + 1] = {};
    bool apart[kHarmonics + 1] = {};
    FormantSeries first, second;
    double y = 0.0;
    for (int i = 0; i < n; ++i) {
        const double t = i / kRate;
        const double u = t / duration;
        const double vibrato = 1.0 + 0.012 * std::sin(kTwoPi * 5.5 * t);
        const double f0 = interpolate(pitchCurve, u) * pitch * vibrato;

        double s = 0.0;
        if (!(f0 > kCeiling)) {
            const double f1 = interpolate(f1Table, u) * rootPitch;
            const double f2 = interpolate(f2Table, u) * rootPitch;
            const double before = phi;
            phi += kTwoPi * f0 / kRate;
            if (phi >= kTwoPi) phi -= kTwoPi;
            const double s1 = std::sin(phi), c2 = 2.0 * std::cos(phi);
            double sinPrev = 0.0, sinK = s1;
            first.start(f0, f1, 260.0);
            second.start(f0, f2, 380.0);
            for (int k = 1; k <= kHarmonics; ++k) {
                const double fk = k * f0;
                if (fk > kCeiling) {
                    for (int j = k; j <= kHarmonics; ++j)
                        if (!apart[j]) {
                            apart[j] = true;
                            own[j] = std::fmod(j * before, kTwoPi);
                        }
                    break;
                }
                double sine;
                if (apart[k]) {
                    own[k] += kTwoPi * fk / kRate;
                    if (own[k] >= kTwoPi) own[k] = std::fmod(own[k], kTwoPi);
                    sine = std::sin(own[k]);
                } else {
                    sine = sinK;
                }
                const double weight = first.next() + 0.6 * second.next() + 0.04;
                s += weight * sine * invRoot[k];
                const double sinNext = c2 * sinK - sinPrev;
                sinPrev = sinK;
                sinK = sinNext;
            }
        }
        y += 0.25 * (noise(random) - y);

        double a = (std::sin(std::min(1.6 * u, 1.0) * kPi) * 0.45 + 0.55) * ramp(t, 0.05) *
                   std::min((duration - t) / 0.16, 1.0);
        if (flutter > 0.0) a *= std::fabs(std::sin(kPi * flutter * t)) * 0.45 + 0.55;
        out[std::size_t(i)] = float((s + breath * y) * a * 0.32 * gain);
    }
    return out;
}

Samples catVoice(const VoicePreset& preset, double pitchKey, RandomSource& random) {
    return catVoice(preset.pitch, preset.formants, preset.duration, preset.pitchScale * pitchKey,
                    preset.flutter, preset.breath, preset.gain, random);
}

// ---------------------------------------------------------------------------------------------
// Body sounds

Samples purr(RandomSource& random) {
    Phase phase;
    double a = 0.0, b = 0.0;
    return render(sampleCount(1.5), [&](double t) {
        const double r = noise(random);
        // Two breaths: the first at 24 pulses a second, a pause, the second at 27.
        const bool first = t < 0.65;
        const double rate = first ? 24.0 : 27.0;
        const double w = first ? t / 0.65 : (t - 0.7) / 0.8;
        const double level = first ? 0.75 : 1.0;
        const double pulse = std::pow(std::max(std::sin(phase.advance(rate)), 0.0), 3.0);
        const double hum = 0.25 * std::sin(kTwoPi * 48.0 * t);
        a += 0.04 * (r - a);
        b += 0.04 * (a - b);
        const double body = hum + 9.0 * b;
        const double envelope =
            (t > 0.65 && t < 0.7) || w < 0.0 ? 0.0 : std::sin(kPi * std::min(w, 1.0));
        return level * pulse * body * envelope * 0.5;
    });
}

Samples nom(double pitch, RandomSource& random) {
    Phase phase;
    return render(sampleCount(0.15), [&](double t) {
        const double ph = phase.advance((240.0 - 90.0 * t / 0.15) * pitch);
        double s = std::sin(ph) + 0.35 * std::sin(2.0 * ph) + 0.15 * std::sin(3.0 * ph);
        if (t < 0.006) s += 0.6 * noise(random);
        return std::exp(-22.0 * t) * ramp(t, 0.008) * s * 0.45;
    });
}

Samples lap(RandomSource& random) {
    Phase phase;
    double a = 0.0, b = 0.0;
    return render(sampleCount(0.08), [&](double t) {
        const double r = noise(random);
        a += 0.35 * (r - a);
        b += 0.05 * (r - b);
        const double band = (a - b) * 0.8;
        const double s = band + 0.35 * std::sin(phase.advance(1100.0 - 4000.0 * t));
        return std::exp(-55.0 * t) * ramp(t, 0.004) * s * 0.5;
    });
}

Samples step(RandomSource& random) {
    Phase phase;
    double a = 0.0;
    return render(sampleCount(0.06), [&](double t) {
        const double ph = phase.advance(150.0 - 600.0 * t);
        a += 0.08 * (noise(random) - a);
        const double s = 0.6 * std::sin(ph) + 2.2 * a;
        return std::exp(-70.0 * t) * ramp(t, 0.004) * s * 0.4;
    });
}

Samples page(RandomSource& random) {
    double a = 0.0, b = 0.0;
    return render(sampleCount(0.42), [&](double t) {
        const double u = t / 0.42;
        const double k = 0.08 + 0.3 * std::sin(std::min(1.4 * u, 1.0) * kPi);
        const double r = noise(random);
        a += 0.02 * (r - a);
        b += k * (r - b);
        const double swell = std::sin(std::min(1.15 * u, 1.0) * kPi);
        const double tail = u < 0.85 ? 1.0 : std::max((1.0 - u) / 0.15, 0.0);
        const double flutter = 0.75 + 0.25 * std::sin(kTwoPi * 34.0 * t);
        return flutter * swell * tail * (b - 0.6 * a) * 0.55;
    });
}

Samples bell(double frequency) {
    struct Partial {
        double ratio, amplitude, decay;
    };
    static constexpr Partial kPartials[] = {{1, 1.0, 1.5}, {2, 0.3, 3.2}, {3, 0.1, 6.0}, {5.4, 0.07, 16.0}};
    // Each partial's sine turns by a fixed rotation and its decay falls by a fixed ratio per sample,
    // re-anchored every 1024 samples so rounding never builds up.
    struct Ring {
        double step, amplitude, decay, cosStep, sinStep, fall;
        double c = 1.0, s = 0.0, level = 0.0;
    };
    Ring rings[std::size(kPartials)];
    int count = 0;
    for (const Partial& p : kPartials) {
        const double f = p.ratio * frequency;
        if (!(f < 16000.0)) continue;  // left out rather than aliased
        const double step = kTwoPi * f / kRate;
        rings[count++] = {step, p.amplitude, p.decay, std::cos(step), std::sin(step), std::exp(-p.decay / kRate)};
    }
    constexpr int n = 132300;
    Samples out(std::size_t(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        const double t = i / kRate;
        double sum = 0.0;
        for (int k = 0; k < count; ++k) {
            Ring& r = rings[k];
            if ((i & 1023) == 0) {
                r.c = std::cos(r.step * i);
                r.s = std::sin(r.step * i);
                r.level = r.amplitude * std::exp(-r.decay * t);
            }
            sum += r.level * r.s;
            const double c = r.c * r.cosStep - r.s * r.sinStep;
            r.s = r.s * r.cosStep + r.c * r.sinStep;
            r.c = c;
            r.level *= r.fall;
        }
        const double release = i > 130300 ? (132300 - i) / 2000.0 : 1.0;
        out[std::size_t(i)] = float(ramp(t, 0.002) * sum * release * 0.42);
    }
    return out;
}

Samples chime() {
    const Samples notes[3] = {bell(1046.5), bell(1318.5), bell(1568.0)};
    Samples out(std::size_t(kChimeNoteStarts[2]) + notes[2].size(), 0.0f);
    for (int k = 0; k < 3; ++k) {
        const std::size_t start = std::size_t(kChimeNoteStarts[k]);
        for (std::size_t i = 0; i < notes[k].size() && start + i < out.size(); ++i)
            out[start + i] += notes[k][i] * 0.8f;
    }
    return out;
}

Samples blip() {
    Phase phase;
    return render(sampleCount(0.1), [&](double t) {
        const double ph = phase.advance(620.0 + 900.0 * t / 0.1);
        return std::exp(-38.0 * t) * ramp(t, 0.003) * std::sin(ph) * 0.5;
    });
}

Samples dig(RandomSource& random) {
    constexpr int n = 13230;
    Samples out(std::size_t(n), 0.0f);
    Band bed(alpha(6500), alpha(1500));
    for (int i = 0; i < n; ++i)
        out[std::size_t(i)] = float(std::sin(kPi * i / double(n)) * bed(noise(random)) * 0.25);
    const double c7000 = alpha(7000), c2000 = alpha(2000);
    for (int g = 0; g < 70; ++g) {
        const int start = int(n * std::pow(random.unit(), 0.9));
        const int length = int(kRate * (0.001 + 0.002 * random.unit()));
        const double level = 0.2 + 0.7 * random.unit();
        Band grain(c7000, c2000);
        for (int j = 0; j < length && start + j < n; ++j)
            out[std::size_t(start + j)] +=
                float(std::exp(-3.0 * j / length) * grain(noise(random)) * level);
    }
    normalizePeak(out, 0.8f);
    return out;
}

Samples scratch(RandomSource& random) {
    Band band(alpha(4200), alpha(700));
    Samples out = render(15876, [&](double t) {
        const bool first = t < 0.18;
        const double tau = first ? t : t - 0.19;
        if (tau < 0.0 || tau >= 0.15) {
            band(0.0);  // the filters relax between strokes
            return 0.0;
        }
        const double q = 1.3 * tau / 0.15;
        const double envelope = std::sin(kPi * std::min(q, 1.0));
        const double level = first ? 1.0 : 0.75;
        const double f = 52.0 + 8.0 * random.unit();
        const double grain = std::fabs(std::sin(kTwoPi * f * t)) * 0.55 + 0.45;
        return grain * band(noise(random)) * level * envelope;
    });
    normalizePeak(out, 0.8f);
    return out;
}

Samples bounce(RandomSource& random) {
    constexpr int n = 33075;
    struct Impact {
        double start, level;
    };
    static constexpr Impact kImpacts[] = {{0.0, 1.0}, {0.21, 0.45}, {0.34, 0.2}};
    Samples out(std::size_t(n), 0.0f);
    for (const Impact& impact : kImpacts) {
        const int s0 = int(impact.start * kRate);
        Phase phase;
        double a = 0.0;
        for (int j = 0; j < 5292 && s0 + j < n; ++j) {
            const double tau = j / kRate;
            const double ph = phase.advance(150.0 - 300.0 * tau);
            a += 0.08 * (noise(random) - a);
            out[std::size_t(s0 + j)] += float((0.8 * std::sin(ph) + 1.6 * a) * std::exp(-38.0 * tau) *
                                              ramp(tau, 0.003) * impact.level);
        }
    }
    double a2 = 0.0;
    for (int i = 17640; i < n; ++i) {
        const double tau = i / kRate - 0.4;
        a2 += 0.03 * (noise(random) - a2);
        out[std::size_t(i)] += float(ramp(tau, 0.05) * std::exp(-6.0 * tau) * 2.2 * a2 *
                                     (0.7 + 0.3 * std::sin(kTwoPi * 9.0 * tau)));
    }
    normalizePeak(out, 0.8f);
    return out;
}

Samples thud(RandomSource& random) {
    Phase phase;
    double a = 0.0;
    Samples out = render(7056, [&](double t) {
        const double ph = phase.advance(95.0 - 180.0 * t);
        a += 0.06 * (noise(random) - a);
        const double s = std::sin(ph) + 2.5 * a;
        return std::exp(-30.0 * t) * ramp(t, 0.004) * s;
    });
    normalizePeak(out, 0.7f);
    return out;
}

Samples sneeze(RandomSource& random) {
    Band inhale(alpha(2400), alpha(600));
    Band burst(alpha(9000), alpha(2200));
    Phase phase;
    Samples out = render(22050, [&](double t) {
        if (t < 0.2) {
            const double x = t / 0.2;
            return x * x * inhale(noise(random)) * 0.25;
        }
        if (t < 0.27) return 0.0;  // holding its breath
        const double tau = t - 0.27;
        const double noisePart = std::exp(-26.0 * tau) * ramp(tau, 0.002) * burst(noise(random));
        const double tonePart = 0.18 * std::sin(phase.advance(900.0 - 900.0 * tau)) * std::exp(-40.0 * tau);
        return noisePart + tonePart;
    });
    normalizePeak(out, 0.7f);
    return out;
}

Samples thunder(RandomSource& random) {
    double centre[4], level[4];
    for (int k = 0; k < 4; ++k) {
        centre[k] = 0.25 + k * random.uniform(0.45, 0.8);
        level[k] = std::pow(0.7, k);
    }
    double a = 0.0, b = 0.0;
    Band crack(alpha(3000), alpha(300));
    Samples out = render(185220, [&](double t) {
        a += 0.012 * (noise(random) - a);
        b += 0.012 * (a - b);
        double envelope = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double d = (t - centre[k]) / 0.35;
            if (d * d < 60.0) envelope += level[k] * std::exp(-d * d);  // beyond: below any float step
        }
        double s = 14.0 * b * (0.5 * std::exp(-0.9 * t) + envelope) * std::min((4.2 - t) / 0.8, 1.0);
        if (t < 0.25) s += 0.35 * crack(noise(random)) * std::exp(-14.0 * t);
        return s;
    });
    normalizePeak(out, 0.85f);
    return out;
}

}  // namespace kp::synth
