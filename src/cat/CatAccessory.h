#pragma once
// What a cat can wear. Raw values are the case names and are what records store.
#include "platform/EnumNames.h"

namespace kp {

enum class CatAccessory {
    partyCrown, heartGlasses, carnivalMask, bunnyEars, strawHat, witchHat, santaHat, partyHat, partyHatPink
};

template <>
struct EnumNames<CatAccessory> {
    static constexpr std::array<std::string_view, 9> names{
        "partyCrown", "heartGlasses", "carnivalMask", "bunnyEars", "strawHat", "witchHat", "santaHat",
        "partyHat", "partyHatPink"};
};

}  // namespace kp
