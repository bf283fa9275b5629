#include <gtest/gtest.h>

#include "audio/MusicComposer.h"
#include "audio/SplitMixRandom.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace kp;
using kp::audio::MusicComposer;
using kp::audio::MusicMood;
using kp::audio::MusicNote;
using kp::audio::MusicStyle;
using kp::audio::Samples;
using Voice = MusicNote::Voice;

namespace {

constexpr MusicMood kMoods[] = {MusicMood::morning, MusicMood::day,   MusicMood::afternoon,
                                MusicMood::sunset,  MusicMood::night, MusicMood::farewell};

MusicComposer seeded(std::uint64_t seed) {
    MusicComposer c;
    c.rng.state = seed;
    return c;
}

double rms(const Samples& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

// One composed segment with what it was composed from.
struct Written {
    MusicStyle style;
    std::array<int, 4> roots;
    std::vector<MusicNote> notes;
    double bar;
    int barOf(const MusicNote& n) const { return int(n.time / bar + 1e-9); }
    // Melody bells are the ones louder than the sparse moods' extra bell (0.18).
    bool isMelody(const MusicNote& n) const { return n.voice == Voice::bell && n.velocity > 0.3; }
    int slotOf(const MusicNote& n) const { return int(std::lround((n.time - barOf(n) * bar) / (bar / 8))); }
};

Written write(MusicComposer& c, MusicMood mood, bool rainy) {
    Written w;
    w.style = MusicComposer::style(mood, rainy);
    w.roots = w.style.progressions[std::size_t(c.progression % 3)];
    w.bar = 4 * 60.0 / w.style.bpm;
    w.notes = c.composeSegment(mood, rainy);
    return w;
}

}  // namespace

// The draws are exact recipes, so a seed gives the same music on every machine: the values here were
// worked out from the recipes independently of this code.
TEST(MusicComposer, SeededDrawsFollowTheirRecipesBitForBit) {
    SplitMixRandom r;
    EXPECT_EQ(r.next(), 0xe220a8397b1dcdafull);
    EXPECT_EQ(r.next(), 0x6e789e6aa1b965f4ull);
    EXPECT_EQ(r.next(), 0x06c45d188009454full);
    r.state = 0;
    EXPECT_EQ(r.unit(2.0, 5.0), 2.0616056646206586);  // the low 53 bits
    r.state = 0;
    EXPECT_EQ(r.closed(0.14, 0.2), 0.19299864849281856);  // the high word of next x (2^53 + 1)
    r.state = 0;
    EXPECT_EQ(r.below(6), 5u);
    r.state = 0;
    EXPECT_EQ(r.below(1000003), 883313u);
    // This state's first draw falls in the closed draw's biased zone and is drawn again.
    r.state = 147;
    EXPECT_EQ(r.closed(-1.0, 1.0), 0.8230656276526138);
    EXPECT_EQ(r.state, 147 + 2 * 0x9e3779b97f4a7c15ull);
}

TEST(MusicComposer, SegmentsLastFourBarsOfTheMoodsTempoAndRainSlowsThem) {
    EXPECT_EQ(MusicComposer::segmentSamples(MusicMood::morning, false), 529200);  // 80 bpm: 12.0 s
    EXPECT_NEAR(MusicComposer::segmentSeconds(MusicMood::night, false), 18.4615, 1e-3);
    MusicComposer c = seeded(7);
    for (MusicMood mood : kMoods)
        for (bool rainy : {false, true}) {
            EXPECT_NEAR(MusicComposer::segmentSeconds(mood, rainy),
                        MusicComposer::segmentSeconds(mood, false) / (rainy ? 0.82 : 1.0), 1e-9);
            EXPECT_EQ(c.nextSegment(mood, rainy).size(), std::size_t(MusicComposer::segmentSamples(mood, rainy)));
        }
}

TEST(MusicComposer, EveryBarHasBassPadsAndAnArpeggioOnItsRoot) {
    MusicComposer c = seeded(99);
    for (MusicMood mood : kMoods) {
        for (bool rainy : {false, true}) {
            const Written w = write(c, mood, rainy);
            for (int bar = 0; bar < 4; ++bar) {
                const int R = w.roots[std::size_t(bar)];
                const double s = bar * w.bar;
                int bass = 0, second = 0, pads = 0, arp = 0;
                for (const MusicNote& n : w.notes) {
                    if (w.barOf(n) != bar) continue;
                    if (n.voice == Voice::piano && n.velocity == 0.5) {
                        ++bass;
                        EXPECT_EQ(n.midi, MusicComposer::midi(R - 7, w.style));
                        EXPECT_NEAR(n.time, s, 1e-9);
                    } else if (n.voice == Voice::piano && n.velocity == 0.3) {
                        ++second;
                        EXPECT_EQ(n.midi, MusicComposer::midi(R - 3, w.style));
                        EXPECT_NEAR(n.time, s + w.bar / 2, 1e-9);
                    } else if (n.voice == Voice::pad) {
                        ++pads;
                        EXPECT_NEAR(n.held, w.bar + 0.3, 1e-9);
                        const bool root = n.midi == MusicComposer::midi(R, w.style) && n.velocity == w.style.pad;
                        const bool fifth = n.midi == MusicComposer::midi(R + 4, w.style) &&
                                           std::abs(n.velocity - 0.8 * w.style.pad) < 1e-12;
                        EXPECT_TRUE(root || fifth);
                    } else if (n.voice == Voice::piano) {
                        ++arp;
                        EXPECT_GE(n.velocity, 0.14);
                        EXPECT_LE(n.velocity, 0.2);
                        std::set<int> tones;
                        for (int t : {R, R + 2, R + 4, R + 6}) tones.insert(MusicComposer::midi(t, w.style));
                        EXPECT_TRUE(tones.count(n.midi));
                    }
                }
                EXPECT_EQ(bass, 1);
                EXPECT_EQ(pads, 2);
                EXPECT_GE(arp, 1);  // the first eighth always sounds
                EXPECT_LE(arp, 8);
                EXPECT_LE(second, 1);
                if (w.style.sparse) {
                    EXPECT_EQ(second, 0) << "sparse moods have one bass note";
                }
            }
        }
    }
}

TEST(MusicComposer, TheMelodyStaysInRangeAnswersItsFirstBarAndClosesOnChordTones) {
    MusicComposer c = seeded(2024);
    int segments = 0;
    for (int round = 0; round < 40; ++round) {
        for (MusicMood mood : kMoods) {
            const bool rainy = round % 2 == 1;
            const Written w = write(c, mood, rainy);
            ++segments;
            std::set<int> inRange;
            for (int d = MusicComposer::kMelodyLow; d <= MusicComposer::kMelodyHigh; ++d)
                inRange.insert(MusicComposer::midi(d, w.style));
            std::map<int, std::vector<int>> rhythm;
            for (const MusicNote& n : w.notes) {
                if (!w.isMelody(n)) continue;
                const int bar = w.barOf(n), slot = w.slotOf(n);
                rhythm[bar].push_back(slot);
                EXPECT_TRUE(inRange.count(n.midi)) << "melody left degrees 6...14";
                EXPECT_NEAR(n.velocity, slot == 0 ? 0.48 : 0.38, 0.05 + 1e-12);
                const int R = w.roots[std::size_t(bar)];
                std::set<int> chordTones;
                for (int t : {7, 14, 9, 16, 11, 18, 13, 20}) chordTones.insert(MusicComposer::midi(R + t, w.style));
                if (bar == 3 || slot == 0 || slot == 4) {
                    EXPECT_TRUE(chordTones.count(n.midi));
                }
            }
            for (int bar = 0; bar < 4; ++bar) EXPECT_FALSE(rhythm[bar].empty()) << "every bar sings";
            EXPECT_EQ(rhythm[2], rhythm[0]) << "bar 2 repeats bar 0's rhythm";
            EXPECT_TRUE(rhythm[3] == std::vector<int>{0} || (rhythm[3] == std::vector<int>{0, 6}));
            EXPECT_GE(c.melodyStep, MusicComposer::kMelodyLow);
            EXPECT_LE(c.melodyStep, MusicComposer::kMelodyHigh);
        }
    }
    EXPECT_EQ(segments, 240);
}

TEST(MusicComposer, ProgressionsMoveOnAboutFourTimesInTenAndSparseBellsSoundInAboutThreeBarsOfTen) {
    MusicComposer c = seeded(5);
    int bars = 0, bells = 0;
    const int rounds = 1500;
    for (int i = 0; i < rounds; ++i) {
        const Written w = write(c, MusicMood::night, false);
        for (const MusicNote& n : w.notes) {
            if (n.voice != Voice::bell || n.velocity != 0.18) continue;
            ++bells;
            const int bar = w.barOf(n);
            const double beats = (n.time - bar * w.bar) / (w.bar / 4);
            EXPECT_TRUE(std::abs(beats - 1) < 1e-6 || std::abs(beats - 2) < 1e-6 || std::abs(beats - 3) < 1e-6);
            std::set<int> high;
            const int R = w.roots[std::size_t(bar)];
            for (int t : {R, R + 2, R + 4, R + 6}) high.insert(MusicComposer::midi(t + 14, w.style));
            EXPECT_TRUE(high.count(n.midi));
        }
        bars += 4;
    }
    EXPECT_NEAR(double(bells) / bars, 0.3, 0.03);
    EXPECT_NEAR(double(c.progression) / rounds, 0.4, 0.04);
}

TEST(MusicComposer, RingOutCarriesIntoTheNextRenderAndLateNotesAreSkipped) {
    MusicComposer c = seeded(1);
    // A bell half a second before the end rings on past it.
    const Samples first = c.render({MusicNote::bell(0.5, 81, 1.0)}, 1.0);
    ASSERT_EQ(first.size(), 44100u);
    ASSERT_EQ(c.carry.size(), std::size_t(MusicComposer::kTailSamples));
    const Samples bell = MusicComposer::bell(MusicComposer::frequency(81));
    EXPECT_FLOAT_EQ(first[22050 + 100], bell[100]);
    EXPECT_FLOAT_EQ(c.carry[1000], bell[22050 + 1000]);

    const Samples second = c.render({}, 1.0);
    EXPECT_FLOAT_EQ(second[1000], bell[22050 + 1000]);
    EXPECT_GT(rms(second, 0, 4410), 0.01);

    // A note that starts beyond the buffer and its tail changes nothing.
    MusicComposer quiet = seeded(1);
    const Samples silent = quiet.render({MusicNote::piano(7.0, 60, 1.0)}, 1.0);
    EXPECT_EQ(rms(silent, 0, silent.size()), 0.0);
    for (float x : quiet.carry) ASSERT_EQ(x, 0.0f);
}

TEST(MusicComposer, SegmentsJoinWithoutACut) {
    MusicComposer c = seeded(11);
    const Samples a = c.nextSegment(MusicMood::sunset, false);
    const Samples b = c.nextSegment(MusicMood::sunset, false);
    // The pads and bells still ring across the join, and nothing jumps there.
    EXPECT_GT(rms(a, a.size() - 4410, a.size()), 0.005);
    EXPECT_GT(rms(b, 0, 4410), 0.005);
    float steepest = 0;
    for (std::size_t i = a.size() - 2000; i + 1 < a.size(); ++i) steepest = std::max(steepest, std::abs(a[i + 1] - a[i]));
    EXPECT_LE(std::abs(b.front() - a.back()), 2 * steepest);
}

TEST(MusicComposer, TheStoryScoreIsFixedAndDropsTheRoomMusicsTail) {
    MusicComposer a = seeded(1), b = seeded(2);
    a.nextSegment(MusicMood::day, false);
    ASSERT_FALSE(a.carry.empty());
    const auto rngBefore = a.rng.state;
    const Samples sa = a.storyScore();
    const Samples sb = b.storyScore();
    ASSERT_EQ(sa.size(), std::size_t(MusicComposer::kStorySamples));
    EXPECT_EQ(sa, sb);
    EXPECT_TRUE(a.carry.empty());
    EXPECT_EQ(a.rng.state, rngBefore);
    // Quiet for the first 0.6 s, then the first section.
    EXPECT_EQ(rms(sa, 0, 26000), 0.0);
    EXPECT_GT(rms(sa, 26460, 26460 + 44100), 0.01);

    const std::vector<MusicNote> notes = MusicComposer::storyNotes();
    int bells = 0;
    for (const MusicNote& n : notes) bells += n.voice == Voice::bell;
    EXPECT_EQ(bells, 10 + 4 + 5);
    EXPECT_EQ(notes.size(), 4u * (1 + 1 + 4) + 10 + (1 + 2 + 8) + (1 + 2 + 4 + 8) + (2 + 3 + 5 + 5));
}

TEST(MusicComposer, VoicesHaveTheirLengthsAndNotesAreMadeOncePerVoicePitchAndPadLength) {
    EXPECT_EQ(MusicComposer::bell(440).size(), 132300u);
    EXPECT_EQ(MusicComposer::piano(440).size(), 154350u);
    EXPECT_EQ(MusicComposer::pad(220, 3.3, 1.0).size(), std::size_t((1.6 + 3.3) * 44100));

    // Low piano notes ring longer than high ones.
    const Samples low = MusicComposer::piano(131), high = MusicComposer::piano(1047);
    EXPECT_GT(rms(low, 88200, 92610) / rms(low, 0, 4410), rms(high, 88200, 92610) / rms(high, 0, 4410));
    // The pad swells in over its attack, holds, and has died away by its end.
    const Samples pad = MusicComposer::pad(220, 2.0, 1.0);
    EXPECT_LT(rms(pad, 0, 2205), rms(pad, 44100, 48510) / 5);
    EXPECT_LT(std::abs(pad.back()), 1e-4f);
    for (const Samples* s : {&low, &high, &pad})
        for (float x : *s) ASSERT_LT(std::abs(x), 1.0f);

    // Notes are made once per voice, pitch and pad length to a tenth of a second.
    MusicComposer c = seeded(3);
    c.render({MusicNote::pad(0, 60, 0.1, 3.31), MusicNote::pad(1, 60, 0.1, 3.36), MusicNote::pad(1, 60, 0.1, 3.41),
              MusicNote::bell(0, 72, 0.3), MusicNote::bell(2, 72, 0.3), MusicNote::piano(0, 72, 0.3)},
             4.0);
    EXPECT_EQ(c.cache.size(), 4u);
}

