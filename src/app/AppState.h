#pragma once
// The app's shared state: what the island shows, where the pointer is, the notch's size, the
// face the life model asks for, the cat's name, and the app's one cat.
#include "core/BotFace.h"
#include "core/IslandTypes.h"
#include "life/PetTypes.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kp {

class Defaults;
class NotificationCenter;
class PetLife;

// The pitch the cat's voice is played at for its age.
double pitchForStage(PetStage stage);

class AppState : public QObject {
    Q_OBJECT
public:
    // Plays a sound of the cat at a pitch.
    using SoundPlayer = std::function<void(PetSound, double pitch)>;

    // Takes the cat, installs its face, emote and sound callbacks; `hub` receives its emotes.
    AppState(Defaults& store, std::unique_ptr<PetLife> life, NotificationCenter& hub, QObject* parent = nullptr);
    ~AppState() override;

    // The app's state, made on first use (after the application object exists), with the cat
    // read back from the standard store.
    static AppState& shared();
    static bool exists();

    PetLife& life() const { return *life_; }

    IslandMode mode() const { return mode_; }
    IslandView view() const { return view_; }
    IslandRoomKind roomKind() const { return roomKind_; }
    const QString& petName() const { return petName_; }
    std::optional<BotState> faceOverride() const { return faceOverride_; }
    void setMode(IslandMode mode);
    void setView(IslandView view);
    void setRoomKind(IslandRoomKind room);
    void setPetName(const QString& name);

    // Plain values, not announced: the pointer (on the island's screen, y downward), updated by
    // the island's poll; the notch; the island's current frame on its screen.
    QPointF mousePosition;
    double notchWidth = 184;
    double notchHeight = 32;
    QRectF islandFrame;

    // Targets of the cat's callbacks.
    void applyFace(std::optional<BotState> face);
    void playPetSound(PetSound sound);
    void postEmote(BotEmote emote);

    // Where the cat's sounds go (the sound player once it exists; nothing until then).
    void setSoundPlayer(SoundPlayer player) { soundPlayer_ = std::move(player); }

signals:
    // Any published value was assigned.
    void changed();
    void faceChanged();

private:
    std::unique_ptr<PetLife> life_;
    NotificationCenter& hub_;
    IslandMode mode_ = IslandMode::hidden;
    IslandView view_ = IslandView::room;
    IslandRoomKind roomKind_ = IslandRoomKind::bedroom;
    QString petName_;
    std::optional<BotState> faceOverride_;
    SoundPlayer soundPlayer_;
    bool closing_ = false;
};

}  // namespace kp
