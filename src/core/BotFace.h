#pragma once
// The notch face's state and its short emotes.
#include "platform/EnumNames.h"

namespace kp {

enum class BotState {
    idle, working, thinking, searching, approval, question, error, finished, ratelimit,
    sleeping, dizzy, grumpy, sad, sick, dead
};

enum class BotEmote { love, surprised, proud, wink, yawn, happy, annoyed };

template <>
struct EnumNames<BotState> {
    static constexpr std::array<std::string_view, 15> names{
        "idle", "working", "thinking", "searching", "approval", "question", "error", "finished",
        "ratelimit", "sleeping", "dizzy", "grumpy", "sad", "sick", "dead"};
};

template <>
struct EnumNames<BotEmote> {
    static constexpr std::array<std::string_view, 7> names{
        "love", "surprised", "proud", "wink", "yawn", "happy", "annoyed"};
};

}  // namespace kp
