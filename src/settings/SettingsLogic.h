#pragma once
// The settings window's decisions, apart from its widgets: what each tab shows for a state of
// the models, and what its buttons do.
#include "core/SettingsRouter.h"
#include "cat/CatAccessory.h"
#include "life/Pomodoro.h"
#include "life/PetTypes.h"
#include "life/ShopItem.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace kp {

class Defaults;
class PetLife;
class Wallet;
struct SettingsRoaming;

namespace settings {

// Defaults of the window's stored settings, where absent.
inline constexpr double openIdleDefault = 5, peekIdleDefault = 60, beatLengthDefault = 10,
                        statDrainDefault = 1800, kittenLengthDefault = 172800, focusDefault = 1500,
                        breakDefault = 300, longBreakDefault = 900, volumeDefault = 0.5;
// The wardrobe opens after this much time together.
inline constexpr double wardrobeOpensAt = 18000;
// Coins a finished round pays, as the texts tell it.
inline constexpr int coinsPerRound = 10;

const char* tabIcon(SettingsTab tab);
// The bar's tabs: every tab in order, Shop only while the coins feature is on.
std::vector<SettingsTab> visibleTabs(bool coinsOn);

// "Kitten · 2d old".
QString heroSubtitle(PetStage stage, const QString& age);
// The stored name, "Tobbi" when empty.
QString heroName(const Defaults& store);

QString pomodoroStatusText(Pomodoro::Phase phase, int minutesLeft);
struct PomodoroButtons {
    bool stop = false;
    std::optional<QString> start;  // "Start focus" or "Start break"
};
PomodoroButtons pomodoroButtons(Pomodoro::Phase phase);
// The start button's click, by the phase at that moment.
void pomodoroStart(Pomodoro& pomodoro);
// The coins switch: the wallet first; on: the bedroom's offer is answered and the intro starts;
// off: the pomodoro stops.
void setPomodoroAndCoins(bool on, Wallet& wallet, Pomodoro* pomodoro, Defaults& store);
QString pomodoroFooter(bool coinsOn, bool trayShown);

// The outing row's click: home when out, out when home.
void roamButtonAction(const SettingsRoaming& roaming, bool isOut);

// One shop tile.
struct ShopTile {
    bool coinsOff = false;  // not his yet, and nothing can be bought while coins are off
    bool owned = false;
    bool shown = false;
    bool enabled = false;
    bool away = false;
    // A meal the cat would not eat now, and why: nothing is charged for it.
    std::optional<PetUnfed> unfed;
};
struct CatWhereabouts {
    bool dead = false;
    bool out = false;
    bool inViewedRoom = true;
    std::optional<PetUnfed> unfed;
};
ShopTile shopTile(ShopItem item, const Wallet& wallet, const CatWhereabouts& cat);
QString shopTooltip(ShopItem item, bool away, std::optional<PetUnfed> unfed = std::nullopt);
// "Play", "In his room", "Put away"; empty when not owned (the price shows).
QString shopStatusWord(ShopItem item, bool owned, bool shown);
// A click on a tile: buy, serve, put away or bring back, or play. A meal is paid for only when
// the cat goes to eat it.
void shopAction(ShopItem item, Wallet& wallet, PetLife* life, const std::function<void(PetSound)>& sound);
const char* shopSectionTitle(ShopSection s);
const char* shopSectionFooter(ShopSection s);
QString coinsFooter();
// A tile while coins are off: its word in place of the price, and its tip.
QString shopCoinsOffWord();
QString shopCoinsOffTooltip(ShopItem item);

// The wardrobe grid: every gift piece in case order plus the holiday pieces granted so far.
std::vector<CatAccessory> wardrobePieces(const std::set<CatAccessory>& seasonal);
QString wardrobeFooter(double together);

// Timings and sound back to how they started (eleven keys, each written).
void restoreDefaults(Defaults& store);

// "0.1.0 (41)" from the running app's "version" and "build"; a missing or non-text version is the
// one this build was made as, and a missing build is the build number it was given (1 unless set).
QString appVersionText(const QVariantMap& info);

}  // namespace settings
}  // namespace kp
