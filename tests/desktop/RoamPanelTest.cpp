// The roaming panel: a press on the cat pets it, a drag picks it up and the release throws it;
// each frame shows the scene where it is now and nothing where it was.
#include "desktop/RoamPanel.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kp;

namespace {

struct Calls {
    bool held = false;
    int pickUps = 0, drops = 0, pets = 0;
    CatchTarget target() {
        CatchTarget t;
        t.isHeld = [this] { return held; };
        t.pickUp = [this] {
            ++pickUps;
            held = true;
        };
        t.drop = [this] {
            ++drops;
            held = false;
        };
        t.pet = [this] { ++pets; };
        return t;
    }
};

void send(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

}  // namespace

TEST(RoamPanel, MouseOnThePanelReachesTheCatcher) {
    Calls calls;
    RoamPanel panel(RoamScreen{QRectF(0, 0, 640, 400), QRectF(0, 24, 640, 376)}, calls.target());
    panel.orderFront();
    send(panel, QEvent::MouseButtonPress, {120, 210}, Qt::LeftButton, Qt::LeftButton);
    send(panel, QEvent::MouseButtonRelease, {120, 210}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(calls.pets, 1);
    send(panel, QEvent::MouseButtonPress, {120, 210}, Qt::LeftButton, Qt::LeftButton);
    send(panel, QEvent::MouseMove, {130, 220}, Qt::NoButton, Qt::LeftButton);
    send(panel, QEvent::MouseButtonRelease, {300, 100}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(calls.pickUps, 1);
    EXPECT_EQ(calls.drops, 1);
    EXPECT_EQ(calls.pets, 1);
}

TEST(RoamPanel, ShowsTheSceneWhereItIsNowAndNothingWhereItWas) {
    Calls calls;
    QRect spot(100, 200, 40, 30);
    RoamPanel panel(
        RoamScreen{QRectF(0, 0, 640, 400), QRectF(0, 24, 640, 376)}, calls.target(),
        [&spot](QPainter& p) { p.fillRect(spot, QColor(220, 40, 40)); },
        [&spot] { return std::vector<SceneLayer>{{1, spot, std::uint64_t(spot.x())}}; });
    panel.orderFront();
    spot.moveTo(300, 100);
    panel.redraw();
    EXPECT_EQ(panel.drawn(), spot.adjusted(-2, -2, 2, 2));
    QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(320, 115), QColor(220, 40, 40));
    EXPECT_EQ(image.pixelColor(120, 215).alpha(), 0);
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 0);
}

// The screen changed: the panel covers it as it is now, with the scene drawn again in full; one
// that is not shown stays hidden.
TEST(RoamPanel, RefitCoversTheScreenAsItIsNow) {
    Calls calls;
    const QRect spot(100, 200, 40, 30);
    RoamPanel panel(
        RoamScreen{QRectF(0, 0, 640, 400), QRectF(0, 24, 640, 376)}, calls.target(),
        [&spot](QPainter& p) { p.fillRect(spot, QColor(220, 40, 40)); },
        [&spot] { return std::vector<SceneLayer>{{1, spot, 1}}; });
    std::vector<RoamScreen> heard;
    panel.onRefit([&heard](const RoamScreen& s) { heard.push_back(s); });
    panel.orderFront();
    const RoamScreen smaller{QRectF(0, 0, 480, 300), QRectF(0, 24, 480, 276)};
    panel.refit(smaller);
    panel.refit(smaller);
    EXPECT_EQ(heard, std::vector<RoamScreen>{smaller});
    EXPECT_EQ(panel.frame(), smaller.frame);
    EXPECT_EQ(panel.geometry(), QRect(0, 0, 480, 300));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.sent().boundingRect(), spot.adjusted(-2, -2, 2, 2)) << "drawn again in full";
    panel.orderOut();
    panel.refit(RoamScreen{QRectF(0, 0, 640, 400), QRectF(0, 24, 640, 376)});
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(panel.frame(), QRectF(0, 0, 640, 400));
}

TEST(RoamPanel, SendsOnlyThePiecesThatMovedOrChanged) {
    Calls calls;
    // A still mug, a cat whose tail moves now and then, a rising heart.
    std::vector<SceneLayer> pieces{{1, QRect(40, 300, 30, 20), 7}, {2, QRect(200, 250, 90, 80), 1},
                                   {3, QRect(230, 200, 20, 20), 1}};
    RoamPanel panel(RoamScreen{QRectF(0, 0, 640, 400), QRectF(0, 24, 640, 376)}, calls.target(),
                    [](QPainter&) {}, [&pieces] { return pieces; });
    panel.orderFront();
    EXPECT_EQ(panel.sent().boundingRect(), QRect(38, 198, 254, 134));
    panel.redraw();
    EXPECT_TRUE(panel.sent().isEmpty()) << "nothing changed: nothing is sent";
    pieces[1].key = 2;  // the tail moved
    panel.redraw();
    EXPECT_EQ(panel.sent(), QRegion(QRect(198, 248, 94, 84)));
    pieces[2].rect.translate(0, -3);  // the heart rose
    panel.redraw();
    EXPECT_EQ(panel.sent(), QRegion(QRect(228, 195, 24, 27)));
    pieces.pop_back();  // and is gone
    panel.redraw();
    EXPECT_EQ(panel.sent(), QRegion(QRect(228, 195, 24, 24)));
}

TEST(RoamPanel, CutsToPixelsAtLeastHalfCovered) {
    // A row of ink fading out at its right end, and a second row, two pixels down, of one pixel.
    QImage image(8, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int x = 1; x <= 3; ++x) image.setPixel(x, 0, qRgba(200, 80, 20, 255));
    image.setPixel(4, 0, qRgba(100, 40, 10, 128));  // half covered: shown
    image.setPixel(5, 0, qRgba(99, 40, 10, 127));   // fainter: cut
    image.setPixel(6, 2, qRgba(200, 80, 20, 255));
    // A near-white letter at half opacity, as a fading sleep letter is drawn.
    QPainter(&image).fillRect(QRectF(0, 3, 2, 1), QColor(240, 240, 245, 128));
    const QRegion shape = RoamPanel::inked(image, QPoint(100, 50));
    EXPECT_EQ(shape, QRegion(101, 50, 4, 1) + QRegion(106, 52, 1, 1) + QRegion(100, 53, 2, 1));
    // What shows is opaque, in the ink's own colour, not darkened by its coverage.
    auto near = [](QRgb a, QRgb b) {
        return qAlpha(a) == qAlpha(b) && std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
               std::abs(qBlue(a) - qBlue(b)) <= 2;
    };
    EXPECT_EQ(image.pixel(2, 0), qRgb(200, 80, 20));
    EXPECT_PRED2(near, image.pixel(4, 0), qRgb(200, 80, 20));
    EXPECT_PRED2(near, image.pixel(1, 3), qRgb(240, 240, 245));
    EXPECT_EQ(qAlpha(image.pixel(5, 0)), 127) << "a cut pixel is left as it is";
}
