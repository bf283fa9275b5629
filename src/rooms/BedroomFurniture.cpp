#include "rooms/BedroomFurniture.h"

#include "cat/Closet.h"
#include "life/PetLife.h"
#include "core/Preferences.h"
#include "life/Wallet.h"
#include "platform/Defaults.h"
#include "rooms/RoomShapesScenery.h"
#include "scenery/SceneryKit.h"
#include "scenery/Sprites.h"
#include "scenery/ShopArt.h"
#include "scenery/TomatoClock.h"
#include "scenery/WardrobeRack.h"
#include "scenery/WindowViews.h"

#include <QLinearGradient>
#include <QPainter>

#include <chrono>
#include <optional>
#include <QRadialGradient>

#include <climits>
#include <cmath>

namespace kp {

namespace {

const QColor kDark = hexColor("#5C4334");

QBrush verticalGradient(const QRectF& r, const char* top, const char* bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, hexColor(top));
    g.setColorAt(1, hexColor(bottom));
    return QBrush(g);
}

ShapeList bookRow(ShapeList s, double top) {
    struct Book {
        double width;
        const char* hex;
    };
    static constexpr Book books[4] = {{4, "#C46B78"}, {5, "#7EB6E0"}, {4, "#E7B15A"}, {6, "#8FCB8A"}};
    double x = -12.5;  // four books and three gaps of 2: 25 wide
    for (const Book& b : books) {
        s.fill(roundedRectPath(QRectF(x, top, b.width, 12), 1), b.hex);
        x += b.width + 2;
    }
    return s;
}

}  // namespace

// ---- Pieces ----

void drawBookcase(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        // The case: two rows of books and a plank, padded 5 (50 x 44).
        s.fill(roundedRectPath(bottomRect(50, 44), 3), "#4E3B2E");
        s = bookRow(s, -39);
        s.fill(roundedRectPath(QRectF(-20, -24, 40, 4), 2), "#6B5344");
        s = bookRow(s, -17);
        s.fill(roundedRectPath(bottomRect(12, 10, 0, -42), 2), "#C47B5A");
        s.fill(ellipsePath(bottomRect(14, 12, 0, -52)), "#6BAF6A");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawWallShelves(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        // Brackets 24 apart end to end, 3 below the frame's top; the right one mirrored.
        s.fill(shelfBracketPath(QRectF(-12, -2, 5, 7)), "#8C6A50");
        QTransform mirror;
        mirror.translate(9.5, 0);
        mirror.scale(-1, 1);
        mirror.translate(-9.5, 0);
        s.fill(mirror.map(shelfBracketPath(QRectF(7, -2, 5, 7))), "#8C6A50");
        s.fill(roundedRectPath(topRect(32, 3.5, 0, -5), 1.5), "#A07A5C");
        s.fill(roundedRectPath(topRect(30, 1.6, 0, -5), 1), "#C9A7D8");
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

void drawBed(QPainter& p, QPointF at, double scale) {
    static const ShapeList shapes = [] {
        ShapeList s;
        const char* wood = "#7A5A44";
        const char* light = "#9A7458";
        const char* dark = "#5C4334";
        // Legs at both ends of a 116 row.
        s.fill(roundedRectPath(QRectF(-58, -5, 4, 5), 1), dark);
        s.fill(roundedRectPath(QRectF(54, -5, 4, 5), 1), dark);
        // Headboard (leading corners round) and its panel.
        s.fill(roundedRectPath(QRectF(-67, -38, 14, 38), 8, 2, 2, 8), wood);
        s.fill(roundedRectPath(QRectF(-63.5, -32, 7, 18), 3), light);
        // Footboard.
        s.fill(roundedRectPath(QRectF(56, -26, 10, 26), 6, 2, 2, 6), wood);
        s.fill(roundedRectPath(QRectF(59, -21, 4, 10), 2), light);
        // Rail, mattress, sheet seam.
        s.fill(roundedRectPath(bottomRect(112, 7, 0, -4), 2), dark);
        s.fill(roundedRectPath(bottomRect(110, 9, 0, -11), 4), "#FBF6EF");
        s.fill(rectPath(bottomRect(106, 1, 0, -15)), "#E6DCCF");
        // Blanket with five stripes and its turned-down edge.
        const QRectF blanket(-17, -22, 70, 14);
        s.fill(roundedRectPath(blanket, 4), verticalGradient(blanket, "#F0B8BE", "#D98992"));
        QPainterPath stripes;
        for (int i = 0; i < 5; ++i) stripes.addRect(QRectF(18 - 29.75 + i * 14.5, -22, 1.5, 14));
        s.fill(stripes, QBrush(QColor(255, 255, 255, 71)));
        s.fill(capsulePath(QRectF(-17, -22, 70, 3)), "#FFF6EE", 0.9);
        // Pillow and its soft shadow.
        const QRectF pillow(-54, -27, 24, 9);
        s.fill(roundedRectPath(pillow.translated(0, 1).adjusted(-0.5, -0.5, 0.5, 0.5), 5.5), QBrush(QColor(0, 0, 0, 15)));
        s.fill(roundedRectPath(pillow.translated(0, 1), 5), QBrush(QColor(0, 0, 0, 18)));
        QLinearGradient g(pillow.topLeft(), pillow.bottomLeft());
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, hexColor("#EDE3D6"));
        s.fill(roundedRectPath(pillow, 5), QBrush(g));
        return s;
    }();
    PieceFrame frame(p, at, scale);
    shapes.paint(p);
}

double lampGlow(double t, bool nightSleepInBedroom) {
    if (nightSleepInBedroom) return 0;
    // In steps of 1/64, far below what the eye tells apart on so soft a glow.
    return scenery::stepped(0.28 + 0.18 * (0.5 + 0.5 * std::sin(1.7 * t)), 1.0 / 64);
}

void drawLamp(QPainter& p, QPointF at, double scale, double glow) {
    static const ShapeList stand = [] {
        ShapeList s;
        s.fill(roundedRectPath(bottomRect(26, 18), 3), "#6B5344");
        return s;
    }();
    static const ShapeList lamp = [] {
        ShapeList s;
        s.fill(capsulePath(bottomRect(2, 14, 0, -20)), "#C9B59A");
        s.fill(lampShadePath(bottomRect(18, 10, 0, -30)), "#F3E2A4");
        return s;
    }();
    // A 28-point disc blurred by 5: full inside, fading out over the blur's reach.
    static const QBrush glowBrush = [] {
        QRadialGradient g(QPointF(0, -42), 24);
        QColor c = hexColor("#F6E7A8");
        g.setColorAt(0, c);
        g.setColorAt(9.0 / 24, c);
        c.setAlphaF(0.5f);
        g.setColorAt(14.0 / 24, c);
        c.setAlphaF(0.12f);
        g.setColorAt(19.0 / 24, c);
        c.setAlphaF(0);
        g.setColorAt(1, c);
        return QBrush(g);
    }();
    static const QRectF glowRect = centreRect(48, 48, 0, -42);
    PieceFrame frame(p, at, scale);
    stand.paintKept(p);
    if (glow > 0) {
        // The glow pulses by its opacity alone: the blurred disc is a kept picture.
        const double was = p.opacity();
        p.setOpacity(was * glow);
        scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&glowBrush), glowRect, [](QPainter& q) {
            q.setPen(Qt::NoPen);
            q.setBrush(glowBrush);
            q.drawEllipse(glowRect);
        });
        p.setOpacity(was);
    }
    lamp.paintKept(p);
}

ScratcherMotion scratcherMotion(bool scratching, double t) {
    if (scratching) return {0.7 * std::sin(18 * t), 18 * std::sin(7 * t)};
    return {0, 7 * std::sin(1.8 * t)};
}

void drawScratchingPost(QPainter& p, QPointF at, double scale, ScratcherMotion motion) {
    static const QRectF columnRect(-5.5, -40, 11, 34);
    static const ShapeList column = [] {
        ShapeList s;
        QLinearGradient g(columnRect.topLeft(), columnRect.topRight());
        g.setColorAt(0, hexColor("#E2C998"));
        g.setColorAt(1, hexColor("#C9A970"));
        s.fill(roundedRectPath(columnRect, 2), QBrush(g));
        return s;
    }();
    // Eleven sisal turns, each tilted -10 degrees; the column's rectangle cuts them at its sides.
    static const ShapeList sisal = [] {
        ShapeList s;
        QPainterPath lines;
        const QPainterPath line = capsulePath(centreRect(14, 0.9));
        const double top = -40 + (34 - (11 * 0.9 + 10 * 2.2)) / 2;
        for (int k = 0; k < 11; ++k) {
            QTransform m;
            m.translate(0, top + 0.45 + k * 3.1);
            m.rotate(-10);
            lines.addPath(m.map(line));
        }
        s.fill(lines, "#A88A5A", 0.7);
        return s;
    }();
    static const ShapeList base = [] {
        ShapeList s;
        s.fill(roundedRectPath(QRectF(-17, -7, 34, 5), 3), "#B9A48C");
        s.fill(rectPath(QRectF(-16, -2, 32, 2)), "#8C735C");
        return s;
    }();
    static const ShapeList pomPom = [] {  // hangs from (0, 0), its top
        ShapeList s;
        s.fill(rectPath(QRectF(-0.4, 0, 0.8, 11)), "#F4EDE6");
        s.fill(ellipsePath(QRectF(-3, 11, 6, 6)), "#F0A0B0");
        return s;
    }();
    static const ShapeList perch = [] {
        ShapeList s;
        s.fill(roundedRectPath(QRectF(-13, -46.5, 26, 5), 3), "#B9A48C");
        s.fill(rectPath(QRectF(-12, -41.5, 24, 1.5)), "#8C735C");
        return s;
    }();
    // The column with its sisal turns, which its rectangle cuts at its sides.
    const auto wrapped = [&](QPainter& q) {
        column.paint(q);
        q.save();
        q.setClipRect(columnRect, Qt::IntersectClip);
        sisal.paint(q);
        q.restore();
    };
    PieceFrame frame(p, at, scale);
    // Unshaken, the post itself looks the same in every frame: only the pom-pom swings, and the
    // post is laid from a kept picture.
    std::optional<scenery::StillDrawing> still;
    // Shaken, the column and the perch move in quarters of a device pixel, each laid from a kept
    // picture of that quarter; the base stands.
    const double device = p.deviceTransform().m11();
    const double shake = device > 0 ? scenery::stepped(motion.shake, 0.25 / device) : motion.shake;
    if (motion.shake == 0) {
        still.emplace();
        scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&column), QRectF(-18, -41, 36, 40),
                            [&](QPainter& q) {
                                wrapped(q);
                                base.paint(q);
                            });
    } else {
        p.save();
        p.translate(shake, 0);
        scenery::drawStillSprite(p, reinterpret_cast<std::uintptr_t>(&sisal), QRectF(-6.5, -41, 13, 36), wrapped);
        p.restore();
        scenery::drawStillSprite(p, reinterpret_cast<std::uintptr_t>(&base), QRectF(-18, -8, 36, 7),
                                 [&](QPainter& q) { base.paint(q); });
    }
    still.reset();
    // The pom-pom swings in steps that move its ball a quarter of a device pixel, from a kept picture.
    p.save();
    p.translate(11, -40);
    p.rotate(scenery::steppedTurn(p, motion.swing, 17));
    scenery::drawSprite(p, reinterpret_cast<std::uintptr_t>(&pomPom), QRectF(-4, -1, 8, 19),
                        [&](QPainter& q) { pomPom.paint(q); });
    p.restore();
    if (motion.shake == 0) {
        still.emplace();
        perch.paintKept(p);
        return;
    }
    p.translate(shake, 0);
    scenery::drawStillSprite(p, reinterpret_cast<std::uintptr_t>(&perch), QRectF(-14, -47.5, 28, 8),
                             [&](QPainter& q) { perch.paint(q); });
}

// ---- Nightstand clock ----

ClockTap clockTapAction(Pomodoro::Phase phase) {
    switch (phase) {
    case Pomodoro::Phase::idle:
    case Pomodoro::Phase::restDone: return ClockTap::startFocus;
    case Pomodoro::Phase::focusDone: return ClockTap::startBreak;
    case Pomodoro::Phase::focus:
    case Pomodoro::Phase::rest: return ClockTap::nothing;
    }
    return ClockTap::nothing;
}

QString clockHelpText(Pomodoro::Phase phase, int minutesLeft, double focusSeconds) {
    switch (phase) {
    case Pomodoro::Phase::idle: {
        long long minutes = 25;
        if (std::isfinite(focusSeconds) && focusSeconds > 0)
            minutes = static_cast<long long>(std::min(focusSeconds / 60, static_cast<double>(INT_MAX)));
        return QStringLiteral("Pomodoro: %1 minutes of focus").arg(minutes);
    }
    case Pomodoro::Phase::focus: return QStringLiteral("Focus: %1 min left").arg(minutesLeft);
    case Pomodoro::Phase::focusDone: return QStringLiteral("Take your break");
    case Pomodoro::Phase::rest: return QStringLiteral("Break: %1 min left").arg(minutesLeft);
    case Pomodoro::Phase::restDone: return QStringLiteral("Start the next round");
    }
    return {};
}

bool clockRinging(Pomodoro::Phase phase) {
    return phase == Pomodoro::Phase::focusDone || phase == Pomodoro::Phase::restDone;
}

double clockProgress(Pomodoro::Phase phase, double pomodoroProgress) {
    return clockRinging(phase) ? 1.0 : pomodoroProgress;
}

// ---- Toys ----

QPointF toyCentre(ShopItem toy, double width, double floorLine) {
    double f = 0.3, d = 1.3;
    switch (toy) {
    case ShopItem::box: f = 0.72; break;
    case ShopItem::feather: f = 0.415; d = 15.6; break;
    case ShopItem::laser: f = 0.86; break;
    default: break;
    }
    return {f * width, floorLine - d};
}

QString toyHelpText(ShopItem toy) {
    const std::string_view name = itemName(toy);
    return QStringLiteral("Play with the ") +
           QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toLower();
}

std::array<bool, 4> shownToys(const std::set<ShopItem>& owned, std::optional<ShopItem> inPlay) {
    std::array<bool, 4> shown{};
    for (std::size_t i = 0; i < kBedroomToys.size(); ++i)
        shown[i] = owned.count(kBedroomToys[i]) > 0 && inPlay != kBedroomToys[i];
    return shown;
}

// ---- The whole room ----

BedroomState bedroomState(const RoomModels& m) {
    BedroomState s;
    if (m.wallet) {
        const Wallet& w = *m.wallet;
        s.shopOn = w.enabled();
        s.portraitShown = w.isShown(ShopItem::portrait);
        s.hangingPlantShown = w.isShown(ShopItem::hangingPlant);
        s.rugShown = w.isShown(ShopItem::rug);
        s.cushionShown = w.isShown(ShopItem::cushion);
        s.toys = shownToys(w.owned(), m.life ? m.life->toy() : std::nullopt);
    }
    if (m.life) {
        const PetLife& life = *m.life;
        s.windowOpen = life.errand() == PetErrand::window || life.pose() == PetPose::perched;
        s.scratching = life.pose() == PetPose::scratching;
        s.catDead = life.isDead();
        s.catAway = life.isOut() || life.room() != life.viewRoom();
    }
    if (m.closet) {
        s.wardrobeOpen = m.closet->together() >= Closet::openingSeconds;
        s.freshGifts = m.closet->unseenCount() > 0;
    }
    if (m.pomodoro) {
        s.phase = m.pomodoro->phase();
        s.pomodoroProgress = m.pomodoro->progress();
        s.minutesLeft = m.pomodoro->minutesLeft();
    }
    // Only the clock's help tells it: looked up once a second, not every frame.
    static double focus = 0;
    static std::chrono::steady_clock::time_point lookedAt;
    const auto now = std::chrono::steady_clock::now();
    if (focus == 0 || now - lookedAt >= std::chrono::seconds(1)) {
        focus = prefs::pomodoroFocusSeconds(Defaults::standard());
        lookedAt = now;
    }
    s.focusSeconds = focus;
    return s;
}

QPointF bedroomWindowCentre(double width) { return {0.78 * width, 66}; }

QPointF bedroomClockCentre(double width, double floorLine) { return {0.37 * width + 10.4, floorLine - 31.85}; }

void paintBedroomFurniture(QPainter& p, const RoomFrame& f, const BedroomState& s, RoomScenery* scenery) {
    static RoomScenery none;
    RoomScenery& sc = scenery ? *scenery : none;
    const double w = f.width, floor = f.floorLine, t = f.t, k = kFurnitureScale;

    const bool still = f.draws(false), moving = f.draws(true);
    // The hanging plant sways behind the bed's headboard.
    if (f.drawsBehind() && s.shopOn && s.hangingPlantShown) sc.hangingPlant(p, {0.09 * w, 68.5}, k, t);
    if (still) {
        // Kept as an image until one of RoomFurnitureLayer::stillInputs changes.
        if (s.shopOn && s.portraitShown)
            sc.portrait(p, {0.22 * w, 58}, k);
        else
            drawFramedLandscape(p, {0.22 * w, 58}, k);
        if (s.shopOn && s.rugShown) sc.rug(p, floorAnchor(0.44 * w, floor, 9), k);
        if (!s.wardrobeOpen) drawBookcase(p, floorAnchor(0.47 * w, floor), k);
        drawWallShelves(p, {0.3 * w, floor - 59.8 + 6.5}, k);
        drawBed(p, floorAnchor(0.2 * w, floor), k);
        if (s.shopOn && s.cushionShown) sc.cushion(p, floorAnchor(0.57 * w, floor, 6), k);
    }
    if (!moving) return;
    sc.bedroomWindow(p, bedroomWindowCentre(w), k, f.look, t, s.windowOpen);
    if (s.wardrobeOpen) sc.wardrobeRack(p, {0.47 * w, 60}, k, s.freshGifts, t);
    drawLamp(p, floorAnchor(0.37 * w, floor), k, lampGlow(t, f.showsNightSleep));
    if (s.shopOn)
        sc.tomatoClock(p, bedroomClockCentre(w, floor), kBedroomClockScale, clockProgress(s.phase, s.pomodoroProgress),
                       clockRinging(s.phase), s.phase == Pomodoro::Phase::rest, t);
    if (s.shopOn && !s.catDead) {
        for (std::size_t i = 0; i < kBedroomToys.size(); ++i)
            if (s.toys[i]) sc.toy(p, toyCentre(kBedroomToys[i], w, floor), k, kBedroomToys[i], t);
    }
    drawScratchingPost(p, floorAnchor(0.64 * w, floor), k, scratcherMotion(s.scratching, t));
    drawPottedPlant(p, floorAnchor(0.93 * w, floor), k, t);
}

namespace {

// The toy's drawn size: its art's frame times its own scale.
QSizeF toySize(ShopItem toy) {
    switch (toy) {
    case ShopItem::yarn: return YarnArt::kSize;
    case ShopItem::box: return BoxArt::kSize * 0.7;
    case ShopItem::feather: return FeatherWandArt::kSize * 0.7;
    case ShopItem::laser: return LaserPenArt::kSize * 0.45;
    default: return {};
    }
}

// Help texts are the same from frame to frame; build each once.
const QString& cachedToyHelp(std::size_t i) {
    static const std::array<QString, 4> texts = [] {
        std::array<QString, 4> a;
        for (std::size_t k = 0; k < kBedroomToys.size(); ++k) a[k] = toyHelpText(kBedroomToys[k]);
        return a;
    }();
    return texts[i];
}

const QString& cachedClockHelp(const BedroomState& s) {
    struct Cache {
        Pomodoro::Phase phase = Pomodoro::Phase::idle;
        int minutes = -1;
        double focus = -1;
        QString text;
    };
    static Cache cache;
    const bool usesMinutes = s.phase == Pomodoro::Phase::focus || s.phase == Pomodoro::Phase::rest;
    const int minutes = usesMinutes ? s.minutesLeft : 0;
    const double focus = s.phase == Pomodoro::Phase::idle ? s.focusSeconds : 0;
    if (cache.text.isNull() || cache.phase != s.phase || cache.minutes != minutes || cache.focus != focus) {
        cache = {s.phase, minutes, focus, clockHelpText(s.phase, s.minutesLeft, s.focusSeconds)};
    }
    return cache.text;
}

}  // namespace

void addBedroomHotspots(const RoomFrame& f, const BedroomState& s, RoomHotspots& hot) {
    const double w = f.width, floor = f.floorLine, k = kFurnitureScale;
    const bool alive = !s.catDead;
    const QSizeF win = BedroomWindowView::kSize;
    hot.add(wallHitRect(bedroomWindowCentre(w), k, win.width(), win.height()), RoomAction::errand(PetErrand::window),
            alive);
    if (s.wardrobeOpen) {
        const QSizeF rack = WardrobeRack::kSize;
        if (RoomHotspot* h = hot.add(wallHitRect({0.47 * w, 60}, k, rack.width(), rack.height()),
                                     {RoomActionKind::openWardrobe, 0})) {
            h->tick = true;
            h->help = "Wardrobe";
        }
    }
    hot.add(floorHitRect(floorAnchor(0.2 * w, floor), k, 136, 40), RoomAction::errand(PetErrand::sleep), alive);
    if (s.shopOn) {
        const QSizeF clock = TomatoClock::kSize;
        if (RoomHotspot* h = hot.add(wallHitRect(bedroomClockCentre(w, floor), kBedroomClockScale, clock.width(),
                                                 clock.height()),
                                     {RoomActionKind::clock, 0}, alive)) {
            h->tick = true;
            h->helpText = cachedClockHelp(s);
        }
    }
    if (s.shopOn && alive) {
        for (std::size_t i = 0; i < kBedroomToys.size(); ++i) {
            if (!s.toys[i]) continue;
            const ShopItem toy = kBedroomToys[i];
            const QSizeF size = toySize(toy);
            if (RoomHotspot* h = hot.add(wallHitRect(toyCentre(toy, w, floor), k, size.width(), size.height()),
                                         RoomAction::toy(toy), !s.catAway))
                h->helpText = cachedToyHelp(i);
        }
    }
    hot.add(floorHitRect(floorAnchor(0.64 * w, floor), k, 40, 52), RoomAction::errand(PetErrand::scratch), alive);
}

}  // namespace kp
