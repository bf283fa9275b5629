// Every pose of the room cat drawn in a room-sized picture: each shows a cat, near its place and
// inside the room. With KP_ROOM_CAT_PNG set to a folder, the pictures and a contact sheet are
// written there to look at.
#include "RoomCatWorld.h"

#include "platform/EnumNames.h"

#include <QDir>
#include <QLinearGradient>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kp::test {
namespace {

struct Scene {
    std::string name;
    std::function<void(RoomCatWorld&)> setUp;
    IslandRoomKind room = IslandRoomKind::bedroom;
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
    s.push_back({"box-hop", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::sitting);
                     PetLifeProbe::setToy(w.life(), ShopItem::box, w.now() + 2.5 + 43.25);
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
    s.push_back({"crying", [](RoomCatWorld& w) { PetLifeProbe::setMood(w.life(), PetMood::crying); }});
    s.push_back({"sick", [](RoomCatWorld& w) { PetLifeProbe::setMood(w.life(), PetMood::sick); }});
    s.push_back({"zoomies", [](RoomCatWorld& w) {
                     w.life().setPose(PetPose::walking);
                     PetLifeProbe::setStepping(w.life(), true);
                     PetLifeProbe::setZooming(w.life(), true);
                 }});
    s.push_back({"kitten", [](RoomCatWorld& w) { PetLifeTestAccess::setBirth(w.life(), w.now()); }});
    s.push_back({"climb-cling", [](RoomCatWorld& w) {
                     PetLifeTestAccess::setHighSpot(w.life(), PetErrand::tvTop, w.now() + 2.5 - 0.55 * 1.4);
                     w.life().setPose(PetPose::lookout);
                 }, IslandRoomKind::living});
    s.push_back({"on-tv", [](RoomCatWorld& w) {
                     PetLifeTestAccess::setHighSpot(w.life(), PetErrand::tvTop, w.now());
                     w.life().setPose(PetPose::lookout);
                 }, IslandRoomKind::living});
    s.push_back({"reactions", [](RoomCatWorld& w) {
                     w.life().react(PetReaction::Kind::heart, 2, w.now() + 2.5 - 0.4);
                     w.life().react(PetReaction::Kind::meow, 1, w.now() + 2.5 - 0.6);
                 }});
    return s;
}

void paintRoom(QImage& img) {
    QPainter p(&img);
    QLinearGradient wall(0, 0, 0, img.height());
    wall.setColorAt(0, QColor("#D8C2A8"));
    wall.setColorAt(1, QColor("#C4A88A"));
    p.fillRect(img.rect(), wall);
    p.fillRect(QRectF(0, img.height() - 34, img.width(), 34), QColor("#7A5E4A"));
    p.fillRect(QRectF(0, img.height() - 34, img.width(), 2), QColor(0, 0, 0, 46));
}

TEST(RoomCatSheet, EveryPoseDrawsACatInsideTheRoom) {
    const QString dir = qEnvironmentVariable("KP_ROOM_CAT_PNG");
    const auto all = scenes();
    const int cols = 6, cellW = 200, cellH = 150;
    QImage sheet(cols * cellW, int((all.size() + cols - 1) / cols) * cellH, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter sp(&sheet);
    // A close-up of each, three times larger.
    const int zoomW = 240, zoomH = 180;
    QImage zoom(cols * zoomW, sheet.height() / cellH * zoomH, QImage::Format_ARGB32_Premultiplied);
    zoom.fill(Qt::white);
    QPainter zp(&zoom);
    zp.setRenderHint(QPainter::SmoothPixmapTransform);
    int i = 0;
    for (const Scene& scene : all) {
        RoomCatWorld w;
        w.show(scene.room);
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

        QImage room(640, 160, QImage::Format_ARGB32_Premultiplied);
        paintRoom(room);
        {
            QPainter p(&room);
            p.drawImage(0, 0, cat);
        }
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            room.save(dir + "/" + QString::fromStdString(scene.name) + ".png");
        }
        const QRect crop(int(c.x) - cellW / 2, 160 - cellH, cellW, cellH);
        sp.drawImage(QPoint((i % cols) * cellW, (i / cols) * cellH), room.copy(crop));
        const QRect close(int(c.x) - zoomW / 6, int(c.y) - zoomH / 6 - 8, zoomW / 3, zoomH / 3);
        zp.drawImage(QRect((i % cols) * zoomW, (i / cols) * zoomH, zoomW, zoomH), room, close);
        zp.setPen(Qt::black);
        zp.drawText(QPoint((i % cols) * zoomW + 4, (i / cols) * zoomH + 12), QString::fromStdString(scene.name));
        sp.setPen(Qt::black);
        sp.drawText(QPoint((i % cols) * cellW + 4, (i / cols) * cellH + 12), QString::fromStdString(scene.name));
        ++i;
    }
    sp.end();
    zp.end();
    if (!dir.isEmpty()) {
        sheet.save(dir + "/sheet.png");
        zoom.save(dir + "/zoom.png");
    }
}

}  // namespace
}  // namespace kp::test
