#include "onboarding/OnboardArt.h"

#include "life/SkyClock.h"
#include "onboarding/OnboardKit.h"
#include "onboarding/StoryFilm.h"
#include "platform/Spring.h"
#include "scenery/WindowViews.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kp::onboard {
namespace {

constexpr double kPi = std::numbers::pi;
using story::smooth;

void floorLine(QPainter& p) {
    QLinearGradient g(20, 0, 260, 0);
    g.setColorAt(0, Qt::transparent);
    g.setColorAt(0.5, hex("#E39455", 0.4));
    g.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(20, 160, 240, 2), 1, 1);
}

void hearts(QPainter& p, double delay, double time, double x, double y) {
    for (int i = 0; i < 3; ++i) {
        const HeartLook h = floatingHeart(i, delay, time, x, y);
        if (!h.shown) continue;
        p.save();
        p.setOpacity(p.opacity() * h.opacity);
        paintSymbol(p, Symbol::heart, h.centre, h.size * h.scale, hex("#F07A93"));
        p.restore();
    }
}

// A capsule label with its text centred on `centre`.
void capsuleLabel(QPainter& p, const QString& text, QPointF centre, double opacity) {
    const QFont f = roundedFont(9, QFont::Bold);
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(text) + 14;
    const double h = fm.height() + 6;
    const QRectF r(centre.x() - w / 2, centre.y() - h / 2, w, h);
    p.save();
    p.setOpacity(p.opacity() * opacity);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 0.45f));
    p.drawRoundedRect(r, h / 2, h / 2);
    p.setFont(f);
    p.setPen(hex("#F7F4F0"));
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void careBadge(QPainter& p, int i, double t, double clock) {
    static constexpr Symbol kSymbols[] = {Symbol::forkKnife, Symbol::heart, Symbol::bolt, Symbol::cross};
    static constexpr const char* kColours[] = {"#E7B15A", "#F0A0B0", "#7EB6E0", "#6FBF78"};
    const double angle = (40.0 * i - 150) * kPi / 180;
    const double start = 0.25 + 0.3 * i;
    const double prog = std::clamp((t - start) / 0.35, 0.0, 1.0);
    if (prog <= 0) return;
    const double scale = prog * (1 + 0.25 * std::sin(kPi * prog));
    const QPointF c(140 + 78 * std::cos(angle), 128 + 62 * std::sin(angle) + 2 * std::sin(2 * clock + i));
    const QColor colour = hex(kColours[i]);
    p.save();
    p.setOpacity(p.opacity() * prog);
    p.translate(c);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(1, 1, 1, 0.1f));
    p.drawEllipse(QPointF(0, 0), 14, 14);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    // Three quarters of a ring from the top, clockwise.
    p.drawArc(QRectF(-13, -13, 26, 26), 90 * 16, -270 * 16);
    paintSymbol(p, kSymbols[i], QPointF(0, 0), 10, colour);
    p.restore();
}

void phoneMock(QPainter& p, double t, double clock, const SkyLook& look) {
    // The phone's 74 x 128 frame with its top-left at the origin.
    const QRectF screen(0, 0, 74, 128);
    QLinearGradient g(0, 0, 0, 128);
    g.setColorAt(0, hex("#3B4A7A"));
    g.setColorAt(1, hex("#C58A9B"));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(screen, 16, 16);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(hex("#0E0C14"), 3.5));
    p.drawRoundedRect(screen.adjusted(1.75, 1.75, -1.75, -1.75), 14.25, 14.25);
    // The island on the phone, springing between its two sizes.
    const double cycle = std::fmod(t, 4.0);
    const bool expanded = phoneExpanded(t);
    const double since = expanded ? cycle - 1.2 : (cycle >= 3.2 ? cycle - 3.2 : cycle + 0.8);
    const double k = springProgress(since, 0.45, 0.7);
    const double amount = expanded ? k : 1 - k;
    const double w = 24 + (58 - 24) * amount;
    const double h = 7 + (15 - 7) * amount;
    const QRectF island(37 - w / 2, 6, w, h);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(island, h / 2, h / 2);
    if (amount > 0.3) {
        p.save();
        p.setOpacity(p.opacity() * std::clamp((amount - 0.3) / 0.7, 0.0, 1.0));
        const double cy = island.center().y();
        double x = island.left() + 6;
        paintSymbol(p, Symbol::catFace, QPointF(x + 4, cy), 8, hex("#F8D7A4"));
        x += 12;
        p.setBrush(hex("#E7B15A"));
        p.drawRoundedRect(QRectF(x, cy - 1.25, 12, 2.5), 1.25, 1.25);
        x += 16;
        p.setBrush(hex("#F0A0B0"));
        p.drawRoundedRect(QRectF(x, cy - 1.25, 9, 2.5), 1.25, 1.25);
        paintSymbol(p, Symbol::heart, QPointF(island.right() - 9, cy), 6, hex("#F07A93"));
        p.restore();
    }
    // The bedroom camera widget.
    {
        const QRectF widget(7, 30, 60, 40);
        QPainterPath clip;
        clip.addRoundedRect(widget, 7, 7);
        p.save();
        p.setClipPath(clip, Qt::IntersectClip);
        QLinearGradient wg(0, widget.top(), 0, widget.bottom());
        wg.setColorAt(0, hex("#DCC6AC"));
        wg.setColorAt(1, hex("#7A5E4A"));
        p.fillRect(widget, wg);
        p.save();
        p.translate(widget.left() + 6 + 28, widget.top() + 2 + 18);
        p.scale(0.62, 0.62);
        BedroomWindowView window;
        window.look = look;
        window.time = clock;
        window.open = false;
        window.paint(p, QRectF(-36, -24, 72, 48));
        p.restore();
        const bool blink = static_cast<long long>(std::floor(2 * clock)) % 2 == 0;
        p.setPen(Qt::NoPen);
        p.setBrush(hex("#F4505E", blink ? 1.0 : 0.25));
        p.drawEllipse(QPointF(widget.left() + 3 + 1.75, widget.top() + 3 + 3), 1.75, 1.75);
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setPixelSize(5);
        f.setWeight(QFont::Black);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QPointF(widget.left() + 3 + 5.5, widget.top() + 3 + 5), QStringLiteral("REC"));
        p.restore();
    }
    // Two rows of app tiles.
    static constexpr const char* kTiles[] = {"#7EB6E0", "#6FBF78", "#F0A0B0", "#E7B15A", "#C9B6F0", "#9ED6E4"};
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            p.setBrush(hex(kTiles[row * 3 + col]));
            p.drawRoundedRect(QRectF(37 - 26 + col * 19, 78 + row * 19, 14, 14), 3.5, 3.5);
        }
}

}  // namespace

void OnboardCat::paint(QPainter& p, QPointF centre, const ArtContext& ctx) const {
    const double clock = ctx.clock;
    double swing = 0, tail = 0, hop = 0;
    if (walking) {
        const double s = std::sin(10 * clock);
        swing = 0.8 * s;
        tail = -14 * s;
        hop = -1.5 * std::abs(s);
    } else {
        tail = 8 * std::sin(1.3 * clock);
    }
    const double headX = 14 - 9 * sit;
    const double headY = -9 - 4 * sit;
    const double angle = pawRaise > 0.01 ? pawAngle : 16 * swing;

    p.save();
    p.translate(centre.x(), centre.y() + hop);
    p.scale(1.5, 1.5);
    CatBody body;
    body.swing = swing;
    body.tail = tail;
    body.pawAngle = angle;
    body.pawRaise = pawRaise;
    body.sit = sit;
    body.pawOnTop = true;
    body.paint(p, ctx.env);
    {
        p.save();
        p.translate(headX, headY);
        p.rotate(0.6 * tilt);
        const QRectF box(-15, -15, 30, 30);
        if (ctx.face && ctx.emotes) {
            TobbiFace::Look look;
            look.size = 30;
            look.lookGain = 0.3;
            look.faceIslandX = ctx.islandOffsetX + faceX + 1.5 * headX;
            TobbiFace::World world = ctx.world;
            world.breed = ctx.env.breed;
            world.outfit = &ctx.env.outfit;
            ctx.face->paint(p, box, look, world, *ctx.emotes, ctx.faceTime);
        } else {
            CatHead head;
            head.size = 30;
            head.paint(p, ctx.env);
        }
        p.restore();
    }
    CatFrontPaw paw;
    paw.pawAngle = angle;
    paw.pawRaise = pawRaise;
    paw.sit = sit;
    paw.paint(p, ctx.env);
    p.restore();
}

HeartLook floatingHeart(int index, double delay, double time, double x, double y) {
    HeartLook h;
    const double start = delay + 0.2 * index;
    const double prog = (time - start) / 1.2;
    if (!(prog > 0 && prog < 1)) return h;
    h.shown = true;
    h.size = index == 0 ? 12 : 9;
    h.scale = std::min(prog / 0.15, 1.0);
    h.opacity = 1 - std::max((prog - 0.6) / 0.4, 0.0);
    h.centre = QPointF(x + 11 * (index - 1) + 3 * std::sin(6 * prog + index), y - 30 * prog);
    return h;
}

double nameCatX(double t) {
    const double a = std::clamp((t - 0.15) / 1.35, 0.0, 1.0);
    return -30 + 170 * (1 - (1 - a) * (1 - a));
}

bool nameWaving(double t) { return t >= 1.9 && std::fmod(t - 1.9, 5.0) < 1.2; }

double pickBounce(double sincePick) { return sincePick >= 0 && sincePick < 0.45 ? std::sin(kPi * sincePick / 0.45) : 0; }

SkyLook windowLook(double t, bool live, const SkyLook& liveLook) {
    if (live) return liveLook;
    const auto k = static_cast<long long>(std::floor(std::max(t, 0.0) / 1.7));
    return kPreviewLooks[k % 8];
}

bool phoneExpanded(double t) {
    const double cycle = std::fmod(std::max(t, 0.0), 4.0);
    return cycle > 1.2 && cycle < 3.2;
}

void nameArt(QPainter& p, const ArtContext& ctx) {
    const double t = ctx.t;
    floorLine(p);
    const double catX = nameCatX(t);
    OnboardCat cat;
    cat.walking = t > 0.15 && t < 1.45;
    cat.sit = smooth((t - 1.4) / 0.4);
    if (nameWaving(t)) {
        cat.pawAngle = 26 * std::sin(12 * t) - 150;
        cat.pawRaise = 1;
    }
    cat.faceX = catX;
    cat.paint(p, QPointF(catX, 138.5), ctx);
    hearts(p, 2.2, t, catX + 18, 82);
}

void breedArt(QPainter& p, const ArtContext& ctx, double sincePick) {
    floorLine(p);
    const double pop = pickBounce(sincePick);
    OnboardCat cat;
    cat.sit = 1 - 0.6 * pop;
    cat.faceX = 140;
    cat.tilt = -1.6;
    cat.paint(p, QPointF(140, 138.5 - 18 * pop), ctx);
    hearts(p, 0.1, sincePick, 158, 82);
}

void careArt(QPainter& p, const ArtContext& ctx) {
    const double t = ctx.t;
    floorLine(p);
    OnboardCat cat;
    cat.sit = 1;
    cat.faceX = 140;
    cat.tilt = -1.6;
    cat.paint(p, QPointF(140, 138.5), ctx);
    for (int i = 0; i < 4; ++i) careBadge(p, i, t, ctx.clock);
    const double sparkle = std::clamp((t - 1.6) / 0.4, 0.0, 1.0);
    if (sparkle > 0) paintSymbol(p, Symbol::sparkles, QPointF(198, 150), 10, hex("#CDB0E2", sparkle));
    hearts(p, 1.6, t, 156, 92);
}

void windowArt(QPainter& p, const ArtContext& ctx) {
    const double t = ctx.t;
    const SkyLook look = windowLook(t, ctx.liveWeather, ctx.liveLook);
    // A new look eases in over 0.5 s over the one before.
    double fresh = 1;
    SkyLook before = look;
    if (!ctx.liveWeather && t >= 1.7) {
        const double k = std::floor(t / 1.7);
        fresh = smooth((t - k * 1.7) / 0.5);
        before = windowLook(t - 1.7, false, ctx.liveLook);
    }
    const auto drawWindow = [&](const SkyLook& l, double opacity) {
        p.save();
        p.setOpacity(p.opacity() * opacity);
        p.translate(140, 96);
        p.scale(1.75, 1.75);
        BedroomWindowView window;
        window.look = l;
        window.time = ctx.clock;
        window.open = true;
        window.paint(p, QRectF(-36, -24, 72, 48));
        p.restore();
    };
    if (fresh < 1) drawWindow(before, 1);
    drawWindow(look, fresh);

    OnboardCat cat;
    cat.sit = 1;
    cat.faceX = 170;
    cat.tilt = isRainy(look.weather) ? 7 * std::sin(2.4 * ctx.clock) + 2 : 6 * std::sin(0.7 * ctx.clock) - 6;
    p.save();
    p.translate(170, 115);
    p.scale(0.8, 0.8);
    cat.paint(p, QPointF(0, 0), ctx);
    p.restore();

    if (ctx.liveWeather) {
        capsuleLabel(p, QStringLiteral("Your sky now"), QPointF(140, 50), 1);
    } else {
        if (fresh < 1) capsuleLabel(p, before.label(), QPointF(140, 50), 1 - fresh);
        capsuleLabel(p, look.label(), QPointF(140, 50), fresh);
    }
    const double flash = look.weather == SkyWeather::storm ? lightningFlash(ctx.clock * 0.12) : 0;
    if (flash > 0) p.fillRect(QRectF(0, 0, kArtWidth, kArtHeight), QColor::fromRgbF(1, 1, 1, float(flash)));
}

void phoneArt(QPainter& p, const ArtContext& ctx) {
    const double t = ctx.t;
    const double s = smooth((t - 0.1) / 0.6);
    floorLine(p);
    if (s > 0) {
        p.save();
        p.setOpacity(p.opacity() * s);
        p.translate(182, 96 + 12 * (1 - s));
        const double k = 0.6 + 0.4 * s;
        p.scale(k, k);
        p.translate(-37, -64);
        phoneMock(p, t, ctx.clock, ctx.liveWeather ? ctx.liveLook : ctx.liveLook);
        p.restore();
    }
    OnboardCat cat;
    cat.sit = 1;
    cat.faceX = 90;
    cat.tilt = 4 * std::sin(0.9 * ctx.clock) - 8;
    cat.paint(p, QPointF(90, 138.5), ctx);
    hearts(p, 1.2, t, 182, 30);
}

void closingArt(QPainter& p, const ArtContext& ctx) {
    const double t = ctx.t;
    const double raise = smooth((t - 0.3) / 0.4);
    floorLine(p);
    OnboardCat cat;
    cat.sit = 1;
    cat.pawAngle = -165 * raise;
    cat.pawRaise = raise;
    cat.faceX = 140;
    cat.tilt = -12 * raise;
    cat.paint(p, QPointF(140, 138.5), ctx);
    if (raise > 0) paintSymbol(p, Symbol::arrowUp, QPointF(180, 66 + 3 * std::sin(4 * ctx.clock)), 14,
                               hex("#F8D7A4", raise));
    hearts(p, 1.0, t, 152, 92);
}

void paintIllustration(QPainter& p, int page, const ArtContext& ctx, double sincePick) {
    switch (page) {
        case 0: nameArt(p, ctx); break;
        case 1: breedArt(p, ctx, sincePick); break;
        case 2: careArt(p, ctx); break;
        case 3: windowArt(p, ctx); break;
        case 4: phoneArt(p, ctx); break;
        default: closingArt(p, ctx); break;
    }
}

}  // namespace kp::onboard
