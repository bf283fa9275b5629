#pragma once
// The settings window's content: the header with the drawn cat, the capsule tab bar and the cards
// of the selected tab in a scrolling column. Every change is written to the store at once and the
// shared models are called directly; nothing is saved on closing.
#include "core/SettingsRouter.h"
#include "settings/SettingsServices.h"

#include <QWidget>

class QScrollArea;
class QTimer;

namespace kp {

class SettingsHero;
class SettingsTabs;

class TestSettingsView : public QWidget {
    Q_OBJECT
public:
    using Tab = SettingsTab;
    static constexpr int width = 540;

    // On the app's shared instances (defined with sharedSettingsServices(), in SettingsShared.cpp).
    explicit TestSettingsView(QWidget* parent);
    explicit TestSettingsView(SettingsServices services, QWidget* parent = nullptr);
    ~TestSettingsView() override;

    SettingsServices& services() { return services_; }
    SettingsHero* hero() const { return hero_; }
    SettingsTabs* tabBar() const { return tabs_; }
    QScrollArea* column() const { return scroll_; }
    // The cards of the tab shown.
    QWidget* page() const { return page_; }
    Tab pageTab() const { return pageTab_; }

    // Moves the header's cat to a moment (reference seconds); the window's own timer does this 30
    // times a second while it is shown.
    void setHeroTime(double time);
    // Whether the header's cat is being animated frame by frame now.
    bool heroAnimating() const;
    void refreshHero();

    // Less motion: the buttons of every tab switch their pressed look at once. The window on the
    // shared instances asks the desktop for its wish when it is made.
    void setReduceMotion(bool on);
    bool reduceMotion() const { return reduceMotion_; }

    // The Notch tab's actions.
    void replayWelcome();
    void restoreDefaults();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshTabs();
    void showPage();

    SettingsServices services_;
    SettingsHero* hero_ = nullptr;
    SettingsTabs* tabs_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* page_ = nullptr;
    Tab pageTab_ = Tab::cat;
    bool reduceMotion_ = false;
    void animateHero();
    QTimer* heroTimer_ = nullptr;
    double heroTime_ = 0;
};

}  // namespace kp
