#include "support/Scratch.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "platform/Paths.h"

using kp::test::ScratchStore;

TEST(Defaults, ValuesKeepTheirTypesAcrossARestart) {
    ScratchStore s;
    s->set("onboardedV1", true);
    s->set("soundVolume", 0.25);
    s->set("statDrainSeconds", 1800.0);
    s->set("petName", QStringLiteral("Mochi"));
    s->set("seasonalPieces", QStringList{"bunnyEars", "santaHat"});
    s->set("single", QStringList{"witchHat"});
    s.restart();

    EXPECT_EQ(s->object("onboardedV1").typeId(), QMetaType::Bool);
    EXPECT_TRUE(s->boolValue("onboardedV1"));
    EXPECT_EQ(s->object("soundVolume").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(s->doubleValue("soundVolume"), 0.25);
    EXPECT_DOUBLE_EQ(s->doubleValue("statDrainSeconds"), 1800.0);
    EXPECT_EQ(s->object("petName").typeId(), QMetaType::QString);
    EXPECT_EQ(s->string("petName"), "Mochi");
    EXPECT_EQ(s->stringArray("seasonalPieces"), (QStringList{"bunnyEars", "santaHat"}));
    EXPECT_EQ(s->stringArray("single"), QStringList{"witchHat"});
}

TEST(Defaults, AbsentValuesReadAsNothing) {
    ScratchStore s;
    EXPECT_FALSE(s->object("missing").isValid());
    EXPECT_FALSE(s->contains("missing"));
    EXPECT_EQ(s->string("missing"), QString());
    EXPECT_EQ(s->doubleValue("missing"), 0.0);
    EXPECT_FALSE(s->boolValue("missing"));
    EXPECT_TRUE(s->stringArray("missing").isEmpty());
    s->set("gone", 3.0);
    s->remove("gone");
    EXPECT_FALSE(s->contains("gone"));
}

TEST(Defaults, ConfigFileIsPlainIniWithTheAppsKeys) {
    ScratchStore s;
    s->set("onboardedV1", true);
    s.restart();
    QFile file(s.dir.path() + "/config/kettlepaw.conf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("onboardedV1=true"));
}

TEST(Defaults, RecordsAreFilesThatSurviveARestart) {
    ScratchStore s;
    const QByteArray json = R"({"hunger":40,"energy":25})";
    EXPECT_TRUE(s->setRecord("petLife.v1", json));
    EXPECT_TRUE(QFile::exists(s.dir.path() + "/data/petLife.v1.json"));
    s.restart();
    ASSERT_TRUE(s->record("petLife.v1").has_value());
    EXPECT_EQ(*s->record("petLife.v1"), json);
    EXPECT_FALSE(s->record("wallet.v1").has_value());
}

TEST(Defaults, AnUndecodableRecordIsKeptAsideAndTheDefaultsStand) {
    ScratchStore s;
    const QByteArray broken = "{not json";
    ASSERT_TRUE(s->setRecord("petLife.v1", broken));
    auto decoded = s->decodeRecord<int>("petLife.v1", [](const QByteArray& b) -> std::optional<int> {
        if (b.startsWith("{\"ok\"")) return 1;
        return std::nullopt;
    });
    EXPECT_FALSE(decoded.has_value());
    EXPECT_FALSE(s->record("petLife.v1").has_value());  // the defaults can now be saved safely

    const QStringList aside = QDir(s.dir.path() + "/data").entryList({"petLife.v1.unreadable-*.json"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(s.dir.path() + "/data/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);

    // A second bad record in the same second does not overwrite the first one kept aside.
    ASSERT_TRUE(s->setRecord("petLife.v1", "also broken"));
    EXPECT_FALSE(s->keepAside("petLife.v1").isEmpty());
    EXPECT_EQ(QDir(s.dir.path() + "/data").entryList({"petLife.v1.unreadable-*.json"}).size(), 2);
}

TEST(Defaults, EveryWriteIsAnnounced) {
    ScratchStore s;
    QSignalSpy spy(s.store.get(), &kp::Defaults::changed);
    s->set("soundOn", false);
    s->setRecord("wallet.v1", "{}");
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), "soundOn");
    EXPECT_EQ(spy.at(1).at(0).toString(), "wallet.v1");
}

TEST(Paths, FollowTheXdgVariables) {
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/kp-config");
    qputenv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(kp::paths::configFile(), "/tmp/kp-config/kettlepaw/kettlepaw.conf");
    EXPECT_EQ(kp::paths::dataDir(), QDir::homePath() + "/.local/share/kettlepaw");
    qputenv("XDG_CONFIG_HOME", oldConfig);
    qputenv("XDG_DATA_HOME", oldData);
}
