#pragma once
// What the cat wears: one piece per slot plus extras it puts on by itself (headphones).
#include "cat/CatAccessory.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>

namespace kp {

// A few accessories in order, held inline so outfits can be built every frame without allocating.
class AccessoryList {
public:
    static constexpr std::size_t capacity = 4;

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    const CatAccessory* begin() const { return items_.data(); }
    const CatAccessory* end() const { return items_.data() + count_; }
    CatAccessory operator[](std::size_t i) const { return items_[i]; }
    bool contains(CatAccessory a) const {
        for (auto x : *this)
            if (x == a) return true;
        return false;
    }
    // Returns false (and changes nothing) when the list is full.
    bool push_back(CatAccessory a) {
        if (count_ == capacity) return false;
        items_[count_++] = a;
        return true;
    }
    void clear() { count_ = 0; }
    friend bool operator==(const AccessoryList& a, const AccessoryList& b) {
        if (a.count_ != b.count_) return false;
        for (std::size_t i = 0; i < a.count_; ++i)
            if (a.items_[i] != b.items_[i]) return false;
        return true;
    }

private:
    std::array<CatAccessory, capacity> items_{};
    std::uint8_t count_ = 0;
};

struct CatOutfit {
    std::optional<CatAccessory> head;
    std::optional<CatAccessory> face;
    std::optional<CatAccessory> neck;
    std::optional<CatAccessory> body;
    std::optional<CatAccessory> feet;
    AccessoryList extras;

    // Nothing worn.
    static const CatOutfit& empty();

    std::optional<CatAccessory>& at(AccessorySlot s);
    const std::optional<CatAccessory>& at(AccessorySlot s) const;
    // True when the piece is in its slot or among the extras.
    bool wears(CatAccessory a) const;

    // A copy with the piece put in its slot (replacing what was there), or with that slot
    // emptied when it already holds the piece.
    CatOutfit toggling(CatAccessory a) const;

    // A copy dressed for the moment: asleep puts the sleep mask on the face; music while awake
    // adds headphones to the extras; rain puts the rain hat on the head and the raincoat on.
    CatOutfit situational(bool asleep, bool music, bool raining) const;

    // JSON object with "head", "face", "neck", "body", "feet" in that order, empty slots left out,
    // extras never written. Nothing worn gives {}.
    QByteArray toJson() const;
    // Strict: a member that is present but not a string naming an accessory fails the whole
    // decode. Missing members are empty; unknown members and "extras" are ignored.
    static std::optional<CatOutfit> fromJson(const QByteArray& json);

    friend bool operator==(const CatOutfit&, const CatOutfit&) = default;
};

}  // namespace kp
