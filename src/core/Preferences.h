#pragma once
// Readers of the user's settings. Every read goes to the store afresh; nothing is cached, so a
// change takes effect at the next read. Unusable values fall back to the defaults below.
#include <QString>

#include <optional>

namespace kp {

class Defaults;

namespace prefs {

// Shared readers: absent or wrongly typed values give `fallback`, and so does a number that is
// not finite (a hand-edited "inf" or "nan").
bool boolPreference(const QString& key, bool fallback, const Defaults& store);
double doublePreference(const QString& key, double fallback, const Defaults& store);
// A tuning duration in seconds is used only when it is above 0 and no longer than the longest
// that setting can sensibly take: a day for a beat, a year for the stat drain, ten years for the
// kitten stage, a century for the time spent together, 30 days for the island's delays, a week for
// the pomodoro phases.
double tuning(const QString& key, double fallback, const Defaults& store);
// That longest, in seconds: the settings rows store no more, so what they store reads back.
double longestTuning(const QString& key);
// A stored moment in seconds; none when absent, not finite or beyond a few thousand years.
std::optional<double> moment(const QString& key, const Defaults& store);
// A stored count from 0 to `most`; 0 when absent, not a whole number in that range.
long long count(const QString& key, long long most, const Defaults& store);

// The longest name kept: longer ones, hand-edited or pasted, are cut here.
inline constexpr int longestName = 24;
// At most `longestName` characters, never splitting a character in two.
QString cappedName(const QString& name);

QString petName(const Defaults& store);        // "Tobbi" when absent or empty; capped
bool appSoundOn(const Defaults& store);         // true
bool soundOn(const Defaults& store);            // true
double soundVolume(const Defaults& store);      // 0.5; as stored, the players clamp
bool musicOn(const Defaults& store);            // true
double musicVolume(const Defaults& store);      // 0.5; as stored, the players clamp
bool desktopMischief(const Defaults& store);    // true

double statDrainSeconds(const Defaults& store);          // 1800
double kittenLengthSeconds(const Defaults& store);       // 172800
double beatLengthSeconds(const Defaults& store);         // 10
double pomodoroFocusSeconds(const Defaults& store);      // 1500
double pomodoroBreakSeconds(const Defaults& store);      // 300
double pomodoroLongBreakSeconds(const Defaults& store);  // 900
double openIdleSeconds(const Defaults& store);           // 5
double peekIdleSeconds(const Defaults& store);           // 60
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
