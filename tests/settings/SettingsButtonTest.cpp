// The capsule buttons' press: a spring to 0.95 of their size and back, seen in what they draw.
#include "SettingsWorld.h"

#include "settings/SettingsKit.h"

#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

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

// Where a widget was painted.
struct Paints : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
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
    void press() { QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center()); }
    void release(QPoint at) { QTest::mouseRelease(button, Qt::LeftButton, {}, at); }

    // The scale each frame leaves drawn, the spring's clock moved on by a 60th of a second before
    // each, until the frames stop (or a few seconds of the spring have gone by).
    std::vector<double> framesUntilRest() {
        auto* frames = button->findChild<QTimer*>();
        int ran = 0;
        const auto counting = QObject::connect(frames, &QTimer::timeout, button, [&] { ++ran; });
        std::vector<double> drawn;
        while (button->springing() && drawn.size() < 240) {
            ran = 0;
            clock.advance(1.0 / 60);
            if (!QTest::qWaitFor([&] { return ran > 0 || !button->springing(); }, 10000)) {
                ADD_FAILURE() << "no frame came";
                break;
            }
            drawn.push_back(button->scale());
        }
        QObject::disconnect(counting);
        return drawn;
    }
};

}  // namespace

TEST_F(PressedButton, SpringsBothWaysRepaintingOnlyItselfAndRestsWithNoTimer) {
    Paints around;
    window.installEventFilter(&around);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    around.painted = QRegion();
    press();
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5) << "it sets off from its full size";
    clock.advance(0.05);
    const double in = drawnWidth(*button);
    EXPECT_LT(in, rest - 1) << "on its way in";
    EXPECT_GT(in, 0.95 * rest + 1) << "not there yet";
    // Frames come while it moves; under the see-through button the window is painted, nowhere else.
    QTRY_VERIFY_WITH_TIMEOUT(!around.painted.isEmpty(), 10000);
    EXPECT_EQ(around.painted.boundingRect(), button->geometry());
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6);
    QTRY_VERIFY_WITH_TIMEOUT(!button->springing(), 10000);

    release(button->rect().center());
    clock.advance(0.05);
    const double out = drawnWidth(*button);
    EXPECT_GT(out, 0.95 * rest + 1) << "on its way out";
    EXPECT_LT(out, rest - 1);
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
    QTRY_VERIFY_WITH_TIMEOUT(!button->springing(), 10000);
}

// The press and the release each swing past their target (by about 0.002 of the size with this
// spring) before they rest there, and only then do the frames stop.
TEST_F(PressedButton, SwingsPastItsTargetBeforeTheFramesStop) {
    const double frameTime = 1.0 / 60;
    const auto restsAfter = [&](const std::vector<double>& drawn) { return double(drawn.size()) * frameTime; };
    press();
    const std::vector<double> in = framesUntilRest();
    ASSERT_FALSE(in.empty());
    EXPECT_LT(*std::min_element(in.begin(), in.end()), TobbiButton::pressedScale - 0.0015)
        << "deepest " << *std::min_element(in.begin(), in.end());
    EXPECT_EQ(in.back(), TobbiButton::pressedScale);
    EXPECT_GT(restsAfter(in), 0.3) << "the frames stopped before the spring settled";
    EXPECT_LT(restsAfter(in), 1.0) << "the frames ran on after the spring settled";
    EXPECT_FALSE(button->springing());

    release(button->rect().center());
    const std::vector<double> out = framesUntilRest();
    ASSERT_FALSE(out.empty());
    EXPECT_GT(*std::max_element(out.begin(), out.end()), 1.0015) << "largest " << *std::max_element(out.begin(), out.end());
    EXPECT_EQ(out.back(), 1.0);
    EXPECT_GT(restsAfter(out), 0.3) << "the frames stopped before the spring settled";
    EXPECT_LT(restsAfter(out), 1.0) << "the frames ran on after the spring settled";
    EXPECT_FALSE(button->springing());
}

TEST_F(PressedButton, LetGoEarlyOrElsewhereItTurnsBackFromWhereItIs) {
    press();
    clock.advance(0.04);
    const double pressed = drawnWidth(*button);
    ASSERT_LT(pressed, rest - 1);
    release(button->rect().center());
    EXPECT_NEAR(drawnWidth(*button), pressed, 0.3) << "no jump at the release";
    clock.advance(1);
    EXPECT_NEAR(drawnWidth(*button), rest, 0.5);
    press();
    clock.advance(1);
    release(QPoint(-20, -20));
    clock.advance(0.05);
    EXPECT_GT(drawnWidth(*button), 0.95 * rest + 1);
    // Hidden mid-way, it stops: nothing runs for a button nobody sees.
    ASSERT_TRUE(button->springing());
    button->hide();
    EXPECT_FALSE(button->springing());
}

TEST(SettingsButtons, WithLessMotionEveryTabsButtonsSwitchAtOnce) {
    SettingsWorld world;
    auto view = world.view(SettingsTab::notch);
    view->show();
    view->setReduceMotion(true);
    // Made before the wish, and on a tab built after it.
    for (auto [tab, name] : {std::pair{SettingsTab::notch, "restoreDefaults"}, std::pair{SettingsTab::desktop, "roamButton"}}) {
        world.router.setTab(tab);
        auto* button = view->page()->findChild<TobbiButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        const double rest = drawnWidth(*button);
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_NEAR(drawnWidth(*button), 0.95 * rest, 0.6) << name;
        EXPECT_FALSE(button->springing()) << name;
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
        EXPECT_NEAR(drawnWidth(*button), rest, 0.5) << name;
    }
}
