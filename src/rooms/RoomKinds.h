#pragma once
// The five rooms by name, and the per-room tables of the walls, floor and holiday pieces.
#include "core/IslandTypes.h"

#include <optional>
#include <string_view>

namespace kp {

// The room with exactly this raw value ("bedroom", "living", "kitchen", "care", "garden");
// none for any other spelling.
std::optional<IslandRoomKind> roomKindFromRaw(std::string_view raw);
std::string_view roomKindRaw(IslandRoomKind kind);
constexpr int roomIndex(IslandRoomKind kind) { return static_cast<int>(kind); }
inline constexpr int roomKindCount = 5;

struct RoomPalette {
    const char* wallTop;
    const char* wallBottom;
    const char* floor;
};

// The walls' gradient and the floor of a room (the garden's row is kept, but the garden draws
// its own backdrop).
const RoomPalette& roomPalette(IslandRoomKind kind);

// Where the holiday's standing prop stands, as a share of the room width.
double holidayPropShare(IslandRoomKind kind);
// Whether the prop is drawn over the furniture (else under it, with the decorations).
bool holidayPropInFront(IslandRoomKind kind);

}  // namespace kp
