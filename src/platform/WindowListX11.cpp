#include "platform/WindowList.h"
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

struct WindowListX11::Atoms {
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
};

namespace {

using x11::cardinals;
using x11::internAtom;

xcb_get_property_cookie_t ask(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom, xcb_atom_t type, uint32_t length) {
    return xcb_get_property(c, 0, w, atom, type, 0, length);
}

}  // namespace

WindowListX11::WindowListX11() : atoms_(new Atoms) {}

WindowListX11::~WindowListX11() {
    if (connection_) xcb_disconnect(connection_);
    delete atoms_;
}

WindowListX11& WindowListX11::shared() {
    static WindowListX11 instance;
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
    atoms_->stacking = internAtom(c, "_NET_CLIENT_LIST_STACKING");
    atoms_->clients = internAtom(c, "_NET_CLIENT_LIST");
    atoms_->wmState = internAtom(c, "WM_STATE");
    atoms_->strut = internAtom(c, "_NET_WM_STRUT");
    atoms_->strutPartial = internAtom(c, "_NET_WM_STRUT_PARTIAL");
    atoms_->frameExtents = internAtom(c, "_NET_FRAME_EXTENTS");
    atoms_->gtkFrameExtents = internAtom(c, "_GTK_FRAME_EXTENTS");
    atoms_->windowType = internAtom(c, "_NET_WM_WINDOW_TYPE");
    atoms_->typeDock = internAtom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    atoms_->typeDesktop = internAtom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    atoms_->state = internAtom(c, "_NET_WM_STATE");
    atoms_->stateHidden = internAtom(c, "_NET_WM_STATE_HIDDEN");
    atoms_->stateFullscreen = internAtom(c, "_NET_WM_STATE_FULLSCREEN");
    atoms_->pid = internAtom(c, "_NET_WM_PID");
    atoms_->opacity = internAtom(c, "_NET_WM_WINDOW_OPACITY");
    atoms_->active = internAtom(c, "_NET_ACTIVE_WINDOW");
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    return true;
}

// Reads what the server has reported since the last call: marks the list for another read when a
// window moved, appeared, went or changed a property the list is made of (titles, user times and
// the like are ignored), and the active application when that changed.
bool WindowListX11::drainEvents() {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        switch (event->response_type & ~0x80) {
        case XCB_PROPERTY_NOTIFY: {
            const xcb_atom_t atom = reinterpret_cast<xcb_property_notify_event_t*>(event)->atom;
            if (atom == atoms_->active) {
                activeDirty_ = true;
            } else if (atom == atoms_->stacking || atom == atoms_->clients || atom == atoms_->strut ||
                       atom == atoms_->strutPartial || atom == atoms_->frameExtents || atom == atoms_->gtkFrameExtents ||
                       atom == atoms_->windowType || atom == atoms_->state || atom == atoms_->pid ||
                       atom == atoms_->opacity || atom == XCB_ATOM_WM_CLASS) {
                changed = true;
            }
            break;
        }
        case XCB_CONFIGURE_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_CREATE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case XCB_GRAVITY_NOTIFY:
        case 0:  // an error: a window went away mid-read
            changed = true;
            break;
        default:
            break;
        }
        std::free(event);
    }
    return changed;
}

const std::vector<WindowInfo>& WindowListX11::onScreenWindows() {
    if (!connect()) return windows_;
    if (xcb_connection_has_error(connection_)) {
        windows_.clear();
        return windows_;
    }
    if (drainEvents()) dirty_ = activeDirty_ = true;
    if (dirty_) refresh();
    return windows_;
}

long long WindowListX11::activePid() {
    if (!connect() || xcb_connection_has_error(connection_)) return 0;
    if (drainEvents()) dirty_ = activeDirty_ = true;
    if (!activeDirty_) return activePid_;
    activeDirty_ = false;
    activePid_ = 0;
    xcb_connection_t* c = connection_;
    auto* reply = xcb_get_property_reply(c, ask(c, root_, atoms_->active, XCB_ATOM_WINDOW, 1), nullptr);
    const auto ids = cardinals(reply);
    std::free(reply);
    if (ids.empty() || ids.front() == 0) return 0;
    auto* pid = xcb_get_property_reply(c, ask(c, ids.front(), atoms_->pid, XCB_ATOM_CARDINAL, 1), nullptr);
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

// Each of `windows`' children, asked all at once.
std::vector<std::vector<xcb_window_t>> childrenOf(xcb_connection_t* c, const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_query_tree_cookie_t> asked;
    asked.reserve(windows.size());
    for (xcb_window_t w : windows) asked.push_back(xcb_query_tree(c, w));
    std::vector<std::vector<xcb_window_t>> out(windows.size());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (auto* tree = xcb_query_tree_reply(c, asked[i], nullptr)) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            out[i].assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
    }
    return out;
}

std::vector<xcb_window_t> windowsOf(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom, bool* present = nullptr) {
    std::vector<xcb_window_t> out;
    if (atom == XCB_ATOM_NONE) return out;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, ask(c, root, atom, XCB_ATOM_WINDOW, 4096), nullptr);
    if (reply && reply->type == XCB_ATOM_WINDOW) {
        if (present) *present = true;
        for (uint32_t w : cardinals(reply)) out.push_back(w);
    }
    std::free(reply);
    return out;
}

}  // namespace

void WindowListX11::refresh() {
    dirty_ = false;
    ++refreshes_;
    windows_.clear();
    xcb_connection_t* c = connection_;

    // A listed window, and the frame its manager put around it (0 when none is known).
    struct Entry {
        xcb_window_t w;
        xcb_window_t frame;
    };
    // Bottom to top: the window manager's stacking list; the clients it lists only unstacked (some
    // managers keep their docks out of the stacking order) above them.
    bool managed = false;
    std::vector<xcb_window_t> stack = windowsOf(c, root_, atoms_->stacking, &managed);
    std::unordered_set<xcb_window_t> listed(stack.begin(), stack.end());
    for (xcb_window_t w : windowsOf(c, root_, atoms_->clients)) {
        if (listed.insert(w).second) stack.push_back(w);
    }
    managed = managed || !listed.empty();

    // The root's children and theirs: a reparenting manager's frames hold its clients one level
    // down, and some docks and panels are in no list at all.
    std::vector<xcb_window_t> top;
    if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root_), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        top.assign(children, children + xcb_query_tree_children_length(tree));
        std::free(tree);
    }
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
            marks.push_back({top[i], ask(c, top[i], atoms_->wmState, atoms_->wmState, 2), ask(c, top[i], atoms_->windowType, XCB_ATOM_ATOM, 32)});
        for (xcb_window_t child : inner[i]) {
            if (!listed.count(child))
                marks.push_back({child, ask(c, child, atoms_->wmState, atoms_->wmState, 2), ask(c, child, atoms_->windowType, XCB_ATOM_ATOM, 32)});
        }
    }
    std::unordered_set<xcb_window_t> clients, docks;
    for (const Mark& m : marks) {
        auto* state = xcb_get_property_reply(c, m.state, nullptr);
        auto* type = xcb_get_property_reply(c, m.type, nullptr);
        if (state && state->type != XCB_ATOM_NONE) clients.insert(m.w);
        for (uint32_t t : cardinals(type)) {
            if (t == atoms_->typeDock) docks.insert(m.w);
        }
        std::free(state);
        std::free(type);
    }

    std::vector<Entry> entries;
    if (managed) {
        for (xcb_window_t w : stack) {
            const auto f = frameOf.find(w);
            entries.push_back({w, f == frameOf.end() ? 0 : f->second});
        }
        // Docks and panels the manager lists nowhere (a bar of a tiling manager), on top.
        for (std::size_t i = 0; i < top.size(); ++i) {
            if (docks.count(top[i])) entries.push_back({top[i], 0});
            for (xcb_window_t child : inner[i]) {
                if (docks.count(child)) entries.push_back({child, top[i]});
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
            entries.push_back({client, client == top[i] ? 0 : top[i]});
        }
    }
    std::reverse(entries.begin(), entries.end());

    auto* rootGeometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, root_), nullptr);
    const double rootWidth = rootGeometry ? rootGeometry->width : 0, rootHeight = rootGeometry ? rootGeometry->height : 0;
    std::free(rootGeometry);

    // Ask everything at once, then collect the answers.
    struct Pending {
        Entry e;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry, frameGeometry;
        xcb_translate_coordinates_cookie_t origin, frameOrigin;
        xcb_get_property_cookie_t frame, gtkFrame, type, state, pid, wmClass, opacity, strut, strutPartial;
    };
    std::vector<Pending> pending;
    pending.reserve(entries.size());
    for (const Entry& e : entries) {
        const xcb_window_t w = e.w;
        Pending p{};
        p.e = e;
        p.attributes = xcb_get_window_attributes(c, w);
        p.geometry = xcb_get_geometry(c, w);
        p.origin = xcb_translate_coordinates(c, w, root_, 0, 0);
        if (e.frame) {
            p.frameGeometry = xcb_get_geometry(c, e.frame);
            p.frameOrigin = xcb_translate_coordinates(c, e.frame, root_, 0, 0);
        }
        p.frame = ask(c, w, atoms_->frameExtents, XCB_ATOM_CARDINAL, 4);
        p.gtkFrame = ask(c, w, atoms_->gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
        p.type = ask(c, w, atoms_->windowType, XCB_ATOM_ATOM, 32);
        p.state = ask(c, w, atoms_->state, XCB_ATOM_ATOM, 32);
        p.pid = ask(c, w, atoms_->pid, XCB_ATOM_CARDINAL, 1);
        p.wmClass = ask(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        p.opacity = ask(c, w, atoms_->opacity, XCB_ATOM_CARDINAL, 1);
        p.strut = ask(c, w, atoms_->strut, XCB_ATOM_CARDINAL, 4);
        p.strutPartial = ask(c, w, atoms_->strutPartial, XCB_ATOM_CARDINAL, 12);
        pending.push_back(p);
    }

    std::unordered_set<unsigned int> seen;
    bool newlyWatched = false;
    for (const Pending& p : pending) {
        auto* attributes = xcb_get_window_attributes_reply(c, p.attributes, nullptr);
        auto* geometry = xcb_get_geometry_reply(c, p.geometry, nullptr);
        auto* origin = xcb_translate_coordinates_reply(c, p.origin, nullptr);
        auto* frameGeometry = p.e.frame ? xcb_get_geometry_reply(c, p.frameGeometry, nullptr) : nullptr;
        auto* frameOrigin = p.e.frame ? xcb_translate_coordinates_reply(c, p.frameOrigin, nullptr) : nullptr;
        auto* frame = xcb_get_property_reply(c, p.frame, nullptr);
        auto* gtkFrame = xcb_get_property_reply(c, p.gtkFrame, nullptr);
        auto* type = xcb_get_property_reply(c, p.type, nullptr);
        auto* state = xcb_get_property_reply(c, p.state, nullptr);
        auto* pid = xcb_get_property_reply(c, p.pid, nullptr);
        auto* wmClass = xcb_get_property_reply(c, p.wmClass, nullptr);
        auto* opacity = xcb_get_property_reply(c, p.opacity, nullptr);
        auto* strut = xcb_get_property_reply(c, p.strut, nullptr);
        auto* strutPartial = xcb_get_property_reply(c, p.strutPartial, nullptr);

        bool keep = attributes && geometry && origin && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                    attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
        WindowInfo info;
        if (keep) {
            info.number = static_cast<int>(p.e.w & 0x7fffffff);
            double x = origin->dst_x, y = origin->dst_y;
            double width = geometry->width, height = geometry->height;
            // The manager's frame (title bar) belongs to the window; a toolkit's shadow margin does not.
            // Where the manager does not say how large its frame is, the frame window itself tells.
            auto extents = cardinals(frame);
            if (extents.size() != 4 && frameGeometry && frameOrigin) {
                const double fx = frameOrigin->dst_x, fy = frameOrigin->dst_y;
                extents = {uint32_t(std::max(x - fx, 0.0)), uint32_t(std::max(fx + frameGeometry->width - x - width, 0.0)),
                           uint32_t(std::max(y - fy, 0.0)), uint32_t(std::max(fy + frameGeometry->height - y - height, 0.0))};
            }
            if (extents.size() == 4) {
                x -= extents[0];
                y -= extents[2];
                width += extents[0] + extents[1];
                height += extents[2] + extents[3];
            }
            const auto shadow = cardinals(gtkFrame);
            if (shadow.size() == 4) {
                x += shadow[0];
                y += shadow[2];
                width -= shadow[0] + shadow[1];
                height -= shadow[2] + shadow[3];
            }
            info.bounds = QRectF(x, y, std::max(width, 0.0), std::max(height, 0.0));
            for (uint32_t t : cardinals(type)) {
                if (t == atoms_->typeDesktop) keep = false;
                if (t == atoms_->typeDock) {
                    info.dock = true;
                    info.layer = 1;
                }
            }
            for (uint32_t s : cardinals(state)) {
                if (s == atoms_->stateHidden) keep = false;
                if (s == atoms_->stateFullscreen) info.fullscreen = true;
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
        }
        // Follow the window's own changes (state, opacity, moves) from now on.
        if (attributes && !std::count(watched_.begin(), watched_.end(), p.e.w)) {
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(c, p.e.w, XCB_CW_EVENT_MASK, &mask);
            watched_.push_back(p.e.w);
            newlyWatched = true;
        }
        if (attributes) seen.insert(p.e.w);
        if (keep && info.number > 0) windows_.push_back(std::move(info));

        for (void* reply : {static_cast<void*>(attributes), static_cast<void*>(geometry), static_cast<void*>(origin),
                            static_cast<void*>(frameGeometry), static_cast<void*>(frameOrigin), static_cast<void*>(frame),
                            static_cast<void*>(gtkFrame), static_cast<void*>(type), static_cast<void*>(state),
                            static_cast<void*>(pid), static_cast<void*>(wmClass), static_cast<void*>(opacity),
                            static_cast<void*>(strut), static_cast<void*>(strutPartial)})
            std::free(reply);
    }
    // Forget windows that are gone, so the watch list does not grow without end.
    watched_.erase(std::remove_if(watched_.begin(), watched_.end(), [&](unsigned int w) { return !seen.count(w); }),
                   watched_.end());
    xcb_flush(c);
    // A new window's properties may have changed before its changes were followed: read once more.
    if (newlyWatched) dirty_ = true;
    // Errors from windows that vanished between the list and the questions are read on the next
    // call; they only mark the list for another read.
}

}  // namespace kp
