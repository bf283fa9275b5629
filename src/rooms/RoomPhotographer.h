#pragma once
// A photo of the cat's room for the album: the walls or the garden, the holiday, the furniture,
// the cat as it is now, the garden's weather and the bedroom's night tint. Drawn from the models
// as they stand and nothing else: no pointer goes to the cat, no spring steps, no thunder
// startles, no hit list changes, and passing speech bubbles stay out of the picture. Works
// whether or not the island has ever opened.
#include "core/SkyTypes.h"
#include "rooms/RoomBackdrop.h"
#include "rooms/RoomFurnitureLayer.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomScene.h"

#include <QImage>
#include <QRectF>

#include <functional>
#include <memory>

class QPainter;

namespace kp {

// (AppState, Closet, Pomodoro and Wallet come with RoomKit.h.)
class Clock;
class Defaults;
class NotificationCenter;
class RoomCatLayer;

class RoomPhotographer {
public:
    // All references must outlive the photographer.
    RoomPhotographer(AppState& state, Closet& closet, Pomodoro& pomodoro, Wallet& wallet, Defaults& store,
                     Clock& clock, NotificationCenter& hub);
    ~RoomPhotographer();
    RoomPhotographer(const RoomPhotographer&) = delete;
    RoomPhotographer& operator=(const RoomPhotographer&) = delete;

    // Where the sky's look comes from (default: the shared sky model).
    void setLookSource(std::function<SkyLook()> source) { lookSource_ = std::move(source); }

    // The cat is at home in one of its rooms, so there is something to photograph.
    bool catAtHome() const;
    // Paints the photo of the cat's room into `rect` (room points) at time `t`.
    void paint(QPainter& p, const QRectF& rect, double t);
    // The photo now, 640 x 160 points at `scale` pixels a point; null while the cat is away.
    QImage photo(double scale = 3);

private:
    void paintScene(QPainter& p, QPointF at, const RoomFrame& f, const RoomStackPlan& plan);

    AppState& state_;
    Clock& clock_;
    RoomModels models_;
    RoomBackdrop backdrop_;
    RoomFurnitureLayer furniture_;
    std::unique_ptr<RoomCatLayer> cat_;
    std::function<SkyLook()> lookSource_;
};

}  // namespace kp
