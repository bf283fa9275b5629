#pragma once
// The shop's items, persisted by name. The catalogue (names, prices, sections) sits beside the wallet.
#include "platform/EnumNames.h"

namespace kp {

enum class ShopItem { treats, tuna, salmon, rug, hangingPlant, cushion, portrait, yarn, box, feather, laser };

template <>
struct EnumNames<ShopItem> {
    static constexpr std::array<std::string_view, 11> names{
        "treats", "tuna", "salmon", "rug", "hangingPlant", "cushion", "portrait", "yarn", "box", "feather", "laser"};
};

}  // namespace kp
