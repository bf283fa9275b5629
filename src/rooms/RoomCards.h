#pragma once
// The cards over the room: the farewell after the cat has died, the three-step pomodoro
// introduction, and the offer to switch the tomato clock on. At most one shows, first match wins.
// The introduction and the offer come and go with a fade and a slight scale.
#include "rooms/NotchCard.h"
#include "rooms/RoomKit.h"

#include <QMetaObject>
#include <QStaticText>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QPainter;

namespace kp {

class AppState;
class Clock;
class Defaults;
class NotificationCenter;
class Pomodoro;
class Wallet;

// The card buttons' codes, carried as the argument of a `RoomActionKind::card` hotspot.
enum class CardButton : int { none = 0, turnOn = 1, notNow, next, skip, gotIt, welcome };

enum class RoomCardKind { none, farewell, intro, offer };

namespace cards {

inline constexpr const char* nudgeDoneKey = "pomodoroNudgeDone";
inline constexpr const char* onboardedKey = "onboardedV1";
inline constexpr const char* petNameKey = "petName";
// The offer waits until the cat is three days old.
inline constexpr double offerAge = 259200;
// The intro and offer cards' centre y; the farewell's centre as shares of the room.
inline constexpr double noteCardY = 92;
inline constexpr double farewellShareY = 0.46;
// Where the intro and offer cards stand: right of the nightstand clock they talk about, so the
// clock and the cat napping by it stay in sight, within the room's right edge.
QRectF noteCardSpace(double width, double floorLine);

// Title and message of an intro step (0, 1, 2) for a cat named `name`; the clock's other way in
// is the tray icon's menu, or the island's own right-click menu when no tray shows the icon.
std::pair<QString, QString> introStepText(int step, const QString& name, bool trayIcon = true);

}  // namespace cards

class RoomCards {
public:
    // All references must outlive the cards.
    RoomCards(AppState& state, Pomodoro& pomodoro, Wallet& wallet, Defaults& store, Clock& clock,
              NotificationCenter& center);
    ~RoomCards();
    RoomCards(const RoomCards&) = delete;
    RoomCards& operator=(const RoomCards&) = delete;

    // Which card the room shows now.
    RoomCardKind shownCard() const;
    // The offer is due: shop off, not yet answered, onboarded, alive, bedroom, three days old.
    bool shouldOfferTomatoClock() const;
    bool nudgeDone() const { return nudgeDone_; }

    // Takes up the card the models ask for now (the one shown before starts leaving); every frame,
    // before showsAny() is asked, whether or not anything is drawn.
    void update(const RoomFrame& f);
    // Draws the card (and one leaving) and adds its hotspots: the card swallows clicks, its
    // buttons act through `perform`. Brings the card up to date first.
    void paint(QPainter& p, const RoomFrame& f, RoomHotspots& hot);
    // Carries out a card button's click; false for actions that are not a card's.
    bool perform(const RoomAction& action);

    // The buttons' actions.
    void turnOnTomatoClock();
    void declineOffer();
    void advanceIntro();
    void finishIntro();
    void welcomeNewCat();

    // The card on show for the intro or offer (built on the last paint), for tests and tools.
    const NotchCard* noteCard() const { return card_.get(); }
    // Whether any card is on view or leaving it (as the last update took them up).
    bool showsAny() const { return card_ || leaving_ || shown_.kind == RoomCardKind::farewell; }
    QPointF noteCardCentre() const { return cardCentre_; }
    // The farewell card's box and its button, centred at (0.5 w, 0.46 h).
    QRectF farewellFrame(double width, double height);
    QRectF farewellButton(double width, double height);

private:
    struct Identity {
        RoomCardKind kind = RoomCardKind::none;
        int step = -1;
        bool operator==(const Identity&) const = default;
    };
    struct Motion {
        double response = 0.4;
        double damping = 0.85;
        double easeOut = 0;  // > 0: an ease-out of this length instead of a spring
        double progress(double elapsed) const;
    };

public:
    // Whether a tray shows the app's icon (default: yes), for the intro's words.
    void setTraySource(std::function<bool()> shown) { trayShown_ = std::move(shown); }

private:
    Identity identity() const;
    std::unique_ptr<NotchCard> buildCard(const Identity& id, const QRectF& space) const;
    std::unique_ptr<NotchCard> buildCard(const Identity& id, double column) const;
    void layoutFarewell();
    void readPreferences(const QString& key);
    void setNudgeDone(bool done);
    void paintFarewell(QPainter& p, const RoomFrame& f, RoomHotspots& hot);
    void drawFarewell(QPainter& p) const;
    void paintNoteCard(QPainter& p, const NotchCard& card, QPointF centre, double shown) const;

    AppState& state_;
    Pomodoro& pomodoro_;
    Wallet& wallet_;
    Defaults& store_;
    Clock& clock_;
    NotificationCenter& center_;
    QMetaObject::Connection storeConnection_;
    std::function<bool()> trayShown_;

    // Preferences, read again when they change.
    bool nudgeDone_ = false;
    bool onboarded_ = false;
    QString name_;
    bool textsStale_ = true;

    // The intro or offer card on show, and one leaving.
    Identity shown_;
    std::unique_ptr<NotchCard> card_;
    QRectF cardSpace_;  // the space the card was laid out for
    QPointF cardCentre_;
    double cardSince_ = -1e9;  // monotonic
    Motion cardMotion_;
    std::unique_ptr<NotchCard> leaving_;
    QPointF leavingCentre_;
    double leavingSince_ = 0;
    Motion leavingMotion_;
    std::optional<Motion> pending_;  // the animation the last button asked for

    // The farewell card's texts, laid out when the name changes.
    bool farewellStale_ = true;
    QStaticText farewellTitle_;
    QStaticText farewellMessage_;
    QStaticText farewellLabel_;
    QSizeF farewellSize_;
    QRectF farewellTitleRect_;    // relative to the card's top-left
    QRectF farewellMessageRect_;
    QRectF farewellButtonRect_;
    chrome::LayerCache farewellCache_;
};

}  // namespace kp
