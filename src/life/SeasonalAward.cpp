#include "life/SeasonalAward.h"

#include "life/Holiday.h"
#include "cat/SeasonalAccessories.h"
#include "core/Preferences.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"

namespace kp {

namespace {
const QString kAnniversary = QStringLiteral("seasonalAnniversary");
}

bool awardSeasonalPieces(double now, std::optional<double> birth, Defaults& store) {
    std::set<CatAccessory> pieces = seasonalPieces(store);
    CatAccessory piece = CatAccessory::partyHat;
    if (birth && isBirthMilestone(now, *birth)) {
        // A milestone day takes the place of the season: at most one hat per milestone day.
        const double day = startOfLocalDay(now);
        if (prefs::moment(kAnniversary, store) == day) return false;
        if (!pieces.count(CatAccessory::partyHat))
            piece = CatAccessory::partyHat;
        else if (!pieces.count(CatAccessory::partyHatPink))
            piece = CatAccessory::partyHatPink;
        else
            return false;
        store.set(kAnniversary, day);
    } else {
        const auto holiday = currentHoliday(now);
        if (!holiday) return false;
        piece = seasonalPiece(*holiday);
    }
    if (!pieces.insert(piece).second) return false;
    writeSeasonalPieceList(store, "seasonalPieces", pieces);
    return true;
}

std::function<bool(double now)> seasonalAward(Defaults& store, std::function<std::optional<double>()> birth) {
    return [&store, birth = std::move(birth)](double now) {
        return awardSeasonalPieces(now, birth ? birth() : std::nullopt, store);
    };
}

}  // namespace kp
