// Every pose of the room cat drawn in a room-sized picture: each shows a cat, near its place and
// inside the room.
#include "RoomCatWorld.h"

#include "platform/EnumNames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kp::test {
namespace {

struct Scene {
    std::string name;
    std::function<void(RoomCatWorld&)> setUp;
};

void poseScene(std::vector<Scene>& out, PetPose pose) {
    static const char* names[] = {"wander", "walking", "sitting", "napping", "batting", "scratching",
                                  "eating", "playing", "healing", "watching", "perched", "kneading",
                                  "stretching", "licking", "drinking", "sniffing", "resting", "digging",
                                  "lookout", "hunting", "hiding", "bellyUp", "sleeping", "dead"};
    out.push_back({names[int(pose)], [pose](RoomCatWorld& w) {
                       if (pose == PetPose::sleeping) w.life().setSleeping(true);
                       if (pose == PetPose::dead) PetLifeProbe::die(w.life());
                       if (pose == PetPose::walking || pose == PetPose::wander || pose == PetPose::hunting)
                           PetLifeProbe::setStepping(w.life(), true);
                       w.life().setPose(pose);
                   }});
}

std::vector<Scene> scenes() {
    std::vector<Scene> s;
    for (int i = 0; i <= int(PetPose::dead); ++i) poseScene(s, PetPose(i));
    s.push_back({"box-inside", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::sitting);
                     PetLifeProbe::setToy(w.life(), ShopItem::box, w.now() + 2.5 + 41);
                 }});
    s.push_back({"yarn", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::batting);
                     PetLifeProbe::setToy(w.life(), ShopItem::yarn, w.now() + 5);
                 }});
    s.push_back({"feather", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::batting);
                     PetLifeProbe::setToy(w.life(), ShopItem::feather, w.now() + 5);
                 }});
    s.push_back({"laser", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::hunting);
                     PetLifeProbe::setToy(w.life(), ShopItem::laser, w.now() + 6);
                 }});
    s.push_back({"zoomies", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::walking);
                     PetLifeProbe::setStepping(w.life(), true);
                     PetLifeProbe::setZooming(w.life(), true);
                 }});
    s.push_back({"kitten", [](RoomCatWorld& w) { PetLifeTestAccess::setBirth(w.life(), w.now()); }});
    s.push_back({"reactions", [](RoomCatWorld& w) {
                     w.life().react(PetReaction::Kind::heart, 2, w.now() + 2.5 - 0.4);
                     w.life().react(PetReaction::Kind::meow, 1, w.now() + 2.5 - 0.6);
                 }});
    return s;
}

TEST(RoomCatSheet, EveryPoseDrawsACatInsideTheRoom) {
    for (const Scene& scene : scenes()) {
        RoomCatWorld w;
        w.show(IslandRoomKind::bedroom);
        PetLifeProbe::setPlace(w.life(), 0.45);
        scene.setUp(w);
        w.settle();
        const QImage cat = w.render();
        const RoomCatState& c = w.layer->state();
        const QRect ink = inkBounds(cat);
        EXPECT_FALSE(ink.isEmpty()) << scene.name;
        EXPECT_GT(ink.left(), c.x - 80) << scene.name;
        EXPECT_LT(ink.right(), c.x + 80) << scene.name;
        EXPECT_GE(ink.top(), 0) << scene.name;
        EXPECT_LT(ink.bottom(), 160) << scene.name;
    }
}

}  // namespace
}  // namespace kp::test
