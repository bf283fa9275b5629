#pragma once
// The roaming panel: a borderless, transparent window over the whole roamed screen, above docks
// and panels but below the island and its menu, that never takes focus and lets every click
// through except where the cat is. Its catcher, laid over the cat's drawing, turns presses on the
// cat into a pick-up, a drop or a pet. Each frame repaints only where the scene was and is; without
// a compositor (where see-through pixels would come out black) the window is cut to what is drawn.
#include "desktop/DesktopRoam.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include <QImage>

#include <optional>

namespace kp {

// What a press on the cat can do to it.
struct CatchTarget {
    std::function<bool()> isHeld;
    std::function<void()> pickUp;
    std::function<void()> drop;  // the throw, after a drag
    std::function<void()> pet;

    static CatchTarget of(DesktopCat& cat);
};

// Press, drag and release on the cat: a press that moves more than 4 points picks the cat up and
// its release throws it; one that moves less pets it.
class CatCatcher {
public:
    explicit CatCatcher(CatchTarget target) : target_(std::move(target)) {}
    void press(QPointF at) { downAt_ = at; }
    void drag(QPointF to);
    void release();
    std::optional<QPointF> downAt() const { return downAt_; }

private:
    CatchTarget target_;
    std::optional<QPointF> downAt_;
};

class RoamPanel final : public QWidget, public RoamSurface {
    Q_OBJECT
public:
    // Paints the cat's scene into the panel (origin at the screen's top-left corner, points).
    using ScenePainter = std::function<void(QPainter&)>;
    // Where the scene paints now (points); nothing is drawn outside it.
    using SceneBounds = std::function<QRectF()>;

    // `scene` is drawn under the catcher at each redraw() while the panel is shown; without
    // `bounds` it may paint anywhere. Starts click-through.
    RoamPanel(const RoamScreen& screen, CatchTarget target, ScenePainter scene = {}, SceneBounds bounds = {});
    ~RoamPanel() override;

    QRectF frame() const override { return frame_; }
    bool clickThrough() const override { return clickThrough_; }
    void setClickThrough(bool on) override;
    void orderFront() override;
    void orderOut() override;
    void redraw() override;
    void restack() override;

    // Cut to the drawn pixels (no compositor) rather than see-through.
    bool cut() const { return cut_; }
    // The part of the panel the last redraw painted (points).
    QRect drawn() const { return drawn_; }

    CatCatcher& catcher() { return catcher_; }
    // Something the panel keeps for as long as it lives (the cat's view).
    void keep(std::shared_ptr<void> thing) { kept_.push_back(std::move(thing)); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class Catcher;
    void followCompositor();
    void stackBelowOwnWindows();
    QRegion drawnShape() const;

    QRectF frame_;
    CatCatcher catcher_;
    ScenePainter scene_;
    SceneBounds bounds_;
    QImage image_;  // the scene as last drawn, covering drawn_
    QRect drawn_;
    bool cut_ = false;
    QWidget* catcherView_ = nullptr;
    std::vector<std::shared_ptr<void>> kept_;
    bool clickThrough_ = true;
};

}  // namespace kp
