#include "scenery/WindowViews.h"

#include "platform/Color.h"
#include "scenery/Fireworks.h"
#include "scenery/SceneryKit.h"
#include "scenery/SkyView.h"
#include "scenery/Sprites.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cmath>
#include <cstring>
#include <optional>
#include <limits>
#include <numbers>

namespace kp {

namespace {

struct WindowInk {
    QColor treeNight = colorFromHex("#24402E");
    QColor treeEven = colorFromHex("#6BAF6A");
    QColor treeOdd = colorFromHex("#4E9A55");
    QColor bird = colorFromHex("#2C2622");
    QColor bedroomFrame = colorFromHex("#EFE6DA");
    QColor curtain = colorFromHex("#C46B78");
    QColor rod = colorFromHex("#6B5344");
    QColor sill = colorFromHex("#DCCFBF");
    QColor plainFrame = colorFromHex("#E7E0D6");
    QPen birdPen;
    QPen sashPen;
    QPen glintPen;
    QPainterPath bedroomCurtain;  // 8 x 40 from its top middle: square top, rounded bottom
    QPainterPath bedroomGlass;    // the pane inside the bedroom frame, centred
    QPainterPath plainGlass;      // the pane inside the plain frame, centred

    WindowInk() {
        birdPen = QPen(bird, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        birdPen.setMiterLimit(10);
        sashPen = QPen(bedroomFrame, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        sashPen.setMiterLimit(10);
        glintPen = QPen(QColor::fromRgbF(1, 1, 1, 0.35f), 1);

        // Corner radius 6 on an 8-wide panel is limited to half its width.
        const double r = 4;
        QPainterPath c;
        c.moveTo(-4, 0);
        c.lineTo(4, 0);
        c.lineTo(4, 40 - r);
        c.arcTo(QRectF(4 - 2 * r, 40 - 2 * r, 2 * r, 2 * r), 0, -90);
        c.lineTo(-4 + r, 40);
        c.arcTo(QRectF(-4, 40 - 2 * r, 2 * r, 2 * r), 270, -90);
        c.closeSubpath();
        bedroomCurtain = c;

        bedroomGlass.addRoundedRect(QRectF(-26, -18, 52, 36), 2, 2);
        plainGlass.addRoundedRect(QRectF(-28, -18, 56, 36), 3, 3);
    }
};

const WindowInk& ink() {
    static const WindowInk i;
    return i;
}

// Reading the local calendar is slow next to a frame's drawing, and the answer only changes on
// the hour, so it is asked once a minute of frame time.
bool fireworksThisMinute(double time) {
    static double minute = std::numeric_limits<double>::quiet_NaN();
    static bool due = false;
    const double m = std::floor(time / 60);
    if (m != minute) {
        minute = m;
        due = fireworksDue(m * 60, true);
    }
    return due;
}

QRectF centred(QPointF c, double w, double h) { return QRectF(c.x() - w / 2, c.y() - h / 2, w, h); }

// One sash: its frame stroked and the middle bar, centred on `c`.
void drawSash(QPainter& p, QPointF c) {
    const WindowInk& k = ink();
    p.setBrush(Qt::NoBrush);
    p.setPen(k.sashPen);
    p.drawRect(centred(c, 52, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(k.bedroomFrame);
    p.drawRect(centred(c, 1.5, 18));
}

}  // namespace

void WindowOutside::paint(QPainter& p, const QRectF& rect) const {
    const double w = rect.width();
    const double h = rect.height();
    if (!(w > 0) || !(h > 0)) return;
    const WindowInk& k = ink();
    const bool night = look.time == SkyTime::night;
    const bool sunny = !night && look.weather == SkyWeather::clear;

    SkyView{look, time, false, true}.paint(p, rect);
    const bool evening = look.time == SkyTime::sunset || night;
    if (evening && fireworksThisMinute(time)) WindowFireworks{time}.paint(p, rect);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.topLeft());

    // The bird: a V whose apex is the top-left corner of a 6 x 3 box centred on its flight line.
    if (sunny) {
        const double phase = std::fmod(time, 11.0) / 11.0;
        const double wing = std::sin(14 * time) > 0 ? -1.5 : 1.0;
        const QPointF at((w + 30) * phase - 15 - 3, 0.3 * h + 3 * std::sin(1.7 * time) - 1.5);
        // Each wing beat a kept picture, laid on the quarter of a device pixel it flies at.
        scenery::drawMovingSprite(p, 0x4249524400000000ull | (wing < 0 ? 1 : 0), at, QRectF(-4.5, -2.5, 9, 5),
                                  [&](QPainter& q) {
                                      const QPointF points[3] = {{-3, wing}, {0, 0}, {3, wing}};
                                      q.setPen(k.birdPen);
                                      q.setBrush(Qt::NoBrush);
                                      q.drawPolyline(points, 3);
                                  });
    }

    // Treetops: five overlapping discs along the bottom, the same in every frame: one kept picture,
    // drawn again only where something moves over it.
    std::optional<scenery::StillDrawing> still;
    still.emplace();
    p.setPen(Qt::NoPen);
    const double d = 0.39 * h;
    const double rowWidth = 5 * d - 16;
    const double cy = 0.92 * h;
    const bool snow = look.weather == SkyWeather::snow;
    const auto trees = [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        for (int i = 0; i < 5; ++i) {
            const double cx = 0.5 * w - rowWidth / 2 + d / 2 + i * (d - 4);
            q.setBrush(night ? k.treeNight : (i % 2 == 0 ? k.treeEven : k.treeOdd));
            q.drawEllipse(QPointF(cx, cy), d / 2, d / 2);
            if (snow) {
                q.setBrush(QColor::fromRgbF(1, 1, 1, 0.92f));
                q.drawEllipse(QRectF(cx - d / 2 + 2, cy - d / 2, std::max(0.0, d - 4), 0.16 * h));
            }
        }
    };
    // The discs' box: the row's ends, the discs' tops and bottoms.
    const QRectF box(0.5 * w - rowWidth / 2 - 1, cy - d / 2 - 1, rowWidth + 2, d + 2);
    std::uint64_t key = 0x5452454553000000ull | static_cast<std::uint64_t>(night) << 1 | static_cast<std::uint64_t>(snow);
    for (const double v : {w, h}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        key = (key ^ bits) * 0x100000001B3ull;
    }
    scenery::drawStillSprite(p, key, box, trees);
    still.reset();
    p.restore();

    if (isRainy(look.weather)) SkyBeads{time}.paint(p, rect);
}

void BedroomWindowView::paint(QPainter& p, const QRectF& rect) const {
    const WindowInk& k = ink();
    const QPointF c = rect.center();
    const double lift = sashLift < 0 ? (open ? 1.0 : 0.0) : std::clamp(sashLift, 0.0, 1.2);
    // The pieces that only stand, or only turn, are laid from kept pictures, drawn about the
    // window's centre.
    constexpr std::uint64_t kKeys = 0x57494E0000000000ull;
    const auto kept = [&](std::uint64_t key, const QRectF& bounds, auto&& draw) {
        p.save();
        p.translate(c);
        scenery::drawSprite(p, kKeys | key, bounds, draw);
        p.restore();
    };

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // The frame and the sashes at rest look the same in every frame.
    const bool resting = lift == 0 || lift == 1;
    std::optional<scenery::StillDrawing> still;
    still.emplace();

    // 1. Frame.
    kept(1, QRectF(-31, -25, 62, 46), [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(k.bedroomFrame);
        q.drawRoundedRect(centred(QPointF(0, -2), 60, 44), 4, 4);
    });
    still.reset();

    // 2. The outside, through the glass. At rest the sashes' frames cover the glass's rounded
    // corners, so a plain rectangle clips it.
    const QPointF glassCentre = c + QPointF(0, -2);
    p.save();
    if (resting) {
        p.setClipRect(centred(glassCentre, 52, 36), Qt::IntersectClip);
    } else {
        p.translate(glassCentre);
        p.setClipPath(k.bedroomGlass, Qt::IntersectClip);
        p.translate(-glassCentre);
    }
    WindowOutside{look, time}.paint(p, centred(glassCentre, 52, 36));
    p.restore();

    // 3. Upper sash; 4. lower sash: glass, glint, frame; raised over the upper one when open.
    const auto sashes = [&k](QPainter& q, QPointF at, double raised) {
        drawSash(q, at + QPointF(0, -11));
        const QPointF lower = at + QPointF(0, 7 - 18 * raised);
        const QRectF sash = centred(lower, 52, 18);
        q.setPen(Qt::NoPen);
        q.setBrush(QColor::fromRgbF(1, 1, 1, 0.14f));
        q.drawRect(sash);
        q.setPen(k.glintPen);
        q.drawLine(sash.topLeft() + QPointF(8, 14), sash.topLeft() + QPointF(16, 4));
        drawSash(q, lower);
    };
    if (resting) {
        still.emplace();
        kept(lift == 0 ? 2 : 3, QRectF(-28, -22, 56, 40), [&](QPainter& q) { sashes(q, QPointF(0, 0), lift); });
        still.reset();
    } else {
        sashes(p, c, lift);
    }

    // 5. Curtains, hung from the rod, flaring outward and swaying (more when open).
    const double amplitude = open ? 4.0 : 1.5;
    for (int s = -1; s <= 1; s += 2) {
        p.save();
        p.translate(c + QPointF(31.0 * s, -4 - 20));
        p.rotate(scenery::steppedTurn(p, (amplitude * std::sin(0.8 * time) - 3) * s, 43));
        scenery::drawSprite(p, kKeys | 4, QRectF(-5, -1, 10, 42), [&k](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(scenery::faded(k.curtain, 0.9));
            q.drawPath(k.bedroomCurtain);
        });
        p.restore();
    }

    // 6. Rod, 7. sill, 8. sill shadow.
    still.emplace();
    kept(5, QRectF(-36, -26, 72, 4), [&k](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(k.rod);
        q.drawRoundedRect(centred(QPointF(0, -24), 70, 2.5), 1.25, 1.25);
    });
    kept(6, QRectF(-35, 19, 70, 7), [&k](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(k.sill);
        q.drawRoundedRect(centred(QPointF(0, 22), 68, 4), 1.5, 1.5);
        q.setBrush(QColor::fromRgbF(0, 0, 0, 0.12f));
        q.drawRect(centred(QPointF(0, 24.5), 62, 1));
    });
    still.reset();
    p.restore();
}

void PlainWindowView::paint(QPainter& p, const QRectF& rect) const {
    const WindowInk& k = ink();
    const QPointF c = rect.center();
    const double sway = std::sin(0.8 * time) * 2.0;  // degrees
    // The frame, the mullions and the curtains are laid from kept pictures, drawn about the
    // window's centre.
    constexpr std::uint64_t kKeys = 0x504C4E0000000000ull;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // The frame and the mullions look the same in every frame.
    std::optional<scenery::StillDrawing> still;
    still.emplace();
    p.translate(c);
    scenery::drawSprite(p, kKeys | 1, QRectF(-36, -25, 72, 50), [&k](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(k.plainFrame);
        q.drawRoundedRect(centred(QPointF(0, 0), 70, 48), 6, 6);
    });
    p.translate(-c);
    still.reset();

    // The outside is cut by the glass's rectangle; its rounded corners are the frame's colour
    // laid over it, with the mullions.
    p.save();
    p.setClipRect(centred(c, 56, 36), Qt::IntersectClip);
    WindowOutside{look, time}.paint(p, centred(c, 56, 36));
    p.restore();

    still.emplace();
    p.translate(c);
    scenery::drawSprite(p, kKeys | 2, QRectF(-29, -19, 58, 38), [&k](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(k.plainFrame);
        QPainterPath corners;
        corners.addRect(centred(QPointF(0, 0), 56, 36));
        q.drawPath(corners.subtracted(k.plainGlass));
        q.drawRect(centred(QPointF(0, 0), 56, 2));
        q.drawRect(centred(QPointF(0, 0), 2, 36));
    });
    p.translate(-c);
    still.reset();

    // Curtains turn about the middle of the window's top, 19 above its centre.
    for (int s = -1; s <= 1; s += 2) {
        p.save();
        p.translate(c + QPointF(0, -19));
        // Its far end lies 52 from where it turns.
        p.rotate(scenery::steppedTurn(p, -sway * s, 52));
        scenery::drawSprite(p, kKeys | static_cast<std::uint64_t>(3 + (s + 1) / 2), QRectF(30.0 * s - 4, -1, 8, 40),
                            [&k, s](QPainter& q) {
                                q.setPen(Qt::NoPen);
                                q.setBrush(scenery::faded(k.curtain, 0.85));
                                q.drawRoundedRect(QRectF(30.0 * s - 3, 0, 6, 38), 2, 2);
                            });
        p.restore();
    }
    p.restore();
}

double WindowSashSpring::lift(bool open, double t) {
    target_ = open ? 1.0 : 0.0;
    if (!started_) {
        started_ = true;
        position_ = target_;
        velocity_ = 0;
        lastTime_ = t;
        return position_;
    }
    double dt = t - lastTime_;
    lastTime_ = t;
    if (!(dt > 0)) return position_;
    if (dt > 2.0) {  // a long gap: the sash has long come to rest
        position_ = target_;
        velocity_ = 0;
        return position_;
    }
    // Response 0.5 s and damping fraction 0.8, stepped finely enough to stay stable.
    constexpr double omega = 2 * std::numbers::pi / 0.5;
    constexpr double zeta = 0.8;
    constexpr double maxStep = 1.0 / 240;
    while (dt > 0) {
        const double h = std::min(dt, maxStep);
        const double accel = -omega * omega * (position_ - target_) - 2 * zeta * omega * velocity_;
        velocity_ += accel * h;
        position_ += velocity_ * h;
        dt -= h;
    }
    if (!isMoving()) {
        position_ = target_;
        velocity_ = 0;
    }
    return position_;
}

bool WindowSashSpring::isMoving() const {
    return std::abs(position_ - target_) > 1e-4 || std::abs(velocity_) > 1e-3;
}

}  // namespace kp
