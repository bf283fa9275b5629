#pragma once
// What stands behind and over the room's furniture: the walls and floor, the holiday decorations
// and prop, the storm flash, and the night tint that darkens the bedroom while the cat sleeps the
// night (its window stays bright, moonlight pools on the floor).
#include "core/IslandTypes.h"
#include "life/Holiday.h"
#include "rooms/RoomKit.h"

#include <QBrush>
#include <QColor>
#include <QImage>

#include <array>
#include <memory>
#include <optional>

class QPainter;

namespace kp {

class PetLife;
struct HolidayMobiles;

// The cat sleeps its night's sleep and the bedroom is on view.
bool showsNightSleep(const PetLife& life, IslandRoomKind shown);

// Watches the storm flash for the cat's thunder startle: the startle runs when "flash above 0.5"
// turns true, with the index of the 9-second storm period.
class ThunderWatch {
public:
    // The period index to startle with, when the flag has just turned true.
    std::optional<int> update(double flash, double t);
    bool flag() const { return flag_; }

private:
    bool flag_ = false;
};

// The bedroom's night tint's opacity while it eases in and out over 2.2 s with the night sleep.
class NightTintFade {
public:
    static constexpr double seconds = 2.2;
    // The tint's visibility (0...1) at `t` with the night sleep shown or not.
    double update(bool shown, double t);
    // The next update shows the tint as it is then, without easing (another room came on view).
    void settle() { started_ = false; }

private:
    bool target_ = false;
    double from_ = 0;
    double startedAt_ = 0;
    bool started_ = false;
};

class RoomBackdrop {
public:
    RoomBackdrop();
    ~RoomBackdrop();
    RoomBackdrop(const RoomBackdrop&) = delete;
    RoomBackdrop& operator=(const RoomBackdrop&) = delete;

    // Walls and floor of an indoor room (the garden draws its own backdrop).
    void paintWalls(QPainter& p, const RoomFrame& f) const;
    // The garden's sky, hills, fence and lawn.
    void paintGarden(QPainter& p, const RoomFrame& f) const;
    // The garden's rain, snow and lightning, faded with the opening; without the evening's tint
    // when not `tinted`.
    void paintGardenWeather(QPainter& p, const RoomFrame& f, bool tinted = true) const;
    // That tint's colour (transparent when there is none), before the opening fades it.
    static QColor gardenTint(const RoomFrame& f);
    // The room's hanging decoration and its standing prop for the frame's holiday, faded with the
    // opening (nothing without a holiday). `inFront`: only a prop that stands in front of the
    // furniture (see holidayPropInFront); else the decoration and a prop that stands behind it.
    void paintHoliday(QPainter& p, const RoomFrame& f, bool inFront = false);
    void paintHolidayDecor(QPainter& p, const RoomFrame& f, Holiday holiday);
    void paintHolidayProp(QPainter& p, const RoomFrame& f, Holiday holiday) const;
    // The white storm flash over the room.
    void paintStormFlash(QPainter& p, const RoomFrame& f) const;
    // The night tint at `opacity` (0 draws nothing).
    void paintNightTint(QPainter& p, const RoomFrame& f, double opacity);

    // The night tint's colour (drawn at 0.8 away from the window).
    static QColor nightColor();

    QColor wallTop(IslandRoomKind kind) const;
    QColor wallBottom(IslandRoomKind kind) const;
    QColor floorColor(IslandRoomKind kind) const;

private:
    const QImage& nightTintImage(const RoomFrame& f, double dpr);

    std::array<QBrush, 5> walls_;
    std::array<QColor, 5> floors_;
    std::unique_ptr<HolidayMobiles> mobiles_;
    QImage tint_;
    QSizeF tintSize_;
    double tintFloor_ = -1;
    double tintDpr_ = 0;
};

}  // namespace kp
