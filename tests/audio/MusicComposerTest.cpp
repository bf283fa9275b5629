#include <gtest/gtest.h>

#include "Listen.h"
#include "audio/MusicComposer.h"
#include "audio/SplitMixRandom.h"

#include <map>
#include <set>

using namespace kp;
using kp::audio::MusicComposer;
using kp::audio::MusicMood;
using kp::audio::MusicNote;
using kp::audio::Samples;
using kp::test::rms;
using Voice = MusicNote::Voice;

namespace {

constexpr MusicMood kMoods[] = {MusicMood::morning, MusicMood::day,   MusicMood::afternoon,
                                MusicMood::sunset,  MusicMood::night, MusicMood::farewell};

MusicComposer seeded(std::uint64_t seed) {
    MusicComposer c;
    c.rng.state = seed;
    return c;
}

// One composed segment with what it was composed from.
struct Written {
    audio::MusicStyle style;
    std::array<int, 4> roots;
    std::vector<MusicNote> notes;
    double bar;
    Written(MusicComposer& c, MusicMood mood, bool rainy)
        : style(MusicComposer::style(mood, rainy)),
          roots(style.progressions[std::size_t(c.progression % 3)]),
          notes(c.composeSegment(mood, rainy)),
          bar(4 * 60.0 / style.bpm) {}
    int barOf(const MusicNote& n) const { return int(n.time / bar + 1e-9); }
    int slotOf(const MusicNote& n) const { return int(std::lround((n.time - barOf(n) * bar) / (bar / 8))); }
    // Melody bells are the ones louder than the sparse moods' extra bell (0.18).
    bool isMelody(const MusicNote& n) const { return n.voice == Voice::bell && n.velocity > 0.3; }
    // The notes of degrees `degrees` above the bar's root, in any octave given by `shifts`.
    std::set<int> chord(int bar, const std::vector<int>& degrees, const std::vector<int>& shifts = {0}) const {
        std::set<int> out;
        for (int s : shifts)
            for (int d : degrees) out.insert(MusicComposer::midi(roots[std::size_t(bar)] + d + s, style));
        return out;
    }
};

}  // namespace

// The draws are exact recipes, so a seed gives the same music on every machine: the values here were
// worked out from the recipes independently of this code.
TEST(MusicComposer, SeededDrawsFollowTheirRecipesBitForBit) {
    SplitMixRandom r;
    EXPECT_EQ(r.next(), 0xe220a8397b1dcdafull);
    EXPECT_EQ(r.next(), 0x6e789e6aa1b965f4ull);
    EXPECT_EQ(SplitMixRandom().unit(2.0, 5.0), 2.0616056646206586);  // the low 53 bits
    EXPECT_EQ(SplitMixRandom().closed(0.14, 0.2), 0.19299864849281856);  // the high word of next x (2^53 + 1)
    EXPECT_EQ(SplitMixRandom().below(1000003), 883313u);
    // This state's first draw falls in the closed draw's biased zone and is drawn again.
    r.state = 147;
    EXPECT_EQ(r.closed(-1.0, 1.0), 0.8230656276526138);
    EXPECT_EQ(r.state, 147 + 2 * 0x9e3779b97f4a7c15ull);
}

// Every bar stands on its chord: a bass note under its root (and its third in the fuller moods), root
// and fifth held on the pad, an arpeggio and the sparse moods' high bell on chord tones. The melody
// stays in its range, lands on chord tones on the strong beats and in the last bar, and its third
// bar answers the first's rhythm, and it sings mostly on the beat. Four bars to a segment, slower in
// the rain.
TEST(MusicComposer, EveryBarStandsOnItsChordAndTheMelodyAnswersItsFirstBar) {
    MusicComposer c = seeded(2024);
    int sparseBars = 0, highBells = 0, onBeat = 0, offBeat = 0;
    for (int round = 0; round < 240; ++round) {
        const MusicMood mood = kMoods[round % 6];
        const bool rainy = round % 12 >= 6;
        const Written w(c, mood, rainy);
        EXPECT_NEAR(4 * w.bar, MusicComposer::segmentSeconds(mood, false) / (rainy ? 0.82 : 1.0), 1e-9);
        std::map<int, std::vector<int>> rhythm;
        std::map<int, std::map<double, int>> count;  // bar -> velocity or voice -> notes
        for (const MusicNote& n : w.notes) {
            const int bar = w.barOf(n), slot = w.slotOf(n);
            if (n.voice == Voice::pad) {
                ++count[bar][-1];
                EXPECT_TRUE(w.chord(bar, {0, 4}).count(n.midi));
                EXPECT_NEAR(n.held, w.bar + 0.3, 1e-9);
            } else if (n.voice == Voice::piano) {
                ++count[bar][n.velocity >= 0.3 ? n.velocity : 0];
                const auto degrees = n.velocity == 0.5 ? std::vector{-7} : n.velocity == 0.3 ? std::vector{-3}
                                                                                               : std::vector{0, 2, 4, 6};
                EXPECT_TRUE(w.chord(bar, degrees).count(n.midi));
                EXPECT_TRUE(n.velocity != 0.5 || std::abs(n.time - bar * w.bar) < 1e-9);
            } else if (!w.isMelody(n)) {
                ++highBells;
                EXPECT_TRUE(slot == 2 || slot == 4 || slot == 6);
                EXPECT_TRUE(w.chord(bar, {0, 2, 4, 6}, {14}).count(n.midi));
            } else {
                rhythm[bar].push_back(slot);
                ++(slot % 2 == 0 ? onBeat : offBeat);
                EXPECT_GE(n.midi, MusicComposer::midi(MusicComposer::kMelodyLow, w.style));
                EXPECT_LE(n.midi, MusicComposer::midi(MusicComposer::kMelodyHigh, w.style));
                EXPECT_NEAR(n.velocity, slot == 0 ? 0.48 : 0.38, 0.05 + 1e-12);
                const bool strong = bar == 3 || slot == 0 || slot == 4;
                EXPECT_TRUE(!strong || w.chord(bar, {7, 9, 11, 13}, {0, 7}).count(n.midi));
            }
        }
        for (int bar = 0; bar < 4; ++bar) {
            EXPECT_EQ(count[bar][-1], 2);   // pads
            EXPECT_EQ(count[bar][0.5], 1);  // bass
            EXPECT_LE(count[bar][0.3], w.style.sparse ? 0 : 1);
            EXPECT_GE(count[bar][0], 1);  // the arpeggio's first eighth always sounds
            EXPECT_FALSE(rhythm[bar].empty()) << "every bar sings";
        }
        EXPECT_EQ(rhythm[2], rhythm[0]) << "bar 2 repeats bar 0's rhythm";
        EXPECT_TRUE(rhythm[3] == std::vector<int>{0} || (rhythm[3] == std::vector<int>{0, 6}));
        sparseBars += w.style.sparse ? 4 : 0;
    }
    // The chords move on about four times in ten, the high bell sounds in about three bars of ten.
    EXPECT_NEAR(double(highBells) / sparseBars, 0.3, 0.06);
    EXPECT_NEAR(double(c.progression) / 240, 0.4, 0.08);
    EXPECT_GT(onBeat, 2 * offBeat);
}

TEST(MusicComposer, RingOutCarriesOverSoSegmentsJoinWithoutACut) {
    MusicComposer c = seeded(1);
    // A bell half a second before the end rings on into the next render.
    const Samples bell = MusicComposer::bell(MusicComposer::frequency(81));
    EXPECT_FLOAT_EQ(c.render({MusicNote::bell(0.5, 81, 1.0)}, 1.0)[22050 + 100], bell[100]);
    EXPECT_FLOAT_EQ(c.render({}, 1.0)[1000], bell[22050 + 1000]);

    const Samples a = c.nextSegment(MusicMood::sunset, false);
    const Samples b = c.nextSegment(MusicMood::sunset, false);
    ASSERT_EQ(a.size(), std::size_t(MusicComposer::segmentSamples(MusicMood::sunset, false)));
    // The pads and bells still ring across the join, and nothing jumps there.
    EXPECT_GT(rms(a, a.size() - 4410), 0.005);
    EXPECT_GT(rms(b, 0, 4410), 0.005);
    float steepest = 0;
    for (std::size_t i = a.size() - 2000; i + 1 < a.size(); ++i) steepest = std::max(steepest, std::abs(a[i + 1] - a[i]));
    EXPECT_LE(std::abs(b.front() - a.back()), 2 * steepest);
}

TEST(MusicComposer, TheStoryScoreIsTheSameEveryTimeAndDropsTheRoomMusicsTail) {
    MusicComposer a = seeded(1), b = seeded(2);
    a.nextSegment(MusicMood::day, false);
    const auto rngBefore = a.rng.state;
    const Samples sa = a.storyScore();
    EXPECT_EQ(sa, b.storyScore());
    EXPECT_EQ(sa.size(), std::size_t(MusicComposer::kStorySamples));
    EXPECT_EQ(a.rng.state, rngBefore);
    // Quiet for the first 0.6 s (no room music ringing on), then the first section.
    EXPECT_EQ(rms(sa, 0, 26000), 0.0);
    EXPECT_GT(rms(sa, 26460, 26460 + 44100), 0.01);
    EXPECT_EQ(rms(a.render({}, 1.0)), 0.0);
}

TEST(MusicComposer, LowPianoNotesRingLongerAndPadsSwellAndDie) {
    // Low piano notes ring longer than high ones.
    const Samples low = MusicComposer::piano(131), high = MusicComposer::piano(1047);
    EXPECT_GT(rms(low, 88200, 92610) / rms(low, 0, 4410), rms(high, 88200, 92610) / rms(high, 0, 4410));
    // The pad swells in over its attack, holds, and has died away by its end.
    const Samples pad = MusicComposer::pad(220, 2.0, 1.0);
    EXPECT_LT(rms(pad, 0, 2205), rms(pad, 44100, 48510) / 5);
    EXPECT_LT(std::abs(pad.back()), 1e-4f);
    for (const Samples* s : {&low, &high, &pad}) EXPECT_LT(test::peak(*s), 1.0f);
}

// Each mood's music is heard in its key: over many segments, rain or not, the notes that sound are the
// seven of that key and no other, whatever the octave.
TEST(MusicComposer, EachMoodPlaysTheSevenNotesOfItsKeyAndNoOther) {
    const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const std::map<MusicMood, std::string> keys{
        {MusicMood::morning, "C# D E F# G A B"},      // D major
        {MusicMood::day, "C D E F# G A B"},           // C with its fourth raised
        {MusicMood::afternoon, "C D D# F G A A#"},    // B flat major
        {MusicMood::sunset, "C D D# F G G# A#"},      // E flat major
        {MusicMood::night, "C C# D# F F# G# A#"},     // D flat major
        {MusicMood::farewell, "C D E F G A B"},       // A minor: the white keys
    };
    MusicComposer c = seeded(7);
    for (const auto& [mood, key] : keys) {
        std::set<int> heard;
        for (int round = 0; round < 40; ++round)
            for (const MusicNote& n : c.composeSegment(mood, round % 2 == 1)) heard.insert(n.midi % 12);
        std::string played;
        for (int pc : heard) played += (played.empty() ? "" : " ") + std::string(names[pc]);
        EXPECT_EQ(played, key) << "mood " << int(mood);
    }
}
