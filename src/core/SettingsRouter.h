#pragma once
// The settings window's selected tab, shared so that any part of the app can open the window on a
// given tab. Not stored: every launch starts on the Cat tab.
#include "platform/EnumNames.h"

#include <QObject>

#include <any>
#include <optional>

namespace kp {

enum class SettingsTab { cat, desktop, wardrobe, shop, world, notch, about };

template <>
struct EnumNames<SettingsTab> {
    static constexpr std::array<std::string_view, 7> names{"cat", "desktop", "wardrobe", "shop", "world", "notch",
                                                           "about"};
};

// What the tab bar shows for a tab.
const char* settingsTabTitle(SettingsTab tab);

// The tab a notification's object names: a string equal to a raw value (case-sensitive); any
// other object, or none, names no tab.
std::optional<SettingsTab> settingsTabFromObject(const std::any& object);

class SettingsRouter : public QObject {
    Q_OBJECT
public:
    static SettingsRouter& shared();
    SettingsTab tab() const { return tab_; }
    void setTab(SettingsTab tab);

signals:
    void tabChanged();

private:
    SettingsTab tab_ = SettingsTab::cat;
};

}  // namespace kp
