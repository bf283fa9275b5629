#include "platform/WindowListX11Table.h"

#include <algorithm>
#include <unordered_set>

namespace kp {

QRectF windowBounds(const WindowFacts& f) {
    double x = f.origin.x(), y = f.origin.y(), width = f.size.width(), height = f.size.height();
    // The manager's frame (title bar) belongs to the window; a toolkit's shadow margin does not.
    // Where the manager does not say how large its frame is, the frame window itself tells.
    std::optional<QMarginsF> extents = f.frameExtents;
    if (!extents && f.frame && f.topSize.isValid()) {
        const double fx = f.topOrigin.x(), fy = f.topOrigin.y();
        extents = QMarginsF(std::max(x - fx, 0.0), std::max(y - fy, 0.0),
                            std::max(fx + f.topSize.width() - x - width, 0.0),
                            std::max(fy + f.topSize.height() - y - height, 0.0));
    }
    if (extents) {
        x -= extents->left();
        y -= extents->top();
        width += extents->left() + extents->right();
        height += extents->top() + extents->bottom();
    }
    if (const auto& s = f.shadow) {
        x += s->left();
        y += s->top();
        width -= s->left() + s->right();
        height -= s->top() + s->bottom();
    }
    return QRectF(x, y, std::max(width, 0.0), std::max(height, 0.0));
}

void WindowTable::clear() {
    order_.clear();
    facts_.clear();
    slot_.clear();
    underTop_.clear();
    windows_.clear();
    unknownTops_ = 0;
}

void WindowTable::reset(std::vector<WindowFacts> backToFront, bool rootOrder) {
    clear();
    rootOrder_ = rootOrder;
    order_.reserve(backToFront.size());
    facts_.reserve(backToFront.size());
    for (WindowFacts& f : backToFront) {
        const uint32_t w = f.window;
        if (!facts_.emplace(w, std::move(f)).second) continue;
        slot_[w] = order_.size();
        order_.push_back(w);
        const WindowFacts& kept = facts_.at(w);
        if (kept.top)
            underTop_.emplace(kept.top, w);
        else if (!kept.gone)
            ++unknownTops_;
    }
    rebuild();
}

void WindowTable::rebuild() {
    windows_.clear();
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        WindowFacts& f = facts_.at(*it);
        f.shownAt = -1;
        if (!f.shown || f.info.number <= 0) continue;
        f.shownAt = static_cast<int>(windows_.size());
        windows_.push_back(f.info);
        windows_.back().bounds = windowBounds(f);
    }
}

// The window's entry in the list follows its facts.
void WindowTable::place(WindowFacts& f) {
    if (f.shownAt >= 0) windows_[static_cast<std::size_t>(f.shownAt)].bounds = windowBounds(f);
}

void WindowTable::reindex(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i <= to && i < order_.size(); ++i) slot_[order_[i]] = i;
}

WindowTable::Change WindowTable::topConfigured(uint32_t top, QPointF origin, QSizeF size, uint32_t below) {
    const auto [first, last] = underTop_.equal_range(top);
    // Not a root child of the list's; unless some window's root child is not known.
    if (first == last) return unknownTops_ ? Change::readAll : Change::none;
    Change change = Change::none;
    for (auto it = first; it != last; ++it) {
        WindowFacts& f = facts_.at(it->second);
        const QRectF before = windowBounds(f);
        // Everything inside the root's child moves with it.
        f.origin += origin - f.topOrigin;
        f.topOrigin = origin;
        if (f.window == top) f.size = size;
        // Resized, a frame may place a client held further down anew.
        if (f.topSize != size && f.window != top && f.frame != top) change = Change::readWindow;
        f.topSize = size;
        if (change == Change::none && f.shownAt >= 0 && windowBounds(f) != before) change = Change::some;
        place(f);
    }
    if (!rootOrder_) return change;  // the manager's stacking list tells the order

    // The root's stacking: each of its children is one window of the list. A sibling not in the
    // list (beyond its bound) lies behind every listed window.
    const std::size_t at = slot_.at(first->second);
    const auto b = below ? underTop_.find(below) : underTop_.end();
    const bool known = b != underTop_.end();
    if (known ? at > 0 && order_[at - 1] == b->second : at == 0) return change;
    std::size_t to = 0;
    if (known) {
        std::size_t s = slot_.at(b->second);
        if (s > at) --s;
        to = s + 1;
    }
    const uint32_t moved = order_[at];
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(to), moved);
    reindex(std::min(at, to), std::max(at, to));
    rebuild();
    return change == Change::readWindow ? change : Change::some;
}

std::vector<uint32_t> WindowTable::windowsIn(uint32_t top) const {
    std::vector<uint32_t> out;
    const auto [first, last] = underTop_.equal_range(top);
    for (auto it = first; it != last; ++it) out.push_back(it->second);
    return out;
}

WindowTable::Change WindowTable::clientConfigured(uint32_t window, QPointF offset, QSizeF size) {
    const auto it = facts_.find(window);
    if (it == facts_.end()) return Change::none;
    WindowFacts& f = it->second;
    // A child of the root: the root's own word of it counts.
    if (f.top == window) return Change::none;
    // Inside a parent whose place is not kept: read where it is now.
    if (!f.frame) return Change::readWindow;
    const QRectF before = windowBounds(f);
    f.origin = f.topOrigin + offset;
    f.size = size;
    place(f);
    return f.shownAt >= 0 && windowBounds(f) != before ? Change::some : Change::none;
}

WindowTable::Change WindowTable::restacked(const std::vector<uint32_t>& stacking) {
    std::size_t stacked = 0;
    for (uint32_t w : order_) stacked += facts_.at(w).place == WindowFacts::Place::stacked;
    // Only the order of the same windows may have changed; a window new to the list, gone from it
    // or listed twice is read in full.
    if (stacking.size() != stacked) return Change::readAll;
    std::unordered_set<uint32_t> seen;
    seen.reserve(stacking.size());
    for (uint32_t w : stacking) {
        const auto it = facts_.find(w);
        if (it == facts_.end() || it->second.place != WindowFacts::Place::stacked || !seen.insert(w).second)
            return Change::readAll;
    }
    std::vector<uint32_t> order = stacking;
    for (uint32_t w : order_) {
        if (facts_.at(w).place != WindowFacts::Place::stacked) order.push_back(w);
    }
    if (order == order_) return Change::none;
    order_.swap(order);
    reindex(0, order_.size() - 1);
    rebuild();
    return Change::some;
}

void WindowTable::update(WindowFacts facts) {
    const auto it = facts_.find(facts.window);
    if (it == facts_.end()) return;
    WindowFacts& f = it->second;
    const bool wasShown = f.shownAt >= 0;
    facts.place = f.place;
    facts.top = f.top;
    facts.shownAt = f.shownAt;
    f = std::move(facts);
    const bool shown = f.shown && f.info.number > 0;
    if (shown != wasShown) {
        rebuild();
    } else if (shown) {
        WindowInfo& entry = windows_[static_cast<std::size_t>(f.shownAt)];
        entry = f.info;
        entry.bounds = windowBounds(f);
    }
}

const WindowFacts* WindowTable::find(uint32_t window) const {
    const auto it = facts_.find(window);
    return it == facts_.end() ? nullptr : &it->second;
}

}  // namespace kp
