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
// The figure alone reaches this far (a tail raised high, a hat on a kitten's large head).
constexpr QRectF kFigureBounds{-50, -50, 100, 100};
constexpr double kFigureBottom = 22;  // the figure frame's bottom edge, about which it stretches and sways

// Rotates `m` by `deg` about (0, y) of the current frame.
void rotateAbout(QTransform& m, double deg, double y) {
    if (deg == 0) return;
    m.translate(0, y);
    m.rotate(deg);
    m.translate(0, -y);
}

}  // namespace

namespace {

// The group transform about the group's centre, swaying `music` degrees to music.
QTransform catFrame(const RoomCatState& c, double music, double tilt) {
    QTransform m;
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
    rotateAbout(m, music, kFigureBottom);
    rotateAbout(m, tilt, 0);
    rotateAbout(m, 9 * c.stretch, kFigureBottom);
    if (c.pose == PetPose::bellyUp) m.scale(1, -1);
    return m;
}

double musicSway(const RoomCatState& c) { return c.music ? 5 * std::sin(0.9 * M_PI * c.t) : 0; }

// Steps fine enough that no two drawn frames of a smooth motion differ by more than a quarter of
// a device pixel at ratio 2: blends in 1/64, the figure's growth in 1/256 (its far edge some 30
// points out), positions in eighths of a point, the figure, head and paw turned in quarter
// degrees (none reaches 30 points from where it turns). What moves with the cat's size and the
// device's pixels (a breath, the legs, the tail, the head's sway, a blink, the pupils) steps by a
// quarter of a device pixel at its far end, and no finer, so that drawings come back.
constexpr double kAngleStep = 0.25;
constexpr double kBlendStep = 1.0 / 64;
constexpr double kScaleStep = 1.0 / 256;
// The back view's tail swings about a root some 30 points from its tip: half a degree moves the
// tip a quarter of a point.
constexpr double kTailStep = 0.5;

// The step of an angle whose far end lies `reach` points from where it turns, for a far end that
// moves a quarter of a device pixel at most: in sixteenths of a degree.
double angleStepFor(double reach, double dpr) {
    const double degrees = 0.25 / (reach * std::max(1.0, dpr)) * 180 / M_PI;
    return std::max(1.0 / 16, std::floor(degrees * 16) / 16);
}

// The step of a value that moves a far end `travel` points a unit, for a far end that moves a
// quarter of a device pixel at most: in `grain`s, never finer than `finest`.
double stepFor(double travel, double dpr, double grain, double finest) {
    const double v = 0.25 / (std::max(travel, 1e-3) * std::max(1.0, dpr));
    return std::max(finest, std::floor(v / grain) * grain);
}

// The farthest (figure units) the tail of `body` reaches from the figure's centre in its stance,
// whatever its sway, for a squash that moves x a third as much as y; a little further, for the
// round discs at its tip. Worked out again only when the stance or the coat changes.
double tailReach(const CatBody& body, const CatEnv& env) {
    struct Seen {
        double sit = -1;
        bool lying = false;
        CatBreed breed{};
        std::optional<CatAccessory> worn;
        double reach = 0;
    };
    thread_local Seen seen;
    const CatBreed breed = body.breed.value_or(env.breed);
    if (seen.sit == body.sit && seen.lying == body.lying && seen.breed == breed && seen.worn == env.outfit.body)
        return seen.reach;
    double reach = 0;
    for (double angle : {-45.0, 0.0, 45.0}) {
        CatBody swung = body;
        swung.tail = angle;
        const QRectF at = swung.tailBounds(env);
        for (const QPointF& corner : {at.topLeft(), at.topRight(), at.bottomLeft(), at.bottomRight()})
            reach = std::max(reach, 1.4 * std::hypot(0.6 * corner.x(), corner.y()));
    }
    seen = {body.sit, body.lying, breed, env.outfit.body, reach};
    return reach;
}

}  // namespace

QTransform roomCatTransform(const RoomCatState& c) {
    return catFrame(c, musicSway(c), c.placement.tilt) * QTransform::fromTranslate(c.x, c.y);
}

CatPartsLook roomCatParts(const RoomCatState& c, const CatEnv& env, const FaceFrame& face, QPointF look, double dpr) {
    const double fine = 1 / std::max(1.0, dpr);
    RoomCatState st = c;
    st.s = steppedTo(c.s, kScaleStep);
    // Turning round, the figure's far edge lies some 30 points out; never thinner than the facing
    // spring's 0.12.
    const double width = std::max(steppedTo(std::abs(c.facingWidth), fine / 128), 0.12);
    st.facingWidth = c.facingWidth < 0 ? -width : width;
    // A breath squashes the figure about its centre: the body's far edge some 30 units out; the
    // head, drawn in a frame of its own, reaches 40 units up to the ear tips.
    st.squash = steppedTo(c.squash, stepFor(30 * std::abs(st.s), dpr, 1.0 / 1024, 1.0 / 1024));
    RoomCatState headSt = st;
    headSt.squash = steppedTo(c.squash, stepFor(40 * std::abs(st.s), dpr, 1.0 / 1024, 1.0 / 1024));
    st.stretch = steppedTo(c.stretch, kScaleStep);
    CatPartsLook l;
    l.figure = catFrame(st, 0, steppedTo(c.placement.tilt, kAngleStep));
    l.area = kFigureBounds;
    l.env = env;
    l.dpr = dpr;
    if (c.backView) {
        l.back = true;
        l.backView.tail = steppedTo(c.tail, kTailStep * fine);
        l.backView.tilt = steppedTo(c.f * 2.5 * c.springTilt, kAngleStep);
        l.backView.turn = steppedTo(c.backTurn, 1.0 / 128);
        l.backView.headScale = steppedTo(c.headScale, kScaleStep);
        return l;
    }
    // A leg swings 25 degrees a unit of swing, its paw some 16 units from the hip.
    const double scaled = 1.1 * std::abs(st.s);
    l.body.swing = steppedTo(c.swing, stepFor(16 * scaled * 25 * M_PI / 180, dpr, 1.0 / 256, 1.0 / 256));
    l.body.lying = c.lying;
    l.body.sit = steppedTo(c.sit, kScaleStep);
    // The tail's tip lies some 24 units from its root; seated, the tail swings 0.45 as far. The
    // figure's scale and its widest stretch (a tenth) carry that into points.
    const double tailTip = 24 * scaled * (1 - 0.55 * std::clamp(l.body.sit, 0.0, 1.0));
    l.body.tail = steppedTo(c.tail, angleStepFor(std::max(tailTip, 1.0), dpr));
    // A breath moves the tail as far as it lies from the figure's centre (a seated cat's lies low,
    // by the feet): it is stepped for that reach.
    const double tailOut = tailReach(l.body, env);
    RoomCatState tailSt = st;
    tailSt.squash = steppedTo(c.squash, stepFor(tailOut * std::abs(st.s), dpr, 1.0 / 1024, 1.0 / 1024));
    if (tailSt.squash != st.squash) l.tailFigure = catFrame(tailSt, 0, steppedTo(c.placement.tilt, kAngleStep));
    // The front leg with its paw reaches some 16 units from the shoulder.
    l.body.pawAngle = steppedTo(c.paw.angle, angleStepFor(std::max(16 * scaled, 1.0), dpr));
    l.body.pawRaise = steppedTo(c.paw.raise, kBlendStep);
    l.head.expression = face.expression;
    l.head.previous = face.previous;
    l.head.mix = steppedTo(face.mix, kBlendStep);
    // The head's units in points; an eye's lid closes some 3 units, the pupils travel 1.8 units
    // across and 1.3 up and down a unit of gaze.
    const double headUnit = scaled * std::abs(c.headScale);
    l.head.blink = steppedTo(face.blink, stepFor(3 * headUnit, dpr, kBlendStep, kBlendStep));
    // The head turns 12 degrees a unit of sway about its neck, its ear tips some 34 units out.
    l.head.sway = steppedTo(face.sway, stepFor(12 * M_PI / 180 * 34 * headUnit, dpr, 1.0 / 256, 1.0 / 256));
    l.head.look = QPointF(steppedTo(look.x(), stepFor(1.8 * headUnit, dpr, 1.0 / 64, 1.0 / 64)),
                          steppedTo(look.y(), stepFor(1.3 * headUnit, dpr, 1.0 / 64, 1.0 / 64)));
    l.head.mirrored = c.faceMirrored;
    l.head.size = 30;
    // Without the nod to music, which turns the head as it is laid down.
    l.headCentre = QPointF(steppedTo(c.headOffset.x(), 1.0 / 8), steppedTo(c.headOffset.y() + c.musicBob, 1.0 / 8));
    l.headTilt = steppedTo(c.headRotation - c.musicNod, kAngleStep);
    l.headScale = steppedTo(c.headScale, kScaleStep);
    if (headSt.squash != st.squash) l.headFigure = catFrame(headSt, 0, steppedTo(c.placement.tilt, kAngleStep));
    if (c.tongue) l.tongueY = steppedTo(c.tongueY, 1.0 / 16);
    l.frontPaw = !c.lying;
    return l;
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
    if (!m.life || !m.life->isVisible()) {
        // Gone: where it was changes.
        changed_ = RoomSprites::damage({}, lastPieces_);
        lastPieces_.clear();
        return;
    }
    PetLife& life = *m.life;
    // The pointer in room coordinates: the room lies where the island is, below any top panel.
    std::optional<QPointF> pointer;
    if (m.state) {
        const QRectF& island = m.state->islandFrame;
        const double left = island.isValid() ? island.left() : (middle_ ? middle_() : screenMiddle()) - f.width / 2;
        const double top = island.isValid() ? island.top() : 0;
        pointer = m.state->mousePosition - QPointF(left, top);
    }
    // The pointer first, then the springs to this frame; only then is anything read.
    life.cursorMoved(pointer ? cursorShare(m.state->mode(), *pointer, f.height, f.width) : std::nullopt);
    life.frame(f.t);
    // The cat grows over days: its size is read once a second.
    if (&life != growthOf_ || std::floor(f.t) != growthAt_) {
        growth_ = life.growth();
        growthOf_ = &life;
        growthAt_ = std::floor(f.t);
    }
    state_ = roomCatState(life, f, music_ && music_(), clock_.now(), growth_);
    const RoomCatState& c = state_;

    // The face, by the logic every face of the cat shares.
    FaceInputs faceIn;
    faceIn.base = c.faceBase;
    faceIn.petDead = c.dead;
    faceIn.petSleeping = life.isSleeping();
    if (m.state) faceIn.override = m.state->faceOverride();
    faceIn.emote = emotes_.active();
    const CatExpression target = faceExpression(faceIn);

    const CatOutfit& worn = m.closet ? m.closet->outfit() : CatOutfit::empty();

    emotes_.kick(face_, slapSeen_, c.faceMirrored);
    CatEnv env;
    env.breed = breed_;
    env.outfit = roomCatOutfit(worn, c);
    const FaceFrame face = face_.frame(target, c.facePoint, f.t);
    const QPointF look = pointer ? faceAim(*pointer, QPointF(c.facePoint, c.headAnchor().y()), c.lookGain) : QPointF();
    group_ = roomCatTransform(c);

    const QTransform& dt = p.deviceTransform();
    const double scale = std::max(0.25, std::hypot(dt.m11(), dt.m12()));
    pixelsPerPoint_ = scale;
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(f.width * scale))),
                       std::max(1, static_cast<int>(std::ceil(f.height * scale))));
    std::vector<RoomSprites::Piece> pieces;
    if (keepsParts_ && !c.box) {
        paintFromParts(p, c, env, face, look, scale, pixels, pieces);
    } else {
        // The box play (rare): every shape drawn as it is, on a pool thread so that its larger
        // fills are not split over the pool; where it lies is gathered from the same shapes.
        handOff([&] {
            drawScene(sprites_.gather(scale, pixels), c, env, face, look);
            pieces = sprites_.endGather();
            drawScene(p, c, env, face, look);
        });
    }
    changed_ = RoomSprites::damage(pieces, lastPieces_) & QRect(QPoint(0, 0), pixels);
    lastPieces_ = std::move(pieces);

    if (!c.dead) hot.add(group_.mapRect(kPetButtonRect), RoomAction{RoomActionKind::petCat, 0});
}

void RoomCatLayer::paintFromParts(QPainter& p, const RoomCatState& c, const CatEnv& env, const FaceFrame& face,
                                  QPointF look, double scale, QSize pixels, std::vector<RoomSprites::Piece>& pieces) {
    const bool layered = c.opening < 1 || c.mood == PetMood::sick || c.dead;
    const std::optional<CatParts::Wash> wash =
        layered ? std::optional(CatParts::Wash{c.mood == PetMood::sick, c.dead}) : std::nullopt;
    const CatPartsLook parts = roomCatParts(c, env, face, look, scale);
    // Parts are drawn on a pool thread, so that their fills are not split over the pool. Swaying
    // to music, the turned pictures are resampled there too (from here the raster engine would
    // split their spans over the pool): all of it in one hand-off.
    const CatParts::Keys keys = CatParts::keysOf(parts, wash);
    if (!c.music && parts_.needsDrawing(keys)) handOff([&] { parts_.update(parts, keys, wash); });
    const auto layDown = [&] {
        const std::uint64_t key = parts_.update(parts, keys, wash);
        // The parts' images go down on whole device pixels: no resampling.
        const QPoint origin(static_cast<int>(std::lround((c.x + parts_.box().left()) * scale)),
                            static_cast<int>(std::lround((c.y + parts_.box().top()) * scale)));
        if (c.peek && (door_.isEmpty() || doorRect_ != c.houseDoor)) {
            door_ = *houseDoorMask(true, c.houseDoor);
            doorRect_ = c.houseDoor;
        }
        const QRect doorPixels = c.peek ? QRectF(c.houseDoor.topLeft() * scale, c.houseDoor.bottomRight() * scale)
                                              .toAlignedRect()
                                              .adjusted(-1, -1, 1, 1)
                                        : QRect(QPoint(0, 0), pixels);
        // Swaying to music, the whole figure turns about its feet: its parts are kept upright and
        // laid down turned, so that the sway does not draw them again every frame.
        QTransform sway;
        if (c.music) {
            const QPointF pivot = parts.figure.map(QPointF(0, kFigureBottom)) + QPointF(c.x, c.y);
            sway.translate(pivot.x(), pivot.y());
            sway.rotate(c.facingWidth < 0 ? -musicSway(c) : musicSway(c));
            sway.translate(-pivot.x(), -pivot.y());
        }
        // The head nods to music about its centre, in the figure's frame: laid down moved and turned
        // by that nod as the figure's transform carries it into the room.
        QTransform nod = sway;
        if (c.music) {
            const QTransform figure = parts.figure * QTransform::fromTranslate(c.x, c.y);
            const QPointF upright = parts.headCentre;
            const QPointF nodded = upright - QPointF(0, c.musicBob);
            QTransform inFigure = QTransform::fromTranslate(-upright.x(), -upright.y());
            inFigure *= QTransform().rotate(c.musicNod);
            inFigure *= QTransform::fromTranslate(nodded.x(), nodded.y());
            nod = figure.inverted() * inFigure * figure * sway;
        }
        auto laid = [&](int part) -> const QTransform& { return CatParts::ofHead(part) ? nod : sway; };
        auto place = [&](const QRect& ink, std::uint64_t digest, const QTransform& turn) {
            QRect at = ink.translated(origin);
            if (!turn.isIdentity()) {
                const QTransform inPixels = QTransform::fromScale(1 / scale, 1 / scale) * turn * QTransform::fromScale(scale, scale);
                at = inPixels.mapRect(QRectF(at)).toAlignedRect().adjusted(-1, -1, 1, 1);
                digest = Fingerprint().addBits(digest).add(turn).value();
            }
            at &= doorPixels;
            if (!at.isEmpty()) pieces.push_back({at, digest});
        };
        if (layered) {
            if (!parts_.togetherInk().isEmpty())
                place(parts_.togetherInk(), Fingerprint().addBits(key).add(c.opening).value(), sway);
        } else if (c.music) {
            for (int g = 0; g < 3; ++g) {
                const Turned& t = turned(g);
                if (!t.ink.isEmpty()) place(t.ink, t.key, g == 1 ? nod : sway);
            }
        } else {
            for (int i = 0; i < CatParts::count; ++i)
                if (parts_.shown(i) && !parts_.drawn(i).ink.isEmpty())
                    place(parts_.drawn(i).ink, parts_.drawn(i).key, laid(i));
        }
        // The toys and effects, drawn as they are: where they lie, from a painter that only gathers.
        QPainter& g = sprites_.gather(scale, pixels);
        g.setTransform(group_, true);
        paintGroupToys(g, c);
        std::vector<RoomSprites::Piece> toys = sprites_.endGather();
        QRect toysArea;
        for (const RoomSprites::Piece& piece : toys) {
            toysArea |= piece.rect;
            if (const QRect at = piece.rect & doorPixels; !at.isEmpty()) pieces.push_back({at, piece.digest});
        }
        QPainter& around = sprites_.gather(scale, pixels);
        paintToysBelow(around, c);
        paintEffectsAbove(around, c);
        const std::vector<RoomSprites::Piece>& others = sprites_.endGather();
        pieces.insert(pieces.end(), others.begin(), others.end());

        // The kept parts are only laid down; toys and effects are drawn as they are (words and
        // letters from their own kept pictures).
        const auto draw = [&] {
            p.save();
            p.setRenderHint(QPainter::Antialiasing, true);
            paintToysBelow(p, c);
            p.save();
            // Only what shows in the doorway of the house is drawn.
            if (c.peek) p.setClipPath(door_, Qt::IntersectClip);
            auto lay = [&](const QImage& image, const QRect& ink, bool crop) {
                if (ink.isEmpty()) return;
                const QRectF to(QPointF(origin + ink.topLeft()) / scale, QSizeF(ink.size()) / scale);
                p.drawImage(to, image, crop ? QRectF(ink) : QRectF(image.rect()));
            };
            p.save();
            // Only turned images are resampled; upright ones go down pixel for pixel.
            p.setRenderHint(QPainter::SmoothPixmapTransform, c.music);
            const QTransform world = p.worldTransform();
            auto turn = [&](const QTransform& t) { p.setWorldTransform(t * world); };
            if (layered) {
                p.setOpacity(p.opacity() * c.opening);
                turn(sway);
                lay(parts_.together(), parts_.togetherInk(), true);
            } else if (c.music) {
                for (int g = 0; g < 3; ++g) {
                    turn(g == 1 ? nod : sway);
                    lay(turned_[g].image, turned_[g].ink, false);
                }
            } else {
                for (int i = 0; i < CatParts::count; ++i) {
                    if (!parts_.shown(i)) continue;
                    turn(laid(i));
                    lay(parts_.drawn(i).image, parts_.drawn(i).ink, false);
                }
            }
            p.restore();
            if (!toysArea.isEmpty()) {
                if (!layered) {
                    p.save();
                    p.setTransform(group_, true);
                    paintGroupToys(p, c);
                    p.restore();
                } else {
                    // Tinted and faded with the cat: drawn apart over where they lie, then laid down.
                    const QRect area = toysArea & QRect(QPoint(0, 0), pixels);
                    if (!area.isEmpty()) {
                        if (layer_.isNull() || layer_.width() < area.width() || layer_.height() < area.height())
                            layer_ = QImage(std::max(area.width(), layer_.isNull() ? 0 : layer_.width()),
                                            std::max(area.height(), layer_.isNull() ? 0 : layer_.height()),
                                            QImage::Format_ARGB32_Premultiplied);
                        layer_.setDevicePixelRatio(1);
                        const QRect used(QPoint(0, 0), area.size());
                        {
                            QPainter lp(&layer_);
                            lp.setCompositionMode(QPainter::CompositionMode_Source);
                            lp.fillRect(used, Qt::transparent);
                            lp.setCompositionMode(QPainter::CompositionMode_SourceOver);
                            lp.setRenderHint(QPainter::Antialiasing, true);
                            lp.translate(-area.topLeft());
                            lp.scale(scale, scale);
                            lp.setTransform(group_, true);
                            paintGroupToys(lp, c);
                        }
                        CatParts::wash(layer_, used, *wash);
                        p.save();
                        p.setOpacity(p.opacity() * c.opening);
                        p.drawImage(QRectF(QPointF(area.topLeft()) / scale, QSizeF(area.size()) / scale), layer_, QRectF(used));
                        p.restore();
                    }
                }
            }
            p.restore();
            paintEffectsAbove(p, c);
            p.restore();
        };
        draw();
    };
    if (c.music)
        handOff(layDown);
    else
        layDown();
}

void RoomCatLayer::handOff(const std::function<void()>& work, bool whicheverWay) {
    if (whicheverWay ? scenery::paintLargeFills(pixelsPerPoint_, work) : scenery::paintFrameWork(pixelsPerPoint_, work))
        ++handOffs_;
}

const RoomCatLayer::Turned& RoomCatLayer::turned(int group) {
    // The body's layers, the head's, the front paw: each group turns as one.
    const int first = group == 0 ? 0 : group == 1 ? CatParts::head : CatParts::frontPaw;
    const int end = group == 0 ? CatParts::head : group == 1 ? CatParts::frontPaw : CatParts::count;
    Fingerprint key;
    QRect ink;
    for (int i = first; i < end; ++i) {
        const bool shown = parts_.shown(i) && !parts_.drawn(i).ink.isEmpty();
        key.addBits(shown ? parts_.drawn(i).key : 0);
        if (shown) ink |= parts_.drawn(i).ink;
    }
    Turned& t = turned_[group];
    if (t.key == key.value()) return t;
    t.key = key.value();
    t.ink = ink;
    t.image = {};
    if (ink.isEmpty()) return t;
    t.image = QImage(ink.size(), QImage::Format_ARGB32_Premultiplied);
    t.image.fill(Qt::transparent);
    QPainter p(&t.image);
    for (int i = first; i < end; ++i) {
        const CatParts::Drawn& d = parts_.drawn(i);
        // Pixel for pixel, whatever the ratio the part was drawn at.
        if (parts_.shown(i) && !d.ink.isEmpty())
            p.drawImage(QRect(d.ink.topLeft() - ink.topLeft(), d.ink.size()), d.image, d.image.rect());
    }
    return t;
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
    CatParts::wash(layer_, used, CatParts::Wash{c.mood == PetMood::sick, c.dead});
    p.save();
    p.setWorldTransform(QTransform());
    p.setOpacity(p.opacity() * c.opening);
    p.drawImage(QRectF(area.topLeft(), QSizeF(pixels.width() / dpr, pixels.height() / dpr)), layer_, QRectF(used));
    p.restore();
}

namespace {
QRegion spread(const std::vector<RoomSprites::Piece>& pieces) {
    QRegion region;
    for (const RoomSprites::Piece& p : pieces) region += p.rect;
    return region;
}
}  // namespace

QRegion RoomCatLayer::area() const { return spread(lastPieces_); }

QRegion RoomCatLayer::reactionsArea() const { return spread(lastBubbles_); }

void RoomCatLayer::paintReactions(QPainter& p, const RoomFrame& f, const RoomModels& m) {
    std::vector<RoomSprites::Piece> pieces;
    if (m.life && m.life->isVisible() && !m.life->reactions().empty()) {
        const PetLife& life = *m.life;
        const double s = 0.94 * (&life == growthOf_ ? growth_ : life.growth()).body * (0.83 + 0.17 * f.opening);
        const double lineY = f.floorLine - 30 * s;
        const QTransform& dt = p.deviceTransform();
        const double scale = std::max(0.25, std::hypot(dt.m11(), dt.m12()));
        pixelsPerPoint_ = scale;
        const QSize pixels(std::max(1, static_cast<int>(std::ceil(f.width * scale))),
                           std::max(1, static_cast<int>(std::ceil(f.height * scale))));
        QPainter& g = bubbles_.gather(scale, pixels);
        for (const PetReaction& r : life.reactions()) paintReactionBubble(g, r, f.t, f.width, s, lineY);
        pieces = bubbles_.endGather();
        // On a pool thread at high pixel ratios, even while frames are drawn in place: a bubble's
        // fills are larger than the raster engine fills in one go from here, and it would hand
        // each of their spans to the pool, fill after fill, for as long as the bubble shows.
        handOff([&] {
            for (const PetReaction& r : life.reactions()) paintReactionBubble(p, r, f.t, f.width, s, lineY);
        }, true);
    }
    reactionsChanged_ = RoomSprites::damage(pieces, lastBubbles_);
    lastBubbles_ = std::move(pieces);
}

}  // namespace kp
