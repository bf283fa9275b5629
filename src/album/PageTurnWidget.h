#pragma once
// A plain widget that hosts a BookPageTurn, for hosts that place the page turn as a child widget.
// The widget should cover the page, the page to its left and 0.3 page heights above and below it
// (the parked page and a lifted sheet are drawn there); `setPageRect` says where the page lies.
#include "album/PageTurn.h"

#include <QWidget>

namespace kp {

class BookPageTurnWidget final : public QWidget {
    Q_OBJECT
public:
    explicit BookPageTurnWidget(PageTurnController& controller, QWidget* parent = nullptr,
                                Scheduler* scheduler = nullptr, Clock* clock = nullptr);

    BookPageTurn& turn() { return turn_; }
    // The page's frame in widget coordinates; its size becomes the page-turn view's size.
    void setPageRect(const QRectF& rect);
    QRectF pageRect() const { return pageRect_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    BookPageTurn turn_;
    QRectF pageRect_;
};

}  // namespace kp
