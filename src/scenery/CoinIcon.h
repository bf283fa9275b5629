#pragma once
// The coin of the pomodoro and the shop, and the "+N" label that pops up when coins are earned.
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kp {

struct CoinIcon {
    double size = 13;  // the coin's diameter in points

    QSizeF frameSize() const { return {size, size}; }
    // Draws the coin in its own frame (0, 0, size, size).
    void paint(QPainter& p) const;
    // Draws the coin centred in `frame` at its own size.
    void paint(QPainter& p, const QRectF& frame) const;
};

struct CoinGainLabel {
    int amount = 0;    // coins gained; reads "+12", a negative amount "+-3"
    double size = 9;   // the text's point size and the coin's diameter

    // The label's ideal size: the text, 2 points, the coin.
    QSizeF frameSize() const;
    // Draws in its own frame (0, 0, frameSize()).
    void paint(QPainter& p) const;
    // Draws centred in `frame` at its ideal size.
    void paint(QPainter& p, const QRectF& frame) const;
};

}  // namespace kp
