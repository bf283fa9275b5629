#pragma once
// The cat's saved state ("petLife.v1"): JSON with the members in a fixed order, dates as seconds
// since 2001-01-01 UTC. Only the durable part of the cat is kept; place, errands and the like start
// fresh on each launch.
#include <QByteArray>

#include <optional>

namespace kp {

struct PetRecord {
    double hunger = 40;
    double happiness = 70;
    double energy = 80;
    double health = 100;
    bool isSleeping = false;
    bool isDead = false;
    long long poops = 0;
    double birth = 0;
    std::optional<double> poopDue;  // left out when unset
    double ballPlace = 0.58;
    double savedAt = 0;
    std::optional<double> nightSleepUntil;
    std::optional<double> sleptNight;
    // Born under a clock known to be wrong and never since run under a true one: the moments count
    // from an arbitrary origin, to be moved onto the calendar once the clock is right. Left out
    // when false.
    bool clockUnknown = false;

    bool operator==(const PetRecord&) const = default;
};

// Time away is lived through in steps of this length, up to a week.
inline constexpr double kCatchUpStep = 60;
inline constexpr double kMaxCatchUpSeconds = 604800;

// Keeps the record's moments to those a record holds (see isRecordMoment): a last save within that
// range, and an optional moment outside it dropped. False when the birth is outside: such a record
// holds no cat to restore. A last save before the birth is kept (a cat born under a clock that ran
// ahead, brought back to a true one), and so are moments ahead of the clock: whether the clock or
// the record is wrong is the loader's to judge.
bool keepRealMoments(PetRecord& record);

// None when a value cannot be written (not a finite number).
std::optional<QByteArray> encodePetRecord(const PetRecord& record);
// None when the bytes are not such a record: "birth" or "savedAt" missing or not numbers. Other
// members missing (a record from an earlier version) or of another type (logged) keep the values
// above. Unknown members are ignored; members may come in any order.
std::optional<PetRecord> decodePetRecord(const QByteArray& bytes);

}  // namespace kp
