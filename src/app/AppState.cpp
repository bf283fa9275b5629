#include "app/AppState.h"

#include "core/Notifications.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QPointer>

namespace kp {

namespace {
AppState* sharedState = nullptr;
}

double pitchForStage(PetStage stage) {
    switch (stage) {
        case PetStage::kitten: return 1.3;
        case PetStage::junior: return 1.12;
        case PetStage::adult: return 1.0;
    }
    return 1.0;
}

AppState::AppState(Defaults& store, std::unique_ptr<PetLife> life, NotificationCenter& hub, QObject* parent)
    : QObject(parent), life_(std::move(life)), hub_(hub), petName_(prefs::petName(store)) {
    QPointer<AppState> self(this);
    life_->setOnFaceChange([self](std::optional<BotState> face) {
        if (self) self->applyFace(face);
    });
    life_->setOnEmote([self](BotEmote e) {
        if (self) self->postEmote(e);
    });
    life_->setOnSound([self](PetSound s) {
        if (self) self->playPetSound(s);
    });
}

AppState::~AppState() {
    if (sharedState == this) sharedState = nullptr;
    // The cat may still call out while it is taken down; nothing here answers any more.
    closing_ = true;
    life_.reset();
}

AppState& AppState::shared() {
    if (!sharedState) {
        auto life = std::make_unique<PetLife>(Defaults::standard(), SystemClock::shared(), SystemRandom::shared(),
                                              QtScheduler::shared());
        // Lives until the application object goes.
        sharedState = new AppState(Defaults::standard(), std::move(life), NotificationCenter::shared(), qApp);
    }
    return *sharedState;
}

bool AppState::exists() { return sharedState != nullptr; }

void AppState::setMode(IslandMode mode) {
    mode_ = mode;
    emit changed();
}

void AppState::setView(IslandView view) {
    view_ = view;
    emit changed();
}

void AppState::setRoomKind(IslandRoomKind room) {
    roomKind_ = room;
    emit changed();
}

void AppState::setPetName(const QString& name) {
    petName_ = name;
    emit changed();
}

void AppState::applyFace(std::optional<BotState> face) {
    if (closing_) return;
    faceOverride_ = face;
    emit faceChanged();
    emit changed();
}

void AppState::playPetSound(PetSound sound) {
    if (closing_) return;
    // A need's mew must be heard even with the island tucked away; the rest only while it shows.
    if (sound != PetSound::mew && mode_ == IslandMode::hidden) return;
    if (soundPlayer_) soundPlayer_(sound, pitchForStage(life_->stage()));
}

void AppState::postEmote(BotEmote emote) {
    if (!closing_) hub_.post(note::triggerEmote, emote);
}

}  // namespace kp
