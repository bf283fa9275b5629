// The furniture layer on its own: the garden's cat house, the layer growing in with the island,
// and its buttons following the drawing.
#include "IslandRoomViewWorld.h"

#include "rooms/RoomFurnitureLayer.h"
#include "scenery/CatHouseArt.h"

#include <gtest/gtest.h>

using namespace kp;
using namespace kp::test;

namespace {

struct FurnitureLayerTest : ::testing::Test {
    RoomWorld w;
    RoomFurnitureLayer layer;
    RoomHotspots hot;

    RoomModels models() {
        RoomModels m;
        m.state = w.state.get();
        m.life = &w.life();
        m.closet = w.closet.get();
        m.pomodoro = w.pomodoro.get();
        m.wallet = w.wallet.get();
        return m;
    }

    QImage paint(const RoomFrame& f) {
        QImage img(int(f.width), int(f.height), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        hot.clear();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        layer.paint(p, f, models(), hot);
        return img;
    }

    static int opaquePixels(const QImage& img, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += qAlpha(img.pixel(x, y)) > 0;
        return n;
    }
};

RoomFrame gardenFrame(SkyWeather weather) {
    RoomFrame f;
    f.kind = IslandRoomKind::garden;
    f.look = {SkyTime::day, weather};
    f.t = 1000;
    return f;
}

}  // namespace

TEST_F(FurnitureLayerTest, TheGardenHouseStandsAtFourFifthsOnTheFloorAndShelters) {
    const RoomFrame f = gardenFrame(SkyWeather::clear);
    const QImage img = paint(f);
    ASSERT_EQ(hot.size(), 1);
    const RoomHotspot& house = hot[0];
    EXPECT_EQ(house.action, RoomAction::errand(PetErrand::shelter));
    EXPECT_TRUE(house.enabled);
    // 56 x 50 scaled 1.3, its bottom centre on (0.8 w, floor line).
    EXPECT_NEAR(house.area.center().x(), 512, 1e-9);
    EXPECT_NEAR(house.area.bottom(), f.floorLine, 1e-9);
    EXPECT_NEAR(house.area.width(), 56 * 1.3, 1e-9);
    EXPECT_NEAR(house.area.height(), 50 * 1.3, 1e-9);
    // Drawn inside its button, nothing elsewhere.
    EXPECT_GT(opaquePixels(img, house.area.toAlignedRect()), int(house.area.width() * house.area.height() * 0.4));
    EXPECT_EQ(opaquePixels(img, QRect(0, 0, 400, 160)), 0);

    PetLifeProbe::die(w.life());
    paint(f);
    ASSERT_EQ(hot.size(), 1);
    EXPECT_FALSE(hot[0].enabled);
}

TEST_F(FurnitureLayerTest, InSnowTheHouseIsDrawnSnowyAndPlainOtherwise) {
    const QImage clear = paint(gardenFrame(SkyWeather::clear));
    const QImage rain = paint(gardenFrame(SkyWeather::rain));
    const QImage snow = paint(gardenFrame(SkyWeather::snow));
    EXPECT_EQ(clear, rain);
    EXPECT_NE(clear, snow);
}

TEST_F(FurnitureLayerTest, TheLayerGrowsInAboutTheRoomsBottomAndFadesWithTheOpening) {
    RoomFrame f = gardenFrame(SkyWeather::clear);
    f.opening = 0;
    const QImage closed = paint(f);
    EXPECT_EQ(opaquePixels(closed, closed.rect()), 0);
    ASSERT_EQ(hot.size(), 1);
    // Scaled 0.92 about (w/2, h): the house moves toward the middle and keeps to the bottom.
    const QRectF area = hot[0].area;
    EXPECT_NEAR(area.width(), 56 * 1.3 * 0.92, 1e-9);
    EXPECT_NEAR(area.center().x(), 320 + (512 - 320) * 0.92, 1e-9);
    EXPECT_NEAR(area.bottom(), 160 - (160 - f.floorLine) * 0.92, 1e-9);

    f.opening = 0.5;
    const QImage half = paint(f);
    const QPoint inside = hot[0].area.center().toPoint();
    f.opening = 1;
    const QImage open = paint(f);
    EXPECT_GT(qAlpha(open.pixel(inside)), qAlpha(half.pixel(inside)));
}

TEST_F(FurnitureLayerTest, EveryIndoorRoomDrawsOnlyWithinTheRoom) {
    for (IslandRoomKind room : {IslandRoomKind::bedroom, IslandRoomKind::living, IslandRoomKind::kitchen,
                                IslandRoomKind::care}) {
        w.show(room);
        RoomFrame f;
        f.kind = room;
        f.t = 5000;
        const QImage img = paint(f);
        EXPECT_GT(opaquePixels(img, img.rect()), 3000) << int(room);
        EXPECT_GT(hot.size(), 0) << int(room);
        for (int i = 0; i < hot.size(); ++i)
            EXPECT_TRUE(QRectF(0, 0, 640, 160).intersects(hot[i].area)) << int(room) << " " << i;
    }
}
