#pragma once
// What a cat can wear. Raw values are the case names and are what records store.
// This header stays free of other app headers: the holiday calendar and the cat's look both use it.
#include "platform/EnumNames.h"

#include <optional>
#include <span>
#include <string_view>

namespace kp {

enum class CatAccessory {
    bow, bellCollar, glasses, beanie, scarf, boots, partyHat, bandana, flowerCrown, bowtie, socks, topHat,
    sunglasses, beret, tagCollar, backpack, tailBow, bowBlue, beanieGreen, partyHatPink, beretNavy,
    glassesPink, sunglassesBlue, sunglassesAmber, scarfRed, bandanaBlue, bellCollarBlue, tailBowBlue,
    backpackGreen, bootsYellow, socksBlue, witchHat, santaHat, bunnyEars, heartGlasses, partyCrown,
    carnivalMask, strawHat, headphones, raincoat, rainHat, sleepMask
};

template <>
struct EnumNames<CatAccessory> {
    static constexpr std::array<std::string_view, 42> names{
        "bow", "bellCollar", "glasses", "beanie", "scarf", "boots", "partyHat", "bandana", "flowerCrown",
        "bowtie", "socks", "topHat", "sunglasses", "beret", "tagCollar", "backpack", "tailBow", "bowBlue",
        "beanieGreen", "partyHatPink", "beretNavy", "glassesPink", "sunglassesBlue", "sunglassesAmber",
        "scarfRed", "bandanaBlue", "bellCollarBlue", "tailBowBlue", "backpackGreen", "bootsYellow",
        "socksBlue", "witchHat", "santaHat", "bunnyEars", "heartGlasses", "partyCrown", "carnivalMask",
        "strawHat", "headphones", "raincoat", "rainHat", "sleepMask"};
};

// Where a piece is worn. Head, face and neck pieces sit on the head drawing; body and feet
// pieces on the figure.
enum class AccessorySlot { head, face, neck, body, feet };

template <>
struct EnumNames<AccessorySlot> {
    static constexpr std::array<std::string_view, 5> names{"head", "face", "neck", "body", "feet"};
};

// The holiday calendar's enumeration (newYear, valentines, carnival, easter, festaJunina,
// halloween, christmas, birthday, in that order), defined with the calendar.
enum class Holiday;

AccessorySlot slot(CatAccessory a);
// The holiday whose season (or birth milestone, for the party hats) hands the piece out.
std::optional<Holiday> holiday(CatAccessory a);
// Title case, e.g. "Bow", "Blue Bell Collar".
std::string_view displayName(CatAccessory a);
// headphones, raincoat, rainHat, sleepMask: the cat puts these on by itself; never gifts.
bool isSelfWorn(CatAccessory a);
// The 29 pieces earned with time together, in the order they unlock: the 15 starters (three of
// each slot), then every other piece that is neither a holiday piece nor self-worn, in case order.
std::span<const CatAccessory> giftOrder();

}  // namespace kp
