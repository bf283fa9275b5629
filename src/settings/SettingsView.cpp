#include "settings/SettingsView.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "cat/Closet.h"
#include "life/PetLife.h"
#include "life/Wallet.h"
#include "platform/Color.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"
#include "settings/SettingsPages.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <QVBoxLayout>

namespace kp {

TestSettingsView::TestSettingsView(SettingsServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("TestSettingsView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, kit::ink());
    pal.setColor(QPalette::Base, colorFromHex("#141414"));
    pal.setColor(QPalette::Text, kit::ink());
    pal.setColor(QPalette::Button, colorFromHex("#1E1E1E"));
    pal.setColor(QPalette::ButtonText, kit::ink());
    pal.setColor(QPalette::Highlight, kit::accent());
    pal.setColor(QPalette::Link, kit::accent());
    pal.setColor(QPalette::ToolTipBase, colorFromHex("#1A1A1A"));
    pal.setColor(QPalette::ToolTipText, kit::ink());
    setPalette(pal);
    // As wide as its column and no wider: only the height follows the window.
    setMinimumSize(width, 520);
    setMaximumWidth(width);
    if (!services_.art.coin || !services_.art.item) {
        const SettingsArt fallback = defaultSettingsArt();
        if (!services_.art.coin) services_.art.coin = fallback.coin;
        if (!services_.art.item) services_.art.item = fallback.item;
    }
    if (services_.playSound) {
        auto play = services_.playSound;
        kit::setTapSound([play] { play(PetSound::tap); });
    }

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 34, 20, 0);
    stack->setSpacing(14);
    hero_ = new SettingsHero(this);
    stack->addWidget(hero_);
    tabs_ = new SettingsTabs(this);
    stack->addWidget(tabs_);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    stack->addWidget(scroll_, 1);

    SettingsRouter& router = *services_.router;
    connect(tabs_, &SettingsTabs::selected, this, [&router](int id) { router.setTab(SettingsTab(id)); });
    connect(&router, &SettingsRouter::tabChanged, this, [this] {
        tabs_->setSelection(int(services_.router->tab()));
        if (services_.router->tab() != pageTab_ || !page_) showPage();
    });
    if (services_.wallet) connect(services_.wallet, &Wallet::enabledChanged, this, [this] { refreshTabs(); });
    Defaults& store = *services_.store;
    connect(&store, &Defaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String("petName") || key == QLatin1String("catBreed")) refreshHero();
    });
    if (services_.closet) connect(services_.closet, &Closet::outfitChanged, this, [this] { refreshHero(); });

    // The header's cat swings its tail all the while the window is shown, up to 30 frames a second.
    heroTimer_ = new QTimer(this);
    heroTimer_->setSingleShot(true);
    heroTimer_->setTimerType(Qt::PreciseTimer);
    connect(heroTimer_, &QTimer::timeout, this, [this] { animateHero(); });
    heroTime_ = services_.now ? services_.now() : 0;

    refreshTabs();
    showPage();
    refreshHero();
}

void TestSettingsView::setReduceMotion(bool on) {
    reduceMotion_ = on;
    if (page_)
        for (TobbiButton* button : page_->findChildren<TobbiButton*>()) button->setReduceMotion(on);
}

TestSettingsView::~TestSettingsView() {
    // The clicks went to this window's sound player.
    if (services_.playSound) kit::setTapSound({});
}

void TestSettingsView::refreshTabs() {
    std::vector<SettingsTabs::Tab> list;
    for (SettingsTab t : settings::visibleTabs(services_.wallet && services_.wallet->enabled()))
        list.push_back({int(t), QString::fromLatin1(settingsTabTitle(t)), QString::fromLatin1(settings::tabIcon(t))});
    tabs_->setTabs(std::move(list));
    tabs_->setSelection(int(services_.router->tab()));
}

void TestSettingsView::showPage() {
    pageTab_ = services_.router->tab();
    QWidget* next = nullptr;
    switch (pageTab_) {
        case Tab::cat: next = settings::buildCatPage(services_); break;
        case Tab::desktop: next = settings::buildDesktopPage(services_); break;
        case Tab::wardrobe: next = settings::buildWardrobePage(services_); break;
        case Tab::shop: next = settings::buildShopPage(services_); break;
        case Tab::world: next = settings::buildSoundPage(services_); break;
        case Tab::notch: next = settings::buildNotchPage(services_, *this); break;
        case Tab::about: next = settings::buildAboutPage(services_); break;
    }
    next->setObjectName(QStringLiteral("page-") + QString::fromLatin1(rawValue(pageTab_).data()));
    delete scroll_->takeWidget();
    page_ = next;
    setReduceMotion(reduceMotion_);
    scroll_->setWidget(page_);
    scroll_->verticalScrollBar()->setValue(0);
}

void TestSettingsView::animateHero() {
    if (!services_.now) return;
    const double now = services_.now();
    // The name, the pill's age and the look once a second; in between only the cat's time moves.
    if (std::floor(now) != std::floor(heroTime_)) {
        setHeroTime(now);
    } else {
        heroTime_ = now;
        hero_->tile()->setTime(now);
    }
    heroTimer_->start(33);
}

bool TestSettingsView::heroAnimating() const { return heroTimer_->isActive(); }

void TestSettingsView::setHeroTime(double time) {
    heroTime_ = time;
    refreshHero();
}

void TestSettingsView::refreshHero() {
    Defaults& store = *services_.store;
    const CatBreed breed = breedOrOrange(store.string(QStringLiteral("catBreed")));
    const PetLife* life = services_.life;
    const QString subtitle =
        settings::heroSubtitle(life ? life->stage() : PetStage::kitten, life ? life->ageText() : QStringLiteral("1m"));
    const CatOutfit outfit = services_.closet ? services_.closet->outfit() : CatOutfit{};
    hero_->set(settings::heroName(store), breed, subtitle, outfit, heroTime_);
}

void TestSettingsView::replayWelcome() {
    if (services_.hub) services_.hub->post(note::replayOnboarding);
}

void TestSettingsView::restoreDefaults() { settings::restoreDefaults(*services_.store); }

void TestSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window that holds this view is no wider than the view may be, so it cannot be stretched
    // into an empty black margin.
    if (QWidget* frame = window(); frame != this)
        frame->setMaximumWidth(width + std::max(0, frame->width() - QWidget::width()));
    animateHero();
}

void TestSettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    heroTimer_->stop();
}

}  // namespace kp
