#include "island/IslandRootView.h"

#include "island/IslandGeometry.h"
#include "island/TobbiFace.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace kp;
using State = IslandStateMachine::State;

namespace {

QImage render(const IslandScene& scene, QSizeF size) {
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    NotificationCenter hub;
    ManualClock clock;
    FaceEmotes emotes(hub, clock);
    QPainter p(&image);
    paintIslandContent(p, QRectF(QPointF(0, 0), size), scene, emotes);
    return image;
}

// How many pixels in `area` are close to `color`.
int countNear(const QImage& image, const QRect& area, const QColor& color) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) < 30 && std::abs(c.green() - color.green()) < 30 &&
                std::abs(c.blue() - color.blue()) < 30)
                ++n;
        }
    return n;
}

// The first and last rows in `area` with a pixel close to `color`; their middle is where it sits.
double inkMiddleY(const QImage& image, const QRect& area, const QColor& color) {
    int first = -1, last = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        if (countNear(image, QRect(area.left(), y, area.width(), 1), color) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return first < 0 ? -100 : (first + last + 1) / 2.0;
}

TEST(IslandRootView, SmallIslandShowsTheFaceLeftTheNeedMarkBesideItAndThePomodoroRingRight) {
    IslandScene scene;
    scene.state = State::petit;
    const QSizeF size = island::sizeFor(State::petit, {184, 32});
    const QImage plain = render(scene, size);
    EXPECT_GT(countNear(plain, QRect(10, 8, 26, 18), QColor("#E8A25A")), 40) << "orange face in the left wing";
    const QRect middle(92, 0, int(size.width()) - 184, 32);
    scene.petName = QStringLiteral("Mochi");
    const QImage named = render(scene, size);
    const QColor quiet(0x98, 0x96, 0x93);
    EXPECT_GT(countNear(named, middle, quiet), 8) << "the name in the middle";
    int first = -1, last = -1;  // the name's columns, between the wings
    for (int x = int(island::kWing); x < named.width() - int(island::kWing); ++x)
        if (countNear(named, QRect(x, 0, 1, 32), quiet) > 0) {
            if (first < 0) first = x;
            last = x;
        }
    EXPECT_NEAR((first + last + 1) / 2.0, size.width() / 2, 3) << "centred between the wings";

    scene.need = PetNeed::hungry;
    const QImage hungry = render(scene, size);
    EXPECT_GT(countNear(hungry, QRect(44, 0, 24, 32), QColor("#E8873A")), 10) << "the food mark by the face";
    EXPECT_NEAR(inkMiddleY(hungry, QRect(44, 0, 24, 32), QColor("#E8873A")), 16, 1.5) << "at half height";
    scene.need = PetNeed::sick;
    EXPECT_GT(countNear(render(scene, size), QRect(44, 0, 24, 32), QColor("#E04F5F")), 10);

    // A running pomodoro's ring takes the right wing and replaces the need mark: a quarter done is
    // a quarter of the ring, from twelve o'clock.
    scene.need = PetNeed::hungry;
    scene.phase = PomodoroPhase::focus;
    scene.progress = 0.25;
    const QImage ring = render(scene, size);
    const int cx = int(size.width()) - 23;
    EXPECT_GT(countNear(ring, QRect(cx + 2, 6, 9, 9), QColor("#F0604F")), 5);
    EXPECT_EQ(countNear(ring, QRect(cx - 11, 17, 9, 9), QColor("#F0604F")), 0);
    EXPECT_EQ(countNear(ring, QRect(44, 0, 24, 32), QColor("#E8873A")), 0);

    scene.phase = PomodoroPhase::idle;
    scene.dead = true;
    scene.need = PetNeed::dead;
    EXPECT_EQ(countNear(render(scene, size), QRect(44, 0, 24, 32), QColor("#E8873A")), 0);
    scene.breed = CatBreed::black;
    EXPECT_EQ(countNear(render(scene, size), QRect(10, 8, 26, 18), QColor("#E8A25A")), 0) << "the cat's own coat";
}

TEST(IslandRootView, ThePomodoroRingShowsItsPhaseAndWhatIsLeftAndBlinksOnceAPhaseIsDone) {
    IslandScene scene;
    scene.state = State::petit;
    const QSizeF size = island::sizeFor(State::petit, {184, 32});
    const int cx = int(size.width()) - 23;  // the ring's centre in the right wing, at half height
    const QRect topRight(cx + 2, 6, 9, 9), bottomLeft(cx - 11, 17, 9, 9), middle(cx - 4, 12, 8, 8);
    const QColor focus("#F0604F"), rest("#8FCB8A");
    const auto written = [&](const QImage& image) {  // light pixels within the ring: its thin 8-pixel text
        int n = 0;
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::min({c.red(), c.green(), c.blue()}) > 150;
            }
        return n;
    };
    scene.progress = 0.25;
    scene.minutesLeft = 12;

    scene.phase = PomodoroPhase::rest;
    const QImage resting = render(scene, size);
    EXPECT_GT(countNear(resting, topRight, rest), 5) << "a break's ring is green";
    EXPECT_EQ(countNear(resting, QRect(cx - 12, 4, 24, 24), focus), 0);
    EXPECT_EQ(countNear(resting, bottomLeft, rest), 0) << "a quarter of it";
    EXPECT_GT(countNear(resting, bottomLeft, QColor(38, 38, 38)), 5) << "the rest of the ring is a faint track";
    EXPECT_GT(written(resting), 3) << "the minutes left inside";

    // Done: the whole ring, fading every other second.
    scene.phase = PomodoroPhase::focusDone;
    scene.time = 10.2;
    const QImage lit = render(scene, size);
    EXPECT_NEAR(inkMiddleY(lit, QRect(cx - 12, 0, 24, 32), focus), 16, 1) << "at half the island's height";
    EXPECT_GT(countNear(lit, topRight, focus), 5);
    EXPECT_GT(countNear(lit, bottomLeft, focus), 5) << "a finished phase fills the ring";
    EXPECT_GT(written(lit), 3) << "and a mark inside";
    scene.time = 11.2;
    const QImage faded = render(scene, size);
    EXPECT_EQ(countNear(faded, QRect(cx - 12, 4, 24, 24), focus), 0) << "and blinks";
    scene.phase = PomodoroPhase::restDone;
    scene.time = 10.2;
    EXPECT_GT(countNear(render(scene, size), bottomLeft, rest), 5);

}

TEST(IslandRootView, TheNeedMarksShowTheirWholeSymbol) {
    // Large, on the island's black, centred at (24, 24): one grid step of the mark is 3 pixels.
    auto mark = [](PetNeed need) {
        QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        paintNeedMark(p, QPointF(24, 24), need, 36);
        return image;
    };
    const QColor food = needMarkColor(PetNeed::hungry);
    const QImage hungry = mark(PetNeed::hungry);
    EXPECT_GT(countNear(hungry, QRect(10, 8, 11, 9), food), 15) << "the fork's tines, left";
    EXPECT_GT(countNear(hungry, QRect(14, 24, 4, 14), food), 15) << "the fork's handle";
    EXPECT_GT(countNear(hungry, QRect(31, 8, 7, 16), food), 30) << "the knife's blade, right";
    EXPECT_EQ(countNear(hungry, QRect(0, 0, 48, 5), food), 0) << "nothing above the symbol";

    const QImage sick = mark(PetNeed::sick);
    EXPECT_GT(countNear(sick, QRect(6, 16, 8, 20), needMarkColor(PetNeed::sick)), 60) << "the red case";
    EXPECT_GT(countNear(sick, QRect(20, 20, 8, 8), Qt::white), 20) << "its white cross";
}

// Where the dark of the eyes lies across `area`: the mean x of the pixels darker than the coat,
// weighted by how much darker.
double eyesX(const QImage& image, const QRect& area) {
    double weight = 0, sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const double dark = std::max(0.0, 130 - (c.red() + c.green() + c.blue()) / 3.0);
            weight += dark;
            sum += dark * x;
        }
    return weight > 0 ? sum / weight : -1;
}

TEST(IslandRootView, TheSmallIslandsFaceLooksTowardThePointer) {
    IslandScene scene;
    scene.state = State::petit;
    const QSizeF size = island::sizeFor(State::petit, {184, 32});
    scene.islandFrame = QRectF(QPointF(400, 0), size);
    const QRect eyes(15, 13, 17, 6);  // the eye row of the face in the left wing
    scene.pointer = QPointF(0, 20);
    const double leftward = eyesX(render(scene, size), eyes);
    scene.pointer = QPointF(1500, 20);
    const double rightward = eyesX(render(scene, size), eyes);
    ASSERT_GT(leftward, 0);
    EXPECT_GT(rightward - leftward, 0.8) << "the eyes turn from far left to far right";
}

TEST(IslandRootView, GreetingWritesTheNameAsPlainText) {
    IslandScene scene;
    scene.state = State::coucou;
    scene.petName = QStringLiteral("<b>Mochi</b>");
    const QSizeF size = island::sizeFor(State::coucou, {184, 32});
    const QImage image = render(scene, size);
    // Light text on one row centred in the island: no empty band above it.
    EXPECT_GT(countNear(image, QRect(48, 17, 250, 28), QColor("#F7F4F0")), 30);
    EXPECT_EQ(countNear(image, QRect(0, 0, int(size.width()), 14), QColor("#F7F4F0")), 0);
    EXPECT_EQ(countNear(image, QRect(0, 48, int(size.width()), 14), QColor("#F7F4F0")), 0);
    EXPECT_GT(countNear(image, QRect(10, 18, 36, 26), QColor("#E8A25A")), 40) << "the face on the row";
    EXPECT_NEAR(inkMiddleY(image, QRect(48, 0, int(size.width()) - 48, int(size.height())), QColor("#F7F4F0")),
                size.height() / 2, 2.5)
        << "the words centred on the face's row";
    EXPECT_EQ(countNear(image, QRect(12, 16, 32, 30), QColor("#F7F4F0")), 0) << "no words over the face";
}

}  // namespace
