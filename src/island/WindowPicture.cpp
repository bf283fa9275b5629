#include "island/WindowPicture.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QtGui/qguiapplication_platform.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shape.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace kp {

struct WindowPicture::X {
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t gc = 0;
    uint8_t depth = 0;
    QSize size;
    std::size_t maxBytes = 0;  // of one request's pixels
    std::vector<uint8_t> rows;  // a narrower piece of an image, packed
    uint32_t events = 0;        // the window's events before exposures were left out
    bool quiet = false;
    // Pixels shared with the server, laid out as the picture: a rectangle is copied in and the
    // server takes it from there, instead of through the connection.
    xcb_shm_seg_t segment = 0;
    uint8_t* shared = nullptr;
    void share();
};

void WindowPicture::X::share() {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present) return;
    const std::size_t bytes = std::size_t(size.width()) * std::size_t(size.height()) * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return;
    void* at = shmat(id, nullptr, 0);
    if (at == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(c);
    // A server that cannot reach this memory (another host or namespace) refuses it.
    xcb_generic_error_t* error = xcb_request_check(c, xcb_shm_attach_checked(c, seg, uint32_t(id), 0));
    // Gone once both sides let go of it, whatever happens to the app.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        std::free(error);
        shmdt(at);
        return;
    }
    segment = seg;
    shared = static_cast<uint8_t*>(at);
}

std::unique_ptr<WindowPicture> WindowPicture::attach(QWidget& window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || QSysInfo::ByteOrder != QSysInfo::LittleEndian) return nullptr;
    const auto w = static_cast<xcb_window_t>(window.winId());
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!geometry) return nullptr;
    auto x = std::make_unique<X>();
    x->c = c;
    x->window = w;
    x->depth = geometry->depth;
    x->size = QSize(geometry->width, geometry->height);
    std::free(geometry);
    // Premultiplied ARGB is the 32-bit visual's own layout; the 24-bit one reads the same bytes.
    const xcb_setup_t* setup = xcb_get_setup(c);
    bool zpixmap32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == x->depth && f.data->bits_per_pixel == 32) zpixmap32 = true;
    if ((x->depth != 32 && x->depth != 24) || !zpixmap32 || x->size.isEmpty()) return nullptr;
    x->maxBytes = std::size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
    x->pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, x->depth, x->pixmap, w, uint16_t(x->size.width()), uint16_t(x->size.height()));
    x->gc = xcb_generate_id(c);
    const uint32_t values[] = {0, 0};
    xcb_create_gc(c, x->gc, x->pixmap, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
    xcb_change_window_attributes(c, w, XCB_CW_BACK_PIXMAP, &x->pixmap);
    x->share();
    std::unique_ptr<WindowPicture> picture(new WindowPicture(std::move(x)));
    picture->clear();
    return picture;
}

WindowPicture::WindowPicture(std::unique_ptr<X> x) : x_(std::move(x)) {}

WindowPicture::~WindowPicture() {
    xcb_connection_t* c = x_->c;
    if (x_->shared) shmdt(x_->shared);
    if (xcb_connection_has_error(c)) return;
    if (x_->segment) xcb_shm_detach(c, x_->segment);
    // The window may live on: it keeps no background that is gone.
    const uint32_t none = XCB_BACK_PIXMAP_NONE;
    xcb_change_window_attributes(c, x_->window, XCB_CW_BACK_PIXMAP, &none);
    // ... and is told its exposures again, to paint them itself.
    if (x_->quiet) xcb_change_window_attributes(c, x_->window, XCB_CW_EVENT_MASK, &x_->events);
    xcb_free_gc(c, x_->gc);
    xcb_free_pixmap(c, x_->pixmap);
    xcb_flush(c);
}

bool WindowPicture::fits(const QWidget& window) const {
    return window.internalWinId() == x_->window &&
           (QSizeF(window.size()) * window.devicePixelRatioF()).toSize() == x_->size;
}

void WindowPicture::clear() {
    const xcb_rectangle_t all{0, 0, uint16_t(x_->size.width()), uint16_t(x_->size.height())};
    xcb_poly_fill_rectangle(x_->c, x_->pixmap, x_->gc, 1, &all);
}

void WindowPicture::put(const QImage& image, QPoint at) { put(image, image.rect(), at); }

void WindowPicture::put(const QImage& image, const QRect& source, QPoint at) {
    const QRect within = source & image.rect();
    const QPoint to = at + within.topLeft() - source.topLeft();
    const QRect area = QRect(to, within.size()) & QRect(QPoint(), x_->size);
    if (area.isEmpty()) return;
    const QPoint from = within.topLeft() + (area.topLeft() - to);
    const std::size_t line = std::size_t(area.width()) * 4;
    if (x_->shared) {
        // Into the shared pixels at the rectangle's own place. Should the server take an earlier
        // rectangle only after this one was written over it, it takes these later pixels, which
        // this frame puts as well.
        const std::size_t stride = std::size_t(x_->size.width()) * 4;
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(x_->shared + std::size_t(area.y() + y) * stride + std::size_t(area.x()) * 4,
                        image.constScanLine(from.y() + y) + from.x() * 4, line);
        xcb_shm_put_image(x_->c, x_->pixmap, x_->gc, uint16_t(x_->size.width()), uint16_t(x_->size.height()),
                          uint16_t(area.x()), uint16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()),
                          int16_t(area.x()), int16_t(area.y()), x_->depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, x_->segment, 0);
        return;
    }
    // As many lines a request as the server takes.
    const int step = std::max<int>(1, int(x_->maxBytes / line));
    for (int y = 0; y < area.height(); y += step) {
        const int lines = std::min(step, area.height() - y);
        const uint8_t* bits = image.constScanLine(from.y() + y) + from.x() * 4;
        if (std::size_t(image.bytesPerLine()) != line) {
            x_->rows.resize(line * lines);
            for (int i = 0; i < lines; ++i)
                std::memcpy(x_->rows.data() + i * line, image.constScanLine(from.y() + y + i) + from.x() * 4, line);
            bits = x_->rows.data();
        }
        xcb_put_image(x_->c, XCB_IMAGE_FORMAT_Z_PIXMAP, x_->pixmap, x_->gc, uint16_t(area.width()), uint16_t(lines),
                      int16_t(area.x()), int16_t(area.y() + y), 0, x_->depth, uint32_t(line * lines), bits);
    }
}

QImage WindowPicture::sent(const QRect& area) const {
    if (!x_->shared || area.isEmpty() || !QRect(QPoint(), x_->size).contains(area)) return {};
    const std::size_t stride = std::size_t(x_->size.width()) * 4;
    const uint8_t* at = x_->shared + std::size_t(area.y()) * stride + std::size_t(area.x()) * 4;
    return QImage(at, area.width(), area.height(), qsizetype(stride), QImage::Format_ARGB32_Premultiplied);
}

void WindowPicture::show(const QRect& area) {
    const QRect a = area & QRect(QPoint(), x_->size);
    if (a.isEmpty()) return;
    xcb_clear_area(x_->c, 0, x_->window, int16_t(a.x()), int16_t(a.y()), uint16_t(a.width()), uint16_t(a.height()));
}

void WindowPicture::cut(const QRegion& shape) {
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(std::size_t(shape.rectCount()));
    for (const QRect& r : shape)
        rects.push_back({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    xcb_shape_rectangles(x_->c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, x_->window, 0, 0,
                         uint32_t(rects.size()), rects.data());
}

void WindowPicture::uncut() { xcb_shape_mask(x_->c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, x_->window, 0, 0, XCB_NONE); }

void WindowPicture::quietExposures() {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(x_->c, xcb_get_window_attributes(x_->c, x_->window), nullptr);
    if (!attributes) return;
    const uint32_t mask = attributes->your_event_mask & ~uint32_t(XCB_EVENT_MASK_EXPOSURE);
    if (mask != attributes->your_event_mask) {
        x_->events = attributes->your_event_mask;
        x_->quiet = true;
        xcb_change_window_attributes(x_->c, x_->window, XCB_CW_EVENT_MASK, &mask);
    }
    std::free(attributes);
}

void WindowPicture::flush() { xcb_flush(x_->c); }

}  // namespace kp
