#pragma once
// The face logic every live face of the cat shares (the notch face, the room cat): which
// expression wins, the emotes shown for a moment, the slap's kick and where the eyes aim.
#include "core/BotFace.h"
#include "cat/CatLook.h"
#include "platform/NotificationCenter.h"

#include <QPointF>

#include <optional>

namespace kp {

class Clock;
class LiveFace;

// What decides the face's expression, first match wins: the caller's base, death, a fresh emote,
// the life model's override, then asleep or content.
struct FaceInputs {
    std::optional<CatExpression> base;
    bool petDead = false;
    bool petSleeping = false;
    std::optional<BotState> override;
    std::optional<BotEmote> emote;  // only while it is fresh
};
CatExpression faceExpression(const FaceInputs& in);

// The eyes' aim, each axis in -1...1: towards `pointer` from `face`, `gain` strong.
QPointF faceAim(QPointF pointer, QPointF face, double gain);

// Emotes posted on the hub, remembered for the 1.8 s that faces show them, and the slap's kick.
class FaceEmotes {
public:
    static constexpr double kShowSeconds = 1.8;

    FaceEmotes(NotificationCenter& hub, const Clock& clock);
    std::optional<BotEmote> active() const;
    // Monotonic time of the last slap (or a negative number when none), for the sway kick.
    double lastSlap() const { return slapAt_; }
    // Bumped on every emote or slap, so a host can tell when to repaint.
    unsigned serial() const { return serial_; }
    // Gives `face` the kick of a slap it has not felt yet (`seen` keeps the last one it felt).
    void kick(LiveFace& face, double& seen, bool mirrored) const;
    static FaceEmotes& shared();

private:
    const Clock& clock_;
    std::optional<BotEmote> emote_;
    double emoteAt_ = -1e9;
    double slapAt_ = -1e9;
    unsigned serial_ = 0;
    Subscription emoteSub_;
    Subscription slapSub_;
};

}  // namespace kp
