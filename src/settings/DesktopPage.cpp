// The Desktop tab: outings, the pomodoro with its coins, and what the cat asks for and notices.
#include "settings/SettingsPages.h"

#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "core/Preferences.h"
#include "life/Wallet.h"
#include "platform/Color.h"
#include "platform/Defaults.h"
#include "settings/DurationField.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace kp::settings {

namespace {

bool catIsOut(const SettingsServices& s) {
    if (s.roaming.isOut) return s.roaming.isOut();
    return s.life && s.life->isOut();
}

class CoinIconView : public QWidget {
public:
    CoinIconView(SettingsArt art, double size) : art_(std::move(art)), size_(size) {
        setFixedSize(int(std::ceil(size)), int(std::ceil(size)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF box(0, 0, size_, size_);
        if (art_.coin) art_.coin(p, box);
        else drawStandInCoin(p, box);
    }

private:
    SettingsArt art_;
    double size_;
};

QWidget* roamCard(SettingsServices& s, QWidget* page) {
    Defaults& store = *s.store;
    auto* card = new SettingsCard(QStringLiteral("Out on the desktop"),
                                  QStringLiteral("Click him to pet him, drag him to pick him up. Opening the notch "
                                                 "calls him back."));
    card->add(new SettingsRow(QStringLiteral("macwindow"), colorFromHex("#7EB6E0"), QStringLiteral("Let him roam the desktop"),
                              QStringLiteral("Now and then he hops out of the notch, walks along your windows, watches "
                                             "what you're doing and naps on the dock or panel."),
                              boolToggle(store, QStringLiteral("desktopRoam"), false)));
    card->add(new RowDivider);
    auto* mischief = new SettingsRow(QStringLiteral("cup.and.saucer.fill"), colorFromHex("#C46B78"),
                                     QStringLiteral("A little mischief"),
                                     QStringLiteral("He knocks his mug off windows, and about once an hour walks on the "
                                                    "keyboard (your text editor opens in the background)."),
                                     boolToggle(store, QStringLiteral("desktopMischief"), true));
    mischief->setObjectName(QStringLiteral("mischiefRow"));
    card->add(mischief);
    card->add(new RowDivider);
    auto* button = new TobbiButton(QString(), true);
    button->setObjectName(QStringLiteral("roamButton"));
    auto* outing = new SettingsRow(QStringLiteral("figure.walk"), kit::accent(), QString(), QString(), button);
    outing->setObjectName(QStringLiteral("outingRow"));
    card->add(outing);

    auto refresh = [&s, &store, mischief, outing, button] {
        const bool out = catIsOut(s);
        mischief->setEnabled(prefs::boolPreference(QStringLiteral("desktopRoam"), false, store) || out);
        outing->badge()->setSymbol(out ? QStringLiteral("house.fill") : QStringLiteral("figure.walk"));
        outing->title()->setText(out ? QStringLiteral("He's out exploring") : QStringLiteral("Fancy a walk?"));
        const QString label = out ? QStringLiteral("Call him home") : QStringLiteral("Let him out now");
        if (button->text() != label) {
            button->setText(label);
            button->updateGeometry();
        }
        button->setEnabled(out ? bool(s.roaming.callHome) : bool(s.roaming.sendOut));
    };
    refresh();
    QObject::connect(button, &QAbstractButton::clicked, page, [&s, refresh] {
        roamButtonAction(s.roaming, catIsOut(s));
        refresh();
    });
    QObject::connect(&store, &Defaults::changed, page, [refresh](const QString& key) {
        if (key == QLatin1String("desktopRoam")) refresh();
    });
    if (s.life) QObject::connect(s.life, &PetLife::changed, page, refresh);
    return card;
}

QWidget* pomodoroCard(SettingsServices& s, QWidget* page) {
    Defaults& store = *s.store;
    Wallet* wallet = s.wallet;
    Pomodoro* pomodoro = s.pomodoro;
    const bool on = wallet && wallet->enabled();
    auto* card = new SettingsCard(QStringLiteral("Pomodoro & coins"), pomodoroFooter(on, s.hasTray()));
    card->setObjectName(QStringLiteral("pomodoroCard"));
    auto* toggle = new TobbiToggle;
    toggle->setObjectName(QStringLiteral("pomodoroAndCoins"));
    toggle->setChecked(on);
    toggle->setEnabled(wallet != nullptr);
    QObject::connect(toggle, &QAbstractButton::clicked, page, [wallet, pomodoro, &store](bool v) {
        if (wallet) setPomodoroAndCoins(v, *wallet, pomodoro, store);
    });
    card->add(new SettingsRow(QStringLiteral("leaf.fill"), colorFromHex("#E0604F"), QStringLiteral("Pomodoro & coins"),
                              QStringLiteral("The tomato clock, his coins and the shop."), toggle));
    if (!on) return card;

    card->add(new RowDivider);
    card->add(new SettingsRow(QStringLiteral("timer"), colorFromHex("#E0604F"), QStringLiteral("Focus for"), QString(),
                              durationField(store, QStringLiteral("pomodoroFocusSeconds"), focusDefault, 60)));
    card->add(new RowDivider);
    card->add(new SettingsRow(QStringLiteral("cup.and.saucer.fill"), colorFromHex("#8FCB8A"), QStringLiteral("Short break"),
                              QString(), durationField(store, QStringLiteral("pomodoroBreakSeconds"), breakDefault, 60)));
    card->add(new RowDivider);
    card->add(new SettingsRow(QStringLiteral("leaf.fill"), colorFromHex("#7EB6E0"), QStringLiteral("Long break"), QString(),
                              durationField(store, QStringLiteral("pomodoroLongBreakSeconds"), longBreakDefault, 60)));
    card->add(new RowDivider);

    auto* buttons = new QWidget;
    buttons->setObjectName(QStringLiteral("pomodoroButtons"));
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(6);
    auto* stop = new TobbiButton(QStringLiteral("Stop"), false);
    stop->setObjectName(QStringLiteral("pomodoroStop"));
    auto* start = new TobbiButton(QStringLiteral("Start focus"), true);
    start->setObjectName(QStringLiteral("pomodoroStart"));
    buttonRow->addWidget(stop);
    buttonRow->addWidget(start);
    auto* status = new SettingsRow(QStringLiteral("leaf.fill"), kit::accent(), QString(), QString(), buttons);
    status->setObjectName(QStringLiteral("pomodoroStatus"));
    card->add(status);
    if (pomodoro) {
        QObject::connect(stop, &QAbstractButton::clicked, page, [pomodoro] { pomodoro->stop(); });
        QObject::connect(start, &QAbstractButton::clicked, page, [pomodoro] { pomodoroStart(*pomodoro); });
    }
    auto refresh = [pomodoro, status, stop, start] {
        const Pomodoro::Phase phase = pomodoro ? pomodoro->phase() : Pomodoro::Phase::idle;
        status->title()->setText(pomodoroStatusText(phase, pomodoro ? pomodoro->minutesLeft() : 0));
        const PomodoroButtons b = pomodoroButtons(phase);
        stop->setVisible(b.stop);
        start->setVisible(b.start.has_value());
        if (b.start && start->text() != *b.start) {
            start->setText(*b.start);
            start->updateGeometry();
        }
    };
    refresh();
    if (pomodoro) QObject::connect(pomodoro, &Pomodoro::changed, status, refresh);

    card->add(new RowDivider);
    auto* coins = new SettingsRow(QStringLiteral("pawprint.fill"), colorFromHex("#E5A93A"), QStringLiteral("Coins"),
                                  QString(), coinBalance(s, 13, 13, QFont::Bold, kit::peach()));
    coins->setObjectName(QStringLiteral("coinsRow"));
    card->add(coins);
    return card;
}

QWidget* infoCard(const QString& title, const QString& footer,
                  std::initializer_list<std::tuple<const char*, const char*, const char*, const char*>> rows) {
    auto* card = new SettingsCard(title, footer);
    bool first = true;
    for (const auto& [icon, tint, name, detail] : rows) {
        if (!first) card->add(new RowDivider);
        first = false;
        card->add(new SettingsRow(QString::fromLatin1(icon), colorFromHex(tint), QString::fromUtf8(name),
                                  QString::fromUtf8(detail), nullptr));
    }
    return card;
}

}  // namespace

QWidget* coinBalance(SettingsServices& s, double coinSize, double textSize, int weight, const QColor& colour) {
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("coinBalance"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(coinSize > 20 ? 10 : 4);
    row->addWidget(new CoinIconView(s.art, coinSize), 0, Qt::AlignVCenter);
    auto* number = kit::label(QString::number(s.wallet ? s.wallet->coins() : 0), textSize, weight, colour);
    number->setObjectName(QStringLiteral("coins"));
    row->addWidget(number, 0, Qt::AlignVCenter);
    Wallet* wallet = s.wallet;
    if (!wallet) return box;
    if (textSize < 20) {
        QObject::connect(wallet, &Wallet::coinsChanged, number,
                         [wallet, number] { number->setText(QString::number(wallet->coins())); });
        return box;
    }
    // The big balance counts its way to a new value, so a purchase rolls the digits.
    auto* roll = new QVariantAnimation(number);
    roll->setDuration(420);
    roll->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(roll, &QVariantAnimation::valueChanged, number, [number](const QVariant& v) {
        number->setText(QString::number(std::llround(v.toDouble())));
    });
    QObject::connect(wallet, &Wallet::coinsChanged, number, [wallet, number, roll] {
        roll->stop();
        const long long to = wallet->coins();
        if (!number->isVisible()) {
            number->setText(QString::number(to));
            return;
        }
        roll->setStartValue(double(number->text().toLongLong()));
        roll->setEndValue(double(to));
        roll->start();
    });
    return box;
}

QWidget* buildDesktopPage(SettingsServices& s) {
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);
    column->addWidget(roamCard(s, page));
    auto* slot = new Slot(column, [&s, page] { return pomodoroCard(s, page); });
    QObject::connect(page, &QObject::destroyed, [slot] { delete slot; });
    if (s.wallet) QObject::connect(s.wallet, &Wallet::enabledChanged, page, [slot] { slot->rebuild(); });
    column->addWidget(infoCard(
        QStringLiteral("When he needs you"),
        QStringLiteral("With roaming on, he comes out of the notch to tell you, now and then rather than all the time: "
                       "sit in the middle of the screen with a bubble, and click him to open the room that has what "
                       "he needs. With roaming off, the notch peeks open with the same icon by his face."),
        {{"fork.knife", "#E8873A", "Hungry", "His bowl, in the kitchen."},
         {"cross.case.fill", "#E04F5F", "Sick", "Medicine, in the care room. He asks even while you focus."},
         {"sparkles", "#7EB6E0", "Dirty litter box", "In the care room."}}));
    column->addWidget(infoCard(
        QStringLiteral("What he notices"),
        QStringLiteral("He can tell a video or music is playing (not what it is) from what keeps your computer awake. "
                       "Nothing is recorded."),
        {{"play.rectangle.fill", "#D9534F", "Videos", "He climbs into the window and watches along."},
         {"music.note", "#8A6A8E", "Music", "He bobs his head to it. Spotify and other music players also tell him the song."}}));
    column->addStretch(1);
    return page;
}

}  // namespace kp::settings
