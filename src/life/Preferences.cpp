#include "Preferences.h"

#include "platform/Defaults.h"

namespace kp::prefs {

bool boolPreference(const QString& key, bool fallback, const Defaults& store) {
    const QVariant v = store.object(key);
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    // A stored 0 or 1 is a boolean the platform wrote as a number.
    if (v.typeId() == QMetaType::Double && (v.toDouble() == 0.0 || v.toDouble() == 1.0)) return v.toDouble() == 1.0;
    return fallback;
}

double doublePreference(const QString& key, double fallback, const Defaults& store) {
    const QVariant v = store.object(key);
    return v.typeId() == QMetaType::Double ? v.toDouble() : fallback;
}

double tuning(const QString& key, double fallback, const Defaults& store) {
    const double v = store.doubleValue(key);
    return v > 0 ? v : fallback;
}

QString petName(const Defaults& store) {
    const QString name = store.string("petName");
    return name.isEmpty() ? QStringLiteral("Tobbi") : name;
}

bool appSoundOn(const Defaults& s) { return boolPreference("appSoundOn", true, s); }
bool soundOn(const Defaults& s) { return boolPreference("soundOn", true, s); }
double soundVolume(const Defaults& s) { return doublePreference("soundVolume", 0.5, s); }
bool musicOn(const Defaults& s) { return boolPreference("musicOn", true, s); }
double musicVolume(const Defaults& s) { return doublePreference("musicVolume", 0.5, s); }
bool desktopMischief(const Defaults& s) { return boolPreference("desktopMischief", true, s); }

double statDrainSeconds(const Defaults& s) { return tuning("statDrainSeconds", 1800, s); }
double kittenLengthSeconds(const Defaults& s) { return tuning("kittenLengthSeconds", 172800, s); }
double beatLengthSeconds(const Defaults& s) { return tuning("beatLengthSeconds", 10, s); }
double pomodoroFocusSeconds(const Defaults& s) { return tuning("pomodoroFocusSeconds", 1500, s); }
double pomodoroBreakSeconds(const Defaults& s) { return tuning("pomodoroBreakSeconds", 300, s); }
double pomodoroLongBreakSeconds(const Defaults& s) { return tuning("pomodoroLongBreakSeconds", 900, s); }
bool liveWeather(const Defaults& s) { return s.boolValue("liveWeather"); }

QString petName() { return petName(Defaults::standard()); }
bool appSoundOn() { return appSoundOn(Defaults::standard()); }
bool soundOn() { return soundOn(Defaults::standard()); }
double soundVolume() { return soundVolume(Defaults::standard()); }
bool musicOn() { return musicOn(Defaults::standard()); }
double musicVolume() { return musicVolume(Defaults::standard()); }
bool desktopMischief() { return desktopMischief(Defaults::standard()); }
double statDrainSeconds() { return statDrainSeconds(Defaults::standard()); }
double kittenLengthSeconds() { return kittenLengthSeconds(Defaults::standard()); }
double beatLengthSeconds() { return beatLengthSeconds(Defaults::standard()); }
double pomodoroFocusSeconds() { return pomodoroFocusSeconds(Defaults::standard()); }
double pomodoroBreakSeconds() { return pomodoroBreakSeconds(Defaults::standard()); }
double pomodoroLongBreakSeconds() { return pomodoroLongBreakSeconds(Defaults::standard()); }
bool liveWeather() { return liveWeather(Defaults::standard()); }

}  // namespace kp::prefs
