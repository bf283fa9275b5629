#include "rooms/RoomCards.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "core/Preferences.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Spring.h"
#include "rooms/BedroomFurniture.h"
#include "rooms/RoomButtons.h"
#include "scenery/CoinIcon.h"
#include "scenery/TomatoClock.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kp {
namespace cards {

std::pair<QString, QString> introStepText(int step, const QString& name, bool trayIcon) {
    switch (step) {
    case 0:
        return {QStringLiteral("The tomato clock"),
                trayIcon ? QStringLiteral("It's on his nightstand: click it to focus, or use the tray icon's menu.")
                         : QStringLiteral("It's on his nightstand: click it to focus, or right-click the island.")};
    case 1:
        return {QStringLiteral("Focus together"),
                name + QStringLiteral(" naps beside it while you work. When it rings, softly, he asks for your break.")};
    default:
        return {QStringLiteral("His coins"),
                QStringLiteral("Each finished round earns coins. Click the coin by his stats for his shop: treats, "
                               "things for his room, toys.")};
    }
}

QRectF noteCardSpace(double width, double floorLine) {
    constexpr double gap = 8;
    const double clockRight =
        bedroomClockCentre(width, floorLine).x() + TomatoClock::kSize.width() * kBedroomClockScale / 2;
    return {clockRight + gap, noteCardY, std::max(0.0, width - gap - clockRight - gap), 0};
}

}  // namespace cards

namespace {

constexpr double kFarewellTitleSize = 13;
constexpr double kFarewellMessageSize = 10;
constexpr double kFarewellButtonSize = 12;

const QFont& farewellTitleFont() {
    static const QFont f = chrome::font(kFarewellTitleSize, QFont::Bold);
    return f;
}
const QFont& farewellMessageFont() {
    static const QFont f = chrome::font(kFarewellMessageSize, QFont::Medium);
    return f;
}
const QFont& farewellButtonFont() {
    static const QFont f = chrome::font(kFarewellButtonSize, QFont::DemiBold);
    return f;
}

// A tomato clock icon, 1.2 times its size, still.
NotchCard::Icon tomatoIcon(double progress) {
    return [progress](QPainter& p, const QRectF& frame) {
        p.translate(frame.center());
        p.scale(1.2, 1.2);
        const QSizeF s = TomatoClock::kSize;
        TomatoClock{progress, false, false, 0}.paint(p, QRectF(-s.width() / 2, -s.height() / 2, s.width(), s.height()));
    };
}

NotchCard::Icon coinIcon() {
    return [](QPainter& p, const QRectF& frame) { CoinIcon{22}.paint(p, frame); };
}

}  // namespace

double RoomCards::Motion::progress(double elapsed) const {
    if (easeOut > 0) return chrome::easeOutProgress(elapsed, easeOut);
    return springProgress(elapsed, response, damping);
}

RoomCards::RoomCards(AppState& state, Pomodoro& pomodoro, Wallet& wallet, Defaults& store, Clock& clock,
                     NotificationCenter& center)
    : state_(state), pomodoro_(pomodoro), wallet_(wallet), store_(store), clock_(clock), center_(center) {
    readPreferences({});
    storeConnection_ =
        QObject::connect(&store_, &Defaults::changed, [this](const QString& key) { readPreferences(key); });
    for (QStaticText* t : {&farewellTitle_, &farewellMessage_, &farewellLabel_}) t->setTextFormat(Qt::PlainText);
}

RoomCards::~RoomCards() { QObject::disconnect(storeConnection_); }

void RoomCards::readPreferences(const QString& key) {
    const bool all = key.isEmpty();
    if (all || key == QLatin1String(cards::nudgeDoneKey)) nudgeDone_ = store_.boolValue(QString::fromLatin1(cards::nudgeDoneKey));
    if (all || key == QLatin1String(cards::onboardedKey)) onboarded_ = store_.boolValue(QString::fromLatin1(cards::onboardedKey));
    if (all || key == QLatin1String(cards::petNameKey)) {
        const QString name = prefs::petName(store_);
        if (name != name_) {
            name_ = name;
            textsStale_ = true;
            farewellStale_ = true;
        }
    }
}

void RoomCards::setNudgeDone(bool done) {
    nudgeDone_ = done;
    store_.set(QString::fromLatin1(cards::nudgeDoneKey), done);
}

bool RoomCards::shouldOfferTomatoClock() const {
    if (wallet_.enabled()) return false;
    if (nudgeDone_) return false;
    if (!onboarded_) return false;
    const PetLife& life = state_.life();
    if (life.isDead()) return false;
    if (state_.roomKind() != IslandRoomKind::bedroom) return false;
    return clock_.now() - life.birth() >= cards::offerAge;
}

RoomCardKind RoomCards::shownCard() const {
    if (state_.life().isDead()) return RoomCardKind::farewell;
    if (pomodoro_.introStep() && wallet_.enabled() && state_.roomKind() == IslandRoomKind::bedroom)
        return RoomCardKind::intro;
    if (shouldOfferTomatoClock()) return RoomCardKind::offer;
    return RoomCardKind::none;
}

RoomCards::Identity RoomCards::identity() const {
    const RoomCardKind kind = shownCard();
    if (kind == RoomCardKind::intro) return {kind, std::clamp(*pomodoro_.introStep(), 0, 2)};
    return {kind, -1};
}

// Laid out with the full column first; where that is wider than the space, the column gives up
// the difference (down to a floor that keeps a few words a line).
std::unique_ptr<NotchCard> RoomCards::buildCard(const Identity& id, const QRectF& space) const {
    auto card = buildCard(id, NotchCard::textWidth);
    const double over = card ? card->size().width() - space.width() : 0;
    if (over > 0) card = buildCard(id, std::max(150.0, NotchCard::textWidth - over));
    return card;
}

std::unique_ptr<NotchCard> RoomCards::buildCard(const Identity& id, double column) const {
    if (id.kind == RoomCardKind::offer) {
        return std::make_unique<NotchCard>(
            name_ + QStringLiteral(" found a tomato clock \U0001F345"),
            QStringLiteral("Focus together: he naps beside it, and every round earns him coins for treats and toys."),
            QStringLiteral("Turn it on"), QStringLiteral("Not now"), nullptr, nullptr, tomatoIcon(0.25), column);
    }
    if (id.kind == RoomCardKind::intro) {
        auto [title, message] = cards::introStepText(id.step, name_, !trayShown_ || trayShown_());
        const bool last = id.step >= 2;
        return std::make_unique<NotchCard>(
            std::move(title), std::move(message), last ? QStringLiteral("Got it") : QStringLiteral("Next"),
            last ? std::nullopt : std::optional<QString>(QStringLiteral("Skip")), nullptr, nullptr,
            id.step == 0 ? tomatoIcon(0.2) : (id.step == 1 ? tomatoIcon(0.6) : coinIcon()), column);
    }
    return nullptr;
}

// --- Actions ---

void RoomCards::turnOnTomatoClock() {
    pending_ = Motion{0.4, 0.85, 0};
    setNudgeDone(true);
    wallet_.setEnabled(true);
    pomodoro_.startIntro();
}

void RoomCards::declineOffer() {
    pending_ = Motion{0.4, 0.85, 0.25};
    setNudgeDone(true);
}

void RoomCards::advanceIntro() {
    pending_ = Motion{0.35, 0.85, 0};
    pomodoro_.advanceIntro();
}

void RoomCards::finishIntro() {
    pending_ = Motion{0.4, 0.85, 0.25};
    pomodoro_.skipIntro();
}

void RoomCards::welcomeNewCat() {
    state_.life().restart();
    store_.set(QString::fromLatin1(cards::onboardedKey), false);
    store_.set(QString::fromLatin1(cards::petNameKey), QString());
    state_.setPetName(prefs::petName(store_));
    center_.post(note::replayOnboarding);
}

bool RoomCards::perform(const RoomAction& action) {
    if (action.kind != RoomActionKind::card) return false;
    switch (static_cast<CardButton>(action.arg)) {
    case CardButton::turnOn: turnOnTomatoClock(); break;
    case CardButton::notNow: declineOffer(); break;
    case CardButton::next:
    case CardButton::gotIt: advanceIntro(); break;
    case CardButton::skip: finishIntro(); break;
    case CardButton::welcome: welcomeNewCat(); break;
    case CardButton::none: break;
    }
    return true;
}

// --- Farewell ---

void RoomCards::layoutFarewell() {
    if (!farewellStale_) return;
    farewellStale_ = false;
    farewellCache_.invalidate();
    const QString title = QStringLiteral("Sweet dreams, ") + name_;
    const QString message = QStringLiteral("He had a very happy life. It's okay: it's the circle of life.");
    const QString label = QStringLiteral("Welcome a new cat");
    const QFontMetricsF tm(farewellTitleFont()), mm(farewellMessageFont()), bm(farewellButtonFont());
    farewellTitle_.setText(title);
    farewellTitle_.prepare(QTransform(), farewellTitleFont());
    farewellMessage_.setText(message);
    farewellMessage_.prepare(QTransform(), farewellMessageFont());
    farewellLabel_.setText(label);
    farewellLabel_.prepare(QTransform(), farewellButtonFont());

    const QSizeF titleSize(tm.horizontalAdvance(title), tm.height());
    const QSizeF messageSize(mm.horizontalAdvance(message), mm.height());
    const QSizeF buttonSize(bm.horizontalAdvance(label) + 24, bm.height() + 12);
    const double inner = std::max({titleSize.width(), messageSize.width(), buttonSize.width()});
    const double height = titleSize.height() + 5 + messageSize.height() + 5 + 2 + buttonSize.height();
    farewellSize_ = QSizeF(inner + 28, height + 20);
    const double cx = farewellSize_.width() / 2;
    double y = 10;
    farewellTitleRect_ = QRectF(cx - titleSize.width() / 2, y, titleSize.width(), titleSize.height());
    y += titleSize.height() + 5;
    farewellMessageRect_ = QRectF(cx - messageSize.width() / 2, y, messageSize.width(), messageSize.height());
    y += messageSize.height() + 5 + 2;
    farewellButtonRect_ = QRectF(cx - buttonSize.width() / 2, y, buttonSize.width(), buttonSize.height());
}

QRectF RoomCards::farewellFrame(double width, double height) {
    layoutFarewell();
    return {0.5 * width - farewellSize_.width() / 2, cards::farewellShareY * height - farewellSize_.height() / 2,
            farewellSize_.width(), farewellSize_.height()};
}

QRectF RoomCards::farewellButton(double width, double height) {
    return farewellButtonRect_.translated(farewellFrame(width, height).topLeft());
}

void RoomCards::paintFarewell(QPainter& p, const RoomFrame& f, RoomHotspots& hot) {
    const QRectF box = farewellFrame(f.width, f.height);
    const QRectF area(std::floor(box.left()), std::floor(box.top()), std::ceil(box.width()) + 1,
                      std::ceil(box.height()) + 1);
    farewellCache_.draw(p, area, [&](QPainter& q) {
        q.translate(box.topLeft());
        drawFarewell(q);
    });

    hot.add(box, {RoomActionKind::card, static_cast<int>(CardButton::none)}, false);
    if (RoomHotspot* spot = hot.add(farewellButtonRect_.translated(box.topLeft()),
                                    {RoomActionKind::card, static_cast<int>(CardButton::welcome)}))
        spot->tick = true;
}

void RoomCards::drawFarewell(QPainter& p) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(chrome::withOpacity(chrome::darkInk(), 0.72));
    p.drawRoundedRect(QRectF(QPointF(0, 0), farewellSize_), 14, 14);

    p.setPen(chrome::cream());
    p.setFont(farewellTitleFont());
    p.drawStaticText(farewellTitleRect_.topLeft(), farewellTitle_);
    p.setPen(chrome::withOpacity(chrome::cream(), 0.75));
    p.setFont(farewellMessageFont());
    p.drawStaticText(farewellMessageRect_.topLeft(), farewellMessage_);

    p.setPen(Qt::NoPen);
    p.setBrush(chrome::paper());
    const double r = farewellButtonRect_.height() / 2;
    p.drawRoundedRect(farewellButtonRect_, r, r);
    p.setPen(chrome::darkInk());
    p.setFont(farewellButtonFont());
    p.drawStaticText(farewellButtonRect_.topLeft() + QPointF(12, 6), farewellLabel_);
    p.restore();
}

// --- Intro and offer ---

void RoomCards::paintNoteCard(QPainter& p, const NotchCard& card, QPointF centre, double shown) const {
    const double s = std::clamp(shown, 0.0, 1.0);
    if (s <= 0) return;
    p.save();
    p.setOpacity(p.opacity() * s);
    p.translate(centre);
    const double scale = 0.9 + 0.1 * shown;
    p.scale(scale, scale);
    p.translate(-centre);
    card.paint(p, centre);
    p.restore();
}

void RoomCards::update(const RoomFrame& f) {
    const double now = clock_.monotonic();
    const Identity id = identity();
    const bool isNote = id.kind == RoomCardKind::intro || id.kind == RoomCardKind::offer;

    const QRectF space = cards::noteCardSpace(f.width, f.floorLine);
    if (id != shown_ || (isNote && (textsStale_ || space != cardSpace_))) {
        const Motion motion = pending_.value_or(Motion{});
        const bool sameCard = id == shown_;
        if (card_ && !sameCard) {
            leaving_ = std::move(card_);
            leavingCentre_ = cardCentre_;
            leavingSince_ = now;
            leavingMotion_ = motion;
        }
        card_ = isNote ? buildCard(id, space) : nullptr;
        cardSpace_ = space;
        if (card_) {
            // From the space's left edge; kept inside the room where the space is too narrow.
            const double half = card_->size().width() / 2;
            cardCentre_ = {std::clamp(space.left() + half, half, std::max(half, f.width - half)), space.top()};
        }
        if (!sameCard) {
            cardSince_ = now;
            cardMotion_ = motion;
        }
        shown_ = id;
        textsStale_ = false;
        pending_.reset();
    }
}

void RoomCards::paint(QPainter& p, const RoomFrame& f, RoomHotspots& hot) {
    update(f);
    const double now = clock_.monotonic();
    const Identity id = shown_;

    if (leaving_) {
        const double gone = leavingMotion_.progress(now - leavingSince_);
        if (gone >= 1 && now - leavingSince_ > 0.05) leaving_.reset();
        else paintNoteCard(p, *leaving_, leavingCentre_, 1 - gone);
    }

    if (id.kind == RoomCardKind::farewell) {
        paintFarewell(p, f, hot);
        return;
    }
    if (!card_) return;
    const QPointF noteCentre = cardCentre_;
    paintNoteCard(p, *card_, noteCentre, cardMotion_.progress(now - cardSince_));

    hot.add(card_->frame(noteCentre), {RoomActionKind::card, static_cast<int>(CardButton::none)}, false);
    const bool offer = id.kind == RoomCardKind::offer;
    const bool last = id.kind == RoomCardKind::intro && id.step >= 2;
    const CardButton primary = offer ? CardButton::turnOn : (last ? CardButton::gotIt : CardButton::next);
    if (RoomHotspot* spot = hot.add(card_->primaryRect(noteCentre), {RoomActionKind::card, static_cast<int>(primary)}))
        spot->tick = true;
    if (const auto second = card_->secondaryRect(noteCentre)) {
        const CardButton code = offer ? CardButton::notNow : CardButton::skip;
        if (RoomHotspot* spot = hot.add(*second, {RoomActionKind::card, static_cast<int>(code)})) spot->tick = true;
    }
}

}  // namespace kp
