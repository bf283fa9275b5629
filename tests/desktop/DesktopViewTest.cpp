// The roaming cat's scene rendered offscreen: where things show, what hides, what fades.
#include "DesktopPlanWorld.h"

#include "desktop/DesktopProps.h"
#include "desktop/DesktopView.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>

#include <gtest/gtest.h>

using namespace kp;
using Pose = DesktopCat::Pose;

namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
    int width() const { return right - left + 1; }
};

Box inkBox(const QImage& img, int minAlpha = 30) {
    Box b;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(line[x]) > minAlpha) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    }
    return b;
}

// The tilt of the drawn head in degrees, clockwise on screen, from the tips of its ears: each ear's
// highest reach above the head's middle, measured as the ink a column holds above it.
double earLine(const QImage& img, QPointF head, double unit) {
    const int cx = int(std::lround(head.x())), mid = int(std::lround(head.y()));
    const int reach = int(std::lround(15 * unit)), top = std::max(0, mid - int(std::lround(26 * unit)));
    struct Tip { double height = -1; int x = 0; };
    Tip left, right;
    for (int x = cx - reach; x <= cx + reach; ++x) {
        double ink = 0;
        for (int y = mid; y >= top; --y) {
            const int a = qAlpha(img.pixel(x, y));
            ink += a / 255.0;
            if (a < 8) break;  // the head's outline: what floats above it is not the head
        }
        Tip& tip = x < cx ? left : right;
        if (ink > tip.height) tip = {ink, x};
    }
    return std::atan2(left.height - right.height, double(right.x - left.x)) * 180 / std::numbers::pi;
}

struct DesktopView : ::testing::Test {
    test::DesktopPlanWorld w;
    DesktopCat* cat = nullptr;
    std::unique_ptr<DesktopCatView> view;
    void SetUp() override {
        cat = &w.make();
        cat->terrain.ledges = {{ground::floor, 899, 0, 1440}};
        cat->feet = QPointF(400, 500);
        cat->falling = false;
        cat->pose = Pose::stand;
        cat->appear = 1;
        cat->facingRight = true;
        cat->turn = 1;
        view = std::make_unique<DesktopCatView>(*cat, QSizeF(800, 600));
    }
    QImage render(std::optional<double> at = std::nullopt, DesktopCatView* by = nullptr) {
        QImage img(800, 600, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        (by ? *by : *view).paint(p, at.value_or(w.clock.now()));
        return img;
    }
    // The scene at `t` as a view that never saw an ask draws it.
    QImage renderUnasked(double t) {
        const auto asking = cat->asking;
        cat->asking.reset();
        DesktopCatView fresh(*cat, QSizeF(800, 600));
        const QImage img = render(t, &fresh);
        cat->asking = asking;
        return img;
    }
};

TEST_F(DesktopView, PeekingCatShowsNothingBelowTheWindowEdge) {
    cat->peekLine = 480;
    cat->peekDepth = 0.3;
    const QImage img = render();
    const Box b = inkBox(img, 0);
    ASSERT_FALSE(b.empty());
    EXPECT_LT(b.bottom, 480);
}

TEST_F(DesktopView, CatPeekingOverAWindowShowsOnlyWhatRisesAboveItsEdge) {
    const Ledge top{5, 500, 200, 700};
    cat->terrain.ledges = {{ground::floor, 899, 0, 1440}, top};
    cat->window = top.window;
    cat->plan = {DesktopCat::Step::peek(6)};
    cat->stepStarted = w.clock.now();
    for (int i = 0; i < 150; ++i) {  // ducked behind the edge, then up to the eyes
        w.clock.advance(1.0 / 60);
        cat->runStep(w.clock.now(), 1.0 / 60, top);
    }
    const Box b = inkBox(render(), 0);
    ASSERT_FALSE(b.empty()) << "the head shows over the edge";
    EXPECT_LT(b.bottom, top.y);
}

TEST_F(DesktopView, AskLineRisesBesideTheNeedBubbleNeverUnderIt) {
    // Where `b` shows what `a` does not (with `white`: only the white of bubbles and capsules).
    auto changed = [](const QImage& a, const QImage& b, bool white = false) {
        Box box;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y) && (!white || b.pixel(x, y) == 0xFFFFFFFF)) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
        return box;
    };
    const double now = w.clock.now();
    cat->pose = Pose::sit;
    cat->sit = 1;
    cat->lovedUntil = now + 100;  // one face, asking or not
    for (bool right : {true, false}) {
        cat->facingRight = right;
        cat->turn = right ? 1 : -1;
        cat->asking.reset();
        cat->pops.clear();
        const QImage plain = renderUnasked(now);
        cat->asking = PetNeed::hungry;
        view = std::make_unique<DesktopCatView>(*cat, QSizeF(800, 600));
        view->prepare(now - 1);  // asked a second ago: the bubble has grown in
        const QImage asking = render();
        const Box bubble = changed(plain, asking, true);
        ASSERT_FALSE(bubble.empty());
        for (double age : {0.1, 0.5, 0.8, 1.1}) {
            cat->pops = {cat->makePop(cat->headPoint(), DesktopCat::Pop::Kind::say, cat->needLine(PetNeed::hungry),
                                      now - age, 10)};
            const QImage img = render();
            const Box line = changed(asking, img, true);
            ASSERT_FALSE(line.empty()) << age;
            const bool apart = line.right < bubble.left || line.left > bubble.right || line.bottom < bubble.top ||
                               line.top > bubble.bottom;
            EXPECT_TRUE(apart) << (right ? "facing right" : "facing left") << ", at " << age << " s";
            // On the cat's side of the bubble, not floating off beyond it.
            EXPECT_TRUE(right ? line.right < bubble.left : line.left > bubble.right)
                << (right ? "facing right" : "facing left") << ", at " << age << " s";
        }
    }
}

TEST_F(DesktopView, NeedBubbleFloatsAboveAndAheadOfTheHead) {
    cat->pose = Pose::sit;
    cat->sit = 1;
    cat->lovedUntil = w.clock.now() + 100;  // one face, asking or not
    for (const bool right : {true, false}) {
        cat->facingRight = right;
        cat->turn = right ? 1 : -1;
        cat->asking.reset();
        const Box figure = inkBox(renderUnasked(w.clock.now()));
        cat->asking = PetNeed::hungry;
        view = std::make_unique<DesktopCatView>(*cat, QSizeF(800, 600));
        view->prepare(w.clock.now() - 1);  // grown in
        const QImage asking = render();
        // The bubble: what the asking scene adds over the cat's own ink.
        Box bubble;
        for (int y = 0; y < asking.height(); ++y)
            for (int x = 0; x < asking.width(); ++x)
                if (qAlpha(asking.pixel(x, y)) > 30 && (x < figure.left || x > figure.right || y < figure.top || y > figure.bottom)) {
                    bubble.left = std::min(bubble.left, x);
                    bubble.right = std::max(bubble.right, x);
                    bubble.top = std::min(bubble.top, y);
                    bubble.bottom = std::max(bubble.bottom, y);
                }
        const QPointF hp = cat->headPoint();
        ASSERT_FALSE(bubble.empty());
        EXPECT_LT(bubble.bottom, hp.y() - 10) << "clear of the face, facing " << (right ? "right" : "left");
        EXPECT_TRUE(right ? bubble.left > hp.x() : bubble.right < hp.x()) << "facing " << (right ? "right" : "left");
    }
}

TEST_F(DesktopView, NeedBubbleGrowsInAndShrinksAway) {
    cat->pose = Pose::sit;
    cat->sit = 1;
    cat->lovedUntil = w.clock.now() + 100;  // one face, asking or not
    // Pixels the bubble adds to the scene at `t`.
    auto bubbleInk = [&](double t) {
        const QImage with = render(t);
        const QImage without = renderUnasked(t);
        int n = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x) n += with.pixel(x, y) != without.pixel(x, y);
        return n;
    };
    const double asked = w.clock.now();
    cat->asking = PetNeed::hungry;
    const int start = bubbleInk(asked);
    const int early = bubbleInk(asked + 0.1);
    const int full = bubbleInk(asked + 0.6);
    EXPECT_GT(full, 400);
    EXPECT_EQ(start, 0);
    EXPECT_GT(early, 0);
    EXPECT_LT(early, full / 2);
    EXPECT_GT(bubbleInk(asked + 1), full * 0.8) << "grown in, it stays";
    const double met = asked + 2;
    cat->asking.reset();
    EXPECT_GT(bubbleInk(met), full * 0.8);
    const int leaving = bubbleInk(met + 0.2);
    EXPECT_GT(leaving, 0);
    EXPECT_LT(leaving, full);
    EXPECT_EQ(bubbleInk(met + 0.5), 0);
    EXPECT_EQ(view->bubbleGrowth(), 0);
}

TEST_F(DesktopView, WhatThePanelDoesNotSendAgainLooksAsItDid) {
    // Frame after frame at the display's rate, the pieces that kept their place and key look the
    // same, and nothing is drawn outside the pieces.
    const double t0 = w.clock.now();
    cat->cup = DesktopCat::Cup{QPointF(330, 500), 0, 0, 0, 0, false, false, 0, t0};
    cat->gift = DesktopCat::Gift{QPointF(470, 500), 0, false, t0};
    cat->lovedUntil = t0 + 0.4;  // the face changes once on the way
    for (Pose pose : {Pose::sit, Pose::walk, Pose::sleep}) {
        cat->pose = pose;
        cat->sit = pose == Pose::sit ? 1 : 0;
        QImage before;
        std::vector<SceneLayer> shown;
        int unchangedFrames = 0;
        for (int frame = 0; frame < 60; ++frame) {
            const double t = t0 + frame / 60.0;
            if (pose == Pose::walk) cat->feet.rx() += 1.2;
            const std::vector<SceneLayer> layers = view->prepare(t);
            QImage img(800, 600, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            {
                QPainter p(&img);
                view->draw(p);
            }
            QRegion pieces, sent;
            for (const SceneLayer& l : layers) {
                pieces += l.rect.adjusted(-2, -2, 2, 2);
                const auto was = std::find_if(shown.begin(), shown.end(), [&](const SceneLayer& o) { return o.id == l.id; });
                if (was == shown.end() || !(*was == l)) sent += QRegion(l.rect.adjusted(-2, -2, 2, 2)) + (was == shown.end() ? QRect() : was->rect.adjusted(-2, -2, 2, 2));
            }
            int outside = 0, stale = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    if (!pieces.contains(QPoint(x, y)) && qAlpha(img.pixel(x, y)) != 0) ++outside;
                    if (!before.isNull() && !sent.contains(QPoint(x, y)) && img.pixel(x, y) != before.pixel(x, y)) ++stale;
                }
            EXPECT_EQ(outside, 0) << int(pose) << " frame " << frame;
            EXPECT_EQ(stale, 0) << int(pose) << " frame " << frame;
            unchangedFrames += !before.isNull() && sent.isEmpty();
            if (!shown.empty()) {
                EXPECT_TRUE(layers.front() == shown.front()) << "the mug, still where it stands";
            }
            before = img;
            shown = layers;
        }
        // The still mug and gift are never sent again; the cat moves at the display's rate.
        if (pose == Pose::walk) {
            EXPECT_EQ(unchangedFrames, 0);
        }
    }
}

TEST_F(DesktopView, EveryPoseDrawsInsideItsFrame) {
    const double k = 1.45;
    for (Pose pose : {Pose::stand, Pose::walk, Pose::run, Pose::sit, Pose::groom, Pose::swat, Pose::stare,
                      Pose::lie, Pose::sleep, Pose::crouch, Pose::air, Pose::dangle, Pose::stomp, Pose::back}) {
        cat->pose = pose;
        cat->sit = (pose == Pose::sit || pose == Pose::groom || pose == Pose::swat || pose == Pose::stare ||
                    pose == Pose::back) ? 1 : 0;
        const QImage img = render();
        const Box b = inkBox(img);
        ASSERT_FALSE(b.empty()) << int(pose);
        EXPECT_GT(b.left, 400 - 50 * k) << int(pose);
        EXPECT_LT(b.right, 400 + 50 * k) << int(pose);
        EXPECT_LT(b.bottom, 500 + 12 * k) << int(pose);
        EXPECT_GT(b.top, 500 - 75 * k) << int(pose);
    }
    // Belly-up: upside down, centre only 3 s above the feet.
    cat->pose = Pose::sleep;
    cat->bellyUp = true;
    const QImage belly = render();
    const Box b = inkBox(belly);
    EXPECT_GT(b.bottom, 500 + 10);
}

// A click lands where the cat is drawn: in every pose the cat takes on the ground, facing either
// way, lying or belly up, nearly all of the drawn cat lies in its click area, and the area reaches
// little beyond the drawing.
TEST_F(DesktopView, TheClickAreaLiesOverTheDrawnCatInEveryPose) {
    const double k = cat->sizeUnit();
    for (Pose pose : {Pose::stand, Pose::walk, Pose::run, Pose::sit, Pose::groom, Pose::swat, Pose::stare,
                      Pose::lie, Pose::sleep, Pose::crouch, Pose::stomp, Pose::back})
        for (const bool belly : {false, true})
            for (const bool right : {true, false}) {
                if (belly && pose != Pose::sleep) continue;
                cat->pose = pose;
                cat->bellyUp = belly;
                cat->facingRight = right;
                cat->turn = right ? 1 : -1;
                cat->sit = (pose == Pose::sit || pose == Pose::groom || pose == Pose::swat || pose == Pose::stare ||
                            pose == Pose::back) ? 1 : 0;
                const QImage img = render();
                const QRectF hit = cat->hitRect();
                int ink = 0, inside = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        if (qAlpha(img.pixel(x, y)) > 128) {
                            ++ink;
                            inside += hit.contains(QPointF(x + 0.5, y + 0.5));
                        }
                const Box b = inkBox(img, 128);
                const std::string what = "pose " + std::to_string(int(pose)) + (belly ? " belly up" : "") +
                                         (right ? " facing right" : " facing left");
                ASSERT_GT(ink, 0) << what;
                EXPECT_GT(double(inside) / ink, 0.75) << what;
                EXPECT_GT(hit.left(), b.left - 14 * k) << what;
                EXPECT_LT(hit.right(), b.right + 1 + 14 * k) << what;
                EXPECT_GT(hit.top(), b.top - 14 * k) << what;
            }
}

TEST_F(DesktopView, WalkingRunningAndStompingCatsMoveTheirLegs) {
    // The strip of the legs, drawn on a patch around the cat at moments a few frames apart.
    auto legs = [&](double t) {
        QImage img(200, 24, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.translate(-300, -(500 - 22));
        view->paint(p, t);
        return img;
    };
    const double t0 = w.clock.now();
    for (Pose pose : {Pose::walk, Pose::run, Pose::stomp}) {
        cat->pose = pose;
        QImage before = legs(t0);
        int moved = 0, ahead = 0;  // changed pixels, and those of the half the cat faces
        for (int frame = 1; frame <= 4; ++frame) {
            const QImage now = legs(t0 + frame * 0.07);
            for (int y = 0; y < now.height(); ++y)
                for (int x = 0; x < now.width(); ++x) {
                    const bool changed = now.pixel(x, y) != before.pixel(x, y);
                    moved += changed;
                    ahead += changed && x >= 100;
                }
            before = now;
        }
        EXPECT_GT(ahead, 400) << "the front legs, pose " << int(pose);
        EXPECT_GT(moved - ahead, 400) << "the hind legs, pose " << int(pose);
    }
}

TEST_F(DesktopView, StompingCatKeepsItsTailUpSwayingGently) {
    // Frames at 30 Hz over half a swing of the tail, each drawn on a patch around the cat: the
    // tail's far end stays within a few points, never flung out or dragged along the ground.
    cat->pose = Pose::stomp;
    const double t0 = w.clock.now();
    int mostOut = 200, leastOut = 0;  // the tail's far end: the ink's left edge, facing right
    for (int frame = 0; frame < 24; ++frame) {
        QImage img(200, 140, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.translate(-300, -380);
            view->paint(p, t0 + frame / 30.0);
        }
        const Box b = inkBox(img);
        ASSERT_FALSE(b.empty());
        mostOut = std::min(mostOut, b.left);
        leastOut = std::max(leastOut, b.left);
    }
    EXPECT_LE(leastOut - mostOut, 4);
}

TEST_F(DesktopView, StandingCatCastsAShadowUnderItsFeetAsWideAsItsBody) {
    const QImage lit = render();
    cat->peekLine = 600;  // a peek line below it all: nothing hidden, and no shadow
    const QImage unlit = render();
    cat->peekLine.reset();
    Box shadow;
    for (int y = 0; y < lit.height(); ++y)
        for (int x = 0; x < lit.width(); ++x)
            if (lit.pixel(x, y) != unlit.pixel(x, y)) {
                shadow.left = std::min(shadow.left, x);
                shadow.right = std::max(shadow.right, x);
                shadow.top = std::min(shadow.top, y);
                shadow.bottom = std::max(shadow.bottom, y);
            }
    ASSERT_FALSE(shadow.empty());
    const Box figure = inkBox(unlit);
    EXPECT_NEAR((shadow.left + shadow.right) / 2.0, cat->feet.x(), 2);
    EXPECT_NEAR(shadow.bottom, cat->feet.y(), 4);
    EXPECT_GT(shadow.width(), figure.width() / 2);
}

TEST_F(DesktopView, TheHeadIsLevelInEveryPoseButGrooming) {
    for (const bool right : {true, false}) {
        cat->facingRight = right;
        cat->turn = right ? 1 : -1;
        for (Pose pose : {Pose::stand, Pose::walk, Pose::run, Pose::sit, Pose::groom, Pose::swat, Pose::stare, Pose::lie,
                          Pose::sleep, Pose::crouch, Pose::air, Pose::stomp}) {
            cat->pose = pose;
            cat->sit = (pose == Pose::sit || pose == Pose::groom || pose == Pose::swat || pose == Pose::stare) ? 1 : 0;
            const double tilt = earLine(render(), cat->headPoint(), cat->sizeUnit());
            if (pose == Pose::groom)  // washing, the head leans down toward the paw it licks
                EXPECT_GT(right ? tilt : -tilt, 6) << "grooming, facing " << (right ? "right" : "left");
            else
                EXPECT_LT(std::abs(tilt), 3) << "pose " << int(pose) << " facing " << (right ? "right" : "left");
        }
    }
}

// Wherever the cat stands on a window, the mug goes 14 in from the end farther from it: the right
// end while the cat is left of the middle or on it, the left end once it is right of it.
TEST_F(DesktopView, TheMugStandsAtTheEndOfTheWindowAwayFromTheCat) {
    // Windows at the screen's left, in the middle and at its right.
    for (const Ledge top : {Ledge{5, 300, 40, 600}, Ledge{5, 300, 250, 1050}, Ledge{6, 420, 880, 1400}}) {
        cat->terrain.ledges = {{ground::floor, 899, 0, 1440}, top};
        cat->window = top.window;
        const double middle = (top.x0 + top.x1) / 2;
        // Just past either end (within the slack a cat keeps its footing in), near each end, on
        // either side of the middle and on it.
        for (const double x : {top.x0 - 5, top.x0 + 20, top.x0 + 0.3 * top.width(), middle - 1, middle, middle + 1,
                               top.x1 - 0.3 * top.width(), top.x1 - 20, top.x1 + 5}) {
            const std::string at = "the cat at " + std::to_string(int(x)) + " on " + std::to_string(int(top.x0)) +
                                   "..." + std::to_string(int(top.x1));
            cat->feet = QPointF(x, top.y);
            cat->cup.reset();
            cat->plan = cat->planFor(DesktopCat::Trick::mug, top);
            ASSERT_TRUE(cat->cup) << at;
            // What the mug adds to the screen.
            DesktopCatView withMug(*cat, QSizeF(1440, 900)), without(*cat, QSizeF(1440, 900));
            auto shot = [&](DesktopCatView& v) {
                QImage img(1440, 900, QImage::Format_ARGB32_Premultiplied);
                img.fill(Qt::transparent);
                QPainter p(&img);
                v.paint(p, w.clock.now());
                return img;
            };
            const QImage a = shot(withMug);
            const auto mug = cat->cup;
            cat->cup.reset();
            const QImage b = shot(without);
            cat->cup = mug;
            QRect drawn;
            for (int y = 0; y < a.height(); ++y) {
                const auto* with = reinterpret_cast<const QRgb*>(a.constScanLine(y));
                const auto* bare = reinterpret_cast<const QRgb*>(b.constScanLine(y));
                for (int xx = 0; xx < a.width(); ++xx)
                    if (with[xx] != bare[xx]) drawn |= QRect(xx, y, 1, 1);
            }
            ASSERT_FALSE(drawn.isEmpty()) << "no mug drawn, " << at;
            // On the window's top edge, inside its ends, 14 in from the end away from the cat.
            EXPECT_NEAR(drawn.bottom(), top.y, 3) << at;
            EXPECT_GE(drawn.left(), top.x0) << at;
            EXPECT_LE(drawn.right(), top.x1) << at;
            const double farEnd = x <= middle ? top.x1 - 14 : top.x0 + 14;
            EXPECT_NEAR((drawn.left() + drawn.right() + 1) / 2.0, farEnd, 8) << at;
        }
    }
}

TEST_F(DesktopView, SleepingCatShowsRisingLettersFromItsHead) {
    // Light letter ink in a box of the screen.
    auto letters = [](const QImage& img, QRect box) {
        int n = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.alpha() > 200 && c.red() > 220 && c.green() > 220;
            }
        return n;
    };
    cat->pose = Pose::sleep;
    const QImage img = render();
    const QPointF hp = cat->headPoint();
    EXPECT_GT(letters(img, QRect(int(hp.x()) + 4, int(hp.y()) - 50, 36, 40)), 0);
    // Belly up (facing right) the head lies on the left: the letters rise there, not from the tail.
    cat->bellyUp = true;
    const QImage belly = render();
    EXPECT_GT(letters(belly, QRect(350, 400, 60, 58)), 0);
    EXPECT_EQ(letters(belly, QRect(415, 400, 60, 58)), 0);
}

TEST_F(DesktopView, FadingCatOnADoubleDensityScreenStandsWhereItDoes) {
    // Fading in, the parts are laid together into one picture before they fade: on a panel of two
    // pixels a point the cat covers the same place as on one of one pixel a point.
    cat->appear = 0.25;
    for (Pose pose : {Pose::sit, Pose::walk}) {
        cat->pose = pose;
        cat->sit = pose == Pose::sit ? 1 : 0;
        const Box one = inkBox(render());
        DesktopCatView dense(*cat, QSizeF(800, 600));
        dense.setDevicePixelRatio(2);
        QImage img(1600, 1200, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(2);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            dense.paint(p, w.clock.now());
        }
        img.setDevicePixelRatio(1);
        const Box two = inkBox(img);
        ASSERT_FALSE(one.empty());
        ASSERT_FALSE(two.empty());
        EXPECT_NEAR(two.left, 2 * one.left, 3) << int(pose);
        EXPECT_NEAR(two.right, 2 * one.right, 3) << int(pose);
        EXPECT_NEAR(two.top, 2 * one.top, 3) << int(pose);
        EXPECT_NEAR(two.bottom, 2 * one.bottom, 3) << int(pose);
    }
}

}  // namespace

// The shadow laid from its kept image looks as the ellipse drawn straight onto the screen: at
// places between pixels, at pixel ratios 1 and 2, in a painter shifted by whole pixels as the
// panel's pieces are, the second time as the first.
TEST(GroundShadowTest, LaidShadowMatchesTheDrawnEllipse) {
    for (const double dpr : {1.0, 2.0})
        for (const QPointF centre : {QPointF(40, 30), QPointF(40.25, 30.75), QPointF(41.5, 29.25)}) {
            auto canvas = [dpr] {
                QImage image(int(100 * dpr), int(60 * dpr), QImage::Format_ARGB32_Premultiplied);
                image.fill(qRgba(180, 200, 220, 255));
                image.setDevicePixelRatio(dpr);
                return image;
            };
            QImage drawn = canvas();
            {
                QPainter p(&drawn);
                p.setRenderHint(QPainter::Antialiasing);
                p.translate(QPointF(-3, 2) / dpr);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0, 0, 0, 41));
                p.drawEllipse(centre, 17 * 0.9, 2.5 * 0.9);
            }
            GroundShadow shadow;
            for (int round = 0; round < 2; ++round) {
                QImage laid = canvas();
                {
                    QPainter p(&laid);
                    p.translate(QPointF(-3, 2) / dpr);
                    shadow.paint(p, centre, 17 * 0.9, 2.5 * 0.9);
                }
                int worst = 0;
                for (int y = 0; y < laid.height(); ++y)
                    for (int x = 0; x < laid.width(); ++x) {
                        const QRgb a = drawn.pixel(x, y), b = laid.pixel(x, y);
                        worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                          std::abs(qBlue(a) - qBlue(b))});
                    }
                EXPECT_LE(worst, 1) << "ratio " << dpr << " at " << centre.x() << "," << centre.y() << " round " << round;
                EXPECT_LT(qRed(laid.pixel(QPoint(int(centre.x() * dpr) - 3, int(centre.y() * dpr) + 2))), 180)
                    << "dark under the cat";
            }
        }
}

// Where points fall between pixels the shadow is drawn as it is, still dark under the cat.
TEST(GroundShadowTest, DrawnWherePointsFallBetweenPixels) {
    QImage image(100, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgba(180, 200, 220, 255));
    {
        QPainter p(&image);
        p.translate(0.5, 0.25);
        GroundShadow{}.paint(p, QPointF(40, 30), 17, 2.5);
    }
    EXPECT_LT(qRed(image.pixel(40, 30)), 180);
    EXPECT_LT(qRed(image.pixel(28, 30)), 180);
}

// On the bare bottom edge of a screen the cat shows whole, soles and shadow, standing on the edge
// as it stands over a bottom panel's top.
TEST(DesktopFloorView, CatOnABareScreenEdgeShowsItsPaws) {
    test::DesktopPlanWorld w;
    DesktopCat& cat = w.make(ground::floor, 700);
    cat.appear = 1;
    DesktopCatView view(cat, QSizeF(1440, 900));
    // Drawn into a picture that reaches past the screen's edge: what lies below row 899 is lost.
    const auto lowestInk = [&](Pose pose) {
        cat.pose = pose;
        cat.sit = pose == Pose::sit ? 1 : 0;
        QImage img(1440, 920, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        view.paint(p, w.clock.now());
        p.end();
        return inkBox(img.copy(500, 700, 400, 220), 8).bottom + 700;
    };
    // (The belly-up sleeper lies on its back, sunk below the line as into a panel's top.)
    for (const Pose pose : {Pose::stand, Pose::walk, Pose::run, Pose::sit, Pose::lie, Pose::sleep}) {
        const int bottom = lowestInk(pose);
        EXPECT_LE(bottom, 899) << "pose " << int(pose) << ": ink below the screen";
        EXPECT_GE(bottom, 899 - 4) << "pose " << int(pose) << ": floats above the edge";
    }
}

// A cat of any size, from a newborn kitten to a grown cat, wearing a hat, walks to either end of
// the floor and naps there, upright or belly up: all of it shows on the screen the whole time, its
// sleep letters too.
TEST(DesktopFloorView, ACatNappingAtEitherEndOfTheFloorShowsWhole) {
    constexpr double kitten = 1e6;  // seconds of kittenhood: grown at three times that age
    for (const double growth : {0.0, 1.0 / 3, 2.0 / 3, 1.0})
        for (const bool belly : {false, true})
            for (const bool left : {true, false}) {
                test::DesktopPlanWorld w;
                w.store->set("kittenLengthSeconds", kitten);
                w.clock.advance(3 * kitten * growth);
                w.life->setHappiness(belly ? 100 : 0);
                w.life->goOut();
                DesktopCat& cat = w.make(ground::floor, 720);
                cat.appear = 1;
                cat.forceBelly = belly;
                cat.plan = {DesktopCat::Step::walk(left ? -100 : 2000, false), DesktopCat::Step::loaf(3),
                            DesktopCat::Step::of(DesktopCat::Step::Kind::sleep)};
                DesktopCatView view(cat, QSizeF(1440, 900));
                CatEnv env = view.environment();
                env.outfit.head = CatAccessory::santaHat;
                view.setEnvironment(env);
                const std::string what = "growth " + std::to_string(growth) + (belly ? " belly up" : "") +
                                         (left ? " at the left end" : " at the right end");
                // The screen's end and what lies beyond it, drawn every tenth of a second: how far the
                // drawing reaches past the edge in each pose.
                const int beyond = 200;
                std::map<int, int> past;
                double asleep = 0;
                for (int frame = 0; frame < 60 * 30 && asleep < 2.5; ++frame) {
                    w.clock.advance(1.0 / 60);
                    cat.tick(w.clock.now());
                    if (cat.pose == Pose::sleep) asleep += 1.0 / 60;
                    if (frame % 6) continue;
                    QImage img(2 * beyond, 300, QImage::Format_ARGB32_Premultiplied);
                    img.fill(Qt::transparent);
                    QPainter p(&img);
                    p.translate(left ? beyond : beyond - 1440, 250 - 900);
                    view.paint(p, w.clock.now());
                    p.end();
                    const Box off = inkBox(img.copy(left ? 0 : beyond, 0, beyond, 300), 8);
                    if (!off.empty()) {
                        int& most = past[int(cat.pose)];
                        most = std::max(most, left ? beyond - off.left : off.right + 1);
                    }
                }
                for (const auto& [pose, points] : past)
                    ADD_FAILURE() << what << ": pose " << pose << " reaches " << points << " points beyond the screen";
                EXPECT_GE(asleep, 2.5) << what;
                EXPECT_EQ(cat.bellyUp, belly) << what;
            }
}
