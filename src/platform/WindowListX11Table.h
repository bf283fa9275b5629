#pragma once
// The X11 window list's bookkeeping, apart from the connection: what the server said of each
// listed window, kept so that word of one window (moved, resized, raised) updates that window alone
// instead of the whole list being read again.
#include "platform/WindowList.h"

#include <QMarginsF>
#include <QPointF>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kp {

// What the server said of one listed window.
struct WindowFacts {
    // Where its place in the list comes from: the manager's stacking list, the manager's list of
    // clients alone, or the stacking of the root's children (no manager, or a dock in no list).
    enum class Place { stacked, listed, root };

    uint32_t window = 0;  // the client
    uint32_t frame = 0;   // its parent when that is a child of the root: its manager's frame; 0 when none
    uint32_t top = 0;     // the root's child that holds it (its frame, itself or a further ancestor); 0 unknown
    Place place = Place::root;
    QPointF topOrigin;    // the inside of `top` on the root, when last told
    QPointF origin;       // the client's inside on the root
    QSizeF size;          // the client's inside
    QSizeF topSize;       // the inside of `top`, when last told
    std::optional<QMarginsF> frameExtents;  // the manager's frame around the client, as the manager says
    std::optional<QMarginsF> shadow;        // a toolkit's shadow margin drawn inside the client
    bool shown = false;   // mapped and drawn, neither hidden nor a desktop background
    bool gone = false;    // the server no longer knows it
    WindowInfo info;      // what else the list gives; its bounds follow from the above
    int shownAt = -1;     // its index in the list, -1 when not in it
};

// The bounds the cat sees: the client with its manager's frame, less a toolkit's shadow margin.
QRectF windowBounds(const WindowFacts& facts);

class WindowTable {
public:
    // What an event asks of the caller.
    enum class Change {
        none,        // nothing listed changed
        some,        // the list is up to date again
        readWindow,  // that window must be read again
        findTops,    // the windows whose root child is not known must be placed anew (withoutTop())
    };
    // A window's place in a new list.
    struct Listed {
        uint32_t window = 0;
        WindowFacts::Place place = WindowFacts::Place::root;
    };

    // After a read of the whole list: its windows from the back to the front, each once. With
    // `rootOrder`, the root's stacking orders them (no manager lists them).
    void reset(std::vector<WindowFacts> backToFront, bool rootOrder);
    void clear();

    // The root's child `top` was configured: its inside now lies at `origin`, `size` large, right
    // above its sibling `below` (0: at the bottom). Change::readWindow: the windows it holds.
    Change topConfigured(uint32_t top, QPointF origin, QSizeF size, uint32_t below);
    std::vector<uint32_t> windowsIn(uint32_t top) const;
    // A listed client was configured inside its parent: its inside lies at `offset` there.
    Change clientConfigured(uint32_t window, QPointF offset, QSizeF size);
    // The list anew, back to front: the windows it kept keep their facts unless `read` holds newer
    // ones; a window in neither is left out, as is one that has gone.
    void relist(const std::vector<Listed>& backToFront, std::vector<WindowFacts> read);
    // A window read again, with its frame and root child as found; it keeps its place. One that has
    // gone leaves the list.
    void update(WindowFacts facts);

    const WindowFacts* find(uint32_t window) const;
    // The windows of one place, back to front.
    std::vector<uint32_t> placed(WindowFacts::Place place) const;
    // Every window, and every root child that holds one, in no order.
    std::vector<uint32_t> windowIds() const;
    std::vector<uint32_t> tops() const;
    // The windows whose root child is not known: their moves cannot be told apart.
    std::vector<uint32_t> withoutTop() const { return {untopped_.begin(), untopped_.end()}; }
    // Whether the root's stacking orders the windows (no manager lists them).
    bool rootOrder() const { return rootOrder_; }
    std::size_t size() const { return order_.size(); }
    // The shown windows, front to back.
    const std::vector<WindowInfo>& windows() const { return windows_; }

private:
    void place(WindowFacts& f);
    void rebuild();
    void reindex(std::size_t from, std::size_t to);
    void link(const WindowFacts& f);
    void unlink(const WindowFacts& f);
    void remove(uint32_t window);

    std::vector<uint32_t> order_;  // back to front
    std::unordered_map<uint32_t, WindowFacts> facts_;
    std::unordered_map<uint32_t, std::size_t> slot_;        // window -> index in order_
    std::unordered_multimap<uint32_t, uint32_t> underTop_;  // root child -> the windows it holds
    std::vector<WindowInfo> windows_;
    std::unordered_set<uint32_t> untopped_;                // listed windows whose root child is not known
    bool rootOrder_ = false;
};

}  // namespace kp
