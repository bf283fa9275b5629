// The face logic the island's face and the room cat share.
#include "cat/FaceLogic.h"

#include "core/Notifications.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <string>

using namespace kp;

TEST(FaceLogic, ExpressionsFollowTheOrderBaseDeathEmoteOverrideSleep) {
    FaceInputs in;
    EXPECT_EQ(faceExpression(in), CatExpression::content);
    in.petSleeping = true;
    EXPECT_EQ(faceExpression(in), CatExpression::asleep);
    in.override = BotState::grumpy;
    EXPECT_EQ(faceExpression(in), CatExpression::grumpy);
    in.emote = BotEmote::love;
    EXPECT_EQ(faceExpression(in), CatExpression::love);
    in.petDead = true;
    EXPECT_EQ(faceExpression(in), CatExpression::dead);
    in.base = CatExpression::eating;
    EXPECT_EQ(faceExpression(in), CatExpression::eating);

    FaceInputs deadOverride;
    deadOverride.override = BotState::dead;
    deadOverride.emote = BotEmote::happy;
    EXPECT_EQ(faceExpression(deadOverride), CatExpression::dead) << "an emote never lifts the dead face";
}

TEST(FaceLogic, EmotesShowForOnePointEightSecondsAndIgnoreOtherObjects) {
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    hub.post(note::triggerEmote, std::string("love"));
    EXPECT_FALSE(emotes.active()) << "a string is not an emote";
    hub.post(note::triggerEmote, BotEmote::love);
    EXPECT_EQ(emotes.active(), BotEmote::love);
    clock.advance(1.79);
    EXPECT_EQ(emotes.active(), BotEmote::love);
    clock.advance(0.02);
    EXPECT_FALSE(emotes.active());

    const unsigned before = emotes.serial();
    hub.post(note::triggerSlap);
    EXPECT_GT(emotes.serial(), before);
    EXPECT_DOUBLE_EQ(emotes.lastSlap(), clock.monotonic());
}
