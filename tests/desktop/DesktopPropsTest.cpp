// The toy mouse, the mug and the need bubble, rendered offscreen and looked at.
#include "desktop/DesktopProps.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace kp;

namespace {

// A prop painted 10x larger, centred in a transparent image.
template <class Prop>
QImage render(const Prop& prop, QSize size = {400, 300}) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.translate(size.width() / 2.0, size.height() / 2.0);
    p.scale(10, 10);
    prop.paint(p);
    return img;
}

QColor at(const QImage& img, double x, double y) {  // prop units about the centre
    return img.pixelColor(QPoint(int(img.width() / 2.0 + 10 * x), int(img.height() / 2.0 + 10 * y)));
}

// Columns holding any visible pixel, in prop units about the centre.
std::pair<double, double> inkSpan(const QImage& img) {
    int lo = img.width(), hi = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).alpha() > 40) {
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
    return {(lo - img.width() / 2.0) / 10, (hi - img.width() / 2.0) / 10};
}

TEST(DesktopProps, ToyMouseIsGreyWithAPinkEarAndATailPastItsLeftEdge) {
    const QImage img = render(ToyMouse{});
    const QColor body = at(img, 0, 1);
    EXPECT_EQ(body.alpha(), 255);
    EXPECT_NEAR(body.red(), body.blue(), 20);  // grey-blue, not coloured
    EXPECT_GT(body.red(), 120);
    const QColor ear = at(img, 5, -2);
    EXPECT_GT(ear.red(), ear.green() + 40);
    const auto [lo, hi] = inkSpan(img);
    EXPECT_LT(lo, -9 - 2.5);  // the tail leaves the 18-wide frame on the left
    EXPECT_LE(hi, 9.5);
    EXPECT_EQ(at(img, 0, -4.8).alpha(), 0);  // nothing above the body
}

TEST(DesktopProps, MugIsRedWithItsHandleRingToTheRight) {
    const QImage img = render(Mug{});
    const QColor body = at(img, -3, 4);
    EXPECT_GT(body.red(), 200);
    EXPECT_LT(body.green(), 130);
    const QColor mark = at(img, 0, 1.1);  // the paw mark's pad
    EXPECT_GT(mark.green(), 200);
    const auto [lo, hi] = inkSpan(img);
    EXPECT_NEAR(lo, -6.5, 0.3);
    EXPECT_NEAR(hi, 11.5, 0.4);  // the ring stands out past the body's right side
    EXPECT_EQ(at(img, 7.2, 0).alpha(), 0);  // hollow middle of the ring
    EXPECT_GT(at(img, 10.3, 0).red(), 180);
}

TEST(DesktopProps, NeedBubbleMirrorsOnlyItsDots) {
    NeedBubble right{PetNeed::hungry, 0, 1};
    NeedBubble left{PetNeed::hungry, 0, -1};
    const QImage r = render(right, {600, 600});
    const QImage l = render(left, {600, 600});
    // Dots trail back towards the cat: down-left when it faces right.
    EXPECT_EQ(at(r, -22, 22).alpha(), 255);
    EXPECT_EQ(at(r, 22, 22).alpha(), 0);
    EXPECT_EQ(at(l, 22, 22).alpha(), 255);
    EXPECT_EQ(at(l, -22, 22).alpha(), 0);
    // The bubble itself is white and its icon is drawn the same way round.
    EXPECT_EQ(at(r, 0, -17), QColor(Qt::white));
    for (int y = -8; y <= 8; y += 2)
        for (int x = -8; x <= 8; x += 2) EXPECT_EQ(at(r, x, y), at(l, x, y)) << x << "," << y;
}

TEST(DesktopProps, NeedIconsAreOrangeButSicknessIsRed) {
    auto iconInk = [](PetNeed need) {
        const QImage img = render(NeedBubble{need, 0, 1}, {600, 600});
        QColor found;
        for (int y = -80; y <= 80 && !found.isValid(); ++y)
            for (int x = -80; x <= 80; ++x) {
                const QColor c = img.pixelColor(300 + x, 300 + y);
                if (c.alpha() == 255 && c.red() > 200 && c.blue() < 120) {
                    found = c;
                    break;
                }
            }
        return found;
    };
    for (PetNeed need : {PetNeed::hungry, PetNeed::dirty, PetNeed::sad, PetNeed::dead}) {
        const QColor c = iconInk(need);
        ASSERT_TRUE(c.isValid());
        EXPECT_GT(c.green(), 110);  // #E8873A
    }
    const QColor sick = iconInk(PetNeed::sick);
    ASSERT_TRUE(sick.isValid());
    EXPECT_LT(sick.green(), 110);  // #E04F5F
}

TEST(DesktopProps, NeedBubbleBobsTwoPointsAtMost) {
    for (double t : {0.0, 0.3, 0.65, 1.3, 2.0}) {
        const QImage img = render(NeedBubble{PetNeed::sick, t, 1}, {600, 600});
        EXPECT_EQ(at(img, 0, -17.5), QColor(Qt::white)) << t;
        EXPECT_EQ(at(img, 0, -24).alpha(), 0) << t;  // bubble, shadow and bob stay within 24
    }
}

}  // namespace
