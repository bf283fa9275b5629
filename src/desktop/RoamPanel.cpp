#include "desktop/RoamPanel.h"

#include "island/X11Window.h"

#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
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

RoamPanel::RoamPanel(const RoamScreen& screen, CatchTarget target, ScenePainter scene, SceneBounds bounds)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                  Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint | Qt::WindowTransparentForInput),
      frame_(screen.frame),
      catcher_(std::move(target)),
      scene_(std::move(scene)),
      bounds_(std::move(bounds)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setWindowTitle(QStringLiteral("Kettlepaw Roaming"));
    setGeometry(frame_.toRect());
    catcherView_ = new Catcher(*this);
    catcherView_->setGeometry(rect());
    catcherView_->raise();
    cut_ = QGuiApplication::platformName() == QLatin1String("xcb") && !x11::compositorRunning();
    // A compositor that stops mid-outing would show the whole see-through panel black: cut at once.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        connect(&x11::CompositorWatch::shared(), &x11::CompositorWatch::changed, this, &RoamPanel::followCompositor);
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
    // Cut to nothing until the first frame is drawn, so no black screen flashes up.
    if (cut_) setMask(QRegion(-1, -1, 1, 1));
    show();
    stackBelowOwnWindows();
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, clickThrough_);
    redraw();
}

void RoamPanel::orderOut() { hide(); }

void RoamPanel::restack() {
    if (isVisible()) stackBelowOwnWindows();
}

// Above every other window, but under the island and its menu.
void RoamPanel::stackBelowOwnWindows() {
    raise();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible()) continue;
        if (w->windowType() == Qt::Popup || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) w->raise();
    }
}

void RoamPanel::followCompositor() {
    const bool cut = QGuiApplication::platformName() == QLatin1String("xcb") && !x11::compositorRunning();
    if (cut == cut_) return;
    cut_ = cut;
    if (!cut_) {
        clearMask();
        update();
        return;
    }
    // Cut to what is drawn before the next frame: nothing see-through is left to show black.
    if (isVisible()) setMask(drawnShape());
}

void RoamPanel::redraw() {
    if (!isVisible()) return;
    const QRect next = bounds_ ? bounds_().toAlignedRect().adjusted(-2, -2, 2, 2).intersected(rect()) : rect();
    QImage image;
    if (!next.isEmpty()) {
        const qreal dpr = devicePixelRatioF();
        image = QImage((QSizeF(next.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-next.topLeft());
        if (scene_) scene_(p);
    }
    // A resting cat often looks the same from one frame to the next: nothing to send then.
    if (next == drawn_ && image == image_) return;
    image_ = std::move(image);
    const QRect damage = drawn_.united(next);
    drawn_ = next;
    if (!cut_) {
        update(damage);
        return;
    }
    // Cut to the new frame's shape before it is painted: what the frame leaves goes before it could
    // show see-through (black without a compositor), and what it adds is inside the window to be
    // painted (a window paints nothing outside its shape).
    setMask(drawnShape());
    repaint(damage);
}

// The opaque part of the last frame (half-covered edge pixels count, fainter ones do not).
QRegion RoamPanel::drawnShape() const {
    if (drawn_.isEmpty()) return QRegion(-1, -1, 1, 1);
    const QRegion pixels(QBitmap::fromImage(image_.createAlphaMask()));
    const qreal dpr = image_.devicePixelRatio();
    QRegion shape;
    if (dpr == 1) {
        shape = pixels.translated(drawn_.topLeft());
    } else {
        for (const QRect& r : pixels) {
            const QRectF f(r.x() / dpr, r.y() / dpr, r.width() / dpr, r.height() / dpr);
            shape += f.toAlignedRect().translated(drawn_.topLeft());
        }
    }
    return shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape;
}

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

void RoamPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : event->region()) p.fillRect(r, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!drawn_.isEmpty() && !image_.isNull()) p.drawImage(drawn_.topLeft(), image_);
}

}  // namespace kp
