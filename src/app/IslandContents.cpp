#include "app/IslandContents.h"

#include "app/AppState.h"
#include "life/PetLife.h"
#include "cat/Closet.h"
#include "life/MediaWatcher.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "rooms/IslandRoomView.h"
#include "rooms/RoomCards.h"

#include <QPainter>
#include <QSystemTrayIcon>

namespace kp {

namespace {

class RoomContent final : public IslandContent {
public:
    RoomContent(AppState& state, std::function<void()> tap)
        // The room draws the cat by the cat's own time.
        : view_(state, Closet::shared(), Pomodoro::shared(), Wallet::shared(), Defaults::standard(),
                state.life().clock(), QtScheduler::shared(), NotificationCenter::shared(), this) {
        if (tap) view_.setTapSound(std::move(tap));
        view_.setMusicSource([] { return MediaWatcher::shared().playing().isMusic(); });
        view_.cards()->setTraySource([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
        connect(&view_, &IslandRoomView::frameDue, this, &IslandContent::frameDue);
    }

    void didAppear() override { view_.roomDidAppear(); }
    void didDisappear() override { view_.roomDidDisappear(); }
    void paint(QPainter& p, const QRectF& rect, double islandHeight) override {
        view_.setIslandHeight(islandHeight);
        view_.paint(p, rect);
    }
    std::optional<QRegion> paintChanges(QPainter& p, const QRectF& rect, double islandHeight,
                                        const QRegion& redo) override {
        view_.setIslandHeight(islandHeight);
        return view_.paintChanges(p, rect, redo);
    }
    std::optional<QRegion> reach() const override { return view_.reach(); }
    bool mousePress(QPointF pos) override { return view_.mousePress(pos); }
    bool mouseRelease(QPointF pos) override { return view_.mouseRelease(pos); }
    void mouseMove(QPointF pos) override { view_.mouseMove(pos); }
    void mouseLeave() override { view_.mouseLeave(); }
    QString toolTipAt(QPointF pos) const override { return view_.toolTipAt(pos); }
    bool isActionableAt(QPointF pos) const override { return view_.isActionableAt(pos); }

    IslandRoomView view_;
};

}  // namespace

std::unique_ptr<IslandContent> makeRoomContent(AppState& state, std::function<void()> tap) {
    return std::make_unique<RoomContent>(state, std::move(tap));
}

IslandRoomView* roomViewOf(IslandContent* content) {
    auto* room = dynamic_cast<RoomContent*>(content);
    return room ? &room->view_ : nullptr;
}

}  // namespace kp
