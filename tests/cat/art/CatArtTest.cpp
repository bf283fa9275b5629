// The cat drawings, rendered offscreen and checked the way a person would look at them.
#include "cat/art/CatCoat.h"
#include "cat/art/CatDrawing.h"

#include "platform/EnumNames.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <vector>

using namespace kp;

namespace {

// Renders `fn` into a transparent square image, origin at its centre, `k` pixels per unit.
QImage render(int px, double k, const std::function<void(QPainter&)>& fn, QPointF origin = {-1, -1}) {
    QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(origin.x() < 0 ? QPointF(px / 2.0, px / 2.0) : origin);
    p.scale(k, k);
    fn(p);
    p.end();
    return img;
}

QImage head(const CatHead& h, const CatEnv& env = {}, int px = 120) {
    return render(px, px / 40.0, [&](QPainter& p) { h.paint(p, env); });
}

bool near(QRgb a, const QColor& b, int tol) {
    return std::abs(qRed(a) - b.red()) <= tol && std::abs(qGreen(a) - b.green()) <= tol &&
           std::abs(qBlue(a) - b.blue()) <= tol && qAlpha(a) == 255;
}

int countNear(const QImage& img, const QColor& c, int tol, QRect area = {}) {
    if (area.isNull()) area = img.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (near(img.pixel(x, y), c, tol)) ++n;
    return n;
}

int opaqueCount(const QImage& img, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(img.pixel(x, y)) > 8) ++n;
    return n;
}

}  // namespace

TEST(CatArt, SameInputsGiveTheSamePixels) {
    CatFigure f;
    f.body.swing = 0.4;
    f.body.tail = 12;
    f.body.sit = 0.3;
    f.head.expression = CatExpression::love;
    f.head.look = {0.3, -0.2};
    f.head.previous = CatExpression::content;
    f.head.mix = 0.4;
    CatEnv env{CatBreed::calico, CatOutfit::empty().toggling(CatAccessory::partyHat).toggling(CatAccessory::boots)};
    auto draw = [&] { return render(200, 3, [&](QPainter& p) { f.paint(p, env); }); };
    const QImage a = draw();
    // something else in between must not leave state behind
    render(200, 3, [&](QPainter& p) { CatBack{}.paint(p, CatEnv{CatBreed::maineCoon, {}}); });
    const QImage b = draw();
    EXPECT_EQ(a, b);
    EXPECT_GT(opaqueCount(a, a.rect()), 2000);
}

TEST(CatArt, MirroredHeadIsTheHorizontalMirrorImage) {
    for (CatBreed b : {CatBreed::orange, CatBreed::calico, CatBreed::snowshoe}) {
        CatHead h;
        h.breed = b;
        h.expression = CatExpression::grumpy;
        h.look = {0, 0.4};  // the gaze is a direction on screen, so a sideways look would not mirror
        h.outfit = CatOutfit::empty().toggling(CatAccessory::bow).toggling(CatAccessory::scarf);
        const QImage plain = head(h);
        h.mirrored = true;
        const QImage flipped = head(h);
        const QImage expected = plain.mirrored(true, false);
        ASSERT_NE(plain, flipped) << "the head faces one way, so mirroring must change it";
        int off = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb e = expected.pixel(x, y), m = flipped.pixel(x, y);
                if (std::abs(qAlpha(e) - qAlpha(m)) > 40 || std::abs(qRed(e) - qRed(m)) > 40) ++off;
            }
        EXPECT_LT(off, expected.width() * expected.height() / 200) << rawValue(b);
    }
}

TEST(CatArt, HeadInAFlippedFigureIsNotMirroredTwice) {
    // The room and the desktop flip the whole cat to face left and pass mirrored as well: the head
    // then faces left once, like the body, and its gaze still points where the pointer is.
    auto flipped = [](const CatHead& h) {
        return render(120, 3, [&](QPainter& p) {
            p.scale(-1, 1);
            h.paint(p, CatEnv{CatBreed::calico, {}});
        });
    };
    CatHead h;
    h.expression = CatExpression::surprised;
    h.outfit = CatOutfit::empty().toggling(CatAccessory::bow);
    h.mirrored = true;
    h.look = {1, 0};
    const QImage inFigure = flipped(h);
    // the same as the plain head looking the other way, seen in a mirror
    CatHead plain = h;
    plain.mirrored = false;
    plain.look = {-1, 0};
    const QImage expected = render(120, 3, [&](QPainter& p) { plain.paint(p, CatEnv{CatBreed::calico, {}}); }).mirrored(true, false);
    int off = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (std::abs(qRed(expected.pixel(x, y)) - qRed(inFigure.pixel(x, y))) > 40) ++off;
    EXPECT_LT(off, 120 * 120 / 200);
    // and a plain head looking right differs from it (the test above is not vacuous)
    plain.look = {1, 0};
    EXPECT_NE(render(120, 3, [&](QPainter& p) { plain.paint(p, CatEnv{CatBreed::calico, {}}); }).mirrored(true, false),
              inFigure);
}

TEST(CatArt, ShutEyesShowNoEyeColour) {
    for (CatBreed b : allCases<CatBreed>()) {
        const QColor eye = coat(b).eye;
        for (CatExpression e : {CatExpression::content, CatExpression::sad, CatExpression::meow,
                                CatExpression::sleepy, CatExpression::grumpy, CatExpression::sick}) {
            CatHead h;
            h.breed = b;
            h.expression = e;
            h.look = {0.5, -0.5};
            const QImage open = head(h);
            if (e == CatExpression::content) {
                EXPECT_GT(countNear(open, eye, 10), 40) << rawValue(b);
            }
            h.blink = 1;
            EXPECT_EQ(countNear(head(h), eye, 10), 0) << rawValue(b) << " " << rawValue(e);
        }
        // the desktop holds blink at 1 through a cross-fade as well
        CatHead h;
        h.breed = b;
        h.expression = CatExpression::surprised;
        h.previous = CatExpression::content;
        h.mix = 0.5;
        h.blink = 1;
        EXPECT_EQ(countNear(head(h), eye, 10), 0) << rawValue(b);
    }
}

TEST(CatArt, MarkingsAreSolidWhereTheirPartsOverlap) {
    // head() draws 3 pixels per unit with the head's centre at pixel (60, 60)
    auto at = [](double x, double y) { return QPoint(int(std::lround(60 + 3 * x)), int(std::lround(60 + 3 * y))); };
    CatHead h;
    h.breed = CatBreed::orange;
    // between the muzzle pads and the chin, where two of the muzzle's parts overlap
    const QImage orange = head(h);
    EXPECT_TRUE(near(orange.pixel(at(2.3, 8.0)), coat(CatBreed::orange).light, 12));
    // the tuxedo's white blaze runs unbroken from between the eyes into the chin
    h.breed = CatBreed::tuxedo;
    const QImage tux = head(h);
    EXPECT_TRUE(near(tux.pixel(at(0.8, 2.6)), coat(CatBreed::tuxedo).light, 12));
    EXPECT_TRUE(near(tux.pixel(at(0.8, 10.0)), coat(CatBreed::tuxedo).light, 12));
}

TEST(CatArt, ShutEyesShowOnTheCalicosDarkPatch) {
    // The near eye sits in the calico's dark patch: shut, it must still be drawn in a colour that
    // shows there, or the cat seems to wink.
    for (CatExpression e : {CatExpression::happy, CatExpression::asleep, CatExpression::dead}) {
        CatHead h;
        h.breed = CatBreed::calico;
        h.expression = e;
        const QImage img = head(h);
        // the near eye's box (head units x 3.4...8.0, y -1.6...2.6)
        int light = 0;
        for (int y = 55; y <= 68; ++y)
            for (int x = 70; x <= 84; ++x) {
                const QRgb c = img.pixel(x, y);
                if (qRed(c) > 190 && qGreen(c) > 180 && qBlue(c) > 160) ++light;
            }
        EXPECT_GT(light, 6) << rawValue(e);
    }
}

TEST(CatArt, NonFiniteSwayOrGazeDrawsTheStillFace) {
    CatHead still;
    const QImage want = head(still);
    CatHead h;
    h.sway = std::nan("");
    EXPECT_EQ(head(h), want);
    h.sway = 0;
    h.look = {std::numeric_limits<double>::infinity(), 0};
    EXPECT_EQ(head(h), want);
}

TEST(CatArt, SadBrowsShowOnPaleForeheads) {
    // Above the eyes, where a sad cat's brows go (head units x 4...8, y -4.6...-2.4), the brows must
    // stand out from the fur whatever the coat: dark on pale foreheads, light on dark ones.
    for (CatBreed b : allCases<CatBreed>()) {
        auto browPixels = [&](CatExpression e) {
            CatHead h;
            h.breed = b;
            h.expression = e;
            const QImage img = head(h);
            const QColor fur = img.pixelColor(78, 45);  // above the brows
            int n = 0;
            for (int y = 46; y <= 53; ++y)
                for (int x = 72; x <= 84; ++x) {
                    const QColor c = img.pixelColor(x, y);
                    if (std::abs(c.lightness() - fur.lightness()) > 60) ++n;
                }
            return n;
        };
        EXPECT_GT(browPixels(CatExpression::sad), browPixels(CatExpression::content) + 6) << rawValue(b);
    }
}

TEST(CatArt, OpenMouthsShowOnDarkFur) {
    // A surprised black cat's small round mouth (head units about (0.8, 7.8)) is outlined light.
    CatHead h;
    h.breed = CatBreed::black;
    h.expression = CatExpression::surprised;
    const QImage img = head(h);
    int light = 0;
    for (int y = 78; y <= 88; ++y)
        for (int x = 56; x <= 67; ++x)
            if (img.pixelColor(x, y).lightness() > 150) ++light;
    EXPECT_GT(light, 5);
}

TEST(CatArt, DarkGlassesShowOnDarkFur) {
    // The near temple arm of plain glasses (head units x 9...12, y -1...1) must stand out on a black
    // cat, whose fur is as dark as the frames.
    for (CatBreed b : {CatBreed::black, CatBreed::tuxedo}) {
        CatHead h;
        h.breed = b;
        h.outfit = CatOutfit::empty().toggling(CatAccessory::glasses);
        const QImage img = head(h);
        int edged = 0;
        for (int y = 57; y <= 63; ++y)
            for (int x = 89; x <= 96; ++x)
                if (img.pixelColor(x, y).lightness() > 70) ++edged;
        EXPECT_GT(edged, 4) << rawValue(b);
    }
}

TEST(CatArt, HeadShowsTheBreedsCoat) {
    // The back cheek, level with the head's centre, is bare coat for every breed.
    for (CatBreed b : allCases<CatBreed>()) {
        CatHead h;
        h.size = 30;
        const QImage img = render(120, 4, [&](QPainter& p) { h.paint(p, CatEnv{b, {}}); });
        const QPoint sample(60 - 9 * 4, 60 - 1 * 4);
        EXPECT_TRUE(near(img.pixel(sample), coat(b).base, 6))
            << rawValue(b) << " got " << QColor(img.pixel(sample)).name().toStdString();
    }
    // The head's own breed wins over the environment's.
    CatHead h;
    h.breed = CatBreed::british;
    const QImage img = render(120, 4, [&](QPainter& p) { h.paint(p, CatEnv{CatBreed::orange, {}}); });
    EXPECT_TRUE(near(img.pixel(60 - 36, 56), coat(CatBreed::british).base, 6));
}

TEST(CatArt, HatAddsItsColourAboveTheHead) {
    struct Case {
        CatAccessory hat;
        QColor colour;
    };
    const Case cases[] = {{CatAccessory::partyHat, QColor(0x7E, 0xB6, 0xE0)},
                          {CatAccessory::topHat, QColor(0x2C, 0x26, 0x22)},
                          {CatAccessory::beanieGreen, QColor(0x6B, 0xAF, 0x6A)},
                          {CatAccessory::witchHat, QColor(0x3B, 0x2F, 0x4A)},
                          {CatAccessory::strawHat, QColor(0xE8, 0xC7, 0x7A)}};
    // Above the crown: head units y < -9 (pixels 0...120 map to -20...20 units at 3 px per unit).
    const QRect above(0, 0, 120, 60 - 9 * 3);
    for (const Case& c : cases) {
        CatHead h;
        h.breed = CatBreed::persian;
        const QImage bare = head(h);
        h.outfit = CatOutfit::empty().toggling(c.hat);
        const QImage hatted = head(h);
        EXPECT_EQ(countNear(bare, c.colour, 8, above), 0) << rawValue(c.hat);
        EXPECT_GT(countNear(hatted, c.colour, 8, above), 30) << rawValue(c.hat);
    }
    // The environment's outfit is worn when the head has none of its own, and ignored when it has.
    CatHead h;
    const CatEnv env{CatBreed::orange, CatOutfit::empty().toggling(CatAccessory::partyHat)};
    EXPECT_GT(countNear(head(h, env), cases[0].colour, 8, above), 30);
    h.outfit = CatOutfit::empty();
    EXPECT_EQ(countNear(head(h, env), cases[0].colour, 8, above), 0);
}

TEST(CatArt, LyingCatStaysLow) {
    // Nothing of the lying body is drawn above y -8 (pixel rows above 100 - 8 k).
    const double k = 4;
    for (CatBreed b : allCases<CatBreed>()) {
        for (double tail : {0.0, 6.0, -6.0}) {
            for (auto piece : {CatAccessory::backpack, CatAccessory::raincoat, CatAccessory::tailBow, CatAccessory::boots}) {
                CatBody body;
                body.lying = true;
                body.tail = tail;
                body.swing = 0.8;       // ignored while lying
                body.pawAngle = -150;
                body.pawRaise = 1;
                const CatEnv env{b, CatOutfit::empty().toggling(piece)};
                const QImage img = render(280, k, [&](QPainter& p) { body.paint(p, env); });
                EXPECT_EQ(opaqueCount(img, QRect(0, 0, 280, int(140 - 8 * k))), 0)
                    << rawValue(b) << " tail " << tail << " " << rawValue(piece);
                EXPECT_GT(opaqueCount(img, img.rect()), 3000);
            }
        }
    }
}

TEST(CatArt, FeetRestOnTheFeetLine) {
    // Standing, walking and seated, the lowest paint is the feet line (y = 15), give or take the rim.
    const double k = 4;
    for (CatBreed b : {CatBreed::orange, CatBreed::maineCoon}) {
        for (double sit : {0.0, 0.5, 1.0}) {
            CatBody body;
            body.sit = sit;
            const QImage img = render(320, k, [&](QPainter& p) { body.paint(p, CatEnv{b, {}}); });
            int lowest = 0;
            for (int y = 0; y < img.height(); ++y)
                if (opaqueCount(img, QRect(0, y, img.width(), 1)) > 0) lowest = y;
            const double lowestUnits = (lowest - 160) / k;
            EXPECT_NEAR(lowestUnits, 15.0, 1.5) << rawValue(b) << " sit " << sit;
        }
    }
}

TEST(CatArt, EveryBreedAndFacePaintsInsideItsFrame) {
    // Each head paints something, and a bare head stays within its frame (a little rim aside).
    for (CatBreed b : allCases<CatBreed>()) {
        for (CatExpression e : allCases<CatExpression>()) {
            for (int variant = 0; variant < 3; ++variant) {
                CatHead h;
                h.breed = b;
                h.expression = e;
                h.size = 30;
                h.blink = variant == 1 ? 0.5 : 0;
                h.previous = variant == 2 ? std::optional(CatExpression::meow) : std::nullopt;
                h.mix = variant == 2 ? 0.3 : 1;
                h.fromBehind = variant == 1 && e == CatExpression::content;
                // 4 px per unit; the frame is 120 px, centred in 200
                const QImage img = render(200, 4, [&](QPainter& p) { h.paint(p, CatEnv{}); });
                // the frame plus 10 %, and a little more above for ear tufts
                const QRect frame(100 - 66, 100 - 66 - 8, 132, 132 + 8);
                EXPECT_GT(opaqueCount(img, frame), 5000) << rawValue(b) << " " << rawValue(e);
                EXPECT_EQ(opaqueCount(img, img.rect()) - opaqueCount(img, frame), 0)
                    << rawValue(b) << " " << rawValue(e);
            }
        }
    }
    // The body in every pose stays in its 60 x 44 frame (tails and rims get 10 % more).
    for (CatBreed b : allCases<CatBreed>()) {
        for (int pose = 0; pose < 4; ++pose) {
            CatBody body;
            body.sit = pose == 1 ? 1 : 0;
            body.lying = pose == 2;
            body.swing = pose == 3 ? 1 : 0;
            body.tail = pose == 3 ? 40 : -16;
            body.pawOnTop = pose != 3;
            body.pawAngle = -150;
            body.pawRaise = 1;
            const QImage img = render(400, 4, [&](QPainter& p) { body.paint(p, CatEnv{b, {}}); });
            const QRect frame(200 - 132, 200 - 97, 264, 194);
            EXPECT_EQ(opaqueCount(img, img.rect()) - opaqueCount(img, frame), 0) << rawValue(b) << " pose " << pose;
        }
    }
}

TEST(CatArt, FrontPawFollowsItsAngle) {
    // Hanging down it reaches the feet line; at -150 degrees it comes up to the face.
    auto lowestAndHighest = [](const CatFrontPaw& paw) {
        const QImage img = render(200, 4, [&](QPainter& p) { paw.paint(p, CatEnv{}); });
        int top = -1, bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            if (opaqueCount(img, QRect(0, y, img.width(), 1)) > 0) {
                if (top < 0) top = y;
                bottom = y;
            }
        return std::pair((top - 100) / 4.0, (bottom - 100) / 4.0);
    };
    const auto down = lowestAndHighest(CatFrontPaw{0, 0, 0, {}});
    EXPECT_NEAR(down.second, 15.0, 1.5);
    const auto up = lowestAndHighest(CatFrontPaw{-150, 1, 0, {}});
    EXPECT_LT(up.first, -2.0);
    EXPECT_LT(up.second, 8.0);
}

TEST(CatArt, BackViewAndIconsPaint) {
    for (CatBreed b : allCases<CatBreed>()) {
        CatBack back{10, 5, 0.6, 1.1, std::nullopt};
        const QImage img = render(240, 3, [&](QPainter& p) { back.paint(p, CatEnv{b, {}}); });
        EXPECT_GT(opaqueCount(img, img.rect()), 4000) << rawValue(b);
    }
    // Every piece's icon fills its frame and stays inside it.
    for (CatAccessory a : allCases<CatAccessory>()) {
        const QImage img = render(100, 1, [&](QPainter& p) { AccessoryIcon{a}.paint(p, CatEnv{}, QRectF(-20, -20, 40, 40)); });
        const QRect frame(30, 30, 40, 40);
        EXPECT_GT(opaqueCount(img, frame), 300) << rawValue(a);
        EXPECT_EQ(opaqueCount(img, img.rect()) - opaqueCount(img, frame.adjusted(-1, -1, 1, 1)), 0) << rawValue(a);
    }
    // Body and feet pieces fill their icon, not a speck on a whole cat, whatever the coat.
    for (CatBreed b : {CatBreed::orange, CatBreed::black, CatBreed::siamese}) {
        for (auto [a, colour] : {std::pair{CatAccessory::bootsYellow, QColor(0xF2, 0xC1, 0x4E)},
                                 std::pair{CatAccessory::socksBlue, QColor(0x5E, 0x9B, 0xD6)},
                                 std::pair{CatAccessory::backpack, QColor(0xE7, 0xB1, 0x5A)},
                                 std::pair{CatAccessory::backpackGreen, QColor(0x6B, 0xAF, 0x6A)},
                                 std::pair{CatAccessory::tailBow, QColor(0xF0, 0x7A, 0x93)},
                                 std::pair{CatAccessory::tailBowBlue, QColor(0x5E, 0x9B, 0xD6)}}) {
            const QImage img = render(40, 1, [&](QPainter& p) { AccessoryIcon{a}.paint(p, CatEnv{b, {}}, QRectF(-20, -20, 40, 40)); });
            EXPECT_GT(countNear(img, colour, 14), 90) << rawValue(b) << " " << rawValue(a);
        }
    }
    // The soft heart is pink and about `size` wide.
    const QImage heart = render(40, 2, [](QPainter& p) { SoftHeart{14}.paint(p); });
    EXPECT_TRUE(near(heart.pixel(20, 21), QColor(0xFF, 0xCC, 0xD7), 2));
    EXPECT_EQ(qAlpha(heart.pixel(20 - 16, 20)), 0);
    EXPECT_GT(qAlpha(heart.pixel(20 - 12, 18)), 0);
}

TEST(CatArt, HeadAnchorsMatchTheCallers) {
    EXPECT_EQ(catHeadOffset(0), QPointF(14, -9));
    EXPECT_EQ(catHeadOffset(1), QPointF(5, -13));
    CatFigure f;
    f.body.lying = true;
    EXPECT_EQ(f.headCentre(), QPointF(15, 0));
    f.body.lying = false;
    f.body.sit = 1;
    f.headNudge = {1, 2};
    EXPECT_EQ(f.headCentre(), QPointF(6, -11));
}

namespace {

// Where the pixels that a piece changes lie, in figure units (standing cat, head at (14, -9)).
struct Footprint {
    int changed = 0;
    QPointF centroid;
    QRectF box;
};

Footprint footprint(CatAccessory a, double sit = 0) {
    const double k = 4;
    CatFigure f;
    f.body.sit = sit;
    f.body.tail = 20;
    auto draw = [&](const CatEnv& env) { return render(320, k, [&](QPainter& p) { f.paint(p, env); }); };
    CatEnv bare{CatBreed::siamese, {}};
    CatEnv worn = bare;
    if (a == CatAccessory::headphones) worn.outfit.extras.push_back(a);
    else worn.outfit = CatOutfit::empty().toggling(a);
    const QImage before = draw(bare), after = draw(worn);
    Footprint fp;
    double sx = 0, sy = 0;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb u = before.pixel(x, y), v = after.pixel(x, y);
            if (std::abs(qRed(u) - qRed(v)) + std::abs(qGreen(u) - qGreen(v)) + std::abs(qBlue(u) - qBlue(v)) +
                    std::abs(qAlpha(u) - qAlpha(v)) < 60)
                continue;
            const double ux = (x - 160) / k, uy = (y - 160) / k;
            ++fp.changed;
            sx += ux;
            sy += uy;
            x0 = std::min(x0, ux), y0 = std::min(y0, uy), x1 = std::max(x1, ux), y1 = std::max(y1, uy);
        }
    if (fp.changed) fp.centroid = QPointF(sx / fp.changed, sy / fp.changed);
    fp.box = QRectF(QPointF(x0, y0), QPointF(x1, y1));
    return fp;
}

}  // namespace

TEST(CatArt, EveryPieceIsWornWhereItBelongs) {
    for (CatAccessory a : allCases<CatAccessory>()) {
        const Footprint fp = footprint(a);
        const std::string name(rawValue(a));
        ASSERT_GT(fp.changed, 40) << name;
        const QPointF c = fp.centroid;
        if (a == CatAccessory::headphones) {
            EXPECT_NEAR(c.x(), 14, 4) << name;  // over the head, pads on both sides
            EXPECT_LT(fp.box.left(), 2) << name;
            EXPECT_GT(fp.box.right(), 26) << name;
            continue;
        }
        switch (slot(a)) {
        case AccessorySlot::head:
            EXPECT_LT(c.y(), -14) << name;  // on the crown, above the eyes
            EXPECT_NEAR(c.x(), 14, 7) << name;
            break;
        case AccessorySlot::face:
            EXPECT_NEAR(c.y(), -8, 3) << name;  // across the eyes
            EXPECT_NEAR(c.x(), 15, 3) << name;
            break;
        case AccessorySlot::neck:
            EXPECT_GT(c.y(), 0) << name;  // under the chin
            EXPECT_LT(c.y(), 9) << name;
            EXPECT_NEAR(c.x(), 15, 4) << name;
            break;
        case AccessorySlot::body:
            if (a == CatAccessory::tailBow || a == CatAccessory::tailBowBlue) {
                EXPECT_LT(c.x(), -17) << name;  // on the tail, behind the body
            } else {
                EXPECT_LT(c.x(), 6) << name;  // on the back or all over the torso
                EXPECT_GT(c.y(), -12) << name;
                EXPECT_LT(c.y(), 10) << name;
            }
            break;
        case AccessorySlot::feet:
            EXPECT_GT(c.y(), 9) << name;  // on the paws, down by the feet line
            EXPECT_GT(fp.box.top(), 4) << name;
            EXPECT_LT(fp.box.left(), -10) << name;  // hind paws too
            EXPECT_GT(fp.box.right(), 10) << name;  // and front paws
            break;
        }
    }
}

TEST(CatArt, BackViewShowsNoFaceAndWearsWhatTheCatWears) {
    // From behind: no eye colour anywhere, no glasses; a hat still sits on top.
    const CatCoat& c = coat(CatBreed::orange);
    CatBack back;
    CatEnv env{CatBreed::orange, CatOutfit::empty().toggling(CatAccessory::partyHat).toggling(CatAccessory::heartGlasses)};
    const QImage img = render(240, 3, [&](QPainter& p) { back.paint(p, env); });
    EXPECT_EQ(countNear(img, c.eye, 10), 0);
    EXPECT_EQ(countNear(img, QColor(0xE0, 0x4F, 0x5F), 10), 0);
    EXPECT_GT(countNear(img, QColor(0x7E, 0xB6, 0xE0), 8, QRect(0, 0, 240, 120 - 28 * 3)), 30);
    // Feet pieces and white socks show at the hind paws, in front of the haunches.
    const QRect feet(120 - 14 * 3, 120 + 9 * 3, 28 * 3, 7 * 3);
    for (CatBreed b : {CatBreed::orange, CatBreed::black, CatBreed::persian}) {
        for (auto [piece, colour] : {std::pair{CatAccessory::bootsYellow, QColor(0xF2, 0xC1, 0x4E)},
                                     std::pair{CatAccessory::socksBlue, QColor(0x5E, 0x9B, 0xD6)}}) {
            const CatEnv dressed{b, CatOutfit::empty().toggling(piece)};
            const QImage shot = render(240, 3, [&](QPainter& p) { CatBack{}.paint(p, dressed); });
            EXPECT_GT(countNear(shot, colour, 12, feet), 40) << rawValue(b) << " " << rawValue(piece);
        }
    }
    for (CatBreed b : {CatBreed::tuxedo, CatBreed::snowshoe}) {
        const QImage shot = render(240, 3, [&](QPainter& p) { CatBack{}.paint(p, CatEnv{b, {}}); });
        EXPECT_GT(countNear(shot, coat(b).light, 12, feet), 40) << rawValue(b) << " white socks";
    }
    // Tilting turns it about the bottom centre: the feet stay on the floor.
    for (double tilt : {-8.0, 8.0}) {
        back.tilt = tilt;
        const QImage t = render(240, 3, [&](QPainter& p) { back.paint(p, CatEnv{}); });
        int lowest = 0;
        for (int y = 0; y < t.height(); ++y)
            if (opaqueCount(t, QRect(0, y, t.width(), 1)) > 0) lowest = y;
        EXPECT_NEAR((lowest - 120) / 3.0, 15.0, 2.0) << tilt;
    }
}

TEST(CatArt, SwayTurnsTheHeadAboutItsNeck) {
    // A positive sway turns the head clockwise about its neck: the crown moves right, more than
    // the middle of the head does, and the turn stops at 20 degrees.
    auto shiftOf = [](double sway, int rowUnits) {
        CatHead h;
        h.sway = sway;
        const QImage img = render(160, 4, [&](QPainter& p) { h.paint(p, CatEnv{}); });
        double sum = 0;
        int n = 0;
        for (int y = 80 + rowUnits * 4 - 4; y < 80 + rowUnits * 4 + 4; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qAlpha(img.pixel(x, y)) > 128) sum += x, ++n;
        return n ? sum / n / 4.0 : 0.0;
    };
    const double crown = shiftOf(1, -8) - shiftOf(0, -8);
    EXPECT_GT(crown, 2.5);
    EXPECT_LT(shiftOf(-1, -8) - shiftOf(0, -8), -2.5);
    // the middle of the head, nearer the neck, moves less than the crown
    const double middle = shiftOf(1, 0) - shiftOf(0, 0);
    EXPECT_GT(middle, 0.5);
    EXPECT_LT(middle, crown - 0.8);
    EXPECT_NEAR(shiftOf(5, -8), shiftOf(20.0 / 12.0, -8), 0.2);
    EXPECT_GT(shiftOf(5, -8), crown + 0.5);
}

TEST(CatArt, BodyUsesItsOwnBreedBeforeTheEnvironments) {
    CatBody body;
    body.breed = CatBreed::british;
    const QImage img = render(200, 3, [&](QPainter& p) { body.paint(p, CatEnv{CatBreed::orange, {}}); });
    EXPECT_GT(countNear(img, coat(CatBreed::british).base, 6), 800);
    EXPECT_EQ(countNear(img, coat(CatBreed::orange).base, 6), 0);
}

TEST(CatArt, TheTailNeverCrossesTheHaunchOnItsWayDown) {
    // Through the whole sit the top of the haunch looks the same whichever way the tail is held:
    // the tail passes behind it, and comes round in front only along the floor.
    auto frame = [](double sit, double tail) {
        CatBody body;
        body.sit = sit;
        body.tail = tail;
        return render(240, 3, [&](QPainter& p) { body.paint(p, CatEnv{CatBreed::orange, {}}); });
    };
    for (int i = 0; i <= 20; ++i) {
        const double sit = i / 20.0;
        const QImage up = frame(sit, 20), down = frame(sit, -20);
        // The haunch's upper middle, from (-10.5, 3.6) standing to (-7.6, 8.6) seated.
        const QPointF c(-10.5 + 2.9 * sit, 3.6 + 5.0 * sit);
        int differ = 0;
        for (double y = c.y() - 3.5; y <= c.y() - 1; y += 1.0 / 3)
            for (double x = c.x() - 2.5; x <= c.x() + 2.5; x += 1.0 / 3) {
                const QPoint px = (QPointF(x, y) * 3 + QPointF(120, 120)).toPoint();
                differ += up.pixel(px) != down.pixel(px);
            }
        EXPECT_EQ(differ, 0) << "sit " << sit << " differ " << differ;
    }
}

namespace {

double luminance(QRgb c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

// The pixels round one eye of a 22 px head that stand out from the fur below and beside it by at
// least 3:1 (the fur: the median of a 2 px band round the eye's 5 px box, its lower half).
int legiblePixels(const QImage& img, int side) {
    const double k = 22.0 / 30.0;
    const QPoint eye(int(std::floor(16 + (0.8 + side * 5.0) * k)), int(std::floor(16 + 1.2 * k)));
    const QRect box(eye - QPoint(2, 2), QSize(5, 5));
    const QRect band = box.adjusted(-2, -2, 2, 2);
    std::vector<double> fur;
    for (int y = eye.y(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (!box.contains(x, y) && qAlpha(img.pixel(x, y)) == 255) fur.push_back(luminance(img.pixel(x, y)));
    std::nth_element(fur.begin(), fur.begin() + fur.size() / 2, fur.end());
    const double furL = fur[fur.size() / 2];
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const double l = luminance(img.pixel(x, y));
            if ((std::max(l, furL) + 0.05) / (std::min(l, furL) + 0.05) >= 3.0) ++n;
        }
    return n;
}

}  // namespace

// At the island's size (a 22 px face) the eyes of every coat stand out from the fur round them:
// hairline strokes, dark lines on dark masks and eyes on a mask's soft edge do not.
TEST(CatArt, EyesReadOnEveryCoatAtTheIslandsSize) {
    for (CatBreed b : allCases<CatBreed>())
        for (CatExpression e : {CatExpression::content, CatExpression::happy, CatExpression::sleepy,
                                CatExpression::dead}) {
            CatHead h;
            h.size = 22;
            h.breed = b;
            h.expression = e;
            const QImage img = render(32, 1, [&](QPainter& p) { h.paint(p, CatEnv{}); });
            for (int side : {-1, 1})
                EXPECT_GE(legiblePixels(img, side), 3) << displayName(b) << " " << rawValue(e) << " eye " << side;
        }
}

TEST(CatArt, EveryBreedHasBothEarsOfItsOwnSize) {
    // Upright or folded onto the crown, each breed shows an ear on either side of its crown: ink above
    // the crown's top (taken in the middle of the head, between the ears) left and right of it. The
    // small-eared breeds' ears rise little above the crown: less than three fifths of the orange tabby's.
    auto earsOf = [](CatBreed b) {
        CatHead h;
        h.breed = b;
        const QImage img = head(h, {}, 160);  // 4 px per unit, the head's centre at (80, 80)
        int crown = 0;
        while (crown < 80 && opaqueCount(img, QRect(76, crown, 9, 1)) == 0) ++crown;
        const int above = crown - 2;  // half a unit over the crown's rim
        struct Ears {
            int far = 0, near = 0;  // ink over the crown
            double rise = 0;        // units from the crown's top to the highest ear tip
        } e;
        e.far = opaqueCount(img, QRect(80 - 56, 0, 48, above));
        e.near = opaqueCount(img, QRect(80 + 8, 0, 48, above));
        int top = 0;
        while (top < crown && opaqueCount(img, QRect(0, top, 160, 1)) == 0) ++top;
        e.rise = (crown - top) / 4.0;
        return e;
    };
    const double tabby = earsOf(CatBreed::orange).rise;
    for (CatBreed b : allCases<CatBreed>()) {
        const auto e = earsOf(b);
        EXPECT_GT(e.far, 10) << rawValue(b) << " far ear";
        EXPECT_GT(e.near, 10) << rawValue(b) << " near ear";
        if (b == CatBreed::british || b == CatBreed::persian) {
            EXPECT_LT(e.rise, tabby * 0.6) << rawValue(b);
        }
    }
}

TEST(CatArt, WoollyHatsWearTheirPompom) {
    // The beanie's pompom crowns it; the santa hat's hangs from its tip, bent forward over the near ear.
    struct Case {
        CatAccessory hat;
        QPointF pompom;  // head units
    };
    const QColor wool(0xF7, 0xF4, 0xF0);
    for (const Case& c : {Case{CatAccessory::beanie, {0, -14.2}}, Case{CatAccessory::santaHat, {12.6, -14.8}}}) {
        for (CatBreed b : {CatBreed::orange, CatBreed::persian}) {
            CatHead h;
            h.breed = b;
            h.outfit = CatOutfit::empty().toggling(c.hat);
            const QImage img = head(h, {}, 160);
            const QPoint at = (c.pompom * 4 + QPointF(80, 80)).toPoint();
            EXPECT_EQ(countNear(img, wool, 6, QRect(at - QPoint(3, 3), QSize(7, 7))), 49) << rawValue(c.hat);
        }
    }
}

TEST(CatArt, BeanieSitsEvenlyOnTheHead) {
    // Pulled down over the ears, its band and dome reach as far past the head on one side as on the
    // other (rows at head units y -5...-3, 4 px per unit about (80, 80)).
    for (CatAccessory beanie : {CatAccessory::beanie, CatAccessory::beanieGreen}) {
        CatHead h;
        h.breed = CatBreed::siamese;
        h.outfit = CatOutfit::empty().toggling(beanie);
        const QImage img = head(h, {}, 160);
        for (int y = 60; y <= 68; ++y) {
            int left = 0, right = 159;
            while (left < 80 && qAlpha(img.pixel(left, y)) <= 8) ++left;
            while (right > 80 && qAlpha(img.pixel(right, y)) <= 8) --right;
            EXPECT_NEAR(right - 80, 80 - left, 2) << rawValue(beanie) << " row " << y;
        }
    }
}

TEST(CatArt, CarnivalMaskShowsBothEyes) {
    // The mask covers the face round the eyes and leaves each eye to look out through its hole.
    for (CatBreed b : {CatBreed::orange, CatBreed::tuxedo, CatBreed::siamese}) {
        CatHead h;
        h.breed = b;
        h.outfit = CatOutfit::empty().toggling(CatAccessory::carnivalMask);
        const QImage img = head(h, {}, 160);
        const QColor eye = coat(b).eye;
        // the eyes sit at head units (0.8 -+ 4.9, 1), 4 px per unit about (80, 80)
        EXPECT_GT(countNear(img, eye, 12, QRect(83 - 20 - 12, 70, 24, 20)), 20) << rawValue(b) << " far eye";
        EXPECT_GT(countNear(img, eye, 12, QRect(83 + 20 - 12, 70, 24, 20)), 20) << rawValue(b) << " near eye";
    }
}

TEST(CatArt, WornPiecesGrowWithTheHead) {
    // A head drawn twice as large, as at another size of the island, the album or a grown cat, is the
    // same picture enlarged whatever it wears on its face: the hat, collar and headphones worn over a
    // face piece keep their place and size.
    for (CatAccessory a : allCases<CatAccessory>()) {
        if (slot(a) != AccessorySlot::face) continue;
        CatHead h;
        h.breed = CatBreed::calico;
        h.outfit = CatOutfit::empty().toggling(a).toggling(CatAccessory::topHat).toggling(CatAccessory::bowtie);
        h.outfit->extras.push_back(CatAccessory::headphones);
        const QImage small = render(240, 4, [&](QPainter& p) { h.paint(p, CatEnv{}); });
        h.size = 60;
        const QImage large = render(240, 2, [&](QPainter& p) { h.paint(p, CatEnv{}); });
        int off = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x) {
                const QRgb u = small.pixel(x, y), v = large.pixel(x, y);
                off += std::abs(qAlpha(u) - qAlpha(v)) > 40 || std::abs(qRed(u) - qRed(v)) > 40;
            }
        EXPECT_LT(off, 20) << rawValue(a);
    }
}

TEST(CatArt, LoveEyesAreHeartsWhereTheEyesAre) {
    // Each heart sits on its eye: its middle where the open eye's iris is, whatever the breed's face.
    auto centre = [](const QImage& img, const QColor& c, QRect half) {
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = half.top(); y <= half.bottom(); ++y)
            for (int x = half.left(); x <= half.right(); ++x)
                if (near(img.pixel(x, y), c, 12)) sx += x, sy += y, ++n;
        return std::pair(n, QPointF(sx, sy) / std::max(n, 1));
    };
    const QColor heart(0xF0, 0x7A, 0x93);
    for (CatBreed b : {CatBreed::orange, CatBreed::fold, CatBreed::persian}) {
        CatHead h;
        h.breed = b;
        const QImage open = head(h, {}, 160);
        h.expression = CatExpression::love;
        const QImage love = head(h, {}, 160);
        // the face's halves, either side of its middle (head units 0.8, 4 px per unit about (80, 80))
        for (const QRect half : {QRect(24, 60, 59, 40), QRect(83, 60, 59, 40)}) {
            const auto [irisPixels, iris] = centre(open, coat(b).eye, half);
            const auto [heartPixels, hearts] = centre(love, heart, half);
            ASSERT_GT(irisPixels, 20) << rawValue(b);
            EXPECT_GT(heartPixels, 60) << rawValue(b);
            EXPECT_LT(QLineF(iris, hearts).length(), 4) << rawValue(b) << " heart " << hearts.x() << ", " << hearts.y()
                                                         << " eye " << iris.x() << ", " << iris.y();
        }
    }
}

TEST(CatArt, BackViewWearsABackpackOnlyWhenOneIsWorn) {
    // From behind, a pack in its own colour on the back of a cat that wears one, and none otherwise.
    const QColor yellow(0xE7, 0xB1, 0x5A), green(0x6B, 0xAF, 0x6A);
    auto packPixels = [](const CatOutfit& o, const QColor& c) {
        const QImage img = render(240, 3, [&](QPainter& p) { CatBack{}.paint(p, CatEnv{CatBreed::british, o}); });
        return countNear(img, c, 8);
    };
    for (const CatOutfit& bare : {CatOutfit::empty(), CatOutfit::empty().toggling(CatAccessory::raincoat)}) {
        EXPECT_EQ(packPixels(bare, yellow), 0);
        EXPECT_EQ(packPixels(bare, green), 0);
    }
    EXPECT_GT(packPixels(CatOutfit::empty().toggling(CatAccessory::backpack), yellow), 40);
    EXPECT_GT(packPixels(CatOutfit::empty().toggling(CatAccessory::backpackGreen), green), 40);
}

TEST(CatArt, BodyLayersLaidInOrderMakeTheWholeBody) {
    // The room keeps the body under the tail, the tail, the body over it and the bow apart and lays
    // them in that order: a tail hanging down passes behind the far legs as in the whole drawing.
    const CatEnv env{CatBreed::calico, CatOutfit::empty().toggling(CatAccessory::tailBow).toggling(CatAccessory::boots)};
    for (double sit : {0.0, 0.3, 1.0}) {
        for (double tail : {-30.0, 10.0}) {
            CatBody body;
            body.sit = sit;
            body.tail = tail;
            body.swing = 0.6;
            const QImage whole = render(160, 2.5, [&](QPainter& p) { body.paint(p, env); });
            const QImage layered = render(160, 2.5, [&](QPainter& p) {
                for (auto pass : {CatBody::Pass::underTail, CatBody::Pass::tail, CatBody::Pass::overTail, CatBody::Pass::tailBow}) {
                    CatBody layer = body;
                    layer.pass = pass;
                    layer.paint(p, env);
                }
            });
            int off = 0;
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x) {
                    const QRgb u = whole.pixel(x, y), v = layered.pixel(x, y);
                    off += std::abs(qRed(u) - qRed(v)) + std::abs(qGreen(u) - qGreen(v)) + std::abs(qBlue(u) - qBlue(v)) > 60;
                }
            EXPECT_LT(off, 10) << "sit " << sit << " tail " << tail;
        }
    }
}

TEST(CatArt, HappyAndLovingCatsBlushWhereGrumpyOnesDoNot) {
    // Pink cheeks below either eye (head units (0.8 -+ 7.8, 5), 4 px per unit about (80, 80)).
    auto pinkness = [](const QImage& img, QPointF units) {
        const QPoint c = (units * 4 + QPointF(80, 80)).toPoint();
        double sum = 0;
        int n = 0;
        for (int y = c.y() - 2; y <= c.y() + 2; ++y)
            for (int x = c.x() - 5; x <= c.x() + 5; ++x, ++n) sum += qRed(img.pixel(x, y)) - qGreen(img.pixel(x, y));
        return sum / n;
    };
    for (CatBreed b : {CatBreed::siamese, CatBreed::calico}) {
        CatHead h;
        h.breed = b;
        h.expression = CatExpression::grumpy;
        const QImage grumpy = head(h, {}, 160);
        for (CatExpression e : {CatExpression::happy, CatExpression::love}) {
            h.expression = e;
            const QImage glad = head(h, {}, 160);
            for (QPointF cheek : {QPointF(0.8 - 7.8, 5), QPointF(0.8 + 7.8, 5)})
                EXPECT_GT(pinkness(glad, cheek), pinkness(grumpy, cheek) + 15) << rawValue(b) << " " << rawValue(e) << " " << cheek.x();
        }
    }
}
