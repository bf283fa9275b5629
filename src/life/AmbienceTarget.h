#pragma once
// What the cat's life model drives in the room's sound beds. Once a second the stat step mirrors
// the sound settings into `enabled` and `volume`, writes `levels` whole when they change, and calls
// `apply()` after every change. The room ambience player implements `apply()`.
#include "platform/EnumNames.h"

#include <array>
#include <cstddef>

namespace kp {

enum class AmbienceBed { rain, birds, fire, tv };

template <>
struct EnumNames<AmbienceBed> {
    static constexpr std::array<std::string_view, 4> names{"rain", "birds", "fire", "tv"};
};

// Wanted level per bed, 0...1; 0 stands for a bed that is not wanted. Fixed size, so building a
// fresh set each second allocates nothing.
struct AmbienceLevels {
    std::array<float, 4> values{};

    float operator[](AmbienceBed bed) const { return values[std::size_t(bed)]; }
    float& operator[](AmbienceBed bed) { return values[std::size_t(bed)]; }
    bool empty() const {
        for (float v : values)
            if (v != 0.0f) return false;
        return true;
    }
    bool operator==(const AmbienceLevels&) const = default;
};

// Levels at or below this are not worth playing.
constexpr bool isAudible(float level) { return level > 0.001f; }

class AmbienceTarget {
public:
    virtual ~AmbienceTarget() = default;

    bool enabled = true;   // mirrors "soundOn"
    float volume = 0.5f;   // mirrors "soundVolume"
    AmbienceLevels levels;

    // Brings the playing beds in line with the three fields above. Cheap and idempotent.
    virtual void apply() = 0;
};

}  // namespace kp
