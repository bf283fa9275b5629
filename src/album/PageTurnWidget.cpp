#include "album/PageTurnWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kp {

BookPageTurnWidget::BookPageTurnWidget(PageTurnController& controller, QWidget* parent,
                                       Scheduler* scheduler, Clock* clock)
    : QWidget(parent), turn_(controller, scheduler, clock) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    connect(&turn_, &BookPageTurn::needsRepaint, this, qOverload<>(&QWidget::update));
}

void BookPageTurnWidget::setPageRect(const QRectF& rect) {
    pageRect_ = rect;
    turn_.setBookSize(rect.size());
    update();
}

void BookPageTurnWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    turn_.setDevicePixelRatio(devicePixelRatioF());
    turn_.paint(p, pageRect_.topLeft());
}

void BookPageTurnWidget::showEvent(QShowEvent*) { turn_.appear(); }

void BookPageTurnWidget::mousePressEvent(QMouseEvent* e) {
    const QPointF local = e->position() - pageRect_.topLeft();
    if (e->button() != Qt::LeftButton || !turn_.hitTest(local)) {
        e->ignore();
        return;
    }
    turn_.mousePressed(local);
}

void BookPageTurnWidget::mouseMoveEvent(QMouseEvent* e) { turn_.mouseMoved(e->position() - pageRect_.topLeft()); }

void BookPageTurnWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    turn_.mouseReleased(e->position() - pageRect_.topLeft());
}

void BookPageTurnWidget::keyPressEvent(QKeyEvent* e) {
    if (!turn_.keyPressed(e->key())) QWidget::keyPressEvent(e);
}

void BookPageTurnWidget::focusOutEvent(QFocusEvent* e) {
    turn_.dragCancelled();
    QWidget::focusOutEvent(e);
}

}  // namespace kp
