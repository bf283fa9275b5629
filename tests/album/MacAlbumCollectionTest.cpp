// The collector: onboarding gate, coins, photos by key and view, the timer and the island bookkeeping.
#include "MacAlbumTestSupport.h"
#include "album/Diary.h"
#include "album/DiaryTexts.h"
#include "album/KeepsakePage.h"
#include "life/PetLife.h"
#include "life/PetRecord.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>

using namespace kp;
using namespace kp::albumtest;

namespace {

constexpr double kDay = 86400;

// The room at scale 2: a blue band where the cat stands at `place`, grey elsewhere.
QImage room(double place) {
    QImage img(1280, 320, QImage::Format_RGB32);
    img.fill(Qt::gray);
    QPainter p(&img);
    p.fillRect(QRectF(place * 1280 - 10, 0, 20, 320), Qt::blue);
    return img;
}

struct Collection : AlbumFixture {
    int sceneShots = 0;
    int arrivalShots = 0;

    Collection() : AlbumFixture(0) {
        store->set("onboardedV1", true);
        store->set("petName", "Mochi");
        fake.cat.birth = utc(2026, 3, 2, 9);
        fake.cat.room = fake.cat.viewRoom = IslandRoomKind::living;
        fake.cat.place = 0.5;
        hookPhotos();
    }
    void hookPhotos() {
        album->setSceneSnapshot([this] {
            ++sceneShots;
            return room(fake.cat.place);
        });
        album->setArrivalSnapshot([this](CatBreed) {
            ++arrivalShots;
            QImage film(1260, 960, QImage::Format_RGB32);
            film.fill(Qt::darkGreen);
            return film;
        });
    }
    std::vector<MacKeepsake> keepsakes() { return album->load(); }
    const MacKeepsake* find(const QString& key) {
        static std::vector<MacKeepsake> cache;
        cache = keepsakes();
        for (const auto& k : cache)
            if (k.key == key) return &k;
        return nullptr;
    }
};

}  // namespace

TEST(MacAlbumCollection, NothingHappensBeforeOnboarding) {
    Collection f;
    f.store->remove("onboardedV1");
    f.album->addDueKeepsakes(f.fake.cat.birth + 30 * kDay);
    EXPECT_FALSE(f.store->record("album.v1"));
    EXPECT_FALSE(f.store->contains("albumGiftBase"));
    EXPECT_EQ(f.arrivalShots + f.sceneShots, 0);
}

TEST(MacAlbumCollection, ACatWhoseRecordCannotBeWrittenGetsNoPages) {
    Collection f;
    // A folder where the cat's record belongs: this cat is gone at the next start.
    ASSERT_TRUE(QDir().mkpath(f.store->recordPath("petLife.v1")));
    f.album->addDueKeepsakes(f.fake.cat.birth + 600);
    EXPECT_FALSE(f.store->record("album.v1"));
    EXPECT_EQ(f.arrivalShots + f.sceneShots, 0);
}

TEST(MacAlbumCollection, ACatFromARecordWithABirthNoCatHasGetsOnlyItsOwnArrivalAndNoCoin) {
    for (double birth : {-1e12, 1e300, -1e300}) {
        Collection f;
        PetRecord rec;
        rec.birth = birth;
        ASSERT_TRUE(f.store->setRecord(PetLife::recordKey, *encodePetRecord(rec)));
        SeededRandom random(7);
        f.clock.setNow(utc(2026, 5, 20, 12));
        PetLife life(*f.store, f.clock, random, f.scheduler);
        f.fake.cat = AlbumCatSnapshot::of(life);
        f.album->addDueKeepsakes(f.clock.now());
        const auto pages = f.keepsakes();
        ASSERT_EQ(pages.size(), 1u) << birth;
        EXPECT_EQ(pages.front().catBirth, f.clock.now()) << birth << ": the new kitten's arrival";
        EXPECT_TRUE(f.fake.paid.empty()) << birth;
    }
    Collection born;  // under a clock set before the reference date: its pages would spoil the album
    born.fake.cat.birth = -86400;
    born.album->addDueKeepsakes(-86000);
    EXPECT_FALSE(born.store->record("album.v1"));
}

TEST(MacAlbumCollection, FirstRunKeepsTheArrivalWithItsPortraitAndTheGiftBase) {
    Collection f;
    f.fake.unlocked = {CatAccessory::bow, CatAccessory::bellCollar};
    f.store->set("catBreed", "siamese");
    const double now = f.fake.cat.birth + 600;
    f.album->addDueKeepsakes(now);

    const auto all = f.keepsakes();
    ASSERT_EQ(all.size(), 1u);
    const MacKeepsake& k = all.front();
    EXPECT_EQ(k.key, "arrived");
    EXPECT_EQ(k.date, f.fake.cat.birth);
    EXPECT_EQ(k.breed, "siamese");
    ASSERT_EQ(k.photos.size(), 1u);
    // The kitten's crop of the 420 x 320 film frame at scale 3.
    const QImage photo(f.album->photoPath(k.photos.front()));
    EXPECT_EQ(photo.size(), QSize(570, 414));
    EXPECT_EQ(f.store->integer("albumGiftBase"), 2);
    EXPECT_EQ(f.album->unseen(), 0);  // arrivals are not news

    // A second run proposes nothing and keeps the gift base as it was.
    f.fake.unlocked.push_back(CatAccessory::glasses);
    f.album->addDueKeepsakes(now + 10);
    EXPECT_EQ(f.keepsakes().size(), 1u);
    EXPECT_EQ(f.store->integer("albumGiftBase"), 2);
}

TEST(MacAlbumCollection, GrowingUpPagesGetThenAndNowOnlyInView) {
    Collection f;
    f.store->set("kittenLengthSeconds", 0.0);  // falls back to two days
    const double birth = f.fake.cat.birth;
    f.album->addDueKeepsakes(birth + 60);
    const QString arrivalPhoto = f.find("arrived")->photos.front();

    f.album->addDueKeepsakes(birth + 172800);
    const MacKeepsake* junior = f.find("junior");
    ASSERT_TRUE(junior);
    EXPECT_EQ(junior->date, birth + 172800);
    ASSERT_EQ(junior->photos.size(), 2u);
    EXPECT_EQ(junior->photos.front(), arrivalPhoto);
    EXPECT_EQ(junior->captions, (QStringList{"then", "now"}));
    EXPECT_GE(f.album->unseen(), 1);
    const int shots = f.sceneShots;

    // Out of view: the adult page has no photos at all.
    f.fake.cat.viewRoom = IslandRoomKind::kitchen;
    f.album->addDueKeepsakes(birth + 3 * 172800);
    const MacKeepsake* adult = f.find("adult");
    ASSERT_TRUE(adult);
    EXPECT_TRUE(adult->photos.isEmpty());
    EXPECT_TRUE(adult->captions.isEmpty());
    EXPECT_EQ(f.sceneShots, shots);
}

TEST(MacAlbumCollection, DayMilestonesNeverGetPhotosAndFailedShotsLeaveNone) {
    Collection f;
    const double birth = f.fake.cat.birth;
    f.album->setArrivalSnapshot(nullptr);
    f.album->addDueKeepsakes(birth + 8 * kDay);
    const MacKeepsake* arrived = f.find("arrived");
    ASSERT_TRUE(arrived);
    EXPECT_TRUE(arrived->photos.isEmpty());
    const MacKeepsake* week = f.find("days-7");
    ASSERT_TRUE(week);
    EXPECT_TRUE(week->photos.isEmpty());
    // Junior without an arrival photo: only "now", captioned with the title.
    const MacKeepsake* junior = f.find("junior");
    ASSERT_TRUE(junior);
    EXPECT_EQ(junior->photos.size(), 1u);
    EXPECT_EQ(junior->captions, QStringList{junior->title});

    f.album->setSceneSnapshot([] { return QImage(); });
    f.album->addDueKeepsakes(birth + 101 * kDay);
    const MacKeepsake* hundred = f.find("days-100");
    ASSERT_TRUE(hundred);
    EXPECT_TRUE(hundred->photos.isEmpty());
}

TEST(MacAlbumCollection, AnniversariesAndHolidaysPayTwentyCoinsEachWhileCoinsAreOn) {
    Collection f;
    f.fake.cat.birth = utc(2026, 1, 10, 9);
    // First run four months on: months-1 and months-3 pay twice.
    f.clock.setNow(777);
    f.album->addDueKeepsakes(utc(2026, 5, 20, 12));
    ASSERT_EQ(f.fake.paid.size(), 2u);
    EXPECT_EQ(f.fake.paid[0], std::make_pair(20LL, 777.0));
    EXPECT_EQ(f.fake.paid[1], std::make_pair(20LL, 777.0));

    f.fake.walletOn = false;
    f.album->addDueKeepsakes(utc(2026, 6, 20, 12));  // months-5: nothing paid
    EXPECT_TRUE(f.find("months-5"));
    EXPECT_EQ(f.fake.paid.size(), 2u);
}

TEST(MacAlbumCollection, StartRunsAfterThreeSecondsThenEveryTen) {
    Collection f;
    f.clock.setNow(f.fake.cat.birth + 8 * kDay);
    f.album->start();
    f.album->start();  // a second start does nothing
    EXPECT_EQ(f.scheduler.pendingCount(), 2u);
    f.scheduler.advance(2.9);
    EXPECT_FALSE(f.store->record("album.v1"));
    f.scheduler.advance(0.2);
    EXPECT_TRUE(f.store->record("album.v1"));
    EXPECT_GE(f.album->unseen(), 3);  // junior, adult and the first week; the arrival is not counted
    EXPECT_EQ(f.scheduler.pendingCount(), 1u);
    f.store->removeRecord("album.v1");
    f.scheduler.advance(6.8);
    EXPECT_FALSE(f.store->record("album.v1"));
    f.scheduler.advance(0.2);
    EXPECT_TRUE(f.store->record("album.v1"));  // the 10 s run
}

TEST(MacAlbumCollection, SceneCropFollowsTheCatAndStaysInTheRoom) {
    // Scale 2: the crop is 347 x 236 pixels from y 76.
    const QImage middle = MacAlbum::cropScene(room(0.5), 0.5);
    ASSERT_EQ(middle.size(), QSize(347, 236));
    EXPECT_EQ(middle.pixelColor(173, 100), QColor(Qt::blue));
    EXPECT_EQ(middle.pixelColor(10, 100), QColor(Qt::gray));

    const QImage left = MacAlbum::cropScene(room(0), 0);
    ASSERT_EQ(left.size(), QSize(347, 236));
    EXPECT_EQ(left.pixelColor(2, 100), QColor(Qt::blue));  // starts at x 0

    const QImage right = MacAlbum::cropScene(room(1), 1);
    ASSERT_EQ(right.size(), QSize(347, 236));
    EXPECT_EQ(right.pixelColor(345, 100), QColor(Qt::blue));  // ends at the right edge
    EXPECT_EQ(right.pixelColor(300, 100), QColor(Qt::gray));
}

TEST(MacAlbumCollection, PagesTheFullAlbumWouldDropAreNotCollectedAgain) {
    Collection f;
    const double birth = f.fake.cat.birth;
    // 400 pages of an earlier cat, all dated after this cat's first month.
    std::vector<MacKeepsake> old;
    for (int i = 0; i < 400; ++i) {
        MacKeepsake k;
        k.id = newKeepsakeId();
        k.key = "candid";
        k.date = birth + 40 * kDay + i;
        k.catBirth = birth - 1000 * kDay;
        old.push_back(k);
    }
    f.album->save(old);
    f.album->addDueKeepsakes(birth + 40 * kDay + 500);
    // Arrival, first week and first month are older than every stored page: none is kept, no photo
    // is rendered and no coin is paid; the store is untouched.
    EXPECT_EQ(f.arrivalShots, 0);
    EXPECT_TRUE(f.fake.paid.empty());
    const auto all = f.keepsakes();
    ASSERT_EQ(all.size(), 400u);
    EXPECT_EQ(all.front().date, birth + 40 * kDay);
}

namespace {
int albumWarnings = 0;
// The album's own line; the store says once for itself which file it could not write.
void countWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg && message.contains(QLatin1String("save the album"))) ++albumWarnings;
}
}  // namespace

TEST(MacAlbumCollection, AFailedSaveKeepsNothingPaysNothingAndTriesAgain) {
    Collection f;
    const double christmas = utc(2026, 12, 25, 12);
    // A folder where the record's file belongs: every write of the record fails.
    const QString record = f.store->dataDir() + "/album.v1.json";
    ASSERT_TRUE(QDir().mkpath(record));
    const QDir photos(f.album->photoFolder());
    albumWarnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
    for (int pass = 0; pass < 6; ++pass) f.album->addDueKeepsakes(christmas + 10 * pass);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(f.fake.paid.empty());
    EXPECT_TRUE(photos.entryList(QDir::Files).isEmpty());
    EXPECT_EQ(albumWarnings, 1);
    const int shots = f.arrivalShots + f.sceneShots;
    EXPECT_GT(shots, 0);
    EXPECT_EQ(f.album->unseen(), 0);

    // Once the store takes the record again, the pages are kept and paid for once.
    ASSERT_TRUE(QDir().rmdir(record));
    f.album->addDueKeepsakes(christmas + 60);
    EXPECT_EQ(f.arrivalShots + f.sceneShots, 2 * shots);
    const auto kept = f.keepsakes();
    ASSERT_TRUE(f.find("holiday-christmas-2026"));
    std::size_t paying = 0, named = 0;
    for (const auto& k : kept) {
        if (k.key.startsWith("months-") || k.key.startsWith("holiday-")) ++paying;
        named += static_cast<std::size_t>(k.photos.size());
    }
    EXPECT_EQ(f.fake.paid.size(), paying);
    EXPECT_EQ(static_cast<std::size_t>(photos.entryList(QDir::Files).size()), named);
    f.album->addDueKeepsakes(christmas + 70);
    EXPECT_EQ(f.fake.paid.size(), paying);
}

TEST(MacAlbumCollection, PagesTheCapDroppedAreNotCollectedAgain) {
    Collection f;
    const double birth = f.fake.cat.birth;
    f.fake.unlocked = {CatAccessory::bow};
    f.store->set("albumGiftBase", 0);
    f.fake.look.weather = SkyWeather::rain;
    f.album->addDueKeepsakes(birth + 60);
    ASSERT_TRUE(f.find("rain"));
    ASSERT_TRUE(f.find("wardrobe"));
    // 400 later candid moments push the first pages out of the full album.
    std::vector<MacKeepsake> all = f.keepsakes();
    for (int i = 0; i < 400; ++i) {
        MacKeepsake k;
        k.id = newKeepsakeId();
        k.key = "candid";
        k.date = birth + 3 * kDay + i;
        k.catBirth = birth;
        all.push_back(k);
    }
    ASSERT_TRUE(f.album->save(all));
    ASSERT_FALSE(f.find("rain"));
    const int shots = f.sceneShots;
    f.album->addDueKeepsakes(birth + 3 * kDay + 500);
    EXPECT_FALSE(f.find("rain"));
    EXPECT_FALSE(f.find("wardrobe"));
    EXPECT_EQ(f.sceneShots, shots);
    EXPECT_TRUE(f.fake.paid.empty());
}

TEST(MacAlbumCollection, TheFullWardrobesPageShowsItsPhotoInColourAsOnlyTheFarewellFadesIt) {
    Collection f;
    const double birth = f.fake.cat.birth;
    f.album->addDueKeepsakes(birth + 60);  // the album begins before any gift
    const auto gifts = giftOrder();
    f.fake.unlocked.assign(gifts.begin(), gifts.end());
    f.album->addDueKeepsakes(birth + 2 * 3600);
    ASSERT_TRUE(f.find("wardrobe-full"));
    f.fake.cat.isDead = true;
    f.album->addDueKeepsakes(birth + 3 * 3600);
    ASSERT_TRUE(f.find("farewell"));

    // The books as the album window builds them, each page drawn as it shows.
    AlbumBookSource source;
    source.livingBirth = birth;
    source.livingIsDead = true;
    source.now = birth + 3 * 3600;
    source.readPhotosOf(*f.album);
    const std::vector<AlbumBook> books = albumbooks::buildBooks(f.keepsakes(), source);
    ASSERT_EQ(books.size(), 1u);
    // Pixels of the room's blue band, in its own colour or faded toward grey.
    struct Blue { int vivid = 0, faded = 0; };
    auto blueOf = [&](const QString& key) {
        Blue b;
        for (const AlbumPage& page : books.front().pages) {
            if (page.kind != AlbumPage::Kind::leaf || page.leaf.key != key) continue;
            QImage img(340, 500, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            LeafPage{page.leaf, page.number}.paint(p, QRectF(0, 0, 340, 500));
            p.end();
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    const int lead = qBlue(c) - std::max(qRed(c), qGreen(c));
                    if (qAlpha(c) == 255 && lead > 150) ++b.vivid;
                    else if (qAlpha(c) == 255 && qBlue(c) < 200 && lead > 10 && lead < 60) ++b.faded;
                }
        }
        return b;
    };
    const Blue full = blueOf("wardrobe-full"), farewell = blueOf("farewell");
    EXPECT_GT(full.vivid, 1000) << "the full wardrobe's photo in its colours";
    EXPECT_GT(full.vivid, 5 * full.faded) << "the full wardrobe's photo faded";
    EXPECT_GT(farewell.faded, 1000) << "the farewell's photo faded";
    EXPECT_LT(farewell.vivid, 50) << "the farewell's photo in its colours";
}

TEST(MacAlbumCollection, AClockSetBeforeTheReferenceDateDatesNoPageAndTheAlbumStays) {
    Collection f;
    const double birth = f.fake.cat.birth;
    f.album->addDueKeepsakes(birth + 60);
    const std::size_t pages = f.keepsakes().size();
    ASSERT_GT(pages, 0u);
    f.fake.look.weather = SkyWeather::rain;
    f.album->addDueKeepsakes(utc(1999, 6, 1, 10));
    f.remake();
    EXPECT_EQ(f.keepsakes().size(), pages);
    f.album->addDueKeepsakes(birth + 120);
    EXPECT_TRUE(f.find("rain")) << "its pages are collected again once the clock is right";
}

TEST(MacAlbumCollection, AgesCountByTheCatsOwnTimeAndNoPageIsDatedPastTheClock) {
    // The wall clock a year ahead of the cat's one day: no anniversary, nothing dated by it.
    Collection ahead;
    const double birth = ahead.fake.cat.birth;
    ahead.fake.cat.time = birth + kDay;
    ahead.album->addDueKeepsakes(birth + kDay + 365 * kDay);
    for (const auto& k : ahead.keepsakes()) {
        EXPECT_FALSE(k.key.startsWith("months-") || k.key.startsWith("years-") || k.key.startsWith("days-"))
            << k.key.toStdString();
        EXPECT_LE(k.date, birth + kDay) << k.key.toStdString();
    }
    EXPECT_TRUE(ahead.find("arrived"));

    // The wall clock behind the cat's forty days: its ages are there, none dated past the clock.
    Collection behind;
    behind.fake.cat.time = birth + 40 * kDay;
    behind.album->addDueKeepsakes(birth + 5 * kDay);
    ASSERT_TRUE(behind.find("months-1"));
    EXPECT_NEAR(behind.find("months-1")->age, 31 * kDay, kDay) << "its age by the cat's time";
    for (const auto& k : behind.keepsakes()) EXPECT_LE(k.date, birth + 5 * kDay) << k.key.toStdString();

    // Under a clock known to be wrong, nothing at all.
    Collection wrong;
    wrong.fake.cat.onTrueClock = false;
    wrong.album->addDueKeepsakes(birth + 40 * kDay);
    EXPECT_FALSE(wrong.store->record("album.v1"));
    EXPECT_EQ(wrong.arrivalShots + wrong.sceneShots, 0);
}

TEST(MacAlbumCollection, PagesWrittenUnderAClockThatRanAheadComeBackOrWaitForTheirDay) {
    Collection f;
    const double birth = f.fake.cat.birth;
    // Collected two years ahead, at Christmas, the cat then as old as that clock said.
    const double christmas = utc(2028, 12, 25, 12);
    f.fake.cat.time = christmas;
    f.fake.look.weather = SkyWeather::rain;
    f.album->addDueKeepsakes(christmas);
    ASSERT_TRUE(f.find("years-2"));
    ASSERT_TRUE(f.find("holiday-christmas-2028"));
    ASSERT_TRUE(f.find("rain"));
    QStringList photosAhead;
    for (const auto& k : f.keepsakes())
        if (k.key == "years-2" || k.key == "rain") photosAhead += k.photos;
    ASSERT_EQ(photosAhead.size(), 2);

    // Right again, ten days after the birth: what has not come yet goes, the rest is dated now.
    const double now = birth + 10 * kDay;
    f.fake.cat.time = now;
    f.fake.look.weather = SkyWeather::clear;
    f.album->addDueKeepsakes(now);
    EXPECT_FALSE(f.find("years-1"));
    EXPECT_FALSE(f.find("years-2"));
    EXPECT_FALSE(f.find("holiday-christmas-2028"));
    ASSERT_TRUE(f.find("rain"));
    EXPECT_EQ(f.find("rain")->date, now);
    EXPECT_TRUE(f.find("days-7")) << "an age the cat has reached stays";
    for (const auto& k : f.keepsakes()) EXPECT_LE(k.date, now) << k.key.toStdString();
    EXPECT_FALSE(QFile::exists(f.album->photoPath(photosAhead[0]))) << "the photo of a page taken out";
    EXPECT_TRUE(QFile::exists(f.album->photoPath(photosAhead[1]))) << "the photo of a page kept";
}

TEST(MacAlbumCollection, AClockSetBackWhileTheAppRunsMovesNoPageAndDatesNoneBeforeTheBirth) {
    // A new cat, the clock 8 h back for a while (rain then), then right.
    Collection f;
    const double birth = f.fake.cat.birth;
    const auto collect = [&f](double catTime, double wall) {
        f.fake.cat.time = catTime;
        f.album->addDueKeepsakes(wall);
    };
    collect(birth + 3, birth + 3);
    f.fake.look.weather = SkyWeather::rain;
    collect(birth + 13, birth + 13 - 8 * 3600);
    collect(birth + 23, birth + 23);
    EXPECT_EQ(f.find("arrived")->date - birth, 0);
    ASSERT_TRUE(f.find("rain"));
    EXPECT_EQ(f.find("rain")->date - birth, 0);

    // Two days old, its junior page with its photos, then the clock a day back.
    collect(birth + 2 * kDay + 60, birth + 2 * kDay + 60);
    const MacKeepsake junior = *f.find("junior");
    collect(birth + 2 * kDay + 70, birth + kDay + 70);
    EXPECT_EQ(f.find("junior")->id.toStdString(), junior.id.toStdString());
    EXPECT_EQ(f.find("junior")->date - birth, 2 * kDay);
    for (const QString& photo : junior.photos) EXPECT_TRUE(QFile::exists(f.album->photoPath(photo)));
}
