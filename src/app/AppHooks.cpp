#include "app/AppInfo.h"

#include "app/AppState.h"
#include "life/PetLife.h"

#if KP_HAVE_AUDIO
#include "audio/MusicBox.h"
#include "audio/PetSoundPlayer.h"
#include "audio/RoomAmbience.h"
#endif
#if KP_HAVE_WORLD
#include "app/PomodoroNeighbour.h"
#include "life/Pomodoro.h"
#include "life/Wallet.h"
#endif
#if KP_HAVE_SKY
#include "life/SkyModel.h"
#endif
#if KP_HAVE_MEDIA
#include "life/MediaWatcher.h"
#endif

#include <QString>

namespace kp {

namespace {
#if KP_HAVE_AUDIO
void playAtNormalPitch(PetSound sound) {
    audio::PetSoundPlayer& player = audio::PetSoundPlayer::shared();
    player.setPitch(1.0);
    player.play(sound);
}
#endif
}  // namespace

AppDelegate::Hooks appHooks() {
    AppDelegate::Hooks hooks;
#if KP_HAVE_SKY
    // The weather model starts live weather itself when it is switched on.
    hooks.startSky = [] { SkyModel::shared(); };
    hooks.neighbours.skyLook = [] { return SkyModel::shared().look(); };
#endif
#if KP_HAVE_MEDIA
    hooks.startMedia = [] { MediaWatcher::shared().start(); };
#endif
#if KP_HAVE_AUDIO
    hooks.neighbours.music = &audio::MusicBox::shared();
#endif
#if KP_HAVE_WORLD
    // Lives as long as the app: the island and the menu hold it.
    static PomodoroNeighbour pomodoro(Pomodoro::shared(), Wallet::shared());
    hooks.neighbours.pomodoro = &pomodoro;
#endif
    hooks.configureState = [](AppState& state) {
        PetLife& life = state.life();
#if KP_HAVE_AUDIO
        state.setSoundPlayer([](PetSound sound, double pitch) {
            audio::PetSoundPlayer& player = audio::PetSoundPlayer::shared();
            player.setPitch(pitch);
            player.play(sound);
        });
        life.setAmbience(&audio::RoomAmbience::shared());
#endif
#if KP_HAVE_SKY
        life.setSkyLook([] { return SkyModel::shared().look(); });
#endif
#if KP_HAVE_MEDIA
        life.setVideoPlaying([] { return MediaWatcher::shared().playing().isVideo(); });
#endif
#if KP_HAVE_WORLD
        life.setCareRecorder([](const QString& key, double at) { Wallet::shared().care(key.toStdString(), at); });
        PomodoroCat cat;
        cat.isDead = [] { return AppState::shared().life().isDead(); };
        Pomodoro::shared().setCat(std::move(cat));
#if KP_HAVE_AUDIO
        Pomodoro::shared().setChime([] { playAtNormalPitch(PetSound::chime); });
#endif
#endif
        (void)life;
    };
#if KP_HAVE_AUDIO
    hooks.playEffect = playAtNormalPitch;
#endif
    return hooks;
}

}  // namespace kp
