#pragma once
// The roaming panel: a borderless, transparent window over the whole roamed screen, above docks
// and panels but below the island and its menu, that never takes focus and lets every click
// through except where the cat is. Its catcher, laid over the cat's drawing, turns presses on the
// cat into a pick-up, a drop or a pet. Each frame repaints only the pieces of the scene that moved
// or changed, where they were and are; without a compositor (where see-through pixels would come
// out black) the window is cut to what is drawn, and stays so for the outing. On X the pixels go
// straight to a picture the server keeps for the window (see WindowPicture); elsewhere through the
// toolkit's backing store.
#include "desktop/DesktopRoam.h"
#include "desktop/DesktopView.h"
#include "island/WindowPicture.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QRegion>

namespace kp {

namespace x11 {
class CompositorCut;
}

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
    // Paints the cat's scene as last settled into the panel (origin at the screen's top-left
    // corner, points).
    using ScenePainter = std::function<void(QPainter&)>;
    // Settles the scene of this frame and tells its pieces; nothing is drawn outside them.
    using SceneLayers = std::function<std::vector<SceneLayer>()>;

    // At each redraw() while the panel is shown, `layers` settles the frame and `scene` paints
    // where a piece moved or changed; without `layers` the whole panel is painted every time.
    // Starts click-through.
    RoamPanel(const RoamScreen& screen, CatchTarget target, ScenePainter scene = {}, SceneLayers layers = {});
    ~RoamPanel() override;

    QRectF frame() const override { return frame_; }
    bool clickThrough() const override { return clickThrough_; }
    void setClickThrough(bool on) override;
    void orderFront() override;
    void orderOut() override;
    void redraw() override;
    void restack() override;
    // Covers the screen as it is now, everything drawn again; `onRefit` hears of it first.
    void refit(const RoamScreen& screen) override;
    void onRefit(std::function<void(const RoamScreen&)> heard) { onRefit_ = std::move(heard); }

    // Cut to the drawn pixels rather than see-through: from the moment no compositor runs to the
    // end of the outing.
    bool cut() const;
    // Where the scene is now (points), and the part the last redraw sent again.
    QRect drawn() const { return drawn_; }
    QRegion sent() const { return sent_; }
    // The pixels go to the server's picture of the window, not through the backing store.
    bool direct() const { return picture_ != nullptr; }

    CatCatcher& catcher() { return catcher_; }
    // `damage` as a few rectangles to paint: overlapping or close pieces become one.
    static QRegion simplified(const QRegion& damage);
    // The pixels of `image` at least half covered, as a region (device pixels) placed at `at`;
    // those pixels made opaque in their own colour (without a compositor the server shows a
    // pixel's colour as it is, and a premultiplied one darkened). The others are left as they are.
    static QRegion inked(QImage& image, QPoint at);
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
    // The drawn pixels of `area` (half-covered edge pixels count, fainter ones do not).
    QRegion drawnShape(const QRegion& area);
    // Makes (or keeps) the server's picture of the window, see-through and, when cut, hidden.
    void startPicture();
    // Draws `damage` and sends it to the server's picture (cut to what is drawn when cut).
    void sendDirect(const QRegion& damage);

    QRectF frame_;
    double scale_ = 1;
    std::function<void(const RoamScreen&)> onRefit_;
    CatCatcher catcher_;
    ScenePainter scene_;
    SceneLayers layers_;
    std::vector<SceneLayer> shown_;  // the pieces as the panel shows them
    QRect drawn_;
    QRegion sent_;
    QRegion shape_;  // without a compositor: the window's cut (device pixels when direct)
    std::unique_ptr<WindowPicture> picture_;
    QImage canvas_;  // where a changed rectangle is drawn before it is sent
    x11::CompositorCut* cut_ = nullptr;
    int frames_ = 0;
    QWidget* catcherView_ = nullptr;
    std::vector<std::shared_ptr<void>> kept_;
    bool clickThrough_ = true;
};

}  // namespace kp
