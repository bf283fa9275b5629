#include <gtest/gtest.h>

#include "core/BotFace.h"
#include "core/IslandTypes.h"
#include "core/Notifications.h"
#include "core/SkyTypes.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/DisplayLoss.h"
#include "platform/NotificationCenter.h"
#include "platform/Random.h"
#include "platform/Scheduler.h"
#include "platform/Symbols.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace kp;

TEST(NotificationCenter, DeliversTheObjectToObserversOfThatNameOnlyUntilTheyLeave) {
    NotificationCenter hub;
    std::vector<BotEmote> seen;
    int other = 0;
    auto a = hub.observe(note::triggerEmote, [&](const std::any& o) {
        if (auto e = notificationObject<BotEmote>(o)) seen.push_back(*e);
    });
    hub.observe(note::openAlbum, [&](const std::any&) { ++other; });
    hub.post(note::triggerEmote, BotEmote::annoyed);
    hub.post(note::triggerEmote, std::string("annoyed"));  // wrong type: observer sees no emote
    EXPECT_EQ(seen, std::vector<BotEmote>{BotEmote::annoyed});
    EXPECT_EQ(other, 0);
    hub.remove(a);
    hub.post(note::triggerEmote, BotEmote::happy);
    EXPECT_EQ(seen.size(), 1u);
    {
        Subscription sub(hub, note::openRoom, [](const std::any&) {});
        EXPECT_EQ(hub.observerCount(note::openRoom), 1u);
    }
    EXPECT_EQ(hub.observerCount(note::openRoom), 0u) << "a subscription ends with its owner";

    // An observer may take itself and others off while a post is under way.
    int first = 0, second = 0;
    NotificationCenter::Token t1 = 0, t2 = 0;
    t1 = hub.observe(note::botBlink, [&](const std::any&) { ++first; hub.remove(t1); hub.remove(t2); });
    t2 = hub.observe(note::botBlink, [&](const std::any&) { ++second; });
    hub.post(note::botBlink);
    hub.post(note::botBlink);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(Vocabulary, RawValuesRoundTripAndUnknownNamesGiveNone) {
    EXPECT_EQ(rawValue(BotState::ratelimit), "ratelimit");
    EXPECT_EQ(fromRawValue<BotState>("dead"), BotState::dead);
    EXPECT_FALSE(fromRawValue<BotState>("Dead").has_value());
    EXPECT_FALSE(fromRawValue<SkyWeather>("hail").has_value());
    for (auto w : allCases<SkyWeather>()) EXPECT_EQ(fromRawValue<SkyWeather>(rawValue(w)), w);
}

TEST(ManualScheduler, RunsDueWorkInTimeOrderWithWhatItSchedulesAndHonoursCancel) {
    ManualScheduler s;
    std::vector<std::string> log;
    s.after(5, [&] { log.push_back("collapse"); s.after(0.5, [&] { log.push_back("then"); }); });
    auto hide = s.after(60, [&] { log.push_back("hide"); });
    s.every(1, [&] { log.push_back("tick"); });
    s.advance(2.5);
    EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick"}));
    s.advance(3.6);
    EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick", "tick", "tick", "collapse", "tick", "then", "tick"}));
    EXPECT_TRUE(s.isPending(hide));
    s.cancel(hide);
    s.advance(100);
    EXPECT_EQ(std::count(log.begin(), log.end(), "hide"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "tick"), 106);
}

TEST(Random, ClosedRangesAndRepeatability) {
    SeededRandom a(42), b(42);
    for (int i = 0; i < 1000; ++i) {
        const double x = a.uniform(-0.08, 1.08);
        EXPECT_EQ(x, b.uniform(-0.08, 1.08));
        EXPECT_GE(x, -0.08);
        EXPECT_LE(x, 1.08);
        const int k = a.uniformInt(1, 3);
        b.uniformInt(1, 3);
        EXPECT_GE(k, 1);
        EXPECT_LE(k, 3);
    }
}

TEST(Symbols, TheMedicalCrossIsAPlusAndAFittedSymbolFillsAUnitBoxAboutTheOrigin) {
    const QPainterPath cross = medicalCrossPath(0.05);
    for (QPointF at : {QPointF(0, -0.4), QPointF(0, 0.4), QPointF(-0.4, 0), QPointF(0.4, 0), QPointF(0, 0)})
        EXPECT_TRUE(cross.contains(at)) << at.x() << ", " << at.y();
    EXPECT_FALSE(cross.contains(QPointF(0.35, 0.35))) << "the corners stay empty";
    const QRectF fitted = fittedSymbol(boltPath()).boundingRect();
    EXPECT_NEAR(std::max(fitted.width(), fitted.height()), 1.0, 1e-9);
    EXPECT_NEAR(fitted.center().x(), 0, 1e-9);
    EXPECT_NEAR(fitted.center().y(), 0, 1e-9);
}

TEST(Dates, AnyNumberGivesAValidDayAtTheEndsOfTheRangeOrTheReferenceDate) {
    for (double t : {1e300, -1e300, std::numeric_limits<double>::infinity(), std::nan("")}) {
        EXPECT_TRUE(localDate(t).isValid()) << t;
        EXPECT_EQ(localDate(startOfLocalDay(t)), localDate(t)) << t;
    }
    EXPECT_EQ(localDate(std::nan("")), localDate(0));
    EXPECT_GT(localDate(1e300).year(), 1'000'000);
    EXPECT_LT(localDate(-1e300).year(), -1'000'000);
}

// A display server gone mid-write: the write fails and the app lives to see the loss; a program it
// starts afterwards still ends on a broken pipe, as programs expect.
TEST(DisplayLoss, ABrokenPipeFailsTheWriteInsteadOfEndingTheAppAndNotItsChildren) {
    kp::saveAndExitWhenDisplayIsLost([] {});
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const char byte = 0;
    EXPECT_EQ(::write(ends[1], &byte, 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[1]);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", "kill -PIPE $$; exit 3", static_cast<char*>(nullptr));
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
}
