#include "support/Scratch.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include "life/Preferences.h"

using namespace kp;
using kp::test::ScratchStore;

TEST(Preferences, PetNameFallsBackOnlyWhenAbsentOrEmpty) {
    ScratchStore s;
    EXPECT_EQ(prefs::petName(*s), "Tobbi");
    s->set("petName", QString(""));
    EXPECT_EQ(prefs::petName(*s), "Tobbi");
    s->set("petName", QString(" "));
    EXPECT_EQ(prefs::petName(*s), " ");
    s->set("petName", QString("  Mochi "));
    s.restart();
    EXPECT_EQ(prefs::petName(*s), "  Mochi ");
}

TEST(Preferences, SwitchesUseAStoredBooleanAndOtherwiseTrue) {
    ScratchStore s;
    EXPECT_TRUE(prefs::soundOn(*s));
    s->set("soundOn", false);
    s.restart();
    EXPECT_FALSE(prefs::soundOn(*s));
    s->set("soundOn", QString("no"));
    s.restart();
    EXPECT_TRUE(prefs::soundOn(*s));
    s->set("appSoundOn", QDateTime::currentDateTime());
    EXPECT_TRUE(prefs::appSoundOn(*s));
    s->set("desktopMischief", false);
    s->set("musicOn", false);
    s.restart();
    EXPECT_FALSE(prefs::desktopMischief(*s));
    EXPECT_FALSE(prefs::musicOn(*s));
}

TEST(Preferences, VolumesUseAStoredNumberUnclamped) {
    ScratchStore s;
    EXPECT_DOUBLE_EQ(prefs::musicVolume(*s), 0.5);
    s->set("musicVolume", 1.7);
    s->set("soundVolume", QString("loud"));
    s.restart();
    EXPECT_DOUBLE_EQ(prefs::musicVolume(*s), 1.7);
    EXPECT_DOUBLE_EQ(prefs::soundVolume(*s), 0.5);
}

TEST(Preferences, TuningValuesAreUsedOnlyAboveZero) {
    ScratchStore s;
    EXPECT_DOUBLE_EQ(prefs::statDrainSeconds(*s), 1800);
    s->set("statDrainSeconds", -5.0);
    EXPECT_DOUBLE_EQ(prefs::statDrainSeconds(*s), 1800);
    s->set("statDrainSeconds", 0.0);
    EXPECT_DOUBLE_EQ(prefs::statDrainSeconds(*s), 1800);
    s->set("statDrainSeconds", QString("fast"));
    EXPECT_DOUBLE_EQ(prefs::statDrainSeconds(*s), 1800);
    s->set("statDrainSeconds", 60.0);
    s.restart();
    EXPECT_DOUBLE_EQ(prefs::statDrainSeconds(*s), 60);

    EXPECT_DOUBLE_EQ(prefs::kittenLengthSeconds(*s), 172800);
    EXPECT_DOUBLE_EQ(prefs::beatLengthSeconds(*s), 10);
    EXPECT_DOUBLE_EQ(prefs::pomodoroFocusSeconds(*s), 1500);
    EXPECT_DOUBLE_EQ(prefs::pomodoroBreakSeconds(*s), 300);
    EXPECT_DOUBLE_EQ(prefs::pomodoroLongBreakSeconds(*s), 900);
    EXPECT_FALSE(prefs::liveWeather(*s));
    s->set("liveWeather", true);
    EXPECT_TRUE(prefs::liveWeather(*s));
}
