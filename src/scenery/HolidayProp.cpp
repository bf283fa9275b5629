#include "scenery/HolidayProp.h"

#include "cat/HeartPath.h"
#include "platform/ImageInk.h"
#include "scenery/HolidayPaint.h"
#include "scenery/HolidayPropParts.h"
#include "scenery/StarPath.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace kp {

using namespace props;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A part of a prop: drawn straight, or (`kept`) laid from a picture kept per `key` and drawn with
// its place's part of a device pixel, so it lies exactly where its shapes would. `box` holds all
// its ink.
template <typename Draw>
void part(QPainter& p, bool kept, Holiday holiday, int part, int step, const QRectF& box, Draw&& draw) {
    if (!kept) {
        draw(p);
        return;
    }
    const std::uint64_t key = 0x484F4C5000000000ull | static_cast<std::uint64_t>(holiday) << 24 |
                              static_cast<std::uint64_t>(part) << 16 | static_cast<std::uint64_t>(step);
    scenery::drawStillSprite(p, key, box, draw);
}

// A part that rises and falls by `lift` points, in steps of a fifth of a point (about a quarter of
// a pixel at the room's size: too small to tell apart), each step a kept picture when `kept`.
// `draw(QPainter&, double lift)`.
template <typename Draw>
void bobbing(QPainter& p, bool kept, Holiday holiday, int id, double lift, const QRectF& box, Draw&& draw) {
    const int step = static_cast<int>(std::lround(lift * 5));
    lift = step / 5.0;
    part(p, kept, holiday, id, step & 0xFFFF, box, [&](QPainter& q) { draw(q, lift); });
}

// A flicker between `low` and `high`, kept in steps too small to tell apart (1/32 of its range).
double stepped(bool kept, double value, double low, double high, int& step) {
    step = static_cast<int>(std::lround((value - low) / (high - low) * 32));
    return kept ? low + step * (high - low) / 32 : value;
}

void drawBalloon(QPainter& p, double x, double cy, QPointF anchor, QPointF control, const QColor& c) {
    QPainterPath& string = scratchPath();
    string.moveTo(x, cy + 7);
    string.quadTo(control, anchor);
    strokePath(p, string, hex("#7A6A60"), 0.6);
    fillEllipse(p, QRectF(x - 6, cy - 7.5, 12, 15), c);
    QPainterPath& knot = scratchPath(1);
    knot.moveTo(x, cy + 7);
    knot.lineTo(x - 1.4, cy + 9);
    knot.lineTo(x + 1.4, cy + 7);
    knot.closeSubpath();
    fillPath(p, knot, c);
    fillEllipse(p, QRectF(x - 3.5, cy - 5, 2.6, 3.6), faded(Qt::white, 0.45));
}

void drawConfetti(QPainter& p, int count, double x0, int xMul, int xMod, int yMul, int rotation,
                  const char* const* palette) {
    const QTransform base = p.worldTransform();
    for (int i = 0; i < count; ++i) {
        const QPointF c(x0 + (xMul * i) % xMod, -0.5 - (yMul * i) % 3);
        p.translate(c);
        p.rotate(rotation * i);
        p.fillRect(QRectF(-1, -0.5, 2, 1), hex(palette[i % 5]));
        p.setWorldTransform(base);
    }
}

void drawNewYear(QPainter& p, double t, bool kept) {
    // Each balloon with its string rises and falls as one picture.
    bobbing(p, kept, Holiday::newYear, 2, 1.2 * std::sin(1.3 * t - 8), QRectF(-16, -47, 17, 47), [](QPainter& q, double b) {
        drawBalloon(q, -8, -36 + b, {-1, -2}, {-1.5, (-36 + b - 2) / 2}, hex("#F2C14E"));
    });
    bobbing(p, kept, Holiday::newYear, 3, 1.2 * std::sin(1.3 * t + 9), QRectF(-1, -51, 18, 51), [](QPainter& q, double b) {
        drawBalloon(q, 9, -40 + b, {1, -2}, {8, (-40 + b - 2) / 2}, hex("#D8DDE6"));
    });
    bobbing(p, kept, Holiday::newYear, 4, 1.2 * std::sin(1.3 * t), QRectF(-8, -57, 16, 57), [](QPainter& q, double b) {
        drawBalloon(q, 0, -46 + b, {0, -2}, {3, (-46 + b - 2) / 2}, hex("#2C2622"));
    });
    part(p, kept, Holiday::newYear, 0, 0, QRectF(-4, -50, 8, 8), [](QPainter& q) {
        static const QPainterPath star = starPath({0, -46}, 2.6);
        fillPath(q, star, hex("#F2C14E"));
    });
    part(p, kept, Holiday::newYear, 1, 0, QRectF(-23, -6, 46, 8), [](QPainter& q) {
        static const char* const palette[] = {"#F2C14E", "#F07A93", "#8FC5F0", "#8FCB8A", "#D8DDE6"};
        drawConfetti(q, 14, -20, 37, 40, 1, 47, palette);
        fillEllipse(q, QRectF(-3, -3, 6, 3), hex("#C99A3E"));
    });
}

void drawValentines(QPainter& p, double t, bool kept) {
    // The heart on its string rises and falls as one picture.
    bobbing(p, kept, Holiday::valentines, 1, 1.5 * std::sin(1.4 * t), QRectF(-11, -55, 24, 50), [](QPainter& q, double b) {
        QPainterPath& string = scratchPath();
        string.moveTo(2, -7);
        string.quadTo(-4, -20, 1, -33 + b);
        strokePath(q, string, hex("#7A6A60"), 0.6);

        static const QPainterPath heart = heartPath({1, -41}, 18);
        static const QBrush heartFill = [] {
            QLinearGradient g(-8, -50, 10, -32);
            g.setColorAt(0, hex("#F07A93"));
            g.setColorAt(1, hex("#D9454F"));
            return QBrush(g);
        }();
        // The heart bobs; its gradient stays on fixed points, so move the brush the other way.
        q.save();
        q.translate(0, b);
        QBrush fill = heartFill;
        fill.setTransform(QTransform::fromTranslate(0, -b));
        q.setPen(Qt::NoPen);
        q.setBrush(fill);
        q.drawPath(heart);
        q.restore();
        fillEllipse(q, QRectF(-4, -47 + b, 3, 4), faded(Qt::white, 0.5));
    });
    part(p, kept, Holiday::valentines, 0, 0, QRectF(-8, -11, 18, 12),
         [](QPainter& q) { drawGiftBox(q, QRectF(-6, -7, 14, 7), hex("#F4A7B4"), hex("#D9454F")); });
}

void drawCarnivalShapes(QPainter& p) {
    static const char* const palette[] = {"#F07A93", "#F2C14E", "#4FB3A9", "#8E5BC9", "#5E9BD6"};
    drawConfetti(p, 16, -21, 29, 42, 11, 53, palette);
    fillRect(p, QRectF(-11, -22, 22, 20), hex("#E04F5F"));
    static const QPainterPath cord = [] {
        QPainterPath path({-11, -19});
        path.lineTo(-11, -5);
        for (int i = 1; i <= 8; ++i) path.lineTo(-11 + 2.75 * i, (i % 2 == 1) ? -19 : -5);
        path.lineTo(11, -5);
        return path;
    }();
    strokePath(p, cord, hex("#F7F4F0"), 1);
    fillEllipse(p, QRectF(-12, -24.5, 24, 4), hex("#F2C14E"));
    fillEllipse(p, QRectF(-12, -5, 24, 4), hex("#F2C14E"));
    fillEllipse(p, QRectF(-11, -24.5, 22, 3.5), hex("#F7EFE0"));
    QPen stick(hex("#8A6A4E"), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    stick.setMiterLimit(10);
    p.setPen(stick);
    p.drawLine(QPointF(-3, -24), QPointF(9, -31));
    fillEllipse(p, QRectF(-6, -26.5, 5, 4), hex("#F7F4F0"));
    static const QPainterPath streamer = [] {
        QPainterPath path({11, -18});
        path.cubicTo(20, -16, 12, -6, 18, -2);
        return path;
    }();
    strokePath(p, streamer, hex("#4FB3A9"), 1.2, Qt::RoundCap);
}

void drawEasterShapes(QPainter& p) {
    static const QPainterPath handle = [] {
        QPainterPath path({-13, -11});
        path.quadTo(0, -36, 13, -11);
        return path;
    }();
    strokePath(p, handle, hex("#A87A4E"), 2.4);

    static const QPointF eggs[] = {{-8, -16}, {-2, -18}, {4, -17}, {9, -15}};
    static const char* const eggColours[] = {"#F4A7B4", "#9ED6E4", "#FFE08A", "#C9B6F0"};
    for (int i = 0; i < 4; ++i) {
        const QRectF egg(eggs[i].x() - 3.6, eggs[i].y() - 4.6, 7.2, 9.2);
        fillEllipse(p, egg, hex(eggColours[i]));
        QPainterPath& clip = scratchPath();
        clip.addEllipse(egg);
        p.save();
        p.setClipPath(clip, Qt::IntersectClip);
        p.fillRect(QRectF(eggs[i].x() - 4, eggs[i].y() - 0.6, 8, 1.4), faded(Qt::white, 0.75));
        p.restore();
    }

    static const QPainterPath grass = [] {
        QPainterPath path({-14, -11});
        path.lineTo(-14, -14);
        for (int i = 1; i <= 10; ++i) path.lineTo(-14 + 2.8 * i, (i % 2 == 1) ? -11 : -14);
        return path;
    }();
    strokePath(p, grass, hex("#8FCB8A"), 1.4);

    static const QPainterPath basket = [] {
        QPainterPath path({-15, -12});
        path.lineTo(15, -12);
        path.lineTo(12, 0);
        path.lineTo(-12, 0);
        path.closeSubpath();
        return path;
    }();
    fillPath(p, basket, hex("#C89A62"));
    p.save();
    p.setClipPath(basket, Qt::IntersectClip);
    p.setPen(QPen(hex("#A87A4E"), 0.8, Qt::SolidLine, Qt::FlatCap));
    for (double y = -10; y < 0; y += 3) p.drawLine(QPointF(-16, y), QPointF(16, y));
    p.setPen(QPen(hex("#B5875A"), 0.6, Qt::SolidLine, Qt::FlatCap));
    for (double x = -14; x < 14; x += 4) p.drawLine(QPointF(x, -12), QPointF(0.85 * x, 0));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#A87A4E"));
    p.drawRoundedRect(QRectF(-16, -13.5, 32, 3), 1.5, 1.5);
    fillEllipse(p, QRectF(15, -7.5, 6, 7.5), hex("#FFB8A0"));
}

void drawFestaJunina(QPainter& p, bool dark, double t, bool kept) {
    // The soft glow flickers in steps that move its top by 0.4 points (too small to tell apart on
    // its fading edge), each step a kept picture; the tongues sway and are drawn.
    const double fl = 0.8 + 0.2 * std::sin(8 * t) * std::sin(4.7 * t);
    const int step = static_cast<int>(std::lround(fl * 20 / 0.4));
    const double glow = step * 0.4 / 20;
    part(p, kept, Holiday::festaJunina, 0, 0, QRectF(-20, -23, 40, 25), [](QPainter& q) {
        for (int i = 0; i < 7; ++i)
            fillEllipse(q, QRectF(-17.6 + 5 * i, -3.6, 5.2, 3.6), hex(i % 2 == 0 ? "#9A8F86" : "#857A70"));
        static const double logAngles[] = {-0.45, 0.45, 0};
        static const char* const logColours[] = {"#7A5235", "#6B4A34", "#8A5E3E"};
        for (int i = 0; i < 3; ++i) {
            q.save();
            q.translate(0, -4);
            q.rotate(logAngles[i] / kDeg);
            q.setPen(Qt::NoPen);
            q.setBrush(hex(logColours[i]));
            q.drawRoundedRect(QRectF(-2, -16, 4, 17), 1.6, 1.6);
            q.restore();
        }
    });
    part(p, kept, Holiday::festaJunina, dark ? 3 : 2, step, QRectF(-20, -39, 40, 46),
         [&](QPainter& q) { drawBonfireGlow(q, dark, glow); });
    drawBonfireTongues(p, t, fl);
    part(p, kept, Holiday::festaJunina, 1, 0, QRectF(10, -17, 13, 18), [](QPainter& q) {
        q.save();
        q.translate(17, -7);
        q.rotate(20);
        fillEllipse(q, QRectF(-2.4, -6, 4.8, 12), hex("#F2C14E"));
        for (double y = -4; y <= 2; y += 2) q.fillRect(QRectF(-2, y, 4, 0.5), hex("#D9A23A"));
        static const QPainterPath husk = [] {
            QPainterPath path({-2.4, 4});
            path.quadTo(-5, 0, 0, -3);
            path.quadTo(5, 0, 2.4, 4);
            return path;
        }();
        fillPath(q, husk, hex("#8FCB8A"));
        q.restore();
    });
}

void drawHalloween(QPainter& p, bool dark, double t, bool kept) {
    int step = 0;
    const double fl = stepped(kept, 0.75 + 0.25 * std::sin(9 * t) * std::sin(5.3 * t), 0.5, 1, step);
    part(p, kept, Holiday::halloween, 0, 0, QRectF(-18, -25, 38, 26), [](QPainter& q) {
        static const char* const lobes[] = {"#D9702A", "#E8873A", "#F09A48"};
        static const double smallX[] = {3.59, 11.91, 7.75};
        static const double bigX[] = {-16.68, -1.32, -9};
        for (int i = 0; i < 3; ++i) fillEllipse(q, QRectF(smallX[i], -11.5, 6.5, 11), hex(lobes[i]));
        for (int i = 0; i < 3; ++i) fillEllipse(q, QRectF(bigX[i], -20, 12, 20), hex(lobes[i]));
        q.setPen(Qt::NoPen);
        q.setBrush(hex("#6B5A2E"));
        q.drawRoundedRect(QRectF(-4.5, -24, 3, 5), 1, 1);
        fillEllipse(q, QRectF(-1.5, -22, 6, 2.6), hex("#6FBF78"));
    });
    // The face's flicker in its steps, each a kept picture.
    part(p, kept, Holiday::halloween, dark ? 2 : 1, step, dark ? QRectF(-21, -26, 38, 37) : QRectF(-16, -21, 28, 26),
         [&](QPainter& q) { drawPumpkinFace(q, dark, fl, faded(hex("#FFD27A"), fl)); });
}

// The Christmas tree: the fir, its nine lights and the star with the gifts, each a kept picture.
constexpr QRectF kFirBox(-18, -48, 36, 48);
constexpr QRectF kLightBox(-6, -6, 12, 12);
constexpr QRectF kStarBox(-22, -54, 44, 54);  // holds the fir and every light's box too
constexpr std::uint64_t kFirKey = 0x54524545ull, kStarKey = 0x53544152ull, kStillTreeKey = 0x5452454553544152ull;
constexpr QPointF kLights[] = {{-10, -10}, {-3, -8}, {5, -9},   {12, -11}, {-7, -19},
                               {1, -20},   {8, -21}, {-4, -29}, {4, -30}};
constexpr int kLightSteps = 31;  // the twinkle in 32 steps, each step a kept picture of the light

std::uint64_t lightKey(int i, int level) {
    return 0x4C49474800000000ull | static_cast<std::uint64_t>(i % 4) << 8 | static_cast<std::uint64_t>(level);
}

const QColor& lightColour(int i) {
    static const QColor colours[] = {hex("#FFD27A"), hex("#F07A93"), hex("#8FC5F0"), hex("#FFE9A8")};
    return colours[i % 4];
}

// Each light's step of its twinkle, 0.5 + 0.5 sin(2.1 i + 2.4 t): the sine of the time is asked
// once, within its cycle (a clock reading is too large for sin() to reduce quickly), and turned
// by each light's phase.
std::array<int, 9> lightLevels(double t) {
    constexpr double kCycle = 2 * 3.14159265358979323846 / 2.4;
    static const std::array<std::pair<double, double>, 9> phases = [] {
        std::array<std::pair<double, double>, 9> out;
        for (int i = 0; i < 9; ++i) out[static_cast<std::size_t>(i)] = {std::cos(2.1 * i), std::sin(2.1 * i)};
        return out;
    }();
    const double a = 2.4 * std::fmod(t, kCycle);
    const double s = std::sin(a), c = std::cos(a);
    std::array<int, 9> levels;
    for (std::size_t i = 0; i < 9; ++i) {
        const double wave = s * phases[i].first + c * phases[i].second;
        levels[i] = static_cast<int>(std::lround((wave + 1) / 2 * kLightSteps));
    }
    return levels;
}

void drawLight(QPainter& q, int i, int level) { drawTreeLight(q, QPointF(0, 0), lightColour(i), level / double(kLightSteps)); }

void drawStarAndGifts(QPainter& q) {
    drawTreeStar(q);
    drawGiftBox(q, QRectF(-20, -8, 10, 8), hex("#D9454F"), hex("#F2C14E"));
    drawGiftBox(q, QRectF(9, -6, 9, 6), hex("#5E9BD6"), hex("#F7F4F0"));
}

QRectF lightBounds(int i) { return kLightBox.translated(kLights[i]); }

QPoint rounded(QPointF at) { return QPoint(static_cast<int>(std::round(at.x())), static_cast<int>(std::round(at.y()))); }

// Where the star and each gift lie (points), with room for the star's glow and the edges: a light
// put together again is covered by the star's picture only there.
constexpr QRectF kStarInk[] = {{-10, -54, 20, 19}, {-21, -12, 12, 13}, {8, -10, 11, 11}};

// The tree put together on one picture at the device's scale: the fir, the lights at their steps
// and the star with the gifts, each piece on the device pixel it would be laid on alone. When a
// light steps, only its square is put together again, from the fir, the lights over it and the
// star or gifts, so the still parts cost nothing where no light changed.
class KeptTree {
public:
    // Lays the tree, or tells the gatherer of it; false when the painter is turned.
    bool paint(QPainter& p, const std::array<int, 9>& levels) {
        const QTransform t = p.deviceTransform();
        if (t.m12() != 0 || t.m21() != 0 || t.m11() < 0 || t.m22() < 0) return false;
        const double scale = scenery::spriteScale(p, kStarBox);
        if (!(scale > 0)) return false;
        if (scenery::gatherSprite(p, kStillTreeKey, scale, kStarBox)) {
            // The still tree is one piece; each light is told by its step, over its ink alone.
            const QRect ink = lightInk(scale);
            const QRectF inkBounds(kLightBox.topLeft() + QPointF(ink.topLeft()) / scale, QSizeF(ink.size()) / scale);
            for (int i = 0; i < 9; ++i)
                scenery::gatherSprite(p, lightKey(i, levels[i]), scale, inkBounds.translated(kLights[i]));
            return true;
        }
        Places places;
        const QPoint corner = rounded(t.map(kStarBox.topLeft()));
        places.fir = rounded(t.map(kFirBox.topLeft())) - corner;
        for (int i = 0; i < 9; ++i) places.lights[i] = rounded(t.map(lightBounds(i).topLeft())) - corner;
        if (image_.isNull() || scale != scale_ || !(places == places_))
            putTogether(scale, places, levels);
        else
            putChanged(levels);
        held_ = levels;
        scenery::laySprite(p, image_, kStarBox, scale);
        return true;
    }

private:
    struct Places {
        QPoint fir, lights[9];
        bool operator==(const Places& o) const { return fir == o.fir && std::equal(lights, lights + 9, o.lights); }
    };

    void putTogether(double scale, const Places& places, const std::array<int, 9>& levels) {
        scale_ = scale;
        places_ = places;
        image_ = scenery::blankSprite(scale, kStarBox);
        fir_ = scenery::spritePicture(kFirKey, scale, kFirBox, [](QPainter& q) { drawFir(q); });
        star_ = scenery::spritePicture(kStarKey, scale, kStarBox, drawStarAndGifts);
        for (int k = 0; k < 3; ++k) {
            const QRectF at((kStarInk[k].topLeft() - kStarBox.topLeft()) * scale, kStarInk[k].size() * scale);
            starInk_[k] = QRect(QPoint(static_cast<int>(std::floor(at.left())), static_cast<int>(std::floor(at.top()))),
                                QPoint(static_cast<int>(std::ceil(at.right())), static_cast<int>(std::ceil(at.bottom())))) &
                          star_.rect();
        }
        lightInk(scale);
        QPainter q(&image_);
        q.drawImage(places.fir, fir_);
        for (int i = 0; i < 9; ++i) q.drawImage(places.lights[i], light(i, levels[i]));
        q.drawImage(QPoint(0, 0), star_);
    }

    // Puts together again where the lights that stepped lie: their squares, those close together
    // joined so that each light or gift is laid fewer times.
    void putChanged(const std::array<int, 9>& levels) {
        QRect squares[9];
        int count = 0;
        for (int i = 0; i < 9; ++i)
            if (levels[i] != held_[i]) squares[count++] = lightInk_.translated(places_.lights[i]) & image_.rect();
        const auto area = [](const QRect& r) { return r.width() * r.height(); };
        for (bool joined = true; joined;) {
            joined = false;
            for (int a = 0; a < count && !joined; ++a)
                for (int b = a + 1; b < count && !joined; ++b)
                    if (area(squares[a] | squares[b]) <= area(squares[a]) + area(squares[b]) + kJoinArea) {
                        squares[a] |= squares[b];
                        squares[b] = squares[--count];
                        joined = true;
                    }
        }
        if (count == 0) return;
        QPainter q(&image_);
        for (int k = 0; k < count; ++k) putAgain(q, squares[k], levels);
    }

    void putAgain(QPainter& q, const QRect& square, const std::array<int, 9>& levels) {
        if (square.isEmpty()) return;
        q.setCompositionMode(QPainter::CompositionMode_Source);
        const QRect onFir = square & QRect(places_.fir, fir_.size());
        if (onFir != square) q.fillRect(square, Qt::transparent);
        if (!onFir.isEmpty()) q.drawImage(onFir.topLeft(), fir_, onFir.translated(-places_.fir));
        q.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (int i = 0; i < 9; ++i) {
            const QImage& image = levels[i] == held_[i] ? lights_[i] : light(i, levels[i]);
            if (const QRect in = square & lightInk_.translated(places_.lights[i]); !in.isEmpty())
                q.drawImage(in.topLeft(), image, in.translated(-places_.lights[i]));
        }
        for (const QRect& ink : starInk_)
            if (const QRect in = square & ink; !in.isEmpty()) q.drawImage(in.topLeft(), star_, in);
    }

    // Where a light's picture has ink at its brightest, at `scale` (every light's glow alike).
    const QRect& lightInk(double scale) {
        if (scale != inkScale_) {
            inkScale_ = scale;
            const QImage brightest = scenery::spritePicture(lightKey(0, kLightSteps), scale, kLightBox,
                                                            [](QPainter& q) { drawLight(q, 0, kLightSteps); });
            lightInk_ = inkBox(brightest);
        }
        return lightInk_;
    }

    // The light's picture at its step, held while it shows.
    const QImage& light(int i, int level) {
        lights_[i] = scenery::spritePicture(lightKey(i, level), scale_, kLightBox, [&](QPainter& q) { drawLight(q, i, level); });
        return lights_[i];
    }

    QImage image_;
    double scale_ = 0;
    Places places_;
    std::array<int, 9> held_{};
    QRect starInk_[3];
    double inkScale_ = 0;
    QRect lightInk_;
    // Two squares are put together as one while that adds no more than this (device pixels): a
    // square of its own lays each piece once more.
    static constexpr int kJoinArea = 400;
    QImage fir_, star_, lights_[9];
};

void drawChristmas(QPainter& p, double t, bool kept) {
    if (!kept) {
        drawFir(p);
        for (int i = 0; i < 9; ++i) drawTreeLight(p, kLights[i], lightColour(i), 0.5 + 0.5 * std::sin(2.1 * i + 2.4 * t));
        drawStarAndGifts(p);
        return;
    }
    static KeptTree tree;
    const std::array<int, 9> levels = lightLevels(t);
    if (tree.paint(p, levels)) return;
    // A turned painter: each piece laid on its own.
    drawSprite(p, kFirKey, kFirBox, [](QPainter& q) { drawFir(q); });
    for (int i = 0; i < 9; ++i) {
        p.save();
        p.translate(kLights[i]);
        drawSprite(p, lightKey(i, levels[i]), kLightBox, [&](QPainter& q) { drawLight(q, i, levels[i]); });
        p.restore();
    }
    drawSprite(p, kStarKey, kStarBox, drawStarAndGifts);
}

void drawBirthday(QPainter& p, bool dark, double t, bool kept) {
    int step = 0;
    const double fl = stepped(kept, 0.85 + 0.15 * std::sin(11 * t), 0.7, 1, step);
    bobbing(p, kept, Holiday::birthday, 3, 1.2 * std::sin(1.3 * t - 13), QRectF(-21, -49, 15, 39), [](QPainter& q, double b) {
        drawBalloon(q, -13, -38 + b, {-8, -12}, {-7.5, (-38 + b - 12) / 2}, hex("#8FC5F0"));
    });
    bobbing(p, kept, Holiday::birthday, 4, 1.2 * std::sin(1.3 * t + 13), QRectF(5, -53, 17, 43), [](QPainter& q, double b) {
        drawBalloon(q, 13, -42 + b, {8, -12}, {13.5, (-42 + b - 12) / 2}, hex("#F07A93"));
    });
    part(p, kept, Holiday::birthday, 0, 0, QRectF(-17, -23, 34, 26), [](QPainter& q) {
        fillEllipse(q, QRectF(-15, -2.5, 30, 4), hex("#F7F4F0"));
        q.setPen(Qt::NoPen);
        q.setBrush(hex("#F4D3B0"));
        q.drawRoundedRect(QRectF(-12, -14, 24, 13), 2, 2);
        fillRect(q, QRectF(-12, -8.5, 24, 2), hex("#F07A93"));
        static const QPainterPath icing = [] {
            QPainterPath path({-12, -14});
            path.lineTo(12, -14);
            path.lineTo(12, -11);
            path.quadTo(10, -7.5, 8, -11);
            path.quadTo(6, -10, 4, -11);
            path.quadTo(2, -7.5, 0, -11);
            path.quadTo(-2, -10, -4, -11);
            path.quadTo(-6, -7.5, -8, -11);
            path.quadTo(-10, -10, -12, -11);
            path.closeSubpath();  // the drips end at the cake's left side
            return path;
        }();
        fillPath(q, icing, hex("#FFF6EE"));
        static const double sprinkleX[] = {-8, -3, 3, 8};
        static const char* const sprinkleColours[] = {"#F07A93", "#8FC5F0", "#FFD27A", "#8FCB8A"};
        for (int i = 0; i < 4; ++i) {
            q.setBrush(hex(sprinkleColours[i]));
            q.drawRoundedRect(QRectF(sprinkleX[i] - 0.8, -12.8, 1.6, 0.9), 0.4, 0.4);
        }
        q.setBrush(hex("#8FC5F0"));
        q.drawRoundedRect(QRectF(-1.2, -21, 2.4, 7), 0.6, 0.6);
    });
    // The flame's flicker in its steps, each a kept picture.
    part(p, kept, Holiday::birthday, dark ? 2 : 1, step, QRectF(-12, -37, 24, 27),
         [&](QPainter& q) { drawCandleFlame(q, dark, fl); });
}

}  // namespace

namespace props {

void drawGiftBox(QPainter& p, const QRectF& r, const QColor& box, const QColor& ribbon) {
    p.setPen(Qt::NoPen);
    p.setBrush(box);
    p.drawRoundedRect(r, 1, 1);
    p.fillRect(QRectF(r.center().x() - 0.8, r.top(), 1.6, r.height()), ribbon);
    p.fillRect(QRectF(r.left(), r.top() + 0.35 * r.height(), r.width(), 1.4), ribbon);
    p.setBrush(ribbon);
    p.drawEllipse(QRectF(r.center().x() - 3.2, r.top() - 2.4, 3.2, 2.6));
    p.drawEllipse(QRectF(r.center().x(), r.top() - 2.4, 3.2, 2.6));
}

void drawPumpkinFace(QPainter& p, bool dark, double flicker, const QColor& color) {
    static const QPainterPath face = [] {
        QPainterPath path({-8, -11});
        path.lineTo(-4, -11);
        path.lineTo(-6, -15);
        path.closeSubpath();
        path.moveTo(1, -11);
        path.lineTo(5, -11);
        path.lineTo(3, -15);
        path.closeSubpath();
        path.moveTo(-10, -7);
        const QPointF mouth[] = {{-8.8, -5.5}, {-6.4, -7}, {-4, -5.5}, {-1.6, -7},
                                 {0.8, -5.5},  {3.2, -7},  {5.6, -5.5}, {4, -7}};
        for (const QPointF& m : mouth) path.lineTo(m);
        path.quadTo(-3, -1.5, -10, -7);
        path.closeSubpath();
        return path;
    }();
    drawGlow(p, face.boundingRect(), hex("#FFB347"), (dark ? 1.0 : 0.6) * flicker, dark ? 6 : 3);
    fillPath(p, face, color);
}

void drawTreeLight(QPainter& p, QPointF at, const QColor& color, double twinkle) {
    const QRectF r(at.x() - 1.4, at.y() - 1.4, 2.8, 2.8);
    drawGlow(p, r, color, twinkle, 2.5);
    fillEllipse(p, r, faded(color, 0.55 + 0.45 * twinkle));
}

void drawFir(QPainter& p) {
    fillRect(p, QRectF(-2.5, -7, 5, 7), hex("#6B4A34"));
    static const std::array<QPainterPath, 3> tiers = [] {
        struct Tier { double a, b, c; };
        const Tier sizes[3] = {{-7, 17, 14}, {-17, 13.5, 13}, {-26, 10, 12}};
        std::array<QPainterPath, 3> out;
        for (int i = 0; i < 3; ++i) {
            const auto [a, b, c] = sizes[i];
            QPainterPath path({0, a - c - 4});
            path.quadTo(0.4 * b, a - 0.3 * c, b, a);
            path.quadTo(0, a + 3, -b, a);
            path.quadTo(-0.4 * b, a - 0.3 * c, 0, a - c - 4);
            path.closeSubpath();
            out[static_cast<std::size_t>(i)] = path;
        }
        return out;
    }();
    static const char* const tierColours[] = {"#3F7A4A", "#4A8A55", "#5E9E5E"};
    for (std::size_t i = 0; i < 3; ++i) fillPath(p, tiers[i], hex(tierColours[i]));
}

void drawTreeStar(QPainter& p) {
    static const QPainterPath star = starPath({0, -44}, 4.5);
    drawGlow(p, star.boundingRect(), hex("#FFD27A"), 0.8, 3);
    fillPath(p, star, hex("#F2C14E"));
}

void drawCandleFlame(QPainter& p, bool dark, double flicker) {
    QPainterPath& flame = scratchPath(2);
    flame.moveTo(0, -21);
    flame.quadTo(-2.4, -23, 0, -21 - 5 * flicker);
    flame.quadTo(2.4, -23, 0, -21);
    drawGlow(p, flame.boundingRect(), hex("#FFB347"), dark ? 1.0 : 0.7, dark ? 6 : 3);
    fillPath(p, flame, hex("#FFD27A"));
}

void drawBonfireGlow(QPainter& p, bool dark, double flicker) {
    drawGlow(p, QRectF(-7, -6 - flicker * 20, 14, flicker * 20), hex("#FFB347"),
             (dark ? 1.0 : 0.7) * flicker, dark ? 8 : 4);
}

void drawBonfireTongues(QPainter& p, double time, double flicker) {
    struct Tongue { double w, h; const char* colour; double k; };
    static const Tongue tongues[] = {
        {14, 20, "#E8732F", 1.0}, {9, 14, "#F2A93B", -1.0}, {5, 8, "#FFE08A", 0.5}};
    for (const Tongue& tg : tongues) {
        const double s = 1.2 * std::sin(5 * time * tg.k);
        const double tipY = -6 - flicker * tg.h;
        QPainterPath& path = scratchPath(3);
        path.moveTo(-tg.w / 2, -6);
        path.quadTo(-tg.w / 2, -6 - 0.6 * tg.h, s, tipY);
        path.quadTo(tg.w / 2, -6 - 0.6 * tg.h, tg.w / 2, -6);
        path.closeSubpath();
        fillPath(p, path, hex(tg.colour));
    }
}

}  // namespace props

void HolidayProp::drawLocal(QPainter& p, Holiday holiday, bool dark, double time) { draw(p, holiday, dark, time, true); }

void HolidayProp::drawShapes(QPainter& p, Holiday holiday, bool dark, double time) { draw(p, holiday, dark, time, false); }

void HolidayProp::draw(QPainter& p, Holiday holiday, bool dark, double time, bool kept) {
    switch (holiday) {
    case Holiday::newYear: drawNewYear(p, time, kept); break;
    case Holiday::valentines: drawValentines(p, time, kept); break;
    case Holiday::carnival: part(p, kept, holiday, 0, 0, QRectF(-24, -34, 48, 37), drawCarnivalShapes); break;
    case Holiday::easter: part(p, kept, holiday, 0, 0, QRectF(-19, -28, 42, 30), drawEasterShapes); break;
    case Holiday::festaJunina: drawFestaJunina(p, dark, time, kept); break;
    case Holiday::halloween: drawHalloween(p, dark, time, kept); break;
    case Holiday::christmas: drawChristmas(p, time, kept); break;
    case Holiday::birthday: drawBirthday(p, dark, time, kept); break;
    }
}

void HolidayProp::paint(QPainter& p) const {
    // Laid from kept pictures on an upright painter, the prop changes nothing of the painter but
    // its place, which is put back; shapes drawn straight (the bonfire's, or on a turned painter)
    // need the whole state kept.
    if (holiday != Holiday::festaJunina && p.deviceTransform().type() <= QTransform::TxScale) {
        const QTransform was = p.worldTransform();
        p.translate(kSize.width() * 0.5, kSize.height());
        drawLocal(p, holiday, dark, time);
        p.setWorldTransform(was);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(kSize.width() * 0.5, kSize.height());
    drawLocal(p, holiday, dark, time);
    p.restore();
}

void HolidayProp::paint(QPainter& p, const QRectF& frame) const {
    p.save();
    p.translate(frame.center().x() - kSize.width() / 2, frame.center().y() - kSize.height() / 2);
    paint(p);
    p.restore();
}

}  // namespace kp
