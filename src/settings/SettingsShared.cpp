// The settings window on the app's shared instances.
#include "settings/SettingsServices.h"
#include "settings/SettingsView.h"

#include "app/AppState.h"
#include "core/SettingsRouter.h"
#include "audio/MusicBox.h"
#include "audio/PetSoundPlayer.h"
#include "audio/RoomAmbience.h"
#include "cat/Closet.h"
#include "life/Pomodoro.h"
#include "life/SkyModel.h"
#include "life/Wallet.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/ReduceMotion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QSystemTrayIcon>

namespace kp {

namespace {

SettingsRoaming& sharedRoaming() {
    static SettingsRoaming roaming;
    return roaming;
}

SettingsArt& sharedArt() {
    static SettingsArt art;
    return art;
}

}  // namespace

void setSharedSettingsRoaming(SettingsRoaming roaming) { sharedRoaming() = std::move(roaming); }
void setSharedSettingsArt(SettingsArt art) { sharedArt() = std::move(art); }

SettingsServices sharedSettingsServices() {
    SettingsServices s;
    s.store = &Defaults::standard();
    s.router = &SettingsRouter::shared();
    s.life = &AppState::shared().life();
    s.wallet = &Wallet::shared();
    s.closet = &Closet::shared();
    s.pomodoro = &Pomodoro::shared();
    s.sky = &SkyModel::shared();
    s.ambience = &audio::RoomAmbience::shared();
    s.hub = &NotificationCenter::shared();
    s.roaming = sharedRoaming();
    s.art = sharedArt();
    s.playSound = [](PetSound sound) { audio::PetSoundPlayer::shared().play(sound); };
    s.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    s.now = [] { return SystemClock::shared().now(); };
    s.trayShown = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!QCoreApplication::applicationVersion().isEmpty())
        s.bundleInfo.insert(QStringLiteral("version"), QCoreApplication::applicationVersion());
    return s;
}

TestSettingsView::TestSettingsView(QWidget* parent) : TestSettingsView(sharedSettingsServices(), parent) {
    askReduceMotion(this, [this](bool reduce) { setReduceMotion(reduce); });
}

}  // namespace kp
