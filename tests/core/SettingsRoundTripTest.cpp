// Every value the app writes into its settings file survives a restart, read back by the reader the
// app uses. The table has a line per key; the keys the app's sources write must match it, so a
// setting added without a line here fails.
#include "support/Scratch.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <gtest/gtest.h>

#include "cat/CatLook.h"
#include "cat/SeasonalAccessories.h"
#include "core/Preferences.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <functional>
#include <map>
#include <set>
#include <vector>

using namespace kp;
using kp::test::ScratchStore;

namespace {

QString num(double v) { return QString::number(v, 'g', 17); }
QString flag(bool on) { return on ? "true" : "false"; }
QString pieces(const std::set<CatAccessory>& set) {
    QStringList out;
    for (CatAccessory a : set) out << QString::fromLatin1(rawValue(a).data(), qsizetype(rawValue(a).size()));
    return out.join(' ');
}

struct Setting {
    const char* key;
    QVariant written;  // of the type the app's writer passes, never the default
    std::function<QString(Defaults&)> read;
    std::function<void(Defaults&)> write = {};  // the app's own writer where this floor reaches it
};

std::function<QString(Defaults&)> asBool(bool (*reader)(const Defaults&)) {
    return [reader](Defaults& s) { return flag(reader(s)); };
}
std::function<QString(Defaults&)> asNumber(double (*reader)(const Defaults&)) {
    return [reader](Defaults& s) { return num(reader(s)); };
}
std::function<QString(Defaults&)> plainBool(const char* key) {
    return [key](Defaults& s) { return flag(s.boolValue(key)); };
}
std::function<QString(Defaults&)> boolPreference(const char* key, bool fallback) {
    return [key, fallback](Defaults& s) { return flag(prefs::boolPreference(key, fallback, s)); };
}
std::function<QString(Defaults&)> moment(const char* key) {
    return [key](Defaults& s) { return prefs::moment(key, s) ? num(*prefs::moment(key, s)) : QString("none"); };
}
std::function<QString(Defaults&)> count(const char* key) {
    return [key](Defaults& s) { return QString::number(prefs::count(key, 1000, s)); };
}

const std::vector<Setting>& settingsTable() {
    static const std::vector<Setting> table{
        {"onboardedV1", true, plainBool("onboardedV1")},
        {"petName", QStringLiteral("Mochi, Ünal = 2"), [](Defaults& s) { return prefs::petName(s); }},
        {"catBreed", QStringLiteral("maineCoon"),
         [](Defaults& s) { return QString::fromLatin1(rawValue(storedBreed(s)).data()); }},
        {"liveWeather", true, asBool(prefs::liveWeather)},
        {"pomodoroAndCoins", true, [](Defaults& s) { return flag(Wallet(s).enabled()); },
         [](Defaults& s) { Wallet(s).setEnabled(true); }},
        {"pomodoroNudgeDone", true, plainBool("pomodoroNudgeDone")},
        {"pomodoroIntroSeen", true, plainBool("pomodoroIntroSeen")},
        {"soundOn", false, asBool(prefs::soundOn)},
        {"appSoundOn", false, asBool(prefs::appSoundOn)},
        {"musicOn", false, asBool(prefs::musicOn)},
        {"musicAlways", true, plainBool("musicAlways")},
        {"soundVolume", 0.3125, asNumber(prefs::soundVolume)},
        {"musicVolume", 0.8125, asNumber(prefs::musicVolume)},
        {"peekOnHover", false, boolPreference("peekOnHover", true)},
        {"openIdleSeconds", 12.5, asNumber(prefs::openIdleSeconds)},
        {"peekIdleSeconds", 95.0, asNumber(prefs::peekIdleSeconds)},
        {"beatLengthSeconds", 7.25, asNumber(prefs::beatLengthSeconds)},
        {"statDrainSeconds", 2700.5, asNumber(prefs::statDrainSeconds)},
        {"kittenLengthSeconds", 259200.0, asNumber(prefs::kittenLengthSeconds)},
        {"pomodoroFocusSeconds", 1800.0, asNumber(prefs::pomodoroFocusSeconds)},
        {"pomodoroBreakSeconds", 420.0, asNumber(prefs::pomodoroBreakSeconds)},
        {"pomodoroLongBreakSeconds", 1200.0, asNumber(prefs::pomodoroLongBreakSeconds)},
        {"desktopRoam", true, plainBool("desktopRoam")},
        {"desktopMischief", false, asBool(prefs::desktopMischief)},
        {"desktopLastKeyboard", 1.8e9 + 0.75, moment("desktopLastKeyboard")},
        {"togetherSeconds", 19035.0,
         [](Defaults& s) { return num(prefs::tuning("togetherSeconds", 0, s)); }},
        {"wardrobeGiftsSeen", QVariant::fromValue(17LL), count("wardrobeGiftsSeen")},
        {"seasonalPiecesSeen", QVariant(),
         [](Defaults& s) {
             std::set<CatAccessory> seen = seasonalPieces(s);
             for (CatAccessory a : unseenSeasonalPieces(s)) seen.erase(a);
             return pieces(seen);
         },
         [](Defaults& s) {
             writeSeasonalPieceList(s, "seasonalPieces", {CatAccessory::witchHat});
             markSeasonalPiecesSeen(s);
         }},
        {"seasonalPieces", QVariant(), [](Defaults& s) { return pieces(seasonalPieces(s)); },
         [](Defaults& s) {
             writeSeasonalPieceList(s, "seasonalPieces", {CatAccessory::witchHat, CatAccessory::santaHat});
         }},
        {"seasonalAnniversary", 8.1e8 - 3600.0, moment("seasonalAnniversary")},
        {"albumOpenedAt", 8.1e8 + 12.375, moment("albumOpenedAt")},
        {"albumGiftBase", 7, count("albumGiftBase")},
    };
    return table;
}

// The keys the app's sources write into the settings file: the first argument of every `set` on
// a store and of the helpers that bind a control to a key, as a literal or through a named constant.
std::set<QString> keysTheSourcesWrite() {
    std::map<QString, QString> constants;  // name -> literal
    std::vector<std::pair<QString, QString>> texts;
    QDirIterator files(QStringLiteral(KP_SOURCE_ROOT "/src"), {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    const QRegularExpression constant(
        R"re(\b(\w+)\s*=\s*(?:QStringLiteral\(|QLatin1String\(|QString::fromLatin1\()?"([a-z][A-Za-z0-9]*)"\)?\s*;)re");
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = constant.globalMatch(text); m.hasNext();) {
            const auto hit = m.next();
            constants[hit.captured(1)] = hit.captured(2);
        }
        texts.emplace_back(file.fileName(), text);
    }
    // A key argument: a literal, a constant (perhaps namespaced and wrapped) or a local naming one.
    const QString arg = R"re(\s*(?:QStringLiteral\(|QLatin1String\(|QString::fromLatin1\()?(?:"(\w+)"|(?:\w+::)*(\w+)))re";
    const QRegularExpression writes(R"re((?:\bstore\w*(?:\(\))?(?:\.|->)|(?:\.|->)store\w*(?:\(\))?->|(?:\.|->)store\w*\.)set\()re" + arg +
                                    R"re(|\b(?:boolToggle|volumeSlider|durationField|writeSeasonalPieceList)\(\s*\*?[\w.]+\s*,)re" +
                                    arg + R"re(|DurationField::forKey\([^,]*,\s*\w+\s*,)re" + arg);
    std::set<QString> keys;
    for (const auto& [name, text] : texts) {
        // Locals in this file that hold a key: `const QString key = QString::fromLatin1(ns::constant);`.
        std::map<QString, QString> locals;
        const QRegularExpression local(R"re(\bQString\s+(\w+)\s*=\s*QString::fromLatin1\((?:\w+::)*(\w+)\))re");
        for (auto m = local.globalMatch(text); m.hasNext();) {
            const auto hit = m.next();
            if (constants.count(hit.captured(2))) locals[hit.captured(1)] = constants[hit.captured(2)];
        }
        for (auto m = writes.globalMatch(text); m.hasNext();) {
            const auto hit = m.next();
            for (int group = 1; group <= hit.lastCapturedIndex(); group += 2) {
                if (!hit.captured(group).isEmpty()) keys.insert(hit.captured(group));
                const QString ident = hit.captured(group + 1);
                if (ident.isEmpty()) continue;
                if (locals.count(ident))
                    keys.insert(locals[ident]);
                else if (constants.count(ident))
                    keys.insert(constants[ident]);
            }
        }
    }
    return keys;
}

}  // namespace

TEST(SettingsRoundTrip, EveryValueTheAppWritesIntoItsSettingsFileSurvivesARestart) {
    ScratchStore empty;
    ScratchStore s;
    std::vector<QString> before;
    for (const Setting& row : settingsTable()) {
        if (row.write)
            row.write(*s);
        else
            s->set(row.key, row.written);
    }
    for (const Setting& row : settingsTable()) {
        before.push_back(row.read(*s));
        EXPECT_NE(before.back(), row.read(*empty)) << row.key << " is written as its default";
    }
    std::set<QString> keys;
    for (const Setting& row : settingsTable()) keys.insert(row.key);
    QSettings file(s.dir.path() + "/config/kettlepaw.conf", QSettings::IniFormat);
    const QStringList inFile = file.allKeys();
    EXPECT_EQ(std::set<QString>(inFile.begin(), inFile.end()), keys) << "every value lands in the file";

    s.restart();
    for (std::size_t i = 0; i < settingsTable().size(); ++i)
        EXPECT_EQ(settingsTable()[i].read(*s), before[i]) << settingsTable()[i].key << " was lost in a restart";
}

TEST(SettingsRoundTrip, TheTableHasALineForEveryKeyTheAppWrites) {
    std::set<QString> table;
    for (const Setting& row : settingsTable()) table.insert(row.key);
    const std::set<QString> written = keysTheSourcesWrite();
    for (const QString& key : written) EXPECT_TRUE(table.count(key)) << key.toStdString() << " has no line in the table";
    for (const QString& key : table) EXPECT_TRUE(written.count(key)) << key.toStdString() << " is written nowhere";
}

// The pomodoro's introduction, once finished or skipped, is not offered again after a restart.
TEST(SettingsRoundTrip, TheFinishedOrSkippedIntroductionStaysSeenAfterARestart) {
    for (const bool skip : {false, true}) {
        ScratchStore s;
        ManualClock clock{8.1e8};
        ManualScheduler scheduler;
        ManualInputIdleness idleness{0};
        NotificationCenter center;
        {
            Wallet wallet(*s);
            Pomodoro pomodoro(wallet, *s, clock, scheduler, idleness, center);
            pomodoro.startIntro();
            ASSERT_EQ(pomodoro.introStep(), 0);
            if (skip)
                pomodoro.skipIntro();
            else
                for (int i = 0; i < Pomodoro::introSteps; ++i) pomodoro.advanceIntro();
            ASSERT_EQ(pomodoro.introStep(), std::nullopt);
        }
        s.restart();
        Wallet wallet(*s);
        Pomodoro again(wallet, *s, clock, scheduler, idleness, center);
        again.startIntro();
        EXPECT_EQ(again.introStep(), std::nullopt) << (skip ? "skipped" : "finished") << " and offered again";
    }
}
