#include "app/AppInfo.h"

#include "app/AppState.h"
#include "life/PetLife.h"

#if KP_HAVE_AUDIO
#include "audio/PetSoundPlayer.h"
#include "audio/RoomAmbience.h"
#endif

namespace kp {

AppDelegate::Hooks appHooks() {
    AppDelegate::Hooks hooks;
#if KP_HAVE_AUDIO
    hooks.configureState = [](AppState& state) {
        state.setSoundPlayer([](PetSound sound, double pitch) {
            audio::PetSoundPlayer& player = audio::PetSoundPlayer::shared();
            player.setPitch(pitch);
            player.play(sound);
        });
        state.life().setAmbience(&audio::RoomAmbience::shared());
    };
    hooks.playEffect = [](PetSound sound) {
        audio::PetSoundPlayer& player = audio::PetSoundPlayer::shared();
        player.setPitch(1.0);
        player.play(sound);
    };
#endif
    return hooks;
}

}  // namespace kp
