#pragma once
// The diary generator: which dated pages of a cat's life are due and not yet collected. A pure
// function of its context; it reads no store and no clock.
#include "cat/CatAccessory.h"
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"

#include <QSet>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace kp {

enum class DiaryPlace { garden, house, hearth, tv };

// One run's snapshot of the cat and the world.
struct DiaryContext {
    QString name;
    double birth = 0;  // reference seconds
    double now = 0;
    double kittenLength = 172800;  // seconds, positive
    bool isDead = false;
    std::optional<double> diedAt;
    QString ageLabel;  // "12 days"
    bool rain = false;
    bool snow = false;
    bool sunset = false;
    bool night = false;
    std::vector<CatAccessory> unlocked;  // in gift order
    int giftBase = 0;
    QSet<QString> keys;       // this cat's collected keys
    QSet<QString> albumKeys;  // every cat's collected keys
    std::vector<double> candidDates;
    double openFor = 0;  // seconds the island has been open without a break
    bool content = true;
    std::optional<CatDoing> doing;     // none when the cat is not in view
    std::optional<DiaryPlace> place;   // none when nowhere in particular or not in view
    // The calendar's time zone; none is the user's local time.
    std::optional<QTimeZone> zone;

    bool has(const QString& key) const { return keys.contains(key); }
};

// One proposed page.
struct DiaryEntry {
    QString key;
    double date = 0;
    QString title;
    QString note;
    bool died = false;
    std::optional<CatOutfit> outfit;  // none: whatever the cat wears when drawn
    std::optional<CatDoing> doing;

    // The entries due for the context, in the order they were produced.
    static std::vector<DiaryEntry> entries(const DiaryContext& context);
};

// The first time after `base` showing hour:minute on the context's calendar; a time its clock skips
// is moved to the first time after it that exists, on the same day.
double diaryClockTime(double base, int hour, int minute, const DiaryContext& context);

// The diary's hash: SplitMix64's output applied to seed + salt·k1 + i·k2.
std::uint64_t diaryHash(std::uint64_t seed, std::uint64_t salt, std::uint64_t i);

}  // namespace kp
