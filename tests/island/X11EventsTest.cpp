// The island's X11 helpers on a real X display, beside the toolkit's own handling of the server.
#include "island/X11Window.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <QtTest/QTest>

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

}  // namespace
}  // namespace kp
