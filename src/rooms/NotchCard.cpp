#include "rooms/NotchCard.h"

#include "rooms/RoomButtons.h"
#include "platform/Color.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace kp {
namespace {

constexpr double kTitleSize = 11;
constexpr double kMessageSize = 9.5;
constexpr double kPrimarySize = 10;
constexpr double kSecondarySize = 9;
constexpr double kTomatoWidth = 12;  // the title's drawn tomato
constexpr char32_t kTomato = 0x1F345;

const QFont& titleFont() {
    static const QFont f = chrome::font(kTitleSize, QFont::Bold);
    return f;
}
const QFont& messageFont() {
    static const QFont f = chrome::font(kMessageSize, QFont::Medium);
    return f;
}
const QFont& primaryFont() {
    static const QFont f = chrome::font(kPrimarySize, QFont::Bold);
    return f;
}
const QFont& secondaryFont() {
    static const QFont f = chrome::font(kSecondarySize, QFont::DemiBold);
    return f;
}

// A small ripe tomato with its green calyx, for titles whose face has no tomato.
void paintTomato(QPainter& p, const QRectF& box) {
    static const QColor red = colorFromHex("#E8503F");
    static const QColor shine = colorFromHex("#FF8A78");
    static const QColor green = colorFromHex("#5DAA4E");
    const double w = box.width();
    p.save();
    p.translate(box.topLeft());
    p.scale(w / 12, w / 12);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(QRectF(0.5, 2.5, 11, 9));
    p.setBrush(shine);
    p.drawEllipse(QRectF(2.4, 4.4, 2.4, 1.6));
    p.setBrush(green);
    QPainterPath calyx;
    calyx.moveTo(6, 1.8);
    calyx.lineTo(8.9, 2.6);
    calyx.lineTo(7, 3.6);
    calyx.lineTo(7.6, 5.0);
    calyx.lineTo(6, 4.1);
    calyx.lineTo(4.4, 5.0);
    calyx.lineTo(5.0, 3.6);
    calyx.lineTo(3.1, 2.6);
    calyx.closeSubpath();
    p.drawPath(calyx);
    p.setPen(QPen(green, 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 2.4), QPointF(6.6, 0.5));
    p.restore();
}

}  // namespace

NotchCard::NotchCard(QString title, QString message, QString primary, std::optional<QString> secondary,
                     Action onPrimary, Action onSecondary, Icon icon, double columnWidth)
    : title_(std::move(title)), message_(std::move(message)), primary_(std::move(primary)),
      secondary_(std::move(secondary)), onPrimary_(std::move(onPrimary)), onSecondary_(std::move(onSecondary)),
      icon_(std::move(icon)) {
    const double textWidth = columnWidth;
    for (QStaticText* t : {&messageText_, &primaryText_, &secondaryText_}) {
        t->setTextFormat(Qt::PlainText);
        t->setPerformanceHint(QStaticText::AggressiveCaching);
    }

    // Title. A tomato the face cannot show is drawn after the words instead.
    const QFontMetricsF titleMetrics(titleFont());
    QString shownTitle = title_;
    const QString tomato = QString::fromUcs4(&kTomato, 1);
    if (shownTitle.endsWith(tomato) && !titleMetrics.inFontUcs4(kTomato)) {
        shownTitle.chop(tomato.size());
        shownTitle = shownTitle.trimmed();
        titleTomato_ = true;
    }
    // Wraps within the column like the message; the drawn tomato follows the last word.
    titleLayout_ = std::make_unique<QTextLayout>(shownTitle, titleFont());
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    titleLayout_->setTextOption(wrap);
    titleLayout_->beginLayout();
    double titleHeight = 0;
    QRectF lastLine;
    for (QTextLine line = titleLayout_->createLine(); line.isValid(); line = titleLayout_->createLine()) {
        line.setLineWidth(textWidth);
        line.setPosition(QPointF(0, titleHeight));
        lastLine = QRectF(0, titleHeight, line.naturalTextWidth(), line.height());
        titleHeight += line.height();
    }
    titleLayout_->endLayout();
    if (titleHeight <= 0) titleHeight = titleMetrics.height();
    if (titleTomato_) {
        const double lineHeight = lastLine.height() > 0 ? lastLine.height() : titleMetrics.height();
        if (lastLine.width() + 3 + kTomatoWidth <= textWidth) {
            tomatoRect_ = QRectF(lastLine.width() + 3, lastLine.top() + (lineHeight - kTomatoWidth) / 2 + 1,
                                 kTomatoWidth, kTomatoWidth);
        } else {
            tomatoRect_ = QRectF(0, titleHeight + (lineHeight - kTomatoWidth) / 2 + 1, kTomatoWidth, kTomatoWidth);
            titleHeight += lineHeight;
        }
    }

    // Message: wraps within the column, never cut.
    messageText_.setTextWidth(textWidth);
    messageText_.setText(message_);
    messageText_.prepare(QTransform(), messageFont());
    const double messageHeight = message_.isEmpty() ? 0 : messageText_.size().height();
    const double textHeight = titleHeight + 2 + messageHeight;

    // Buttons: a capsule for the main one, a bare label for the second.
    const QFontMetricsF pm(primaryFont());
    primaryText_.setText(primary_);
    primaryText_.prepare(QTransform(), primaryFont());
    const QSizeF primarySize(pm.horizontalAdvance(primary_) + 20, pm.height() + 8);
    QSizeF secondarySize(0, 0);
    if (secondary_) {
        const QFontMetricsF sm(secondaryFont());
        secondaryText_.setText(*secondary_);
        secondaryText_.prepare(QTransform(), secondaryFont());
        secondarySize = QSizeF(sm.horizontalAdvance(*secondary_), sm.height());
    }
    const double buttonsWidth = std::max(primarySize.width(), secondarySize.width());
    const double buttonsHeight = primarySize.height() + (secondary_ ? 3 + secondarySize.height() : 0);

    const double contentHeight = std::max({iconHeight, textHeight, buttonsHeight});
    size_ = QSizeF(padX + iconWidth + spacing + textWidth + spacing + buttonsWidth + padX, contentHeight + 2 * padY);

    const double mid = size_.height() / 2;
    iconRect_ = QRectF(padX, mid - iconHeight / 2, iconWidth, iconHeight);
    const double textLeft = padX + iconWidth + spacing;
    titlePos_ = QPointF(textLeft, mid - textHeight / 2);
    messagePos_ = QPointF(textLeft, titlePos_.y() + titleHeight + 2);
    const double buttonsCentre = textLeft + textWidth + spacing + buttonsWidth / 2;
    const double buttonsTop = mid - buttonsHeight / 2;
    primaryRect_ = QRectF(buttonsCentre - primarySize.width() / 2, buttonsTop, primarySize.width(), primarySize.height());
    if (secondary_)
        secondaryRect_ = QRectF(buttonsCentre - secondarySize.width() / 2, primaryRect_.bottom() + 3,
                                secondarySize.width(), secondarySize.height());
}

NotchCard::~NotchCard() = default;

QRectF NotchCard::frame(QPointF centre) const {
    return {centre.x() - size_.width() / 2, centre.y() - size_.height() / 2, size_.width(), size_.height()};
}

QRectF NotchCard::primaryRect(QPointF centre) const { return primaryRect_.translated(frame(centre).topLeft()); }

std::optional<QRectF> NotchCard::secondaryRect(QPointF centre) const {
    if (!secondary_) return std::nullopt;
    return secondaryRect_.translated(frame(centre).topLeft());
}

QRectF NotchCard::iconRect(QPointF centre) const { return iconRect_.translated(frame(centre).topLeft()); }

void NotchCard::paint(QPainter& p, QPointF centre) const {
    // The card never changes: it is drawn once and kept.
    const QRectF card = frame(centre);
    const QRectF area(std::floor(card.left()), std::floor(card.top()), std::ceil(card.width()) + 1,
                      std::ceil(card.height()) + 1);
    cache_.draw(p, area, [&](QPainter& q) {
        q.translate(card.topLeft());
        draw(q);
    });
}

void NotchCard::draw(QPainter& p) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);

    p.setPen(Qt::NoPen);
    p.setBrush(chrome::withOpacity(chrome::darkInk(), 0.9));
    p.drawRoundedRect(QRectF(QPointF(0, 0), size_), cornerRadius, cornerRadius);

    if (icon_) {
        p.save();
        icon_(p, iconRect_);
        p.restore();
    }

    p.setPen(chrome::cream());
    titleLayout_->draw(&p, titlePos_);
    if (titleTomato_) {
        paintTomato(p, tomatoRect_.translated(titlePos_));
    }
    p.setPen(chrome::withOpacity(chrome::cream(), 0.72));
    p.setFont(messageFont());
    p.drawStaticText(messagePos_, messageText_);

    p.setPen(Qt::NoPen);
    p.setBrush(chrome::paper());
    const double r = primaryRect_.height() / 2;
    p.drawRoundedRect(primaryRect_, r, r);
    p.setPen(chrome::darkInk());
    p.setFont(primaryFont());
    p.drawStaticText(QPointF(primaryRect_.left() + 10, primaryRect_.top() + 4), primaryText_);

    if (secondary_) {
        p.setPen(chrome::withOpacity(chrome::cream(), 0.6));
        p.setFont(secondaryFont());
        p.drawStaticText(secondaryRect_.topLeft(), secondaryText_);
    }
    p.restore();
}

}  // namespace kp
