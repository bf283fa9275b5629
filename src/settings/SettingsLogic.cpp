#include "settings/SettingsLogic.h"

#include "app/AppLinks.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "life/Wallet.h"
#include "platform/Defaults.h"
#include "settings/SettingsServices.h"

namespace kp::settings {

const char* tabIcon(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::cat: return "pawprint.fill";
        case SettingsTab::desktop: return "macwindow";
        case SettingsTab::wardrobe: return "tshirt.fill";
        case SettingsTab::shop: return "bag.fill";
        case SettingsTab::world: return "speaker.wave.2.fill";
        case SettingsTab::notch: return "rectangle.topthird.inset.filled";
        case SettingsTab::about: return "heart.fill";
    }
    return "";
}

std::vector<SettingsTab> visibleTabs(bool coinsOn) {
    std::vector<SettingsTab> tabs;
    for (SettingsTab t : allCases<SettingsTab>())
        if (t != SettingsTab::shop || coinsOn) tabs.push_back(t);
    return tabs;
}

QString heroSubtitle(PetStage stage, const QString& age) {
    const char* word = stage == PetStage::kitten ? "Kitten" : stage == PetStage::junior ? "Junior" : "Adult";
    return QString::fromLatin1(word) + QStringLiteral(" \u00B7 ") + age + QStringLiteral(" old");
}

QString heroName(const Defaults& store) {
    return prefs::petName(store);
}

QString pomodoroStatusText(Pomodoro::Phase phase, int minutesLeft) {
    switch (phase) {
        case Pomodoro::Phase::idle: return QStringLiteral("Not running");
        case Pomodoro::Phase::focus:
            return QStringLiteral("Focusing \u00B7 ") + QString::number(minutesLeft) + QStringLiteral(" min left");
        case Pomodoro::Phase::focusDone: return QStringLiteral("Rang: break time");
        case Pomodoro::Phase::rest:
            return QStringLiteral("On a break \u00B7 ") + QString::number(minutesLeft) + QStringLiteral(" min left");
        case Pomodoro::Phase::restDone: return QStringLiteral("Break's over");
    }
    return {};
}

PomodoroButtons pomodoroButtons(Pomodoro::Phase phase) {
    PomodoroButtons b;
    b.stop = phase != Pomodoro::Phase::idle;
    if (phase == Pomodoro::Phase::focusDone) b.start = QStringLiteral("Start break");
    else if (phase == Pomodoro::Phase::idle || phase == Pomodoro::Phase::restDone) b.start = QStringLiteral("Start focus");
    return b;
}

void pomodoroStart(Pomodoro& pomodoro) {
    switch (pomodoro.phase()) {
        case Pomodoro::Phase::idle:
        case Pomodoro::Phase::restDone: pomodoro.startFocus(); break;
        case Pomodoro::Phase::focusDone: pomodoro.startBreak(); break;
        case Pomodoro::Phase::focus:
        case Pomodoro::Phase::rest: break;  // it moved on meanwhile
    }
}

void setPomodoroAndCoins(bool on, Wallet& wallet, Pomodoro* pomodoro, Defaults& store) {
    wallet.setEnabled(on);
    if (on) {
        store.set(QStringLiteral("pomodoroNudgeDone"), true);
        if (pomodoro) pomodoro->startIntro();
    } else if (pomodoro) {
        pomodoro->stop();
    }
}

QString pomodoroFooter(bool coinsOn, bool trayShown) {
    if (!coinsOn)
        return QStringLiteral("A tomato clock for focus and breaks, and coins for treats, things for his room and "
                              "toys. Off unless you'd like it.");
    return QStringLiteral("The tomato clock sits on his nightstand: click it, or use ") + appMenuPlace(trayShown) +
           QStringLiteral(". While you focus he naps beside it and stays out of your way. When it rings (softly) he wakes and asks "
                          "for your break. Each finished round earns ") +
           QString::number(coinsPerRound) +
           QStringLiteral(" coins (a bonus every fourth); looking after him and his big days earn a few more. Spend "
                          "them in the Shop tab (or click the coin by his stats, in the notch).");
}

void roamButtonAction(const SettingsRoaming& roaming, bool isOut) {
    if (isOut) {
        if (roaming.callHome) roaming.callHome();
    } else if (roaming.sendOut) {
        roaming.sendOut();
    }
}

ShopTile shopTile(ShopItem item, const Wallet& wallet, const CatWhereabouts& cat) {
    ShopTile t;
    t.owned = wallet.owned().count(item) > 0;
    t.shown = wallet.isShown(item);
    const auto coinRule = [&] { return wallet.coins() >= price(item) && !cat.dead; };
    if (section(item) == ShopSection::food) {
        t.unfed = cat.unfed;
        t.enabled = coinRule() && !cat.unfed;
    } else if (!t.owned) {
        t.enabled = coinRule();
    } else if (section(item) == ShopSection::toys && (cat.out || !cat.inViewedRoom)) {
        t.enabled = false;
        t.away = true;
    } else {
        t.enabled = !cat.dead;
    }
    // Nothing can be bought with coins off: what is not his yet says so and cannot be pressed.
    if (!t.owned && !wallet.enabled()) {
        t.coinsOff = true;
        t.enabled = false;
    }
    return t;
}

QString shopTooltip(ShopItem item, bool away, std::optional<PetUnfed> unfed) {
    const auto name = itemName(item);
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    if (away) return n + QStringLiteral(": he's in another room");
    if (unfed) {
        switch (*unfed) {
        case PetUnfed::dead: return n + QStringLiteral(": he can't eat any more");
        case PetUnfed::asleep: return n + QStringLiteral(": he's asleep for the night");
        case PetUnfed::out: return n + QStringLiteral(": he's out on the desktop");
        case PetUnfed::busy: return n + QStringLiteral(": he's busy, try again in a moment");
        }
    }
    const auto b = blurb(item);
    return n + QStringLiteral(": ") + QString::fromUtf8(b.data(), qsizetype(b.size()));
}

QString shopStatusWord(ShopItem item, bool owned, bool shown) {
    if (!owned) return {};
    if (section(item) == ShopSection::toys) return QStringLiteral("Play");
    return shown ? QStringLiteral("In his room") : QStringLiteral("Put away");
}

void shopAction(ShopItem item, Wallet& wallet, PetLife* life, const std::function<void(PetSound)>& sound) {
    const auto play = [&](PetSound s) {
        if (sound) sound(s);
    };
    const ShopSection s = section(item);
    if (s == ShopSection::food) {
        // Asked first: a meal he would not eat costs nothing.
        if (!life || !wallet.canBuy(item) || !life->feed(item)) return;
        wallet.buy(item);
        play(PetSound::buy);
        return;
    }
    const bool owned = wallet.owned().count(item) > 0;
    if (!owned) {
        if (wallet.buy(item)) play(PetSound::buy);
    } else if (s == ShopSection::home) {
        wallet.toggleStored(item);
        play(PetSound::tap);
    } else if (life) {
        life->play(item);
    }
}

const char* shopSectionTitle(ShopSection s) {
    switch (s) {
        case ShopSection::food: return "Treats";
        case ShopSection::home: return "Home";
        case ShopSection::toys: return "Toys";
    }
    return "";
}

const char* shopSectionFooter(ShopSection s) {
    switch (s) {
        case ShopSection::food: return "Served straight away: he trots to his bowl.";
        case ShopSection::home: return "It goes in his bedroom. Click again to put it away, or bring it back.";
        case ShopSection::toys:
            return "Yours to keep; they lie about his bedroom. Click one you have (here or in the room) and he plays.";
    }
    return "";
}

QString coinsFooter() {
    return QStringLiteral("A finished pomodoro earns ") + QString::number(coinsPerRound) +
           QStringLiteral(" (a bonus every fourth). Looking after him earns a few more each day, and his big days "
                          "bring a present.");
}

std::vector<CatAccessory> wardrobePieces(const std::set<CatAccessory>& seasonal) {
    std::vector<CatAccessory> out;
    for (CatAccessory a : allCases<CatAccessory>()) {
        if (isSelfWorn(a)) continue;
        if (holiday(a) && !seasonal.count(a)) continue;
        out.push_back(a);
    }
    return out;
}

QString wardrobeFooter(double together) {
    if (together < wardrobeOpensAt)
        return QStringLiteral("It opens after 5 hours together with three of everything in it, then a new piece turns "
                              "up every 2 hours.");
    return QStringLiteral("Click the wardrobe on the bedroom wall to dress him.");
}

void restoreDefaults(Defaults& store) {
    store.set(QStringLiteral("openIdleSeconds"), openIdleDefault);
    store.set(QStringLiteral("peekIdleSeconds"), peekIdleDefault);
    store.set(QStringLiteral("beatLengthSeconds"), beatLengthDefault);
    store.set(QStringLiteral("statDrainSeconds"), statDrainDefault);
    store.set(QStringLiteral("kittenLengthSeconds"), kittenLengthDefault);
    store.set(QStringLiteral("soundOn"), true);
    store.set(QStringLiteral("appSoundOn"), true);
    store.set(QStringLiteral("musicOn"), true);
    store.set(QStringLiteral("musicAlways"), false);
    store.set(QStringLiteral("musicVolume"), volumeDefault);
    store.set(QStringLiteral("soundVolume"), volumeDefault);
}

QString appVersionText(const QVariantMap& info) {
    const auto text = [&](const char* key) {
        const QVariant v = info.value(QString::fromLatin1(key));
        return v.typeId() == QMetaType::QString ? v.toString() : QString();
    };
    QString version = text("version");
    if (version.isEmpty()) version = QStringLiteral(KP_VERSION);  // what this build was made as
    QString build = text("build");
    if (build.isEmpty()) build = QStringLiteral(KP_BUILD);
    return version + QStringLiteral(" (") + build + QStringLiteral(")");
}

QString shopCoinsOffWord() { return QStringLiteral("Coins are off"); }

QString shopCoinsOffTooltip(ShopItem item) {
    const auto name = itemName(item);
    return QString::fromUtf8(name.data(), qsizetype(name.size())) + QStringLiteral(": turn on Pomodoro & coins to buy it");
}

}  // namespace kp::settings
