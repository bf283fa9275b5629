// The arrival portrait from the story film: rendered, cropped around the kitten and saved as a photo.
// Set KP_RENDER_DIR to keep the pictures as PNG files for a look.
#include "MacAlbumTestSupport.h"
#include "album/MacAlbumSnapshots.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace kp;
using namespace kp::albumtest;

namespace {

void keep(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("KP_RENDER_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    image.save(dir + "/" + name);
}

// How many distinct colours (coarsely) the picture holds: a blank crop has one or two.
int colourCount(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) seen.insert(image.pixel(x, y) & 0xF0F0F0);
    return static_cast<int>(seen.size());
}

}  // namespace

TEST(MacAlbumSnapshot, ArrivalPortraitShowsTheFilmAroundTheDoor) {
    const QImage film = arrivalFilmSnapshot(CatBreed::orange);
    ASSERT_EQ(film.size(), QSize(1260, 960));
    keep(film, "arrival-film.png");
    const QImage crop = MacAlbum::cropArrival(film);
    ASSERT_EQ(crop.size(), QSize(570, 414));
    keep(crop, "arrival-crop-orange.png");
    EXPECT_GT(colourCount(crop), 12);
    // No black band of the letterbox along the top.
    for (int y : {0, 2}) {
        int black = 0;
        for (int x = 0; x < crop.width(); ++x) black += qGray(crop.pixel(x, y)) < 8;
        EXPECT_LT(black, crop.width() / 10) << "row " << y;
    }

    keep(MacAlbum::cropArrival(arrivalFilmSnapshot(CatBreed::black)), "arrival-crop-black.png");

    AlbumFixture f;
    f.album->setArrivalSnapshot(arrivalFilmSnapshot);
    f.store->set("onboardedV1", true);
    f.album->addDueKeepsakes(600);
    const auto all = f.album->load();
    ASSERT_FALSE(all.empty());
    ASSERT_EQ(all.front().photos.size(), 1u);
    const QImage saved(f.album->photoPath(all.front().photos.front()));
    EXPECT_EQ(saved.size(), QSize(570, 414));
}

TEST(MacAlbumSnapshot, RoomSnapshotIsThreeTimesTheIslandSize) {
    const QImage room = roomSceneSnapshot([](QPainter& p, const QRectF& r) {
        p.fillRect(r, QColor("#C9A27E"));
        p.fillRect(QRectF(300, 100, 40, 40), Qt::black);
    });
    ASSERT_EQ(room.size(), QSize(1920, 480));
    EXPECT_EQ(room.pixelColor(960, 360), QColor(Qt::black));
    const QImage crop = MacAlbum::cropScene(room, 0.5);
    EXPECT_EQ(crop.size(), QSize(521, 354));
}
