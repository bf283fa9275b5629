// The desktop's wish for less motion, read from a stand-in settings portal on the private session
// bus of media_bus.sh (the cases refuse to run on the user's own session).
#include "platform/ReduceMotion.h"
#include "support/HeldBusService.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <functional>
#include <memory>
#include <optional>

namespace kp {

bool waitFor(const std::function<bool()>& done);

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The settings portal as the desktop publishes it: Read answers its own settings, each value
// wrapped in a variant inside a variant; any other setting is unknown.
class FakePortal : public test::HeldBusService {
public:
    explicit FakePortal(std::optional<bool> animations)
        : HeldBusService("DBUS_SESSION_BUS_ADDRESS", kPortal, kPath, QStringLiteral("Read")), animations_(animations) {}

private:
    void answer(const QDBusMessage& question) override {
        const QList<QVariant> args = question.arguments();
        const bool animationsSetting = args.size() == 2 && args[0] == QLatin1String("org.gnome.desktop.interface") &&
                                       args[1] == QLatin1String("enable-animations");
        if (!animationsSetting || !animations_) {
            bus().send(question.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                 QStringLiteral("Requested setting not found")));
            return;
        }
        const QDBusVariant inner{QVariant(*animations_)};
        bus().send(question.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(inner)))));
    }

    std::optional<bool> animations_;
};

bool privateBus() { return qEnvironmentVariable("KP_PRIVATE_BUS") == QLatin1String("1"); }

// Waits for the answer to a question of its own, asked after the one under test: the bus keeps
// their order, so by then the first answer has come and been heard, if it is ever heard.
void afterTheAnswer() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortal, kPath, QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.example.none") << QStringLiteral("none");
    QDBusPendingCallWatcher watcher(QDBusConnection::sessionBus().asyncCall(call, 20000));
    bool done = false;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&done] { done = true; });
    ASSERT_TRUE(waitFor([&done] { return done; }));
    QCoreApplication::processEvents();
}

}  // namespace

// Animations switched off on the desktop read as a wish for less motion, switched on as none; the
// answer comes later without holding up the asker; without a portal, or without the setting, or
// once the asker is gone, nothing is said and motion stays on.
TEST(ReduceMotion, TheDesktopsAnimationsSwitchIsReadAsTheWish) {
    if (!privateBus()) GTEST_SKIP() << "needs the private buses of the media bus script";
    for (const bool animations : {false, true}) {
        FakePortal portal(animations);
        ASSERT_TRUE(portal.registered());
        portal.stall();
        QObject asker;
        std::vector<bool> heard;
        askReduceMotion(&asker, [&heard](bool reduce) { heard.push_back(reduce); });
        ASSERT_TRUE(waitFor([&] { return portal.calls() == 1; }));
        EXPECT_TRUE(heard.empty()) << "asked, not waited for";
        portal.release();
        ASSERT_TRUE(waitFor([&] { return !heard.empty(); })) << "animations " << animations;
        EXPECT_EQ(heard, std::vector<bool>{!animations});
    }

    // A portal without the setting, and one whose asker is gone before it answers.
    for (const bool gone : {false, true}) {
        FakePortal portal(gone ? std::optional<bool>(false) : std::nullopt);
        ASSERT_TRUE(portal.registered());
        portal.stall();
        auto asker = std::make_unique<QObject>();
        int heard = 0;
        askReduceMotion(asker.get(), [&heard](bool) { ++heard; });
        ASSERT_TRUE(waitFor([&] { return portal.calls() == 1; }));
        if (gone) asker.reset();
        portal.release();
        afterTheAnswer();
        EXPECT_EQ(heard, 0) << (gone ? "the asker is gone" : "no such setting");
    }

    // No portal at all.
    QObject asker;
    int heard = 0;
    askReduceMotion(&asker, [&heard](bool) { ++heard; });
    afterTheAnswer();
    EXPECT_EQ(heard, 0);
}

}  // namespace kp
