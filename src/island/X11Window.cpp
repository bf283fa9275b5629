#include "island/X11Window.h"

#include "platform/KWinCompositing.h"
#include "platform/WindowList.h"
#include "platform/X11Connection.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/shape.h>
#include <xcb/xfixes.h>
#include <xcb/xcb.h>

namespace kp::x11 {

namespace {
xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The latest server time the toolkit's connection has brought, from input and property changes
// (the window manager's on our windows among them): the time a request to the manager carries.
class ServerTime final : public QAbstractNativeEventFilter {
public:
    static ServerTime& shared() {
        static ServerTime* time = [] {
            auto* t = new ServerTime;  // lives as long as the application
            QCoreApplication::instance()->installNativeEventFilter(t);
            return t;
        }();
        return *time;
    }
    xcb_timestamp_t last() const { return last_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & ~0x80) {
            case XCB_KEY_PRESS:
            case XCB_KEY_RELEASE:
            case XCB_BUTTON_PRESS:
            case XCB_BUTTON_RELEASE:
            case XCB_MOTION_NOTIFY:
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY:  // all laid out as a key press
                last_ = reinterpret_cast<const xcb_key_press_event_t*>(event)->time;
                break;
            case XCB_PROPERTY_NOTIFY: last_ = reinterpret_cast<const xcb_property_notify_event_t*>(event)->time; break;
            default: break;
        }
        return false;
    }

private:
    xcb_timestamp_t last_ = XCB_CURRENT_TIME;
};

// Whether the window manager has taken `w` on: it says so in WM_STATE, Normal or Iconic.
bool managed(xcb_connection_t* c, xcb_window_t w) {
    const xcb_atom_t state = internAtom(c, "WM_STATE", true);
    if (state == XCB_ATOM_NONE) return false;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, w, state, state, 0, 1), nullptr);
    const std::vector<uint32_t> values = cardinals(reply);
    std::free(reply);
    constexpr uint32_t normal = 1, iconic = 3;
    return !values.empty() && (values[0] == normal || values[0] == iconic);
}
}  // namespace

bool compositorRunning() { return CompositorWatch::shared().running(); }

CompositorWatch& CompositorWatch::shared() {
    static CompositorWatch* watch = new CompositorWatch;  // lives as long as the application
    return *watch;
}

CompositorWatch::CompositorWatch() {
    xcb_connection_t* c = connection();
    if (!c) return;
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const char* dot = nullptr;
        for (const char* s = display; *s; ++s)
            if (*s == '.') dot = s;
        if (dot) screen = std::atoi(dot + 1);
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!reply) return;
    atom_ = reply->atom;
    std::free(reply);
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (fixes && fixes->present) {
        // The toolkit has already agreed a version with the server on this connection.
        fixesEvent_ = fixes->first_event;
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_xfixes_select_selection_input(c, root->root, atom_,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    connect(&KWinCompositing::shared(), &KWinCompositing::changed, this, &CompositorWatch::follow);
    owned_ = ask();
    running_ = owned_ && KWinCompositing::shared().allows();
}

bool CompositorWatch::ask() {
    xcb_connection_t* c = connection();
    if (!c || atom_ == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom_), nullptr);
    const bool running = owner && owner->owner != XCB_NONE;
    std::free(owner);
    return running;
}

bool CompositorWatch::running() {
    // Without selection events the server is asked each time.
    if (fixesEvent_ < 0) {
        owned_ = ask();
        running_ = owned_ && KWinCompositing::shared().allows();
    }
    return running_;
}

void CompositorWatch::follow() {
    const bool running = owned_ && KWinCompositing::shared().allows();
    if (running == running_) return;
    running_ = running;
    emit changed(running);
}

bool CompositorWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (fixesEvent_ < 0 || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) return false;
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != atom_) return false;
    owned_ = notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_NONE;
    follow();
    return false;  // the toolkit follows the same selection
}

CompositorCut::CompositorCut(QWidget& window) : QObject(&window), window_(window), settle_(new QTimer(this)) {
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &CompositorCut::leave);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    cut_ = !compositorRunning();
    connect(&CompositorWatch::shared(), &CompositorWatch::changed, this, &CompositorCut::follow);
    window.installEventFilter(this);
}

void CompositorCut::follow(bool running) {
    if (running) {
        if (cut_) settle_->start();
        return;
    }
    settle_->stop();
    if (cut_) return;
    cut_ = true;
    emit changed(true);
}

bool CompositorCut::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Hide) leave();
    return false;
}

void CompositorCut::leave() {
    if (!cut_ || settle_->isActive() || window_.isVisible() || !compositorRunning()) return;
    cut_ = false;
    emit changed(false);
}

bool setInputShape(QWidget* window, const QRegion& region) {
    xcb_connection_t* c = connection();
    if (!c || !window) return false;
    const qreal dpr = window->devicePixelRatioF();
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : region) {
        const QRect d(QPoint(qRound(r.left() * dpr), qRound(r.top() * dpr)),
                      QSize(qRound(r.width() * dpr), qRound(r.height() * dpr)));
        rects.push_back({static_cast<int16_t>(d.x()), static_cast<int16_t>(d.y()), static_cast<uint16_t>(d.width()),
                         static_cast<uint16_t>(d.height())});
    }
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(window->winId()), 0, 0, static_cast<uint32_t>(rects.size()),
                         rects.data());
    xcb_flush(c);
    return true;
}

bool askToActivate(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window || !window->testAttribute(Qt::WA_WState_Created)) return false;
    const ServerTime& time = ServerTime::shared();  // from now on, for the next request
    const auto w = static_cast<xcb_window_t>(window->winId());
    if (!managed(c, w)) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen && askToActivate(c, screen->root, w, time.last());
}

bool putAway(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window || !window->testAttribute(Qt::WA_WState_Created)) return false;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t wmState = internAtom(c, "WM_STATE", true), netState = internAtom(c, "_NET_WM_STATE", true),
                     hidden = internAtom(c, "_NET_WM_STATE_HIDDEN", true);
    // Sent together, so the answers come back in one wait; an atom no client has made is no state.
    const auto attributes = xcb_get_window_attributes(c, w);
    std::optional<xcb_get_property_cookie_t> state, net;
    if (wmState != XCB_ATOM_NONE) state = xcb_get_property(c, 0, w, wmState, wmState, 0, 1);
    if (netState != XCB_ATOM_NONE && hidden != XCB_ATOM_NONE)
        net = xcb_get_property(c, 0, w, netState, XCB_ATOM_ATOM, 0, 32);
    xcb_get_window_attributes_reply_t* mapping = xcb_get_window_attributes_reply(c, attributes, nullptr);
    bool away = !mapping || mapping->map_state != XCB_MAP_STATE_VIEWABLE;
    std::free(mapping);
    if (state) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, *state, nullptr);
        const std::vector<uint32_t> values = cardinals(reply);
        std::free(reply);
        constexpr uint32_t iconic = 3;
        away = away || (!values.empty() && values[0] == iconic);
    }
    if (net) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, *net, nullptr);
        const std::vector<uint32_t> values = cardinals(reply);
        std::free(reply);
        away = away || std::find(values.begin(), values.end(), hidden) != values.end();
    }
    return away;
}

void preferDarkDecorations(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    auto atom = [c](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    };
    const xcb_atom_t variant = atom("_GTK_THEME_VARIANT"), utf8 = atom("UTF8_STRING");
    if (variant == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return;
    static constexpr char dark[] = "dark";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), variant, utf8, 8,
                        sizeof(dark) - 1, dark);
    xcb_flush(c);
}

namespace {
// A true-colour visual with an alpha channel; 0 when the screen has none.
xcb_visualid_t argbVisual(xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        if (depths.data->depth != 32) continue;
        for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) return v.data->visual_id;
    }
    return 0;
}
}  // namespace

ClickPlace::ClickPlace(std::function<void(Qt::MouseButton, QPoint)> clicked) : clicked_(std::move(clicked)) {}

ClickPlace::~ClickPlace() {
    if (!window_) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t* c = connection()) {
        xcb_destroy_window(c, window_);
        if (colormap_) xcb_free_colormap(c, colormap_);
        xcb_flush(c);
    }
}

void ClickPlace::show(const QRect& area) {
    xcb_connection_t* c = connection();
    if (!c || area.isEmpty()) return;
    if (!window_) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        root_ = screen->root;
        window_ = xcb_generate_id(c);
        // Not the window manager's to frame or place; only presses and releases.
        const uint32_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
        // Under Wayland only windows with pixels become surfaces that the compositor hands input
        // to: there a see-through one (the compositor always composites there) stands in.
        const xcb_visualid_t argb = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? 0 : argbVisual(screen);
        if (argb) {
            colormap_ = xcb_generate_id(c);
            xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap_, root_, argb);
            const uint32_t values[] = {0, 0, 1, events, colormap_};
            xcb_create_window(c, 32, window_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, argb,
                              XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                                  XCB_CW_EVENT_MASK | XCB_CW_COLORMAP,
                              values);
        } else {
            const uint32_t values[] = {1, events};
            xcb_create_window(c, 0, window_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                              XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        }
        static constexpr char name[] = "Kettlepaw Island Place";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof(name) - 1,
                            name);
        restacked_[0] = internAtom(c, "_NET_CLIENT_LIST_STACKING");
        restacked_[1] = internAtom(c, "_NET_CLIENT_LIST");
        restacked_[2] = internAtom(c, "_NET_ACTIVE_WINDOW");
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    if (!shown_ || area != area_) {
        const uint32_t place[] = {uint32_t(area.x()), uint32_t(area.y()), uint32_t(area.width()),
                                  uint32_t(area.height()), XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                             place);
    }
    area_ = area;
    if (!shown_) xcb_map_window(c, window_);
    shown_ = true;
    xcb_flush(c);
}

void ClickPlace::hide() {
    if (!shown_) return;
    shown_ = false;
    if (xcb_connection_t* c = connection()) {
        xcb_unmap_window(c, window_);
        xcb_flush(c);
    }
}

void ClickPlace::click(int button, QPoint at) {
    const Qt::MouseButton which = button == 1 ? Qt::LeftButton : button == 3 ? Qt::RightButton : Qt::NoButton;
    if (which == Qt::NoButton) return;
    // Out of the toolkit's event handling: a menu opened now grabs the pointer afresh.
    QMetaObject::invokeMethod(this, [this, which, at] {
        if (clicked_) clicked_(which, at);
    }, Qt::QueuedConnection);
}

bool ClickPlace::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!window_ || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // A press and release the server gave the place are its click, though it may have gone since
    // (a pointer that comes with a click peeks the island while both wait to be read).
    switch (event->response_type & ~0x80) {
        case XCB_BUTTON_PRESS: {
            const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
            if (press->event != window_) break;
            pressed_ = press->detail;
            // Gone since: its release goes to whatever lies there now, if it did not come first. The
            // press is the click then, and a release that still comes is no second one.
            if (!shown_) {
                pressed_ = 0;
                click(press->detail, QPoint(press->root_x, press->root_y));
            }
            break;
        }
        case XCB_BUTTON_RELEASE: {
            const auto* release = reinterpret_cast<const xcb_button_release_event_t*>(event);
            if (release->event != window_ || release->detail != pressed_) break;
            pressed_ = 0;
            // A press dragged off the place and let go elsewhere is no click.
            if (release->event_x < 0 || release->event_y < 0 || release->event_x >= area_.width() ||
                release->event_y >= area_.height())
                break;
            click(release->detail, QPoint(release->root_x, release->root_y));
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            // The manager restacked its windows (one opened or came to the front): back on top.
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (!shown_ || notify->window != root_ || notify->atom == XCB_ATOM_NONE ||
                std::find(std::begin(restacked_), std::end(restacked_), notify->atom) == std::end(restacked_))
                break;
            if (xcb_connection_t* c = connection()) {
                const uint32_t above = XCB_STACK_MODE_ABOVE;
                xcb_configure_window(c, window_, XCB_CONFIG_WINDOW_STACK_MODE, &above);
                xcb_flush(c);
            }
            break;
        }
        default: break;
    }
    return false;  // the toolkit sees the same events
}

bool keepsTopCentre(const std::optional<FrontWindow>& front, bool known, const QRect& screen, const QRect& area) {
    if (!front || front->desktop || area.isEmpty()) return false;
    if (front->fullScreen && front->frame.contains(area)) return true;
    // Where the state may be unknown, a window over all of the screen is taken for a full-screen
    // one (a maximized one keeps the manager's title bar or a panel beside it).
    return !known && !screen.isEmpty() && front->frame.contains(screen);
}

namespace {
// Whether `w` is a window of this connection (the app's own, the place among them).
bool ownWindow(xcb_connection_t* c, xcb_window_t w) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    return (w & ~setup->resource_id_mask) == setup->resource_id_base;
}

// Sends a change of what this connection hears from `w`; an error (a window gone meanwhile) is
// dropped when it comes, not waited for.
void hear(xcb_connection_t* c, xcb_window_t w, uint32_t mask) {
    xcb_discard_reply(c, xcb_change_window_attributes_checked(c, w, XCB_CW_EVENT_MASK, &mask).sequence);
}

template <typename Reply>
Reply* answer(Reply* reply, xcb_generic_error_t* error) {
    std::free(error);
    return reply;
}
}  // namespace

FullScreenWatch::FullScreenWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

FullScreenWatch::~FullScreenWatch() {
    stop();
    if (root_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool FullScreenWatch::follow(const QRect& screen, const QRect& area) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    if (!root_) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        active_ = internAtom(c, "_NET_ACTIVE_WINDOW");
        state_ = internAtom(c, "_NET_WM_STATE");
        fullScreen_ = internAtom(c, "_NET_WM_STATE_FULLSCREEN");
        stacking_ = internAtom(c, "_NET_CLIENT_LIST_STACKING");
        type_ = internAtom(c, "_NET_WM_WINDOW_TYPE");
        desktop_ = internAtom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
        // The root's property changes, added to what the toolkit already hears from it.
        xcb_generic_error_t* error = nullptr;
        if (auto* heard = answer(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root_), &error), error)) {
            rootMask_ = heard->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
            if (rootMask_ != heard->your_event_mask) hear(c, root_, rootMask_);
            std::free(heard);
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    if (following_ && screen == screen_ && area == area_) return covered_;
    screen_ = screen;
    area_ = area;
    if (following_) {
        // The caller may be in the middle of a change of its own: told from the event loop.
        lookLater();
        return covered_;
    }
    following_ = true;
    look(false);
    return covered_;
}

void FullScreenWatch::stop() {
    following_ = false;
    covered_ = false;
    if (watched_) watch(XCB_WINDOW_NONE, 0);
    hearRootChildren(false);
}

void FullScreenWatch::hearRootChildren(bool on) {
    // Only where the toolkit does not hear them itself: it takes each as a change of the screens.
    if (on == rootChildren_ || (rootMask_ & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY)) return;
    xcb_connection_t* c = connection();
    if (!c) return;
    rootChildren_ = on;
    hear(c, root_, rootMask_ | (on ? XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY : 0));
    xcb_flush(c);
}

void FullScreenWatch::lookLater() {
    // One look for the burst of changes a manager makes at once.
    if (queued_) return;
    queued_ = true;
    QMetaObject::invokeMethod(this, [this] {
        queued_ = false;
        if (following_) look(true);
    }, Qt::QueuedConnection);
}

void FullScreenWatch::look(bool tell) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const auto activeAsked = xcb_get_property(c, 0, root_, active_, XCB_ATOM_WINDOW, 0, 1);
    const auto listAsked = xcb_get_property(c, 0, root_, stacking_, XCB_ATOM_WINDOW, 0, 4096);
    xcb_generic_error_t* error = nullptr;
    auto* active = answer(xcb_get_property_reply(c, activeAsked, &error), error);
    auto* listed = answer(xcb_get_property_reply(c, listAsked, &error), error);
    const std::vector<uint32_t> named = active && active->type == XCB_ATOM_WINDOW ? cardinals(active) : std::vector<uint32_t>{};
    const xcb_window_t activeWindow = named.empty() ? xcb_window_t(XCB_WINDOW_NONE) : named.front();
    // Bottom to top.
    std::vector<xcb_window_t> stack;
    const bool list = listed && listed->type == XCB_ATOM_WINDOW;
    if (list) {
        const std::vector<uint32_t> ids = cardinals(listed);
        stack.assign(ids.begin(), ids.end());
    }
    std::free(active);
    std::free(listed);
    // A manager may leave the active window out of its list (i3 its full-screen ones), or keep no
    // list: it is in front all the same.
    if (activeWindow != XCB_WINDOW_NONE && std::find(stack.begin(), stack.end(), activeWindow) == stack.end())
        stack.push_back(activeWindow);
    known_ = !stack.empty() || list;
    // Where no manager tells, the root's own windows, heard before they are asked for.
    hearRootChildren(!known_);
    if (!known_) {
        if (auto* tree = answer(xcb_query_tree_reply(c, xcb_query_tree(c, root_), &error), error)) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            stack.assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
    }
    const Front front = frontmost(stack);
    // The app's own window in front keeps nothing from the island.
    const bool own = front.window != XCB_WINDOW_NONE && ownWindow(c, front.window);
    // Heard before the window's facts are asked, so no change between the two goes unheard.
    watch(own ? xcb_window_t(XCB_WINDOW_NONE) : front.window, front.heard);
    const std::optional<FrontWindow> facts = watched_ != XCB_WINDOW_NONE ? read(watched_) : std::nullopt;
    // A listed window's size matters only once it says it is full screen.
    sizeMatters_ = !known_ || (facts && facts->fullScreen);
    const bool covered = keepsTopCentre(facts, known_, screen_, area_);
    if (covered == covered_) return;
    covered_ = covered;
    if (tell && changed_) changed_();
}

FullScreenWatch::Front FullScreenWatch::frontmost(const std::vector<xcb_window_t>& stack) {
    xcb_connection_t* c = connection();
    // Asked from the top, a few at a time: the front window is seldom far down. Only the top of a
    // long list is looked at.
    constexpr std::size_t kLooked = 256, kBatch = 16;
    struct Asked {
        xcb_window_t w;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    Front found;
    xcb_generic_error_t* error = nullptr;
    auto next = stack.rbegin();
    for (std::size_t looked = 0; found.window == XCB_WINDOW_NONE && next != stack.rend() && looked < kLooked;) {
        std::vector<Asked> asked;
        for (; next != stack.rend() && asked.size() < kBatch && looked < kLooked; ++next, ++looked)
            asked.push_back({*next, xcb_get_window_attributes(c, *next), xcb_get_geometry(c, *next),
                             xcb_translate_coordinates(c, *next, root_, 0, 0)});
        for (const Asked& a : asked) {
            auto* attributes = answer(xcb_get_window_attributes_reply(c, a.attributes, &error), error);
            auto* geometry = answer(xcb_get_geometry_reply(c, a.geometry, &error), error);
            auto* origin = answer(xcb_translate_coordinates_reply(c, a.origin, &error), error);
            // Menus and tips of others come and go over anything: only a shown, ordinary window counts.
            if (found.window == XCB_WINDOW_NONE && attributes && geometry && origin &&
                attributes->map_state == XCB_MAP_STATE_VIEWABLE && !attributes->override_redirect &&
                attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT &&
                QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height).intersects(area_))
                found = {a.w, attributes->your_event_mask};
            std::free(attributes);
            std::free(geometry);
            std::free(origin);
        }
    }
    return found;
}

std::optional<FrontWindow> FullScreenWatch::read(xcb_window_t w) {
    xcb_connection_t* c = connection();
    const auto geometryAsked = xcb_get_geometry(c, w);
    const auto originAsked = xcb_translate_coordinates(c, w, root_, 0, 0);
    const auto stateAsked = xcb_get_property(c, 0, w, state_, XCB_ATOM_ATOM, 0, 32);
    const auto typeAsked = xcb_get_property(c, 0, w, type_, XCB_ATOM_ATOM, 0, 32);
    xcb_generic_error_t* error = nullptr;
    auto* geometry = answer(xcb_get_geometry_reply(c, geometryAsked, &error), error);
    auto* origin = answer(xcb_translate_coordinates_reply(c, originAsked, &error), error);
    auto* state = answer(xcb_get_property_reply(c, stateAsked, &error), error);
    auto* type = answer(xcb_get_property_reply(c, typeAsked, &error), error);
    std::optional<FrontWindow> front;
    if (geometry && origin) {
        front = FrontWindow{QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height)};
        for (uint32_t s : cardinals(state))
            if (s == fullScreen_) front->fullScreen = true;
        for (uint32_t t : cardinals(type))
            if (t == desktop_) front->desktop = true;
    }
    for (void* reply : {static_cast<void*>(geometry), static_cast<void*>(origin), static_cast<void*>(state),
                        static_cast<void*>(type)})
        std::free(reply);
    return front;
}

void FullScreenWatch::watch(xcb_window_t w, uint32_t ownMask) {
    if (w == watched_) return;
    xcb_connection_t* c = connection();
    if (!c) return;
    // What this connection heard from the window before is given back (the toolkit may follow it).
    if (watched_) hear(c, watched_, watchedMask_);
    watched_ = w;
    watchedMask_ = ownMask;
    if (w) hear(c, w, ownMask | XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_flush(c);
}

bool FullScreenWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const int type = event->response_type & ~0x80;
    static constexpr int kChildNotices[] = {XCB_CREATE_NOTIFY,   XCB_DESTROY_NOTIFY,   XCB_UNMAP_NOTIFY,
                                            XCB_MAP_NOTIFY,      XCB_REPARENT_NOTIFY,  XCB_CONFIGURE_NOTIFY,
                                            XCB_GRAVITY_NOTIFY,  XCB_CIRCULATE_NOTIFY};
    if (rootChildren_ && std::find(std::begin(kChildNotices), std::end(kChildNotices), type) != std::end(kChildNotices)) {
        // Each is laid out as a destroy notice: the window it was told to, then the one told of.
        const auto* notice = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (notice->event == root_ && notice->window != root_) {
            if (following_) lookLater();
            return true;  // heard for this watch alone
        }
    }
    if (!following_) return false;
    switch (type) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window == root_ ? notify->atom == active_ || notify->atom == stacking_
                                        : notify->window == watched_ && notify->atom == state_)
                lookLater();
            break;
        }
        case XCB_CONFIGURE_NOTIFY:
            if (sizeMatters_ && reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window == watched_)
                lookLater();
            break;
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY: {
            // All three have the window at the same place.
            const auto* notify = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
            if (notify->window != watched_) break;
            // Its id may come back with the next program's window, which must be heard afresh.
            if (type == XCB_DESTROY_NOTIFY) watched_ = XCB_WINDOW_NONE;
            lookLater();
            break;
        }
        default: break;
    }
    return false;  // the toolkit sees the same events
}

// The pointer is asked on the platform's own connection, shared with the desktop cat's frames;
// only where Qt itself runs on X, so that other platforms keep Qt's own cursor.
PointerProbe::PointerProbe() : available_(connection() != nullptr) {}

std::optional<QPoint> PointerProbe::poll() {
    return available_ ? PointerDragsX11::shared().pointer() : std::nullopt;
}

std::optional<QPoint> PointerProbe::pollNow() {
    return available_ ? PointerDragsX11::shared().pointerNow() : std::nullopt;
}

bool PointerProbe::waitForInput(std::function<void()> input) {
    return available_ && PointerDragsX11::shared().waitForInput(std::move(input));
}

void PointerProbe::stopWaiting() {
    if (available_) PointerDragsX11::shared().stopWaiting();
}

}  // namespace kp::x11
