// Every member of the cat's record and of the wallet survives a restart. Each record has one table
// with a line per member; the keys the writer actually emits must match the table's keys, so a
// member added to a writer without a line here fails.
#include "PetProbe.h"

#include "life/Wallet.h"

#include <QString>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace kp;
using kp::test::CatWorld;
using kp::test::ScratchStore;
using A = kp::PetLifeTestAccess;

namespace {

std::set<std::string> writtenKeys(const std::optional<QByteArray>& bytes) {
    std::set<std::string> keys;
    if (!bytes) return keys;
    const auto j = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (!j.is_object()) return keys;
    for (const auto& [key, value] : j.items()) keys.insert(key);
    return keys;
}

std::string text(double v) {
    std::ostringstream out;
    out.precision(17);
    out << v;
    return out.str();
}
std::string text(bool v) { return v ? "true" : "false"; }
std::string text(int v) { return std::to_string(v); }
std::string text(long long v) { return std::to_string(v); }
std::string text(const std::optional<double>& v) { return v ? text(*v) : "none"; }
template <typename E>
std::string text(const std::set<E>& items) {
    std::string out;
    for (E item : items) out += std::string(rawValue(item)) + " ";
    return out;
}
std::string text(const std::map<std::string, std::string>& map) {
    std::string out;
    for (const auto& [key, value] : map) out += key + "=" + value + " ";
    return out;
}

template <typename Row>
std::set<std::string> tableKeys(const std::vector<Row>& table) {
    std::set<std::string> keys;
    for (const Row& row : table) keys.insert(row.key);
    return keys;
}

// --- The cat ---

// Which cats a member is checked on: one asleep for the night, one napping (its sleep comes back
// without a night's end to hold it), and a dead one, which keeps its stats but lives through
// nothing more.
enum On : unsigned { night = 1, nap = 2, dead = 4, asleep = night | nap, all = night | nap | dead };

struct CatMember {
    const char* key;
    unsigned on;
    std::function<void(PetLife&, double now)> set;  // a value other than a newborn's
    std::function<std::string(const PetLife&)> value;
};

const std::vector<CatMember>& catTable() {
    static const std::vector<CatMember> table{
        {"hunger", On::all, [](PetLife& c, double) { c.setHunger(12.5); }, [](auto& c) { return text(c.hunger()); }},
        {"happiness", On::all, [](PetLife& c, double) { c.setHappiness(33.25); },
         [](auto& c) { return text(c.happiness()); }},
        {"energy", On::all, [](PetLife& c, double) { c.setEnergy(44.5); }, [](auto& c) { return text(c.energy()); }},
        {"health", On::all, [](PetLife& c, double) { c.setHealth(55.75); }, [](auto& c) { return text(c.health()); }},
        {"isSleeping", On::asleep, [](PetLife& c, double) { c.setSleeping(true); },
         [](auto& c) { return text(c.isSleeping()); }},
        {"isDead", On::dead, [](PetLife& c, double) { PetLifeProbe::die(c); }, [](auto& c) { return text(c.isDead()); }},
        {"poops", On::all, [](PetLife& c, double) { c.setPoops(3); }, [](auto& c) { return text(c.poops()); }},
        {"birth", On::all, [](PetLife& c, double t) { A::setBirth(c, t - 5 * 86400 - 1234.5); },
         [](auto& c) { return text(c.birth()); }},
        {"poopDue", On::asleep, [](PetLife& c, double t) { A::setPoopDue(c, t + 900.5); },
         [](auto& c) { return text(c.poopDue()); }},
        {"ballPlace", On::all, [](PetLife& c, double) { A::setBallPlace(c, 0.31); },
         [](auto& c) { return text(c.ballPlace()); }},
        // The moment of saving: lost, the time since 2001 would be lived through again and the
        // sleeping cat's energy would be full.
        {"savedAt", On::all, [](PetLife&, double) {}, [](auto& c) { return text(c.energy()); }},
        {"nightSleepUntil", On::night, [](PetLife& c, double t) { A::setNightSleepUntil(c, t + 1200.25); },
         [](auto& c) { return text(c.nightSleepUntil()); }},
        {"sleptNight", On::asleep, [](PetLife& c, double t) { A::setSleptNight(c, t - 3600.5); },
         [](auto& c) { return text(c.sleptNight()); }},
    };
    return table;
}

void catRoundTrip(On which) {
    SCOPED_TRACE(which == On::night ? "asleep for the night" : which == On::nap ? "napping" : "dead");
    const auto checkedOn = [which](const CatMember& m) { return (m.on & which) != 0; };
    CatWorld newborn;
    const auto fresh = newborn.make();

    CatWorld w;
    std::vector<std::string> before;
    {
        auto cat = w.make();
        const double t = w.clock.now();
        for (const CatMember& m : catTable())
            if (checkedOn(m)) m.set(*cat, t);
        cat->save();
        for (const CatMember& m : catTable()) {
            before.push_back(m.value(*cat));
            if (checkedOn(m)) {
                EXPECT_NE(before.back(), m.value(*fresh)) << m.key << " is not set away from a newborn's";
            }
        }
    }
    const auto bytes = w.store->record(PetLife::recordKey);
    ASSERT_TRUE(bytes);
    if (which == On::night) {
        EXPECT_EQ(writtenKeys(bytes), tableKeys(catTable())) << bytes->constData();
    }

    w.store.restart();
    auto again = w.make();
    for (std::size_t i = 0; i < catTable().size(); ++i) {
        const CatMember& m = catTable()[i];
        if (checkedOn(m)) {
            EXPECT_EQ(m.value(*again), before[i]) << m.key << " was lost in a restart";
        }
    }
}

}  // namespace

TEST(RecordRoundTrip, EveryMemberOfACatAsleepForTheNightSurvivesARestart) { catRoundTrip(On::night); }

TEST(RecordRoundTrip, ANappingCatIsStillAsleepAfterARestart) { catRoundTrip(On::nap); }

TEST(RecordRoundTrip, ADeadCatStaysDeadWithItsStatsThroughARestart) { catRoundTrip(On::dead); }

// --- The wallet ---

namespace {

struct WalletMember {
    const char* key;
    std::function<void(Wallet&, double now)> set;
    std::function<std::string(const Wallet&)> value;
};

const std::vector<WalletMember>& walletTable() {
    static const std::vector<WalletMember> table{
        {"coins", [](Wallet& w, double t) { w.reward(200, t); }, [](auto& w) { return text(w.coins()); }},
        {"owned",
         [](Wallet& w, double) {
             w.buy(ShopItem::rug);
             w.buy(ShopItem::yarn);
         },
         [](auto& w) { return text(w.owned()); }},
        {"stored", [](Wallet& w, double) { w.toggleStored(ShopItem::rug); }, [](auto& w) { return text(w.stored()); }},
        {"cared",
         [](Wallet& w, double t) {
             w.care("pet", t);
             w.care("feed", t - 86400);
         },
         [](auto& w) { return text(w.cared()); }},
    };
    return table;
}

}  // namespace

TEST(RecordRoundTrip, EveryMemberOfTheWalletSurvivesARestart) {
    const double t = test::localMoment(2026, 12, 5, 12);
    ScratchStore empty;
    const Wallet none(*empty);

    ScratchStore s;
    std::vector<std::string> before;
    {
        Wallet wallet(*s);
        wallet.setEnabled(true);
        for (const WalletMember& m : walletTable()) m.set(wallet, t);
        for (const WalletMember& m : walletTable()) {
            before.push_back(m.value(wallet));
            EXPECT_NE(before.back(), m.value(none)) << m.key << " is not set away from an empty wallet's";
        }
    }
    EXPECT_EQ(writtenKeys(s->record("wallet.v1")), tableKeys(walletTable()));

    s.restart();
    const Wallet again(*s);
    for (std::size_t i = 0; i < walletTable().size(); ++i)
        EXPECT_EQ(walletTable()[i].value(again), before[i]) << walletTable()[i].key << " was lost in a restart";
}
