#pragma once
// The room's bar beside the notch. The left zone holds the status pill (name, stage, age, what
// the cat is doing, four need rings) and, while the shop is on, the coin button; the right zone
// holds the five room tabs, the album button and the settings gear.
//
// Painted every frame with the room; keeps only caches, the coin button's pop-up and the tab
// highlight's motion. Clicks come back through the hotspots it adds (room tabs, album, gear,
// coin) and `perform`.
#include "core/IslandTypes.h"
#include "rooms/NeedBar.h"
#include "rooms/RoomButtons.h"
#include "rooms/RoomKit.h"

#include <QFont>
#include <QStaticText>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace kp {

class AppState;
class Clock;
class NotificationCenter;
class PetLife;
class Scheduler;
class Wallet;

namespace topbar {

inline constexpr int tabCount = 5;
inline constexpr double zoneSpacing = 6;
inline constexpr double tabSpacing = 3;
inline constexpr double tabIconSize = 9;
inline constexpr double tabFrameWidth = 14;
inline constexpr double tabFrameHeight = 11;
inline constexpr double tabPadX = 6;
inline constexpr double tabPadY = 3;
inline constexpr double tabWidth = tabFrameWidth + 2 * tabPadX;    // 26
inline constexpr double tabHeight = tabFrameHeight + 2 * tabPadY;  // 17
inline constexpr double gearSize = 12;
inline constexpr double gearFrame = 14;
inline constexpr double nameColumnWidth = 60;
inline constexpr double pillSpacing = 7;
inline constexpr double pillPadLeading = 10;
inline constexpr double pillPadTrailing = 5;
inline constexpr double pillPadY = 3;
inline constexpr double metaSize = 7;
inline constexpr double metaMinScale = 0.7;
inline constexpr double statusSize = 10;
inline constexpr const char* gearHelp = "Settings";

// The rooms in tab order, with their tooltips and symbols.
inline constexpr std::array<IslandRoomKind, tabCount> tabRooms = {
    IslandRoomKind::bedroom, IslandRoomKind::living, IslandRoomKind::kitchen, IslandRoomKind::care,
    IslandRoomKind::garden};
inline constexpr std::array<const char*, tabCount> tabHelp = {"Bedroom", "Living room", "Kitchen", "Care", "Garden"};
inline constexpr std::array<ChromeIcon, tabCount> tabIcons = {ChromeIcon::bed, ChromeIcon::sofa, ChromeIcon::forkKnife,
                                                              ChromeIcon::medKit, ChromeIcon::leaf};

// "kitten", "junior" or "adult".
QString stageWord(PetStage stage);
// "Tobbi · kitten 3d".
QString metaLine(const QString& name, PetStage stage, const QString& age);
// The status line's face: the narrowest sans at hand, so the 60-point column holds whole words.
QFont statusFont();

}  // namespace topbar

class TopBar {
public:
    // Where the bar's pieces stand in a room of a given width, in room points.
    struct Layout {
        QRectF left;    // left zone
        QRectF right;   // right zone
        QRectF pill;
        QRectF nameColumn;
        double ringsLeft = 0;
        double midY = 0;
        std::optional<QRectF> coin;  // while the shop is on
        std::array<QRectF, topbar::tabCount> tabs{};
        QRectF album;
        QRectF gear;
    };

    // All references must outlive the bar.
    TopBar(AppState& state, Wallet& wallet, Clock& clock, Scheduler& scheduler, NotificationCenter& center);
    ~TopBar();
    TopBar(const TopBar&) = delete;
    TopBar& operator=(const TopBar&) = delete;

    // The keepsake album's unseen count (for the album button's dot).
    void setAlbumUnseenSource(std::function<int()> unseen) { album_.setUnseenSource(std::move(unseen)); }
    // Called after a tab has changed the room, e.g. to animate the room's change.
    void setOnRoomSelected(std::function<void(IslandRoomKind)> hook) { onRoomSelected_ = std::move(hook); }

    // The room view came on screen or left it: the coin button leaves with it (a gain on show is
    // dropped) and comes back with the next frame drawn.
    void roomDidAppear();
    void roomDidDisappear();

    static Layout layout(double width, double notchWidth, bool coins);
    // Where the bar draws in a room of this width: each side of the notch with every part of the
    // layout there, with their edges, and under the coin wherever its gain may show.
    static QRegion area(double width, double notchWidth, bool coins);

    // Draws the bar at the top of the room and adds the hotspots of its buttons (the pill has
    // none: clicks on it reach the room beneath).
    void paint(QPainter& p, const RoomFrame& f, RoomHotspots& hot);

    // Carries out a click on one of the bar's hotspots; false for actions that are not the bar's.
    bool perform(const RoomAction& action);
    // A tab click: the cat is told first, then the room changes (animated).
    void selectRoom(IslandRoomKind room);
    void openSettings();

    CoinButton* coinButton() { return coin_.get(); }
    const AlbumButton& albumButton() const { return album_; }
    // The name line's two texts as last drawn (after any cut), and the meta line's shrink.
    QString shownMetaLine() const { return metaText_.text(); }
    QString shownStatusLine() const { return statusText_.text(); }
    double metaLineScale() const { return metaScale_; }

    // The tab highlight: 1 selected ... 0 not, while the change animates.
    double tabSelection(int index) const;

    // The colour the bar's bare icons (album, gear) stand on this frame; they take the ink that
    // reads on it.
    void setBackdrop(const QColor& behind) { iconInk_ = chrome::inkOver(behind); }
    const QColor& iconInk() const { return iconInk_; }

    // The tab highlight is on its way from one room to another (as of the last paint).
    bool isAnimating() const {
        for (double s : rowSelection_)
            if (s > 0 && s < 1) return true;
        return false;
    }

private:
    void refreshTexts(const PetLife& life, double t);
    void paintPill(QPainter& p, const Layout& l, const PetLife& life);
    // The tabs, the album button and the gear (their hotspots are added by paint()).
    void paintRow(QPainter& p, const Layout& l);

    AppState& state_;
    Wallet& wallet_;
    Clock& clock_;
    Scheduler& scheduler_;
    NotificationCenter& center_;
    AlbumButton album_;
    std::unique_ptr<CoinButton> coin_;
    std::function<void(IslandRoomKind)> onRoomSelected_;

    // Tab highlight motion (monotonic start; from one room to another).
    std::optional<IslandRoomKind> tabFrom_;
    IslandRoomKind tabTo_ = IslandRoomKind::bedroom;
    double tabStart_ = 0;

    // Text caches: rebuilt only when what they show changes.
    QString name_;
    PetStage stage_ = PetStage::kitten;
    long long ageBucket_ = -1;
    bool metaValid_ = false;
    QString status_;
    QStaticText metaText_;
    double metaScale_ = 1;
    QStaticText statusText_;
    std::array<NeedArcCache, needbar::ringCount> arcs_;
    std::array<double, needbar::ringCount> pillFractions_{-1, -1, -1, -1};
    chrome::LayerCache pill_;
    // The tabs, the album and the gear, kept while the highlight and the album's dot stay put.
    chrome::LayerCache row_;
    std::array<double, topbar::tabCount> rowSelection_{-1, -1, -1, -1, -1};
    bool rowBadge_ = false;
    QColor iconInk_ = chrome::ink();
    QColor rowInk_;
};

}  // namespace kp
