#pragma once
// A panel's pixels as the X server keeps them: a picture the size of the window, set as its
// background. A frame puts only the rectangles that changed into the picture and shows them;
// whatever the server has to show again by itself (the window mapped, a window above it gone, its
// outline grown) it takes from the picture, so the app is never asked to paint again, and the
// toolkit's own backing store is never filled nor sent.
#include <QImage>
#include <QRect>
#include <QRegion>

#include <memory>

class QWidget;

namespace kp {

class WindowPicture {
public:
    // For `window` (created on X, at its full size); none on other platforms or pixel formats.
    static std::unique_ptr<WindowPicture> attach(QWidget& window);
    ~WindowPicture();
    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;

    // Still the picture of `window` as it is now (the same native window, at the same size).
    bool fits(const QWidget& window) const;
    // Every pixel see-through again.
    void clear();
    // `image` (premultiplied ARGB, device pixels) into the picture at `at`.
    void put(const QImage& image, QPoint at);
    // The `from` rectangle of `image` into the picture at `at`.
    void put(const QImage& image, const QRect& from, QPoint at);
    // The pixels last put at `area`, where the server shares them with the app (else none): a
    // view of them, not a copy, which later puts change; valid while the picture lives.
    QImage sent(const QRect& area) const;
    // The picture's `area` (device pixels) shown in the window.
    void show(const QRect& area);
    // Cuts the window to `shape` (device pixels; empty: nothing shows), or shows all of it.
    void cut(const QRegion& shape);
    void uncut();
    // The server need not tell the window's exposures: it fills them from the picture itself.
    // Again after every change of the window's flags, which selects them anew.
    void quietExposures();
    void flush();

private:
    struct X;
    explicit WindowPicture(std::unique_ptr<X> x);
    std::unique_ptr<X> x_;
};

}  // namespace kp
