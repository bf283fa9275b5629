// The arrival portrait from the story film: rendered, cropped around the kitten and saved as a photo.
#include "MacAlbumTestSupport.h"
#include "album/MacAlbumSnapshots.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace kp;
using namespace kp::albumtest;

namespace {

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
    const QImage crop = MacAlbum::cropArrival(film);
    ASSERT_EQ(crop.size(), QSize(570, 414));
    EXPECT_GT(colourCount(crop), 12);
    // No black band of the letterbox along the top.
    for (int y : {0, 2}) {
        int black = 0;
        for (int x = 0; x < crop.width(); ++x) black += qGray(crop.pixel(x, y)) < 8;
        EXPECT_LT(black, crop.width() / 10) << "row " << y;
    }
}
