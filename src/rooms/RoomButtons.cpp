#include "rooms/RoomButtons.h"

#include "core/Notifications.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/NotificationCenter.h"
#include "platform/Spring.h"
#include "rooms/TopBarIcons.h"
#include "scenery/CoinIcon.h"
#include "scenery/Sprites.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <string>

namespace kp {
namespace chrome {

const QColor& cream() {
    static const QColor c = colorFromHex("#F7F4F0");
    return c;
}
const QColor& ink() {
    static const QColor c = colorFromHex("#2C2622");
    return c;
}
const QColor& darkInk() {
    static const QColor c = colorFromHex("#1A1614");
    return c;
}
const QColor& paper() {
    static const QColor c = colorFromHex("#F4EDE6");
    return c;
}
const QColor& warning() {
    static const QColor c = colorFromHex("#F4505E");
    return c;
}

QColor withOpacity(QColor c, double opacity) {
    c.setAlphaF(static_cast<float>(c.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return c;
}

QFont font(double size, QFont::Weight weight) {
    // A rounded face when there is one, else a narrow sans: the pill's column is only 60 wide.
    QFont f;
    f.setFamilies({QStringLiteral("Nunito"), QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    // Half sizes go down: the fallback face runs wide.
    f.setPixelSize(std::max(1, static_cast<int>(std::floor(size))));
    // The fallback faces have no semibold; bold reads closer than regular.
    f.setWeight(weight == QFont::DemiBold ? QFont::Bold : weight);
    return f;
}

double easeOutProgress(double elapsed, double duration) {
    if (elapsed <= 0) return 0;
    if (duration <= 0 || elapsed >= duration) return 1;
    const double u = elapsed / duration;
    return 1 - (1 - u) * (1 - u);
}

QColor mixed(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    const QColor ra = a.toRgb();
    const QColor rb = b.toRgb();
    QColor out;
    out.setRgbF(static_cast<float>(ra.redF() + (rb.redF() - ra.redF()) * t),
                static_cast<float>(ra.greenF() + (rb.greenF() - ra.greenF()) * t),
                static_cast<float>(ra.blueF() + (rb.blueF() - ra.blueF()) * t),
                static_cast<float>(ra.alphaF() + (rb.alphaF() - ra.alphaF()) * t));
    return out;
}

double contrastRatio(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor inkOver(const QColor& behind) { return contrastRatio(ink(), behind) >= 3 ? ink() : cream(); }

LayerCache::LayerCache() = default;
LayerCache::~LayerCache() = default;

QPainter* LayerCache::begin(QPainter& p, const QRectF& rect) {
    const QTransform& m = p.deviceTransform();
    // Kept at whole or half device scales, so that a card growing in keeps one image.
    const double scale = std::max(0.5, std::ceil(std::hypot(m.m11(), m.m12()) * 2 - 1e-6) / 2);
    if (valid_ && scale == scale_ && rect.size() == size_) return nullptr;
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(rect.width() * scale))),
                       std::max(1, static_cast<int>(std::ceil(rect.height() * scale))));
    if (image_.size() != pixels) image_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(scale);
    image_.fill(Qt::transparent);
    size_ = rect.size();
    scale_ = scale;
    valid_ = true;
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->translate(-rect.topLeft());
    return painter_.get();
}

void LayerCache::end() { painter_.reset(); }

QColor LayerCache::colorAt(QPointF point) const {
    const QPoint px = (point * scale_).toPoint();
    if (image_.isNull() || !image_.rect().contains(px)) return Qt::transparent;
    return image_.pixelColor(px);
}

void LayerCache::blit(QPainter& p, const QRectF& rect) const { p.drawImage(rect.topLeft(), image_); }

}  // namespace chrome

void postNotification(NotificationCenter& center, std::string_view name) { center.post(name); }

// --- Album ---

QRectF AlbumButton::badgeRect(const QRectF& frame) {
    return {frame.right() - badgeSide + 3, frame.top() - 2, badgeSide, badgeSide};
}

void AlbumButton::paint(QPainter& p, const QRectF& frame, const QColor& ink) const {
    paintChromeIcon(p, ChromeIcon::book, frame.center(), iconSize, ink.isValid() ? ink : chrome::ink());
    if (!showsBadge()) return;
    static const QColor dot = colorFromHex("#F28AA0");
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    p.drawEllipse(badgeRect(frame));
    p.restore();
}

void AlbumButton::openAlbum(NotificationCenter& center) { postNotification(center, note::openAlbum); }

// --- Coins ---

CoinButton::CoinButton(Wallet& wallet, Clock& clock, Scheduler& scheduler)
    : wallet_(wallet), clock_(clock), scheduler_(scheduler), seen_(wallet.lastGain()),
      self_(std::make_shared<CoinButton*>(this)) {
    connection_ = QObject::connect(&wallet_, &Wallet::lastGainChanged, [this] { walletGainChanged(); });
}

CoinButton::~CoinButton() {
    QObject::disconnect(connection_);
    *self_ = nullptr;
}

const QString& CoinButton::helpText() {
    if (wallet_.coins() != helpCoins_) {
        helpCoins_ = wallet_.coins();
        help_ = QString::number(helpCoins_) + QStringLiteral(" coins: the shop");
    }
    return help_;
}

void CoinButton::walletGainChanged() {
    // Only a change of value counts: the same gain announced again shows nothing new.
    const std::optional<Wallet::Gain> now = wallet_.lastGain();
    if (now == seen_) return;
    seen_ = now;
    showGain(now);
}

void CoinButton::showGain(const std::optional<Wallet::Gain>& gain) {
    if (!gain) return;
    // A label on show is replaced in place; one still leaving goes at once.
    if (!gain_) shownAt_ = clock_.monotonic();
    leaving_.reset();
    gain_ = gain;
    hideGainLater(*gain);
}

void CoinButton::hideGainLater(Wallet::Gain held) {
    // Never cancelled: each hide clears only its own gain, so a newer gain outlives it.
    std::weak_ptr<CoinButton*> weak = self_;
    scheduler_.after(showSeconds, [weak, held] {
        const auto alive = weak.lock();
        if (!alive || !*alive) return;
        CoinButton& button = **alive;
        if (button.gain_ != held) return;
        button.leaving_ = button.gain_;
        button.leftAt_ = button.clock_.monotonic();
        button.gain_.reset();
    });
}

QRectF CoinButton::gainRect(const QRectF& frame, int amount) {
    const CoinGainLabel label{amount, gainSize};
    const QSizeF size = label.frameSize();
    // Bottom edges aligned, then dropped below the coin.
    return {frame.center().x() - size.width() / 2, frame.bottom() - size.height() + gainDrop, size.width(),
            size.height()};
}

QRectF CoinButton::gainReach(const QRectF& frame) {
    const QRectF widest = gainRect(frame, static_cast<int>(shownMost)) | gainRect(frame, static_cast<int>(shownLeast));
    // It slides in from a height above its place, and the spring carries it a little past it.
    return widest.adjusted(0, -widest.height(), 0, 1);
}

void CoinButton::paint(QPainter& p, const QRectF& frame) {
    // The coin is the same in every frame: a kept picture.
    const QRectF coin(frame.center().x() - coinSize / 2, frame.center().y() - coinSize / 2, coinSize, coinSize);
    p.save();
    p.translate(coin.topLeft());
    scenery::drawSprite(p, 0x434F494E00000000ull | static_cast<std::uint64_t>(std::lround(coinSize * 16)),
                        QRectF(-1, -1, coinSize + 2, coinSize + 2), [](QPainter& q) { CoinIcon{coinSize}.paint(q); });
    p.restore();

    const double now = clock_.monotonic();
    std::optional<Wallet::Gain> shown;
    double progress = 1;  // 1 fully in place, 0 up at the coin and transparent
    if (gain_) {
        shown = gain_;
        progress = springProgress(now - shownAt_, 0.4, 0.7);
    } else if (leaving_) {
        const double out = chrome::easeOutProgress(now - leftAt_, hideSeconds);
        if (out >= 1) {
            leaving_.reset();
            return;
        }
        shown = leaving_;
        progress = 1 - out;
    }
    if (!shown) return;

    const int amount = static_cast<int>(std::clamp(shown->amount, shownLeast, shownMost));
    const QRectF rect = gainRect(frame, amount);
    p.save();
    // Slides down from above its place while it fades in, and back up as it leaves.
    p.setOpacity(p.opacity() * std::clamp(progress, 0.0, 1.0));
    p.translate(0, -(1 - progress) * rect.height());
    CoinGainLabel{amount, gainSize}.paint(p, rect);
    p.restore();
}

void CoinButton::openShop(NotificationCenter& center) { center.post(note::openFullSettings, std::string("shop")); }

}  // namespace kp
