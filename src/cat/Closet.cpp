#include "cat/Closet.h"

#include "core/BotFace.h"
#include "core/Notifications.h"
#include "core/Preferences.h"
#include "cat/SeasonalAccessories.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

const QString kTogether = QStringLiteral("togetherSeconds");
const QString kGiftsSeen = QStringLiteral("wardrobeGiftsSeen");
const QString kOutfit = QStringLiteral("catOutfit");

}  // namespace

QString nextGiftText(double seconds) {
    if (std::isnan(seconds)) seconds = 0;
    if (seconds >= 3600) {
        const double hours = std::min(std::ceil(seconds / 3600), 1e9);
        return QStringLiteral("in %1h").arg(static_cast<long long>(hours));
    }
    const double minutes = std::max(1.0, std::ceil(seconds / 60));
    return QStringLiteral("in %1 min").arg(static_cast<long long>(minutes));
}

Closet::Closet(Defaults& store, Clock& clock, InputIdleness& idleness, Scheduler& scheduler, QObject* parent)
    : QObject(parent), store_(store), clock_(clock), idleness_(idleness), scheduler_(scheduler) {
    together_ = prefs::tuning(kTogether, 0, store_);
    giftsSeen_ = prefs::count(kGiftsSeen, 1000, store_);
    stored_ = together_;
    const std::function<std::optional<CatOutfit>(const QByteArray&)> decode = &CatOutfit::fromJson;
    outfit_ = store_.decodeRecord<CatOutfit>(kOutfit, decode).value_or(CatOutfit::empty());
    seasonal_ = seasonalPieces(store_);
    recount();
    tickId_ = scheduler_.every(tickSeconds, [this] { tick(); });
}

Closet::~Closet() {
    scheduler_.cancel(tickId_);
    save();
}

Closet& Closet::shared() {
    static Closet* closet = [] {
        auto* c = new Closet(Defaults::standard(), SystemClock::shared(), InputIdlenessX11::shared(),
                             QtScheduler::shared());
        // Lives as long as the app: the minute not yet written is written at quit.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, c, [c] { c->save(); });
        return c;
    }();
    return *closet;
}

void Closet::save() {
    if (together_ == stored_) return;
    stored_ = together_;
    store_.set(kTogether, together_);
}

std::size_t Closet::unlockedCount(double together) {
    if (!(together >= openingSeconds)) return 0;
    const double extra = std::floor((together - openingSeconds) / giftEverySeconds);
    const std::size_t all = giftOrder().size();
    if (extra >= double(all)) return all;
    return std::min(all, starterCount + static_cast<std::size_t>(extra));
}

std::span<const CatAccessory> Closet::unlocked() const { return giftOrder().first(unlockedCount(together_)); }

bool Closet::isUnlocked(CatAccessory a) const {
    if (isSelfWorn(a)) return false;
    if (holiday(a)) return together_ >= openingSeconds && seasonal_.count(a) > 0;
    const auto open = unlocked();
    return std::find(open.begin(), open.end(), a) != open.end();
}

void Closet::wear(CatAccessory a) {
    if (!isUnlocked(a)) return;
    const CatOutfit next = outfit_.toggling(a);
    const bool putOn = next.at(slot(a)) == a;
    outfit_ = next;
    if (!store_.setRecord(kOutfit, outfit_.toJson())) qWarning() << "Could not save the cat's outfit";
    emit outfitChanged();
    emit changed();
    if (putOn) NotificationCenter::shared().post(note::triggerEmote, BotEmote::happy);
}

void Closet::markGiftsSeen() {
    if (unseenCount_ < 1) return;
    giftsSeen_ = static_cast<long long>(unlocked().size());
    store_.set(kGiftsSeen, giftsSeen_);
    markSeasonalPiecesSeen(store_);
    recount();
}

void Closet::setSeasonalAward(SeasonalAward seasonalAward) {
    award_ = std::move(seasonalAward);
    if (award()) recount();
}

bool Closet::award() {
    if (!award_ || !award_(clock_.now())) return false;
    seasonal_ = seasonalPieces(store_);
    emit seasonalChanged();
    emit changed();
    return true;
}

void Closet::tick() {
    bool grew = false;
    if (idleness_.secondsSinceLastInput() < activeIdleLimit) {
        together_ += tickSeconds;
        // The store rewrites its whole file: once a minute is plenty.
        if (together_ - stored_ >= saveEverySeconds) save();
        grew = true;
    }
    award();
    if (grew) {
        emit togetherChanged();
        emit changed();
    }
    recount();
}

void Closet::recount() {
    const long long gifts = static_cast<long long>(unlocked().size());
    const int count =
        static_cast<int>(std::max(0LL, gifts - giftsSeen_) + static_cast<long long>(unseenSeasonalPieces(store_).size()));
    if (count == unseenCount_) return;
    unseenCount_ = count;
    emit unseenCountChanged();
    emit changed();
}

}  // namespace kp
