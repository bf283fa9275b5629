#include "cat/CatAccessory.h"

#include <algorithm>

namespace kp {

namespace {

using A = CatAccessory;
using S = AccessorySlot;

constexpr std::size_t kCount = caseCount<CatAccessory>();

struct Piece {
    S slot;
    std::string_view name;
};

// In case order.
constexpr std::array<Piece, kCount> kPieces{{
    {S::head, "Bow"},
    {S::neck, "Bell Collar"},
    {S::face, "Glasses"},
    {S::head, "Beanie"},
    {S::neck, "Scarf"},
    {S::feet, "Boots"},
    {S::head, "Party Hat"},
    {S::neck, "Bandana"},
    {S::head, "Flower Crown"},
    {S::neck, "Bow Tie"},
    {S::feet, "Socks"},
    {S::head, "Top Hat"},
    {S::face, "Sunglasses"},
    {S::head, "Beret"},
    {S::neck, "Tag Collar"},
    {S::body, "Backpack"},
    {S::body, "Tail Bow"},
    {S::head, "Blue Bow"},
    {S::head, "Green Beanie"},
    {S::head, "Pink Party Hat"},
    {S::head, "Navy Beret"},
    {S::face, "Pink Glasses"},
    {S::face, "Blue Sunglasses"},
    {S::face, "Amber Sunglasses"},
    {S::neck, "Red Scarf"},
    {S::neck, "Blue Bandana"},
    {S::neck, "Blue Bell Collar"},
    {S::body, "Blue Tail Bow"},
    {S::body, "Green Backpack"},
    {S::feet, "Yellow Boots"},
    {S::feet, "Blue Socks"},
    {S::head, "Witch Hat"},
    {S::head, "Santa Hat"},
    {S::head, "Bunny Ears"},
    {S::face, "Heart Glasses"},
    {S::head, "Party Crown"},
    {S::face, "Carnival Mask"},
    {S::head, "Straw Hat"},
    {S::head, "Headphones"},
    {S::body, "Raincoat"},
    {S::head, "Rain Hat"},
    {S::face, "Sleep Mask"},
}};

// Holiday cases by their position in the calendar's enumeration.
enum HolidayIndex : int { newYear, valentines, carnival, easter, festaJunina, halloween, christmas, birthday };

constexpr int holidayIndex(A a) {
    switch (a) {
    case A::partyCrown: return newYear;
    case A::heartGlasses: return valentines;
    case A::carnivalMask: return carnival;
    case A::bunnyEars: return easter;
    case A::strawHat: return festaJunina;
    case A::witchHat: return halloween;
    case A::santaHat: return christmas;
    case A::partyHat:
    case A::partyHatPink: return birthday;
    default: return -1;
    }
}

constexpr std::array<A, 15> kStarters{
    A::bow, A::beanie, A::bowBlue, A::glasses, A::sunglasses, A::glassesPink, A::bellCollar, A::scarf,
    A::bandana, A::backpack, A::tailBow, A::tailBowBlue, A::boots, A::socks, A::bootsYellow};

constexpr bool selfWorn(A a) {
    return a == A::headphones || a == A::raincoat || a == A::rainHat || a == A::sleepMask;
}

constexpr auto makeGiftOrder() {
    std::array<A, 29> order{};
    std::size_t n = 0;
    for (A a : kStarters) order[n++] = a;
    for (std::size_t i = 0; i < kCount; ++i) {
        const A a = static_cast<A>(i);
        const bool starter = std::find(kStarters.begin(), kStarters.end(), a) != kStarters.end();
        if (!starter && holidayIndex(a) < 0 && !selfWorn(a)) order[n++] = a;
    }
    return std::pair{order, n};
}

constexpr auto kGiftOrderBuilt = makeGiftOrder();
static_assert(kGiftOrderBuilt.second == 29, "every gift piece has a place in the unlock order");
constexpr std::array<A, 29> kGiftOrder = kGiftOrderBuilt.first;

}  // namespace

AccessorySlot slot(CatAccessory a) { return kPieces[static_cast<std::size_t>(a)].slot; }

std::optional<Holiday> holiday(CatAccessory a) {
    const int h = holidayIndex(a);
    if (h < 0) return std::nullopt;
    return static_cast<Holiday>(h);
}

std::string_view displayName(CatAccessory a) { return kPieces[static_cast<std::size_t>(a)].name; }

bool isSelfWorn(CatAccessory a) { return selfWorn(a); }

std::span<const CatAccessory> giftOrder() { return kGiftOrder; }

}  // namespace kp
