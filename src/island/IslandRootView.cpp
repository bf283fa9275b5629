#include "island/IslandRootView.h"

#include "island/IslandGeometry.h"
#include "island/TobbiFace.h"
#include "platform/Color.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace kp {

using State = IslandStateMachine::State;

namespace {

QFont roundedFont(double pointSize, int weight) {
    QFont f(QStringLiteral("Nunito"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(static_cast<int>(std::round(pointSize)));
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

TobbiFace::World worldOf(const IslandScene& scene) {
    TobbiFace::World w;
    w.inputs.petDead = scene.dead;
    w.inputs.petSleeping = scene.sleeping;
    w.inputs.override = scene.faceOverride;
    w.pointer = scene.pointer;
    w.islandFrame = scene.islandFrame;
    w.breed = scene.breed;
    w.outfit = scene.outfit;
    return w;
}

// The one face each state shows: which face, where, and how.
struct FaceSlot {
    const char* key;
    QPointF centre;  // in island coordinates
    TobbiFace::Look look;
};

std::optional<FaceSlot> faceSlot(const QRectF& r, const IslandScene& scene) {
    auto slot = [](const char* key, QPointF centre, double size, double islandX, double gain) {
        FaceSlot s{key, centre, {}};
        s.look.size = size;
        s.look.faceIslandX = islandX;
        s.look.lookGain = gain;
        return s;
    };
    switch (scene.state) {
        case State::hidden: return std::nullopt;
        case State::petit: return slot("notch", {island::kWing / 2, r.height() / 2}, 22, island::kWing / 2, 0.3);
        case State::coucou: return slot("notch", {28, r.height() / 2}, 26, 28, 0.3);
        case State::home:
        case State::onboarding: return std::nullopt;  // the hosted content has its own face
    }
    return std::nullopt;
}

void paintSlotFace(QPainter& p, const QRectF& r, const IslandScene& scene, const FaceEmotes& emotes) {
    const auto s = faceSlot(r, scene);
    if (!s) return;
    const QPointF c = r.topLeft() + s->centre;
    const double size = s->look.size;
    TobbiFace::forKey(s->key).paint(p, QRectF(c.x() - size / 2, c.y() - size / 2, size, size), s->look,
                                    worldOf(scene), emotes, scene.time);
}

void paintCompact(QPainter& p, const QRectF& r, const IslandScene& scene, const FaceEmotes& emotes) {
    const double cy = r.top() + r.height() / 2;
    paintSlotFace(p, r, scene, emotes);
    // No notch hides the middle of the island here: the cat's name sits there, quiet.
    if (!scene.petName.isEmpty()) {
        QColor ink = colorFromHex(kIslandInk);
        ink.setAlphaF(0.6);
        p.setPen(ink);
        p.setFont(roundedFont(11, QFont::DemiBold));
        const QRectF middle(r.left() + island::kWing + 22, r.top(), r.width() - 2 * island::kWing - 44, r.height());
        p.drawText(middle, Qt::AlignCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(scene.petName, Qt::ElideRight, static_cast<int>(middle.width())));
    }
    if (scene.phase != PomodoroPhase::idle) {
        paintPomodoroMark(p, QPointF(r.right() - island::kWing / 2, cy), scene.phase, scene.progress,
                          scene.minutesLeft, scene.time);
    } else if (scene.need && !scene.dead) {
        // Beside the face, bobbing gently.
        const double bob = 1.5 * std::abs(std::sin(3 * scene.time));
        paintNeedMark(p, QPointF(r.left() + island::kWing + 8, cy - bob), *scene.need, 13);
    }
}

void paintGreeting(QPainter& p, const QRectF& r, const IslandScene& scene, const FaceEmotes& emotes) {
    // Without a notch to sit under, the row is centred in the island.
    const double rowTop = r.top() + (r.height() - 28) / 2;
    const double faceX = 28;
    paintSlotFace(p, r, scene, emotes);
    p.setPen(colorFromHex(kIslandInk));
    p.setFont(roundedFont(12, QFont::Bold));
    // Plain text: the name is the user's and is never read as markup.
    const QString text = QStringLiteral("Hi, I'm ") + scene.petName + QStringLiteral("!");
    const QRectF textBox(r.left() + faceX + 20, rowTop, r.width() - faceX - 32, 28);
    p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               p.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(textBox.width())));
}

}  // namespace

bool islandFaceWouldChange(const QRectF& island, const IslandScene& scene, const FaceEmotes& emotes) {
    const auto s = faceSlot(island, scene);
    return s && TobbiFace::forKey(s->key).wouldChange(s->look, worldOf(scene), emotes, scene.time);
}

QColor needMarkColor(PetNeed need) { return colorFromHex(need == PetNeed::sick ? "#E04F5F" : "#E8873A"); }

void paintNeedMark(QPainter& p, QPointF c, PetNeed need, double size) {
    if (need == PetNeed::dead) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(c);
    p.scale(size / 12, size / 12);  // drawn on a 12 x 12 grid around the centre
    const QColor color = needMarkColor(need);
    switch (need) {
        case PetNeed::hungry: {
            QPen pen(color, 1.5, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            // Fork: handle and three tines.
            p.drawLine(QPointF(-2.8, -1), QPointF(-2.8, 5.5));
            for (double x : {-4.4, -2.8, -1.2}) p.drawLine(QPointF(x, -5.5), QPointF(x, -1.8));
            p.drawLine(QPointF(-4.4, -1.4), QPointF(-1.2, -1.4));
            // Knife: a blade with a rounded back, then the handle.
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath blade;
            blade.moveTo(2.2, -5.8);
            blade.cubicTo(4.8, -4.6, 4.8, -0.5, 3.8, 0.6);
            blade.lineTo(2.2, 0.6);
            blade.closeSubpath();
            p.drawPath(blade);
            p.setPen(pen);
            p.drawLine(QPointF(3.0, 0.6), QPointF(3.0, 5.5));
            break;
        }
        case PetNeed::sick: {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath box;
            box.addRoundedRect(QRectF(-5.5, -3.5, 11, 8.5), 1.6, 1.6);
            box.addRoundedRect(QRectF(-2.2, -5.5, 4.4, 2.6), 0.8, 0.8);
            p.drawPath(box);
            p.setBrush(QColor(255, 255, 255));
            p.drawRect(QRectF(-0.7, -1.6, 1.4, 4.8));
            p.drawRect(QRectF(-2.4, 0.1, 4.8, 1.4));
            break;
        }
        case PetNeed::dirty: {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            auto sparkle = [&](QPointF at, double r) {
                QPainterPath s;
                s.moveTo(at.x(), at.y() - r);
                s.quadTo(at.x(), at.y(), at.x() + r, at.y());
                s.quadTo(at.x(), at.y(), at.x(), at.y() + r);
                s.quadTo(at.x(), at.y(), at.x() - r, at.y());
                s.quadTo(at.x(), at.y(), at.x(), at.y() - r);
                p.drawPath(s);
            };
            sparkle(QPointF(-1, 1), 5);
            sparkle(QPointF(3.8, -3.6), 2.4);
            sparkle(QPointF(4, 3.6), 1.6);
            break;
        }
        case PetNeed::sad: {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath h;
            h.moveTo(0, 5);
            h.cubicTo(-7, 0, -5, -6, 0, -2.5);
            h.cubicTo(5, -6, 7, 0, 0, 5);
            p.drawPath(h);
            break;
        }
        case PetNeed::dead:
            break;
    }
    p.restore();
}

void paintPomodoroMark(QPainter& p, QPointF c, PomodoroPhase phase, double progress, int minutesLeft, double time) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double d = 16;
    const QRectF ring(c.x() - d / 2, c.y() - d / 2, d, d);
    p.setPen(QPen(QColor(255, 255, 255, 38), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    const bool done = phase == PomodoroPhase::focusDone || phase == PomodoroPhase::restDone;
    const bool focus = phase == PomodoroPhase::focus || phase == PomodoroPhase::focusDone;
    QColor color = colorFromHex(focus ? "#F0604F" : "#8FCB8A");
    if (done && static_cast<long long>(std::floor(time)) % 2 == 1) color.setAlphaF(0.45);
    const double share = done ? 1.0 : std::clamp(progress, 0.0, 1.0);
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap));
    // From 12 o'clock, clockwise.
    p.drawArc(ring, 90 * 16, static_cast<int>(-360 * 16 * share));
    QColor ink = colorFromHex(kIslandInk);
    if (done && static_cast<long long>(std::floor(time)) % 2 == 1) ink.setAlphaF(0.45);
    p.setPen(ink);
    QFont f = roundedFont(8, QFont::Bold);
    p.setFont(f);
    p.drawText(ring, Qt::AlignCenter, done ? QStringLiteral("!") : QString::number(minutesLeft));
    p.restore();
}

void paintIslandContent(QPainter& p, const QRectF& island, const IslandScene& scene, const FaceEmotes& emotes) {
    switch (scene.state) {
        case State::hidden:
            break;
        case State::petit:
            paintCompact(p, island, scene, emotes);
            break;
        case State::coucou:
            paintGreeting(p, island, scene, emotes);
            break;
        case State::home:
        case State::onboarding:
            break;  // the room and the first-run pages draw themselves
    }
}

}  // namespace kp
