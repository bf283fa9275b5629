#include "RoomShapesTestKit.h"

#include "rooms/LivingFurniture.h"

#include <gtest/gtest.h>

#include <numbers>

namespace kp {
namespace {

TEST(LivingFurniture, ButtonsStandWhereTheErrandsGo) {
    RoomFrame f = test::roomFrame(100, 640, 214);  // floor line 180
    f.ballX = 300;
    RoomHotspots hot;
    addLivingHotspots(f, LivingState{}, hot);
    ASSERT_EQ(hot.size(), 3);
    // The TV stands on the floor line; the ball's button goes wherever the model rolled it.
    EXPECT_EQ(hot[0].action, RoomAction::errand(PetErrand::watchTV));
    EXPECT_NEAR(hot[0].area.bottom(), 180, 1e-9);
    EXPECT_EQ(hot[1].action, RoomAction::errand(PetErrand::lounge));
    EXPECT_EQ(hot[2].action, RoomAction::errand(PetErrand::play));
    EXPECT_NEAR(hot[2].area.center().x(), 300, 1e-9);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(hot[i].enabled);

    hot.clear();
    addLivingHotspots(f, LivingState{false, true}, hot);
    for (int i = 0; i < hot.size(); ++i) EXPECT_FALSE(hot[i].enabled);
}


// Mirrored about its anchor, a symmetric piece covers the same pixels: none of its halves is lost.
TEST(LivingFurniture, TableAndOttomanStandWholeAndEven) {
    for (const auto draw : {&drawCoffeeTable, &drawOttoman}) {
        QImage img = test::canvas(100, 64);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            draw(p, QPointF(50, 60), 2);
        }
        int ink = 0, uneven = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < 50; ++x) {
                const bool left = !test::isBackdrop(img, x, y), right = !test::isBackdrop(img, 99 - x, y);
                ink += left + right;
                uneven += left != right;
            }
        EXPECT_GT(ink, 300);
        EXPECT_LT(uneven, ink / 50);
    }
}

}  // namespace
}  // namespace kp
