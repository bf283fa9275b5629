#include "album/PageTurn.h"

#include "album/PageCurl.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {
constexpr double pi = 3.14159265358979323846;

// Stores `v` into `slot`; true when observers must hear of it (NaN always counts as a change).
bool assign(double& slot, double v) {
    if (!std::isnan(v) && slot == v) return false;
    slot = v;
    return true;
}
}  // namespace

// ---------------------------------------------------------------- controller

void PageTurnController::setSettling(bool v) {
    if (settling_ == v) return;
    settling_ = v;
    emit settlingChanged(v);
    emit changed();
}

void PageTurnController::setTurning(bool v) {
    if (turning_ == v) return;
    turning_ = v;
    emit turningChanged(v);
    emit changed();
}

void PageTurnController::setRequestGeneration(int v) {
    if (generation_ == v) return;
    generation_ = v;
    emit requestGenerationChanged(v);
    emit changed();
}

void PageTurnController::setRequestedIndex(std::optional<int> v) {
    if (requested_ == v) return;
    requested_ = v;
    emit requestedIndexChanged();
    emit changed();
}

// ---------------------------------------------------------------- motion

// A NaN is stored as the rest value so the pose always stays in range, and still notifies.
void BookPageMotion::setAngle(double v) {
    if (assign(angle_, std::isnan(v) ? 0.0 : std::clamp(v, -180.0, 0.0)) || std::isnan(v)) emit changed();
}

void BookPageMotion::setBend(double v) {
    if (assign(bend_, std::isnan(v) ? 0.0 : v) || std::isnan(v)) emit changed();
}

void BookPageMotion::setLean(double v) {
    if (assign(lean_, std::isnan(v) ? 0.0 : std::clamp(v, -7.0, 7.0)) || std::isnan(v)) emit changed();
}

// ---------------------------------------------------------------- progress and curves

namespace pageturn {

double angleForProgress(double p) {
    p = std::clamp(p, 0.0, 1.0);
    return -std::acos(1 - 2 * p) * 180 / pi;
}

double progressForAngle(double angleDegrees) {
    return (1 - std::cos(-angleDegrees * pi / 180)) / 2;
}

Curve Curve::bezier(double duration, double x1, double y1, double x2, double y2) {
    Curve c;
    c.kind = Kind::cubicBezier;
    c.duration = duration;
    c.x1 = x1, c.y1 = y1, c.x2 = x2, c.y2 = y2;
    return c;
}

Curve Curve::spring(double response, double dampingFraction, double initialVelocity) {
    Curve c;
    c.kind = Kind::spring;
    c.response = std::max(response, 1e-3);
    c.dampingFraction = dampingFraction;
    c.initialVelocity = initialVelocity;
    return c;
}

namespace {
double bezierAxis(double s, double a, double b) {
    const double u = 1 - s;
    return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
}

// Remaining fraction of the change and its rate for a spring released with velocity v0.
void springError(const Curve& c, double t, double& e, double& de) {
    const double w = 2 * pi / c.response;
    const double z = c.dampingFraction;
    const double v0 = c.initialVelocity;
    if (z >= 1) {
        const double ex = std::exp(-w * t);
        e = (1 + (w - v0) * t) * ex;
        de = ((w - v0) - w * (1 + (w - v0) * t)) * ex;
    } else {
        const double wd = w * std::sqrt(1 - z * z);
        const double k = (z * w - v0) / wd;
        const double ex = std::exp(-z * w * t);
        const double cs = std::cos(wd * t), sn = std::sin(wd * t);
        e = ex * (cs + k * sn);
        de = -z * w * e + ex * (-wd * sn + k * wd * cs);
    }
}
}  // namespace

double Curve::value(double t) const {
    if (t <= 0) return 0;
    switch (kind) {
    case Kind::none: return 1;
    case Kind::cubicBezier: {
        if (duration <= 0 || t >= duration) return 1;
        const double x = t / duration;
        // Solve x(s) = x by bisection (monotone for control x in 0...1), then read y(s).
        double lo = 0, hi = 1, s = x;
        for (int i = 0; i < 30; ++i) {
            s = (lo + hi) / 2;
            if (bezierAxis(s, x1, x2) < x) lo = s; else hi = s;
        }
        return bezierAxis(s, y1, y2);
    }
    case Kind::spring: {
        double e, de;
        springError(*this, t, e, de);
        return 1 - e;
    }
    }
    return 1;
}

bool Curve::isComplete(double t) const {
    switch (kind) {
    case Kind::none: return true;
    case Kind::cubicBezier: return t >= duration;
    case Kind::spring: {
        if (t >= 6 * response) return true;
        if (t < 0.5 * response) return false;
        double e, de;
        springError(*this, t, e, de);
        const double w = 2 * pi / response;
        return std::abs(e) < 0.004 && std::abs(de) / w < 0.004;
    }
    }
    return true;
}

}  // namespace pageturn

// ---------------------------------------------------------------- view

using pageturn::Curve;
using pageturn::Turn;

BookPageTurn::BookPageTurn(PageTurnController& controller, Scheduler* scheduler, Clock* clock,
                           QObject* parent)
    : QObject(parent),
      controller_(controller),
      scheduler_(scheduler ? scheduler : &QtScheduler::shared()),
      clock_(clock ? clock : &SystemClock::shared()) {
    lastGeneration_ = controller_.requestGeneration();
    connect(&controller_, &PageTurnController::requestGenerationChanged, this, [this](int) {
        if (const auto i = controller_.requestedIndex()) requestPage(*i);
    });
    connect(&motion_, &BookPageMotion::changed, this, &BookPageTurn::motionChanged);
}

BookPageTurn::~BookPageTurn() {
    if (timer_) scheduler_->cancel(timer_);
    // A view that goes away mid-turn never reaches finishTurn: free the host's controls here, or
    // they would wait for a settle that cannot end.
    if (activeTurn_ || controller_.isSettling()) {
        controller_.setTurning(false);
        controller_.setSettling(false);
    }
}

void BookPageTurn::setPagePainters(PagePainter front, PagePainter back) {
    drawnTurn_.reset();
    parked_.clear();
    page_ = std::move(front);
    pageBack_ = std::move(back);
    faces_.clear();
    underImageIndex_ = -1;
    warmFaces();
    emit needsRepaint();
}

PagePainter BookPageTurn::imagePainter(std::function<QImage(int)> images) {
    return [images = std::move(images)](QPainter& p, const QRectF& rect, int index) {
        const QImage img = images ? images(index) : QImage();
        if (img.isNull()) return;
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(rect, img);
        p.restore();
    };
}

void BookPageTurn::setPageCount(int count) {
    count = std::max(count, 0);
    if (count == pageCount_) return;
    drawnTurn_.reset();
    parked_.clear();
    pageCount_ = count;
    if (restingIndex_ && *restingIndex_ >= count) restingIndex_ = std::max(count - 1, 0);
    faces_.clear();
    underImageIndex_ = -1;
    warmFaces();
    emit needsRepaint();
}

void BookPageTurn::setDevicePixelRatio(double dpr) {
    dpr = dpr > 0 ? dpr : 1;
    if (dpr == dpr_) return;
    dpr_ = dpr;
    faces_.clear();
    parked_.clear();
    underImageIndex_ = -1;
    drawnTurn_.reset();
    warmFaces();
    emit needsRepaint();
}

void BookPageTurn::setCurrentPageIndex(int index) { writeCurrentPageIndex(index); }

void BookPageTurn::writeCurrentPageIndex(int index) {
    if (index == currentPageIndex_) return;
    currentPageIndex_ = index;
    emit currentPageIndexChanged(index);
    // A change made while a turn runs or settles is left to the turn, which writes the index itself.
    if (index != restingPageIndex() && !activeTurn_ && !controller_.isSettling()) requestPage(index);
    emit needsRepaint();
}

void BookPageTurn::setBookSize(const QSizeF& size) {
    if (size == bookSize_) return;
    drawnTurn_.reset();
    bookSize_ = size;
    faces_.clear();
    parked_.clear();
    underImageIndex_ = -1;
    warmFaces();
    emit needsRepaint();
}

void BookPageTurn::appear() {
    if (!restingIndex_) restingIndex_ = currentPageIndex_;
    warmFaces();
}

int BookPageTurn::restingPageIndex() const {
    const int r = restingIndex_ ? *restingIndex_ : currentPageIndex_;
    return std::clamp(r, 0, std::max(pageCount_ - 1, 0));
}

int BookPageTurn::visiblePageIndex() const {
    return activeTurn_ ? activeTurn_->underIndex : restingPageIndex();
}

std::optional<int> BookPageTurn::parkedPageIndex() const {
    const int i = (activeTurn_ ? activeTurn_->overlayIndex : restingPageIndex()) - 1;
    if (i < 0) return std::nullopt;
    return i;
}

double BookPageTurn::now() const { return clock_->monotonic(); }

// ---------------------------------------------------------------- faces

QImage BookPageTurn::snapshot(const PagePainter& painter, int index, bool clipToShape) {
    const double W = bookSize_.width(), H = bookSize_.height();
    if (!painter || W <= 1 || H <= 1) return {};
    QImage img(QSize(int(std::ceil(W * dpr_)), int(std::ceil(H * dpr_))), QImage::Format_ARGB32_Premultiplied);
    if (img.isNull()) return {};
    img.setDevicePixelRatio(dpr_);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF rect(0, 0, W, H);
    if (clipToShape) {
        QPainterPath shape;
        shape.addRoundedRect(rect, cornerRadius_, cornerRadius_);
        p.setClipPath(shape);
    }
    painter(p, rect, index);
    p.end();
    return img;
}

QImage BookPageTurn::face(int index, bool back) {
    if (pageImages_) {
        QImage shared = pageImages_(index, back);
        if (!shared.isNull()) return shared;
    }
    return back ? snapshot(pageBack_, index, true) : snapshot(page_, index, false);
}

BookPageTurn::SheetFaces BookPageTurn::renderFaces(int index) { return SheetFaces{face(index, false), face(index, true)}; }

BookPageTurn::SheetFaces& BookPageTurn::sheetFaces(int index) {
    auto it = faces_.find(index);
    if (it != faces_.end()) return it->second;
    return faces_.emplace(index, renderFaces(index)).first->second;
}

void BookPageTurn::warmFaces() {
    if (reduceMotion_ || pruneQueued_) return;
    pruneQueued_ = true;
    QPointer<BookPageTurn> self(this);
    scheduler_->after(0, [self] {
        if (!self) return;
        self->pruneQueued_ = false;
        if (!self->reduceMotion_) self->pruneFaces();
    });
}

void BookPageTurn::pruneFaces() {
    if (!(bookSize_.width() > 1 && bookSize_.height() > 1) || activeTurn_) return;
    const int r = restingPageIndex();
    std::vector<int> keep;
    if (r >= 0 && r < pageCount_) keep.push_back(r);
    if (r - 1 >= 0 && r - 1 < pageCount_) keep.push_back(r - 1);
    for (auto it = faces_.begin(); it != faces_.end();) {
        if (std::find(keep.begin(), keep.end(), it->first) == keep.end()) it = faces_.erase(it);
        else ++it;
    }
    for (int i : keep)
        if (!faces_.count(i)) faces_.emplace(i, renderFaces(i));
    // The page a forward turn uncovers, drawn now rather than in the turn's first frame.
    if (r + 1 < pageCount_ && underImageIndex_ != r + 1) {
        underImage_ = face(r + 1, false);
        underImageIndex_ = r + 1;
    }
    // So are the pages parked left of the sheet in a turn either way, and the warp is readied.
    std::erase_if(parked_, [r](const auto& entry) { return entry.first != r - 1 && entry.first != r - 2; });
    for (int i : {r - 1, r - 2})
        if (i >= 0 && i < pageCount_) parkedImage(i);
    parkedFrame_ = QImage();  // the parked images hold it
    pagecurl::prepare(bookSize_, dpr_);
    emit needsRepaint();
}

const QImage* BookPageTurn::frontImage(int index) {
    auto it = faces_.find(index);
    if (it != faces_.end() && !it->second.front.isNull()) return &it->second.front;
    if (underImageIndex_ == index && !underImage_.isNull()) return &underImage_;
    return nullptr;
}

// ---------------------------------------------------------------- animation

void BookPageTurn::animate(Track& track, double from, double to, const Curve& curve,
                           std::function<void()> completion) {
    track.active = true;
    track.from = from;
    track.to = to;
    track.start = now();
    track.curve = curve;
    track.completion = std::move(completion);
    ensureTimer();
}

void BookPageTurn::stopTracks() {
    angleTrack_.active = bendTrack_.active = leanTrack_.active = false;
    angleTrack_.completion = {};
}

bool BookPageTurn::isAnimating() const {
    return angleTrack_.active || bendTrack_.active || leanTrack_.active;
}

void BookPageTurn::ensureTimer() {
    if (timer_) return;
    QPointer<BookPageTurn> self(this);
    timer_ = scheduler_->every(1.0 / 60.0, [self] {
        if (self) self->step();
    });
}

void BookPageTurn::step() {
    const double t = now();
    std::function<void()> done;
    auto run = [&](Track& track, void (BookPageMotion::*set)(double)) {
        if (!track.active) return;
        const double e = t - track.start;
        if (track.curve.isComplete(e)) {
            (motion_.*set)(track.to);
            track.active = false;
            if (track.completion) done = std::move(track.completion);
            track.completion = {};
        } else {
            (motion_.*set)(track.from + (track.to - track.from) * track.curve.value(e));
        }
    };
    run(bendTrack_, &BookPageMotion::setBend);
    run(leanTrack_, &BookPageMotion::setLean);
    run(angleTrack_, &BookPageMotion::setAngle);
    if (!isAnimating() && timer_) {
        scheduler_->cancel(timer_);
        timer_ = 0;
    }
    if (done) done();
}

void BookPageTurn::motionChanged() {
    // Mid-turn the pages under the sheet stand still: only the sheet's old and new places change.
    if (activeTurn_ && motion_.lean() == 0 && drawnTurn_ == activeTurn_ && !sheetDrawn_.isEmpty())
        emit sheetMoved(sheetDrawn_.united(sheetBounds()));
    else
        emit needsRepaint();
}

// ---------------------------------------------------------------- turn logic

void BookPageTurn::requestPage(int i) {
    const int r = restingPageIndex();
    if (i == r || i < 0 || i >= pageCount_ || activeTurn_ || controller_.isSettling()) {
        if (currentPageIndex_ != r && !activeTurn_) writeCurrentPageIndex(r);
        return;
    }
    if (reduceMotion_) {
        if (onTurn_) onTurn_();
        restingIndex_ = i;
        writeCurrentPageIndex(i);
        if (onCommittedTurn_) onCommittedTurn_();
        emit needsRepaint();
        return;
    }
    const int lo = std::min(r, i), hi = std::max(r, i);
    const bool forward = r < i;
    sheetFaces(lo);
    if (forward && underImageIndex_ != hi) {
        underImage_ = face(hi, false);
        underImageIndex_ = hi;
    }
    stopTracks();
    motion_.setLean(0);
    const Turn turn{lo, hi, i, forward};
    activeTurn_ = turn;
    motion_.setAngle(forward ? 0 : -180);
    motion_.setBend(forward ? 1 : -1);
    controller_.setTurning(true);
    emit needsRepaint();
    // The settle starts on the next pass of the event loop.
    QPointer<BookPageTurn> self(this);
    scheduler_->after(0, [self, turn] {
        if (self) self->turnTo(turn);
    });
}

void BookPageTurn::turnTo(const Turn& turn) {
    if (activeTurn_ != turn || controller_.isSettling()) return;
    animateTurn(turn, true, Curve::bezier(0.74, 0.3, 0.02, 0.22, 1.0));
}

void BookPageTurn::animateTurn(const Turn& turn, bool committing, const Curve& curve) {
    controller_.setSettling(true);
    if (committing && onTurn_) onTurn_();
    const double target = committing == turn.forward ? -180.0 : 0.0;
    const double bendTarget = motion_.angle() > target ? 1.0 : -1.0;
    animate(bendTrack_, motion_.bend(), bendTarget, Curve::spring(0.4, 1.0));
    QPointer<BookPageTurn> self(this);
    animate(angleTrack_, motion_.angle(), target, curve, [self, turn, committing] {
        if (self) self->finishTurn(turn, committing);
    });
}

void BookPageTurn::finishTurn(const Turn& turn, bool committed) {
    drawnTurn_.reset();
    underImage_ = QImage();
    underImageIndex_ = -1;
    stopTracks();
    if (committed) restingIndex_ = turn.targetIndex;
    activeTurn_.reset();
    motion_.setAngle(0);
    motion_.setBend(0);
    motion_.setLean(0);
    if (committed) {
        if (currentPageIndex_ != turn.targetIndex) writeCurrentPageIndex(turn.targetIndex);
        if (onCommittedTurn_) onCommittedTurn_();
    }
    controller_.setTurning(false);
    controller_.setSettling(false);
    warmFaces();
    emit needsRepaint();
}

void BookPageTurn::dragChanged(double t, double width) {
    if (controller_.isSettling() || reduceMotion_) return;
    const int r = restingPageIndex();
    if (!activeTurn_) {
        Turn turn;
        if (t < 0 && r < pageCount_ - 1) {
            turn = Turn{r, r + 1, r + 1, true};
        } else if (t > 0 && r > 0) {
            turn = Turn{r - 1, r, r - 1, false};
        } else {
            leanTrack_.active = false;
            motion_.setLean(t / 28);
            return;
        }
        sheetFaces(turn.overlayIndex);
        if (turn.forward && underImageIndex_ != turn.underIndex) {
            underImage_ = face(turn.underIndex, false);
            underImageIndex_ = turn.underIndex;
        }
        stopTracks();
        activeTurn_ = turn;
        dragOrigin_ = t;
        motion_.setAngle(turn.forward ? 0 : -180);
        motion_.setLean(0);
        motion_.setBend(turn.forward ? -0.5 : 0.5);
        controller_.setTurning(true);
    }
    const double d = (t - dragOrigin_) / (std::max(width, 1.0) * dragGain);
    double p = activeTurn_->forward ? -d : 1 - d;
    p = std::clamp(p, 0.0, 1.0);
    motion_.setAngle(pageturn::angleForProgress(p));
}

void BookPageTurn::dragEnded(double t, double predictedEndX, double currentX, double width) {
    if (reduceMotion_) {
        const int r = restingPageIndex();
        if (t < -50) requestPage(r + 1);
        else if (t > 50) requestPage(r - 1);
        return;
    }
    if (!activeTurn_) {
        animate(leanTrack_, motion_.lean(), 0, Curve::spring(0.35, 0.8));
        return;
    }
    if (controller_.isSettling()) return;
    const Turn turn = *activeTurn_;
    const double scale = std::max(width, 1.0) * dragGain;
    const double v = -4 * (predictedEndX - currentX) / scale;
    const double p = pageturn::progressForAngle(motion_.angle());
    const double projected = p + 0.22 * v;
    const bool commit = turn.forward ? (p > 0.42 || projected > 0.62) : (p < 0.58 || projected < 0.38);
    const double target = commit == turn.forward ? -180.0 : 0.0;
    const double delta = target - motion_.angle();
    double iv = 0;
    if (std::abs(delta) >= 0.5) {
        const double s = 1 - 2 * p;
        const double k = -(2 / std::max(std::sqrt(std::max(0.0, 1 - s * s)), 0.3)) * 180 / pi;
        iv = std::clamp(v * k / delta, -3.0, 14.0);
    }
    animateTurn(turn, commit, Curve::spring(0.56, 1.0, iv));
}

void BookPageTurn::isDraggingChanged(bool dragging) {
    if (dragging || !activeTurn_ || controller_.isSettling()) return;
    const double p = pageturn::progressForAngle(motion_.angle());
    const bool commit = activeTurn_->forward ? p > 0.5 : p < 0.5;
    animateTurn(*activeTurn_, commit, Curve::spring(0.56, 1.0));
}

// ---------------------------------------------------------------- input

bool BookPageTurn::hitTest(const QPointF& local) const {
    return bookSize_.width() > 1 && bookSize_.height() > 1 &&
           QRectF(QPointF(0, 0), bookSize_).contains(local);
}

void BookPageTurn::mousePressed(const QPointF& local) {
    if (!hitTest(local)) return;
    pressed_ = true;
    pressPoint_ = local;
    sampleCount_ = 0;
}

void BookPageTurn::mouseMoved(const QPointF& local) {
    if (!pressed_) return;
    const QPointF tr = local - pressPoint_;
    // Keep the last few positions for the release speed.
    if (sampleCount_ == 8) {
        std::move(samples_ + 1, samples_ + 8, samples_);
        sampleCount_ = 7;
    }
    samples_[sampleCount_++] = Sample{now(), local.x()};
    if (!dragging_) {
        if (std::hypot(tr.x(), tr.y()) < dragMinimumDistance) return;
        dragging_ = true;
        isDraggingChanged(true);
    }
    dragChanged(tr.x(), bookSize_.width());
}

void BookPageTurn::mouseReleased(const QPointF& local) {
    if (!pressed_) return;
    pressed_ = false;
    if (!dragging_) return;
    mouseMoved(local);
    pressed_ = false;
    // Where the pointer would come to rest: its speed over the last ~0.1 s, carried for 0.25 s.
    double vx = 0;
    if (sampleCount_ >= 2) {
        const Sample& last = samples_[sampleCount_ - 1];
        int k = sampleCount_ - 2;
        while (k > 0 && last.t - samples_[k].t < 0.1) --k;
        const double dt = last.t - samples_[k].t;
        if (dt > 1e-4) vx = (last.x - samples_[k].x) / dt;
    }
    const double tx = local.x() - pressPoint_.x();
    dragEnded(tx, local.x() + vx * 0.25, local.x(), bookSize_.width());
    dragging_ = false;
    isDraggingChanged(false);
}

void BookPageTurn::dragCancelled() {
    pressed_ = false;
    if (!dragging_) return;
    dragging_ = false;
    isDraggingChanged(false);
    // A lean does not stay behind when the drag goes away without an end.
    if (!activeTurn_ && motion_.lean() != 0) animate(leanTrack_, motion_.lean(), 0, Curve::spring(0.35, 0.8));
}

bool BookPageTurn::keyPressed(int key) {
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_PageDown: accessibilityNextPage(); return true;
    case Qt::Key_Left:
    case Qt::Key_PageUp: accessibilityPreviousPage(); return true;
    default: return false;
    }
}

void BookPageTurn::accessibilityNextPage() { requestPage(restingPageIndex() + 1); }
void BookPageTurn::accessibilityPreviousPage() { requestPage(restingPageIndex() - 1); }

// ---------------------------------------------------------------- drawing

namespace {
constexpr double kFrameMargin = 10;  // points of shadow around the parked page

// Draws `image` at `topLeft` pixel for pixel when the painter draws at the image's own pixel ratio;
// any other painter scales it as usual.
void blitImage(QPainter& painter, const QPointF& topLeft, const QImage& image) {
    const QTransform t = painter.deviceTransform();
    const double r = image.devicePixelRatio();
    if (t.type() > QTransform::TxScale || std::abs(t.m11() - r) > 1e-6 || std::abs(t.m22() - r) > 1e-6)
        painter.drawImage(topLeft, image);
    else
        pagecurl::blitAtDevicePixels(painter, t.map(topLeft), image, image.rect());
}
}  // namespace

void BookPageTurn::paint(QPainter& painter, const QPointF& origin) {
    const double W = bookSize_.width(), H = bookSize_.height();
    if (!(W > 1 && H > 1)) return;
    if (!restingIndex_) appear();
    // The still pages are images drawn at rest, so a turn's first frame costs no more than the rest.
    paintStack(painter, origin);
    if (!activeTurn_) return;
    drawTurningSheet(painter, origin);
    if (motion_.lean() == 0) drawnTurn_ = activeTurn_;
}

void BookPageTurn::paintStack(QPainter& painter, const QPointF& origin) {
    const double W = bookSize_.width(), H = bookSize_.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    // The back of the previous sheet, lying left of the page with its shadow.
    if (const auto parked = parkedPageIndex()) {
        const QRectF rect(origin.x() - W, origin.y(), W, H);
        if (const QImage* whole = parkedImage(*parked)) {
            blitImage(painter, rect.topLeft() - QPointF(kFrameMargin, kFrameMargin), *whole);
        } else {
            blitImage(painter, rect.topLeft() - QPointF(kFrameMargin, kFrameMargin), parkedFrame());
        }
    }

    // The visible page, leaned when a drag cannot turn it.
    {
        const QRectF rect(origin, bookSize_);
        const int v = visiblePageIndex();
        painter.save();
        if (motion_.lean() != 0) painter.setTransform(pagecurl::leanTransform(motion_.lean(), origin, bookSize_), true);
        if (pageCount_ > 0) {
            if (const QImage* img = frontImage(v)) blitImage(painter, rect.topLeft(), *img);
            else if (page_) page_(painter, rect, v);
        }
        painter.restore();
    }
    painter.restore();
}

const QImage& BookPageTurn::parkedFrame() {
    const double W = bookSize_.width(), H = bookSize_.height();
    const QSize px(int(std::ceil((W + 2 * kFrameMargin) * dpr_)), int(std::ceil((H + 2 * kFrameMargin) * dpr_)));
    if (parkedFrame_.size() == px && parkedFrame_.devicePixelRatio() == dpr_) return parkedFrame_;
    // Drawn once: smoothing these outlines costs more than a whole frame of the turn.
    parkedFrame_ = QImage(px, QImage::Format_ARGB32_Premultiplied);
    parkedFrame_.setDevicePixelRatio(dpr_);
    parkedFrame_.fill(Qt::transparent);
    QPainter painter(&parkedFrame_);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const QRectF rect(kFrameMargin, kFrameMargin, W, H);
    // Soft shadow as rings around the page (the page covers the inside), then the black board.
    for (int i = 4; i >= 1; --i) {
        QColor c = shadowColor_;
        c.setAlphaF(c.alphaF() * 0.22 * (5 - i) / 4.0);
        const double g = i * 2.0;
        QPainterPath ring;
        ring.setFillRule(Qt::OddEvenFill);
        ring.addRoundedRect(rect.adjusted(-g, -g, g, g), cornerRadius_ + g, cornerRadius_ + g);
        ring.addRoundedRect(rect.adjusted(-g + 2, -g + 2, g - 2, g - 2), cornerRadius_ + g - 2, cornerRadius_ + g - 2);
        painter.fillPath(ring, c);
    }
    QPainterPath board;
    board.setFillRule(Qt::OddEvenFill);
    board.addRoundedRect(rect, cornerRadius_, cornerRadius_);
    board.addRect(rect.adjusted(cornerRadius_, cornerRadius_, -cornerRadius_, -cornerRadius_));
    painter.fillPath(board, Qt::black);
    return parkedFrame_;
}

const QImage* BookPageTurn::parkedImage(int index) {
    if (auto it = parked_.find(index); it != parked_.end()) return &it->second.second;
    QImage back;
    if (auto it = faces_.find(index); it != faces_.end()) back = it->second.back;
    if (back.isNull()) back = face(index, true);
    if (back.isNull()) return nullptr;
    for (const auto& [i, entry] : parked_)
        if (entry.first == back.cacheKey()) return &parked_.emplace(index, entry).first->second.second;
    QImage whole = parkedFrame().copy();
    {
        QPainter p(&whole);
        blitImage(p, QPointF(kFrameMargin, kFrameMargin), back);
    }
    return &parked_.emplace(index, std::make_pair(back.cacheKey(), std::move(whole))).first->second.second;
}

QRectF BookPageTurn::sheetBounds() const {
    const double W = bookSize_.width(), H = bookSize_.height();
    pagecurl::CurlArguments args;
    pagecurl::curlArguments(motion_.angle(), motion_.bend(), W, H, args);
    double scale = 1;
    for (int i = 0; i < pagecurl::sampleCount; ++i) scale = std::max(scale, double(args.scale(i)));
    // The cast shadow reaches 0.22 page widths past the sheet; a pixel of margin for the filter.
    const double reach = 0.22 * W * args.lift + 2;
    const double half = H / 2 * scale + 3;
    return QRectF(QPointF(std::max(args.minX - reach, -W - 2), H / 2 - half),
                  QPointF(std::min(args.maxX + reach, W + 2), H / 2 + half));
}

void BookPageTurn::drawTurningSheet(QPainter& painter, const QPointF& origin) {
    sheetDrawn_ = sheetBounds();
    const SheetFaces& f = sheetFaces(activeTurn_->overlayIndex);
    pagecurl::CurlArguments args;
    pagecurl::curlArguments(motion_.angle(), motion_.bend(), bookSize_.width(), bookSize_.height(), args);
    pagecurl::SheetGeometry g;
    g.pageTopLeft = origin;
    g.pageSize = bookSize_;
    g.hasParkedPage = activeTurn_->overlayIndex > 0;
    g.cornerRadius = cornerRadius_;
    pagecurl::drawSheet(painter, f.front, f.back, args, g);
}

}  // namespace kp
