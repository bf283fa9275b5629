#pragma once
// The book model every album page reads: one book per cat, a cover, one leaf per keepsake and an
// end page. Books are rebuilt from the keepsake store each time the album is shown.
#include "album/Keepsake.h"
#include "cat/art/CatDrawing.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

class MacAlbum;

// The small seated cat of the cover portrait and the candid sticker: body, head and front paw in a
// 60 x 44 frame centred on the painter's origin. Breed and outfit come from the environment.
struct AlbumCatDrawing {
    CatExpression expression = CatExpression::happy;
    void paint(QPainter& p, const CatEnv& env) const;
};

// A scaled album cat with its own environment: the chapter's portrait or a leaf's sticker.
struct AlbumCatPicture {
    AlbumCatDrawing cat;
    double scale = 1;
    QPointF offset;  // applied after the scale, in points
    CatEnv env;
    // Draws the picture centred in `frame` (the cat is not clipped; callers clip).
    void paint(QPainter& p, const QRectF& frame) const;
};

struct AlbumChapter {
    double birth = 0;
    QString name;
    std::optional<double> died;
    AlbumCatPicture portrait;
};

struct AlbumShot {
    QString caption;
    QImage photo;  // drawn to fill its frame, keeping its aspect ratio
    // A stored photo is read only while its page is drawn, so a full album does not hold every
    // decoded photo at once; `photo` stays null then.
    std::function<QImage()> load;

    QImage image() const { return photo.isNull() && load ? load() : photo; }
};

struct AlbumLeaf {
    QString key;
    double date = 0;
    double age = 0;
    QString title;
    QString note;
    bool died = false;
    std::vector<AlbumShot> shots;
    std::optional<AlbumCatPicture> sticker;  // candid leaves only
};

struct AlbumPage {
    enum class Kind { cover, leaf, end };
    Kind kind = Kind::cover;
    AlbumChapter chapter;  // cover and end
    AlbumLeaf leaf;        // leaf
    int number = 0;        // leaf number, from 1

    static AlbumPage cover(AlbumChapter c) { return {Kind::cover, std::move(c), {}, 0}; }
    static AlbumPage end(AlbumChapter c) { return {Kind::end, std::move(c), {}, 0}; }
    static AlbumPage leafPage(AlbumLeaf l, int n) { return {Kind::leaf, {}, std::move(l), n}; }
};

struct AlbumBook {
    AlbumChapter chapter;
    std::vector<AlbumPage> pages;

    // Cover, the leaves by date (a stable sort: equal dates keep their order) numbered from 1, end.
    AlbumBook(AlbumChapter chapter, std::vector<AlbumLeaf> leaves);
};

// What the books need to know of the living cat and the world, read once per build.
struct AlbumBookSource {
    double livingBirth = 0;
    bool livingIsDead = false;
    QString livingName;    // the "petName" preference ("Tobbi" when unset)
    QString livingBreed;   // the stored "catBreed" raw value ("" when unset)
    CatOutfit outfitNow;   // what the cat wears now (for candid stickers without an outfit)
    double now = 0;        // the time of the build (a dead cat without a farewell page died now)
    // Reads a stored photo by its file name; a null image when it cannot be read.
    std::function<QImage(const QString& name)> loadPhoto;
    // Whether a stored photo can be read, from its header alone; unset: `loadPhoto` is asked.
    std::function<bool(const QString& name)> photoReadable;

    // The live app: AppState's cat, the preferences, the closet and the album's photo folder.
    static AlbumBookSource live(const MacAlbum& album, double now);
    // Sets the photo readers to the album's photo folder: JPEG files at most 4096 pixels a side,
    // read at most 1024 a side.
    void readPhotosOf(const MacAlbum& album);
};

namespace albumbooks {
// All books, oldest cat first; always at least the living cat's.
std::vector<AlbumBook> buildBooks(const std::vector<MacKeepsake>& keepsakes, const AlbumBookSource& source);
// The book of the cat born at `birth`; `keepsakes` is the whole store.
AlbumBook book(double birth, const std::vector<MacKeepsake>& keepsakes, const AlbumBookSource& source);
AlbumLeaf leaf(const MacKeepsake& keepsake, const AlbumBookSource& source);
std::optional<AlbumShot> shot(const QString& name, const QString& caption, const AlbumBookSource& source);
}  // namespace albumbooks

// The app's books: collects nothing, reads the shared album's store.
std::vector<AlbumBook> buildAlbumBooks(MacAlbum& album, double now);

}  // namespace kp
