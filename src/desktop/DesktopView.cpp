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

// Pulls every pixel of `img` inside `r` towards its luminance (saturation 1 keeps it as it was).
void desaturate(QImage& img, const QRect& r, double saturation) {
    const QRect box = r.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c);
            if (a == 0) continue;
            const double l = 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
            auto mixed = [&](int v) { return std::clamp(static_cast<int>(std::lround(l + saturation * (v - l))), 0, a); };
            line[x] = qRgba(mixed(qRed(c)), mixed(qGreen(c)), mixed(qBlue(c)), a);
        }
    }
}

}  // namespace

DesktopCatView::DesktopCatView(DesktopCat& cat, QSizeF size) : cat_(cat), size_(size) {
    sayFont_.setPixelSize(12);
    sayFont_.setWeight(QFont::Black);
    zFont_.setPixelSize(20);
    zFont_.setWeight(QFont::Black);
}

void DesktopCatView::paint(QPainter& p, double t) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (cat_.cup) paintCup(p, t);
    paintCat(p, t);
    if (cat_.toy) paintToy(p, t);
    if (cat_.gift) paintGift(p, t);
    paintPops(p, t);
    if (cat_.asking) paintBubble(p, t);
    if (cat_.pose == DesktopCat::Pose::sleep) paintSleepLetters(p, t);
    p.restore();
}

void DesktopCatView::paintCup(QPainter& p, double t) const {
    const DesktopCat::Cup& c = *cat_.cup;
    double o = 1;
    if (c.landedAt) o = std::max(0.0, std::min(7 - (t - *c.landedAt), 1.0));
    if (o <= 0) return;
    p.save();
    p.setOpacity(p.opacity() * o);
    // Turned about the base's centre, which rests on the cup's point.
    p.translate(c.p);
    p.rotate(c.angle * 180 / kPi);
    p.translate(0, -Mug::height / 2);
    Mug{}.paint(p);
    p.restore();
}

void DesktopCatView::paintCat(QPainter& p, double t) {
    p.save();
    // While peeking, nothing of the cat below the window's edge shows.
    if (cat_.peekLine) p.setClipRect(QRectF(0, 0, size_.width(), *cat_.peekLine), Qt::IntersectClip);
    const double s = cat_.sizeUnit() * std::max(cat_.appear, 0.05);
    using P = DesktopCat::Pose;
    if (cat_.appear > 0.5 && !cat_.peekLine && cat_.pose != P::air && cat_.pose != P::dangle) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 41));
        p.drawEllipse(QPointF(cat_.feet.x(), cat_.feet.y() - 1), 17 * s, 2.5 * s);
    }
    paintCachedFigure(p, t);
    p.restore();
}

// The figure is drawn aside and laid in at the cat's place each frame; it is drawn again only when
// its look changes (pose, side, face, outfit, blends) or its limbs have moved on a step: 12 steps
// a second on the move (24 running, leaping or swatting), 8 at rest.
void DesktopCatView::paintCachedFigure(QPainter& p, double t) {
    using P = DesktopCat::Pose;
    const DesktopCat& c = cat_;
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const bool resting = !c.vibing && !c.wiggle &&
                         (c.pose == P::sit || c.pose == P::lie || c.pose == P::sleep || c.pose == P::stare ||
                          c.pose == P::back || c.pose == P::stand);
    auto hundredths = [](double v) { return static_cast<int>(std::lround(100 * v)); };
    const FigureLook look{c.pose,
                          c.bellyUp,
                          c.facingRight,
                          c.life().isDead(),
                          c.playing() == MediaWatcher::Playing::music(),
                          c.vibing,
                          c.wiggle,
                          c.expression(t),
                          hundredths(c.appear),
                          hundredths(c.sit),
                          hundredths(c.squash),
                          hundredths(c.turn),
                          hundredths(c.sizeUnit()),
                          hundredths(c.backTilt),
                          hundredths(c.backTurn),
                          dpr,
                          lookVersion_};
    const QPointF anchor(c.feet.x(), c.feet.y() + 44 * c.sizeUnit() * c.peekDepth);
    const bool quick = c.pose == P::run || c.pose == P::air || c.pose == P::dangle || c.pose == P::swat;
    const double step = resting ? 1.0 / 8 : quick ? 1.0 / 24 : 1.0 / 12;
    if (!(look == figure_.look) || t < figure_.at || t - figure_.at >= step) {
        const QTransform local = figureTransform(t) * QTransform::fromTranslate(-anchor.x(), -anchor.y());
        const QRect box = local.mapRect(kFigureArea).toAlignedRect();
        const QSize pixels = (QSizeF(box.size()) * dpr).toSize();
        if (figure_.image.size() != pixels) figure_.image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        figure_.image.setDevicePixelRatio(dpr);
        figure_.image.fill(Qt::transparent);
        QPainter aside(&figure_.image);
        aside.setRenderHint(QPainter::Antialiasing);
        aside.translate(-box.topLeft());
        paintFigure(aside, t, local);
        figure_.box = box;
        figure_.look = look;
        figure_.at = t;
    }
    // Laid in on whole device pixels: no resampling.
    const QPointF at = p.worldTransform().map(anchor + QPointF(figure_.box.topLeft()));
    const QPointF snapped(std::round(at.x() * dpr) / dpr, std::round(at.y() * dpr) / dpr);
    p.save();
    p.setWorldTransform(QTransform::fromTranslate(snapped.x(), snapped.y()));
    p.drawImage(QPointF(), figure_.image);
    p.restore();
}

QTransform DesktopCatView::figureTransform(double t) const {
    using P = DesktopCat::Pose;
    const DesktopCat& c = cat_;
    const double k = c.sizeUnit();
    const double s = k * std::max(c.appear, 0.05);
    const bool belly = c.bellyUp && c.pose == P::sleep;
    const bool lying = (c.pose == P::lie || c.pose == P::sleep) && !belly;
    QTransform m;
    // 9: position.
    const double lift = belly ? 3 : (lying ? 10 : 15);
    m.translate(c.feet.x(), c.feet.y() + 44 * k * c.peekDepth - s * lift);
    // 6: the figure's scale.
    m.scale(s, s);
    // 5: turn blend and squash about the bottom centre; never thinner than 12 %.
    const double f = std::max(std::abs(c.turn), 0.12) * (c.turn < 0 ? -1 : 1);
    const QPointF bottom(0, 22);
    m.translate(bottom.x(), bottom.y());
    m.scale(f * (1 + 0.6 * (1 - c.squash)), c.squash);
    m.translate(-bottom.x(), -bottom.y());
    auto rotateAbout = [&m](QPointF at, double degrees) {
        m.translate(at.x(), at.y());
        m.rotate(degrees);
        m.translate(-at.x(), -at.y());
    };
    // 4: rear wiggle about the bottom-trailing corner.
    if (c.wiggle) rotateAbout(QPointF(30, 22), 4 * std::sin(26 * t));
    // 3: the belly-up sleeper is the upright figure turned over, rocking slowly.
    if (belly) rotateAbout(QPointF(0, 0), 180 + 4 * std::sin(0.7 * t));
    // 2: a held cat swings from where it is held.
    if (c.pose == P::dangle) rotateAbout(QPointF(0, -22), 6 * std::sin(2.4 * t));
    // 1: swaying to music.
    if (c.vibing) rotateAbout(bottom, 5 * std::sin(0.9 * kPi * t));
    return m;
}

QRectF DesktopCatView::bounds(double t) const {
    const DesktopCat& c = cat_;
    const double k = c.sizeUnit();
    const double s = k * std::max(c.appear, 0.05);
    QRectF cat = figureTransform(t).mapRect(kFigureArea);
    cat |= QRectF(c.feet.x() - 18 * s, c.feet.y() - 5 * s, 36 * s, 8 * s);  // the shadow
    if (c.peekLine) cat &= QRectF(0, 0, size_.width(), *c.peekLine);
    QRectF all = cat;
    if (c.cup) {
        QTransform m;
        m.translate(c.cup->p.x(), c.cup->p.y());
        m.rotate(c.cup->angle * 180 / kPi);
        all |= m.mapRect(QRectF(-Mug::width, -2 * Mug::height, 2 * Mug::width, 2.5 * Mug::height));
    }
    if (c.toy) all |= QRectF(c.toy->x() - 20, c.toy->y() - 20, 40, 32);
    if (c.gift) all |= QRectF(c.gift->p.x() - 22, c.gift->p.y() - 22, 44, 40);
    for (const DesktopCat::Pop& pop : c.pops) all |= popBounds(pop, t);
    if (c.asking) all |= bubbleBounds();
    if (c.pose == DesktopCat::Pose::sleep) {
        const QPointF hp = c.headPoint();
        const double side = c.facingRight ? 1 : -1;
        all |= QRectF(QPointF(hp.x() + side * 8, hp.y() - 14), QPointF(hp.x() + side * 30, hp.y() - 48))
                   .normalized()
                   .adjusted(-20, -20, 20, 20);
    }
    return all;
}

QTransform DesktopCatView::popTransform(const DesktopCat::Pop& pop, double t) const {
    const double a = std::max(t - pop.born, 0.0);
    const double u = std::min(a / 1.6, 1.0);
    const double grow = 0.5 + 0.5 * std::min(a / 0.2, 1.0);
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
    m.translate(at.x(), at.y());
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

QRectF DesktopCatView::popBounds(const DesktopCat::Pop& pop, double t) const {
    return popTransform(pop, t).mapRect(popFrame(pop).adjusted(-2, -2, 2, 3));
}

QRectF DesktopCatView::bubbleBounds() const {
    const double k = cat_.sizeUnit();
    const double side = cat_.facingRight ? 1 : -1;
    const QPointF hp = cat_.headPoint();
    return QRectF(hp.x() + 30 * side * k - 30, hp.y() - 30 * k - 30, 60, 60);
}

void DesktopCatView::paintFigure(QPainter& p, double t, const QTransform& where) {
    using P = DesktopCat::Pose;
    const DesktopCat& c = cat_;
    const bool belly = c.bellyUp && c.pose == P::sleep;
    const bool lying = (c.pose == P::lie || c.pose == P::sleep) && !belly;
    const double sitBlend = (lying || belly) ? 0 : c.sit;
    const double side = c.facingRight ? 1 : -1;
    const double opacity = std::min(3 * c.appear, 1.0);
    if (opacity <= 0) return;

    // The outfit for the moment: a sleep mask in bed, headphones while music plays.
    CatEnv env = env_;
    if (c.pose == P::sleep)
        env.outfit.face = CatAccessory::sleepMask;
    else if (c.playing() == MediaWatcher::Playing::music() && !env.outfit.extras.contains(CatAccessory::headphones))
        env.outfit.extras.push_back(CatAccessory::headphones);

    p.save();
    p.setOpacity(p.opacity() * opacity);
    p.setTransform(where, true);

    const double hp = c.headPoint().x();
    const bool dead = c.life().isDead();
    QPainter* target = &p;
    QPainter scratchPainter;
    QRect deviceBox;
    if (dead) {
        // Washed out (saturation 0.55): painted aside, faded towards grey, then laid in.
        deviceBox = p.worldTransform().mapRect(kFigureArea).toAlignedRect();
        const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
        const QSize need(static_cast<int>(std::ceil(deviceBox.width() * dpr)),
                         static_cast<int>(std::ceil(deviceBox.height() * dpr)));
        if (scratch_.width() < need.width() || scratch_.height() < need.height())
            scratch_ = QImage(need.expandedTo(scratch_.size()), QImage::Format_ARGB32_Premultiplied);
        scratch_.setDevicePixelRatio(dpr);
        scratch_.fill(Qt::transparent);
        scratchPainter.begin(&scratch_);
        scratchPainter.setRenderHint(QPainter::Antialiasing);
        scratchPainter.setTransform(p.worldTransform() * QTransform::fromTranslate(-deviceBox.x(), -deviceBox.y()));
        target = &scratchPainter;
    }

    const Motion m = motionFor(c.pose, belly, t);
    if (c.pose == P::back) {
        CatBack back;
        back.tail = 14 * std::sin(1.6 * t);
        back.tilt = side * c.backTilt;
        back.turn = side * c.backTurn;
        back.headScale = c.headScale();
        back.paint(*target, env);
    } else {
        const FaceFrame frame = cat_.face.frame(c.expression(t), hp, t);
        CatFigure fig;
        fig.body.swing = m.swing;
        fig.body.tail = m.tail;
        fig.body.lying = lying;
        fig.body.pawAngle = m.pawAngle;
        fig.body.pawRaise = m.pawRaise;
        fig.body.sit = sitBlend;
        fig.body.pawOnTop = true;
        fig.head.expression = frame.expression;
        fig.head.previous = frame.previous;
        fig.head.mix = frame.mix;
        fig.head.sway = frame.sway;
        fig.head.look = c.eyeLook(t);
        fig.head.blink = std::max(frame.blink, c.vibing ? 1.0 : 0.0);
        fig.head.mirrored = c.turn < 0;
        fig.head.size = 30;
        fig.headScale = c.headScale();
        double tilt = belly ? 25 : c.pose == P::groom ? 10 : c.pose == P::dangle ? -8 : 0;
        const double nod = std::sin(1.8 * kPi * t);
        if (c.vibing) tilt += 9 * nod;
        fig.headTilt = tilt;
        // Head anchor relative to the drawing's own: the desktop's lying head sits a point higher.
        QPointF nudge(0, lying ? -1 : 0);
        if (belly) nudge += QPointF(2, 21);
        if (c.vibing) nudge.ry() += -1.6 * std::abs(nod);
        fig.headNudge = nudge;
        fig.paint(*target, env);
    }

    if (dead) {
        scratchPainter.end();
        const double dpr = scratch_.devicePixelRatio();
        const QRect used(0, 0, static_cast<int>(std::ceil(deviceBox.width() * dpr)),
                         static_cast<int>(std::ceil(deviceBox.height() * dpr)));
        desaturate(scratch_, used, 0.55);
        p.setWorldTransform(QTransform());
        p.drawImage(QRectF(deviceBox), scratch_, QRectF(used));
    }
    p.restore();
}

void DesktopCatView::paintToy(QPainter& p, double t) const {
    p.save();
    p.translate(cat_.toy->x(), cat_.toy->y() - 4);
    p.rotate(8 * std::sin(9 * t));
    p.scale(1.2, 1.2);
    ToyMouse{}.paint(p);
    p.restore();
}

void DesktopCatView::paintGift(QPainter& p, double t) const {
    const DesktopCat::Gift& g = *cat_.gift;
    double o = 1;
    if (g.placedAt) o = std::max(0.0, std::min(25 - (t - *g.placedAt), 1.0));
    if (o <= 0) return;
    p.save();
    p.setOpacity(p.opacity() * o);
    p.translate(g.p.x(), g.carried ? g.p.y() : g.p.y() - 4);
    if (!cat_.facingRight) p.scale(-1, 1);
    p.rotate(g.carried ? 25 : 0);
    const double sc = g.carried ? 1.1 : 1.3;
    p.scale(sc, sc);
    ToyMouse{}.paint(p);
    p.restore();
}

void DesktopCatView::paintPops(QPainter& p, double t) const {
    if (cat_.pops.empty()) return;
    static const QColor ink = colorFromHex("#2C2622");
    for (const DesktopCat::Pop& pop : cat_.pops) {
        const double a = t - pop.born;
        if (a < 0) continue;
        const double u = std::min(a / 1.6, 1.0);
        const double fade = a / 1.6 < 0.7 ? 1.0 : (1 - u) / 0.3;
        if (fade <= 0) continue;
        p.save();
        p.setOpacity(p.opacity() * fade);
        p.setTransform(popTransform(pop, t), true);
        if (pop.kind == DesktopCat::Pop::Kind::heart) {
            SoftHeart{14}.paint(p);
        } else {
            const QRectF capsule = popFrame(pop);
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
}

void DesktopCatView::paintBubble(QPainter& p, double t) const {
    const double k = cat_.sizeUnit();
    const double side = cat_.facingRight ? 1 : -1;
    const QPointF hp = cat_.headPoint();
    p.save();
    p.translate(hp.x() + 30 * side * k, hp.y() - 30 * k);
    NeedBubble{*cat_.asking, t, side}.paint(p);
    p.restore();
}

void DesktopCatView::paintSleepLetters(QPainter& p, double t) const {
    static const QColor letter = colorFromHex("#F7F4F0");
    static const QColor shade = [] {
        QColor c = colorFromHex("#5C6B80");
        c.setAlphaF(0.7f);
        return c;
    }();
    static const QString z = QStringLiteral("z");
    const QPointF hp = cat_.headPoint();
    const double side = cat_.facingRight ? 1 : -1;
    const QRectF box(-20, -20, 40, 40);
    p.save();
    p.setFont(zFont_);
    for (int i = 0; i < 3; ++i) {
        const double c = std::fmod(t + i * 0.8, 2.4) / 2.4;
        const double cc = c < 0 ? c + 1 : c;
        double o = std::min(cc / 0.15, 1.0);
        if (cc >= 0.65) o *= (1 - cc) / 0.35;
        if (o <= 0) continue;
        p.save();
        p.setOpacity(p.opacity() * o);
        p.translate(hp.x() + side * (8 + 22 * cc), hp.y() - 14 - 34 * cc);
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
