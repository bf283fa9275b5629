#pragma once
// The settings window on a scratch store, with models driven by hand and fakes for the sound.
#include "life/PetLifeSupport.h"
#include "support/Scratch.h"

#include "core/SettingsRouter.h"
#include "cat/Closet.h"
#include "life/AmbienceTarget.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsView.h"

#include <QDir>
#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

namespace kp::test {

struct RecordingAmbience final : AmbienceTarget {
    int applied = 0;
    void apply() override { ++applied; }
};

// 2026-03-02 10:00 local-ish, in reference seconds.
inline constexpr double kStart = 794'134'800;

struct SettingsWorld {
    ScratchStore store;
    ManualScheduler scheduler;
    ManualClock clock{kStart};
    SeededRandom random{7};
    ManualInputIdleness idle{0};
    NotificationCenter hub;
    SettingsRouter router;
    RecordingAmbience ambience;
    std::unique_ptr<PetLife> life;
    std::unique_ptr<Wallet> wallet;
    std::unique_ptr<Closet> closet;
    std::unique_ptr<Pomodoro> pomodoro;
    std::vector<PetSound> sounds;
    std::vector<QUrl> opened;
    bool out = false;
    int sentOut = 0, calledHome = 0;

    SettingsWorld() { build(); }

    // (Re)makes the models from what the store holds now.
    void build() {
        pomodoro.reset();
        closet.reset();
        wallet.reset();
        life.reset();
        life = std::make_unique<PetLife>(*store, clock, random, scheduler);
        wallet = std::make_unique<Wallet>(*store);
        closet = std::make_unique<Closet>(*store, clock, idle, scheduler);
        pomodoro = std::make_unique<Pomodoro>(*wallet, *store, clock, scheduler, idle, hub);
    }

    bool tray = true;
    SettingsServices services() {
        SettingsServices s;
        s.store = &*store;
        s.router = &router;
        s.life = life.get();
        s.wallet = wallet.get();
        s.closet = closet.get();
        s.pomodoro = pomodoro.get();
        s.ambience = &ambience;
        s.hub = &hub;
        s.roaming.isOut = [this] { return out; };
        s.roaming.sendOut = [this] {
            ++sentOut;
            out = true;
        };
        s.roaming.callHome = [this] {
            ++calledHome;
            out = false;
        };
        s.playSound = [this](PetSound sound) { sounds.push_back(sound); };
        s.openUrl = [this](const QUrl& url) { opened.push_back(url); };
        s.trayShown = [this] { return tray; };
        s.now = [this] { return clock.now(); };
        return s;
    }

    std::unique_ptr<TestSettingsView> view(SettingsTab tab) {
        router.setTab(tab);
        auto v = std::make_unique<TestSettingsView>(services());
        v->resize(540, 700);
        v->setHeroTime(1.0);
        return v;
    }
};

// The whole window, tall enough for every card of the tab; saved under $KP_SETTINGS_SHOTS when set.
inline QImage shoot(TestSettingsView& view, const QString& name, int height = 0) {
    view.resize(540, 700);
    view.show();
    if (height == 0) {
        QWidget* page = view.page();
        page->adjustSize();
        height = std::max(700, 34 + 120 + 14 + 40 + 14 + page->sizeHint().height() + 10);
    }
    view.resize(540, height);
    QImage img = view.grab().toImage();
    const QString dir = qEnvironmentVariable("KP_SETTINGS_SHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        img.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
    return img;
}

}  // namespace kp::test
