#pragma once
// The room's dark card: an icon at the left, a title and a message, and one or two buttons at
// the right. The pomodoro introduction and the tomato-clock offer are NotchCards.
//
// Everything that does not change (text layout, sizes) is worked out once when the card is made;
// painting it allocates nothing.
#include "rooms/RoomButtons.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QStaticText>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QTextLayout;

namespace kp {

class NotchCard {
public:
    // Draws the card's picture into its 30 x 28 frame.
    using Icon = std::function<void(QPainter& p, const QRectF& frame)>;
    using Action = std::function<void()>;

    static constexpr double iconWidth = 30;
    static constexpr double iconHeight = 28;
    static constexpr double spacing = 10;
    static constexpr double textWidth = 250;
    static constexpr double padX = 12;
    static constexpr double padY = 8;
    static constexpr double cornerRadius = 14;

    // `columnWidth`: the title and message column, narrower where the room has less space.
    NotchCard(QString title, QString message, QString primary, std::optional<QString> secondary, Action onPrimary,
              Action onSecondary, Icon icon, double columnWidth = textWidth);
    ~NotchCard();
    NotchCard(const NotchCard&) = delete;
    NotchCard& operator=(const NotchCard&) = delete;

    const QString& title() const { return title_; }
    const QString& message() const { return message_; }
    const QString& primary() const { return primary_; }
    const std::optional<QString>& secondary() const { return secondary_; }

    QSizeF size() const { return size_; }
    // The card's rectangle when centred on `centre`.
    QRectF frame(QPointF centre) const;
    QRectF primaryRect(QPointF centre) const;
    // None without a second button.
    std::optional<QRectF> secondaryRect(QPointF centre) const;
    QRectF iconRect(QPointF centre) const;

    // Draws the card centred on `centre`.
    void paint(QPainter& p, QPointF centre) const;

    void pressPrimary() const {
        if (onPrimary_) onPrimary_();
    }
    void pressSecondary() const {
        if (secondary_ && onSecondary_) onSecondary_();
    }

private:
    // Draws the card with its top-left at the origin.
    void draw(QPainter& p) const;

    QString title_;
    QString message_;
    QString primary_;
    std::optional<QString> secondary_;
    Action onPrimary_;
    Action onSecondary_;
    Icon icon_;

    // Laid out at construction, relative to the card's top-left.
    QSizeF size_;
    std::unique_ptr<QTextLayout> titleLayout_;
    QRectF tomatoRect_;  // relative to the title's top-left
    QStaticText messageText_;
    QStaticText primaryText_;
    QStaticText secondaryText_;
    bool titleTomato_ = false;  // the title's tomato is drawn, the face lacking it
    QPointF titlePos_;
    QPointF messagePos_;
    QRectF primaryRect_;
    QRectF secondaryRect_;
    QRectF iconRect_;
    mutable chrome::LayerCache cache_;
};

}  // namespace kp
