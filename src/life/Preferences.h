#pragma once
// Readers of the user's settings. Every read goes to the store afresh; nothing is cached, so a
// change takes effect at the next read. Unusable values fall back to the defaults below.
#include <QString>

namespace kp {

class Defaults;

namespace prefs {

// Shared readers: absent or wrongly typed values give `fallback`.
bool boolPreference(const QString& key, bool fallback, const Defaults& store);
double doublePreference(const QString& key, double fallback, const Defaults& store);
// A tuning value is used only when it is above 0.
double tuning(const QString& key, double fallback, const Defaults& store);

QString petName(const Defaults& store);        // "Tobbi" when absent or empty
bool appSoundOn(const Defaults& store);         // true
bool soundOn(const Defaults& store);            // true
double soundVolume(const Defaults& store);      // 0.5, unclamped
bool musicOn(const Defaults& store);            // true
double musicVolume(const Defaults& store);      // 0.5, unclamped
bool desktopMischief(const Defaults& store);    // true

double statDrainSeconds(const Defaults& store);          // 1800
double kittenLengthSeconds(const Defaults& store);       // 172800
double beatLengthSeconds(const Defaults& store);         // 10
double pomodoroFocusSeconds(const Defaults& store);      // 1500
double pomodoroBreakSeconds(const Defaults& store);      // 300
double pomodoroLongBreakSeconds(const Defaults& store);  // 900
bool liveWeather(const Defaults& store);                 // false

// The same readers on the app's standard store.
QString petName();
bool appSoundOn();
bool soundOn();
double soundVolume();
bool musicOn();
double musicVolume();
bool desktopMischief();
double statDrainSeconds();
double kittenLengthSeconds();
double beatLengthSeconds();
double pomodoroFocusSeconds();
double pomodoroBreakSeconds();
double pomodoroLongBreakSeconds();
bool liveWeather();

}  // namespace prefs
}  // namespace kp
