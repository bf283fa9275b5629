#include "cat/FaceLogic.h"

#include "core/Notifications.h"
#include "cat/BotExpression.h"
#include "cat/CatMotion.h"
#include "platform/Clock.h"

#include <cmath>

namespace kp {

CatExpression faceExpression(const FaceInputs& in) {
    if (in.base) return *in.base;
    if (in.petDead || in.override == BotState::dead) return CatExpression::dead;
    if (in.emote) return expressionFor(*in.emote);
    if (in.override) return expressionFor(*in.override);
    return in.petSleeping ? CatExpression::asleep : CatExpression::content;
}

QPointF faceAim(QPointF pointer, QPointF face, double gain) {
    if (gain == 0) return {0, 0};
    return {std::tanh(gain * (pointer.x() - face.x()) / 40), std::tanh(gain * (pointer.y() - face.y()) / 40)};
}

FaceEmotes::FaceEmotes(NotificationCenter& hub, const Clock& clock)
    : clock_(clock),
      emoteSub_(hub, note::triggerEmote,
                [this](const std::any& object) {
                    // Anything but an emote is not for us.
                    if (const auto* e = notificationObject<BotEmote>(object)) {
                        emote_ = *e;
                        emoteAt_ = clock_.monotonic();
                        ++serial_;
                    }
                }),
      slapSub_(hub, note::triggerSlap, [this](const std::any&) {
          slapAt_ = clock_.monotonic();
          ++serial_;
      }) {}

std::optional<BotEmote> FaceEmotes::active() const {
    if (!emote_) return std::nullopt;
    const double age = clock_.monotonic() - emoteAt_;
    if (age < 0 || age >= kShowSeconds) return std::nullopt;
    return emote_;
}

void FaceEmotes::kick(LiveFace& face, double& seen, bool mirrored) const {
    if (slapAt_ <= seen) return;
    seen = slapAt_;
    face.sway.spring.velocity += 3 * (mirrored ? -1 : 1);
}

FaceEmotes& FaceEmotes::shared() {
    static FaceEmotes emotes(NotificationCenter::shared(), SystemClock::shared());
    return emotes;
}

}  // namespace kp
