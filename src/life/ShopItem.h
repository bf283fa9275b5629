#pragma once
// The shop's items, persisted by name, with their fixed catalogue: names, blurbs, prices, sections.
#include "platform/EnumNames.h"

#include <span>
#include <string_view>

namespace kp {

enum class ShopItem { treats, tuna, salmon, rug, hangingPlant, cushion, portrait, yarn, box, feather, laser };

template <>
struct EnumNames<ShopItem> {
    static constexpr std::array<std::string_view, 11> names{
        "treats", "tuna", "salmon", "rug", "hangingPlant", "cushion", "portrait", "yarn", "box", "feather", "laser"};
};

// Food is eaten at once; home items can be put away; toys stay out.
enum class ShopSection { food, home, toys };

template <>
struct EnumNames<ShopSection> {
    static constexpr std::array<std::string_view, 3> names{"food", "home", "toys"};
};

namespace shop_detail {

struct Entry {
    std::string_view name;
    std::string_view blurb;
    int price;
    ShopSection section;
};

inline constexpr std::array<Entry, 11> kCatalogue{{
    {"Fish treats", "A handful. Not filling, but oh, the joy.", 3, ShopSection::food},
    {"Tuna pouch", "Fills him up more than his kibble.", 6, ShopSection::food},
    {"Salmon dinner", "A proper dinner: full, happy and healthy.", 10, ShopSection::food},
    {"Round rug", "Soft and striped, by the bed.", 25, ShopSection::home},
    {"Hanging plant", "Green, out of reach. Mostly.", 30, ShopSection::home},
    {"Floor cushion", "Plump and round, on the floor.", 35, ShopSection::home},
    {"Cat portrait", "A painting of him, of course.", 40, ShopSection::home},
    {"Yarn ball", "He bats it all over the floor.", 12, ShopSection::toys},
    {"Cardboard box", "If he fits, he sits.", 8, ShopSection::toys},
    {"Feather wand", "He leaps for the feather.", 15, ShopSection::toys},
    {"Laser pointer", "The red dot. He will catch it one day.", 20, ShopSection::toys},
}};

inline constexpr std::array<ShopItem, 3> kFood{ShopItem::treats, ShopItem::tuna, ShopItem::salmon};
inline constexpr std::array<ShopItem, 4> kHome{ShopItem::rug, ShopItem::hangingPlant, ShopItem::cushion,
                                               ShopItem::portrait};
inline constexpr std::array<ShopItem, 4> kToys{ShopItem::yarn, ShopItem::box, ShopItem::feather, ShopItem::laser};

}  // namespace shop_detail

// Display name, e.g. "Round rug".
constexpr std::string_view itemName(ShopItem item) {
    return shop_detail::kCatalogue[static_cast<std::size_t>(item)].name;
}
constexpr std::string_view blurb(ShopItem item) {
    return shop_detail::kCatalogue[static_cast<std::size_t>(item)].blurb;
}
// Coins.
constexpr int price(ShopItem item) { return shop_detail::kCatalogue[static_cast<std::size_t>(item)].price; }
constexpr ShopSection section(ShopItem item) {
    return shop_detail::kCatalogue[static_cast<std::size_t>(item)].section;
}

// The items of a section in case order.
constexpr std::span<const ShopItem> shopItems(ShopSection s) {
    switch (s) {
    case ShopSection::food: return shop_detail::kFood;
    case ShopSection::home: return shop_detail::kHome;
    case ShopSection::toys: return shop_detail::kToys;
    }
    return {};
}

}  // namespace kp
