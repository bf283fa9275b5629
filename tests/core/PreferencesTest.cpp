#include "support/Scratch.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <functional>
#include <gtest/gtest.h>

#include "core/Preferences.h"

using namespace kp;
using kp::test::ScratchStore;

// Every number the app reads from the settings file, hand-edited to values no control would
// write: each falls back to its default or clamps, and a sensible value still reads as written.
TEST(Preferences, EveryNumericSettingFallsBackOrClampsOnAnyStoredNumber) {
    using Reader = std::function<double(const Defaults&)>;
    using On = double (*)(const Defaults&);
    const auto moment = [](const char* key) -> Reader {
        return [key](const Defaults& s) { return prefs::moment(key, s).value_or(-1e300); };
    };
    const auto count = [](const char* key) -> Reader {
        return [key](const Defaults& s) { return double(prefs::count(key, 1000, s)); };
    };
    struct Row {
        const char* key;
        Reader read;
        double fallback, atMinusOne, atHuge, sensible;
    };
    const double week = 7 * 86400;
    const std::vector<Row> rows = {
        {"statDrainSeconds", On(prefs::statDrainSeconds), 1800, 1800, 1800, 30 * 86400},
        {"kittenLengthSeconds", On(prefs::kittenLengthSeconds), 172800, 172800, 172800, 400 * 86400},
        {"beatLengthSeconds", On(prefs::beatLengthSeconds), 10, 10, 10, 2},
        {"pomodoroFocusSeconds", On(prefs::pomodoroFocusSeconds), 1500, 1500, 1500, week},
        {"pomodoroBreakSeconds", On(prefs::pomodoroBreakSeconds), 300, 300, 300, 600},
        {"pomodoroLongBreakSeconds", On(prefs::pomodoroLongBreakSeconds), 900, 900, 900, 1800},
        {"openIdleSeconds", On(prefs::openIdleSeconds), 5, 5, 5, 30 * 86400},
        {"peekIdleSeconds", On(prefs::peekIdleSeconds), 60, 60, 60, 3600},
        // Volumes read as stored; the players clamp.
        {"soundVolume", On(prefs::soundVolume), 0.5, -1, 1e308, 0.25},
        {"musicVolume", On(prefs::musicVolume), 0.5, -1, 1e308, 1.7},
        {"togetherSeconds", [](const Defaults& s) { return prefs::tuning("togetherSeconds", 0, s); }, 0, 0, 0,
         3 * 365 * 86400.0},
        {"albumOpenedAt", moment("albumOpenedAt"), -1e300, -1, -1e300, 8e8},
        {"desktopLastKeyboard", moment("desktopLastKeyboard"), -1e300, -1, -1e300, 1.8e9},
        {"seasonalAnniversary", moment("seasonalAnniversary"), -1e300, -1, -1e300, 8e8},
        {"albumGiftBase", count("albumGiftBase"), 0, 0, 0, 7},
        {"wardrobeGiftsSeen", count("wardrobeGiftsSeen"), 0, 0, 0, 12},
    };
    for (const Row& row : rows) {
        const std::vector<std::pair<QByteArray, double>> cases = {
            {"inf", row.fallback}, {"-inf", row.fallback}, {"nan", row.fallback},
            {"-1", row.atMinusOne}, {"1e308", row.atHuge}, {QByteArray::number(row.sensible, 'g', 17), row.sensible}};
        for (const auto& [text, expected] : cases) {
            ScratchStore s;
            QDir().mkpath(s.dir.path() + "/config");
            QFile conf(s.dir.path() + "/config/kettlepaw.conf");
            ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
            conf.write("[General]\n" + QByteArray(row.key) + "=" + text + "\n");
            conf.close();
            s.restart();
            EXPECT_DOUBLE_EQ(row.read(*s), expected) << row.key << "=" << text.constData();
        }
    }
}

TEST(Preferences, ANameFallsBackWhenEmptyAndIsCappedWholeCharactersAtATime) {
    ScratchStore s;
    s->set("petName", QString(""));
    EXPECT_EQ(prefs::petName(*s), "Tobbi");
    s->set("petName", QString(1 << 12, u'm'));
    s.restart();
    EXPECT_EQ(prefs::petName(*s), QString(prefs::longestName, u'm'));
    const QString cat = QString::fromUtf8("\xF0\x9F\x90\x88");  // one character, two UTF-16 units
    QString cats;
    for (int i = 0; i < 30; ++i) cats += cat;
    s->set("petName", cats);
    const QString capped = prefs::petName(*s);
    EXPECT_EQ(capped.size(), 2 * prefs::longestName);
    EXPECT_TRUE(capped.endsWith(cat));
}
