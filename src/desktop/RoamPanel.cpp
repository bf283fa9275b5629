#include "desktop/RoamPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace kp {

CatchTarget CatchTarget::of(DesktopCat& cat) {
    CatchTarget target;
    target.isHeld = [&cat] { return cat.isDragged; };
    target.pickUp = [&cat] { cat.pickUp(); };
    target.drop = [&cat] { cat.drop(); };
    target.pet = [&cat] { cat.pet(); };
    return target;
}

void CatCatcher::drag(QPointF to) {
    if (!downAt_ || target_.isHeld()) return;
    const QPointF d = to - *downAt_;
    if (std::hypot(d.x(), d.y()) > 4) target_.pickUp();
}

void CatCatcher::release() {
    if (target_.isHeld()) {
        target_.drop();
    } else if (downAt_) {
        target_.pet();
    }
    downAt_.reset();
}

// The transparent layer over the cat's drawing that takes the presses.
class RoamPanel::Catcher final : public QWidget {
public:
    Catcher(RoamPanel& panel) : QWidget(&panel), panel_(panel) {
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { panel_.mousePressEvent(e); }
    void mouseMoveEvent(QMouseEvent* e) override { panel_.mouseMoveEvent(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { panel_.mouseReleaseEvent(e); }

private:
    RoamPanel& panel_;
};

RoamPanel::RoamPanel(const RoamScreen& screen, CatchTarget target, ScenePainter scene)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                  Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint | Qt::WindowTransparentForInput),
      frame_(screen.frame),
      catcher_(std::move(target)),
      scene_(std::move(scene)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setGeometry(frame_.toRect());
    // The scene redraws at the display's pace only while the panel is up.
    frameTimer_ = new QTimer(this);
    frameTimer_->setTimerType(Qt::PreciseTimer);
    frameTimer_->setInterval(16);
    connect(frameTimer_, &QTimer::timeout, this, [this] {
        update();
        // A window manager raising a window may put it over the panel: come back up now and then
        // (each raise makes the window list read the desktop again, so not every frame).
        if (++frames_ % 60 == 0) raise();
    });
    catcherView_ = new Catcher(*this);
    catcherView_->setGeometry(rect());
    catcherView_->raise();
}

RoamPanel::~RoamPanel() = default;

void RoamPanel::setClickThrough(bool on) {
    if (clickThrough_ == on) return;
    clickThrough_ = on;
    // Only the native window's input shape changes; the widget's flags (which would re-create the
    // window) stay as they are.
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, on);
}

void RoamPanel::orderFront() {
    setGeometry(frame_.toRect());
    show();
    raise();
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, clickThrough_);
}

void RoamPanel::orderOut() { hide(); }

void RoamPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) catcher_.press(event->position());
    event->accept();
}

void RoamPanel::mouseMoveEvent(QMouseEvent* event) {
    catcher_.drag(event->position());
    event->accept();
}

void RoamPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) catcher_.release();
    event->accept();
}

void RoamPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (catcherView_) catcherView_->setGeometry(rect());
}

void RoamPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::Antialiasing);
    if (scene_) scene_(p);
}

void RoamPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (scene_) frameTimer_->start();
}

void RoamPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    frameTimer_->stop();
}

}  // namespace kp
