#pragma once
// The cat's face for a bot state or a passing emote, shared by the notch face and the room cat.

#include "core/BotFace.h"
#include "cat/CatLook.h"

namespace kp {

CatExpression expressionFor(BotState state);
CatExpression expressionFor(BotEmote emote);

}  // namespace kp
