#pragma once
// The cat in the open island's room, settled every frame from the cat's life model. Each frame it
// reports the pointer to the cat, steps the cat's body springs to the frame's time, works out the
// cat's place and stance, and draws the cat (front figure with its live face and paw, or the back
// view while it watches the window) dressed for the moment, with its toys and effects around it,
// and offers the invisible pet button. The figure is kept as drawn parts, each drawn again only
// when its look changed, and the layer tells where its pixels changed, so a host repaints only that.
#include "core/BotFace.h"
#include "cat/art/CatParts.h"
#include "cat/CatLook.h"
#include "cat/CatMotion.h"
#include "cat/FaceLogic.h"
#include "platform/NotificationCenter.h"
#include "rooms/RoomCatState.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomSprites.h"

#include <QImage>
#include <QPainterPath>
#include <QMetaObject>
#include <QRegion>
#include <QTransform>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

class Clock;
class Defaults;
struct CatEnv;

class RoomCatLayer {
public:
    // `clock` gives the wall clock (perch climbs) and the emotes' age; `hub` carries the face's
    // emotes and slaps; the breed is read from `store` ("catBreed") and follows its changes.
    RoomCatLayer(Clock& clock, NotificationCenter& hub, Defaults& store);
    RoomCatLayer();  // the shared clock, hub and store
    ~RoomCatLayer();
    RoomCatLayer(const RoomCatLayer&) = delete;
    RoomCatLayer& operator=(const RoomCatLayer&) = delete;

    // Whether music is playing now (the media watcher's answer); none: never.
    void setMusicSource(std::function<bool()> playing) { music_ = std::move(playing); }
    // The screen's horizontal middle, for placing the pointer over the centred room; default:
    // half the primary screen's width.
    void setScreenMiddle(std::function<double()> middle) { middle_ = std::move(middle); }
    // The source the face's blinks are timed from (the system's by default; tests pin it).
    void setBlinkRandom(RandomSource& random) { face_ = LiveFace(random); }
    CatBreed breed() const { return breed_; }
    void setBreed(CatBreed breed) { breed_ = breed; }

    // Layer 6.1 of the room: the cat scene. Does nothing unless the cat is at home in the room on
    // view. Adds the pet button (RoomActionKind::petCat) unless the cat is dead; the room view
    // answers it with petCat() (Petting.h).
    void paint(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot);
    // Layer 6.3: the reaction bubbles over the cat, drawn over the whole room.
    void paintReactions(QPainter& p, const RoomFrame& f, const RoomModels& m);

    // The state the last paint() drew (for hosts and tests).
    const RoomCatState& state() const { return state_; }
    // The group transform of the last paint(): figure coordinates to room coordinates.
    const QTransform& groupTransform() const { return group_; }
    // Device pixels of the room where the cat's pixels changed in the last paint(): where what
    // changed or moved was before and is now.
    const QRegion& changed() const { return changed_; }
    // The same for the reaction bubbles of the last paintReactions().
    const QRegion& reactionsChanged() const { return reactionsChanged_; }
    // Device pixels of the room where the last paint() and paintReactions() drew.
    QRegion area() const;
    QRegion reactionsArea() const;
    // Whether paint() lays the figure down from its kept parts (the default) or draws every shape
    // of it each frame (for comparisons).
    void setKeepsParts(bool keep) { keepsParts_ = keep; }
    // Times the layer handed its drawing to a pool thread and waited for it (see paintInPool).
    int handOffs() const { return handOffs_; }
    // The figure's kept parts, as the last paint() left them.
    const CatParts& parts() const { return parts_; }
    // Lets the kept pictures go while the room is not seen (a few megabytes at most); the next
    // paint() draws them afresh.
    void dropKept() {
        parts_.clear();
        layer_ = {};
        for (Turned& t : turned_) t = {};
    }

    // Draws a cat `state` without touching any model: for tools and tests. `worn` is the closet's
    // outfit before it is dressed for the moment.
    void paintState(QPainter& p, const RoomCatState& state, const CatOutfit& worn, std::optional<QPointF> pointer = {});

private:
    void drawScene(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look);
    void paintGroup(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look);
    void paintLayered(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look);
    // The figure from its kept parts, with the toys and effects around it drawn as they are; adds
    // where each piece lies to `pieces`.
    void paintFromParts(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look,
                        double scale, QSize pixels, std::vector<RoomSprites::Piece>& pieces);

    // `work` on the pool thread when the room's frames go that way, or with `whicheverWay` at any
    // ratio where frames may be handed off (work whose fills the raster engine would split).
    void handOff(const std::function<void()>& work, bool whicheverWay = false);

    Clock& clock_;
    Defaults& store_;
    CatBreed breed_ = CatBreed::orange;
    std::function<bool()> music_;
    std::function<double()> middle_;
    QMetaObject::Connection breedWatch_;
    FaceEmotes emotes_;
    double slapSeen_ = -1e9;

    LiveFace face_;
    RoomCatState state_;
    QTransform group_;
    QImage layer_;  // reused for the colour effects and the fade; grows, never shrinks
    QRectF doorRect_;    // the house door the cached doorway was made for
    QPainterPath door_;
    CatParts parts_;
    // Swaying to music, the parts turned alike are laid upright into one picture first (the body,
    // the head, the front paw), so that each frame resamples three pictures, not every part.
    struct Turned {
        std::uint64_t key = 0;
        QImage image;
        QRect ink;  // device pixels of the parts' box
    };
    const Turned& turned(int group);
    Turned turned_[3];
    // Where the drawn pieces lay in the last frame (device pixels) and how they were drawn; the
    // toys and effects are found on a painter that only gathers.
    RoomSprites sprites_;
    std::vector<RoomSprites::Piece> lastPieces_;
    QRegion changed_;
    bool keepsParts_ = true;
    int handOffs_ = 0;
    double pixelsPerPoint_ = 1;  // of the frame being drawn: whether a hand-off pays
    const PetLife* growthOf_ = nullptr;
    double growthAt_ = 0;
    PetGrowth growth_;
    RoomSprites bubbles_;
    std::vector<RoomSprites::Piece> lastBubbles_;
    QRegion reactionsChanged_;
};

// The group transform for a cat state: figure coordinates (centre at the origin, y down) to room
// coordinates, with every flip, turn and squash the stance asks for.
QTransform roomCatTransform(const RoomCatState& c);

// The figure of a cat state as its kept parts are drawn: every value in the steps it is drawn at,
// about the group's centre, at `dpr` device pixels a point; upright, without the sway to music,
// which turns the parts as they are laid down.
CatPartsLook roomCatParts(const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look, double dpr);

}  // namespace kp
