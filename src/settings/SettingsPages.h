#pragma once
// The cards of each settings tab, built afresh each time the tab comes on screen.
#include "settings/SettingsServices.h"

#include <QString>

#include <functional>

class QWidget;
class QVBoxLayout;

namespace kp {

class DurationField;
class KitSlider;
class TestSettingsView;
class TobbiToggle;

namespace settings {

// A column of cards: spacing 16, 2 at the sides and 20 at the bottom.
QWidget* makePage(QVBoxLayout*& column);

// Controls bound to one stored value each; they follow writes from elsewhere.
TobbiToggle* boolToggle(Defaults& store, const QString& key, bool fallback);
KitSlider* volumeSlider(Defaults& store, const QString& key, double fallback);
// A duration row bound to `key`, taking values from `minimum` seconds to the longest the key's
// reader takes.
DurationField* durationField(Defaults& store, const QString& key, double fallback, double minimum);

// A slot whose one widget is built again on demand.
class Slot {
public:
    Slot(QVBoxLayout* column, std::function<QWidget*()> build);
    void rebuild();
    QWidget* widget() const { return widget_; }

private:
    QVBoxLayout* column_;
    std::function<QWidget*()> build_;
    QWidget* widget_ = nullptr;
    int index_ = -1;
};

QWidget* buildCatPage(SettingsServices& s);
QWidget* buildDesktopPage(SettingsServices& s);
QWidget* buildWardrobePage(SettingsServices& s);
QWidget* buildShopPage(SettingsServices& s);
QWidget* buildSoundPage(SettingsServices& s);
QWidget* buildNotchPage(SettingsServices& s, TestSettingsView& view);
QWidget* buildAboutPage(SettingsServices& s);

// A coin and a number: the Desktop tab's balance (13) and the Shop's (30).
QWidget* coinBalance(SettingsServices& s, double coinSize, double textSize, int weight, const QColor& colour);

}  // namespace settings
}  // namespace kp
