#include "Preferences.h"

#include "platform/Defaults.h"

#include <cmath>

namespace kp::prefs {

namespace {
constexpr double kDay = 86400;
}  // namespace

double longestTuning(const QString& key) {
    if (key == QLatin1String("beatLengthSeconds")) return kDay;
    if (key == QLatin1String("statDrainSeconds")) return 365 * kDay;
    if (key == QLatin1String("kittenLengthSeconds")) return 3650 * kDay;
    if (key == QLatin1String("togetherSeconds")) return 36500 * kDay;
    // The island may be left open or peeking for as long as the settings window offers.
    if (key == QLatin1String("openIdleSeconds") || key == QLatin1String("peekIdleSeconds")) return 30 * kDay;
    return 7 * kDay;  // the pomodoro phases
}

bool boolPreference(const QString& key, bool fallback, const Defaults& store) {
    const QVariant v = store.object(key);
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    // A stored 0 or 1 is a boolean the platform wrote as a number.
    if (v.typeId() == QMetaType::Double && (v.toDouble() == 0.0 || v.toDouble() == 1.0)) return v.toDouble() == 1.0;
    return fallback;
}

double doublePreference(const QString& key, double fallback, const Defaults& store) {
    const QVariant v = store.object(key);
    return v.typeId() == QMetaType::Double && std::isfinite(v.toDouble()) ? v.toDouble() : fallback;
}

double tuning(const QString& key, double fallback, const Defaults& store) {
    const double v = store.doubleValue(key);
    return v > 0 && v <= longestTuning(key) ? v : fallback;
}

std::optional<double> moment(const QString& key, const Defaults& store) {
    const QVariant v = store.object(key);
    if (v.typeId() != QMetaType::Double || !(std::fabs(v.toDouble()) < 1e11)) return std::nullopt;
    return v.toDouble();
}

long long count(const QString& key, long long most, const Defaults& store) {
    const double v = store.doubleValue(key);
    return v >= 0 && v <= double(most) && v == std::floor(v) ? static_cast<long long>(v) : 0;
}

QString cappedName(const QString& name) {
    if (name.size() <= longestName) return name;
    // Cut by whole characters: a surrogate pair is one.
    qsizetype end = 0;
    for (int n = 0; n < longestName && end < name.size(); ++n)
        end += name.at(end).isHighSurrogate() && end + 1 < name.size() ? 2 : 1;
    return name.left(end);
}

QString petName(const Defaults& store) {
    const QString name = cappedName(store.string("petName"));
    return name.isEmpty() ? QStringLiteral("Tobbi") : name;
}

bool appSoundOn(const Defaults& s) { return boolPreference("appSoundOn", true, s); }
bool soundOn(const Defaults& s) { return boolPreference("soundOn", true, s); }
// Volumes read as stored: whoever plays the sound keeps it to 0...1.
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
double openIdleSeconds(const Defaults& s) { return tuning("openIdleSeconds", 5, s); }
double peekIdleSeconds(const Defaults& s) { return tuning("peekIdleSeconds", 60, s); }
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
