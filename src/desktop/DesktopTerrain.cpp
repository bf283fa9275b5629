#include "desktop/DesktopTerrain.h"

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

// A dock window lying along the screen's bottom edge, in screen space: its span and its top.
struct DockWindow {
    double lo = 0, hi = 0, top = 0;
};

std::optional<DockWindow> bottomDock(const std::vector<WindowInfo>& windows, const RoamScreen& screen) {
    const double width = screen.frame.width(), height = screen.frame.height();
    std::optional<DockWindow> best;
    for (const auto& w : windows) {
        if (!w.dock) continue;
        const QRectF r = screen.local(w.bounds);
        const bool alongBottom = r.bottom() >= height - 2 && r.top() > height / 2 && r.width() > r.height();
        if (!alongBottom || r.right() <= 0 || r.left() >= width) continue;
        DockWindow d{std::max(r.left(), 0.0), std::min(r.right(), width), r.top()};
        if (!best || d.top < best->top) best = d;
    }
    return best;
}

}  // namespace

Terrain Terrain::scan(const RoamScreen& screen, const std::vector<WindowInfo>& windows, int regularApps,
                      long long ownPid) {
    return scan(screen, windows, std::function<int()>([regularApps] { return regularApps; }), ownPid);
}

Terrain Terrain::scan(const RoamScreen& screen, const std::vector<WindowInfo>& windows,
                      const std::function<int()>& regularApps, long long ownPid) {
    const QRectF& frame = screen.frame;
    const double width = frame.width(), height = frame.height();
    double dockGap = (frame.y() + frame.height()) - (screen.available.y() + screen.available.height());
    const double menuBottom = std::max(screen.available.y() - frame.y(), 24.0);

    Terrain terrain;
    terrain.size = frame.size();
    terrain.menuBottom = menuBottom;
    terrain.ledges.reserve(16);

    if (const auto dockWindow = bottomDock(windows, screen)) {
        // A real dock or bottom panel: its own span; the floor beside it where there is any.
        dockGap = std::max(dockGap, height - dockWindow->top);
        const double floorY = height - std::max(dockGap, 0.0);
        terrain.floorY = floorY;
        terrain.dock = DockRange{dockWindow->lo, dockWindow->hi};
        if (dockWindow->lo >= 1) terrain.ledges.push_back({ground::floor, height - 1, 0, dockWindow->lo});
        if (width - dockWindow->hi >= 1) terrain.ledges.push_back({ground::floor, height - 1, dockWindow->hi, width});
        terrain.ledges.push_back({ground::dock, floorY, dockWindow->lo, dockWindow->hi});
    } else if (dockGap > 8) {
        // Something reserves the bottom but shows no dock window: guess a centred dock of icons.
        terrain.floorY = height - dockGap;
        const double icons = std::max((regularApps ? regularApps() : 0) + 6, 12);
        const double dockWidth = std::min(icons * dockGap * 0.82, 0.9 * width);
        const double lo = width / 2 - dockWidth / 2, hi = width / 2 + dockWidth / 2;
        terrain.dock = DockRange{lo, hi};
        terrain.ledges.push_back({ground::floor, height - 1, 0, lo});
        terrain.ledges.push_back({ground::floor, height - 1, hi, width});
        terrain.ledges.push_back({ground::dock, terrain.floorY, lo, hi});
    } else {
        terrain.floorY = height - std::max(dockGap, 0.0);
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
