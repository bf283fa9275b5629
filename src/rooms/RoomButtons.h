#pragma once
// The album and coin buttons of the room's top bar, and the small kit the chrome shares: its
// palette, its fonts and the easing of its animations.
//
// The album button opens the keepsake album and wears a dot while keepsakes are unseen. The coin
// button opens the shop and, for 2.2 s after each coin gain, hangs the amount under the coin.
#include "life/Wallet.h"
#include "platform/Scheduler.h"
#include "scenery/PoolPaint.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QPainter;

namespace kp {

class Clock;
class NotificationCenter;

namespace chrome {

// The chrome's palette.
const QColor& cream();      // "#F7F4F0": text on dark capsules
const QColor& ink();        // "#2C2622": icons over the wall
const QColor& darkInk();    // "#1A1614": selected tab's symbol, card backgrounds
// `a` moved a share `t` (0...1) of the way to `b`, alpha included.
QColor mixed(const QColor& a, const QColor& b, double t);
// The contrast ratio of two colours (1 ... 21), by their relative luminance.
double contrastRatio(const QColor& a, const QColor& b);
// The ink for an icon standing straight on `behind`: the dark ink, or cream where the dark ink
// would fall under a contrast of 3:1 (a dark wall at night, a night sky).
QColor inkOver(const QColor& behind);
const QColor& paper();      // "#F4EDE6": selected tab, card buttons
const QColor& warning();    // "#F4505E"
// `c` with its opacity multiplied by `opacity`.
QColor withOpacity(QColor c, double opacity);

// The chrome's rounded sans-serif face at `size` points (points are pixels here).
QFont font(double size, QFont::Weight weight);

// Ease-out share of an animation `duration` seconds long.
double easeOutProgress(double elapsed, double duration);

// A piece of chrome that rarely changes, kept as an image at the painter's device scale and
// blitted each frame (translucent fills are slow to rasterise; a blit is not). Drawn again after
// `invalidate()`, or when the size or the scale changes.
class LayerCache {
public:
    LayerCache();
    ~LayerCache();
    LayerCache(const LayerCache&) = delete;
    LayerCache& operator=(const LayerCache&) = delete;

    // Draws the layer on a pool thread (see paintInPool) at pixel ratios where frames may be
    // handed off: there its larger fills would be split over the pool.
    void setDrawnInPool(bool inPool) { inPool_ = inPool; }
    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_; }
    // The kept colour at `point` (coordinates of the layer's rect); transparent when none.
    QColor colorAt(QPointF point) const;  // `point` from the rect's top-left
    // Draws the layer covering `rect` (room coordinates): `paint(QPainter&)` draws it in those
    // same coordinates when the image has to be made again.
    template <typename F>
    void draw(QPainter& p, const QRectF& rect, F&& paint) {
        if (QPainter* q = begin(p, rect)) {
            if (inPool_)
                scenery::paintLargeFills(scale_, [&] { paint(*q); });
            else
                paint(*q);
            end();
        }
        blit(p, rect);
    }

private:
    // A painter on the cleared, sized image when it must be drawn again; else null.
    QPainter* begin(QPainter& p, const QRectF& rect);
    void end();
    void blit(QPainter& p, const QRectF& rect) const;

    std::unique_ptr<QPainter> painter_;
    QImage image_;
    QSizeF size_;
    double scale_ = 0;
    bool valid_ = false;
    bool inPool_ = false;
};

}  // namespace chrome

// Posts `name` on `center` with no object.
void postNotification(NotificationCenter& center, std::string_view name);

class AlbumButton {
public:
    static constexpr double iconSize = 12;
    static constexpr double frameSide = 14;
    static constexpr double badgeSide = 6;
    static constexpr const char* help = "Album";

    // `unseen` reads the album's count of keepsakes not yet seen; none: never a dot.
    explicit AlbumButton(std::function<int()> unseen = {}) : unseen_(std::move(unseen)) {}
    void setUnseenSource(std::function<int()> unseen) { unseen_ = std::move(unseen); }

    bool showsBadge() const { return unseen_ && unseen_() > 0; }
    // The dot, beside the top-trailing corner of an icon in `frame`.
    static QRectF badgeRect(const QRectF& frame);
    // The book, and the dot while keepsakes are unseen.
    void paint(QPainter& p, const QRectF& frame, const QColor& ink = QColor()) const;
    // Opens the album window.
    static void openAlbum(NotificationCenter& center);

private:
    std::function<int()> unseen_;
};

class CoinButton {
public:
    static constexpr double coinSize = 13;
    static constexpr double gainSize = 9;
    static constexpr double gainDrop = 18;        // the label hangs this far below the coin
    static constexpr double showSeconds = 2.2;
    static constexpr double hideSeconds = 0.4;    // the label's leaving
    // The amounts the label shows; a gain beyond them shows the nearest.
    static constexpr long long shownLeast = -999999;
    static constexpr long long shownMost = 9999999;

    // Watches `wallet` from now on: a gain already there when the button is made shows nothing.
    // The clock's monotonic time times the label's motion; the scheduler ends each pop-up.
    CoinButton(Wallet& wallet, Clock& clock, Scheduler& scheduler);
    ~CoinButton();
    CoinButton(const CoinButton&) = delete;
    CoinButton& operator=(const CoinButton&) = delete;

    // The gain now on show.
    const std::optional<Wallet::Gain>& gain() const { return gain_; }
    // "<coins> coins: the shop", the button's tooltip.
    const QString& helpText();

    // A new value of the wallet's last gain.
    void showGain(const std::optional<Wallet::Gain>& gain);

    // The coin in `frame` (13 x 13) and the gain label below it.
    void paint(QPainter& p, const QRectF& frame);
    // Where the gain label stands when fully shown, for a coin in `frame`.
    static QRectF gainRect(const QRectF& frame, int amount);
    // Where a gain label of any amount may draw, from its slide in to its leaving.
    static QRectF gainReach(const QRectF& frame);

    // Opens the settings window on the shop.
    static void openShop(NotificationCenter& center);

private:
    void hideGainLater(Wallet::Gain held);
    void walletGainChanged();

    Wallet& wallet_;
    Clock& clock_;
    Scheduler& scheduler_;
    std::optional<Wallet::Gain> seen_;  // the last value of the wallet's gain seen
    std::optional<Wallet::Gain> gain_;
    double shownAt_ = 0;                // monotonic
    std::optional<Wallet::Gain> leaving_;
    double leftAt_ = 0;                 // monotonic
    long long helpCoins_ = -1;
    QString help_;
    // Lets a pending hide find out the button is gone.
    std::shared_ptr<CoinButton*> self_;
    QMetaObject::Connection connection_;
};

}  // namespace kp
