#pragma once
// The open island's room: one of the cat's five rooms, painted every display frame with its
// walls, holiday decorations, furniture, the cat, the bar beside the notch, the night tint and
// the cards. A painter-drawn object the island hosts (not a widget): the host calls paint() each
// frame while the room is on screen and forwards the pointer to it.
//
// Layers, bottom to top: backdrop (walls and floor, or the garden), holiday decoration and prop,
// furniture, storm flash, top bar, the cat group (cat, house front, reaction bubbles), garden
// weather, night tint, cards.
//
// Everything moves at the display's rate. The first three layers are kept as one image: the pieces
// that stand still are drawn once, and each frame only the rectangles of the pieces that move are
// drawn again (the walls, the moving pieces behind the still furniture, the kept still furniture,
// the moving pieces in front of it). The garden's backdrop is kept apart beneath them, and drawn
// again only where it moved itself.
#include "platform/FramePacer.h"
#include "rooms/RoomBackdrop.h"
#include "rooms/RoomButtons.h"
#include "rooms/RoomFurnitureLayer.h"
#include "rooms/RoomKit.h"
#include "rooms/RoomScene.h"
#include "rooms/RoomSprites.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QTimer;

namespace kp {

class AppState;
class Clock;
class Closet;
class Defaults;
class NotificationCenter;
class PetLife;
class Pomodoro;
class Scheduler;
class RoomCards;
class RoomCatLayer;
class TopBar;
class Wallet;

class IslandRoomView : public QObject {
    Q_OBJECT
public:
    // The change of room follows the tabs' spring.
    static constexpr double changeResponse = 0.45;
    static constexpr double changeDamping = 0.78;

    // All references must outlive the view. `store` holds "pomodoroNudgeDone" and the like.
    IslandRoomView(AppState& state, Closet& closet, Pomodoro& pomodoro, Wallet& wallet, Defaults& store,
                   Clock& clock, Scheduler& scheduler, NotificationCenter& hub, QObject* parent = nullptr);
    ~IslandRoomView() override;

    // --- What the host tells the room ---
    // The island's current height (the room opens with it: 36 points closed ... 126 open).
    void setIslandHeight(double height) { islandHeight_ = height; }
    double islandHeight() const { return islandHeight_; }
    // The cat's breed, for the cat and the portrait (the cat layer also follows the stored "catBreed").
    void setBreed(CatBreed breed);
    // Where the sky's look comes from (default: the shared sky model).
    void setLookSource(std::function<SkyLook()> source) { lookSource_ = std::move(source); }
    // The keepsake album's unseen count, for the album button's dot.
    void setAlbumUnseenSource(std::function<int()> unseen);
    // Whether music is playing now (the cat wears headphones and sways); default: never.
    void setMusicSource(std::function<bool()> playing);
    // Plays the tap tick of pressed chrome buttons (default: the cat's sound through the app state).
    void setTapSound(std::function<void()> tap) { tapSound_ = std::move(tap); }
    // Receives the argument of `custom` hotspot actions.
    void setCustomAction(std::function<void(int)> action) { customAction_ = std::move(action); }

    // --- Lifecycle ---
    // The room came on screen: the cat is watched, looks at the user shortly, and follows the
    // room on view. Starts the frame loop.
    void roomDidAppear();
    // The room left the screen: the cat is no longer watched. Stops the frame loop.
    void roomDidDisappear();
    bool isOnScreen() const { return onScreen_; }

    // --- Frame ---
    // Paints the room into `rect` at frame time `t` (seconds since 2001-01-01 UTC).
    void paint(QPainter& p, const QRectF& rect, double t);
    // The same over the last frame this view painted on the same device, rect and scale: only
    // where this frame may differ from it, and over `redo` (device pixels from the rect's
    // top-left). Returns reach().
    std::optional<QRegion> paintChanges(QPainter& p, const QRectF& rect, double t, const QRegion& redo);
    std::optional<QRegion> paintChanges(QPainter& p, const QRectF& rect, const QRegion& redo);
    // The same at the clock's time.
    void paint(QPainter& p, const QRectF& rect);
    // This frame's values (from the last paint).
    const RoomFrame& frame() const { return frame_; }
    const RoomStackPlan& plan() const { return plan_; }
    const RoomHotspots& hotspots() const { return hot_; }
    // Where the last paint may have drawn other pixels than the paint before it, in device pixels
    // from the rect's top-left; nothing when anything may have changed (a room drawn whole, a
    // fade, weather).
    const std::optional<QRegion>& reach() const { return reach_; }
    // The values a frame of this size at `t` is drawn from (also used by paint()).
    RoomFrame makeFrame(QSizeF size, double t);

    // --- Pointer (positions in the coordinates of the rect given to paint) ---
    // True when something of the room takes the press (a hotspot, enabled or not).
    bool mousePress(QPointF pos);
    // Carries out the pressed hotspot's action when released over it.
    bool mouseRelease(QPointF pos);
    void mouseMove(QPointF pos);
    void mouseLeave();
    // The hotspot under a point, or null.
    const RoomHotspot* hitTest(QPointF pos) const;
    // The tooltip of what lies under a point (empty when none).
    QString toolTipAt(QPointF pos) const;
    // Whether an enabled button lies under the point (for a pointing-hand cursor).
    bool isActionableAt(QPointF pos) const;

    // Carries out a hotspot action (as a click would).
    void perform(const RoomAction& action);

    // The nightstand clock's press, by phase: start focus when idle or after a break, start the
    // break after a focus round, nothing while one runs.
    void clockAction();
    // Marks the wardrobe gifts seen, then opens the settings on the wardrobe.
    void openWardrobe();

    TopBar* topBar() const { return topBar_.get(); }
    RoomCatLayer* catLayer() const { return cat_.get(); }
    RoomCards* cards() const { return cards_.get(); }

signals:
    // A display frame is due while the room is on screen: the host repaints.
    void frameDue();

private:
    // What the kept scene was drawn from; another value draws it again whole.
    struct SceneKey {
        IslandRoomKind kind = IslandRoomKind::bedroom;
        QSize pixels;
        double scale = 0;
        double opening = -1;
        SkyLook look;
        std::optional<Holiday> holiday;
        bool nightSleep = false;
        unsigned stillInputs = 0;
        bool operator==(const SceneKey&) const = default;
    };

    QPointF toRoom(QPointF pos) const { return pos - origin_; }
    // `redo` null: the whole room.
    void paintFrame(QPainter& p, const QRectF& rect, double t, const QRegion* redo);
    // Layers 1-3: brings the kept scene (`pixels`, at `scale` device pixels a point) up to this
    // frame.
    void updateScene(double scale, QSize pixels);
    // The pieces that move behind the still furniture (holiday decorations, a hanging plant), and
    // those in front of it. The garden's backdrop is drawn apart, beneath them.
    void paintBehind(QPainter& p, RoomHotspots& hot);
    void paintInFront(QPainter& p, RoomHotspots& hot);
    // The room as last shown before a tab click, fading out with the tabs' spring over all of the
    // new one but the bar (`barPixels`, the scene's pixels).
    void beginRoomChange();
    void paintLeaving(QPainter& p, double t, const QRegion& barPixels);
    void paintCatGroup(QPainter& p);
    void paintCards(QPainter& p);
    void startleOnThunder(double t);

    AppState& state_;
    Closet& closet_;
    Pomodoro& pomodoro_;
    Wallet& wallet_;
    Defaults& store_;
    Clock& clock_;
    NotificationCenter& hub_;
    PetLife& life_;

    RoomModels models_;
    RoomBackdrop backdrop_;
    RoomFurnitureLayer furniture_;
    std::unique_ptr<TopBar> topBar_;
    std::unique_ptr<RoomCatLayer> cat_;
    std::unique_ptr<RoomCards> cards_;
    ThunderWatch thunder_;
    NightTintFade tintFade_;
    IslandRoomKind tintRoom_ = IslandRoomKind::bedroom;
    // The first three layers at the device's scale, and their still furniture alone.
    QImage scene_;
    QImage still_;
    QRect stillInk_;  // where the still furniture has any ink
    double sceneScale_ = 1;
    SceneKey sceneKey_;
    SceneKey stillKey_;
    long long stillSecond_ = -1;
    unsigned stillInputs_ = 0;
    // Where the kept scene was drawn again in the last frame (its pixels), and whether whole.
    QRegion sceneDamage_;
    bool sceneWhole_ = true;
    // The bar and the cat group over the scene, transparent elsewhere, and where they lie.
    QImage over_;
    QRegion overArea_, catArea_;
    // How the bar was drawn in the last frame, found on a painter that only gathers, and where.
    RoomSprites barSprites_;
    std::vector<RoomSprites::Piece> lastBar_;
    QRegion lastBarPixels_;
    // The bar alone, as last drawn (the scene's pixels, from `barAt_`).
    QImage bar_;
    QPoint barAt_;
    // Where the garden's few drifting things (leaves, fireflies) lay in the last frame, found on a
    // painter that only gathers.
    RoomSprites weather_;
    QRegion leaves_;
    bool lastBarOverTint_ = false;
    // Where the last frame was painted.
    const QPaintDevice* lastDevice_ = nullptr;
    QRectF lastRect_;
    double lastTint_ = -1;
    std::optional<QRegion> reach_;
    // The garden's backdrop alone (the scene's pixels), kept under the pieces that move over it, and
    // how it was drawn last.
    RoomSprites backdropSprites_;
    QImage backdropLayer_;
    std::vector<RoomSprites::Piece> lastBackdrop_;
    // Where the layer is behind: the backdrop changed there and was drawn on the scene alone.
    QRegion backdropBehind_;
    // Where the moving pieces were drawn in the last frame.
    RoomSprites sprites_;
    std::vector<RoomSprites::Piece> lastPieces_;
    RoomHotspots gathered_;
    // The room shown before the last tab click without the bar, and when the click came (clock
    // seconds). Where a cat lay over the bar it holds the bar too; elsewhere the bar was under the
    // tinge, which tints it again over the leaving room. How much of it the last frame showed.
    QImage leaving_;
    double leavingScale_ = 1;
    QRegion leavingBar_;
    QColor leavingTinge_;
    double leavingShown_ = 0;
    std::optional<double> changeStart_;
    QTimer* frameTimer_ = nullptr;
    FramePacer pacer_;

    RoomFrame frame_;
    RoomStackPlan plan_;
    RoomHotspots hot_;
    QPointF origin_;
    double islandHeight_ = room::openIslandHeight;
    bool onScreen_ = false;

    std::optional<RoomHotspot> pressed_;
    std::optional<QPointF> hover_;

    // The holiday of the day, looked up once a minute.
    long long holidayMinute_ = -1;
    double holidayBirth_ = 0;
    std::optional<Holiday> holiday_;

    std::function<SkyLook()> lookSource_;
    std::function<void()> tapSound_;
    std::function<void(int)> customAction_;
};

}  // namespace kp
