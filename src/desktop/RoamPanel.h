#pragma once
// The roaming panel: a borderless, transparent window over the whole roamed screen, above docks
// and panels, that never takes focus and lets every click through except where the cat is. Its
// catcher, laid over the cat's drawing, turns presses on the cat into a pick-up, a drop or a pet.
#include "desktop/DesktopRoam.h"

#include <QWidget>

#include <functional>
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
    // `view` is the cat's drawing, laid under the catcher and resized with the panel; the panel
    // takes it. Starts click-through.
    RoamPanel(const RoamScreen& screen, CatchTarget target, QWidget* view = nullptr);
    ~RoamPanel() override;

    QRectF frame() const override { return frame_; }
    bool clickThrough() const override { return clickThrough_; }
    void setClickThrough(bool on) override;
    void orderFront() override;
    void orderOut() override;

    CatCatcher& catcher() { return catcher_; }
    QWidget* view() const { return view_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Catcher;
    QRectF frame_;
    CatCatcher catcher_;
    QWidget* view_ = nullptr;
    QWidget* catcherView_ = nullptr;
    bool clickThrough_ = true;
};

}  // namespace kp
