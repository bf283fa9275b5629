#include "island/TobbiFace.h"

#include "core/Notifications.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace kp;

TEST(TobbiFaceExpression, AnEmoteShowsOverTheStateAndTheLookSetsTheBase) {
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    hub.post(note::triggerEmote, BotEmote::annoyed);
    TobbiFace face;
    TobbiFace::World world;
    world.inputs.override = BotState::sad;
    EXPECT_EQ(face.expression({}, world, emotes), CatExpression::grumpy);
    clock.advance(2);
    EXPECT_EQ(face.expression({}, world, emotes), CatExpression::sad);
    TobbiFace::Look based;
    based.base = CatExpression::happy;
    EXPECT_EQ(face.expression(based, world, emotes), CatExpression::happy);
}

TEST(TobbiFaceEyes, AimAtThePointerFromTheFacePoint) {
    TobbiFace::World world;
    world.islandFrame = QRectF(400, 0, 276, 32);
    world.pointer = QPointF(400 + 23, 0.6 * 32);
    TobbiFace::Look look;
    look.lookGain = 0.3;
    look.faceIslandX = 23;
    EXPECT_NEAR(TobbiFace::lookAt(look, world).x(), 0, 1e-9);
    world.pointer = QPointF(1400, 19.2);
    EXPECT_GT(TobbiFace::lookAt(look, world).x(), 0.99) << "far right";
    world.pointer = QPointF(400 + 123, 0.6 * 32);
    EXPECT_NEAR(TobbiFace::lookAt(look, world).y(), 0, 1e-9) << "level with the face: straight across";
    world.pointer = QPointF(400 + 123, 400);
    EXPECT_GT(TobbiFace::lookAt(look, world).y(), 0.9) << "far below";
    look.lookGain = 0;
    EXPECT_EQ(TobbiFace::lookAt(look, world), QPointF(0, 0)) << "gain 0 looks straight ahead";
}

TEST(TobbiFaceDrawing, DrawsTheBreedsHeadAroundItsBoxAndBlinksInTime) {
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    TobbiFace face;
    TobbiFace::World world;
    world.breed = CatBreed::orange;
    world.islandFrame = QRectF(582, 0, 276, 32);
    QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        face.paint(p, QRectF(25, 25, 30, 30), {}, world, emotes, 0);
    }
    const QColor cheek = image.pixelColor(32, 44);
    EXPECT_GT(cheek.alpha(), 200) << "the head fills its box";
    EXPECT_GT(cheek.red(), cheek.blue() + 40) << "an orange coat";
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(image.pixelColor(i, 78).alpha(), 0) << "nothing far below the head";
        EXPECT_EQ(image.pixelColor(2, i).alpha(), 0) << "nothing far to the left";
    }
    // Painted just now: the same moment needs no new frame; within a minute a blink does.
    EXPECT_FALSE(face.wouldChange({}, world, emotes, 0));
    bool blinked = false;
    for (double t = 0; t < 60 && !blinked; t += 1.0 / 60) blinked = face.wouldChange({}, world, emotes, t);
    EXPECT_TRUE(blinked);
}

// The green of the eyes in a head drawn large, in the box (10, 10, 60, 60).
int eyeGreenPixels(TobbiFace& face, const TobbiFace::World& world, const FaceEmotes& emotes, double t) {
    QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        TobbiFace::Look look;
        look.size = 60;
        face.paint(p, QRectF(10, 10, 60, 60), look, world, emotes, t);
    }
    int n = 0;
    for (int y = 10; y < 70; ++y)
        for (int x = 10; x < 70; ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.alpha() > 200 && c.green() > c.red() + 30;
        }
    return n;
}

TEST(TobbiFaceDrawing, TheEyesCloseInABlinkAndWhileTheCatSleeps) {
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    TobbiFace face;
    TobbiFace::World world;
    world.islandFrame = QRectF(582, 0, 276, 32);
    const int open = eyeGreenPixels(face, world, emotes, 0);
    double t = 0;
    while (t < 60 && face.frame({}, world, emotes, t).blink < 0.95) t += 1.0 / 120;
    ASSERT_LT(t, 60) << "a blink within a minute";
    const int blinking = eyeGreenPixels(face, world, emotes, t);
    TobbiFace sleeper;
    world.inputs.petSleeping = true;
    const int asleep = eyeGreenPixels(sleeper, world, emotes, 0);
    ASSERT_GT(open, 40) << "open green eyes";
    EXPECT_LT(blinking, open / 5) << "shut in the blink";
    EXPECT_LT(asleep, open / 5) << "shut in sleep";
}
