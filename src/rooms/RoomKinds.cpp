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
// Each prop stands where the room's furniture leaves it in sight: the bedroom's beside the
// bookcase, the living room's between the ottoman and the TV, the care room's by the chart (clear
// of the windows), the kitchen's and the garden's where they always stood.
constexpr std::array<double, roomKindCount> propShares{0.565, 0.73, 0.22, 0.31, 0.42};
// Where a piece would still cover part of it (a corner of the TV stand, the kitchen's tiles, the
// care chart's lower edge), the prop alone stands in front of the furniture.
constexpr std::array<bool, roomKindCount> propsInFront{false, true, true, true, false};
}  // namespace

const RoomPalette& roomPalette(IslandRoomKind kind) { return palettes[static_cast<std::size_t>(roomIndex(kind))]; }

double holidayPropShare(IslandRoomKind kind) { return propShares[static_cast<std::size_t>(roomIndex(kind))]; }

bool holidayPropInFront(IslandRoomKind kind) { return propsInFront[static_cast<std::size_t>(roomIndex(kind))]; }

}  // namespace kp
