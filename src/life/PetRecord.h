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

    bool operator==(const PetRecord&) const = default;
};

// Time away is lived through in steps of this length, up to a week.
inline constexpr double kCatchUpStep = 60;
inline constexpr double kMaxCatchUpSeconds = 604800;

// A clock put back (a dual boot's hours, a wrong year set right) can leave a real cat's moments
// ahead of it, but not by more than this.
inline constexpr double kClockPutBack = 366 * 86400.0;

// Keeps the record's moments to those a real cat leaves: none before the reference date, none more
// than `kClockPutBack` after the later of `now` and the record's own save, and a last save not
// before the birth. An optional moment outside that is dropped and a last save moved to the birth;
// false when the birth itself is outside: such a record holds no cat to restore.
bool keepRealMoments(PetRecord& record, double now);

// None when a value cannot be written (not a finite number).
std::optional<QByteArray> encodePetRecord(const PetRecord& record);
// None when the bytes are not such a record: "birth" or "savedAt" missing, or any member of the
// wrong type. Other missing members (a record from an earlier version) keep the values above.
// Unknown members are ignored; members may come in any order.
std::optional<PetRecord> decodePetRecord(const QByteArray& bytes);

}  // namespace kp
