#include "island/TobbiFace.h"

#include "core/Notifications.h"
#include "cat/art/CatDrawing.h"
#include "platform/Clock.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kp {

CatExpression faceExpression(const FaceInputs& in) {
    if (in.base) return *in.base;
    if (in.petDead || in.override == BotState::dead) return CatExpression::dead;
    if (in.emote) return expressionFor(*in.emote);
    if (in.override) return expressionFor(*in.override);
    return in.petSleeping ? CatExpression::asleep : CatExpression::content;
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

FaceEmotes& FaceEmotes::shared() {
    static FaceEmotes emotes(NotificationCenter::shared(), SystemClock::shared());
    return emotes;
}

TobbiFace& TobbiFace::forKey(const std::string& key) {
    static std::map<std::string, std::unique_ptr<TobbiFace>> faces;
    auto& slot = faces[key];
    if (!slot) slot = std::make_unique<TobbiFace>();
    return *slot;
}

CatExpression TobbiFace::expression(const Look& look, const World& world, const FaceEmotes& emotes) const {
    FaceInputs in = world.inputs;
    in.base = look.base;
    in.emote = emotes.active();
    return faceExpression(in);
}

QPointF TobbiFace::lookAt(const Look& look, const World& world) {
    if (look.lookGain == 0) return {0, 0};
    const QRectF& f = world.islandFrame;
    const double fx = f.left() + (look.faceIslandX ? *look.faceIslandX : f.width() / 2);
    const double fy = f.top() + 0.6 * f.height();
    const double dx = world.pointer.x() - fx;
    const double dy = world.pointer.y() - fy;
    return {std::tanh(look.lookGain * dx / 40), std::tanh(look.lookGain * dy / 40)};
}

FaceFrame TobbiFace::frame(const Look& look, const World& world, const FaceEmotes& emotes, double t) {
    // A slap kicks the head's sway once.
    if (emotes.lastSlap() > slapSeen_) {
        slapSeen_ = emotes.lastSlap();
        live_.sway.spring.velocity += 3 * (look.mirrored ? -1 : 1);
    }
    const QRectF& f = world.islandFrame;
    const double x = f.left() + (look.faceIslandX ? *look.faceIslandX : f.width() / 2);
    return live_.frame(expression(look, world, emotes), x, t);
}

bool TobbiFace::wouldChange(const Look& look, const World& world, const FaceEmotes& emotes, double t) {
    if (!hasPainted_) return true;
    const FaceFrame now = frame(look, world, emotes, t);
    const QPointF eyes = lookAt(look, world);
    return !(now == painted_) || std::abs(eyes.x() - paintedLook_.x()) > 0.04 ||
           std::abs(eyes.y() - paintedLook_.y()) > 0.04;
}

void TobbiFace::paint(QPainter& p, const QRectF& box, const Look& look, const World& world, const FaceEmotes& emotes,
                      double t) {
    const FaceFrame f = frame(look, world, emotes, t);
    CatHead head;
    head.expression = f.expression;
    head.previous = f.previous;
    head.mix = f.mix;
    head.blink = f.blink;
    head.sway = f.sway;
    head.look = lookAt(look, world);
    head.mirrored = look.mirrored;
    head.size = std::min(box.width(), box.height());
    CatEnv env;
    env.breed = world.breed;
    if (world.outfit) env.outfit = *world.outfit;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center());
    head.paint(p, env);
    p.restore();
    painted_ = f;
    paintedLook_ = head.look;
    hasPainted_ = true;
}

}  // namespace kp
