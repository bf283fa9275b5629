#include "desktop/DesktopTerrain.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// A dock window lying along the screen's bottom edge, in screen space: its span and its top.
struct DockWindow {
    double lo = 0, hi = 0, top = 0;
};

// What keeps the screen's bottom edge: each dock or panel, by its window and by the band it keeps
// free. A band across the whole screen is a panel; only a narrower one is a dock of icons.
struct BottomEdge {
    std::optional<double> panelTop;
    std::optional<DockWindow> dock;
};

BottomEdge bottomEdge(const std::vector<WindowInfo>& windows, const RoamScreen& screen) {
    const double width = screen.frame.width(), height = screen.frame.height();
    BottomEdge edge;
    for (const auto& w : windows) {
        if (!w.dock) continue;
        for (const QRectF& bounds : {w.bounds, w.strut}) {
            if (bounds.isEmpty()) continue;
            const QRectF r = screen.local(bounds);
            const bool alongBottom = r.bottom() >= height - 2 && r.top() > height / 2 && r.width() > r.height();
            if (!alongBottom || r.right() <= 0 || r.left() >= width) continue;
            DockWindow d{std::max(r.left(), 0.0), std::min(r.right(), width), r.top()};
            if (d.hi - d.lo >= 0.95 * width) {
                edge.panelTop = std::min(edge.panelTop.value_or(height), d.top);
            } else if (!edge.dock || d.top < edge.dock->top) {
                edge.dock = d;
            }
        }
    }
    return edge;
}

}  // namespace

Terrain Terrain::scan(const RoamScreen& screen, const std::vector<WindowInfo>& windows, long long ownPid) {
    const QRectF& frame = screen.frame;
    const double width = frame.width(), height = frame.height();
    double dockGap = (frame.y() + frame.height()) - (screen.available.y() + screen.available.height());
    const double menuBottom = std::max(screen.available.y() - frame.y(), 24.0);

    Terrain terrain;
    terrain.size = frame.size();
    terrain.menuBottom = menuBottom;
    terrain.ledges.reserve(16);

    // The screen's bare bottom edge: the soles stand clear of it, as they show over a panel's top.
    const double bareFloor = height - soleDepth;
    const BottomEdge edge = bottomEdge(windows, screen);
    if (edge.panelTop || (!edge.dock && dockGap > 8)) {
        // A panel across the bottom (seen, or only known by the space the desktop keeps free for
        // it): its top is the floor, and there is no dock to nap on.
        terrain.floorY = std::min({edge.panelTop.value_or(height), height - std::max(dockGap, 0.0), bareFloor});
        terrain.ledges.push_back({ground::floor, terrain.floorY, 0, width});
    } else if (const auto dockWindow = edge.dock) {
        // A dock of its own width: its span; the floor beside it where there is any.
        dockGap = std::max(dockGap, height - dockWindow->top);
        const double floorY = std::min(height - std::max(dockGap, 0.0), bareFloor);
        terrain.floorY = floorY;
        terrain.dock = DockRange{dockWindow->lo, dockWindow->hi};
        if (dockWindow->lo >= 1) terrain.ledges.push_back({ground::floor, bareFloor, 0, dockWindow->lo});
        if (width - dockWindow->hi >= 1) terrain.ledges.push_back({ground::floor, bareFloor, dockWindow->hi, width});
        terrain.ledges.push_back({ground::dock, floorY, dockWindow->lo, dockWindow->hi});
    } else {
        terrain.floorY = std::min(height - std::max(dockGap, 0.0), bareFloor);
        terrain.ledges.push_back({ground::floor, terrain.floorY, 0, width});
    }
    const double floorY = terrain.floorY;

    std::vector<QRectF> covers;
    covers.reserve(windows.size());
    std::vector<std::pair<double, double>> pieces, next;
    for (const auto& w : windows) {
        if (w.layer != 0) continue;
        if (ownPid != 0 && w.pid == ownPid) continue;
        if (w.alpha <= 0.05) continue;
        if (w.number <= 0) continue;
        const QRectF r = screen.local(w.bounds);
        if (r.width() < 160 || r.height() < 80 || r.right() <= 0 || r.left() >= width || r.top() >= floorY) {
            covers.push_back(r);
            continue;
        }
        terrain.frames[w.number] = r;
        terrain.owners[w.number] = w.pid;
        terrain.order.push_back(w.number);
        if (menuBottom + 60 < r.top() && r.top() < floorY - 40) {
            pieces.assign(1, {std::max(r.left(), 0.0), std::min(r.right(), width)});
            const double edge = r.top() - 2;
            for (const QRectF& k : covers) {
                if (!(k.top() < edge && edge < k.bottom())) continue;
                next.clear();
                for (const auto& [a, b] : pieces) {
                    if (a >= k.right() || k.left() >= b) {
                        next.push_back({a, b});
                        continue;
                    }
                    if (k.left() > a) next.push_back({a, k.left()});
                    if (b > k.right()) next.push_back({k.right(), b});
                }
                pieces.swap(next);
            }
            for (const auto& [a, b] : pieces) {
                if (b - a >= 70) terrain.ledges.push_back({w.number, r.top(), a, b});
            }
        }
        covers.push_back(r);
    }
    return terrain;
}

std::optional<Ledge> Terrain::appLedge(long long pid) const {
    for (int number : order) {
        const auto owner = owners.find(number);
        if (owner == owners.end() || owner->second != pid) continue;
        std::optional<Ledge> widest;
        for (const auto& ledge : ledges) {
            if (ledge.window != number) continue;
            if (!widest || ledge.width() > widest->width()) widest = ledge;
        }
        return widest;
    }
    return std::nullopt;
}

std::optional<Ledge> Terrain::ledgeUnder(double x, double y, double slack) const {
    std::optional<Ledge> best;
    for (const auto& ledge : ledges) {
        if (!(ledge.x0 + 12 <= x && x <= ledge.x1 - 12 && ledge.y >= y - slack)) continue;
        if (!best || ledge.y < best->y) best = ledge;
    }
    return best;
}

std::optional<Ledge> Terrain::ledge(int ground, double nearX) const {
    std::optional<Ledge> nearest;
    double distance = 0;
    for (const auto& ledge : ledges) {
        if (ledge.window != ground) continue;
        if (ledge.x0 <= nearX && nearX <= ledge.x1) return ledge;
        const double d = std::abs(ledge.middle() - nearX);
        if (!nearest || d < distance) {
            nearest = ledge;
            distance = d;
        }
    }
    return nearest;
}

}  // namespace kp
