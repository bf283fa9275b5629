#pragma once
// What the island draws itself: the small island's face and marks and the greeting. The open
// island hosts the room and the first-run pages, which draw themselves.
#include "core/BotFace.h"
#include "core/IslandTypes.h"
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "core/IslandServices.h"
#include "island/IslandStateMachine.h"
#include "life/PetTypes.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

namespace kp {

class FaceEmotes;

struct IslandScene {
    IslandStateMachine::State state = IslandStateMachine::State::petit;
    QString petName;
    std::optional<PetNeed> need;
    bool dead = false;
    bool sleeping = false;
    std::optional<BotState> faceOverride;
    PomodoroPhase phase = PomodoroPhase::idle;
    double progress = 0;
    int minutesLeft = 0;
    double countdown = 0;  // share of the collapse countdown left; 0 = none pending
    double currentHeight = 0;  // the island's height as it moves (the room opens with it)
    IslandRoomKind room = IslandRoomKind::bedroom;
    CatBreed breed = CatBreed::orange;
    const CatOutfit* outfit = nullptr;  // the worn outfit; none: nothing worn
    QPointF pointer;        // on the island's screen
    QRectF islandFrame;     // on the island's screen
    double time = 0;        // monotonic seconds, for the marks' motion
};

inline constexpr const char* kIslandInk = "#F7F4F0";

// Draws the content of `scene` into `island` (the island's rectangle, already filled black).
void paintIslandContent(QPainter& p, const QRectF& island, const IslandScene& scene, const FaceEmotes& emotes);

// Whether the face the scene shows would look different from its last painting (a blink, a
// new expression, the eyes following the pointer).
bool islandFaceWouldChange(const QRectF& island, const IslandScene& scene, const FaceEmotes& emotes);

// The need mark (the desktop bubble's symbols and colours): fork and knife for hunger, a medical
// case for sickness, sparkles for a dirty box, a heart when sad; nothing for death.
void paintNeedMark(QPainter& p, QPointF centre, PetNeed need, double size);
QColor needMarkColor(PetNeed need);
// The pomodoro ring with the minutes left.
void paintPomodoroMark(QPainter& p, QPointF centre, PomodoroPhase phase, double progress, int minutesLeft,
                       double time);

}  // namespace kp
