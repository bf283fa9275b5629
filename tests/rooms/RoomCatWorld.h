#pragma once
// A room cat on a scratch world: the cat, the app state around it, a hub that records emotes, and
// a layer that draws it into a room-sized image.
#include "life/PetProbe.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "life/PetLife.h"
#include "platform/NotificationCenter.h"
#include "rooms/RoomCat.h"
#include "rooms/RoomKit.h"

#include <QImage>
#include <QPainter>

#include <any>
#include <memory>
#include <string>
#include <vector>

namespace kp::test {

struct RoomCatWorld {
    CatWorld cat;
    NotificationCenter hub;
    std::unique_ptr<AppState> state;
    std::unique_ptr<RoomCatLayer> layer;
    std::vector<std::string> posted;  // "love", "annoyed", "slap"
    Subscription emoteSub{hub, note::triggerEmote, [this](const std::any& o) {
                              if (const auto* e = notificationObject<BotEmote>(o))
                                  posted.emplace_back(rawValue(*e));
                          }};
    Subscription slapSub{hub, note::triggerSlap, [this](const std::any&) { posted.emplace_back("slap"); }};
    RoomHotspots hot;

    RoomCatWorld() {
        state = std::make_unique<AppState>(*cat.store, cat.make(), hub);
        layer = std::make_unique<RoomCatLayer>(cat.clock, hub, *cat.store);
        layer->setScreenMiddle([] { return 720.0; });
        state->setMode(IslandMode::expanded);
        state->mousePosition = QPointF(-100, -100);  // away from the island
        grownUp();
    }

    PetLife& life() { return state->life(); }
    double now() const { return cat.clock.now(); }

    void grownUp() { PetLifeTestAccess::setBirth(life(), now() - 30 * 86400.0); }

    // Shows `room` with the cat in it.
    void show(IslandRoomKind room) {
        state->setRoomKind(room);
        PetLifeTestAccess::setRoom(life(), room);
        PetLifeTestAccess::setViewRoom(life(), room);
    }

    RoomFrame frame(double width = 640, double height = 160, double opening = 1) const {
        RoomFrame f;
        f.t = now();
        f.width = width;
        f.height = height;
        f.floorLine = room::floorLine(height);
        f.opening = opening;
        f.kind = state->roomKind();
        return f;
    }

    // Lets the body springs settle on the current pose for `seconds` of frames.
    void settle(double seconds = 2.5) {
        for (double s = 0; s < seconds; s += 1.0 / 30) {
            cat.clock.advance(1.0 / 30);
            life().frame(now());
        }
    }

    RoomModels models() {
        RoomModels m;
        m.state = state.get();
        m.life = &life();
        return m;
    }

    // One frame of the cat layer on a clear room.
    QImage render(double width = 640, double height = 160, double opening = 1) {
        QImage img(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        hot.clear();
        const RoomFrame f = frame(width, height, opening);
        layer->paint(p, f, models(), hot);
        layer->paintReactions(p, f, models());
        return img;
    }
};

// Non-transparent pixels within `r`.
inline int inkIn(const QImage& img, const QRect& r) {
    int n = 0;
    const QRect a = r.intersected(img.rect());
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x) n += qAlpha(img.pixel(x, y)) > 40;
    return n;
}

// The bounding box of the drawn pixels.
inline QRect inkBounds(const QImage& img) {
    QRect b;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 40) b |= QRect(x, y, 1, 1);
    return b;
}

}  // namespace kp::test
