#include "island/IslandPanel.h"

#include "app/AppState.h"
#include "cat/CatLook.h"
#include "cat/Closet.h"
#include "island/IslandContent.h"
#include "island/IslandController.h"
#include "island/IslandRootView.h"
#include "island/TobbiFace.h"
#include "island/WindowPicture.h"
#include "island/X11Window.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/Defaults.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <cmath>
#include <cstring>
#include <utility>

namespace kp {

using State = IslandStateMachine::State;

IslandPanel::IslandPanel(AppState& state, TestIslandController& controller)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::X11BypassWindowManagerHint |
                  Qt::WindowDoesNotAcceptFocus),
      state_(state),
      controller_(controller),
      animation_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Kettlepaw Island"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);  // hosted content follows the pointer for hover and the hand cursor
    setAttribute(Qt::WA_AlwaysShowToolTips);  // the panel is never the active window
    // Without a compositor transparent pixels come out black: the window is cut to the island's shape
    // instead. A compositor that stops would leave the see-through corners black: the cut follows at
    // once; one that comes leaves the island cut until it next hides.
    seeThrough_ = QGuiApplication::platformName() == QLatin1String("xcb") && x11::compositorRunning();
    if (seeThrough_) {
        setAttribute(Qt::WA_TranslucentBackground);
        cut_ = new x11::CompositorCut(*this);
        connect(cut_, &x11::CompositorCut::changed, this, [this] {
            if (isVisible()) followCompositor();
        });
    }
    const QSizeF notch(state_.notchWidth, state_.notchHeight);
    spring_.jumpTo(notch, island::cornerRadiusFor(State::hidden));
    animation_->setTimerType(Qt::PreciseTimer);
    animation_->setInterval(1000 / 60);
    connect(animation_, &QTimer::timeout, this, &IslandPanel::animate);
    connect(&state_, &AppState::changed, this, [this] {
        if (isVisible()) update();
    });
    breed_ = storedBreed(controller_.store());
    connect(&Closet::shared(), &Closet::outfitChanged, this, [this] {
        if (isVisible()) update();
    });
    // A new breed pick shows at once.
    connect(&controller_.store(), &Defaults::changed, this, [this](const QString& key) {
        if (key != QLatin1String("catBreed")) return;
        breed_ = storedBreed(controller_.store());
        if (isVisible()) update();
    });
    connect(&state_.life(), &PetLife::changed, this, [this] {
        if (isVisible() && signature() != drawn_) update();
    });
}

IslandPanel::~IslandPanel() = default;

void IslandPanel::showState(State from, State to) {
    dropPicture();
    shown_ = to;
    enterContent(from, to);
    const QSizeF notch(state_.notchWidth, state_.notchHeight);
    if (from == State::hidden && !isVisible()) spring_.jumpTo(notch, island::cornerRadiusFor(State::hidden));
    followCompositor();
    spring_.setTarget(island::sizeFor(to, notch), island::cornerRadiusFor(to));
    place();
    if (controller_.underFullScreen()) {
        // Nothing of it shows over a full-screen window, not even shrinking away.
        spring_.jumpTo(spring_.target(), island::cornerRadiusFor(to));
        followCover();
        return;
    }
    if (to != State::hidden) {
        if (!isVisible()) show();
        raise();  // above windows mapped since it last showed
    }
    if (!spring_.isSettled()) animation_->start();
    update();
    tellShown();
}

void IslandPanel::tellShown() {
    if (shown_ == State::coucou && isVisible() && spring_.isSettled()) controller_.greetingShown();
}

void IslandPanel::followCover() {
    IslandContent* c = content();
    if (controller_.underFullScreen()) {
        animation_->stop();
        if (isVisible()) hide();
        // Content that stays (the first-run pages) waits unseen, its frames stopped.
        if (c && !suspended_) c->didDisappear();
        suspended_ = c != nullptr;
        return;
    }
    if (std::exchange(suspended_, false) && c) c->didAppear();
    if (shown_ == State::hidden || isVisible()) return;
    finishMoving();
    show();
    raise();
    tellShown();
}

void IslandPanel::enterContent(State from, State to) {
    if (from == to) return;
    const IslandNeighbours& n = controller_.neighbours();
    if (from == State::home && room_) room_->didDisappear();
    if (from == State::onboarding && onboarding_) {
        onboarding_->didDisappear();
        // The pages may be finishing from inside their own click: they go once it has returned.
        onboarding_.release()->deleteLater();
    }
    contentPressed_ = false;
    suspended_ = false;
    setHandCursor(false);
    auto repaintOnFrame = [this](IslandContent* c) {
        connect(c, &IslandContent::frameDue, this, [this] {
            if (isVisible()) update();
        });
    };
    if (to == State::home && n.makeRoom) {
        // Made on the first opening, so a hidden island never pays for the room.
        if (!room_ && (room_ = n.makeRoom()))
            connect(room_.get(), &IslandContent::frameDue, this, &IslandPanel::roomFrameDue);
        if (room_) room_->didAppear();
    }
    if (to == State::onboarding && n.makeOnboarding) {
        if ((onboarding_ = n.makeOnboarding())) {
            repaintOnFrame(onboarding_.get());
            onboarding_->didAppear();
        }
    }
    followKeyboardWish();
}

IslandContent* IslandPanel::content() const {
    if (shown_ == State::home) return room_.get();
    if (shown_ == State::onboarding) return onboarding_.get();
    return nullptr;
}

void IslandPanel::followKeyboardWish() {
    const IslandContent* c = content();
    const bool want = c && c->wantsKeyboard();
    if (want == keyboard_) return;
    keyboard_ = want;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowDoesNotAcceptFocus, !want);
    // In place: QWidget::setWindowFlags would recreate (and hide) the window.
    overrideWindowFlags(flags);
    if (QWindow* w = windowHandle()) w->setFlags(flags);
    if (picture_) picture_->quietExposures();
    setFocusPolicy(want ? Qt::StrongFocus : Qt::NoFocus);
    if (want && isVisible()) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
}

void IslandPanel::setHandCursor(bool hand) {
    if (hand == handCursor_) return;
    handCursor_ = hand;
    if (hand)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

QRectF IslandPanel::islandRect() const {
    const QSizeF s = spring_.size();
    return {(width() - s.width()) / 2, 0, s.width(), s.height()};
}

void IslandPanel::finishMoving() {
    spring_.jumpTo(spring_.target(), island::cornerRadiusFor(shown_));
    animate();
}

void IslandPanel::relocate() {
    if (!isVisible()) return;
    place();
    update();
}

void IslandPanel::place() {
    const std::optional<IslandScreen> screen = controller_.screen();
    if (!screen) return;
    // While the size moves, the window holds both the old and the new island.
    const QSizeF now = spring_.size(), target = spring_.target();
    const int w = static_cast<int>(std::ceil(std::max(now.width(), target.width()) + (spring_.isSettled() ? 0 : 24)));
    const int h = static_cast<int>(std::ceil(std::max(now.height(), target.height()) + (spring_.isSettled() ? 0 : 12)));
    const QRect g = screen->geometry;
    const QRect frame(g.left() + (g.width() - w) / 2, g.top() + int(islandTop(*screen)), w, h);
    if (frame != geometry()) setGeometry(frame);
    applyShape();
}

void IslandPanel::applyShape() {
    const QRectF r = islandRect();
    QPainterPath path = island::islandShape(r.size(), spring_.radius());
    path.translate(r.topLeft());
    const QRegion region(path.toFillPolygon().toPolygon());
    if (seeThrough_) {
        if (!x11::setInputShape(this, region)) setMask(region);
    } else {
        setMask(region);
    }
}

void IslandPanel::followCompositor() {
    // A window made opaque is cut to shape with or without a compositor.
    if (!cut_) return;
    const bool seeThrough = !cut_->cut();
    if (seeThrough == seeThrough_) return;
    seeThrough_ = seeThrough;
    // The corners are drawn otherwise: the next frame goes out whole.
    dropPicture();
    if (seeThrough) clearMask();
    applyShape();
    update();
}

void IslandPanel::animate() {
    const bool moving = spring_.step();
    place();
    update();
    if (!moving) {
        animation_->stop();
        if (shown_ == State::hidden) hide();
        tellShown();
    }
}

IslandPanel::Signature IslandPanel::signature() const {
    Signature s;
    const PetLife& life = state_.life();
    s.need = life.need() ? static_cast<int>(*life.need()) : -1;
    s.dead = life.isDead();
    s.sleeping = life.isSleeping();
    const FaceEmotes& emotes = FaceEmotes::shared();
    s.emote = emotes.active().has_value();
    s.emoteSerial = emotes.serial();
    return s;
}

QRectF IslandPanel::contentRect() const {
    // Anchored at the settled size, centred, so the content does not wobble with the spring.
    const QSizeF target = spring_.target();
    return {(width() - target.width()) / 2, 0, target.width(), target.height()};
}

IslandScene IslandPanel::scene() const {
    const PetLife& life = state_.life();
    IslandScene scene;
    scene.state = shown_;
    scene.petName = state_.petName();
    scene.need = life.need();
    scene.dead = life.isDead();
    scene.sleeping = life.isSleeping();
    scene.faceOverride = state_.faceOverride();
    const IslandPomodoro& pomodoro = controller_.pomodoro();
    scene.phase = pomodoro.phase();
    scene.progress = pomodoro.progress();
    scene.minutesLeft = pomodoro.minutesLeft();
    scene.countdown = controller_.machine().collapseRemaining();
    scene.currentHeight = spring_.size().height();
    scene.room = state_.roomKind();
    scene.breed = breed_;
    scene.outfit = &Closet::shared().outfit();
    scene.pointer = state_.mousePosition;
    scene.islandFrame = state_.islandFrame;
    scene.time = controller_.clock().monotonic();
    return scene;
}

void IslandPanel::tick() {
    if (!isVisible()) return;
    if (content()) {
        // Hosted content asks for its own frames.
        followKeyboardWish();
        return;
    }
    const double t = controller_.clock().monotonic();
    bool repaint = signature() != drawn_;
    if (!repaint && spring_.isSettled())
        repaint = islandFaceWouldChange(contentRect(), scene(), FaceEmotes::shared());
    // The countdown bar moves every 0.1 s; a poll tick that comes a hair early counts.
    if (shown_ == State::home && controller_.machine().isCollapsePending() && t - lastCountdownPaint_ >= 0.09) {
        lastCountdownPaint_ = t;
        repaint = true;
    }
    if (shown_ == State::petit) {
        const bool pomodoro = controller_.pomodoro().phase() != PomodoroPhase::idle;
        if (pomodoro && t - lastMarkPaint_ >= 1.0) {
            lastMarkPaint_ = t;
            repaint = true;
        } else if (!pomodoro && state_.life().need() && !state_.life().isDead() && t - lastMarkPaint_ >= 1.0 / 30) {
            lastMarkPaint_ = t;  // the need mark bobs
            repaint = true;
        }
    }
    if (repaint) update();
}

bool IslandPanel::showsRoomFrames() const { return shown_ == State::home && room_ != nullptr; }

void IslandPanel::roomFrameDue() {
    controller_.roomFrame();
    if (!isVisible()) return;
    if (shown_ != State::home || !room_ || !spring_.isSettled()) {
        dropPicture();
        update();
        return;
    }
    // Drawn now, and only what changed since the last frame goes to the screen. The pixels last
    // put, where the server shares them, are the last frame: nothing else is kept to compare with.
    const QPoint at = roomOrigin();
    const bool sent = picture_ && picture_->fits(*this);
    renderRoom(sent ? picture_->sent(QRect(at, roomFrame_.size())) : QImage());
    if (sendsToPicture()) {
        // A new picture holds nothing yet.
        const std::vector<QRect> boxes =
            sent ? island::boxesToSend(roomChanged_) : std::vector<QRect>{roomFrame_.rect()};
        for (const QRect& r : boxes) {
            picture_->put(roomFrame_, r, r.topLeft() + at);
            picture_->show(r.translated(at));
        }
        picture_->flush();
        return;
    }
    roomFresh_ = true;
    if (!roomChanged_.empty()) update(roomDamage());
}

QPoint IslandPanel::roomOrigin() const { return (islandRect().topLeft() * devicePixelRatioF()).toPoint(); }

QPoint IslandPanel::contentOffset() const {
    return ((contentRect().topLeft() - islandRect().topLeft()) * devicePixelRatioF()).toPoint();
}

bool IslandPanel::sendsToPicture() {
    if (picture_ && picture_->fits(*this)) return true;
    dropPicture();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || roomFrame_.isNull()) return false;
    picture_ = WindowPicture::attach(*this);
    if (!picture_) return false;
    // The toolkit paints the window no more while the picture lasts: the server shows it, and
    // fills in by itself whatever was covered.
    setUpdatesEnabled(false);
    picture_->quietExposures();
    return true;
}

void IslandPanel::dropPicture() {
    if (!picture_) return;
    picture_.reset();
    roomFresh_ = false;
    setUpdatesEnabled(true);  // and the whole window is painted again
}

void IslandPanel::renderRoom(const QImage& sent) {
    const QRectF island = islandRect();
    const QRectF content = contentRect();
    const double dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(island.width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(island.height() * dpr))));
    // The frame is kept from one frame to the next, and the room paints over it only what changes.
    const bool fresh = roomFrame_.size() != pixels || roomFrame_.devicePixelRatio() != dpr;
    if (fresh) {
        roomFrame_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        roomFrame_.setDevicePixelRatio(dpr);
        roomShown_ = QImage();
    }
    // The countdown along the bottom is painted again each frame it shows, and once as it goes.
    const QPoint at = contentOffset();
    const bool countdown = controller_.machine().collapseRemaining() > 0;
    const QRect strip = !countdown && !countdownShown_
                            ? QRect()
                            : QRectF(0, (content.height() - 3) * dpr, content.width() * dpr, 3 * dpr)
                                  .toAlignedRect()
                                  .adjusted(-1, -1, 1, 1);
    countdownShown_ = countdown;
    std::optional<QRegion> painted;
    {
        QPainter p(&roomFrame_);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-island.topLeft());
        painted = paintSettledRoom(p, island, fresh ? nullptr : &strip);
    }
    // Only where the room says it may have changed is looked at (and the countdown); of that,
    // only the bands of pixels that changed go to the screen.
    QRegion within(roomFrame_.rect());
    if (const std::optional<QRegion> reach = room_->reach()) within = (reach->translated(at) | strip.translated(at)) & roomFrame_.rect();
    const bool sentHolds = sent.size() == roomFrame_.size();
    roomChanged_ = island::changedPixels(sentHolds ? sent : roomShown_, roomFrame_, within);
    if (sentHolds) {
        roomShown_ = QImage();
        return;
    }
    // The copy to compare the next frame with follows.
    if (!painted || roomShown_.size() != roomFrame_.size()) {
        roomShown_ = roomFrame_.copy();
        return;
    }
    // Only where the frames differ; row by row: through a painter, a copy between images of
    // another ratio than 1 is a scaled drawing, split over the thread pool.
    for (const QRect& r : roomChanged_)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(roomShown_.scanLine(y) + r.left() * 4, roomFrame_.constScanLine(y) + r.left() * 4,
                        std::size_t(r.width()) * 4);
}

QRegion IslandPanel::roomDamage() const {
    // In window points, each pixel rectangle widened to whole points.
    const double dpr = roomFrame_.devicePixelRatio();
    const QPointF origin = islandRect().topLeft();
    QRegion damage;
    for (const QRect& r : roomChanged_)
        damage += QRectF(origin.x() + r.x() / dpr, origin.y() + r.y() / dpr, r.width() / dpr, r.height() / dpr)
                      .toAlignedRect()
                      .adjusted(-1, -1, 1, 1);
    return damage;
}

void IslandPanel::paintEvent(QPaintEvent* event) {
    drawn_ = signature();
    const bool fresh = std::exchange(roomFresh_, false);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (shown_ == State::home && room_ && spring_.isSettled()) {
        // The room as its last frame drew it, or as it stands now when something else asked for
        // the paint; the window is the island's size, so the image covers it all.
        if (!fresh) {
            renderRoom();
            const QRegion damage = roomDamage();
            if (!(damage - event->region()).isEmpty()) update(damage);
        }
        // Rectangle by rectangle: under a clip of one rectangle the image is copied straight,
        // where the whole changed region as a clip would send every row through the span filler.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const QPointF origin = islandRect().topLeft();
        for (const QRect& r : event->region()) {
            p.setClipRect(r);
            p.drawImage(origin, roomFrame_);
        }
        return;
    }
    if (seeThrough_) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        // The mask cuts the window to whole pixels: edge pixels must be island black, not a blend
        // with the window's own background.
        p.fillRect(rect(), Qt::black);
    }
    const QRectF r = islandRect();
    QPainterPath path = island::islandShape(r.size(), spring_.radius());
    path.translate(r.topLeft());
    p.fillPath(path, Qt::black);
    if (shown_ == State::hidden) return;
    if (shown_ == State::home && room_) {
        // The room opens with the island.
        p.setClipPath(path);
        p.save();
        room_->paint(p, contentRect(), spring_.size().height());
        p.restore();
        paintCountdown(p);
        return;
    }
    // Content appears once the island is near its size, so nothing spills while it grows.
    const QSizeF target = spring_.target();
    if (std::abs(spring_.size().width() - target.width()) > 24 || std::abs(spring_.size().height() - target.height()) > 12)
        return;
    p.setClipPath(path);
    if (IslandContent* c = content()) {
        p.save();
        c->paint(p, contentRect(), spring_.size().height());
        p.restore();
        return;
    }
    paintIslandContent(p, contentRect(), scene(), FaceEmotes::shared());
}

std::optional<QRegion> IslandPanel::paintSettledRoom(QPainter& p, const QRectF& island, const QRect* redo) {
    // Clipped to a rectangle, with the round corners cut afterwards: under a path clip every fill
    // and blit of the room goes span by span through the raster engine's thread pool, and the
    // open room is repainted many times a second.
    p.setClipRect(island, Qt::IntersectClip);
    const QRectF content = contentRect();
    std::optional<QRegion> painted;
    const double dpr = p.device()->devicePixelRatioF();
    if (redo) {
        // The room says where it painted from the content's corner; from here on, the island's.
        const QPoint at = contentOffset();
        if ((painted = room_->paintChanges(p, content, spring_.size().height(), QRegion(*redo))))
            painted = painted->translated(at) & QRect(0, 0, p.device()->width(), p.device()->height());
    } else {
        // The room's opaque scene covers its content; only what lies outside it is filled.
        const QRect covered(QPoint(int(std::ceil(content.left())), int(std::ceil(content.top()))),
                            QPoint(int(std::floor(content.right())) - 1, int(std::floor(content.bottom())) - 1));
        for (const QRect& r : QRegion(island.toAlignedRect()) - covered) p.fillRect(r, Qt::black);
        p.save();
        room_->paint(p, content, spring_.size().height());
        p.restore();
    }
    paintCountdown(p);
    const double r = std::clamp(spring_.radius(), 0.0, std::min(island.width(), island.height()) / 2);
    if (r <= 0) return painted;
    if (corner_.isNull() || cornerRadius_ != r || corner_.devicePixelRatio() != dpr) {
        // The bottom-left corner's outside, as coverage: the island's own shape cut out of a square.
        const int side = static_cast<int>(std::ceil(r * dpr));
        corner_ = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        corner_.setDevicePixelRatio(dpr);
        corner_.fill(Qt::black);
        QPainter q(&corner_);
        q.setRenderHint(QPainter::Antialiasing);
        q.setCompositionMode(QPainter::CompositionMode_Clear);
        QPainterPath inside = island::islandShape(QSizeF(2 * r + 2, 2 * r), r);
        inside.translate(0, r - 2 * r);
        q.fillPath(inside, Qt::black);
        q.end();
        cornerRight_ = corner_.mirrored(true, false);
        cornerRadius_ = r;
    }
    const QSizeF side = corner_.deviceIndependentSize();
    const QPointF left(island.left(), island.bottom() - side.height());
    const QPointF right(island.right() - side.width(), island.bottom() - side.height());
    // With a compositor the corners go see-through; without one they are island black, which the
    // window's mask then cuts. Over a kept frame, only where the room painted again.
    p.setCompositionMode(seeThrough_ ? QPainter::CompositionMode_DestinationOut : QPainter::CompositionMode_SourceOver);
    for (const auto& [corner, place] : {std::pair{&corner_, left}, std::pair{&cornerRight_, right}}) {
        const QRectF spot(place, side);
        if (!painted) {
            p.drawImage(place, *corner);
            continue;
        }
        for (const QRect& px : *painted) {
            const QRectF points = QRectF(px.x() / dpr, px.y() / dpr, px.width() / dpr, px.height() / dpr)
                                      .translated(island.topLeft()) & spot;
            if (points.isEmpty()) continue;
            p.drawImage(points, *corner, QRectF((points.topLeft() - place) * dpr, points.size() * dpr));
        }
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return painted;
}

void IslandPanel::paintCountdown(QPainter& p) {
    const double left = controller_.machine().collapseRemaining();
    if (left <= 0) return;
    const QRectF r = contentRect();
    QColor bar = colorFromHex(kIslandInk);
    bar.setAlphaF(0.35);
    const double full = r.width() - 48;
    p.fillRect(QRectF(r.left() + 24, r.bottom() - 2, full * left, 2), bar);
}

void IslandPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = islandRect().contains(event->position());
        contentPressed_ = false;
        if (IslandContent* c = content(); c && pressed_) {
            contentPressed_ = c->mousePress(event->position());
            update();
            followKeyboardWish();
        }
    } else if (event->button() == Qt::RightButton) {
        popupMenu(event->globalPosition().toPoint());
    }
}

void IslandPanel::popupMenu(QPoint global) {
    // Without a tray host the island is where the menu lives.
    if (menu_ && controller_.menuOnIsland()) menu_->popup(global);
}

void IslandPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (IslandContent* c = content()) {
        if (contentPressed_) c->mouseRelease(event->position());
        contentPressed_ = false;
        update();
        followKeyboardWish();
        return;
    }
    const QRectF r = islandRect();
    if (!r.contains(event->position())) return;
    // Island coordinates follow the settled size, centred in the window.
    const QSizeF target = spring_.target();
    const QPointF origin((width() - target.width()) / 2, 0);
    controller_.clickAt(event->position() - origin);
}

void IslandPanel::mouseMoveEvent(QMouseEvent* event) {
    controller_.pointerOverPanel(event->globalPosition());
    IslandContent* c = content();
    if (!c) return;
    c->mouseMove(event->position());
    setHandCursor(c->isActionableAt(event->position()));
}

void IslandPanel::leaveEvent(QEvent* event) {
    controller_.pointerOverPanel(std::nullopt);
    if (IslandContent* c = content()) c->mouseLeave();
    setHandCursor(false);
    QWidget::leaveEvent(event);
}

void IslandPanel::keyPressEvent(QKeyEvent* event) {
    IslandContent* c = content();
    if (c && c->keyPress(event)) {
        update();
        followKeyboardWish();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool IslandPanel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const IslandContent* c = content();
        const QString text = c ? c->toolTipAt(help->pos()) : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace kp
