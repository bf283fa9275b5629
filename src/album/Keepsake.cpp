#include "album/Keepsake.h"

#include "cat/CatOutfitJson.h"
#include "core/Preferences.h"
#include "platform/Dates.h"

#include <QUuid>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace kp {

using Json = nlohmann::ordered_json;

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

Json stringArray(const QStringList& list) {
    Json out = Json::array();
    for (const auto& s : list) out.push_back(utf8(s));
    return out;
}

// A member a keepsake from an earlier version lacks keeps its empty value; a member of the wrong
// type fails. The identity ("id", "key", "date", "catBirth") is always required.
enum class Absent { fails, keepsDefault };

constexpr qsizetype kLongestText = 2000;  // far above any diary line, key or photo name
constexpr qsizetype kMostPhotos = 2;       // the app keeps at most two a page, and no page shows more

// A text from a hand-edited record cannot swell every page drawn from it: it is cut to its first
// `kLongestText` units, never inside a character, and a long one is not converted whole to be cut.
QString boundedText(const std::string& utf8) {
    // Three bytes give at least one unit, so the bytes past these are never kept.
    const std::size_t bytes = std::min(utf8.size(), static_cast<std::size_t>(kLongestText) * 3 + 3);
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(bytes));
    if (text.size() <= kLongestText) return text;
    text.truncate(text.at(kLongestText - 1).isHighSurrogate() ? kLongestText - 1 : kLongestText);
    text.squeeze();
    return text;
}

bool readString(const Json& obj, const char* name, QString& out, Absent absent = Absent::keepsDefault) {
    auto it = obj.find(name);
    if (it == obj.end()) return absent == Absent::keepsDefault;
    if (!it->is_string()) return false;
    out = boundedText(it->get_ref<const std::string&>());
    return true;
}

bool readNumber(const Json& obj, const char* name, double& out, Absent absent = Absent::keepsDefault) {
    auto it = obj.find(name);
    if (it == obj.end()) return absent == Absent::keepsDefault;
    if (!it->is_number()) return false;
    out = it->get<double>();
    return true;
}

// The first `most` strings of a list, each bounded; every element must still be a string.
bool readStrings(const Json& obj, const char* name, QStringList& out, qsizetype most) {
    auto it = obj.find(name);
    if (it == obj.end()) return true;
    if (!it->is_array()) return false;
    out.clear();
    for (const auto& v : *it) {
        if (!v.is_string()) return false;
        if (out.size() < most) out.push_back(boundedText(v.get_ref<const std::string&>()));
    }
    return true;
}

std::optional<MacKeepsake> readKeepsake(const Json& obj) {
    if (!obj.is_object()) return std::nullopt;
    MacKeepsake k;
    if (!readString(obj, "id", k.id, Absent::fails) || QUuid::fromString(k.id).isNull()) return std::nullopt;
    if (!readString(obj, "key", k.key, Absent::fails) || !readNumber(obj, "date", k.date, Absent::fails) ||
        !readNumber(obj, "catBirth", k.catBirth, Absent::fails))
        return std::nullopt;
    // A moment no real cat's page holds is as damaged as a wrong type.
    if (!isRecordMoment(k.date) || !isRecordMoment(k.catBirth)) return std::nullopt;
    k.age = k.date - k.catBirth;
    if (!readString(obj, "name", k.name) || !readString(obj, "breed", k.breed) || !readNumber(obj, "age", k.age) ||
        !readString(obj, "title", k.title) || !readString(obj, "note", k.note))
        return std::nullopt;
    // An age longer than any two such moments lie apart reads as a missing one.
    if (!(std::fabs(k.age) <= kLatestRecordMoment)) k.age = k.date - k.catBirth;
    k.name = prefs::cappedName(k.name);
    if (auto died = obj.find("died"); died != obj.end()) {
        if (!died->is_boolean()) return std::nullopt;
        k.died = died->get<bool>();
    }
    if (!readStrings(obj, "photos", k.photos, kMostPhotos) || !readStrings(obj, "captions", k.captions, kMostPhotos))
        return std::nullopt;
    if (auto it = obj.find("outfit"); it != obj.end()) {
        auto outfit = outfitFromJsonValue(*it);
        if (!outfit) return std::nullopt;
        k.outfit = *outfit;
    }
    return k;
}

}  // namespace

QByteArray encodeKeepsakes(const std::vector<MacKeepsake>& keepsakes) {
    Json list = Json::array();
    for (const auto& k : keepsakes) {
        Json obj = Json::object();
        obj["id"] = utf8(k.id);
        obj["key"] = utf8(k.key);
        obj["date"] = k.date;
        obj["catBirth"] = k.catBirth;
        obj["name"] = utf8(k.name);
        obj["breed"] = utf8(k.breed);
        obj["age"] = k.age;
        obj["title"] = utf8(k.title);
        obj["note"] = utf8(k.note);
        obj["died"] = k.died;
        obj["photos"] = stringArray(k.photos);
        obj["captions"] = stringArray(k.captions);
        if (k.outfit) obj["outfit"] = outfitToJsonValue(*k.outfit);
        list.push_back(std::move(obj));
    }
    // Invalid UTF-8 cannot come from QString, but a failed dump must not write a half record.
    try {
        const std::string text = list.dump(-1, ' ', false, Json::error_handler_t::strict);
        return QByteArray::fromStdString(text);
    } catch (const nlohmann::json::exception&) {
        return {};
    }
}

std::optional<std::vector<MacKeepsake>> decodeKeepsakes(const QByteArray& json) {
    Json doc = Json::parse(json.constData(), json.constData() + json.size(), nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) return std::nullopt;
    std::vector<MacKeepsake> out;
    out.reserve(doc.size());
    for (const auto& item : doc) {
        auto k = readKeepsake(item);
        if (!k) return std::nullopt;
        out.push_back(std::move(*k));
    }
    return out;
}

QString newKeepsakeId() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

}  // namespace kp
