#pragma once
// What the roaming cat can stand on: the screen floor, the Dock and the visible parts of window
// top edges, in the roamed screen's own points (top-left origin, y downward).
#include "platform/WindowList.h"

#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace kp {

// Grounds: a window number above 0, or one of these.
namespace ground {
inline constexpr int floor = 0;
inline constexpr int notch = -1;
inline constexpr int dock = -2;
inline constexpr int breakPerch = -3;
inline constexpr int watchPerch = -4;
}  // namespace ground

// One walkable horizontal segment.
struct Ledge {
    int window = ground::floor;
    double y = 0;   // the line the feet stand on
    double x0 = 0;  // left end
    double x1 = 0;  // right end, x0 <= x1

    double width() const { return x1 - x0; }
    double middle() const { return (x0 + x1) / 2; }
    bool operator==(const Ledge&) const = default;
};

// The roamed screen on the desktop (top-left origin): its whole frame and the part left free of
// panels and docks, in points; `scale` is the device pixels per point that window bounds are
// given in (the frame's top-left corner is the same in both).
struct RoamScreen {
    QRectF frame;
    QRectF available;
    double scale = 1;

    // A window's bounds in this screen's own points.
    QRectF local(const QRectF& bounds) const {
        const double s = scale > 0 ? scale : 1;
        return {(bounds.x() - frame.x()) / s, (bounds.y() - frame.y()) / s, bounds.width() / s, bounds.height() / s};
    }
    bool operator==(const RoamScreen&) const = default;
};

// How far the cat's soles and its ground shadow reach below the line its feet stand on. A floor
// on the screen's bare bottom edge lies this far above it, so the paws show there as they do
// over a panel's top edge.
inline constexpr double soleDepth = 4;

struct DockRange {
    double lo = 0;
    double hi = 0;
    bool operator==(const DockRange&) const = default;
};

struct Terrain {
    QSizeF size;
    double menuBottom = 24;  // bottom of the top bar, at least 24
    double floorY = 0;       // the usable bottom, above a bottom Dock
    std::optional<DockRange> dock;
    std::vector<Ledge> ledges;                    // floor and Dock first, then window edges front to back
    std::unordered_map<int, QRectF> frames;       // window number -> rect on the screen
    std::unordered_map<int, long long> owners;    // window number -> owning process
    std::vector<int> order;                       // window numbers, frontmost first

    // Builds the ground from the screen, the windows (frontmost first) and the app's own process,
    // whose windows are neither ground nor cover. A panel across the screen's bottom (a dock window
    // that wide, the band it keeps free, or only the desktop's free area) lifts the floor to its
    // top; a narrower dock window along the bottom edge is the Dock, with its own span.
    static Terrain scan(const RoamScreen& screen, const std::vector<WindowInfo>& windows, long long ownPid);

    // The widest ledge of the process's frontmost window; none when that window has no ledge.
    std::optional<Ledge> appLedge(long long pid) const;
    // The highest ledge at or below y - slack whose span holds x at least 12 inside its ends.
    std::optional<Ledge> ledgeUnder(double x, double y, double slack) const;
    // A ledge of the ground: the first holding x, else the one whose middle is nearest.
    std::optional<Ledge> ledge(int ground, double nearX) const;
};

}  // namespace kp
