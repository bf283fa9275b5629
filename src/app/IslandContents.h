#pragma once
// The open island's room on the app's shared instances.
#include "island/IslandContent.h"

#include <functional>
#include <memory>

namespace kp {

class AppState;
class IslandRoomView;

// The room, built as the app builds it. `tap` plays the tap tick of pressed buttons.
std::unique_ptr<IslandContent> makeRoomContent(AppState& state, std::function<void()> tap);

// The hosted room view (for tests), or null when `content` is not a room.
IslandRoomView* roomViewOf(IslandContent* content);

}  // namespace kp
