#include "rooms/TopBar.h"

#include "app/AppState.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/NotificationCenter.h"
#include "platform/Spring.h"
#include "core/Notifications.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kp {
namespace topbar {

QString stageWord(PetStage stage) {
    switch (stage) {
    case PetStage::kitten: return QStringLiteral("kitten");
    case PetStage::junior: return QStringLiteral("junior");
    case PetStage::adult: return QStringLiteral("adult");
    }
    return QStringLiteral("kitten");
}

QString metaLine(const QString& name, PetStage stage, const QString& age) {
    return name + QStringLiteral(" \u00B7 ") + stageWord(stage) + QLatin1Char(' ') + age;
}

QFont statusFont() {
    QFont f;
    f.setFamilies({QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(static_cast<int>(statusSize));
    f.setWeight(QFont::Bold);
    return f;
}

}  // namespace topbar

namespace {

using namespace topbar;

struct TextMetrics {
    QFont meta = chrome::font(metaSize, QFont::Medium);
    QFont status = statusFont();
    double metaHeight = QFontMetricsF(meta).height();
    double statusHeight = QFontMetricsF(status).height();
};

const TextMetrics& metrics() {
    static const TextMetrics m;
    return m;
}

using chrome::mixed;

void fillCapsule(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const double radius = std::min(r.width(), r.height()) / 2;
    p.drawRoundedRect(r, radius, radius);
}

}  // namespace

TopBar::TopBar(AppState& state, Wallet& wallet, Clock& clock, Scheduler& scheduler, NotificationCenter& center)
    : state_(state), wallet_(wallet), clock_(clock), scheduler_(scheduler), center_(center) {
    metaText_.setTextFormat(Qt::PlainText);
    statusText_.setTextFormat(Qt::PlainText);
    // The pill's and the row's fills are large at high pixel ratios: drawn from the pool's kept
    // thread, each goes in one piece instead of being split over the pool and waited for.
    pill_.setDrawnInPool(true);
    row_.setDrawnInPool(true);
}

TopBar::~TopBar() = default;

void TopBar::roomDidAppear() {}

void TopBar::roomDidDisappear() { coin_.reset(); }

QRegion TopBar::area(double width, double notchWidth, bool coins) {
    const Layout l = layout(width, notchWidth, coins);
    QRectF left = l.left | l.pill, right = l.right | l.album | l.gear;
    // The coin's gain hangs below the bar.
    if (l.coin) left |= *l.coin | CoinButton::gainReach(*l.coin);
    for (const QRectF& tab : l.tabs) right |= tab;
    return QRegion(left.adjusted(-3, -3, 3, 3).toAlignedRect()) + right.adjusted(-3, -3, 3, 3).toAlignedRect();
}

TopBar::Layout TopBar::layout(double width, double notchWidth, bool coins) {
    Layout l;
    l.left = room::leftZone(width, notchWidth);
    l.right = room::rightZone(width, notchWidth);
    l.midY = l.left.center().y();

    const TextMetrics& m = metrics();
    const double column = m.metaHeight + m.statusHeight;
    const double pillHeight = std::max(column, needbar::ringSize) + 2 * pillPadY;
    const double pillWidth = pillPadLeading + nameColumnWidth + pillSpacing + needbar::rowWidth + pillPadTrailing;
    l.pill = QRectF(l.left.left(), l.midY - pillHeight / 2, pillWidth, pillHeight);
    l.nameColumn = QRectF(l.pill.left() + pillPadLeading, l.midY - column / 2, nameColumnWidth, column);
    l.ringsLeft = l.nameColumn.right() + pillSpacing;
    if (coins) {
        const double side = CoinButton::coinSize;
        l.coin = QRectF(l.pill.right() + zoneSpacing, l.midY - side / 2, side, side);
    }

    const double tabsWidth = tabCount * tabWidth + (tabCount - 1) * tabSpacing;
    const double rowWidth = tabsWidth + zoneSpacing + AlbumButton::frameSide + zoneSpacing + gearFrame;
    double x = l.right.right() - rowWidth;
    for (int i = 0; i < tabCount; ++i) {
        l.tabs[static_cast<std::size_t>(i)] = QRectF(x, l.midY - tabHeight / 2, tabWidth, tabHeight);
        x += tabWidth + tabSpacing;
    }
    x += zoneSpacing - tabSpacing;
    l.album = QRectF(x, l.midY - AlbumButton::frameSide / 2, AlbumButton::frameSide, AlbumButton::frameSide);
    x += AlbumButton::frameSide + zoneSpacing;
    l.gear = QRectF(x, l.midY - gearFrame / 2, gearFrame, gearFrame);
    return l;
}

double TopBar::tabSelection(int index) const {
    const IslandRoomKind room = tabRooms[static_cast<std::size_t>(index)];
    const IslandRoomKind shown = state_.roomKind();
    if (tabFrom_ && tabTo_ == shown) {
        const double s = std::clamp(springProgress(clock_.monotonic() - tabStart_, 0.45, 0.78), 0.0, 1.0);
        if (room == tabTo_) return s;
        if (room == *tabFrom_) return 1 - s;
        return 0;
    }
    return room == shown ? 1 : 0;
}

void TopBar::refreshTexts(const PetLife& life, double t) {
    const TextMetrics& m = metrics();
    const QString& name = state_.petName();
    const long long bucket = static_cast<long long>(std::floor((boundedMoment(t) - boundedMoment(life.birth())) / 60));
    if (!metaValid_ || bucket != ageBucket_ || life.stage() != stage_ || name != name_) {
        metaValid_ = true;
        ageBucket_ = bucket;
        stage_ = life.stage();
        name_ = name;
        QString line = metaLine(name, stage_, life.ageText());
        // Too long: shrink to at most 0.7 of the size, then cut.
        const QFontMetricsF fm(m.meta);
        const double natural = fm.horizontalAdvance(line);
        metaScale_ = natural > nameColumnWidth ? std::max(metaMinScale, nameColumnWidth / natural) : 1.0;
        if (natural * metaScale_ > nameColumnWidth)
            line = fm.elidedText(line, Qt::ElideRight, nameColumnWidth / metaScale_);
        metaText_.setText(line);
        metaText_.prepare(QTransform(), m.meta);
        pill_.invalidate();
    }
    QString status = life.statusLine();
    if (status != status_) {
        status_ = std::move(status);
        // One line at full size: a line too long for the column is cut at its end.
        const QFontMetricsF fm(m.status);
        statusText_.setText(fm.horizontalAdvance(status_) > nameColumnWidth
                                ? fm.elidedText(status_, Qt::ElideRight, nameColumnWidth)
                                : status_);
        statusText_.prepare(QTransform(), m.status);
        pill_.invalidate();
    }
}

void TopBar::paintPill(QPainter& p, const Layout& l, const PetLife& life) {
    const auto rings = needRings(life);
    for (int i = 0; i < needbar::ringCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        // The needs drift a little every tick: the kept image is drawn again once a ring's arc has
        // moved by a fifth of a pixel or so, not on every change.
        if (std::abs(rings[k].fraction - pillFractions_[k]) >= 0.002 ||
            (rings[k].fraction != pillFractions_[k] && (rings[k].fraction <= 0 || rings[k].fraction >= 1))) {
            pillFractions_[k] = rings[k].fraction;
            pill_.invalidate();
        }
    }
    // Whole points, so the kept image lands on the pixel grid.
    const QRectF area(std::floor(l.pill.left()), std::floor(l.pill.top()), std::ceil(l.pill.width()) + 1,
                      std::ceil(l.pill.height()) + 1);
    pill_.draw(p, area, [&](QPainter& q) {
        const TextMetrics& m = metrics();
        q.setPen(Qt::NoPen);
        q.setBrush(QColor(0, 0, 0, 82));
        q.drawRoundedRect(l.pill, l.pill.height() / 2, l.pill.height() / 2);

        q.save();
        q.setClipRect(l.nameColumn.adjusted(0, -2, 0, 2));
        q.setFont(m.meta);
        q.setPen(chrome::withOpacity(chrome::cream(), 0.65));
        q.save();
        q.translate(l.nameColumn.left(), l.nameColumn.top() + m.metaHeight * (1 - metaScale_) / 2);
        q.scale(metaScale_, metaScale_);
        q.drawStaticText(QPointF(0, 0), metaText_);
        q.restore();
        q.setFont(m.status);
        q.setPen(chrome::cream());
        q.translate(l.nameColumn.left(), l.nameColumn.top() + m.metaHeight);
        q.drawStaticText(QPointF(0, 0), statusText_);
        q.restore();

        paintNeedRings(q, l.ringsLeft, l.midY, rings, &arcs_);
    });
}

void TopBar::paintRow(QPainter& p, const Layout& l) {
    std::array<double, tabCount> selection{};
    for (int i = 0; i < tabCount; ++i) selection[static_cast<std::size_t>(i)] = tabSelection(i);
    const bool badge = album_.showsBadge();
    if (selection != rowSelection_ || badge != rowBadge_ || iconInk_ != rowInk_) row_.invalidate();
    rowSelection_ = selection;
    rowBadge_ = badge;
    rowInk_ = iconInk_;
    // Whole points with room for the album's dot, so the kept image lands on the pixel grid.
    const QRectF span = l.tabs[0].united(l.gear);
    const QRectF area(std::floor(span.left()) - 4, std::floor(span.top()) - 4, std::ceil(span.width()) + 8,
                      std::ceil(span.height()) + 8);
    row_.draw(p, area, [&](QPainter& q) {
        static const QColor idleFill = QColor::fromRgbF(0, 0, 0, 0.28f);
        for (int i = 0; i < tabCount; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const QRectF& r = l.tabs[k];
            fillCapsule(q, r, mixed(idleFill, chrome::paper(), selection[k]));
            paintChromeIcon(q, tabIcons[k], r.center(), tabIconSize, mixed(chrome::cream(), chrome::darkInk(), selection[k]));
        }
        album_.paint(q, l.album, iconInk_);
        paintChromeIcon(q, ChromeIcon::gear, l.gear.center(), gearSize, iconInk_);
    });
}

void TopBar::paint(QPainter& p, const RoomFrame& f, RoomHotspots& hot) {
    const PetLife& life = state_.life();
    const bool coins = wallet_.enabled();
    // The coin button lives while it is in the bar; leaving it drops its pop-up.
    if (coins && !coin_) coin_ = std::make_unique<CoinButton>(wallet_, clock_, scheduler_);
    if (!coins && coin_) coin_.reset();

    refreshTexts(life, f.t);
    const Layout l = layout(f.width, f.notchWidth, coins);

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    paintPill(p, l, life);
    if (coin_ && l.coin) {
        coin_->paint(p, *l.coin);
        if (RoomHotspot* spot = hot.add(*l.coin, {RoomActionKind::openSettings, 2})) {
            spot->tick = true;
            spot->helpText = coin_->helpText();
        }
    }
    paintRow(p, l);
    for (int i = 0; i < tabCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (RoomHotspot* spot = hot.add(l.tabs[k], RoomAction::tab(tabRooms[k]))) {
            spot->tick = true;
            spot->help = tabHelp[k];
        }
    }
    if (RoomHotspot* spot = hot.add(l.album, {RoomActionKind::openAlbum, 0})) {
        spot->tick = true;
        spot->help = AlbumButton::help;
    }
    if (RoomHotspot* spot = hot.add(l.gear, {RoomActionKind::openSettings, 0})) spot->tick = true;
    p.restore();
}

bool TopBar::perform(const RoomAction& action) {
    switch (action.kind) {
    case RoomActionKind::roomTab:
        selectRoom(static_cast<IslandRoomKind>(action.arg));
        return true;
    case RoomActionKind::openAlbum:
        AlbumButton::openAlbum(center_);
        return true;
    case RoomActionKind::openSettings:
        if (action.arg == 0) {
            openSettings();
            return true;
        }
        if (action.arg == 2) {
            CoinButton::openShop(center_);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TopBar::selectRoom(IslandRoomKind room) {
    const IslandRoomKind shown = state_.roomKind();
    if (shown == room) return;
    state_.life().followView(room);
    tabFrom_ = shown;
    tabTo_ = room;
    tabStart_ = clock_.monotonic();
    state_.setRoomKind(room);
    if (onRoomSelected_) onRoomSelected_(room);
}

void TopBar::openSettings() { postNotification(center_, note::openFullSettings); }

}  // namespace kp
