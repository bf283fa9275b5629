#pragma once
// The coin balance, the shop items owned and put away, the last gain (for the coin pop-ups) and the
// daily care payments. Saved as the record "wallet.v1"; the feature switch is "pomodoroAndCoins".
#include "life/ShopItem.h"

#include <QObject>

#include <map>
#include <optional>
#include <set>
#include <string>

namespace kp {

class Defaults;

class Wallet : public QObject {
    Q_OBJECT
public:
    // One payment; two gains of the same amount at different times differ, so every one is seen.
    struct Gain {
        long long amount = 0;
        double at = 0;  // reference seconds
        bool operator==(const Gain&) const = default;
    };

    static constexpr long long focusRoundCoins = 10;
    static constexpr long long everyFourthRoundCoins = 25;
    static constexpr long long careCoins = 2;

    // Reads the switch and the record from `store`.
    explicit Wallet(Defaults& store, QObject* parent = nullptr);

    // The app's wallet on the standard store, made on first use.
    static Wallet& shared();

    long long coins() const { return coins_; }
    const std::set<ShopItem>& owned() const { return owned_; }
    const std::set<ShopItem>& stored() const { return stored_; }
    const std::optional<Gain>& lastGain() const { return lastGain_; }
    bool enabled() const { return enabled_; }
    // Care key ("pet", "feed", ...) to the day key of the last day it was paid.
    const std::map<std::string, std::string>& cared() const { return cared_; }

    // Turns the pomodoro-and-coins feature on or off; always writes the switch.
    void setEnabled(bool on);

    // Pays `amount` coins (at least 1) while the feature is on, and saves.
    void gain(long long amount, double at);
    // Pays 2 coins for the first care of `key` on the calendar day of `at`.
    void care(const std::string& key, double at);
    // Buys an item; false when the feature is off, the coins do not reach or it is already owned.
    // Food is paid for each time and never owned.
    bool buy(ShopItem item);
    // Whether `buy` would succeed now.
    bool canBuy(ShopItem item) const;
    // Puts an owned home item away, or brings it back.
    void toggleStored(ShopItem item);
    // Owned and not put away.
    bool isShown(ShopItem item) const;

    // Adds coins from elsewhere (album entry rewards) and shows them as a gain, whether or not the
    // feature is on; saves.
    void reward(long long amount, double at);

    // Writes the record.
    void save();

    // "2026-12-5": the local calendar day of `at`, without leading zeros.
    static std::string dayKey(double at);

signals:
    void changed();
    void coinsChanged();
    void ownedChanged();
    void storedChanged();
    void lastGainChanged();
    void enabledChanged();

private:
    void load();
    void add(long long amount, double at);

    Defaults& store_;
    long long coins_ = 0;
    std::set<ShopItem> owned_;
    std::set<ShopItem> stored_;
    std::optional<Gain> lastGain_;
    bool enabled_ = false;
    std::map<std::string, std::string> cared_;
};

}  // namespace kp
