// The server's picture of a window, on a real X display: what was put is what the server shows,
// and, where the server shares its pixels with the app, what the app reads back as last sent.
#include "island/WindowPicture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <QtTest/QTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace kp {
namespace {

QImage filled(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// One pixel of the window as the server shows it, without its alpha.
QRgb shownAt(const QWidget& window, QPoint at) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window.winId()), int16_t(at.x()), int16_t(at.y()), 1, 1, ~0u),
        nullptr);
    if (!reply) return 0;
    QRgb pixel = 0;
    if (xcb_get_image_data_length(reply) >= 4) pixel = *reinterpret_cast<const QRgb*>(xcb_get_image_data(reply));
    std::free(reply);
    return pixel & 0xFFFFFF;
}

TEST(WindowPicture, ShowsAndKeepsWhatWasPutWhereItWasPut) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on an X display";
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(120, 60);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::unique_ptr<WindowPicture> picture = WindowPicture::attach(window);
    ASSERT_TRUE(picture);
    window.setUpdatesEnabled(false);
    picture->quietExposures();

    const QRgb red = 0xFFD03020, blue = 0xFF2040C0;
    picture->put(filled({120, 60}, red), QPoint(0, 0));
    // A piece of a larger picture, at a place of its own.
    QImage sheet = filled({30, 20}, red);
    for (int y = 5; y < 13; ++y)
        for (int x = 5; x < 15; ++x) sheet.setPixel(x, y, blue);
    picture->put(sheet, QRect(5, 5, 10, 8), QPoint(40, 30));
    picture->show(QRect(0, 0, 120, 60));
    picture->flush();

    EXPECT_TRUE(QTest::qWaitFor([&] { return shownAt(window, {40, 30}) == (blue & 0xFFFFFF); }));
    EXPECT_EQ(shownAt(window, {49, 37}), blue & 0xFFFFFF);
    EXPECT_EQ(shownAt(window, {50, 37}), red & 0xFFFFFF);
    EXPECT_EQ(shownAt(window, {39, 30}), red & 0xFFFFFF);

    // Cleared, nothing put before shows again, up to its edges.
    picture->clear();
    picture->show(QRect(0, 0, 120, 60));
    picture->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownAt(window, {60, 30}) == 0; }));
    for (const QPoint at : {QPoint(0, 0), QPoint(0, 59), QPoint(119, 0), QPoint(119, 59), QPoint(49, 37)})
        EXPECT_EQ(shownAt(window, at), 0u) << at.x() << "," << at.y();

    // Read back from the shared pixels: the same, at the place asked for.
    const QImage sent = picture->sent(QRect(35, 25, 30, 20));
    if (sent.isNull()) GTEST_SKIP() << "the server shares no pixels with this app";
    ASSERT_EQ(sent.size(), QSize(30, 20));
    EXPECT_EQ(sent.pixel(5, 5), blue);
    EXPECT_EQ(sent.pixel(14, 12), blue);
    EXPECT_EQ(sent.pixel(15, 12), red);
    EXPECT_EQ(sent.pixel(4, 5), red);
    EXPECT_EQ(sent.pixel(14, 13), red);
    // None beyond the picture's edge.
    EXPECT_TRUE(picture->sent(QRect(100, 50, 30, 20)).isNull());
}

}  // namespace
}  // namespace kp
