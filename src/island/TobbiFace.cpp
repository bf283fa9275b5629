#include "island/TobbiFace.h"

#include "cat/art/CatDrawing.h"
#include "platform/Clock.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kp {

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
    const QRectF& f = world.islandFrame;
    const double fx = f.left() + (look.faceIslandX ? *look.faceIslandX : f.width() / 2);
    return faceAim(world.pointer, QPointF(fx, f.top() + 0.6 * f.height()), look.lookGain);
}

FaceFrame TobbiFace::frame(const Look& look, const World& world, const FaceEmotes& emotes, double t) {
    emotes.kick(live_, slapSeen_, look.mirrored);
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
