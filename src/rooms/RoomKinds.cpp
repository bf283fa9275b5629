#include "rooms/RoomKinds.h"

#include "platform/EnumNames.h"

#include <array>

namespace kp {

std::optional<IslandRoomKind> roomKindFromRaw(std::string_view raw) {
    return fromRawValue<IslandRoomKind>(raw);
}

std::string_view roomKindRaw(IslandRoomKind kind) { return rawValue(kind); }

namespace {
constexpr std::array<RoomPalette, roomKindCount> palettes{{
    {"#D8C2A8", "#C4A88A", "#7A5E4A"},  // bedroom
    {"#A8B4C4", "#8E9AAB", "#6A5E56"},  // living
    {"#9EC8DA", "#7EB0C8", "#7A6656"},  // kitchen
    {"#E4F0EA", "#D5E4DE", "#8FA89E"},  // care
    {"#9ED6E4", "#D4ECFA", "#5E9E57"},  // garden
}};
constexpr std::array<double, roomKindCount> propShares{0.53, 0.10, 0.22, 0.13, 0.42};
}  // namespace

const RoomPalette& roomPalette(IslandRoomKind kind) { return palettes[static_cast<std::size_t>(roomIndex(kind))]; }

double holidayPropShare(IslandRoomKind kind) { return propShares[static_cast<std::size_t>(roomIndex(kind))]; }

}  // namespace kp
