// The island's X11 helpers on a real X display, beside the toolkit's own handling of the server.
#include "island/X11Window.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QtTest/QTest>

#include <utility>
#include <vector>

namespace kp {
namespace {

// Asking the window manager to bring a window to the front follows the server's time from then on:
// the toolkit still hears everything, so a window shown later is drawn.
TEST(X11Events, AfterAnActivationTheToolkitStillHearsTheServer) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    QWidget first;
    first.resize(120, 80);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    x11::askToActivate(&first);
    QWidget second;
    second.resize(120, 80);
    second.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&second)) << "a window shown after the activation is never drawn";
}

// A click that comes with the pointer reaches the place before the app has read any of it; the
// pointer then peeks the island, which takes the place away, before the click is read. The click
// is the place's all the same, whichever button.
TEST(X11Events, AClickThePlaceTookCountsThoughThePlaceWentBeforeItWasRead) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "no xdotool";
    std::vector<std::pair<Qt::MouseButton, QPoint>> clicks;
    x11::ClickPlace place([&](Qt::MouseButton button, QPoint at) { clicks.emplace_back(button, at); });
    for (const auto& [button, name] : {std::pair{Qt::RightButton, "3"}, std::pair{Qt::LeftButton, "1"}}) {
        clicks.clear();
        place.show(QRect(300, 0, 184, 32));
        QTest::qWait(200);  // mapped, above the others
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("392"),
                                                      QStringLiteral("0"), QStringLiteral("click"), QString::fromLatin1(name)});
        place.hide();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !clicks.empty(); }, 3000)) << "button " << name;
        if (clicks.empty()) continue;
        EXPECT_EQ(clicks.front().first, button);
        EXPECT_EQ(clicks.front().second, QPoint(392, 0));
        QTest::qWait(100);
        EXPECT_EQ(clicks.size(), 1u) << "one click, once";
    }
}

// The place taken away between the press and the release (the pointer that brought the press
// peeked the island): the release goes to whatever lies there now, yet the click is the place's.
TEST(X11Events, AClickWhosePlaceWentBeforeItsReleaseCountsOnce) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "no xdotool";
    std::vector<Qt::MouseButton> clicks;
    x11::ClickPlace place([&](Qt::MouseButton button, QPoint) { clicks.push_back(button); });
    const auto xdotool = [](QStringList args) { QProcess::execute(QStringLiteral("xdotool"), args); };
    for (const auto& [button, name] : {std::pair{Qt::RightButton, "3"}, std::pair{Qt::LeftButton, "1"}}) {
        clicks.clear();
        place.show(QRect(300, 0, 184, 32));
        QTest::qWait(200);  // mapped, above the others
        xdotool({QStringLiteral("mousemove"), QStringLiteral("392"), QStringLiteral("0"), QStringLiteral("mousedown"), name});
        place.hide();
        xdotool({QStringLiteral("mouseup"), name});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !clicks.empty(); }, 20000)) << "button " << name;
        QTest::qWait(100);
        EXPECT_EQ(clicks, std::vector{button}) << "one click, once";
    }
}

}  // namespace
}  // namespace kp
