#pragma once
// The room chrome on a scratch world: a cat on a hand-moved clock, a wallet, a pomodoro, the
// app state, and a hub that records what is posted.
#include "life/PetProbe.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "rooms/RoomKit.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <any>
#include <memory>
#include <string>
#include <vector>

namespace kp::test {

struct ChromeWorld {
    CatWorld cat;
    ManualInputIdleness idleness;
    NotificationCenter hub;
    std::unique_ptr<Wallet> wallet;
    std::unique_ptr<Pomodoro> pomodoro;
    std::unique_ptr<AppState> state;
    std::vector<std::pair<std::string, std::any>> posted;
    std::vector<Subscription> subscriptions;

    ChromeWorld() {
        Defaults& store = *cat.store;
        wallet = std::make_unique<Wallet>(store);
        pomodoro = std::make_unique<Pomodoro>(*wallet, store, cat.clock, cat.scheduler, idleness, hub);
        state = std::make_unique<AppState>(store, cat.make(), hub);
        state->setPetName(QStringLiteral("Tobbi"));
        for (std::string_view name : note::all)
            subscriptions.emplace_back(hub, name, [this, name](const std::any& object) {
                posted.emplace_back(std::string(name), object);
            });
    }

    Defaults& store() { return *cat.store; }
    PetLife& life() { return state->life(); }
    double now() const { return cat.clock.now(); }

    int count(std::string_view name) const {
        return int(std::count_if(posted.begin(), posted.end(), [&](const auto& e) { return e.first == name; }));
    }

    RoomFrame frame(double width = 640, double height = 160) const {
        RoomFrame f;
        f.t = now();
        f.width = width;
        f.height = height;
        f.floorLine = room::floorLine(height);
        f.kind = state->roomKind();
        return f;
    }
};

// An image of the room's size, filled with a plain wall colour.
inline QImage wallImage(double width = 640, double height = 160, QColor wall = QColor(0xE9, 0xDD, 0xCB)) {
    QImage img(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    img.fill(wall);
    return img;
}

inline int colourDistance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// The first hotspot carrying `action`, or null.
inline const RoomHotspot* findSpot(const RoomHotspots& h, RoomAction action) {
    for (int i = 0; i < h.size(); ++i)
        if (h[i].action == action) return &h[i];
    return nullptr;
}

}  // namespace kp::test
