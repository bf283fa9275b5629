// The coin button's gain pop-up and the chrome's animation curves.
#include "TopBarWorld.h"

#include "platform/Color.h"
#include "rooms/RoomButtons.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

struct CoinFixture : ::testing::Test {
    test::ChromeWorld w;
    CoinFixture() { w.wallet->setEnabled(true); }
    // Lets `seconds` pass on the scheduler, which moves the clock with it.
    void wait(double seconds) { w.cat.scheduler.advance(seconds); }
};

TEST_F(CoinFixture, GainShowsForTwoSecondsAndAFifth) {
    CoinButton coin(*w.wallet, w.cat.clock, w.cat.scheduler);
    EXPECT_FALSE(coin.gain());
    w.wallet->gain(10, w.now());
    ASSERT_TRUE(coin.gain());
    EXPECT_EQ(coin.gain()->amount, 10);
    wait(2.1);
    EXPECT_TRUE(coin.gain());
    wait(0.15);
    EXPECT_FALSE(coin.gain());
    // The same amount later is a new gain.
    w.wallet->gain(10, w.now());
    EXPECT_TRUE(coin.gain());
}

TEST_F(CoinFixture, ANewerGainReplacesTheOldAndOutlivesItsHide) {
    CoinButton coin(*w.wallet, w.cat.clock, w.cat.scheduler);
    w.wallet->gain(10, w.now());
    wait(1);
    w.wallet->gain(25, w.now());
    EXPECT_EQ(coin.gain()->amount, 25);
    wait(1.25);  // the first gain's hide has run and found the second on show
    ASSERT_TRUE(coin.gain());
    EXPECT_EQ(coin.gain()->amount, 25);
    wait(1.0);  // 2.25 s after the second
    EXPECT_FALSE(coin.gain());
}

TEST_F(CoinFixture, AGainAlreadyThereShowsNothing) {
    w.wallet->gain(10, w.now());
    CoinButton coin(*w.wallet, w.cat.clock, w.cat.scheduler);
    EXPECT_FALSE(coin.gain());
    // The same value announced again is no change.
    emit w.wallet->lastGainChanged();
    EXPECT_FALSE(coin.gain());
    coin.showGain(std::nullopt);
    EXPECT_FALSE(coin.gain());
}

TEST_F(CoinFixture, HideAfterTheButtonIsGoneIsHarmless) {
    auto coin = std::make_unique<CoinButton>(*w.wallet, w.cat.clock, w.cat.scheduler);
    w.wallet->gain(10, w.now());
    coin.reset();
    wait(3);
    SUCCEED();
}

TEST_F(CoinFixture, GainLabelHangsBelowTheCoinWhileShown) {
    CoinButton coin(*w.wallet, w.cat.clock, w.cat.scheduler);
    const QRectF frame(20, 14, 13, 13);

    const auto labelInk = [&] {
        QImage img(60, 60, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        QPainter p(&img);
        coin.paint(p, frame);
        p.end();
        int lit = 0;
        for (int y = int(frame.bottom()) + 2; y < 60; ++y)
            for (int x = 0; x < 60; ++x) lit += img.pixelColor(x, y).lightness() > 80;
        return lit;
    };
    EXPECT_EQ(labelInk(), 0);
    w.wallet->gain(10, w.now());
    wait(1);
    EXPECT_GT(labelInk(), 10);
    wait(1.7);  // hidden and faded out
    EXPECT_EQ(labelInk(), 0);
}

}  // namespace
}  // namespace kp
