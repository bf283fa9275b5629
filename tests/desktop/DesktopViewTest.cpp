// The roaming cat's scene rendered offscreen: where things show, what hides, what fades.
#include "DesktopPhysicsWorld.h"

#include "desktop/DesktopView.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace kp {
// Reaches the pet model's end, which no public call brings about at once.
struct PetLifeTestAccess {
    static void die(PetLife& l) { l.die(); }
};
}  // namespace kp

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

double meanSaturation(const QImage& img) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() < 250) continue;
            sum += c.hsvSaturationF();
            ++n;
        }
    return n ? sum / n : 0;
}

struct DesktopView : ::testing::Test {
    test::DesktopRoamWorld w;
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
    QImage render() {
        QImage img(800, 600, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        view->paint(p, w.clock.now());
        return img;
    }
    void save(const QImage& img, const char* name) {
        const QByteArray dir = qgetenv("KP_DESKTOP_VIEW_PNG");
        if (dir.isEmpty()) return;
        QDir().mkpath(QString::fromUtf8(dir));
        // The cat's corner of the screen on a desktop-blue ground, doubled.
        QImage shot(1000, 600, QImage::Format_ARGB32_Premultiplied);
        shot.fill(QColor(96, 132, 170));
        QPainter p(&shot);
        p.scale(2, 2);
        p.drawImage(QPointF(0, 0), img, QRectF(200, 250, 500, 300));
        p.end();
        shot.save(QString::fromUtf8(dir) + "/" + name + ".png");
    }
};

TEST_F(DesktopView, StandingCatStandsOnItsFeetFacingRight) {
    const QImage img = render();
    save(img, "stand");
    const Box b = inkBox(img);
    ASSERT_FALSE(b.empty());
    const double k = 1.45;
    EXPECT_NEAR(b.bottom, 500, 3);            // feet (and shadow) on the feet line
    EXPECT_GT(b.left, 400 - 36 * k);          // inside the figure's frame
    EXPECT_LT(b.right, 400 + 36 * k);
    EXPECT_GT(b.top, 500 - 60 * k);
    // The head is ahead of the feet on the facing side.
    EXPECT_GT(img.pixelColor(int(400 + 14 * k), int(500 - 24 * k)).alpha(), 200);

    cat->facingRight = false;
    cat->turn = -1;
    const QImage left = render();
    save(left, "stand-left");
    EXPECT_GT(left.pixelColor(int(400 - 14 * k), int(500 - 24 * k)).alpha(), 200);
}

TEST_F(DesktopView, AppearingCatGrowsFromFivePercentAndFadesIn) {
    cat->appear = 0;
    EXPECT_TRUE(inkBox(render()).empty());
    cat->appear = 1.0 / 3;
    const QImage small = render();
    const Box b = inkBox(small);
    ASSERT_FALSE(b.empty());
    EXPECT_LT(b.width(), 60 * 1.45 / 3 + 4);
    bool opaque = false;
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x) opaque |= small.pixelColor(x, y).alpha() == 255;
    EXPECT_TRUE(opaque);
}

TEST_F(DesktopView, TurnBlendNeverVanishes) {
    cat->turn = 0;
    const Box b = inkBox(render(), 60);  // the figure, not its softer shadow
    ASSERT_FALSE(b.empty());
    EXPECT_LT(b.width(), 20);
    EXPECT_GT(b.width(), 3);
}

TEST_F(DesktopView, PeekingCatShowsNothingBelowTheWindowEdge) {
    cat->peekLine = 480;
    cat->peekDepth = 0.3;
    const QImage img = render();
    save(img, "peek");
    const Box b = inkBox(img, 0);
    ASSERT_FALSE(b.empty());
    EXPECT_LT(b.bottom, 480);
}

TEST_F(DesktopView, MugShowsRedAndFadesInItsSeventhSecond) {
    const double now = w.clock.now();
    cat->feet = QPointF(100, 300);
    cat->cup = DesktopCat::Cup{QPointF(600, 400), 0, 0, 0, 0, false, false, 3, std::nullopt};
    QImage img = render();
    QColor c = img.pixelColor(598, 396);
    EXPECT_GT(c.red(), 200);
    EXPECT_EQ(c.alpha(), 255);
    cat->cup->landedAt = now - 6.5;
    img = render();
    EXPECT_NEAR(img.pixelColor(598, 396).alpha(), 128, 3);
    cat->cup->landedAt = now - 7;
    EXPECT_TRUE(inkBox(render().copy(560, 360, 80, 60)).empty());
}

TEST_F(DesktopView, NeedBubbleFloatsAboveAndAheadOfTheHead) {
    cat->asking = PetNeed::hungry;
    const QImage img = render();
    save(img, "ask");
    const QPointF hp = cat->headPoint();
    const QPointF centre(hp.x() + 30 * 1.45, hp.y() - 30 * 1.45);
    // White rim of the bubble, 17 points above its centre (clear of the bob and the icon).
    EXPECT_EQ(img.pixelColor(centre.toPoint() + QPoint(0, -17)), QColor(Qt::white));
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
    for (bool right : {true, false}) {
        cat->facingRight = right;
        cat->turn = right ? 1 : -1;
        cat->asking.reset();
        cat->pops.clear();
        const QImage plain = render();
        cat->asking = PetNeed::hungry;
        const QImage asking = render();
        const Box bubble = changed(plain, asking, true);
        ASSERT_FALSE(bubble.empty());
        for (double age : {0.1, 0.5, 0.8, 1.1}) {
            cat->pops = {cat->makePop(cat->headPoint(), DesktopCat::Pop::Kind::say, cat->needLine(PetNeed::hungry),
                                      now - age, 10)};
            const QImage img = render();
            if (age == 0.5) save(img, right ? "ask-line" : "ask-line-left");
            const Box line = changed(asking, img, true);
            ASSERT_FALSE(line.empty()) << age;
            const bool apart = line.right < bubble.left || line.left > bubble.right || line.bottom < bubble.top ||
                               line.top > bubble.bottom;
            EXPECT_TRUE(apart) << (right ? "facing right" : "facing left") << ", at " << age << " s";
        }
    }
}

TEST_F(DesktopView, PopsRiseFromAboveTheirPointAndOnlyOnceBorn) {
    const double now = w.clock.now();
    cat->feet = QPointF(100, 580);
    cat->pops.push_back(cat->makePop(QPointF(600, 300), DesktopCat::Pop::Kind::say, "hss!", now + 0.2, 0));
    EXPECT_TRUE(inkBox(render().copy(500, 150, 200, 200)).empty());
    cat->pops[0].born = now - 0.5;
    const QImage img = render();
    save(img, "pop");
    const Box b = inkBox(img.copy(500, 150, 200, 200));
    ASSERT_FALSE(b.empty());
    // Centre at p.y - 18 - 46 * (0.5 / 1.6).
    EXPECT_NEAR(150 + (b.top + b.bottom) / 2.0, 300 - 18 - 46 * 0.5 / 1.6, 3);
    cat->pops[0].born = now - 1.6;
    EXPECT_TRUE(inkBox(render().copy(500, 150, 200, 200)).empty());
}

TEST_F(DesktopView, DeadPetIsWashedOutButNotGrey) {
    const double alive = meanSaturation(render());
    PetLifeTestAccess::die(*w.life);
    ASSERT_TRUE(w.life->isDead());
    const QImage img = render();
    save(img, "dead");
    const double dead = meanSaturation(img);
    EXPECT_LT(dead, alive * 0.8);
    EXPECT_GT(dead, alive * 0.3);
}

TEST_F(DesktopView, EveryPoseDrawsInsideItsFrame) {
    const double k = 1.45;
    for (Pose pose : {Pose::stand, Pose::walk, Pose::run, Pose::sit, Pose::groom, Pose::swat, Pose::stare,
                      Pose::lie, Pose::sleep, Pose::crouch, Pose::air, Pose::dangle, Pose::stomp, Pose::back}) {
        cat->pose = pose;
        cat->sit = (pose == Pose::sit || pose == Pose::groom || pose == Pose::swat || pose == Pose::stare ||
                    pose == Pose::back) ? 1 : 0;
        const QImage img = render();
        save(img, ("pose-" + std::to_string(int(pose))).c_str());
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
    save(belly, "belly");
    const Box b = inkBox(belly);
    EXPECT_GT(b.bottom, 500 + 10);
}

TEST_F(DesktopView, ToyGiftAndHeartsShowWhereTheModelPutsThem) {
    const double now = w.clock.now();
    cat->pose = Pose::sit;
    cat->sit = 1;
    cat->toy = QPointF(500, 500);
    cat->gift = DesktopCat::Gift{QPointF(300, 500), ground::floor, false, now - 24.5};
    cat->cup = DesktopCat::Cup{QPointF(600, 500), 0, 0, 1.5708, 0, false, true, 0, now - 2};
    const QPointF hp = cat->headPoint();
    for (int i = 0; i < 3; ++i)
        cat->pops.push_back(cat->makePop(hp, DesktopCat::Pop::Kind::heart, {}, now - 0.3 - 0.18 * i, 8 * (i - 1)));
    const QImage img = render();
    save(img, "scene");
    // Toy mouse: grey, about 4 points above its point.
    const QColor toy = img.pixelColor(502, 497);
    EXPECT_EQ(toy.alpha(), 255);
    EXPECT_NEAR(toy.red(), toy.blue(), 25);
    // The gift in its 25th second is half faded.
    EXPECT_NEAR(img.pixelColor(302, 497).alpha(), 128, 4);
    // Hearts rise above the head.
    const Box hearts = inkBox(img.copy(int(hp.x()) - 40, int(hp.y()) - 60, 80, 45));
    EXPECT_FALSE(hearts.empty());
    // The mug lies on its side on the floor line.
    EXPECT_GT(img.pixelColor(605, 496).red(), 180);
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
    save(img, "sleep");
    const QPointF hp = cat->headPoint();
    EXPECT_GT(letters(img, QRect(int(hp.x()) + 4, int(hp.y()) - 50, 36, 40)), 0);
    // Belly up (facing right) the head lies on the left: the letters rise there, not from the tail.
    cat->bellyUp = true;
    const QImage belly = render();
    save(belly, "belly");
    EXPECT_GT(letters(belly, QRect(350, 400, 60, 58)), 0);
    EXPECT_EQ(letters(belly, QRect(415, 400, 60, 58)), 0);
}

TEST_F(DesktopView, RootPicksTheStoredBreedOrOrange) {
    w.store->set("catBreed", "tuxedo");
    DesktopCatRoot root(*cat, QSizeF(800, 600), *w.store);
    EXPECT_EQ(root.view().environment().breed, CatBreed::tuxedo);
    w.store->set("catBreed", "unicorn");
    EXPECT_EQ(root.view().environment().breed, CatBreed::orange);
    w.store->set("catBreed", "");
    EXPECT_EQ(root.view().environment().breed, CatBreed::orange);
}

}  // namespace
