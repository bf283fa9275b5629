#include "platform/WindowListX11Table.h"

#include <algorithm>

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
    untopped_.clear();
    windows_.clear();
}

void WindowTable::reset(std::vector<WindowFacts> backToFront, bool rootOrder) {
    clear();
    rootOrder_ = rootOrder;
    order_.reserve(backToFront.size());
    facts_.reserve(backToFront.size());
    for (WindowFacts& f : backToFront) {
        const uint32_t w = f.window;
        if (f.gone || !facts_.emplace(w, std::move(f)).second) continue;
        slot_[w] = order_.size();
        order_.push_back(w);
        link(facts_.at(w));
    }
    rebuild();
}

void WindowTable::link(const WindowFacts& f) {
    if (f.top)
        underTop_.emplace(f.top, f.window);
    else
        untopped_.insert(f.window);
}

void WindowTable::unlink(const WindowFacts& f) {
    untopped_.erase(f.window);
    const auto [first, last] = underTop_.equal_range(f.top);
    for (auto it = first; it != last; ++it) {
        if (it->second == f.window) {
            underTop_.erase(it);
            break;
        }
    }
}

void WindowTable::remove(uint32_t window) {
    const auto it = facts_.find(window);
    if (it == facts_.end()) return;
    const bool shown = it->second.shownAt >= 0;
    unlink(it->second);
    facts_.erase(it);
    const std::size_t at = slot_.at(window);
    slot_.erase(window);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
    reindex(at, order_.size());
    if (shown) rebuild();
}

void WindowTable::relist(const std::vector<Listed>& backToFront, std::vector<WindowFacts> read) {
    std::unordered_map<uint32_t, WindowFacts> fresh;
    fresh.reserve(read.size());
    for (WindowFacts& f : read) {
        const uint32_t w = f.window;
        fresh.insert_or_assign(w, std::move(f));
    }
    std::vector<WindowFacts> entries;
    entries.reserve(backToFront.size());
    for (const Listed& l : backToFront) {
        if (const auto it = fresh.find(l.window); it != fresh.end()) {
            entries.push_back(std::move(it->second));
            fresh.erase(it);
        } else if (const auto kept = facts_.find(l.window); kept != facts_.end()) {
            entries.push_back(std::move(kept->second));
            facts_.erase(kept);
        } else {
            continue;
        }
        entries.back().place = l.place;
    }
    reset(std::move(entries), rootOrder_);
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
    if (first == last) return untopped_.empty() ? Change::none : Change::findTops;
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

void WindowTable::update(WindowFacts facts) {
    const auto it = facts_.find(facts.window);
    if (it == facts_.end()) return;
    if (facts.gone) {
        remove(facts.window);
        return;
    }
    WindowFacts& f = it->second;
    const bool wasShown = f.shownAt >= 0;
    facts.place = f.place;
    facts.shownAt = f.shownAt;
    if (facts.top != f.top) {
        unlink(f);
        link(facts);
    }
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

std::vector<uint32_t> WindowTable::placed(WindowFacts::Place place) const {
    std::vector<uint32_t> out;
    for (uint32_t w : order_)
        if (facts_.at(w).place == place) out.push_back(w);
    return out;
}

std::vector<uint32_t> WindowTable::windowIds() const { return order_; }

std::vector<uint32_t> WindowTable::tops() const {
    std::vector<uint32_t> out;
    out.reserve(underTop_.size());
    for (const auto& [top, w] : underTop_) out.push_back(top);
    return out;
}

const WindowFacts* WindowTable::find(uint32_t window) const {
    const auto it = facts_.find(window);
    return it == facts_.end() ? nullptr : &it->second;
}

}  // namespace kp
