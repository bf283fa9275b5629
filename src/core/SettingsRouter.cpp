#include "core/SettingsRouter.h"

#include <QString>

#include <string>
#include <string_view>

namespace kp {

const char* settingsTabTitle(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::cat: return "Cat";
        case SettingsTab::desktop: return "Desktop";
        case SettingsTab::wardrobe: return "Closet";
        case SettingsTab::shop: return "Shop";
        case SettingsTab::world: return "Sound";
        case SettingsTab::notch: return "Notch";
        case SettingsTab::about: return "About";
    }
    return "";
}

std::optional<SettingsTab> settingsTabFromObject(const std::any& object) {
    if (const auto* s = std::any_cast<std::string>(&object)) return fromRawValue<SettingsTab>(*s);
    if (const auto* s = std::any_cast<std::string_view>(&object)) return fromRawValue<SettingsTab>(*s);
    if (const auto* s = std::any_cast<const char*>(&object)) return *s ? fromRawValue<SettingsTab>(*s) : std::nullopt;
    if (const auto* s = std::any_cast<QString>(&object)) return fromRawValue<SettingsTab>(s->toStdString());
    return std::nullopt;
}

SettingsRouter& SettingsRouter::shared() {
    static SettingsRouter router;
    return router;
}

void SettingsRouter::setTab(SettingsTab tab) {
    tab_ = tab;
    emit tabChanged();
}

}  // namespace kp
