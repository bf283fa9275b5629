#pragma once
// What the settings window reads and acts on. The app fills it from its shared instances
// (sharedSettingsServices()); tests fill it with their own. Every pointer may be null: the rows
// that need a missing neighbour still show, with their stored values, and act on nothing.
#include "life/PetTypes.h"
#include "life/ShopItem.h"

#include <QUrl>
#include <QVariantMap>

#include <functional>

class QPainter;
class QRectF;

namespace kp {

class AmbienceTarget;
class Closet;
class Defaults;
class NotificationCenter;
class PetLife;
class Pomodoro;
class SettingsRouter;
class SkyModel;
class Wallet;

// Desktop roaming. Empty members: roaming is not available in this build.
struct SettingsRoaming {
    std::function<bool()> isOut;
    std::function<void()> sendOut;   // also when roaming is off
    std::function<void()> callHome;  // drops the whole plan, the step under way included
};

// The shop's drawings.
struct SettingsArt {
    std::function<void(QPainter&, const QRectF&)> coin;                     // one coin filling the box
    std::function<void(QPainter&, ShopItem, const QRectF&, double)> item;  // item art at a moment
};
// The scenery's coin and item drawings when this build has them, else the stand-ins below; the
// window uses them for whatever member is left empty.
SettingsArt defaultSettingsArt();
// Plain stand-ins.
void drawStandInCoin(QPainter& p, const QRectF& box);
void drawStandInShopItem(QPainter& p, ShopItem item, const QRectF& box, double time);

struct SettingsServices {
    Defaults* store = nullptr;  // required
    SettingsRouter* router = nullptr;  // required
    PetLife* life = nullptr;
    Wallet* wallet = nullptr;
    Closet* closet = nullptr;
    Pomodoro* pomodoro = nullptr;
    SkyModel* sky = nullptr;
    AmbienceTarget* ambience = nullptr;
    NotificationCenter* hub = nullptr;
    SettingsRoaming roaming;
    SettingsArt art;
    std::function<void(PetSound)> playSound;
    std::function<void(const QUrl&)> openUrl;
    // Whether a tray shows the app's icon (its menu is on the island's right-click otherwise).
    std::function<bool()> trayShown;
    bool hasTray() const { return !trayShown || trayShown(); }
    // Reference seconds now (drives the header's cat).
    std::function<double()> now;
    // "version" and "build" of the running app, when known.
    QVariantMap bundleInfo;
};

// The app's neighbours: the standard store, the shared router, cat, wallet, closet, pomodoro,
// weather, ambience, music box, sound player and hub. Built in the settings app library.
SettingsServices sharedSettingsServices();
// Neighbours that arrive later: windows built after these calls use them.
void setSharedSettingsRoaming(SettingsRoaming roaming);
void setSharedSettingsArt(SettingsArt art);

// Product links.
const QUrl& websiteURL();
const QUrl& tipJarURL();
const QUrl& openMeteoURL();

}  // namespace kp
