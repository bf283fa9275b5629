#pragma once
// The cat's face in the notch: its motion and drawing, on the face logic it shares with the room
// cat (cat/FaceLogic.h).
#include "core/BotFace.h"
#include "cat/BotExpression.h"
#include "cat/CatLook.h"
#include "cat/CatMotion.h"
#include "cat/CatOutfit.h"
#include "cat/FaceLogic.h"
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
