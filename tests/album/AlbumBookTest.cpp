// Grouping keepsakes into books: which cats get one, in which order, and what each page holds.
#include "album/AlbumBook.h"
#include "MacAlbumTestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>

#include <sys/stat.h>

using namespace kp;

namespace {

MacKeepsake keep(double birth, double date, const char* key, bool died = false) {
    MacKeepsake k;
    k.key = QString::fromLatin1(key);
    k.date = date;
    k.catBirth = birth;
    k.name = QStringLiteral("Old");
    k.breed = QStringLiteral("black");
    k.died = died;
    return k;
}

AlbumBookSource source(double livingBirth = 3000) {
    AlbumBookSource s;
    s.livingBirth = livingBirth;
    s.livingName = QStringLiteral("Miso");
    s.livingBreed = QStringLiteral("siamese");
    s.now = 99999;
    s.loadPhoto = [](const QString& name) {
        if (!name.startsWith(QLatin1String("ok"))) return QImage();
        QImage img(8, 6, QImage::Format_RGB32);
        img.fill(Qt::red);
        return img;
    };
    return s;
}

}  // namespace

TEST(AlbumBooks, FirstRunGivesTheLivingCatsTwoPageBook) {
    const auto books = albumbooks::buildBooks({}, source());
    ASSERT_EQ(books.size(), 1u);
    const AlbumBook& b = books[0];
    ASSERT_EQ(b.pages.size(), 2u);
    EXPECT_EQ(b.pages.front().kind, AlbumPage::Kind::cover);
    EXPECT_EQ(b.pages.back().kind, AlbumPage::Kind::end);
    EXPECT_EQ(b.chapter.name, QStringLiteral("Miso"));
    EXPECT_EQ(b.chapter.portrait.env.breed, CatBreed::siamese);
}

TEST(AlbumBooks, PastCatsNeedAFarewellAndComeOldestFirst) {
    std::vector<MacKeepsake> all{keep(2000, 2100, "arrived"), keep(2000, 2500, "farewell", true),
                                 keep(1000, 1100, "arrived"), keep(1000, 1900, "farewell", true),
                                 keep(1500, 1600, "arrived"),  // no farewell kept: no book
                                 keep(3000, 3100, "arrived")};
    auto books = albumbooks::buildBooks(all, source(3000));
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(books[0].chapter.birth, 1000);
    EXPECT_EQ(books[1].chapter.birth, 2000);
    EXPECT_EQ(books[2].chapter.birth, 3000);
    ASSERT_TRUE(books[0].chapter.died.has_value());
    EXPECT_EQ(*books[0].chapter.died, 1900);

    // The living cat without a keepsake yet still comes last.
    all.pop_back();
    books = albumbooks::buildBooks(all, source(4000));
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(books[2].chapter.birth, 4000);
    EXPECT_EQ(books[2].pages.size(), 2u);
}

TEST(AlbumBooks, PastCatNameAndBreedComeFromItsLastKeepsake_ADeadLivingCatDiedNow) {
    MacKeepsake a = keep(1000, 1100, "arrived");
    a.name = QStringLiteral("First");
    a.breed = QStringLiteral("calico");
    MacKeepsake b = keep(1000, 1200, "farewell", true);
    b.name = QStringLiteral("Later");
    b.breed = QStringLiteral("nonsense");
    const AlbumBook book = albumbooks::book(1000, {a, b}, source());
    EXPECT_EQ(book.chapter.name, QStringLiteral("Later"));
    EXPECT_EQ(book.chapter.portrait.env.breed, CatBreed::orange);
    // The same among the books of every cat, between other cats' pages.
    const auto books = albumbooks::buildBooks({keep(500, 600, "farewell", true), a, keep(3000, 3100, "arrived"), b}, source());
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(books[1].chapter.name, QStringLiteral("Later"));

    AlbumBookSource s = source();
    s.livingIsDead = true;
    const AlbumBook living = albumbooks::book(3000, {}, s);
    ASSERT_TRUE(living.chapter.died.has_value());
    EXPECT_EQ(*living.chapter.died, 99999);
    EXPECT_EQ(living.chapter.portrait.cat.expression, CatExpression::content);
}

TEST(AlbumBooks, LeavesSortStablyAndNumberWithoutGaps) {
    std::vector<AlbumLeaf> leaves(4);
    leaves[0].date = 30; leaves[0].key = QStringLiteral("c");
    leaves[1].date = 10; leaves[1].key = QStringLiteral("a1");
    leaves[2].date = 10; leaves[2].key = QStringLiteral("a2");
    leaves[3].date = 20; leaves[3].key = QStringLiteral("b");
    const AlbumBook book(AlbumChapter{}, leaves);
    ASSERT_EQ(book.pages.size(), 6u);
    const char* order[] = {"a1", "a2", "b", "c"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(book.pages[i + 1].kind, AlbumPage::Kind::leaf);
        EXPECT_EQ(book.pages[i + 1].leaf.key, QString::fromLatin1(order[i]));
        EXPECT_EQ(book.pages[i + 1].number, i + 1);
    }
}

TEST(AlbumBooks, ShotsPairPhotosWithCaptionsAndSkipUnreadable) {
    MacKeepsake k = keep(3000, 3100, "rain");
    k.photos = {QStringLiteral("ok-1.jpg"), QStringLiteral("ok-2.jpg")};
    k.captions = {QStringLiteral("wet")};
    AlbumLeaf leaf = albumbooks::leaf(k, source());
    ASSERT_EQ(leaf.shots.size(), 1u);
    EXPECT_EQ(leaf.shots[0].caption, QStringLiteral("wet"));
    EXPECT_FALSE(leaf.sticker.has_value());

    k.captions.clear();
    EXPECT_TRUE(albumbooks::leaf(k, source()).shots.empty());

    k.photos = {QStringLiteral("missing.jpg"), QStringLiteral("ok-3.jpg")};
    k.captions = {QStringLiteral("gone"), QStringLiteral("here")};
    leaf = albumbooks::leaf(k, source());
    ASSERT_EQ(leaf.shots.size(), 1u);
    EXPECT_EQ(leaf.shots[0].caption, QStringLiteral("here"));

    // With a header check, building decodes nothing; the photo is read when its page is drawn.
    AlbumBookSource lazy = source();
    int decoded = 0;
    lazy.loadPhoto = [&decoded, load = lazy.loadPhoto](const QString& name) {
        ++decoded;
        return load(name);
    };
    lazy.photoReadable = [](const QString& name) { return name.startsWith(QLatin1String("ok")); };
    leaf = albumbooks::leaf(k, lazy);
    ASSERT_EQ(leaf.shots.size(), 1u);
    EXPECT_EQ(decoded, 0);
    EXPECT_EQ(leaf.shots[0].image().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(decoded, 1);
}


// Photos under the album's folder that the app did not write: only a plain JPEG file is read, and at
// no more than a print needs; nothing else blocks, floods or swells the book.
TEST(AlbumBooks, APhotoPutThereByHandIsReadOnlyAsAJpegTheSizeOfAPrint) {
    albumtest::AlbumFixture f;
    const QString folder = f.album->photoFolder() + u'/';
    const auto image = [&](const char* name, QSize size, const char* format) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::red);
        EXPECT_TRUE(img.save(folder + QLatin1String(name), format)) << name;
    };
    image("own.jpg", QSize(570, 414), "JPEG");
    image("camera.jpg", QSize(3000, 2000), "JPEG");
    image("banner.jpg", QSize(5000, 60), "JPEG");
    image("drawing.jpg", QSize(64, 64), "PNG");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "pipe.jpg").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", folder + "zero.jpg"));
    ASSERT_TRUE(QFile::link(folder + "own.jpg", folder + "link.jpg"));
    QFile huge(folder + "huge.jpg");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(17 << 20));
    huge.close();
    ASSERT_TRUE(QDir().mkdir(folder + "folder.jpg"));

    AlbumBookSource source;
    source.readPhotosOf(*f.album);
    QStringList seen;
    for (const char* name : {"own.jpg", "link.jpg", "camera.jpg", "banner.jpg", "drawing.jpg", "pipe.jpg",
                             "zero.jpg", "huge.jpg", "folder.jpg", "missing.jpg"}) {
        const auto shot = albumbooks::shot(QLatin1String(name), QStringLiteral("caption"), source);
        const QSize size = shot ? shot->image().size() : QSize();
        const QString read = shot ? QStringLiteral("%1x%2").arg(size.width()).arg(size.height()) : "none";
        seen << QLatin1String(name) + u' ' + read;
    }
    EXPECT_EQ(seen.join(", ").toStdString(),
              "own.jpg 570x414, link.jpg 570x414, camera.jpg 1024x682, banner.jpg none, drawing.jpg none, "
              "pipe.jpg none, zero.jpg none, huge.jpg none, folder.jpg none, missing.jpg none");
}
