// The capsule buttons' press: a spring to 0.95 of their size and back, seen in what they draw.
#include "SettingsWorld.h"

#include "settings/SettingsKit.h"

#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QPainter>
#include <QTest>

using namespace kp;
using namespace kp::test;

namespace {

// The capsule's drawn width, to a fraction of a pixel: each column counts by how much of the
// capsule's fill covers it where it covers most (its middle line; the label only adds to it).
double drawnWidth(TobbiButton& button) {
    QImage img(button.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    button.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    const double fill = (button.prominent() ? kit::accent() : kit::withAlpha(kit::ink(), 0.07)).alpha();
    double width = 0;
    for (int x = 0; x < img.width(); ++x) {
        int most = 0;
        for (int y = 0; y < img.height(); ++y) most = std::max(most, qAlpha(img.pixel(x, y)));
        width += std::min(1.0, most / fill);
    }
    return width;
}

// The paints a widget gets, by region.
struct Paints : QObject {
    QRegion painted;
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(e)->region();
            ++count;
        }
        return false;
    }
};

class PressedButton : public ::testing::Test {
protected:
    ManualClock clock{kStart, 100};
    QWidget window;
    TobbiButton* button = new TobbiButton(QStringLiteral("Restore defaults"), true, &window);
    double rest = 0;

    void SetUp() override {
        button->setClock(clock);
        window.resize(300, 120);
        button->setGeometry(QRect(QPoint(80, 40), button->sizeHint()));
        window.show();
        rest = drawnWidth(*button);
        ASSERT_GT(rest, 60);
    }
    QPoint centre() const { return button->rect().center(); }
};

}  // namespace

TEST_F(PressedButton, SpringsInWhenPressedAndOutWhenLetGo) {
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5) << "it sets off from its full size";
    EXPECT_TRUE(button->springing());
    clock.advance(0.05);
    const double in = drawnWidth(*button);
    EXPECT_LT(in, rest - 1) << "on its way in";
    EXPECT_GT(in, 0.95 * rest + 1) << "not there yet";
    clock.advance(0.05);
    EXPECT_LT(drawnWidth(*button), in) << "still going";
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6);
    QTRY_VERIFY_WITH_TIMEOUT(!button->springing(), 10000);

    QTest::mouseRelease(button, Qt::LeftButton, {}, centre());
    EXPECT_TRUE(button->springing());
    clock.advance(0.05);
    const double out = drawnWidth(*button);
    EXPECT_GT(out, 0.95 * rest + 1) << "on its way out";
    EXPECT_LT(out, rest - 1);
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
    QTRY_VERIFY_WITH_TIMEOUT(!button->springing(), 10000);
}

TEST_F(PressedButton, AQuickClickTurnsBackFromWhereItIs) {
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    clock.advance(0.04);
    const double pressed = drawnWidth(*button);
    ASSERT_LT(pressed, rest - 1);
    QTest::mouseRelease(button, Qt::LeftButton, {}, centre());
    EXPECT_NEAR(drawnWidth(*button), pressed, 0.3) << "no jump at the release";
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
    // Let go away from the button: it springs back all the same.
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    clock.advance(1);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(button->isDown());
    clock.advance(0.05);
    EXPECT_GT(drawnWidth(*button), 0.95 * rest + 1);
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
}

TEST_F(PressedButton, OnlyTheButtonIsRepaintedWhileItMovesAndNothingOnceAtRest) {
    Paints around, self;
    window.installEventFilter(&around);
    button->installEventFilter(&self);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    around.painted = QRegion();
    self.count = 0;
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    // Frames keep coming while the spring's clock has not moved on.
    QTRY_VERIFY_WITH_TIMEOUT(self.count >= 4, 10000);
    // Under the button the window is painted too (the button is see-through), and nowhere else.
    EXPECT_EQ(around.painted.boundingRect(), button->geometry());
    clock.advance(1);
    QTRY_VERIFY_WITH_TIMEOUT(!button->springing(), 10000);
    QCoreApplication::processEvents();
    self.count = 0;
    QTest::qWait(100);
    EXPECT_EQ(self.count, 0) << "painted at rest";
    EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6);
    // Hidden mid-way, it stops: nothing runs for a button nobody sees.
    QTest::mouseRelease(button, Qt::LeftButton, {}, centre());
    EXPECT_TRUE(button->springing());
    button->hide();
    EXPECT_FALSE(button->springing());
}

TEST_F(PressedButton, WithLessMotionThePressSwitchesAtOnce) {
    button->setReduceMotion(true);
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6);
    EXPECT_FALSE(button->springing());
    QTest::mouseRelease(button, Qt::LeftButton, {}, centre());
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
    EXPECT_FALSE(button->springing());
    // Wished for mid-way: it lands at once.
    button->setReduceMotion(false);
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    clock.advance(0.05);
    ASSERT_TRUE(button->springing());
    button->setReduceMotion(true);
    EXPECT_FALSE(button->springing());
    EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6);
}

TEST(SettingsButtons, WithLessMotionEveryTabsButtonsSwitchAtOnce) {
    SettingsWorld world;
    auto view = world.view(SettingsTab::notch);
    view->show();
    view->setReduceMotion(true);
    auto* restore = view->page()->findChild<TobbiButton*>(QStringLiteral("restoreDefaults"));
    ASSERT_TRUE(restore);
    const double rest = drawnWidth(*restore);
    QTest::mousePress(restore, Qt::LeftButton, {}, restore->rect().center());
    EXPECT_NEAR(drawnWidth(*restore), 0.95 * rest, 0.6);
    EXPECT_FALSE(restore->springing());
    QTest::mouseRelease(restore, Qt::LeftButton, {}, QPoint(-20, -20));
    // A tab built later follows too.
    world.router.setTab(SettingsTab::desktop);
    auto* roam = view->page()->findChild<TobbiButton*>(QStringLiteral("roamButton"));
    ASSERT_TRUE(roam);
    const double before = drawnWidth(*roam);
    QTest::mousePress(roam, Qt::LeftButton, {}, roam->rect().center());
    EXPECT_NEAR(drawnWidth(*roam), 0.95 * before, 0.6);
    EXPECT_FALSE(roam->springing());
}
