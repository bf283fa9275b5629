// The window's bindings and actions: the keys written, the models called, what each tab shows.
#include "SettingsWorld.h"

#include "core/Notifications.h"
#include "core/Preferences.h"
#include "life/SkyModel.h"
#include "settings/DurationField.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPaintEvent>
#include <QTest>

#include <algorithm>

using namespace kp;
using namespace kp::test;

namespace {

template <typename T = QAbstractButton>
T* find(TestSettingsView& view, const char* name) {
    T* w = view.page()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
}

SettingsRow* row(TestSettingsView& view, const char* name) { return find<SettingsRow>(view, name); }

std::vector<QString> tabTitles(TestSettingsView& view) {
    std::vector<QString> out;
    for (const auto& t : view.tabBar()->tabs()) out.push_back(t.title);
    return out;
}

}  // namespace

class SettingsBehaviour : public ::testing::Test {
protected:
    SettingsWorld world;
};

// --- Frame ---------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, ShopTabFollowsTheCoinsSwitchAndTheColumnFollowsTheRouter) {
    auto view = world.view(SettingsTab::cat);
    EXPECT_EQ(tabTitles(*view), (std::vector<QString>{"Cat", "Desktop", "Closet", "Sound", "Notch", "About"}));
    world.wallet->setEnabled(true);
    EXPECT_EQ(tabTitles(*view), (std::vector<QString>{"Cat", "Desktop", "Closet", "Shop", "Sound", "Notch", "About"}));
    world.wallet->setEnabled(false);
    // The router may still name the Shop: no tab looks selected and the column shows the Shop cards.
    world.router.setTab(SettingsTab::shop);
    EXPECT_EQ(view->pageTab(), SettingsTab::shop);
    bool anySelected = false;
    for (const auto& t : view->tabBar()->tabs()) anySelected |= t.id == view->tabBar()->selection();
    EXPECT_FALSE(anySelected);
    EXPECT_TRUE(view->page()->findChild<QAbstractButton*>("treats"));
}

// (A click's tap is checked with the buttons' below.)
TEST_F(SettingsBehaviour, TheWindowReopensOnTheTabLastChosen) {
    auto view = world.view(SettingsTab::cat);
    emit view->tabBar()->selected(int(SettingsTab::notch));
    view.reset();
    auto again = std::make_unique<TestSettingsView>(world.services());
    EXPECT_EQ(again->pageTab(), SettingsTab::notch);
}

TEST_F(SettingsBehaviour, HeroShowsNameStageAgeAndTheWornOutfit) {
    PetLifeTestAccess::setBirth(*world.life, kStart - 90 * 60);
    auto view = world.view(SettingsTab::cat);
    EXPECT_EQ(view->hero()->subtitleLabel()->text(), QStringLiteral("Kitten \u00B7 1h old"));
    PetLifeTestAccess::setBirth(*world.life, kStart - 30);
    view->refreshHero();
    EXPECT_EQ(view->hero()->subtitleLabel()->text(), QStringLiteral("Kitten \u00B7 1m old"));
    PetLifeTestAccess::setBirth(*world.life, kStart - 2 * 86400 - 5);
    view->refreshHero();
    EXPECT_EQ(view->hero()->subtitleLabel()->text(), QStringLiteral("Kitten \u00B7 2d old"));

    world.store->set("petName", "");
    world.store->set("catBreed", "tiger");
    EXPECT_EQ(view->hero()->nameLabel()->text(), "Tobbi");
    EXPECT_EQ(view->hero()->blurbLabel()->text(), "The original. Stripes, and always hungry.");
    world.store->set("petName", "Miso");
    world.store->set("catBreed", "maineCoon");
    EXPECT_EQ(view->hero()->nameLabel()->text(), "Miso");
    EXPECT_EQ(view->hero()->blurbLabel()->text(), "A big fluffy gentle giant.");
    EXPECT_EQ(world.store->string("catBreed"), "maineCoon");

    for (double shut : {0.0, 8.4, 42.07}) EXPECT_EQ(HeroTile::blink(shut), 1.0) << shut;
    for (double open : {0.15, 4.0}) EXPECT_EQ(HeroTile::blink(open), 0.0) << open;

    // A piece put on in the wardrobe shows on the header's cat at once.
    view.reset();
    world.store->set("togetherSeconds", 18000.0);
    world.closet = std::make_unique<Closet>(*world.store, world.clock, world.idle, world.scheduler);
    auto dressed = world.view(SettingsTab::wardrobe);
    const QImage plain = dressed->hero()->tile()->grab().toImage();
    world.closet->wear(CatAccessory::beanie);
    const QImage withHat = dressed->hero()->tile()->grab().toImage();
    EXPECT_NE(plain, withHat);
}

// --- Cat and Notch --------------------------------------------------------------------------------

// The header's cat swings its tail without pause while the window is shown; a frame between
// blinks repaints only the part of the tile the tail reaches, and everything the tail changes lies
// inside that part.
TEST_F(SettingsBehaviour, TheHeaderSwingsItsTailWithoutPauseRepaintingOnlyTheTail) {
    for (double t : {1.0, 8.0, 10.0, 12.0, 100.3}) EXPECT_NEAR(HeroTile::tail(t), 14 * std::sin(1.8 * t), 1e-9) << t;
    CatOutfit scarf;
    scarf.neck = CatAccessory::scarf;
    for (CatBreed breed : {CatBreed::orange, CatBreed::maineCoon}) {
        const QRect reach = HeroTile::tailReach(breed, scarf);
        ASSERT_FALSE(reach.isEmpty());
        EXPECT_LT(reach.width() * reach.height(), 136 * 120 / 4);
        const auto frame = [&](double time) {
            QImage img(272, 240, QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(2);
            img.fill(Qt::black);
            QPainter p(&img);
            HeroTile::paintTile(p, breed, scarf, time);
            return img;
        };
        const QImage a = frame(1.0), b = frame(1.75);  // eyes open in both: the tail raised, then at rest
        int changed = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixel(x, y) == b.pixel(x, y)) continue;
                ++changed;
                EXPECT_TRUE(reach.contains(x / 2, y / 2)) << x / 2 << "," << y / 2;
            }
        EXPECT_GT(changed, 20);
    }

    world.clock.setNow(12.6 * std::ceil(kStart / 12.6) + 10.0);  // where the tail used to rest
    auto view = world.view(SettingsTab::cat);
    view->show();
    EXPECT_TRUE(view->heroAnimating());
    HeroTile* tile = view->hero()->tile();
    struct Paints : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } paints;
    tile->installEventFilter(&paints);
    QCoreApplication::processEvents();
    paints.painted = QRegion();
    const QImage still = tile->grab().toImage();
    paints.painted = QRegion();
    world.clock.advance(0.5);  // still between blinks, the tail elsewhere
    QTRY_VERIFY_WITH_TIMEOUT(!paints.painted.isEmpty(), 30000);
    EXPECT_EQ(paints.painted.boundingRect(), tile->tailReach());
    EXPECT_NE(tile->grab().toImage(), still);
    // The tail's part, as a frame repaints it (from its kept pictures), is the tile as drawn whole.
    view->hide();
    for (int frame = 0; frame < 3; ++frame) {
        const double time = world.clock.now() + 0.3 * frame;
        tile->setTime(time);
        const QRect reach = tile->tailReach();
        QImage part(reach.size(), QImage::Format_ARGB32_Premultiplied);
        part.fill(Qt::black);
        tile->render(&part, QPoint(), QRegion(reach), QWidget::RenderFlags());
        QImage whole(136, 120, QImage::Format_ARGB32_Premultiplied);
        whole.fill(Qt::black);
        {
            QPainter p(&whole);
            HeroTile::paintTile(p, CatBreed::orange, CatOutfit{}, time);
        }
        const QImage want = whole.copy(reach);
        int off = 0;  // the largest difference of a colour channel
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                off = std::max({off, std::abs(qRed(part.pixel(x, y)) - qRed(want.pixel(x, y))),
                                std::abs(qGreen(part.pixel(x, y)) - qGreen(want.pixel(x, y))),
                                std::abs(qBlue(part.pixel(x, y)) - qBlue(want.pixel(x, y)))});
        EXPECT_LE(off, 4) << frame;  // blended in another order: a rounding apart
    }
    EXPECT_FALSE(view->heroAnimating());
}

TEST_F(SettingsBehaviour, CatTabShowsDefaultsTheBreedAndRaisesValuesToTheirMinimum) {
    world.store->set("catBreed", "nonsense");
    auto view = world.view(SettingsTab::cat);
    view->show();
    EXPECT_EQ(row(*view, "breedRow")->title()->text(), "Orange tabby");
    auto* beat = find<DurationField>(*view, "beatLengthSeconds");
    auto* drain = find<DurationField>(*view, "statDrainSeconds");
    auto* kitten = find<DurationField>(*view, "kittenLengthSeconds");
    EXPECT_EQ(beat->amountText() + rawValue(beat->unit()).data(), "10sec");
    EXPECT_EQ(drain->amountText() + rawValue(drain->unit()).data(), "30min");
    EXPECT_EQ(kitten->amountText() + rawValue(kitten->unit()).data(), "2days");
    beat->editAmount(0);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("beatLengthSeconds"), 1);
    drain->editUnit(DurationUnit::seconds);
    drain->editAmount(5);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("statDrainSeconds"), 10);
    kitten->editUnit(DurationUnit::minutes);
    kitten->editAmount(0);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("kittenLengthSeconds"), 60);
    EXPECT_EQ(world.store->string("catBreed"), "nonsense");

    world.store->set("catBreed", "maineCoon");
    // The open tab follows a new cat's coat at once, as the header does.
    EXPECT_EQ(row(*view, "breedRow")->title()->text().toStdString(), "Maine Coon");
    EXPECT_EQ(row(*view, "breedRow")->detail()->text().toStdString(), "A big fluffy gentle giant.");
    EXPECT_EQ(view->hero()->blurbLabel()->text().toStdString(), "A big fluffy gentle giant.");
    world.store->set("kittenLengthSeconds", 5400.0);
    auto other = world.view(SettingsTab::cat);
    other->show();
    EXPECT_EQ(row(*other, "breedRow")->title()->text(), "Maine Coon");
    EXPECT_EQ(row(*other, "breedRow")->detail()->text(), "A big fluffy gentle giant.");
    EXPECT_EQ(find<DurationField>(*other, "kittenLengthSeconds")->amountText(), "90");
}

// Showing the window and each of its tabs writes no key: absent durations stay absent and a
// hand-set one stays as set and is shown as stored; switching a row's unit keeps its number.
TEST_F(SettingsBehaviour, OpeningTheWindowWritesNothingAndRowsShowWhatIsStored) {
    world.wallet->setEnabled(true);  // the pomodoro rows are shown
    world.store->set("statDrainSeconds", 60 * kDay);
    QStringList written;
    QObject::connect(&*world.store, &Defaults::changed, [&](const QString& key) { written << key; });
    auto view = world.view(SettingsTab::cat);
    view->show();
    auto* drain = find<DurationField>(*view, "statDrainSeconds");
    EXPECT_EQ(drain->amountText() + rawValue(drain->unit()).data(), "60days");
    for (SettingsTab tab : allCases<SettingsTab>()) {
        world.router.setTab(tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(view->pageTab(), tab);
    }
    EXPECT_TRUE(written.isEmpty()) << written.join(' ').toStdString();
    for (const char* key : {"beatLengthSeconds", "kittenLengthSeconds", "openIdleSeconds", "peekIdleSeconds",
                            "pomodoroFocusSeconds", "pomodoroBreakSeconds", "pomodoroLongBreakSeconds"})
        EXPECT_FALSE(world.store->contains(key)) << key;
    EXPECT_DOUBLE_EQ(world.store->doubleValue("statDrainSeconds"), 60 * kDay);

    world.store->set("pomodoroFocusSeconds", 1800.0);
    world.router.setTab(SettingsTab::desktop);
    auto* focus = find<DurationField>(*view, "pomodoroFocusSeconds");
    EXPECT_EQ(focus->amountText() + rawValue(focus->unit()).data(), "30min");
    focus->editUnit(DurationUnit::hours);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("pomodoroFocusSeconds"), 108000);
    EXPECT_EQ(focus->amountText() + rawValue(focus->unit()).data(), "30h");
    // Past the longest a row allows (a week), the row stores that and shows what it stored.
    focus->editUnit(DurationUnit::days);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("pomodoroFocusSeconds"), 7 * kDay);
    EXPECT_EQ(focus->amountText() + rawValue(focus->unit()).data(), "7days");
}

// Every duration row, typed into key by key and left with Tab, shows what it stored: the minimum
// for an amount below it, the longest it allows for one past that, the last value for text that
// is no number; and the stored value reads back as the window opened afresh shows it, and as the
// setting's reader takes it.
TEST_F(SettingsBehaviour, EveryDurationRowShowsWhatItStoredOnceTheEditEnds) {
    world.wallet->setEnabled(true);
    struct Field { SettingsTab tab; const char* key; double minimum, longest; };
    const Field fields[] = {{SettingsTab::cat, "beatLengthSeconds", 1, kDay},
                            {SettingsTab::cat, "statDrainSeconds", 10, 365 * kDay},
                            {SettingsTab::cat, "kittenLengthSeconds", 60, 3650 * kDay},
                            {SettingsTab::desktop, "pomodoroFocusSeconds", 60, 7 * kDay},
                            {SettingsTab::desktop, "pomodoroBreakSeconds", 60, 7 * kDay},
                            {SettingsTab::desktop, "pomodoroLongBreakSeconds", 60, 7 * kDay},
                            {SettingsTab::notch, "openIdleSeconds", 1, 30 * kDay},
                            {SettingsTab::notch, "peekIdleSeconds", 1, 30 * kDay}};
    auto view = world.view(SettingsTab::cat);
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    const auto shows = [](DurationField* f) {
        return f->findChild<QLineEdit*>()->text() + ' ' + f->findChild<QComboBox*>()->currentText();
    };
    for (const Field& field : fields) {
        world.router.setTab(field.tab);
        auto* row = find<DurationField>(*view, field.key);
        ASSERT_TRUE(row);
        auto* box = row->findChild<QLineEdit*>();
        const auto stored = [&] { return world.store->doubleValue(field.key); };
        const auto type = [&](const QString& text) {
            view->activateWindow();  // back from the window opened afresh
            ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
            box->setFocus();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Tab);
        };
        // What each text stores: an amount of the unit shown, or a bound, or nothing new.
        enum Stores { amount, minimum, longest, unchanged };
        struct Entry { const char* text; Stores stores; double amount = 0; };
        for (Entry e : {Entry{"0", minimum}, Entry{"7", amount, 7}, Entry{"-3", minimum}, Entry{"99999999999", longest},
                        Entry{"abc", unchanged}, Entry{"", unchanged}, Entry{"4", amount, 4}, Entry{"1e400", longest}}) {
            const double before = stored();
            const double asked = std::clamp(e.amount * durationFactor(row->unit()), field.minimum, field.longest);
            type(QString::fromLatin1(e.text));
            const std::string at = std::string(field.key) + " typed '" + e.text + "'";
            EXPECT_FALSE(box->hasFocus()) << at;
            const double want = e.stores == amount    ? asked
                                : e.stores == minimum ? field.minimum
                                : e.stores == longest ? field.longest
                                                      : before;
            EXPECT_DOUBLE_EQ(stored(), want) << at;
            EXPECT_DOUBLE_EQ(prefs::tuning(field.key, -1, *world.store), stored()) << at << ": not read as stored";
            // The box and the unit read as the stored seconds.
            bool number = false;
            const double shown = QLocale().toDouble(box->text(), &number);
            EXPECT_TRUE(number) << at << ": " << box->text().toStdString();
            EXPECT_DOUBLE_EQ(shown * durationFactor(row->unit()), stored()) << at << ": shows " << shows(row).toStdString();
            auto fresh = world.view(field.tab);
            fresh->show();
            EXPECT_EQ(shows(row).toStdString(), shows(find<DurationField>(*fresh, field.key)).toStdString()) << at;
        }
    }
}

TEST_F(SettingsBehaviour, RestoreDefaultsResetsTimingsAndSoundOnly) {
    Defaults& s = *world.store;
    for (const char* key : {"openIdleSeconds", "peekIdleSeconds", "beatLengthSeconds", "statDrainSeconds",
                            "kittenLengthSeconds", "pomodoroFocusSeconds"})
        s.set(key, 7.0);
    for (const char* key : {"soundOn", "appSoundOn", "musicOn", "peekOnHover", "desktopMischief"}) s.set(key, false);
    s.set("musicAlways", true);
    s.set("desktopRoam", true);
    s.set("musicVolume", 0.1);
    s.set("soundVolume", 0.9);
    s.set("petName", "Miso");
    auto view = world.view(SettingsTab::notch);
    std::vector<QString> written;
    // A duration row shown with the old value writes the new one back once more: only first writes count.
    QObject::connect(&s, &Defaults::changed, [&](const QString& key) {
        if (std::find(written.begin(), written.end(), key) == written.end()) written.push_back(key);
    });
    find(*view, "restoreDefaults")->click();
    EXPECT_EQ(written, (std::vector<QString>{"openIdleSeconds", "peekIdleSeconds", "beatLengthSeconds",
                                             "statDrainSeconds", "kittenLengthSeconds", "soundOn", "appSoundOn",
                                             "musicOn", "musicAlways", "musicVolume", "soundVolume"}));
    EXPECT_DOUBLE_EQ(s.doubleValue("openIdleSeconds"), 5);
    EXPECT_DOUBLE_EQ(s.doubleValue("peekIdleSeconds"), 60);
    EXPECT_DOUBLE_EQ(s.doubleValue("beatLengthSeconds"), 10);
    EXPECT_DOUBLE_EQ(s.doubleValue("statDrainSeconds"), 1800);
    EXPECT_DOUBLE_EQ(s.doubleValue("kittenLengthSeconds"), 172800);
    EXPECT_TRUE(s.boolValue("soundOn") && s.boolValue("appSoundOn") && s.boolValue("musicOn"));
    EXPECT_FALSE(s.boolValue("musicAlways"));
    EXPECT_DOUBLE_EQ(s.doubleValue("musicVolume"), 0.5);
    EXPECT_DOUBLE_EQ(s.doubleValue("soundVolume"), 0.5);
    // Untouched.
    EXPECT_DOUBLE_EQ(s.doubleValue("pomodoroFocusSeconds"), 7);
    EXPECT_FALSE(s.boolValue("peekOnHover"));
    EXPECT_FALSE(s.boolValue("desktopMischief"));
    EXPECT_TRUE(s.boolValue("desktopRoam"));
    EXPECT_EQ(s.string("petName"), "Miso");
    // The music box is not told from here.
    // The notch rows follow: 5 sec and 1 min.
    EXPECT_EQ(find<DurationField>(*view, "openIdleSeconds")->amountText(), "5");
    EXPECT_EQ(find<DurationField>(*view, "peekIdleSeconds")->unit(), DurationUnit::minutes);
}

TEST_F(SettingsBehaviour, ShowAgainPostsTheReplayEachTime) {
    int posts = 0;
    Subscription sub(world.hub, note::replayOnboarding, [&](const std::any&) { ++posts; });
    auto view = world.view(SettingsTab::notch);
    find(*view, "showAgain")->click();
    find(*view, "showAgain")->click();
    EXPECT_EQ(posts, 2);
    auto* peek = find<TobbiToggle>(*view, "peekOnHover");
    EXPECT_TRUE(peek->isChecked());
    peek->click();
    EXPECT_TRUE(world.store->contains("peekOnHover"));
    EXPECT_FALSE(world.store->boolValue("peekOnHover"));
}

// --- Desktop ---------------------------------------------------------------------------------------

// The outing row's badge turns from walking figure to house on screen as the cat goes out: it is
// repainted along with the row's new title.
TEST_F(SettingsBehaviour, TheOutingBadgeShowsWhereTheCatIsOnScreen) {
    auto view = world.view(SettingsTab::desktop);
    view->show();
    auto* outing = row(*view, "outingRow");
    QCoreApplication::processEvents();
    struct Paints : QObject {
        QRegion badge, title;
        QWidget* badgeWidget = nullptr;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint) (o == badgeWidget ? badge : title) += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } paints;
    paints.badgeWidget = outing->badge();
    outing->badge()->installEventFilter(&paints);
    outing->title()->installEventFilter(&paints);
    for (const char* place : {"house.fill", "figure.walk"}) {
        paints.badge = paints.title = QRegion();
        find(*view, "roamButton")->click();
        EXPECT_EQ(outing->badge()->symbol(), place);
        QTRY_VERIFY_WITH_TIMEOUT(!paints.title.isEmpty(), 5000);
        EXPECT_TRUE((QRegion(outing->badge()->rect()) - paints.badge).isEmpty()) << "not repainted for " << place;
    }
}


TEST_F(SettingsBehaviour, OutingRowSendsTheCatOutAndCallsItHome) {
    auto view = world.view(SettingsTab::desktop);
    auto* mischief = row(*view, "mischiefRow");
    auto* outing = row(*view, "outingRow");
    auto* button = find(*view, "roamButton");
    EXPECT_FALSE(mischief->isEnabled());
    EXPECT_EQ(outing->title()->text(), "Fancy a walk?");
    EXPECT_EQ(button->text(), "Let him out now");
    button->click();
    EXPECT_EQ(world.sentOut, 1);
    EXPECT_FALSE(world.store->boolValue("desktopRoam"));
    EXPECT_TRUE(mischief->isEnabled());
    EXPECT_EQ(outing->title()->text(), "He's out exploring");
    EXPECT_EQ(outing->badge()->symbol(), "house.fill");
    EXPECT_EQ(button->text(), "Call him home");
    button->click();
    EXPECT_EQ(world.calledHome, 1);
    EXPECT_FALSE(mischief->isEnabled());
    find<TobbiToggle>(*view, "desktopRoam")->click();
    EXPECT_TRUE(world.store->boolValue("desktopRoam"));
    EXPECT_TRUE(mischief->isEnabled());
    find<TobbiToggle>(*view, "desktopMischief")->click();
    EXPECT_FALSE(world.store->boolValue("desktopMischief"));
}

TEST_F(SettingsBehaviour, PomodoroSwitchShowsItsRowsStartsTheIntroAndStops) {
    auto view = world.view(SettingsTab::desktop);
    auto* card = find<SettingsCard>(*view, "pomodoroCard");
    EXPECT_EQ(card->findChildren<SettingsRow*>().size(), 1u);
    EXPECT_TRUE(card->footerLabel()->text().startsWith("A tomato clock"));
    world.store->set("pomodoroIntroSeen", true);
    find<TobbiToggle>(*view, "pomodoroAndCoins")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(world.wallet->enabled());
    EXPECT_TRUE(world.store->boolValue("pomodoroAndCoins"));
    EXPECT_TRUE(world.store->boolValue("pomodoroNudgeDone"));
    card = find<SettingsCard>(*view, "pomodoroCard");
    EXPECT_EQ(card->findChildren<SettingsRow*>().size(), 6u);
    EXPECT_TRUE(card->footerLabel()->text().contains("Each finished round earns 10 coins"));
    auto* status = row(*view, "pomodoroStatus");
    auto* stop = find(*view, "pomodoroStop");
    auto* start = find(*view, "pomodoroStart");
    EXPECT_EQ(status->title()->text(), "Not running");
    EXPECT_TRUE(stop->isHidden());
    EXPECT_EQ(start->text(), "Start focus");
    EXPECT_EQ(find<QLabel>(*view, "coins")->text(), "0");

    start->click();
    world.clock.advance(60);
    world.scheduler.advance(60);
    ASSERT_EQ(world.pomodoro->phase(), Pomodoro::Phase::focus);
    EXPECT_EQ(status->title()->text(), QStringLiteral("Focusing \u00B7 24 min left"));
    EXPECT_FALSE(stop->isHidden());
    EXPECT_TRUE(start->isHidden());

    world.wallet->reward(12, kStart);
    EXPECT_EQ(find<QLabel>(*view, "coins")->text(), "12");

    // Off while focusing: the pomodoro stops and the rows go.
    find<TobbiToggle>(*view, "pomodoroAndCoins")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(world.pomodoro->phase(), Pomodoro::Phase::idle);
    EXPECT_EQ(find<SettingsCard>(*view, "pomodoroCard")->findChildren<SettingsRow*>().size(), 1u);
}

TEST_F(SettingsBehaviour, PomodoroStatusAndButtonsByPhase) {
    using P = Pomodoro::Phase;
    EXPECT_EQ(settings::pomodoroStatusText(P::focus, 24), QStringLiteral("Focusing \u00B7 24 min left"));
    EXPECT_EQ(settings::pomodoroStatusText(P::rest, 3), QStringLiteral("On a break \u00B7 3 min left"));
    EXPECT_EQ(settings::pomodoroStatusText(P::focusDone, 0), "Rang: break time");
    EXPECT_EQ(settings::pomodoroStatusText(P::restDone, 0), "Break's over");
    struct Case { P phase; bool stop; const char* start; };
    for (Case c : {Case{P::idle, false, "Start focus"}, Case{P::focus, true, nullptr},
                   Case{P::focusDone, true, "Start break"}, Case{P::rest, true, nullptr},
                   Case{P::restDone, true, "Start focus"}}) {
        const auto b = settings::pomodoroButtons(c.phase);
        EXPECT_EQ(b.stop, c.stop);
        EXPECT_EQ(b.start.has_value(), c.start != nullptr);
        if (c.start) {
            EXPECT_EQ(*b.start, c.start);
        }
    }
}

// --- Sound -----------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, SoundTabWritesTheSwitchesAndPushesTheAmbienceWhileShown) {
    auto view = world.view(SettingsTab::world);
    auto* volume = row(*view, "soundVolumeRow");
    auto* always = row(*view, "musicAlwaysRow");
    auto* musicVolume = row(*view, "musicVolumeRow");
    EXPECT_TRUE(volume->isEnabled());
    EXPECT_EQ(always->detail()->text(), "Only while the notch is open.");

    find<TobbiToggle>(*view, "soundOn")->click();
    EXPECT_FALSE(world.store->boolValue("soundOn"));
    EXPECT_FALSE(world.ambience.enabled);
    EXPECT_EQ(world.ambience.applied, 1);
    EXPECT_TRUE(volume->isEnabled());
    find<TobbiToggle>(*view, "appSoundOn")->click();
    EXPECT_FALSE(volume->isEnabled());
    world.store->set("appSoundOn", true);
    EXPECT_TRUE(volume->isEnabled());

    emit find<KitSlider>(*view, "soundVolume")->moved(0.25);
    EXPECT_FLOAT_EQ(world.ambience.volume, 0.25f);
    EXPECT_EQ(world.ambience.applied, 2);

    // The music switches are only written: the music box follows the store.
    find<TobbiToggle>(*view, "musicAlways")->click();
    EXPECT_TRUE(world.store->boolValue("musicAlways"));
    EXPECT_EQ(always->detail()->text(), "Keeps playing with the notch closed.");
    find<TobbiToggle>(*view, "musicOn")->click();
    EXPECT_FALSE(world.store->boolValue("musicOn"));
    EXPECT_FALSE(always->isEnabled());
    EXPECT_FALSE(musicVolume->isEnabled());
    EXPECT_TRUE(world.store->boolValue("musicAlways"));  // kept
    emit find<KitSlider>(*view, "musicVolume")->moved(0.8);
    EXPECT_DOUBLE_EQ(world.store->doubleValue("musicVolume"), 0.8);

    // Another tab on screen: nothing is pushed.
    world.router.setTab(SettingsTab::cat);
    world.store->set("soundOn", true);
    EXPECT_FALSE(world.ambience.enabled);
}

TEST_F(SettingsBehaviour, LiveWeatherSwitchWithoutAWeatherModelStoresTheSwitch) {
    auto view = world.view(SettingsTab::world);
    EXPECT_EQ(row(*view, "liveWeatherRow")->detail()->text(), "Following the clock only.");
    find<TobbiToggle>(*view, "liveWeather")->click();
    EXPECT_TRUE(world.store->boolValue("liveWeather"));
    EXPECT_TRUE(find<QLabel>(*view, "weatherCredit")->isHidden());
}

// --- Wardrobe --------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, WardrobeCountsDownThenOpens) {
    struct Case { double together; const char* text; };
    for (Case c : {Case{0, "in 5h"}, Case{14400, "in 1h"}, Case{14401, "in 60 min"}, Case{17999, "in 1 min"}}) {
        world.store->set("togetherSeconds", c.together);
        world.closet = std::make_unique<Closet>(*world.store, world.clock, world.idle, world.scheduler);
        auto view = world.view(SettingsTab::wardrobe);
        EXPECT_EQ(find<QLabel>(*view, "opensIn")->text(), c.text) << c.together;
        EXPECT_TRUE(find<SettingsCard>(*view, "wardrobeCard")->footerLabel()->text().startsWith("It opens after 5 hours"));
    }
    world.store->set("togetherSeconds", 18000.0);
    world.closet = std::make_unique<Closet>(*world.store, world.clock, world.idle, world.scheduler);
    auto view = world.view(SettingsTab::wardrobe);
    EXPECT_EQ(find<QLabel>(*view, "pieceCount")->text(), "15 of 29");
    EXPECT_EQ(find<SettingsCard>(*view, "wardrobeCard")->footerLabel()->text(),
              "Click the wardrobe on the bedroom wall to dress him.");
    const auto cells = view->page()->findChild<QWidget*>("pieces")->findChildren<QAbstractButton*>();
    EXPECT_EQ(cells.size(), 29);
    int unlocked = 0;
    for (auto* c : cells) unlocked += c->isEnabled();
    EXPECT_EQ(unlocked, 15);
    for (const char* never : {"headphones", "raincoat", "rainHat", "sleepMask", "santaHat"})
        EXPECT_FALSE(view->page()->findChild<QAbstractButton*>(never)) << never;

    view.reset();
    world.store->set("togetherSeconds", 25200.0);
    world.closet = std::make_unique<Closet>(*world.store, world.clock, world.idle, world.scheduler);
    auto later = world.view(SettingsTab::wardrobe);
    EXPECT_EQ(find<QLabel>(*later, "pieceCount")->text(), "16 of 29");
    EXPECT_TRUE(find(*later, "flowerCrown")->isEnabled());
}

TEST_F(SettingsBehaviour, WardrobeGridHoldsGrantedHolidayPiecesInCaseOrder) {
    std::set<CatAccessory> none;
    const auto base = settings::wardrobePieces(none);
    EXPECT_EQ(base.size(), 29u);
    const auto withSanta = settings::wardrobePieces({CatAccessory::santaHat, CatAccessory::partyHat});
    ASSERT_EQ(withSanta.size(), 31u);
    EXPECT_EQ(withSanta[5], CatAccessory::boots);
    EXPECT_EQ(withSanta[6], CatAccessory::partyHat);
    EXPECT_EQ(withSanta.back(), CatAccessory::santaHat);
}

TEST_F(SettingsBehaviour, WearingMovesTheRingAndPlaysTheWearSound) {
    world.store->set("togetherSeconds", 18000.0);
    world.closet = std::make_unique<Closet>(*world.store, world.clock, world.idle, world.scheduler);
    auto view = world.view(SettingsTab::wardrobe);
    find(*view, "bow")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(world.closet->outfit().head, CatAccessory::bow);
    EXPECT_EQ(world.sounds, std::vector<PetSound>{PetSound::wear});
    find(*view, "glasses")->click();  // a face piece beside the head piece
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    find(*view, "beanie")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(world.closet->outfit().head, CatAccessory::beanie);
    EXPECT_EQ(world.closet->outfit().face, CatAccessory::glasses);
    find(*view, "beanie")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(world.closet->outfit().head.has_value());
    EXPECT_EQ(world.sounds.size(), 4u);
    // The stored outfit is what the closet wears.
    EXPECT_TRUE(world.store->record("catOutfit").has_value());
}

// --- Shop ------------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, BuyingTreatsFeedsTheCatAndEmptiesTheWallet) {
    world.wallet->setEnabled(true);
    world.wallet->reward(3, kStart);
    auto view = world.view(SettingsTab::shop);
    auto* treats = find(*view, "treats");
    EXPECT_TRUE(treats->isEnabled());
    EXPECT_FALSE(find(*view, "tuna")->isEnabled());
    treats->click();
    EXPECT_EQ(world.wallet->coins(), 0);
    EXPECT_EQ(world.sounds, std::vector<PetSound>{PetSound::buy});
    EXPECT_EQ(world.life->meal(), ShopItem::treats);
    EXPECT_FALSE(treats->isEnabled());
    EXPECT_EQ(find<QLabel>(*view, "coins")->text(), "0");
}

TEST_F(SettingsBehaviour, HomeItemsGoInAndOutAndToysWaitForTheCat) {
    world.wallet->setEnabled(true);
    world.wallet->reward(40, kStart);
    auto view = world.view(SettingsTab::shop);
    auto* rug = find(*view, "rug");
    rug->click();
    EXPECT_TRUE(world.wallet->isShown(ShopItem::rug));
    EXPECT_EQ(world.wallet->coins(), 15);
    rug->click();
    EXPECT_FALSE(world.wallet->isShown(ShopItem::rug));
    rug->click();
    EXPECT_TRUE(world.wallet->isShown(ShopItem::rug));
    EXPECT_EQ(world.sounds, (std::vector<PetSound>{PetSound::buy, PetSound::tap, PetSound::tap}));
    EXPECT_EQ(world.wallet->coins(), 15);

    auto* box = find(*view, "box");
    EXPECT_EQ(box->toolTip(), "Cardboard box: If he fits, he sits.");
    box->click();
    EXPECT_TRUE(world.wallet->owned().count(ShopItem::box));
    EXPECT_EQ(world.wallet->coins(), 7);
    PetLifeTestAccess::setOut(*world.life, true);
    emit world.life->changed();
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->toolTip(), "Cardboard box: he's in another room");
}

TEST_F(SettingsBehaviour, AMealTheCatCannotEatCostsNothingAndTheTileSaysWhy) {
    world.wallet->setEnabled(true);
    world.wallet->reward(20, kStart);
    world.life->setSleeping(true);
    PetLifeTestAccess::setNightSleepUntil(*world.life, kStart + 3000);
    auto view = world.view(SettingsTab::shop);
    auto* tuna = find(*view, "tuna");
    EXPECT_FALSE(tuna->isEnabled());
    EXPECT_TRUE(tuna->toolTip().endsWith(": he's asleep for the night")) << tuna->toolTip().toStdString();
    settings::shopAction(ShopItem::tuna, *world.wallet, world.life.get(), [&](PetSound s) { world.sounds.push_back(s); });
    EXPECT_EQ(world.wallet->coins(), 20);
    EXPECT_TRUE(world.sounds.empty());
    EXPECT_FALSE(world.life->meal());

    world.life->setSleeping(false);
    emit world.life->changed();
    EXPECT_TRUE(tuna->isEnabled());
    tuna->click();
    EXPECT_EQ(world.wallet->coins(), 20 - price(ShopItem::tuna));
    EXPECT_EQ(world.sounds, std::vector<PetSound>{PetSound::buy});
    EXPECT_EQ(world.life->meal(), ShopItem::tuna);
}

TEST_F(SettingsBehaviour, TileRulesForMoneyDeathAndAbsence) {
    world.wallet->setEnabled(true);
    world.wallet->reward(100, kStart);
    ASSERT_TRUE(world.wallet->buy(ShopItem::yarn));
    ASSERT_TRUE(world.wallet->buy(ShopItem::cushion));
    const settings::CatWhereabouts home{}, dead{true, false, true, {}}, away{false, false, false, {}};
    EXPECT_TRUE(settings::shopTile(ShopItem::salmon, *world.wallet, home).enabled);
    EXPECT_FALSE(settings::shopTile(ShopItem::salmon, *world.wallet, dead).enabled);
    EXPECT_FALSE(settings::shopTile(ShopItem::cushion, *world.wallet, dead).enabled);
    const auto yarn = settings::shopTile(ShopItem::yarn, *world.wallet, away);
    EXPECT_TRUE(yarn.owned && yarn.away && !yarn.enabled);
    EXPECT_TRUE(settings::shopTile(ShopItem::cushion, *world.wallet, away).enabled);
    EXPECT_EQ(settings::shopStatusWord(ShopItem::yarn, true, true), "Play");
    EXPECT_EQ(settings::shopStatusWord(ShopItem::cushion, true, false), "Put away");
    // With coins off, what is not owned says so and cannot be pressed; what is owned still works.
    world.wallet->setEnabled(false);
    const auto treats = settings::shopTile(ShopItem::treats, *world.wallet, home);
    EXPECT_FALSE(treats.enabled);
    EXPECT_TRUE(treats.coinsOff);
    EXPECT_TRUE(settings::shopTile(ShopItem::cushion, *world.wallet, home).enabled);
    auto view = world.view(SettingsTab::shop);
    const QImage img = shoot(*view, "shop-coins-off");
    int offTiles = 0;
    for (QWidget* w : view->page()->findChildren<QWidget*>())
        if (w->toolTip().contains("turn on Pomodoro & coins")) {
            ++offTiles;
            EXPECT_FALSE(w->isEnabled());
        }
    EXPECT_GT(offTiles, 0);
}

// --- About -----------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, VersionTextFallsBackAndLinksOpen) {
    // Unknown at run time, the version and build are the ones the project was built as.
    const QString built = QStringLiteral(KP_PROJECT_VERSION " (" KP_PROJECT_BUILD ")");
    EXPECT_EQ(settings::appVersionText({}), built);
    EXPECT_EQ(settings::appVersionText({{"version", 2}}), built);
    EXPECT_EQ(settings::appVersionText({{"version", "2.0"}}), QStringLiteral("2.0 (" KP_PROJECT_BUILD ")"));
    EXPECT_EQ(settings::appVersionText({{"version", "2.3"}, {"build", "41"}}), "2.3 (41)");
    auto view = world.view(SettingsTab::about);
    EXPECT_EQ(find<QLabel>(*view, "version")->text(), QStringLiteral("Version ") + built);
    // One maker, said the same way in the header and the footer.
    const auto labels = view->findChildren<QLabel*>();
    const bool byOne = std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Made with love by one person"; });
    EXPECT_TRUE(byOne);
    for (QLabel* l : labels) EXPECT_FALSE(l->text().contains("developers")) << l->text().toStdString();
    find(*view, "tipJar")->click();
    find(*view, "website")->click();
    EXPECT_EQ(world.opened, (std::vector<QUrl>{tipJarURL(), websiteURL()}));
}

TEST_F(SettingsBehaviour, ButtonsAndTabsTapAtThePressSwitchesStayQuiet) {
    auto view = world.view(SettingsTab::notch);
    view->show();
    auto* again = find(*view, "showAgain");
    QTest::mousePress(again, Qt::LeftButton);
    EXPECT_EQ(world.sounds, std::vector<PetSound>{PetSound::tap});
    QTest::mouseRelease(again, Qt::LeftButton);
    EXPECT_EQ(world.sounds.size(), 1u);
    QTest::mouseClick(find(*view, "peekOnHover"), Qt::LeftButton);
    EXPECT_EQ(world.sounds.size(), 1u);
    EXPECT_FALSE(world.store->boolValue("peekOnHover"));

    SettingsTabs* bar = view->tabBar();
    const auto rects = bar->tabRects();
    const auto& tabs = bar->tabs();
    std::size_t notch = 0, about = 0;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].id == int(SettingsTab::notch)) notch = i;
        if (tabs[i].id == int(SettingsTab::about)) about = i;
    }
    QTest::mouseClick(bar, Qt::LeftButton, {}, rects[notch].center().toPoint());
    EXPECT_EQ(world.sounds.size(), 1u) << "the tab already shown";
    QTest::mouseClick(bar, Qt::LeftButton, {}, rects[about].center().toPoint());
    EXPECT_EQ(world.sounds.size(), 2u);
    EXPECT_EQ(world.router.tab(), SettingsTab::about);
    EXPECT_EQ(view->pageTab(), SettingsTab::about);
}

namespace {
class HereLocation final : public SkyLocationProvider {
public:
    Authorization authorization() const override { return Authorization::authorized; }
    void requestAuthorization() override {}
    void startUpdating() override { updating = true; }
    void stopUpdating() override { updating = false; }
    void deliver() { emit locationsUpdated({SkyCoordinate{48.1, 11.6}}); }
    bool updating = false;
};
class AnsweringWeather final : public SkySystemWeather {
public:
    void current(SkyCoordinate, std::function<void(std::optional<Current>)> done) override {
        done(Current{QStringLiteral("clear"), QStringLiteral("Clear")});
    }
    void attribution(std::function<void(std::optional<SkyAttribution>)> done) override {
        done(SkyAttribution{QStringLiteral("Weather"), QUrl(QStringLiteral("https://example.org/legal"))});
    }
};
}  // namespace

TEST_F(SettingsBehaviour, LiveWeatherGoesThroughTheWeatherModelAndCreditsItsSource) {
    HereLocation here;
    AnsweringWeather weather;
    SkyModel sky(*world.store, world.clock, world.scheduler, here, weather);
    SettingsServices services = world.services();
    services.sky = &sky;
    world.router.setTab(SettingsTab::world);
    TestSettingsView view(services);
    auto* row = view.page()->findChild<SettingsRow*>("liveWeatherRow");
    auto* credit = view.page()->findChild<QLabel*>("weatherCredit");
    ASSERT_TRUE(row && credit);
    EXPECT_EQ(row->detail()->text(), "Following the clock only.");
    view.page()->findChild<TobbiToggle*>("liveWeather")->click();
    EXPECT_TRUE(world.store->boolValue("liveWeather"));
    EXPECT_TRUE(view.page()->findChild<TobbiToggle*>("liveWeather")->isChecked());
    here.deliver();
    world.scheduler.advance(1);
    ASSERT_EQ(sky.status().kind(), SkyModel::Status::Kind::live);
    EXPECT_TRUE(row->detail()->text().startsWith("Live: "));
    EXPECT_FALSE(credit->isHidden());
    EXPECT_TRUE(credit->text().contains("Data sources"));
    EXPECT_TRUE(credit->text().contains("https://example.org/legal"));
    shoot(view, "world-live");
    // Off again: the clock only, and the credit of the last answer stays.
    view.page()->findChild<TobbiToggle*>("liveWeather")->click();
    EXPECT_FALSE(world.store->boolValue("liveWeather"));
    EXPECT_EQ(row->detail()->text(), "Following the clock only.");
    EXPECT_TRUE(credit->text().contains("Data sources"));
}

// --- Words ---------------------------------------------------------------------------------------

TEST_F(SettingsBehaviour, TextsNameThisDesktopNotAnotherOne) {
    world.wallet->setEnabled(true);
    world.store->set("togetherSeconds", 25200.0);
    world.build();
    world.wallet->setEnabled(true);
    QString all;  // as read: the word joiners that keep a name on one line are not seen
    for (SettingsTab tab : allCases<SettingsTab>()) {
        auto view = world.view(tab);
        for (const QLabel* label : view->page()->findChildren<QLabel*>())
            all += QString(label->text()).remove(QChar(0x2060)) + QLatin1Char('\n');
    }
    all += settings::pomodoroFooter(true, true) + QLatin1Char('\n') + settings::pomodoroFooter(false, true);
    for (const char* word : {"Dock", "TextEdit", "Apple", "menu bar", "macOS", "Mac ", "Mac.", "Finder",
                             "System Settings", "Spotify and Music"})
        EXPECT_FALSE(all.contains(QLatin1String(word))) << word;
    EXPECT_TRUE(all.contains(QStringLiteral("naps on the dock or panel.")));
    EXPECT_TRUE(all.contains(QStringLiteral("(your text editor opens in the background)")));
    EXPECT_TRUE(all.contains(QStringLiteral("Weather by Open-Meteo.")));
    // No recordings ship: the credit says where the user's own are taken from.
    EXPECT_FALSE(all.contains(QLatin1String("real recordings")));
    EXPECT_TRUE(all.contains(QStringLiteral("made by the app; recordings you place in ")));
    EXPECT_TRUE(all.contains(QStringLiteral("kettlepaw/Sounds are played instead.")));
    EXPECT_TRUE(all.contains(QStringLiteral("keeps your computer awake")));
    EXPECT_TRUE(all.contains(QStringLiteral("from the tray icon's menu.")));
    EXPECT_TRUE(settings::pomodoroFooter(true, true).contains(QStringLiteral("or use the tray icon's menu.")));
    // With no tray to hold the icon, the menu is named where it is: on the island.
    world.tray = false;
    auto sound = world.view(SettingsTab::world);
    QString untrayed;
    for (const QLabel* label : sound->page()->findChildren<QLabel*>()) untrayed += label->text() + QLatin1Char('\n');
    EXPECT_TRUE(untrayed.contains(QStringLiteral("from the island's right-click menu.")));
    EXPECT_FALSE(untrayed.contains(QStringLiteral("tray")));
    EXPECT_TRUE(settings::pomodoroFooter(true, false).contains(QStringLiteral("or use the island's right-click menu.")));
}
