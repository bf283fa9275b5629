#include "album/AlbumBook.h"

#include "album/MacAlbum.h"
#include "app/AppState.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "platform/Defaults.h"
#include "platform/PlainFile.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <map>

namespace kp {

void AlbumCatDrawing::paint(QPainter& p, const CatEnv& env) const {
    CatBody body;
    body.swing = 0;
    body.tail = 0.2;
    body.lying = false;
    body.pawAngle = 0;
    body.pawRaise = 0;
    body.sit = 1;
    body.pawOnTop = true;
    body.paint(p, env);

    CatHead head;
    head.expression = expression;
    head.size = 30;
    head.mix = 1;
    p.save();
    p.translate(5, -13);
    head.paint(p, env);
    p.restore();

    CatFrontPaw paw;
    paw.sit = 1;
    paw.paint(p, env);
}

void AlbumCatPicture::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(frame.center() + offset);
    p.scale(scale, scale);
    cat.paint(p, env);
    p.restore();
}

AlbumBook::AlbumBook(AlbumChapter c, std::vector<AlbumLeaf> leaves) : chapter(std::move(c)) {
    std::stable_sort(leaves.begin(), leaves.end(),
                     [](const AlbumLeaf& a, const AlbumLeaf& b) { return a.date < b.date; });
    pages.reserve(leaves.size() + 2);
    pages.push_back(AlbumPage::cover(chapter));
    int n = 1;
    for (AlbumLeaf& leaf : leaves) pages.push_back(AlbumPage::leafPage(std::move(leaf), n++));
    pages.push_back(AlbumPage::end(chapter));
}

AlbumBookSource AlbumBookSource::live(const MacAlbum& album, double now) {
    AlbumBookSource s;
    const PetLife& life = AppState::shared().life();
    s.livingBirth = life.birth();
    s.livingIsDead = life.isDead();
    s.livingName = prefs::petName();
    s.livingBreed = Defaults::standard().string(QStringLiteral("catBreed"));
    s.outfitNow = Closet::shared().outfit();
    s.now = now;
    s.readPhotosOf(album);
    return s;
}

namespace {
// Far above the album's own photos, crops of some tens of kB.
constexpr qint64 kLargestPhoto = 16 << 20;
// The album's photos are JPEG files some 600 pixels wide, and a print shows at most about 700: a
// larger photo (put there by hand) is decoded scaled down, as the decoder does at a fraction of the
// cost, and one over `kWidestSource` a side is left out, as its decoding alone would stall the page.
constexpr int kWidestPhoto = 1024;
constexpr int kWidestSource = 4096;

// Readies `reader` on the photo at `path`, from its header alone; false when there is none to show.
// Only a plain file is opened, so a pipe, a device or a link to one never blocks or floods the read.
bool openPhoto(QFile& file, QImageReader& reader, const QString& path) {
    if (path.isEmpty() || openPlainFile(file, path, kLargestPhoto) != FileState::plain) return false;
    reader.setDevice(&file);
    reader.setFormat("jpeg");
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead()) return false;
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kWidestSource || size.height() > kWidestSource) return false;
    if (size.width() > kWidestPhoto || size.height() > kWidestPhoto)
        reader.setScaledSize(size.scaled(kWidestPhoto, kWidestPhoto, Qt::KeepAspectRatio));
    return true;
}
}  // namespace

void AlbumBookSource::readPhotosOf(const MacAlbum& album) {
    loadPhoto = [&album](const QString& name) {
        QFile file;
        QImageReader reader;
        return openPhoto(file, reader, album.photoPath(name)) ? reader.read() : QImage();
    };
    photoReadable = [&album](const QString& name) {
        QFile file;
        QImageReader reader;
        return openPhoto(file, reader, album.photoPath(name));
    };
}

namespace albumbooks {

std::optional<AlbumShot> shot(const QString& name, const QString& caption, const AlbumBookSource& source) {
    if (!source.loadPhoto) return std::nullopt;
    const bool readable = source.photoReadable ? source.photoReadable(name) : !source.loadPhoto(name).isNull();
    if (!readable) return std::nullopt;
    return AlbumShot{caption, QImage(), [load = source.loadPhoto, name] { return load(name); }};
}

AlbumLeaf leaf(const MacKeepsake& k, const AlbumBookSource& source) {
    AlbumLeaf leaf;
    leaf.key = k.key;
    leaf.date = k.date;
    leaf.age = k.age;
    leaf.title = k.title;
    leaf.note = k.note;
    leaf.died = k.died;
    const qsizetype n = std::min(k.photos.size(), k.captions.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (auto s = shot(k.photos[i], k.captions[i], source)) leaf.shots.push_back(std::move(*s));
    }
    if (k.key == QLatin1String("candid")) {
        AlbumCatPicture sticker;
        sticker.cat.expression = CatExpression::happy;
        sticker.scale = 2.2;
        sticker.env.breed = breedOrOrange(k.breed);
        sticker.env.outfit = k.outfit ? *k.outfit : source.outfitNow;
        leaf.sticker = sticker;
    }
    return leaf;
}

namespace {

// The book of the cat born at `birth` from its own keepsakes, in store order.
AlbumBook bookOf(double birth, const std::vector<const MacKeepsake*>& mine, const AlbumBookSource& source) {
    const bool living = birth == source.livingBirth;
    QString breed;
    if (living) breed = source.livingBreed;
    else if (!mine.empty()) breed = mine.back()->breed;

    std::optional<double> died;
    for (const MacKeepsake* k : mine) {
        if (k->died) {
            died = k->date;
            break;
        }
    }
    if (!died && living && source.livingIsDead) died = source.now;

    QString name;
    if (living) name = source.livingName;
    else if (!mine.empty()) name = mine.back()->name;
    else name = QStringLiteral("Him");

    AlbumChapter chapter;
    chapter.birth = birth;
    chapter.name = name;
    chapter.died = died;
    chapter.portrait.cat.expression = died ? CatExpression::content : CatExpression::happy;
    chapter.portrait.scale = 1.9;
    chapter.portrait.offset = QPointF(0, 10);
    chapter.portrait.env.breed = breedOrOrange(breed);
    chapter.portrait.env.outfit = CatOutfit::empty();

    std::vector<AlbumLeaf> leaves;
    leaves.reserve(mine.size());
    for (const MacKeepsake* k : mine) leaves.push_back(leaf(*k, source));
    return AlbumBook(std::move(chapter), std::move(leaves));
}

}  // namespace

AlbumBook book(double birth, const std::vector<MacKeepsake>& keepsakes, const AlbumBookSource& source) {
    std::vector<const MacKeepsake*> mine;
    for (const MacKeepsake& k : keepsakes) {
        if (k.catBirth == birth) mine.push_back(&k);
    }
    return bookOf(birth, mine, source);
}

std::vector<AlbumBook> buildBooks(const std::vector<MacKeepsake>& keepsakes, const AlbumBookSource& source) {
    // Every cat's keepsakes gathered in one walk: an album of thousands of cats is not walked once per cat.
    std::map<double, std::vector<const MacKeepsake*>> cats;
    for (const MacKeepsake& k : keepsakes) cats[k.catBirth].push_back(&k);
    const auto farewell = [](const MacKeepsake* k) { return k->died; };
    std::vector<AlbumBook> books;
    for (const auto& [birth, mine] : cats) {
        if (birth != source.livingBirth && std::none_of(mine.begin(), mine.end(), farewell)) continue;
        books.push_back(bookOf(birth, mine, source));
    }
    if (!cats.count(source.livingBirth)) books.push_back(bookOf(source.livingBirth, {}, source));
    return books;
}

}  // namespace albumbooks

std::vector<AlbumBook> buildAlbumBooks(MacAlbum& album, double now) {
    return albumbooks::buildBooks(album.load(), AlbumBookSource::live(album, now));
}

}  // namespace kp
