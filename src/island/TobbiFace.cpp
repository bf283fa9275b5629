#include "island/TobbiFace.h"

#include "app/Notifications.h"
#include "platform/Clock.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kp {

CatExpression expressionFor(BotState state) {
    switch (state) {
        case BotState::sleeping: return CatExpression::asleep;
        case BotState::grumpy: return CatExpression::grumpy;
        case BotState::sad: return CatExpression::sad;
        case BotState::sick: return CatExpression::sick;
        case BotState::dead: return CatExpression::dead;
        case BotState::idle:
        case BotState::working:
        case BotState::thinking:
        case BotState::searching: return CatExpression::content;
        case BotState::approval:
        case BotState::question: return CatExpression::meow;
        case BotState::error:
        case BotState::ratelimit:
        case BotState::dizzy: return CatExpression::surprised;
        case BotState::finished: return CatExpression::happy;
    }
    return CatExpression::content;
}

CatExpression expressionFor(BotEmote emote) {
    switch (emote) {
        case BotEmote::love: return CatExpression::love;
        case BotEmote::surprised: return CatExpression::surprised;
        case BotEmote::proud:
        case BotEmote::wink:
        case BotEmote::happy: return CatExpression::happy;
        case BotEmote::yawn: return CatExpression::sleepy;
        case BotEmote::annoyed: return CatExpression::grumpy;
    }
    return CatExpression::content;
}

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

void TobbiFace::paint(QPainter& p, const QRectF& box, const Look& look, const World& world,
                      const FaceEmotes& emotes, double t) const {
    // The slap gives the head a short jolt that dies away within a second.
    double sway = 0;
    const double since = t - emotes.lastSlap();
    if (since >= 0 && since < 1.0) sway = 9 * std::exp(-5 * since) * std::sin(14 * since) * (look.mirrored ? -1 : 1);
    paintPlainFace(p, box, expression(look, world, emotes), lookAt(look, world), look.mirrored, world.breed, sway);
}

namespace {

QColor furFor(CatBreed breed) {
    switch (breed) {
        case CatBreed::orange: return QColor("#E8A25A");
        case CatBreed::tuxedo:
        case CatBreed::black: return QColor("#35312F");
        case CatBreed::siamese: return QColor("#EADBC4");
        case CatBreed::british: return QColor("#8C95A3");
        case CatBreed::calico: return QColor("#F1E6D6");
        case CatBreed::fold: return QColor("#C9B49A");
        case CatBreed::maineCoon: return QColor("#9A6B45");
        case CatBreed::persian: return QColor("#F3EEE6");
        case CatBreed::snowshoe: return QColor("#E3D6C3");
    }
    return QColor("#E8A25A");
}

}  // namespace

void paintPlainFace(QPainter& p, const QRectF& box, CatExpression e, QPointF look, bool mirrored, CatBreed breed,
                    double swayDegrees) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center());
    const double s = std::min(box.width(), box.height()) / 30.0;  // drawn on a 30 x 30 grid
    p.scale(mirrored ? -s : s, s);
    p.rotate(swayDegrees);
    const QColor fur = furFor(breed);
    const bool darkFur = fur.lightnessF() < 0.35;
    const QColor ink = darkFur ? QColor("#F1E3C8") : QColor("#2A1E18");

    // Ears, then the head.
    p.setPen(Qt::NoPen);
    p.setBrush(fur);
    QPainterPath ears;
    ears.moveTo(-12, -3); ears.lineTo(-10, -14); ears.lineTo(-3, -9); ears.closeSubpath();
    ears.moveTo(12, -3); ears.lineTo(10, -14); ears.lineTo(3, -9); ears.closeSubpath();
    p.drawPath(ears);
    p.drawEllipse(QRectF(-13, -11, 26, 23));
    p.setBrush(QColor("#F2A7A0"));
    p.drawEllipse(QRectF(-1.3, 2.2, 2.6, 1.8));  // nose

    const double lx = look.x() * 1.6, ly = look.y() * 1.2;
    QPen line(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto dotEyes = [&](double r) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(-5.5 + lx, -1.5 + ly), r, r * 1.15);
        p.drawEllipse(QPointF(5.5 + lx, -1.5 + ly), r, r * 1.15);
    };
    auto arcEyes = [&](bool up) {
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        for (double x : {-5.5, 5.5}) {
            QPainterPath a;
            a.moveTo(x - 2.5, -1);
            a.quadTo(x, up ? -4.5 : 1.8, x + 2.5, -1);
            p.drawPath(a);
        }
    };
    auto lineEyes = [&](double tilt) {
        p.setPen(line);
        for (double x : {-5.5, 5.5}) {
            const double d = (x < 0 ? tilt : -tilt);
            p.drawLine(QPointF(x - 2.5, -1.5 - d), QPointF(x + 2.5, -1.5 + d));
        }
    };
    switch (e) {
        case CatExpression::content: dotEyes(1.8); break;
        case CatExpression::happy:
        case CatExpression::love:
        case CatExpression::eating: arcEyes(true); break;
        case CatExpression::sleepy:
        case CatExpression::asleep: arcEyes(false); break;
        case CatExpression::sad: dotEyes(1.6); lineEyes(0); break;
        case CatExpression::grumpy: lineEyes(1.2); break;
        case CatExpression::sick: lineEyes(-0.6); break;
        case CatExpression::surprised:
        case CatExpression::meow: dotEyes(2.4); break;
        case CatExpression::dead:
            p.setPen(line);
            for (double x : {-5.5, 5.5}) {
                p.drawLine(QPointF(x - 2, -3.5), QPointF(x + 2, 0.5));
                p.drawLine(QPointF(x - 2, 0.5), QPointF(x + 2, -3.5));
            }
            break;
    }
    // Mouth.
    p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    if (e == CatExpression::meow || e == CatExpression::surprised) {
        p.setBrush(QColor("#7A2E2E"));
        p.drawEllipse(QRectF(-1.8, 4.8, 3.6, 3.2));
    } else {
        QPainterPath m;
        m.moveTo(-3, 5.2);
        m.quadTo(-1.5, 6.6, 0, 5.2);
        m.quadTo(1.5, 6.6, 3, 5.2);
        p.drawPath(m);
    }
    if (e == CatExpression::love) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor("#F07C8C"));
        p.drawEllipse(QPointF(-9, 3), 2, 1.3);
        p.drawEllipse(QPointF(9, 3), 2, 1.3);
    }
    p.restore();
}

}  // namespace kp
