#pragma once
// The endless background music: four bars at a time in the style of a mood (the time of day, or a
// farewell after the cat has died), slower and softer in the rain. Bass, pad, an eighth-note
// arpeggio and a bell melody are rendered with three small voices into mono float samples at
// 44100 Hz; each segment's ring-out is carried into the next so the joins are seamless. Also the
// fixed score under the story film.
//
// A plain value: its owner mutates it from one thread at a time (the music box's queue).
#include "audio/AudioGraph.h"
#include "audio/SplitMixRandom.h"
#include "core/SkyTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kp::audio {

// The first five follow SkyTime by position.
enum class MusicMood { morning, day, afternoon, sunset, night, farewell };

constexpr MusicMood moodFor(SkyTime time) { return MusicMood(int(time)); }

struct MusicStyle {
    int key = 60;                 // MIDI note of degree 0
    std::array<int, 7> scale{};   // semitones of the degrees
    std::vector<std::array<int, 4>> progressions;  // chord roots, as degrees
    double bpm = 80;
    double arp = 0;               // chance of each arpeggio note after the first
    double melody = 0;            // scales the melody's note chances
    double pad = 0;               // pad velocity
    bool sparse = false;
};

struct MusicNote {
    enum class Voice { pad, bell, piano };
    double time = 0;       // seconds from the segment start
    Voice voice = Voice::bell;
    int midi = 60;
    double velocity = 0;   // linear gain
    double held = 0;       // pad only: held seconds

    static MusicNote bell(double time, int midi, double velocity) {
        return {time, Voice::bell, midi, velocity, 0};
    }
    static MusicNote piano(double time, int midi, double velocity) {
        return {time, Voice::piano, midi, velocity, 0};
    }
    static MusicNote pad(double time, int midi, double velocity, double held) {
        return {time, Voice::pad, midi, velocity, held};
    }
};

class MusicComposer {
public:
    static constexpr int kTailSamples = 220500;   // 5 s of ring-out carried over
    static constexpr int kStorySamples = 1234800; // 28 s
    static constexpr int kMelodyLow = 6;
    static constexpr int kMelodyHigh = 14;

    // The mood's style, modified for rain when `rainy`.
    static MusicStyle style(MusicMood mood, bool rainy);
    // Seconds of one four-bar segment.
    static double segmentSeconds(MusicMood mood, bool rainy);
    static int segmentSamples(MusicMood mood, bool rainy);

    // MIDI note of a scale degree; negative degrees reach into lower octaves.
    static int midi(int degree, const MusicStyle& style);
    static double frequency(int midi);

    // Writes the next four bars (without rendering them).
    std::vector<MusicNote> composeSegment(MusicMood mood, bool rainy);
    // The samples of the next four bars, exactly segmentSamples() long.
    Samples nextSegment(MusicMood mood, bool rainy);
    // The film's score; the same every time. Drops any carried ring-out, before and after.
    static std::vector<MusicNote> storyNotes();
    Samples storyScore();

    // Mixes notes (with the carried ring-out) into `seconds` of samples; keeps the rest as carry.
    Samples render(const std::vector<MusicNote>& notes, double seconds);
    // A note's samples at velocity 1, made once per voice, pitch and pad length.
    const Samples& renderNote(const MusicNote& note);

    // The voices. Pure functions of their inputs.
    static Samples bell(double frequency);
    static Samples piano(double frequency);
    static Samples pad(double frequency, double duration, double attack);

    // State, carried from segment to segment.
    Samples carry;
    long long progression = 0;
    int melodyStep = 9;
    SplitMixRandom rng;
    std::unordered_map<std::string, Samples> cache;
    // Every voice is a pure function, so forgetting a note only costs time. Over all moods and
    // both weathers the notes would take about 150 MB; past this many samples the notes unused
    // longest are dropped after a render (never those of the render just done).
    std::size_t cacheLimit = 16'000'000;
    // Drops every cached note; the box calls it once the music has stopped, so a silent app keeps
    // no note memory.
    void forgetNotes();

private:
    std::unordered_map<std::string, std::uint64_t> lastUse_;
    std::uint64_t renders_ = 0;
    void trimCache();
    void composeBar(const MusicStyle& s, int bar, int root, std::vector<int>& firstRhythm,
                    std::vector<MusicNote>& notes);
};

}  // namespace kp::audio
