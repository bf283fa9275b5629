#include "app/AppInfo.h"

#include "album/AlbumWindow.h"
#include "album/MacAlbum.h"
#include "album/MacAlbumSnapshots.h"
#include "app/AppState.h"
#include "app/AppWiring.h"
#include "app/IslandContents.h"
#include "app/PomodoroNeighbour.h"
#include "audio/MusicBox.h"
#include "audio/PetSoundPlayer.h"
#include "audio/RoomAmbience.h"
#include "cat/Closet.h"
#include "desktop/DesktopRoam.h"
#include "life/MediaWatcher.h"
#include "life/PetLife.h"
#include "life/Pomodoro.h"
#include "life/SeasonalAward.h"
#include "life/SkyModel.h"
#include "life/Wallet.h"
#include "onboarding/OnboardingContent.h"
#include "platform/Defaults.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "rooms/IslandRoomView.h"
#include "rooms/RoomPhotographer.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsView.h"

#include <QPointer>
#include <QString>

namespace kp {

namespace {
void playAtNormalPitch(PetSound sound) { audio::PetSoundPlayer::shared().play(sound, 1.0); }

// Set once roaming has started; the menu asks before the app state exists.
DesktopRoam* startedRoam = nullptr;

// The album's photos of the cat's room, drawn apart from the island's room so that taking one
// changes nothing on screen, and so that pages get photos before the island first opens.
QImage roomSnapshot() {
    if (!AppState::exists()) return {};
    // Kept for the app's life (never destroyed: it listens to the shared hub).
    static auto* photographer =
        new RoomPhotographer(AppState::shared(), Closet::shared(), Pomodoro::shared(), Wallet::shared(),
                             Defaults::standard(), AppState::shared().life().clock(), NotificationCenter::shared());
    if (!photographer->catAtHome()) return {};
    // The photo shows the cat where it is now, not where its held-back steps left it.
    AppState::shared().life().catchUpMotion();
    const double now = AppState::shared().life().catTime();
    return roomSceneSnapshot([now](QPainter& p, const QRectF& rect) { photographer->paint(p, rect, now); });
}
}  // namespace

AppDelegate::Hooks appHooks() {
    AppDelegate::Hooks hooks;
    // The weather model starts live weather itself when it is switched on.
    hooks.startSky = [] { SkyModel::shared(); };
    hooks.neighbours.skyLook = [] { return SkyModel::shared().look(); };
    hooks.startMedia = [] { MediaWatcher::shared().start(); };
    hooks.neighbours.music = &audio::MusicBox::shared();
    // The island reads the music switches once it knows the mood; later changes, from any tab,
    // Restore defaults or the menu, reach the box through the store.
    audio::MusicBox::shared().followSettings(Defaults::standard());
    // Lives as long as the app: the island and the menu hold it.
    static PomodoroNeighbour pomodoro(Pomodoro::shared(), Wallet::shared());
    hooks.neighbours.pomodoro = &pomodoro;
    // The open island's room; its buttons tick at the normal pitch, not in the cat's voice.
    hooks.neighbours.makeRoom = [] {
        auto room = makeRoomContent(AppState::shared(), [] { playAtNormalPitch(PetSound::tap); });
        if (IslandRoomView* view = roomViewOf(room.get())) {
            view->setAlbumUnseenSource([] { return MacAlbum::shared().unseen(); });
            // The button's dot changes between the room's own frames only while it is on screen.
            QObject::connect(&MacAlbum::shared(), &MacAlbum::unseenChanged, view, [view] {
                if (view->isOnScreen()) emit view->frameDue();
            });
        }
        return room;
    };
    // Fresh pages each time the island enters its first-run state.
    hooks.neighbours.makeOnboarding = [] { return makeOnboardingContent(AppState::shared()); };
    // Built afresh each time the window opens; the window owns it.
    hooks.makeSettingsView = []() -> QWidget* { return new TestSettingsView(nullptr); };
    hooks.makeAlbumView = [](std::function<void()> onClose) -> QWidget* {
        return new AlbumWindowView(std::move(onClose));
    };
    hooks.followView = [](IslandRoomKind room) { AppState::shared().life().followView(room); };

    // Runs after the island has made the app state and the cat. A cat out on the desktop is
    // called home by the controller itself as soon as it sees the island open.
    hooks.startRoam = [] {
        DesktopRoam& roam = DesktopRoam::shared();
        Pomodoro::shared().setDesktopRoaming(&roam);
        setSharedSettingsRoaming({[&roam] { return roam.isOut(); }, [&roam] { roam.sendOut(); },
                                  [&roam] { roam.callHome(); }});
        startedRoam = &roam;
        roam.start();
    };
    wireRoaming(hooks, [] { return startedRoam; });

    wireAlbum(hooks.neighbours, [] () -> MacAlbum& { return MacAlbum::shared(); });
    hooks.startAlbum = [] {
        MacAlbum& album = MacAlbum::shared();
        album.setArrivalSnapshot(arrivalFilmSnapshot);
        album.setSceneSnapshot(roomSnapshot);
        album.start();
        wireFarewell(AppState::shared().life(), [] () -> MacAlbum& { return MacAlbum::shared(); });
    };

    hooks.configureState = [](AppState& state) {
        PetLife& life = state.life();
        state.setSoundPlayer([](PetSound sound, double pitch) {
            audio::PetSoundPlayer& player = audio::PetSoundPlayer::shared();
            player.setPitch(pitch);
            player.play(sound);
        });
        life.setAmbience(&audio::RoomAmbience::shared());
        life.setSkyLook([] { return SkyModel::shared().look(); });
        life.setVideoPlaying([] { return MediaWatcher::shared().playing().isVideo(); });
        life.setCareRecorder([](const QString& key, double at) { Wallet::shared().care(key.toStdString(), at); });

        PomodoroCat cat;
        cat.isDead = [] { return AppState::shared().life().isDead(); };
        cat.startFocusNap = [] { AppState::shared().life().startFocusNap(); };
        cat.endFocusNap = [] { AppState::shared().life().endFocusNap(); };
        Pomodoro::shared().setCat(std::move(cat));
        Pomodoro::shared().setChime([] { playAtNormalPitch(PetSound::chime); });

        // Holiday pieces for the wardrobe: checked now and on every wardrobe tick.
        Closet::shared().setSeasonalAward(
            seasonalAward(Defaults::standard(), [] { return std::optional<double>(AppState::shared().life().birth()); }));
    };
    hooks.playEffect = playAtNormalPitch;
    return hooks;
}

}  // namespace kp
