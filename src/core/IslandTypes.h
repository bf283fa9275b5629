#pragma once
// The island's mode, what it shows, and the five rooms (in walking order, left to right).
#include "platform/EnumNames.h"

namespace kp {

enum class IslandMode { hidden, compact, expanded };

// What the island's content shows: the rooms, the greeting, or the first-run pages.
enum class IslandView { room, greeting, onboarding };

enum class IslandRoomKind { bedroom, living, kitchen, care, garden };

template <>
struct EnumNames<IslandMode> {
    static constexpr std::array<std::string_view, 3> names{"hidden", "compact", "expanded"};
};

template <>
struct EnumNames<IslandView> {
    static constexpr std::array<std::string_view, 3> names{"room", "greeting", "onboarding"};
};

template <>
struct EnumNames<IslandRoomKind> {
    static constexpr std::array<std::string_view, 5> names{"bedroom", "living", "kitchen", "care", "garden"};
};

}  // namespace kp
