#include "rooms/Petting.h"

#include "core/BotFace.h"
#include "core/Notifications.h"
#include "life/PetLife.h"
#include "platform/NotificationCenter.h"

namespace kp {

PetResult petCat(PetLife& life, NotificationCenter& hub) {
    const PetResult result = life.pet();
    switch (result) {
    case PetResult::loved: hub.post(note::triggerEmote, BotEmote::love); break;
    case PetResult::wokeAngry:
    case PetResult::snoozed:
    case PetResult::ignored: break;
    case PetResult::fussed:
        hub.post(note::triggerEmote, BotEmote::annoyed);
        hub.post(note::triggerSlap, {});
        break;
    }
    return result;
}

PetResult petCat(PetLife& life) { return petCat(life, NotificationCenter::shared()); }

}  // namespace kp
