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

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>
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
using Place = WindowFacts::Place;
using Listed = WindowTable::Listed;

xcb_get_property_cookie_t ask(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom, xcb_atom_t type, uint32_t length) {
    return xcb_get_property(c, 0, w, atom, type, 0, length);
}

// A root child's inside, from its place on the root and its border.
QPointF insideOf(int x, int y, int border) { return QPointF(x + border, y + border); }

// A frame holds its client, its title bar's parts and the like: more are not looked into.
constexpr std::size_t kMaxChildren = 64;
// How far up from a client its root child is looked for.
constexpr int kMaxDepth = 8;
// Questions go out this many windows at a time, each batch answered before the next is asked: the
// server's queue for the list stays short, so other clients (the app's own drawing among them) are
// served in between.
constexpr std::size_t kBatch = 64;

// Calls `ask(i)` for each i below n, a batch at a time, and hands each batch's answers (what `ask`
// returned) to `take(i, asked)` in order.
template <typename Ask, typename Take>
void inBatches(std::size_t n, Ask ask, Take take) {
    std::vector<decltype(ask(std::size_t{}))> asked;
    asked.reserve(std::min(n, kBatch));
    for (std::size_t from = 0; from < n; from += kBatch) {
        const std::size_t to = std::min(n, from + kBatch);
        asked.clear();
        for (std::size_t i = from; i < to; ++i) asked.push_back(ask(i));
        for (std::size_t i = from; i < to; ++i) take(i, asked[i - from]);
    }
}

// The manager's lists: the stacking, back to front, each window once where it is front-most; then
// the clients it lists only unstacked (some managers keep their docks out of the stacking order).
struct ManagerLists {
    std::vector<uint32_t> stacked, listed;
    bool present = false;  // a manager keeps the lists
};

// What one read asks of the server. Made on the main thread, carried out on a thread of its own,
// which has the connection to itself meanwhile.
struct Ask {
    bool all = false;        // the whole list anew
    bool rootOrder = false;  // no manager lists the windows: the root's children are the list
    bool lists = false;      // the manager's lists changed; without a manager, the root's children
    std::vector<uint32_t> known;     // sorted: the windows listed; without a manager, the root children holding them
    std::vector<WindowFacts> again;  // to read again, in the frame and root child they have
    std::vector<uint32_t> moved;     // changed parents: placed anew and read; without a manager, windows
                                     // whose root child is to be read through its client anew
    std::vector<uint32_t> shown;     // root children shown anew outside the list: docks among them are read
};

// What the server answered.
struct Answer {
    bool all = false;
    bool managed = false;              // after a whole read: a manager lists the windows
    bool unmanaged = false;            // after a partial read: the manager's lists have gone
    bool relisted = false;             // the list's members and order were read anew
    QSizeF rootSize;                   // after a whole read
    std::vector<WindowFacts> read;     // a whole read: the list, back to front; else the listed windows read
    std::vector<WindowFacts> placed;   // windows new to the list (and without a manager, root children read anew)
    std::optional<ManagerLists> lists;
    std::vector<uint32_t> rootChildren;  // back to front, when the new windows' places follow from it
    int reads = 0;                       // windows read
};

Answer readAll(xcb_connection_t* c, xcb_window_t root, const Atoms& a);
Answer readSome(xcb_connection_t* c, xcb_window_t root, const Atoms& a, QSizeF rootSize, Ask ask);

}  // namespace

struct WindowListX11::State {
    Atoms atoms;
    WindowTable table;
    std::unordered_set<uint32_t> stale;       // windows to read again
    std::unordered_set<uint32_t> moved;       // windows that changed parents
    std::unordered_set<uint32_t> candidates;  // root children shown anew, outside the list
    bool lists = false;                       // the manager's lists (without one, the root's children) changed
    double rootWidth = 0, rootHeight = 0;
    int uses = 0;
    WorkId idleCheck = 0;
    // The read in flight. Until it has answered, nothing else uses the connection and the table
    // stays as it is; the server's word of changes waits in the connection's queue.
    std::thread reader;
    std::atomic<bool> answered{false};
    Answer answer;
};

WindowListX11::WindowListX11(Scheduler* scheduler) : scheduler_(scheduler), state_(std::make_unique<State>()) {}

WindowListX11::~WindowListX11() {
    if (scheduler_ && state_->idleCheck) scheduler_->cancel(state_->idleCheck);
    stopReading();
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
    // Asked now, while the connection is free: the first read of the windows may take a while.
    askActive();
    // The server walks every window of the desktop to take this in, which takes a while on a
    // crowded one: nothing here waits for it, the reader's first question does.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    dirty_ = true;
    ready_ = false;
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
    stopReading();
    if (connection_) xcb_disconnect(connection_);
    connection_ = nullptr;
    tried_ = false;
    dirty_ = activeDirty_ = true;
    ready_ = false;
    activePid_ = 0;
    State& s = *state_;
    s.table.clear();
    s.stale.clear();
    s.moved.clear();
    s.candidates.clear();
    s.lists = false;
}

// A read in flight is cut short: the connection is shut, so that every wait in it ends at once.
void WindowListX11::stopReading() {
    State& s = *state_;
    if (!s.reader.joinable()) return;
    if (!s.answered.load(std::memory_order_acquire)) ::shutdown(xcb_get_file_descriptor(connection_), SHUT_RDWR);
    s.reader.join();
    s.answer = Answer{};
    s.answered.store(false, std::memory_order_relaxed);
}

bool WindowListX11::reading() const { return state_->reader.joinable(); }

// Whether the connection failed; asked only while no read is in flight, as the reader may be
// finding out.
bool WindowListX11::broken() const { return !reading() && xcb_connection_has_error(connection_); }

// Takes in what the server has reported since the last call: a window moved or resized updates its
// entry; a property the list is made of marks that window to be read again, a new list of the
// manager's (without one, a root child made, gone or restacked) the list's order and members, a
// window changing parents that window; the active window is marked to be asked again.
void WindowListX11::drainEvents() {
    State& s = *state_;
    const Atoms& a = s.atoms;
    WindowTable& table = s.table;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const uint8_t type = event->response_type & ~0x80;
        switch (type) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->window == root_) {
                if (e->atom == a.active) {
                    activeDirty_ = true;
                } else if (e->atom == a.stacking || e->atom == a.clients) {
                    // Without a manager until now: one has come, and everything is placed anew.
                    if (table.rootOrder()) dirty_ = true;
                    s.lists = true;
                }
            } else if (a.describes(e->atom) && table.find(e->window)) {
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
                const auto change = table.topConfigured(e->window, at, size, e->above_sibling);
                if (change == WindowTable::Change::readWindow) {
                    for (uint32_t w : table.windowsIn(e->window)) s.stale.insert(w);
                } else if (change == WindowTable::Change::findTops) {
                    for (uint32_t w : table.withoutTop()) s.moved.insert(w);
                }
            } else if (e->event == e->window) {
                if (table.clientConfigured(e->window, at, size) == WindowTable::Change::readWindow)
                    s.stale.insert(e->window);
            }
            break;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_GRAVITY_NOTIFY: {
            // Each of these events starts with the window it reports on, then the window concerned.
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            const uint32_t w = e->window;
            // A listed window, or the root child holding one: those windows are read again.
            bool known = table.find(w) != nullptr;
            if (known) s.stale.insert(w);
            for (uint32_t inside : table.windowsIn(w)) {
                s.stale.insert(inside);
                known = true;
            }
            if (known || type != XCB_MAP_NOTIFY || e->event != root_) break;
            // A root child shown anew: without a manager, a window of the list; with one, a popup
            // or a tooltip unless it is a dock the manager lists nowhere.
            if (table.rootOrder())
                s.lists = true;
            else
                s.candidates.insert(w);
            break;
        }
        case XCB_CREATE_NOTIFY:
            // Without a manager each new child of the root is a window of the list; with one, a new
            // client comes with a new list of clients.
            if (table.rootOrder() && reinterpret_cast<xcb_create_notify_event_t*>(event)->parent == root_)
                s.lists = true;
            break;
        case XCB_REPARENT_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            if (table.rootOrder()) {
                // The root's children may be others now, and a root child may show another client:
                // the one the window left and the one it went into are read through theirs anew.
                s.lists = true;
                if (const WindowFacts* f = table.find(e->window); f && f->top && f->top != e->window)
                    s.moved.insert(f->top);
                if (e->parent != root_) s.moved.insert(e->parent);
                break;
            }
            // A listed window, or the windows in a root child that changed parents: placed anew.
            bool known = table.find(e->window) != nullptr;
            if (known) s.moved.insert(e->window);
            for (uint32_t inside : table.windowsIn(e->window)) {
                s.moved.insert(inside);
                known = true;
            }
            if (!known && e->parent == root_) s.candidates.insert(e->window);
            break;
        }
        case XCB_CIRCULATE_NOTIFY:
            // Only the root's own stacking changes: it orders the list without a manager.
            if (table.rootOrder()) s.lists = true;
            break;
        case 0:  // an error: what it concerns cannot be told
            dirty_ = true;
            break;
        default:
            break;
        }
        std::free(event);
    }
}

// Starts a read of what changed, or of everything, on a thread of its own.
void WindowListX11::startReading() {
    State& s = *state_;
    if (xcb_connection_has_error(connection_)) return;
    if (!dirty_ && !s.lists && s.stale.empty() && s.moved.empty() && s.candidates.empty()) return;
    Ask ask;
    if (dirty_) {
        dirty_ = false;
        ask.all = true;
    } else {
        const WindowTable& table = s.table;
        ask.rootOrder = table.rootOrder();
        ask.lists = s.lists || (ask.rootOrder && !s.moved.empty());
        if (ask.lists) {
            ask.known = ask.rootOrder ? table.tops() : table.windowIds();
            std::sort(ask.known.begin(), ask.known.end());
            ask.known.erase(std::unique(ask.known.begin(), ask.known.end()), ask.known.end());
        }
        ask.moved.assign(s.moved.begin(), s.moved.end());
        for (uint32_t w : s.stale) {
            const WindowFacts* known = table.find(w);
            if (!known || (!ask.rootOrder && s.moved.count(w))) continue;
            WindowFacts f;
            f.window = w;
            f.frame = known->frame;
            f.top = known->top;
            ask.again.push_back(std::move(f));
        }
        ask.shown.assign(s.candidates.begin(), s.candidates.end());
    }
    s.lists = false;
    s.stale.clear();
    s.moved.clear();
    s.candidates.clear();

    xcb_connection_t* c = connection_;
    const xcb_window_t root = root_;
    const Atoms atoms = s.atoms;
    const QSizeF rootSize(s.rootWidth, s.rootHeight);
    auto read = [&s, c, root, atoms, rootSize, ask = std::move(ask)]() mutable {
        s.answer = ask.all ? readAll(c, root, atoms) : readSome(c, root, atoms, rootSize, std::move(ask));
        s.answered.store(true, std::memory_order_release);
    };
    s.answered.store(false, std::memory_order_relaxed);
    try {
        s.reader = std::thread(read);  // a copy: the read is still whole should the thread not start
    } catch (const std::system_error&) {
        read();  // no thread to be had: read here
        takeAnswer();
    }
}

// Takes in the answer of a read that is done; false while one is still in flight.
bool WindowListX11::collect() {
    State& s = *state_;
    if (!s.reader.joinable()) return true;
    if (!s.answered.load(std::memory_order_acquire)) return false;
    s.reader.join();
    takeAnswer();
    return true;
}

void WindowListX11::takeAnswer() {
    State& s = *state_;
    Answer a = std::move(s.answer);
    s.answer = Answer{};
    s.answered.store(false, std::memory_order_relaxed);
    windowReads_ += a.reads;
    WindowTable& table = s.table;
    if (a.all) {
        ++refreshes_;
        s.rootWidth = a.rootSize.width();
        s.rootHeight = a.rootSize.height();
        table.reset(std::move(a.read), !a.managed);
        ready_ = true;
        return;
    }
    // The manager has gone: everything is placed anew.
    if (a.unmanaged) {
        dirty_ = true;
        return;
    }
    if (a.placed.empty() && !a.relisted) {
        for (WindowFacts& f : a.read) table.update(std::move(f));
        return;
    }
    std::vector<Listed> order;
    if (table.rootOrder()) {
        // Each root child, through the client it shows: as read now, or as kept.
        std::unordered_map<uint32_t, uint32_t> anew;
        for (const WindowFacts& f : a.placed) anew.emplace(f.top, f.window);
        for (uint32_t top : a.rootChildren) {
            if (const auto it = anew.find(top); it != anew.end()) {
                order.push_back({it->second, Place::root});
                continue;
            }
            for (uint32_t w : table.windowsIn(top)) order.push_back({w, Place::root});
        }
    } else {
        const auto put = [&order](const std::vector<uint32_t>& windows, Place place) {
            for (uint32_t w : windows) order.push_back({w, place});
        };
        if (a.lists) {
            put(a.lists->stacked, Place::stacked);
            put(a.lists->listed, Place::listed);
        } else {
            put(table.placed(Place::stacked), Place::stacked);
            put(table.placed(Place::listed), Place::listed);
        }
        // The docks the manager lists nowhere stay on top, in the root's stacking.
        std::vector<uint32_t> docks = table.placed(Place::root);
        std::unordered_map<uint32_t, uint32_t> topOf;
        for (const WindowFacts& f : a.placed) {
            if (f.place != Place::root) continue;
            docks.push_back(f.window);
            topOf[f.window] = f.top;
        }
        if (!topOf.empty()) {
            std::unordered_map<uint32_t, std::size_t> rank;
            for (std::size_t i = 0; i < a.rootChildren.size(); ++i) rank[a.rootChildren[i]] = i + 1;
            const auto key = [&](uint32_t w) {
                const auto t = topOf.find(w);
                const WindowFacts* kept = table.find(w);
                const uint32_t top = t != topOf.end() ? t->second : kept ? kept->top : 0;
                const auto r = rank.find(top);
                // A root child before the windows inside it.
                return std::make_pair(r == rank.end() ? 0 : r->second, w != top);
            };
            std::stable_sort(docks.begin(), docks.end(), [&](uint32_t x, uint32_t y) { return key(x) < key(y); });
        }
        put(docks, Place::root);
    }
    a.read.insert(a.read.end(), std::make_move_iterator(a.placed.begin()), std::make_move_iterator(a.placed.end()));
    table.relist(order, std::move(a.read));
}

// The list as the server has it now, as far as the reads so far tell; with `active`, the active
// window asked again first if it changed.
void WindowListX11::catchUp(bool active) {
    if (!collect()) return;
    drainEvents();
    if (active && activeDirty_) askActive();
    startReading();
}

const std::vector<WindowInfo>& WindowListX11::onScreenWindows() {
    State& s = *state_;
    if (!connect()) return s.table.windows();
    used();
    catchUp();
    if (broken()) s.table.clear();
    return s.table.windows();
}

bool WindowListX11::ready() {
    if (!connect()) return true;
    used();
    catchUp();
    return ready_ || broken();
}

void WindowListX11::askActive() {
    activeDirty_ = false;
    activePid_ = 0;
    xcb_connection_t* c = connection_;
    auto* reply = xcb_get_property_reply(c, ask(c, root_, state_->atoms.active, XCB_ATOM_WINDOW, 1), nullptr);
    const auto ids = cardinals(reply);
    std::free(reply);
    if (ids.empty() || ids.front() == 0) return;
    auto* pid = xcb_get_property_reply(c, ask(c, ids.front(), state_->atoms.pid, XCB_ATOM_CARDINAL, 1), nullptr);
    const auto pids = cardinals(pid);
    std::free(pid);
    if (!pids.empty()) activePid_ = pids.front();
}

long long WindowListX11::activePid() {
    if (!connect() || broken()) return 0;
    used();
    // A read in flight has the connection: the last answer stands until it is done.
    catchUp(true);
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
    std::vector<std::vector<xcb_window_t>> out(windows.size());
    inBatches(
        windows.size(), [&](std::size_t i) { return xcb_query_tree(c, windows[i]); },
        [&](std::size_t i, xcb_query_tree_cookie_t asked) {
            auto* tree = xcb_query_tree_reply(c, asked, nullptr);
            if (!tree) return;
            const xcb_window_t* children = xcb_query_tree_children(tree);
            const auto n = static_cast<std::size_t>(std::max(xcb_query_tree_children_length(tree), 0));
            const std::size_t skip = n > kMaxChildren ? n - kMaxChildren : 0;
            out[i].assign(children + skip, children + n);
            std::free(tree);
        });
    return out;
}

// The root's children, back to front; of more than the list keeps, the front-most.
std::vector<xcb_window_t> rootChildren(xcb_connection_t* c, xcb_window_t root) {
    std::vector<xcb_window_t> top;
    if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const auto n = static_cast<std::size_t>(std::max(xcb_query_tree_children_length(tree), 0));
        const std::size_t skip = n > WindowListX11::kMaxWindows ? n - WindowListX11::kMaxWindows : 0;
        top.assign(children + skip, children + n);
        std::free(tree);
    }
    return top;
}

ManagerLists managerLists(xcb_connection_t* c, xcb_window_t root, const Atoms& a) {
    ManagerLists out;
    const std::vector<xcb_window_t> stack = x11::windowList(c, root, a.stacking, WindowListX11::kMaxWindows, &out.present);
    std::unordered_set<xcb_window_t> listed;
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (listed.insert(*it).second) out.stacked.push_back(*it);
    }
    std::reverse(out.stacked.begin(), out.stacked.end());
    for (xcb_window_t w : x11::windowList(c, root, a.clients, WindowListX11::kMaxWindows)) {
        if (listed.insert(w).second) out.listed.push_back(w);
    }
    out.present = out.present || !listed.empty();
    return out;
}

// Of `windows`, those whose property `atom` holds `value` (or, with XCB_ATOM_NONE, that have it).
std::unordered_set<xcb_window_t> marked(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, xcb_atom_t atom,
                                        xcb_atom_t value) {
    std::unordered_set<xcb_window_t> out;
    inBatches(
        windows.size(), [&](std::size_t i) { return ask(c, windows[i], atom, XCB_GET_PROPERTY_TYPE_ANY, 32); },
        [&](std::size_t i, xcb_get_property_cookie_t asked) {
            auto* reply = xcb_get_property_reply(c, asked, nullptr);
            if (reply && reply->type != XCB_ATOM_NONE) {
                if (value == XCB_ATOM_NONE) out.insert(windows[i]);
                for (uint32_t v : cardinals(reply))
                    if (value != XCB_ATOM_NONE && v == value) out.insert(windows[i]);
            }
            std::free(reply);
        });
    return out;
}

// The docks in `tops` (root children in no list) and in their children, each with its root child.
std::vector<WindowFacts> docksIn(xcb_connection_t* c, const Atoms& a, const std::vector<xcb_window_t>& tops,
                                 const std::unordered_set<xcb_window_t>& listed) {
    const auto inner = childrenOf(c, tops);
    std::vector<xcb_window_t> looked;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        if (!listed.count(tops[i])) looked.push_back(tops[i]);
        for (xcb_window_t child : inner[i])
            if (!listed.count(child)) looked.push_back(child);
    }
    const auto docks = marked(c, looked, a.windowType, a.typeDock);
    std::vector<WindowFacts> out;
    const auto add = [&out](xcb_window_t w, xcb_window_t frame, xcb_window_t top) {
        WindowFacts f;
        f.window = w;
        f.frame = frame;
        f.top = top;
        f.place = Place::root;
        out.push_back(std::move(f));
    };
    for (std::size_t i = 0; i < tops.size(); ++i) {
        if (docks.count(tops[i])) add(tops[i], 0, tops[i]);
        for (xcb_window_t child : inner[i])
            if (docks.count(child)) add(child, tops[i], tops[i]);
    }
    return out;
}

// With no manager's list: each root child, read through the client in it where a manager framed
// one (marked with WM_STATE).
std::vector<WindowFacts> clientsOf(xcb_connection_t* c, const Atoms& a, const std::vector<xcb_window_t>& tops) {
    const auto inner = childrenOf(c, tops);
    std::vector<xcb_window_t> looked = tops;
    for (const auto& children : inner) looked.insert(looked.end(), children.begin(), children.end());
    const auto clients = marked(c, looked, a.wmState, XCB_ATOM_NONE);
    std::vector<WindowFacts> out;
    out.reserve(tops.size());
    for (std::size_t i = 0; i < tops.size(); ++i) {
        xcb_window_t client = tops[i];
        if (!clients.count(client)) {
            const auto it = std::find_if(inner[i].begin(), inner[i].end(), [&](xcb_window_t w) { return clients.count(w); });
            if (it != inner[i].end()) client = *it;
        }
        WindowFacts f;
        f.window = client;
        f.frame = client == tops[i] ? 0 : tops[i];
        f.top = tops[i];
        f.place = Place::root;
        out.push_back(std::move(f));
    }
    return out;
}

// Each window's root child, found by walking up from it, and its frame: its parent when that is a
// root child. `isTop` names the root's children where known, so the walk can stop early.
void placeWindows(xcb_connection_t* c, xcb_window_t root, const std::unordered_set<xcb_window_t>& isTop,
                  std::vector<WindowFacts>& facts) {
    std::vector<std::pair<std::size_t, xcb_window_t>> climbing;
    for (std::size_t i = 0; i < facts.size(); ++i) {
        WindowFacts& f = facts[i];
        f.frame = 0;
        f.top = isTop.count(f.window) ? f.window : 0;
        if (!f.top) climbing.push_back({i, f.window});
    }
    for (int depth = 0; depth < kMaxDepth && !climbing.empty(); ++depth) {
        std::vector<std::pair<std::size_t, xcb_window_t>> higher;
        inBatches(
            climbing.size(), [&](std::size_t j) { return xcb_query_tree(c, climbing[j].second); },
            [&](std::size_t j, xcb_query_tree_cookie_t asked) {
                auto* tree = xcb_query_tree_reply(c, asked, nullptr);
                if (!tree) return;
                WindowFacts& f = facts[climbing[j].first];
                const xcb_window_t parent = tree->parent;
                std::free(tree);
                if (parent == root) {
                    f.top = climbing[j].second;
                    if (depth == 1) f.frame = f.top;
                } else if (isTop.count(parent)) {
                    f.top = parent;
                    if (depth == 0) f.frame = parent;
                } else if (parent != XCB_WINDOW_NONE) {
                    higher.push_back({climbing[j].first, parent});
                }
            });
        climbing.swap(higher);
    }
}

// Reads each window of `facts` (its window, frame and root child set): where it lies, whether it
// is shown and its properties. With `watch`, its changes are followed from before it is read, so
// none falls between the two. Asked a batch at a time, each batch at once.
void readFacts(xcb_connection_t* c, xcb_window_t root, const Atoms& a, QSizeF rootSize, std::vector<WindowFacts>& facts,
               bool watch) {
    struct Pending {
        xcb_void_cookie_t watched;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry, topGeometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t frame, gtkFrame, type, state, pid, wmClass, opacity, strut, strutPartial;
    };
    // A root child, or a client right inside one, lies where its geometry says: no need to ask.
    const auto placedByParent = [](const WindowFacts& f) { return f.top == f.window || (f.frame && f.top == f.frame); };
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const auto send = [&](std::size_t i) {
        const WindowFacts& f = facts[i];
        const xcb_window_t w = f.window;
        Pending p{};
        if (watch) p.watched = xcb_change_window_attributes_checked(c, w, XCB_CW_EVENT_MASK, &mask);
        p.attributes = xcb_get_window_attributes(c, w);
        p.geometry = xcb_get_geometry(c, w);
        if (!placedByParent(f)) p.origin = xcb_translate_coordinates(c, w, root, 0, 0);
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
        return p;
    };
    const double rootWidth = rootSize.width(), rootHeight = rootSize.height();
    const auto take = [&](std::size_t i, const Pending& p) {
        WindowFacts& f = facts[i];
        const bool byParent = placedByParent(f);
        auto* attributes = xcb_get_window_attributes_reply(c, p.attributes, nullptr);
        auto* geometry = xcb_get_geometry_reply(c, p.geometry, nullptr);
        auto* origin = byParent ? nullptr : xcb_translate_coordinates_reply(c, p.origin, nullptr);
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
        // A window already gone only answers with an error, taken here.
        if (watch) std::free(xcb_request_check(c, p.watched));

        f.gone = !attributes;
        const bool placed = geometry && (byParent ? f.top == f.window || topGeometry : origin != nullptr);
        f.shown = attributes && placed && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                  attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
        WindowInfo& info = f.info;
        info = WindowInfo{};
        info.number = static_cast<int>(f.window & 0x7fffffff);
        if (topGeometry) {
            f.topOrigin = insideOf(topGeometry->x, topGeometry->y, topGeometry->border_width);
            f.topSize = QSizeF(topGeometry->width, topGeometry->height);
        }
        if (placed) {
            const QPointF inside = insideOf(geometry->x, geometry->y, geometry->border_width);
            f.origin = !byParent ? QPointF(origin->dst_x, origin->dst_y) : f.top == f.window ? inside : f.topOrigin + inside;
            f.size = QSizeF(geometry->width, geometry->height);
        }
        if (f.top == f.window) {
            f.topOrigin = f.origin;
            f.topSize = f.size;
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
    };
    inBatches(facts.size(), send, take);
}

QSizeF rootSizeOf(xcb_connection_t* c, xcb_window_t root) {
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr);
    const QSizeF size = geometry ? QSizeF(geometry->width, geometry->height) : QSizeF(0, 0);
    std::free(geometry);
    return size;
}

// The whole list, back to front. With a manager: its stacking, the clients it lists unstacked and
// the docks it lists nowhere on top; without one, the root's children read through their clients.
Answer readAll(xcb_connection_t* c, xcb_window_t root, const Atoms& a) {
    Answer out;
    out.all = true;
    const ManagerLists lists = managerLists(c, root, a);
    out.managed = lists.present;
    const std::vector<xcb_window_t> tops = rootChildren(c, root);
    out.rootSize = rootSizeOf(c, root);
    std::vector<WindowFacts>& entries = out.read;
    if (lists.present) {
        const auto add = [&entries](const std::vector<uint32_t>& windows, Place place) {
            for (uint32_t w : windows) {
                WindowFacts f;
                f.window = w;
                f.place = place;
                entries.push_back(std::move(f));
            }
        };
        add(lists.stacked, Place::stacked);
        add(lists.listed, Place::listed);
        placeWindows(c, root, std::unordered_set<xcb_window_t>(tops.begin(), tops.end()), entries);
        // Docks and panels the manager lists nowhere (a bar of a tiling manager): among the root's
        // children that are no client's frame, and in them.
        std::unordered_set<xcb_window_t> taken;
        for (const WindowFacts& f : entries) taken.insert(f.top ? f.top : f.window);
        std::unordered_set<xcb_window_t> listed(lists.stacked.begin(), lists.stacked.end());
        listed.insert(lists.listed.begin(), lists.listed.end());
        std::vector<xcb_window_t> others;
        for (xcb_window_t t : tops)
            if (!taken.count(t)) others.push_back(t);
        for (WindowFacts& f : docksIn(c, a, others, listed)) entries.push_back(std::move(f));
    } else {
        entries = clientsOf(c, a, tops);
    }
    readFacts(c, root, a, out.rootSize, entries, true);
    out.reads = static_cast<int>(entries.size());
    return out;
}

// What changed: the windows read again, those new to the list or placed anew, and the lists.
Answer readSome(xcb_connection_t* c, xcb_window_t root, const Atoms& a, QSizeF rootSize, Ask ask) {
    Answer out;
    const auto known = [&ask](uint32_t w) { return std::binary_search(ask.known.begin(), ask.known.end(), w); };
    std::vector<WindowFacts>& placed = out.placed;
    std::vector<WindowFacts> moved;
    for (uint32_t w : ask.moved) {
        WindowFacts f;
        f.window = w;
        moved.push_back(std::move(f));
    }
    if (ask.rootOrder && ask.lists) {
        out.relisted = true;
        out.rootChildren = rootChildren(c, root);
        const std::unordered_set<xcb_window_t> isTop(out.rootChildren.begin(), out.rootChildren.end());
        // The root children new to the list, and those holding a window that changed parents.
        placeWindows(c, root, isTop, moved);
        std::unordered_set<xcb_window_t> anew;
        for (const WindowFacts& f : moved)
            if (f.top) anew.insert(f.top);
        moved.clear();
        std::vector<xcb_window_t> tops;
        for (xcb_window_t t : out.rootChildren)
            if (!known(t) || anew.count(t)) tops.push_back(t);
        placed = clientsOf(c, a, tops);
    } else if (!ask.rootOrder) {
        if (ask.lists) {
            out.relisted = true;
            out.lists = managerLists(c, root, a);
            out.unmanaged = !out.lists->present;
            if (out.unmanaged) return out;
            for (const auto* windows : {&out.lists->stacked, &out.lists->listed}) {
                for (uint32_t w : *windows) {
                    if (known(w)) continue;
                    WindowFacts f;
                    f.window = w;
                    placed.push_back(std::move(f));
                }
            }
        }
        // Few windows: walked up from each, rather than the root's children all read.
        placeWindows(c, root, {}, placed);
        placeWindows(c, root, {}, moved);
        if (!ask.shown.empty()) {
            // Shown anew: a dock among them, or in them, joins the list, in the root's stacking.
            std::unordered_set<xcb_window_t> listed;
            if (out.lists) {
                listed.insert(out.lists->stacked.begin(), out.lists->stacked.end());
                listed.insert(out.lists->listed.begin(), out.lists->listed.end());
            }
            bool docks = false;
            for (WindowFacts& f : docksIn(c, a, ask.shown, listed)) {
                if (known(f.window)) continue;
                placed.push_back(std::move(f));
                docks = true;
            }
            if (docks) out.rootChildren = rootChildren(c, root);
        }
    }
    readFacts(c, root, a, rootSize, placed, true);
    readFacts(c, root, a, rootSize, moved, true);
    readFacts(c, root, a, rootSize, ask.again, false);
    out.reads = static_cast<int>(placed.size() + moved.size() + ask.again.size());
    out.read = std::move(moved);
    out.read.insert(out.read.end(), std::make_move_iterator(ask.again.begin()), std::make_move_iterator(ask.again.end()));
    return out;
}

}  // namespace

}  // namespace kp
