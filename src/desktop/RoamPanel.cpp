#include "desktop/RoamPanel.h"

#include "island/X11Window.h"

#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstring>

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

RoamPanel::RoamPanel(const RoamScreen& screen, CatchTarget target, ScenePainter scene, SceneLayers layers)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                  Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint | Qt::WindowTransparentForInput),
      frame_(screen.frame),
      scale_(screen.scale),
      catcher_(std::move(target)),
      scene_(std::move(scene)),
      layers_(std::move(layers)) {
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
    // Cut without a compositor, and at once when one stops mid-outing (the whole see-through panel
    // would show black). One that comes mid-outing leaves the panel cut until the cat comes home.
    cut_ = new x11::CompositorCut(*this);
    connect(cut_, &x11::CompositorCut::changed, this, [this](bool cut) {
        if (cut) followCompositor();
    });
}

RoamPanel::~RoamPanel() = default;

bool RoamPanel::cut() const { return cut_->cut(); }

void RoamPanel::setClickThrough(bool on) {
    if (clickThrough_ == on) return;
    clickThrough_ = on;
    // Only the native window's input shape changes; the widget's flags (which would re-create the
    // window) stay as they are.
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, on);
    if (picture_) {
        picture_->quietExposures();
        picture_->flush();
    }
}

void RoamPanel::orderFront() {
    setGeometry(frame_.toRect());
    shown_.clear();
    shape_ = QRegion();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        winId();  // the window, at its full size, before its picture
        startPicture();
    }
    // Cut to nothing until the first frame is drawn, so no black screen flashes up.
    if (!picture_ && cut_->cut())
        setMask(QRegion(-1, -1, 1, 1));
    else if (!picture_)
        clearMask();
    show();
    stackBelowOwnWindows();
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowTransparentForInput, clickThrough_);
    if (picture_) picture_->quietExposures();
    redraw();
}

void RoamPanel::startPicture() {
    if (!picture_ || !picture_->fits(*this)) {
        // The old picture lets go of the window first: going after, it would take the new
        // picture's place as the window's background with it.
        picture_.reset();
        picture_ = WindowPicture::attach(*this);
    }
    // With a picture the toolkit paints the window no more (it would at each map), and makes no
    // backing store for it.
    setUpdatesEnabled(!picture_);
    if (!picture_) return;
    picture_->clear();
    if (cut_->cut())
        picture_->cut(QRegion());
    else
        picture_->uncut();
    picture_->quietExposures();
}

void RoamPanel::orderOut() { hide(); }

void RoamPanel::refit(const RoamScreen& screen) {
    if (screen.frame == frame_ && screen.scale == scale_) return;
    frame_ = screen.frame;
    scale_ = screen.scale;
    if (onRefit_) onRefit_(screen);
    // Shown again over the new frame, from a clear picture.
    if (isVisible()) orderFront();
}

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
    // Everything is painted again and cut out again, before another frame; hidden until the
    // scene's outline is set, even when there is nothing to draw.
    shown_.clear();
    shape_ = QRegion();
    if (picture_)
        picture_->cut(QRegion());
    else
        setMask(QRegion(-1, -1, 1, 1));
    redraw();
}

// The same area as a few rectangles: pieces that overlap or lie close together are painted as
// one, since painting through a clip of many small rectangles costs more than a little more area.
QRegion RoamPanel::simplified(const QRegion& damage) {
    std::vector<QRect> boxes(damage.begin(), damage.end());
    auto area = [](const QRect& r) { return qint64(r.width()) * r.height(); };
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t i = 0; i < boxes.size() && !merged; ++i)
            for (std::size_t j = i + 1; j < boxes.size() && !merged; ++j) {
                const QRect both = boxes[i] | boxes[j];
                if (boxes[i].intersects(boxes[j]) || area(both) * 4 <= (area(boxes[i]) + area(boxes[j])) * 5) {
                    boxes[i] = both;
                    boxes.erase(boxes.begin() + j);
                    merged = true;
                }
            }
    }
    QRegion out;
    for (const QRect& r : boxes) out += r;
    return out;
}

void RoamPanel::redraw() {
    if (!isVisible()) return;
    ++frames_;
    if (picture_ && !picture_->fits(*this)) {
        // The native window was made anew, or resized: a new picture, all drawn again.
        shown_.clear();
        shape_ = QRegion();
        startPicture();
    }
    std::vector<SceneLayer> next;
    if (layers_) {
        next = layers_();
        // Edge pixels of antialiased ink may reach a little past a piece's own frame.
        for (SceneLayer& layer : next) layer.rect = layer.rect.adjusted(-2, -2, 2, 2).intersected(rect());
    } else {
        next = {{0, rect(), static_cast<std::uint64_t>(frames_)}};
    }
    // Only the pieces that moved or changed are painted and sent again, where they were and are.
    // (The pieces keep their order back to front; one may come or go.)
    QRegion damage;
    auto find = [](const std::vector<SceneLayer>& in, std::uint64_t id) {
        return std::find_if(in.begin(), in.end(), [id](const SceneLayer& l) { return l.id == id; });
    };
    for (const SceneLayer& layer : next) {
        const auto was = find(shown_, layer.id);
        if (was == shown_.end()) {
            damage += layer.rect;
        } else if (!(*was == layer)) {
            damage += QRegion(was->rect) + layer.rect;
        }
    }
    for (const SceneLayer& layer : shown_)
        if (find(next, layer.id) == next.end()) damage += layer.rect;
    damage = simplified(damage);
    shown_ = std::move(next);
    drawn_ = QRect();
    for (const SceneLayer& layer : shown_) drawn_ |= layer.rect;
    sent_ = damage;
    if (damage.isEmpty()) return;
    if (picture_) {
        sendDirect(damage);
        return;
    }
    if (cut_->cut()) {
        // The new outline first: the server keeps no pixels outside a window's outline, so what
        // was painted there before it grew would show black.
        // (A blink or a glance inside the outline leaves it as it is.)
        QRegion shape = (shape_ - damage) + drawnShape(damage);
        if (shape != shape_ || mask().isEmpty()) {
            shape_ = std::move(shape);
            setMask(shape_.isEmpty() ? QRegion(-1, -1, 1, 1) : shape_);
        }
    }
    // Painted and sent within the frame that settled it.
    repaint(damage);
}

void RoamPanel::sendDirect(const QRegion& damage) {
    const qreal dpr = devicePixelRatioF();
    const QRect all(QPoint(), (QSizeF(size()) * dpr).toSize());
    std::vector<QRect> pieces;
    for (const QRect& r : damage) {
        const QRect piece = QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr).toAlignedRect() & all;
        if (!piece.isEmpty()) pieces.push_back(piece);
    }
    QRegion area, inkedNow;
    for (const QRect& piece : pieces) {
        // One canvas for every piece, kept with its paint engine, grown as pieces need.
        if (canvas_.width() < piece.width() || canvas_.height() < piece.height())
            canvas_ = QImage(std::max(canvas_.width(), piece.width()), std::max(canvas_.height(), piece.height()),
                             QImage::Format_ARGB32_Premultiplied);
        canvas_.setDevicePixelRatio(dpr);
        for (int y = 0; y < piece.height(); ++y) std::memset(canvas_.scanLine(y), 0, std::size_t(piece.width()) * 4);
        if (scene_ && !shown_.empty()) {
            QPainter p(&canvas_);
            p.setRenderHint(QPainter::Antialiasing);
            p.setClipRect(QRectF(QPointF(), QSizeF(piece.size()) / dpr));
            p.translate(-QPointF(piece.topLeft()) / dpr);
            scene_(p);
        }
        // The piece's corner of the canvas, as an image of its own (no copy).
        QImage drawn(canvas_.bits(), piece.width(), piece.height(), canvas_.bytesPerLine(),
                     QImage::Format_ARGB32_Premultiplied);
        if (cut_->cut()) inkedNow += inked(drawn, piece.topLeft());
        picture_->put(drawn, piece.topLeft());
        area += piece;
    }
    if (cut_->cut()) {
        // The picture holds the new pixels before the outline grows over them: the server fills
        // what the outline newly shows from the picture, and the app need not send it again.
        QRegion shape = (shape_ - area) + inkedNow;
        if (shape != shape_) {
            shape_ = std::move(shape);
            picture_->cut(shape_);
        }
    }
    for (const QRect& piece : pieces) picture_->show(piece);
    picture_->flush();
}

QRegion RoamPanel::inked(QImage& image, QPoint at) {
    std::vector<QRect> runs;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width();) {
            if (qAlpha(line[x]) < 128) {
                ++x;
                continue;
            }
            const int start = x;
            for (; x < image.width() && qAlpha(line[x]) >= 128; ++x)
                if (qAlpha(line[x]) < 255) line[x] = qUnpremultiply(line[x]) | 0xff000000u;
            runs.emplace_back(at.x() + start, at.y() + y, x - start, 1);
        }
    }
    // Rows top to bottom, runs left to right, none touching: as a region keeps its rectangles.
    QRegion region;
    region.setRects(runs.data(), int(runs.size()));
    return region;
}

QRegion RoamPanel::drawnShape(const QRegion& area) {
    const QRect box = area.boundingRect();
    if (box.isEmpty() || !scene_) return {};
    const qreal dpr = devicePixelRatioF();
    QImage image((QSizeF(box.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-box.topLeft());
        p.setClipRegion(area);
        scene_(p);
    }
    const QRegion pixels(QBitmap::fromImage(image.createAlphaMask()));
    QRegion shape;
    if (dpr == 1) {
        shape = pixels.translated(box.topLeft());
    } else {
        for (const QRect& r : pixels) {
            const QRectF f(r.x() / dpr, r.y() / dpr, r.width() / dpr, r.height() / dpr);
            shape += f.toAlignedRect().translated(box.topLeft());
        }
    }
    return shape & area;
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
    // (The see-through backing store starts each paint cleared.)
    if (!scene_ || shown_.empty()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRegion(event->region());
    scene_(p);
}

}  // namespace kp
