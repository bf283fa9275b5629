#include "app/AppDelegate.h"
#include "app/AppMenu.h"
#include "app/AppState.h"
#include "app/AppWindows.h"
#include "core/Notifications.h"
#include "core/SettingsRouter.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <string>
#include <vector>

using namespace kp;

namespace {

TEST(SettingsTabs, OnlyAnExactRawValueNamesATab) {
    EXPECT_EQ(settingsTabFromObject(std::string("shop")), SettingsTab::shop);
    EXPECT_EQ(settingsTabFromObject(QStringLiteral("world")), SettingsTab::world);
    EXPECT_EQ(settingsTabFromObject(std::string("wardrobe")), SettingsTab::wardrobe);
    EXPECT_FALSE(settingsTabFromObject(std::string("Shop")));
    EXPECT_FALSE(settingsTabFromObject(std::string("sound")));
    EXPECT_FALSE(settingsTabFromObject(std::string("closet")));
    EXPECT_FALSE(settingsTabFromObject(42));
    EXPECT_FALSE(settingsTabFromObject(std::any()));
    EXPECT_STREQ(settingsTabTitle(SettingsTab::world), "Sound");
}

struct Shell : ::testing::Test {
    test::ScratchStore store;
    NotificationCenter hub;
    int saves = 0;
    std::vector<PetSound> effects;
    std::unique_ptr<AppDelegate> delegate;

    void SetUp() override {
        AppDelegate::Hooks hooks;
        hooks.withIsland = false;
        hooks.store = store.store.get();
        hooks.hub = &hub;
        hooks.saveLife = [this] { ++saves; };
        hooks.playEffect = [this](PetSound s) { effects.push_back(s); };
        delegate = std::make_unique<AppDelegate>(std::move(hooks));
        delegate->didFinishLaunching();
        SettingsRouter::shared().setTab(SettingsTab::cat);
    }
    static int visibleWindowsTitled(const QString& title) {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == title) ++n;
        return n;
    }
};

TEST_F(Shell, SettingsOpensOnceAndASecondOpenOnlyRaisesIt) {
    delegate->openSettings();
    SettingsWindow* first = delegate->settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->size(), QSize(540, 700));
    EXPECT_EQ(first->palette().color(QPalette::Window), QColor(Qt::black));
    // Centred under the island's line, never beneath it.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(first->pos(), QPoint(screen.left() + (screen.width() - 540) / 2, screen.top() + 32 + 8));
    EXPECT_EQ(centredUnderNotch(QSize(460, 720), 62).y(), screen.top() + 62 + 8);
    delegate->perform(MenuAction::settings);
    EXPECT_EQ(delegate->settingsWindow(), first);
    EXPECT_EQ(visibleWindowsTitled("Settings"), 1);
    EXPECT_EQ(effects, std::vector<PetSound>{PetSound::open}) << "the open sound plays once";

    first->close();
    EXPECT_EQ(effects.back(), PetSound::close);
    delegate->openSettings();
    EXPECT_EQ(visibleWindowsTitled("Settings"), 1);
}

TEST_F(Shell, OpenFullSettingsSwitchesOnlyToANamedTab) {
    hub.post(note::openFullSettings, std::string("shop"));
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop);
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->isVisible());
    hub.post(note::openFullSettings, std::string("Shop"));
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop);
    delegate->settingsWindow()->close();
    hub.post(note::openFullSettings, 3);
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop);
    EXPECT_TRUE(delegate->settingsWindow()->isVisible()) << "opens all the same";
    delegate->perform(MenuAction::settings);
    EXPECT_EQ(SettingsRouter::shared().tab(), SettingsTab::shop) << "the menu leaves the tab as it was";
}

TEST_F(Shell, AlbumNotificationShowsTheAlbumWindow) {
    hub.post(note::openAlbum);
    AlbumWindow* album = delegate->albumWindow();
    ASSERT_NE(album, nullptr);
    EXPECT_TRUE(album->isVisible());
    EXPECT_EQ(album->windowTitle(), "Album");
    EXPECT_EQ(album->size(), QSize(460, 720));
    EXPECT_EQ(album->minimumSize(), QSize(360, 440));
    EXPECT_EQ(album->palette().color(QPalette::Window), QColor("#3A2A21"));
    hub.post(note::openAlbum);
    EXPECT_EQ(delegate->albumWindow(), album);
    EXPECT_EQ(visibleWindowsTitled("Album"), 1);
}

TEST_F(Shell, TerminationSavesTheCatExactlyOnce) {
    delegate->applicationWillTerminate();
    delegate->applicationWillTerminate();
    EXPECT_EQ(saves, 1);
}

TEST_F(Shell, MusicItemFlipsTheStoredSwitch) {
    EXPECT_TRUE(delegate->menuInputs().musicOn);
    delegate->perform(MenuAction::toggleMusic);
    EXPECT_FALSE(store->boolValue("musicOn"));
    EXPECT_TRUE(store->contains("musicOn"));
    EXPECT_FALSE(delegate->menuInputs().musicOn);
}

TEST(AppMenuTitles, RoamingItemWorksOnlyWhereRoamingExists) {
    MenuInputs in;
    EXPECT_FALSE(menuItems(in)[0].enabled) << "greyed out until the desktop cat is part of the app";
    in.roamingAvailable = true;
    EXPECT_TRUE(menuItems(in)[0].enabled);
    EXPECT_EQ(menuItems(in)[0].action, MenuAction::sendOut);
    in.roamingOut = true;
    EXPECT_EQ(menuItems(in)[0].action, MenuAction::callHome);
}

struct CatState : ::testing::Test {
    test::ScratchStore store;
    ManualClock clock{800000000, 1000};
    SeededRandom random{3};
    ManualScheduler scheduler;
    NotificationCenter hub;
    std::vector<std::pair<PetSound, double>> played;
    std::unique_ptr<AppState> state;

    void SetUp() override {
        store->set("petName", QStringLiteral("Mochi"));
        state = std::make_unique<AppState>(*store, std::make_unique<PetLife>(*store, clock, random, scheduler), hub);
        state->setSoundPlayer([this](PetSound s, double pitch) { played.emplace_back(s, pitch); });
    }
};

TEST_F(CatState, SoundsPassWhileTheIslandShowsAndTheMewAlways) {
    EXPECT_EQ(state->petName(), "Mochi");
    ASSERT_EQ(state->mode(), IslandMode::hidden);
    state->playPetSound(PetSound::purr);
    EXPECT_TRUE(played.empty());
    state->playPetSound(PetSound::mew);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0], std::make_pair(PetSound::mew, 1.3)) << "a newborn is a kitten";
    state->setMode(IslandMode::compact);
    state->life().setOnSound(nullptr);  // the app state's own path only
    state->playPetSound(PetSound::purr);
    EXPECT_EQ(played.size(), 2u);
    EXPECT_DOUBLE_EQ(pitchForStage(PetStage::junior), 1.12);
    EXPECT_DOUBLE_EQ(pitchForStage(PetStage::adult), 1.0);
}

TEST_F(CatState, FaceAndEmotesComeThroughTheCallbacks) {
    std::vector<BotEmote> seen;
    Subscription sub(hub, note::triggerEmote, [&](const std::any& o) {
        if (const auto* e = notificationObject<BotEmote>(o)) seen.push_back(*e);
    });
    state->postEmote(BotEmote::proud);
    EXPECT_EQ(seen, std::vector<BotEmote>{BotEmote::proud});
    int faces = 0;
    QObject::connect(state.get(), &AppState::faceChanged, [&] { ++faces; });
    state->applyFace(BotState::grumpy);
    EXPECT_EQ(state->faceOverride(), BotState::grumpy);
    state->applyFace(std::nullopt);
    EXPECT_FALSE(state->faceOverride());
    EXPECT_EQ(faces, 2);
}

}  // namespace
