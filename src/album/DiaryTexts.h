#pragma once
// Every word the diary puts on a page, in the owner's voice. The cat's name is user text and is
// inserted as it stands.
#include "cat/CatAccessory.h"
#include "cat/CatLook.h"
#include "life/Holiday.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace kp {

struct DiaryContext;
enum class DiaryPlace;

struct DiaryText {
    QString title;
    QString note;
    bool operator==(const DiaryText&) const = default;
};

struct HolidayText {
    QString title;
    QString note;
    CatDoing doing;
};

struct PlaceText {
    QString key;
    QString title;
    QString note;
    CatDoing doing;
};

struct LifeRow {
    int hour;  // local clock hour
    CatDoing doing;
    QString title;
    QString note;
};

struct DayMilestone {
    int days;
    const char* title;
    const char* note;
};

namespace diary {

inline constexpr const char* gardenKey = "place-garden";

DiaryText arrived(const QString& name);
DiaryText farewell(const QString& name, const QString& ageLabel);
DiaryText junior(const QString& name);
DiaryText adult();
DiaryText firstRain();
DiaryText firstSnow();
DiaryText wardrobe(CatAccessory first);
DiaryText wardrobeFull();

// 7 days, then 100 days.
std::span<const DayMilestone> dayMilestones();

// "two", "three" ... "ten"; decimal digits from eleven on.
QString yearWord(int years);
DiaryText anniversaryText(int months, const QString& name);
std::optional<HolidayText> holidayText(Holiday holiday, bool again, const QString& name);
std::optional<PlaceText> placeEntry(DiaryPlace place, const DiaryContext& context);
// The 39 daily-life rows; `variant` picks the friendly versions of rows 0, 1, 2 and 13.
std::vector<LifeRow> lifePool(bool variant, const QString& name);
std::optional<DiaryText> candidText(CatDoing doing, const DiaryContext& context, int count);

}  // namespace diary
}  // namespace kp
