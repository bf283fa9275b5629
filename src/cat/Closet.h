#pragma once
// The wardrobe: time spent together, the gifts it has unlocked, the seasonal pieces and what the
// cat wears. Stored under "togetherSeconds", "wardrobeGiftsSeen" and the record "catOutfit".
#include "cat/CatOutfit.h"

#include <QObject>
#include <QString>

#include <functional>
#include <set>
#include <span>

namespace kp {

class Clock;
class Defaults;
class InputIdleness;
class Scheduler;

// "in 5h" from 3600 s up (whole hours rounded up), else "in 12 min" (at least 1 minute).
QString nextGiftText(double seconds);

class Closet : public QObject {
    Q_OBJECT
public:
    static constexpr double openingSeconds = 18000;     // the wardrobe opens after 5 hours together
    static constexpr double giftEverySeconds = 7200;    // then one more piece every 2 hours
    static constexpr std::size_t starterCount = 15;
    static constexpr double tickSeconds = 5;
    static constexpr double activeIdleLimit = 60;       // idle less than this counts as together
    static constexpr double saveEverySeconds = 60;      // together-time is written at most this often

    // Gives at most one seasonal piece now and answers whether it did (the holiday calendar's award,
    // bound to the store and the cat's birth by the app).
    using SeasonalAward = std::function<bool(double now)>;

    // Reads the store and starts the 5 s tick on `scheduler`; together-time is written once a minute.
    Closet(Defaults& store, Clock& clock, InputIdleness& idleness, Scheduler& scheduler,
           QObject* parent = nullptr);
    ~Closet() override;

    // The app's wardrobe on the standard store, made on first use (after the application object).
    static Closet& shared();

    double together() const { return together_; }
    const std::set<CatAccessory>& seasonal() const { return seasonal_; }
    const CatOutfit& outfit() const { return outfit_; }
    // The wardrobe's badge: gifts and seasonal pieces not yet shown.
    int unseenCount() const { return unseenCount_; }

    // The gifts unlocked so far: a prefix of giftOrder(), empty before the wardrobe opens.
    std::span<const CatAccessory> unlocked() const;
    static std::size_t unlockedCount(double together);
    bool isUnlocked(CatAccessory a) const;

    // Puts an unlocked piece on (or takes it off when already worn) and stores the outfit.
    void wear(CatAccessory a);
    // Clears the badge.
    void markGiftsSeen();

    // Installs the seasonal award and runs it once at once.
    void setSeasonalAward(SeasonalAward award);
    // One 5 s step; the scheduler calls it.
    void tick();
    // Writes the together-time not yet stored (done at most once a minute, at quit and on destruction).
    void save();

signals:
    void changed();
    void outfitChanged();
    void togetherChanged();
    void seasonalChanged();
    void unseenCountChanged();

private:
    bool award();
    void recount();

    Defaults& store_;
    Clock& clock_;
    InputIdleness& idleness_;
    Scheduler& scheduler_;
    unsigned long long tickId_ = 0;
    SeasonalAward award_;

    double together_ = 0;
    double stored_ = 0;  // the together-time last written
    long long giftsSeen_ = 0;
    std::set<CatAccessory> seasonal_;
    CatOutfit outfit_;
    int unseenCount_ = 0;
};

}  // namespace kp
