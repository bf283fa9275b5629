// KWin's word on compositing against a stand-in KWin on the private bus of the media bus script:
// followed as it changes, also from a KWin that comes later or anew, and forgotten when it goes;
// a KWin that answers nonsense or nothing leaves the word to the selection, and is never waited on.
#include "platform/KWinCompositing.h"
#include "support/FakeKWin.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>

namespace kp {
// Lets queued bus traffic through until `done` holds (MediaBusTest.cpp).
bool waitFor(const std::function<bool()>& done);

namespace {

using test::FakeKWin;

class KWinCompositingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("KP_PRIVATE_BUS") != QLatin1String("1"))
            GTEST_SKIP() << "needs the private buses of the media bus script";
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    std::unique_ptr<KWinCompositing> follow(int timeoutMs = 3000) {
        auto kwin = std::make_unique<KWinCompositing>(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), timeoutMs);
        QObject::connect(kwin.get(), &KWinCompositing::changed, [this] { ++changes; });
        return kwin;
    }
    // Lets the bus's traffic of the last `ms` through.
    static void settle(int ms) {
        QElapsedTimer clock;
        clock.start();
        waitFor([&] { return clock.elapsed() > ms; });
    }
    int changes = 0;
};

TEST_F(KWinCompositingTest, FollowsKWinAsItSuspendsAndResumesAndForgetsAKWinThatLeft) {
    auto kwin = follow();
    settle(200);
    EXPECT_FALSE(kwin->active().has_value()) << "no KWin yet";
    EXPECT_TRUE(kwin->allows());

    {
        FakeKWin fake(true);
        ASSERT_TRUE(fake.ok());
        ASSERT_TRUE(waitFor([&] { return kwin->active() == true; })) << "a KWin that comes later is asked";
        fake.toggle(false);
        ASSERT_TRUE(waitFor([&] { return !kwin->allows(); })) << "suspended";
        EXPECT_EQ(changes, 1);
        fake.toggle(true);
        ASSERT_TRUE(waitFor([&] { return kwin->allows(); })) << "resumed";
        fake.toggle(false);
        ASSERT_TRUE(waitFor([&] { return !kwin->allows(); }));
    }
    ASSERT_TRUE(waitFor([&] { return !kwin->active().has_value(); })) << "a suspended KWin that left says nothing more";
    EXPECT_TRUE(kwin->allows());

    // Another KWin, suspended from its start.
    FakeKWin again(false, QStringLiteral("fake-kwin-again"));
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE(waitFor([&] { return kwin->active() == false; }));
    EXPECT_EQ(changes, 5);
}

TEST_F(KWinCompositingTest, NonsenseOrSilenceFromKWinLeavesTheSelectionToTell) {
    // Answers with words, then signals with a number and with nothing.
    FakeKWin wordy(QStringLiteral("no"));
    ASSERT_TRUE(wordy.ok());
    auto kwin = follow();
    ASSERT_TRUE(waitFor([&] { return wordy.asked > 0; }));
    wordy.say(0);
    wordy.say(QStringLiteral("false"));
    settle(300);
    EXPECT_FALSE(kwin->active().has_value());
    EXPECT_TRUE(kwin->allows());
    EXPECT_EQ(changes, 0);
    // A yes or no afterwards is heard.
    wordy.toggle(false);
    ASSERT_TRUE(waitFor([&] { return !kwin->allows(); }));
}

TEST_F(KWinCompositingTest, ASilentKWinIsNeverWaitedOn) {
    FakeKWin silent{QVariant()};
    ASSERT_TRUE(silent.ok());
    // Waiting for an answer would take this long.
    constexpr int kPatience = 20000;
    QElapsedTimer clock;
    clock.start();
    auto kwin = follow(kPatience);
    ASSERT_TRUE(waitFor([&] { return silent.asked > 0; }));
    // It may still speak up, and is heard long before its answer would be given up on.
    silent.toggle(false);
    ASSERT_TRUE(waitFor([&] { return !kwin->allows(); }));
    EXPECT_LT(clock.elapsed(), kPatience / 4);
}

}  // namespace
}  // namespace kp
