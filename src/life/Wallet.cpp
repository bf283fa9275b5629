#include "life/Wallet.h"

#include "platform/Dates.h"
#include "platform/Defaults.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace kp {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

const QString kRecord = QStringLiteral("wallet.v1");
const QString kSwitch = QStringLiteral("pomodoroAndCoins");

struct Saved {
    long long coins = 0;
    std::set<ShopItem> owned;
    std::set<ShopItem> stored;
    std::map<std::string, std::string> cared;
};

// A member a record from an earlier version lacks stays empty. An item this version's shop does
// not know (from a later version) is left out; the rest of the wallet stands.
bool readItems(const json& object, const char* key, std::set<ShopItem>& out) {
    const auto it = object.find(key);
    if (it == object.end()) return true;
    if (!it->is_array()) return false;
    for (const json& raw : *it) {
        if (!raw.is_string()) return false;
        if (const auto item = fromRawValue<ShopItem>(raw.get_ref<const std::string&>())) out.insert(*item);
    }
    return true;
}

bool readCoins(const json& object, long long& out) {
    const auto it = object.find("coins");
    if (it == object.end()) return true;
    if (it->is_number_integer()) {
        if (it->is_number_unsigned() && it->get<unsigned long long>() >
                                            static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
            return false;
        out = it->get<long long>();
        return true;
    }
    // A whole number written with a fraction part (3.0) is still a count of coins.
    if (it->is_number_float()) {
        const double v = it->get<double>();
        if (!std::isfinite(v) || v != std::trunc(v) || std::fabs(v) >= 9.2e18) return false;
        out = static_cast<long long>(v);
        return true;
    }
    return false;
}

std::optional<Saved> decode(const QByteArray& bytes) {
    const json j = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    Saved saved;
    if (!readCoins(j, saved.coins)) return std::nullopt;
    if (!readItems(j, "owned", saved.owned) || !readItems(j, "stored", saved.stored)) return std::nullopt;
    const auto cared = j.find("cared");
    if (cared == j.end()) return saved;
    if (!cared->is_object()) return std::nullopt;
    for (const auto& [key, value] : cared->items()) {
        if (!value.is_string()) return std::nullopt;
        saved.cared[key] = value.get<std::string>();
    }
    return saved;
}

// Raw values in plain ascending string order, so the record does not depend on set order.
ordered_json sortedNames(const std::set<ShopItem>& items) {
    std::vector<std::string> names;
    for (ShopItem item : items) names.emplace_back(rawValue(item));
    std::sort(names.begin(), names.end());
    return ordered_json(names);
}

}  // namespace

Wallet::Wallet(Defaults& store, QObject* parent) : QObject(parent), store_(store) {
    enabled_ = store_.boolValue(kSwitch);
    load();
}

Wallet& Wallet::shared() {
    static Wallet* wallet = new Wallet(Defaults::standard());
    return *wallet;
}

void Wallet::load() {
    const std::function<std::optional<Saved>(const QByteArray&)> read = &decode;
    const Saved saved = store_.decodeRecord<Saved>(kRecord, read).value_or(Saved{});
    coins_ = saved.coins;
    owned_ = saved.owned;
    stored_ = saved.stored;
    cared_ = saved.cared;
}

void Wallet::save() {
    ordered_json j = ordered_json::object();
    j["coins"] = coins_;
    j["owned"] = sortedNames(owned_);
    j["stored"] = sortedNames(stored_);
    ordered_json cared = ordered_json::object();
    for (const auto& [key, day] : cared_) cared[key] = day;
    j["cared"] = std::move(cared);
    std::string text;
    try {
        text = j.dump();
    } catch (const json::exception&) {
        return;  // a care key that is not valid text: keep the previous record
    }
    store_.setRecord(kRecord, QByteArray::fromStdString(text));
}

void Wallet::setEnabled(bool on) {
    const bool was = enabled_;
    enabled_ = on;
    store_.set(kSwitch, on);
    if (was != on) {
        emit enabledChanged();
        emit changed();
    }
}

void Wallet::add(long long amount, double at) {
    // Saturate rather than wrap: a balance never turns negative from gains.
    coins_ = coins_ > std::numeric_limits<long long>::max() - amount ? std::numeric_limits<long long>::max()
                                                                      : coins_ + amount;
    lastGain_ = Gain{amount, at};
    save();
    emit coinsChanged();
    emit lastGainChanged();
    emit changed();
}

void Wallet::gain(long long amount, double at) {
    if (!enabled_ || amount < 1) return;
    add(amount, at);
}

void Wallet::reward(long long amount, double at) {
    if (amount < 1) return;
    add(amount, at);
}

void Wallet::care(const std::string& key, double at) {
    if (!enabled_) return;
    const std::string day = dayKey(at);
    auto it = cared_.find(key);
    if (it != cared_.end() && it->second == day) return;
    cared_[key] = day;
    gain(careCoins, at);  // saves the new care day with the coins
}

bool Wallet::canBuy(ShopItem item) const {
    return enabled_ && coins_ >= price(item) && (section(item) == ShopSection::food || !owned_.count(item));
}

bool Wallet::buy(ShopItem item) {
    if (!canBuy(item)) return false;
    const long long cost = price(item);
    const bool keeps = section(item) != ShopSection::food;
    if (keeps) owned_.insert(item);
    coins_ -= cost;
    save();
    emit coinsChanged();
    if (keeps) emit ownedChanged();
    emit changed();
    return true;
}

void Wallet::toggleStored(ShopItem item) {
    if (!owned_.count(item) || section(item) != ShopSection::home) return;
    if (!stored_.erase(item)) stored_.insert(item);
    save();
    emit storedChanged();
    emit changed();
}

bool Wallet::isShown(ShopItem item) const { return owned_.count(item) && !stored_.count(item); }

std::string Wallet::dayKey(double at) {
    const QDate day = std::isfinite(at) && std::fabs(at) < 1e14 ? localDate(at) : QDate();
    if (!day.isValid()) return "0-0-0";
    return std::to_string(day.year()) + "-" + std::to_string(day.month()) + "-" + std::to_string(day.day());
}

}  // namespace kp
