#pragma once
// A room view on a scratch world: a cat that holds still, a hand-moved clock, a wallet, a
// pomodoro and a wardrobe, and a fixed sky.
#include "life/PetProbe.h"

#include "app/AppState.h"
#include "cat/Closet.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "rooms/IslandRoomView.h"

#include <QImage>
#include <QPainter>

#include <memory>

namespace kp::test {

struct RoomWorld {
    CatWorld cat;  // store, scheduler, clock, sky
    ManualScheduler scheduler;
    ManualInputIdleness idleness;
    NotificationCenter hub;
    std::unique_ptr<Wallet> wallet;
    std::unique_ptr<Pomodoro> pomodoro;
    std::unique_ptr<Closet> closet;
    std::unique_ptr<AppState> state;
    std::unique_ptr<IslandRoomView> view;
    SkyLook look{SkyTime::day, SkyWeather::clear};

    RoomWorld() {
        Defaults& store = *cat.store;
        wallet = std::make_unique<Wallet>(store);
        pomodoro = std::make_unique<Pomodoro>(*wallet, store, cat.clock, scheduler, idleness, hub);
        closet = std::make_unique<Closet>(store, cat.clock, idleness, scheduler);
        state = std::make_unique<AppState>(store, cat.make(), hub);
        view = std::make_unique<IslandRoomView>(*state, *closet, *pomodoro, *wallet, store, cat.clock, scheduler, hub);
        view->setLookSource([this] { return look; });
        view->setTapSound([] {});
    }

    PetLife& life() { return state->life(); }
    double now() const { return cat.clock.now(); }

    // Shows `room` with the cat in it.
    void show(IslandRoomKind room) {
        state->setRoomKind(room);
        PetLifeTestAccess::setRoom(life(), room);
        PetLifeTestAccess::setViewRoom(life(), room);
    }

    // One frame of the room at the open island's size.
    QImage render(double width = 640, double height = 160) {
        QImage img(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        view->paint(p, QRectF(0, 0, width, height), now());
        return img;
    }

    // The first hotspot of the last frame with this action, or null.
    const RoomHotspot* spot(RoomAction action) const {
        const RoomHotspots& h = view->hotspots();
        for (int i = 0; i < h.size(); ++i)
            if (h[i].action == action) return &h[i];
        return nullptr;
    }
};

// Distance between two colours, channel by channel (0...255).
inline int colourDistance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

}  // namespace kp::test
