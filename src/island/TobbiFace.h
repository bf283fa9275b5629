#pragma once
// The cat's face in the notch (and, later, in the rooms and onboarding): which expression it shows,
// the emotes it plays for a moment, and its drawing.
#include "core/BotFace.h"
#include "cat/BotExpression.h"
#include "cat/CatLook.h"
#include "cat/CatMotion.h"
#include "cat/CatOutfit.h"
#include "platform/NotificationCenter.h"

#include <QPointF>
#include <QRectF>

#include <map>
#include <memory>
#include <optional>
#include <string>

class QPainter;

namespace kp {

class Clock;

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

// One face and its motion state. The motion belongs to the face, not to its host, so a host that
// is rebuilt every frame asks for its face by a stable key.
class TobbiFace {
public:
    // What a host passes each frame.
    struct Look {
        double size = 22;
        double lookGain = 0;
        std::optional<double> faceIslandX;  // the face's x in island points; none = the island's centre
        bool mirrored = false;
        std::optional<CatExpression> base;
    };
    // What the app state says this frame.
    struct World {
        FaceInputs inputs;          // base and emote are filled in by the face
        QPointF pointer;            // on the island's screen, y downward
        QRectF islandFrame;         // on the same screen
        CatBreed breed = CatBreed::orange;
        const CatOutfit* outfit = nullptr;  // what the cat wears; none: nothing
    };

    static TobbiFace& forKey(const std::string& key);

    CatExpression expression(const Look& look, const World& world, const FaceEmotes& emotes) const;
    // Where the eyes aim, each axis in -1...1.
    static QPointF lookAt(const Look& look, const World& world);
    // The face's motion at monotonic time `t` (advances its blinks, blend and sway).
    FaceFrame frame(const Look& look, const World& world, const FaceEmotes& emotes, double t);
    // Whether the face would look different now from its last painting.
    bool wouldChange(const Look& look, const World& world, const FaceEmotes& emotes, double t);
    // Draws the head centred in the square `box`.
    void paint(QPainter& p, const QRectF& box, const Look& look, const World& world, const FaceEmotes& emotes,
               double t);

private:
    LiveFace live_;
    double slapSeen_ = -1e9;
    FaceFrame painted_;
    QPointF paintedLook_;
    bool hasPainted_ = false;
};

}  // namespace kp
