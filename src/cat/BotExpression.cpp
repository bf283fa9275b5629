#include "cat/BotExpression.h"

namespace kp {

CatExpression expressionFor(BotState state) {
    switch (state) {
        case BotState::sleeping: return CatExpression::asleep;
        case BotState::grumpy: return CatExpression::grumpy;
        case BotState::sad: return CatExpression::sad;
        case BotState::sick: return CatExpression::sick;
        case BotState::dead: return CatExpression::dead;
        case BotState::idle:
        case BotState::working:
        case BotState::thinking:
        case BotState::searching: return CatExpression::content;
        case BotState::approval:
        case BotState::question: return CatExpression::meow;
        case BotState::error:
        case BotState::ratelimit:
        case BotState::dizzy: return CatExpression::surprised;
        case BotState::finished: return CatExpression::happy;
    }
    return CatExpression::content;
}

CatExpression expressionFor(BotEmote emote) {
    switch (emote) {
        case BotEmote::love: return CatExpression::love;
        case BotEmote::surprised: return CatExpression::surprised;
        case BotEmote::proud:
        case BotEmote::wink:
        case BotEmote::happy: return CatExpression::happy;
        case BotEmote::yawn: return CatExpression::sleepy;
        case BotEmote::annoyed: return CatExpression::grumpy;
    }
    return CatExpression::content;
}

}  // namespace kp
