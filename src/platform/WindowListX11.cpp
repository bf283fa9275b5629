#include "platform/WindowList.h"
#include "platform/Scheduler.h"
#include "platform/WindowListX11Table.h"
#include "platform/X11Connection.h"

#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <xcb/xfixes.h>
#include <xcb/sync.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kp {

namespace {

struct Atoms {
    xcb_atom_t stacking = XCB_ATOM_NONE;
    xcb_atom_t clients = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t strut = XCB_ATOM_NONE;
    xcb_atom_t strutPartial = XCB_ATOM_NONE;
    xcb_atom_t frameExtents = XCB_ATOM_NONE;
    xcb_atom_t gtkFrameExtents = XCB_ATOM_NONE;
    xcb_atom_t windowType = XCB_ATOM_NONE;
    xcb_atom_t typeDock = XCB_ATOM_NONE;
    xcb_atom_t typeDesktop = XCB_ATOM_NONE;
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t stateHidden = XCB_ATOM_NONE;
    xcb_atom_t stateFullscreen = XCB_ATOM_NONE;
    xcb_atom_t pid = XCB_ATOM_NONE;
    xcb_atom_t opacity = XCB_ATOM_NONE;
    xcb_atom_t active = XCB_ATOM_NONE;

    // A window's property that the list is made of (titles, user times and the like are not).
    bool describes(xcb_atom_t a) const {
        return a == strut || a == strutPartial || a == frameExtents || a == gtkFrameExtents || a == windowType ||
               a == state || a == pid || a == opacity || a == XCB_ATOM_WM_CLASS;
    }
};

using x11::cardinals;
using x11::internAtom;

xcb_get_property_cookie_t ask(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom, xcb_atom_t type, uint32_t length) {
    return xcb_get_property(c, 0, w, atom, type, 0, length);
}

// A root child's inside, from its place on the root and its border.
QPointF insideOf(int x, int y, int border) { return QPointF(x + border, y + border); }

// A frame holds its client, its title bar's parts and the like: more are not looked into.
constexpr std::size_t kMaxChildren = 64;
// How far up from a client its root child is looked for.
constexpr int kMaxDepth = 8;

std::vector<std::vector<xcb_window_t>> childrenOf(xcb_connection_t* c, const std::vector<xcb_window_t>& windows);

}  // namespace

struct WindowListX11::State {
    Atoms atoms;
    WindowTable table;
    std::unordered_set<uint32_t> stale;       // windows to read again
    std::unordered_set<uint32_t> candidates;  // root children shown anew, outside the list
    bool restack = false;                // the manager's stacking list changed
    double rootWidth = 0, rootHeight = 0;
    int uses = 0;
    WorkId idleCheck = 0;
};

WindowListX11::WindowListX11(Scheduler* scheduler) : scheduler_(scheduler), state_(std::make_unique<State>()) {}

WindowListX11::~WindowListX11() {
    if (scheduler_ && state_->idleCheck) scheduler_->cancel(state_->idleCheck);
    if (connection_) xcb_disconnect(connection_);
}

WindowListX11& WindowListX11::shared() {
    // The scheduler is made first, so it outlives the list.
    static WindowListX11 instance(&QtScheduler::shared());
    return instance;
}

bool WindowListX11::connect() {
    if (connection_) return true;
    if (tried_) return false;
    tried_ = true;
    const auto display = x11::openDisplay();
    if (!display) return false;
    xcb_connection_t* c = display->connection;
    connection_ = c;
    root_ = display->root;
    Atoms& a = state_->atoms;
    const std::pair<xcb_atom_t*, const char*> names[] = {
        {&a.stacking, "_NET_CLIENT_LIST_STACKING"}, {&a.clients, "_NET_CLIENT_LIST"},
        {&a.wmState, "WM_STATE"}, {&a.strut, "_NET_WM_STRUT"}, {&a.strutPartial, "_NET_WM_STRUT_PARTIAL"},
        {&a.frameExtents, "_NET_FRAME_EXTENTS"}, {&a.gtkFrameExtents, "_GTK_FRAME_EXTENTS"},
        {&a.windowType, "_NET_WM_WINDOW_TYPE"}, {&a.typeDock, "_NET_WM_WINDOW_TYPE_DOCK"},
        {&a.typeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"}, {&a.state, "_NET_WM_STATE"},
        {&a.stateHidden, "_NET_WM_STATE_HIDDEN"}, {&a.stateFullscreen, "_NET_WM_STATE_FULLSCREEN"},
        {&a.pid, "_NET_WM_PID"}, {&a.opacity, "_NET_WM_WINDOW_OPACITY"}, {&a.active, "_NET_ACTIVE_WINDOW"}};
    // Asked all at once: one round trip.
    std::vector<xcb_intern_atom_cookie_t> asked;
    for (const auto& [atom, name] : names) asked.push_back(xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name));
    for (std::size_t i = 0; i < asked.size(); ++i) {
        auto* reply = xcb_intern_atom_reply(c, asked[i], nullptr);
        *names[i].first = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
    }
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    dirty_ = activeDirty_ = true;
    return true;
}

void WindowListX11::used() {
    ++state_->uses;
    if (scheduler_ && !state_->idleCheck && connection_)
        state_->idleCheck = scheduler_->after(kIdleSeconds, [this] { idleCheck(); });
}

void WindowListX11::idleCheck() {
    State& s = *state_;
    s.idleCheck = 0;
    if (s.uses == 0) {
        release();
        return;
    }
    s.uses = 0;
    s.idleCheck = scheduler_->after(kIdleSeconds, [this] { idleCheck(); });
}

// Between outings nobody reads the server's word of moves: the connection goes, and with it every
// event the server would otherwise keep for it.
void WindowListX11::release() {
    if (connection_) xcb_disconnect(connection_);
    connection_ = nullptr;
    tried_ = false;
    dirty_ = activeDirty_ = true;
    activePid_ = 0;
    State& s = *state_;
    s.table.clear();
    s.stale.clear();
    s.candidates.clear();
    s.restack = false;
}

// Takes in what the server has reported since the last call: a window moved or resized updates its
// entry; a property the list is made of marks that window to be read again, a new stacking the
// order, windows appearing, going or changing parents the whole list; the active window is marked
// to be asked again.
void WindowListX11::drainEvents() {
    State& s = *state_;
    const Atoms& a = s.atoms;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        switch (event->response_type & ~0x80) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->window == root_) {
                if (e->atom == a.active) activeDirty_ = true;
                else if (e->atom == a.stacking) s.restack = true;
                else if (e->atom == a.clients) dirty_ = true;
            } else if (a.describes(e->atom) && s.table.find(e->window)) {
                s.stale.insert(e->window);
            }
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            // One sent by another client (a manager telling its client where it is) is not the
            // server's word; after a change that reads everything, nothing else counts.
            if ((event->response_type & 0x80) || dirty_) break;
            const auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            const QSizeF size(e->width, e->height);
            const QPointF at = insideOf(e->x, e->y, e->border_width);
            if (e->event == root_) {
                const auto change = s.table.topConfigured(e->window, at, size, e->above_sibling);
                if (change == WindowTable::Change::readWindow) {
                    for (uint32_t w : s.table.windowsIn(e->window)) s.stale.insert(w);
                }
                if (change == WindowTable::Change::readAll) dirty_ = true;
            } else if (e->event == e->window) {
                const auto change = s.table.clientConfigured(e->window, at, size);
                if (change == WindowTable::Change::readWindow) s.stale.insert(e->window);
            }
            break;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_GRAVITY_NOTIFY: {
            // Each of these events starts with the window it reports on, then the window concerned.
            const uint32_t w = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            // A listed window, or the root child holding one: those windows are read again.
            bool known = s.table.find(w) != nullptr;
            if (known) s.stale.insert(w);
            for (uint32_t inside : s.table.windowsIn(w)) {
                s.stale.insert(inside);
                known = true;
            }
            if (known || (event->response_type & ~0x80) != XCB_MAP_NOTIFY) break;
            // Shown anew: without a manager, a window of the list; with one, a popup or a tooltip
            // unless it is a dock the manager lists nowhere.
            if (s.table.rootOrder())
                dirty_ = true;
            else if (reinterpret_cast<xcb_map_notify_event_t*>(event)->event == root_)
                s.candidates.insert(w);
            break;
        }
        case XCB_CREATE_NOTIFY:
            // Without a manager each new child of the root is a window of the list; with one, a new
            // client comes with a new list of clients.
            if (s.table.rootOrder()) dirty_ = true;
            break;
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case 0:  // an error
            dirty_ = true;
            break;
        default:
            break;
        }
        std::free(event);
    }
}

// The list as the server has it now: read in full, or only where it changed.
void WindowListX11::catchUp() {
    drainEvents();
    State& s = *state_;
    if (dirty_) {
        refresh();
        return;
    }
    if (s.restack) {
        s.restack = false;
        const auto stacking = x11::windowList(connection_, root_, s.atoms.stacking, kMaxWindows);
        if (s.table.restacked(stacking) == WindowTable::Change::readAll) {
            refresh();
            return;
        }
    }
    if (!s.candidates.empty() && holdsDock()) {
        refresh();
        return;
    }
    if (!s.stale.empty()) readAgain();
}

// Whether a root child shown anew outside the list is, or holds, a dock.
bool WindowListX11::holdsDock() {
    State& s = *state_;
    const std::vector<xcb_window_t> shown(s.candidates.begin(), s.candidates.end());
    s.candidates.clear();
    xcb_connection_t* c = connection_;
    std::vector<xcb_window_t> windows = shown;
    for (const auto& children : childrenOf(c, shown)) windows.insert(windows.end(), children.begin(), children.end());
    std::vector<xcb_get_property_cookie_t> asked;
    asked.reserve(windows.size());
    for (xcb_window_t w : windows) asked.push_back(ask(c, w, s.atoms.windowType, XCB_ATOM_ATOM, 32));
    bool dock = false;
    for (const auto& cookie : asked) {
        auto* type = xcb_get_property_reply(c, cookie, nullptr);
        for (uint32_t t : cardinals(type)) dock = dock || t == s.atoms.typeDock;
        std::free(type);
    }
    return dock;
}

const std::vector<WindowInfo>& WindowListX11::onScreenWindows() {
    State& s = *state_;
    if (!connect()) return s.table.windows();
    used();
    if (xcb_connection_has_error(connection_)) {
        s.table.clear();
        return s.table.windows();
    }
    catchUp();
    return s.table.windows();
}

long long WindowListX11::activePid() {
    if (!connect() || xcb_connection_has_error(connection_)) return 0;
    used();
    drainEvents();
    if (!activeDirty_) return activePid_;
    activeDirty_ = false;
    activePid_ = 0;
    xcb_connection_t* c = connection_;
    auto* reply = xcb_get_property_reply(c, ask(c, root_, state_->atoms.active, XCB_ATOM_WINDOW, 1), nullptr);
    const auto ids = cardinals(reply);
    std::free(reply);
    if (ids.empty() || ids.front() == 0) return 0;
    auto* pid = xcb_get_property_reply(c, ask(c, ids.front(), state_->atoms.pid, XCB_ATOM_CARDINAL, 1), nullptr);
    const auto pids = cardinals(pid);
    std::free(pid);
    if (!pids.empty()) activePid_ = pids.front();
    return activePid_;
}

PointerDragsX11::PointerDragsX11() = default;

PointerDragsX11::~PointerDragsX11() {
    notifier_.reset();
    if (alarmConnection_) xcb_disconnect(alarmConnection_);
    if (connection_) xcb_disconnect(connection_);
}

PointerDragsX11& PointerDragsX11::shared() {
    static PointerDragsX11 instance;
    return instance;
}

bool PointerDragsX11::connect() {
    if (connection_) return !xcb_connection_has_error(connection_);
    if (tried_) return false;
    tried_ = true;
    const auto display = x11::openDisplay();
    if (!display) return false;
    xcb_connection_t* c = display->connection;
    connection_ = c;
    root_ = display->root;
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (fixes && fixes->present) {
        auto* version = xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr);
        std::free(version);
        const xcb_atom_t dnd = internAtom(c, "XdndSelection");
        xcb_xfixes_select_selection_input(c, root_, dnd,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        fixesEvent_ = fixes->first_event;
    }
    findIdleCounter();
    xcb_flush(c);
    return true;
}

void PointerDragsX11::findIdleCounter() {
    xcb_connection_t* c = connection_;
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(c, &xcb_sync_id);
    if (!sync || !sync->present) return;
    std::free(xcb_sync_initialize_reply(c, xcb_sync_initialize(c, 3, 1), nullptr));
    auto* reply = xcb_sync_list_system_counters_reply(c, xcb_sync_list_system_counters(c), nullptr);
    if (!reply) return;
    // Read by hand: the generated iterator pads the entries wrongly and garbles the names.
    const auto* at = reinterpret_cast<const uint8_t*>(reply + 1);
    const auto* end = at + 4 * std::size_t(reply->length);
    for (uint32_t i = 0; i < reply->counters_len && at + 14 <= end; ++i) {
        uint32_t counter = 0;
        uint16_t length = 0;
        std::memcpy(&counter, at, 4);
        std::memcpy(&length, at + 12, 2);
        if (at + 14 + length <= end && std::string_view(reinterpret_cast<const char*>(at + 14), length) == "IDLETIME") {
            idleCounter_ = counter;
            syncEvent_ = sync->first_event;
        }
        at += (14 + length + 3) & ~3u;
    }
    std::free(reply);
}

void PointerDragsX11::readAnswer() {
    if (pendingIdle_) {
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(connection_, pendingIdle_, &answer, &error)) {
            pendingIdle_ = 0;
            if (auto* reply = static_cast<xcb_sync_query_counter_reply_t*>(answer))
                idleMs_ = (int64_t(reply->counter_value.hi) << 32) | reply->counter_value.lo;
            std::free(answer);
            std::free(error);
        }
    }
    if (!pending_) return;
    void* answer = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(connection_, pending_, &answer, &error)) return;  // not here yet
    pending_ = 0;
    std::free(error);
    if (auto* reply = static_cast<xcb_query_pointer_reply_t*>(answer)) {
        position_ = QPoint(reply->root_x, reply->root_y);
        buttons_ = reply->mask;
    }
    std::free(answer);
}

std::optional<QPoint> PointerDragsX11::pointer() {
    if (!connect()) return std::nullopt;
    readAnswer();
    drain();
    if (!pending_ && !xcb_connection_has_error(connection_)) {
        pending_ = xcb_query_pointer(connection_, root_).sequence;
        // The input's idle time rides along, so a still pointer can tell an idle desktop.
        if (idleCounter_ && !pendingIdle_) pendingIdle_ = xcb_sync_query_counter(connection_, idleCounter_).sequence;
        xcb_flush(connection_);
    }
    return position_;
}

void PointerDragsX11::waitForAnswers() {
    if (pendingIdle_) {
        if (auto* reply = xcb_sync_query_counter_reply(connection_, xcb_sync_query_counter_cookie_t{pendingIdle_}, nullptr)) {
            idleMs_ = (int64_t(reply->counter_value.hi) << 32) | reply->counter_value.lo;
            std::free(reply);
        }
        pendingIdle_ = 0;
    }
    if (pending_) {
        if (auto* reply = xcb_query_pointer_reply(connection_, xcb_query_pointer_cookie_t{pending_}, nullptr)) {
            position_ = QPoint(reply->root_x, reply->root_y);
            buttons_ = reply->mask;
            std::free(reply);
        }
        pending_ = 0;
    }
}

std::optional<QPoint> PointerDragsX11::pointerNow() {
    if (!connect()) return std::nullopt;
    // A question still on its way was asked before now: its answer is taken, then a new one asked.
    waitForAnswers();
    pointer();
    waitForAnswers();
    return position_;
}

bool PointerDragsX11::primaryButtonDown() {
    if (!connect()) return false;
    if (!position_) {
        // Nothing answered yet: this once, the answer is waited for.
        pointer();
        waitForAnswers();
    }
    return buttons_ & XCB_BUTTON_MASK_1;
}

int PointerDragsX11::dragChangeCount() {
    if (connect()) drain();
    return count_;
}

void PointerDragsX11::drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const int type = event->response_type & ~0x80;
        if (fixesEvent_ >= 0 && type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_NONE) ++count_;
        }
        std::free(event);
    }
}

void PointerDragsX11::drainAlarm() {
    bool input = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(alarmConnection_)) {
        if ((event->response_type & ~0x80) == syncEvent_ + XCB_SYNC_ALARM_NOTIFY &&
            reinterpret_cast<xcb_sync_alarm_notify_event_t*>(event)->alarm == alarm_)
            input = true;
        std::free(event);
    }
    if (input && moved_) {
        auto call = std::move(moved_);
        moved_ = nullptr;
        setAlarm(false);
        call();
    }
}

bool PointerDragsX11::waitForInput(std::function<void()> input) {
    // Only once nothing has come for a while: a wake at every key while the user types would cost
    // more than the poll it saves.
    if (!connect() || !idleCounter_ || idleMs_ < kIdleBeforeWaitMs || !QCoreApplication::instance()) return false;
    if (!alarmConnection_) {
        // A connection that carries nothing but the alarm: the answers to the pointer questions of
        // a frame loop never wake the waiting app.
        const auto display = x11::openDisplay();
        if (!display) return false;
        alarmConnection_ = display->connection;
        std::free(xcb_sync_initialize_reply(alarmConnection_, xcb_sync_initialize(alarmConnection_, 3, 1), nullptr));
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(alarmConnection_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drainAlarm(); });
    }
    moved_ = std::move(input);
    setAlarm(true);
    return true;
}

void PointerDragsX11::stopWaiting() {
    if (!moved_) return;
    moved_ = nullptr;
    setAlarm(false);
}

void PointerDragsX11::setAlarm(bool on) {
    xcb_connection_t* c = alarmConnection_;
    if (alarm_) xcb_sync_destroy_alarm(c, alarm_);
    alarm_ = 0;
    if (on) {
        // Fires when the idle time falls below half the wait's threshold: at the next input, since
        // it is above the threshold now. Delta 0: once.
        alarm_ = xcb_generate_id(c);
        const uint32_t values[] = {idleCounter_, XCB_SYNC_VALUETYPE_ABSOLUTE, 0, uint32_t(kIdleBeforeWaitMs / 2),
                                   XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON, 0, 0, 1};
        xcb_sync_create_alarm(c, alarm_,
                              XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE | XCB_SYNC_CA_TEST_TYPE |
                                  XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS,
                              values);
    }
    xcb_flush(c);
    notifier_->setEnabled(on);
    // Events read in with another answer never make the socket readable again.
    if (on) drainAlarm();
}

namespace {

// Each of `windows`' children, asked all at once; of a window with many, the front-most few.
std::vector<std::vector<xcb_window_t>> childrenOf(xcb_connection_t* c, const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_query_tree_cookie_t> asked;
    asked.reserve(windows.size());
    for (xcb_window_t w : windows) asked.push_back(xcb_query_tree(c, w));
    std::vector<std::vector<xcb_window_t>> out(windows.size());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (auto* tree = xcb_query_tree_reply(c, asked[i], nullptr)) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            const auto n = static_cast<std::size_t>(std::max(xcb_query_tree_children_length(tree), 0));
            const std::size_t skip = n > kMaxChildren ? n - kMaxChildren : 0;
            out[i].assign(children + skip, children + n);
            std::free(tree);
        }
    }
    return out;
}

// Reads each window of `facts` (its window, frame and root child set): where it lies, whether it
// is shown and its properties. Everything is asked at once, then the answers collected.
void readFacts(xcb_connection_t* c, xcb_window_t root, const Atoms& a, QSizeF rootSize, std::vector<WindowFacts>& facts) {
    struct Pending {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry, topGeometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t frame, gtkFrame, type, state, pid, wmClass, opacity, strut, strutPartial;
    };
    std::vector<Pending> pending;
    pending.reserve(facts.size());
    for (const WindowFacts& f : facts) {
        const xcb_window_t w = f.window;
        Pending p{};
        p.attributes = xcb_get_window_attributes(c, w);
        p.geometry = xcb_get_geometry(c, w);
        p.origin = xcb_translate_coordinates(c, w, root, 0, 0);
        if (f.top && f.top != w) p.topGeometry = xcb_get_geometry(c, f.top);
        p.frame = ask(c, w, a.frameExtents, XCB_ATOM_CARDINAL, 4);
        p.gtkFrame = ask(c, w, a.gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
        p.type = ask(c, w, a.windowType, XCB_ATOM_ATOM, 32);
        p.state = ask(c, w, a.state, XCB_ATOM_ATOM, 32);
        p.pid = ask(c, w, a.pid, XCB_ATOM_CARDINAL, 1);
        p.wmClass = ask(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        p.opacity = ask(c, w, a.opacity, XCB_ATOM_CARDINAL, 1);
        p.strut = ask(c, w, a.strut, XCB_ATOM_CARDINAL, 4);
        p.strutPartial = ask(c, w, a.strutPartial, XCB_ATOM_CARDINAL, 12);
        pending.push_back(p);
    }
    const double rootWidth = rootSize.width(), rootHeight = rootSize.height();
    for (std::size_t i = 0; i < facts.size(); ++i) {
        const Pending& p = pending[i];
        WindowFacts& f = facts[i];
        auto* attributes = xcb_get_window_attributes_reply(c, p.attributes, nullptr);
        auto* geometry = xcb_get_geometry_reply(c, p.geometry, nullptr);
        auto* origin = xcb_translate_coordinates_reply(c, p.origin, nullptr);
        auto* topGeometry = f.top && f.top != f.window ? xcb_get_geometry_reply(c, p.topGeometry, nullptr) : nullptr;
        auto* frame = xcb_get_property_reply(c, p.frame, nullptr);
        auto* gtkFrame = xcb_get_property_reply(c, p.gtkFrame, nullptr);
        auto* type = xcb_get_property_reply(c, p.type, nullptr);
        auto* state = xcb_get_property_reply(c, p.state, nullptr);
        auto* pid = xcb_get_property_reply(c, p.pid, nullptr);
        auto* wmClass = xcb_get_property_reply(c, p.wmClass, nullptr);
        auto* opacity = xcb_get_property_reply(c, p.opacity, nullptr);
        auto* strut = xcb_get_property_reply(c, p.strut, nullptr);
        auto* strutPartial = xcb_get_property_reply(c, p.strutPartial, nullptr);

        f.gone = !attributes;
        f.shown = attributes && geometry && origin && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                  attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
        WindowInfo& info = f.info;
        info = WindowInfo{};
        info.number = static_cast<int>(f.window & 0x7fffffff);
        if (geometry && origin) {
            f.origin = QPointF(origin->dst_x, origin->dst_y);
            f.size = QSizeF(geometry->width, geometry->height);
        }
        if (f.top == f.window) {
            f.topOrigin = f.origin;
            f.topSize = f.size;
        }
        if (topGeometry) {
            f.topOrigin = insideOf(topGeometry->x, topGeometry->y, topGeometry->border_width);
            f.topSize = QSizeF(topGeometry->width, topGeometry->height);
        }
        // Left, right, top, bottom.
        const auto margins = [](xcb_get_property_reply_t* reply) -> std::optional<QMarginsF> {
            const auto m = cardinals(reply);
            if (m.size() != 4) return std::nullopt;
            return QMarginsF(m[0], m[2], m[1], m[3]);
        };
        f.frameExtents = margins(frame);
        f.shadow = margins(gtkFrame);
        for (uint32_t t : cardinals(type)) {
            if (t == a.typeDesktop) f.shown = false;
            if (t == a.typeDock) {
                info.dock = true;
                info.layer = 1;
            }
        }
        for (uint32_t st : cardinals(state)) {
            if (st == a.stateHidden) f.shown = false;
            if (st == a.stateFullscreen) info.fullscreen = true;
        }
        const auto pids = cardinals(pid);
        if (!pids.empty()) info.pid = pids.front();
        const auto alpha = cardinals(opacity);
        if (!alpha.empty()) info.alpha = double(alpha.front()) / double(0xffffffffu);
        info.appClass = x11::wmClassName(wmClass);
        // The band it keeps free along the desktop's bottom edge: bottom, from x, to x.
        auto reserved = cardinals(strutPartial);
        if (reserved.size() == 12) {
            reserved = {reserved[3], reserved[10], reserved[11]};
        } else if (reserved = cardinals(strut); reserved.size() == 4) {
            reserved = {reserved[3], 0, uint32_t(std::max(rootWidth - 1, 0.0))};
        }
        if (reserved.size() == 3 && reserved[0] > 0 && reserved[0] < rootHeight && reserved[2] >= reserved[1])
            info.strut = QRectF(reserved[1], rootHeight - reserved[0], double(reserved[2]) - reserved[1] + 1, reserved[0]);

        for (void* reply : {static_cast<void*>(attributes), static_cast<void*>(geometry), static_cast<void*>(origin),
                            static_cast<void*>(topGeometry), static_cast<void*>(frame), static_cast<void*>(gtkFrame),
                            static_cast<void*>(type), static_cast<void*>(state), static_cast<void*>(pid),
                            static_cast<void*>(wmClass), static_cast<void*>(opacity), static_cast<void*>(strut),
                            static_cast<void*>(strutPartial)})
            std::free(reply);
    }
}

}  // namespace

void WindowListX11::refresh() {
    State& s = *state_;
    const Atoms& a = s.atoms;
    dirty_ = false;
    s.restack = false;
    s.stale.clear();
    s.candidates.clear();
    ++refreshes_;
    xcb_connection_t* c = connection_;
    using Place = WindowFacts::Place;

    // Bottom to top: the window manager's stacking list; the clients it lists only unstacked (some
    // managers keep their docks out of the stacking order) above them. A window listed twice
    // counts where it is front-most.
    bool managed = false;
    std::vector<xcb_window_t> stack = x11::windowList(c, root_, a.stacking, kMaxWindows, &managed);
    std::unordered_set<xcb_window_t> listed;
    std::vector<xcb_window_t> unique;
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (listed.insert(*it).second) unique.push_back(*it);
    }
    stack.assign(unique.rbegin(), unique.rend());
    const std::size_t stacked = stack.size();
    for (xcb_window_t w : x11::windowList(c, root_, a.clients, kMaxWindows)) {
        if (listed.insert(w).second) stack.push_back(w);
    }
    managed = managed || !listed.empty();

    // The root's children and theirs: a reparenting manager's frames hold its clients one level
    // down, and some docks and panels are in no list at all.
    std::vector<xcb_window_t> top;
    if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root_), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const auto n = static_cast<std::size_t>(std::max(xcb_query_tree_children_length(tree), 0));
        const std::size_t skip = n > kMaxWindows ? n - kMaxWindows : 0;
        top.assign(children + skip, children + n);
        std::free(tree);
    }
    const std::unordered_set<xcb_window_t> isTop(top.begin(), top.end());
    const auto inner = childrenOf(c, top);
    std::unordered_map<xcb_window_t, xcb_window_t> frameOf;
    for (std::size_t i = 0; i < top.size(); ++i) {
        for (xcb_window_t child : inner[i]) frameOf[child] = top[i];
    }
    // Of the windows in no list: whether a manager marked them as its clients, and their type.
    struct Mark {
        xcb_window_t w;
        xcb_get_property_cookie_t state, type;
    };
    std::vector<Mark> marks;
    for (std::size_t i = 0; i < top.size(); ++i) {
        if (!listed.count(top[i]))
            marks.push_back({top[i], ask(c, top[i], a.wmState, a.wmState, 2), ask(c, top[i], a.windowType, XCB_ATOM_ATOM, 32)});
        for (xcb_window_t child : inner[i]) {
            if (!listed.count(child))
                marks.push_back({child, ask(c, child, a.wmState, a.wmState, 2), ask(c, child, a.windowType, XCB_ATOM_ATOM, 32)});
        }
    }
    std::unordered_set<xcb_window_t> clients, docks;
    for (const Mark& m : marks) {
        auto* state = xcb_get_property_reply(c, m.state, nullptr);
        auto* type = xcb_get_property_reply(c, m.type, nullptr);
        if (state && state->type != XCB_ATOM_NONE) clients.insert(m.w);
        for (uint32_t t : cardinals(type)) {
            if (t == a.typeDock) docks.insert(m.w);
        }
        std::free(state);
        std::free(type);
    }

    // Back to front.
    std::vector<WindowFacts> entries;
    const auto add = [&](xcb_window_t w, xcb_window_t frame, Place place) {
        WindowFacts f;
        f.window = w;
        f.frame = frame;
        f.top = frame ? frame : isTop.count(w) ? w : 0;
        f.place = place;
        entries.push_back(std::move(f));
    };
    if (managed) {
        for (std::size_t i = 0; i < stack.size(); ++i) {
            const auto f = frameOf.find(stack[i]);
            add(stack[i], f == frameOf.end() ? 0 : f->second, i < stacked ? Place::stacked : Place::listed);
        }
        // Docks and panels the manager lists nowhere (a bar of a tiling manager), on top.
        for (std::size_t i = 0; i < top.size(); ++i) {
            if (docks.count(top[i])) add(top[i], 0, Place::root);
            for (xcb_window_t child : inner[i]) {
                if (docks.count(child)) add(child, top[i], Place::root);
            }
        }
    } else {
        // No list: the root's children, each read through its client where a manager framed it.
        for (std::size_t i = 0; i < top.size(); ++i) {
            xcb_window_t client = top[i];
            if (!clients.count(client)) {
                for (xcb_window_t child : inner[i]) {
                    if (clients.count(child)) {
                        client = child;
                        break;
                    }
                }
            }
            add(client, client == top[i] ? 0 : top[i], Place::root);
        }
    }

    // Clients held deeper in their frames: their root child, found by walking up.
    std::vector<std::pair<std::size_t, xcb_window_t>> climbing;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].top) climbing.push_back({i, entries[i].window});
    }
    for (int depth = 0; depth < kMaxDepth && !climbing.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> asked;
        asked.reserve(climbing.size());
        for (const auto& [i, w] : climbing) asked.push_back(xcb_query_tree(c, w));
        std::vector<std::pair<std::size_t, xcb_window_t>> higher;
        for (std::size_t j = 0; j < climbing.size(); ++j) {
            auto* tree = xcb_query_tree_reply(c, asked[j], nullptr);
            if (!tree) continue;
            if (tree->parent == root_)
                entries[climbing[j].first].top = climbing[j].second;
            else if (tree->parent != XCB_WINDOW_NONE)
                higher.push_back({climbing[j].first, tree->parent});
            std::free(tree);
        }
        climbing.swap(higher);
    }

    auto* rootGeometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, root_), nullptr);
    s.rootWidth = rootGeometry ? rootGeometry->width : 0;
    s.rootHeight = rootGeometry ? rootGeometry->height : 0;
    std::free(rootGeometry);

    // Their changes are followed from before they are read, so none falls between the two; a
    // window already gone only answers with an error, taken here.
    std::vector<xcb_void_cookie_t> watched;
    watched.reserve(entries.size());
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (const WindowFacts& f : entries)
        watched.push_back(xcb_change_window_attributes_checked(c, f.window, XCB_CW_EVENT_MASK, &mask));
    readFacts(c, root_, a, QSizeF(s.rootWidth, s.rootHeight), entries);
    for (xcb_void_cookie_t cookie : watched) std::free(xcb_request_check(c, cookie));
    s.table.reset(std::move(entries), !managed);
    xcb_flush(c);
}

void WindowListX11::readAgain() {
    State& s = *state_;
    std::vector<WindowFacts> facts;
    facts.reserve(s.stale.size());
    for (uint32_t w : s.stale) {
        if (const WindowFacts* known = s.table.find(w)) {
            WindowFacts f;
            f.window = w;
            f.frame = known->frame;
            f.top = known->top;
            facts.push_back(std::move(f));
        }
    }
    s.stale.clear();
    readFacts(connection_, root_, s.atoms, QSizeF(s.rootWidth, s.rootHeight), facts);
    for (WindowFacts& f : facts) s.table.update(std::move(f));
}

}  // namespace kp
