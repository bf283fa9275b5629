#include "PetRecord.h"

#include "platform/Dates.h"

#include <nlohmann/json.hpp>

#include <QDebug>

#include <algorithm>
#include <climits>
#include <cmath>

namespace kp {

namespace {

using nlohmann::ordered_json;
using nlohmann::json;

bool finite(double v) { return std::isfinite(v); }
bool finite(const std::optional<double>& v) { return !v || std::isfinite(*v); }

// Members a record from an earlier version may lack keep their construction values; the rest
// are required.
enum class Absent { fails, keepsDefault };

// A member of another type than `kind` fails a required member; one that may be absent is read as
// absent, with a log line: one odd value (a hand edit, another version's writer) costs no cat.
bool odd(const char* key, const json& value, const char* kind, Absent absent = Absent::keepsDefault) {
    if (absent == Absent::fails) return false;
    qWarning().noquote() << "The cat's record holds" << value.type_name() << "under" << key << "where" << kind
                         << "belongs: read as unset";
    return true;
}

bool readNumber(const json& object, const char* key, double& out, Absent absent = Absent::keepsDefault) {
    const auto it = object.find(key);
    if (it == object.end()) return absent == Absent::keepsDefault;
    if (!it->is_number()) return odd(key, *it, "a number", absent);
    out = it->get<double>();
    return true;
}

// Absent and null both mean unset.
bool readOptionalNumber(const json& object, const char* key, std::optional<double>& out) {
    const auto it = object.find(key);
    out.reset();
    if (it == object.end() || it->is_null()) return true;
    if (!it->is_number()) return odd(key, *it, "a moment");
    out = it->get<double>();
    return true;
}

bool readBool(const json& object, const char* key, bool& out) {
    const auto it = object.find(key);
    if (it == object.end()) return true;
    if (!it->is_boolean()) return odd(key, *it, "true or false");
    out = it->get<bool>();
    return true;
}

// A whole number; 2.0 counts, 2.5 does not.
bool readInteger(const json& object, const char* key, long long& out) {
    const auto it = object.find(key);
    if (it == object.end()) return true;
    if (it->is_number_integer() &&
        !(it->is_number_unsigned() && it->get<unsigned long long>() > (unsigned long long)LLONG_MAX)) {
        out = it->get<long long>();
        return true;
    }
    if (it->is_number_float()) {
        const double v = it->get<double>();
        if (std::trunc(v) == v && std::fabs(v) <= 9.0e15) {
            out = (long long)v;
            return true;
        }
    }
    return odd(key, *it, "a whole number");
}

}  // namespace

bool keepRealMoments(PetRecord& r) {
    if (!isRecordMoment(r.birth)) return false;
    r.savedAt = std::clamp(r.savedAt, 0.0, kLatestRecordMoment);
    for (std::optional<double>* at : {&r.poopDue, &r.nightSleepUntil, &r.sleptNight})
        if (*at && !isRecordMoment(**at)) at->reset();
    return true;
}

std::optional<QByteArray> encodePetRecord(const PetRecord& r) {
    if (!finite(r.hunger) || !finite(r.happiness) || !finite(r.energy) || !finite(r.health) ||
        !finite(r.birth) || !finite(r.poopDue) || !finite(r.ballPlace) || !finite(r.savedAt) ||
        !finite(r.nightSleepUntil) || !finite(r.sleptNight))
        return std::nullopt;
    ordered_json j = ordered_json::object();
    j["hunger"] = r.hunger;
    j["happiness"] = r.happiness;
    j["energy"] = r.energy;
    j["health"] = r.health;
    j["isSleeping"] = r.isSleeping;
    j["isDead"] = r.isDead;
    j["poops"] = r.poops;
    j["birth"] = r.birth;
    if (r.poopDue) j["poopDue"] = *r.poopDue;
    j["ballPlace"] = r.ballPlace;
    j["savedAt"] = r.savedAt;
    if (r.nightSleepUntil) j["nightSleepUntil"] = *r.nightSleepUntil;
    if (r.sleptNight) j["sleptNight"] = *r.sleptNight;
    if (r.clockUnknown) j["clockUnknown"] = true;
    const std::string text = j.dump();
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::optional<PetRecord> decodePetRecord(const QByteArray& bytes) {
    const json j = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    PetRecord r;
    const bool ok = readNumber(j, "hunger", r.hunger) && readNumber(j, "happiness", r.happiness) &&
                    readNumber(j, "energy", r.energy) && readNumber(j, "health", r.health) &&
                    readBool(j, "isSleeping", r.isSleeping) && readBool(j, "isDead", r.isDead) &&
                    readInteger(j, "poops", r.poops) && readNumber(j, "birth", r.birth, Absent::fails) &&
                    readOptionalNumber(j, "poopDue", r.poopDue) && readNumber(j, "ballPlace", r.ballPlace) &&
                    readNumber(j, "savedAt", r.savedAt, Absent::fails) &&
                    readOptionalNumber(j, "nightSleepUntil", r.nightSleepUntil) &&
                    readOptionalNumber(j, "sleptNight", r.sleptNight) && readBool(j, "clockUnknown", r.clockUnknown);
    if (!ok) return std::nullopt;
    return r;
}

}  // namespace kp
