#pragma once
// The album's model: the keepsake store ("album.v1"), the photo folder, the unseen count the rooms'
// album button shows, and the collector that turns due diary entries into keepsakes.
#include "album/Keepsake.h"
#include "core/IslandTypes.h"
#include "cat/CatAccessory.h"
#include "cat/CatLook.h"
#include "life/PetTypes.h"
#include "core/SkyTypes.h"

#include <QImage>
#include <QObject>
#include <QSet>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

class Clock;
class Defaults;
class PetLife;
class Scheduler;
enum class DiaryPlace;

// What a collection reads from the living cat, taken at the moment of the collection.
struct AlbumCatSnapshot {
    double birth = 0;
    bool isOut = false;
    IslandRoomKind room{};
    IslandRoomKind viewRoom{};
    bool isDead = false;
    bool content = true;  // no need right now
    bool isSleeping = false;
    std::optional<PetErrand> errand;
    bool inHouse = false;
    double place = 0.5;  // 0 at the room's left edge, 1 at its right
    // The cat's own time, by which its ages count (none: the wall clock's), and whether it has met a
    // true clock: under a clock known to be wrong no page is dated.
    std::optional<double> time;
    bool onTrueClock = true;

    static AlbumCatSnapshot of(const PetLife& life);
    // Not out on the desktop, and in the room the island shows.
    bool inView() const { return !isOut && room == viewRoom; }
};

// The rest of the app as a collection sees it; `live()` reads the shared objects.
struct AlbumWorld {
    std::function<AlbumCatSnapshot()> cat;
    std::function<SkyLook()> look;
    std::function<bool()> skyCyclesPreview;
    std::function<std::vector<CatAccessory>()> unlocked;
    std::function<bool()> walletEnabled;
    std::function<void(long long amount, double at)> pay;  // adds, shows the gain and saves

    static AlbumWorld live();
};

class MacAlbum : public QObject {
    Q_OBJECT
    Q_PROPERTY(int unseen READ unseen NOTIFY unseenChanged)
public:
    static constexpr int cap = 400;
    static constexpr double period = 10.0;      // seconds between collections
    static constexpr double firstRunAfter = 3.0;

    MacAlbum(Defaults& store, Clock& clock, Scheduler& scheduler, AlbumWorld world,
             QObject* parent = nullptr);
    ~MacAlbum() override;

    // The app's album on the standard store, system clock and Qt scheduler, made on first use.
    static MacAlbum& shared();

    // --- Store ---
    // Every keepsake, oldest first; an unreadable record reads as empty (and is kept aside). The
    // record is read again only once its file has changed. One over the cap (made by hand) is
    // brought within it at once, by the save's rules; when that cannot be written, the newest 400
    // stand for it, and no page is collected, until the file changes.
    std::vector<MacKeepsake> load();
    // Sorts by date, keeps the newest 400 and replaces the record; false when it was not written.
    bool save(std::vector<MacKeepsake> keepsakes);
    // The keys of pages the cap has dropped, by cat birth (candid moments, which repeat, left out):
    // such a page is not collected again.
    using DroppedLists = std::map<double, QSet<QString>>;
    const DroppedLists& droppedKeys();
    // Keepsakes of any cat dated after the album was last opened, arrivals not counted.
    int unseenCount();
    int unseen() const { return unseen_; }
    // The user has seen the album now: stores "albumOpenedAt" and clears the count.
    void markOpened();
    // The photo folder, created when missing.
    QString photoFolder() const;
    // The full path of a stored photo name; empty for a name that would leave the folder.
    QString photoPath(const QString& name) const;
    // Writes the image as a JPEG file in the photo folder; its file name, or none.
    std::optional<QString> savePhoto(const QImage& image) const;
    // How many times the album's records (its pages and its dropped keys) were read from the store:
    // each version of a file once.
    int recordReads() const { return recordReads_; }

    // --- Collection ---
    // Starts the 10 s collection (the first run 3 s from now); a second call does nothing.
    void start();
    bool isStarted() const;
    // The island is open to home (true) or not; the time it opened feeds candid moments.
    void setNotchOpen(bool open);
    bool notchOpen() const { return notchOpen_; }
    std::optional<double> openSince() const { return openSince_; }
    // Collects the diary entries due at `now` as keepsakes.
    void addDueKeepsakes(double now);
    // Collects at once, as when the cat has just died: its farewell must not wait for the timer.
    void collectNow();

    // Photo sources, filled by the app: the open island's room rendered at 640 x 160 points (any
    // scale, same aspect), and the story film's arrival frame at 420 x 320 points for a breed. An
    // unset hook or a null image means no photo.
    void setSceneSnapshot(std::function<QImage()> snapshot) { sceneSnapshot_ = std::move(snapshot); }
    void setArrivalSnapshot(std::function<QImage(CatBreed)> snapshot) {
        arrivalSnapshot_ = std::move(snapshot);
    }

    // Paints a view of `points` size into a fresh opaque-on-transparent image at `scale` (the
    // album's photos are rendered at 3).
    static QImage renderOffscreen(QSizeF points, double scale, const std::function<void(QPainter&)>& paint);

    // "12 days", "5 hours", "1 minutes": the unit never changes to the singular.
    static QString ageText(double seconds);
    static std::optional<CatDoing> currentDoing(const AlbumCatSnapshot& cat);
    static std::optional<DiaryPlace> currentPlace(const AlbumCatSnapshot& cat);
    // The crops of the photos: around the cat in the room, and the kitten in the film frame.
    static QImage cropScene(const QImage& room, double place);
    static QImage cropArrival(const QImage& film);

signals:
    void unseenChanged(int unseen);

private:
    // Pages dated past the cat's own time `catNow` (written under a clock that ran ahead, which the
    // cat has come back from) are dated now, or taken out when they tell of a holiday or of an age
    // the cat born at `birth` has not reached; the photos only those had are added to `unused`. A
    // wall clock `now` set back while the app runs moves no page. True when anything changed.
    bool bringBackPagesAhead(std::vector<MacKeepsake>& all, double now, double catNow, double birth,
                             QSet<QString>& unused);
    void removePhotos(const QSet<QString>& names) const;
    // The keys of dropped pages a pass adds to what the diary knows: every cat's and this one's.
    struct DroppedUnions {
        QSet<QString> album, cat;
    };
    const std::vector<MacKeepsake>& stored();
    DroppedLists& droppedLists();
    const DroppedUnions& droppedOf(double birth);
    void setUnseen(int n);
    std::optional<QString> scenePhoto(double place) const;
    std::optional<QString> arrivalPhoto(const QString& breed) const;

    Defaults& store_;
    Clock& clock_;
    Scheduler& scheduler_;
    AlbumWorld world_;
    std::function<QImage()> sceneSnapshot_;
    std::function<QImage(CatBreed)> arrivalSnapshot_;

    int unseen_ = 0;
    std::uint64_t timer_ = 0;
    std::uint64_t firstRun_ = 0;
    std::optional<double> openSince_;
    bool notchOpen_ = false;
    bool saveFailing_ = false;

    // The records as last read, each with the stamp its file had then (none: to be read).
    std::vector<MacKeepsake> stored_;
    std::optional<QByteArray> storedStamp_;
    bool untrimmed_ = false;  // over the cap, and the save that would trim it failed
    DroppedLists dropped_;
    std::optional<QByteArray> droppedStamp_;
    DroppedUnions unions_;  // of `dropped_`, for the cat born at `unionsBirth_`
    double unionsBirth_ = 0;
    bool unionsFresh_ = false;
    int recordReads_ = 0;
};

}  // namespace kp
