#include "rooms/RoomCat.h"

#include "app/AppState.h"
#include "core/Notifications.h"
#include "cat/BotExpression.h"
#include "cat/Closet.h"
#include "cat/art/CatDrawing.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/Defaults.h"
#include "rooms/CatOverlay.h"
#include "rooms/Petting.h"
#include "scenery/PoolPaint.h"
#include "rooms/RoomButtons.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// The group's content reaches this far from the figure's centre (box, toys, butterfly, snow).
constexpr QRectF kGroupBounds{-72, -62, 144, 112};
constexpr double kFigureBottom = 22;  // the figure frame's bottom edge, about which it stretches and sways

// Rotates `m` by `deg` about (0, y) of the current frame.
void rotateAbout(QTransform& m, double deg, double y) {
    if (deg == 0) return;
    m.translate(0, y);
    m.rotate(deg);
    m.translate(0, -y);
}

void multiplyPixels(QImage& img, const QRect& area, bool tint, bool desaturate) {
    // Premultiplied pixels: scaling the colour channels keeps them valid.
    constexpr double tr = 0.72, tg = 0.95, tb = 0.70, sat = 0.55;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            if (a == 0) continue;
            double r = qRed(px), g = qGreen(px), b = qBlue(px);
            if (tint) {
                r *= tr;
                g *= tg;
                b *= tb;
            }
            if (desaturate) {
                const double lum = 0.2126 * r + 0.7152 * g + 0.0722 * b;
                r = lum + sat * (r - lum);
                g = lum + sat * (g - lum);
                b = lum + sat * (b - lum);
            }
            auto clampTo = [a](double v) { return std::clamp(static_cast<int>(v + 0.5), 0, a); };
            line[x] = qRgba(clampTo(r), clampTo(g), clampTo(b), a);
        }
    }
}

}  // namespace

QTransform roomCatTransform(const RoomCatState& c) {
    QTransform m;
    m.translate(c.x, c.y);
    m.scale(c.s, c.s);
    if (c.lying)
        m.scale(c.facingWidth, 0.95);
    else
        m.scale(c.facingWidth * (1 + 0.6 * (1 - c.squash)), c.squash);
    if (c.stretch != 0) {
        m.translate(0, kFigureBottom);
        m.scale(1 + 0.1 * c.stretch, 1 - 0.08 * c.stretch);
        m.translate(0, -kFigureBottom);
    }
    if (c.music) rotateAbout(m, 5 * std::sin(0.9 * M_PI * c.t), kFigureBottom);
    rotateAbout(m, c.placement.tilt, 0);
    rotateAbout(m, 9 * c.stretch, kFigureBottom);
    if (c.pose == PetPose::bellyUp) m.scale(1, -1);
    return m;
}

RoomCatLayer::RoomCatLayer(Clock& clock, NotificationCenter& hub, Defaults& store)
    : clock_(clock),
      store_(store),
      breed_(storedBreed(store)),
      emotes_(hub, clock) {
    // A new breed pick shows at once.
    breedWatch_ = QObject::connect(&store_, &Defaults::changed, [this](const QString& key) {
        if (key == QLatin1String("catBreed")) breed_ = storedBreed(store_);
    });
}

RoomCatLayer::RoomCatLayer()
    : RoomCatLayer(SystemClock::shared(), NotificationCenter::shared(), Defaults::standard()) {}

RoomCatLayer::~RoomCatLayer() { QObject::disconnect(breedWatch_); }

void RoomCatLayer::paint(QPainter& p, const RoomFrame& f, const RoomModels& m, RoomHotspots& hot) {
    if (!m.life || !m.life->isVisible()) return;
    PetLife& life = *m.life;
    // The pointer first, then the springs to this frame; only then is anything read.
    if (m.state) {
        const double middle = middle_ ? middle_() : screenMiddle();
        life.cursorMoved(cursorShare(m.state->mode(), m.state->mousePosition, middle, f.height, f.width));
    } else {
        life.cursorMoved(std::nullopt);
    }
    life.frame(f.t);
    state_ = roomCatState(life, f, music_ && music_(), clock_.now());
    const RoomCatState& c = state_;

    // The face, by the logic every face of the cat shares.
    FaceInputs faceIn;
    faceIn.base = c.faceBase;
    faceIn.petDead = c.dead;
    faceIn.petSleeping = life.isSleeping();
    if (m.state) faceIn.override = m.state->faceOverride();
    faceIn.emote = emotes_.active();
    const CatExpression target = faceExpression(faceIn);

    // The pointer in room coordinates, for the eyes.
    std::optional<QPointF> pointer;
    if (m.state) {
        const QRectF& island = m.state->islandFrame;
        const double left = island.isValid() ? island.left() : (middle_ ? middle_() : screenMiddle()) - f.width / 2;
        const double top = island.isValid() ? island.top() : 0;
        pointer = m.state->mousePosition - QPointF(left, top);
    }
    const CatOutfit& worn = m.closet ? m.closet->outfit() : CatOutfit::empty();

    emotes_.kick(face_, slapSeen_, c.faceMirrored);
    CatEnv env;
    env.breed = breed_;
    env.outfit = roomCatOutfit(worn, c);
    const FaceFrame face = face_.frame(target, c.facePoint, f.t);
    const QPointF look = pointer ? faceAim(*pointer, QPointF(c.facePoint, c.headAnchor().y()), c.lookGain) : QPointF();
    group_ = roomCatTransform(c);

    // Where the cat's shapes lie this frame, and whether any of them changed since it was drawn.
    const QTransform& dt = p.deviceTransform();
    const double scale = std::max(0.25, std::hypot(dt.m11(), dt.m12()));
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(f.width * scale))),
                       std::max(1, static_cast<int>(std::ceil(f.height * scale))));
    // On a pool thread, so that its larger fills are not split over the pool.
    scenery::paintInPool([&] {
        drawScene(sprites_.gather(scale, pixels), c, env, face, look);
        const std::vector<RoomSprites::Piece>& pieces = sprites_.endGather();
        QRect area;
        for (const RoomSprites::Piece& piece : pieces) area |= piece.rect;
        area &= QRect(QPoint(0, 0), pixels);
        if (pieces == keptPieces_ && scale == keptScale_ && kept_.size() == pixels) return;
        if (kept_.size() != pixels) {
            kept_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            kept_.fill(Qt::transparent);
            keptArea_ = {};
        }
        QPainter q(&kept_);
        q.setCompositionMode(QPainter::CompositionMode_Source);
        q.fillRect(keptArea_ | area, Qt::transparent);
        q.setCompositionMode(QPainter::CompositionMode_SourceOver);
        q.setClipRect(area);
        q.scale(scale, scale);
        drawScene(q, c, env, face, look);
        keptPieces_ = pieces;
        keptScale_ = scale;
        keptArea_ = area;
    });
    if (!keptArea_.isEmpty()) {
        p.save();
        p.scale(1 / scale, 1 / scale);
        p.drawImage(keptArea_.topLeft(), kept_, keptArea_);
        p.restore();
    }

    if (!c.dead) hot.add(group_.mapRect(kPetButtonRect), RoomAction{RoomActionKind::petCat, 0});
}

void RoomCatLayer::paintState(QPainter& p, const RoomCatState& c, const CatOutfit& worn, std::optional<QPointF> pointer) {
    state_ = c;
    group_ = roomCatTransform(c);
    CatEnv env;
    env.breed = breed_;
    env.outfit = roomCatOutfit(worn, c);
    FaceFrame face;
    face.expression = c.faceBase.value_or(c.dead ? CatExpression::dead : CatExpression::content);
    const QPointF look = pointer ? faceAim(*pointer, QPointF(c.facePoint, c.headAnchor().y()), c.lookGain) : QPointF();
    drawScene(p, c, env, face, look);
}

void RoomCatLayer::drawScene(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face,
                             QPointF look) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    paintToysBelow(p, c);
    p.save();
    if (c.peek) {
        // Only what shows in the doorway of the house is drawn.
        if (door_.isEmpty() || doorRect_ != c.houseDoor) {
            door_ = *houseDoorMask(true, c.houseDoor);
            doorRect_ = c.houseDoor;
        }
        p.setClipPath(door_, Qt::IntersectClip);
    }
    if (c.opening < 1 || c.mood == PetMood::sick || c.dead)
        paintLayered(p, c, env, face, look);
    else {
        p.setTransform(group_, true);
        paintGroup(p, c, env, face, look);
    }
    p.restore();
    paintEffectsAbove(p, c);
    p.restore();
}

void RoomCatLayer::paintGroup(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face,
                              QPointF look) {
    // Inside the box only what shows above its rim is drawn.
    if (c.box) p.setClipRect(boxPlayMask(c.box->phase, c.box->hop), Qt::IntersectClip);
    if (c.box) paintBoxHalf(p, *c.box, false);
    if (c.backView) {
        CatBack back;
        back.tail = c.tail;
        back.tilt = c.f * 2.5 * c.springTilt;
        back.turn = c.backTurn;
        back.headScale = c.headScale;
        back.paint(p, env);
    } else {
        CatBody body;
        body.swing = c.swing;
        body.tail = c.tail;
        body.lying = c.lying;
        body.pawAngle = c.paw.angle;
        body.pawRaise = c.paw.raise;
        body.sit = c.sit;
        body.pawOnTop = true;
        body.paint(p, env);

        p.save();
        p.translate(c.headOffset);
        p.rotate(c.headRotation);
        p.scale(c.headScale, c.headScale);
        CatHead head;
        head.expression = face.expression;
        head.previous = face.previous;
        head.mix = face.mix;
        head.blink = face.blink;
        head.sway = face.sway;
        head.look = look;
        head.mirrored = c.faceMirrored;
        head.size = 30;
        head.paint(p, env);
        if (c.tongue) {
            static const QColor tongue = colorFromHex("#F28AA0");
            p.setPen(Qt::NoPen);
            p.setBrush(tongue);
            p.drawRoundedRect(QRectF(1 - 2, c.tongueY - 1.5, 4, 3), 1.5, 1.5);
        }
        p.restore();

        if (!c.lying) {
            CatFrontPaw paw;
            paw.pawAngle = c.paw.angle;
            paw.pawRaise = c.paw.raise;
            paw.sit = c.sit;
            paw.paint(p, env);
        }
    }
    if (c.box) paintBoxHalf(p, *c.box, true);
    paintGroupToys(p, c);
}

void RoomCatLayer::paintLayered(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face,
                                QPointF look) {
    // Colour effects and the fade act on the cat as one picture: drawn apart, then laid down.
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QTransform full = group_ * p.worldTransform();
    // The cat's own neighbourhood only (a cat's size): what falls off the device is clipped there.
    const QRect area = full.mapRect(kGroupBounds).toAlignedRect();
    if (area.isEmpty()) return;
    const QSize pixels(static_cast<int>(std::ceil(area.width() * dpr)), static_cast<int>(std::ceil(area.height() * dpr)));
    if (layer_.isNull() || layer_.width() < pixels.width() || layer_.height() < pixels.height() ||
        layer_.devicePixelRatio() != dpr) {
        layer_ = QImage(std::max(pixels.width(), layer_.isNull() ? 0 : layer_.width()),
                        std::max(pixels.height(), layer_.isNull() ? 0 : layer_.height()),
                        QImage::Format_ARGB32_Premultiplied);
        layer_.setDevicePixelRatio(dpr);
    }
    const QRect used(QPoint(0, 0), pixels);
    {
        QPainter lp(&layer_);
        lp.setCompositionMode(QPainter::CompositionMode_Source);
        lp.fillRect(QRectF(0, 0, pixels.width() / dpr, pixels.height() / dpr), Qt::transparent);
        lp.setCompositionMode(QPainter::CompositionMode_SourceOver);
        lp.setRenderHint(QPainter::Antialiasing, true);
        lp.translate(-area.topLeft());
        lp.setTransform(full, true);
        paintGroup(lp, c, env, face, look);
    }
    if (c.mood == PetMood::sick || c.dead) multiplyPixels(layer_, used, c.mood == PetMood::sick, c.dead);
    p.save();
    p.setWorldTransform(QTransform());
    p.setOpacity(p.opacity() * c.opening);
    p.drawImage(QRectF(area.topLeft(), QSizeF(pixels.width() / dpr, pixels.height() / dpr)), layer_, QRectF(used));
    p.restore();
}

void RoomCatLayer::paintReactions(QPainter& p, const RoomFrame& f, const RoomModels& m) const {
    if (!m.life || !m.life->isVisible()) return;
    const PetLife& life = *m.life;
    const double s = 0.94 * life.growth().body * (0.83 + 0.17 * f.opening);
    const double lineY = f.floorLine - 30 * s;
    for (const PetReaction& r : life.reactions()) paintReactionBubble(p, r, f.t, f.width, s, lineY);
}

}  // namespace kp
