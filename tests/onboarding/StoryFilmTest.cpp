#include "onboarding/OnboardKit.h"
#include "onboarding/StoryFilm.h"
#include "RenderSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kp::story {
namespace {

TEST(StoryWalk, DistancesAtTheLandmarks) {
    EXPECT_DOUBLE_EQ(storyWalked(0), 0);
    EXPECT_NEAR(storyWalked(4.0), 600, 0.01);
    EXPECT_NEAR(storyWalked(4.8), 660.6, 0.1);
    EXPECT_DOUBLE_EQ(storyWalked(6.0), storyWalked(9.0));
    EXPECT_NEAR(storyWalked(13.8), 1398.6, 0.1);
    EXPECT_DOUBLE_EQ(storyWalked(20), storyWalked(13.8));
    EXPECT_DOUBLE_EQ(storyWalked(-1), -150);
    EXPECT_DOUBLE_EQ(storyWalked(40), storyWalkTable().back());
    EXPECT_EQ(storyWalkTable().size(), std::size_t(kWalkTableSize));
    EXPECT_NEAR(storyDoorX(), storyArrivalX() + 64, 1e-9);
    EXPECT_NEAR(storyPauseX(), 660.6, 0.1);
}

TEST(StoryWalk, SpeedAndLegs) {
    EXPECT_DOUBLE_EQ(storyWalkSpeed(-3), 150);
    EXPECT_DOUBLE_EQ(storyWalkSpeed(2), 150);
    EXPECT_DOUBLE_EQ(storyWalkSpeed(6), 0);
    EXPECT_NEAR(storyWalkSpeed(11), 180, 1e-9);
    EXPECT_DOUBLE_EQ(legSwing(11), 1.0);
    EXPECT_DOUBLE_EQ(legSwing(7), 0.0);
    EXPECT_GT(legSwing(15.5), 0.9);  // stepping into the doorway
    EXPECT_NEAR(personX(17), storyDoorX(), 1e-6);
}

TEST(StoryCameraTest, ZoomsOutThenIn) {
    StoryFilm f;
    f.t = 10;
    EXPECT_DOUBLE_EQ(f.camera().zoom, 0.55);
    // The followed walker stands at 0.7 of the width (0.35 s later than the camera).
    EXPECT_NEAR(f.camera().cx, storyWalked(9.65) - 0.2 * 640 / 0.55, 1e-9);
    f.t = 17.6;
    EXPECT_NEAR(f.camera().zoom, 0.17, 1e-12);
    f.t = 19.8;
    EXPECT_NEAR(f.camera().zoom, 0.44, 1e-12);
    f.t = 24;
    EXPECT_NEAR(f.camera().zoom, 0.44, 1e-12);
    EXPECT_NEAR(f.camera().cx, storyDoorX() - 120, 1e-9);
}

TEST(StoryKittenPath, WideApproachWaitsUnseenThenSits) {
    StoryFilm f;
    f.t = 5.4;
    const auto cam = f.camera();
    EXPECT_NEAR(f.approachDistance(cam), 722.5, 0.5);
    f.t = 5.0;
    auto spot = f.kittenPosition(f.camera());
    EXPECT_NEAR(spot.x, storyPauseX() - 172 - 494, 1e-9);
    EXPECT_NEAR(spot.x, -5.4, 0.2);
    EXPECT_FALSE(spot.walking);
    EXPECT_DOUBLE_EQ(f.kittenOpacity(f.camera()), 0);
    f.t = 5.6;
    EXPECT_GT(f.kittenOpacity(f.camera()), 0);
    EXPECT_LT(f.kittenOpacity(f.camera()), 1);
    f.t = 7.3;
    spot = f.kittenPosition(f.camera());
    EXPECT_NEAR(spot.x, 488.6, 0.2);
    f.t = 8.0;
    spot = f.kittenPosition(f.camera());
    EXPECT_FALSE(spot.walking);
    EXPECT_DOUBLE_EQ(f.kitten(spot).pawRaise, 1);
    f.t = 7.4;
    EXPECT_DOUBLE_EQ(f.kitten(f.kittenPosition(f.camera())).pawRaise, 0);
}

TEST(StoryKittenPath, NarrowViewWalksInFromOffScreen) {
    StoryFilm f;
    f.size = QSizeF(200, 180);
    f.layout.walkZoom = 2.0;
    f.t = 5.4;
    EXPECT_LE(f.approachDistance(f.camera()), 494);
    EXPECT_DOUBLE_EQ(f.kittenOpacity(f.camera()), 1);
    f.t = 5.0;
    const double start = std::min(f.camera().cx - 200 / (2 * 2.0) - 80, storyPauseX() - 430);
    EXPECT_NEAR(f.kittenPosition(f.camera()).x, start - 400, 1e-9);
}

TEST(StoryKittenPath, FollowsAndClimbsTheStep) {
    StoryFilm f;
    f.t = 12;
    const auto spot = f.kittenPosition(f.camera());
    EXPECT_NEAR(spot.x, storyWalked(11.5) - 172, 1e-9);
    EXPECT_TRUE(spot.walking);
    f.t = 22;
    const auto in = f.kittenPosition(f.camera());
    EXPECT_NEAR(in.x, storyDoorX(), 1e-9);
    EXPECT_DOUBLE_EQ(in.lift, -24);
    EXPECT_FALSE(in.walking);
    f.t = 14.0;
    EXPECT_DOUBLE_EQ(f.doorLight(storyDoorX()), 0);
    f.t = 15.0;
    EXPECT_DOUBLE_EQ(f.doorLight(storyDoorX() - 96), 1);
}

TEST(StoryWords, BubblesCaptionsAndCard) {
    StoryFilm f;
    f.t = 5.0;
    EXPECT_EQ(f.bubbleWord().value_or(QString()), QStringLiteral("mew"));
    f.t = 6.1;
    EXPECT_FALSE(f.bubbleWord());
    f.t = 18.0;
    EXPECT_EQ(f.bubbleWord().value_or(QString()), QStringLiteral("mew?"));
    f.t = 18.6;
    EXPECT_FALSE(f.bubbleWord());

    const Caption& c = kCaptions[0];
    const int len = int(QString::fromUtf8(c.text).size());
    EXPECT_EQ(captionTyped(c, c.from, len), 0);
    EXPECT_EQ(captionTyped(c, c.to, len), 0);
    EXPECT_EQ(captionTyped(c, c.from + 0.51, len), 15);
    EXPECT_NEAR(captionOpacity(c, c.to - 0.2), 0.5, 1e-9);
    EXPECT_EQ(captionTyped(c, c.to - 0.01, len), len);
    EXPECT_DOUBLE_EQ(endCardOpacity(25.2), 0);
    EXPECT_DOUBLE_EQ(endCardOpacity(24.0), 1);
}

TEST(StoryPersonParts, FeetAndKnees) {
    // Standing: feet flat, 9 either side of the hip.
    const auto far = footCycle(0, 0, -9);
    const auto near = footCycle(0.5, 0, 9);
    EXPECT_DOUBLE_EQ(far.dx, -9);
    EXPECT_DOUBLE_EQ(near.dx, 9);
    EXPECT_DOUBLE_EQ(far.roll, 0);
    // Mid-stride.
    const auto a = footCycle(0, 1, -9);
    EXPECT_NEAR(a.dx, 53.32, 1e-9);
    EXPECT_NEAR(a.roll, -0.2, 1e-9);
    const auto b = footCycle(0.5, 1, 9);
    EXPECT_NEAR(b.dx, -32.68, 0.01);
    EXPECT_NEAR(b.roll, 0.108, 0.001);
    // Over-long reach: the knee lies on the line towards the ankle, bending forward otherwise.
    const QPointF knee = kneePoint({0, 0}, {0, 400}, 1);
    EXPECT_NEAR(knee.y(), 122, 0.5);
    EXPECT_NEAR(knee.x(), 0, 2.5);
    const QPointF bent = kneePoint({0, 0}, {0, 200}, 1);
    EXPECT_GT(bent.x(), 0);
}

QImage frame(double t, const CatEnv& env = {});

QPoint onScreen(const StoryFilm& f, double x, double y) {
    const auto cam = f.camera();
    return QPoint(int(std::lround((x - cam.cx) * cam.zoom + f.width() / 2)), int(std::lround(y * cam.zoom + f.groundY())));
}

TEST(StoryFrames, TheDoorOpensOntoWarmLight) {
    StoryFilm f;
    f.t = 14.0;
    // The closed leaf: a dark teal where the doorway's middle is.
    const QColor closed = frame(14.0).pixelColor(onScreen(f, storyDoorX() + 8, -200));
    EXPECT_LT(closed.red(), 80);
    EXPECT_GT(closed.green(), closed.red());
    f.t = 19.9;
    const QColor open = frame(19.9).pixelColor(onScreen(f, storyDoorX() + 30, -200));
    EXPECT_GT(open.red(), 200);
    EXPECT_GT(open.green(), 180);
}

// The reddest pixel round the kitten's middle at t.
int reddestAtTheKitten(const QImage& img, double t) {
    StoryFilm f;
    f.t = t;
    const auto spot = f.kittenPosition(f.camera());
    const QPoint at = onScreen(f, spot.x, spot.lift - 35);
    int red = 0;
    for (int dx = -6; dx <= 6; ++dx)
        for (int dy = -4; dy <= 4; ++dy) red = std::max(red, qRed(img.pixel(at + QPoint(dx, dy))));
    return red;
}

TEST(StoryFrames, TheKittenIsASilhouetteUntilTheDoorLightsIt) {
    // An orange cat: dark on the street, its own warm coat in the doorway.
    const CatEnv orange{CatBreed::orange, {}};
    EXPECT_LT(reddestAtTheKitten(frame(8.3, orange), 8.3), 110);
    EXPECT_GT(reddestAtTheKitten(frame(21.5, orange), 21.5), 170);
}

TEST(StoryFrames, LetterboxDrawsBands) {
    StoryFilm f;
    f.t = 8;
    f.layout.letterbox = true;
    EXPECT_DOUBLE_EQ(f.groundY(), 0.8 * 180 - 46);
    const QImage img = test::renderImage(640, 180, [&](QPainter& p) { f.paint(p, CatEnv{}); });
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(5, 175), qRgb(0, 0, 0));
}

QImage frame(double t, const CatEnv& env) {
    StoryFilm f;
    f.t = t;
    return test::renderImage(640, 180, [&](QPainter& p) { f.paint(p, env); });
}

TEST(StoryFrames, WhatAViewerSees) {
    // Black at the start, an evening sky once faded in.
    const QImage black = frame(0);
    EXPECT_LT(test::luminance(black.pixel(320, 40)), 8);
    const QImage evening = frame(1.4);
    EXPECT_GT(test::luminance(evening.pixel(320, 20)), 30);
    // The end: cream paper.
    const QImage end = frame(25.2);
    EXPECT_EQ(end.pixel(10, 10), QColor("#FFF1DC").rgb());
    EXPECT_EQ(end.pixel(320, 90), QColor("#FFF1DC").rgb());
    // The end card's words show dark on the paper at 23.5 s.
    const QImage card = frame(23.5);
    int dark = 0;
    for (int x = 100; x < 540; ++x)
        for (int y = 70; y < 110; ++y)
            if (test::luminance(card.pixel(x, y)) < 120) ++dark;
    EXPECT_GT(dark, 100);
    // Same t, same picture.
    EXPECT_EQ(frame(11.3), frame(11.3));
    // A caption types on in the lower band at 3 s: light pixels there.
    const QImage cap = frame(3.0);
    int light = 0;
    for (int x = 100; x < 540; ++x)
        for (int y = 150; y < 172; ++y)
            if (test::luminance(cap.pixel(x, y)) > 200) ++light;
    EXPECT_GT(light, 30);
    // The open door at 16 s pours warm light: the doorway is lit.
    for (double t : {0.8, 3.0, 5.0, 7.8, 11.0, 14.5, 15.5, 16.0, 17.6, 18.0, 20.0, 21.0, 22.0, 23.5})
        test::keepRender(frame(t, CatEnv{CatBreed::orange, {}}), QStringLiteral("film-%1").arg(t, 0, 'f', 1));
}

// The person walks on the pavement: the legs come down together and the light shoes stand on
// the pavement right under them.
TEST(StoryFrames, TheShoesStandUnderThePersonsLegs) {
    for (const double t : {3.0, 7.8}) {
        const QImage img = frame(t);
        const auto near = [&](int x, int y, QColor c) {
            const QColor d = img.pixelColor(x, y);
            return std::abs(d.red() - c.red()) <= 24 && std::abs(d.green() - c.green()) <= 24 && std::abs(d.blue() - c.blue()) <= 24;
        };
        QRect legs;
        for (int y = 0; y < 140; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (near(x, y, QColor("#3D5583"))) legs |= QRect(x, y, 1, 1);
        ASSERT_FALSE(legs.isEmpty()) << t;
        EXPECT_LT(legs.width(), 160) << t;
        int shoes = 0;
        for (int y = legs.bottom() - 10; y < legs.bottom() + 30 && y < img.height(); ++y)
            for (int x = std::max(0, legs.left() - 30); x < std::min(img.width(), legs.right() + 30); ++x)
                shoes += near(x, y, QColor("#D8CFC4"));
        EXPECT_GT(shoes, 40) << t;
    }
}

// Each caption, once typed, stands in the middle of the picture's width in the lower band.
TEST(StoryFrames, CaptionsStandInTheMiddle) {
    for (const Caption& c : kCaptions) {
        const double t = c.to - 0.45;  // typed out, not yet fading
        const QImage img = frame(t);
        QRect words;
        for (int y = 140; y < 176; ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor d = img.pixelColor(x, y);
                if (d.red() > 200 && d.green() > 200 && d.blue() > 200) words |= QRect(x, y, 1, 1);
            }
        ASSERT_GT(words.width(), 100) << c.text;
        EXPECT_NEAR(words.center().x(), img.width() / 2, 6) << c.text << " from " << words.left() << " to " << words.right();
    }
}

// The far buildings stand at nine parts in ten: just inside a building's top edge the sky just
// above it shows through at a tenth, wherever nothing nearer covers it.
TEST(StoryFrames, TheFarBuildingsLetTheSkyShowFaintly) {
    StoryFilm f;
    f.t = 17.6;  // zoomed out at dusk: the far row stands clear above the middle one
    const StoryCamera cam = f.camera();
    const QImage img = test::renderImage(640, 180, [&](QPainter& p) { f.drawStreet(p, cam); });
    test::keepRender(img, QStringLiteral("far-buildings"));
    const double W = f.width(), base = f.groundY() - 26 * cam.zoom, walk = f.layout.walkZoom;
    const double sf = 0.7 * walk + 0.3 * cam.zoom, sm = 0.4 * walk + 0.6 * cam.zoom;
    std::vector<QRectF> far, nearer;
    for (long long i = -400; i <= 400; ++i) {
        const double w = (44 + 50 * hash01(i, 3)) * sf, h = (70 + 150 * hash01(i, 4)) * sf;
        far.emplace_back((64 * double(i) - 0.15 * cam.cx) * sf + W / 2, base - h, w, h);
        const double uw = 92 + 46 * hash01(i, 5), uh = 170 + 230 * hash01(i, 6);
        nearer.emplace_back((128 * double(i) - 0.42 * cam.cx) * sm + W / 2, base - uh * sm, uw * sm, uh * sm);
    }
    const QColor building = onboard::blend(onboard::hex("#5A3F68"), onboard::hex("#2E2348"), f.nightAmount());
    const auto covered = [](const std::vector<QRectF>& rects, QPointF at, const QRectF* except = nullptr) {
        return std::any_of(rects.begin(), rects.end(), [&](const QRectF& r) {
            return &r != except && r.adjusted(-1.5, -1.5, 1.5, 1.5).contains(at);
        });
    };
    int checked = 0, seeThrough = 0;
    for (const QRectF& r : far) {
        const int top = int(std::ceil(r.top()));
        for (int x = int(r.left()) + 2; x < int(r.right()) - 2; ++x) {
            const QPoint in(x, top + 2), above(x, top - 3);
            if (!img.rect().contains(in) || !img.rect().contains(above)) continue;
            if (covered(nearer, in) || covered(nearer, above) || covered(far, above, &r)) continue;
            const QColor sky = img.pixelColor(above), got = img.pixelColor(in);
            // No edge there: something nearer (a tree, the house) covers both; or lit by a lamp's glow.
            if (std::abs(sky.red() - got.red()) + std::abs(sky.green() - got.green()) + std::abs(sky.blue() - got.blue()) < 12 ||
                got.red() > sky.red())
                continue;
            ++checked;
            const auto near = [](double a, double b) { return std::abs(a - b) <= 3; };
            if (near(got.red(), 0.9 * building.red() + 0.1 * sky.red()) &&
                near(got.green(), 0.9 * building.green() + 0.1 * sky.green()) &&
                near(got.blue(), 0.9 * building.blue() + 0.1 * sky.blue()))
                ++seeThrough;
        }
    }
    EXPECT_GT(checked, 30);
    EXPECT_GT(seeThrough, checked * 9 / 10) << seeThrough << " of " << checked;
}

// Share of pixels where two pictures differ by more than a tenth of the range.
double differing(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 || std::abs(qBlue(p) - qBlue(q)) > 24) ++n;
        }
    return double(n) / (a.width() * a.height());
}

TEST(FilmFramesTest, ShowTheFilmAsDrawnInPlaceAtTheScreensScale) {
    // The frames as the island shows them: on a screen of pixel ratio 2, the film's rectangle set
    // in from the corner. Inside it, the film as drawn directly; outside it, nothing.
    FilmFrames frames;
    for (double t : {3.0, 8.3, 15.9, 21.5}) {
        StoryFilm f;
        f.t = t;
        QImage direct = test::renderImage(640, 180, [&](QPainter& p) {
            p.fillRect(QRectF(0, 0, 640, 180), Qt::black);
            f.paint(p, CatEnv{});
        }, 2);
        QImage screen(700 * 2, 200 * 2, QImage::Format_ARGB32_Premultiplied);
        screen.setDevicePixelRatio(2);
        screen.fill(Qt::transparent);
        {
            QPainter p(&screen);
            p.translate(30, 10);
            frames.paint(p, f, CatEnv{});
        }
        screen.setDevicePixelRatio(1);
        EXPECT_LT(differing(direct, screen.copy(60, 20, 1280, 360)), 0.002) << t;
        EXPECT_EQ(qAlpha(screen.pixel(59, 200)), 0) << t;
        EXPECT_EQ(qAlpha(screen.pixel(700, 19)), 0) << t;
        EXPECT_EQ(qAlpha(screen.pixel(60 + 1280, 200)), 0) << t;
        EXPECT_EQ(qAlpha(screen.pixel(700, 20 + 360)), 0) << t;
        EXPECT_EQ(qAlpha(screen.pixel(60, 20)), 255) << t;
    }
}

TEST(FilmFramesTest, KeptDrawingsFollowTheBreedAndTheLayout) {
    // The seated kitten in the door's light and the settled street are drawn once and kept: a
    // change of breed or of layout must still show.
    const CatEnv orange{CatBreed::orange, {}};
    const CatEnv black{CatBreed::black, {}};
    EXPECT_GT(reddestAtTheKitten(frame(21.5, orange), 21.5), 170);
    EXPECT_LT(reddestAtTheKitten(frame(21.5, black), 21.5), 110);
    EXPECT_EQ(frame(21.5, orange), frame(21.5, orange));

    // The settled street, compared where only the street and the frame's shading show (the kitten
    // and the captions are elsewhere), after a change of layout and back.
    StoryFilm f;
    f.t = 21.0;
    for (bool letterbox : {false, true, false}) {
        f.layout.letterbox = letterbox;
        const QImage shown = test::renderImage(640, 180, [&](QPainter& p) { f.paint(p, CatEnv{}); });
        const QImage street = test::renderImage(640, 180, [&](QPainter& p) {
            f.drawStreet(p, f.camera());
            f.drawOverlay(p);
        });
        EXPECT_LT(differing(shown.copy(0, 0, 220, 110), street.copy(0, 0, 220, 110)), 0.01) << letterbox;
    }
}

}  // namespace
}  // namespace kp::story
