#include "desktop/DesktopView.h"

#include "cat/Closet.h"
#include "desktop/DesktopCat.h"
#include "desktop/DesktopProps.h"
#include "life/PetLife.h"
#include "platform/Color.h"
#include "platform/Defaults.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kp {

namespace {

constexpr double kPi = std::numbers::pi;
// A nominal figure area roomy enough for tails, hats and a cat turned over.
constexpr QRectF kFigureArea{-50, -50, 100, 100};

struct Motion {
    double tail = 0;
    double swing = 0;
    double pawAngle = 0;
    double pawRaise = 0;
};

Motion motionFor(DesktopCat::Pose pose, bool belly, double t) {
    using P = DesktopCat::Pose;
    Motion m;
    const double restTail = 6 * std::sin(1.5 * t);
    const double sitTail = 14 * std::sin(2.2 * t);
    switch (pose) {
    case P::stand:
    case P::lie:
    case P::crouch: m.tail = restTail; break;
    case P::walk:
        m.tail = 8 * std::sin(4 * t);
        m.swing = 0.7 * std::sin(9 * t);
        m.pawAngle = 16 * m.swing;
        break;
    case P::run:
        m.tail = 8 * std::sin(4 * t);
        m.swing = std::sin(17 * t);
        m.pawAngle = 16 * m.swing;
        break;
    case P::sit:
    case P::stare:
    case P::back: m.tail = sitTail; break;
    case P::groom:
        m.tail = sitTail;
        m.pawAngle = -150 + 10 * std::sin(12 * t);
        m.pawRaise = 1;
        break;
    case P::swat:
        m.tail = sitTail;
        m.pawAngle = -60 - 50 * std::abs(std::sin(7 * t));
        m.pawRaise = 1;
        break;
    case P::sleep:
        m.tail = restTail;
        if (belly) {
            m.swing = 0.2 * std::sin(1.3 * t);
            m.pawAngle = 10 + 6 * std::sin(0.9 * t);
        }
        break;
    case P::air:
        m.tail = restTail;
        m.swing = 0.8;
        m.pawAngle = -40;
        m.pawRaise = 0.3;
        break;
    case P::dangle:
        m.tail = -18;
        m.swing = 0.35 * std::sin(4 * t);
        m.pawAngle = 16 * m.swing;
        break;
    case P::stomp:
        m.tail = 8 * std::sin(4 * t);
        m.swing = std::sin(8 * t);
        m.pawAngle = 16 * m.swing;
        break;
    }
    return m;
}

// v in whole steps of `step`: the drawing uses the stepped value, so equal steps draw equal pixels.
double stepped(double v, double step) { return std::round(v / step) * step; }

// Steps fine enough that no two drawn frames of a smooth motion differ by more than a fraction of
// a pixel: angles in quarter degrees, places in quarter points, blends and fades in 1/64.
constexpr double kAngleStep = 0.25;
constexpr double kPlaceStep = 0.25;
constexpr double kBlendStep = 1.0 / 64;
// The tail swings about a root some 30 points from its tip: half a degree moves the tip a quarter.
constexpr double kTailStep = 0.5;

// Layer ids: fixed pieces, then one per pop.
enum : std::uint64_t {
    cupLayer = 1, shadowLayer, figureLayer, toyLayer, giftLayer, bubbleLayer, lettersLayer,
    partLayers = 100,  // one per part of the figure, in the order they are laid
    popLayers = 1000
};

constexpr double kBubbleSeconds = 0.35;  // the need bubble's grow-in and shrink-away

QRect outward(const QRectF& r) { return r.toAlignedRect().adjusted(-1, -1, 1, 1); }

}  // namespace

// Everything the figure's pixels depend on, each value in the steps it is drawn at.
struct DesktopCatView::FigureLook {
    DesktopCat::Pose pose = DesktopCat::Pose::stand;
    bool belly = false, lying = false, dead = false;
    // The figure's transforms (step 7 of the scene): scale, turn blend and squash, the rotations.
    double s = 1, lift = 15, turn = 1, squash = 1, wiggle = 0, rock = 0, hang = 0, vibe = 0;
    Motion motion;
    double sitBlend = 0;
    // The back view.
    double backTail = 0, backTilt = 0, backTurn = 0;
    // The head.
    FaceFrame face;
    QPointF look;
    double blink = 0, tilt = 0, headScale = 1;
    QPointF nudge;
    bool mirrored = false;
    CatEnv env;
    double opacity = 1, dpr = 1;
    int version = 0;
};

DesktopCatView::DesktopCatView(DesktopCat& cat, QSizeF size) : cat_(cat), size_(size) {
    sayFont_.setPixelSize(12);
    sayFont_.setWeight(QFont::Black);
    zFont_.setPixelSize(20);
    zFont_.setWeight(QFont::Black);
}

DesktopCatView::FigureLook DesktopCatView::figureLook(double t, double dpr) {
    using P = DesktopCat::Pose;
    const DesktopCat& c = cat_;
    FigureLook f;
    f.pose = c.pose;
    f.belly = c.bellyUp && c.pose == P::sleep;
    f.lying = (c.pose == P::lie || c.pose == P::sleep) && !f.belly;
    f.dead = c.life().isDead();
    f.s = stepped(c.sizeUnit() * std::max(c.appear, 0.05), 1.0 / 256);
    f.lift = f.belly ? 3 : (f.lying ? 10 : 15);
    f.turn = stepped(std::max(std::abs(c.turn), 0.12), 1.0 / 128) * (c.turn < 0 ? -1 : 1);
    f.squash = stepped(c.squash, 1.0 / 256);
    if (c.wiggle) f.wiggle = stepped(4 * std::sin(26 * t), kAngleStep);
    if (f.belly) f.rock = stepped(180 + 4 * std::sin(0.7 * t), kAngleStep);
    if (c.pose == P::dangle) f.hang = stepped(6 * std::sin(2.4 * t), kAngleStep);
    if (c.vibing) f.vibe = stepped(5 * std::sin(0.9 * kPi * t), kAngleStep);
    const Motion m = motionFor(c.pose, f.belly, t);
    // A leg swings 25 degrees a unit of swing: steps of 1/64 move a paw about a tenth of a point.
    f.motion = {stepped(m.tail, kTailStep), stepped(m.swing, 1.0 / 64), stepped(m.pawAngle, kAngleStep),
                stepped(m.pawRaise, kBlendStep)};
    f.sitBlend = (f.lying || f.belly) ? 0 : stepped(c.sit, 1.0 / 256);
    f.opacity = stepped(std::min(3 * c.appear, 1.0), kBlendStep);
    f.dpr = dpr;
    f.version = lookVersion_;
    // The outfit for the moment: a sleep mask in bed, headphones while music plays.
    f.env = env_;
    if (c.pose == P::sleep)
        f.env.outfit.face = CatAccessory::sleepMask;
    else if (c.playing() == MediaWatcher::Playing::music() && !f.env.outfit.extras.contains(CatAccessory::headphones))
        f.env.outfit.extras.push_back(CatAccessory::headphones);
    if (c.pose == P::back) {
        f.backTail = stepped(14 * std::sin(1.6 * t), kTailStep);
        f.backTilt = stepped((c.facingRight ? 1 : -1) * c.backTilt, kAngleStep);
        f.backTurn = stepped((c.facingRight ? 1 : -1) * c.backTurn, 1.0 / 128);
        f.headScale = stepped(c.headScale(), 1.0 / 256);  // it grows by the minute
        return f;
    }
    // The face steps once per prepared frame.
    f.face = cat_.face.frame(c.expression(t), c.headPoint().x(), t);
    f.face.mix = stepped(f.face.mix, kBlendStep);
    f.face.sway = stepped(f.face.sway, 1.0 / 24);  // half degrees of the head's turn
    // The pupils travel about a point and a half each way across the whole range of the gaze.
    const QPointF look = c.eyeLook(t);
    f.look = QPointF(stepped(look.x(), 1.0 / 8), stepped(look.y(), 1.0 / 8));
    f.blink = stepped(std::max(f.face.blink, c.vibing ? 1.0 : 0.0), kBlendStep);
    f.face.blink = f.blink;
    f.mirrored = c.turn < 0;
    f.headScale = stepped(c.headScale(), 1.0 / 256);  // it grows by the minute
    double tilt = f.belly ? 25 : c.pose == P::groom ? 10 : c.pose == P::dangle ? -8 : 0;
    const double nod = std::sin(1.8 * kPi * t);
    if (c.vibing) tilt += 9 * nod;
    f.tilt = stepped(tilt, kAngleStep);
    // Head anchor relative to the drawing's own: the desktop's lying head sits a point higher.
    QPointF nudge(0, f.lying ? -1 : 0);
    if (f.belly) nudge += QPointF(2, 21);
    if (c.vibing) nudge.ry() += stepped(-1.6 * std::abs(nod), 1.0 / 64);
    f.nudge = nudge;
    return f;
}

QTransform DesktopCatView::figureTransform(const FigureLook& f) {
    QTransform m;
    // 9: position, about the feet.
    m.translate(0, -f.s * f.lift);
    // 6: the figure's scale.
    m.scale(f.s, f.s);
    // 5: turn blend and squash about the bottom centre; never thinner than 12 %.
    const QPointF bottom(0, 22);
    m.translate(bottom.x(), bottom.y());
    m.scale(f.turn * (1 + 0.6 * (1 - f.squash)), f.squash);
    m.translate(-bottom.x(), -bottom.y());
    auto rotateAbout = [&m](QPointF at, double degrees) {
        if (degrees == 0) return;
        m.translate(at.x(), at.y());
        m.rotate(degrees);
        m.translate(-at.x(), -at.y());
    };
    // 4: rear wiggle about the bottom-trailing corner.
    rotateAbout(QPointF(30, 22), f.wiggle);
    // 3: the belly-up sleeper is the upright figure turned over, rocking slowly.
    rotateAbout(QPointF(0, 0), f.rock);
    // 2: a held cat swings from where it is held.
    rotateAbout(QPointF(0, -22), f.hang);
    // 1: swaying to music.
    rotateAbout(bottom, f.vibe);
    return m;
}

CatPartsLook DesktopCatView::partsLook(const FigureLook& f) {
    CatPartsLook l;
    l.figure = figureTransform(f);
    l.area = kFigureArea;
    l.env = f.env;
    l.dpr = f.dpr;
    l.version = f.version;
    if (f.pose == DesktopCat::Pose::back) {
        l.back = true;
        l.backView.tail = f.backTail;
        l.backView.tilt = f.backTilt;
        l.backView.turn = f.backTurn;
        l.backView.headScale = f.headScale;
        return l;
    }
    CatFigure fig;
    fig.body.swing = f.motion.swing;
    fig.body.tail = f.motion.tail;
    fig.body.lying = f.lying;
    fig.body.pawAngle = f.motion.pawAngle;
    fig.body.pawRaise = f.motion.pawRaise;
    fig.body.sit = f.sitBlend;
    fig.headNudge = f.nudge;
    l.body = fig.body;
    l.head.expression = f.face.expression;
    l.head.previous = f.face.previous;
    l.head.mix = f.face.mix;
    l.head.sway = f.face.sway;
    l.head.look = f.look;
    l.head.blink = f.blink;
    l.head.mirrored = f.mirrored;
    l.head.size = 30;
    l.headCentre = fig.headCentre();
    l.headTilt = f.tilt;
    l.headScale = f.headScale;
    l.frontPaw = !f.lying;
    return l;
}

const std::vector<SceneLayer>& DesktopCatView::prepare(double t) {
    using P = DesktopCat::Pose;
    const DesktopCat& c = cat_;
    Scene next;
    std::vector<SceneLayer>& layers = next.layers;

    // The mug: still for 6 s after landing, fading out during the seventh.
    if (c.cup) {
        const DesktopCat::Cup& cup = *c.cup;
        double o = 1;
        if (cup.landedAt) o = std::max(0.0, std::min(7 - (t - *cup.landedAt), 1.0));
        o = stepped(o, kBlendStep);
        if (o > 0) {
            CupDraw d{QPointF(stepped(cup.p.x(), kPlaceStep), stepped(cup.p.y(), kPlaceStep)),
                      stepped(cup.angle * 180 / kPi, kAngleStep), o};
            QTransform m;
            m.translate(d.at.x(), d.at.y());
            m.rotate(d.degrees);
            const QRectF r = m.mapRect(QRectF(-Mug::width, -2 * Mug::height, 2 * Mug::width, 2.5 * Mug::height));
            layers.push_back({cupLayer, outward(r), Fingerprint().add(d.at).add(d.degrees).add(o).value()});
            next.cup = d;
        }
    }

    // The cat: its shadow, and its figure's parts each on its own so a swaying tail sends only
    // the tail's pixels; all cut at the peek line.
    {
        const FigureLook f = figureLook(t, dpr_);
        const double k = c.sizeUnit();
        CatDraw d;
        d.clip = c.peekLine;
        d.shadow = c.appear > 0.5 && !c.peekLine && c.pose != P::air && c.pose != P::dangle;
        d.shadowAt = QPointF(stepped(c.feet.x(), kPlaceStep), stepped(c.feet.y() - 1, kPlaceStep));
        d.rx = 17 * f.s;
        d.ry = 2.5 * f.s;
        d.opacity = f.opacity;
        d.laidTogether = f.opacity < 1 || f.dead;
        const QRectF cut = d.clip ? QRectF(0, 0, size_.width(), *d.clip) : QRectF(QPointF(), size_);
        auto add = [&](std::uint64_t id, const QRectF& r, Fingerprint key) {
            key.add(d.clip.value_or(-1));
            if (const QRectF shown = r & cut; !shown.isEmpty()) layers.push_back({id, outward(shown), key.value()});
        };
        if (d.shadow)
            add(shadowLayer, QRectF(d.shadowAt.x() - d.rx, d.shadowAt.y() - d.ry, 2 * d.rx, 2 * d.ry),
                Fingerprint().add(d.shadowAt).add(d.rx));
        if (f.opacity > 0) {
            const std::optional<CatParts::Wash> wash =
                d.laidTogether ? std::optional(CatParts::Wash{false, f.dead}) : std::nullopt;
            const std::uint64_t figureKey = figure_.update(partsLook(f), wash);
            // Laid in on whole device pixels: no resampling.
            const QPointF anchor = QPointF(c.feet.x(), c.feet.y() + 44 * k * c.peekDepth) + figure_.box().topLeft();
            d.anchor = QPointF(std::round(anchor.x() * dpr_) / dpr_, std::round(anchor.y() * dpr_) / dpr_);
            auto inPoints = [&](const QRect& ink) {
                return QRectF(d.anchor + QPointF(ink.topLeft()) / dpr_, QSizeF(ink.size()) / dpr_);
            };
            if (d.laidTogether) {
                if (!figure_.togetherInk().isEmpty())
                    add(figureLayer, inPoints(figure_.togetherInk()),
                        Fingerprint().addBits(figureKey).add(d.anchor).add(d.opacity));
            } else {
                for (int i = 0; i < CatParts::count; ++i) {
                    const CatParts::Drawn& part = figure_.drawn(i);
                    if (figure_.shown(i) && !part.ink.isEmpty())
                        add(partLayers + i, inPoints(part.ink), Fingerprint().addBits(part.key).add(d.anchor));
                }
            }
        }
        next.cat = d;
    }

    if (c.toy) {
        ToyDraw d{QPointF(stepped(c.toy->x(), kPlaceStep), stepped(c.toy->y() - 4, kPlaceStep)),
                  stepped(8 * std::sin(9 * t), kAngleStep)};
        layers.push_back({toyLayer, outward(QRectF(d.at.x() - 20, d.at.y() - 16, 40, 32)),
                          Fingerprint().add(d.at).add(d.degrees).value()});
        next.toy = d;
    }

    // The gift: stays 24 s where it was put down and fades out during the 25th.
    if (c.gift) {
        const DesktopCat::Gift& g = *c.gift;
        double o = 1;
        if (g.placedAt) o = std::max(0.0, std::min(25 - (t - *g.placedAt), 1.0));
        o = stepped(o, kBlendStep);
        if (o > 0) {
            GiftDraw d{QPointF(stepped(g.p.x(), kPlaceStep), stepped(g.carried ? g.p.y() : g.p.y() - 4, kPlaceStep)),
                       !c.facingRight, g.carried, o};
            layers.push_back({giftLayer, outward(QRectF(d.at.x() - 22, d.at.y() - 18, 44, 40)),
                              Fingerprint().add(d.at).add(double(d.flip)).add(double(d.carried)).add(o).value()});
            next.gift = d;
        }
    }

    // Lines and hearts: each rises, drifts and fades over 1.6 s.
    for (const DesktopCat::Pop& pop : c.pops) {
        const double a = t - pop.born;
        if (a < 0) continue;
        const double u = std::min(a / 1.6, 1.0);
        const double fade = stepped(a / 1.6 < 0.7 ? 1.0 : (1 - u) / 0.3, kBlendStep);
        if (fade <= 0) continue;
        PopDraw d{popTransform(pop, t), fade, pop.kind, pop.text, popFrame(pop)};
        const QRectF r = d.where.mapRect(d.frame.adjusted(-2, -2, 2, 3));
        Fingerprint key;
        key.add(d.where.m11()).add(d.where.dx()).add(d.where.dy()).add(fade).add(pop.text);
        layers.push_back({popLayers + pop.id, outward(r), key.value()});
        next.pops.push_back(std::move(d));
    }

    // The need bubble, grown in and shrunk away about its centre.
    if (const double grow = bubbleGrow(t); grow > 0 && bubbleFade_.need) {
        const double k = c.sizeUnit();
        const double side = c.facingRight ? 1 : -1;
        const QPointF hp = c.headPoint();
        BubbleDraw d{QPointF(hp.x() + 30 * side * k, hp.y() - 30 * k), *bubbleFade_.need, t, side, grow};
        const QRectF r = QRectF(d.at.x() - 30, d.at.y() - 30, 60, 60);
        layers.push_back({bubbleLayer, outward(r),
                          Fingerprint().add(d.at).add(double(d.need)).add(t).add(side).add(grow).value()});
        next.bubble = d;
    }

    // Three letters rising from the sleeper's head, a third of a cycle apart.
    if (c.pose == P::sleep) {
        LettersDraw d;
        d.head = c.headPoint();
        d.side = c.facingRight ? 1 : -1;
        Fingerprint key;
        key.add(d.head).add(d.side);
        for (int i = 0; i < 3; ++i) {
            const double cc = std::fmod(t + i * 0.8, 2.4) / 2.4;
            d.c[i] = stepped(cc < 0 ? cc + 1 : cc, 1.0 / 512);
            key.add(d.c[i]);
        }
        const QPointF hp = d.head;
        const QRectF r = QRectF(QPointF(hp.x() + d.side * 8, hp.y() - 14), QPointF(hp.x() + d.side * 30, hp.y() - 48))
                             .normalized()
                             .adjusted(-20, -20, 20, 20);
        layers.push_back({lettersLayer, outward(r), key.value()});
        next.letters = d;
    }

    scene_ = std::move(next);
    return scene_.layers;
}

double DesktopCatView::bubbleGrow(double t) {
    BubbleFade& b = bubbleFade_;
    auto progress = [&] { return std::clamp((t - b.since) / kBubbleSeconds, 0.0, 1.0); };
    if (cat_.asking) {
        if (!b.need || b.leaving) {
            // Grows in, from where a bubble still shrinking away had got to.
            const double from = b.need ? 1 - progress() : 0;
            b = {cat_.asking, t - from * kBubbleSeconds, false};
        }
        b.need = cat_.asking;
    } else if (b.need && !b.leaving) {
        const double from = progress();
        b.leaving = true;
        b.since = t - (1 - from) * kBubbleSeconds;
    }
    if (!b.need) return 0;
    const double u = b.leaving ? 1 - progress() : progress();
    if (b.leaving && u <= 0) {
        b.need.reset();
        return 0;
    }
    return stepped(u * u * (3 - 2 * u), kBlendStep);  // eased in and out
}

void DesktopCatView::draw(QPainter& p) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (scene_.cup) drawCup(p);
    drawCat(p);
    if (scene_.toy) drawToy(p);
    if (scene_.gift) drawGift(p);
    for (const PopDraw& pop : scene_.pops) drawPop(p, pop);
    if (scene_.bubble) drawBubble(p);
    if (scene_.letters) drawLetters(p);
    p.restore();
}

void DesktopCatView::drawCup(QPainter& p) const {
    const CupDraw& d = *scene_.cup;
    p.save();
    p.setOpacity(p.opacity() * d.opacity);
    // Turned about the base's centre, which rests on the cup's point.
    p.translate(d.at);
    p.rotate(d.degrees);
    p.translate(0, -Mug::height / 2);
    Mug{}.paint(p);
    p.restore();
}

void DesktopCatView::drawCat(QPainter& p) const {
    const CatDraw& d = scene_.cat;
    p.save();
    // While peeking, nothing of the cat below the window's edge shows.
    if (d.clip) p.setClipRect(QRectF(0, 0, size_.width(), *d.clip), Qt::IntersectClip);
    if (d.shadow) shadow_.paint(p, d.shadowAt, d.rx, d.ry);
    if (d.opacity > 0) {
        p.setOpacity(p.opacity() * d.opacity);
        // Each image's pixels onto whole device pixels of the painter.
        auto lay = [&](const QImage& image, const QRect& ink, bool crop) {
            if (ink.isEmpty()) return;
            const double dpr = image.devicePixelRatio();
            const QRectF to(d.anchor + QPointF(ink.topLeft()) / dpr, QSizeF(ink.size()) / dpr);
            p.drawImage(to, image, crop ? QRectF(ink) : QRectF(image.rect()));
        };
        if (d.laidTogether) {
            lay(figure_.together(), figure_.togetherInk(), true);
        } else {
            for (int i = 0; i < CatParts::count; ++i)
                if (figure_.shown(i)) lay(figure_.drawn(i).image, figure_.drawn(i).ink, false);
        }
    }
    p.restore();
}

QTransform DesktopCatView::popTransform(const DesktopCat::Pop& pop, double t) const {
    const double a = std::max(t - pop.born, 0.0);
    const double u = std::min(a / 1.6, 1.0);
    const double grow = stepped(0.5 + 0.5 * std::min(a / 0.2, 1.0), kBlendStep);
    QPointF at(pop.p.x() + pop.drift * u + 3 * std::sin(5 * a), pop.p.y() - 18 - 46 * u);
    if (cat_.asking && pop.kind == DesktopCat::Pop::Kind::say) {
        // The line rises beside the need bubble, on the side away from it, never under it.
        const QRectF line = QTransform::fromScale(grow, grow).mapRect(popFrame(pop)).translated(at);
        const QRectF bubble = bubbleBounds();
        if (cat_.facingRight)
            at.rx() += std::min(0.0, bubble.left() - 4 - line.right());
        else
            at.rx() += std::max(0.0, bubble.right() + 4 - line.left());
    }
    QTransform m;
    m.translate(stepped(at.x(), kPlaceStep), stepped(at.y(), kPlaceStep));
    m.scale(grow, grow);
    return m;
}

QRectF DesktopCatView::popFrame(const DesktopCat::Pop& pop) const {
    if (pop.kind == DesktopCat::Pop::Kind::heart) return QRectF(-10, -10, 20, 20);
    const QFontMetricsF metrics(sayFont_);
    const double w = metrics.horizontalAdvance(pop.text) + 16;
    const double h = metrics.height() + 6;
    return QRectF(-w / 2, -h / 2, w, h);
}

QRectF DesktopCatView::bubbleBounds() const {
    const double k = cat_.sizeUnit();
    const double side = cat_.facingRight ? 1 : -1;
    const QPointF hp = cat_.headPoint();
    return QRectF(hp.x() + 30 * side * k - 30, hp.y() - 30 * k - 30, 60, 60);
}

void DesktopCatView::drawToy(QPainter& p) const {
    p.save();
    p.translate(scene_.toy->at);
    p.rotate(scene_.toy->degrees);
    p.scale(1.2, 1.2);
    ToyMouse{}.paint(p);
    p.restore();
}

void DesktopCatView::drawGift(QPainter& p) const {
    const GiftDraw& d = *scene_.gift;
    p.save();
    p.setOpacity(p.opacity() * d.opacity);
    p.translate(d.at);
    if (d.flip) p.scale(-1, 1);
    p.rotate(d.carried ? 25 : 0);
    const double sc = d.carried ? 1.1 : 1.3;
    p.scale(sc, sc);
    ToyMouse{}.paint(p);
    p.restore();
}

void DesktopCatView::drawPop(QPainter& p, const PopDraw& pop) const {
    static const QColor ink = colorFromHex("#2C2622");
    p.save();
    p.setOpacity(p.opacity() * pop.fade);
    p.setTransform(pop.where, true);
    if (pop.kind == DesktopCat::Pop::Kind::heart) {
        SoftHeart{14}.paint(p);
    } else {
        const QRectF capsule = pop.frame;
        const double h = capsule.height();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 22));
        p.drawRoundedRect(capsule.translated(0, 1).adjusted(-1, -1, 1, 1), h / 2 + 1, h / 2 + 1);
        p.setBrush(QColor(0, 0, 0, 26));
        p.drawRoundedRect(capsule.translated(0, 1), h / 2, h / 2);
        p.setBrush(Qt::white);
        p.drawRoundedRect(capsule, h / 2, h / 2);
        p.setFont(sayFont_);
        p.setPen(ink);
        p.drawText(capsule, Qt::AlignCenter, pop.text);
    }
    p.restore();
}

void DesktopCatView::drawBubble(QPainter& p) const {
    const BubbleDraw& d = *scene_.bubble;
    p.save();
    p.setOpacity(p.opacity() * d.grow);
    p.translate(d.at);
    p.scale(std::max(d.grow, 1e-5), std::max(d.grow, 1e-5));
    NeedBubble{d.need, d.t, d.side}.paint(p);
    p.restore();
}

void DesktopCatView::drawLetters(QPainter& p) const {
    static const QColor letter = colorFromHex("#F7F4F0");
    static const QColor shade = [] {
        QColor c = colorFromHex("#5C6B80");
        c.setAlphaF(0.7f);
        return c;
    }();
    static const QString z = QStringLiteral("z");
    const LettersDraw& d = *scene_.letters;
    const QRectF box(-20, -20, 40, 40);
    p.save();
    p.setFont(zFont_);
    for (const double cc : d.c) {
        double o = std::min(cc / 0.15, 1.0);
        if (cc >= 0.65) o *= (1 - cc) / 0.35;
        if (o <= 0) continue;
        p.save();
        p.setOpacity(p.opacity() * o);
        p.translate(d.head.x() + d.side * (8 + 22 * cc), d.head.y() - 14 - 34 * cc);
        const double sc = (10 + 9 * cc) / 20;
        p.scale(sc, sc);
        p.setPen(shade);
        p.drawText(box.translated(0, 0.5 / sc), Qt::AlignCenter, z);
        p.setPen(letter);
        p.drawText(box, Qt::AlignCenter, z);
        p.restore();
    }
    p.restore();
}

DesktopCatRoot::DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, QObject* parent)
    : QObject(parent), view_(cat, size), store_(store) {
    readBreed();
    connect(&store, &Defaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String("catBreed")) readBreed();
    });
}

DesktopCatRoot::DesktopCatRoot(DesktopCat& cat, QSizeF size, Defaults& store, Closet& closet, QObject* parent)
    : DesktopCatRoot(cat, size, store, parent) {
    CatEnv env = view_.environment();
    env.outfit = closet.outfit();
    view_.setEnvironment(env);
    connect(&closet, &Closet::outfitChanged, this, [this, &closet] {
        CatEnv e = view_.environment();
        e.outfit = closet.outfit();
        view_.setEnvironment(e);
    });
}

void DesktopCatRoot::readBreed() {
    CatEnv env = view_.environment();
    env.breed = storedBreed(store_);
    view_.setEnvironment(env);
}

}  // namespace kp
