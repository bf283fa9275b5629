#include "cat/CatOutfit.h"

#include "cat/CatOutfitJson.h"

#include <string>

namespace kp {

namespace {

constexpr std::array<AccessorySlot, 5> kSlots{AccessorySlot::head, AccessorySlot::face, AccessorySlot::neck,
                                              AccessorySlot::body, AccessorySlot::feet};

}  // namespace

const CatOutfit& CatOutfit::empty() {
    static const CatOutfit none{};
    return none;
}

std::optional<CatAccessory>& CatOutfit::at(AccessorySlot s) {
    switch (s) {
    case AccessorySlot::head: return head;
    case AccessorySlot::face: return face;
    case AccessorySlot::neck: return neck;
    case AccessorySlot::body: return body;
    case AccessorySlot::feet: break;
    }
    return feet;
}

const std::optional<CatAccessory>& CatOutfit::at(AccessorySlot s) const {
    return const_cast<CatOutfit*>(this)->at(s);
}

bool CatOutfit::wears(CatAccessory a) const { return at(slot(a)) == a || extras.contains(a); }

CatOutfit CatOutfit::toggling(CatAccessory a) const {
    CatOutfit out = *this;
    auto& place = out.at(slot(a));
    if (place == a)
        place.reset();
    else
        place = a;
    return out;
}

CatOutfit CatOutfit::situational(bool asleep, bool music, bool raining) const {
    CatOutfit out = *this;
    if (asleep) out.face = CatAccessory::sleepMask;
    if (music && !asleep && !out.extras.contains(CatAccessory::headphones))
        out.extras.push_back(CatAccessory::headphones);
    if (raining) {
        out.head = CatAccessory::rainHat;
        out.body = CatAccessory::raincoat;
    }
    return out;
}

nlohmann::ordered_json outfitToJsonValue(const CatOutfit& outfit) {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    for (AccessorySlot s : kSlots)
        if (const auto& piece = outfit.at(s)) j[std::string(rawValue(s))] = std::string(rawValue(*piece));
    return j;
}

std::optional<CatOutfit> outfitFromJsonValue(const nlohmann::ordered_json& value) {
    if (!value.is_object()) return std::nullopt;
    CatOutfit out;
    for (AccessorySlot s : kSlots) {
        const auto it = value.find(std::string(rawValue(s)));
        if (it == value.end()) continue;
        if (!it->is_string()) return std::nullopt;
        const auto piece = fromRawValue<CatAccessory>(it->get_ref<const std::string&>());
        if (!piece) return std::nullopt;
        out.at(s) = *piece;
    }
    return out;
}

QByteArray CatOutfit::toJson() const {
    const std::string text = outfitToJsonValue(*this).dump();
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<CatOutfit> CatOutfit::fromJson(const QByteArray& json) {
    const auto value = nlohmann::ordered_json::parse(json.begin(), json.end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return outfitFromJsonValue(value);
}

}  // namespace kp
