// The box play's timeline as the cat moves through it, and the words shown for a pose.
#include "rooms/RoomCatState.h"
#include "rooms/RoomToys.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(RoomToys, BoxPlayOnlyForASittingCatWithAStartedBox) {
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::sitting, false, std::nullopt));
    EXPECT_FALSE(boxPlay(ShopItem::yarn, PetPose::sitting, false, 3.0));
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::walking, false, 3.0));
    EXPECT_FALSE(boxPlay(ShopItem::box, PetPose::sitting, true, 3.0));
    EXPECT_TRUE(boxPlay(ShopItem::box, PetPose::sitting, false, 3.0));
}

TEST(RoomToys, BoxStandsAheadThenTheCatHopsIn) {
    // The first 1.4 s: the box 28 points ahead, the cat still.
    const BoxPlay before = *boxPlay(ShopItem::box, PetPose::sitting, false, 1.0);
    EXPECT_EQ(before.phase.kind, ToyPlayPhase::Kind::waiting);
    EXPECT_DOUBLE_EQ(before.m, 0);
    EXPECT_DOUBLE_EQ(before.hop, 0);
    EXPECT_DOUBLE_EQ(before.boxOffset().x(), 28);

    // Top of the hop: 20 points up, half way in.
    const BoxPlay hop = *boxPlay(ShopItem::box, PetPose::sitting, false, 1.75);
    EXPECT_NEAR(hop.hop, -20, 1e-9);
    EXPECT_NEAR(hop.m, 0.5, 1e-9);

    // Landed (v = 1): all the way in, 5 points lower; the box has not moved.
    const BoxPlay in = *boxPlay(ShopItem::box, PetPose::sitting, false, 2.1 - 1e-12);
    EXPECT_NEAR(in.m, 1, 1e-9);
    EXPECT_NEAR(in.hop, 5, 1e-6);
    EXPECT_NEAR(in.boxOffset().x(), 0, 1e-9);
    EXPECT_NEAR(in.boxOffset().y(), -5.6, 1e-6);

    // The long middle spell is a nap, sunk a little lower.
    const BoxPlay nap = *boxPlay(ShopItem::box, PetPose::sitting, false, 2.1 + 15);
    EXPECT_TRUE(nap.nap);
    EXPECT_NEAR(nap.hop, 12 * 0.3 + 5, 1e-9);
    // Out again at the end.
    const BoxPlay out = *boxPlay(ShopItem::box, PetPose::sitting, false, 45.0);
    EXPECT_EQ(out.phase.kind, ToyPlayPhase::Kind::jumpingOut);
    EXPECT_NEAR(out.m, 0, 1e-9);
}

RoomCatState catAt(PetPose pose) {
    RoomCatState c;
    c.pose = pose;
    c.x = 300;
    c.y = 100;
    c.s = 1;
    c.f = 1;
    c.headOffset = {5, -13};
    return c;
}

TEST(RoomToys, WatchingMarksAskOnceThenTwiceThenRest) {
    const RoomCatState c = catAt(PetPose::watching);
    const double base = 6.5 * 1000;
    PoseEffect e = poseEffect(c, base + 0.5);
    ASSERT_EQ(e.words.size(), 1u);
    EXPECT_EQ(e.words[0], u"?");
    EXPECT_EQ(e.opacity, 1);
    e = poseEffect(c, base + 1.2);
    EXPECT_EQ(e.words[0], u"??");
    EXPECT_EQ(e.opacity, 1);
    EXPECT_EQ(poseEffect(c, base + 2.0).opacity, 0);
    EXPECT_EQ(poseEffect(c, base + 6.4).opacity, 0);
}

TEST(RoomToys, PoseWordsAndAnchors) {
    RoomCatState c = catAt(PetPose::eating);
    PoseEffect e = poseEffect(c, 1);
    EXPECT_EQ(e.words[0], u"nom");
    EXPECT_TRUE(e.crumbs);
    EXPECT_EQ(e.anchor, QPointF(305, 87));
    c.meal = ShopItem::tuna;
    EXPECT_EQ(poseEffect(c, 1).words[0], u"yum!");

    c = catAt(PetPose::sniffing);
    EXPECT_EQ(poseEffect(c, 1).anchor, QPointF(305, 83));
    c = catAt(PetPose::digging);
    c.f = -1;
    e = poseEffect(c, 1);
    EXPECT_TRUE(e.dirt);
    EXPECT_EQ(e.anchor, QPointF(312, 110));  // behind the cat

    // Music shows notes only in a listening pose; the notes run slower.
    c = catAt(PetPose::sitting);
    EXPECT_TRUE(poseEffect(c, 1).empty());
    c.music = true;
    e = poseEffect(c, 10);
    EXPECT_EQ(e.words.size(), 2u);
    EXPECT_DOUBLE_EQ(e.time, 7);
}

}  // namespace
}  // namespace kp
