// The collector: every 10 s it asks the diary which pages are due and keeps them, with photos.
#include "album/Diary.h"
#include "album/MacAlbum.h"

#include "app/AppState.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "life/SkyModel.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// The scene crop: 173.5 x 118 points around the cat in the 640 x 160 room.
constexpr double kRoomWidth = 640;
constexpr double kSceneCropWidth = 173.52941176470588;
constexpr double kSceneCropHeight = 118;
constexpr double kSceneCropTop = 38;
// The arrival crop: the kitten at the door in the 420 x 320 film frame.
constexpr double kFilmWidth = 420;

QImage cropPoints(const QImage& image, double scale, double x, double y, double w, double h) {
    const QRect area(static_cast<int>(std::lround(x * scale)), static_cast<int>(std::lround(y * scale)),
                     static_cast<int>(std::lround(w * scale)), static_cast<int>(std::lround(h * scale)));
    if (area.isEmpty() || !image.rect().contains(area)) return {};
    QImage out = image.copy(area);
    out.setDevicePixelRatio(1);
    return out;
}

bool startsWithAny(const QString& key, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes)
        if (key.startsWith(QLatin1String(p))) return true;
    return false;
}

// A full album drops its oldest pages. A page the cap has dropped would come due again, dated as
// long ago as before, be dropped again by the same save and come back every 10 s, with new photo
// files and coins each time: an entry the cap would drop at once is not collected.
void keepWithinCap(std::vector<DiaryEntry>& entries, const std::vector<MacKeepsake>& stored) {
    const std::size_t total = stored.size() + entries.size();
    if (total <= static_cast<std::size_t>(MacAlbum::cap)) return;
    std::vector<double> dates;
    dates.reserve(total);
    for (const auto& k : stored) dates.push_back(k.date);
    for (const auto& e : entries) dates.push_back(e.date);
    const std::size_t dropped = total - static_cast<std::size_t>(MacAlbum::cap);
    std::nth_element(dates.begin(), dates.begin() + static_cast<std::ptrdiff_t>(dropped), dates.end());
    const double oldestKept = dates[dropped];
    std::erase_if(entries, [&](const DiaryEntry& e) { return e.date < oldestKept; });
}

// Pages written at the cat's age: one dated ahead of the clock may tell of an age not reached yet.
bool isAgePage(const QString& key) {
    return startsWithAny(key, {"life-", "days-", "months-", "years-"}) || key == QLatin1String("junior") ||
           key == QLatin1String("adult");
}

// A page is dated at its moment, but never past the wall clock nor before its cat's birth.
double pageDate(double at, double now, double birth) { return std::max(std::min(at, now), birth); }

}  // namespace

bool MacAlbum::bringBackPagesAhead(std::vector<MacKeepsake>& all, double now, double catNow, double birth,
                                   QSet<QString>& unused) {
    // Judged by the cat's time, which a clock set back does not take back; one at its cat's birth
    // (born under a clock that ran ahead) is as early as it can be.
    const auto ahead = [catNow](const MacKeepsake& k) { return k.date > std::max(catNow, k.catBirth); };
    if (std::none_of(all.begin(), all.end(), ahead)) return false;
    // Written under a clock that ran ahead: the holidays and this cat's ages dated past its time
    // have not come yet; they are taken out, to come again in their time, as their keys would keep
    // the real ones away. The rest are dated now.
    const auto notYet = [&](const MacKeepsake& k) {
        if (!ahead(k)) return false;
        const bool comesAgain = k.key.startsWith(QLatin1String("holiday-")) ||
                                (k.catBirth == birth && isAgePage(k.key) && k.catBirth + k.age > catNow);
        if (comesAgain)
            for (const QString& photo : k.photos) unused.insert(photo);
        return comesAgain;
    };
    std::erase_if(all, notYet);
    for (MacKeepsake& k : all) {
        if (ahead(k)) k.date = pageDate(catNow, now, k.catBirth);
        for (const QString& photo : k.photos) unused.remove(photo);
    }
    return true;
}

void MacAlbum::removePhotos(const QSet<QString>& names) const {
    for (const QString& name : names)
        if (const QString path = photoPath(name); !path.isEmpty()) QFile::remove(path);
}

AlbumCatSnapshot AlbumCatSnapshot::of(const PetLife& life) {
    AlbumCatSnapshot c;
    c.birth = life.birth();
    c.isOut = life.isOut();
    c.room = life.room();
    c.viewRoom = life.viewRoom();
    c.isDead = life.isDead();
    c.content = !life.need().has_value();
    c.isSleeping = life.isSleeping();
    c.errand = life.errand();
    c.inHouse = life.inHouse();
    c.place = life.place();
    c.time = life.catTime();
    c.onTrueClock = life.onTrueClock();
    return c;
}

AlbumWorld AlbumWorld::live() {
    AlbumWorld w;
    w.cat = [] { return AlbumCatSnapshot::of(AppState::shared().life()); };
    w.look = [] { return SkyModel::shared().look(); };
    w.skyCyclesPreview = [] { return false; };
    w.unlocked = [] {
        const auto list = Closet::shared().unlocked();
        return std::vector<CatAccessory>(list.begin(), list.end());
    };
    w.walletEnabled = [] { return Wallet::shared().enabled(); };
    w.pay = [](long long amount, double at) { Wallet::shared().reward(amount, at); };
    return w;
}

MacAlbum& MacAlbum::shared() {
    static MacAlbum* album =
        new MacAlbum(Defaults::standard(), SystemClock::shared(), QtScheduler::shared(), AlbumWorld::live());
    return *album;
}

std::optional<CatDoing> MacAlbum::currentDoing(const AlbumCatSnapshot& cat) {
    if (cat.isSleeping) return CatDoing::asleep;
    if (!cat.errand) return CatDoing::lounging;
    switch (*cat.errand) {
    case PetErrand::eat: return CatDoing::eating;
    case PetErrand::play: return CatDoing::playing;
    case PetErrand::scratch: return CatDoing::scratching;
    case PetErrand::lounge:
    case PetErrand::rest:
    case PetErrand::tvTop:
    case PetErrand::fridgeTop:
    case PetErrand::catShelf:
    case PetErrand::carrierTop: return CatDoing::lounging;
    case PetErrand::window: return CatDoing::watching;
    case PetErrand::drink: return CatDoing::drinking;
    case PetErrand::sleep:
    case PetErrand::medicine:
    case PetErrand::watchTV:
    case PetErrand::sniff:
    case PetErrand::litter:
    case PetErrand::sulk:
    case PetErrand::shelter:
    case PetErrand::stroll:
    case PetErrand::hide:
    case PetErrand::snowPlay: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<DiaryPlace> MacAlbum::currentPlace(const AlbumCatSnapshot& cat) {
    if (cat.inHouse) return DiaryPlace::house;
    if (cat.room == IslandRoomKind::garden) return DiaryPlace::garden;
    if (cat.errand == PetErrand::lounge) return DiaryPlace::hearth;
    if (cat.errand == PetErrand::watchTV) return DiaryPlace::tv;
    return std::nullopt;
}

QImage MacAlbum::cropScene(const QImage& room, double place) {
    if (room.isNull()) return {};
    const double s = room.width() / kRoomWidth;
    double x = kRoomWidth * place - kSceneCropWidth / 2;
    if (!(x >= 0)) x = 0;  // also a place that is not a number
    x = std::min(x, kRoomWidth - kSceneCropWidth);
    return cropPoints(room, s, x, kSceneCropTop, kSceneCropWidth, kSceneCropHeight);
}

QImage MacAlbum::cropArrival(const QImage& film) {
    if (film.isNull()) return {};
    const double s = film.width() / kFilmWidth;
    // Starts below the letterbox band that ends 0.19 frame heights (60.8 points) down.
    return cropPoints(film, s, 205, 61, 190, 138);
}

std::optional<QString> MacAlbum::scenePhoto(double place) const {
    if (!sceneSnapshot_) return std::nullopt;
    return savePhoto(cropScene(sceneSnapshot_(), place));
}

std::optional<QString> MacAlbum::arrivalPhoto(const QString& breed) const {
    if (!arrivalSnapshot_) return std::nullopt;
    return savePhoto(cropArrival(arrivalSnapshot_(breedOrOrange(breed))));
}

void MacAlbum::addDueKeepsakes(double now) {
    if (!store_.boolValue(QStringLiteral("onboardedV1"))) return;
    // A cat whose record cannot be written is gone at the next start: it gets no pages.
    if (!store_.canKeep(QString::fromLatin1(PetLife::recordKey))) return;

    const AlbumCatSnapshot cat = world_.cat ? world_.cat() : AlbumCatSnapshot{};
    // Under a clock known to be wrong nothing is dated: what is due comes once the clock is right.
    if (!cat.onTrueClock) return;
    // Ages count by the cat's own time, which a clock set forward for a while does not move.
    const double catNow = cat.time.value_or(now);
    // Nor does one born at a moment no record keeps, and no page is dated at one: a clock set before
    // the reference date would make the whole album unreadable.
    if (!isRecordMoment(cat.birth) || !isRecordMoment(now) || !isRecordMoment(catNow)) return;
    const SkyLook look = world_.look ? world_.look() : SkyLook{};
    std::vector<MacKeepsake> all = load();
    if (untrimmed_) return;
    QSet<QString> unusedPhotos;  // of pages taken out, removed once the album is saved without them
    const bool broughtBack = bringBackPagesAhead(all, now, catNow, cat.birth, unusedPhotos);
    std::vector<const MacKeepsake*> mine;
    for (const auto& k : all)
        if (k.catBirth == cat.birth) mine.push_back(&k);

    const QString giftBaseKey = QStringLiteral("albumGiftBase");
    std::vector<CatAccessory> unlocked = world_.unlocked ? world_.unlocked() : std::vector<CatAccessory>{};
    if (!store_.contains(giftBaseKey)) store_.set(giftBaseKey, static_cast<int>(unlocked.size()));

    const bool inView = cat.inView();
    const bool preview = world_.skyCyclesPreview && world_.skyCyclesPreview();

    DiaryContext c;
    c.name = prefs::petName(store_);
    c.birth = cat.birth;
    c.now = catNow;
    c.kittenLength = prefs::kittenLengthSeconds(store_);
    c.isDead = cat.isDead;
    c.ageLabel = ageText(catNow - cat.birth);
    c.rain = !preview && isRainy(look.weather);
    c.snow = !preview && look.weather == SkyWeather::snow;
    c.sunset = look.time == SkyTime::sunset;
    c.night = look.time == SkyTime::night;
    c.unlocked = std::move(unlocked);
    c.giftBase = static_cast<int>(prefs::count(giftBaseKey, 1000, store_));
    for (const auto* k : mine) {
        c.keys.insert(k->key);
        if (k->key == QLatin1String("candid")) c.candidDates.push_back(k->date);
    }
    for (const auto& k : all) c.albumKeys.insert(k.key);
    const DroppedUnions& dropped = droppedOf(cat.birth);
    c.albumKeys.unite(dropped.album);
    c.keys.unite(dropped.cat);
    c.openFor = openSince_ ? now - *openSince_ : 0;
    c.content = cat.content;
    if (inView && notchOpen_) {
        c.doing = currentDoing(cat);
        c.place = currentPlace(cat);
    }

    std::vector<DiaryEntry> entries = DiaryEntry::entries(c);
    keepWithinCap(entries, all);
    if (entries.empty()) {
        if (broughtBack && save(all)) {
            removePhotos(unusedPhotos);
            setUnseen(unseenCount());
        }
        return;
    }

    // After a failed save, a pass first checks that the store takes the record again, so a disk that
    // refuses writes does not get new photo files every 10 s.
    if (saveFailing_ && !save(all)) return;

    const QString breed = store_.contains(QStringLiteral("catBreed")) ? store_.string(QStringLiteral("catBreed"))
                                                                      : QStringLiteral("orange");
    // This cat's arrival photo from an earlier run, for the "then" of the growing-up pages.
    std::optional<QString> thenPhoto;
    for (const auto* k : mine) {
        if (k->key != QLatin1String("arrived")) continue;
        if (!k->photos.isEmpty()) thenPhoto = k->photos.front();
        break;
    }

    std::vector<QString> written;  // the photo files of this pass
    auto keep = [&written](std::optional<QString> photo) {
        if (photo) written.push_back(*photo);
        return photo;
    };
    for (const auto& e : entries) {
        MacKeepsake k;
        k.id = newKeepsakeId();
        k.key = e.key;
        // Never dated past the clock, whatever the cat's own time says.
        k.date = pageDate(e.date, now, cat.birth);
        k.catBirth = cat.birth;
        k.name = prefs::petName(store_);
        k.breed = breed;
        k.age = e.date - cat.birth;
        k.title = e.title;
        k.note = e.note;
        k.died = e.died;
        k.outfit = e.outfit;
        if (e.key == QLatin1String("arrived")) {
            if (auto photo = keep(arrivalPhoto(breed))) {
                k.photos = {*photo};
                k.captions = {e.title};
            }
        } else if (e.key == QLatin1String("junior") || e.key == QLatin1String("adult")) {
            if (inView) {
                if (auto photo = keep(scenePhoto(cat.place))) {
                    if (thenPhoto) {
                        k.photos = {*thenPhoto, *photo};
                        k.captions = {QStringLiteral("then"), QStringLiteral("now")};
                    } else {
                        k.photos = {*photo};
                        k.captions = {e.title};
                    }
                }
            }
        } else if (!e.key.startsWith(QLatin1String("days-")) && inView) {
            if (auto photo = keep(scenePhoto(cat.place))) {
                k.photos = {*photo};
                k.captions = {e.title};
            }
        }
        all.push_back(std::move(k));
    }

    // One retry at once; then the pages stay due and a later pass tries again. Nothing is paid and no
    // photo is left behind for a page that was not kept.
    if (!save(all) && !save(all)) {
        for (const QString& name : written) QFile::remove(photoPath(name));
        if (!saveFailing_) qWarning() << "Could not save the album; its new pages wait for the next try";
        saveFailing_ = true;
        return;
    }
    saveFailing_ = false;
    removePhotos(unusedPhotos);

    // Anniversaries and holidays pay 20 coins each while coins are on.
    for (const auto& e : entries) {
        if (!startsWithAny(e.key, {"months-", "years-", "holiday-"})) continue;
        if (world_.walletEnabled && world_.walletEnabled() && world_.pay) world_.pay(20, clock_.now());
    }
    setUnseen(unseenCount());
}

}  // namespace kp
